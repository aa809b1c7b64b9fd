// The main window as a user meets it: keys pressed on the window, menus opened and closed with
// the mouse, the save dialog answered the way a user fills it in.

#include "diagram/Diagram.h"
#include "diagram/DiagramFile.h"
#include "diagram_view/DiagramView.h"
#include "model/Objet.h"
#include "plat/io/Paths.h"
#include "shell/CommentsDialog.h"
#include "shell/DirectoryDialog.h"
#include "shell/FileList.h"
#include "shell/Help.h"
#include "shell/ImageSelect.h"
#include "shell/MainWindow.h"
#include "shell/ObjectPalette.h"
#include "shell/Settings.h"
#include "shell/SetupDialog.h"
#include "shell/WelcomePage.h"
#include "support/TemplateFile.h"

#include "gui/FakeDialogHost.h"
#include "gui/MainWindowTesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <set>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zov;

namespace {

struct UserFixture {
    UserFixture()
    {
        ShowMainWindowForTest(window);
        activate();
    }
    ~UserFixture()
    {
        for (int i = 1; i < window.TabControl->count(); ++i)
            if (auto* view = static_cast<DiagramView*>(window.TabControl->tabData(i).value<QObject*>()))
                view->diagram().FModified = 0;
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    void activate()
    {
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    // A key pressed while the main window has the focus.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QTest::keyClick(&window, key, modifiers);
    }
    // Opens Menu with a click on its title, as the user does.
    void openMenu(QMenu* menu)
    {
        const QRect title = window.menuBar()->actionGeometry(menu->menuAction());
        QTest::mouseClick(window.menuBar(), Qt::LeftButton, Qt::NoModifier, title.center());
        EXPECT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000)) << menu->title().toStdString();
    }
    void closeMenu(QMenu* menu)
    {
        QTest::keyClick(menu, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }, 2000));
    }
    // Where point P of the current diagram is on its view.
    QPoint onView(TPoint p) const
    {
        const TDiagram& d = *window.CurrentDiagram();
        return QPoint(int((p.x - d.FView.x) * d.FZoom), int((p.y - d.FView.y) * d.FZoom));
    }
    void drag(TPoint from, TPoint to)
    {
        QWidget* surface = window.CurrentView()->viewport();
        QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, onView(from));
        for (int step = 1; step <= 3; ++step) {
            QTest::qWait(120); // moves closer than 100 ms apart are dropped
            QTest::mouseMove(surface, onView({ from.x + (to.x - from.x) * step / 3, from.y + (to.y - from.y) * step / 3 }));
        }
        QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, onView(to));
    }
    // The save dialog is answered with file type Filter and the name Typed in its name field.
    void answerSaveDialog(const QString& filter, const QString& typed)
    {
        host.onExec = [this, filter, typed](QDialog& dialog) {
            auto* files = dynamic_cast<QFileDialog*>(&dialog);
            if (!files)
                return int(QDialog::Rejected);
            EXPECT_TRUE(files->nameFilters().contains(filter)) << filter.toStdString();
            files->setDirectory(dir.path());
            files->selectNameFilter(filter);
            files->selectFile(typed);
            return int(QDialog::Accepted);
        };
    }
    QStringList tabCaptions() const { return TabCaptions(window); }

    QTemporaryDir dir;
    FakeDialogHost host;
    TZovForm window;
};

// The folder of the program the build made, with what it ships beside it.
QString ProgramFolder()
{
    return QFileInfo(QStringLiteral(ZOVARAN_BINARY)).absolutePath();
}

const HelpWindow* ShownHelpWindow()
{
    for (QWidget* w : QApplication::allWidgets())
        if (auto* help = dynamic_cast<HelpWindow*>(w); help && help->isVisible())
            return help;
    return nullptr;
}

