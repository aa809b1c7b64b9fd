#pragma once
// Process-wide values of the model, made once at start-up.

#include "plat/gfx/Font.h"
#include "plat/gfx/Pen.h"

#include <cstdint>

namespace zov {

// Animation frames between two steps: 20 at start; the speed slider changes it.
extern std::int32_t FramesPerStep;
// Version of the diagram file being read or written.
extern std::int16_t FileVersion;

// Shared drawing resources: the object drawing re-colours them per object.
extern gfx::Font DefaultFont; // "Arial" 12 pt
extern gfx::Font SmallFont;   // "Arial" 8 pt
extern gfx::Pen BlackPen;
extern gfx::Brush WhiteBrush;

// The short date format that headers are written with: numeric, with a four-digit year,
// whatever the locale says.
QString ShortDateFormat();

} // namespace zov
