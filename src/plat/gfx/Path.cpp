#include "plat/gfx/Path.h"

#include "plat/gfx/Pen.h"
#include "plat/rt/Errors.h"
#include "plat/rt/Numeric.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace gfx {

namespace {

constexpr double TwoPi = 2.0 * rt::Pi;

double radians(double degrees) { return degrees * rt::Pi / 180.0; }

// The parametric angle of the ellipse point that lies on the polar ray THETA, kept in the same
// turn as THETA so that sweeps of several quarters stay monotonic.
double parametricAngle(double theta, double rx, double ry)
{
    double phi = std::atan2(rx * std::sin(theta), ry * std::cos(theta));
    phi += TwoPi * static_cast<double>(rt::Round((theta - phi) / TwoPi));
    return phi;
}

bool finite(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

QPointF ellipsePoint(QPointF c, double rx, double ry, double phi)
{
    return { c.x() + rx * std::cos(phi), c.y() + ry * std::sin(phi) };
}

// Half up: the rule by which a float rectangle becomes an integer one.
int roundHalfUp(double v)
{
    const double r = std::floor(v + 0.5);
    if (!std::isfinite(r) || r < std::numeric_limits<int>::min() || r > std::numeric_limits<int>::max())
        throw rt::RangeError("Path bounds out of range");
    return static_cast<int>(r);
}

// The cardinal spline through POINTS (at least two) as Bezier segments, each handed to
// SEGMENT(c1, c2, end) in order: each segment Pi -> Pi+1 is a cubic whose tangents follow the
// neighbours; the ends use themselves as their missing neighbour.
template <class Segment> void cardinalSegments(std::span<const QPointF> points, float tension, Segment&& segment)
{
    const std::size_t n = points.size();
    const double k = static_cast<double>(tension) / 3.0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const QPointF prev = points[i == 0 ? 0 : i - 1];
        const QPointF p = points[i];
        const QPointF next = points[i + 1];
        const QPointF after = points[i + 2 < n ? i + 2 : n - 1];
        segment(p + k * (next - prev), next - k * (after - p), next);
    }
}

} // namespace

Path::Path()
{
    m_path.setFillRule(Qt::OddEvenFill);
}

void Path::reset()
{
    m_path = QPainterPath();
    m_path.setFillRule(Qt::OddEvenFill);
    m_figureOpen = false;
    m_points.clear();
}

// Points that are not finite are left out, as the Qt path leaves them out, so that the point
// list and the drawn outline always agree.
void Path::continueAt(QPointF p)
{
    if (!finite(p))
        return;
    if (m_figureOpen)
        m_path.lineTo(p);
    else {
        m_path.moveTo(p);
        m_figureOpen = true;
    }
    m_points.push_back(p);
}

void Path::lineTo(QPointF p)
{
    if (!finite(p))
        return;
    m_path.lineTo(p);
    m_points.push_back(p);
}

void Path::cubicTo(QPointF c1, QPointF c2, QPointF e)
{
    if (!finite(c1) || !finite(c2) || !finite(e))
        return;
    m_path.cubicTo(c1, c2, e);
    m_points.insert(m_points.end(), { c1, c2, e });
}

void Path::addLine(QPointF a, QPointF b)
{
    continueAt(a);
    lineTo(b);
}

void Path::addLine(double x1, double y1, double x2, double y2)
{
    addLine(QPointF(x1, y1), QPointF(x2, y2));
}

void Path::addLines(std::span<const QPointF> points)
{
    if (points.empty())
        return;
    continueAt(points[0]);
    for (std::size_t i = 1; i < points.size(); ++i)
        lineTo(points[i]);
}

void Path::addCurve(std::span<const QPointF> points, float tension)
{
    const std::size_t n = points.size();
    if (n < 2)
        return;
    m_points.reserve(m_points.size() + 3 * n - 2);
    m_path.reserve(m_path.elementCount() + int(3 * n - 2));
    continueAt(points[0]);
    cardinalSegments(points, tension, [this](QPointF c1, QPointF c2, QPointF e) { cubicTo(c1, c2, e); });
}

