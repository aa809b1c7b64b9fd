#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Graphics.h"
#include "support/FakeHost.h"

#include <Qt>

#include <typeinfo>

#include <gtest/gtest.h>

using namespace zov;
using zovtest::EditFixture;

namespace {

// A racing boat with positions at steps 1..steps, plus a committee boat placed once.
struct AnimatedDiagram : EditFixture {
    explicit AnimatedDiagram(int steps = 3)
    {
        FramesPerStep = 20;
        auto* boat = new TBateauCourse({ 100, 500 }, 90, 1, 0, 0);
        diagram.FRoot = boat;
        TObjet* last = boat;
        for (int s = 2; s <= steps; ++s) {
            auto* next = new TBateauCourse({ 100 + 200 * (s - 1), 500 }, 90, 1, 0, 0);
            next->FSituation = s;
            last->AddNext(next);
            last = next;
        }
        committee = new TBateauComite({ 800, 200 }, 0, 1);
        diagram.FRoot->AppendSibling(committee);
        diagram.Redraw();
        diagram.OnTrack = [this](std::int32_t p) { positions.push_back(p); };
        diagram.OnPause = [this](bool paused) { pauses.push_back(paused); };
        diagram.OnMode = [this] { ++modeChanges; };
    }
    TObjet* committee;
    std::vector<std::int32_t> positions;
    std::vector<bool> pauses;
    int modeChanges = 0;
};

} // namespace

TEST(Animation, PlaysToTheLastStepAndPausesThere)
{
    AnimatedDiagram a;
    TDiagram& d = a.diagram;
    d.SetMode(dmAnimation);
    EXPECT_EQ(a.modeChanges, 1);
    EXPECT_EQ(a.host.timerMs, 50);
    EXPECT_EQ(d.FStep, 1);
    EXPECT_EQ(d.FPlayUntil, 3);
    ASSERT_NE(d.FBoatList, nullptr);
    EXPECT_EQ(d.FBoatList->Count(), 1); // the committee boat gets no ghost
    EXPECT_EQ(static_cast<TBateau*>(a.committee)->FGhost, 1); // placed once: drawn in full
    EXPECT_EQ(static_cast<TBateau*>(d.FRoot)->FGhost, 0);

    for (int i = 0; i < 100 && !d.FPaused; ++i)
        d.WMTimer(1);
    ASSERT_EQ(a.positions.size(), 40u);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(a.positions[std::size_t(i)], i + 1);
    EXPECT_EQ(d.FStep, 3);
    EXPECT_EQ(d.FFrameIndex, 0);
    EXPECT_EQ(a.pauses, std::vector<bool> { true });
    EXPECT_EQ(a.host.timerMs, 0);
    d.WMTimer(2); // not the animation timer
    EXPECT_EQ(a.positions.size(), 40u);

    d.SetMode(dmAnimation); // already animating: nothing
    EXPECT_EQ(a.modeChanges, 1);
    d.FormKeyDown(Qt::Key_Escape, 0);
    EXPECT_EQ(d.FDisplayMode, dmEdit);
    EXPECT_EQ(d.FStep, 0);
    EXPECT_EQ(a.modeChanges, 2);
}

TEST(Animation, GhostsMoveAlongTheirTracksFrameByFrame)
{
    AnimatedDiagram a;
    TDiagram& d = a.diagram;
    d.SetMode(dmAnimation);
    auto* ghost = static_cast<TBateau*>(d.FBoatList->Item(0));
    gfx::Bitmap buffer(d.ClientWidth(), d.ClientHeight());
    for (int frame : { 0, 10 }) {
        while (d.FFrameIndex != frame)
            d.Step(false);
        gfx::Graphics g(buffer);
        d.MyPaint(g);
        EXPECT_NEAR(ghost->FX, 100 + 10 * frame, 1) << frame; // 200 units in 20 frames
    }
}

