#pragma once
// Hand-built bytes of diagram files, laid out field by field the way each file version has
// them, so the readers can be fed files that this program's writer would never produce.

#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zovtest {

// The words of a file between the version word and the first marker.
struct ZovHeader {
    int situationType = 0;
    std::string rules, caseCall, author, description, date, email;
    std::string reservedHeader = std::string(2, '\0');
    int hideNumbers = 0;
    int reserved1 = 0, reserved2 = 0, reserved3 = 0;
    int wind = 90;
    int showLaylines = 1;
    int laylineAngle = 45;
    std::vector<std::int32_t> extra;
    std::optional<int> extraCount; // none: the size of extra
    int showGrid = 1;
    int reserved4 = 0, reserved5 = 0, reserved6 = 0;
    int defaultRayon = 3;
    int reserved7 = 0;
};

// The base record after its kind word, with the values as the file holds them.
struct ZovBase {
    int extension = 0;
    int reserved = 0;
    int step = 0;
    int x = 0;
    int storedY = 200;         // 200 - Y
    float size = 1.0f;
    float storedHeading = 90;  // 90 - heading
    std::uint32_t color = 0;   // COLORREF at offset 20
    float courbe[11] = { 0, 0, 90, 1, 1, 0, 90, 1, 0.5f, 0, 0.5f };
    int flags = 0;
    int rayon = 3;
    std::uint32_t colorV8 = 0; // the extra colour word of version 8
};

class ZovBytes {
public:
    std::vector<std::uint8_t> bytes;

    std::size_t size() const { return bytes.size(); }
    const std::uint8_t* data() const { return bytes.data(); }

    ZovBytes& u8(int v)
    {
        bytes.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    ZovBytes& u16(int v) { return u8(v).u8(v >> 8); }
    ZovBytes& u32(std::uint32_t v) { return u16(int(v & 0xFFFF)).u16(int(v >> 16)); }
    ZovBytes& f32(float v) { return u32(std::bit_cast<std::uint32_t>(v)); }
    ZovBytes& raw(std::string_view s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    ZovBytes& raw(const std::vector<std::uint8_t>& b)
    {
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
    // A fixed field of Width bytes: the text, then zeros.
    ZovBytes& field(std::string_view s, std::size_t width)
    {
        std::string f(s.substr(0, width));
        f.resize(width, '\0');
        return raw(f);
    }
    ZovBytes& zeros(std::size_t n) { return raw(std::string(n, '\0')); }

    // Version word, header and settings words of a file of Version, up to the first marker.
    ZovBytes& header(int version, const ZovHeader& h = {})
    {
        u16(version).u16(h.situationType);
        field(h.rules, 20).field(h.reservedHeader, 2).field(h.caseCall, 10).field(h.author, 50);
        field(h.description, 80).field(h.date, 15);
        if (version >= 3)
            field(h.email, 81);
        if (version >= 4)
            u8(h.hideNumbers);
        u16(h.reserved1).u16(h.reserved2).u16(h.reserved3).u16(h.wind).u16(h.showLaylines).u16(h.laylineAngle);
        u16(h.extraCount.value_or(int(h.extra.size())));
        for (std::int32_t v : h.extra)
            u32(std::uint32_t(v));
        return u16(h.showGrid).u16(h.reserved4).u16(h.reserved5).u16(h.reserved6).u16(h.defaultRayon).u16(h.reserved7);
    }

    // The base record without its kind word (70 bytes, 74 in version 8).
    ZovBytes& base(const ZovBase& b, int version)
    {
        u16(b.extension).u16(b.reserved).u16(b.step).u16(b.x).u16(b.storedY).f32(b.size).f32(b.storedHeading);
        u32(b.color);
        for (float c : b.courbe)
            f32(c);
        u16(b.flags).u16(b.rayon);
        if (version == 8)
            u32(b.colorV8);
        return *this;
    }
    ZovBytes& record(int kind, const ZovBase& b, int version) { return u16(kind).base(b, version); }

    // A text record up to and including its font fields (those from version 7).
    ZovBytes& text(int kind, std::string_view text, std::uint32_t fontColorRef, int style, const ZovBase& b,
        int version, std::string_view fontName = "Arial", int fontSize = 12, int blockByte = 0)
    {
        u16(kind).u16(kind).u16(int(text.size())).raw(text).u8(0);
        raw(std::string(45, char(blockByte)));
        u32(fontColorRef).u8(style);
        base(b, version);
        if (version >= 7)
            u8(int(fontName.size())).raw(fontName).u16(0).u16(0).u16(fontSize);
        return *this;
    }
};

} // namespace zovtest
