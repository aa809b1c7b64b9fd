#include "diagram/Diagram.h"
#include "diagram/DiagramHost.h"
#include "model/Objet.h"
#include "plat/gfx/Graphics.h"
#include "plat/gfx/Path.h"

#include <QImage>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace zov;

namespace {

// An object that draws a filled square of its colour around its position.
class Block : public TFleche {
public:
    Block(TPoint pos, std::uint32_t color, int situation = 0)
        : TFleche(pos, 0, 1)
    {
        FColor = color;
        FSituation = situation;
        FBounds = { pos.x - 10, pos.y - 10, 20, 20 };
    }
    void Draw(gfx::Graphics& g) override
    {
        ++draws;
        gfx::Path square;
        square.addRectangle(QRectF(FX - 10, FY - 10, 20, 20));
        g.fillPath({ FColor }, square);
    }
    int draws = 0;
};

QRgb pixelAt(const TDiagram& d, TPoint world)
{
    const int px = int((world.x - d.FView.x) * d.FZoom);
    const int py = int((world.y - d.FView.y) * d.FZoom);
    return d.FBackBitmap->image().pixel(px, py);
}

QImage paint(TDiagram& d)
{
    gfx::Bitmap buffer(d.ClientWidth(), d.ClientHeight(), gfx::PixelFormat::Rgb32);
    {
        gfx::Graphics g(buffer);
        g.clear(0xFFFFFFFF);
        d.MyPaint(g);
    }
    return buffer.image().copy();
}

// A plain diagram: 1000 x 1000 pixels showing the world 0..1000 at zoom 1.
std::unique_ptr<TDiagram> plainDiagram(DrawingOptions options = {})
{
    auto d = std::make_unique<TDiagram>(nullptr, options);
    d->FShowGrid = 0;
    d->FShowLaylines = 0;
    d->SetClientSize(1000, 1000);
    d->FCentre = { 500, 500 };
    d->NewDisplay();
    return d;
}

} // namespace

TEST(View, StaticPictureLeavesTheSelectedObjectForThePaint)
{
    auto d = plainDiagram();
    CurrentDiagramScope scope(d.get());
    auto* red = new Block({ 100, 100 }, 0xFFFF0000);
    auto* blue = new Block({ 300, 300 }, 0xFF0000FF);
    d->FRoot = red;
    red->AppendSibling(blue);
    d->FSelected = blue;
    d->Redraw();
    EXPECT_EQ(pixelAt(*d, { 100, 100 }), 0xFFFF0000u);
    EXPECT_EQ(pixelAt(*d, { 300, 300 }), 0xFFFFFFFFu); // left out of the static picture
    const QImage shown = paint(*d);
    EXPECT_EQ(shown.pixel(300, 300), 0xFF0000FFu); // drawn on top by the paint
    EXPECT_EQ(shown.pixel(100, 100), 0xFFFF0000u);

    d->FSelected = nullptr;
    d->FHovered = red;
    d->Redraw();
    paint(*d);
    EXPECT_EQ(red->draws, 3); // static picture twice, then on top as the hovered object
}

TEST(View, StepsAreDrawnInOrderAndAnimationLimitsThem)
{
    auto d = plainDiagram();
    CurrentDiagramScope scope(d.get());
    // Step 2 lies over step 1 at the same place: the later step wins.
    auto* step1 = new Block({ 200, 200 }, 0xFF00FF00, 1);
    auto* step2 = new Block({ 205, 205 }, 0xFF0000FF, 2);
    auto* mark = new Block({ 600, 600 }, 0xFFFF0000, 0);
    d->FRoot = step2;
    step2->AppendSibling(step1);
    step1->AppendSibling(mark);
    d->Redraw();
    EXPECT_EQ(d->FStepCount, 2);
    EXPECT_EQ(pixelAt(*d, { 203, 203 }), 0xFF0000FFu);
    EXPECT_EQ(pixelAt(*d, { 600, 600 }), 0xFFFF0000u);

    d->FDisplayMode = dmAnimation;
    d->FStep = 1;
    d->Redraw();
    EXPECT_EQ(pixelAt(*d, { 203, 203 }), 0xFF00FF00u);
    EXPECT_EQ(pixelAt(*d, { 600, 600 }), 0xFFFF0000u); // every-step objects stay
    d->FDisplayMode = dmEdit;
    d->FStep = 0;
}