TEST(Animation, NextStepPrevStepAndTheSlider)
{
    AnimatedDiagram a;
    TDiagram& d = a.diagram;
    d.SetMode(dmAnimation);
    d.Pause();
    EXPECT_EQ(a.pauses, std::vector<bool> { true });
    d.TrackEvent(20); // step 2, frame 0
    EXPECT_EQ(d.FStep, 2);
    a.positions.clear();
    d.NextStep(); // runs one step on, then pauses
    EXPECT_EQ(a.host.timerMs, 50);
    while (!d.FPaused)
        d.WMTimer(1);
    EXPECT_EQ(d.FStep, 3);
    EXPECT_EQ(a.positions.back(), 40);
    d.NextStep(); // already at the last step
    EXPECT_TRUE(d.FPaused);

    a.positions.clear();
    d.TrackEvent(45); // step 3, frame 5
    EXPECT_EQ(d.FStep, 3);
    EXPECT_EQ(d.FFrameIndex, 5);
    d.PrevStep();
    d.TrackEvent(40);
    d.PrevStep();
    d.TrackEvent(5);
    d.PrevStep(); // step 1, frame 5: back to 0
    d.TrackEvent(0);
    d.PrevStep(); // step 1, frame 0: nothing
    EXPECT_EQ(a.positions, (std::vector<std::int32_t> { 40, 20, 0 }));
    d.FormKeyDown(Qt::Key_Right, 0);
    EXPECT_EQ(a.positions.back(), 1);
}

TEST(Animation, PauseOutsideAnimationAndHidingTheDiagram)
{
    AnimatedDiagram a;
    TDiagram& d = a.diagram;
    d.Pause();
    EXPECT_TRUE(a.pauses.empty());
    d.SetMode(dmAnimation);
    d.HideDiagram();
    EXPECT_EQ(a.pauses, std::vector<bool> { false });
    EXPECT_EQ(d.FDisplayMode, dmEdit);
    EXPECT_EQ(a.host.timerMs, 0);
    EXPECT_TRUE(a.host.hidden);
}

TEST(Animation, SingleStepDiagramPausesAtStepTwo)
{
    AnimatedDiagram a(1);
    TDiagram& d = a.diagram;
    d.SetMode(dmAnimation);
    for (int i = 0; i < 100 && !d.FPaused; ++i)
        d.WMTimer(1);
    EXPECT_EQ(d.FStep, 2);
    EXPECT_EQ(d.FBoatList->Count(), 0);
    EXPECT_EQ(a.positions.back(), FramesPerStep);
}

TEST(Animation, GhostFlagsAreSetAfreshOnEachStart)
{
    AnimatedDiagram a;
    TDiagram& d = a.diagram;
    d.SetMode(dmAnimation);
    d.SetMode(dmEdit);
    // The committee boat gets a second position: next time it is drawn faint.
    auto* moved = new TBateauComite({ 850, 200 }, 0, 1);
    a.committee->AddNext(moved);
    d.SetMode(dmAnimation);
    EXPECT_EQ(static_cast<TBateau*>(a.committee)->FGhost, 0);
}

TEST(Animation, AStepOfAnotherClassInABoatsChainGetsNoGhost)
{
    // A damaged file can chain a judge boat and a mark under a racing boat.
    AnimatedDiagram a(1);
    TDiagram& d = a.diagram;
    auto* judge = new TBateauJuge({ 300, 500 }, 90, 1);
    judge->FSituation = 2;
    d.FRoot->AddNext(judge);
    auto* mark = new TBouee({ 500, 500 }, 1, 1);
    mark->FSituation = 3;
    judge->AddNext(mark);
    auto* racing = new TBateauCourse({ 700, 500 }, 90, 1, 0, 0);
    racing->FSituation = 4;
    mark->AddNext(racing);
    d.Redraw();
    ASSERT_EQ(d.FStepCount, 4);

    d.SetMode(dmAnimation);
    ASSERT_EQ(d.FBoatList->Count(), 1);
    EXPECT_EQ(typeid(*d.FBoatList->Item(0)), typeid(TBateauCourse));
    for (std::int32_t step : { 2, 3 }) {
        d.BuildAnimationList(step);
        EXPECT_EQ(d.FBoatList->Count(), 0) << step;
    }
    d.BuildAnimationList(4);
    EXPECT_EQ(d.FBoatList->Count(), 1);

    // The animation plays through them to the end.
    d.BuildAnimationList(1);
    gfx::Bitmap buffer(d.ClientWidth(), d.ClientHeight());
    for (int i = 0; i < 100 && !d.FPaused; ++i) {
        d.WMTimer(1);
        gfx::Graphics g(buffer);
        d.MyPaint(g);
    }
    EXPECT_EQ(d.FStep, 4);
}
