#pragma once
// A pen as the drawing code sets it up: colour, width in world units and a dash style.
// It is a plain value; the graphics layer turns it into a Qt pen at each call, always with flat
// caps, miter joins and the miter limit below. Dashes are {3,1}, {1,1} and {3,1,1,1} widths.

#include "plat/gfx/Color.h"

namespace gfx {

enum class DashStyle { Solid = 0, Dash = 1, Dot = 2, DashDot = 3 };

struct Pen {
    Argb color = 0xFF000000;
    float width = 1.0f;
    DashStyle dash = DashStyle::Solid;
};

struct Brush {
    Argb color = 0xFFFFFFFF;
};

// Miter joins reach at most this many widths (tip to inner corner) before they are cut.
constexpr float PenMiterLimit = 10.0f;

} // namespace gfx
