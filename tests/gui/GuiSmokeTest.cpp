#include <QApplication>

#include <gtest/gtest.h>

TEST(Gui, WidgetsRunOnTheOffscreenPlatform)
{
    EXPECT_EQ(QGuiApplication::platformName(), "offscreen");
}
