#include "model/Actions.h"
#include "model/Courbe.h"
#include "model/Objet.h"
#include "plat/gfx/Bitmap.h"
#include "plat/rt/Errors.h"
#include "support/FakeHost.h"
#include "support/ForestWalk.h"
#include "support/RoundTrip.h"

#include <QImage>
#include <Qt>

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

using namespace zov;
using zovtest::walk;
using zovtest::EditFixture;

namespace {

// Gives an object a hit box around its position, as its drawing would.
void hitBox(TObjet* o)
{
    if (!o->FPath)
        o->FBounds = { o->FX - 20, o->FY - 20, 40, 40 };
}

// Everything that identifies the forest: structure, positions, headings, sizes and steps.
std::string describe(const TDiagram& d)
{
    std::map<const TObjet*, int> ids;
    for (TObjet* o : walk(d))
        ids.emplace(o, int(ids.size()));
    auto id = [&](const TObjet* o) { return o ? std::to_string(ids.at(o)) : std::string("-"); };
    std::string out;
    for (TObjet* o : walk(d))
        out += id(o) + ":" + std::to_string(o->FGenre) + " " + std::to_string(o->FX) + "," + std::to_string(o->FY) + " h"
            + std::to_string(o->FHeading) + " s" + std::to_string(o->FSize) + " #" + std::to_string(o->FSituation) + " n"
            + id(o->FNext) + " b" + id(o->FSibling) + " p" + id(o->FPrev) + "\n";
    return out;
}

} // namespace

TEST(Editing, RacingBoatToolInsertsABoatThenItsNextSteps)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    d.ChooseTool(1);
    EXPECT_EQ(d.FEditState, esInsertNew);
    EXPECT_EQ(f.host.cursor, ViewCursor::Cross);
    f.click(100, 500);
    auto* first = dynamic_cast<TBateauCourse*>(d.FRoot);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Pos(), (TPoint { 100, 500 }));
    EXPECT_EQ(first->FHeading, 45);
    EXPECT_EQ(first->FBoatIndex, 1);
    EXPECT_EQ(d.FBoatCount, 1);
    EXPECT_EQ(d.FSelected, first);
    EXPECT_EQ(d.FEditState, esInsertAfter); // the mouse up keeps it
    EXPECT_EQ(d.FModified, 1);
    EXPECT_EQ(d.UndoCaption(), "Undo last Insert");

    f.click(300, 500); // straight to the right: travel 0, heading mirrored to 135
    auto* second = first->FNext;
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->FHeading, 135);
    EXPECT_EQ(second->FSituation, 2);
    EXPECT_EQ(second->FColor, first->FColor);
    EXPECT_EQ(second->FBoatIndex, 1);
    EXPECT_EQ(d.FSelected, second);
    EXPECT_EQ(second->FCourbe->FP0, first->Pos());

    // Straight above or below: travel at -90 or 90 degrees, not sideways.
    second->SetHeading(45);
    f.click(300, 300);
    EXPECT_EQ(second->FNext->FHeading, -45);
    d.FSelected->SetHeading(45);
    f.click(300, 600);
    EXPECT_EQ(d.FSelected->FHeading, -45);
    EXPECT_EQ(d.FSelected->FSituation, 4);

    d.FormKeyDown(Qt::Key_Escape, 0);
    EXPECT_EQ(d.FEditState, esFree);

    // Insert modes with nothing selected have nothing to copy: a click adds nothing.
    const std::size_t objects = walk(d).size();
    d.SetSelected(nullptr);
    for (auto state : { esInsertAfter, esInsertBefore }) {
        d.FEditState = state;
        f.click(700, 700);
    }
    EXPECT_EQ(walk(d).size(), objects);
}

