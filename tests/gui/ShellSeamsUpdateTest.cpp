#include "plat_ui/ErrorReport.h"
#include "shell/Update.h"

#include "gui/FakeDialogHost.h"
#include "gui/UpdateLoopback.h"

#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace zov;

namespace {

// Points the update at a loopback host and a temporary folder; nothing is ever started.
class OfferScope {
public:
    explicit OfferScope(const std::string& host)
        : m_before(UpdateConfig())
    {
        UpdateConfig().webHost = QString::fromStdString(host);
        UpdateConfig().downloadFolder = dir.filePath(QStringLiteral("update"));
        UpdateConfig().runProgram = [](const QString&) { return 0; };
        UpdateConfig().deferMs = 20;
    }
    ~OfferScope() { UpdateConfig() = m_before; }

    QTemporaryDir dir;

private:
    UpdateSettings m_before;
};

} // namespace

TEST(ShellSeamsUpdate, AnOfferFromTheBackgroundCheckThatFailsIsReportedNotThrownIntoTheEventLoop)
{
    LoopbackServer server([](const LoopbackServer::Request& r, int fd) {
        if (r.path == "/version.html")
            LoopbackServer::Send(fd, LoopbackServer::Ok("2.7\r\nNotes\r\n"));
        else
            LoopbackServer::Send(fd, LoopbackServer::Reply("404 Not Found", "<html>404</html>"));
    }, 4);
    OfferScope scope(server.url());
    FakeDialogHost dialogs;
    // The user takes the offer, but the download folder cannot be made any more (a file is
    // where the folder should be).
    const QString blocker = scope.dir.filePath(QStringLiteral("blocker"));
    {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    dialogs.onExec = [&](QDialog&) {
        UpdateConfig().downloadFolder = blocker + QStringLiteral("/update");
        return int(QDialog::Accepted);
    };
    QStringList reported;
    SetErrorReporter([&](const std::exception& e) { reported << QString::fromUtf8(e.what()); });
    QWidget window;
    window.show();
    StartUpdateCheck(&window);
    bool thrown = false;
    try {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.dialogs.isEmpty(); }, 5000));
        QTest::qWait(100);
    } catch (...) {
        thrown = true;
    }
    StopUpdateCheck();
    SetErrorReporter(nullptr);
    EXPECT_FALSE(thrown);
    EXPECT_EQ(dialogs.dialogs, QStringList { "ZOV Update" });
    EXPECT_EQ(reported.size(), 1); // the failure was shown
}
