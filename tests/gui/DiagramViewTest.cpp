#include "diagram_view/DiagramView.h"
#include "model/Objet.h"

#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace zov;

namespace {

class Block : public TFleche {
public:
    Block(TPoint pos, std::uint32_t color)
        : TFleche(pos, 0, 1)
    {
        FColor = color;
        FBounds = { pos.x - 10, pos.y - 10, 20, 20 };
    }
    void Draw(gfx::Graphics& g) override { g.fillRectangle({ FColor }, QRectF(FX - 10, FY - 10, 20, 20)); }
};

} // namespace

TEST(DiagramView, PaintsTheDiagramThroughItsBuffer)
{
    DiagramView view;
    view.resize(420, 320);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
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
    DiagramView view;
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
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

TEST(DiagramView, ResizeKeepsTheVisibleWidth)
{
    DiagramView view;
    view.resize(800, 400);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    TDiagram& d = view.diagram();
    d.NewEmpty();
    const int visible = d.FView.w;
    view.resize(view.width() / 2 + 8, 400);
    QCoreApplication::processEvents();
    EXPECT_NEAR(d.FView.w, visible, 3);
}
