#pragma once
// The one palette every GIF made from a true-colour picture uses. Animation frames are joined
// under the first frame's colour table, so the table must not depend on the picture.

#include <QRgb>

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace img {

constexpr int PaletteSize = 256;

// Entry TransparentIndex is never chosen for an opaque pixel; it stands for transparent pixels.
constexpr int TransparentIndex = 255;

// The object colours first (so they map exactly), then a 6x6x6 colour cube, then greys.
// All entries are opaque; entries are distinct except that the last one is reserved.
const std::array<QRgb, PaletteSize>& fixedPalette();

// Nearest opaque entry of the fixed palette by squared RGB distance, first entry on ties.
// Remembers the colours it has mapped in a table addressed by the colour itself (pictures
// drawn by the program use few colours, and mostly white): a colour seen before costs one look.
class PaletteMapper {
public:
    PaletteMapper();
    std::uint8_t indexOf(QRgb rgb)
    {
        rgb |= 0xFF000000u;
        const Slot& slot = m_slots[slotOf(rgb)];
        if (slot.rgb == rgb)
            return slot.index;
        return lookUp(rgb);
    }

private:
    struct Slot {
        QRgb rgb = 0; // 0 (transparent black) is never a key: keys are opaque
        std::uint8_t index = 0;
    };
    static constexpr int SlotBits = 14;
    static std::size_t slotOf(QRgb rgb) { return (rgb * 2654435761u) >> (32 - SlotBits); }
    std::uint8_t lookUp(QRgb rgb);
    std::vector<Slot> m_slots;
    std::unordered_map<QRgb, std::uint8_t> m_more; // colours whose slot another one holds
};

} // namespace img
