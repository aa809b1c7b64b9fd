#include "model/Courbe.h"
#include "model/DrawShared.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Graphics.h"
#include "support/FakeDiagram.h"
#include "support/TestCanvas.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zov;
using zovtest::FakeDiagram;

namespace {

struct Canvas : zovtest::TestCanvas {
    explicit Canvas(int w = 120, int h = 140)
        : TestCanvas(w, h)
    {
    }
};

constexpr gfx::Argb Blue = 0xFF2880FF;

} // namespace

TEST(DrawBoats, HullLooksFollowSelectionHoverAndAnimation)
{
    FakeDiagram d;
    TBateauCourse boat({ 50, 70 }, 0, 1, 0, 0);
    boat.FColor = Blue;
    auto look = [&](int x, int y) {
        Canvas c;
        boat.Draw(c.g);
        return c.at(x, y);
    };
    // (58, 75) lies inside the hull and clear of the sail; (62, 70) is on the outline.
    EXPECT_EQ(look(58, 75), Blue);
    EXPECT_EQ(look(62, 70), 0xFF000000u);

    d.FSelected = &boat;
    EXPECT_EQ(look(58, 75), 0xFFFF0000u);
    EXPECT_EQ(look(62, 70), 0xFF000000u);

    d.FSelected = nullptr;
    d.FHovered = &boat;
    EXPECT_EQ(look(58, 75), Blue);
    EXPECT_EQ(look(62, 70), 0xFFFF0000u);
    {
        Canvas c;
        boat.Draw(c.g);
        EXPECT_TRUE(c.dark(50, 60)) << "the sails stay black";
    }
    boat.FColor = 0xFFFF0000;
    EXPECT_EQ(look(58, 75), 0xFFFF8040u);

    // Animation mode: the static picture's boats are faint, the moving copies are not.
    boat.FColor = Blue;
    d.FHovered = nullptr;
    d.FDisplayMode = dmAnimation;
    const QRgb faint = look(58, 75);
    EXPECT_EQ(qAlpha(faint), 0x20);
    EXPECT_NEAR(qBlue(faint), 0xFF, 8);
    EXPECT_NEAR(qRed(faint), 0x28, 8);
    boat.FGhost = 1;
    EXPECT_EQ(look(58, 75), Blue);
}

TEST(DrawBoats, OutlineBoundsAndHitTestFollowTheShape)
{
    FakeDiagram d;
    TBateauCourse boat({ 50, 70 }, 0, 1, 0, 0);
    Canvas c;
    boat.Draw(c.g);
    ASSERT_NE(boat.FPath, nullptr);
    // Bow 50 ahead, transom 40 behind, widened by 10 for the width-2 pen.
    EXPECT_EQ(boat.FBounds.y, 70 - 60);
    EXPECT_GE(boat.FBounds.y + boat.FBounds.h, 70 + 50);
    EXPECT_NEAR(boat.FBounds.x + boat.FBounds.w / 2.0, 50, 1.0);
    EXPECT_NEAR(boat.FBounds.w, 2 * (12 + 10), 2);
    EXPECT_TRUE(boat.HitTest(50, 80));
    EXPECT_TRUE(boat.HitTest(50, 30));
    EXPECT_FALSE(boat.HitTest(50, 15));
    EXPECT_FALSE(boat.HitTest(66, 70));

    // A change of heading empties the outline; the next drawing rebuilds it turned.
    boat.SetHeading(90);
    EXPECT_TRUE(boat.FPath->isEmpty());
    EXPECT_FALSE(boat.HitTest(90, 70)) << "an emptied outline hits nothing";
    boat.Draw(c.g);
    EXPECT_TRUE(boat.HitTest(90, 70));
    EXPECT_FALSE(boat.HitTest(50, 110));
    EXPECT_EQ(boat.FBounds.x, 50 - 50);

    // A ratio of 100 doubles the beam.
    boat.SetHeading(0);
    boat.Draw(c.g);
    EXPECT_FALSE(boat.HitTest(70, 70));
    boat.SetRatio(100);
    Canvas wide;
    boat.Draw(wide.g);
    EXPECT_TRUE(boat.HitTest(70, 70));
    EXPECT_EQ(wide.at(70, 72), boat.FColor);
    EXPECT_NEAR(boat.FBounds.w, 2 * (24 + 10), 3);
}

