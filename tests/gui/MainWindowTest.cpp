#include "diagram/Diagram.h"
#include "support/TemplateFile.h"
#include "diagram_view/DiagramView.h"
#include "model/Objet.h"
#include "plat/io/Paths.h"
#include "shell/Characteristics.h"
#include "shell/FileList.h"
#include "shell/ImageSelect.h"
#include "shell/MainWindow.h"
#include "shell/ObjectPalette.h"
#include "shell/CommentsDialog.h"
#include "shell/RulesPanel.h"
#include "shell/SetupDialog.h"
#include "shell/Settings.h"
#include "shell/Startup.h"

#include "gui/FakeDialogHost.h"
#include "gui/MainWindowTesting.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace zov;

namespace {

// A main window with its modal boxes answered by the test and the recent files cleared.
struct MainWindowFixture {
    MainWindowFixture() { ShowMainWindowForTest(window); }
    QString path(const QString& name) const { return dir.filePath(name); }
    // Answers the next boxes in order.
    void answer(std::vector<QMessageBox::StandardButton> answers)
    {
        queue = std::move(answers);
        host.onMessage = [this](const QString&) {
            host.answer = queue.empty() ? QMessageBox::NoButton : queue.front();
            if (!queue.empty())
                queue.erase(queue.begin());
        };
    }
    QStringList tabCaptions() const { return TabCaptions(window); }

    QTemporaryDir dir;
    FakeDialogHost host;
    std::vector<QMessageBox::StandardButton> queue;
    TZovForm window;
};

} // namespace

TEST(MainWindow, TemplatesOpenTabsAndClosingReturnsToWelcome)
{
    MainWindowFixture f;
    // On the "Welcome" tab nothing that acts on a diagram can be chosen.
    const auto expectNoDiagramItems = [&](const char* when) {
        QList<QAction*> items { f.window.Save1, f.window.Saveas1, f.window.Export1, f.window.Close1, f.window.Print1 };
        for (QMenu* menu : { f.window.Edit1, f.window.Zoom1, f.window.Options1 })
            items << menu->menuAction() << menu->actions();
        for (QAction* item : items)
            EXPECT_TRUE(item->isSeparator() || !item->isEnabled()) << when << ": " << item->text().toStdString();
    };
    EXPECT_EQ(f.window.windowTitle(), "Zovaran - 2.6H");
    EXPECT_FALSE(f.window.TabControl->isVisible());
    expectNoDiagramItems("at start");

    f.window.NewFromTemplate(0);
    f.window.NewFromTemplate(5);
    EXPECT_EQ(f.tabCaptions(), (QStringList { "Welcome", "New Starting area", "New Gate area" }));
    EXPECT_TRUE(f.window.TabControl->isVisible());
    ASSERT_NE(f.window.CurrentDiagram(), nullptr);
    EXPECT_EQ(Diagram, f.window.CurrentDiagram());
    EXPECT_EQ(f.window.CurrentDiagram()->FHeader.SituationType, stGate);
    EXPECT_FALSE(f.window.Save1->isEnabled()); // a new diagram is saved with Save As
    for (QAction* item : { f.window.Saveas1, f.window.Close1, f.window.Print1, f.window.Edit1->menuAction() })
        EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();
    EXPECT_TRUE(f.window.ChoixObj->isVisible()); // the palette opens for a new diagram

    // Selecting the first diagram tab makes it current again.
    f.window.TabControl->setCurrentIndex(1);
    EXPECT_EQ(f.window.CurrentDiagram()->FHeader.SituationType, stStartingArea);
    f.window.CloseClick(); // the tab to the left, "Welcome", follows
    EXPECT_EQ(f.window.CurrentDiagram(), nullptr);
    expectNoDiagramItems("back on Welcome");
    EXPECT_EQ(f.tabCaptions(), (QStringList { "Welcome", "New Gate area" }));
    f.window.TabControl->setCurrentIndex(1);
    f.window.CloseClick();
    EXPECT_EQ(f.window.CurrentDiagram(), nullptr);
    EXPECT_EQ(Diagram, nullptr);
    EXPECT_EQ(f.tabCaptions(), QStringList { "Welcome" });
    EXPECT_FALSE(f.window.TabControl->isVisible());
    EXPECT_EQ(f.window.windowTitle(), "Zovaran - 2.6H");
    EXPECT_TRUE(f.host.texts.isEmpty()); // nothing was modified: no prompt
}

