#include "FakeDialogHost.h"
#include "support/FakeHost.h"

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "shell/SetupDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>

using namespace zov;

namespace {

// A diagram with a window, whose undo refills the dialog as the program's does.
struct SetupDiagram : TDiagram {
    using TDiagram::TDiagram;
    TSetup* setup = nullptr;
    int refreshes = 0;
    void RefreshSetup() override
    {
        ++refreshes;
        if (setup)
            setup->Refresh(FSelected);
    }
};

struct Scene {
    zovtest::FakeHost host;
    SetupDiagram diagram { &host };
    CurrentDiagramScope current { &diagram };
    TSetup setup;

    Scene()
    {
        diagram.setup = &setup;
        diagram.SetClientSize(400, 300);
    }
    template <class T> T* add(T* obj)
    {
        if (!diagram.FRoot)
            diagram.FRoot = obj;
        else
            diagram.FRoot->AppendSibling(obj);
        return obj;
    }
    // A racing boat of three steps numbered 1, 2, 3, all visible.
    std::vector<TBateauCourse*> boat()
    {
        std::vector<TBateauCourse*> steps;
        for (int i = 0; i < 3; ++i) {
            auto* b = new TBateauCourse({ 100 + 100 * i, 100 }, 45, 1.0f, 0, 0);
            b->FSituation = i + 1;
            b->FFlags |= flVisible;
            if (steps.empty())
                add(b);
            else
                steps.back()->AddNext(b);
            steps.push_back(b);
        }
        return steps;
    }
    // Takes the "modified" mark and the repaints seen so far.
    bool changed()
    {
        const bool was = diagram.FModified == 1 && host.repaints > 0;
        diagram.FModified = 0;
        host.repaints = 0;
        return was;
    }
};

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton);
}

} // namespace

TEST(SetupDialog, EachClassGetsItsPanelAndItsControls)
{
    Scene s;
    auto* picture = s.add(new TPerso({ 0, 0 }, 1.0f, nullptr, false));
    auto* mark = s.add(new TBouee({ 0, 0 }, 3, 1.0f));
    auto* judge = s.add(new TBateauJuge({ 0, 0 }, 0, 1.0f));
    auto* curve = s.add(new TCurve({ 0, 0 }, 0, 1.0f, 90, 1));
    auto* flag = s.add(new TDrapeau({ 0, 0 }, 1, 1.0f));
    auto* boat = s.add(new TBateauCourse({ 0, 0 }, 0, 1.0f, 0, 0));
    TSetup& d = s.setup;

    d.Refresh(picture);
    EXPECT_TRUE(d.Heading->isHidden());
    EXPECT_TRUE(d.Shape1->isHidden());
    EXPECT_TRUE(d.ScrollBar1->isEnabled());
    EXPECT_FALSE(d.PanelPict->isHidden());
    EXPECT_TRUE(d.PanelBoat->isHidden());
    EXPECT_FALSE(d.ckTransparent->isEnabled());

    mark->FFlags |= flOutline;
    mark->FRayonOutline = 4;
    d.Refresh(mark);
    EXPECT_TRUE(d.Heading->isHidden());
    EXPECT_FALSE(d.Shape1->isHidden());
    EXPECT_FALSE(d.PanelBoat->isHidden());
    EXPECT_TRUE(d.PanelPict->isHidden());
    EXPECT_TRUE(d.Outline->isEnabled());
    EXPECT_TRUE(d.Outline->isChecked());
    EXPECT_TRUE(d.Edit3->isEnabled());
    EXPECT_EQ(d.Edit3->text(), "4"); // the mark's own circle size
    for (QWidget* w : std::initializer_list<QWidget*> { d.CheckBox1, d.ComboBox1, d.ckSpinnaker, d.ManualTrimming,
             d.ComboBox2, d.Ratio, d.Button1, d.Button2 })
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();

    d.Refresh(judge);
    EXPECT_FALSE(d.Heading->isHidden());
    EXPECT_TRUE(d.Outline->isEnabled());
    EXPECT_FALSE(d.Edit3->isEnabled());
    EXPECT_TRUE(d.Button1->isEnabled());
    EXPECT_FALSE(d.CheckBox1->isEnabled());
    EXPECT_FALSE(d.ComboBox2->isEnabled());

    curve->FArcAngle = std::numeric_limits<float>::quiet_NaN();
    d.Refresh(curve);
    EXPECT_FALSE(d.PanelCurve->isHidden());
    EXPECT_TRUE(d.PanelBoat->isHidden());
    EXPECT_EQ(d.ArcAngle->value(), 0);
    EXPECT_FALSE(d.ckClockwise->isChecked()); // direction 1

    d.Refresh(flag);
    EXPECT_FALSE(d.PanelFlag->isHidden());
    EXPECT_TRUE(d.PanelCurve->isHidden());
    EXPECT_TRUE(d.Heading->isHidden());
    EXPECT_FALSE(d.ckPicture->isEnabled());

    // A hull type from a damaged file selects nothing and is kept.
    boat->FHull = 9;
    boat->FReglage = 30000;
    d.Refresh(boat);
    EXPECT_EQ(d.ComboBox2->currentIndex(), -1);
    EXPECT_EQ(d.ScrollBar2->value(), 180);
    EXPECT_EQ(d.Edit4->text(), "180");
    EXPECT_EQ(boat->FHull, 9);
    EXPECT_EQ(boat->FReglage, 30000);
    EXPECT_TRUE(d.CheckBox1->isEnabled());
    EXPECT_FALSE(d.ScrollBar2->isEnabled()); // automatic trim
    EXPECT_EQ(d.windowTitle(), "Racing boat setup");
    EXPECT_FALSE(s.changed()); // filling changes nothing
    EXPECT_TRUE(s.diagram.FUndoStack.empty());
}

