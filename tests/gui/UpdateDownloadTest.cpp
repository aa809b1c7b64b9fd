#include "diagram/Progress.h"
#include "plat_ui/net/HttpDownload.h"

#include "gui/UpdateLoopback.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace zov;
using net::DownloadFile;
using net::DownloadOptions;

namespace {

struct ScriptedProgress : Progress {
    void Open(const std::string& c, const std::string& i, int m) override
    {
        ++opened;
        caption = c;
        info = i;
        maximum = m;
    }
    void StepIt() override { ++steps; }
    bool Cancelled() const override { return cancelAfter >= 0 && steps >= cancelAfter; }
    void Close() override { ++closed; }

    int opened = 0, maximum = 0, steps = 0, closed = 0, cancelAfter = -1;
    std::string caption, info;
};

std::string pattern(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = char('a' + i % 23);
    return s;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

} // namespace

TEST(HttpDownload, ReblocksContentCountsStepsAndKeepsErrorPages)
{
    QTemporaryDir dir;
    const std::string body = pattern(4097);
    const std::string small = pattern(4096);
    LoopbackServer server([&](const LoopbackServer::Request& r, int fd) {
        if (r.path == "/split") {
            // The body arrives in pieces that do not line up with the blocks.
            const std::string all = LoopbackServer::Ok(body);
            const std::size_t head = all.size() - body.size();
            LoopbackServer::Send(fd, all.substr(0, head + 1000));
            pause(30);
            LoopbackServer::Send(fd, all.substr(head + 1000, 2500));
            pause(30);
            LoopbackServer::Send(fd, all.substr(head + 3500));
        } else if (r.path == "/small") {
            LoopbackServer::Send(fd, LoopbackServer::Ok(small));
        } else if (r.path == "/empty") {
            LoopbackServer::Send(fd, LoopbackServer::Ok(""));
        } else {
            LoopbackServer::Send(fd, LoopbackServer::Reply("404 Not Found", "<html>gone</html>"));
        }
    });

    // 4097 bytes: a window with a maximum of 2, one step per 4096-byte block.
    ScriptedProgress progress;
    std::vector<std::string> status;
    DownloadOptions o;
    o.progress = &progress;
    o.status = [&](const std::string& s) { status.push_back(s); };
    const QString split = dir.filePath("split.bin");
    auto reply = DownloadFile(server.url() + "/split", split.toStdString(), o);
    EXPECT_EQ(reply.result, 0);
    EXPECT_EQ(reply.httpStatus, 200);
    EXPECT_EQ(fileBytes(split), QByteArray::fromStdString(body));
    EXPECT_EQ(progress.opened, 1);
    EXPECT_EQ(progress.caption, "ZOV update");
    EXPECT_EQ(progress.info, "File Transfer Progress");
    EXPECT_EQ(progress.maximum, 2);
    EXPECT_EQ(progress.steps, 2);
    EXPECT_EQ(progress.closed, 1);
    EXPECT_EQ(status, (std::vector<std::string> { "+++++++", "Calling", "Connected", "Size: 4097", "Bloc 1", "Bloc 2" }));
    EXPECT_FALSE(QFile::exists(split + ".part"));

    // Exactly one block: no window.
    ScriptedProgress one;
    o.progress = &one;
    reply = DownloadFile(server.url() + "/small", dir.filePath("small.bin").toStdString(), o);
    EXPECT_EQ(reply.result, 0);
    EXPECT_EQ(one.opened, 0);
    EXPECT_EQ(one.steps, 1);
    EXPECT_EQ(fileBytes(dir.filePath("small.bin")).size(), 4096);

    // An empty content is a complete, empty file.
    reply = DownloadFile(server.url() + "/empty", dir.filePath("empty.bin").toStdString());
    EXPECT_EQ(reply.result, 0);
    EXPECT_TRUE(QFile::exists(dir.filePath("empty.bin")));
    EXPECT_EQ(fileBytes(dir.filePath("empty.bin")), QByteArray());

    // A 404 page is content: written, with its status for the caller to judge.
    reply = DownloadFile(server.url() + "/missing", dir.filePath("missing.htm").toStdString());
    EXPECT_EQ(reply.result, 0);
    EXPECT_EQ(reply.httpStatus, 404);
    EXPECT_EQ(fileBytes(dir.filePath("missing.htm")), QByteArray("<html>gone</html>"));
}

TEST(HttpDownload, RefusesWhatIsNotAWholeContentAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    LoopbackServer server([&](const LoopbackServer::Request& r, int fd) {
        if (r.path == "/nolength") {
            LoopbackServer::Send(fd, LoopbackServer::Reply("200 OK", "2.7\r\nno length", false));
        } else if (r.path == "/short") {
            // Announces 10000 bytes, sends 5000 and hangs up: a cut connection.
            const std::string all = LoopbackServer::Reply("200 OK", pattern(10000));
            LoopbackServer::Send(fd, all.substr(0, all.size() - 5000));
        } else if (r.path == "/huge") {
            LoopbackServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 10485760\r\n\r\n" + pattern(1000));
        }
    });
    const QString target = dir.filePath("version.htm");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    auto expectUntouched = [&] {
        EXPECT_EQ(fileBytes(target), QByteArray("old"));
        EXPECT_FALSE(QFile::exists(target + ".part"));
    };

    EXPECT_EQ(DownloadFile(server.url() + "/nolength", target.toStdString()).result, -1);
    expectUntouched();
    EXPECT_EQ(DownloadFile(server.url() + "/short", target.toStdString()).result, -3);
    expectUntouched();
    DownloadOptions capped;
    capped.maxSize = 64 * 1024;
    EXPECT_EQ(DownloadFile(server.url() + "/huge", target.toStdString(), capped).result, net::DownloadTooLarge);
    expectUntouched();

    // Nobody listening.
    const std::string closed = [] {
        LoopbackServer gone([](const LoopbackServer::Request&, int) { }, 0);
        return gone.url();
    }();
    EXPECT_EQ(DownloadFile(closed + "/version.html", target.toStdString()).result, -1);
    expectUntouched();
}

TEST(HttpDownload, CancelOrStopLeavesNoHalfFile)
{
    QTemporaryDir dir;
    std::atomic<bool> release { false };
    LoopbackServer server([&](const LoopbackServer::Request& r, int fd) {
        if (r.path == "/big") {
            LoopbackServer::Send(fd, LoopbackServer::Ok(pattern(5 * 4096)));
        } else {
            // Sends a little, then stalls until the test is done with it.
            const std::string all = LoopbackServer::Ok(pattern(100000));
            LoopbackServer::Send(fd, all.substr(0, all.size() - 99000));
            for (int i = 0; i < 200 && !release; ++i)
                pause(25);
        }
    });

    // Cancel pressed after the first block.
    ScriptedProgress progress;
    progress.cancelAfter = 1;
    DownloadOptions o;
    o.progress = &progress;
    const QString big = dir.filePath("ZovInst-27.exe");
    EXPECT_EQ(DownloadFile(server.url() + "/big", big.toStdString(), o).result, -2);
    EXPECT_EQ(progress.steps, 1);
    EXPECT_EQ(progress.closed, 1);
    EXPECT_FALSE(QFile::exists(big));
    EXPECT_FALSE(QFile::exists(big + ".part"));

    // Cancel pressed while the server sends nothing: noticed without waiting for data.
    ScriptedProgress idle;
    idle.cancelAfter = 0;
    o.progress = &idle;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(DownloadFile(server.url() + "/stall", big.toStdString(), o).result, -2);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
    EXPECT_FALSE(QFile::exists(big + ".part"));

    // Stopped from another thread (the program ending under the background check).
    std::atomic<bool> stop { false };
    DownloadOptions quiet;
    quiet.stop = &stop;
    std::thread stopper([&] {
        pause(200);
        stop = true;
    });
    const auto t1 = std::chrono::steady_clock::now();
    EXPECT_EQ(DownloadFile(server.url() + "/stall", big.toStdString(), quiet).result, -2);
    EXPECT_LT(std::chrono::steady_clock::now() - t1, std::chrono::seconds(3));
    stopper.join();
    release = true;
    EXPECT_FALSE(QFile::exists(big));
    EXPECT_FALSE(QFile::exists(big + ".part"));
}
