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

// Shared drawing resources: the object drawing re-colours the pen and the brush per object.
// Each thread that draws diagrams has a pen and a brush of its own.
extern const gfx::Font DefaultFont; // "Arial" 12 pt
extern const gfx::Font SmallFont;   // "Arial" 8 pt
extern constinit thread_local gfx::Pen BlackPen;
extern constinit thread_local gfx::Brush WhiteBrush;

// The short date format that headers are written with: numeric, with a four-digit year,
// whatever the locale says.
QString ShortDateFormat();

} // namespace zov
