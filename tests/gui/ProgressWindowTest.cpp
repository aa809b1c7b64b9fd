#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat_ui/ProgressWindow.h"
#include "support/FakeHost.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace zov;
using zov::ui::ProgressWindow;

TEST(ProgressWindow, ShowsStepsAndCancelsWithoutClosing)
{
    QWidget other;
    other.show();
    ProgressWindow w;
    w.Open("ZOV save", "Saving to animated GIF", 3);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "ZOV save");
    EXPECT_EQ(w.InfoLabel()->text(), "Saving to animated GIF");
    EXPECT_EQ(w.Bar()->maximum(), 3);
    EXPECT_EQ(w.Bar()->value(), 0);
    // While it is open no other window of the program takes input.
    EXPECT_EQ(QApplication::activeModalWidget(), &w);

    for (int i = 1; i <= 4; ++i)
        w.StepIt();
    EXPECT_EQ(w.Bar()->value(), 3); // never past the end
    EXPECT_FALSE(w.Cancelled());

    QTest::mouseClick(w.CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(w.Cancelled());
    EXPECT_TRUE(w.isVisible()); // the operation closes it when it has stopped

    // Escape and the close box ask for a cancel too, and leave the window to the operation.
    w.Open("ZOV save", "again", 2);
    EXPECT_FALSE(w.Cancelled());
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.Cancelled());
    EXPECT_TRUE(w.isVisible());
    w.Open("ZOV save", "again", 2);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.Cancelled());

    w.Close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(ProgressWindow, CancelDuringAnAnimatedGifExportKeepsAValidShortFile)
{
    const ProgressMaker previous = SetProgressMaker(ProgressWindow::Maker());
    QTemporaryDir dir;
    zovtest::EditFixture f;
    TDiagram& d = f.diagram;
    FramesPerStep = 20;
    d.SetClientSize(120, 80);
    auto* boat = new TBateauCourse({ 100, 500 }, 90, 1, 0, 0);
    boat->FSituation = 1;
    d.FRoot = boat;
    auto* next = new TBateauCourse({ 500, 500 }, 90, 1, 0, 0);
    next->FSituation = 2;
    boat->AddNext(next);
    d.Redraw();
    d.FFileName = dir.filePath(QStringLiteral("short")).toStdString();

    // The user presses Cancel while the first frames are written; the export lets the click in.
    ProgressWindow* shown = nullptr;
    QTimer::singleShot(0, [&] {
        shown = qobject_cast<ProgressWindow*>(QApplication::activeModalWidget());
        if (shown)
            QTest::mouseClick(shown->CancelButton(), Qt::LeftButton);
    });
    d.ExportAnimatedGif();
    SetProgressMaker(previous);

    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr); // closed and gone
    QFile file(dir.filePath(QStringLiteral("short.gif")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // Head, loop extension, one frame, trailer.
    ASSERT_GT(bytes.size(), 800 + 8 + 10);
    EXPECT_EQ(bytes.mid(781, 14), QByteArray("\x21\xFF\x0BNETSCAPE2.0", 14));
    EXPECT_EQ(bytes.mid(800, 3), QByteArray("\x21\xF9\x04", 3));
    qsizetype p = 808;
    ASSERT_EQ(bytes[p], '\x2C');
    p += 11; // descriptor, code size
    while (p < bytes.size() && bytes[p] != 0)
        p += std::uint8_t(bytes[p]) + 1;
    EXPECT_EQ(p, bytes.size() - 2); // the data's end, then the trailer
    EXPECT_EQ(bytes.back(), '\x3B');
    EXPECT_EQ(d.FDisplayMode, dmEdit);
}
