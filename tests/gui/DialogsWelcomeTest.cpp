#include "diagram/Diagram.h"
#include "model/Settings.h"
#include "plat/gfx/TextMetrics.h"
#include "plat/sys/Pool.h"
#include "plat/sys/Trace.h"
#include "shell/WelcomePage.h"
#include "support/FakeHost.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QThreadPool>

#include <future>

#include <gtest/gtest.h>

#include <set>

using namespace zov;

namespace {

// How many different colours a picture holds (a blank one has one).
int colourCount(const QLabel* image)
{
    const QImage picture = image->pixmap().toImage();
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 2)
        for (int x = 0; x < picture.width(); x += 2)
            colours.insert(picture.pixel(x, y));
    return int(colours.size());
}

QString saveTemplate(const QString& folder, const QString& name)
{
    TDiagram d;
    d.NewStart();
    d.FFileName = (folder + "/" + name).toStdString();
    EXPECT_TRUE(d.SaveToFile());
    return folder + "/" + name;
}

} // namespace

TEST(DialogsWelcome, EightTemplatePreviewsThatReportTheirClicks)
{
    zovtest::FakeShell shell;
    DiagramLink* before = Diagram;
    WelcomePage page;
    page.resize(1300, 900);
    page.show();

    const char* captions[] = { "Starting area", "Windward Finishing area", "Leeward Finishing area", "Windward mark",
        "Leeward mark", "Leeward gate", "Full area", "Empty area" };
    for (int i = 0; i < WelcomePage::TemplateCount; ++i) {
        EXPECT_EQ(WelcomePage::TemplateCaption(i), captions[i]);
        ASSERT_NE(page.TemplateImage(i), nullptr);
        EXPECT_TRUE(page.TemplatePanel(i)->isVisible()) << i;
        EXPECT_EQ(page.TemplateImage(i)->pixmap().size(), QSize(238, 162)) << i;
    }
    EXPECT_EQ(page.TemplateImage(8), nullptr);
    // The templates with marks and boats show them.
    EXPECT_GT(colourCount(page.TemplateImage(0)), 2);
    EXPECT_GT(colourCount(page.TemplateImage(6)), 2);
    // The previews leave no current diagram behind and never reach the program's dialogs.
    EXPECT_EQ(Diagram, before);
    EXPECT_EQ(shell.setupFor, nullptr);
    EXPECT_EQ(shell.rulesRefreshes, 0);
    EXPECT_TRUE(shell.messages.empty());

    std::vector<int> clicked;
    page.OnTemplate = [&](int i) { clicked.push_back(i); };
    QTest::mouseClick(page.TemplateImage(2), Qt::LeftButton);
    QTest::mouseClick(page.TemplateImage(7), Qt::LeftButton);
    QTest::mouseClick(page.TemplateImage(0), Qt::RightButton);
    EXPECT_EQ(clicked, (std::vector<int> { 2, 7 }));

    // The pointer over a picture lights its panel; leaving it puts the sky blue back.
    QWidget* panel = page.TemplatePanel(3);
    const QColor blue = panel->palette().color(QPalette::Window);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(page.TemplateImage(3), &enter);
    EXPECT_EQ(page.HotPanel(), panel);
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(Qt::red));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(page.TemplateImage(3), &leave);
    EXPECT_EQ(page.HotPanel(), nullptr);
    EXPECT_EQ(panel->palette().color(QPalette::Window), blue);

    // The page is centred in a large window, and kept 16 and 12 pixels in in a small one.
    const QSize area = page.viewport()->size();
    EXPECT_EQ(page.PanelZ->pos(), QPoint((area.width() - 1142) / 2, (area.height() - 754) / 2));
    page.resize(600, 400);
    EXPECT_EQ(page.PanelZ->pos(), QPoint(16, 12));
}

// The page draws its previews on another thread, each into its picture alone: the pictures are the
// templates as a diagram of their size draws them on this thread, with the trace on or off.
TEST(DialogsWelcome, PreviewsAreTheTemplatesAsADiagramOfTheirSizeDrawsThem)
{
    void (TDiagram::*const fills[])() = { &TDiagram::NewStart, &TDiagram::NewFinish1, &TDiagram::NewFinish2,
        &TDiagram::NewWindward, &TDiagram::NewLeeward, &TDiagram::NewGate, &TDiagram::NewFull, &TDiagram::NewEmpty };
    const bool debugBefore = DebugMode;
    for (const bool debug : { false, true }) {
        DebugMode = debug;
        WelcomePage page;
        for (int i = 0; i < WelcomePage::TemplateCount; ++i) {
            TDiagram d;
            d.SetClientSize(WelcomePage::PictureWidth, WelcomePage::PictureHeight);
            const auto fill = fills[i];
            (d.*fill)();
            const QImage expected = d.CopyToBitmap(WelcomePage::PictureWidth, WelcomePage::PictureHeight)->image();
            EXPECT_EQ(page.TemplateImage(i)->pixmap().toImage().convertToFormat(expected.format()), expected)
                << "template " << i << (debug ? ", trace on" : "");
        }
    }
    DebugMode = debugBefore;
}

