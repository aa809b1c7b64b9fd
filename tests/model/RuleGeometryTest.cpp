#include "model/Objet.h"
#include "model/RacingHull.h"
#include "model/RuleGeometry.h"
#include "plat/rt/Errors.h"
#include "support/FakeDiagram.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <vector>

using namespace zov;
using zovtest::FakeDiagram;

namespace {

// The successive steps of one racing boat, freed with the chain.
class Course {
public:
    Course() = default;
    explicit Course(std::initializer_list<float> headings, TPoint pos = { 0, 0 })
        : Course(std::vector<float>(headings), pos)
    {
    }
    explicit Course(const std::vector<float>& headings, TPoint pos = { 0, 0 })
    {
        for (float h : headings)
            add(h, pos);
    }
    ~Course()
    {
        if (m_head)
            m_head->FreeTree();
    }
    Course(const Course&) = delete;
    Course& operator=(const Course&) = delete;

    TBateauCourse& add(float heading, TPoint pos = { 0, 0 })
    {
        auto* boat = new TBateauCourse(pos, heading, 1.0f, 0, 0);
        append(boat);
        m_steps.push_back(boat);
        return *boat;
    }
    void append(TObjet* obj)
    {
        if (!m_head)
            m_head = obj;
        else
            m_last->AddNext(obj);
        m_last = obj;
    }
    TBateauCourse& operator[](std::size_t i) { return *m_steps.at(i); }
    TBateauCourse& last() { return *m_steps.back(); }

private:
    TObjet* m_head = nullptr;
    TObjet* m_last = nullptr;
    std::vector<TBateauCourse*> m_steps;
};

// One boat at one step, placed where a test wants it.
TBateauCourse& place(Course& c, TPoint pos, float size = 1.0f)
{
    TBateauCourse& b = c.last();
    b.FX = pos.x;
    b.FY = pos.y;
    b.FSize = size;
    return b;
}

// The tack and tacking tests written the long way, recursion and all, to check the walk.
const TBateauCourse* prevOf(const TBateauCourse& b) { return dynamic_cast<const TBateauCourse*>(b.Predecessor()); }

bool slowStarboard(const TBateauCourse& b)
{
    if (b.FHeading < 0)
        return true;
    if (b.FHeading > 0)
        return false;
    const TBateauCourse* p = prevOf(b);
    return p ? slowStarboard(*p) : true;
}

bool slowTacking(const TBateauCourse& b)
{
    if (b.FHeading >= 45 || b.FHeading <= -45)
        return false;
    for (const TBateauCourse* p = prevOf(b);; p = prevOf(*p)) {
        if (!p)
            return false;
        if (slowStarboard(*p) != slowStarboard(b))
            return true;
        if (!slowTacking(*p))
            return false;
    }
}

} // namespace

TEST(RuleGeometry, HullPlacementRoundsEachStepHalfToEven)
{
    FakeDiagram diagram;
    Course c { 0 };
    TBateauCourse& b = place(c, { 100, 200 }, 0.5f);
    b.FRatio = 25; // x' = Round(x * 1.25): 7.5 -> 8, 12.5 -> 12, 8.75 -> 9
    const auto pts = PlaceRacingHull(b);
    b.FSize = 1.0f;
    EXPECT_EQ(PlaceRacingHull(b)[2], (TPoint { 112, 185 }));
    EXPECT_EQ(PlaceRacingHull(b)[6], (TPoint { 109, 240 }));
    b.FSize = 0.5f;
    // Then Round(0.5 * ...): -7.5 -> -8, 7.5 -> 8, 4.5 -> 4.
    const std::vector<TPoint> expected { { 100, 175 }, { 104, 184 }, { 106, 192 }, { 108, 200 },
        { 108, 208 }, { 106, 215 }, { 104, 220 } };
    EXPECT_EQ(std::vector<TPoint>(pts.begin(), pts.end()), expected);

    // A quarter turn to starboard swings the bow to +x, the starboard side to +y.
    b.FRatio = 0;
    b.FSize = 1.0f;
    b.FHeading = 90;
    const auto turned = PlaceRacingHull(b);
    EXPECT_EQ(turned[0], (TPoint { 150, 200 }));
    EXPECT_EQ(turned[6], (TPoint { 60, 207 }));
}

