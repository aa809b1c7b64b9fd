#include "diagram_view/DiagramView.h"
#include "model/Objet.h"
#include "plat/gfx/Path.h"
#include "model/Settings.h"
#include "plat/rt/Errors.h"
#include "plat_ui/ErrorReport.h"

#include <QScreen>
#include <QScrollBar>
#include <cmath>
#include <QTest>

#include <gtest/gtest.h>

using namespace zov;

namespace {

// A diagram's window on the offscreen screen.
struct ShownView {
    ShownView(int width, int height)
    {
        view.resize(width, height);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            ADD_FAILURE() << "the view was not shown";
    }
    DiagramView view;
};

class Block : public TFleche {
public:
    Block(TPoint pos, std::uint32_t color)
        : TFleche(pos, 0, 1)
    {
        FColor = color;
        FBounds = { pos.x - 10, pos.y - 10, 20, 20 };
    }
    void Draw(gfx::Graphics& g) override
    {
        gfx::Path square;
        square.addRectangle(QRectF(FX - 10, FY - 10, 20, 20));
        g.fillPath({ FColor }, square);
    }
};

} // namespace

TEST(DiagramView, PaintsTheDiagramThroughItsBuffer)
{
    ShownView window(420, 320);
    DiagramView& view = window.view;
    TDiagram& d = view.diagram();
    EXPECT_EQ(d.ClientWidth(), view.viewport()->width());
    EXPECT_GT(d.ClientWidth(), 100);

    CurrentDiagramScope scope(&d);
    d.FRoot = new Block({ 100, 100 }, 0xFFFF0000);
    d.FZone = { 0, 0, 200, 200 };
    d.ZoomToFit();
    view.viewport()->repaint();
    ASSERT_NE(view.Buffer(), nullptr);
    const QImage& shown = view.Buffer()->image();
    EXPECT_EQ(shown.size(), view.viewport()->size());
    // The block at the zone's centre lands at the window's centre.
    EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 2), 0xFFFF0000u);
    EXPECT_EQ(shown.pixel(2, 2), 0xFFFFFFFFu);
}

TEST(DiagramView, ScrollBarsShowAndMoveTheView)
{
    ShownView window(400, 300);
    DiagramView& view = window.view;
    TDiagram& d = view.diagram();
    d.NewEmpty();
    QScrollBar* h = view.horizontalScrollBar();
    EXPECT_EQ(h->value(), d.FScrollPosH);
    EXPECT_EQ(h->maximum(), d.FScrollRangeH - d.ClientWidth());
    const int viewX = d.FView.x;
    h->setValue(h->value() + 40); // as the user would by dragging the bar
    view.viewport()->repaint();
    EXPECT_EQ(d.FView.x, viewX + int(40 / d.FZoom + 0.5));
}

TEST(DiagramView, AScrollBarPositionIsRoundedToUnitsBeforeTheOriginIsAdded)
{
    ShownView window(400, 300);
    DiagramView& view = window.view;
    TDiagram& d = view.diagram();
    d.NewEmpty();
    // Two pixels a unit and an odd scroll origin: an odd bar position falls half-way between
    // two units, where rounding after adding the origin lands one unit off.
    d.FZoom = 2.0f;
    d.FExtent = { -501, -501, 2001, 2001 };
    d.NewDisplay();
    QScrollBar* h = view.horizontalScrollBar();
    QScrollBar* v = view.verticalScrollBar();
    h->setValue(5); // as the user drags the bars
    v->setValue(7);
    view.viewport()->repaint();
    EXPECT_EQ(d.FView.x, 2 - 501); // Round(2.5) = 2
    EXPECT_EQ(d.FView.y, 4 - 501); // Round(3.5) = 4
    const auto half = [](int pixels) { return int(std::nearbyint(pixels / 2 / 2.0)); };
    EXPECT_EQ(d.FCentre, (TPoint { half(d.ClientWidth()) - 499, half(d.ClientHeight()) - 497 }));
}

TEST(DiagramView, ResizeKeepsTheVisibleWidth)
{
    ShownView window(800, 400);
    DiagramView& view = window.view;
    TDiagram& d = view.diagram();
    d.NewEmpty();
    const int visible = d.FView.w;
    view.resize(view.width() / 2 + 8, 400);
    QCoreApplication::processEvents();
    EXPECT_NEAR(d.FView.w, visible, 3);
}

namespace {

// An object whose drawing fails, as a damaged one might.
class Broken : public TFleche {
public:
    Broken(TPoint pos, int situation)
        : TFleche(pos, 0, 1)
    {
        FSituation = situation;
    }
    void Draw(gfx::Graphics&) override { throw rt::Error("Broken drawing"); }
};

} // namespace

TEST(DiagramView, AFailingTimerTickStopsTheAnimationAndIsReportedOnce)
{
    int reports = 0;
    SetErrorReporter([&](const std::exception&) { ++reports; });
    ShownView window(300, 200);
    DiagramView& view = window.view;
    TDiagram& d = view.diagram();
    d.NewEmpty();
    {
        CurrentDiagramScope scope(&d);
        d.FRoot->AppendSibling(new Broken({ 500, 300 }, 2)); // drawn when step 2 is reached
    }
    const std::int32_t frames = FramesPerStep;
    FramesPerStep = 1; // one tick per step
    {
        CurrentDiagramScope scope(&d);
        d.SetMode(dmAnimation);
    }
    EXPECT_TRUE(view.AnimationTimerActive());
    QTest::qWait(400);
    EXPECT_FALSE(view.AnimationTimerActive());
    EXPECT_EQ(d.FPaused, 1);
    EXPECT_EQ(reports, 1);
    FramesPerStep = frames;
    SetErrorReporter(nullptr);
}

