#include "diagram/Diagram.h"
#include "diagram_view/DiagramView.h"
#include "model/Actions.h"
#include "model/Objet.h"
#include "shell/Characteristics.h"
#include "shell/CommentsDialog.h"
#include "shell/MainWindow.h"
#include "shell/ObjectPalette.h"
#include "shell/Settings.h"
#include "shell/SetupDialog.h"

#include "gui/FakeDialogHost.h"
#include "gui/MainWindowTesting.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

#include <gtest/gtest.h>

using namespace zov;

namespace {

// A main window whose boxes answer at once; its diagrams count as saved when the test ends.
struct SeamsFixture {
    SeamsFixture() { ShowMainWindowForTest(window); }
    ~SeamsFixture()
    {
        for (int i = 1; i < window.TabControl->count(); ++i)
            if (auto* view = static_cast<DiagramView*>(window.TabControl->tabData(i).value<QObject*>()))
                view->diagram().FModified = 0;
    }
    // A remark from the palette at Where: selected, in the text dialog.
    TObjet* insertRemark(QPoint where)
    {
        QTest::mouseClick(window.ChoixObj->Button7, Qt::LeftButton);
        QTest::mouseClick(window.CurrentView()->viewport(), Qt::LeftButton, Qt::NoModifier, where);
        return window.CurrentDiagram()->FSelected;
    }
    FakeDialogHost host;
    TZovForm window;
};

} // namespace

TEST(ShellSeams, CancellingTheTextDialogKeepsOtherChangesMarked)
{
    SeamsFixture f;
    f.window.NewFromTemplate(0);
    TDiagram* d = f.window.CurrentDiagram();
    TObjet* remark = f.insertRemark(QPoint(80, 80));
    ASSERT_NE(dynamic_cast<TRemarque*>(remark), nullptr);
    TComments& comments = *f.window.Comments;
    static_cast<TGenText*>(remark)->FText = "Hi"; // a text Cancel puts back, never empty

    // An option toggled while the text dialog is open: the dialog's Cancel puts back the text,
    // never the mark of the option's change (the diagram could be closed without a prompt).
    d->FModified = 0;
    comments.Refresh(static_cast<TGenText*>(remark));
    QTest::keyClicks(comments.Memo1, "Port");
    f.window.Grid1->trigger();
    comments.Button3->click();
    EXPECT_EQ(static_cast<TGenText*>(remark)->FText, "Hi");
    EXPECT_EQ(d->FModified, 1);
    f.host.answer = QMessageBox::Cancel;
    f.host.texts.clear();
    f.window.CloseClick();
    EXPECT_EQ(f.host.texts.value(0), "Do you want to save changes ?");
    EXPECT_EQ(f.window.DiagramTabCount(), 1);

    // So for an edit of the diagram that went to the undo stack (here: an undo).
    {
        CurrentDiagramScope current(d);
        d->SetSelected(remark);
    }
    ASSERT_TRUE(comments.isVisible());
    d->FModified = 0;
    comments.Refresh(static_cast<TGenText*>(remark));
    QTest::keyClicks(comments.Memo1, "x");
    d->PushUndo<TActionMove>(d->FRoot); // a boat moved meanwhile (the canvas)
    comments.Button3->click();
    EXPECT_EQ(d->FModified, 1);

    // A Cancel with nothing else changed still leaves the diagram as it was.
    {
        CurrentDiagramScope current(d);
        d->SetSelected(remark);
    }
    d->FModified = 0;
    comments.Refresh(static_cast<TGenText*>(remark));
    QTest::keyClicks(comments.Memo1, "y");
    comments.Button3->click();
    EXPECT_EQ(d->FModified, 0);

    // The characteristics' OK marks the diagram too.
    {
        CurrentDiagramScope current(d);
        d->SetSelected(remark);
    }
    d->FModified = 0;
    comments.Refresh(static_cast<TGenText*>(remark));
    QTest::keyClicks(comments.Memo1, "z");
    f.window.Characteristics1Click();
    f.window.Characteristics->OK->click();
    if (!comments.isVisible()) // the characteristics may have hidden the text dialog: nothing to cancel
        return;
    comments.Button3->click();
    EXPECT_EQ(d->FModified, 1);
}

