#pragma once
// Picture formats the program reads and writes, the error every codec raises, and the size
// limits every decoder enforces before it allocates pixels.

#include "plat/rt/Errors.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace img {

using Bytes = std::span<const std::uint8_t>;

inline Bytes bytesOf(const QByteArray& data)
{
    return Bytes(
        reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size()));
}

// The codes are those of the picture record's type byte.
enum class ImageType : std::uint8_t {
    Gif = 1,
    Jpeg = 2,
    Bmp = 3,
    Png = 4,
};

// Type byte of a picture record to a format; nothing for codes outside 1..4.
std::optional<ImageType> imageTypeFromCode(int code);

// The format whose signature starts Data; nothing when none matches.
std::optional<ImageType> sniffImageType(Bytes data);

const char* imageTypeName(ImageType type);

// A picture that cannot be read or delimited. The kind keeps "cut short" apart from "damaged",
// so a reader can choose to take a picture that runs to the end of its data.
class ImageError : public rt::Error {
public:
    enum class Kind {
        UnknownFormat, // no known signature
        Corrupt, // the data contradicts its own format
        Truncated, // the data ends before the picture does
        TooLarge, // the stated dimensions exceed the limits below
        Unsupported, // valid, but a variant no decoder here handles
    };

    ImageError(Kind kind, const std::string& message, std::uintptr_t where = rt::CallerAddress());
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// Nothing wider or taller than MaxImageSide, nor larger than MaxImagePixels, is decoded:
// a hostile header must not make us allocate gigabytes.
constexpr std::int64_t MaxImageSide = 16384;
constexpr std::int64_t MaxImagePixels = 64 * 1024 * 1024;

// Raises ImageError (TooLarge, or Corrupt for an empty size) unless Width x Height is decodable.
void checkImageSize(std::int64_t width, std::int64_t height, const char* format);

// A progressive JPEG walks its whole picture once per scan: the scans times the pixels bound the
// work of decoding it (about a second at most). A picture of the largest size may have 32 scans,
// a small one up to MaxJpegScans; usual files have about ten.
constexpr std::int64_t MaxJpegScanPixels = std::int64_t(1) << 31;
constexpr std::int64_t MaxJpegScans = 1000;

// Raises ImageError (Corrupt: no writer makes such a file to be read) unless Scans scans of
// Width x Height pixels are within the bounds above.
void checkJpegScans(std::int64_t width, std::int64_t height, std::int64_t scans);

} // namespace img
