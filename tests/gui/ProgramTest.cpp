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

    QProcess first;
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(dir.path());
    first.start(ZOVARAN_BINARY, { "-debug" });
    ASSERT_TRUE(first.waitForStarted());
    const QString trace = dir.filePath("TRACE.TXT");
    ASSERT_TRUE(waitForText(trace, "GetParams")) << "the first start did not get going";

    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(dir.path());
    second.start(ZOVARAN_BINARY, { dir.filePath("race.zov") });
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(waitForText(trace, "Open: " + dir.filePath("race")));
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished();
}
