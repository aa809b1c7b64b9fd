// The transfers of the update check and the repository upload, against hosts that answer slowly,
// never answer, trickle or send too much: the window keeps painting, takes no other input, and
// every transfer can be cancelled and ends in bounded time.

#include "diagram/Diagram.h"
#include "diagram/Progress.h"
#include "plat/rt/Errors.h"
#include "plat_ui/ProgressWindow.h"
#include "plat_ui/net/HttpDownload.h"
#include "plat_ui/net/HttpUpload.h"
#include "shell/MainWindow.h"
#include "shell/Update.h"
#include "shell/UpdateDialog.h"
#include "shell/Upload.h"

#include "gui/FakeDialogHost.h"
#include "gui/MainWindowTesting.h"
#include "gui/UpdateLoopback.h"
#include "support/SmallFilesystem.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

using namespace zov;

namespace {

// Real progress windows, a loopback host and a temporary download folder for one scope.
class TransferScope {
public:
    explicit TransferScope(const std::string& host)
        : m_update(UpdateConfig())
        , m_maker(SetProgressMaker(ui::ProgressWindow::Maker()))
    {
        UpdateConfig().webHost = QString::fromStdString(host);
        UpdateConfig().downloadFolder = dir.filePath(QStringLiteral("update"));
        UpdateConfig().runProgram = [](const QString&) { return 0; };
        UpdateConfig().trustPlainHttp = true;
    }
    ~TransferScope()
    {
        UpdateConfig() = m_update;
        SetProgressMaker(m_maker);
    }
    QStringList Downloaded() const { return QDir(UpdateConfig().downloadFolder).entryList(QDir::Files); }

    QTemporaryDir dir;

private:
    UpdateSettings m_update;
    ProgressMaker m_maker;
};

// Asks a widget to repaint every 40 ms, as a busy screen would, and counts the paints it makes.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget)
    {
        widget->installEventFilter(this);
        QObject::connect(&m_repaint, &QTimer::timeout, widget, [widget] { widget->update(); });
        m_repaint.start(40);
    }
    void stop() { m_repaint.stop(); }
    std::atomic<int> paints { 0 };

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }

private:
    QTimer m_repaint;
};

// A main window showing a template saved as "race.zov": its upload is offered in the File menu.
struct SavedDiagramWindow {
    explicit SavedDiagramWindow(TransferScope& scope)
    {
        ShowMainWindowForTest(window);
        window.NewFromTemplate(3);
        window.AskSaveFileName = [&scope] { return scope.dir.filePath(QStringLiteral("race.zov")); };
        window.SaveAsClick();
        EXPECT_TRUE(window.Export1->isEnabled());
    }
    FakeDialogHost host;
    TZovForm window;
};

ui::ProgressWindow* shownProgress()
{
    auto* w = qobject_cast<ui::ProgressWindow*>(QApplication::activeModalWidget());
    return w && w->isVisible() ? w : nullptr;
}

// A handler that takes the request and then says nothing until Release is set.
LoopbackServer::Handler silentUntil(const std::atomic<bool>& release)
{
    return [&release](const LoopbackServer::Request&, int) {
        for (int i = 0; i < 400 && !release; ++i)
            QThread::msleep(25);
    };
}

} // namespace

