#include "model/DrawShared.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Graphics.h"
#include "plat/sys/Trace.h"
#include "support/FakeDiagram.h"
#include "support/TestCanvas.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using namespace zov;
using zovtest::FakeDiagram;

namespace {

struct Canvas : zovtest::TestCanvas {
    explicit Canvas(int w = 120, int h = 120)
        : TestCanvas(w, h)
    {
    }
};

std::unique_ptr<gfx::Bitmap> solid(int w, int h, QRgb colour)
{
    auto b = std::make_unique<gfx::Bitmap>(w, h);
    b->image().fill(QColor::fromRgba(colour));
    return b;
}

} // namespace

TEST(DrawObjects, MarkIsACircleThatMovesWithItsPosition)
{
    FakeDiagram d;
    TBouee mark({ 50, 50 }, 0, 1);
    Canvas c;
    mark.Draw(c.g);
    EXPECT_EQ(c.at(50, 50), 0xFFFF8040u);
    EXPECT_TRUE(c.dark(60, 50)) << "outlined";
    EXPECT_EQ(mark.FBounds, (TRect4 { 30, 30, 40, 40 }));
    EXPECT_TRUE(mark.HitTest(55, 50));
    EXPECT_FALSE(mark.HitTest(58, 58));

    mark.SetPos({ 70, 50 });
    Canvas moved;
    mark.Draw(moved.g);
    EXPECT_TRUE(mark.HitTest(75, 50));
    EXPECT_FALSE(mark.HitTest(55, 50));
    EXPECT_EQ(mark.FBounds.x, 50);

    d.FSelected = &mark;
    Canvas sel;
    mark.Draw(sel.g);
    EXPECT_EQ(sel.at(70, 50), 0xFFFF0000u);
}

TEST(DrawObjects, StraightArrowsHaveAFixedHead)
{
    FakeDiagram d;
    for (float size : { 1.0f, 2.0f }) {
        TFleche arrow({ 100, 20 }, 0, size);
        Canvas c(200, 260);
        arrow.Draw(c.g);
        EXPECT_TRUE(c.dark(100, 20 + static_cast<int>(90 * size))) << size;
        EXPECT_FALSE(c.dark(100, 20 + static_cast<int>(110 * size))) << size;
        // Tip at the position, barbs 10 back and Round(10 sin 15) = 3 aside, whatever the size.
        EXPECT_EQ(arrow.FBounds, (TRect4 { 87, 10, 26, 30 })) << size;
        EXPECT_TRUE(arrow.HitTest(100, 27));
        EXPECT_FALSE(arrow.HitTest(100, 60)) << "the shaft is not part of the outline";
    }
    TFleche east({ 20, 50 }, 90, 1);
    Canvas c(200, 100);
    east.Draw(c.g);
    EXPECT_TRUE(c.dark(5, 50)) << "the tail lies behind the heading";
    EXPECT_FALSE(c.dark(25, 50));
    EXPECT_TRUE(east.HitTest(16, 50));
}

TEST(DrawObjects, CurvedArrowRunsFromItsFarEndToItsHead)
{
    FakeDiagram d;
    TCurve curve({ 60, 60 }, 0, 1, 90, 1);
    Canvas c;
    curve.Draw(c.g);
    // Clockwise from the leftmost point to the topmost one.
    EXPECT_GT(c.darkIn(29, 29, 34, 34), 0);
    EXPECT_GT(c.darkIn(51, 19, 55, 22), 0);
    EXPECT_EQ(c.darkIn(29, 86, 34, 91), 0);
    EXPECT_EQ(c.darkIn(66, 18, 70, 22), 0);
    EXPECT_FALSE(c.dark(100, 60));
    // The head sits at the leftmost point and points down: barbs 10 above it.
    ASSERT_NE(curve.FPath, nullptr);
    EXPECT_EQ(curve.FPath->pointBounds(), QRectF(17, 50, 6, 10));
    EXPECT_EQ(curve.FBounds, (TRect4 { 7, 40, 26, 30 }));
    EXPECT_TRUE(curve.HitTest(20, 55));

    TCurve other({ 60, 60 }, 0, 1, 90, 0);
    Canvas o;
    other.Draw(o.g);
    EXPECT_GT(o.darkIn(29, 86, 34, 91), 0);
    EXPECT_EQ(o.darkIn(29, 29, 34, 34), 0);
    EXPECT_EQ(other.FPath->pointBounds(), QRectF(17, 60, 6, 10)) << "pointing up";
}