TEST(MainWindow, SaveAsThenReopenSelectsTheOpenTab)
{
    MainWindowFixture f;
    f.window.NewFromTemplate(3);
    TDiagram* d = f.window.CurrentDiagram();
    d->FModified = 1;
    const QString chosen = f.path("race.zov");
    f.window.AskSaveFileName = [&] { return chosen; };
    f.window.SaveAsClick();
    EXPECT_EQ(d->FModified, 0);
    EXPECT_TRUE(QFile::exists(chosen));
    EXPECT_EQ(f.window.windowTitle(), "Zovaran: race");
    EXPECT_EQ(f.tabCaptions().last(), ShortenPath(f.path("race")));
    EXPECT_EQ(RecentFiles[0], f.path("race"));
    EXPECT_TRUE(f.window.Save1->isEnabled());

    f.window.OpenDiagram(f.path("race")); // already open: its tab, no second read
    EXPECT_EQ(f.window.DiagramTabCount(), 1);
    f.window.CloseClick();
    f.window.OpenDiagram(f.path("race"));
    ASSERT_EQ(f.window.DiagramTabCount(), 1);
    EXPECT_EQ(f.window.CurrentDiagram()->FHeader.SituationType, stWindwardMark);
    EXPECT_EQ(f.window.windowTitle(), "Zovaran: race");
}

TEST(MainWindow, ClosingAModifiedDiagramAsksFirst)
{
    MainWindowFixture f;
    f.window.NewFromTemplate(7);
    f.window.CurrentDiagram()->FModified = 1;
    f.answer({ QMessageBox::Cancel });
    f.window.CloseClick();
    EXPECT_EQ(f.host.texts.last(), "Do you want to save changes ?");
    EXPECT_EQ(f.window.DiagramTabCount(), 1); // Cancel keeps it

    f.answer({ QMessageBox::Yes });
    f.window.AskSaveFileName = [] { return QString(); }; // the Save As is cancelled
    f.window.CloseClick();
    EXPECT_EQ(f.window.DiagramTabCount(), 1); // nothing saved: still open

    f.answer({ QMessageBox::No });
    f.window.CloseClick();
    EXPECT_EQ(f.window.DiagramTabCount(), 0);
}

TEST(MainWindow, QuittingOffersEachModifiedDiagramAndCancelStops)
{
    MainWindowFixture f;
    for (int i : { 0, 1, 2 }) {
        f.window.NewFromTemplate(i);
        f.window.CurrentDiagram()->FModified = 1;
    }
    f.window.TabControl->setCurrentIndex(0); // "Welcome" current
    f.answer({ QMessageBox::No, QMessageBox::Cancel });
    EXPECT_FALSE(f.window.close());
    EXPECT_EQ(f.host.texts.size(), 2);
    EXPECT_EQ(f.window.DiagramTabCount(), 2);
    EXPECT_TRUE(f.window.isVisible());

    f.answer({ QMessageBox::No, QMessageBox::No });
    EXPECT_TRUE(f.window.close());
    EXPECT_EQ(f.window.DiagramTabCount(), 0);
}

