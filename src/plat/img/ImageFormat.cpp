#include "plat/img/ImageFormat.h"

#include <cstring>

namespace img {

std::optional<ImageType> imageTypeFromCode(int code)
{
    switch (code) {
    case 1:
        return ImageType::Gif;
    case 2:
        return ImageType::Jpeg;
    case 3:
        return ImageType::Bmp;
    case 4:
        return ImageType::Png;
    default:
        return std::nullopt;
    }
}

std::optional<ImageType> sniffImageType(Bytes data)
{
    auto startsWith = [&](const char* sig, std::size_t n) {
        return data.size() >= n && std::memcmp(data.data(), sig, n) == 0;
    };
    if (startsWith("GIF87a", 6) || startsWith("GIF89a", 6))
        return ImageType::Gif;
    if (startsWith("\x89PNG\r\n\x1a\n", 8))
        return ImageType::Png;
    if (startsWith("\xFF\xD8\xFF", 3))
        return ImageType::Jpeg;
    if (startsWith("BM", 2))
        return ImageType::Bmp;
    return std::nullopt;
}

const char* imageTypeName(ImageType type)
{
    switch (type) {
    case ImageType::Gif:
        return "GIF";
    case ImageType::Jpeg:
        return "JPEG";
    case ImageType::Bmp:
        return "BMP";
    case ImageType::Png:
        return "PNG";
    }
    return "?";
}

ImageError::ImageError(Kind kind, const std::string& message, std::uintptr_t where)
    : rt::Error(message, where)
    , m_kind(kind)
{
}

void checkImageSize(std::int64_t width, std::int64_t height, const char* format)
{
    if (width <= 0 || height <= 0)
        throw ImageError(ImageError::Kind::Corrupt,
            std::string("Damaged picture: ") + format + " image of size " + std::to_string(width) + " x "
                + std::to_string(height));
    if (width > MaxImageSide || height > MaxImageSide || width * height > MaxImagePixels)
        throw ImageError(ImageError::Kind::TooLarge,
            std::string("Picture too large: ") + format + " image of " + std::to_string(width) + " x "
                + std::to_string(height) + " pixels");
}

void checkJpegScans(std::int64_t width, std::int64_t height, std::int64_t scans)
{
    if (scans > MaxJpegScans || scans * width * height > MaxJpegScanPixels)
        throw ImageError(ImageError::Kind::Corrupt,
            "Damaged picture: JPEG of " + std::to_string(width) + " x " + std::to_string(height) + " pixels in "
                + std::to_string(scans) + " scans, more than a picture needs");
}

} // namespace img
