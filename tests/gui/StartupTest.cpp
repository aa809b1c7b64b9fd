#include "FakeDialogHost.h"

#include "plat/img/Codecs.h"
#include "plat/io/BinaryStream.h"
#include "plat/rt/Errors.h"
#include "plat/sys/Trace.h"
#include "shell/About.h"
#include "shell/ErrorDisplay.h"
#include "shell/Help.h"
#include "shell/Settings.h"
#include "shell/Startup.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace zov;

namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs the test body in a temporary current folder.
class InTemporaryFolder : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString before = QDir::currentPath();
    void SetUp() override { ASSERT_TRUE(QDir::setCurrent(dir.path())); }
    void TearDown() override
    {
        QDir::setCurrent(before);
        DebugMode = false;
        TraceClose();
        RecentFiles = {};
    }
};

int aFunctionOfThisProgram()
{
    return 1;
}

} // namespace

TEST(ErrorText, HexDigitsAndTheCutAtTheFirstPeriod)
{
    EXPECT_EQ(AddressToHex(0), QStringLiteral("00000000"));
    EXPECT_EQ(AddressToHex(255), QStringLiteral("000000FF"));
    EXPECT_EQ(AddressToHex(4096), QStringLiteral("00001000"));
    EXPECT_EQ(AddressToHex(0xDEADBEEF), QStringLiteral("DEADBEEF"));
    EXPECT_EQ(ByteToHex(0), QStringLiteral("00"));
    EXPECT_EQ(ByteToHex(0xA7), QStringLiteral("A7"));

    EXPECT_EQ(ExceptionDisplayText("No period here", 0x11BC10), QStringLiteral("No period here encountered at 0011BC10"));
    EXPECT_EQ(ExceptionDisplayText("First. Second. Third", 1), QStringLiteral("First encountered at 00000001"));
    EXPECT_EQ(ExceptionDisplayText(".leading", 0), QStringLiteral(" encountered at 00000000"));
    // The cut at 255 characters comes first: a period after it does not count.
    const QString longText = QString(300, u'x') + u'.';
    EXPECT_EQ(ExceptionDisplayText(longText, 0), QString(255, u'x') + QStringLiteral(" encountered at 00000000"));

    EXPECT_EQ(ImageRelativeAddress(0), 0u);
    const auto address = reinterpret_cast<std::uintptr_t>(&aFunctionOfThisProgram);
    Dl_info info {};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(address), &info), 0);
    EXPECT_EQ(ImageRelativeAddress(address), std::uint32_t(address - reinterpret_cast<std::uintptr_t>(info.dli_fbase)));
}

TEST(ErrorDisplay, ShowsOneLineBoxAndNoSecondBoxForTheSameErrorUnderIt)
{
    FakeDialogHost host;
    // Errors made at a known address: the box shows it relative to the program's image.
    const auto here = reinterpret_cast<std::uintptr_t>(&aFunctionOfThisProgram);
    const QString at = AddressToHex(ImageRelativeAddress(here));
    DisplayException(rt::AssertionFailure("Diagram for this tab not found", "Rules1", 123, here));
    ASSERT_EQ(host.texts.size(), 1);
    EXPECT_EQ(host.texts[0], QStringLiteral("Diagram for this tab not found (Rules1, line 123) encountered at ") + at);
    EXPECT_EQ(host.captions[0], QStringLiteral("Zovaran"));
    DisplayException(std::runtime_error("Not one of ours"));
    EXPECT_EQ(host.texts.value(1), QStringLiteral("Not one of ours encountered at 00000000"));
    host.texts.clear();

    // A repaint under the box raising the same error again, then another error.
    int depth = 0;
    host.onMessage = [&](const QString&) {
        if (++depth > 3)
            return;
        DisplayException(rt::GraphicsError(7, here));
        DisplayException(rt::RangeError("Range check error. Value 70000", here));
    };
    host.texts.clear();
    DisplayException(rt::GraphicsError(7, here));
    EXPECT_EQ(host.texts,
        QStringList({ QStringLiteral("Gdi+ error 7 encountered at ") + at,
            QStringLiteral("Range check error encountered at ") + at }));

    // Once the box is closed the same error shows again.
    host.onMessage = nullptr;
    host.texts.clear();
    DisplayException(rt::GraphicsError(7, here));
    EXPECT_EQ(host.texts.size(), 1);

    host.texts.clear();
    ShowPendingException(rt::IoError("Cannot create the trace file. Disk full", 0, here));
    EXPECT_EQ(host.texts,
        QStringList({ AddressToHex(std::uint32_t(here)) + QStringLiteral(" Cannot create the trace file. Disk full") }));
}