TEST(MainWindow, CommandLineOpensAFileAndIgnoresSwitches)
{
    MainWindowFixture f;
    ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewLeeward, f.path("from-disk")));
    f.window.GetParams({ "-debug" });
    EXPECT_EQ(f.window.DiagramTabCount(), 0);
    f.window.GetParams({ f.path("from-disk.zov") });
    ASSERT_EQ(f.window.DiagramTabCount(), 1);
    EXPECT_EQ(f.window.CurrentDiagram()->FHeader.SituationType, stLeewardMark);
    EXPECT_EQ(RecentFiles[0], f.path("from-disk"));

    // A file that cannot be read leaves no tab behind, and the message says what it is, with
    // the name given.
    const auto put = [&](const char* name, const QByteArray& content) {
        QFile file(f.path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    put("broken.zov", QByteArray("not a diagram at all, ").repeated(40));
    put("empty.zov", {});
    QImage picture(100, 100, QImage::Format_RGB32); // long enough to hold a diagram's header
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            picture.setPixel(x, y, qRgb(x * 37 % 256, y * 91 % 256, x * y % 256));
    ASSERT_TRUE(picture.save(f.path("picture.zov"), "PNG"));
    ASSERT_TRUE(QDir(f.dir.path()).mkdir("folder.zov"));
    const std::pair<const char*, const char*> refused[] = { { "broken.zov", "it is not a diagram file" },
        { "empty.zov", "the file is empty" }, { "picture.zov", "it is not a diagram file" },
        { "folder.zov", "it is a folder, not a file" } };
    for (const auto& [name, why] : refused) {
        f.host.texts.clear();
        f.window.GetParams({ f.path(name) });
        EXPECT_EQ(f.window.DiagramTabCount(), 1);
        EXPECT_EQ(f.host.texts.join(u'|').toStdString(), "Cannot open " + f.path(name).toStdString() + ": " + why);
    }
}

TEST(MainWindow, FilesThatShortenAlikeGetTabsOfTheirOwn)
{
    MainWindowFixture f;
    const QString longName = QStringLiteral("a-rather-long-folder-name-for-races");
    QStringList names;
    for (const char* club : { "club-A", "club-B" }) {
        QDir(f.dir.path()).mkpath(QString::fromUtf8(club) + "/" + longName);
        const QString name = f.path(QString::fromUtf8(club) + "/" + longName + "/start");
        ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewStart, name));
        names << name;
    }
    ASSERT_EQ(ShortenPath(names[0]), ShortenPath(names[1]));
    f.window.OpenDiagram(names[0]);
    f.window.OpenDiagram(names[1]);
    EXPECT_EQ(f.window.DiagramTabCount(), 2);
}

