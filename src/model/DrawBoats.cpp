// Boat drawing: hulls of every type, sails with their automatic trim, spinnakers, the overlap
// line and the step number.

#include "model/DiagramLink.h"
#include "model/DrawShared.h"
#include "model/Objet.h"
#include "model/RacingHull.h"
#include "model/Settings.h"
#include "plat/gfx/Graphics.h"
#include "plat/gfx/Path.h"
#include "plat/rt/Numeric.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace zov {

namespace {

// Boat-local outlines (bow towards -y, +x to starboard). Half outlines are mirrored by the
// drawing; the multihull and trimaran tables are placed on two hulls.
constexpr std::array<TPoint, 7> CommitteeHull { { { 0, -60 }, { -12, -42 }, { -22, -18 }, { -25, 0 }, { -24, 18 },
    { -22, 30 }, { -18, 40 } } };
constexpr std::array<TPoint, 7> JudgeHull { { { 0, -30 }, { -6, -21 }, { -11, -9 }, { -12, 0 }, { -12, 9 },
    { -11, 16 }, { -9, 20 } } };
constexpr std::array<TPoint, 3> MultiHullOuter { { { 0, -60 }, { 3, -10 }, { 2, 30 } } };
constexpr std::array<TPoint, 3> MultiHullInner { { { -5, -20 }, { -3, -42 }, { 0, -60 } } };
constexpr std::array<TPoint, 2> MultiHullAft { { { -3, 30 }, { -4, 20 } } };
constexpr std::array<TPoint, 4> TrimaranOuter { { { 0, -60 }, { 2, -45 }, { 3, -18 }, { 2, 30 } } };
constexpr std::array<TPoint, 3> TrimaranInner { { { -4, -18 }, { -2, -45 }, { 0, -60 } } };
constexpr std::array<TPoint, 2> TrimaranAft { { { -4, 30 }, { -4, 23 } } };
constexpr std::array<TPoint, 4> OptimistHull { { { -18, 55 }, { -21, 25 }, { -18, -5 }, { -10, -35 } } };
constexpr std::array<TPoint, 9> MainSailShape { { { 0, 0 }, { 2, 4 }, { 3, 8 }, { 4, 13 }, { 4, 18 }, { 3, 28 },
    { 2, 37 }, { 1, 44 }, { 0, 50 } } };
constexpr std::array<TPoint, 4> SpinnakerShape { { { 0, 0 }, { 20, 15 }, { 20, 55 }, { 0, 70 } } };
constexpr std::array<TPoint, 21> LuffingWave { { { 0, 0 }, { 2, 3 }, { 3, 5 }, { 2, 7 }, { 0, 10 }, { -2, 13 },
    { -3, 15 }, { -2, 17 }, { 0, 20 }, { 2, 23 }, { 3, 25 }, { 2, 27 }, { 0, 30 }, { -2, 33 }, { -3, 35 },
    { -2, 37 }, { 0, 40 }, { 2, 43 }, { 3, 45 }, { 2, 47 }, { 0, 50 } } };

constexpr std::size_t MaxHullPoints = 16;
constexpr int MultiHullCentre = 20;
constexpr int TrimaranFloatCentre = 33;
constexpr float MastDistance = 15.0f;

enum HullType { HullKeelboat = 0, HullMultihull = 1, HullOptimist = 2, HullTrimaran = 3 };

std::span<const TPoint> capped(std::span<const TPoint> table)
{
    return table.first(std::min(table.size(), MaxHullPoints));
}

// Where a table point goes: as it stands, mirrored across the centre line, or on the port or
// starboard hull whose centre lies C units out.
struct Place {
    int sign = 1; // -1 mirrors x
    int centre = 0;
    TPoint operator()(TPoint p) const { return { sign * (centre + p.x), p.y }; }
};
constexpr Place AsIs { 1, 0 };
constexpr Place Mirrored { -1, 0 };
constexpr Place Port(int c) { return { -1, c }; }
constexpr Place Starboard(int c) { return { 1, c }; }

// Builds an outline figure from boat-local points.
class Outline {
public:
    Outline(const TObjet& boat, gfx::Path& path, float widthFactor = 1.0f)
        : m_frame(boat)
        , m_path(path)
        , m_f(widthFactor)
    {
    }
    // A curve through the placed table points, in table order or backwards.
    void curve(std::span<const TPoint> table, Place place, bool backwards = false)
    {
        table = capped(table);
        QPointF pts[MaxHullPoints];
        const std::size_t n = table.size();
        for (std::size_t i = 0; i < n; ++i)
            pts[i] = at(place(table[backwards ? n - 1 - i : i]));
        m_path.addCurve(std::span<const QPointF>(pts, n));
    }
    void lineTo(TPoint p)
    {
        const QPointF q = at(p);
        m_path.addLines(std::span<const QPointF>(&q, 1));
    }
    void close() { m_path.closeFigure(); }

private:
    QPointF at(TPoint p) const { return m_frame(m_f * static_cast<float>(p.x), static_cast<float>(p.y)); }