TObjet* FirstRacingBoat(TDiagram& d)
{
    for (TObjet* o = d.FRoot; o; o = o->FSibling)
        if (o->FGenre == gRacingBoat)
            return o;
    return nullptr;
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int Colours(const QImage& picture)
{
    std::set<QRgb> seen;
    for (int y = 0; y < picture.height(); y += 2)
        for (int x = 0; x < picture.width(); x += 2)
            seen.insert(picture.pixel(x, y));
    return int(seen.size());
}

// Counts how often the files of a folder are opened, by name.
class OpenCounter {
public:
    explicit OpenCounter(const QString& folder)
        : m_fd(inotify_init1(IN_NONBLOCK))
    {
        EXPECT_GE(m_fd, 0);
        EXPECT_GE(inotify_add_watch(m_fd, folder.toLocal8Bit().constData(), IN_OPEN | IN_CLOSE_NOWRITE), 0);
    }
    ~OpenCounter() { close(m_fd); }
    // Opens, and closes of a file opened only to be read, since the last call.
    std::pair<int, int> take(const QString& name)
    {
        int opens = 0;
        int readCloses = 0;
        alignas(inotify_event) char buffer[8192];
        for (;;) {
            const ssize_t n = read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && QString::fromLocal8Bit(event->name) == name) {
                    opens += (event->mask & IN_OPEN) ? 1 : 0;
                    readCloses += (event->mask & IN_CLOSE_NOWRITE) ? 1 : 0;
                }
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return { opens, readCloses };
    }

private:
    int m_fd;
};

} // namespace

TEST(MainWindowUser, UndoAndPasteShortcutsWorkAfterTheirMenuShowedThemGreyed)
{
    UserFixture f;
    f.press(Qt::Key_B); // a new starting area: two racing boats
    ASSERT_EQ(f.window.DiagramTabCount(), 1);
    TDiagram* d = f.window.CurrentDiagram();
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->FUndoStack.empty());

    // The Edit menu shown with nothing to undo, then closed.
    f.openMenu(f.window.Edit1);
    EXPECT_FALSE(f.window.Undo1->isEnabled());
    EXPECT_FALSE(f.window.Paste1->isEnabled());
    f.closeMenu(f.window.Edit1);

    // A boat moved with the mouse, then Ctrl+Z on the window puts it back.
    TObjet* boat = FirstRacingBoat(*d);
    ASSERT_NE(boat, nullptr);
    const TPoint before { boat->FX, boat->FY };
    f.drag(before, { before.x + 120, before.y + 90 });
    ASSERT_NE(boat->FX, before.x);
    ASSERT_EQ(d->FUndoStack.size(), 1u);
    f.activate();
    f.press(Qt::Key_Z);
    EXPECT_EQ(boat->FX, before.x);
    EXPECT_EQ(boat->FY, before.y);
    EXPECT_TRUE(d->FUndoStack.empty());
    // With nothing left to undo, the shortcut does nothing, and works again for the next move.
    f.press(Qt::Key_Z);
    f.drag(before, { before.x - 90, before.y });
    ASSERT_EQ(d->FUndoStack.size(), 1u);
    f.activate();
    f.press(Qt::Key_Z);
    EXPECT_EQ(boat->FX, before.x);

    // A remark with a text, selected; the Edit menu shown while the clipboard holds no text.
    QTest::mouseClick(f.window.ChoixObj->Button7, Qt::LeftButton);
    QTest::mouseClick(f.window.CurrentView()->viewport(), Qt::LeftButton, Qt::NoModifier, f.onView({ 500, 450 }));
    auto* remark = dynamic_cast<TRemarque*>(d->FSelected);
    ASSERT_NE(remark, nullptr);
    QTest::keyClicks(f.window.Comments->Memo1, "Hi");
    QApplication::clipboard()->clear();
    f.openMenu(f.window.Edit1);
    EXPECT_FALSE(f.window.Paste1->isEnabled());
    f.closeMenu(f.window.Edit1);
    ASSERT_EQ(d->FSelected, remark);
    // Text copied from elsewhere, then Ctrl+V on the window.
    QApplication::clipboard()->setText(QStringLiteral("Starboard!"));
    f.activate();
    f.window.CurrentView()->setFocus();
    f.press(Qt::Key_V);
    EXPECT_EQ(remark->FText, "Starboard!");
    // The diagram shows it at once, as it shows what is typed: a whole repaint changes nothing.
    const QImage shown = f.window.CurrentView()->Buffer()->image().copy();
    f.window.CurrentView()->viewport()->repaint();
    EXPECT_EQ(f.window.CurrentView()->Buffer()->image(), shown);
}