TEST(SetupDialog, RacingBoatControlsEditTheStepAndMarkTheDiagram)
{
    Scene s;
    auto steps = s.boat();
    TSetup& d = s.setup;
    d.Refresh(steps[0]);
    ASSERT_TRUE(d.CheckBox1->isChecked());

    // Hiding step 1 lets step 2 share its number; showing it again restores the numbering.
    click(d.CheckBox1);
    EXPECT_EQ(steps[0]->FFlags & flVisible, 0);
    EXPECT_EQ(steps[1]->FSituation, 1);
    EXPECT_EQ(steps[2]->FSituation, 2);
    EXPECT_TRUE(s.changed());
    click(d.CheckBox1);
    EXPECT_EQ(steps[1]->FSituation, 2);
    EXPECT_EQ(steps[2]->FSituation, 3);
    EXPECT_TRUE(s.changed());

    // The zone circle and its size, this step only.
    EXPECT_FALSE(d.Edit3->isEnabled());
    click(d.Outline);
    EXPECT_TRUE(d.Edit3->isEnabled());
    EXPECT_NE(steps[0]->FFlags & flOutline, 0);
    EXPECT_EQ(steps[1]->FFlags & flOutline, 0);
    EXPECT_TRUE(s.changed());
    d.Edit3->selectAll();
    QTest::keyClicks(d.Edit3, "5");
    EXPECT_EQ(steps[0]->FRayonOutline, 5);
    EXPECT_TRUE(s.changed());

    // Overlap: starboard sets both bits, none clears them.
    QTest::keyClick(d.ComboBox1, Qt::Key_Down);
    QTest::keyClick(d.ComboBox1, Qt::Key_Down);
    EXPECT_EQ(steps[0]->FFlags & (flOverlap | flOverlapStarboard), flOverlap | flOverlapStarboard);
    EXPECT_TRUE(s.changed());
    QTest::keyClick(d.ComboBox1, Qt::Key_Home);
    EXPECT_EQ(steps[0]->FFlags & (flOverlap | flOverlapStarboard), 0);

    // Spinnaker, then the asymmetric one it makes available.
    EXPECT_FALSE(d.ckAsymetric->isEnabled());
    click(d.ckSpinnaker);
    EXPECT_EQ(steps[0]->FSpinnaker, 1);
    EXPECT_EQ(steps[1]->FSpinnaker, 0);
    ASSERT_TRUE(d.ckAsymetric->isEnabled());
    click(d.ckAsymetric);
    EXPECT_EQ(steps[0]->FAsymetric, 1);
    EXPECT_TRUE(s.changed());

    // Manual trimming frees the sail angle; leaving it shows the angle the boat keeps.
    EXPECT_FALSE(d.ScrollBar2->isEnabled());
    click(d.ManualTrimming);
    EXPECT_EQ(steps[0]->FManualTrimming, 1);
    ASSERT_TRUE(d.ScrollBar2->isEnabled());
    d.Edit4->selectAll();
    QTest::keyClicks(d.Edit4, "-40");
    EXPECT_EQ(d.ScrollBar2->value(), -40);
    EXPECT_EQ(steps[0]->FReglage, -40);
    EXPECT_EQ(steps[1]->FManualTrimming, 0);
    QTest::keyClick(d.ScrollBar2, Qt::Key_Home);
    EXPECT_EQ(steps[0]->FReglage, -180);
    EXPECT_EQ(d.Edit4->text(), "-180");
    EXPECT_TRUE(s.changed());
    click(d.ManualTrimming);
    EXPECT_EQ(steps[0]->FManualTrimming, 0);
    EXPECT_FALSE(d.ScrollBar2->isEnabled());
    EXPECT_EQ(d.Edit4->Value(), steps[0]->FReglage);
    EXPECT_TRUE(s.changed());
    EXPECT_TRUE(s.diagram.FUndoStack.empty()); // none of these keeps an undo record

    // The dialog shows the step it was refreshed for.
    d.Refresh(steps[0]);
    EXPECT_TRUE(d.ckSpinnaker->isChecked());
    EXPECT_TRUE(d.ckAsymetric->isChecked());
    EXPECT_TRUE(d.Outline->isChecked());
    EXPECT_EQ(d.Edit3->text(), "5");
    d.Refresh(steps[1]);
    EXPECT_FALSE(d.ckSpinnaker->isChecked());
    EXPECT_FALSE(d.Outline->isChecked());
    EXPECT_FALSE(s.changed());
}

