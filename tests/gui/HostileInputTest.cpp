// What a user can hand the program that is not what it seems: a named pipe or a device under a
// diagram's name, whichever way it comes in.

#include "diagram/Diagram.h"
#include "plat/io/Paths.h"
#include "plat_ui/ErrorReport.h"
#include "shell/ErrorDisplay.h"
#include "shell/MainWindow.h"
#include "shell/Settings.h"

#include "gui/FakeDialogHost.h"
#include "gui/MainWindowTesting.h"
#include "support/SmallFilesystem.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zov;

namespace {

// Should a reader block on the pipe, this writer lets it go once a call has lasted 3 s, so that
// the test fails on its time limit instead of hanging.
class PipeRescue {
public:
    explicit PipeRescue(const QString& pipe)
        : m_path(pipe.toStdString())
        , m_thread([this] { Run(); })
    {
    }
    ~PipeRescue()
    {
        m_stop = true;
        m_thread.join();
    }
    // Marks the start and the end of a call that might block.
    void Begin() { m_since = Now(); }
    void End() { m_since = 0; }

private:
    static std::int64_t Now()
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void Run()
    {
        while (!m_stop) {
            const std::int64_t since = m_since;
            if (since != 0 && Now() - since > 3000) {
                // Succeeds only while someone has the pipe open for reading, which it releases.
                const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    std::string m_path;
    std::atomic<std::int64_t> m_since { 0 };
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A main window holding one diagram saved as Folder/race.zov; errors are shown as the program
// shows them.
struct SavedDiagram {
    explicit SavedDiagram(const QString& folder)
        : file(folder + QStringLiteral("/race.zov"))
    {
        SetErrorReporter([](const std::exception& e) { DisplayException(e); });
        ShowMainWindowForTest(window);
        window.NewFromTemplate(3);
        window.AskSaveFileName = [this] { return file; };
        window.SaveAsClick();
        saved = contentOf(file);
        host.texts.clear();
    }
    ~SavedDiagram() { SetErrorReporter({}); }
    // Ctrl+S on a diagram with a change; the text of the one box that follows.
    QString SaveAgain()
    {
        window.CurrentDiagram()->FModified = 1;
        host.texts.clear();
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(host.texts.size(), 1);
        return host.texts.value(0);
    }
    QStringList FilesBeside() const { return QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files); }
    // Save As to Path; the texts of the boxes that follow.
    std::string SaveAs(const QString& path)
    {
        host.texts.clear();
        window.AskSaveFileName = [path] { return path; };
        window.SaveAsClick();
        window.AskSaveFileName = [this] { return file; };
        return host.texts.join(u'|').toStdString();
    }

    FakeDialogHost host;
    TZovForm window;
    QString file;
    QByteArray saved;
};

} // namespace

TEST(HostileInput, ASaveOnAFullDiskSaysSoAndKeepsTheFormerFile)
{
    QTemporaryDir dir;
    zovtest::SmallFilesystem disk(dir.filePath("disk").toStdString(), 64);
    if (!disk.mounted())
        GTEST_SKIP() << "a small file system can be mounted only by root";
    SavedDiagram d(dir.filePath("disk"));
    ASSERT_GT(d.saved.size(), 100);
    ASSERT_TRUE(disk.Fill());

    EXPECT_EQ(d.SaveAgain().toStdString(),
        "Cannot save " + d.file.toStdString() + ": No space left on device. The file was left as it was.");
    EXPECT_EQ(contentOf(d.file), d.saved);
    EXPECT_EQ(d.FilesBeside(), (QStringList { "filler", "race.zov" })); // nothing half written left
    EXPECT_EQ(d.window.CurrentDiagram()->FModified, 1);
    // An export says the same, naming the whole path.
    const QString picture = dir.filePath("disk/race.png");
    EXPECT_EQ(d.SaveAs(picture), "Cannot write " + picture.toStdString() + ": No space left on device");
    EXPECT_EQ(d.SaveAs(dir.filePath("disk/race.xxx")),
        "Cannot write " + dir.filePath("disk/race.gif").toStdString() + ": No space left on device");
    EXPECT_EQ(d.FilesBeside(), (QStringList { "filler", "race.zov" }));

    // Room again: the save goes through.
    QFile::remove(dir.filePath("disk/filler"));
    d.window.CurrentDiagram()->FModified = 1;
    QTest::keyClick(&d.window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(d.window.CurrentDiagram()->FModified, 0);
}

TEST(HostileInput, ASaveWhoseWritesFailNamesTheCauseAndKeepsTheFormerFile)
{
    QTemporaryDir dir;
    SavedDiagram d(dir.path());
    ASSERT_GT(d.saved.size(), 512);
    // The system refuses to let this process write a file past 512 bytes.
    rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto signalBefore = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 512;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString text = d.SaveAgain();
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, signalBefore);

    EXPECT_EQ(text.toStdString(),
        "Cannot save " + d.file.toStdString() + ": File too large. The file was left as it was.");
    EXPECT_EQ(contentOf(d.file), d.saved);
    EXPECT_EQ(d.FilesBeside(), QStringList { "race.zov" });
    EXPECT_EQ(d.window.CurrentDiagram()->FModified, 1);

    // An export that cannot be written names the whole path and the reason, and the diagram
    // keeps its name: a folder in the way, a path through a file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.png"));
    const QString folder = dir.filePath("folder.png");
    EXPECT_EQ(d.SaveAs(folder), "Cannot write " + folder.toStdString() + ": Is a directory");
    const QString page = dir.filePath("race.zov/page.htm");
    EXPECT_EQ(d.SaveAs(page), "Cannot create " + page.toStdString() + ": Not a directory");
    // The animated GIF alike, under the name it is written as.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.gif"));
    EXPECT_EQ(d.SaveAs(dir.filePath("folder.xxx")), "Cannot create " + dir.filePath("folder.gif").toStdString() + ": Is a directory");
    EXPECT_EQ(d.window.CurrentDiagram()->FFileName, RemoveExtension(d.file).toStdString());
    EXPECT_EQ(d.window.windowTitle().toStdString(), "Zovaran: race");
}

TEST(HostileInput, APipeOrADeviceNamedLikeADiagramIsRefusedWithoutBlockingWhateverTheWayIn)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath("pipe.zov");
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    const QString device = dir.filePath("device.zov");
    ASSERT_EQ(::symlink("/dev/zero", device.toLocal8Bit().constData()), 0);
    PipeRescue rescue(pipe);
    FakeDialogHost host;

    // The recent files are read for their thumbnails when the window is made.
    RecentFiles = { dir.filePath("pipe"), dir.filePath("device"), QString(), QString(), QString() };
    QElapsedTimer clock;
    clock.start();
    rescue.Begin();
    TZovForm window;
    rescue.End();
    EXPECT_LT(clock.elapsed(), 2000) << "the thumbnails of the recent files blocked";
    window.resize(900, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(host.texts.isEmpty()); // thumbnails fail silently

    auto refused = [&](const char* way, const QString& file, auto&& open) {
        SCOPED_TRACE(way);
        host.texts.clear();
        clock.restart();
        rescue.Begin();
        open();
        rescue.End();
        EXPECT_LT(clock.elapsed(), 2000) << "blocked";
        EXPECT_EQ(window.DiagramTabCount(), 0);
        ASSERT_EQ(host.texts.size(), 1);
        const QString expected = file == pipe ? QStringLiteral("it is a named pipe, not a file")
                                              : QStringLiteral("it is a device, not a file");
        EXPECT_EQ(host.texts[0].toStdString(), (QStringLiteral("Cannot open ") + file + QStringLiteral(": ") + expected).toStdString());
    };
    for (const QString& file : { pipe, device }) {
        // File > Open, by its shortcut.
        window.AskOpenFileName = [&] { return file; };
        refused("open dialog", file, [&] { QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier); });
        // The command line.
        refused("command line", file, [&] { window.GetParams({ file }); });
        // Handed over by a second start.
        refused("second start", file, [&] { window.OpenHandedOver(file); });
    }
    // The recent files of the File menu.
    for (const QString& file : { pipe, device }) {
        rescue.Begin();
        window.AddToRecentFiles(RemoveExtension(file)); // reads it for its thumbnail
        rescue.End();
        QAction* item = nullptr;
        for (QAction* action : window.Files1->actions())
            if (action->text() == ShortenPath(RemoveExtension(file)))
                item = action;
        ASSERT_NE(item, nullptr);
        refused("recent files", file, [&] { item->trigger(); });
    }
    RecentFiles = {};
}
