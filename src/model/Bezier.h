#pragma once
// A cubic Bezier curve in double precision: the path along which the animation moves a boat
// from one step to the next, at constant speed along the curve.

#include "model/Geometry.h"

#include <cmath>

namespace zov {

class TBezier {
public:
    TBezier() = default;
    TBezier(TPoint p0, TPoint p1, TPoint p2, TPoint p3);

    double FX[4] = { 0, 0, 0, 0 };
    double FY[4] = { 0, 0, 0, 0 };

    void CopyFrom(const TBezier& source);
    // The point at parameter T (0..1), each coordinate rounded half to even.
    TPoint PointAt(double t) const;
    // Arc length, by subdivision until the control polygon is within 0.01 of the chord.
    double Length() const;
    // Fills Left and Right with the halves for 0..0.5 and 0.5..1; this curve is unchanged.
    void SplitHalf(TBezier& left, TBezier& right) const;
    // Fills Left with the part 0..T and keeps the part T..1 in this curve.
    void SplitAt(TBezier& left, double t);
    // The parameter at which the arc length from the start is Fraction x Length.
    double ParamAtLength(double fraction) const;
    // Direction of travel at T, in radians anticlockwise from +x with y turned upwards.
    double TangentAngle(double t) const;
    // Whether the derivative at T vanishes (all control points at one spot): no direction.
    bool TangentUndefined(double t) const;

private:
    double LengthAtDepth(int depth) const;
    void Derivative(double t, double& dx, double& dy) const;
};

// The bisection behind ParamAtLength: the T in 0..1 at which LengthTo(T), growing with T, comes
// within 0.01 of Target. LengthTo is approximate, so the target may never come that close: the
// bisection then ends when its interval no longer shrinks and answers the T it has reached.
template <typename LengthTo> double BisectLength(LengthTo lengthTo, double target)
{
    // A further stop, in case the measure is so erratic that even that takes too long.
    constexpr int MaxBisections = 200;
    double lo = 0, hi = 1, t = 0.5;
    for (int i = 0; i < MaxBisections; ++i) {
        const double measured = lengthTo(t);
        if (std::fabs(measured - target) < 0.01)
            return t;
        if (measured >= target)
            hi = t;
        else
            lo = t;
        const double next = (lo + hi) / 2;
        if (next == t)
            break; // lo and hi are neighbours: the interval cannot shrink any more
        t = next;
    }
    return t;
}

// -1.0 when V < 0, else 1.0.
double Sign(double v);
// Angle of (X, Y) in -pi/2 .. 3 pi/2; ArcTan2(0, 0) is pi/2.
double ArcTan2(double x, double y);
double Distance(double x1, double y1, double x2, double y2);

} // namespace zov
