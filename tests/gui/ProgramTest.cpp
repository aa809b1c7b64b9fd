#include "diagram/Diagram.h"
#include "support/TemplateFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace zov;

namespace {

// Waits until the file holds Text, at most Ms milliseconds.
bool waitForText(const QString& path, const QString& text, int ms = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && QString::fromUtf8(file.readAll()).contains(text))
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace

// Two real starts: the second hands its file to the first and ends; the first opens it.
TEST(Program, ASecondStartHandsItsFileToTheFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewWindward, dir.filePath("race")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("ZOVARAN_INSTANCE", "zovaran-test-" + QString::number(QCoreApplication::applicationPid()));
    env.insert("XDG_RUNTIME_DIR", dir.path()); // private to the user, and gone after the test

    // What the programs write to their standard error shows with the test's own (a sanitizer's
    // report fails the test).
    QProcess first;
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(dir.path());
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(ZOVARAN_BINARY, { "-debug" });
    ASSERT_TRUE(first.waitForStarted());
    const QString trace = dir.filePath("TRACE.TXT");
    ASSERT_TRUE(waitForText(trace, "GetParams")) << "the first start did not get going";

    // The settings as the running editor wrote them meanwhile.
    const QString settings = dir.filePath("config/ZOV/ZOV.ini");
    const QByteArray written = "[General]\nEmail=coach@club.org\nFile1=" + dir.filePath("earlier").toUtf8()
        + "\nFile2=\nFile3=\nFile4=\nFile5=\n";
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(written) == written.size());
    file.close();
    const auto handOver = [&](const QStringList& arguments) {
        QProcess second;
        second.setProcessEnvironment(env);
        second.setWorkingDirectory(dir.path());
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        second.start(ZOVARAN_BINARY, arguments);
        ASSERT_TRUE(second.waitForFinished(15000));
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
    };
    handOver({ dir.filePath("race.zov") });
    EXPECT_TRUE(waitForText(trace, "Open: " + dir.filePath("race")));
    EXPECT_EQ(first.state(), QProcess::Running);

    // A start that only hands over leaves the settings to the running editor: it writes none,
    // neither over what is there nor in the place of a file that is gone.
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), written.toStdString());
    ASSERT_TRUE(QFile::remove(settings));
    handOver({});
    EXPECT_FALSE(QFile::exists(settings));

    first.kill();
    first.waitForFinished();
}

// Starts at the same moment, with a file each and without: exactly one keeps running, every
// other ends at once with code 0, and every file opens in the one that runs. Repeated, since a
// fault here shows only on some runs.
TEST(Program, StartsAtTheSameMomentLeaveExactlyOneRunningWithEveryFile)
{
    constexpr int Starts = 8;
    for (int round = 0; round < 4; ++round) {
        const bool withFiles = round % 2 == 0;
        SCOPED_TRACE(withFiles ? "with a file each" : "without files");
        QTemporaryDir dir;
        QStringList files;
        if (withFiles)
            for (int i = 0; i < Starts; ++i) {
                const QString name = dir.filePath(QStringLiteral("race%1").arg(i));
                ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewWindward, name));
                files << name;
            }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.insert("XDG_DATA_HOME", dir.filePath("data"));
        env.insert("ZOVARAN_INSTANCE", QStringLiteral("zovaran-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(round));
        env.insert("XDG_RUNTIME_DIR", dir.path());

        std::vector<std::unique_ptr<QProcess>> starts;
        for (int i = 0; i < Starts; ++i) {
            auto p = std::make_unique<QProcess>();
            p->setProcessEnvironment(env);
            p->setWorkingDirectory(dir.path());
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            QStringList arguments { "-debug" };
            if (withFiles)
                arguments.prepend(files[i] + ".zov");
            p->start(ZOVARAN_BINARY, arguments);
            starts.push_back(std::move(p));
        }
        auto running = [&] {
            int n = 0;
            for (auto& p : starts)
                n += p->state() != QProcess::NotRunning ? 1 : 0;
            return n;
        };
        QElapsedTimer clock;
        clock.start();
        while (running() > 1 && clock.elapsed() < 60000) {
            for (auto& p : starts)
                p->waitForFinished(10);
        }
        // Those that ended ended well; the one left stays.
        QThread::msleep(300);
        EXPECT_EQ(running(), 1);
        for (auto& p : starts)
            if (p->state() == QProcess::NotRunning) {
                EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
                EXPECT_EQ(p->exitCode(), 0);
            }
        const QString trace = dir.filePath("TRACE.TXT");
        for (const QString& file : files)
            EXPECT_TRUE(waitForText(trace, "Open: " + file, 30000)) << file.toStdString();

        for (auto& p : starts)
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
    }
}
