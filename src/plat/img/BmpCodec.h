#pragma once
// BMP through Qt's own reader and writer, with the header checked first: Qt trusts the stated
// size and returns a half-read picture for a short file.

#include "plat/img/ImageFormat.h"

#include <QByteArray>
#include <QImage>

namespace img {

// Raises ImageError: TooLarge for absurd dimensions, Truncated when uncompressed pixel rows are
// missing, Corrupt when the header or Qt's reader refuses the data.
QImage decodeBmp(Bytes data);

// Qt's BMP writer. Raises rt::GraphicsError for an empty picture or a failed encoding.
QByteArray encodeBmp(const QImage& image);

} // namespace img
