#include "plat/sys/ProgramInfo.h"
#include "shell/Update.h"
#include "shell/UpdateDialog.h"

#include "gui/FakeDialogHost.h"
#include "gui/UpdateLoopback.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

using namespace zov;

namespace {

// Points the update at a loopback host and a temporary folder, and records installer starts.
class UpdateScope {
public:
    explicit UpdateScope(const std::string& host)
        : m_before(UpdateConfig())
    {
        UpdateConfig().webHost = QString::fromStdString(host);
        UpdateConfig().downloadFolder = dir.filePath(QStringLiteral("update"));
        UpdateConfig().runProgram = [this](const QString& path) {
            started << path;
            return runResult;
        };
        UpdateConfig().deferMs = 20;
    }
    ~UpdateScope() { UpdateConfig() = m_before; }

    QString folderFile(const QString& name) const { return dir.filePath(QStringLiteral("update/") + name); }

    QTemporaryDir dir;
    QStringList started;
    int runResult = 0;

private:
    UpdateSettings m_before;
};

// Serves Version as "version.html" and Installer under its name; anything else is a 404.
LoopbackServer::Handler host(const std::string& version, const std::string& installer = "#!/bin/sh\n")
{
    return [version, installer](const LoopbackServer::Request& r, int fd) {
        if (r.path == "/version.html")
            LoopbackServer::Send(fd, LoopbackServer::Ok(version));
        else if (r.path.rfind("/ZovInst-", 0) == 0)
            LoopbackServer::Send(fd, LoopbackServer::Ok(installer));
        else
            LoopbackServer::Send(fd, LoopbackServer::Reply("404 Not Found", "<html>404</html>"));
    };
}

} // namespace

TEST(UpdateCheck, LabelsComparedByBytesAndHostileOnesRefused)
{
    EXPECT_EQ(VersionLabel, "2.6H");
    EXPECT_TRUE(IsNewerVersion("2.6I"));
    EXPECT_TRUE(IsNewerVersion("2.7"));
    EXPECT_FALSE(IsNewerVersion("2.6H"));
    EXPECT_FALSE(IsNewerVersion("2.10")); // byte order: '1' < '6'
    EXPECT_FALSE(IsNewerVersion(""));
    for (const char* hostile : { "2.7\\..\\..\\x", "2.7/../../x", "2.7 a b", "2.7\"&calc", "3.0;rm", "2.7\t", "9.99ZZ",
             "2.7a", "..7", "2.", "27" })
        EXPECT_FALSE(IsNewerVersion(QString::fromLatin1(hostile))) << hostile;
    EXPECT_EQ(InstallerFileName("2.6I"), "ZovInst-26I.exe");
    EXPECT_EQ(InstallerFileName("2.10"), "ZovInst-210.exe");
    EXPECT_EQ(InstallerFileName("2.7 a"), QString());
    EXPECT_EQ(FirstLine("2.6I\r\nnotes"), "2.6I");
    EXPECT_EQ(FirstLine("2.7"), "2.7");
    EXPECT_EQ(FirstLine("\nx"), "");
}

