#include "plat/img/BmpCodec.h"

#include <QBuffer>
#include <QImageWriter>

#include <climits>
#include <cstdlib>

namespace img {

namespace {

std::uint32_t u32le(Bytes d, std::size_t at)
{
    return std::uint32_t(d[at]) | (std::uint32_t(d[at + 1]) << 8) | (std::uint32_t(d[at + 2]) << 16)
        | (std::uint32_t(d[at + 3]) << 24);
}

std::uint16_t u16le(Bytes d, std::size_t at) { return std::uint16_t(d[at] | (d[at + 1] << 8)); }

[[noreturn]] void failBmp(ImageError::Kind kind, const std::string& what)
{
    throw ImageError(kind,
        (kind == ImageError::Kind::Truncated ? "Picture cut short: BMP " : "Damaged picture: BMP ") + what);
}

} // namespace

QImage decodeBmp(Bytes data)
{
    // File header (14 bytes), then at least the 12-byte core header.
    if (data.size() < 26)
        failBmp(ImageError::Kind::Truncated, "header");
    if (data[0] != 'B' || data[1] != 'M')
        failBmp(ImageError::Kind::Corrupt, "signature");
    const std::uint32_t pixelOffset = u32le(data, 10);
    const std::uint32_t headerSize = u32le(data, 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
    if (headerSize == 12) {
        width = u16le(data, 18);
        height = u16le(data, 20);
        bits = u16le(data, 24);
    } else if (headerSize >= 16) {
        if (data.size() < 14 + 16)
            failBmp(ImageError::Kind::Truncated, "header");
        width = std::int32_t(u32le(data, 18));
        height = std::int32_t(u32le(data, 22));
        bits = u16le(data, 28);
        compression = headerSize >= 20 && data.size() >= 34 ? u32le(data, 30) : 0;
    } else {
        failBmp(ImageError::Kind::Corrupt, "header size " + std::to_string(headerSize));
    }
    checkImageSize(width, std::abs(height), "BMP");

    // Uncompressed rows have a known size: a file without all of them is cut short.
    const bool plain = compression == 0 || compression == 3 || compression == 6;
    if (plain && bits > 0 && bits <= 32) {
        const std::uint64_t rowBytes = (std::uint64_t(width) * bits + 31) / 32 * 4;
        if (std::uint64_t(pixelOffset) + rowBytes * std::uint64_t(std::abs(height)) > data.size())
            failBmp(ImageError::Kind::Truncated, "pixel rows");
    }
    if (data.size() > std::size_t(INT_MAX))
        failBmp(ImageError::Kind::Corrupt, "file over 2 GB");
    QImage image;
    if (!image.loadFromData(data.data(), int(data.size()), "BMP"))
        failBmp(ImageError::Kind::Corrupt, "data");
    return image;
}

QByteArray encodeBmp(const QImage& image)
{
    if (image.isNull())
        throw rt::GraphicsError(rt::InvalidParameter);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "BMP");
    if (!writer.write(image))
        throw rt::GraphicsError(rt::GenericError);
    return out;
}

} // namespace img
