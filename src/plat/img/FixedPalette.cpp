#include "plat/img/FixedPalette.h"

#include <algorithm>

namespace img {

namespace {

std::array<QRgb, PaletteSize> buildPalette()
{
    std::array<QRgb, PaletteSize> table {};
    int n = 0;
    auto add = [&](QRgb c) {
        c |= 0xFF000000u;
        if (n < TransparentIndex && std::find(table.begin(), table.begin() + n, c) == table.begin() + n)
            table[n++] = c;
    };
    // Colours the objects are drawn with by default.
    for (QRgb c : { 0xFF2880FFu, 0xFFFFFF50u, 0xFF80FF80u, 0xFFC0C0C0u, 0xFFFF8040u, 0xFFFF0000u, 0xFFC060C0u,
             0xFF000000u, 0xFFFFFFFFu, 0xFF808080u })
        add(c);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                add(qRgb(r * 51, g * 51, b * 51));
    // Greys fill the rest: antialiased black and grey lines fall between them.
    for (int step = 128; n < TransparentIndex && step >= 1; step /= 2)
        for (int v = step; v < 256 && n < TransparentIndex; v += 2 * step)
            add(qRgb(v, v, v));
    table[TransparentIndex] = 0xFF000000u;
    return table;
}

} // namespace

const std::array<QRgb, PaletteSize>& fixedPalette()
{
    static const std::array<QRgb, PaletteSize> table = buildPalette();
    return table;
}

PaletteMapper::PaletteMapper()
    : m_slots(std::size_t(1) << SlotBits)
{
}

std::uint8_t PaletteMapper::lookUp(QRgb rgb)
{
    Slot& slot = m_slots[slotOf(rgb)];
    const auto found = m_more.find(rgb);
    if (found != m_more.end())
        return found->second;
    const auto& table = fixedPalette();
    int best = 0;
    int bestDistance = INT32_MAX;
    for (int i = 0; i < TransparentIndex; ++i) {
        const int dr = qRed(table[i]) - qRed(rgb);
        const int dg = qGreen(table[i]) - qGreen(rgb);
        const int db = qBlue(table[i]) - qBlue(rgb);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    if (slot.rgb == 0)
        slot = { rgb, std::uint8_t(best) };
    else
        m_more.emplace(rgb, std::uint8_t(best));
    return std::uint8_t(best);
}

} // namespace img
