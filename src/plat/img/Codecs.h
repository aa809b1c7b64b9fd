#pragma once
// Picture decoding with the format taken from the data, and encoders chosen by MIME type:
// "image/bmp", "image/jpeg", "image/gif", "image/png".

#include "plat/img/ImageFormat.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <string_view>

namespace img {

// Decodes the picture at the start of Data, whatever follows it. GIF gives Indexed8 (first
// frame), PNG ARGB32 or RGB32, JPEG RGB32, BMP what Qt's reader gives.
// Raises ImageError (UnknownFormat when no signature matches); never crashes on bad data.
QImage decodeImage(Bytes data);
QImage decodeImage(const QByteArray& data);

// Whether an encoder exists for Mime (exact, lower-case MIME type).
bool hasEncoder(std::string_view mime);

// The picture encoded as Mime. An unknown type raises rt::AssertionFailure
// "Encoder not found for <mime>" (module Rules8); a failed encoding rt::GraphicsError.
QByteArray encodeImage(const QImage& image, std::string_view mime);

// Encodes and writes the file atomically (a failed write leaves any former file intact).
// Raises as encodeImage, and rt::IoError when the file cannot be written.
void saveImage(const QImage& image, std::string_view mime, const QString& path);

} // namespace img