TEST(Editing, PaletteKindsAndUnknownChoice)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    const std::pair<int, TGenre> tools[] = { { 2, gCommittee }, { 3, gJudge }, { 4, gWingJudge }, { 5, gMark },
        { 6, gSpectator }, { 7, gRemark }, { 8, gBalloon }, { 10, gLine }, { 11, gArrow }, { 12, gFlag },
        { 14, gCurvedArrow } };
    int x = 50;
    for (auto [button, genre] : tools) {
        d.ChooseTool(button);
        f.click(x, 100);
        x += 60;
        ASSERT_NE(d.FSelected, nullptr);
        EXPECT_EQ(d.FSelected->FGenre, genre) << button;
        EXPECT_EQ(d.FEditState, esFree) << button;
    }
    EXPECT_EQ(walk(d).size(), std::size(tools));
    EXPECT_EQ(d.FUndoStack.size(), std::size(tools));
    auto* mark = dynamic_cast<TBouee*>(d.FRoot->FSibling->FSibling->FSibling);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->FMarkType, 0);
    EXPECT_EQ(dynamic_cast<TCurve*>(d.FSelected)->FArcAngle, 90);

    d.ChooseTool(9); // Free
    EXPECT_EQ(d.FEditState, esFree);
    d.FChoice = 13;
    d.FEditState = esInsertNew;
    d.FormMouseDown(MouseButton::Left, 0, 900, 900);
    EXPECT_EQ(f.shell.messages, std::vector<std::string> { "Unknown choice" });
    EXPECT_EQ(d.FEditState, esInsertNew);
    EXPECT_EQ(walk(d).size(), std::size(tools));
}

TEST(Editing, PictureToolTakesTheChosenPicture)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    gfx::Bitmap picture(4, 4);
    d.ChoosePicture(); // cancelled
    EXPECT_EQ(d.FEditState, esFree);
    f.shell.pictureChosen = true;
    f.shell.picture = &picture;
    f.shell.background = true;
    d.ChoosePicture();
    EXPECT_EQ(d.FEditState, esInsertNew);
    f.click(10, 10);
    auto* perso = dynamic_cast<TPerso*>(d.FRoot);
    ASSERT_NE(perso, nullptr);
    EXPECT_EQ(perso->FSituation, -1);
    ASSERT_NE(perso->FBitmap, nullptr);

    f.shell.picture = nullptr; // nothing to place: no empty picture object
    d.ChoosePicture();
    f.click(50, 50);
    EXPECT_EQ(walk(d).size(), 1u);
}

TEST(Editing, DragMovesOnceUndoableAndMovesWithin100msAreDropped)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    CurrentDiagramScope scope(&d);
    auto* arrow = new TFleche({ 200, 200 }, 90, 1);
    d.FRoot = arrow;
    hitBox(arrow);
    d.FormMouseDown(MouseButton::Left, ssLeft, 205, 203);
    EXPECT_EQ(d.FSelected, arrow);
    EXPECT_EQ(d.FEditState, esMoving);
    EXPECT_EQ(f.host.cursor, ViewCursor::PointingHand);
    d.FormMouseMove(ssLeft, 250, 250); // within 100 ms of the press: dropped
    EXPECT_EQ(arrow->Pos(), (TPoint { 200, 200 }));
    f.move(ssLeft, 305, 303);
    EXPECT_EQ(arrow->Pos(), (TPoint { 300, 300 }));
    f.move(ssLeft, 405, 403);
    d.FormMouseUp(MouseButton::Left, 0, 405, 403);
    EXPECT_EQ(arrow->Pos(), (TPoint { 400, 400 }));
    EXPECT_EQ(d.FEditState, esFree);
    ASSERT_EQ(d.FUndoStack.size(), 1u); // one record for the whole drag
    EXPECT_EQ(d.UndoCaption(), "Undo last Move");
    d.Undo();
    EXPECT_EQ(arrow->Pos(), (TPoint { 200, 200 }));
    EXPECT_TRUE(d.FUndoStack.empty());
    EXPECT_THROW(d.Undo(), rt::ListIndexError);
}

TEST(Editing, TheMouseThrottleSurvivesTheTickCounterWrapping)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    CurrentDiagramScope scope(&d);
    auto* arrow = new TFleche({ 200, 200 }, 90, 1);
    d.FRoot = arrow;
    hitBox(arrow);
    f.host.now = 0xFFFFFFF0u;
    d.FLastMouseTime = f.host.now - 500;
    d.FormMouseMove(0, 200, 200);
    EXPECT_EQ(d.FHovered, arrow);
    f.host.now = 0x20; // 48 ms later, after the wrap: dropped
    d.FormMouseMove(0, 600, 600);
    EXPECT_EQ(d.FHovered, arrow);
    f.host.now = 0x90; // 160 ms later: handled
    d.FormMouseMove(0, 600, 600);
    EXPECT_EQ(d.FHovered, nullptr);
}

