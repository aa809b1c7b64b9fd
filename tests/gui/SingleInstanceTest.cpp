#include "FakeDialogHost.h"

#include "plat_ui/SingleInstance.h"
#include "shell/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace zov::ui;

namespace {

QString uniqueName()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name
        = QStringLiteral("zovtest-%1-%2").arg(QCoreApplication::applicationPid()).arg(QString::fromLatin1(info->name()));
    // The lock file beside a socket stays for the program's next start; the tests' go at the end.
    static struct LockFiles {
        QStringList files;
        ~LockFiles()
        {
            for (const QString& file : files)
                QFile::remove(file);
        }
    } locks;
    locks.files << SingleInstance::SocketPath(name) + QStringLiteral(".lock");
    return name;
}

// Runs Body on another thread (as a second process would) while this thread serves events.
template <typename F> void runAsSecondStart(F body, int limitMs = 10000)
{
    std::atomic<bool> done { false };
    std::thread second([&] {
        body();
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    second.join();
    QCoreApplication::processEvents();
}

void pump(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

TEST(InstanceMessage, DecodingNeverReadsPastWhatArrived)
{
    InstanceMessage m { true, QByteArray("/home/u/race.zov") };
    const QByteArray bytes = EncodeInstanceMessage(m);
    EXPECT_EQ(bytes.size(), 2 + m.path.size());
    EXPECT_EQ(quint8(bytes[1]), m.path.size());
    InstanceMessage out;
    EXPECT_EQ(DecodeInstanceMessage(bytes, out), DecodeResult::Complete);
    EXPECT_TRUE(out.open);
    EXPECT_EQ(out.path, m.path);
    EXPECT_EQ(DecodeInstanceMessage(bytes.left(bytes.size() - 1), out), DecodeResult::Incomplete);

    // A length byte of 255 with three bytes behind it waits for the rest rather than reading on.
    EXPECT_EQ(DecodeInstanceMessage(QByteArray("\x01\xFF" "abc", 5), out), DecodeResult::Incomplete);
    EXPECT_EQ(DecodeInstanceMessage(QByteArray("\x07", 1), out), DecodeResult::Malformed);
    EXPECT_EQ(DecodeInstanceMessage(QByteArray(), out), DecodeResult::Incomplete);
    EXPECT_EQ(DecodeInstanceMessage(QByteArray("\x01\x00", 2), out), DecodeResult::Complete);
    EXPECT_FALSE(out.open); // an empty path only brings the window forward
    EXPECT_EQ(EncodeInstanceMessage({ false, QByteArray("ignored") }), QByteArray(1, '\0'));
}

TEST(SingleInstance, PathIsDeliveredOnceAndAnsweredAfterTheHandlerReturns)
{
    SingleInstance first(uniqueName());
    ASSERT_TRUE(first.Listen());
    QWidget window;
    window.showMinimized();
    first.SetWindow(&window);
    std::atomic<bool> handled { false };
    QList<InstanceMessage> received;
    first.SetHandler([&](const InstanceMessage& m) {
        EXPECT_FALSE(window.isMinimized()); // brought forward before the file opens
        received << m;
        pump(50); // opening the file pumps messages; the answer must still wait for the end
        handled = true;
    });

    bool found = false;
    bool handledAtAnswer = false;
    qint64 took = 0;
    runAsSecondStart([&] {
        SingleInstance second(first.serverName());
        QElapsedTimer clock;
        clock.start();
        found = second.SendToRunning({ true, QByteArray("/home/u/race.zov") });
        took = clock.elapsed();
        handledAtAnswer = handled;
    });
    EXPECT_TRUE(found);
    EXPECT_TRUE(handledAtAnswer);
    EXPECT_LT(took, 4000); // answered, not timed out
    ASSERT_EQ(received.size(), 1);
    EXPECT_TRUE(received[0].open);
    EXPECT_EQ(received[0].path, QByteArray("/home/u/race.zov"));

    // A start without a file only brings the window forward.
    window.showMinimized();
    runAsSecondStart([&] { SingleInstance(first.serverName()).SendToRunning({}); });
    ASSERT_EQ(received.size(), 2);
    EXPECT_FALSE(received[1].open);
    EXPECT_FALSE(window.isMinimized());
}

TEST(SingleInstance, HeldMessagesWaitInOrderAndMalformedOnesAreDropped)
{
    SingleInstance first(uniqueName());
    ASSERT_TRUE(first.Listen());
    first.SetHeld(true);
    QStringList received;
    first.SetHandler([&](const InstanceMessage& m) { received << QString::fromUtf8(m.path); });

    // The second start gives up after its time limit; its file is opened later all the same.
    bool found = false;
    qint64 took = 0;
    runAsSecondStart([&] {
        QElapsedTimer clock;
        clock.start();
        found = SingleInstance(first.serverName()).SendToRunning({ true, QByteArray("/a.zov") }, 300);
        took = clock.elapsed();
    });
    EXPECT_TRUE(found);
    EXPECT_GE(took, 250);
    EXPECT_LT(took, 2500); // and no later
    runAsSecondStart([&] {
        QLocalSocket raw;
        raw.connectToServer(SingleInstance::SocketPath(first.serverName()));
        ASSERT_TRUE(raw.waitForConnected(1000));
        raw.write(QByteArray("\x07junk", 5));
        raw.waitForBytesWritten(1000);
        raw.waitForDisconnected(1000);
    });
    runAsSecondStart([&] { SingleInstance(first.serverName()).SendToRunning({ true, QByteArray("/b.zov") }, 300); });
    pump(50);
    EXPECT_TRUE(received.isEmpty());
    EXPECT_EQ(first.pendingCount(), 2);

    first.SetHeld(false);
    pump(50);
    EXPECT_EQ(received, QStringList({ QStringLiteral("/a.zov"), QStringLiteral("/b.zov") }));
}

TEST(SingleInstance, SocketLeftByACrashedInstanceIsTakenOver)
{
    const QString name = uniqueName();
    const QByteArray path = SingleInstance::SocketPath(name).toUtf8();
    // A socket file nobody listens on, as a killed instance leaves it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);

    SingleInstance first(name);
    EXPECT_FALSE(first.SendToRunning({}, 1000));
    ASSERT_TRUE(first.Listen());
    int count = 0;
    first.SetHandler([&](const InstanceMessage&) { ++count; });
    bool found = false;
    runAsSecondStart([&] { found = SingleInstance(name).SendToRunning({}); });
    EXPECT_TRUE(found);
    EXPECT_EQ(count, 1);
}

TEST(SingleInstance, ALiveInstanceIsNeverReplacedAndItsSocketIsPrivateByItsFolder)
{
    SingleInstance first(uniqueName());
    ASSERT_TRUE(first.Listen());
    QStringList received;
    first.SetHandler([&](const InstanceMessage& m) { received << QString::fromUtf8(m.path); });

    // The socket is made in place in a folder nobody else may enter.
    const QString path = SingleInstance::SocketPath(first.serverName());
    struct stat socket {};
    ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &socket), 0);
    EXPECT_TRUE(S_ISSOCK(socket.st_mode));
    struct stat folder {};
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &folder), 0);
    EXPECT_EQ(folder.st_uid, ::getuid());
    EXPECT_EQ(folder.st_mode & 077, 0u);

    // A start that believes the name is free (as a late one did, whose try to connect came too
    // early) must not take it over from the live instance.
    bool listened = true;
    bool taken = false;
    runAsSecondStart([&] {
        SingleInstance late(first.serverName());
        listened = late.Listen();
        taken = late.takenByAnother();
    });
    EXPECT_FALSE(listened);
    EXPECT_TRUE(taken);
    struct stat after {};
    ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, socket.st_ino); // the same socket, not one renamed over it
    runAsSecondStart([&] { SingleInstance(first.serverName()).SendToRunning({ true, QByteArray("/c.zov") }); });
    EXPECT_EQ(received, QStringList { QStringLiteral("/c.zov") });
}