TEST(RuleGeometry, TackFollowsHeadingAndHeadToWindKeepsThePreviousTack)
{
    FakeDiagram diagram;
    Course first { 0 };
    EXPECT_TRUE(RuleIsStarboard(first[0]));

    Course chain { 30, 0, -20 };
    EXPECT_FALSE(RuleIsStarboard(chain[0]));
    EXPECT_FALSE(RuleIsStarboard(chain[1]));
    EXPECT_TRUE(RuleIsStarboard(chain[2]));

    Course astern { -180 };
    Course astern2 { 180 };
    EXPECT_TRUE(RuleIsStarboard(astern[0]));
    EXPECT_FALSE(RuleIsStarboard(astern2[0]));
    EXPECT_FALSE(RuleSameTack(astern[0], astern2[0]));
    EXPECT_TRUE(RuleSameTack(chain[0], chain[1]));
}

TEST(RuleGeometry, TackingBoundsAndWalkBack)
{
    FakeDiagram diagram;
    Course bound1 { -10, 45 }, bound2 { 10, -45 };
    EXPECT_FALSE(RuleTacking(bound1[1]));
    EXPECT_FALSE(RuleTacking(bound2[1]));

    Course tacked { -10, 44 };
    EXPECT_TRUE(RuleTacking(tacked[1]));

    Course settled { 60, 20, 10 };
    EXPECT_FALSE(RuleTacking(settled[2]));

    Course alone { 10 };
    EXPECT_FALSE(RuleTacking(alone[0]));

    // Head to wind at the start of the chain counts as starboard: a port boat after it is tacking.
    Course fromHeadToWind { 0, 0, 20 };
    EXPECT_TRUE(RuleTacking(fromHeadToWind[2]));
    EXPECT_FALSE(RuleTacking(fromHeadToWind[1]));
    Course through { -60, 0, 0, -20 };
    EXPECT_FALSE(RuleTacking(through[3]));
    EXPECT_FALSE(RuleTacking(through[2]));
}

TEST(RuleGeometry, TackingWalkMatchesTheStepByStepDefinition)
{
    FakeDiagram diagram;
    const std::vector<float> headings { -180, -90, -60, -45, -44, -10, 0, 0, 0, 10, 44, 45, 60, 180 };
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> pick(0, headings.size() - 1);
    std::uniform_int_distribution<int> length(1, 8);
    for (int round = 0; round < 400; ++round) {
        std::vector<float> hs(length(rng));
        for (float& h : hs)
            h = headings[pick(rng)];
        Course c(hs);
        for (std::size_t i = 0; i < hs.size(); ++i) {
            ASSERT_EQ(RuleIsStarboard(c[i]), slowStarboard(c[i])) << "round " << round << " step " << i;
            ASSERT_EQ(RuleTacking(c[i]), slowTacking(c[i])) << "round " << round << " step " << i;
        }
    }
}

TEST(RuleGeometry, LongHeadToWindChainIsWalkedWithoutRecursion)
{
    FakeDiagram diagram;
    Course c(std::vector<float>(200000, 0.0f));
    c.add(10);
    EXPECT_TRUE(RuleIsStarboard(c[199999]));
    EXPECT_FALSE(RuleIsStarboard(c.last()));
    EXPECT_TRUE(RuleTacking(c.last()));
    EXPECT_FALSE(RuleTacking(c[199999]));
}

TEST(RuleGeometry, StepOfAnotherClassIsAnInvalidCastNotACrash)
{
    FakeDiagram diagram;
    Course c {};
    c.append(new TBouee({ 0, 0 }, 3, 1.0f));
    TBateauCourse& headToWind = c.add(0);
    EXPECT_THROW(RuleIsStarboard(headToWind), rt::InvalidCastError);
    EXPECT_THROW(RuleTacking(headToWind), rt::InvalidCastError);

    // Only a walk that reaches the foreign step fails.
    headToWind.FHeading = 60;
    EXPECT_FALSE(RuleIsStarboard(headToWind));
    EXPECT_FALSE(RuleTacking(headToWind));
    headToWind.FHeading = 10;
    EXPECT_THROW(RuleTacking(headToWind), rt::InvalidCastError);
    Course other { -45 };
    EXPECT_THROW(RuleRightOfWay(headToWind, other[0]), rt::InvalidCastError);
}

