// Drawing in bands: every kind of call, kept and drawn in bands of the picture on the pool's
// threads, gives the pixels of the same calls drawn one after another, whatever the transform,
// the smoothing and the clip; nothing is drawn before the bands are.

#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Font.h"
#include "plat/gfx/Graphics.h"
#include "plat/gfx/Path.h"
#include "plat/sys/Pool.h"

#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <latch>
#include <random>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Calls of every kind scattered over the picture, lines and curves reaching over it from side to
// side, with pens thinner and wider than a pixel.
void drawScene(gfx::Graphics& g, unsigned seed, double zoom)
{
    const QSize size = g.targetImage()->size();
    std::mt19937 rng(seed);
    const auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const auto colour = [&](bool faint) { return gfx::Argb((faint ? 0x20000000u : 0xFF000000u) | (rng() & 0xFFFFFFu)); };
    QImage picture(29, 19, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 8, y * 13, (x * y) % 256));
    QImage sea(g.targetImage()->size(), g.targetImage()->format());
    sea.fill(QColor(230, 240, 255));

    g.copyFrom(sea);
    g.resetTransform();
    g.translateTransform(-real(0, 40) * zoom, -real(0, 40) * zoom);
    g.scaleTransform(zoom, zoom);
    const double w = size.width() / zoom, h = size.height() / zoom;
    for (int i = 0; i < 260; ++i) {
        g.setSmoothing(pick(5) != 0);
        const QPointF at(real(-50, w + 50), real(-50, h + 50));
        const gfx::Pen pen { colour(pick(4) == 0), float(pick(3) == 0 ? 2.0 : 1.0), gfx::DashStyle(pick(4)) };
        switch (pick(12)) {
        case 0: g.drawLine(pen, at, QPointF(real(-100, w + 100), real(-100, h + 100))); break;
        case 1: g.drawBezier(pen, at, at + QPointF(real(-90, 90), real(-90, 90)), at + QPointF(real(-90, 90), real(-90, 90)), at + QPointF(real(-150, 150), real(-150, 150))); break;
        case 2: {
            gfx::Path hull;
            const QPointF pts[] = { at, at + QPointF(12, 30), at + QPointF(10, 60), at + QPointF(-10, 60), at + QPointF(-12, 30), at };
            hull.addCurve(pts);
            hull.closeFigure();
            g.fillPath({ colour(pick(2) == 0) }, hull);
            g.drawPath(pen, hull);
            break;
        }
        case 3: g.drawEllipse(pen, QRectF(at, QSizeF(real(2, 400), real(2, 300)))); break;
        case 4:
        case 5:
        case 6:
        case 7: {
            gfx::Path p;
            if (i % 4 == 0)
                p.addEllipse(QRectF(at, QSizeF(real(2, 60), real(2, 60))));
            else if (i % 4 == 3) {
                const QPointF pts[] = { at, at + QPointF(real(-200, 200), real(-200, 200)), at + QPointF(real(-200, 200), real(-200, 200)) };
                p.addLines(pts);
            } else
                p.addRectangle(QRectF(at, QSizeF(real(1, 300), real(1, 200))));
            if (i % 2 == 0)
                g.fillPath({ colour(pick(2) == 0) }, p);
            else
                g.drawPath(pen, p);
            break;
        }
        case 8: g.drawArc(pen, QRectF(at, QSizeF(real(10, 300), real(10, 300))), float(real(0, 360)), float(real(-300, 300))); break;
        case 9: g.drawImage(picture, QRectF(at, QSizeF(real(5, 300), real(5, 200)))); break;
        case 10: {
            // Copied pixel for pixel, or placed between pixels.
            const QTransform world = g.transform();
            if (pick(2) == 0)
                g.resetTransform();
            g.drawImage(picture, pick(2) == 0 ? QPointF(std::round(at.x()), std::round(at.y())) : at);
            g.setTransform(world);
            break;
        }
        default: {
            const char* fonts[] = { "Arial", "Courier New", "Times New Roman" };
            g.drawString(QStringLiteral("Boat %1 keeps clear").arg(i), gfx::Font(fonts[pick(3)], float(real(6, 30)), pick(16)),
                { colour(false) }, at);
            break;
        }
        }
    }
}

QImage drawn(unsigned seed, double zoom, bool bands, const QRegion& clip = QRegion(), QSize size = QSize(1200, 700))
{
    gfx::Bitmap picture(size.width(), size.height(), gfx::PixelFormat::Argb32);
    {
        gfx::Graphics g(picture, bands ? gfx::Drawing::InBands : gfx::Drawing::Plain);
        g.setClipRegion(clip);
        const gfx::BandedDrawing kept(g);
        drawScene(g, seed, zoom);
    }
    return picture.image().copy();
}