TEST(Transfer, UploadToASilentHostKeepsTheWindowPaintingAndCancelEndsItWithinASecond)
{
    std::atomic<bool> release { false };
    LoopbackServer server(silentUntil(release), 2);
    TransferScope scope(server.url());
    SavedDiagramWindow w(scope);
    FakeDialogHost& host = w.host;
    TZovForm& window = w.window;
    PaintCounter counter(&window);
    int paintsWhileWaiting = 0;
    QString info, caption;
    QElapsedTimer clock;
    qint64 cancelledAt = -1;
    QTimer::singleShot(800, [&] {
        paintsWhileWaiting = counter.paints;
        if (ui::ProgressWindow* progress = shownProgress()) {
            info = progress->InfoLabel()->text();
            caption = progress->windowTitle();
            cancelledAt = clock.elapsed();
            QTest::mouseClick(progress->CancelButton(), Qt::LeftButton);
        }
    });
    clock.start();
    window.Export1->trigger();
    const qint64 endedAt = clock.elapsed();
    counter.stop();
    release = true;

    EXPECT_GE(paintsWhileWaiting, 5); // about 20 repaints asked for in 800 ms
    EXPECT_EQ(caption, "ZOV update");
    EXPECT_EQ(info, UploadProgressText);
    ASSERT_GE(cancelledAt, 0) << "no progress window";
    EXPECT_LT(endedAt - cancelledAt, 1000);
    EXPECT_TRUE(host.texts.isEmpty()); // cancelled: nothing to say
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(Transfer, UploadToASlowHostPaintsMeanwhileAndShowsTheReply)
{
    LoopbackServer server([](const LoopbackServer::Request&, int fd) {
        QThread::msleep(1200);
        LoopbackServer::Send(fd, LoopbackServer::Ok("0"));
    }, 2);
    TransferScope scope(server.url());
    SavedDiagramWindow w(scope);
    FakeDialogHost& host = w.host;
    TZovForm& window = w.window;
    PaintCounter counter(&window);
    bool progressShown = false;
    QTimer::singleShot(600, [&] { progressShown = shownProgress() != nullptr; });
    window.Export1->trigger();
    counter.stop();

    EXPECT_TRUE(progressShown);
    EXPECT_GE(counter.paints, 8);
    EXPECT_EQ(host.texts, QStringList { "OK, file has been exported" });
}

TEST(Transfer, CheckForUpdatesOnATricklingHostTakesNoOtherInputAndCanBeCancelled)
{
    // The head of the reply comes a few bytes at a time and never ends.
    std::atomic<bool> release { false };
    LoopbackServer server([&](const LoopbackServer::Request&, int fd) {
        const std::string head = "HTTP/1.1 200 OK\r\nX-Padding: ";
        for (std::size_t i = 0; !release && i < 4000; ++i) {
            LoopbackServer::Send(fd, i < head.size() ? head.substr(i, 1) : std::string("a"));
            QThread::msleep(10);
        }
    }, 2);
    TransferScope scope(server.url());
    FakeDialogHost host;
    TZovForm window;
    ShowMainWindowForTest(window);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier); // the shortcut works
    ASSERT_EQ(window.DiagramTabCount(), 1);
    window.CloseClick();

    // Before the progress window shows (a small file is usually there at once), then behind it:
    // the main window's shortcuts and menus are dead.
    bool progressEarly = true;
    int tabsDuringTransfer = -1;
    QElapsedTimer clock;
    qint64 cancelledAt = -1;
    QTimer::singleShot(200, [&] {
        progressEarly = shownProgress() != nullptr;
        QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier); // File > New > Empty
        QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier); // File > Open
    });
    QTimer::singleShot(1200, [&] {
        QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier);
        tabsDuringTransfer = window.DiagramTabCount();
        if (ui::ProgressWindow* progress = shownProgress()) {
            cancelledAt = clock.elapsed();
            QTest::mouseClick(progress->CancelButton(), Qt::LeftButton);
        }
    });
    int opened = 0;
    window.AskOpenFileName = [&] {
        ++opened;
        return QString();
    };
    QAction* check = nullptr;
    for (QAction* menu : window.menuBar()->actions())
        if (menu->menu())
            for (QAction* item : menu->menu()->actions())
                if (item->text() == "&Check for Updates...")
                    check = item;
    ASSERT_NE(check, nullptr);
    clock.start();
    check->trigger();
    const qint64 endedAt = clock.elapsed();
    release = true;

    EXPECT_FALSE(progressEarly);
    EXPECT_EQ(tabsDuringTransfer, 0);
    EXPECT_EQ(opened, 0);
    ASSERT_GE(cancelledAt, 0) << "no progress window to cancel";
    EXPECT_LT(endedAt - cancelledAt, 1000);
    EXPECT_EQ(host.texts, QStringList { "Cannot get information" });
    EXPECT_TRUE(scope.Downloaded().isEmpty());

    // Once it is over, the window takes its input again.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(window.DiagramTabCount(), 1);
}