TEST(SingleInstance, SecondStartSendsItsFileAsAnAbsolutePathAndSwitchesOnlyActivate)
{
    FakeDialogHost host;
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    SingleInstance first(uniqueName());
    EXPECT_FALSE(zov::IsAlreadyRunning(first, {}));
    EXPECT_TRUE(first.isListening());
    EXPECT_TRUE(first.isHeld()); // until the main window is ready
    QList<InstanceMessage> received;
    first.SetHandler([&](const InstanceMessage& m) { received << m; });
    first.SetHeld(false);

    auto secondStart = [&](const QStringList& parameters) {
        bool running = false;
        runAsSecondStart([&] {
            SingleInstance second(first.serverName());
            running = zov::IsAlreadyRunning(second, parameters);
        });
        return running;
    };
    EXPECT_TRUE(secondStart({ QStringLiteral("races/start.zov"), QStringLiteral("-debug") }));
    EXPECT_TRUE(secondStart({ QStringLiteral("-DEBUG"), QStringLiteral("x.zov") }));
    EXPECT_TRUE(secondStart({ QStringLiteral("/") + QString(300, u'p') }));
    QDir::setCurrent(before);

    ASSERT_EQ(received.size(), 3);
    EXPECT_TRUE(received[0].open);
    EXPECT_EQ(QString::fromUtf8(received[0].path), QDir(dir.path()).filePath("races/start.zov"));
    EXPECT_FALSE(received[1].open);
    EXPECT_FALSE(received[2].open); // too long to hand over whole: refused, not cut
    ASSERT_EQ(host.texts.size(), 1);
    EXPECT_TRUE(host.texts[0].startsWith(zov::PathTooLongText));
}