TEST(SetupDialog, HullAndRatioReachLaterStepsAndUndoRefreshesTheDialog)
{
    Scene s;
    auto steps = s.boat();
    TSetup& d = s.setup;
    steps[1]->FSpinnaker = 1;
    s.diagram.FSelected = steps[1];
    d.Refresh(steps[1]);
    ASSERT_TRUE(d.Ratio->isEnabled());

    // The ratio goes to this step and the later ones; a drag is one record.
    QTest::keyClick(d.Ratio, Qt::Key_Home);
    QTest::keyClick(d.Ratio, Qt::Key_End);
    EXPECT_EQ(steps[0]->FRatio, 0);
    EXPECT_EQ(steps[1]->FRatio, 100);
    EXPECT_EQ(steps[2]->FRatio, 100);
    EXPECT_EQ(d.Edit5->text(), "100");
    EXPECT_TRUE(s.changed());
    ASSERT_EQ(s.diagram.FUndoStack.size(), 1u);

    // Optimist: no spinnaker, no ratio.
    QTest::keyClick(d.ComboBox2, Qt::Key_Down);
    QTest::keyClick(d.ComboBox2, Qt::Key_Down);
    EXPECT_EQ(steps[1]->FHull, 2);
    EXPECT_EQ(steps[2]->FHull, 2);
    EXPECT_EQ(steps[0]->FHull, 0);
    EXPECT_FALSE(d.ckSpinnaker->isChecked());
    EXPECT_FALSE(d.ckSpinnaker->isEnabled());
    EXPECT_EQ(steps[1]->FSpinnaker, 0);
    EXPECT_FALSE(d.Ratio->isEnabled());
    EXPECT_FALSE(d.Label3->isEnabled());
    EXPECT_TRUE(s.changed());
    ASSERT_EQ(s.diagram.FUndoStack.size(), 2u);

    // One undo puts the hull back on every later step and refills the dialog.
    s.diagram.Undo();
    EXPECT_EQ(steps[1]->FHull, 0);
    EXPECT_EQ(steps[2]->FHull, 0);
    EXPECT_EQ(s.diagram.refreshes, 1);
    EXPECT_EQ(d.ComboBox2->currentIndex(), 0);
    EXPECT_TRUE(d.Ratio->isEnabled());
    EXPECT_TRUE(d.ckSpinnaker->isEnabled());

    // Multihull checks the asymmetric spinnaker.
    QTest::keyClick(d.ComboBox2, Qt::Key_Down);
    EXPECT_EQ(steps[1]->FHull, 1);
    EXPECT_TRUE(d.ckAsymetric->isChecked());
    EXPECT_EQ(steps[1]->FAsymetric, 1);
    EXPECT_EQ(steps[1]->FTwinHull, 1);
    s.diagram.Undo();
    EXPECT_EQ(steps[2]->FHull, 0);

    s.diagram.Undo();
    EXPECT_EQ(steps[1]->FRatio, 0);
    EXPECT_EQ(steps[2]->FRatio, 0);
    EXPECT_EQ(d.Ratio->value(), 0);
    EXPECT_EQ(d.Edit5->text(), "0");
    EXPECT_EQ(s.diagram.refreshes, 3);
    EXPECT_TRUE(s.diagram.FUndoStack.empty());

    // A size change undone refills the size controls too.
    QTest::keyClick(d.ScrollBar1, Qt::Key_End);
    EXPECT_FLOAT_EQ(steps[2]->FSize, 3.0f);
    s.diagram.Undo();
    EXPECT_FLOAT_EQ(steps[2]->FSize, 1.0f);
    EXPECT_EQ(d.ScrollBar1->value(), 50);
}