TEST(DrawObjects, LinesAreSolidThinAndBelongToEveryStep)
{
    FakeDiagram d;
    TLigne line({ 100, 50 }, 90, 1);
    line.FSituation = 5;
    // Whatever the previous drawing left in the shared pen.
    BlackPen = gfx::Pen { 0xFF00FF00, 5.0f, gfx::DashStyle::Dot };
    Canvas c(220, 100);
    line.Draw(c.g);
    EXPECT_EQ(line.FSituation, 0);
    for (int x = 2; x <= 198; x += 7)
        EXPECT_TRUE(c.dark(x, 50)) << x;
    EXPECT_FALSE(c.dark(150, 48));
    EXPECT_FALSE(c.dark(150, 52));
    EXPECT_TRUE(c.dark(102, 50 - 2) || c.dark(100, 48)) << "the centre ring";
    EXPECT_EQ(line.FBounds, (TRect4 { 95, 45, 10, 10 }));
    EXPECT_EQ(line.FPath, nullptr);
    EXPECT_TRUE(line.HitTest(100, 50));
    EXPECT_FALSE(line.HitTest(150, 50));

    d.FHovered = &line;
    Canvas h(220, 100);
    line.Draw(h.g);
    EXPECT_EQ(h.at(150, 50), 0xFFFF0000u);
}

TEST(DrawObjects, FlagsHangFromTheirPole)
{
    FakeDiagram d;
    TDrapeau flag({ 20, 20 }, 0, 1);
    Canvas c(100, 100);
    flag.Draw(c.g);
    EXPECT_EQ(c.at(45, 35), 0xFF80FF80u);
    EXPECT_TRUE(c.dark(20, 70)) << "the pole";
    EXPECT_FALSE(c.dark(20, 85));
    EXPECT_EQ(flag.FPath->pointBounds(), QRectF(20, 20, 45, 30));
    // The rectangle widened by the pen, grown to the foot of the pole.
    EXPECT_EQ(flag.FBounds, (TRect4 { 10, 10, 65, 70 }));
    EXPECT_TRUE(flag.HitTest(60, 45));
    EXPECT_FALSE(flag.HitTest(20, 75));

    // In animation mode a flag of a later step is not drawn.
    d.FDisplayMode = dmAnimation;
    d.FStep = 1;
    flag.FSituation = 2;
    Canvas hidden(100, 100);
    flag.Draw(hidden.g);
    EXPECT_EQ(hidden.painted(), 0);
    d.FStep = 2;
    flag.Draw(hidden.g);
    EXPECT_GT(hidden.painted(), 0);
}

TEST(DrawObjects, FlagPictureStaysInItsRectangle)
{
    FakeDiagram d;
    TDrapeau flag({ 20, 20 }, 0, 1);
    flag.FBitmap = solid(20, 10, 0xFFFF0000);
    for (int pass = 0; pass < 2; ++pass) {
        Canvas c(100, 100);
        flag.Draw(c.g);
        EXPECT_EQ(c.at(30, 25), 0xFFFF0000u) << pass;
        EXPECT_EQ(qAlpha(c.at(30, 40)), 0) << "not stretched to the pole, pass " << pass;
        EXPECT_FALSE(c.dark(30, 20)) << "framed only when hovered or selected";
    }
    EXPECT_EQ(flag.FBounds, (TRect4 { 20, 20, 20, 60 }));
    d.FHovered = &flag;
    Canvas h(100, 100);
    flag.Draw(h.g);
    EXPECT_EQ(h.at(39, 20), 0xFFFF0000u);
    EXPECT_EQ(h.at(20, 70), 0xFFFF0000u) << "the pole takes the hover colour";
}

