#pragma once
// Puts a main window on the offscreen screen for a test, with no recent files listed.

#include "shell/MainWindow.h"
#include "shell/Settings.h"

#include <QTest>

#include <gtest/gtest.h>

inline void ShowMainWindowForTest(zov::TZovForm& window)
{
    for (QString& file : zov::RecentFiles)
        file.clear();
    window.resize(900, 600);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        ADD_FAILURE() << "the main window was not shown";
}