// A boat's chain with a step of another class in it (a file can hold that): the dialog changes
// the racing steps only, and undoing puts back every racing step, past the other one.
TEST(SetupDialog, UndoingRatioAndHullSkipsStepsOfAnotherClass)
{
    Scene s;
    auto steps = s.boat();
    auto* judge = new TBateauJuge({ 150, 200 }, 0, 1.0f);
    judge->FSituation = 2;
    // The judge boat's step comes between the first and the second racing step.
    steps[0]->FNext = judge;
    judge->FPrev = steps[0];
    judge->FNext = steps[1];
    steps[1]->FPrev = judge;
    TSetup& d = s.setup;
    s.diagram.FSelected = steps[0];
    d.Refresh(steps[0]);

    QTest::keyClick(d.Ratio, Qt::Key_End);
    QTest::keyClick(d.ComboBox2, Qt::Key_Down);
    for (TBateauCourse* b : steps) {
        EXPECT_EQ(b->FRatio, 100);
        EXPECT_EQ(b->FHull, 1);
    }
    ASSERT_EQ(s.diagram.FUndoStack.size(), 2u);
    s.diagram.Undo();
    s.diagram.Undo();
    for (TBateauCourse* b : steps) {
        EXPECT_EQ(b->FHull, 0);
        EXPECT_EQ(b->FTwinHull, 0);
        EXPECT_EQ(b->FRatio, 0);
    }
    EXPECT_TRUE(s.diagram.FUndoStack.empty());
    EXPECT_EQ(d.ComboBox2->currentIndex(), 0);
    EXPECT_EQ(d.Ratio->value(), 0);
}