TEST(DrawObjects, PicturesFillTheirRectangle)
{
    FakeDiagram d;
    auto bmp = solid(30, 20, 0xFF0000FF);
    TPerso picture({ 10, 10 }, 2, bmp.get(), false);
    QTemporaryDir dir;
    const std::string trace = QDir(dir.path()).filePath("TRACE.TXT").toStdString();
    TraceOpen(trace);
    DebugMode = true;
    Canvas c(100, 100);
    picture.Draw(c.g);
    DebugMode = false;
    TraceClose();
    EXPECT_EQ(picture.FBounds, (TRect4 { 10, 10, 60, 40 }));
    EXPECT_EQ(c.at(65, 45), 0xFF0000FFu);
    EXPECT_EQ(qAlpha(c.at(75, 45)), 0);
    EXPECT_EQ(picture.FPath, nullptr);
    EXPECT_TRUE(picture.HitTest(65, 45));
    QFile f(QString::fromStdString(trace));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readLine().trimmed(), QByteArray("10 10 60 40"));

    // A picture that could not be read draws nothing and takes no room.
    TPerso empty({ 30, 40 }, 1, nullptr, true);
    Canvas e(100, 100);
    empty.Draw(e.g);
    EXPECT_EQ(e.painted(), 0);
    EXPECT_EQ(empty.FBounds, (TRect4 { 30, 40, 0, 0 }));
    EXPECT_EQ(empty.FSituation, -1);
}

TEST(DrawObjects, DamagedNumbersNeverStopAPaint)
{
    FakeDiagram d;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto all = [](TPoint p) {
        std::vector<std::unique_ptr<TObjet>> v;
        for (int hull : { 0, 1, 2, 3, 7 }) {
            auto b = std::make_unique<TBateauCourse>(p, 0, 1, 0, hull);
            b->FFlags = flVisible | flOutline | flOverlap;
            b->FSpinnaker = 1;
            b->FAsymetric = hull == 3;
            v.push_back(std::move(b));
        }
        v.push_back(std::make_unique<TBateauComite>(p, 0, 1));
        v.push_back(std::make_unique<TBateauJuge>(p, 0, 1));
        v.push_back(std::make_unique<TBateauWJ>(p, 0, 1));
        v.push_back(std::make_unique<TSpectateur>(p, 0, 1));
        v.push_back(std::make_unique<TBouee>(p, 3, 1));
        v.push_back(std::make_unique<TFleche>(p, 0, 1));
        v.push_back(std::make_unique<TLigne>(p, 0, 1));
        v.push_back(std::make_unique<TCurve>(p, 0, 1, 90, 1));
        v.push_back(std::make_unique<TDrapeau>(p, 0, 1));
        auto bmp = solid(4, 4, 0xFF00FF00);
        v.push_back(std::make_unique<TPerso>(p, 1, bmp.get(), false));
        v.push_back(std::make_unique<TGenText>(p, 0, 1));
        auto r = std::make_unique<TRemarque>(p, 0, 1);
        r->FText = "Remark";
        r->FFrame = 1;
        v.push_back(std::move(r));
        v.push_back(std::make_unique<TBulle>(p, 30, 1));
        return v;
    };
    const std::pair<float, float> damage[] = { { nan, 0 }, { inf, 0 }, { -inf, 0 }, { 1e30f, 0 }, { -1e30f, 0 },
        { 0, 0 }, { 1, nan }, { 1, inf }, { 1, 1e30f }, { 1, -1e30f }, { 1e30f, 1e30f } };
    for (TPoint pos : { TPoint { 50, 50 }, TPoint { std::numeric_limits<std::int32_t>::max() - 3, std::numeric_limits<std::int32_t>::min() + 3 } }) {
        for (auto [size, heading] : damage) {
            for (auto& o : all(pos)) {
                o->FSize = size;
                o->FHeading = heading;
                o->FRayonOutline = 32767;
                if (auto* c = dynamic_cast<TCurve*>(o.get()))
                    c->FArcAngle = nan;
                o->InvalidatePath();
                Canvas c(40, 40);
                EXPECT_NO_THROW({
                    o->Draw(c.g);
                    o->Draw(c.g);
                    o->HitTest(50, 50);
                }) << o->KindName() << " size " << size << " heading " << heading << " at " << pos.x;
                if (o->FPath) {
                    for (QPointF p : o->FPath->points()) {
                        ASSERT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y())) << o->KindName();
                    }
                }
            }
        }
    }
}