TEST(MainWindowUser, SaveAsWritesTheTypeChosenInTheDialogForABareName)
{
    UserFixture f;
    const QString cwd = QDir::currentPath();
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path()); // nothing is written into the current folder
    f.press(Qt::Key_B);
    TDiagram* d = f.window.CurrentDiagram();
    ASSERT_NE(d, nullptr);
    const QStringList types = TZovForm::SaveFilters();
    ASSERT_EQ(types.size(), 8);

    // The diagram type: ".zov" is added, and the file enters the recent list.
    f.answerSaveDialog(types[0], QStringLiteral("race"));
    f.window.Saveas1->trigger();
    EXPECT_EQ(f.host.dialogs.value(0), "Save as");
    ASSERT_TRUE(QFile::exists(f.path("race.zov")));
    EXPECT_EQ(RecentFiles[0], f.path("race"));
    EXPECT_EQ(f.window.windowTitle().toStdString(), "Zovaran: race");
    EXPECT_EQ(f.tabCaptions().last(), ShortenPath(f.path("race")));
    EXPECT_EQ(d->FModified, 0);
    TDiagram reread;
    EXPECT_TRUE(reread.LoadFromFile(f.path("race").toStdString(), false));

    // Each export type writes its own kind of file; the recent list keeps only diagrams.
    struct Case {
        int type;
        QString typed;
        QString written;
        QByteArray magic;
    };
    const Case cases[] = {
        { 1, "still", "still.gif", "GIF8" },
        { 2, "moving", "moving.gif", "GIF89a" },
        { 3, "steps", "steps-1.png", "\x89PNG" },
        { 4, "picture", "picture.png", "\x89PNG" },
        { 5, "photo", "photo.jpg", "\xFF\xD8" },
        { 6, "bitmap", "bitmap.bmp", "BM" },
        { 7, "page", "page.htm", "<?xml" },
    };
    for (const Case& c : cases) {
        f.answerSaveDialog(types[c.type], c.typed);
        f.window.Saveas1->trigger();
        const QByteArray written = Contents(f.path(c.written));
        EXPECT_TRUE(written.startsWith(c.magic)) << c.written.toStdString();
        // Only the animation loops.
        EXPECT_EQ(written.contains("NETSCAPE2.0"), c.typed == "moving") << c.written.toStdString();
        EXPECT_EQ(d->FFileName, f.path(c.typed).toStdString());
        EXPECT_EQ(f.window.windowTitle(), "Zovaran: " + c.typed) << c.typed.toStdString();
        EXPECT_EQ(RecentFiles[0], f.path("race")) << c.typed.toStdString();
    }
    EXPECT_FALSE(QFile::exists(f.path("moving.xxx")));
    EXPECT_FALSE(QFile::exists(f.path("steps.uuu")));
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    EXPECT_TRUE(f.host.texts.isEmpty()); // no file was in the way: nothing asked

    // A typed extension decides, whatever the type chosen.
    f.answerSaveDialog(types[0], QStringLiteral("typed.png"));
    f.window.Saveas1->trigger();
    EXPECT_TRUE(Contents(f.path("typed.png")).startsWith("\x89PNG"));
    EXPECT_FALSE(QFile::exists(f.path("typed.zov")));
    QDir::setCurrent(cwd);
}