TEST(Editing, RightDragRotatesAboutTheCentreWithoutAJump)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    CurrentDiagramScope scope(&d);
    auto* arrow = new TFleche({ 500, 500 }, 30, 1);
    d.FRoot = arrow;
    hitBox(arrow);
    d.FormMouseDown(MouseButton::Left, ssLeft, 500, 500);
    d.FormMouseUp(MouseButton::Left, 0, 500, 500);
    ASSERT_EQ(d.FSelected, arrow);
    d.FormMouseDown(MouseButton::Right, ssRight, 500, 510); // on the object, straight below its centre
    EXPECT_EQ(d.FEditState, esRotating);
    f.move(ssRight, 500, 510);
    EXPECT_EQ(arrow->FHeading, 30); // no jump at the first move
    f.move(ssRight, 400, 500);      // a quarter turn clockwise
    EXPECT_EQ(arrow->FHeading, 120);
    EXPECT_GE(f.shell.setupRefreshes, 2);
    d.FormMouseUp(MouseButton::Right, 0, 400, 500);
    EXPECT_EQ(d.UndoCaption(), "Undo last Rotation");
    const int refreshes = f.shell.setupRefreshes;
    d.Undo();
    EXPECT_EQ(arrow->FHeading, 30);
    EXPECT_EQ(f.shell.setupRefreshes, refreshes + 1); // the dialog shows the heading given back

    EXPECT_EQ(d.PointerAngle(arrow, { 500, 400 }), 0);
    EXPECT_EQ(d.PointerAngle(arrow, { 600, 500 }), 90);
    EXPECT_EQ(d.PointerAngle(arrow, { 500, 600 }), 180);
    EXPECT_EQ(d.PointerAngle(arrow, { 400, 500 }), -90);
    auto* balloon = new TBulle({ 100, 100 }, 0, 1);
    balloon->FTextRect = { 0, 0, 80, 40 };
    EXPECT_EQ(d.PointerAngle(balloon, { 140, 50 }), 0); // about the text's centre
    delete balloon;
}

TEST(Editing, ClickOnWaterDeselectsAndADragPans)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    CurrentDiagramScope scope(&d);
    auto* arrow = new TFleche({ 500, 500 }, 90, 1);
    d.FRoot = arrow;
    hitBox(arrow);
    f.click(500, 500);
    EXPECT_EQ(d.FSelected, arrow);
    EXPECT_TRUE(f.shell.setupVisible);
    d.FormMouseDown(MouseButton::Left, ssLeft, 100, 100);
    EXPECT_EQ(d.FSelected, nullptr);
    EXPECT_FALSE(f.shell.setupVisible);
    EXPECT_EQ(f.host.cursor, ViewCursor::Grip);
    f.move(ssLeft, 100, 100); // the first move takes the reference
    EXPECT_EQ(d.FCentre, (TPoint { 500, 500 }));
    f.move(ssLeft, 150, 80);
    EXPECT_EQ(d.FCentre, (TPoint { 450, 520 }));
    EXPECT_EQ(d.FView.x, -50);
    d.FormMouseUp(MouseButton::Left, 0, 150, 80);
    EXPECT_EQ(d.FMousRef, (TPoint { 0, 0 }));
}

TEST(Editing, HitTestPrefersTheLaterStepAndSkipsTheBackground)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    CurrentDiagramScope scope(&d);
    auto* s1 = new TBateauJuge({ 300, 300 }, 0, 1);
    auto* s2 = new TBateauJuge({ 310, 300 }, 0, 1);
    s2->FSituation = 2;
    gfx::Bitmap picture(2, 2);
    auto* background = new TPerso({ 300, 300 }, 1, &picture, true);
    d.FRoot = background;
    background->AppendSibling(s1);
    s1->LinkAfter(s2);
    for (TObjet* o : walk(d))
        hitBox(o);
    EXPECT_EQ(d.HitTest({ 305, 300 }), s2);
    EXPECT_EQ(d.HitTest({ 285, 300 }), s1);
    d.FBackground = background;
    EXPECT_EQ(d.HitTest({ 300, 330 }), nullptr);
    // A right press on the water selects the background and starts turning it.
    d.FormMouseDown(MouseButton::Right, ssRight, 900, 900);
    EXPECT_EQ(d.FSelected, background);
    EXPECT_EQ(d.FEditState, esRotating);
}