TEST(DrawBoats, EveryHullTypeHasItsOutline)
{
    FakeDiagram d;
    TBateauCourse boat({ 60, 70 }, 0, 1, 100, 0);
    auto drawHull = [&](int hull) {
        boat.SetHull(hull);
        Canvas c;
        boat.Draw(c.g);
    };
    // Multihull: the area between the hulls belongs to the figure between the beams only; the
    // ratio does not widen it.
    drawHull(1);
    EXPECT_TRUE(boat.HitTest(60, 70));
    EXPECT_TRUE(boat.HitTest(60 + 20, 70));
    EXPECT_FALSE(boat.HitTest(60, 70 + 25));
    EXPECT_FALSE(boat.HitTest(60, 70 - 30));
    EXPECT_FALSE(boat.HitTest(60 + 27, 70));
    // Trimaran: centre hull, floats 33 out, beams at -18 and 23.
    drawHull(3);
    EXPECT_TRUE(boat.HitTest(60, 70 + 27));
    EXPECT_TRUE(boat.HitTest(60 + 33, 70 - 40));
    EXPECT_TRUE(boat.HitTest(60 - 15, 70));
    EXPECT_FALSE(boat.HitTest(60 + 15, 70 + 27));
    EXPECT_FALSE(boat.HitTest(60 + 15, 70 - 30));
    // Optimist: flat bow at -35, broad transom at 55.
    drawHull(2);
    EXPECT_TRUE(boat.HitTest(60, 70 - 33));
    EXPECT_FALSE(boat.HitTest(60, 70 - 37));
    EXPECT_TRUE(boat.HitTest(60 + 15, 70 + 50));
    EXPECT_FALSE(boat.HitTest(60 + 25, 70));
    // An unknown hull type is drawn as a keelboat.
    drawHull(9);
    EXPECT_TRUE(boat.HitTest(60, 70 - 45));
    EXPECT_FALSE(boat.HitTest(60 + 30, 70));
    // Committee boats, spectators and judge boats have their own fixed outlines.
    TBateauComite committee({ 60, 70 }, 0, 1);
    TBateauJuge judge({ 60, 70 }, 0, 1);
    Canvas c;
    committee.Draw(c.g);
    judge.Draw(c.g);
    EXPECT_TRUE(committee.HitTest(60 + 22, 70));
    EXPECT_TRUE(committee.HitTest(60, 70 - 55));
    EXPECT_FALSE(judge.HitTest(60 + 14, 70));
    EXPECT_TRUE(judge.HitTest(60, 70 - 25));
    EXPECT_FALSE(judge.HitTest(60, 70 - 35));
}

TEST(DrawBoats, HiddenPositionIsASmallCircle)
{
    FakeDiagram d;
    TBateauCourse boat({ 50, 50 }, 0, 1, 0, 0);
    boat.FColor = Blue;
    boat.FFlags = flOverlap; // not Visible
    boat.FSpinnaker = 1;
    Canvas c(100, 100);
    boat.Draw(c.g);
    EXPECT_EQ(c.at(52, 50), Blue);
    EXPECT_EQ(boat.FBounds, (TRect4 { 35, 35, 30, 30 }));
    int outside = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (std::abs(x - 50) > 6 || std::abs(y - 50) > 6)
                outside += !c.empty(x, y);
    EXPECT_EQ(outside, 0) << "no sails, spinnaker, overlap line or number";

    EXPECT_FALSE(boat.ShowDetails());
    d.FDisplayMode = dmAnimation;
    EXPECT_FALSE(boat.ShowDetails());
    d.FFrameIndex = 1;
    EXPECT_TRUE(boat.ShowDetails());
}

