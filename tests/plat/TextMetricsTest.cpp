#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Font.h"
#include "plat/gfx/Graphics.h"
#include "plat/gfx/TextMetrics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Design metrics of the default face (units per em 2048), identical in its metric twin.
constexpr double UnitsPerEm = 2048.0;
constexpr double AdvanceA = 1366.0;
constexpr double AdvanceB = 1366.0;
constexpr double AdvanceSpace = 569.0;
constexpr double LineSpacing = 1854.0 + 434.0 + 67.0;

const gfx::Font DefaultFont("Arial", 12.0f);

// Horizontal extent of the ink (columns with any alpha) and its first and last rows.
struct Ink {
    int left = -1, right = -1, top = -1, bottom = -1;
};

Ink inkOf(const QImage& image)
{
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) {
                if (ink.left < 0 || x < ink.left)
                    ink.left = x;
                ink.right = std::max(ink.right, x);
                if (ink.top < 0)
                    ink.top = y;
                ink.bottom = y;
            }
    return ink;
}

} // namespace

TEST(TextMetrics, DefaultFontResolvesToMetricTwin)
{
    // Without fonts-liberation2 "Arial" falls back to a wider face and every text box changes.
    EXPECT_EQ(gfx::resolvedFamily(DefaultFont), "Liberation Sans") << "install fonts-liberation2";
    EXPECT_EQ(gfx::resolvedFamily(gfx::Font("Arial", 8.0f, gfx::FontBold)), "Liberation Sans");
}

TEST(TextMetrics, LineRules)
{
    const double em = 16.0; // 12 pt at 96 DPI
    EXPECT_FLOAT_EQ(DefaultFont.emSize(), 16.0f);
    const double line = LineSpacing / UnitsPerEm * em;
    EXPECT_FLOAT_EQ(DefaultFont.height(), static_cast<float>(line));
    EXPECT_FLOAT_EQ(gfx::lineHeight(DefaultFont), static_cast<float>(line));

    EXPECT_EQ(gfx::measureString("", DefaultFont), QSizeF(0, 0));
    const QSizeF blanks = gfx::measureString("   ", DefaultFont);
    EXPECT_EQ(blanks.width(), 0.0);
    EXPECT_FLOAT_EQ(blanks.height(), static_cast<float>(line));

    // Design advances plus em/6 of padding on each side; trailing blanks are not measured,
    // leading ones are.
    const double ab = (AdvanceA + AdvanceB) / UnitsPerEm * em + em / 3.0;
    const QSizeF size = gfx::measureString("AB", DefaultFont);
    EXPECT_FLOAT_EQ(size.width(), static_cast<float>(ab));
    EXPECT_FLOAT_EQ(size.height(), static_cast<float>(line));
    EXPECT_EQ(gfx::measureString("AB  ", DefaultFont), size);
    EXPECT_FLOAT_EQ(gfx::measureString(" AB", DefaultFont).width(), static_cast<float>(ab + AdvanceSpace / UnitsPerEm * em));

    // Linear in the size (no hinting); bold is a face of its own, wider.
    const QSizeF twice = gfx::measureString("AB", gfx::Font("Arial", 24.0f));
    EXPECT_FLOAT_EQ(twice.width(), static_cast<float>(2 * ab));
    EXPECT_GT(gfx::measureString("AB", gfx::Font("Arial", 12.0f, gfx::FontBold)).width(), size.width());

    // A damaged size measures as 1 pt instead of failing or blowing up.
    EXPECT_FLOAT_EQ(gfx::Font("Arial", -4.0f).emSize(), 96.0f / 72.0f);
    EXPECT_FLOAT_EQ(gfx::Font("Arial", std::nanf("")).emSize(), 96.0f / 72.0f);
    EXPECT_TRUE(std::isfinite(gfx::Font("Arial", 1e30f).height()));
}

TEST(TextMetrics, DrawnTextFollowsTheMetricsAtAnyZoom)
{
    const QString text = "HIH";
    const QSizeF expected = gfx::measureString(text, DefaultFont);

    auto draw = [&](double zoom, QImage& out) {
        gfx::Bitmap b(static_cast<int>(80 * zoom), static_cast<int>(40 * zoom));
        gfx::Graphics g(b);
        g.setSmoothing(true);
        g.scaleTransform(zoom, zoom);
        EXPECT_EQ(g.measureString(text, DefaultFont), expected) << "zoom " << zoom;
        g.drawString(text, DefaultFont, gfx::Brush { 0xFFFF0000 }, QPointF(10, 10));
        out = b.image();
    };

    QImage one, four, quarter;
    draw(1.0, one);
    draw(4.0, four);
    draw(0.25, quarter);

    // Ink starts after the left padding and stays inside the measured box.
    const Ink a = inkOf(one);
    ASSERT_GE(a.left, 0) << "nothing drawn";
    EXPECT_GE(a.left, static_cast<int>(10 + 16.0 / 6));
    EXPECT_LE(a.right, static_cast<int>(10 + expected.width()));
    EXPECT_GE(a.top, 10);
    EXPECT_LE(a.bottom, static_cast<int>(10 + expected.height()));

    // The brush gives the colour.
    bool red = false;
    for (int x = a.left; x <= a.right && !red; ++x)
        red = one.pixel(x, (a.top + a.bottom) / 2) == 0xFFFF0000u;
    EXPECT_TRUE(red);

    // Four times the zoom, four times the ink box (hinting would shift it by whole pixels).
    const Ink b = inkOf(four);
    EXPECT_NEAR(b.left, 4 * a.left, 4);
    EXPECT_NEAR(b.right, 4 * a.right + 3, 4);
    EXPECT_NEAR(b.top, 4 * a.top, 4);
    EXPECT_NEAR(b.bottom, 4 * a.bottom + 3, 4);
    EXPECT_GE(inkOf(quarter).left, 0);

    // Underline: a bar below the baseline across the text, at any zoom.
    gfx::Bitmap u(320, 160);
    {
        gfx::Graphics g(u);
        g.scaleTransform(4, 4);
        g.drawString(text, gfx::Font("Arial", 12.0f, gfx::FontUnderline), gfx::Brush { 0xFF000000 }, QPointF(10, 10));
    }
    const Ink c = inkOf(u.image());
    EXPECT_GT(c.bottom, b.bottom + 2);
    EXPECT_EQ(qAlpha(u.image().pixel((c.left + c.right) / 2, c.bottom - 1)), 255);
}
