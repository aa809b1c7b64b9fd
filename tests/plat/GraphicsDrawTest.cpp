#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Graphics.h"
#include "plat/gfx/Path.h"
#include "plat/rt/Errors.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

int alphaAt(const gfx::Bitmap& b, int x, int y)
{
    return qAlpha(b.image().pixel(x, y));
}

std::vector<int> rowAlphas(const gfx::Bitmap& b, int y, int from, int to)
{
    std::vector<int> out;
    for (int x = from; x < to; ++x)
        out.push_back(alphaAt(b, x, y));
    return out;
}

QImage coverage(const gfx::Bitmap& b)
{
    return b.image().convertToFormat(QImage::Format_Alpha8);
}

gfx::Pen pen(float width, gfx::DashStyle dash = gfx::DashStyle::Solid)
{
    return gfx::Pen { 0xFF000000, width, dash };
}

} // namespace

TEST(GraphicsPixels, OnePixelLinesLieOnPixelRows)
{
    for (bool smooth : { true, false }) {
        gfx::Bitmap b(60, 60);
        gfx::Graphics g(b);
        g.setSmoothing(smooth);
        g.drawLine(pen(1.0f), 0, 10, 50, 10);
        g.drawLine(pen(1.0f), 30, 20, 30, 50);
        for (int x = 1; x < 49; ++x) {
            EXPECT_EQ(alphaAt(b, x, 10), 255) << "smooth " << smooth << " x " << x;
            EXPECT_EQ(alphaAt(b, x, 9), 0) << "smooth " << smooth << " x " << x;
            EXPECT_EQ(alphaAt(b, x, 11), 0) << "smooth " << smooth << " x " << x;
        }
        for (int y = 21; y < 49; ++y) {
            EXPECT_EQ(alphaAt(b, 30, y), 255) << "smooth " << smooth << " y " << y;
            EXPECT_EQ(alphaAt(b, 29, y) + alphaAt(b, 31, y), 0) << "smooth " << smooth << " y " << y;
        }
    }
}

TEST(GraphicsPixels, ThinPensDrawOneDevicePixel)
{
    auto drawAt = [](float width, double zoom) {
        auto b = std::make_unique<gfx::Bitmap>(60, 60);
        gfx::Graphics g(*b);
        g.setSmoothing(true);
        g.scaleTransform(zoom, zoom);
        gfx::Path p;
        p.addCurve(std::vector<QPointF> { { 5 / zoom, 5 / zoom }, { 30 / zoom, 40 / zoom }, { 55 / zoom, 12 / zoom } });
        g.drawPath(pen(width), p);
        g.drawLine(pen(width), 0, 50 / zoom, 55 / zoom, 50 / zoom);
        return b;
    };
    // Half a unit at zoom 1 covers exactly what one unit covers.
    EXPECT_EQ(coverage(*drawAt(0.5f, 1.0)), coverage(*drawAt(1.0f, 1.0)));
    // One unit at zoom 0.24 is still a full pixel, not a faint quarter.
    auto small = drawAt(1.0f, 0.24);
    EXPECT_EQ(alphaAt(*small, 20, 50), 255);
    EXPECT_EQ(alphaAt(*small, 20, 49) + alphaAt(*small, 20, 51), 0);
}