TEST(Transfer, EveryTransferEndsWithinItsTimeLimit)
{
    // One byte every 50 ms for ever: never slow enough for the speed limit.
    std::atomic<bool> release { false };
    LoopbackServer server([&](const LoopbackServer::Request& r, int fd) {
        // The download's head at once, then its content; the upload's reply head itself trickles.
        if (r.method != "POST")
            LoopbackServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
        else
            LoopbackServer::Send(fd, "HTTP/1.1 200 OK\r\nX-Padding: ");
        for (std::size_t i = 0; !release && i < 400; ++i) {
            LoopbackServer::Send(fd, "0");
            QThread::msleep(50);
        }
    }, 4);
    QTemporaryDir dir;

    net::DownloadOptions options;
    options.timeoutMs = 700;
    QElapsedTimer clock;
    clock.start();
    const net::DownloadReply reply = net::DownloadFile(server.url() + "/version.html", dir.filePath("v.htm").toStdString(), options);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(reply.result, net::DownloadBrokenOff);
    EXPECT_FALSE(QFile::exists(dir.filePath("v.htm.part")));

    {
        QFile file(dir.filePath("race.zov"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("diagram");
    }
    net::UploadRequest request;
    request.url = server.url() + "/import.php";
    request.field = "uploaded";
    request.path = dir.filePath("race.zov").toStdString();
    request.fileName = "race.zov";
    request.partType = "multipart/form-data";
    request.timeoutMs = 700;
    clock.restart();
    try {
        net::PostFile(request);
        ADD_FAILURE() << "no error";
    } catch (const rt::Error& e) {
        EXPECT_NE(std::string(e.what()).find("Timeout"), std::string::npos) << e.what();
    }
    EXPECT_LT(clock.elapsed(), 3000);
    release = true;
}

TEST(Transfer, AnInstallerTooLargeOrLargerThanTheFreeSpaceIsRefusedAndLeavesNothing)
{
    std::atomic<std::int64_t> announced { 2000000000 };
    LoopbackServer server([&](const LoopbackServer::Request& r, int fd) {
        if (r.path == "/version.html") {
            LoopbackServer::Send(fd, LoopbackServer::Ok("2.7\r\n"));
            return;
        }
        // The head only, until the client hangs up: what it announces is all there is to judge.
        LoopbackServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(announced) + "\r\n\r\n");
        for (int i = 0; i < 120; ++i) {
            pollfd p { fd, POLLIN, 0 };
            char byte;
            if (::poll(&p, 1, 25) > 0 && ::recv(fd, &byte, 1, 0) <= 0)
                break;
        }
    }, 4);
    TransferScope scope(server.url());
    FakeDialogHost host;
    host.execResult = QDialog::Accepted;
    QWidget window;
    window.show();

    QElapsedTimer clock;
    clock.start();
    UpdateClick(&window);
    EXPECT_LT(clock.elapsed(), 1500); // refused at once, on what was announced
    EXPECT_EQ(host.texts, QStringList { "Cannot get new version: the file offered is 1908 MB, more than an installer can "
                                        "be (256 MB)" });
    EXPECT_EQ(scope.Downloaded(), QStringList { "version.htm" });

    zovtest::SmallFilesystem disk(scope.dir.filePath("small").toStdString(), 512);
    if (!disk.mounted())
        GTEST_SKIP() << "a small file system can be mounted only by root";
    UpdateConfig().downloadFolder = scope.dir.filePath("small");
    announced = 3 * 1024 * 1024;
    host.texts.clear();
    clock.restart();
    UpdateClick(&window);
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(host.texts, QStringList { "Cannot get new version: there is not enough free space in "
            + QDir::toNativeSeparators(scope.dir.filePath("small")) + " for its 3 MB" });
    EXPECT_EQ(scope.Downloaded(), QStringList { "version.htm" });
}