TEST(MainWindow, ASaveUnderANameTakenFromElsewhereAsksBeforeReplacing)
{
    MainWindowFixture f;
    ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewEmpty, f.path("b")));
    const QByteArray before = [&] {
        QFile file(f.path("b.zov"));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    f.window.NewFromTemplate(0);
    f.window.CurrentDiagram()->FFileName = f.path("b").toStdString(); // as after an export to b.png
    f.window.CurrentDiagram()->FModified = 1;
    f.answer({ QMessageBox::No });
    f.window.SaveClick();
    ASSERT_FALSE(f.host.texts.isEmpty());
    QFile file(f.path("b.zov"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(f.window.CurrentDiagram()->FModified, 1);
}

TEST(MainWindow, ThePaletteAndAClickOnTheCanvasInsertABoat)
{
    MainWindowFixture f;
    f.window.NewFromTemplate(7);
    TDiagram* d = f.window.CurrentDiagram();
    ASSERT_TRUE(f.window.ChoixObj->isVisible());
    QTest::mouseClick(f.window.ChoixObj->Button1, Qt::LeftButton);
    EXPECT_EQ(d->FEditState, esInsertNew);
    DiagramView* view = f.window.CurrentView();
    const int before = d->FBoatCount;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    EXPECT_EQ(d->FBoatCount, before + 1);
    EXPECT_NE(dynamic_cast<TBateauCourse*>(d->FSelected), nullptr);
    EXPECT_EQ(d->FModified, 1);
    f.window.Edit1Click();
    EXPECT_TRUE(f.window.Undo1->isEnabled());
    EXPECT_EQ(f.window.Undo1->text(), "Undo last Insert");
    f.window.Undo1Click();
    EXPECT_EQ(d->FSelected, nullptr);
    d->FModified = 0;
}

TEST(MainWindow, OptionsFollowTheDiagramAndAnimationRuns)
{
    MainWindowFixture f;
    f.window.NewFromTemplate(0);
    TDiagram* d = f.window.CurrentDiagram();
    d->FModified = 0;
    f.window.Grid1->trigger();
    EXPECT_EQ(d->FShowGrid, 0);
    EXPECT_EQ(d->FModified, 1);
    f.window.SituationNumber1->trigger();
    EXPECT_EQ(d->FHideNumbers, 1);
    d->FModified = 0;

    f.window.Animate1Click();
    EXPECT_EQ(d->FDisplayMode, dmAnimation);
    EXPECT_TRUE(f.window.PanelX->isVisible());
    EXPECT_TRUE(f.window.Animate1->isChecked());
    f.window.Normal1Click();
    EXPECT_EQ(d->FDisplayMode, dmEdit);
    EXPECT_FALSE(f.window.PanelX->isVisible());
    EXPECT_EQ(f.window.TrackBar->maximum(), 0); // one step: nothing to move through
}

TEST(MainWindow, ACancelledQuitKeepsTheCurrentDiagramTheProgramsDiagram)
{
    MainWindowFixture f;
    f.window.NewFromTemplate(0);
    f.window.CurrentDiagram()->FModified = 1;
    f.window.NewFromTemplate(1); // current, unmodified: closed without a prompt
    f.answer({ QMessageBox::Cancel });
    EXPECT_FALSE(f.window.close());
    ASSERT_EQ(f.window.DiagramTabCount(), 1);
    // Objects edited from now on record their undo on Diagram: it must be the diagram left open.
    ASSERT_EQ(Diagram, f.window.CurrentDiagram());
    TDiagram* d = f.window.CurrentDiagram();
    d->FModified = 0;
}

TEST(MainWindow, ASaveAsThatWroteNothingKeepsTheOldNameEvenUnmodified)
{
    MainWindowFixture f;
    f.window.NewFromTemplate(3);
    TDiagram* d = f.window.CurrentDiagram();
    d->FModified = 0;
    const QString caption = f.window.windowTitle();
    const QStringList tabs = f.tabCaptions();
    f.window.AskSaveFileName = [&] { return f.path("no-such-folder/race.zov"); };
    f.window.SaveAsClick();
    EXPECT_FALSE(f.host.texts.isEmpty()); // the failure was reported
    EXPECT_FALSE(QFile::exists(f.path("no-such-folder/race.zov")));
    EXPECT_EQ(d->FFileName, "");
    EXPECT_EQ(f.window.windowTitle(), caption);
    EXPECT_EQ(f.tabCaptions(), tabs);
    EXPECT_TRUE(RecentFiles[0].isEmpty());
}

TEST(MainWindow, TheSetupDialogNeverEditsAnObjectThatIsNotSelected)
{
    MainWindowFixture f;
    f.window.NewFromTemplate(7);
    TDiagram* d = f.window.CurrentDiagram();
    DiagramView* view = f.window.CurrentView();
    // A mark from the palette: selected, shown in the setup dialog, undoable.
    QTest::mouseClick(f.window.ChoixObj->Button5, Qt::LeftButton);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    TObjet* mark = d->FSelected;
    ASSERT_NE(dynamic_cast<TBouee*>(mark), nullptr);
    ASSERT_TRUE(f.window.Setup->isVisible());
    // The comments text, then a click on the mark again: the text dialog's hide handler clears
    // the selection in the middle of selecting the mark.
    f.window.DocumentTextClick(gComments);
    ASSERT_TRUE(f.window.Comments->isVisible());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    ASSERT_TRUE(!f.window.Setup->isVisible() || f.window.Setup->FObjet == d->FSelected);
    // Undoing the insertion frees the mark: a dialog still on it would write into freed memory.
    f.window.Undo1Click();
    if (f.window.Setup->isVisible())
        f.window.Setup->Heading->setValue(30);
    d->FModified = 0;
}

TEST(MainWindow, TheRulesPanelLetsGoOfAClosedDiagram)
{
    MainWindowFixture f;
    f.window.NewFromTemplate(0);
    f.window.NewFromTemplate(1);
    const TDiagram* closing = f.window.CurrentDiagram();
    f.window.Rules1Click();
    ASSERT_EQ(f.window.RulesPanel->RefreshedDiagram(), closing);
    f.window.CloseClick();
    EXPECT_NE(f.window.RulesPanel->RefreshedDiagram(), closing);
    EXPECT_EQ(f.window.RulesPanel->RefreshedDiagram(), f.window.CurrentDiagram());
}

TEST(MainWindow, ADocumentTextOpenedFromASelectedBoatIsTheSelection)
{
    MainWindowFixture f;
    f.window.NewFromTemplate(7);
    TDiagram* d = f.window.CurrentDiagram();
    d->SetSelected(d->FRoot); // a boat: the setup dialog shows it
    ASSERT_TRUE(f.window.Setup->isVisible());
    f.window.DocumentTextClick(gComments);
    TGenText* comments = d->FindOrAddText(gComments, false);
    ASSERT_NE(comments, nullptr);
    EXPECT_EQ(d->FSelected, comments);
    EXPECT_FALSE(f.window.Setup->isVisible());
    // OK then keeps the text and checks its menu item, as for any selected text.
    f.window.Comments->Memo1->setPlainText(QStringLiteral("  Port-starboard at the mark  "));
    f.window.Comments->Button2->click();
    EXPECT_EQ(comments->FText, "Port-starboard at the mark");
    EXPECT_TRUE(f.window.Comments1->isChecked());
    d->FModified = 0;
}

TEST(MainWindow, AnUnreadableRecentFileLeavesTheList)
{
    QTemporaryDir dir;
    QFile broken(dir.filePath("broken.zov"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x0a\x00 cut short", 12);
    broken.close();
    ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewStart, dir.filePath("good")));
    for (QString& file : RecentFiles)
        file.clear();
    RecentFiles[0] = dir.filePath("broken");
    RecentFiles[1] = dir.filePath("good");
    FakeDialogHost host;
    TZovForm window;
    QTest::qWait(50);
    EXPECT_EQ(RecentFiles[0], dir.filePath("good"));
    EXPECT_TRUE(RecentFiles[1].isEmpty());
    EXPECT_TRUE(host.texts.isEmpty()); // no box while the welcome page is built
}

TEST(MainWindow, AFileHandedOverWaitsWhileABoxIsOpen)
{
    MainWindowFixture f;
    ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewGate, f.path("handed")));
    QDialog box(&f.window);
    box.setModal(true);
    box.show();
    f.window.OpenHandedOver(f.path("handed.zov"));
    QTest::qWait(50);
    EXPECT_EQ(f.window.DiagramTabCount(), 0);
    box.close();
    QTest::qWait(400);
    ASSERT_EQ(f.window.DiagramTabCount(), 1);
    EXPECT_EQ(f.window.CurrentDiagram()->FHeader.SituationType, stGate);
    EXPECT_EQ(LastFolder, f.dir.path());
}