// The step order as the static picture defines it: step by step, each step in walk order.
std::vector<TObjet*> stepByStepWalks(TObjet* root, std::int32_t limit, const TObjet* leftOut)
{
    std::vector<TObjet*> order;
    for (std::int32_t s = 1; s <= limit; ++s)
        for (TObjet* o = root; o; o = o->NextInWalk())
            if (o->FSituation == s && o != leftOut)
                order.push_back(o);
    return order;
}

TEST(View, OnePassPaintOrderIsStepByStepInWalkOrder)
{
    auto d = plainDiagram();
    CurrentDiagramScope scope(d.get());
    // Chains of different lengths whose steps do not rise along the walk, a step object with
    // siblings of its own, every-step objects and a background between them.
    d->FRoot = new Block({ 10, 10 }, 0xFF000000, 0);
    std::vector<Block*> all;
    for (int chain = 0; chain < 5; ++chain) {
        auto* head = new Block({ 100 * chain, 10 }, 0xFF000000, 1 + chain % 2);
        d->FRoot->AppendSibling(head);
        TObjet* last = head;
        for (int s = 0; s < 3 + 2 * chain; ++s) {
            auto* next = new Block({ 100 * chain, 30 * s }, 0xFF000000, (s * 7 + chain) % 6 + 1);
            last->AddNext(next);
            last = next;
            if (s % 3 == 1)
                next->AppendSibling(new Block({ 5, 5 }, 0xFF000000, (s + chain) % 4));
        }
    }
    d->FRoot->AppendSibling(new Block({ 0, 0 }, 0xFF000000, -1));
    TObjet* selected = d->FRoot->FSibling->FSibling->FNext;
    for (std::int32_t limit : { 0, 1, 3, 6, 100 })
        for (const TObjet* leftOut : { static_cast<const TObjet*>(nullptr), static_cast<const TObjet*>(selected) })
            EXPECT_EQ(StepPaintOrder(d->FRoot, limit, leftOut), stepByStepWalks(d->FRoot, limit, leftOut))
                << "limit " << limit;

    // Step numbers far beyond the forest's size (a damaged file) keep the same order.
    for (TObjet* o = d->FRoot; o; o = o->NextInWalk())
        if (o->FSituation > 2)
            o->FSituation = 1000000 + o->FSituation;
    std::vector<TObjet*> expected;
    for (std::int32_t s : { 1, 2, 1000003, 1000004, 1000005, 1000006 })
        for (TObjet* o = d->FRoot; o; o = o->NextInWalk())
            if (o->FSituation == s)
                expected.push_back(o);
    EXPECT_EQ(StepPaintOrder(d->FRoot, 2000000, nullptr), expected);
}

