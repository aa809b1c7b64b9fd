// What the start-up leaves for later, and that it is there when it is needed: the network library
// is loaded by the first transfer, the status bar made when the first status comes.

#include "plat/sys/Trace.h"
#include "plat_ui/net/HttpDownload.h"
#include "shell/MainWindow.h"
#include "shell/Settings.h"

#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>

using namespace zov;

namespace {

bool curlLoaded()
{
    return dlopen("libcurl.so.4", RTLD_NOW | RTLD_NOLOAD) != nullptr;
}

void showWindow(TZovForm& window)
{
    for (QString& file : RecentFiles)
        file.clear();
    window.resize(900, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

} // namespace

// In a process of its own, which no transfer came before.
TEST(StartupWork, TheNetworkLibraryIsLoadedByTheFirstTransferNotByTheStart)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (curlLoaded())
                std::_Exit(1);
            net::EnsureNetInitialised();
            std::_Exit(curlLoaded() ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(StartupWork, TheStatusBarShowsInDebugModeOnly)
{
    const bool debugBefore = DebugMode;
    {
        // The first status may come before the window shows (a diagram read at start-up).
        DebugMode = false;
        TZovForm window;
        window.StatusChange("Calling");
        showWindow(window);
        EXPECT_EQ(window.StatusBar()->currentMessage(), "Calling");
        EXPECT_FALSE(window.StatusBar()->isVisible());
    }
    {
        DebugMode = true;
        TZovForm window;
        showWindow(window);
        EXPECT_TRUE(window.StatusBar()->isVisible());
        window.StatusChange("Calling");
        EXPECT_EQ(window.StatusBar()->currentMessage(), "Calling");
    }
    DebugMode = debugBefore;
}
