#pragma once
// Colours are 32-bit ARGB values, alpha in the high byte, as the model stores them.

#include <QColor>

#include <cstdint>

namespace gfx {

using Argb = std::uint32_t;

constexpr Argb argb(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return (Argb(a) << 24) | (Argb(r) << 16) | (Argb(g) << 8) | Argb(b);
}
constexpr std::uint8_t alphaOf(Argb c) { return std::uint8_t(c >> 24); }
constexpr std::uint8_t redOf(Argb c) { return std::uint8_t(c >> 16); }
constexpr std::uint8_t greenOf(Argb c) { return std::uint8_t(c >> 8); }
constexpr std::uint8_t blueOf(Argb c) { return std::uint8_t(c); }

inline QColor toQColor(Argb c) { return QColor(redOf(c), greenOf(c), blueOf(c), alphaOf(c)); }

} // namespace gfx