    BoatFrame m_frame;
    gfx::Path& m_path;
    float m_f;
};

// The part every hull shares before its outline: the looks, the faint copy of animation mode,
// and the small circle of a racing boat's hidden position. True when the caller must build
// the outline into the (empty) path.
bool BeginHull(TBateau& boat)
{
    boat.PrepareDraw();
    if (InAnimation() && boat.FGhost == 0) {
        BlackPen.width = FaintWidth;
        WhiteBrush.color = boat.FColor & FaintMask;
    }
    if (!boat.FPath->isEmpty())
        return false;
    if (dynamic_cast<TBateauCourse*>(&boat) && !boat.ShowDetails()) {
        boat.FPath->addEllipse(QRectF(boat.FX - 5.0, boat.FY - 5.0, 10, 10));
        return false;
    }
    return true;
}

void EndHull(TBateau& boat, gfx::Graphics& g)
{
    boat.FillPath(g);
    boat.DrawZone(g);
}

// The luffing wave hangs from the mast straight down the diagram, whatever the heading.
void LuffingWavePoints(const TObjet& boat, QPointF (&points)[21], bool stretched)
{
    const float a = rt::DegToRadF(DrawHeading(boat));
    const double size = DrawSize(boat);
    const double sinA = std::sin(a), cosA = std::cos(a);
    for (std::size_t i = 0; i < LuffingWave.size(); ++i) {
        const double wx = LuffingWave[i].x;
        double wy = LuffingWave[i].y;
        if (stretched)
            wy = DrawRound(wy * 13 / 10.0); // 1.3 times, with exact halves rounding to even
        points[i] = QPointF(DrawRound((MastDistance * sinA + wx) * size + boat.FX),
            DrawRound((wy - MastDistance * cosA) * size + boat.FY));
    }
}

std::span<const TPoint> TransomTable(int hull)
{
    switch (hull) {
    case HullKeelboat:
        return RacingHull;
    case HullMultihull:
        return MultiHullOuter;
    case HullOptimist:
        return OptimistHull;
    case HullTrimaran:
        return TrimaranOuter;
    default:
        return {};
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Hulls

namespace {

// The outlines of the hulls, built into the boat's empty path.
void MirroredHull(TBateau& boat, std::span<const TPoint> table)
{
    const auto* racing = dynamic_cast<const TBateauCourse*>(&boat);
    Outline o(boat, *boat.FPath, racing ? RacingHullWidth(racing->FRatio) : 1.0f);
    o.curve(table, AsIs, true);
    o.curve(table, Mirrored);
    o.close();
}

void MultihullHull(TBateau& boat)
{
    const int c = MultiHullCentre;
    Outline o(boat, *boat.FPath);
    o.curve(MultiHullInner, Port(c));
    o.curve(MultiHullOuter, Port(c));
    o.lineTo(Port(c)(MultiHullAft[0]));
    o.lineTo(Port(c)(MultiHullAft[1]));
    o.lineTo(Starboard(c)(MultiHullAft[1])); // aft cross-beam
    o.lineTo(Starboard(c)(MultiHullAft[0]));
    o.lineTo(Starboard(c)(MultiHullOuter.back()));
    o.curve(MultiHullOuter, Starboard(c), true);
    o.curve(MultiHullInner, Starboard(c), true);
    o.close(); // forward cross-beam
}

void TrimaranHull(TBateau& boat)
{
    const int c = TrimaranFloatCentre;
    Outline o(boat, *boat.FPath);
    o.lineTo(TrimaranInner[2]);
    o.lineTo(TrimaranInner[1]);
    o.lineTo(TrimaranInner[0]);
    o.lineTo(Port(c)(TrimaranInner[0])); // forward beam
    o.curve(TrimaranInner, Port(c));
    o.curve(TrimaranOuter, Port(c));
    o.lineTo(Port(c)(TrimaranAft[0]));
    o.lineTo(Port(c)(TrimaranAft[1]));
    o.lineTo(TrimaranAft[1]); // aft beam
    o.lineTo(TrimaranAft[0]);
    o.lineTo(Mirrored(TrimaranAft[0])); // centre transom
    o.lineTo(Mirrored(TrimaranAft[1]));
    o.lineTo(Starboard(c)(TrimaranAft[1]));
    o.lineTo(Starboard(c)(TrimaranAft[0]));
    o.lineTo(Starboard(c)(TrimaranOuter.back()));
    o.curve(TrimaranOuter, Starboard(c), true);
    o.curve(TrimaranInner, Starboard(c), true);
    o.lineTo(Mirrored(TrimaranInner[0]));
    o.lineTo(Mirrored(TrimaranInner[1]));
    o.close();
}

void OptimistHullOutline(TBateau& boat)
{
    Outline o(boat, *boat.FPath);
    o.curve(OptimistHull, AsIs);
    o.lineTo(Mirrored(OptimistHull.back())); // the flat bow
    o.curve(OptimistHull, Mirrored, true);
    o.close(); // the transom
}

} // namespace

void TBateau::DrawHull(gfx::Graphics& g, std::span<const TPoint> table)
{
    if (BeginHull(*this))
        MirroredHull(*this, table);
    EndHull(*this, g);
}

void TBateauCourse::DrawMultihull(gfx::Graphics& g)
{
    if (BeginHull(*this))
        MultihullHull(*this);
    EndHull(*this, g);
}

void TBateauCourse::DrawTrimaran(gfx::Graphics& g)
{
    if (BeginHull(*this))
        TrimaranHull(*this);
    EndHull(*this, g);
}

void TBateauCourse::DrawOptimist(gfx::Graphics& g)
{
    if (BeginHull(*this))
        OptimistHullOutline(*this);
    EndHull(*this, g);
}

bool TBateau::NeedsHullOutline() const
{
    // As the drawing goes: a path to build, unless a hidden racing position's small circle.
    return (!FPath || FPath->isEmpty()) && (!dynamic_cast<const TBateauCourse*>(this) || ShowDetails());
}

void TBateau::BuildHullOutline()
{
    if (!FPath)
        FPath = std::make_unique<gfx::Path>();
    if (const auto* racing = dynamic_cast<const TBateauCourse*>(this)) {
        switch (racing->FHull) {
        case HullMultihull:
            MultihullHull(*this);
            break;
        case HullOptimist:
            OptimistHullOutline(*this);
            break;
        case HullTrimaran:
            TrimaranHull(*this);
            break;
        default:
            MirroredHull(*this, RacingHull);
            break;
        }
    } else if (dynamic_cast<const TBateauJuge*>(this) || dynamic_cast<const TBateauWJ*>(this))
        MirroredHull(*this, JudgeHull);
    else
        MirroredHull(*this, CommitteeHull);
}

// ---------------------------------------------------------------------------------------------
// Sails

void TBateauCourse::AutoTrim()
{
    if (FManualTrimming != 0)
        return;
    const float heading = DrawHeading(*this);
    std::int64_t a = DrawRound(-heading / 2.0);
    if (a > 5)
        a -= 10;
    else if (a < -5)
        a += 10;
    FReglage = ClampI16(a + DrawRound(heading));
}

void TBateauCourse::SailPoints(QPointF (&points)[9], int style)
{
    const float m = style == 3 ? 65.0f : MastDistance;
    if (FManualTrimming == 0) {
        // The main sail is sheeted a little closer than the trim, the asymmetric a little wider.
        const int towardsZero = FReglage > 0 ? -5 : 5;
        FReglage = ClampI16(FReglage + (style == 0 ? towardsZero : -towardsZero));
    }
    const float size = DrawSize(*this);
    const float a = rt::DegToRadF(DrawHeading(*this));
    const float s = rt::DegToRadF(FReglage);
    const float mx = std::sin(a) * m * size;
    const float my = std::cos(a) * m * size;
    const float cosS = std::cos(s), sinS = std::sin(s);
    for (std::size_t i = 0; i < MainSailShape.size(); ++i) {
        float px = static_cast<float>(MainSailShape[i].x) * size;
        if (s < 0)
            px = -px;
        float py = static_cast<float>(MainSailShape[i].y) * size;
        if (FHull == HullOptimist)
            py = static_cast<float>(DrawRound(1.3 * py));
        points[i] = QPointF(static_cast<float>(FX) + px * cosS - py * sinS + mx,
            static_cast<float>(FY) + py * cosS + px * sinS - my);
    }
    ExtendBounds(DrawRound(points[8].x()), DrawRound(points[8].y()));
}

void TBateauCourse::SpinnakerPoints(QPointF (&points)[4], QPointF offset)
{
    const float size = DrawSize(*this);
    const float a = rt::DegToRadF(DrawHeading(*this));
    const float s = rt::DegToRadF(FReglage);
    const float mx = std::sin(a) * MastDistance * size;
    const float my = std::cos(a) * MastDistance * size;
    const float cosS = std::cos(s), sinS = std::sin(s);
    const int trim = std::abs(static_cast<int>(FReglage));
    for (std::size_t i = 0; i < SpinnakerShape.size(); ++i) {
        int x = SpinnakerShape[i].x;
        if (i == 1 || i == 2) {
            // The sail is fuller the further it is eased.
            if (FReglage > -30 && FReglage < 30)
                x -= 5;
            for (int limit : { 40, 50, 60, 70 })
                if (trim > limit)
                    x += 5;
        }
        float px = static_cast<float>(x) * size;
        if (s < 0)
            px = -px;
        const float py = static_cast<float>(SpinnakerShape[i].y) * size;
        points[i] = QPointF(static_cast<float>(FX) + px * cosS - py * sinS + mx + offset.x(),
            static_cast<float>(FY) + py * cosS + px * sinS - my + offset.y());
    }
}

void TBateauCourse::DrawTransomLine(gfx::Graphics& g, std::span<const TPoint> table)
{
    // A hull type without an outline (outside 0..3) has no stern to draw the line through.
    if (!(FFlags & flOverlap) || table.empty())
        return;
    int xs = 0, ys = 0;
    for (const TPoint& p : capped(table))
        if (p.y > ys) {
            xs = p.x;
            ys = p.y;
        }
    BlackPen.dash = gfx::DashStyle::Dot;
    const float size = DrawSize(*this);
    float x1 = xs * size, y1 = ys * size;
    float x2 = (FFlags & flOverlapStarboard ? 180.0f : -180.0f) * size, y2 = ys * size;
    LocalToWorld(x1, y1);
    LocalToWorld(x2, y2);
    g.drawLine(BlackPen, x1, y1, x2, y2);
}

// ---------------------------------------------------------------------------------------------
// Whole boats

void TBateauCourse::Draw(gfx::Graphics& g)
{
    PrepareDraw();
    switch (FHull) {
    case HullMultihull:
        DrawMultihull(g);
        break;
    case HullOptimist:
        DrawOptimist(g);
        break;
    case HullTrimaran:
        DrawTrimaran(g);
        break;
    default:
        DrawHull(g, RacingHull);
        break;
    }
    if (!ShowDetails())
        return;

    BlackPen = gfx::Pen { ColorBlack, 1.0f, gfx::DashStyle::Solid };
    AutoTrim();
    const float heading = DrawHeading(*this);
    const float size = DrawSize(*this);
    const float a = rt::DegToRadF(heading);

    // Main sail: drawn full when it is sheeted, as a flapping wave when it is head to wind.
    WhiteBrush.color = ColorWhite;
    if (std::abs(static_cast<int>(FReglage)) > 5) {
        QPointF pts[9];
        SailPoints(pts, 0);
        g.fillAndDrawCurve(WhiteBrush, BlackPen, pts);
    } else {
        QPointF wave[21];
        LuffingWavePoints(*this, wave, FHull == HullOptimist);
        g.fillAndDrawCurve(WhiteBrush, BlackPen, wave);
    }

    if (FSpinnaker != 0) {
        const QPointF mast(static_cast<double>(FX) + DrawRound(std::sin(a) * MastDistance * size),
            static_cast<double>(FY) - DrawRound(std::cos(a) * MastDistance * size));
        float len, ang;
        if (FAsymetric != 0) {
            len = 50 * size;
            ang = heading;
        } else {
            len = 40 * size;
            if (FManualTrimming != 0)
                ang = FReglage < 0 ? FReglage - 15.0f : FReglage + 15.0f;
            else if (heading > 0) {
                // Along the heading up to 60 degrees, then a third of the excess beyond.
                ang = (heading - 60) / 3 + 60;
                if (ang > heading)
                    ang = heading;
            } else {
                ang = (heading + 60) / 3 - 60;
                if (ang < heading)
                    ang = heading;
            }
        }
        const float angR = rt::DegToRadF(ang);
        const QPointF v(len * std::sin(angR), -len * std::cos(angR));
        BlackPen.width = 2.0f;
        g.drawLine(BlackPen, mast, mast + v); // pole, or bowsprit
        BlackPen.width = 1.0f;
        if (std::abs(static_cast<int>(FReglage)) < 15) {
            QPointF wave[21];
            LuffingWavePoints(*this, wave, false);
            for (QPointF& p : wave)
                p += v;
            g.drawCurve(BlackPen, wave);
        } else if (FAsymetric != 0) {
            QPointF pts[9];
            SailPoints(pts, 3);
            g.drawCurve(BlackPen, pts);
        } else {
            QPointF pts[4];
            SpinnakerPoints(pts, v);
            g.drawBezier(BlackPen, pts[0], pts[1], pts[2], pts[3]);
        }
    }

    BlackPen.width = 1.0f;
    DrawTransomLine(g, TransomTable(FHull));
    DrawNumber(g);
}

void TBateau::DrawNumber(gfx::Graphics& g)
{
    if (Diagram && (Diagram->FHideNumbers != 0 || (Diagram->FDisplayMode == dmAnimation && Diagram->FFrameIndex > 0)))
        return;
    WhiteBrush.color = ColorBlack;
    const double h = DefaultFont.height() / 2.0;
    const double dx = FSituation >= 10 ? 12.0 : 6.0;
    g.drawString(QString::number(FSituation), DefaultFont, WhiteBrush, QPointF(FX - dx, FY - h));
}

void TBateauComite::Draw(gfx::Graphics& g) { DrawHull(g, CommitteeHull); }

void TSpectateur::Draw(gfx::Graphics& g) { DrawHull(g, CommitteeHull); }

void TBateauJuge::Draw(gfx::Graphics& g)
{
    DrawHull(g, JudgeHull);
    DrawNumber(g);
}

void TBateauWJ::Draw(gfx::Graphics& g)
{
    DrawHull(g, JudgeHull);
    DrawNumber(g);
}

} // namespace zov