TEST(MainWindowUser, SaveAsAsksOnceBeforeReplacingTheFileItWillWrite)
{
    UserFixture f;
    f.press(Qt::Key_B);
    TDiagram* d = f.window.CurrentDiagram();
    ASSERT_NE(d, nullptr);
    const QStringList types = TZovForm::SaveFilters();
    QFile other(f.path("picture.png"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("someone else's picture");
    other.close();

    // The name typed ("picture") is free; the file the PNG type writes is not.
    f.answerSaveDialog(types[4], QStringLiteral("picture"));
    f.host.answer = QMessageBox::No;
    f.window.Saveas1->trigger();
    ASSERT_EQ(f.host.texts.size(), 1);
    EXPECT_TRUE(f.host.texts[0].startsWith("picture.png already exists."));
    EXPECT_EQ(Contents(f.path("picture.png")), "someone else's picture");
    EXPECT_EQ(d->FFileName, "");
    EXPECT_EQ(f.window.windowTitle().toStdString(), "Zovaran: ");

    f.host.answer = QMessageBox::Yes;
    f.window.Saveas1->trigger();
    EXPECT_TRUE(Contents(f.path("picture.png")).startsWith("\x89PNG"));
    EXPECT_EQ(d->FFileName, f.path("picture").toStdString());

    // So does the XML page.
    QFile::copy(f.path("picture.png"), f.path("page.htm"));
    f.host.texts.clear();
    f.host.answer = QMessageBox::No;
    f.answerSaveDialog(types[7], QStringLiteral("page"));
    f.window.Saveas1->trigger();
    ASSERT_EQ(f.host.texts.size(), 1);
    EXPECT_TRUE(f.host.texts[0].startsWith("page.htm already exists."));
    EXPECT_TRUE(Contents(f.path("page.htm")).startsWith("\x89PNG"));
    f.host.answer = QMessageBox::Yes;

    // A diagram file in the way: one question, then the diagram is written.
    ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewEmpty, f.path("taken")));
    f.host.texts.clear();
    f.answerSaveDialog(types[0], QStringLiteral("taken"));
    f.window.Saveas1->trigger();
    EXPECT_EQ(f.host.texts.size(), 1);
    TDiagram reread;
    ASSERT_TRUE(reread.LoadFromFile(f.path("taken").toStdString(), false));
    EXPECT_EQ(reread.FHeader.SituationType, stStartingArea);
    EXPECT_EQ(RecentFiles[0], f.path("taken"));
}

TEST(MainWindowUser, TheRepositoryExportNeedsADiagramWithAFile)
{
    UserFixture f;
    ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewLeeward, f.path("on-disk")));
    EXPECT_FALSE(f.window.Export1->isEnabled()); // welcome: no diagram
    f.press(Qt::Key_B);
    EXPECT_FALSE(f.window.Export1->isEnabled()); // new: no file yet
    f.answerSaveDialog(TZovForm::SaveFilters()[0], QStringLiteral("saved"));
    f.window.Saveas1->trigger();
    EXPECT_TRUE(f.window.Export1->isEnabled());
    f.press(Qt::Key_E);
    EXPECT_FALSE(f.window.Export1->isEnabled());
    QTest::mouseClick(f.window.TabControl, Qt::LeftButton, Qt::NoModifier, f.window.TabControl->tabRect(0).center());
    EXPECT_FALSE(f.window.Export1->isEnabled());
    QTest::mouseClick(f.window.TabControl, Qt::LeftButton, Qt::NoModifier, f.window.TabControl->tabRect(1).center());
    EXPECT_TRUE(f.window.Export1->isEnabled());
    f.window.OpenDiagram(f.path("on-disk"));
    EXPECT_TRUE(f.window.Export1->isEnabled());
    QTest::mouseClick(f.window.TabControl, Qt::LeftButton, Qt::NoModifier, f.window.TabControl->tabRect(0).center());
    EXPECT_FALSE(f.window.Export1->isEnabled());
}

