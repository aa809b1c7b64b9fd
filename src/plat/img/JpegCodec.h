#pragma once
// JPEG through libjpeg. Library errors unwind to us instead of ending the process.

#include "plat/img/ImageFormat.h"

#include <QByteArray>
#include <QImage>

namespace img {

// RGB32, from greyscale, YCbCr, RGB or CMYK/YCCK data. Raises ImageError, Truncated when the
// data ends before the last row.
QImage decodeJpeg(Bytes data);

// Baseline JPEG, quality 75, 96 dots per inch; alpha is dropped.
// Raises rt::GraphicsError for an empty or oversized picture or a failed encoding.
QByteArray encodeJpeg(const QImage& image);

} // namespace img