TEST(ShellSeams, CancellingTheTextDialogAfterASaveLeavesTheDiagramToSave)
{
    SeamsFixture f;
    QTemporaryDir dir;
    f.window.NewFromTemplate(7);
    TDiagram* d = f.window.CurrentDiagram();
    TObjet* remark = f.insertRemark(QPoint(80, 80));
    ASSERT_NE(dynamic_cast<TRemarque*>(remark), nullptr);
    static_cast<TGenText*>(remark)->FText = "Hi";
    const QString file = dir.filePath(QStringLiteral("saved.zov"));
    f.window.AskSaveFileName = [file] { return file; };
    TComments& comments = *f.window.Comments;

    // Typed, saved (the file has the typed text), cancelled (the object has the old one back):
    // the diagram differs from its file and must still be offered for saving.
    for (bool typeAfterSave : { false, true }) {
        d->FModified = 0; // as after a save: only what follows counts
        comments.Refresh(static_cast<TGenText*>(remark));
        ASSERT_TRUE(comments.isVisible());
        QTest::keyClicks(comments.Memo1, "Starboard");
        ASSERT_TRUE(f.window.SaveClick());
        ASSERT_EQ(d->FModified, 0);
        if (typeAfterSave)
            QTest::keyClicks(comments.Memo1, "!");
        comments.Button3->click();
        EXPECT_EQ(static_cast<TGenText*>(remark)->FText, "Hi");
        EXPECT_EQ(d->FModified, 1) << typeAfterSave;
        CurrentDiagramScope current(d);
        d->SetSelected(remark);
    }
}

TEST(ShellSeams, TabsUndoCloseAndQuitWithTheDialogsOpen)
{
    SeamsFixture f;
    f.window.NewFromTemplate(7);
    f.window.NewFromTemplate(0);
    TDiagram* d = f.window.CurrentDiagram();
    TObjet* remark = f.insertRemark(QPoint(80, 80));
    ASSERT_NE(dynamic_cast<TRemarque*>(remark), nullptr);
    ASSERT_TRUE(f.window.Comments->isVisible());
    QTest::keyClicks(f.window.Comments->Memo1, "Hello");
    EXPECT_EQ(static_cast<TGenText*>(remark)->FText, "Hello");
    // Typed text survives a tab change and back.
    f.window.TabControl->setCurrentIndex(1);
    f.window.TabControl->setCurrentIndex(2);
    EXPECT_EQ(static_cast<TGenText*>(remark)->FText, "Hello");
    // Undoing the insertion of the text being edited frees it: the dialog must let go.
    {
        CurrentDiagramScope s(d);
        d->SetSelected(remark);
    }
    ASSERT_TRUE(f.window.Comments->isVisible());
    f.window.Undo1Click();
    if (f.window.Comments->isVisible())
        QTest::keyClicks(f.window.Comments->Memo1, "X");
    // A boat in the setup dialog, then its tab closed: the dialog must not reach the freed boat.
    {
        CurrentDiagramScope s(d);
        d->SetSelected(d->FRoot);
    }
    ASSERT_TRUE(f.window.Setup->isVisible());
    f.host.answer = QMessageBox::No;
    f.window.CloseClick();
    f.window.Setup->Heading->setValue(40);
    // Texts typed in another tab, across the "Welcome" tab, and a quit cancelled then confirmed.
    f.window.TabControl->setCurrentIndex(1);
    TDiagram* e = f.window.CurrentDiagram();
    f.window.DocumentTextClick(gSummary);
    QTest::keyClicks(f.window.Comments->Memo1, "Sum");
    f.window.TabControl->setCurrentIndex(0);
    f.window.TabControl->setCurrentIndex(1);
    EXPECT_EQ(e->FindOrAddText(gSummary, false) ? e->FindOrAddText(gSummary, false)->FText : std::string("gone"), "Sum");
    f.window.DocumentTextClick(gDecision);
    QTest::keyClicks(f.window.Comments->Memo1, "Dec");
    f.host.answer = QMessageBox::Cancel;
    EXPECT_FALSE(f.window.close());
    QTest::keyClicks(f.window.Comments->Memo1, "ision");
    f.host.answer = QMessageBox::No;
    EXPECT_TRUE(f.window.close());
}

