#include "diagram/Diagram.h"

#include "diagram/DiagramHost.h"
#include "model/Objet.h"
#include "plat/gfx/Graphics.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Pool.h"
#include "plat/sys/Trace.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

// The view of one diagram: the mapping between diagram units and pixels, the static picture
// rendered in a fixed paint order, and the paint that puts what moves on top of it.

namespace zov {

namespace {

// Degrees to radians and the trigonometry of the overlays, in single precision.
float radians(double degrees) { return rt::DegToRadF(degrees); }

// A grid family or layline steeper than this is not drawn: its slant would leave any view.
constexpr double MaxSlope = 1e4;
// Zones are held within +-2^29 units so that a zone, its extent and their sums fit 32 bits.
constexpr std::int64_t WorldLimit = std::int64_t(1) << 29;

// No family draws more lines than this, whatever the zoom.
constexpr int MaxGridLines = 10000;

std::string fixed(double v, int width, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%*.*f", width, decimals, v);
    return text;
}

std::string padded(std::int64_t v, int width)
{
    char text[64];
    std::snprintf(text, sizeof text, "%*lld", width, static_cast<long long>(v));
    return text;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Zoom and scrolling

void TDiagram::SetZoomFactor(double zoom)
{
    if (!std::isfinite(zoom))
        zoom = 1.0;
    FZoom = static_cast<float>(std::clamp(zoom, double(MinZoom), double(MaxZoom)));
}

void TDiagram::FitZoneInto(std::int32_t width, std::int32_t height)
{
    // A zone never has an empty side when it comes from the objects; one that does is drawn
    // as if it were one unit wide rather than divided by.
    const float zx = float(width) / float(FZone.w > 0 ? FZone.w : 1);
    const float zy = float(height) / float(FZone.h > 0 ? FZone.h : 1);
    FZoom = zx >= zy ? zy : zx;
    const std::int32_t cx = FZone.x + FZone.w / 2;
    const std::int32_t cy = FZone.y + FZone.h / 2;
    FView.x = cx - rt::RoundI32((width / 2) / double(FZoom));
    FView.y = cy - rt::RoundI32((height / 2) / double(FZoom));
    FView.w = rt::RoundI32(width / double(FZoom));
    FView.h = rt::RoundI32(height / double(FZoom));
    m_clientWidth = width;
    m_clientHeight = height;
}

void TDiagram::SetZoom(float factor)
{
    FHovered = nullptr;
    if (factor != 0.0f) {
        SetZoomFactor(double(FZoom) * factor);
        NewDisplay();
        Repaint();
    } else if (FRoot) {
        ComputeOccupiedZone();
        ZoomToFit();
    }
}

void TDiagram::ZoomToFit()
{
    Trace("Dessiner zone occupee");
    FFitted = 1;
    FCentre = { FZone.x + FZone.w / 2, FZone.y + FZone.h / 2 };
    const float zx = float(ClientWidth()) / float(FZone.w);
    const float zy = float(ClientHeight()) / float(FZone.h);
    SetZoomFactor(zx < zy ? zx : zy);
    Trace("Zoc W1:" + std::to_string(ClientWidth()) + " W2:" + std::to_string(FZone.w));
    Trace("Zoc H1:" + std::to_string(ClientHeight()) + " H2:" + std::to_string(FZone.h));
    NewDisplay();
    if (DebugMode) {
        TraceLine("Centre.X: " + padded(FCentre.x, 5));
        TraceLine("Centre.Y: " + padded(FCentre.y, 5));
        TraceLine("New zoom: " + fixed(FZoom, 7, 3));
    }
    Repaint();
}

void TDiagram::NewDisplay()
{
    // Derived values saturate: objects far out in a damaged file must not stop the view.
    FScrollRangeH = rt::SaturateI32(FExtent.w * double(FZoom));
    FScrollRangeV = rt::SaturateI32(FExtent.h * double(FZoom));
    FView.x = rt::SaturateI32(FCentre.x - double(rt::SaturateI32((ClientWidth() / 2) / double(FZoom))));
    FView.y = rt::SaturateI32(FCentre.y - double(rt::SaturateI32((ClientHeight() / 2) / double(FZoom))));
    FView.w = rt::SaturateI32(ClientWidth() / double(FZoom));
    FView.h = rt::SaturateI32(ClientHeight() / double(FZoom));
    Trace("NewDisplay X=" + std::to_string(FView.x) + " Y=" + std::to_string(FView.y));
    FScrollPosH = rt::SaturateI32((double(FView.x) - FExtent.x) * double(FZoom));
    FScrollPosV = rt::SaturateI32((double(FView.y) - FExtent.y) * double(FZoom));
    if (m_host)
        m_host->ScrollBarsChanged();
    Redraw(nullptr);
}

void TDiagram::ComputeOccupiedZone()
{
    if (!FRoot) {
        FZone = { -500, -500, 2000, 2000 };
        return;
    }
    LayOutTexts();
    std::int64_t minX = INT32_MAX, minY = INT32_MAX, maxX = -INT32_MAX, maxY = -INT32_MAX;
    for (TObjet* o = FRoot; o; o = o->NextInWalk()) {
        if (o->FGenre >= gFactsFound && o->FGenre <= gSummary)
            continue;
        minX = std::min<std::int64_t>(minX, o->FBounds.x);
        minY = std::min<std::int64_t>(minY, o->FBounds.y);
        maxX = std::max<std::int64_t>(maxX, std::int64_t(o->FBounds.x) + o->FBounds.w);
        maxY = std::max<std::int64_t>(maxY, std::int64_t(o->FBounds.y) + o->FBounds.h);
    }
    if (DebugMode) {
        TraceLine("Displaye: X=" + padded(FView.x, 6) + "   Y=" + padded(FView.y, 6) + "   Zoom=" + fixed(FZoom, 7, 3));
        TraceLine(std::string("Occup\x82") + "e:   " + padded(minX, 6) + padded(minY, 6) + padded(maxX, 6) + padded(maxY, 6));
    }
    if (!FBackground) {
        if (minX > maxX || minY > maxY)
            FZone = { -500, -500, 2000, 2000 }; // only document texts: nothing occupies the sea
        else {
            // Held within a world that a zone and its extent can describe in 32 bits.
            const auto held = [](std::int64_t v) { return std::clamp<std::int64_t>(v, -WorldLimit, WorldLimit); };
            minX = held(minX - 90);
            minY = held(minY - 90);
            maxX = held(maxX + 90);
            maxY = held(maxY + 90);
            FZone = { std::int32_t(minX), std::int32_t(minY), std::int32_t(maxX - minX), std::int32_t(maxY - minY) };
        }
    }
    FExtent = { FZone.x - 500, FZone.y - 500, FZone.w + 1000, FZone.h + 1000 };
}

void TDiagram::LayOutTexts()
{
    // Until an object is drawn after it was read, its bounds are a small square at its place.
    // The zone's boat length of margin around that square holds an object of the usual size,
    // but a balloon or a remark is as wide as its text: a long one was cut off the fitted view
    // of a diagram just opened, and off its thumbnail. Each is laid out as its drawing lays it
    // out, on a probe that measures and draws nothing.
    CurrentDiagramScope current(this);
    gfx::Bitmap probe(1, 1);
    gfx::Graphics g(probe);
    g.setTracking(gfx::Graphics::Tracking::MeasureOnly);
    for (TObjet* o = FRoot; o; o = o->NextInWalk())
        if (dynamic_cast<TGenText*>(o) && (!o->FPath || o->FPath->isEmpty()))
            o->Draw(g);
}

void TDiagram::FormResize()
{
    if (ClientWidth() <= 0 || ClientHeight() <= 0)
        return;
    if (FLastWidth != 0)
        SetZoomFactor(ClientWidth() * double(FZoom) / FLastWidth);
    FLastWidth = rt::checked<std::uint16_t>(ClientWidth());
    Trace("NewSize  W=" + std::to_string(ClientWidth()) + " H=" + std::to_string(ClientHeight()));
    m_stepAhead.reset();
    FBackGraphics.reset();
    m_staticChanged = true;
    m_staticDrawn = false;
    FBackBitmap = std::make_unique<gfx::Bitmap>(ClientWidth(), ClientHeight());
    FBackGraphics = std::make_unique<gfx::Graphics>(*FBackBitmap, m_drawing.drawing);
    NewDisplay();
    if (FFitted)
        Repaint();
}

void TDiagram::Repaint()
{
    if (m_host)
        m_host->Repaint();
}

// ---------------------------------------------------------------------------------------------
// The static picture

void TDiagram::SetTransform(gfx::Graphics& g) const
{
    g.resetTransform();
    g.setSmoothing(true);
    g.translateTransform(-FView.x * double(FZoom), -FView.y * double(FZoom));
    if (FZoom != 1.0f)
        g.scaleTransform(FZoom, FZoom);
}

void TDiagram::Redraw(gfx::Graphics* graphics)
{
    gfx::Graphics* target = graphics ? graphics : FBackGraphics.get();
    if (!target)
        return;
    gfx::Graphics& g = *target;
    const bool back = target == FBackGraphics.get();
    if (back) {
        m_stepAhead.reset(); // drawn for the picture as it was
        m_staticChanged = true;
        m_staticDrawn = false;
        m_added = QRegion();
    }
    CurrentDiagramScope current(this); // objects draw by this diagram's selection and mode
    if (!FRoot) {
        // Nothing left to draw: the picture must not keep the objects that were removed.
        g.clear(0xFFFFFFFF);
        m_staticDrawn = back;
        return;
    }
    SetTransform(g);
    // Drawn in bands of the picture at once, when the calls are all made.
    const gfx::BandedDrawing bands(g);
    Trace(std::string("Redraw ") + (graphics == FBackGraphics.get() || !graphics ? "True" : "False") + " "
        + std::to_string(FView.x) + " " + std::to_string(FView.y) + " " + std::to_string(rt::Round(10 * double(FZoom))));
    // The first top-level picture marked as background; none found means none is left.
    FBackground = nullptr;
    for (TObjet* o = FRoot; o; o = o->FSibling)
        if (o->FGenre == gPicture && o->FSituation < 0) {
            FBackground = o;
            break;
        }
    BuildHullOutlines();
    FPen = { 0xFF000000, 2.0f, gfx::DashStyle::Solid };
    if (FBackground) {
        g.clear(0xFFFFFFFF);
        FBackground->Draw(g);
        DrawLaylineGrid(g);
    } else
        DrawSeaAndGrid(g);
    DrawMarkLaylines(g);
    DrawStartLines(g);

    FStepCount = 0;
    for (TObjet* o = FRoot; o; o = o->NextInWalk()) {
        if (o->FSituation == 0 && o != FSelected)
            o->Draw(g);
        FStepCount = std::max(FStepCount, o->FSituation);
    }

    const std::int32_t limit = FDisplayMode == dmEdit ? FStepCount : FStep;
    if (FShowTracks && limit >= 1)
        for (TObjet* o = FRoot; o; o = o->NextInWalk())
            if (o->FNext && o->FSituation <= limit)
                o->FNext->DrawTrack(g);
    for (TObjet* o : StepPaintOrder(FRoot, limit, FSelected))
        o->Draw(g);
    // Every picture starts opaque (the sea, or white beneath a background picture).
    if (back)
        m_staticDrawn = true;
}

void TDiagram::BuildHullOutlines()
{
    // The boats this picture draws (every step in edit mode, up to the step shown in animation
    // mode, the selection left for the paint) whose outline the drawing would build.
    const std::int32_t limit = FDisplayMode == dmEdit ? INT32_MAX : FStep;
    std::vector<TBateau*> boats;
    for (TObjet* o = FRoot; o; o = o->NextInWalk())
        if (o != FSelected && o->FSituation >= 0 && o->FSituation <= limit)
            if (auto* boat = dynamic_cast<TBateau*>(o); boat && boat->NeedsHullOutline())
                boats.push_back(boat);
    sys::ForEachOnPool(boats.size(), 256, [&](std::size_t first, std::size_t end) {
        for (std::size_t i = first; i < end; ++i)
            boats[i]->BuildHullOutline();
    });
}

std::vector<TObjet*> StepPaintOrder(TObjet* root, std::int32_t limit, const TObjet* leftOut)
{
    // One walk collects the objects of steps 1 to Limit; a counting sort by step keeps the walk
    // order within each step. A step range far wider than the forest (a damaged file) is sorted
    // instead, so the time never depends on the step numbers themselves.
    std::vector<TObjet*> found;
    for (TObjet* o = root; o; o = o->NextInWalk())
        if (o->FSituation >= 1 && o->FSituation <= limit && o != leftOut)
            found.push_back(o);
    const auto stepOf = [](const TObjet* o) { return std::size_t(o->FSituation); };
    if (std::int64_t(limit) > 4 * std::int64_t(found.size()) + 64) {
        std::stable_sort(found.begin(), found.end(), [&](const TObjet* a, const TObjet* b) { return stepOf(a) < stepOf(b); });
        return found;
    }
    std::vector<std::size_t> start(std::size_t(limit) + 2, 0);
    for (const TObjet* o : found)
        ++start[stepOf(o) + 1];
    for (std::size_t s = 1; s < start.size(); ++s)
        start[s] += start[s - 1];
    std::vector<TObjet*> ordered(found.size());
    for (TObjet* o : found)
        ordered[start[stepOf(o)]++] = o;
    return ordered;
}

void TDiagram::MyPaint(gfx::Graphics& g)
{
    CurrentDiagramScope current(this);
    Trace("Paint " + std::to_string(FStep) + " " + std::to_string(FFrameIndex));
    // Rounded to whole units before the origin is added, as NewDisplay rounds the other way.
    const auto unitsOf = [this](double pixels) { return double(rt::SaturateI32(pixels / double(FZoom))); };
    const std::int32_t x = rt::SaturateI32(unitsOf(FScrollPosH) + FExtent.x);
    const std::int32_t y = rt::SaturateI32(unitsOf(FScrollPosV) + FExtent.y);
    if (x != FView.x || y != FView.y) {
        Trace("ScrollChanged");
        FView.x = x;
        FView.y = y;
        FCentre = { rt::SaturateI32(unitsOf(ClientWidth() / 2) + x), rt::SaturateI32(unitsOf(ClientHeight() / 2) + y) };
        Trace("NewDisplay X:" + std::to_string(x) + " Y:" + std::to_string(y));
        Redraw(nullptr);
    }
    g.resetTransform();
    if (FBackBitmap)
        g.drawImage(*FBackBitmap, QPointF(0, 0));
    SetTransform(g);
    g.setTracking(gfx::Graphics::Tracking::WhileDrawing);
    DrawOnTop(g, true);
    m_onTop = g.tracked();
    g.setTracking(gfx::Graphics::Tracking::Off);
    Trace("Paint OK");
}

void TDiagram::DrawOnTop(gfx::Graphics& g, bool trace)
{
    if (FDisplayMode == dmAnimation && FBoatList) {
        for (int i = 0; i < FBoatList->Count(); ++i) {
            auto* ghost = static_cast<TBateau*>(FBoatList->Item(i));
            ghost->AnimateFrame(FFrameIndex);
            if (trace)
                Trace("+++ " + std::to_string(ghost->FSituation));
            ghost->Draw(g);
        }
    } else if (FSelected)
        FSelected->Draw(g);
    else if (FHovered)
        FHovered->Draw(g);
}

QRect TDiagram::OnTopBounds()
{
    CurrentDiagramScope current(this);
    gfx::Bitmap probe(1, 1);
    gfx::Graphics g(probe);
    SetTransform(g);
    g.setTracking(gfx::Graphics::Tracking::MeasureOnly);
    DrawOnTop(g, false);
    return g.tracked();
}

bool TDiagram::StaticPictureCovers(const QRect& r) const
{
    return m_staticDrawn && FBackBitmap && FBackBitmap->image().rect().contains(r);
}

QRegion TDiagram::RepaintRegion()
{
    const QRect client(0, 0, ClientWidth(), ClientHeight());
    if (m_staticChanged || !FBackBitmap)
        return client;
    // Only what moves on top, and what a step added beneath it, differ from what is shown.
    return (QRegion(m_onTop) | OnTopBounds() | m_added) & client;
}

void TDiagram::Painted(const QRegion& region)
{
    const QRect client(0, 0, ClientWidth(), ClientHeight());
    if (client.isEmpty() || (QRegion(client) - region).isEmpty()) {
        m_staticChanged = false;
        m_added = QRegion();
    } else
        m_added -= region;
}

// ---------------------------------------------------------------------------------------------
// Overlays

void TDiagram::DrawSeaAndGrid(gfx::Graphics& g)
{
    const QImage* target = g.targetImage();
    if (!m_drawing.keptSea || FShowGrid == 0 || !target) {
        g.clear(0xFFFFFFFF);
        DrawLaylineGrid(g);
        return;
    }
    SeaPicture wanted;
    wanted.size = target->size();
    wanted.format = target->format();
    wanted.view = FView;
    wanted.zoom = FZoom;
    wanted.wind = FWind;
    wanted.laylineAngle = FLaylineAngle;
    wanted.hasMark = FFirstMark != nullptr;
    if (FFirstMark)
        wanted.mark = FFirstMark->Pos();
    SeaPicture& kept = m_sea[&g == FBackGraphics.get() ? 0 : 1];
    if (!(kept == wanted)) {
        // A sea not seen before is drawn into the picture itself and kept only when the next
        // picture shows it again: opening a diagram, a zoom or a scroll waits for no picture
        // that is not shown.
        kept = std::move(wanted);
        g.clear(0xFFFFFFFF);
        DrawLaylineGrid(g);
        return;
    }
    if (!kept.image.isNull())
        FPen = { 0x80000080, 1.0f, gfx::DashStyle::Dot }; // as the grid leaves it
    else {
        // Drawn as the picture itself would draw it, on a picture of its own size and format.
        QImage sea(kept.size, kept.format);
        sea.setDotsPerMeterX(target->dotsPerMeterX());
        sea.setDotsPerMeterY(target->dotsPerMeterY());
        {
            gfx::Graphics seaGraphics(sea, m_drawing.drawing);
            const gfx::BandedDrawing bands(seaGraphics);
            seaGraphics.clear(0xFFFFFFFF);
            SetTransform(seaGraphics);
            DrawLaylineGrid(seaGraphics);
        }
        kept.image = std::move(sea);
    }
    g.copyFrom(kept.image);
}

void TDiagram::DrawLaylineGrid(gfx::Graphics& g)
{
    if (FShowGrid == 0)
        return;
    FPen = { 0x80000080, 1.0f, gfx::DashStyle::Dot };
    const std::int64_t vx = FView.x, vy = FView.y, vw = FView.w, vh = FView.h;
    const TObjet* mark = FFirstMark;

    struct Family {
        double angle;
        bool fromLeft;
    };
    const Family families[] = { { double(FWind) - 90 + FLaylineAngle, true }, { 90.0 - FWind + FLaylineAngle, false } };
    for (const Family& f : families) {
        const float a = radians(f.angle);
        const float s = std::sin(a);
        const float c = std::cos(a);
        const float t = s / c;
        // A family at or beyond the vertical never advances, and one near the horizontal
        // slants out of any view: neither is drawn.
        if (!std::isfinite(t) || std::fabs(double(t)) > MaxSlope)
            continue;
        const std::int64_t p = rt::Round(180 * double(s));
        if (p <= 0)
            continue;
        const std::int64_t d = rt::Round(double(vh) * t);
        if (f.fromLeft) {
            std::int64_t x0 = mark ? rt::Round((double(mark->FY) - vy) * t) + mark->FX : 0;
            if (x0 > vx) {
                if (x0 > vx + p)
                    x0 -= ((x0 - vx - 1) / p) * p; // subtract p while x0 > vx + p
            } else if (x0 < vx) {
                x0 += ((vx - x0 + p - 1) / p) * p; // add p until x0 >= vx
            }
            for (int n = 0; x0 < vx + vw + d && n < MaxGridLines; ++n, x0 += p)
                g.drawLine(FPen, double(x0), double(vy), double(x0 - d), double(vy + vh));
        } else {
            const std::int64_t r = vx + vw;
            std::int64_t x0 = mark ? mark->FX - rt::Round((double(mark->FY) - vy) * t) : 0;
            if (x0 > r) {
                if (x0 > r + p)
                    x0 -= ((x0 - r - 1) / p) * p;
            } else if (x0 < r) {
                x0 += ((r - x0 + p - 1) / p) * p;
            }
            for (int n = 0; x0 > vx - d && n < MaxGridLines; ++n, x0 -= p)
                g.drawLine(FPen, double(x0), double(vy), double(x0 + d), double(vy + vh));
        }
    }
}

void TDiagram::DrawLaylinePair(gfx::Graphics& g, std::int32_t x, std::int32_t y, bool downwind)
{
    const std::int64_t vy = FView.y;
    const std::int64_t h = rt::Round(ClientHeight() / double(FZoom)) + 1;
    for (int i = 0; i < 2; ++i) {
        const double degrees = downwind ? (i == 0 ? double(FWind) - 90 + FLaylineAngle : double(FWind) - 90 - FLaylineAngle)
                                        : (i == 0 ? 90.0 - FWind + FLaylineAngle : 90.0 - FWind - FLaylineAngle);
        const float a = radians(degrees);
        const float t = std::sin(a) / std::cos(a);
        if (!std::isfinite(t) || std::fabs(double(t)) > MaxSlope)
            continue; // a horizontal layline would run off to infinity
        if (downwind)
            g.drawLine(FPen, x, y, double(x - rt::Round(double(vy + h - y) * t)), double(vy + h));
        else
            g.drawLine(FPen, x, y, double(x - rt::Round(double(y - vy) * t)), double(vy));
    }
}

void TDiagram::DrawMarkLaylines(gfx::Graphics& g)
{
    if (FShowLaylines == 0)
        return;
    FPen = { 0xFF000000, 1.0f, gfx::DashStyle::DashDot };
    for (TObjet* o = FRoot; o; o = o->FSibling)
        if (auto* mark = dynamic_cast<TBouee*>(o)) {
            if (mark->FMarkType == 3)
                DrawLaylinePair(g, mark->FX, mark->FY, true);
            else if (mark->FMarkType == 4)
                DrawLaylinePair(g, mark->FX, mark->FY, false);
        }
    if (FCommittee) {
        const auto* first = dynamic_cast<const TBouee*>(FFirstMark);
        const std::int32_t cx = FCommittee->FX, cy = FCommittee->FY;
        if (first && first->FMarkType == 3)
            DrawLaylinePair(g, cx - 18, cy + 40, true);
        else if (first && first->FMarkType == 4)
            DrawLaylinePair(g, cx, cy - 60, false);
    }
}

void TDiagram::DrawStartLines(gfx::Graphics& g)
{
    for (TObjet* committee = FRoot; committee; committee = committee->FSibling) {
        if (!dynamic_cast<TBateauComite*>(committee))
            continue;
        const TObjet* nearest = nullptr;
        std::int64_t best = INT32_MAX;
        for (TObjet* o = FRoot; o; o = o->FSibling)
            if (dynamic_cast<TBouee*>(o)) {
                const std::int64_t gap = std::llabs(std::int64_t(committee->FY) - o->FY);
                if (gap < best) {
                    best = gap;
                    nearest = o;
                }
            }
        if (nearest) {
            FPen = { 0xFF000000, 1.0f, gfx::DashStyle::Solid };
            g.drawLine(FPen, committee->FX, committee->FY, nearest->FX, nearest->FY);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Steps of balloons and flags

float TDiagram::PointDistance(float x1, float y1, float x2, float y2)
{
    return std::sqrt((x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2));
}

void TDiagram::AttachTextsToBoats()
{
    for (TObjet* text = FRoot; text; text = text->FSibling) {
        float px, py;
        if (auto* balloon = dynamic_cast<TBulle*>(text)) {
            px = float(balloon->FTipX);
            py = float(balloon->FTipY);
        } else if (dynamic_cast<TDrapeau*>(text)) {
            px = float(text->FBounds.x + text->FBounds.w / 2);
            py = float(text->FBounds.y + text->FBounds.h / 2);
        } else
            continue;
        float best = 10000.0f;
        for (TObjet* o = FRoot; o; o = o->NextInWalk())
            if (dynamic_cast<TBateauCourse*>(o)) {
                const float d = PointDistance(float(o->FX), float(o->FY), px, py);
                if (d < best) {
                    best = d;
                    text->FSituation = o->FSituation;
                }
            }
    }
}

} // namespace zov