TEST(MainWindowUser, TheCaptionNamesTheDiagramOfTheCurrentTab)
{
    UserFixture f;
    ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewStart, f.path("race")));
    f.window.OpenDiagram(f.path("race"));
    EXPECT_EQ(f.window.windowTitle().toStdString(), "Zovaran: race");
    f.press(Qt::Key_B);
    EXPECT_EQ(f.window.windowTitle().toStdString(), "Zovaran: "); // a new diagram has no name yet
    QTest::mouseClick(f.window.TabControl, Qt::LeftButton, Qt::NoModifier, f.window.TabControl->tabRect(1).center());
    EXPECT_EQ(f.window.windowTitle().toStdString(), "Zovaran: race");

    // A file read only in part is shown without a file name: its tab and the caption say what
    // it is, whichever tab was between, until it is saved under a name.
    QByteArray bytes = Contents(f.path("race.zov"));
    bytes.chop(2);
    QFile cut(f.path("cut short.zov"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes);
    cut.close();
    f.window.OpenDiagram(f.path("cut short"));
    ASSERT_EQ(LastFileReport().outcome, FileReport::Outcome::Incomplete);
    EXPECT_EQ(f.window.windowTitle().toStdString(), "Zovaran: Part of cut short.zov");
    EXPECT_EQ(f.tabCaptions().last(), "Part of cut short.zov");
    EXPECT_EQ(RecentFiles[0], f.path("race"));
    const auto clickTab = [&](int index) {
        QTest::mouseClick(f.window.TabControl, Qt::LeftButton, Qt::NoModifier, f.window.TabControl->tabRect(index).center());
    };
    clickTab(1);
    clickTab(3);
    EXPECT_EQ(f.window.windowTitle().toStdString(), "Zovaran: Part of cut short.zov");
    f.answerSaveDialog(TZovForm::SaveFilters()[0], QStringLiteral("kept"));
    f.press(Qt::Key_S);
    EXPECT_EQ(f.tabCaptions().last(), ShortenPath(f.path("kept")));
    clickTab(1);
    clickTab(3);
    EXPECT_EQ(f.window.windowTitle().toStdString(), "Zovaran: kept");

    // Closed, it takes what it was called along: the next new diagram, which may stand where it
    // stood, has no name yet.
    f.window.OpenDiagram(f.path("cut short"));
    ASSERT_EQ(f.tabCaptions().last(), "Part of cut short.zov");
    f.window.Close1->trigger();
    f.activate();
    f.press(Qt::Key_E);
    EXPECT_EQ(f.tabCaptions().last(), "New Empty area");
    EXPECT_EQ(f.window.windowTitle().toStdString(), "Zovaran: ");
}

TEST(MainWindowUser, OpeningAFileWithCommentsLeavesThemToBeRead)
{
    UserFixture f;
    {
        TDiagram d;
        d.NewStart();
        d.FindOrAddText(gComments, true)->FText = "Port-starboard at the mark";
        d.FFileName = f.path("with-comments").toStdString();
        ASSERT_TRUE(d.SaveToFile());
    }
    f.window.OpenDiagram(f.path("with-comments"));
    TDiagram* d = f.window.CurrentDiagram();
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(f.window.Comments->isVisible());
    EXPECT_EQ(f.window.Comments->focusWidget(), f.window.Comments->Button3);
    // A key typed right after opening goes to the focused control of the comments window.
    QTest::keyClicks(f.window.Comments->focusWidget(), "x");
    TGenText* comments = d->FindOrAddText(gComments, false);
    ASSERT_NE(comments, nullptr);
    EXPECT_EQ(comments->FText, "Port-starboard at the mark");
    EXPECT_EQ(d->FModified, 0);

    // "Comments" stays checked while F6 shows them: the diagram holds them.
    EXPECT_TRUE(f.window.Comments1->isChecked());
    f.activate();
    f.press(Qt::Key_F6, Qt::NoModifier);
    ASSERT_TRUE(f.window.Comments->isVisible());
    EXPECT_EQ(d->FSelected, comments);
    EXPECT_TRUE(f.window.Comments1->isChecked());
}