TEST(DrawBoats, AutomaticTrimSetsTheSailAngle)
{
    FakeDiagram d;
    TBateauCourse boat({ 60, 60 }, 0, 1, 0, 0);
    const std::pair<float, int> trims[] = { { 0, 0 }, { 90, 55 }, { -120, -70 }, { 180, 100 }, { -180, -100 },
        { 10, 5 }, { 45, 33 } };
    for (auto [heading, reglage] : trims) {
        boat.SetHeading(heading);
        boat.AutoTrim();
        EXPECT_EQ(boat.FReglage, reglage) << heading;
    }

    // The main sail sheets 5 closer than the trim; the asymmetric spinnaker brings it back.
    boat.SetHeading(90);
    Canvas c;
    boat.Draw(c.g);
    EXPECT_EQ(boat.FReglage, 50);
    // The sail's far end, 50 degrees clockwise from downwind, belongs to the bounds.
    EXPECT_EQ(boat.FBounds.y + boat.FBounds.h, 60 + 32);
    boat.FSpinnaker = 1;
    boat.FAsymetric = 1;
    boat.Draw(c.g);
    EXPECT_EQ(boat.FReglage, 55);

    // Manual trim is left alone.
    boat.FManualTrimming = 1;
    boat.FReglage = 33;
    boat.Draw(c.g);
    EXPECT_EQ(boat.FReglage, 33);

    // Head to wind the main sail flaps: a wave hanging 50 down from the mast 15 ahead.
    boat.FManualTrimming = 0;
    boat.FSpinnaker = 0;
    boat.SetHeading(0);
    Canvas head;
    boat.Draw(head.g);
    EXPECT_EQ(boat.FReglage, 0);
    EXPECT_TRUE(head.dark(60, 60 - 10));
    EXPECT_TRUE(head.dark(60, 60 + 30));
    EXPECT_FALSE(head.dark(60, 60 + 38));
    // An Optimist's wave is 1.3 times as long.
    boat.SetHull(2);
    Canvas opti;
    boat.Draw(opti.g);
    EXPECT_TRUE(opti.dark(60, 60 + 45));
    EXPECT_FALSE(opti.dark(60, 60 + 53));
}

TEST(DrawBoats, SpinnakerPoleAndBowsprit)
{
    FakeDiagram d;
    TBateauCourse boat({ 40, 40 }, 150, 1, 0, 0);
    {
        Canvas c;
        boat.Draw(c.g);
        EXPECT_EQ(boat.FReglage, 80);
        EXPECT_TRUE(c.empty(40 + 40, 40 + 13));
        EXPECT_TRUE(c.empty(40 + 29, 40 + 50));
    }
    // Symmetric, automatic trim at heading 150: the pole points at 90 degrees, from the mast
    // (8, 13) to 40 further right.
    boat.FSpinnaker = 1;
    {
        Canvas c;
        boat.Draw(c.g);
        EXPECT_TRUE(c.dark(40 + 40, 40 + 13));
        EXPECT_TRUE(c.dark(40 + 40, 40 + 12) || c.dark(40 + 40, 40 + 14)) << "the pole is two units wide";
        EXPECT_EQ(boat.FReglage, 80);
    }
    // Asymmetric: a 50-unit bowsprit along the heading, beyond the bow.
    boat.FAsymetric = 1;
    {
        Canvas c;
        boat.Draw(c.g);
        EXPECT_TRUE(c.dark(40 + 29, 40 + 50));
        EXPECT_FALSE(c.dark(40 + 40, 40 + 13));
        EXPECT_EQ(boat.FReglage, 85);
    }
}

TEST(DrawBoats, OverlapLineRunsAbeamThroughTheStern)
{
    FakeDiagram d;
    TBateauCourse boat({ 200, 40 }, 0, 1, 0, 0);
    auto sideCounts = [&](std::uint16_t flags) {
        boat.FFlags = flVisible | flags;
        Canvas c(400, 100);
        boat.Draw(c.g);
        // The dotted line lies on row 80 (the stern at 40 behind the position).
        return std::pair(c.darkIn(40, 79, 180, 81), c.darkIn(220, 79, 360, 81));
    };
    auto [port, starboard] = sideCounts(flOverlap);
    EXPECT_GT(port, 40);
    EXPECT_LT(port, 100) << "dotted, not solid";
    EXPECT_EQ(starboard, 0);
    std::tie(port, starboard) = sideCounts(flOverlap | flOverlapStarboard);
    EXPECT_EQ(port, 0);
    EXPECT_GT(starboard, 40);
    std::tie(port, starboard) = sideCounts(flOverlapStarboard);
    EXPECT_EQ(port + starboard, 0);

    // A hull type outside 0..3 has no outline of its own to take the stern from: no line at all,
    // to either side (the hull drawn is the keelboat's, within 14 units of the position).
    boat.FHull = 7;
    for (int flags : { int(flOverlap), flOverlap | flOverlapStarboard }) {
        boat.FFlags = std::uint16_t(flVisible | flags);
        Canvas c(400, 100);
        boat.Draw(c.g);
        EXPECT_EQ(c.darkIn(0, 0, 185, 99) + c.darkIn(215, 0, 399, 99), 0) << flags;
    }
}