TEST(GraphicsPixels, PenShapeAndDashes)
{
    gfx::Bitmap b(100, 100);
    gfx::Graphics g(b);
    g.setSmoothing(true);

    // Width in world units: 2 at zoom 2 is 4 pixels.
    g.scaleTransform(2, 2);
    g.drawLine(pen(2.0f), 5, 5, 20, 5);
    for (int y = 9; y < 12; ++y)
        EXPECT_EQ(alphaAt(b, 20, y), 255) << y;
    EXPECT_NEAR(alphaAt(b, 20, 8), 128, 30);
    EXPECT_NEAR(alphaAt(b, 20, 12), 128, 30);
    g.resetTransform();

    // Flat caps do not run past the end; miter joins fill the outer corner.
    g.drawLine(pen(4.0f), 10, 40, 30, 40);
    EXPECT_EQ(alphaAt(b, 29, 40), 255);
    EXPECT_EQ(alphaAt(b, 31, 40), 0);
    gfx::Path square;
    square.addRectangle(QRectF(50, 50, 30, 30));
    g.drawPath(pen(4.0f), square);
    EXPECT_EQ(alphaAt(b, 49, 49), 255);

    // Dash patterns in pen widths: dot 1 on 1 off, dash 3 on 1 off, dash-dot 3 1 1 1.
    // The lines start half a unit left so that each dash covers whole pixels.
    g.drawLine(pen(1.0f, gfx::DashStyle::Dot), -0.5, 20, 40, 20);
    g.drawLine(pen(1.0f, gfx::DashStyle::Dash), -0.5, 24, 40, 24);
    g.drawLine(pen(1.0f, gfx::DashStyle::DashDot), -0.5, 28, 40, 28);
    EXPECT_EQ(rowAlphas(b, 20, 0, 8), std::vector<int>({ 255, 0, 255, 0, 255, 0, 255, 0 }));
    EXPECT_EQ(rowAlphas(b, 24, 0, 8), std::vector<int>({ 255, 255, 255, 0, 255, 255, 255, 0 }));
    EXPECT_EQ(rowAlphas(b, 28, 0, 12), std::vector<int>({ 255, 255, 255, 0, 255, 0, 255, 255, 255, 0, 255, 0 }));
}

