#include "model/DrawShared.h"

#include "model/Courbe.h"
#include "model/DiagramLink.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Graphics.h"
#include "plat/gfx/Path.h"
#include "plat/gfx/Pen.h"
#include "plat/rt/Cp1252.h"
#include "plat/rt/Errors.h"
#include "plat/rt/Numeric.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zov {

namespace {

constexpr double DrawLimit = 1073741824.0; // 2^30

std::int32_t clampI32(double v)
{
    if (std::isnan(v))
        return 0;
    return static_cast<std::int32_t>(std::clamp(v, -DrawLimit, DrawLimit));
}

} // namespace

std::int32_t DrawRound(double v)
{
    if (std::isnan(v))
        return 0;
    return static_cast<std::int32_t>(rt::Round(std::clamp(v, -DrawLimit, DrawLimit)));
}

std::int16_t ClampI16(std::int64_t v)
{
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int16_t>::min(),
        std::numeric_limits<std::int16_t>::max()));
}

float DrawHeading(const TObjet& o)
{
    return std::isfinite(o.FHeading) ? o.FHeading : 0.0f;
}

float DrawSize(const TObjet& o)
{
    constexpr float MaxSize = 1e6f;
    return std::isfinite(o.FSize) ? std::clamp(o.FSize, -MaxSize, MaxSize) : 1.0f;
}

BoatFrame::BoatFrame(const TObjet& o)
{
    const float a = rt::DegToRadF(DrawHeading(o));
    m_c = std::cos(a);
    m_s = std::sin(a);
    m_size = DrawSize(o);
    m_x = static_cast<float>(o.FX);
    m_y = static_cast<float>(o.FY);
}

QPointF BoatPoint(const TObjet& o, float x, float y)
{
    return BoatFrame(o)(x, y);
}

TRect4 PathBounds(const gfx::Path& path, const gfx::Pen& pen)
{
    try {
        const QRect r = path.boundsWithPen(pen);
        return { r.x(), r.y(), r.width(), r.height() };
    } catch (const rt::RangeError&) {
        // Outlines of absurd sizes (damaged records): the same rule, held to the integer range.
        const double grow = std::max(pen.width / 2.0, pen.width * gfx::PenMiterLimit / 2.0);
        const QRectF b = path.pointBounds().adjusted(-grow, -grow, grow, grow);
        const std::int32_t x = clampI32(b.left());
        const std::int32_t y = clampI32(b.top());
        return { x, y, clampI32(b.right() - x), clampI32(b.bottom() - y) };
    }
}

bool IsHovered(const TObjet& o)
{
    return Diagram && Diagram->FHovered == &o;
}

bool InAnimation()
{
    return Diagram && Diagram->FDisplayMode == dmAnimation;
}

void DrawCourbe(const TCourbe& c, gfx::Graphics& g)
{
    BlackPen.color = ColorTrack;
    BlackPen.dash = gfx::DashStyle::Dot;
    BlackPen.width = 1.0f;
    auto pt = [](TPoint p) { return QPointF(p.x, p.y); };
    g.drawBezier(BlackPen, pt(c.FP0), pt(c.FP1), pt(c.FP2), pt(c.FP3));
}

std::vector<QString> TextLines(std::string_view text)
{
    std::vector<QString> lines;
    auto isBreak = [](char ch) { return ch == '\r' || ch == '\n'; };
    std::size_t i = 0;
    do {
        const std::size_t start = i;
        while (i < text.size() && !isBreak(text[i]))
            ++i;
        lines.push_back(rt::FromCp1252(text.substr(start, i - start)));
        while (i < text.size() && isBreak(text[i]))
            ++i;
    } while (i < text.size());
    return lines;
}

// ---------------------------------------------------------------------------------------------
// TObjet's shared routines

// Document texts (and any kind without a picture of its own) draw nothing.
void TObjet::Draw(gfx::Graphics&) { }

bool TObjet::IsSelected() const
{
    return Diagram && Diagram->FSelected == this;
}

bool TObjet::ShowDetails() const
{
    if (FFlags & flVisible)
        return true;
    return InAnimation() && Diagram->FFrameIndex >= 1;
}

void TObjet::LocalToWorld(float& x, float& y) const
{
    const float a = rt::DegToRadF(DrawHeading(*this));
    const float c = std::cos(a);
    const float s = std::sin(a);
    const float rx = x * c - y * s + static_cast<float>(FX);
    const float ry = x * s + y * c + static_cast<float>(FY);
    x = rx;
    y = ry;
}

void TObjet::PrepareDraw()
{
    if (!FPath)
        FPath = std::make_unique<gfx::Path>();
    const bool hovered = IsHovered(*this);
    BlackPen.color = hovered ? ColorRed : ColorBlack;
    BlackPen.width = hovered ? HoverWidth : 1.0f;
    BlackPen.dash = gfx::DashStyle::Solid;
    if (IsSelected())
        WhiteBrush.color = ColorRed;
    else if (hovered && FColor == ColorRed)
        WhiteBrush.color = ColorHoveredRed;
    else
        WhiteBrush.color = FColor;
}

void TObjet::FillPath(gfx::Graphics& g)
{
    if (!FPath)
        return;
    g.fillAndDrawPath(WhiteBrush, BlackPen, *FPath);
    BlackPen.width = 2.0f;
    FBounds = PathBounds(*FPath, BlackPen);
}

void TObjet::ExtendBounds(std::int32_t x, std::int32_t y)
{
    // 64-bit so that a far point cannot wrap the width; held to 32 bits at the end.
    std::int64_t left = FBounds.x, top = FBounds.y;
    std::int64_t right = left + FBounds.w, bottom = top + FBounds.h;
    left = std::min<std::int64_t>(left, x);
    right = std::max<std::int64_t>(right, x);
    top = std::min<std::int64_t>(top, y);
    bottom = std::max<std::int64_t>(bottom, y);
    auto fit = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
            std::numeric_limits<std::int32_t>::max()));
    };
    FBounds = { fit(left), fit(top), fit(right - left), fit(bottom - top) };
}

void TObjet::DrawZone(gfx::Graphics& g)
{
    if (!(FFlags & flOutline))
        return;
    if (FRayonOutline == 0)
        FRayonOutline = 3;
    const double r = static_cast<float>(FRayonOutline) * BoatLength * DrawSize(*this);
    BlackPen.color = ColorZone;
    BlackPen.width = 1.0f;
    BlackPen.dash = gfx::DashStyle::Dash;
    g.drawEllipse(BlackPen, QRectF(FX - r, FY - r, 2 * r, 2 * r));
}

void TObjet::DrawTrack(gfx::Graphics& g)
{
    if (!dynamic_cast<TBateau*>(this) || FTrackVisible == 0 || !FCourbe)
        return;
    // While one step is shown, the tracks leading to later steps stay hidden.
    if (Diagram && Diagram->FStep != 0 && Diagram->FStep < FSituation)
        return;
    DrawCourbe(*FCourbe, g);
}

} // namespace zov
