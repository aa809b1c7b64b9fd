#ifdef ZOV_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

#include <gtest/gtest.h>

// Fonts and images need a GUI application object; the offscreen platform keeps it headless.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const auto run = [&] {
        ::testing::InitGoogleTest(&argc, argv);
        return RUN_ALL_TESTS();
    };
    // Some tests run their program again with an application object destroyed after main
    // returns, as a program may keep it.
    if (qEnvironmentVariableIsSet("ZOV_STATIC_APPLICATION")) {
        static TestApplication app(argc, argv);
        return run();
    }
    TestApplication app(argc, argv);
    return run();
}
