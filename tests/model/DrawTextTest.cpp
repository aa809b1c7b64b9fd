#include "model/DrawShared.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Graphics.h"
#include "plat/gfx/TextMetrics.h"
#include "plat/rt/Cp1252.h"
#include "plat/rt/Numeric.h"
#include "support/FakeDiagram.h"
#include "support/TestCanvas.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zov;
using zovtest::FakeDiagram;

namespace {

struct Canvas : zovtest::TestCanvas {
    explicit Canvas(int w = 200, int h = 140)
        : TestCanvas(w, h, 100)
    {
    }
};

int roundedWidth(const char* text) { return static_cast<int>(rt::Round(gfx::measureString(QString::fromLatin1(text), DefaultFont).width())); }
int lineH() { return static_cast<int>(rt::Round(gfx::lineHeight(DefaultFont))); }

// Polar angle in degrees (clockwise from +x, y down) of P seen from C, in 0..360.
double polar(QPointF p, QPointF c)
{
    double a = std::atan2(p.y() - c.y(), p.x() - c.x()) * 180 / rt::Pi;
    return a < 0 ? a + 360 : a;
}

} // namespace

TEST(DrawText, Cp1252RoundTripsEveryByte)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const QString text = rt::FromCp1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0x92], QChar(0x2019));
    EXPECT_EQ(text[0xE9], QChar(0xE9));
    EXPECT_EQ(text[0x81], QChar(0x81));
    EXPECT_EQ(rt::ToCp1252(text), all);
    EXPECT_EQ(rt::ToCp1252(QStringLiteral("a\u4E2Db\U0001F600c")), "a?b?c");
}

TEST(DrawText, LinesSplitOnBreaksAndDropEmptyOnes)
{
    using L = std::vector<QString>;
    EXPECT_EQ(TextLines(""), L { "" });
    EXPECT_EQ(TextLines("AB"), L { "AB" });
    EXPECT_EQ(TextLines("AB\r\nC"), (L { "AB", "C" }));
    EXPECT_EQ(TextLines("AB\r\n\r\nC\n"), (L { "AB", "C" }));
    EXPECT_EQ(TextLines("A\n\r\rB\rC"), (L { "A", "B", "C" }));
    EXPECT_EQ(TextLines("\r\nAB"), (L { "", "AB" }));
    EXPECT_EQ(TextLines("caf\xE9"), L { QStringLiteral("caf\u00E9") });
}

TEST(DrawText, LayoutMeasuresEveryLineAndStacksThem)
{
    FakeDiagram d;
    TRemarque r({ 20, 30 }, 0, 1);
    r.FText = "AB\r\n\r\nC";
    Canvas c;
    r.Layout(c.g);
    const int h = lineH();
    EXPECT_EQ(r.FTextRect, (TRect4 { 20, 30, std::max(roundedWidth("AB"), roundedWidth("C")), 2 * h }));

    r.FText = "";
    r.Layout(c.g);
    EXPECT_EQ(r.FTextRect, (TRect4 { 20, 30, 0, 0 }));
    r.FText = "   ";
    r.Layout(c.g);
    EXPECT_EQ(r.FTextRect, (TRect4 { 20, 30, 0, h }));

    // A text without a font takes the default one.
    r.FFont = gfx::Font("", 30);
    r.FText = "C";
    r.Layout(c.g);
    EXPECT_EQ(r.FFont, DefaultFont);

    // The second line is drawn one line below the first.
    r.FText = "AB\r\nC";
    r.FFrame = 0;
    r.FFlags = flTransparent;
    r.InvalidatePath();
    Canvas t;
    r.Draw(t.g);
    const int w = r.FTextRect.w;
    EXPECT_GT(t.darkIn(20, 30, 20 + w, 30 + h - 1), 10);
    EXPECT_GT(t.darkIn(20, 30 + h, 20 + w, 30 + 2 * h - 1), 5);
    EXPECT_EQ(t.darkIn(20, 30 + 2 * h + 1, 20 + w, 30 + 3 * h), 0);
    // The "C" sits below the "A", not below the "B".
    EXPECT_EQ(t.darkIn(20 + roundedWidth("C"), 30 + h, 20 + w, 30 + 2 * h - 1), 0);

    // The font colour is the text's own.
    r.FFontColor = 0xFF0000FF;
    Canvas blue;
    r.Draw(blue.g);
    int blues = 0;
    for (int y = 30; y < 30 + h; ++y)
        for (int x = 20; x < 20 + w; ++x)
            blues += qAlpha(blue.at(x, y)) > 200 && qBlue(blue.at(x, y)) > 200 && qRed(blue.at(x, y)) < 60;
    EXPECT_GT(blues, 5);
}