TEST(Editing, InsertBeforeTheFirstStepTakesItsPlace)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    d.ChooseTool(1);
    f.click(100, 100);
    f.click(200, 100);
    f.click(300, 100);
    TObjet* first = d.FRoot;
    d.SetSelected(first);
    d.FEditState = esInsertBefore;
    f.click(50, 50);
    TObjet* before = d.FRoot;
    EXPECT_NE(before, first);
    EXPECT_EQ(before->FNext, first);
    EXPECT_EQ(before->FSituation, 1);
    EXPECT_EQ(first->FSituation, 2);
    EXPECT_EQ(first->FNext->FNext->FSituation, 4);
    EXPECT_EQ(first->FCourbe->FP0, (TPoint { 50, 50 }));
    EXPECT_EQ(d.FEditState, esFree);

    d.SetSelected(first->FNext); // a later step: between it and its predecessor
    d.FEditState = esInsertBefore;
    f.click(150, 150);
    EXPECT_EQ(first->FNext->Pos(), (TPoint { 150, 150 }));
    std::vector<int> steps;
    for (TObjet* o = d.FRoot; o; o = o->FNext)
        steps.push_back(o->FSituation);
    EXPECT_EQ(steps, (std::vector<int> { 1, 2, 3, 4, 5 }));
    d.Undo();
    d.Undo();
    steps.clear();
    for (TObjet* o = d.FRoot; o; o = o->FNext)
        steps.push_back(o->FSituation);
    EXPECT_EQ(steps, (std::vector<int> { 1, 2, 3 }));
    EXPECT_EQ(d.FRoot, first);
}

TEST(Editing, DeletingAndUndoingKeepTheForestAndItsNumbers)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    d.NewStart();
    // Give the first racing boat three more steps and the judge boat two steps.
    TObjet* boat = d.FRoot->FSibling->FSibling;
    d.SetSelected(boat);
    d.FEditState = esInsertAfter;
    f.click(450, 200);
    f.click(500, 300);
    f.click(550, 400);
    d.FEditState = esFree;
    CurrentDiagramScope scope(&d);
    auto* judge = new TBateauJuge({ 900, 500 }, 0, 1);
    d.FRoot->AppendSibling(judge);
    d.SetSelected(judge);
    d.FEditState = esInsertAfter;
    f.click(900, 400);
    d.FEditState = esFree;
    const std::string before = describe(d);
    const std::size_t records = d.FUndoStack.size();

    // A middle step of the boat, then the judge boat's first step (its second moves up).
    d.RemoveObject(boat->FNext->FNext, false);
    EXPECT_EQ(boat->FNext->FNext->FSituation, 3);
    d.RemoveObject(judge, false);
    ASSERT_NE(d.FRoot, nullptr);
    bool judgeStepFound = false;
    for (TObjet* o = d.FRoot; o; o = o->FSibling)
        if (o->FGenre == gJudge) {
            judgeStepFound = true;
            EXPECT_EQ(o->FSituation, 1); // its numbering closes up too
        }
    EXPECT_TRUE(judgeStepFound);
    // The root (a mark) and the head of the boat with later steps.
    d.RemoveObject(d.FRoot, false);
    d.RemoveObject(boat, false);
    EXPECT_NE(describe(d), before);
    while (d.FUndoStack.size() > records)
        d.Undo();
    EXPECT_EQ(describe(d), before);
}

