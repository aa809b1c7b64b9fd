// The pictures drawn in bands on the threads of the pool are the pictures drawn one call after
// another, pixel for pixel: the static picture at every zoom and size, after edits, in animation
// mode with its steps and ticks, the opening of a large diagram, and the exported pictures.

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Graphics.h"
#include "support/MixedScene.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace zov;
using zovtest::ComposedPicture;
using zovtest::FittedMixedDiagram;

namespace {

constexpr DrawingOptions Plain { gfx::Drawing::Plain };

// Runs ACTION on TESTED, then on REFERENCE, each the current diagram meanwhile.
void SideBySide(TDiagram& tested, TDiagram& reference, const std::function<void(TDiagram&)>& action)
{
    {
        CurrentDiagramScope scope(&tested);
        action(tested);
    }
    CurrentDiagramScope scope(&reference);
    action(reference);
}

// Where two pictures differ, for the failure message: how many pixels, and the first one.
std::string difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return "the pictures differ in size or format";
    int count = 0;
    QPoint first;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && count++ == 0)
                first = QPoint(x, y);
    return std::to_string(count) + " pixels differ, the first at (" + std::to_string(first.x()) + ", "
        + std::to_string(first.y()) + ")";
}

#define EXPECT_SAME_PICTURE(banded, plain, what) \
    EXPECT_TRUE((banded) == (plain)) << (what) << ": " << difference(banded, plain)

// Two diagrams alike, one drawing in bands and one plainly, both from scratch (no kept sea).
struct Twins {
    Twins(int width, int height, unsigned seed)
        : banded(FittedMixedDiagram(width, height, seed, 6, { gfx::Drawing::InBands, false }))
        , plain(FittedMixedDiagram(width, height, seed, 6, { gfx::Drawing::Plain, false }))
    {
    }
    void both(const std::function<void(TDiagram&)>& action) { SideBySide(*banded, *plain, action); }
    // Both static pictures drawn anew, and the same.
    void expectStaticPictureSame(const std::string& what)
    {
        both([](TDiagram& d) { d.Redraw(); });
        EXPECT_SAME_PICTURE(banded->FBackBitmap->image(), plain->FBackBitmap->image(), what);
    }
    std::unique_ptr<TDiagram> banded, plain;
};

} // namespace

TEST(BandedDrawing, StaticPictureIsThePlainOneAtEveryZoomAndSize)
{
    for (const QSize size : { QSize(1920, 1080), QSize(1000, 700), QSize(333, 1077) })
        for (unsigned seed : { 1u, 2u }) {
            Twins d(size.width(), size.height(), seed);
            const std::string where = std::to_string(size.width()) + "x" + std::to_string(size.height()) + " seed "
                + std::to_string(seed) + " zoom ";
            d.expectStaticPictureSame(where + "fitted");
            for (const float zoom : { 0.33f, 1.0f, 1.37f, 2.5f }) {
                d.both([zoom](TDiagram& x) {
                    x.FZoom = zoom;
                    x.NewDisplay();
                });
                d.expectStaticPictureSame(where + std::to_string(zoom));
            }
            // Scrolled by an odd amount: the picture starts between world units.
            d.both([](TDiagram& x) {
                x.FScrollPosH += 37;
                x.FScrollPosV -= 23;
                ComposedPicture(x); // the paint takes the scroll position over
            });
            d.expectStaticPictureSame(where + "scrolled");
        }
}

TEST(BandedDrawing, EditsSelectionAndModesDrawThePlainPicture)
{
    Twins d(1280, 900, 3);
    const auto boat = [](TDiagram& x) { return x.FRoot->FSibling->FSibling->FSibling->FNext; };
    d.both([&](TDiagram& x) { boat(x)->SetPos({ boat(x)->FX + 31, boat(x)->FY - 17 }); });
    d.expectStaticPictureSame("a boat moved");
    d.both([&](TDiagram& x) { boat(x)->SetHeading(boat(x)->FHeading + 33); });
    d.expectStaticPictureSame("a boat turned");
    d.both([&](TDiagram& x) { x.FSelected = boat(x); });
    d.expectStaticPictureSame("a boat selected");
    QImage windows[2];
    d.both([&](TDiagram& x) { windows[&x == d.plain.get()] = ComposedPicture(x); });
    EXPECT_SAME_PICTURE(windows[0], windows[1], "the window with the selection on top");
    d.both([&](TDiagram& x) {
        x.FSelected = nullptr;
        x.FHovered = boat(x)->FNext;
    });
    d.expectStaticPictureSame("a boat hovered");
    d.both([](TDiagram& x) {
        x.FHovered = nullptr;
        x.FHideNumbers = 1;
        x.FWind = 40;
        x.FLaylineAngle = 38;
    });
    d.expectStaticPictureSame("numbers hidden, wind and laylines changed");
    d.both([](TDiagram& x) { x.FShowGrid = 0; });
    d.expectStaticPictureSame("no grid");
}