TEST(ShellSeams, RandomClicksKeepTheDialogsOnTheSelection)
{
    // More runs on demand: SEAMS_SEEDS=200.
    const unsigned seeds = unsigned(qEnvironmentVariableIntValue("SEAMS_SEEDS")) + 12;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        SeamsFixture f;
        QTemporaryDir saved;
        f.host.answer = QMessageBox::No;
        TGenText* typedInto = nullptr;
        TDiagram* typedIn = nullptr;
        f.window.AskSaveFileName = [] { return QString(); };
        std::srand(seed);
        auto pick = [](int n) { return std::rand() % n; };
        for (int step = 0; step < 150; ++step) {
            TDiagram* d = f.window.CurrentDiagram();
            const int action = pick(29);
            switch (action) {
            case 0: if (f.window.DiagramTabCount() < 4) f.window.NewFromTemplate(pick(8)); break;
            case 1: if (d) {
                    std::vector<TObjet*> all;
                    for (TObjet* o = d->FRoot; o; o = o->NextInWalk()) all.push_back(o);
                    if (!all.empty()) { CurrentDiagramScope s(d); d->SetSelected(all[std::size_t(pick(int(all.size())))]); }
                } break;
            case 2: f.window.DocumentTextClick(std::uint8_t(gComments + pick(4))); break;
            case 3: if (f.window.Comments->isVisible()) {
                    QTest::keyClicks(f.window.Comments->Memo1, "ab");
                    typedInto = f.window.Comments->FText;
                    typedIn = d;
                } break;
            case 4: if (f.window.Comments->isVisible()) f.window.Comments->Button2->click(); break;
            case 5: if (f.window.Comments->isVisible()) f.window.Comments->Button3->click(); break;
            case 6: if (f.window.Comments->isVisible()) { f.host.answer = QMessageBox::Yes; f.window.Comments->Button4->click(); f.host.answer = QMessageBox::No; } break;
            case 7: if (f.window.Setup->isVisible()) f.window.Setup->Heading->setValue(pick(360) - 180); break;
            case 8: if (f.window.Setup->isVisible()) f.window.Setup->Button4->click(); break;
            case 9: if (f.window.Setup->isVisible()) (pick(2) ? f.window.Setup->Button1 : f.window.Setup->Button3)->click(); break;
            case 10: f.window.Undo1Click(); break;
            case 11: if (f.window.TabControl->count() > 1) f.window.TabControl->setCurrentIndex(pick(f.window.TabControl->count())); break;
            case 12: if (pick(3) == 0) {
                    const bool modified = d && d->FModified;
                    const int tabs = f.window.DiagramTabCount();
                    const qsizetype asked = f.host.texts.size();
                    f.window.CloseClick();
                    if (modified && f.window.DiagramTabCount() < tabs) {
                        ASSERT_GT(f.host.texts.size(), asked) << "closed unprompted, seed " << seed << " step " << step;
                    }
                } break;
            case 22: if (d) {
                    const QString name = saved.path() + QStringLiteral("/f%1.zov").arg(pick(4));
                    f.window.AskSaveFileName = [name] { return name; };
                    f.window.SaveAsClick();
                    f.window.AskSaveFileName = [] { return QString(); };
                } break;
            case 23: f.window.OpenDiagram(saved.path() + QStringLiteral("/f%1").arg(pick(4))); break;
            case 24: f.window.SaveClick(); break;
            case 25: if (f.window.Comments->isVisible()) (pick(2) ? f.window.Comments->close() : (QTest::keyClick(f.window.Comments, Qt::Key_Escape), true)); typedInto = nullptr; break;
            case 26: if (f.window.Setup->isVisible()) (pick(2) ? f.window.Setup->close() : (QTest::keyClick(f.window.Setup, Qt::Key_Escape), true)); break;
            case 27: f.window.CopyClick(); break;
            case 28: { f.host.answer = QMessageBox::Cancel; f.window.Exit1Click(); f.host.answer = QMessageBox::No; } break;
            case 13: f.window.Animate1Click(); break;
            case 14: f.window.Normal1Click(); break;
            case 15: f.window.NextClick(); f.window.PrevClick(); break;
            case 16: if (d && f.window.CurrentView()) {
                    const int tool = 1 + pick(14);
                    if (tool != 9 && tool != 13) f.window.ChoixObj->Button(tool)->click();
                    QTest::mouseClick(f.window.CurrentView()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20 + pick(400), 20 + pick(300)));
                } break;
            case 17: if (d) f.window.Grid1->trigger(); break;
            case 18: if (d) { f.window.Characteristics1Click(); f.window.Characteristics->OK->click(); } break;
            case 19: f.window.Rules1Click(); break;
            case 20: if (d && f.window.CurrentView()) QTest::mouseClick(f.window.CurrentView()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20 + pick(400), 20 + pick(300))); break;
            case 21: f.window.Paste1Click(); f.window.ZoomInClick(); break;
            }
            if (action == 5 || action == 6 || action == 10 || action == 12 || action == 21)
                typedInto = nullptr; // cancelled, deleted, undone, pasted over, or gone with its tab
            TDiagram* c = f.window.CurrentDiagram();
            auto inForest = [&](const TObjet* x) {
                for (TObjet* o = c ? c->FRoot : nullptr; o; o = o->NextInWalk())
                    if (o == x) return true;
                return false;
            };
            if (f.window.Comments->isVisible()) {
                ASSERT_TRUE(inForest(f.window.Comments->FText)) << "seed " << seed << " step " << step;
                ASSERT_EQ(static_cast<TObjet*>(f.window.Comments->FText), c->FSelected) << "seed " << seed << " step " << step;
            }
            if (f.window.Setup->isVisible()) {
                ASSERT_EQ(f.window.Setup->FObjet, c->FSelected) << "seed " << seed << " step " << step;
                ASSERT_TRUE(f.window.Setup->FObjet == c->FBackground || inForest(f.window.Setup->FObjet)) << "seed " << seed << " step " << step;
            }
            ASSERT_EQ(static_cast<DiagramLink*>(c), Diagram) << "seed " << seed << " step " << step;
            if (typedInto && c == typedIn && inForest(typedInto)) {
                ASSERT_NE(typedInto->FText.find("ab"), std::string::npos) << "typed text lost, seed " << seed << " step " << step;
            }
        }
        f.window.close();
    }
}

TEST(ShellSeams, TheWindowGoesWithItsDialogsOpen)
{
    for (int variant = 0; variant < 3; ++variant) {
        FakeDialogHost host;
        host.answer = QMessageBox::No;
        auto window = std::make_unique<TZovForm>();
        window->show();
        window->NewFromTemplate(0);
        window->NewFromTemplate(1);
        TDiagram* d = window->CurrentDiagram();
        if (variant == 0) {
            CurrentDiagramScope s(d);
            d->SetSelected(d->FRoot);
        } else if (variant == 1) {
            window->DocumentTextClick(gSummary);
            QTest::keyClicks(window->Comments->Memo1, "abc");
        } else {
            window->Characteristics1Click();
            window->Rules1Click();
            window->Search1Click();
        }
        window.reset();
    }
}