TEST(RuleGeometry, ClearAheadAndOverlap)
{
    FakeDiagram diagram;
    Course upper { 0 }, lower { 0 };
    place(upper, { 0, 0 });
    place(lower, { 0, 200 });
    EXPECT_TRUE(RuleClearAhead(upper[0], lower[0]));
    EXPECT_FALSE(RuleClearAhead(lower[0], upper[0]));
    EXPECT_FALSE(RuleOverlapped(upper[0], lower[0]));

    // The bow exactly on the line abeam through the transom is still behind it.
    place(lower, { 0, 90 });
    EXPECT_TRUE(RuleClearAhead(upper[0], lower[0]));
    place(lower, { 0, 89 });
    EXPECT_FALSE(RuleClearAhead(upper[0], lower[0]));
    EXPECT_TRUE(RuleOverlapped(upper[0], lower[0]));
    EXPECT_TRUE(RuleOverlapped(lower[0], upper[0]));

    // The transom line scales with the leading boat's size.
    place(upper, { 0, 0 }, 2.0f);
    place(lower, { 0, 130 });
    EXPECT_TRUE(RuleClearAhead(upper[0], lower[0]));
    place(lower, { 0, 129 });
    EXPECT_FALSE(RuleClearAhead(upper[0], lower[0]));
}

TEST(RuleGeometry, ZoneIsStrictlyInsideTheRadius)
{
    FakeDiagram diagram;
    TBouee mark({ 0, 0 }, 3, 1.0f);
    mark.FRayonOutline = 3;
    Course c { 0 };
    // Three lengths is 270 units: the bow at 270 is out, at 269 it is in.
    place(c, { 0, 320 });
    EXPECT_FALSE(RuleInZone(c[0], mark));
    place(c, { 0, 319 });
    EXPECT_TRUE(RuleInZone(c[0], mark));

    // Moving boat and mark together changes nothing.
    for (const TPoint shift : { TPoint { 1234, -567 }, TPoint { -5000, 3333 } }) {
        mark.FX = shift.x;
        mark.FY = shift.y;
        place(c, { shift.x, shift.y + 320 });
        EXPECT_FALSE(RuleInZone(c[0], mark));
        place(c, { shift.x, shift.y + 319 });
        EXPECT_TRUE(RuleInZone(c[0], mark));
    }

    // A mark with no radius has no zone, even with the boat on top of it.
    mark.FRayonOutline = 0;
    place(c, { mark.FX, mark.FY });
    EXPECT_FALSE(RuleInZone(c[0], mark));

    // Any other object takes the diagram's radius; its own size does not count.
    TBateauComite committee({ 0, 0 }, 0, 3.0f);
    committee.FRayonOutline = 9;
    diagram.FDefaultRayon = 2;
    place(c, { 0, 230 });
    EXPECT_FALSE(RuleInZone(c[0], committee));
    place(c, { 0, 229 });
    EXPECT_TRUE(RuleInZone(c[0], committee));
}

TEST(RuleGeometry, LeewardOfTheCentreline)
{
    FakeDiagram diagram;
    Course a { 90 }, b { 90 };
    place(a, { 0, 0 });
    place(b, { 0, -13 }); // every point of B at y <= 0
    EXPECT_TRUE(RuleIsLeeward(a[0], b[0]));
    EXPECT_FALSE(RuleIsLeeward(b[0], a[0]));
    place(b, { 0, -11 }); // one side of B now below A's line
    EXPECT_FALSE(RuleIsLeeward(a[0], b[0]));

    // Heading up or down the diagram (within about 0.29 degrees) is never to leeward.
    place(b, { -500, -500 });
    for (const float h : { 0.0f, 180.0f, 0.2f, -0.2f, 179.8f }) {
        a[0].FHeading = h;
        EXPECT_FALSE(RuleIsLeeward(a[0], b[0])) << h;
    }
    a[0].FHeading = 0.3f;
    EXPECT_TRUE(RuleIsLeeward(a[0], b[0]));

    // The line's y is an integer quotient truncated towards zero: a small boat just above the
    // line y = -x keeps A to leeward (a floored quotient would put its points below).
    a[0].FHeading = 45;
    place(b, { 0, -1 }, 0.019f);
    EXPECT_TRUE(RuleIsLeeward(a[0], b[0]));
}

// Boats far apart or far from the origin: the products in the line equations exceed 32 bits
// and give the answers they give near the origin.
TEST(RuleGeometry, ProductsBeyondThirtyTwoBitsKeepTheAnswers)
{
    FakeDiagram diagram;
    Course a { 0 }, b { 0 };
    // Sixty million units apart: B lies some 2.4e9 units of the transom test behind A.
    place(a, { 0, -30000000 });
    place(b, { 0, 30000000 });
    EXPECT_TRUE(RuleClearAhead(a[0], b[0]));
    EXPECT_FALSE(RuleClearAhead(b[0], a[0]));

    // A's centreline far out: the constant of its equation is about 2.3e9.
    a[0].FHeading = 45;
    b[0].FHeading = 45;
    place(a, { 16000000, 16000000 });
    place(b, { 16000000, 16000000 - 200 });
    EXPECT_TRUE(RuleIsLeeward(a[0], b[0]));
    place(b, { 16000000, 16000000 + 200 });
    EXPECT_FALSE(RuleIsLeeward(a[0], b[0]));
    EXPECT_TRUE(RuleIsLeeward(b[0], a[0]));
}

