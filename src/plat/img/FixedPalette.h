#pragma once
// The one palette every GIF made from a true-colour picture uses. Animation frames are joined
// under the first frame's colour table, so the table must not depend on the picture.

#include <QRgb>

#include <array>
#include <cstdint>
#include <unordered_map>

namespace img {

constexpr int PaletteSize = 256;

// Entry TransparentIndex is never chosen for an opaque pixel; it stands for transparent pixels.
constexpr int TransparentIndex = 255;

// The object colours first (so they map exactly), then a 6x6x6 colour cube, then greys.
// All entries are opaque; entries are distinct except that the last one is reserved.
const std::array<QRgb, PaletteSize>& fixedPalette();

// Nearest opaque entry of the fixed palette by squared RGB distance, first entry on ties.
// Remembers every colour it has mapped: pictures drawn by the program use few colours.
class PaletteMapper {
public:
    std::uint8_t indexOf(QRgb rgb);

private:
    std::unordered_map<QRgb, std::uint8_t> m_cache;
};

} // namespace img