TEST(DrawText, RemarkFrameFollowsFrameHoverAndTransparency)
{
    FakeDiagram d;
    TRemarque r({ 20, 30 }, 0, 1);
    r.FText = "Hello";
    Canvas plain;
    r.Draw(plain.g);
    const int w = roundedWidth("Hello"), h = lineH();
    EXPECT_EQ(r.FTextRect, (TRect4 { 20, 30, w, h }));
    EXPECT_EQ(r.FBounds, (TRect4 { 15, 28, w + 10, h + 5 }));
    EXPECT_EQ(plain.at(16, 29), 0xFFFFFFFFu) << "white box";
    EXPECT_EQ(plain.at(16, 40), 0xFFFFFFFFu);
    EXPECT_NE(plain.at(15, 40), 0xFF000000u) << "no frame";
    EXPECT_TRUE(r.HitTest(17, 40));
    EXPECT_FALSE(r.HitTest(13, 40));

    r.FFlags = flTransparent;
    Canvas clear;
    r.Draw(clear.g);
    EXPECT_EQ(qAlpha(clear.at(16, 29)), 0) << "only the text shows";
    EXPECT_GT(clear.painted(), 10);

    d.FHovered = &r;
    Canvas hovered;
    r.Draw(hovered.g);
    EXPECT_EQ(hovered.at(18, 31), 0xFFFFFFFFu);
    EXPECT_EQ(hovered.at(15, 40), 0xFFFF0000u);
    EXPECT_EQ(r.FBounds, (TRect4 { 5, 18, w + 30, h + 25 }));

    d.FHovered = nullptr;
    r.FFrame = 1;
    Canvas framed;
    r.Draw(framed.g);
    EXPECT_EQ(framed.at(15, 40), 0xFF000000u);
}

TEST(DrawText, BalloonOpeningAndPointer)
{
    FakeDiagram d;
    auto centreOf = [](const TBulle& b) {
        const int w = b.FTextRect.w, h = b.FTextRect.h;
        const int bw = static_cast<int>(rt::Round(1.4 * w)), bh = static_cast<int>(rt::Round(1.6 * h));
        return QRectF(b.FX - (bw - w) / 2, b.FY - (bh - h) / 2, bw, bh);
    };
    TBulle east({ 40, 50 }, 0, 1);
    Canvas c;
    east.Draw(c.g);
    ASSERT_FALSE(east.FPath->isEmpty());
    QRectF e = centreOf(east);
    // Heading 0: a 6-degree opening centred on +x, the pointer 30 beyond its middle.
    EXPECT_NEAR(polar(east.FPath->points().front(), e.center()), 3.0, 0.01);
    EXPECT_NEAR(east.FTipX, e.right() + 30, 2.0);
    EXPECT_NEAR(east.FTipY, e.center().y(), 1.0);
    EXPECT_TRUE(east.HitTest(east.FTipX - 20, east.FTipY));
    EXPECT_GT(c.darkIn(40, 50, 60, 66), 10) << "the text";
    EXPECT_EQ(c.at(static_cast<int>(e.left()) + 4, static_cast<int>(e.center().y())), 0xFFFFFFFFu) << "white inside";

    // Heading 90: the pointer below; the opening widens with the text's height-to-width ratio.
    TBulle south({ 40, 30 }, 90, 1);
    south.FText = "Hi";
    Canvas s;
    south.Draw(s.g);
    e = centreOf(south);
    const double gap = double(south.FTextRect.h) / south.FTextRect.w * 20 + 3;
    EXPECT_GT(gap, 10);
    EXPECT_NEAR(polar(south.FPath->points().front(), e.center()), 90 + gap, 0.01);
    EXPECT_NEAR(south.FTipX, e.center().x(), 1.0);
    EXPECT_NEAR(south.FTipY, e.bottom() + 30, 2.0);

    // Hovering colours the outline only.
    d.FHovered = &south;
    Canvas hs;
    south.Draw(hs.g);
    EXPECT_EQ(hs.at(static_cast<int>(e.center().x()), static_cast<int>(e.bottom()) - 3), 0xFFFFFFFFu);
    EXPECT_EQ(hs.at(static_cast<int>(e.left()), static_cast<int>(e.center().y())), 0xFFFF0000u);
}

TEST(DrawText, BalloonsWithoutTextOrOutOfStep)
{
    FakeDiagram d;
    TBulle b({ 40, 50 }, 30, 1);
    b.FText = "";
    Canvas c;
    b.Draw(c.g);
    EXPECT_EQ(c.painted(), 0);
    EXPECT_TRUE(b.FPath->isEmpty()) << "rebuilt at the next drawing";
    b.FText = "Now";
    b.Draw(c.g);
    EXPECT_FALSE(b.FPath->isEmpty());

    // A text of blanks measures 0 wide: the opening keeps its minimum and the path stays sound.
    TBulle blank({ 40, 50 }, 0, 1);
    blank.FText = "   ";
    Canvas bc;
    EXPECT_NO_THROW(blank.Draw(bc.g));
    ASSERT_FALSE(blank.FPath->isEmpty());
    for (QPointF p : blank.FPath->points())
        EXPECT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y()));
    EXPECT_EQ(blank.FTipX, 40 + 30);
    const int h = lineH(), bh = static_cast<int>(rt::Round(1.6 * h));
    EXPECT_NEAR(blank.FTipY, 50 - (bh - h) / 2 + bh / 2.0, 1.0);

    // In animation mode a balloon of a later step is not drawn.
    d.FDisplayMode = dmAnimation;
    d.FStep = 1;
    b.FSituation = 2;
    Canvas later;
    b.Draw(later.g);
    EXPECT_EQ(later.painted(), 0);
    d.FStep = 3;
    b.Draw(later.g);
    EXPECT_GT(later.painted(), 0);
}
