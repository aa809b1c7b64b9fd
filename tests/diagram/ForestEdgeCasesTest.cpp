// Forests off the beaten track: how the tree reader rebuilds long flat lists, hidden first
// positions and steps with more than one next step, what deleting from those leaves behind,
// and who owns an object whose undo fails half-way.

#include "diagram/Diagram.h"
#include "diagram/DiagramFile.h"
#include "model/DiagramLink.h"
#include "model/Objet.h"
#include "plat/io/BinaryStream.h"
#include "plat/rt/Errors.h"
#include "support/FakeHost.h"
#include "support/ForestWalk.h"
#include "support/RandomForest.h"
#include "support/RoundTrip.h"
#include "support/ZovBytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>

using namespace zov;
using zovtest::walk;
using zovtest::ZovBase;
using zovtest::ZovBytes;

namespace {

void racingBoat(ZovBytes& b, int step, int flags, int x)
{
    ZovBase base;
    base.step = step;
    base.flags = flags;
    base.x = x;
    b.record(gRacingBoat, base, 10).u16(0).u16(0).u16(0).u16(0).u16(0).u16(0);
}

} // namespace

// Objects listed one after the other as siblings of the root ("0 X 1" each) are read in time
// proportional to their number, not to its square.
TEST(ForestEdgeCases, FlatListsOfSiblingsAndNextStepsReadInLinearTime)
{
    constexpr int Count = 120000;
    for (int marker : { 0, 2 }) {
        ZovBytes b;
        b.header(10).u16(0);
        ZovBase arrow;
        b.record(gArrow, arrow, 10);
        for (int i = 0; i < Count; ++i) {
            arrow.x = i % 30000;
            b.u16(marker);
            b.record(gArrow, arrow, 10);
            b.u16(marker + 1);
        }
        b.u16(4);
        TDiagram d;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(d.LoadFromBytes("mem", b.data(), b.size(), false));
        const auto seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 8.0) << "marker " << marker;
        EXPECT_EQ(walk(d).size(), std::size_t(Count) + 1);
        // Appended in file order.
        TObjet* first = marker == 0 ? d.FRoot->FSibling : d.FRoot->FNext;
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->FX, 0);
        EXPECT_EQ(first->FSibling->FX, 1);
    }
}

// A boat whose first position is hidden keeps number 1 at its next position (hidden steps do
// not move the numbering on): read back, that position is still the same boat.
TEST(ForestEdgeCases, ALaterPositionNumberedOneKeepsItsBoat)
{
    ZovBytes b;
    b.header(10).u16(0);
    racingBoat(b, 1, 0, 10); // hidden first position
    b.u16(2);
    racingBoat(b, 1, flVisible, 20);
    b.u16(3).u16(0);
    racingBoat(b, 1, flVisible, 30); // a second boat
    b.u16(1).u16(4);
    TDiagram d;
    ASSERT_TRUE(d.LoadFromBytes("mem", b.data(), b.size(), false));
    TObjet* first = d.FRoot;
    ASSERT_NE(first->FNext, nullptr);
    ASSERT_NE(first->FSibling, nullptr);
    EXPECT_EQ(first->FBoatIndex, 1);
    EXPECT_EQ(first->FNext->FBoatIndex, 1);
    EXPECT_EQ(first->FSibling->FBoatIndex, 2);
    EXPECT_EQ(d.FBoatCount, 2);
}

// A position with two next steps (a file may hold that): deleting the first of them keeps the
// second in the forest, undo brings the deleted one back, and everything is freed once.
TEST(ForestEdgeCases, DeletingOneOfTwoNextStepsKeepsTheOther)
{
    for (bool withLaterStep : { false, true }) {
        ZovBytes b;
        b.header(10).u16(0);
        racingBoat(b, 1, flVisible, 10); // R
        b.u16(2);
        racingBoat(b, 2, flVisible, 20); // A, R's next step
        if (withLaterStep) {
            b.u16(2);
            racingBoat(b, 3, flVisible, 25); // A's next step
            b.u16(3);
        }
        b.u16(0);
        racingBoat(b, 2, flVisible, 30); // B, a further next step of R
        b.u16(1).u16(3).u16(4);
        TDiagram d;
        ASSERT_TRUE(d.LoadFromBytes("mem", b.data(), b.size(), false));
        const std::size_t count = walk(d).size();
        TObjet* a = d.FRoot->FNext;
        ASSERT_NE(a, nullptr);
        ASSERT_NE(a->FSibling, nullptr);
        d.RemoveObject(a, false);
        std::set<int> xs;
        for (TObjet* o : walk(d))
            xs.insert(o->FX);
        EXPECT_EQ(walk(d).size(), count - 1) << "later step " << withLaterStep;
        EXPECT_TRUE(xs.count(30)) << "the other next step was lost";
        d.Undo();
        std::multiset<int> after;
        for (TObjet* o : walk(d))
            after.insert(o->FX);
        EXPECT_EQ(after.size(), count);
        EXPECT_EQ(after.count(20), 1u);
        EXPECT_EQ(after.count(30), 1u);
    }
}

