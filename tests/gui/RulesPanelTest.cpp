#include "ColumnsFit.h"
#include "FakeDialogHost.h"

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "plat_ui/ErrorReport.h"
#include "shell/RulesAnalysis.h"
#include "shell/RulesPanel.h"
#include "support/FakeHost.h"
#include "support/RulesScene.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace zov;

namespace {

using Scene = zovtest::RulesScene;

// What the list shows, one "rule|comment" string per row.
QStringList shown(const TRulesPanel& panel)
{
    QStringList rows;
    for (int i = 0; i < panel.ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = panel.ListView1->topLevelItem(i);
        rows << item->text(0) + u'|' + item->text(1);
    }
    return rows;
}

// Collects the errors the panel reports instead of showing them.
struct ReportedErrors {
    ReportedErrors()
    {
        SetErrorReporter([this](const std::exception& e) { texts << QString::fromUtf8(e.what()); });
    }
    ~ReportedErrors() { SetErrorReporter({}); }
    QStringList texts;
};

// The dialogs as the main window will wire them: a cleared selection refreshes a visible panel.
class PanelShell : public zovtest::FakeShell {
public:
    explicit PanelShell(TRulesPanel& panel) : m_panel(panel) { }
    void RulesPanelRefresh() override { m_panel.RefreshIfVisible(); }

private:
    TRulesPanel& m_panel;
};

} // namespace

TEST(RulesPanel, WindowLayout)
{
    QWidget owner;
    TRulesPanel panel(&owner);
    EXPECT_EQ(panel.windowTitle(), "Rules that apply");
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(panel.isWindow());
    EXPECT_EQ(panel.parentWidget(), &owner);
    EXPECT_EQ(panel.size(), QSize(416, 750));

    const QTreeWidgetItem* header = panel.ListView1->headerItem();
    EXPECT_EQ(panel.ListView1->columnCount(), 2);
    EXPECT_EQ(header->text(0), "Rules");
    EXPECT_EQ(header->text(1), "Comments");
    EXPECT_EQ(panel.ListView1->columnWidth(0), 100);
    EXPECT_EQ(panel.ListView1->columnWidth(1), 300);
    EXPECT_FALSE(panel.ListView1->rootIsDecorated());

    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    // The list fills the window above the 50-pixel strip at the bottom.
    EXPECT_EQ(panel.Panel1->geometry(), QRect(0, 700, 416, 50));
    EXPECT_EQ(panel.ListView1->geometry(), QRect(0, 0, 416, 700));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NEAR(panel.geometry().center().x(), area.center().x(), 1);
    EXPECT_GE(panel.geometry().top(), area.top());
    panel.hide();
    EXPECT_FALSE(panel.isVisible());
}

TEST(RulesPanel, ListsTheRowsOrAsksForTwoBoats)
{
    FakeDialogHost dialogs;
    ReportedErrors errors;
    Scene s;
    s.diagram.NewWindward();
    TRulesPanel panel;
    panel.AddRule("12", ""); // a row without comment has no second column
    EXPECT_EQ(shown(panel), QStringList { "12|" });
    EXPECT_EQ(panel.RefreshedDiagram(), &s.diagram); // the current one by default
    panel.Refresh();
    const QStringList windward { "===> Situation 1|ROW Yellow", "18|Rule 18 can apply", "|Yellow is starboard tack",
        "10|Boats are on opposite tacks" };
    EXPECT_EQ(shown(panel), windward);

    // One racing boat at the top level: the message at each refresh, and the old rows stay.
    Scene lone;
    lone.boat({ 100, 100 }, 0);
    panel.Refresh();
    panel.Refresh(lone.diagram.FRoot);
    EXPECT_EQ(dialogs.texts, (QStringList { "2 boats needed", "2 boats needed" }));
    EXPECT_EQ(shown(panel), windward);

    // A panel given its diagram reads that one, whichever is current (none here).
    panel.SetDiagram(&s.diagram);
    CurrentDiagramScope none(nullptr);
    panel.ListView1->clear();
    panel.Refresh();
    EXPECT_EQ(shown(panel), windward);
    panel.SetDiagram(nullptr);
    panel.Refresh();
    EXPECT_EQ(dialogs.texts.size(), 3);
    EXPECT_TRUE(errors.texts.isEmpty());
}