TEST(UpdateDialog, ShowsTheLabelCutToEightAndTheNotes)
{
    TZovUpdate dialog;
    EXPECT_EQ(dialog.windowTitle(), "ZOV Update");
    EXPECT_EQ(dialog.size(), QSize(460, 356));
    ASSERT_TRUE(dialog.FormShow("2.6I\r\nFaster export\r\nNew marks\r\n"));
    EXPECT_EQ(dialog.LabelVers->text(), "Version 2.6I is available.");
    EXPECT_EQ(dialog.Memo1->toPlainText(), "Faster export\nNew marks\n");
    ASSERT_TRUE(dialog.FormShow("<b>2.6I-long-label</b>"));
    EXPECT_EQ(dialog.LabelVers->text(), "Version <b>2.6I- is available.");
    EXPECT_EQ(dialog.LabelVers->textFormat(), Qt::PlainText);
    EXPECT_EQ(dialog.Memo1->toPlainText(), "");
    EXPECT_FALSE(dialog.FormShow(""));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(UpdateCheck, MenuCheckOffersDownloadsAndStartsOnlyAVerifiableInstaller)
{
    LoopbackServer server(host("2.6I\r\nFaster export\r\n", "#!/bin/sh\necho new\n"));
    UpdateScope scope(server.url());
    FakeDialogHost dialogs;
    QString shownLabel;
    dialogs.onExec = [&](QDialog& d) {
        shownLabel = static_cast<TZovUpdate&>(d).LabelVers->text();
        return int(QDialog::Accepted);
    };

    // Over plain HTTP the installer is kept but not started.
    QWidget window;
    window.show();
    UpdateClick(&window);
    EXPECT_EQ(dialogs.dialogs, QStringList { "ZOV Update" });
    EXPECT_EQ(shownLabel, "Version 2.6I is available.");
    EXPECT_EQ(AvailableVersion(), "26I"); // the field keeps the shortened label
    EXPECT_TRUE(scope.started.isEmpty());
    ASSERT_EQ(dialogs.texts.size(), 1);
    EXPECT_TRUE(dialogs.texts[0].contains(QDir::toNativeSeparators(scope.folderFile("ZovInst-26I.exe"))));
    EXPECT_TRUE(dialogs.texts[0].contains("not started"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(QFile::exists(scope.folderFile("version.htm")));

    // From a trusted host it is started by its full path and the window closes.
    UpdateConfig().trustPlainHttp = true;
    dialogs.texts.clear();
    UpdateClick(&window);
    EXPECT_EQ(scope.started, QStringList { scope.folderFile("ZovInst-26I.exe") });
    EXPECT_TRUE(dialogs.texts.isEmpty());
    EXPECT_FALSE(window.isVisible());
    QFile installer(scope.folderFile("ZovInst-26I.exe"));
    ASSERT_TRUE(installer.open(QIODevice::ReadOnly));
    EXPECT_EQ(installer.readAll(), QByteArray("#!/bin/sh\necho new\n"));

    // A start that fails is reported and the program stays.
    window.show();
    scope.runResult = 2;
    UpdateClick(&window);
    EXPECT_EQ(dialogs.texts, QStringList { "Cannot start new version" });
    EXPECT_TRUE(window.isVisible());

    // No: nothing is downloaded.
    const auto before = server.paths().size();
    dialogs.texts.clear();
    dialogs.onExec = [](QDialog&) { return int(QDialog::Rejected); };
    UpdateClick(&window);
    EXPECT_EQ(server.paths().size(), before + 1); // the version file only
    EXPECT_TRUE(dialogs.texts.isEmpty());
}

TEST(UpdateCheck, FailuresAndHostileVersionFilesStartNothing)
{
    FakeDialogHost dialogs;
    dialogs.execResult = QDialog::Accepted;
    QWidget window;

    {
        // Nobody listening, and a host without the version file (its 404 page is not one).
        LoopbackServer server(host(""), 2);
        UpdateScope scope("http://127.0.0.1:1");
        UpdateClick(&window);
        UpdateConfig().webHost = QString::fromStdString(server.url() + "/nowhere");
        UpdateClick(&window);
        EXPECT_EQ(server.paths(), std::vector<std::string> { "/nowhere/version.html" });
        EXPECT_EQ(dialogs.texts, (QStringList { "Cannot get information", "Cannot get information" }));
    }

    // The program's own label, an older one, and labels that would become paths or arguments.
    for (const char* version : { "2.6H\r\n", "2.10\r\n", "", "2.7\\..\\..\\x\r\n", "../../2.7\r\n", "2.7 a b\r\n",
             "2.7\"&calc\r\n" }) {
        dialogs.texts.clear();
        dialogs.dialogs.clear();
        LoopbackServer server(host(version), 2);
        UpdateScope scope(server.url());
        UpdateConfig().trustPlainHttp = true;
        UpdateClick(&window);
        EXPECT_EQ(dialogs.texts, QStringList { "ZOV is already up-to-date" }) << version;
        EXPECT_TRUE(dialogs.dialogs.isEmpty()) << version;
        EXPECT_EQ(server.paths(), std::vector<std::string> { "/version.html" }) << version;
        EXPECT_TRUE(scope.started.isEmpty());
        QDir top(scope.dir.path());
        EXPECT_EQ(top.entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList { "update" }) << version;
    }

    {
        // A version file too big to be one.
        LoopbackServer server([](const LoopbackServer::Request&, int fd) {
            LoopbackServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 10485760\r\n\r\n2.7\r\n");
        }, 1);
        UpdateScope scope(server.url());
        dialogs.texts.clear();
        UpdateClick(&window);
        EXPECT_EQ(dialogs.texts, QStringList { "Cannot get information" });
    }

    {
        // An installer cut short is neither kept nor started.
        LoopbackServer server([](const LoopbackServer::Request& r, int fd) {
            if (r.path == "/version.html") {
                LoopbackServer::Send(fd, LoopbackServer::Ok("2.7\r\n"));
            } else {
                const std::string all = LoopbackServer::Ok(std::string(9000, 'x'));
                LoopbackServer::Send(fd, all.substr(0, all.size() - 3000));
            }
        }, 2);
        UpdateScope scope(server.url());
        UpdateConfig().trustPlainHttp = true;
        dialogs.texts.clear();
        UpdateClick(&window);
        EXPECT_EQ(server.paths(), (std::vector<std::string> { "/version.html", "/ZovInst-27.exe" }));
        EXPECT_EQ(dialogs.texts, QStringList { "Cannot get new version" });
        EXPECT_TRUE(scope.started.isEmpty());
        EXPECT_FALSE(QFile::exists(scope.folderFile("ZovInst-27.exe")));
        EXPECT_FALSE(QFile::exists(scope.folderFile("ZovInst-27.exe.part")));
    }
}

TEST(UpdateCheck, BackgroundCheckOffersOnTheGuiThreadOnceNothingModalRuns)
{
    LoopbackServer server(host("2.7\r\nNotes\r\n"), 4);
    UpdateScope scope(server.url());
    FakeDialogHost dialogs;
    bool onGuiThread = false;
    dialogs.onExec = [&](QDialog&) {
        onGuiThread = QThread::currentThread() == qApp->thread();
        return int(QDialog::Rejected);
    };
    QWidget window;
    window.show();

    // A modal window is up when the result arrives: the offer waits for it to go.
    QDialog modal(&window);
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    StartUpdateCheck(&window);
    EXPECT_TRUE(QTest::qWaitFor([&] { return AvailableVersion() == "2.7"; }, 5000));
    QTest::qWait(100);
    EXPECT_TRUE(dialogs.dialogs.isEmpty());
    modal.hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.dialogs.isEmpty(); }, 5000));
    EXPECT_EQ(dialogs.dialogs, QStringList { "ZOV Update" });
    EXPECT_TRUE(onGuiThread);
    EXPECT_TRUE(scope.started.isEmpty());
    // The thread's own file is gone; the menu command's "version.htm" was never touched.
    EXPECT_FALSE(QFile::exists(scope.folderFile("version-check.htm")));
    EXPECT_FALSE(QFile::exists(scope.folderFile("version.htm")));
    StopUpdateCheck();
}

