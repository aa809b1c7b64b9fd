#include "plat/img/Codecs.h"

#include "plat/img/BmpCodec.h"
#include "plat/img/GifCodec.h"
#include "plat/img/JpegCodec.h"
#include "plat/img/PngCodec.h"
#include "plat/io/ReplacingFile.h"


namespace img {

namespace {

struct Encoder {
    std::string_view mime;
    QByteArray (*encode)(const QImage&);
};

constexpr Encoder Encoders[] = {
    { "image/bmp", encodeBmp },
    { "image/jpeg", encodeJpeg },
    { "image/gif", encodeGif },
    { "image/png", encodePng },
};

const Encoder* findEncoder(std::string_view mime)
{
    for (const Encoder& e : Encoders)
        if (e.mime == mime)
            return &e;
    return nullptr;
}

} // namespace

QImage decodeImage(Bytes data)
{
    const auto type = sniffImageType(data);
    if (!type)
        throw ImageError(ImageError::Kind::UnknownFormat, "Unknown picture format");
    switch (*type) {
    case ImageType::Gif:
        return decodeGif(data);
    case ImageType::Png:
        return decodePng(data);
    case ImageType::Jpeg:
        return decodeJpeg(data);
    case ImageType::Bmp:
        return decodeBmp(data);
    }
    throw ImageError(ImageError::Kind::UnknownFormat, "Unknown picture format");
}

QImage decodeImage(const QByteArray& data) { return decodeImage(bytesOf(data)); }

bool hasEncoder(std::string_view mime) { return findEncoder(mime) != nullptr; }

QByteArray encodeImage(const QImage& image, std::string_view mime)
{
    const Encoder* encoder = findEncoder(mime);
    if (!encoder)
        rt::assertFail("Encoder not found for " + std::string(mime), "Rules8", __LINE__);
    return encoder->encode(image);
}

void saveImage(const QImage& image, std::string_view mime, const QString& path)
{
    const QByteArray bytes = encodeImage(image, mime);
    io::ReplacingFile file(path.toStdString());
    if (!file.write(bytes.constData(), std::size_t(bytes.size())) || !file.commit())
        throw rt::IoError("Cannot write " + path.toStdString() + ": " + file.error());
}

} // namespace img
