#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "plat/gfx/Graphics.h"
#include "plat/rt/Errors.h"
#include "support/FakeHost.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

using namespace zov;
using zovtest::EditFixture;

namespace {

// The start template with a racing boat sailing three steps and every object's bounds known.
void buildRace(TDiagram& d)
{
    d.NewStart();
    CurrentDiagramScope scope(&d);
    TObjet* boat = nullptr;
    for (TObjet* o = d.FRoot; o; o = o->FSibling)
        if (o->FGenre == gRacingBoat) {
            boat = o;
            break;
        }
    ASSERT_NE(boat, nullptr);
    TObjet* last = boat;
    const TPoint steps[] = { { boat->FX + 150, boat->FY - 200 }, { boat->FX + 400, boat->FY - 350 } };
    for (TPoint p : steps) {
        auto* next = new TBateauCourse(p, 30, 1.0f, 0, 0);
        next->FSituation = last->FSituation + 1;
        last->InsertStep(next, true);
        last = next;
    }
    d.Redraw(); // the bounds come from drawing
    d.SetZoom(0);
}

bool isWhite(QRgb p) { return (p & 0xFFFFFF) == 0xFFFFFF; }

// An object that notes the view it is drawn with.
class ViewProbe : public TFleche {
public:
    ViewProbe(TDiagram& d, TPoint pos)
        : TFleche(pos, 0, 1)
        , diagram(d)
    {
        FBounds = { pos.x - 5, pos.y - 5, 10, 10 };
    }
    void Draw(gfx::Graphics&) override
    {
        zoom = diagram.FZoom;
        view = diagram.FView;
    }
    TDiagram& diagram;
    float zoom = 0;
    TRect4 view {};
};

} // namespace

TEST(Render, SamePictureWhateverTheWindowShowsAndEveryObjectInside)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    d.FShowGrid = 0;
    d.FShowLaylines = 0;
    buildRace(d);
    const QImage first = d.RenderToBitmap(400, 300)->image().copy();
    ASSERT_EQ(first.size(), QSize(400, 300));

    // Scrolled far away and zoomed in, the window shows nothing of the diagram.
    d.FCentre = { 5000, -3000 };
    d.NewDisplay();
    d.SetZoom(3.0f);
    const float zoom = d.FZoom;
    const TRect4 view = d.FView;
    const QImage second = d.RenderToBitmap(400, 300)->image().copy();
    EXPECT_EQ(first, second);
    EXPECT_EQ(d.FZoom, zoom);
    EXPECT_EQ(d.FView, view);

    // Every object's bounds map inside the picture, and something is drawn there.
    const float z = std::min(400.0f / float(d.FZone.w), 300.0f / float(d.FZone.h));
    const double vx = d.FZone.x + d.FZone.w / 2 - std::nearbyint(200 / double(z));
    const double vy = d.FZone.y + d.FZone.h / 2 - std::nearbyint(150 / double(z));
    int objects = 0;
    for (TObjet* o = d.FRoot; o; o = o->NextInWalk()) {
        SCOPED_TRACE(o->KindName());
        const QRectF r((o->FBounds.x - vx) * z, (o->FBounds.y - vy) * z, o->FBounds.w * z, o->FBounds.h * z);
        EXPECT_TRUE(QRectF(0, 0, 400, 300).contains(r));
        bool inked = false;
        for (int y = int(r.top()); y < int(r.bottom()) && !inked; ++y)
            for (int x = int(r.left()); x < int(r.right()) && !inked; ++x)
                inked = !isWhite(first.pixel(x, y));
        EXPECT_TRUE(inked);
        ++objects;
    }
    EXPECT_GE(objects, 6);
    // Nothing is cut at the edges.
    for (int x = 0; x < 400; ++x) {
        EXPECT_TRUE(isWhite(first.pixel(x, 0)));
        EXPECT_TRUE(isWhite(first.pixel(x, 299)));
    }
    for (int y = 0; y < 300; ++y) {
        EXPECT_TRUE(isWhite(first.pixel(0, y)));
        EXPECT_TRUE(isWhite(first.pixel(399, y)));
    }
}