TEST(DrawBoats, ZoneCircleHasZoneTimesABoatLengthTimesSize)
{
    FakeDiagram d;
    auto navyRing = [](const Canvas& c, int cx, int cy, double& minR, double& maxR) {
        minR = 1e9;
        maxR = 0;
        int n = 0;
        for (int y = 0; y < c.bitmap.height(); ++y)
            for (int x = 0; x < c.bitmap.width(); ++x)
                if (c.at(x, y) == 0xFF000080u) {
                    const double r = std::hypot(x - cx, y - cy);
                    minR = std::min(minR, r);
                    maxR = std::max(maxR, r);
                    ++n;
                }
        return n;
    };
    TBouee mark({ 60, 60 }, 0, 0.1f);
    mark.FFlags = flOutline;
    mark.FRayonOutline = 0;
    Canvas c;
    mark.Draw(c.g);
    EXPECT_EQ(mark.FRayonOutline, 3) << "a zone of 0 is drawn and kept as 3 lengths";
    double lo, hi;
    const int dashes = navyRing(c, 60, 60, lo, hi);
    EXPECT_GT(dashes, 80);
    EXPECT_LT(dashes, 2 * 3.1416 * 27) << "dashed";
    EXPECT_GE(lo, 26);
    EXPECT_LE(hi, 28.5);

    TBateauCourse boat({ 60, 70 }, 0, 0.2f, 0, 0);
    boat.FRayonOutline = 2;
    Canvas none;
    boat.Draw(none.g);
    EXPECT_EQ(navyRing(none, 60, 70, lo, hi), 0);
    boat.FFlags |= flOutline;
    Canvas withZone;
    boat.Draw(withZone.g);
    EXPECT_GT(navyRing(withZone, 60, 70, lo, hi), 100);
    EXPECT_GE(lo, 35);
    EXPECT_LE(hi, 37.5);
}

TEST(DrawBoats, StepNumbers)
{
    FakeDiagram d;
    TBateauJuge judge({ 60, 60 }, 0, 1);
    judge.FFlags = 0; // judge boats carry a number whatever their Visible flag
    judge.FSituation = 7;
    auto digits = [&](TBateau& b) {
        Canvas c;
        b.Draw(c.g);
        // Leftmost dark column within the hull's middle band, or -1.
        for (int x = 40; x < 80; ++x)
            for (int y = 50; y < 70; ++y)
                if (c.dark(x, y) && std::abs(x - 60) < 10)
                    return x;
        return -1;
    };
    const int one = digits(judge);
    EXPECT_GE(one, 60 - 6);
    judge.FSituation = 12;
    const int two = digits(judge);
    EXPECT_GE(two, 60 - 12);
    EXPECT_LT(two, one - 3) << "numbers of two digits start 12 left of the position";

    d.FHideNumbers = 1;
    EXPECT_EQ(digits(judge), -1);
    d.FHideNumbers = 0;
    d.FDisplayMode = dmAnimation;
    d.FFrameIndex = 3;
    EXPECT_EQ(digits(judge), -1) << "hidden between frames";
    d.FFrameIndex = 0;
    EXPECT_NE(digits(judge), -1);
    d.FDisplayMode = dmEdit;

    TBateauComite committee({ 60, 60 }, 0, 1);
    committee.FSituation = 4;
    EXPECT_EQ(digits(committee), -1);
}

TEST(DrawBoats, TracksAreDottedBlueAndFollowTheShownStep)
{
    FakeDiagram d;
    auto* first = new TBateauCourse({ 20, 100 }, 0, 1, 0, 0);
    auto* second = new TBateauCourse({ 100, 20 }, 90, 1, 0, 0);
    d.FRoot = first;
    first->AddNext(second);
    second->FSituation = 2;
    auto blue = [&](TObjet& o) {
        Canvas c;
        o.DrawTrack(c.g);
        int n = 0;
        for (int y = 0; y < 140; ++y)
            for (int x = 0; x < 120; ++x)
                n += c.at(x, y) == 0xFF0000FFu;
        return n;
    };
    const int dots = blue(*second);
    EXPECT_GT(dots, 30);
    EXPECT_LT(dots, 140);
    EXPECT_EQ(blue(*first), 0) << "the first step has no track";
    d.FStep = 1;
    EXPECT_EQ(blue(*second), 0) << "later steps' tracks stay hidden";
    d.FStep = 2;
    EXPECT_EQ(blue(*second), dots);
    second->FTrackVisible = 0;
    EXPECT_EQ(blue(*second), 0);

    TBouee mark({ 50, 50 }, 0, 1);
    mark.FTrackVisible = 1;
    EXPECT_EQ(blue(mark), 0) << "only boats have tracks";
}