QRectF Path::curvePointBounds(std::span<const QPointF> points, float tension)
{
    if (points.size() < 2)
        return QRectF();
    double left = points[0].x(), right = left, top = points[0].y(), bottom = top;
    const auto grow = [&](QPointF p) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    };
    cardinalSegments(points, tension, [&](QPointF c1, QPointF c2, QPointF e) {
        grow(c1);
        grow(c2);
        grow(e);
    });
    return QRectF(left, top, right - left, bottom - top);
}

void Path::addBezier(QPointF p0, QPointF c1, QPointF c2, QPointF p3)
{
    continueAt(p0);
    cubicTo(c1, c2, p3);
}

void Path::addBeziers(std::span<const QPointF> points)
{
    if (points.size() < 4)
        return;
    continueAt(points[0]);
    for (std::size_t i = 1; i + 2 < points.size(); i += 3)
        cubicTo(points[i], points[i + 1], points[i + 2]);
}

void Path::addArc(const QRectF& rect, float startAngle, float sweepAngle)
{
    // An arc with no defined angles adds nothing; any start angle is one turn at most away.
    if (!std::isfinite(startAngle) || !std::isfinite(sweepAngle))
        return;
    const double rx = rect.width() / 2.0;
    const double ry = rect.height() / 2.0;
    const QPointF c = rect.center();
    const double sweep = std::clamp(static_cast<double>(sweepAngle), -360.0, 360.0);
    const double start = radians(std::fmod(static_cast<double>(startAngle), 360.0));
    const double end = start + radians(sweep);

    // Quarter turns at most per Bezier, split on the polar angles; each piece is converted to the
    // parametric angles of the ellipse, where the usual Bezier arc approximation applies.
    const double step = sweep < 0 ? -rt::Pi / 2 : rt::Pi / 2;
    const int count = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / 90.0 - 1e-9)));
    double a = start;
    for (int i = 0; i < count; ++i) {
        const double b = (i == count - 1) ? end : a + step;
        const double pa = parametricAngle(a, rx, ry);
        const double pb = parametricAngle(b, rx, ry);
        const double h = 4.0 / 3.0 * std::tan((pb - pa) / 4.0);
        const QPointF p0 = ellipsePoint(c, rx, ry, pa);
        const QPointF p3 = ellipsePoint(c, rx, ry, pb);
        const QPointF c1 = p0 + h * QPointF(-rx * std::sin(pa), ry * std::cos(pa));
        const QPointF c2 = p3 - h * QPointF(-rx * std::sin(pb), ry * std::cos(pb));
        if (i == 0)
            continueAt(p0);
        cubicTo(c1, c2, p3);
        a = b;
    }
}

void Path::addEllipse(const QRectF& rect)
{
    startFigure();
    addArc(rect, 0.0f, 360.0f);
    closeFigure();
}

void Path::addRectangle(const QRectF& rect)
{
    const QPointF corners[] = { rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft() };
    addPolygon(corners);
}

void Path::addPolygon(std::span<const QPointF> points)
{
    if (points.empty())
        return;
    startFigure();
    addLines(points);
    closeFigure();
}

void Path::closeFigure()
{
    if (m_figureOpen)
        m_path.closeSubpath();
    m_figureOpen = false;
}

void Path::startFigure()
{
    m_figureOpen = false;
}

bool Path::contains(int x, int y) const
{
    return m_path.contains(QPointF(x, y));
}

QRectF Path::pointBounds() const
{
    return m_path.controlPointRect();
}

QRect Path::boundsWithPen(const Pen& pen) const
{
    if (m_points.empty())
        return QRect(0, 0, 0, 0);
    const QRectF b = pointBounds();
    const double w = pen.width;
    // The library does not stroke the outline: it reserves room for the longest miter any join
    // could have, except on a lone segment, which has no join.
    const double grow = m_points.size() > 2 ? std::max(w / 2.0, w * PenMiterLimit / 2.0) : w / 2.0;
    const QRectF r = b.adjusted(-grow, -grow, grow, grow);
    return QRect(roundHalfUp(r.x()), roundHalfUp(r.y()), roundHalfUp(r.width()), roundHalfUp(r.height()));
}

QPointF Path::firstPoint() const
{
    return m_points.empty() ? QPointF() : m_points.front();
}

QPointF Path::lastPoint() const
{
    return m_points.empty() ? QPointF() : m_points.back();
}

} // namespace gfx