TEST(UpdateCheck, StoppingTheBackgroundCheckEndsItPromptlyWithoutAnOffer)
{
    std::atomic<bool> release { false };
    LoopbackServer server([&](const LoopbackServer::Request&, int fd) {
        LoopbackServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n2.7\r\n");
        for (int i = 0; i < 200 && !release; ++i)
            QThread::msleep(25);
    }, 2);
    UpdateScope scope(server.url());
    FakeDialogHost dialogs;
    auto window = std::make_unique<QWidget>();
    StartUpdateCheck(window.get());
    QTest::qWait(200);
    const auto t0 = std::chrono::steady_clock::now();
    window.reset(); // the window going stops and joins the check
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
    release = true;
    QTest::qWait(50);
    EXPECT_TRUE(dialogs.dialogs.isEmpty());
    StopUpdateCheck(); // nothing left to stop
}

TEST(UpdateCheck, BackgroundCheckRacingTheMenuCommandSharesNothing)
{
    LoopbackServer server(host("2.6J\r\nNotes\r\n"), 6);
    UpdateScope scope(server.url());
    FakeDialogHost dialogs;
    dialogs.execResult = QDialog::Rejected;
    QWidget window;
    window.show();
    StartUpdateCheck(&window);
    UpdateClick(&window); // while the thread downloads its own copy
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.paths().size() == 2; }, 5000));
    QTest::qWait(150);
    StopUpdateCheck();
    // One offer from the menu, and at most one more from the thread, never one inside the other.
    EXPECT_GE(dialogs.dialogs.size(), 1);
    EXPECT_LE(dialogs.dialogs.size(), 2);
    EXPECT_EQ(AvailableVersion(), "2.6J");
    QFile menuCopy(scope.folderFile("version.htm"));
    ASSERT_TRUE(menuCopy.open(QIODevice::ReadOnly));
    EXPECT_EQ(menuCopy.readAll(), QByteArray("2.6J\r\nNotes\r\n"));
}