TEST(GraphicsPixels, TransformsAndClear)
{
    gfx::Bitmap b(100, 100);
    gfx::Graphics g(b);

    // Translate then scale, both prepended: world p lands at (p - origin) x zoom.
    g.translateTransform(-10 * 2.0, -20 * 2.0);
    g.scaleTransform(2.0, 2.0);
    EXPECT_EQ(g.transform().map(QPointF(10, 20)), QPointF(0, 0));
    EXPECT_EQ(g.transform().map(QPointF(15, 30)), QPointF(10, 20));
    gfx::Path square;
    square.addRectangle(QRectF(10, 20, 5, 5));
    g.fillPath(gfx::Brush { 0xFF0000FF }, square);
    EXPECT_EQ(b.image().pixel(5, 5), 0xFF0000FFu);
    EXPECT_EQ(alphaAt(b, 12, 12), 0);

    // Positive rotation turns +x towards +y (clockwise on the screen).
    g.resetTransform();
    g.rotateTransform(90);
    const QPointF turned = g.transform().map(QPointF(1, 0));
    EXPECT_NEAR(turned.x(), 0.0, 1e-12);
    EXPECT_NEAR(turned.y(), 1.0, 1e-12);
    g.setTransform(QTransform::fromTranslate(3, 4));
    EXPECT_EQ(g.transform().map(QPointF(0, 0)), QPointF(3, 4));

    // Clear covers the whole device whatever the transform, and stores alpha as given.
    g.setTransform(QTransform::fromTranslate(50, 50).scale(0.1, 0.1));
    g.clear(0xFFFF0000);
    EXPECT_EQ(b.image().pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(b.image().pixel(99, 99), 0xFFFF0000u);
    g.clear(0x00000000);
    EXPECT_EQ(alphaAt(b, 50, 50), 0);
}

TEST(GraphicsPixels, PicturesLandPixelForPixel)
{
    QImage src(3, 2, QImage::Format_ARGB32);
    const QRgb colours[] = { 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF000000, 0xFFFFFFFF, 0xFF808080 };
    for (int i = 0; i < 6; ++i)
        src.setPixel(i % 3, i / 3, colours[i]);

    gfx::Bitmap b(40, 40);
    gfx::Graphics g(b);
    g.setSmoothing(true);
    g.drawImage(src, QPointF(10, 10));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(b.image().pixel(10 + i % 3, 10 + i / 3), colours[i]) << i;
    EXPECT_EQ(alphaAt(b, 9, 10) + alphaAt(b, 13, 10) + alphaAt(b, 10, 12), 0);

    // Into a rectangle: stretched to it exactly; a point under zoom scales with it.
    g.drawImage(src, QRectF(20, 0, 6, 4));
    EXPECT_EQ(alphaAt(b, 20, 0), 255);
    EXPECT_EQ(alphaAt(b, 25, 3), 255);
    EXPECT_EQ(alphaAt(b, 26, 0) + alphaAt(b, 20, 4), 0);
    g.scaleTransform(2, 2);
    g.drawImage(src, QPointF(0, 15));
    EXPECT_EQ(alphaAt(b, 5, 33), 255);
    EXPECT_EQ(alphaAt(b, 6, 30) + alphaAt(b, 0, 34), 0);

    // Copied to a point, a picture replaces the pixels it covers, translucent ones too, whatever
    // the transform, and changes nothing else: only its part of the device is tracked.
    QImage part(4, 3, QImage::Format_ARGB32_Premultiplied);
    part.fill(Qt::transparent);
    part.setPixel(0, 0, qPremultiply(qRgba(255, 0, 0, 128)));
    g.setTracking(gfx::Graphics::Tracking::WhileDrawing);
    g.copyFrom(part, QPoint(11, 10));
    EXPECT_EQ(g.tracked(), QRect(11, 10, 4, 3));
    EXPECT_EQ(b.image().pixel(10, 10), colours[0]);
    EXPECT_EQ(b.image().pixelColor(11, 10).alpha(), 128);
    EXPECT_EQ(alphaAt(b, 12, 10) + alphaAt(b, 11, 11) + alphaAt(b, 12, 11), 0);
    EXPECT_EQ(b.image().pixel(10, 11), colours[3]);
    g.setTracking(gfx::Graphics::Tracking::WhileDrawing);
    g.copyFrom(part, QPoint(38, 39)); // over the picture's corner
    EXPECT_EQ(g.tracked(), QRect(38, 39, 2, 1));
}

TEST(GraphicsBitmaps, FormatsCompositionAndBadTargets)
{
    gfx::Bitmap argb(4, 4);
    EXPECT_EQ(argb.image().pixel(1, 1), 0x00000000u);
    gfx::Bitmap rgb(4, 4, gfx::PixelFormat::Rgb32);
    EXPECT_EQ(rgb.image().format(), QImage::Format_RGB32);
    EXPECT_EQ(rgb.image().pixel(1, 1), 0xFF000000u);
    EXPECT_TRUE(gfx::Bitmap(0, 5).isNull());
    EXPECT_TRUE(gfx::Bitmap(-3, 5, gfx::PixelFormat::Rgb32).isNull());

    // Over black: transparent turns black, half alpha darkens, opaque stays.
    argb.image().setPixelColor(0, 0, QColor(255, 0, 0, 128));
    argb.image().setPixelColor(1, 0, QColor(10, 200, 30, 255));
    auto opaque = argb.overBlack();
    EXPECT_EQ(opaque->image().format(), QImage::Format_RGB32);
    EXPECT_EQ(opaque->image().pixel(3, 3), 0xFF000000u);
    EXPECT_NEAR(qRed(opaque->image().pixel(0, 0)), 128, 1);
    EXPECT_EQ(opaque->image().pixel(1, 0), 0xFF0AC81Eu);

    // Pictures that cannot be drawn on are errors, not silent no-ops.
    gfx::Bitmap none;
    EXPECT_THROW(gfx::Graphics { none }, rt::GraphicsError);
    QImage indexed(4, 4, QImage::Format_Indexed8);
    gfx::Bitmap palette(indexed);
    EXPECT_THROW(gfx::Graphics { palette }, rt::GraphicsError);

    // A graphics on an RGB picture draws and clears like any other.
    {
        gfx::Graphics g(rgb);
        g.clear(0xFFFFFFFF);
        g.drawLine(pen(1.0f), 0, 2, 4, 2);
    }
    EXPECT_EQ(rgb.image().pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(rgb.image().pixel(1, 2), 0xFF000000u);
}