TEST(SetupDialog, TheColourDialogRecolorsFromThisStepOnOnlyWhenAnotherColourIsChosen)
{
    Scene s;
    auto steps = s.boat();
    for (auto* b : steps)
        b->FColor = 0xFF2880FF;
    TSetup& d = s.setup;
    d.Refresh(steps[1]);
    EXPECT_EQ(d.Shape1->BrushColor(), QColor(0x28, 0x80, 0xFF));
    EXPECT_EQ(QColorDialog::customColor(1), QColor(0xFF, 0xFF, 0x50));

    FakeDialogHost dialogs;
    QColor preset;
    QColor answer;
    dialogs.onExec = [&](QDialog& dialog) {
        auto& colors = dynamic_cast<QColorDialog&>(dialog);
        preset = colors.currentColor();
        colors.setCurrentColor(answer);
        return int(dialogs.execResult);
    };

    // Cancelled, or the same colour: nothing changes, nothing is repainted.
    answer = Qt::red;
    dialogs.execResult = QDialog::Rejected;
    QTest::mouseClick(d.Shape1, Qt::RightButton);
    EXPECT_EQ(preset, QColor(0x28, 0x80, 0xFF));
    dialogs.execResult = QDialog::Accepted;
    answer = QColor(0x28, 0x80, 0xFF);
    QTest::mouseClick(d.Shape1, Qt::LeftButton);
    EXPECT_EQ(dialogs.dialogs.size(), 2);
    EXPECT_EQ(steps[1]->FColor, 0xFF2880FFu);
    EXPECT_FALSE(s.changed());

    answer = QColor(0x10, 0x20, 0x30);
    QTest::mouseClick(d.Shape1, Qt::LeftButton);
    EXPECT_EQ(steps[0]->FColor, 0xFF2880FFu);
    EXPECT_EQ(steps[1]->FColor, 0xFF102030u);
    EXPECT_EQ(steps[2]->FColor, 0xFF102030u);
    EXPECT_EQ(d.Shape1->BrushColor(), answer);
    EXPECT_TRUE(s.changed());
}

TEST(SetupDialog, CurvedArrowAndOneBackgroundPicture)
{
    Scene s;
    auto* curve = s.add(new TCurve({ 200, 200 }, 0, 1.0f, 90, 1));
    auto* first = s.add(new TPerso({ 0, 0 }, 1.0f, nullptr, true));
    auto* second = s.add(new TPerso({ 50, 50 }, 1.0f, nullptr, false));
    TSetup& d = s.setup;

    d.Refresh(curve);
    EXPECT_EQ(d.ArcAngle->value(), 90);
    d.Edit6->selectAll();
    QTest::keyClicks(d.Edit6, "400");
    EXPECT_EQ(d.ArcAngle->value(), 360);
    EXPECT_EQ(d.Edit6->text(), "360");
    EXPECT_FLOAT_EQ(curve->FArcAngle, 360.0f);
    EXPECT_TRUE(s.changed());
    click(d.ckClockwise);
    EXPECT_EQ(curve->FDirection, 0);
    EXPECT_TRUE(s.changed());

    s.diagram.Redraw();
    ASSERT_EQ(s.diagram.FBackground, first);
    d.Refresh(second);
    EXPECT_FALSE(d.ckBackground->isChecked());
    click(d.ckBackground);
    EXPECT_EQ(second->FSituation, -1);
    EXPECT_EQ(first->FSituation, 0); // only one background
    EXPECT_EQ(s.diagram.FBackground, second);
    EXPECT_TRUE(s.changed());
    d.Refresh(first);
    EXPECT_FALSE(d.ckBackground->isChecked());
    d.Refresh(second);
    EXPECT_TRUE(d.ckBackground->isChecked());
    click(d.ckBackground);
    EXPECT_EQ(second->FSituation, 0);
    EXPECT_EQ(s.diagram.FBackground, nullptr);
    EXPECT_TRUE(s.changed());
}