TEST(MainWindowUser, TheWindowsLooks)
{
    UserFixture f;
    // The View menu: the "Toolbar" item, greyed outside debug mode, and a separator.
    const QList<QAction*> view = f.window.Zoom1->actions();
    ASSERT_GE(view.size(), 5);
    EXPECT_EQ(view[0]->text(), "Toolbar");
    EXPECT_TRUE(view[1]->isSeparator());
    EXPECT_EQ(view[2], f.window.Zoomall1);
    f.press(Qt::Key_B);
    EXPECT_FALSE(f.window.ToolBar2->isEnabled());
    EXPECT_TRUE(f.window.Zoomall1->isEnabled());

    // The tab strip and the form's font.
    EXPECT_EQ(f.window.TabControl->height(), 30);
    EXPECT_EQ(f.window.TabControl->tabRect(1).height(), 26);
    EXPECT_EQ(f.window.TabControl->font().pixelSize(), 13);
    EXPECT_EQ(f.window.TabControl->font().family(), "Arial");
    EXPECT_EQ(f.window.font().family(), "Arial");
    EXPECT_EQ(f.window.font().pointSize(), f.window.screen()->geometry().width() > 800 ? 12 : 10);

    // The palette stands at the left screen edge, 10 pixels below the tab strip.
    ASSERT_TRUE(f.window.ChoixObj->isVisible());
    const int stripBottom = f.window.TabControl->mapToGlobal(QPoint(0, f.window.TabControl->height())).y();
    EXPECT_EQ(f.window.ChoixObj->frameGeometry().top(), stripBottom + 10);
    EXPECT_EQ(f.window.ChoixObj->frameGeometry().left(), 0);

    // The animation bar: Start, Pause, Next, Prev, Stop, each with a picture that shows.
    f.press(Qt::Key_A);
    ASSERT_TRUE(f.window.PanelX->isVisible());
    const std::vector<QToolButton*> order { f.window.StartButton, f.window.PauseButton, f.window.NextButton,
        f.window.PrevButton, f.window.StopButton };
    for (std::size_t i = 0; i < order.size(); ++i) {
        QToolButton* b = order[i];
        if (i > 0) {
            EXPECT_LT(order[i - 1]->x(), b->x()) << b->toolTip().toStdString();
        }
        const QImage icon = b->icon().pixmap(16, 16).toImage();
        ASSERT_FALSE(icon.isNull()) << b->toolTip().toStdString();
        int opaque = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                opaque += qAlpha(icon.pixel(x, y)) > 128 ? 1 : 0;
        EXPECT_GT(opaque, 10) << b->toolTip().toStdString();
        EXPECT_TRUE(b->text().isEmpty() || b->toolButtonStyle() == Qt::ToolButtonIconOnly);
    }
    EXPECT_EQ(f.window.PrevButton->toolTip(), "Previous step");
    EXPECT_EQ(f.window.NextButton->toolTip(), "Next step");
}

