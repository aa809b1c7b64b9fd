#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "plat/rt/Errors.h"
#include "shell/RulesAnalysis.h"
#include "support/RulesScene.h"

#include <gtest/gtest.h>

using namespace zov;
using zovtest::RulesScene;

namespace {


using Rows = std::vector<RuleRow>;

const RuleRow Situation1Blue { "===> Situation 1", "ROW Blue" };
const RuleRow Situation1Yellow { "===> Situation 1", "ROW Yellow" };
const RuleRow Situation2Blue { "===> Situation 2", "ROW Blue" };
const RuleRow Situation2Yellow { "===> Situation 2", "ROW Yellow" };
const RuleRow Rule18 { "18", "Rule 18 can apply" };
const RuleRow Rule183 { "18", "Rule 18.3 can apply" };
const RuleRow OppositeTacks { "10", "Boats are on opposite tacks" };
const RuleRow Overlapped { "11", "Boats are overlapped" };
const RuleRow BlueClearAhead { "12", "Blue is clear ahead of the other one" };
const RuleRow YellowClearAhead { "12", "Yellow is clear ahead of the other one" };
const RuleRow OneTacking { "13", "One boat is tacking" };
const RuleRow PriorityChange { "15", "Priority change (possible rule 15)" };
const RuleRow Rule17 { "17", "17 can apply" };

RuleRow note(const char* comment)
{
    return { "", comment };
}

int headings(const Rows& rows)
{
    int n = 0;
    for (const RuleRow& r : rows)
        n += r.rule.rfind("===> Situation ", 0) == 0;
    return n;
}

} // namespace

namespace zov {
void PrintTo(const RuleRow& row, std::ostream* os)
{
    *os << "{\"" << row.rule << "\", \"" << row.comment << "\"}";
}
} // namespace zov

// Boats on a beam reach to the right (heading 90) keep these shapes: one is clear ahead of the
// other when 90 units or more in front, and to leeward when 12 units or more below it.
TEST(RulesAnalysis, OneStepSituations)
{
    {
        // Port and starboard crossing: the "Empty" template.
        RulesScene s;
        s.diagram.NewEmpty();
        const RulesListing l = ListRules(s.diagram);
        EXPECT_FALSE(l.twoBoatsNeeded);
        EXPECT_FALSE(l.failure);
        EXPECT_EQ(l.steps, 1);
        EXPECT_EQ(l.rows, (Rows { Situation1Yellow, note("Yellow is starboard tack"), OppositeTacks }));
    }
    {
        // Same tack, overlapped, Blue below Yellow.
        RulesScene s;
        s.boat({ 500, 440 }, 90);
        s.boat({ 500, 400 }, 90);
        EXPECT_EQ(ListRules(s.diagram).rows, (Rows { Situation1Blue, note("Blue is leeward Yellow"), Overlapped }));
    }
    {
        // Three racing boats and other objects between them: only the first two racing boats count.
        RulesScene s;
        s.top(new TFleche({ 0, 0 }, 0, 1.0f));
        s.boat({ 600, 400 }, 90);
        s.top(new TBateauComite({ 900, 900 }, 0, 1.0f));
        s.boat({ 500, 400 }, 90);
        s.boat({ 510, 440 }, -90);
        EXPECT_EQ(ListRules(s.diagram).rows, (Rows { Situation1Blue, note("Blue is ahead Yellow"), BlueClearAhead }));
    }
}

TEST(RulesAnalysis, MarkZones)
{
    {
        // Opposite tacks in the zone of a windward mark: rule 18, but never 18.3 nor the
        // ahead and leeward rows (the "Windward mark" template).
        RulesScene s;
        s.diagram.NewWindward();
        EXPECT_EQ(ListRules(s.diagram).rows,
            (Rows { Situation1Yellow, Rule18, note("Yellow is starboard tack"), OppositeTacks }));
    }
    {
        // Entering the zone of a windward mark on the same tack: 18 and 18.3 from that step on.
        RulesScene s;
        s.mark({ 500, 200 }, 3);
        TObjet* blue = s.boat({ 200, 440 }, 90);
        TObjet* yellow = s.boat({ 200, 400 }, 90);
        s.step(blue, { 500, 440 }, 90);
        s.step(yellow, { 500, 400 }, 90);
        const RulesListing l = ListRules(s.diagram);
        EXPECT_EQ(l.rows,
            (Rows { Situation1Blue, note("Blue is leeward Yellow"), Overlapped, //
                Situation2Blue, Rule18, note("Blue is leeward Yellow"), Rule183, Overlapped }));
    }
    {
        // A leeward mark, nobody tacking or just tacked: rule 18 only.
        RulesScene s;
        s.mark({ 500, 200 }, 4);
        s.boat({ 500, 440 }, 90);
        s.boat({ 500, 400 }, 90);
        EXPECT_EQ(ListRules(s.diagram).rows, (Rows { Situation1Blue, Rule18, note("Blue is leeward Yellow"), Overlapped }));
    }
    {
        // The zone search stops at the first mark in top-level order that holds a boat; 18.3 is
        // judged at that mark alone. A mark whose zone holds neither boat is passed over.
        RulesScene s;
        s.mark({ 2000, 2000 }, 3);
        s.mark({ 500, 200 }, 4);
        s.mark({ 500, 300 }, 3);
        s.boat({ 500, 440 }, 90);
        s.boat({ 500, 400 }, 90);
        EXPECT_EQ(ListRules(s.diagram).rows, (Rows { Situation1Blue, Rule18, note("Blue is leeward Yellow"), Overlapped }));
    }
}

