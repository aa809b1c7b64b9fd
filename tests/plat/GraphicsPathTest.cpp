#include "plat/gfx/Path.h"
#include "plat/gfx/Pen.h"
#include "plat/rt/Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

void expectNear(QPointF actual, QPointF expected, double tolerance = 0.01)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance) << "expected (" << expected.x() << ", " << expected.y() << ")";
    EXPECT_NEAR(actual.y(), expected.y(), tolerance) << "expected (" << expected.x() << ", " << expected.y() << ")";
}

double polarDegrees(QPointF p, QPointF centre)
{
    return std::atan2(p.y() - centre.y(), p.x() - centre.x()) * 180.0 / 3.14159265358979323846;
}

int moveCount(const QPainterPath& path)
{
    int n = 0;
    for (int i = 0; i < path.elementCount(); ++i)
        n += path.elementAt(i).isMoveTo();
    return n;
}

} // namespace

TEST(GraphicsPath, CardinalSplineControlPoints)
{
    const std::vector<QPointF> pts { { 0, 0 }, { 10, 10 }, { 10, 20 }, { 30, 10 } };

    // Reference control points of the native library for tension 0.5.
    gfx::Path half;
    half.addCurve(pts);
    const std::vector<QPointF> expected { { 0, 0 }, { 1.67, 1.67 }, { 8.33, 6.67 }, { 10, 10 }, { 11.67, 13.33 },
        { 6.67, 20 }, { 10, 20 }, { 13.33, 20 }, { 26.67, 11.67 }, { 30, 10 } };
    ASSERT_EQ(half.points().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        expectNear(half.points()[i], expected[i]);

    // Tension 1 doubles the reach of the controls.
    gfx::Path full;
    full.addCurve(pts, 1.0f);
    expectNear(full.points()[1], { 10.0 / 3, 10.0 / 3 });
    expectNear(full.points()[2], { 10 - 10.0 / 3, 10 - 20.0 / 3 });

    // Two points: a straight segment (controls on the chord), still four path points.
    gfx::Path two;
    two.addCurve(std::vector<QPointF> { { 0, 0 }, { 60, 30 } });
    ASSERT_EQ(two.points().size(), 4u);
    expectNear(two.points()[1], { 10, 5 });
    expectNear(two.points()[2], { 50, 25 });

    // One point draws nothing.
    gfx::Path one;
    one.addCurve(std::vector<QPointF> { { 5, 5 } });
    EXPECT_TRUE(one.isEmpty());
}

TEST(GraphicsPath, ArcsUsePolarAnglesClockwise)
{
    // 100 x 50 ellipse: the 30 degree polar ray differs from the 30 degree parameter.
    const QRectF rect(0, 0, 100, 50);
    const QPointF centre = rect.center();
    gfx::Path arc;
    arc.addArc(rect, 30.0f, 60.0f);
    const QPointF start = arc.firstPoint();
    EXPECT_NEAR(polarDegrees(start, centre), 30.0, 1e-6);
    EXPECT_NEAR(std::pow((start.x() - 50) / 50, 2) + std::pow((start.y() - 25) / 25, 2), 1.0, 1e-9);
    expectNear(arc.lastPoint(), { 50, 50 }, 1e-9); // 90 degrees clockwise from +x: straight down

    // Nothing joins the first arc of a path to the origin.
    const QPainterPath& q = arc.qpath();
    ASSERT_GT(q.elementCount(), 0);
    EXPECT_TRUE(q.elementAt(0).isMoveTo());
    expectNear(QPointF(q.elementAt(0)), start, 1e-9);
    EXPECT_FALSE(q.controlPointRect().contains(QPointF(0, 0)));

    // A negative sweep runs anticlockwise: from +x up to the top.
    gfx::Path back;
    back.addArc(rect, 0.0f, -90.0f);
    expectNear(back.firstPoint(), { 100, 25 }, 1e-9);
    expectNear(back.lastPoint(), { 50, 0 }, 1e-9);
    EXPECT_LT(back.points()[2].y(), 25.0);

    // A long sweep is split in quarters and keeps going round (450 is clamped to a full turn).
    gfx::Path turn;
    turn.addArc(QRectF(-10, -10, 20, 20), 45.0f, 450.0f);
    EXPECT_EQ(turn.points().size(), 13u);
    expectNear(turn.lastPoint(), turn.firstPoint(), 1e-9);

    // An arc continuing an open figure is joined to it by a straight segment.
    gfx::Path joined;
    joined.addLine(0, 0, 10, 0);
    joined.addArc(QRectF(20, 0, 20, 20), 180.0f, 90.0f);
    EXPECT_EQ(moveCount(joined.qpath()), 1);
    expectNear(joined.points()[2], { 20, 10 }, 1e-9);

    // Angles from a damaged file: a huge start is taken modulo a turn, undefined angles add nothing.
    gfx::Path far;
    const float farStart = 30.0f + 360.0f * 1e6f;
    far.addArc(rect, farStart, 60.0f);
    EXPECT_NEAR(polarDegrees(far.firstPoint(), centre), std::fmod(double(farStart), 360.0), 1e-3);
    gfx::Path undefined;
    undefined.addArc(rect, std::nanf(""), 60.0f);
    undefined.addArc(rect, 0.0f, std::numeric_limits<float>::infinity());
    EXPECT_TRUE(undefined.isEmpty());
}

TEST(GraphicsPath, BoundsWidenedByPen)
{
    gfx::Pen pen;
    pen.width = 2.0f;

    // More than two points: room for the longest miter, 10 units each side for width 2.
    gfx::Path rect;
    rect.addRectangle(QRectF(10, 20, 100, 50));
    EXPECT_EQ(rect.pointBounds(), QRectF(10, 20, 100, 50));
    EXPECT_EQ(rect.boundsWithPen(pen), QRect(0, 10, 120, 70));

    // A lone segment has no join: half the width.
    gfx::Path line;
    line.addLine(0, 0, 100, 0);
    EXPECT_EQ(line.boundsWithPen(pen), QRect(-1, -1, 102, 2));

    // Coordinates round half up, not half to even.
    gfx::Pen hairline;
    hairline.width = 0.0f;
    gfx::Path half;
    half.addLine(2.5, 0.5, 10, 4);
    EXPECT_EQ(half.boundsWithPen(hairline), QRect(3, 1, 8, 4));

    EXPECT_EQ(gfx::Path().boundsWithPen(pen), QRect(0, 0, 0, 0));

    // Points that are not finite are left out of both the outline and the point list;
    // finite ones too large for integer bounds are a range error.
    gfx::Path broken;
    broken.addLine(0, 0, std::numeric_limits<double>::infinity(), 0);
    broken.addLine(10, std::nan(""), 10, 10);
    EXPECT_EQ(broken.points().size(), 2u);
    EXPECT_EQ(broken.boundsWithPen(pen), QRect(-1, -1, 12, 12));
    gfx::Path huge;
    huge.addLine(0, 0, 1e12, 0);
    EXPECT_THROW(huge.boundsWithPen(pen), rt::RangeError);
}

TEST(GraphicsPath, FiguresAndAlternateFill)
{
    // Nested squares: the inner one is a hole.
    gfx::Path frame;
    frame.addRectangle(QRectF(0, 0, 100, 100));
    frame.addRectangle(QRectF(25, 25, 50, 50));
    EXPECT_TRUE(frame.contains(10, 10));
    EXPECT_FALSE(frame.contains(50, 50));
    EXPECT_FALSE(frame.contains(150, 50));
    EXPECT_EQ(moveCount(frame.qpath()), 2);
    EXPECT_EQ(frame.points().size(), 8u);

    // Segments continue the open figure; an unclosed figure still fills.
    gfx::Path hull;
    hull.addLine(0, 0, 40, 0);
    hull.addLine(40, 40, 0, 40);
    EXPECT_EQ(moveCount(hull.qpath()), 1);
    EXPECT_TRUE(hull.contains(20, 20));
    hull.closeFigure();
    hull.addLine(100, 100, 110, 100); // after a close, a new figure
    EXPECT_EQ(moveCount(hull.qpath()), 2);

    // A figure left open by startFigure is not joined to the next one.
    gfx::Path apart;
    apart.addLine(0, 0, 10, 0);
    apart.startFigure();
    apart.addLine(0, 10, 10, 10);
    EXPECT_EQ(moveCount(apart.qpath()), 2);

    // Ellipse and polygon are closed figures of their own; the next segment does not join them.
    gfx::Path mark;
    mark.addEllipse(QRectF(-10, -10, 20, 20));
    EXPECT_EQ(mark.points().size(), 13u);
    EXPECT_TRUE(mark.contains(0, 0));
    EXPECT_TRUE(mark.contains(6, 6));
    EXPECT_FALSE(mark.contains(8, 8));
    mark.addPolygon(std::vector<QPointF> { { 20, 0 }, { 30, 0 }, { 25, 10 } });
    EXPECT_EQ(moveCount(mark.qpath()), 2);
    EXPECT_TRUE(mark.contains(25, 4));

    // Reset: the path still exists, empty, and hits nothing.
    mark.reset();
    EXPECT_TRUE(mark.isEmpty());
    EXPECT_TRUE(mark.points().empty());
    EXPECT_FALSE(mark.contains(0, 0));
    EXPECT_EQ(mark.qpath().fillRule(), Qt::OddEvenFill);
}