TEST(RulesPanel, RefreshedWhenTheSelectionIsClearedWhileShown)
{
    FakeDialogHost dialogs;
    TRulesPanel panel;
    PanelShell shell(panel);
    Scene s;
    TObjet* blue = s.boat({ 500, 440 }, 90);
    s.boat({ 500, 400 }, 90);

    // Hidden: clearing the selection leaves the panel alone.
    s.diagram.SetSelected(blue);
    s.diagram.SetSelected(nullptr);
    EXPECT_EQ(panel.ListView1->topLevelItemCount(), 0);

    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    s.diagram.SetSelected(blue);
    s.diagram.SetSelected(nullptr);
    EXPECT_EQ(shown(panel), (QStringList { "===> Situation 1|ROW Blue", "|Blue is leeward Yellow", "11|Boats are overlapped" }));

    // Editing does not refresh it; the next cleared selection does.
    blue->FY = 400;
    blue->FX = 700;
    EXPECT_EQ(shown(panel).first(), "===> Situation 1|ROW Blue");
    s.diagram.SetSelected(blue);
    s.diagram.SetSelected(nullptr);
    EXPECT_EQ(shown(panel), (QStringList { "===> Situation 1|ROW Blue", "|Blue is ahead Yellow",
                                "12|Blue is clear ahead of the other one" }));
    EXPECT_TRUE(dialogs.texts.isEmpty());
    panel.hide();
}

TEST(RulesPanel, BrokenChainsShowWhatCanBeComputed)
{
    FakeDialogHost dialogs;
    ReportedErrors errors;
    TRulesPanel panel;
    {
        // A mark as Blue's second step (a damaged file): the first step is listed, no error.
        Scene s;
        TObjet* blue = s.boat({ 500, 440 }, 90);
        TObjet* yellow = s.boat({ 500, 400 }, 90);
        auto* foreign = new TBouee({ 600, 440 }, 3, 1.0f);
        blue->AddNext(foreign);
        s.step(yellow, { 550, 400 }, 90);
        panel.Refresh();
        EXPECT_EQ(shown(panel), (QStringList { "===> Situation 1|ROW Blue", "|Blue is leeward Yellow", "11|Boats are overlapped" }));
        EXPECT_TRUE(errors.texts.isEmpty());
        EXPECT_TRUE(dialogs.texts.isEmpty());
    }
    {
        // Step numbers that differ: the error is reported once, the rows before it are shown.
        Scene s;
        TObjet* blue = s.boat({ 500, 440 }, 90);
        TObjet* yellow = s.boat({ 500, 400 }, 90);
        s.step(blue, { 600, 440 }, 90);
        s.step(yellow, { 600, 400 }, 90)->FSituation = 5;
        panel.Refresh();
        EXPECT_EQ(shown(panel).size(), 3);
        ASSERT_EQ(errors.texts.size(), 1);
        EXPECT_TRUE(errors.texts.first().contains("RulesF")) << errors.texts.first().toStdString();
        EXPECT_TRUE(dialogs.texts.isEmpty());
    }
}

TEST(RulesPanel, ColumnsWidenToTheirLongestTextButNeverNarrowBelowTheirWidths)
{
    FakeDialogHost dialogs;
    ReportedErrors errors;
    TRulesPanel panel;
    QFont large = panel.ListView1->font();
    large.setPointSize(14); // a desktop with large letters
    panel.ListView1->setFont(large);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    Scene s;
    TObjet* blue = s.boat({ 100, 440 }, 90);
    TObjet* yellow = s.boat({ 100, 400 }, 90);
    for (int step = 2; step <= 12; ++step) {
        s.step(blue, { 100 + 40 * step, 440 }, 90);
        s.step(yellow, { 100 + 40 * step, 400 }, 90);
    }
    panel.Refresh();
    ASSERT_EQ(panel.ListView1->findItems("===> Situation 12", Qt::MatchExactly).size(), 1);
    EXPECT_EQ(CutCell(*panel.ListView1, 2), "");
    EXPECT_GT(panel.ListView1->columnWidth(0), 100);

    // Short texts in a small font keep the designed widths.
    panel.ListView1->setFont(QFont(large.family(), 6));
    panel.ListView1->header()->setFont(QFont(large.family(), 6));
    Scene few;
    few.boat({ 100, 440 }, 90);
    few.boat({ 100, 400 }, 90);
    panel.Refresh();
    EXPECT_EQ(panel.ListView1->columnWidth(0), 100);
    EXPECT_EQ(panel.ListView1->columnWidth(1), 300);
    EXPECT_TRUE(errors.texts.isEmpty());
}
