#include "diagram/Diagram.h"
#include "plat/rt/Errors.h"
#include "shell/Update.h"
#include "shell/Upload.h"

#include "gui/FakeDialogHost.h"
#include "gui/UpdateLoopback.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zov;

namespace {

class HostScope {
public:
    explicit HostScope(const std::string& host)
        : m_before(UpdateConfig().webHost)
    {
        UpdateConfig().webHost = QString::fromStdString(host);
    }
    ~HostScope() { UpdateConfig().webHost = m_before; }

private:
    QString m_before;
};

} // namespace

TEST(Upload, SendsTheFileAsFieldUploadedAndMapsTheReplies)
{
    QTemporaryDir dir;
    const QByteArray content("ZOV\x0A\x00\x01 diagram bytes", 21);
    {
        // Saved with the extension in capitals; the upload finds it whatever its case.
        QFile f(dir.filePath("race.ZOV"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const std::vector<std::string> replies { "0", "3", "busy\r\n<b>", "" };
    std::size_t next = 0;
    LoopbackServer server([&](const LoopbackServer::Request&, int fd) {
        if (next < replies.size())
            LoopbackServer::Send(fd, LoopbackServer::Ok(replies[next++]));
        else
            LoopbackServer::Send(fd, LoopbackServer::Reply("500 Internal Server Error", "<html>" + std::string(1 << 20, 'x')));
    }, 6);
    HostScope scope(server.url());
    FakeDialogHost dialogs;
    TDiagram diagram;
    diagram.FFileName = dir.filePath("race").toStdString();

    for (int i = 0; i < 5; ++i)
        UploadToRepository(diagram);
    EXPECT_EQ(dialogs.texts,
        (QStringList { "OK, file has been exported", "File \"race.zov\" already exists on ZOV Repository",
            "Error busy  <b>", "Error ", "Error HTTP 500" }));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 5u);
    const LoopbackServer::Request& r = requests[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "/import.php");
    EXPECT_NE(r.head.find("multipart/form-data; boundary="), std::string::npos);
    EXPECT_NE(r.body.find("Content-Disposition: form-data; name=\"uploaded\"; filename=\"race.ZOV\""), std::string::npos);
    EXPECT_NE(r.body.find("Content-Type: multipart/form-data\r\n"), std::string::npos);
    EXPECT_NE(r.body.find(content.toStdString()), std::string::npos);
    const std::size_t first = r.body.find("Content-Disposition");
    EXPECT_EQ(r.body.find("Content-Disposition", first + 1), std::string::npos); // one part only
}

TEST(Upload, LongRepliesAreCutAndNothingIsSentWithoutAFile)
{
    EXPECT_EQ(UploadReplyText(200, std::string(1000, 'e'), "a"), "Error " + QString(200, 'e') + "...");
    EXPECT_EQ(UploadReplyText(200, "0\n", "a"), "Error 0 "); // only exactly "0" is a success
    EXPECT_EQ(UploadReplyText(404, "0", "a"), "Error HTTP 404");

    QTemporaryDir dir;
    LoopbackServer server([](const LoopbackServer::Request&, int fd) { LoopbackServer::Send(fd, LoopbackServer::Ok("0")); }, 2);
    HostScope scope(server.url());
    FakeDialogHost dialogs;
    TDiagram diagram;
    UploadToRepository(diagram); // never saved
    diagram.FFileName = dir.filePath("gone").toStdString();
    UploadToRepository(diagram); // its file was removed
    EXPECT_EQ(dialogs.texts.size(), 2);
    EXPECT_EQ(dialogs.texts.value(0), "Save the diagram before exporting it to ZOV Repository");
    EXPECT_TRUE(dialogs.texts.value(1).startsWith("Cannot find the file"));
    EXPECT_TRUE(server.requests().empty());

    // A host that cannot be reached is an error for the error display, with no period in its text.
    {
        QFile f(dir.filePath("gone.zov"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    HostScope nowhere("http://127.0.0.1:1");
    try {
        UploadToRepository(diagram);
        ADD_FAILURE() << "no error raised";
    } catch (const rt::Error& e) {
        EXPECT_EQ(std::string(e.what()).find('.'), std::string::npos) << e.what();
    }
}