// Two diagrams alike, one drawn in bands and one plainly, play the animation side by side: the
// static picture with each step added, and the window's picture with the ghosts, at every tick.
TEST(BandedDrawing, AnimationStepsAndTicksDrawThePlainPictures)
{
    auto banded = FittedMixedDiagram(1200, 800, 4);
    auto plain = FittedMixedDiagram(1200, 800, 4, 6, Plain);
    const auto bothDo = [&](const std::function<void(TDiagram&)>& action) { SideBySide(*banded, *plain, action); };
    bothDo([](TDiagram& d) {
        d.SetMode(dmAnimation);
        d.Pause(); // the test is the timer
    });
    ASSERT_GT(banded->FBoatList->Count(), 5);
    EXPECT_SAME_PICTURE(banded->FBackBitmap->image(), plain->FBackBitmap->image(), "animation mode, step 1");
    int steps = 0;
    for (int tick = 0; tick < 3 * FramesPerStep + 2; ++tick) {
        const std::int32_t before = banded->FStep;
        bothDo([](TDiagram& d) { d.WMTimer(1); });
        steps += banded->FStep != before;
        const std::string when = "tick " + std::to_string(tick) + ", step " + std::to_string(banded->FStep);
        EXPECT_SAME_PICTURE(banded->FBackBitmap->image(), plain->FBackBitmap->image(), "static picture, " + when);
        QImage bandedWindow, plainWindow;
        bothDo([&](TDiagram& d) { (&d == banded.get() ? bandedWindow : plainWindow) = ComposedPicture(d); });
        EXPECT_SAME_PICTURE(bandedWindow, plainWindow, "window, " + when);
    }
    EXPECT_EQ(steps, 3);
}

// While the animation waits for its next tick it draws the next step ahead, in bands, into a copy
// of the part of the static picture the step covers; the tick that reaches the step puts that
// part in place. The static picture must be the one that drawing the step at its tick, plainly,
// gives: step after step, and when the picture is redrawn (here zoomed) after the step was drawn
// ahead for it as it was.
TEST(BandedDrawing, StepsDrawnAheadAreTheStepsDrawnAtTheirTick)
{
    auto ahead = FittedMixedDiagram(1200, 800, 6);
    auto atTick = FittedMixedDiagram(1200, 800, 6, 6, { gfx::Drawing::Plain, true, false });
    const auto bothDo = [&](const std::function<void(TDiagram&)>& action) { SideBySide(*ahead, *atTick, action); };
    bothDo([](TDiagram& d) {
        d.SetMode(dmAnimation);
        d.Pause(); // the test is the timer
    });
    ASSERT_GE(ahead->FStepCount, 4);
    int placed = 0;
    for (int tick = 0; tick < 3 * FramesPerStep; ++tick) {
        if (tick == FramesPerStep + 5)
            bothDo([](TDiagram& d) {
                d.FZoom = 1.37f;
                d.NewDisplay();
            });
        const std::int32_t drawnAhead = ahead->StepDrawnAhead();
        bothDo([](TDiagram& d) { d.WMTimer(1); });
        const std::string when = "tick " + std::to_string(tick) + ", step " + std::to_string(ahead->FStep);
        if (ahead->FFrameIndex == 0) {
            placed += drawnAhead == ahead->FStep;
            EXPECT_SAME_PICTURE(ahead->FBackBitmap->image(), atTick->FBackBitmap->image(), "static picture, " + when);
        } else
            EXPECT_EQ(ahead->StepDrawnAhead(), ahead->FStep + 1) << when;
        EXPECT_EQ(atTick->StepDrawnAhead(), 0) << when;
    }
    EXPECT_EQ(placed, 3);
}

// The bench's large diagram: 100 marks, 100 racing boats of 99 steps each, opened with its
// first picture, fitted to a full-HD client area.
TEST(BandedDrawing, OpeningALargeDiagramDrawsThePlainPicture)
{
    QTemporaryDir dir;
    const std::string name = dir.filePath("large").toStdString();
    ASSERT_TRUE(zovtest::WriteLargeRace(name));
    const auto open = [&](DrawingOptions options) {
        TDiagram d(nullptr, options);
        d.SetClientSize(1920, 1080);
        EXPECT_TRUE(d.LoadFromFile(name, false));
        return d.FBackBitmap->image().copy();
    };
    const QImage banded = open({});
    const QImage plain = open(Plain);
    EXPECT_SAME_PICTURE(banded, plain, "the first picture of 10 000 objects");
}

// Exports, clipboard pictures and previews draw through the same static picture.
TEST(BandedDrawing, ExportsAndRendersAreThePlainOnes)
{
    QTemporaryDir dir;
    const auto exportAll = [&](const QString& folder, DrawingOptions options) {
        auto d = FittedMixedDiagram(640, 420, 5, 3, options);
        CurrentDiagramScope scope(d.get());
        QDir().mkpath(dir.filePath(folder));
        d->FFileName = dir.filePath(folder + "/race").toStdString();
        std::vector<QImage> pictures;
        pictures.push_back(d->RenderToBitmap(238, 162)->image().copy());
        pictures.push_back(d->CopyToBitmap(800, 600)->image().copy());
        d->ExportAnimatedGif();
        QFile gif(dir.filePath(folder + "/race.gif"));
        EXPECT_TRUE(gif.open(QIODevice::ReadOnly));
        return std::make_pair(pictures, gif.readAll());
    };
    const auto banded = exportAll("banded", {});
    const auto plain = exportAll("plain", Plain);
    EXPECT_SAME_PICTURE(banded.first[0], plain.first[0], "a preview");
    EXPECT_SAME_PICTURE(banded.first[1], plain.first[1], "a clipboard picture");
    EXPECT_FALSE(banded.second.isEmpty());
    EXPECT_TRUE(banded.second == plain.second) << "the animated GIF differs";
}
