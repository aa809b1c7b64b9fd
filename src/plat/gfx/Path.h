#pragma once
// An outline built of figures (lines, curves, arcs, ellipses, polygons), filled with the
// alternate (even-odd) rule. It keeps the "open figure" state: segments continue the current
// figure until it is closed.

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace gfx {

class Path {
public:
    Path();

    // Removes every figure; the path still exists and hits nothing.
    void reset();
    bool isEmpty() const { return m_path.isEmpty(); }

    // Straight segment from A to B, joined to the open figure.
    void addLine(QPointF a, QPointF b);
    void closeFigure();
    void startFigure();

    // Whether the integer point lies inside the filled outline.
    bool contains(int x, int y) const;
    // Bounds of the points of the path (not widened by any pen).
    QRectF pointBounds() const;

    const QPainterPath& qpath() const { return m_path; }
    QPainterPath& qpath() { return m_path; }

protected:
    // Continues the open figure at P: a line from the current point, or a new figure.
    void continueAt(QPointF p);

    QPainterPath m_path;
    bool m_figureOpen = false;
};

} // namespace gfx