// Two windows started together draw their previews on two threads of the pool: each gets the
// pictures drawn alone, and the drawing objects and text caches they use are never torn between
// them (under the sanitizers, a shared cache freed by one thread while the other reads it fails).
TEST(DialogsWelcome, PreviewsStartedTogetherAreEachDrawnWhole)
{
    const std::array<QImage, WelcomePage::TemplateCount> alone = WelcomePage::StartTemplatePreviews().Take();
    for (int round = 0; round < 4; ++round) {
        WelcomePage::Previews first = WelcomePage::StartTemplatePreviews();
        WelcomePage::Previews second = WelcomePage::StartTemplatePreviews();
        // Text is laid out here meanwhile, as a window's own drawing would.
        gfx::layoutLine(QStringLiteral("Zovaran 2.6H"), DefaultFont);
        const auto a = first.Take(), b = second.Take();
        for (int i = 0; i < WelcomePage::TemplateCount; ++i) {
            EXPECT_EQ(a[std::size_t(i)], alone[std::size_t(i)]) << "round " << round << ", template " << i;
            EXPECT_EQ(b[std::size_t(i)], alone[std::size_t(i)]) << "round " << round << ", template " << i;
        }
    }
}

// Qt's pool lets an idle thread go, with the font engines it made: the text measured and laid out
// once the previews' thread has gone, here and on a new thread of the pool, rests on nothing
// that thread made.
TEST(DialogsWelcome, TextLaidOutAfterThePreviewsThreadHasGoneIsRight)
{
    const QString sample = QStringLiteral("Zovaran 2.6H, 1 2 3");
    const QSizeF size = gfx::measureString(sample, DefaultFont);
    const QList<quint32> glyphs = gfx::layoutLine(sample, DefaultFont)->glyphs.glyphIndexes();

    QThreadPool& pool = *QThreadPool::globalInstance();
    const int expiry = pool.expiryTimeout();
    pool.setExpiryTimeout(1);
    {
        WelcomePage page;
    }
    QTest::qWait(300); // the pool's idle threads end
    pool.setExpiryTimeout(expiry);

    EXPECT_EQ(gfx::measureString(sample, DefaultFont), size);
    EXPECT_EQ(gfx::layoutLine(sample, DefaultFont)->glyphs.glyphIndexes(), glyphs);
    std::promise<QList<quint32>> onPool;
    sys::RunOnPool([&] { onPool.set_value(gfx::layoutLine(sample, DefaultFont)->glyphs.glyphIndexes()); });
    EXPECT_EQ(onPool.get_future().get(), glyphs);
}

// The page draws its vertical scroll bar in pieces (to spare its first paint Qt's hand-overs): the
// page looks as with the bar drawn whole by the style, wherever the bar stands.
TEST(DialogsWelcome, TheScrollBarInPiecesLooksAsTheStyleDrawsItWhole)
{
    WelcomePage page;
    for (const QSize size : { QSize(600, 400), QSize(900, 300) }) {
        page.resize(size);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        QScrollBar* bar = page.verticalScrollBar();
        ASSERT_TRUE(bar->isVisible());
        QStyle* pieces = bar->style();
        ASSERT_NE(pieces, QApplication::style());
        for (const int value : { bar->minimum(), (bar->minimum() + bar->maximum()) / 3, bar->maximum() }) {
            bar->setValue(value);
            const QImage drawn = page.grab().toImage();
            bar->setStyle(QApplication::style());
            bar->setAutoFillBackground(false);
            EXPECT_EQ(drawn, page.grab().toImage()) << size.height() << " high, at " << value;
            bar->setStyle(pieces);
            bar->setAutoFillBackground(true);
        }
    }
}

TEST(DialogsWelcome, RecentFilesThatCannotBeReadMakeWayForTheNext)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString first = saveTemplate(dir.path(), "first");
    const QString second = saveTemplate(dir.path(), "second");
    const QString third = saveTemplate(dir.path(), "third");
    const QString broken = dir.path() + "/broken";
    {
        QFile f(broken + ".ZOV");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(40, '\xFF'));
    }
    const QString missing = dir.path() + "/missing";

    zovtest::FakeShell shell;
    WelcomePage page;
    QStringList dropped;
    QStringList opened;
    page.OnRecentFileDropped = [&](const QString& f) { dropped << f; };
    page.OnRecentFile = [&](const QString& f) { opened << f; };

    page.SetRecentFiles({ first, broken, missing, second, "", third });
    EXPECT_EQ(page.RecentFiles(), (QStringList { first, second, third }));
    EXPECT_EQ(dropped, (QStringList { broken, missing }));
    EXPECT_TRUE(shell.messages.empty()); // no message while the page is built
    EXPECT_EQ(page.ThumbnailLabel(0)->text(), "first");
    EXPECT_EQ(page.ThumbnailLabel(1)->text(), "second");
    EXPECT_EQ(page.ThumbnailLabel(2)->text(), "third");
    EXPECT_FALSE(page.ThumbnailPanel(0)->isHidden());
    EXPECT_FALSE(page.ThumbnailPanel(2)->isHidden());
    EXPECT_TRUE(page.ThumbnailPanel(3)->isHidden());
    EXPECT_GT(colourCount(page.ThumbnailImage(1)), 2);

    page.show();
    QTest::mouseClick(page.ThumbnailImage(1), Qt::LeftButton);
    EXPECT_EQ(opened, QStringList { second });

    // Fewer files: the thumbnails left over empty and hide; no more than four are shown.
    page.SetRecentFiles({ third });
    EXPECT_EQ(page.RecentFiles(), QStringList { third });
    EXPECT_TRUE(page.ThumbnailPanel(1)->isHidden());
    EXPECT_TRUE(page.ThumbnailLabel(1)->text().isEmpty());
    QTest::mouseClick(page.ThumbnailImage(1), Qt::LeftButton);
    EXPECT_EQ(opened.size(), 1);
    page.SetRecentFiles({ first, second, third, first, second });
    EXPECT_EQ(page.RecentFiles().size(), 4);
}