TEST(MainWindowUser, ThumbnailsAreDrawnFromTheDiagramInMemory)
{
    UserFixture f;
    {
        // The windward mark with a remark to the right of it, longer than the mark's area.
        TDiagram made;
        made.NewWindward();
        CurrentDiagramScope scope(&made);
        auto* remark = new TRemarque({ 900, 300 }, 0, 1);
        remark->FText = "Yellow must keep clear of Blue, who is on starboard tack, until she has passed the mark";
        made.FRoot->AppendSibling(remark);
        made.FFileName = f.path("mark").toStdString();
        ASSERT_TRUE(made.SaveToFile());
    }
    OpenCounter counter(f.dir.path());
    {
        TDiagram alone; // how often a load alone opens the file
        ASSERT_TRUE(alone.LoadFromFile(f.path("mark").toStdString(), false));
    }
    const int opensOfALoad = counter.take("mark.zov").first;
    ASSERT_GE(opensOfALoad, 1);

    f.window.OpenDiagram(f.path("mark"));
    TDiagram* d = f.window.CurrentDiagram();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(counter.take("mark.zov").first, opensOfALoad);
    TThumbnail* first = f.window.Welcome->Thumbnail(0);
    EXPECT_EQ(first->File(), f.path("mark"));
    EXPECT_GT(Colours(first->FImage->pixmap().toImage()), 2);

    // The view fitted at opening, the thumbnail drawn from its zone, and Zoom all hold the whole
    // remark, to the end of its text.
    TObjet* remark = d->FRoot;
    while (remark->FSibling)
        remark = remark->FSibling;
    ASSERT_EQ(remark->FGenre, gRemark);
    const auto holds = [&](const TRect4& outer) {
        const TRect4& r = remark->FBounds;
        return r.w > 500 && outer.x <= r.x && r.x + r.w <= outer.x + outer.w && outer.y <= r.y && r.y + r.h <= outer.y + outer.h;
    };
    EXPECT_TRUE(holds(d->FView));
    EXPECT_TRUE(holds(d->FZone));
    d->SetZoom(2.0f);
    f.press(Qt::Key_F10, Qt::NoModifier);
    EXPECT_TRUE(holds(d->FView));

    // Saved under a new name with a boat selected: the picture comes from the diagram, which
    // keeps its selection and its setup dialog.
    TObjet* boat = FirstRacingBoat(*d);
    ASSERT_NE(boat, nullptr);
    {
        CurrentDiagramScope scope(d);
        d->SetSelected(boat);
    }
    ASSERT_TRUE(f.window.Setup->isVisible());
    f.answerSaveDialog(TZovForm::SaveFilters()[0], QStringLiteral("copy"));
    f.window.Saveas1->trigger();
    ASSERT_TRUE(QFile::exists(f.path("copy.zov")));
    EXPECT_EQ(counter.take("copy.zov").second, 0); // never opened to be read
    EXPECT_EQ(first->File(), f.path("copy"));
    EXPECT_EQ(f.window.Welcome->Thumbnail(1)->File(), f.path("mark"));
    EXPECT_GT(Colours(first->FImage->pixmap().toImage()), 2);
    EXPECT_EQ(d->FSelected, boat);
    EXPECT_TRUE(f.window.Setup->isVisible());
}

TEST(MainWindowUser, F1InTheSetupWindowOpensThePageOfItsControl)
{
    UserFixture f;
    SetApplicationHelpFile(ProgramFolder() + QStringLiteral("/help")); // the pages the build ships
    f.press(Qt::Key_B);
    ASSERT_NE(f.window.CurrentDiagram(), nullptr);
    TObjet* boat = FirstRacingBoat(*f.window.CurrentDiagram());
    ASSERT_NE(boat, nullptr);
    QTest::mouseClick(f.window.CurrentView()->viewport(), Qt::LeftButton, Qt::NoModifier, f.onView({ boat->FX, boat->FY }));
    ASSERT_TRUE(f.window.Setup->isVisible());
    TSetup& setup = *f.window.Setup;
    const std::pair<QWidget*, QString> cases[] = {
        { setup.Heading, "201.html" },
        { setup.ScrollBar1, "202.html" },
        { setup.CheckBox1, "203.html" },
        { setup.Ratio, "201.html" },
        { setup.Button4, "index.html" }, // no page of its own: the contents
    };
    for (const auto& [control, page] : cases) {
        control->setFocus();
        QTest::keyClick(control, Qt::Key_F1);
        const HelpWindow* help = ShownHelpWindow();
        ASSERT_NE(help, nullptr) << page.toStdString();
        EXPECT_EQ(help->currentPage().toStdString(), page.toStdString());
    }
    DestroyHelpWindow();
    SetApplicationHelpFile(QString());
}

