#include "model/Bezier.h"
#include "model/Courbe.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "support/FakeDiagram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace zov;
using zovtest::FakeDiagram;

namespace {
constexpr double Pi = 3.14159265358979323846;

double headingOf(double angle) { return 90 - angle * 180 / Pi; }
} // namespace

TEST(ArcTan2, CoversEveryQuadrantAndTheAxes)
{
    EXPECT_DOUBLE_EQ(ArcTan2(0, 0), Pi / 2);
    EXPECT_DOUBLE_EQ(ArcTan2(-1, 0), Pi);
    EXPECT_DOUBLE_EQ(ArcTan2(0, -1), -Pi / 2);
    EXPECT_DOUBLE_EQ(ArcTan2(1, 1), Pi / 4);
    EXPECT_DOUBLE_EQ(ArcTan2(-1, -1), 5 * Pi / 4);
    EXPECT_DOUBLE_EQ(ArcTan2(1, -1), -Pi / 4);
    EXPECT_EQ(Sign(0), 1.0);
    EXPECT_EQ(Sign(-0.1), -1.0);
    EXPECT_DOUBLE_EQ(Distance(0, 0, 3, 4), 5);
}

TEST(CourbeSetup, ControlPointsLieAlongBothHeadings)
{
    FakeDiagram d;
    // Both headings along the line from start to end: both controls at the midpoint.
    auto* a = new TBateauCourse({ 0, 0 }, 90, 1, 0, 0);
    auto* b = new TBateauCourse({ 200, 0 }, 90, 1, 0, 0);
    d.FRoot = a;
    a->AddNext(b);
    const TCourbe& c = *b->FCourbe;
    EXPECT_EQ(c.FP0, (TPoint { 0, 0 }));
    EXPECT_EQ(c.FP1, (TPoint { 100, 0 }));
    EXPECT_EQ(c.FP2, (TPoint { 100, 0 }));
    EXPECT_EQ(c.FP3, (TPoint { 200, 0 }));
    EXPECT_EQ(c.FStartAngle, 90);
    EXPECT_EQ(c.FEndAngle, 90);

    // Heading 0 points up (towards negative y); d = half of 100 = 50.
    a->Rotate(true, 0);
    b->MoveTo({ 0, -100 }, true);
    b->Rotate(true, 180);
    EXPECT_EQ(b->FCourbe->FP1, (TPoint { 0, -50 }));
    EXPECT_EQ(b->FCourbe->FP2, (TPoint { 0, -150 })); // d behind the end along its heading

    // Moving the first step refits the track that starts there; a head has no track.
    a->MoveTo({ 10, 0 }, true);
    EXPECT_EQ(b->FCourbe->FP0, (TPoint { 10, 0 }));
    EXPECT_EQ(a->FTrackVisible, 0);
    EXPECT_EQ(d.FUndoStack.size(), 0u);
}

TEST(CourbeSetup, RoundsHalvesToEven)
{
    FakeDiagram d;
    // Distance 5 gives d = 2.5; at heading 0 the controls lie 2.5 straight up from each end.
    auto* a = new TBateauCourse({ 0, 0 }, 0, 1, 0, 0);
    auto* b = new TBateauCourse({ -4, -3 }, 0, 1, 0, 0);
    d.FRoot = a;
    a->AddNext(b);
    EXPECT_EQ(b->FCourbe->FP1, (TPoint { 0, -2 }));  // -2.5 -> -2
    EXPECT_EQ(b->FCourbe->FP2, (TPoint { -4, 0 })); // -3 + 2.5 = -0.5 -> 0

    // At heading 90 the angle held in single precision is a little beyond pi/2, so the sine
    // is a little below 1: 3 - 2.4999999999999978 is just above a half.
    a->Rotate(true, 90);
    b->MoveTo({ 3, 4 }, true);
    b->Rotate(true, 90);
    EXPECT_EQ(b->FCourbe->FP1.x, 2);
    EXPECT_EQ(b->FCourbe->FP2.x, 1);
}

