#include "plat/img/ImageExtent.h"

#include <cstring>

namespace img {

namespace {

// A bounds-checked cursor over the data; every failure names the format and the offset.
class Walker {
public:
    Walker(Bytes data, std::size_t pos, const char* format)
        : m_data(data)
        , m_pos(pos)
        , m_format(format)
    {
    }

    std::size_t pos() const { return m_pos; }
    std::size_t left() const { return m_data.size() - m_pos; }

    void need(std::size_t n) const
    {
        if (n > left())
            fail(ImageError::Kind::Truncated, "data ends inside the image");
    }
    std::uint8_t peek(std::size_t at = 0) const
    {
        need(at + 1);
        return m_data[m_pos + at];
    }
    std::uint8_t u8()
    {
        const std::uint8_t v = peek();
        ++m_pos;
        return v;
    }
    std::uint16_t u16be()
    {
        need(2);
        const std::uint16_t v = std::uint16_t((m_data[m_pos] << 8) | m_data[m_pos + 1]);
        m_pos += 2;
        return v;
    }
    std::uint32_t u32be()
    {
        need(4);
        const std::uint8_t* p = m_data.data() + m_pos;
        m_pos += 4;
        return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
    }
    std::uint32_t u32leAt(std::size_t at) const
    {
        need(at + 4);
        const std::uint8_t* p = m_data.data() + m_pos + at;
        return (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
    }
    void skip(std::size_t n)
    {
        need(n);
        m_pos += n;
    }
    bool matches(const char* signature, std::size_t n) const
    {
        return left() >= n && std::memcmp(m_data.data() + m_pos, signature, n) == 0;
    }
    void expect(const char* signature, std::size_t n)
    {
        if (!matches(signature, n)) {
            // A buffer that stops inside a correct signature is cut short, not foreign.
            const bool prefix = left() < n && std::memcmp(m_data.data() + m_pos, signature, left()) == 0;
            fail(prefix ? ImageError::Kind::Truncated : ImageError::Kind::Corrupt, "no image signature");
        }
        m_pos += n;
    }

    [[noreturn]] void fail(ImageError::Kind kind, const std::string& what) const
    {
        const std::string head
            = kind == ImageError::Kind::Truncated ? "Picture cut short: " : "Damaged picture: ";
        throw ImageError(kind, head + m_format + " " + what + " (offset " + std::to_string(m_pos) + ")");
    }

private:
    Bytes m_data;
    std::size_t m_pos;
    const char* m_format;
};

// Sub-blocks of a GIF extension or image: a length byte and that many bytes, up to a 0 length.
void skipGifSubBlocks(Walker& w)
{
    for (;;) {
        const std::uint8_t n = w.u8();
        if (n == 0)
            return;
        w.skip(n);
    }
}

std::size_t gifExtent(Walker& w)
{
    w.expect("GIF8", 4);
    const std::uint8_t version = w.u8();
    if ((version != '7' && version != '9') || w.u8() != 'a')
        w.fail(ImageError::Kind::Corrupt, "no image signature");
    w.skip(4); // logical screen width and height
    const std::uint8_t flags = w.u8();
    w.skip(2); // background colour, aspect
    if (flags & 0x80)
        w.skip(3u << ((flags & 7) + 1));
    for (;;) {
        switch (w.u8()) {
        case 0x21: // extension: label, sub-blocks
            w.skip(1);
            skipGifSubBlocks(w);
            break;
        case 0x2C: { // image descriptor, optional local table, LZW code size, sub-blocks
            w.skip(8);
            const std::uint8_t local = w.u8();
            if (local & 0x80)
                w.skip(3u << ((local & 7) + 1));
            w.skip(1);
            skipGifSubBlocks(w);
            break;
        }
        case 0x3B:
            return w.pos();
        default:
            w.fail(ImageError::Kind::Corrupt, "block of unknown kind");
        }
    }
}

std::size_t pngExtent(Walker& w)
{
    w.expect("\x89PNG\r\n\x1a\n", 8);
    for (;;) {
        const std::uint32_t length = w.u32be();
        if (length > 0x7FFFFFFFu)
            w.fail(ImageError::Kind::Corrupt, "chunk length over 2^31");
        w.need(4);
        char type[4];
        for (char& c : type) {
            c = static_cast<char>(w.u8());
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
                w.fail(ImageError::Kind::Corrupt, "chunk of invalid type");
        }
        w.skip(std::size_t(length) + 4); // data and CRC
        if (std::memcmp(type, "IEND", 4) == 0)
            return w.pos();
    }
}

std::size_t bmpExtent(Walker& w)
{
    const std::size_t start = w.pos();
    w.expect("BM", 2);
    const std::uint32_t fileSize = w.u32leAt(0);
    // The smallest meaningful file: the 14-byte file header and a 12-byte core header.
    if (fileSize < 26)
        w.fail(ImageError::Kind::Corrupt, "file size field of " + std::to_string(fileSize));
    Walker end(w);
    end.skip(fileSize - 2);
    return start + fileSize;
}

// Counts the scan headers on the way when Scans is given.
std::size_t jpegExtent(Walker& w, int* scans = nullptr)
{
    w.expect("\xFF\xD8", 2);
    bool afterScan = false; // the FF of the next marker was already read by the scan walk
    for (;;) {
        if (!afterScan && w.u8() != 0xFF)
            w.fail(ImageError::Kind::Corrupt, "marker expected");
        afterScan = false;
        std::uint8_t marker = w.u8();
        while (marker == 0xFF) // fill bytes before a marker
            marker = w.u8();
        if (marker == 0xD9)
            return w.pos();
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // standalone markers: no length
        if (marker == 0x00 || marker == 0xD8)
            w.fail(ImageError::Kind::Corrupt, "marker expected");
        const std::uint16_t length = w.u16be();
        if (length < 2)
            w.fail(ImageError::Kind::Corrupt, "segment length under 2");
        w.skip(length - 2u);
        if (marker != 0xDA)
            continue;
        if (scans)
            ++*scans;
        // Entropy-coded data after a scan header runs to the next real marker: FF 00 is a
        // stuffed FF and FF D0..D7 are restart markers, both part of the data.
        for (;;) {
            if (w.u8() != 0xFF)
                continue;
            const std::uint8_t next = w.peek();
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                w.skip(1);
                continue;
            }
            break;
        }
        afterScan = true;
    }
}

} // namespace

int jpegScanCount(Bytes data)
{
    int scans = 0;
    try {
        Walker w(data, 0, "JPEG");
        jpegExtent(w, &scans);
    } catch (const ImageError&) {
        // Damaged or cut short: the scans before the damage are those a decoder meets.
    }
    return scans;
}

std::size_t imageExtent(ImageType type, Bytes data, std::size_t offset)
{
    if (offset > data.size())
        throw ImageError(
            ImageError::Kind::Truncated, "Picture cut short: no data at offset " + std::to_string(offset));
    Walker w(data, offset, imageTypeName(type));
    switch (type) {
    case ImageType::Gif:
        return gifExtent(w);
    case ImageType::Png:
        return pngExtent(w);
    case ImageType::Bmp:
        return bmpExtent(w);
    case ImageType::Jpeg:
        return jpegExtent(w);
    }
    throw ImageError(ImageError::Kind::UnknownFormat, "Unknown picture type");
}

} // namespace img