// A top-level object whose next step has further next steps of its own: deleting the head
// promotes the step and keeps those too.
TEST(ForestEdgeCases, DeletingAHeadKeepsTheSiblingsOfItsNextStep)
{
    ZovBytes b;
    b.header(10).u16(0);
    ZovBase mark;
    b.record(gArrow, mark, 10); // root
    b.u16(0);
    racingBoat(b, 1, flVisible, 10); // H, second top-level object
    b.u16(2);
    racingBoat(b, 2, flVisible, 20); // H's next step
    b.u16(0);
    racingBoat(b, 2, flVisible, 30); // a further next step of H
    b.u16(1).u16(3).u16(1).u16(4);
    TDiagram d;
    ASSERT_TRUE(d.LoadFromBytes("mem", b.data(), b.size(), false));
    const std::size_t count = walk(d).size();
    ASSERT_EQ(count, 4u);
    d.RemoveObject(d.FRoot->FSibling, false);
    EXPECT_EQ(walk(d).size(), 3u);
    d.Undo();
    EXPECT_EQ(walk(d).size(), 4u);
}

// An undo that fails after it has put the deleted object back (here: the window cannot be
// repainted) leaves the object to the forest alone, not also to the dropped record.
TEST(ForestEdgeCases, AnUndoFailingHalfWayLeavesTheObjectOwnedOnce)
{
    struct FailingHost : zovtest::FakeHost {
        bool fail = false;
        void Repaint() override
        {
            if (fail)
                throw rt::Error("the window is gone");
            FakeHost::Repaint();
        }
    } host;
    TDiagram d(&host);
    TObjet* first;
    {
        CurrentDiagramScope scope(&d);
        d.FBoatCount = 1;
        first = new TBateauCourse({ 0, 0 }, 0, 1, 0, 0);
        d.FRoot = first;
        auto* second = new TBateauCourse({ 100, 0 }, 90, 1, 0, 0);
        second->FSituation = 2;
        first->InsertStep(second, true);
        auto* third = new TBateauCourse({ 200, 0 }, 90, 1, 0, 0);
        third->FSituation = 3;
        second->InsertStep(third, true);
    }
    d.RemoveObject(first->FNext, false);
    ASSERT_EQ(d.FUndoStack.size(), 1u);

    host.fail = true;
    EXPECT_THROW(d.Undo(), rt::Error);
    host.fail = false;

    std::set<TObjet*> seen;
    for (TObjet* o : walk(d))
        EXPECT_TRUE(seen.insert(o).second);
    EXPECT_EQ(seen.size(), 3u);
    for (TObjet* o : seen)
        EXPECT_TRUE(o->FX == 0 || o->FX == 100 || o->FX == 200);
}

// Deleting any one object of a forest read from a file (chains, further next steps, hidden
// positions, steps of another class, odd numbers) and undoing it gives back the forest exactly:
// every link, every step number, every track, the committee boat and the first mark.
TEST(ForestEdgeCases, DeletingAnyObjectAndUndoingPutsItBackExactly)
{
    for (unsigned seed = 1; seed <= 25; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::vector<std::uint8_t> bytes;
        {
            TDiagram generated;
            zovtest::RandomForest(seed).Fill(generated, 40);
            bytes = zovtest::SavedBytes(generated);
        }
        TDiagram d;
        ASSERT_TRUE(d.LoadFromBytes("mem", bytes.data(), bytes.size(), false));
        const std::string before = zovtest::DescribeLoaded(d);
        const std::size_t count = walk(d).size();
        for (std::size_t i = 0; i < count; ++i) {
            TObjet* o = walk(d)[i];
            d.RemoveObject(o, false);
            ASSERT_EQ(walk(d).size(), count - 1) << "object " << i;
            d.Undo();
            ASSERT_EQ(zovtest::DescribeLoaded(d), before) << "object " << i << ", " << ClassNameOf(*o);
        }
        // Two neighbours, the later one first, undone in turn.
        for (std::size_t i = 0; i + 1 < count; i += 3) {
            d.RemoveObject(walk(d)[i + 1], false);
            d.RemoveObject(walk(d)[i], false);
            d.Undo();
            d.Undo();
            ASSERT_EQ(zovtest::DescribeLoaded(d), before) << "objects " << i << " and " << i + 1;
        }
    }
}