TEST(ErrorDisplay, ErrorsRaisedInDifferentPlacesShowWhereInsideTheProgram)
{
    // Two errors the program raises itself, in two different places of its code.
    auto shown = [](auto&& raise) {
        FakeDialogHost host;
        std::uintptr_t where = 0;
        try {
            raise();
        } catch (const rt::Error& e) {
            where = e.where();
            DisplayException(e);
        }
        EXPECT_EQ(host.texts.size(), 1);
        const QString text = host.texts.value(0);
        const qsizetype at = text.lastIndexOf(QStringLiteral(" encountered at "));
        EXPECT_GT(at, 0) << text.toStdString();
        return std::pair { where, text.mid(at + 16) };
    };
    const auto [truncated, truncatedText] = shown([] {
        const std::uint8_t one = 1;
        io::BinaryReader(io::Bytes(&one, 1)).readU16();
    });
    const auto [unknown, unknownText] = shown([] { img::decodeImage(QByteArray("not a picture")); });

    Dl_info program {};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&aFunctionOfThisProgram), &program), 0);
    for (const auto& [where, text] : { std::pair { truncated, truncatedText }, std::pair { unknown, unknownText } }) {
        ASSERT_NE(where, 0u);
        Dl_info info {};
        ASSERT_NE(dladdr(reinterpret_cast<void*>(where), &info), 0);
        EXPECT_EQ(info.dli_fbase, program.dli_fbase) << "not inside the program's image";
        const auto relative = where - reinterpret_cast<std::uintptr_t>(program.dli_fbase);
        EXPECT_EQ(text, AddressToHex(std::uint32_t(relative)));
        EXPECT_NE(text, QStringLiteral("00000000"));
    }
    EXPECT_NE(truncatedText, unknownText);
}

TEST_F(InTemporaryFolder, DebugSwitchCreatesAnEmptyTraceFileAndProcessEndClosesItBeforeTheSettings)
{
    ScopedEnv config("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    writeFile(dir.filePath("TRACE.TXT"), "old content\n");
    StartTrace({ QStringLiteral("debug"), QStringLiteral("--debug") });
    EXPECT_FALSE(DebugMode);
    EXPECT_FALSE(TraceIsOpen());
    EXPECT_EQ(readFile(dir.filePath("TRACE.TXT")), QByteArray("old content\n"));

    StartTrace({ QStringLiteral("/home/u/race.zov"), QStringLiteral("/DEBUG") });
    EXPECT_TRUE(DebugMode);
    EXPECT_TRUE(TraceIsOpen());
    EXPECT_EQ(readFile(dir.filePath("TRACE.TXT")), QByteArray());

    LoadSettings();
    RecentFiles[0] = QStringLiteral("/home/u/race");
    FinishProcess();
    EXPECT_FALSE(TraceIsOpen());
    EXPECT_TRUE(readFile(dir.filePath("TRACE.TXT")).endsWith("Trace closed\n"));
    EXPECT_TRUE(readFile(dir.filePath("config/ZOV/ZOV.ini")).contains("File1=/home/u/race"));
}

TEST_F(InTemporaryFolder, TraceFileThatCannotBeCreatedEndsTheStartUp)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("TRACE.TXT")); // a folder in its place
    EXPECT_THROW(StartTrace({ QStringLiteral("-debug") }), rt::IoError);
}

TEST(AboutBox, LayoutVersionAndOkButton)
{
    TAbout about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Zovaran"));
    EXPECT_EQ(about.size(), QSize(366, 220));
    EXPECT_EQ(about.Button1->geometry(), QRect(17, 180, 100, 25));
    EXPECT_EQ(about.Button1->text(), QStringLiteral("&OK"));
    EXPECT_TRUE(about.Button1->isDefault());
    EXPECT_EQ(about.Label1->text(), QStringLiteral("Zovaran  Version "));
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowCloseButtonHint);

    FakeDialogHost host;
    StartupTimer timer(60000);
    host.onExec = [&](QDialog& dialog) {
        dialog.show();
        EXPECT_EQ(about.VersionLabel->text(), QStringLiteral("2.6H"));
        about.Button1->click();
        EXPECT_FALSE(dialog.isVisible());
        return dialog.result();
    };
    timer.ShowAbout(about);
    EXPECT_EQ(host.dialogs, QStringList({ QStringLiteral("About Zovaran") }));
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(AboutBox, StartupTimerClosesTheBoxAtItsFirstTickAndLaterBoxesAtOnce)
{
    StartupTimer timer(80);
    TAbout about;
    QElapsedTimer clock;
    clock.start();
    timer.ShowAbout(about); // the real modal loop: only the tick ends it
    EXPECT_GE(clock.elapsed(), 60);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(timer.ticked());
    EXPECT_FALSE(timer.isActive());
    EXPECT_FALSE(about.isVisible());

    // Start-up took longer than the interval: the box does not stay.
    FakeDialogHost host;
    timer.ShowAbout(about);
    EXPECT_TRUE(host.dialogs.isEmpty());
}

TEST(Help, ContentsContextsAndAMissingFolder)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("help/index.html"), "<html><body>Contents</body></html>");
    writeFile(dir.filePath("help/history.html"), "<html><body>History</body></html>");
    FakeDialogHost host;
    SetApplicationHelpFile(dir.filePath("help"));

    auto* window = dynamic_cast<HelpWindow*>(HtmlHelpShowContext(nullptr, HelpContextHistory));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->currentPage(), QStringLiteral("history.html"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(HtmlHelpShowContents(nullptr), window); // one help window
    EXPECT_EQ(window->currentPage(), QStringLiteral("index.html"));
    HtmlHelpShowContext(nullptr, 999); // no page of its own: the contents
    EXPECT_EQ(window->currentPage(), QStringLiteral("index.html"));
    EXPECT_TRUE(host.texts.isEmpty());
    DestroyHelpWindow();

    SetApplicationHelpFile(dir.filePath("nowhere"));
    EXPECT_EQ(HtmlHelpShowContents(nullptr), nullptr);
    ASSERT_EQ(host.texts.size(), 1);
    EXPECT_TRUE(host.texts[0].startsWith(HelpMissingText));
    SetApplicationHelpFile(QString());
}