// Only the angle is held in single precision: its sine and cosine are taken in double, so a
// control point that lies just short of a half rounds the way the exact value does.
TEST(CourbeSetup, SineAndCosineOfTheSinglePrecisionAngleAreTakenInDouble)
{
    FakeDiagram d;
    // Heading 180 is held as pi in single precision, a little more than pi: its cosine is a
    // little above -1, so d cos a is 1.4999999999999998 in size, not 1.5.
    auto* a = new TBateauCourse({ 0, 0 }, 180, 1, 0, 0);
    auto* b = new TBateauCourse({ 3, 0 }, 180, 1, 0, 0);
    d.FRoot = a;
    a->AddNext(b);
    EXPECT_EQ(b->FCourbe->FP1, (TPoint { 0, 1 }));
    EXPECT_EQ(b->FCourbe->FP2, (TPoint { 3, -1 }));
}

TEST(Bezier, LengthOfStraightAndCurvedTracks)
{
    TBezier straight({ 0, 0 }, { 10, 0 }, { 20, 0 }, { 30, 0 });
    EXPECT_DOUBLE_EQ(straight.Length(), 30);
    TBezier point({ 5, 5 }, { 5, 5 }, { 5, 5 }, { 5, 5 });
    EXPECT_EQ(point.Length(), 0);
    // A quarter circle of radius 100 drawn as a cubic is about 157.08 long.
    TBezier quarter({ 100, 0 }, { 100, 55 }, { 55, 100 }, { 0, 100 });
    EXPECT_NEAR(quarter.Length(), 157.0, 0.5);
    EXPECT_EQ(quarter.PointAt(0), (TPoint { 100, 0 }));
    EXPECT_EQ(quarter.PointAt(1), (TPoint { 0, 100 }));
}

TEST(Bezier, SplitsReassembleTheCurve)
{
    TBezier curve({ 0, 0 }, { 30, 90 }, { 120, -40 }, { 200, 10 });
    TBezier left, right;
    curve.SplitHalf(left, right);
    EXPECT_DOUBLE_EQ(left.FX[0], 0);
    EXPECT_DOUBLE_EQ(left.FX[3], right.FX[0]);
    EXPECT_DOUBLE_EQ(right.FX[3], 200);
    EXPECT_NEAR(left.Length() + right.Length(), curve.Length(), 1e-6);

    TBezier rest, head;
    rest.CopyFrom(curve);
    rest.SplitAt(head, 0.3);
    const TPoint at = curve.PointAt(0.3);
    EXPECT_NEAR(head.FX[3], at.x, 0.5);
    EXPECT_NEAR(rest.FY[0], at.y, 0.5);
    EXPECT_DOUBLE_EQ(rest.FX[3], 200);
}

TEST(Bezier, ParamAtLengthFindsEvenSpacingAndAlwaysEnds)
{
    TBezier even({ 0, 0 }, { 100, 0 }, { 200, 0 }, { 300, 0 });
    EXPECT_EQ(even.ParamAtLength(0), 0);
    EXPECT_NEAR(even.ParamAtLength(0.5), 0.5, 0.001);
    EXPECT_EQ(even.ParamAtLength(1), 1);
    EXPECT_EQ(even.ParamAtLength(1.5), 1);
    TBezier point({ 7, 7 }, { 7, 7 }, { 7, 7 }, { 7, 7 });
    EXPECT_EQ(point.ParamAtLength(0.25), 1);
    EXPECT_EQ(point.ParamAtLength(0), 0);

    // Random, huge and nearly degenerate curves: the bisection returns, with T in 0..1.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-30000, 30000);
    for (int i = 0; i < 200; ++i) {
        TBezier c({ coord(rng), coord(rng) }, { coord(rng), coord(rng) }, { coord(rng), coord(rng) },
            { coord(rng), coord(rng) });
        for (double f : { 0.05, 0.5, 0.95 }) {
            const double t = c.ParamAtLength(f);
            ASSERT_GE(t, 0);
            ASSERT_LE(t, 1);
        }
    }
    TBezier cusp({ 0, 0 }, { 1, 0 }, { 0, 0 }, { 1, 0 });
    EXPECT_LE(cusp.ParamAtLength(0.5), 1.0);
}

// A measured length that jumps over the target never comes within the tolerance: the bisection
// ends as soon as its interval no longer shrinks, at the jump.
TEST(Bezier, BisectionEndsWhenTheIntervalNoLongerShrinks)
{
    int measures = 0;
    const double t = BisectLength(
        [&](double at) {
            ++measures;
            return at < 0.3 ? 0.0 : 100.0;
        },
        50.0);
    EXPECT_NEAR(t, 0.3, 1e-15);
    EXPECT_LE(measures, 60); // about as many halvings as a double has bits
}