TEST(RulesAnalysis, RuleEighteenThreeAwayFromAWindwardMark)
{
    // At a leeward-type mark, 18.3 needs a boat tacking (or just tacked) while the other lies
    // below the layline (45 degrees) through the mark.
    RulesScene s;
    TBouee* mark = s.mark({ 500, 200 }, 4);
    TBateauCourse* blue = s.boat({ 450, 300 }, -45);
    TBateauCourse* yellow = s.boat({ 550, 300 }, -45);
    TBateauCourse* blue2 = s.step(blue, { 450, 300 }, 20);
    TBateauCourse* yellow2 = s.step(yellow, { 550, 300 }, -45);
    // Port layline through (500, 200) at Yellow's x = 550 (Yellow on starboard: slope -1) is y = 150.
    EXPECT_FALSE(Rule183Applies(*blue, *yellow, *mark));
    EXPECT_TRUE(Rule183Applies(*blue2, *yellow2, *mark)); // Blue tacking, Yellow below its layline
    yellow2->FY = 100;                                      // Yellow above its layline
    EXPECT_FALSE(Rule183Applies(*blue2, *yellow2, *mark));
    // Just tacked (on the new tack beyond the tacking range): still 18.3 while Yellow is below.
    yellow2->FY = 300;
    blue2->SetHeading(60);
    EXPECT_TRUE(Rule183Applies(*blue2, *yellow2, *mark));
    EXPECT_TRUE(Rule183Applies(*blue, *yellow, *s.mark({ 0, 0 }, 3)));
}

TEST(RulesAnalysis, ChangesBetweenSteps)
{
    {
        // Blue tacks at step 2: tacking, right of way passes to Yellow.
        RulesScene s;
        TObjet* blue = s.boat({ 400, 400 }, -45);
        TObjet* yellow = s.boat({ 700, 400 }, -45);
        s.step(blue, { 400, 380 }, 20);
        s.step(yellow, { 650, 350 }, -45);
        EXPECT_EQ(ListRules(s.diagram).rows,
            (Rows { Situation1Blue, note("Blue is ahead Yellow"), note("Blue is leeward Yellow"), BlueClearAhead, //
                Situation2Yellow, note("Yellow is starboard tack"), note("Blue is tacking"), OneTacking,
                PriorityChange }));
    }
    {
        // Both tacking: both rows, one "13"; no 17 although each was clear ahead of the other.
        RulesScene s;
        TObjet* blue = s.boat({ 400, 400 }, -45);
        TObjet* yellow = s.boat({ 700, 400 }, 45);
        s.step(blue, { 400, 400 }, 20);
        s.step(yellow, { 700, 400 }, -20);
        EXPECT_EQ(ListRules(s.diagram).rows,
            (Rows { Situation1Blue, note("Blue is starboard tack"), OppositeTacks, //
                Situation2Yellow, note("Yellow is starboard tack"), note("Blue is tacking"), note("Yellow is tacking"),
                OneTacking, PriorityChange }));
    }
    {
        // Yellow, clear astern, becomes overlapped to leeward of Blue: right of way changes and 17.
        RulesScene s;
        TObjet* blue = s.boat({ 600, 400 }, 90);
        TObjet* yellow = s.boat({ 500, 400 }, 90);
        s.step(blue, { 620, 400 }, 90);
        s.step(yellow, { 560, 440 }, 90);
        EXPECT_EQ(ListRules(s.diagram).rows,
            (Rows { Situation1Blue, note("Blue is ahead Yellow"), BlueClearAhead, //
                Situation2Yellow, note("Yellow is leeward Blue"), Overlapped, PriorityChange, Rule17 }));
    }
    {
        // The same the other way round: Blue comes from clear astern to leeward of Yellow.
        RulesScene s;
        TObjet* blue = s.boat({ 500, 400 }, 90);
        TObjet* yellow = s.boat({ 600, 400 }, 90);
        s.step(blue, { 560, 440 }, 90);
        s.step(yellow, { 620, 400 }, 90);
        EXPECT_EQ(ListRules(s.diagram).rows,
            (Rows { Situation1Yellow, note("Yellow is ahead Blue"), YellowClearAhead, //
                Situation2Blue, note("Blue is leeward Yellow"), Overlapped, PriorityChange, Rule17 }));
    }
    {
        // Overlapped at both steps, nothing changes: neither 15 nor 17, and the first step
        // never shows them.
        RulesScene s;
        TObjet* blue = s.boat({ 500, 440 }, 90);
        TObjet* yellow = s.boat({ 500, 400 }, 90);
        s.step(blue, { 600, 440 }, 90);
        s.step(yellow, { 600, 400 }, 90);
        EXPECT_EQ(ListRules(s.diagram).rows,
            (Rows { Situation1Blue, note("Blue is leeward Yellow"), Overlapped, //
                Situation2Blue, note("Blue is leeward Yellow"), Overlapped }));
    }
}