// A committee boat or a spectator given further positions is shown at every step: its chain is
// numbered 0 throughout, and deleting a step and undoing it, or inserting one before it and
// undoing that, leave every number as it was, in memory and in the file.
TEST(Editing, ChainsShownAtEveryStepKeepTheirNumbersThroughDeleteAndUndo)
{
    for (int tool : { 2, 6 }) { // committee, spectator
        SCOPED_TRACE(tool);
        EditFixture f;
        TDiagram& d = f.diagram;
        d.ChooseTool(tool);
        f.click(100, 100);
        TObjet* head = d.FRoot;
        ASSERT_NE(head, nullptr);
        d.FEditState = esInsertAfter;
        f.click(200, 100);
        f.click(300, 100);
        f.click(400, 100);
        d.FEditState = esFree;
        auto numbers = [&] {
            std::vector<int> out;
            for (TObjet* o = d.FRoot; o; o = o->FNext)
                out.push_back(o->FSituation);
            return out;
        };
        ASSERT_EQ(numbers(), (std::vector<int> { 0, 0, 0, 0 }));
        const std::string before = describe(d);
        for (int i : { 1, 2 }) {
            TObjet* o = d.FRoot;
            for (int k = 0; k < i; ++k)
                o = o->FNext;
            d.RemoveObject(o, false);
            d.Undo();
            EXPECT_EQ(describe(d), before) << "step " << i;
        }
        d.SetSelected(head->FNext); // one more in the middle of the chain
        d.FEditState = esInsertAfter;
        f.click(250, 200);
        d.FEditState = esFree;
        EXPECT_EQ(numbers(), (std::vector<int> { 0, 0, 0, 0, 0 }));
        const auto bytes = zovtest::ExpectRoundTrip(d);
        TDiagram back;
        ASSERT_TRUE(back.LoadFromBytes("mem", bytes.data(), bytes.size(), false));
        for (TObjet* o = back.FRoot; o; o = o->FNext)
            EXPECT_EQ(o->FSituation, 0);
    }

    // Insert before on a lone spectator, then undo: it is shown at every step again.
    EditFixture f;
    TDiagram& d = f.diagram;
    d.ChooseTool(6);
    f.click(100, 100);
    TObjet* spectator = d.FRoot;
    d.SetSelected(spectator);
    d.FEditState = esInsertBefore;
    f.click(50, 50);
    ASSERT_EQ(d.FRoot->FNext, spectator);
    EXPECT_EQ(d.FRoot->FSituation, 0);
    EXPECT_EQ(spectator->FSituation, 0);
    d.Undo();
    EXPECT_EQ(d.FRoot, spectator);
    EXPECT_EQ(spectator->FSituation, 0);
}

// A position with two next steps (a file may hold that): deleting the second and undoing puts
// it back as a further next step of that position, not at the end of the top level.
TEST(Editing, UndoingTheDeletionOfASecondNextStepPutsItBackThere)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    d.ChooseTool(1);
    f.click(100, 100);
    f.click(200, 100);
    f.click(300, 100);
    d.FEditState = esFree;
    TObjet* first = d.FRoot;
    TObjet* second;
    {
        CurrentDiagramScope scope(&d);
        second = new TBateauCourse({ 200, 300 }, 90, 1, 0, 0);
        second->FSituation = 2;
        first->AddNext(second); // a further next step of the first position
        auto* later = new TBateauCourse({ 300, 300 }, 90, 1, 0, 0);
        later->FSituation = 3;
        second->AddNext(later);
        d.FRoot->AppendSibling(new TBouee({ 500, 500 }, 3, 1));
    }
    const std::string before = describe(d);
    d.SetSelected(second);
    d.Delete1Click();
    EXPECT_EQ(first->FNext->FSibling, second->FNext) << "its next step takes its place";
    d.Undo();
    EXPECT_EQ(first->FNext->FSibling, second);
    EXPECT_EQ(second->FPrev, first->FNext);
    EXPECT_EQ(describe(d), before);
}

TEST(Editing, RemovingTwiceRecordsOnceAndCommitteeReturnsWithUndo)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    d.NewStart();
    TObjet* committee = d.FCommittee;
    ASSERT_NE(committee, nullptr);
    d.RemoveObject(committee, false);
    d.RemoveObject(committee, false);
    EXPECT_EQ(d.FUndoStack.size(), 1u);
    EXPECT_EQ(d.FCommittee, nullptr);
    d.Undo();
    EXPECT_EQ(d.FCommittee, committee);
    EXPECT_EQ(walk(d).size(), 4u);
}

