#pragma once
// What the drawing of every object kind shares beyond the TObjet routines: the colours of the
// looks, the boat-local frame, conversions that never stop a paint, the track, and the lines of
// a text object.

#include "model/Geometry.h"
#include "plat/gfx/Color.h"

#include <QPointF>
#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

namespace gfx {
class Graphics;
class Path;
struct Pen;
} // namespace gfx

namespace zov {

class TObjet;
class TCourbe;

inline constexpr gfx::Argb ColorRed = 0xFFFF0000;       // hover outline, selection fill
inline constexpr gfx::Argb ColorHoveredRed = 0xFFFF8040; // fill of a hovered object that is red itself
inline constexpr gfx::Argb ColorBlack = 0xFF000000;
inline constexpr gfx::Argb ColorWhite = 0xFFFFFFFF;
inline constexpr gfx::Argb ColorZone = 0xFF000080;
inline constexpr gfx::Argb ColorTrack = 0xFF0000FF;
// Faint copies of animation mode keep the colour bits with this alpha.
inline constexpr gfx::Argb FaintMask = 0x20FFFFFF;
// Widths of the looks.
inline constexpr float HoverWidth = 2.0f;
inline constexpr float FaintWidth = 0.5f;
// One boat length in diagram units.
inline constexpr float BoatLength = 90.0f;

// Nearest integer, ties to even, for drawn values: a value that is not a number counts as 0 and
// values beyond +-2^30 stop there, so a damaged size or heading never stops a paint and sums
// of two such values still fit 32 bits.
std::int32_t DrawRound(double v);
// V held to the 16-bit range.
std::int16_t ClampI16(std::int64_t v);

// The heading and size the drawing uses: the fields themselves, or 0 and 1 when they are not
// finite numbers (damaged records); sizes beyond a million times stop there.
float DrawHeading(const TObjet& o);
float DrawSize(const TObjet& o);

// The diagram point of the boat-local point (X, Y) (bow towards -y, +x to starboard): rotated by
// the heading, scaled by the size, moved to the position; in single precision, not rounded.
QPointF BoatPoint(const TObjet& o, float x, float y);
// The same mapping for many points of one boat, with its sine and cosine worked out once.
class BoatFrame {
public:
    explicit BoatFrame(const TObjet& o);
    QPointF operator()(float x, float y) const
    {
        const float px = (x * m_c - y * m_s) * m_size + m_x;
        const float py = (x * m_s + y * m_c) * m_size + m_y;
        return { px, py };
    }

private:
    float m_c, m_s, m_size, m_x, m_y;
};

// Bounds of PATH widened for PEN as the drawing reports them, held to the integer range.
TRect4 PathBounds(const gfx::Path& path, const gfx::Pen& pen);

// Whether O is the current diagram's hovered object; whether the diagram is in animation mode.
bool IsHovered(const TObjet& o);
bool InAnimation();

// The track curve: a dotted blue Bezier through its four points.
void DrawCourbe(const TCourbe& c, gfx::Graphics& g);

// The lines of an 8-bit text: a line ends at a carriage return or a line feed and the run of
// such characters after it is skipped, so empty lines vanish; an empty text is one empty line.
std::vector<QString> TextLines(std::string_view text);

} // namespace zov
