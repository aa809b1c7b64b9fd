#include "model/Settings.h"

namespace zov {

std::int32_t FramesPerStep = 20;
std::int16_t FileVersion = 10;
gfx::Font DefaultFont("Arial", 12, 0);
gfx::Font SmallFont("Arial", 8, 0);
gfx::Pen BlackPen { 0xFF000000, 1.0f, gfx::DashStyle::Solid };
gfx::Brush WhiteBrush { 0xFFFFFFFF };

QString ShortDateFormat()
{
    // Fixed numeric day/month/year: locale short formats are not always numeric.
    return QStringLiteral("dd/MM/yyyy");
}

} // namespace zov
