#pragma once
// PNG through libpng's simplified interface.

#include "plat/img/ImageFormat.h"

#include <QByteArray>
#include <QImage>

namespace img {

// ARGB32 when the file has alpha or a transparent colour, RGB32 otherwise. Raises ImageError.
QImage decodePng(Bytes data);

// 8-bit RGBA when some pixel is not fully opaque, RGB otherwise.
// Raises rt::GraphicsError for an empty picture or a failed encoding.
QByteArray encodePng(const QImage& image);

} // namespace img