TEST(RulesAnalysis, TooFewBoatsAndUnevenChains)
{
    {
        RulesScene s;
        EXPECT_TRUE(ListRules(s.diagram).twoBoatsNeeded);
        s.mark({ 100, 100 }, 3);
        s.boat({ 500, 400 }, 90);
        const RulesListing l = ListRules(s.diagram);
        EXPECT_TRUE(l.twoBoatsNeeded);
        EXPECT_TRUE(l.rows.empty());
        EXPECT_FALSE(l.failure);
        // A second racing boat reached only as a step of the first does not count.
        s.step(s.diagram.FRoot->FSibling, { 600, 400 }, 90);
        EXPECT_TRUE(ListRules(s.diagram).twoBoatsNeeded);
        EXPECT_TRUE(ListRules(nullptr).twoBoatsNeeded);
    }
    {
        // Blue with five steps and Yellow with three: three step groups.
        RulesScene s;
        TObjet* blue = s.boat({ 500, 440 }, 90);
        TObjet* yellow = s.boat({ 500, 400 }, 90);
        for (int i = 1; i < 5; ++i)
            s.step(blue, { 500 + 50 * i, 440 }, 90);
        for (int i = 1; i < 3; ++i)
            s.step(yellow, { 500 + 50 * i, 400 }, 90);
        const RulesListing l = ListRules(s.diagram);
        EXPECT_EQ(l.steps, 3);
        EXPECT_EQ(headings(l.rows), 3);
        EXPECT_EQ(l.rows.back(), Overlapped);
        EXPECT_FALSE(l.failure);
        EXPECT_EQ(ListRules(s.diagram.FRoot).rows, l.rows); // from the root alone, the current diagram's settings
    }
}

TEST(RulesAnalysis, BrokenChainsEndTheListWithoutACrash)
{
    {
        // A mark as Blue's third step: the two steps before it are listed, nothing is reported.
        RulesScene s;
        TObjet* blue = s.boat({ 500, 440 }, 90);
        TObjet* yellow = s.boat({ 500, 400 }, 90);
        s.step(blue, { 550, 440 }, 90);
        TBouee* foreign = new TBouee({ 600, 440 }, 3, 1.0f);
        foreign->FSituation = 3;
        blue->FNext->AddNext(foreign);
        s.step(blue, { 650, 440 }, 90); // after the mark: unreachable for the rules
        for (int i = 1; i < 4; ++i)
            s.step(yellow, { 500 + 50 * i, 400 }, 90);
        const RulesListing l = ListRules(s.diagram);
        EXPECT_EQ(l.steps, 2);
        EXPECT_EQ(headings(l.rows), 2);
        EXPECT_FALSE(l.failure) << l.FailureText();
        EXPECT_EQ(l.rows.back(), Overlapped);
    }
    {
        // The predicates refuse a previous step of another class; the analysis ends there too.
        RulesScene s;
        // Blue inside the tacking range, so its tack and tacking are read from the steps before.
        TBateauCourse* blue = s.boat({ 500, 440 }, 20);
        TBateauCourse* yellow = s.boat({ 500, 400 }, 90);
        TBouee before({ 0, 0 }, 4, 1.0f);
        before.FNext = blue; // Blue's head now reads as the step after a mark
        blue->FPrev = &before;
        EXPECT_THROW(Rule183Applies(*blue, *yellow, before), rt::InvalidCastError);
        const RulesListing l = ListRules(blue);
        blue->FPrev = nullptr;
        EXPECT_TRUE(l.rows.empty());
        EXPECT_FALSE(l.failure);
        EXPECT_EQ(ListRules(s.diagram).steps, 1);
    }
    {
        // Blue and Yellow at different step numbers: the list stops with an assertion of RulesF,
        // the step groups before it stand.
        RulesScene s;
        TObjet* blue = s.boat({ 500, 440 }, 90);
        TObjet* yellow = s.boat({ 500, 400 }, 90);
        s.step(blue, { 550, 440 }, 90);
        s.step(yellow, { 550, 400 }, 90)->FSituation = 3;
        const RulesListing l = ListRules(s.diagram);
        EXPECT_EQ(l.steps, 1);
        EXPECT_EQ(l.rows, (Rows { Situation1Blue, note("Blue is leeward Yellow"), Overlapped }));
        ASSERT_TRUE(l.failure);
        try {
            std::rethrow_exception(l.failure);
        } catch (const rt::AssertionFailure& e) {
            EXPECT_EQ(e.module(), "RulesF");
            EXPECT_EQ(std::string(e.what()).find('.'), std::string::npos); // shown whole by the error display
        } catch (...) {
            ADD_FAILURE() << "not an assertion failure";
        }
        EXPECT_NE(l.FailureText().find("RulesF"), std::string::npos);
    }
}