TEST(MainWindowUser, ThePictureToolListsTheFlagsShippedBesideTheProgram)
{
    UserFixture f;
    f.press(Qt::Key_E); // an empty area: the palette opens
    TDiagram* d = f.window.CurrentDiagram();
    ASSERT_NE(d, nullptr);
    f.window.ImageSelect->SetFolder(ProgramFolder() + QStringLiteral("/Flags"));
    QStringList listed;
    f.host.onExec = [&](QDialog& dialog) {
        auto* chooser = dynamic_cast<TImageSelect*>(&dialog);
        if (!chooser)
            return int(QDialog::Rejected);
        for (int i = 0; i < chooser->ImageList->topLevelItemCount(); ++i)
            listed << chooser->ImageList->topLevelItem(i)->text(0);
        EXPECT_TRUE(chooser->Select(QStringLiteral("P.png")));
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(f.window.ChoixObj->Button13, Qt::LeftButton);
    for (const char* flag : { "P", "I", "Z", "U", "Black", "X", "First substitute", "AP", "N", "S", "L", "Y", "C", "M",
             "Orange", "Class" })
        EXPECT_TRUE(listed.contains(QString::fromUtf8(flag) + QStringLiteral(".png"))) << flag;
    // The chosen flag goes on the diagram where the user clicks.
    QTest::mouseClick(f.window.CurrentView()->viewport(), Qt::LeftButton, Qt::NoModifier, f.onView({ 500, 300 }));
    auto* picture = dynamic_cast<TPerso*>(d->FSelected);
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(picture->FBitmap, nullptr);
    EXPECT_EQ(picture->FBitmap->width(), 60);
    EXPECT_EQ(picture->FBitmap->height(), 40);
}

TEST(MainWindowUser, TheFileDialogsNeverOpenWhatTheyList)
{
    UserFixture f;
    // A picture whose name does not tell its type, here and in the folder below, and a named pipe
    // (kept open with data in it: a dialog that read it would be seen, not hang).
    ASSERT_TRUE(QDir(f.dir.path()).mkdir("below"));
    for (const QString& name : { f.path("noname"), f.path("below/noname") }) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("\x89PNG\r\n\x1a\n") == 8);
    }
    const QByteArray pipePath = QFile::encodeName(f.path("pipe"));
    ASSERT_EQ(mkfifo(pipePath.constData(), 0600), 0);
    const int pipe = open(pipePath.constData(), O_RDWR | O_NONBLOCK);
    ASSERT_EQ(write(pipe, "data", 4), 4);
    OpenCounter here(f.dir.path()), herePipe(f.dir.path()), below(f.path("below"));
    // Each dialog lists the folder; the path of the folder below is typed in the name field. The
    // opens are counted once the dialog's model has listed each folder whole.
    f.host.onExec = [&](QDialog& dialog) {
        QStringList listed;
        auto* model = dialog.findChild<QFileSystemModel*>();
        if (!model) {
            ADD_FAILURE() << "no file system model";
            return int(QDialog::Rejected);
        }
        const QMetaObject::Connection listing = QObject::connect(model, &QFileSystemModel::directoryLoaded,
            [&](const QString& folder) { listed << QFileInfo(folder).canonicalFilePath(); });
        const auto waitForListing = [&](const QString& folder) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return listed.contains(QFileInfo(folder).canonicalFilePath()); }, 20000))
                << folder.toStdString();
        };
        dialog.show();
        if (auto* files = dynamic_cast<QFileDialog*>(&dialog)) {
            files->setDirectory(f.dir.path());
            waitForListing(f.dir.path());
            if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                QTest::keyClicks(name, f.path("below/"));
            else
                ADD_FAILURE() << "no name field";
        } else if (auto* folders = dynamic_cast<TDirectory*>(&dialog))
            folders->SetFolder(f.path("below"));
        waitForListing(f.path("below"));
        QObject::disconnect(listing);
        dialog.hide();
        return int(QDialog::Rejected);
    };
    f.press(Qt::Key_O);
    f.activate();
    f.press(Qt::Key_B);
    f.window.Saveas1->trigger();
    f.window.Search1->trigger();
    QTest::mouseClick(f.window.FileList->Button1, Qt::LeftButton);
    EXPECT_EQ(f.host.dialogs, (QStringList { "Open", "Save as", "Select a folder" }));
    for (OpenCounter* counter : { &here, &below })
        EXPECT_EQ(counter->take("noname").first, 0);
    EXPECT_EQ(herePipe.take("pipe").first, 0);
    close(pipe);
}