TEST(Render, FitsTheZoneAndGivesBackTheView)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    auto* probe = new ViewProbe(d, { 500, 300 });
    d.FRoot = probe;
    d.FZone = { 0, 0, 1000, 600 };
    d.FCentre = { 123, 456 };
    d.SetZoom(1.7f);
    const float zoom = d.FZoom;
    const TRect4 view = d.FView;

    auto picture = d.RenderToBitmap(500, 500);
    EXPECT_EQ(probe->zoom, 0.5f);
    EXPECT_EQ(probe->view, (TRect4 { 0, -200, 1000, 1000 }));
    EXPECT_EQ(picture->image().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(d.FZoom, zoom);
    EXPECT_EQ(d.FView, view);

    // 0 stands for the client size.
    d.SetClientSize(640, 480);
    picture = d.RenderToBitmap(0, 0);
    EXPECT_EQ(picture->image().size(), QSize(640, 480));

    // Sizes no picture can have are refused before anything changes.
    const TRect4 before = d.FView;
    EXPECT_THROW(d.RenderToBitmap(-3, 10), rt::GraphicsError);
    EXPECT_THROW(d.RenderToBitmap(100000, 100000), rt::GraphicsError);
    EXPECT_EQ(d.FView, before);

    // The opaque copy is the same picture without alpha.
    const QImage rendered = d.RenderToBitmap(200, 120)->image().convertToFormat(QImage::Format_RGB32);
    const auto copy = d.CopyToBitmap(200, 120);
    EXPECT_EQ(copy->image().format(), QImage::Format_RGB32);
    EXPECT_EQ(copy->image(), rendered);
}

TEST(Render, EndsAnAnimationAndClearsTheSelection)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    buildRace(d);
    int modeChanges = 0;
    d.OnMode = [&] { ++modeChanges; };
    d.SetMode(dmAnimation);
    ASSERT_EQ(d.FDisplayMode, dmAnimation);
    ASSERT_NE(f.host.timerMs, 0);
    d.RenderToBitmap(100, 100);
    EXPECT_EQ(d.FDisplayMode, dmEdit);
    EXPECT_EQ(f.host.timerMs, 0);
    EXPECT_EQ(modeChanges, 2);

    d.SetSelected(d.FRoot);
    d.FHovered = d.FRoot->FSibling;
    d.RenderToBitmap(100, 100);
    EXPECT_EQ(d.FSelected, nullptr);
    EXPECT_EQ(d.FHovered, nullptr);
}

TEST(Render, ASnapshotLeavesTheSelectionAndTheAnimationAndShowsEveryObject)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    buildRace(d);
    const QImage plain = d.SnapshotToBitmap(238, 162)->image();
    TObjet* boat = d.FRoot->FSibling->FSibling;
    d.SetMode(dmAnimation);
    d.SetSelected(boat);
    ASSERT_TRUE(f.shell.setupVisible);
    d.FHovered = d.FRoot;
    const QImage selected = d.SnapshotToBitmap(238, 162)->image();
    EXPECT_EQ(selected, plain); // the selected and hovered objects drawn as any other, every step
    EXPECT_EQ(d.FSelected, boat);
    EXPECT_EQ(d.FHovered, d.FRoot);
    EXPECT_EQ(d.FDisplayMode, dmAnimation);
    EXPECT_NE(f.host.timerMs, 0);
    EXPECT_TRUE(f.shell.setupVisible); // the setup dialog stays on the selected boat
    d.SetMode(dmEdit);
}

TEST(Render, LaylinesReachTheBottomOfAPictureTallerThanTheWindow)
{
    EditFixture f;
    TDiagram& d = f.diagram;
    d.NewWindward();
    d.FShowGrid = 0;
    d.FShowLaylines = 1;
    d.FLaylineAngle = 5; // steep laylines stay inside a narrow picture
    d.SetClientSize(1000, 150); // a wide, low window
    const QImage picture = d.RenderToBitmap(300, 1200)->image().copy();
    // The laylines run down from the windward mark to the picture's lower edge.
    bool inkedNearBottom = false;
    for (int y = 1170; y < 1200 && !inkedNearBottom; ++y)
        for (int x = 0; x < 300 && !inkedNearBottom; ++x)
            inkedNearBottom = !isWhite(picture.pixel(x, y));
    EXPECT_TRUE(inkedNearBottom);
}