// Two diagrams alike, one keeping the sea with its grid between redraws, one drawing it from
// scratch: the first redraw after each change, and the next, which keeps the sea or draws the one
// it kept, are the picture drawn from scratch.
TEST(View, KeptSeaAndGridFollowEveryChangeOfViewWindAndMark)
{
    std::unique_ptr<TDiagram> diagrams[] = { plainDiagram(), plainDiagram({ gfx::Drawing::InBands, false }) };
    TDiagram& kept = *diagrams[0];
    TDiagram& fresh = *diagrams[1];
    const auto both = [&](const std::function<void(TDiagram&, TObjet& mark, TObjet& boat)>& action) {
        for (auto& d : diagrams) {
            CurrentDiagramScope scope(d.get());
            action(*d, *d->FRoot, *d->FRoot->FSibling);
        }
    };
    for (auto& d : diagrams) {
        CurrentDiagramScope scope(d.get());
        d->FShowGrid = 1;
        d->FShowLaylines = 1;
        d->SetClientSize(640, 400);
        auto* mark = new TBouee({ 300, 200 }, 3, 1);
        d->FRoot = mark;
        mark->AppendSibling(new TBateauCourse({ 500, 600 }, 45, 1, 0, 0));
        d->SetZoom(0);
        d->Redraw(); // the kept sea now exists for this view
    }

    const auto same = [&](const char* after) {
        CurrentDiagramScope scope(&kept);
        kept.Redraw();
        const QImage first = kept.FBackBitmap->image().copy();
        kept.Redraw();
        CurrentDiagramScope freshScope(&fresh);
        fresh.Redraw();
        EXPECT_TRUE(first == fresh.FBackBitmap->image()) << "first redraw after " << after;
        EXPECT_TRUE(kept.FBackBitmap->image() == fresh.FBackBitmap->image()) << "kept sea after " << after;
    };
    same("the first redraw");
    both([](TDiagram&, TObjet&, TObjet& boat) { boat.SetPos({ 520, 580 }); });
    same("an edit");
    both([](TDiagram& d, TObjet&, TObjet&) { d.SetZoom(1.25f); });
    same("a zoom");
    both([](TDiagram& d, TObjet&, TObjet&) {
        d.FScrollPosH += 37;
        d.FScrollPosV -= 23;
        paint(d); // the paint takes the scroll position over and redraws
    });
    same("a scroll");
    both([](TDiagram& d, TObjet&, TObjet&) { d.FWind = 75; });
    same("a change of wind");
    both([](TDiagram& d, TObjet&, TObjet&) { d.FLaylineAngle = 30; });
    same("a change of layline angle");
    both([](TDiagram&, TObjet& mark, TObjet&) { mark.SetPos({ 310, 190 }); });
    same("a move of the reference mark");
    both([](TDiagram& d, TObjet&, TObjet&) { d.SetClientSize(500, 300); });
    same("a resize");
    both([](TDiagram& d, TObjet&, TObjet&) { d.FShowGrid = 0; });
    same("the grid hidden");
    both([](TDiagram& d, TObjet&, TObjet&) { d.FShowGrid = 1; });
    same("the grid shown again");

    // Pictures of other sizes (previews, exports) keep their own sea and leave the window's.
    const auto render = [&](int w, int h) {
        CurrentDiagramScope scope(&kept);
        const QImage first = kept.RenderToBitmap(w, h)->image().copy();
        const QImage again = kept.RenderToBitmap(w, h)->image().copy();
        CurrentDiagramScope freshScope(&fresh);
        const QImage scratch = fresh.RenderToBitmap(w, h)->image().copy();
        return first == scratch && again == scratch;
    };
    EXPECT_TRUE(render(238, 162));
    EXPECT_TRUE(render(800, 600));
    same("renders of other sizes");
}

TEST(View, AnEmptiedDiagramShowsWhite)
{
    auto d = plainDiagram();
    CurrentDiagramScope scope(d.get());
    d->FRoot = new Block({ 100, 100 }, 0xFFFF0000);
    d->Redraw();
    EXPECT_EQ(pixelAt(*d, { 100, 100 }), 0xFFFF0000u);
    d->RemoveObject(d->FRoot, true);
    EXPECT_EQ(d->FRoot, nullptr);
    EXPECT_EQ(pixelAt(*d, { 100, 100 }), 0xFFFFFFFFu);
}

