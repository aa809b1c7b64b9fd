#include "plat/img/PngCodec.h"

#include <png.h>

#include <cstring>

namespace img {

namespace {

// QImage's 32-bit pixels are native-endian 0xAARRGGBB words.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr png_uint_32 Native32 = PNG_FORMAT_BGRA;
#else
constexpr png_uint_32 Native32 = PNG_FORMAT_ARGB;
#endif

struct ImageFreer {
    png_image& image;
    ~ImageFreer() { png_image_free(&image); }
};

[[noreturn]] void failPng(const png_image& image)
{
    const bool cutShort = std::strstr(image.message, "end of data") != nullptr;
    throw ImageError(cutShort ? ImageError::Kind::Truncated : ImageError::Kind::Corrupt,
        std::string(cutShort ? "Picture cut short: PNG " : "Damaged picture: PNG ") + image.message);
}

// Formats with an alpha channel often hold only opaque pixels; those are written without one.
bool hasTransparentPixel(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(row[x]) != 255)
                return true;
    }
    return false;
}

} // namespace

QImage decodePng(Bytes data)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ImageFreer freer { image };
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size()))
        failPng(image);
    checkImageSize(image.width, image.height, "PNG");
    const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = Native32;
    QImage out(int(image.width), int(image.height), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (out.isNull())
        throw ImageError(ImageError::Kind::TooLarge, "Picture too large: no memory for the PNG image");
    if (!png_image_finish_read(&image, nullptr, out.bits(), png_int_32(out.bytesPerLine()), nullptr))
        failPng(image);
    return out;
}

QByteArray encodePng(const QImage& source)
{
    if (source.isNull())
        throw rt::GraphicsError(rt::InvalidParameter);
    const bool alpha = hasTransparentPixel(source);
    const QImage pixels = source.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB888);

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(pixels.width());
    image.height = png_uint_32(pixels.height());
    image.format = alpha ? Native32 : PNG_FORMAT_RGB;
    ImageFreer freer { image };

    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (!png_image_write_to_memory(
            &image, out.data(), &size, 0, pixels.constBits(), png_int_32(pixels.bytesPerLine()), nullptr))
        throw rt::GraphicsError(rt::GenericError);
    out.resize(qsizetype(size));
    return out;
}

} // namespace img
