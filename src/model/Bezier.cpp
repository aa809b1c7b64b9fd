#include "model/Bezier.h"

#include "plat/rt/Numeric.h"

#include <cmath>

namespace zov {

namespace {
// Subdivision depth beyond which the polygon is taken as the length: well past double
// precision for any real track, and a stop for curves with non-finite coordinates.
constexpr int MaxLengthDepth = 48;
} // namespace

TBezier::TBezier(TPoint p0, TPoint p1, TPoint p2, TPoint p3)
{
    const TPoint p[4] = { p0, p1, p2, p3 };
    for (int i = 0; i < 4; ++i) {
        FX[i] = p[i].x;
        FY[i] = p[i].y;
    }
}

void TBezier::CopyFrom(const TBezier& source)
{
    for (int i = 0; i < 4; ++i) {
        FX[i] = source.FX[i];
        FY[i] = source.FY[i];
    }
}

TPoint TBezier::PointAt(double t) const
{
    const double u = 1 - t;
    const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * t * t * u, b3 = t * t * t;
    const double x = b0 * FX[0] + b1 * FX[1] + b2 * FX[2] + b3 * FX[3];
    const double y = b0 * FY[0] + b1 * FY[1] + b2 * FY[2] + b3 * FY[3];
    return { rt::RoundI32(x), rt::RoundI32(y) };
}

double TBezier::Length() const
{
    return LengthAtDepth(0);
}

double TBezier::LengthAtDepth(int depth) const
{
    const double polygon = Distance(FX[0], FY[0], FX[1], FY[1]) + Distance(FX[1], FY[1], FX[2], FY[2])
        + Distance(FX[2], FY[2], FX[3], FY[3]);
    const double chord = Distance(FX[0], FY[0], FX[3], FY[3]);
    if (polygon - chord <= 0.01 || depth >= MaxLengthDepth || !std::isfinite(polygon))
        return polygon;
    TBezier left, right;
    SplitHalf(left, right);
    return left.LengthAtDepth(depth + 1) + right.LengthAtDepth(depth + 1);
}

void TBezier::SplitHalf(TBezier& left, TBezier& right) const
{
    auto split = [](const double* p, double* l, double* r) {
        const double a = (p[0] + p[1]) / 2, m = (p[1] + p[2]) / 2, b = (p[2] + p[3]) / 2;
        const double l2 = (a + m) / 2, r1 = (m + b) / 2, mid = (l2 + r1) / 2;
        const double p0 = p[0], p3 = p[3];
        l[0] = p0, l[1] = a, l[2] = l2, l[3] = mid;
        r[0] = mid, r[1] = r1, r[2] = b, r[3] = p3;
    };
    split(FX, left.FX, right.FX);
    split(FY, left.FY, right.FY);
}

void TBezier::SplitAt(TBezier& left, double t)
{
    auto split = [t](double* p, double* l) {
        auto lerp = [t](double a, double b) { return a + (b - a) * t; };
        const double a = lerp(p[0], p[1]), m = lerp(p[1], p[2]), b = lerp(p[2], p[3]);
        const double l2 = lerp(a, m), r1 = lerp(m, b), mid = lerp(l2, r1);
        l[0] = p[0], l[1] = a, l[2] = l2, l[3] = mid;
        p[0] = mid, p[1] = r1, p[2] = b;
    };
    split(FX, left.FX);
    split(FY, left.FY);
}

double TBezier::ParamAtLength(double fraction) const
{
    if (fraction == 0)
        return 0;
    const double length = Length();
    const double target = fraction * length;
    if (target > length || std::fabs(length - target) < 0.01)
        return 1;
    TBezier scratch, left;
    return BisectLength(
        [&](double t) {
            scratch.CopyFrom(*this);
            scratch.SplitAt(left, t);
            return left.Length();
        },
        target);
}

void TBezier::Derivative(double t, double& dx, double& dy) const
{
    auto d = [t](const double* p) {
        return 3 * t * t * (p[3] - 3 * p[2] + 3 * p[1] - p[0]) + 6 * t * (p[2] - 2 * p[1] + p[0]) + 3 * (p[1] - p[0]);
    };
    dx = d(FX);
    dy = d(FY);
}

double TBezier::TangentAngle(double t) const
{
    double dx, dy;
    Derivative(t, dx, dy);
    return ArcTan2(dx, -dy);
}

bool TBezier::TangentUndefined(double t) const
{
    double dx, dy;
    Derivative(t, dx, dy);
    return dx == 0 && dy == 0;
}

double Sign(double v)
{
    return v < 0 ? -1.0 : 1.0;
}

double ArcTan2(double x, double y)
{
    if (x > 0)
        return std::atan(y / x);
    if (x < 0)
        return std::atan(y / x) + rt::Pi;
    return Sign(y) * rt::Pi / 2;
}

double Distance(double x1, double y1, double x2, double y2)
{
    return std::sqrt((x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1));
}

} // namespace zov