TEST(DiagramView, AFailingPaintIsReportedOnceNotAtEveryRepaint)
{
    int reports = 0;
    SetErrorReporter([&](const std::exception&) { ++reports; });
    ShownView window(300, 200);
    DiagramView& view = window.view;
    TDiagram& d = view.diagram();
    d.NewEmpty();
    auto* broken = new Broken({ 500, 300 }, 0);
    d.FRoot->AppendSibling(broken);
    d.FHovered = broken; // drawn on top at every paint
    for (int i = 0; i < 5; ++i)
        view.viewport()->repaint();
    EXPECT_EQ(reports, 1);
    d.FHovered = nullptr;
    SetErrorReporter(nullptr);
}

TEST(DiagramView, ARealDragMovesTheObjectOnceUndoably)
{
    ShownView window(600, 400);
    DiagramView& view = window.view;
    TDiagram& d = view.diagram();
    CurrentDiagramScope scope(&d);
    d.FShowGrid = 0;
    auto* block = new Block({ 100, 100 }, 0xFFFF0000);
    d.FRoot = block;
    d.FZone = { 0, 0, 600, 400 };
    d.ZoomToFit();
    const auto toClient = [&](TPoint p) {
        return QPoint(int((p.x - d.FView.x) * d.FZoom), int((p.y - d.FView.y) * d.FZoom));
    };
    QWidget* surface = view.viewport();
    QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, toClient({ 100, 100 }));
    EXPECT_EQ(d.FSelected, block);
    for (int step = 1; step <= 3; ++step) {
        QTest::qWait(120); // moves closer than 100 ms apart are dropped
        QTest::mouseMove(surface, toClient({ 100 + 40 * step, 100 }));
    }
    QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, toClient({ 220, 100 }));
    EXPECT_NEAR(block->FX, 220, 3);
    EXPECT_EQ(d.FUndoStack.size(), 1u);
    EXPECT_EQ(d.FEditState, esFree);
}

// Two quick clicks through the window: Qt hands the second press over as a double click only.
TEST(DiagramView, TwoQuickClicksPlaceABoatAndItsNextStep)
{
    ShownView window(600, 400);
    TDiagram& d = window.view.diagram();
    CurrentDiagramScope scope(&d);
    d.FChoice = gRacingBoat;
    d.FEditState = esInsertNew;
    QTest::mouseDClick(window.view.windowHandle(), Qt::LeftButton, Qt::NoModifier,
        window.view.viewport()->mapTo(&window.view, QPoint(300, 200)));
    ASSERT_NE(d.FRoot, nullptr);
    ASSERT_NE(d.FRoot->FNext, nullptr) << "the second click was lost";
    EXPECT_EQ(d.FRoot->FNext->FSituation, 2);
}

namespace {

// The picture composed from scratch: the static picture and what lies on top, into a new buffer.
QImage composedWhole(TDiagram& d)
{
    gfx::Bitmap buffer(d.ClientWidth(), d.ClientHeight(), gfx::PixelFormat::Rgb32);
    {
        gfx::Graphics g(buffer);
        g.clear(0xFFFFFFFF);
        d.MyPaint(g);
    }
    return buffer.image().convertToFormat(QImage::Format_RGB32);
}

// What the screen shows of the view's client area (the window's backing store).
QImage shownOnScreen(DiagramView& view)
{
    const QPoint at = view.viewport()->mapTo(view.window(), QPoint(0, 0));
    const QSize size = view.viewport()->size();
    return view.screen()->grabWindow(view.window()->winId(), at.x(), at.y(), size.width(), size.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

// Each tick repaints only where the ghosts were and are, and where a new step drew: the window
// must still show, after every tick, exactly the picture composed from scratch.
TEST(DiagramView, AnimationTicksShowTheSamePictureAsAWholePaint)
{
    ShownView window(640, 420);
    DiagramView& view = window.view;
    TDiagram& d = view.diagram();
    CurrentDiagramScope scope(&d);
    d.FRoot = new TBouee({ 400, 50 }, 3, 1);
    for (int b = 0; b < 4; ++b) {
        ++d.FBoatCount;
        auto* boat = new TBateauCourse({ 100 + 150 * b, 600 }, 45, 1, 0, 0);
        d.FRoot->AppendSibling(boat);
        TObjet* last = boat;
        for (int s = 2; s <= 4; ++s) {
            auto* next = new TBateauCourse({ 100 + 150 * b + (s % 2) * 70, 600 - 120 * s }, s % 2 ? 45.0f : -60.0f, 1, 0, 0);
            next->FSituation = s;
            next->FFlags |= flOverlap;
            last->AddNext(next);
            last = next;
        }
    }
    d.Redraw();
    d.SetZoom(0);
    d.SetMode(dmAnimation);
    d.Pause(); // the test is the timer
    ASSERT_EQ(d.FBoatList->Count(), 4);

    const int ticks = 2 * FramesPerStep + 3; // two steps reached on the way
    int partial = 0;
    for (int t = 0; t < ticks; ++t) {
        const bool whole = (QRegion(view.viewport()->rect()) - d.RepaintRegion()).isEmpty();
        partial += !whole;
        d.WMTimer(1);
        const QImage expected = composedWhole(d);
        ASSERT_TRUE(view.Buffer()->image().convertToFormat(QImage::Format_RGB32) == expected)
            << "the window's buffer differs after tick " << t << " (step " << d.FStep << ")";
        const QImage screen = shownOnScreen(view);
        ASSERT_FALSE(screen.isNull()) << "the screen cannot be read";
        ASSERT_TRUE(screen == expected) << "the screen differs after tick " << t << " (step " << d.FStep << ")";
    }
    EXPECT_GT(partial, ticks / 2) << "the ticks should repaint only part of the window";
}
