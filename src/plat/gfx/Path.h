#pragma once
// An outline built of figures (lines, curves, arcs, ellipses, polygons), filled with the
// alternate (even-odd) rule. It keeps the "open figure" state: segments continue the current
// figure until it is closed. Besides the Qt path it keeps the path points in the order the
// figures produced them (curves as Bezier control points), which the bounds rule and callers
// that look at the first and last point need. Points that are not finite are left out.

#include <QPainterPath>
#include <QPointF>
#include <QRect>
#include <QRectF>

#include <span>
#include <vector>

namespace gfx {

struct Pen;

class Path {
public:
    Path();

    // Removes every figure; the path still exists and hits nothing.
    void reset();
    // Whether the path holds no figure.
    bool isEmpty() const { return m_path.isEmpty(); }

    // Straight segment from A to B, joined to the open figure.
    void addLine(QPointF a, QPointF b);
    // Straight segment from (x1, y1) to (x2, y2), joined to the open figure.
    void addLine(double x1, double y1, double x2, double y2);
    // Polyline through the points, joined to the open figure.
    void addLines(std::span<const QPointF> points);
    // Cardinal spline through the points (tension 0.5 by default); two points give a straight
    // segment, fewer add nothing.
    void addCurve(std::span<const QPointF> points, float tension = 0.5f);
    // One cubic Bezier from P0 to P3, joined to the open figure.
    void addBezier(QPointF p0, QPointF c1, QPointF c2, QPointF p3);
    // Chained Beziers: a start point then three points per segment; a partial segment is ignored.
    void addBeziers(std::span<const QPointF> points);
    // Arc of the ellipse inscribed in RECT. Angles are polar degrees measured clockwise from +x;
    // a positive sweep runs clockwise. Joined to the open figure by a straight segment.
    void addArc(const QRectF& rect, float startAngle, float sweepAngle);
    // Closed ellipse inscribed in RECT, as a figure of its own.
    void addEllipse(const QRectF& rect);
    // Closed rectangle, as a figure of its own.
    void addRectangle(const QRectF& rect);
    // Closed polygon through the points, as a figure of its own.
    void addPolygon(std::span<const QPointF> points);
    // Closes the open figure back to its first point; the next segment starts a new figure.
    void closeFigure();
    // Leaves the open figure open; the next segment starts a new figure.
    void startFigure();

    // Whether the integer point lies inside the filled outline (open figures count as closed).
    bool contains(int x, int y) const;
    // Bounds of the points of the path (not widened by any pen).
    QRectF pointBounds() const;
    // The bounds pointBounds gives for a path of nothing but addCurve(POINTS, TENSION), all of
    // them finite and at least two, worked out without building the path.
    static QRectF curvePointBounds(std::span<const QPointF> points, float tension = 0.5f);
    // Integer bounds widened for PEN, the bounds repaints and hit tests rely on: the point bounds
    // grown by the pen's miter reach (5 x width) when the path has more than two points, by half
    // the width otherwise; x, y, width and height each rounded half up. Empty path: (0,0,0,0).
    // Throws rt::RangeError when a coordinate is out of the integer range.
    QRect boundsWithPen(const Pen& pen) const;

    // The path points in order (start points, line ends, Bezier control and end points).
    const std::vector<QPointF>& points() const { return m_points; }
    // First and last path point; (0,0) for an empty path.
    QPointF firstPoint() const;
    QPointF lastPoint() const;

    // The Qt path drawn and hit-tested. Changes made through it bypass the point list.
    const QPainterPath& qpath() const { return m_path; }
    QPainterPath& qpath() { return m_path; }

protected:
    // Continues the open figure at P: a line from the current point, or a new figure.
    void continueAt(QPointF p);

    QPainterPath m_path;
    bool m_figureOpen = false;

private:
    void cubicTo(QPointF c1, QPointF c2, QPointF e);
    void lineTo(QPointF p);

    std::vector<QPointF> m_points;
};

} // namespace gfx
