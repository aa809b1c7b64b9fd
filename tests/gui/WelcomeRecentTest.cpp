#include "diagram/Diagram.h"
#include "shell/WelcomePage.h"
#include "support/FakeHost.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

using namespace zov;

namespace {

int colours(const QLabel* image)
{
    const QImage picture = image->pixmap().toImage();
    std::set<QRgb> seen;
    for (int y = 0; y < picture.height(); y += 2)
        for (int x = 0; x < picture.width(); x += 2)
            seen.insert(picture.pixel(x, y));
    return int(seen.size());
}

// Diagram files of several templates, so that their pictures differ.
struct RecentFolder {
    QTemporaryDir dir;
    QString save(const QString& name, void (TDiagram::*fill)())
    {
        TDiagram d;
        (d.*fill)();
        d.FFileName = (dir.path() + "/" + name).toStdString();
        EXPECT_TRUE(d.SaveToFile());
        return dir.path() + "/" + name;
    }
};

QImage pictureOf(WelcomePage& page, int k)
{
    return page.ThumbnailImage(k)->pixmap().toImage();
}

} // namespace

TEST(WelcomeRecent, AnOpenedFileTakesTheFirstThumbnailAndTheOthersMoveAlong)
{
    RecentFolder folder;
    ASSERT_TRUE(folder.dir.isValid());
    const QString a = folder.save("a", &TDiagram::NewStart);
    const QString b = folder.save("b", &TDiagram::NewWindward);
    const QString c = folder.save("c", &TDiagram::NewLeeward);
    const QString d = folder.save("d", &TDiagram::NewGate);
    const QString e = folder.save("e", &TDiagram::NewFull);
    zovtest::FakeShell shell;

    WelcomePage page;
    page.SetRecentFiles({ a, b, c, d, e });
    ASSERT_EQ(page.RecentFiles(), (QStringList { a, b, c, d }));
    const QImage pictureA = pictureOf(page, 0);
    const QImage pictureB = pictureOf(page, 1);
    const QImage pictureC = pictureOf(page, 2);

    // A sixth file, drawn from its diagram (its file is not read: there is none under that name).
    TDiagram opened;
    opened.NewFinish1();
    const QString f = folder.dir.path() + "/not-on-disk";
    page.AddRecentFile(f, &opened);
    EXPECT_EQ(page.RecentFiles(), (QStringList { f, a, b, c }));
    EXPECT_EQ(page.ThumbnailLabel(0)->text(), "not-on-disk");
    EXPECT_EQ(page.ThumbnailImage(0)->toolTip(), f);
    EXPECT_GT(colours(page.ThumbnailImage(0)), 2);
    EXPECT_EQ(pictureOf(page, 1), pictureA); // moved, not read again
    EXPECT_EQ(pictureOf(page, 3), pictureC);
    EXPECT_EQ(page.ThumbnailLabel(3)->text(), "c");

    // The third again (read from its file, with blanks and a line end after its name): to the
    // top; the first two move down one place, the fourth stays.
    page.AddRecentFile(b + "  \r\n");
    EXPECT_EQ(page.RecentFiles(), (QStringList { b, f, a, c }));
    EXPECT_EQ(pictureOf(page, 0), pictureB);
    EXPECT_EQ(pictureOf(page, 2), pictureA);
    EXPECT_EQ(pictureOf(page, 3), pictureC);

    // The first again: nothing moves.
    page.AddRecentFile(b);
    EXPECT_EQ(page.RecentFiles(), (QStringList { b, f, a, c }));

    // A file that is gone is listed all the same, on a blank picture, without a message.
    const QString gone = folder.dir.path() + "/gone";
    page.AddRecentFile(gone);
    EXPECT_EQ(page.RecentFiles(), (QStringList { gone, b, f, a }));
    EXPECT_EQ(colours(page.ThumbnailImage(0)), 1);
    EXPECT_TRUE(shell.messages.empty());

    // Removing one closes the gap; the last thumbnail empties and hides.
    page.RemoveRecentFile(f);
    EXPECT_EQ(page.RecentFiles(), (QStringList { gone, b, a }));
    EXPECT_TRUE(page.ThumbnailPanel(3)->isHidden());
    EXPECT_TRUE(page.ThumbnailLabel(3)->text().isEmpty());
    EXPECT_EQ(pictureOf(page, 2), pictureA);
    page.RemoveRecentFile(e); // not shown: nothing happens
    EXPECT_EQ(page.RecentFiles().size(), 3);
}

TEST(WelcomeRecent, ThumbnailsFillFromTheFrontAndClicksFollowTheFiles)
{
    RecentFolder folder;
    ASSERT_TRUE(folder.dir.isValid());
    const QString a = folder.save("a", &TDiagram::NewStart);
    const QString b = folder.save("b", &TDiagram::NewWindward);
    zovtest::FakeShell shell;

    WelcomePage page;
    page.resize(1300, 900);
    page.show();
    page.SetRecentFiles({});
    for (int k = 0; k < WelcomePage::ThumbnailCount; ++k)
        EXPECT_TRUE(page.ThumbnailPanel(k)->isHidden()) << k;

    page.AddRecentFile(a);
    page.AddRecentFile(b);
    EXPECT_EQ(page.RecentFiles(), (QStringList { b, a }));
    EXPECT_FALSE(page.ThumbnailPanel(1)->isHidden());
    EXPECT_TRUE(page.ThumbnailPanel(2)->isHidden());
    EXPECT_EQ(page.ThumbnailPanel(1)->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(page.ThumbnailImage(1)->pixmap().size(), QSize(238, 162));

    QStringList opened;
    page.OnRecentFile = [&](const QString& file) { opened << file; };
    QTest::mouseClick(page.ThumbnailImage(1), Qt::LeftButton);
    QTest::mouseClick(page.ThumbnailImage(0), Qt::LeftButton);
    EXPECT_EQ(opened, (QStringList { a, b }));

    // The lit thumbnail that goes away leaves nothing lit.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(page.ThumbnailImage(1), &enter);
    EXPECT_EQ(page.HotPanel(), page.ThumbnailPanel(1));
    QApplication::sendEvent(page.ThumbnailImage(0), &enter);
    EXPECT_EQ(page.HotPanel(), page.ThumbnailPanel(0));
    EXPECT_EQ(page.ThumbnailPanel(1)->palette().color(QPalette::Window), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(page.ThumbnailPanel(0)->palette().color(QPalette::Window), QColor(Qt::red));
    page.RemoveRecentFile(a);
    page.RemoveRecentFile(b);
    EXPECT_EQ(page.HotPanel(), nullptr);

    // Names differing only in letter case are different files here.
#ifndef Q_OS_WIN
    EXPECT_FALSE(WelcomePage::SameFile("/x/Race", "/x/race"));
#endif
    EXPECT_TRUE(WelcomePage::SameFile("/x/race", "/x/race"));
}
