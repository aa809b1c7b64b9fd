#include "model/RuleGeometry.h"

#include "model/DiagramLink.h"
#include "model/Objet.h"
#include "model/RacingHull.h"
#include "plat/rt/Errors.h"
#include "plat/rt/Numeric.h"

#include <cmath>
#include <cstdint>

namespace zov {

namespace {

constexpr std::int32_t BoatLength = 90;
constexpr float TackingLimit = 45.0f;


const DiagramLink& CurrentDiagram()
{
    ZOV_ASSERT(Diagram != nullptr, "No current diagram", "Rules2");
    return *Diagram;
}

// Sine and cosine of an angle held in single precision, taken at full precision.
double Sin(float radians)
{
    return std::sin(static_cast<double>(radians));
}

double Cos(float radians)
{
    return std::cos(static_cast<double>(radians));
}

bool InTackingRange(float heading)
{
    return heading < TackingLimit && heading > -TackingLimit;
}

} // namespace

const TBateauCourse* PreviousStep(const TBateauCourse& boat)
{
    const TObjet* prev = boat.Predecessor();
    if (!prev)
        return nullptr;
    const auto* course = dynamic_cast<const TBateauCourse*>(prev);
    if (!course)
        throw rt::InvalidCastError();
    return course;
}

std::array<TPoint, 7> PlaceRacingHull(const TBateauCourse& boat)
{
    const float b = rt::DegToRadF(boat.FHeading);
    const double cosB = Cos(b);
    const double sinB = Sin(b);
    const double s = boat.FSize;
    const double k = RacingHullWidth(boat.FRatio);
    std::array<TPoint, 7> placed;
    for (std::size_t i = 0; i < RacingHull.size(); ++i) {
        const double x = rt::RoundI32(RacingHull[i].x * k);
        const double y = RacingHull[i].y;
        const std::int32_t px = rt::RoundI32(s * (x * cosB - y * sinB));
        const std::int32_t py = rt::RoundI32(s * (x * sinB + y * cosB));
        placed[i] = { rt::wrapAdd(boat.FX, px), rt::wrapAdd(boat.FY, py) };
    }
    return placed;
}

bool RuleIsStarboard(const TBateauCourse& boat)
{
    // Head to wind keeps the tack of the last step that was not; walked, not recursed, so a
    // long chain of head-to-wind steps cannot exhaust the stack.
    for (const TBateauCourse* step = &boat; step; step = PreviousStep(*step)) {
        if (step->FHeading < 0)
            return true;
        if (step->FHeading > 0)
            return false;
    }
    return true;
}

bool RuleTacking(const TBateauCourse& boat)
{
    if (!InTackingRange(boat.FHeading))
        return false;
    const bool starboard = RuleIsStarboard(boat);
    // Going back, every step on the boat's own tack must also lie within the tacking range
    // until a step on the other tack is met. A head-to-wind step (always within the range)
    // takes the tack of the first earlier step that is not head to wind, so passing over it
    // and deciding at that earlier step gives the same answer in one pass.
    bool headToWindRun = false;
    for (const TBateauCourse* step = PreviousStep(boat); step; step = PreviousStep(*step)) {
        if (step->FHeading == 0) {
            headToWindRun = true;
            continue;
        }
        headToWindRun = false;
        if ((step->FHeading < 0) != starboard)
            return true;
        if (!InTackingRange(step->FHeading))
            return false;
    }
    // Head-to-wind steps at the start of the chain are on starboard tack.
    return headToWindRun && !starboard;
}

bool RuleSameTack(const TBateauCourse& a, const TBateauCourse& b)
{
    return RuleIsStarboard(a) == RuleIsStarboard(b);
}

bool RuleClearAhead(const TBateauCourse& a, const TBateauCourse& b)
{
    const std::int32_t length = rt::RoundI32(RacingHullStern * static_cast<double>(a.FSize));
    const float angle = rt::DegToRadF(a.FHeading);
    const std::int64_t dx = rt::RoundI32(-length * Sin(angle));
    const std::int64_t dy = rt::RoundI32(length * Cos(angle));
    const std::int64_t sx = rt::wrapAdd(a.FX, static_cast<std::int32_t>(dx));
    const std::int64_t sy = rt::wrapAdd(a.FY, static_cast<std::int32_t>(dy));
    for (const TPoint& p : PlaceRacingHull(b)) {
        // A point on the transom line counts as behind it.
        if (dx * (p.x - sx) + dy * (p.y - sy) < 0)
            return false;
    }
    return true;
}

bool RuleInZone(const TBateauCourse& boat, const TObjet& obj)
{
    const std::int32_t lengths = dynamic_cast<const TBouee*>(&obj) ? obj.FRayonOutline : CurrentDiagram().FDefaultRayon;
    const double radius = static_cast<double>(BoatLength) * lengths;
    for (const TPoint& p : PlaceRacingHull(boat)) {
        const double ex = static_cast<double>(obj.FX) - p.x;
        const double ey = static_cast<double>(obj.FY) - p.y;
        // Strictly inside: a point at the radius is out, and a radius of 0 holds nothing.
        if (std::sqrt(ex * ex + ey * ey) < radius)
            return true;
    }
    return false;
}

bool RuleIsLeeward(const TBateauCourse& a, const TBateauCourse& b)
{
    // The line p.x + q.y + c = 0 through A's position along its heading.
    const float angle = rt::DegToRadF(static_cast<double>(a.FHeading) - 90.0);
    const std::int64_t p = rt::RoundI32(100.0 * Sin(angle));
    const std::int64_t q = -rt::RoundI32(100.0 * Cos(angle));
    if (q == 0)
        return false; // A heads (almost) straight up or down the diagram
    const std::int64_t c = -p * a.FX - q * a.FY;

    const float bAngle = rt::DegToRadF(b.FHeading);
    const double cosB = Cos(bAngle);
    const double sinB = Sin(bAngle);
    const double s = b.FSize;
    const double k = RacingHullWidth(b.FRatio);
    // The half outline, then its mirror image: the whole hull.
    for (const int side : { 1, -1 }) {
        for (const TPoint& h : RacingHull) {
            const double x = side * h.x * k;
            const double y = h.y;
            const float qx = static_cast<float>(s * (x * cosB - y * sinB) + b.FX);
            const float qy = static_cast<float>(s * (x * sinB + y * cosB) + b.FY);
            // Integer y of the line at the point's x, the quotient truncated towards zero.
            const std::int64_t lineY = -rt::Round(p * static_cast<double>(qx) + c) / q;
            if (static_cast<double>(lineY) < qy)
                return false; // below the line: to leeward of A's centreline
        }
    }
    return true;
}

bool RuleLaylineSide(const TBateauCourse& boat, const TObjet& mark)
{
    float g = rt::DegToRadF(CurrentDiagram().FLaylineAngle);
    if (boat.FHeading < 0)
        g = -g;
    const float t = static_cast<float>(Sin(g) / Cos(g));
    const float m = static_cast<float>(mark.FY - static_cast<double>(mark.FX) * t);
    const float v = static_cast<float>(boat.FX * static_cast<double>(t) + m);
    return static_cast<double>(boat.FY) > v;
}

bool RuleOverlapped(const TBateauCourse& a, const TBateauCourse& b)
{
    return !RuleClearAhead(a, b) && !RuleClearAhead(b, a);
}

bool RuleRightOfWay(const TBateauCourse& a, const TBateauCourse& b)
{
    const bool aTacking = RuleTacking(a);
    const bool bTacking = RuleTacking(b);
    if (aTacking && !bTacking)
        return false;
    if (aTacking) {
        if (RuleClearAhead(a, b))
            return true;
        if (RuleClearAhead(b, a))
            return false;
        return a.FX >= b.FX; // the boat further right; A on a tie
    }
    if (bTacking)
        return true;
    if (!RuleSameTack(a, b))
        return RuleIsStarboard(a);
    if (!RuleOverlapped(a, b))
        return RuleClearAhead(a, b);
    return RuleIsLeeward(a, b);
}

} // namespace zov
