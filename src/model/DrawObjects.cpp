// Drawing of marks, texts (balloons and remarks), arrows, lines, flags and pictures.

#include "model/DiagramLink.h"
#include "model/DrawShared.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Graphics.h"
#include "plat/gfx/Path.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace zov {

namespace {

constexpr double Deg15 = rt::Pi / 12.0;
constexpr double ArrowHead = 10.0; // length of arrow heads, whatever the size

std::int32_t fitI32(std::int64_t v)
{
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

QRectF toRectF(const TRect4& r) { return QRectF(r.x, r.y, r.w, r.h); }

// Objects that belong to a later step stay hidden while the animation shows an earlier one.
bool HiddenInAnimation(const TObjet& o)
{
    return InAnimation() && Diagram->FStep < o.FSituation;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Marks

void TBouee::Draw(gfx::Graphics& g)
{
    PrepareDraw();
    if (FPath->isEmpty()) {
        const float r = 10 * DrawSize(*this);
        FPath->addEllipse(QRectF(FX - r, FY - r, 2 * r, 2 * r));
    }
    FillPath(g);
    DrawZone(g);
}

// ---------------------------------------------------------------------------------------------
// Texts

void TGenText::Layout(gfx::Graphics& g)
{
    if (FFont.family().empty())
        FFont = DefaultFont;
    std::int64_t w = 0, h = 0;
    for (const QString& line : TextLines(FText)) {
        const QSizeF s = g.measureString(line, FFont);
        w = std::max<std::int64_t>(w, DrawRound(s.width()));
        h += DrawRound(s.height());
    }
    FTextRect = { FX, FY, fitI32(w), fitI32(h) };
}

void TGenText::DrawText(gfx::Graphics& g)
{
    WhiteBrush.color = FFontColor;
    QPointF origin(FTextRect.x, FTextRect.y);
    for (const QString& line : TextLines(FText)) {
        g.drawString(line, FFont, WhiteBrush, origin);
        origin.ry() += g.measureString(line, FFont).height();
    }
}

void TBulle::Draw(gfx::Graphics& g)
{
    if (HiddenInAnimation(*this))
        return;
    PrepareDraw();
    WhiteBrush.color = ColorWhite; // a balloon is always white; hovering colours its outline only
    if (FPath->isEmpty()) {
        Layout(g);
        const std::int64_t w = FTextRect.w, h = FTextRect.h;
        const std::int64_t bw = DrawRound(1.4 * static_cast<double>(w));
        const std::int64_t bh = DrawRound(1.6 * static_cast<double>(h));
        if (bw == 0 && bh == 0)
            return; // nothing to say: no balloon until the text has something
        const float heading = DrawHeading(*this);
        const float a = rt::DegToRadF(heading);
        // The opening widens with the heading's slant and the text's height-to-width ratio. A text
        // of blanks only measures 0 wide: its opening keeps the 3-degree minimum.
        const double gap = w > 0 ? std::abs(std::sin(a)) * (static_cast<double>(h) / static_cast<double>(w)) * 20 + 3 : 3.0;
        const QRectF ellipse(static_cast<double>(FX - (bw - w) / 2), static_cast<double>(FY - (bh - h) / 2),
            static_cast<double>(bw), static_cast<double>(bh));
        FPath->addArc(ellipse, static_cast<float>(std::fmod(heading + gap, 360.0)), static_cast<float>(360 - 2 * gap));
        const QPointF first(DrawRound(FPath->firstPoint().x()), DrawRound(FPath->firstPoint().y()));
        const QPointF last(DrawRound(FPath->lastPoint().x()), DrawRound(FPath->lastPoint().y()));
        const std::int64_t mx = (static_cast<std::int64_t>(first.x()) + static_cast<std::int64_t>(last.x())) / 2;
        const std::int64_t my = (static_cast<std::int64_t>(first.y()) + static_cast<std::int64_t>(last.y())) / 2;
        FTipX = fitI32(mx + DrawRound(30 * std::cos(a)));
        FTipY = fitI32(my + DrawRound(30 * std::sin(a)));
        const QPointF pointer[] = { QPointF(FTipX, FTipY), first };
        FPath->addLines(pointer);
    }
    FillPath(g);
    DrawText(g);
}

void TRemarque::Draw(gfx::Graphics& g)
{
    PrepareDraw();
    WhiteBrush.color = ColorWhite;
    if (FPath->isEmpty()) {
        Layout(g);
        FBounds = { fitI32(std::int64_t(FTextRect.x) - 5), fitI32(std::int64_t(FTextRect.y) - 2),
            fitI32(std::int64_t(FTextRect.w) + 10), fitI32(std::int64_t(FTextRect.h) + 5) };
        FPath->addRectangle(toRectF(FBounds));
    }
    if (FFrame != 0 || IsSelected() || IsHovered(*this))
        FillPath(g);
    else if (!(FFlags & flTransparent))
        g.fillPath(WhiteBrush, *FPath);
    DrawText(g);
}

// ---------------------------------------------------------------------------------------------
// Lines and arrows

void TLigne::Draw(gfx::Graphics& g)
{
    FSituation = 0; // a line belongs to every step
    BlackPen.color = IsHovered(*this) || IsSelected() ? ColorRed : FColor;
    // The pen keeps whatever the last drawing left otherwise; a line is solid and one unit wide.
    BlackPen.width = 1.0f;
    BlackPen.dash = gfx::DashStyle::Solid;
    const float a = rt::DegToRadF(DrawHeading(*this));
    const double len = 100.0 * DrawSize(*this);
    const double dx = DrawRound(std::sin(a) * len);
    const double dy = DrawRound(std::cos(a) * len);
    g.drawLine(BlackPen, FX - dx, FY + dy, FX + dx, FY - dy);
    g.drawEllipse(BlackPen, QRectF(FX - 2.0, FY - 2.0, 4, 4));
    FBounds = { fitI32(std::int64_t(FX) - 5), fitI32(std::int64_t(FY) - 5), 10, 10 };
}

void TFleche::Draw(gfx::Graphics& g)
{
    PrepareDraw();
    const double a = rt::DegToRadF(DrawHeading(*this));
    const double len = 100.0 * DrawSize(*this);
    const QPointF tip(FX, FY);
    const QPointF tail(FX - static_cast<double>(DrawRound(std::sin(a) * len)),
        FY + static_cast<double>(DrawRound(std::cos(a) * len)));
    g.drawLine(BlackPen, tail, tip);
    if (FPath->isEmpty()) {
        auto barb = [&](double angle) {
            return QPointF(FX - static_cast<double>(DrawRound(ArrowHead * std::sin(angle))),
                FY + static_cast<double>(DrawRound(ArrowHead * std::cos(angle))));
        };
        const QPointF head[] = { tip, barb(a - Deg15), barb(a + Deg15), tip };
        FPath->addPolygon(head);
    }
    FillPath(g);
}

void TCurve::Draw(gfx::Graphics& g)
{
    PrepareDraw();
    const float heading = DrawHeading(*this);
    const float size = DrawSize(*this);
    const float arc = std::isfinite(FArcAngle) ? FArcAngle : 0.0f;
    const double r = DrawRound(40.0 * size);
    const float start = static_cast<float>(std::fmod(heading + 180.0, 360.0)); // the same ray, a small angle
    g.drawArc(BlackPen, QRectF(FX - r, FY - r, 2 * r, 2 * r), start, FDirection != 0 ? arc : -arc);
    if (FPath->isEmpty()) {
        // The head sits at the arc's start, along the tangent, pointing against the sweep.
        const double b = rt::Pi - rt::DegToRadF(heading);
        const double radius = 40.0 * size;
        const QPointF t(FX + static_cast<double>(DrawRound(std::cos(b) * radius)),
            FY - static_cast<double>(DrawRound(std::sin(b) * radius)));
        const double d = FDirection != 0 ? b + rt::Pi / 2 : b - rt::Pi / 2;
        auto barb = [&](double angle) {
            return QPointF(t.x() - DrawRound(ArrowHead * std::cos(angle)), t.y() + DrawRound(ArrowHead * std::sin(angle)));
        };
        const QPointF head[] = { t, barb(d - Deg15), barb(d + Deg15), t };
        FPath->addPolygon(head);
    }
    FillPath(g);
}

// ---------------------------------------------------------------------------------------------
// Flags and pictures

void TDrapeau::Draw(gfx::Graphics& g)
{
    if (HiddenInAnimation(*this))
        return;
    PrepareDraw();
    const float size = DrawSize(*this);
    const bool picture = FBitmap && !FBitmap->isNull();
    if (FPath->isEmpty()) {
        FBounds.x = FX;
        FBounds.y = FY;
        FBounds.w = picture ? DrawRound(FBitmap->width() * static_cast<double>(size)) : DrawRound(45.0 * size);
        FBounds.h = picture ? DrawRound(FBitmap->height() * static_cast<double>(size)) : DrawRound(30.0 * size);
        FPath->addRectangle(toRectF(FBounds));
    }
    if (picture) {
        // The flag's own rectangle, kept in the outline: FBounds also covers the pole by now.
        g.drawImage(*FBitmap, FPath->pointBounds());
        if (IsHovered(*this) || IsSelected())
            g.drawPath(BlackPen, *FPath);
    } else
        FillPath(g);
    BlackPen.width = 3.0f;
    g.drawLine(BlackPen, FX, FY, FX, FY + 60.0 * size);
    // The foot of the pole, measured from the position: FBounds.y has moved up by the pen
    // widening by now, and measured from it the foot would fall short.
    ExtendBounds(FBounds.x, DrawRound(60.0 * size + FY));
}

void TPerso::Draw(gfx::Graphics& g)
{
    if (!FBitmap || FBitmap->isNull()) {
        // A picture that could not be read has nothing to show and no size to take.
        FBounds = { FX, FY, 0, 0 };
        return;
    }
    const double size = DrawSize(*this);
    FBounds = { FX, FY, DrawRound(FBitmap->width() * size), DrawRound(FBitmap->height() * size) };
    if (DebugMode)
        TraceLine(std::to_string(FBounds.x) + " " + std::to_string(FBounds.y) + " " + std::to_string(FBounds.w) + " "
            + std::to_string(FBounds.h));
    g.drawImage(*FBitmap, toRectF(FBounds));
}

} // namespace zov
