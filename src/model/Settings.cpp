#include "model/Settings.h"

namespace zov {

std::int32_t FramesPerStep = 20;
std::int16_t FileVersion = 10;
const gfx::Font DefaultFont("Arial", 12, 0);
const gfx::Font SmallFont("Arial", 8, 0);
constinit thread_local gfx::Pen BlackPen { 0xFF000000, 1.0f, gfx::DashStyle::Solid };
constinit thread_local gfx::Brush WhiteBrush { 0xFFFFFFFF };

QString ShortDateFormat()
{
    // Fixed numeric day/month/year: locale short formats are not always numeric.
    return QStringLiteral("dd/MM/yyyy");
}

} // namespace zov