TEST(Editing, ADeletedFirstMarkNoLongerHoldsTheGridAndItsUndoPutsItBack)
{
    // The grid runs through the first mark; without one it runs through the top left corner.
    const auto windward = [](EditFixture& f) {
        f.diagram.NewWindward();
        f.diagram.FShowGrid = 1;
        return f.diagram.FFirstMark;
    };
    const auto picture = [](TDiagram& d) { return d.RenderToBitmap(400, 300)->image(); };
    EditFixture f;
    TDiagram& d = f.diagram;
    TObjet* mark = windward(f);
    ASSERT_NE(mark, nullptr);
    const QImage withMark = picture(d);
    EditFixture other;
    other.diagram.RemoveObject(windward(other), true); // a mark that is gone for good
    const QImage withoutMark = picture(other.diagram);
    ASSERT_NE(withMark, withoutMark);

    d.SetSelected(mark);
    d.Delete1Click(); // the setup dialog's Delete button
    EXPECT_EQ(d.FFirstMark, nullptr);
    EXPECT_EQ(picture(d), withoutMark);
    d.Undo();
    EXPECT_EQ(d.FFirstMark, mark);
    EXPECT_EQ(picture(d), withMark);
}

TEST(Editing, KeysChooseToolsOnlyWithAltAlone)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    d.FormKeyDown(Qt::Key_R, ssAlt | ssShift);
    EXPECT_EQ(d.FEditState, esFree);
    d.FormKeyDown(Qt::Key_M, ssAlt);
    EXPECT_EQ(d.FEditState, esInsertNew);
    EXPECT_EQ(d.FChoice, gMark);
    d.FormKeyDown(Qt::Key_R, ssAlt);
    EXPECT_EQ(d.FChoice, gRacingBoat);
    EXPECT_FALSE(d.MouseWheelUp(0));
    EXPECT_TRUE(d.MouseWheelUp(ssCtrl));
    EXPECT_FLOAT_EQ(d.FZoom, 1.1f);
    EXPECT_TRUE(d.MouseWheelDown(ssCtrl));
    EXPECT_FLOAT_EQ(d.FZoom, 0.99f);
}

TEST(Editing, DocumentTextsAreFoundOrMadeAndSelected)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    EXPECT_EQ(d.FindOrAddText(gComments, false), nullptr);
    TGenText* comments = d.FindOrAddText(gComments, true);
    ASSERT_NE(comments, nullptr);
    EXPECT_EQ(comments->FGenre, gComments);
    EXPECT_EQ(d.FRoot, comments);
    EXPECT_EQ(f.shell.commentsFor, comments);
    EXPECT_EQ(d.FindOrAddText(gComments, true), comments);
    EXPECT_EQ(d.FindOrAddText(gComments, false), comments);
    EXPECT_EQ(d.FindOrAddText(gSummary, false), nullptr);
}

// Random edits followed by as many undos give back the forest exactly.
TEST(Editing, RandomEditsUndoneRestoreTheForest)
{
    std::mt19937 rng(2024);
    for (int round = 0; round < 25; ++round) {
        EditFixture f;
        TDiagram& d = f.diagram;
        d.NewStart();
        const std::string atStart = describe(d);
        std::string log; // the edits made, for the failure message
        for (int op = 0; op < 30; ++op) {
            std::vector<TObjet*> all = walk(d);
            TObjet* target = all.empty() ? nullptr : all[rng() % all.size()];
            const int x = int(rng() % 900) + 50, y = int(rng() % 900) + 50;
            const int kind = int(rng() % 6);
            log += std::to_string(kind) + (target ? " " + std::to_string(target->FGenre) + "@" + std::to_string(target->FX) : "") + "; ";
            switch (kind) {
            case 0:
                d.ChooseTool(int(rng() % 14) + 1);
                f.click(x, y);
                break;
            case 1:
                if (target) {
                    d.SetSelected(target);
                    d.FEditState = esInsertAfter;
                    f.click(x, y);
                }
                break;
            case 2:
                if (target) {
                    d.SetSelected(target);
                    d.FEditState = esInsertBefore;
                    f.click(x, y);
                }
                break;
            case 3:
                if (target)
                    d.RemoveObject(target, false);
                break;
            case 4:
                if (target) {
                    target->MoveTo({ x, y }, false);
                    target->Rotate(false, float(x % 360) - 180);
                }
                break;
            case 5:
                if (!d.FUndoStack.empty())
                    d.Undo();
                break;
            }
            d.FEditState = esFree;
            ASSERT_LT(walk(d).size(), 1000u) << "a loop after op " << op;
        }
        zovtest::ExpectRoundTrip(d);
        while (!d.FUndoStack.empty())
            d.Undo();
        ASSERT_EQ(describe(d), atStart) << "round " << round << ": " << log;
    }
}
