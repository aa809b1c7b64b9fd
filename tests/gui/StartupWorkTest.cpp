// What the start-up leaves for later, and that it is there when it is needed: the network library
// is loaded by the first transfer, the tool windows are made after the window's first paint (or
// with the first diagram tab), the status bar when the first status comes.

#include "diagram/Diagram.h"
#include "plat/sys/Trace.h"
#include "plat_ui/net/HttpDownload.h"
#include "shell/CommentsDialog.h"
#include "shell/FileList.h"
#include "shell/ImageSelect.h"
#include "shell/MainWindow.h"
#include "shell/ObjectPalette.h"
#include "shell/RulesPanel.h"
#include "shell/Settings.h"
#include "shell/SetupDialog.h"
#include "shell/WelcomePage.h"

#include "gui/FakeDialogHost.h"
#include "support/TemplateFile.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
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

void showInSteps(TZovForm& window)
{
    for (QString& file : RecentFiles)
        file.clear();
    window.resize(900, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

bool toolWindowsMade(const TZovForm& w)
{
    return w.Setup && w.ChoixObj && w.Comments && w.ImageSelect && w.RulesPanel && w.FileList;
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

TEST(StartupWork, AWindowMadeInStepsIsCompleteOnceItsStepsAreTaken)
{
    FakeDialogHost host;
    TZovForm window(nullptr, TZovForm::Made::InSteps);
    EXPECT_FALSE(window.Setup || window.ChoixObj || window.Comments || window.ImageSelect || window.RulesPanel
        || window.FileList);
    showInSteps(window);
    window.ShowWelcomePictures();
    for (int i = 0; i < WelcomePage::TemplateCount; ++i) {
        EXPECT_TRUE(window.Welcome->TemplatePanel(i)->isVisible()) << i;
        EXPECT_FALSE(window.Welcome->TemplateImage(i)->pixmap().isNull()) << i;
    }
    window.MakeToolWindows();
    ASSERT_TRUE(toolWindowsMade(window));
    // The Setup buttons as the welcome state leaves them; the windows stay hidden.
    EXPECT_TRUE(window.Setup->Button1->isEnabled());
    EXPECT_TRUE(window.Setup->Button2->isEnabled());
    EXPECT_FALSE(window.Setup->Button3->isEnabled());
    EXPECT_FALSE(window.Setup->isVisible() || window.ChoixObj->isVisible() || window.FileList->isVisible());
    TSetup* setup = window.Setup;
    window.MakeToolWindows();
    EXPECT_EQ(window.Setup, setup); // made once
}

TEST(StartupWork, WhatNeedsTheToolWindowsBeforeTheyAreMadeMakesThemFirst)
{
    FakeDialogHost host;
    {
        // A new diagram: its tab is bound to them, and the palette opens for it.
        TZovForm window(nullptr, TZovForm::Made::InSteps);
        showInSteps(window);
        QTest::keyClick(&window, Qt::Key_B, Qt::ControlModifier);
        ASSERT_EQ(window.DiagramTabCount(), 1);
        ASSERT_TRUE(toolWindowsMade(window));
        EXPECT_TRUE(window.ChoixObj->isVisible());
        EXPECT_FALSE(window.Welcome->TemplateImage(0)->pixmap().isNull()); // the previews came first
        window.CurrentDiagram()->FModified = 0;
    }
    {
        // A diagram named on the command line, opened before the window's first paint.
        QTemporaryDir dir;
        ASSERT_TRUE(zovtest::SaveTemplateFile(&TDiagram::NewGate, dir.filePath("race")));
        TZovForm window(nullptr, TZovForm::Made::InSteps);
        showInSteps(window);
        window.ShowWelcomePictures();
        window.GetParams({ dir.filePath("race.zov") });
        ASSERT_EQ(window.DiagramTabCount(), 1);
        ASSERT_TRUE(toolWindowsMade(window));
        window.Setup->Button4->click(); // bound to the diagram: deletes its selection, if any
        EXPECT_EQ(window.CurrentDiagram()->FHeader.SituationType, stGate);
    }
    {
        // The diagram browser (F3).
        TZovForm window(nullptr, TZovForm::Made::InSteps);
        showInSteps(window);
        QTest::keyClick(&window, Qt::Key_F3);
        ASSERT_NE(window.FileList, nullptr);
        EXPECT_TRUE(window.FileList->isVisible());
        window.FileList->hide();
    }
    {
        // Closing, from the menu or by the window manager.
        TZovForm window(nullptr, TZovForm::Made::InSteps);
        showInSteps(window);
        window.Exit1Click();
        EXPECT_FALSE(window.isVisible());
        TZovForm other(nullptr, TZovForm::Made::InSteps);
        showInSteps(other);
        EXPECT_TRUE(other.close());
    }
}

TEST(StartupWork, TheStatusBarShowsInDebugModeOnly)
{
    const bool debugBefore = DebugMode;
    {
        // The first status may come before the window shows (a diagram read at start-up).
        DebugMode = false;
        TZovForm window;
        window.StatusChange("Calling");
        showInSteps(window);
        EXPECT_EQ(window.StatusBar()->currentMessage(), "Calling");
        EXPECT_FALSE(window.StatusBar()->isVisible());
    }
    {
        DebugMode = true;
        TZovForm window;
        showInSteps(window);
        EXPECT_TRUE(window.StatusBar()->isVisible());
        window.StatusChange("Calling");
        EXPECT_EQ(window.StatusBar()->currentMessage(), "Calling");
    }
    DebugMode = debugBefore;
}