TEST(Animation, GhostRunsAlongTheTrackAtEvenSpeed)
{
    FakeDiagram d;
    d.FBoatCount = 1;
    auto* a = new TBateauCourse({ 0, 0 }, 90, 1, 0, 0);
    auto* b = new TBateauCourse({ 400, 0 }, 90, 1, 0, 0);
    b->FSituation = 2;
    d.FRoot = a;
    a->AddNext(b);
    FramesPerStep = 20;

    std::unique_ptr<TBateau> ghost = TBateau::CreateGhost(*a);
    EXPECT_EQ(ghost->FGhost, 1);
    EXPECT_EQ(ghost->FCourbe, nullptr);
    EXPECT_EQ(ghost->FPath, nullptr);
    ASSERT_NE(ghost->FBezier, nullptr);
    EXPECT_NE(dynamic_cast<TBateauCourse*>(ghost.get()), nullptr);
    EXPECT_EQ(ghost->FBoatIndex, 1);

    ghost->AnimateFrame(0);
    EXPECT_EQ(ghost->Pos(), (TPoint { 0, 0 }));
    EXPECT_FLOAT_EQ(ghost->FHeading, 90);
    ghost->AnimateFrame(10);
    EXPECT_NEAR(ghost->FX, 200, 1);
    ghost->AnimateFrame(FramesPerStep);
    EXPECT_EQ(ghost->Pos(), (TPoint { 400, 0 }));

    // The last step has no track onward: the copy stays where it is.
    std::unique_ptr<TBateau> last = TBateau::CreateGhost(*b);
    EXPECT_EQ(last->FBezier, nullptr);
    last->AnimateFrame(5);
    EXPECT_EQ(last->Pos(), (TPoint { 400, 0 }));
}

TEST(Animation, GhostFollowsTheHeadingOfACurvedTrack)
{
    FakeDiagram d;
    auto* a = new TBateauCourse({ 0, 0 }, 0, 1, 0, 0);
    auto* b = new TBateauCourse({ 300, -300 }, 90, 1, 0, 0);
    d.FRoot = a;
    a->AddNext(b);
    FramesPerStep = 20;
    std::unique_ptr<TBateau> ghost = TBateau::CreateGhost(*a);
    ghost->AnimateFrame(0);
    EXPECT_NEAR(ghost->FHeading, 0, 0.01);
    ghost->AnimateFrame(10);
    EXPECT_NEAR(ghost->FHeading, 45, 5);
    ghost->AnimateFrame(20);
    EXPECT_NEAR(ghost->FHeading, 90, 0.01);
    EXPECT_NEAR(headingOf(ArcTan2(1, 0)), 90, 1e-9);
}

TEST(Animation, ABoatThatStaysOnTheSpotTurnsFromOneHeadingToTheNext)
{
    FakeDiagram d;
    auto* a = new TBateauJuge({ 50, 50 }, 90, 1);
    auto* b = new TBateauJuge({ 50, 50 }, 120, 1);
    d.FRoot = a;
    a->AddNext(b);
    FramesPerStep = 20;
    std::unique_ptr<TBateau> ghost = TBateau::CreateGhost(*a);
    for (int i = 0; i <= FramesPerStep; ++i) {
        ghost->AnimateFrame(i);
        EXPECT_EQ(ghost->Pos(), (TPoint { 50, 50 }));
        EXPECT_GE(ghost->FHeading, 90) << i;
        EXPECT_LE(ghost->FHeading, 120) << i;
    }
    EXPECT_FLOAT_EQ(ghost->FHeading, 120);

    // Across the -180/180 seam the turn takes the short way.
    a->FHeading = 170;
    b->FHeading = -170;
    ghost = TBateau::CreateGhost(*a);
    ghost->AnimateFrame(10);
    EXPECT_TRUE(ghost->FHeading >= 170 || ghost->FHeading <= -170) << ghost->FHeading;
}

TEST(Animation, AGhostOfACommitteeBoatDoesNotBecomeTheDiagramsCommitteeBoat)
{
    FakeDiagram d;
    TBateauComite committee({ 0, 0 }, 0, 1);
    d.FCommittee = nullptr; // e.g. deleted but still undoable
    std::unique_ptr<TBateau> ghost = TBateau::CreateGhost(committee);
    EXPECT_EQ(d.FCommittee, nullptr);
}