TEST(RuleGeometry, LaylineSideByTack)
{
    FakeDiagram diagram;
    diagram.FLaylineAngle = 45;
    TBouee mark({ 500, 300 }, 3, 1.0f);
    Course port { 0 }; // heading 0 keeps the positive angle
    place(port, { 600, 401 });
    EXPECT_TRUE(RuleLaylineSide(port[0], mark));
    place(port, { 600, 400 });
    EXPECT_FALSE(RuleLaylineSide(port[0], mark));
    port[0].FHeading = 45;
    EXPECT_FALSE(RuleLaylineSide(port[0], mark));

    // Starboard tack mirrors the layline.
    Course starboard { -45 };
    place(starboard, { 400, 401 });
    EXPECT_TRUE(RuleLaylineSide(starboard[0], mark));
    place(starboard, { 400, 400 });
    EXPECT_FALSE(RuleLaylineSide(starboard[0], mark));
    place(starboard, { 600, 201 });
    EXPECT_TRUE(RuleLaylineSide(starboard[0], mark));
    starboard[0].FHeading = 45;
    EXPECT_FALSE(RuleLaylineSide(starboard[0], mark));
}

TEST(RuleGeometry, RightOfWayAsASailorSeesIt)
{
    FakeDiagram diagram;
    // Port meets starboard on a beat: starboard holds right of way.
    Course stbd { -45 }, port { 45 };
    place(stbd, { 0, 0 });
    place(port, { 300, 0 });
    EXPECT_TRUE(RuleRightOfWay(stbd[0], port[0]));
    EXPECT_FALSE(RuleRightOfWay(port[0], stbd[0]));

    // Same tack, overlapped: the leeward boat holds it.
    Course lee { 90 }, wind { 90 };
    place(lee, { 0, 0 });
    place(wind, { 0, -30 });
    ASSERT_TRUE(RuleOverlapped(lee[0], wind[0]));
    EXPECT_TRUE(RuleRightOfWay(lee[0], wind[0]));
    EXPECT_FALSE(RuleRightOfWay(wind[0], lee[0]));

    // Same tack, clear astern keeps clear.
    place(wind, { -200, 0 });
    ASSERT_FALSE(RuleOverlapped(lee[0], wind[0]));
    EXPECT_TRUE(RuleRightOfWay(lee[0], wind[0]));
    EXPECT_FALSE(RuleRightOfWay(wind[0], lee[0]));

    // A boat tacking onto starboard keeps clear, even of a port boat.
    Course tacker { 60, -20 }, reacher { 45 };
    place(tacker, { 0, 0 });
    place(reacher, { 400, 0 });
    ASSERT_TRUE(RuleTacking(tacker[1]));
    EXPECT_FALSE(RuleRightOfWay(tacker[1], reacher[0]));
    EXPECT_TRUE(RuleRightOfWay(reacher[0], tacker[1]));
}

TEST(RuleGeometry, BothTackingDecidedByPositionThenByX)
{
    FakeDiagram diagram;
    Course a { -60, 10 }, b { -60, 10 };
    place(a, { 0, 0 });
    place(b, { 0, 30 });
    ASSERT_TRUE(RuleTacking(a[1]) && RuleTacking(b[1]));
    ASSERT_TRUE(RuleOverlapped(a[1], b[1]));
    // Equal X: the first argument wins the tie.
    EXPECT_TRUE(RuleRightOfWay(a[1], b[1]));
    EXPECT_TRUE(RuleRightOfWay(b[1], a[1]));
    // Otherwise the boat further right.
    place(b, { 1, 30 });
    EXPECT_FALSE(RuleRightOfWay(a[1], b[1]));
    EXPECT_TRUE(RuleRightOfWay(b[1], a[1]));
    // A tacking boat clear ahead holds it.
    place(b, { 0, 300 });
    EXPECT_TRUE(RuleRightOfWay(a[1], b[1]));
    EXPECT_FALSE(RuleRightOfWay(b[1], a[1]));
}