TEST(View, BackgroundIsFoundEachRedrawAndKeepsTheZone)
{
    auto d = plainDiagram();
    CurrentDiagramScope scope(d.get());
    gfx::Bitmap picture(8, 8);
    auto* background = new TPerso({ 0, 0 }, 1, &picture, true);
    background->FBounds = { -50, -50, 100, 100 };
    auto* boat = new Block({ 2000, 2000 }, 0xFF00FF00);
    d->FRoot = background;
    background->AppendSibling(boat);
    d->FZone = { 0, 0, 400, 300 };
    d->Redraw();
    EXPECT_EQ(d->FBackground, background);
    d->ComputeOccupiedZone();
    EXPECT_EQ(d->FZone, (TRect4 { 0, 0, 400, 300 }));
    EXPECT_EQ(d->FExtent, (TRect4 { -500, -500, 1400, 1300 }));

    background->FSituation = 0; // no longer the background
    d->Redraw();
    EXPECT_EQ(d->FBackground, nullptr);
    d->ComputeOccupiedZone();
    const TRect4 b = background->FBounds; // as the picture last drew itself
    EXPECT_EQ(d->FZone, (TRect4 { b.x - 90, b.y - 90, 2010 - b.x + 180, 2010 - b.y + 180 }));
}

TEST(View, OccupiedZoneIgnoresDocumentTexts)
{
    auto d = plainDiagram();
    CurrentDiagramScope scope(d.get());
    auto* comments = new TGenText({ 0, 0 }, 0, 1);
    comments->FGenre = gComments;
    d->FRoot = comments;
    d->SetZoom(0);
    EXPECT_EQ(d->FZone, (TRect4 { -500, -500, 2000, 2000 }));
    EXPECT_FLOAT_EQ(d->FZoom, 0.5f);

    comments->AppendSibling(new Block({ 100, 200 }, 0xFF000000));
    d->ComputeOccupiedZone();
    EXPECT_EQ(d->FZone, (TRect4 { 0, 100, 200, 200 }));
}

TEST(View, ZoomStaysWithinBoundsAndTheCentreStays)
{
    auto d = plainDiagram();
    d->SetZoom(1.1f);
    d->SetZoom(0.9f);
    EXPECT_FLOAT_EQ(d->FZoom, 0.99f);
    EXPECT_EQ(d->FCentre, (TPoint { 500, 500 }));
    for (int i = 0; i < 1000; ++i)
        d->SetZoom(0.9f);
    EXPECT_FLOAT_EQ(d->FZoom, TDiagram::MinZoom);
    for (int i = 0; i < 1000; ++i)
        d->SetZoom(1.1f);
    EXPECT_FLOAT_EQ(d->FZoom, TDiagram::MaxZoom);
    d->SetClientSize(0, 500); // a collapsed window changes nothing
    EXPECT_FLOAT_EQ(d->FZoom, TDiagram::MaxZoom);
    d->SetClientSize(1000, 1000);
    d->SetZoom(0.0f); // an empty diagram only forgets the hovered object
    EXPECT_FLOAT_EQ(d->FZoom, TDiagram::MaxZoom);
}

TEST(View, ScrollingMovesTheViewOnTheNextPaint)
{
    auto d = plainDiagram();
    CurrentDiagramScope scope(d.get());
    d->FRoot = new Block({ 100, 100 }, 0xFFFF0000);
    d->FScrollPosH += 50;
    d->FScrollPosV += 30;
    const QImage shown = paint(*d);
    EXPECT_EQ(d->FView.x, 50);
    EXPECT_EQ(d->FView.y, 30);
    EXPECT_EQ(d->FCentre, (TPoint { 550, 530 }));
    EXPECT_EQ(shown.pixel(50, 70), 0xFFFF0000u);
}

TEST(View, GridHasTheLaylineSpacingAndFollowsTheMark)
{
    auto d = plainDiagram();
    CurrentDiagramScope scope(d.get());
    d->FShowGrid = 1;
    auto* mark = new TBouee({ 500, 500 }, 3, 1);
    d->FRoot = mark;
    mark->FBounds = { 490, 490, 20, 20 };
    d->Redraw();
    // Both families run through the mark at 45 degrees, lines 127 units apart
    // (Round(180 x sin 45)): at 100 below the mark the first family crosses at 400, 527, 654
    // and the second at 473, 600. The lines are dotted, so look around each point.
    const QImage& img = d->FBackBitmap->image();
    auto inked = [&](int x, int y) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (img.pixel(x + dx, y + dy) != 0xFFFFFFFFu)
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(500, 500));
    for (int x : { 400, 527, 654, 473, 600 })
        EXPECT_TRUE(inked(x, 600)) << x;
    for (int x : { 436, 563, 690 })
        EXPECT_FALSE(inked(x, 600)) << x;
}