TEST(MainWindow, TheBrowserOpensWhatItListsAndTheCharacteristicsComeOnFirstUse)
{
    MainWindowFixture f;
    ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewFinish1, f.path("listed")));
    f.window.Search1->trigger();
    ASSERT_NE(f.window.FileList, nullptr);
    EXPECT_TRUE(f.window.FileList->isVisible());
    f.window.FileList->OnOpen(f.dir.path(), f.path("listed"));
    ASSERT_EQ(f.window.DiagramTabCount(), 1);
    EXPECT_EQ(f.window.CurrentDiagram()->FHeader.SituationType, stFinishingLine);
    EXPECT_EQ(LastFolder, f.dir.path());

    EXPECT_EQ(f.window.Characteristics, nullptr);
    f.window.Characteristics1->trigger();
    ASSERT_NE(f.window.Characteristics, nullptr);
    EXPECT_TRUE(f.window.Characteristics->isVisible());
}

TEST(MainWindow, ExportingANewDiagramAsksForItsFileFirst)
{
    MainWindowFixture f;
    f.window.NewFromTemplate(7);
    EXPECT_FALSE(f.window.Export1->isEnabled()); // a new diagram has no file to send
    f.window.ExportClick();
    ASSERT_FALSE(f.host.texts.isEmpty());
    EXPECT_EQ(f.host.texts.last(), "Save the diagram before exporting it to ZOV Repository");
}

TEST(MainWindow, LeavingADiagramHidesItsToolWindowsAndThePictureChooser)
{
    MainWindowFixture f;
    f.window.NewFromTemplate(0);
    f.window.NewFromTemplate(3);
    f.window.ImageSelect->show(); // as the chooser would stand on the screen
    f.window.Rules1Click();
    ASSERT_TRUE(f.window.ImageSelect->isVisible());
    ASSERT_TRUE(f.window.RulesPanel->isVisible());
    // The user clicks the other diagram's tab.
    QTabBar* tabs = f.window.TabControl;
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(1).center());
    ASSERT_EQ(tabs->currentIndex(), 1);
    EXPECT_FALSE(f.window.ImageSelect->isVisible());
    EXPECT_FALSE(f.window.RulesPanel->isVisible());
    EXPECT_FALSE(f.window.ChoixObj->isVisible());
}