int differing(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

// Wide pictures are cut into columns, tall ones into rows. Text drawn as outlines (at 2.6) looks
// the same whatever the thread drew before: right before, the same fonts placed between pixels (at
// 1.0), and each picture is drawn in bands twice, so that the second time every thread has drawn it.
TEST(GraphicsBands, EveryKindOfCallDrawsThePlainPixels)
{
    for (const QSize size : { QSize(1200, 700), QSize(600, 1100) })
        for (unsigned seed : { 1u, 2u, 3u })
            for (double zoom : { 0.3, 0.7, 1.37, 1.0, 2.6 }) {
                const QImage plain = drawn(seed, zoom, false, QRegion(), size);
                for (const int time : { 1, 2 })
                    EXPECT_EQ(differing(drawn(seed, zoom, true, QRegion(), size), plain), 0) << size.width() << "x"
                        << size.height() << ", seed " << seed << ", zoom " << zoom << ", drawn " << time << " times";
            }
}

// Calls whose pixels end exactly on the first or the last row (or column) of a band are drawn
// by that band: strips a pixel thick copied to a point, pictures drawn at a point and fills, at
// every row of a tall picture and every column of a wide one, whatever the bands are cut into.
TEST(GraphicsBands, CallsEndingOnABandsEdgeDrawThePlainPixels)
{
    QThreadPool& pool = *QThreadPool::globalInstance();
    const int threads = pool.maxThreadCount();
    const auto strips = [](gfx::Graphics& g) {
        const QSize size = g.targetImage()->size();
        const bool rows = size.height() > size.width();
        const int extent = rows ? size.height() : size.width();
        for (int at = 0; at < extent; ++at) {
            const QRgb colour = qRgb(at * 7 % 256, at * 13 % 256, 255 - at % 256);
            QImage strip(rows ? QSize(size.width() / 2, 1 + at % 2) : QSize(1 + at % 2, size.height() / 2),
                QImage::Format_ARGB32_Premultiplied);
            strip.fill(colour);
            const QPoint corner = rows ? QPoint(at % 7, at) : QPoint(at, at % 7);
            g.copyFrom(strip, corner);
            g.drawImage(strip, QPointF(rows ? QPoint(size.width() / 2, at) : QPoint(at, size.height() / 2)));
            gfx::Path bar;
            bar.addRectangle(rows ? QRectF(size.width() - 9, at, 9, 1) : QRectF(at, size.height() - 9, 1, 9));
            g.fillPath({ 0xFF000000 | colour }, bar);
        }
    };
    for (const int n : { 1, 2, 3, 8 }) {
        pool.setMaxThreadCount(n);
        for (const QSize size : { QSize(160, 900), QSize(900, 160) }) {
            QImage pictures[2];
            for (const gfx::Drawing drawing : { gfx::Drawing::Plain, gfx::Drawing::InBands }) {
                gfx::Bitmap bitmap(size.width(), size.height(), gfx::PixelFormat::Argb32);
                {
                    gfx::Graphics g(bitmap, drawing);
                    const gfx::BandedDrawing bands(g);
                    strips(g);
                }
                pictures[int(drawing)] = bitmap.image().copy();
            }
            EXPECT_EQ(differing(pictures[0], pictures[1]), 0) << n << " threads, " << size.width() << "x" << size.height();
        }
    }
    pool.setMaxThreadCount(threads);
}

TEST(GraphicsBands, AClipHoldsInBands)
{
    const QRegion rect(QRect(131, 77, 800, 500));
    const QRegion twoRects = QRegion(QRect(10, 10, 500, 300)) | QRegion(QRect(600, 200, 500, 450));
    for (const QRegion& clip : { rect, twoRects }) {
        const QImage plain = drawn(4, 1.37, false, clip);
        const QImage banded = drawn(4, 1.37, true, clip);
        EXPECT_EQ(differing(banded, plain), 0) << "clip of " << clip.rectCount() << " rectangles";
    }
}

// Every thread that drew text lets its fonts go before Qt's font data goes, however the process
// ends: here the test program run again for this test alone, with an application object destroyed
// after main returns, draws text (some as outlines) in bands and on a thread that Qt did not start.
TEST(GraphicsBands, FontsOfEveryThreadGoBeforeTheApplication)
{
    if (qEnvironmentVariableIsSet("ZOV_STATIC_APPLICATION")) {
        drawn(5, 2.6, true);
        std::thread([] { drawn(6, 2.6, false); }).join();
        return;
    }
    char self[] = "/proc/self/exe", filter[] = "--gtest_filter=GraphicsBands.FontsOfEveryThreadGoBeforeTheApplication",
         staticApplication[] = "ZOV_STATIC_APPLICATION=1";
    std::vector<char*> envp { staticApplication };
    for (char** e = environ; *e; ++e)
        envp.push_back(*e);
    envp.push_back(nullptr);
    char* const argv[] = { self, filter, nullptr };
    const pid_t child = fork(); // Qt's vfork would leave the race checker's record of this thread askew
    if (child == 0) {
        dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO); // its reports go to standard error
        execve(self, argv, envp.data());
        _exit(127);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "exit code " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1) << ", signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

TEST(GraphicsBands, NothingIsDrawnUntilTheBandsAre)
{
    gfx::Bitmap picture(400, 300, gfx::PixelFormat::Rgb32);
    gfx::Graphics g(picture);
    {
        const gfx::BandedDrawing kept(g);
        EXPECT_TRUE(g.keepingCalls());
        gfx::Path all;
        all.addRectangle(QRectF(0, 0, 400, 300));
        g.fillPath({ 0xFFFF0000 }, all);
        EXPECT_EQ(picture.image().pixel(200, 150), qRgb(0, 0, 0)) << "drawn before the bands";
    }
    EXPECT_FALSE(g.keepingCalls());
    EXPECT_EQ(picture.image().pixel(200, 150), qRgb(255, 0, 0));

    // On a thread of the pool the calls are drawn at once: waiting for the pool there could wait
    // for itself.
    std::atomic<bool> keptInPool;
    std::latch done(1);
    zov::sys::RunOnPool([&inPool = g, &keptInPool, &done] {
        {
            const gfx::BandedDrawing bands(inPool);
            keptInPool = inPool.keepingCalls();
        }
        done.count_down(); // the graphics is the test's: not touched after this
    });
    done.wait();
    EXPECT_FALSE(keptInPool);
}

// Curves and Beziers are kept as their points and built again where they are drawn: the pixels
// are those of the path the drawing code would have built and handed over itself, in bands or
// not, also for curves that leave the picture or bend far beyond their points.
TEST(GraphicsBands, CurvesKeptAsPointsDrawTheirOwnPaths)
{
    const auto scene = [](gfx::Graphics& g, bool asPoints) {
        std::mt19937 rng(7);
        const auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
        g.clear(0xFFFFFFFF);
        g.scaleTransform(0.3, 0.3); // pens thinner than a pixel too
        for (int i = 0; i < 300; ++i) {
            if (i == 150)
                g.resetTransform();
            g.setSmoothing(i % 3 != 0);
            const gfx::Pen pen { gfx::Argb(0xFF000000u | (rng() & 0xFFFFFFu)), float(1 + i % 3), gfx::DashStyle(i % 4) };
            const gfx::Brush brush { gfx::Argb(0xC0000000u | (rng() & 0xFFFFFFu)) };
            std::vector<QPointF> pts;
            const QPointF at(real(-100, 1300), real(-100, 800));
            for (int n = 2 + i % 9; n > 0; --n)
                pts.push_back(at + QPointF(real(-120, 120), real(-120, 120)));
            const float tension = i % 5 == 0 ? float(real(0.0, 2.5)) : 0.5f;
            gfx::Path built;
            switch (i % 3) {
            case 0:
                if (asPoints)
                    g.drawBezier(pen, pts[0], pts[1 % pts.size()], pts[pts.size() / 2], pts.back());
                else {
                    built.addBezier(pts[0], pts[1 % pts.size()], pts[pts.size() / 2], pts.back());
                    g.drawPath(pen, built);
                }
                break;
            case 1:
                if (asPoints)
                    g.drawCurve(pen, pts, tension);
                else {
                    built.addCurve(pts, tension);
                    g.drawPath(pen, built);
                }
                break;
            default:
                if (asPoints)
                    g.fillAndDrawCurve(brush, pen, pts, tension);
                else {
                    built.addCurve(pts, tension);
                    built.closeFigure();
                    g.fillPath(brush, built);
                    g.drawPath(pen, built);
                }
                break;
            }
        }
    };
    const auto picture = [&](bool asPoints, bool bands) {
        gfx::Bitmap bitmap(1200, 700, gfx::PixelFormat::Argb32);
        {
            gfx::Graphics g(bitmap, bands ? gfx::Drawing::InBands : gfx::Drawing::Plain);
            const gfx::BandedDrawing kept(g);
            scene(g, asPoints);
        }
        return bitmap.image().copy();
    };
    const QImage paths = picture(false, false);
    EXPECT_EQ(differing(picture(true, false), paths), 0) << "drawn at once";
    EXPECT_EQ(differing(picture(true, true), paths), 0) << "drawn in bands";
}