TEST(View, EveryLegalWindAndLaylineAngleDrawsQuickly)
{
    auto d = plainDiagram();
    CurrentDiagramScope scope(d.get());
    d->FShowGrid = 1;
    d->FShowLaylines = 1;
    d->SetClientSize(200, 200);
    auto* mark = new TBouee({ 50, 50 }, 3, 1);
    auto* lee = new TBouee({ 80, 150 }, 4, 1);
    auto* committee = new TBateauComite({ 150, 50 }, 0, 1);
    d->FRoot = mark;
    mark->AppendSibling(lee);
    lee->AppendSibling(committee);
    const auto start = std::chrono::steady_clock::now();
    for (int wind : { 60, 75, 90, 105, 120, 0, 65535, -30, 10 })
        for (int angle = -5; angle <= 90; angle += wind == 90 ? 1 : 8) {
            d->FWind = wind;
            d->FLaylineAngle = std::int16_t(angle);
            ASSERT_NO_THROW(d->Redraw()) << wind << " " << angle;
        }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60)); // never endless
}

TEST(View, BalloonsAndFlagsTakeTheStepOfTheNearestRacingBoat)
{
    TDiagram d;
    CurrentDiagramScope scope(&d);
    auto* a1 = new TBateauCourse({ 0, 0 }, 0, 1, 0, 0);
    auto* a2 = new TBateauCourse({ 300, 0 }, 0, 1, 0, 0);
    a2->FSituation = 2;
    auto* b1 = new TBateauCourse({ 600, 0 }, 0, 1, 0, 0);
    auto* balloon = new TBulle({ 0, 0 }, 0, 1);
    balloon->FTipX = 290;
    balloon->FTipY = 10;
    auto* flag = new TDrapeau({ 0, 0 }, 0, 1);
    flag->FBounds = { 580, 20, 40, 20 }; // centre (600, 30): boat b1
    auto* far = new TBulle({ 0, 0 }, 0, 1);
    far->FTipX = 50000;
    far->FSituation = 7;
    auto* tie = new TBulle({ 0, 0 }, 0, 1);
    tie->FTipX = 450; // as far from a2 as from b1: the first met in the walk wins
    d.FRoot = a1;
    a1->AddNext(a2);
    a1->AppendSibling(b1);
    a1->AppendSibling(balloon);
    a1->AppendSibling(flag);
    a1->AppendSibling(far);
    a1->AppendSibling(tie);
    d.AttachTextsToBoats();
    EXPECT_EQ(balloon->FSituation, 2);
    EXPECT_EQ(flag->FSituation, 1);
    EXPECT_EQ(far->FSituation, 7);
    EXPECT_EQ(tie->FSituation, 1); // b1 is met before a2 in the walk
}

TEST(View, ObjectsAtTheEdgesOfTheIntegerRangeNeverStopTheView)
{
    auto d = plainDiagram();
    CurrentDiagramScope scope(d.get());
    auto* far = new Block({ 2000000000, -2000000000 }, 0xFF0000FF);
    far->FBounds = { 2147483000, -2147483000, 600, 600 };
    auto* near = new Block({ -2000000000, 2000000000 }, 0xFF00FF00);
    near->FBounds = { -2147483600, 2147483000, 600, 600 };
    d->FRoot = far;
    far->AppendSibling(near);
    EXPECT_NO_THROW(d->SetZoom(0));
    EXPECT_GT(d->FZone.w, 0);
    EXPECT_GT(d->FExtent.w, d->FZone.w);
    for (int i = 0; i < 200; ++i)
        ASSERT_NO_THROW(d->SetZoom(1.1f));
    d->FScrollPosH += 1000;
    EXPECT_NO_THROW(paint(*d));
}
