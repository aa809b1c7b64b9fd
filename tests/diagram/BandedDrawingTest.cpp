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

// Runs DRAW with the bands off, then on, however it ends.
struct BandsOff {
    BandsOff() { gfx::Graphics::BandsEnabled = false; }
    ~BandsOff() { gfx::Graphics::BandsEnabled = true; }
};

// Runs ACTION on TESTED, then on REFERENCE drawn plainly, each the current diagram meanwhile.
void SideBySide(TDiagram& tested, TDiagram& reference, const std::function<void(TDiagram&)>& action)
{
    {
        CurrentDiagramScope scope(&tested);
        action(tested);
    }
    const BandsOff off;
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

// The static picture drawn plainly and in bands, both from scratch (no kept sea).
void expectStaticPictureSame(TDiagram& d, const std::string& what)
{
    TDiagram::UseKeptPictures = false;
    QImage plain;
    {
        const BandsOff off;
        d.Redraw();
        plain = d.FBackBitmap->image().copy();
    }
    d.Redraw();
    TDiagram::UseKeptPictures = true;
    EXPECT_SAME_PICTURE(d.FBackBitmap->image(), plain, what);
}

} // namespace

TEST(BandedDrawing, StaticPictureIsThePlainOneAtEveryZoomAndSize)
{
    for (const QSize size : { QSize(1920, 1080), QSize(1000, 700), QSize(333, 1077) })
        for (unsigned seed : { 1u, 2u }) {
            auto d = FittedMixedDiagram(size.width(), size.height(), seed);
            CurrentDiagramScope scope(d.get());
            const std::string where = std::to_string(size.width()) + "x" + std::to_string(size.height()) + " seed "
                + std::to_string(seed) + " zoom ";
            expectStaticPictureSame(*d, where + "fitted");
            for (const float zoom : { 0.33f, 1.0f, 1.37f, 2.5f }) {
                d->FZoom = zoom;
                d->NewDisplay();
                expectStaticPictureSame(*d, where + std::to_string(zoom));
            }
            // Scrolled by an odd amount: the picture starts between world units.
            d->FScrollPosH += 37;
            d->FScrollPosV -= 23;
            ComposedPicture(*d); // the paint takes the scroll position over
            expectStaticPictureSame(*d, where + "scrolled");
        }
}

TEST(BandedDrawing, EditsSelectionAndModesDrawThePlainPicture)
{
    auto d = FittedMixedDiagram(1280, 900, 3);
    CurrentDiagramScope scope(d.get());
    TObjet* boat = d->FRoot->FSibling->FSibling->FSibling->FNext;
    boat->SetPos({ boat->FX + 31, boat->FY - 17 });
    expectStaticPictureSame(*d, "a boat moved");
    boat->SetHeading(boat->FHeading + 33);
    expectStaticPictureSame(*d, "a boat turned");
    d->FSelected = boat;
    expectStaticPictureSame(*d, "a boat selected");
    EXPECT_SAME_PICTURE(ComposedPicture(*d), [&] {
        const BandsOff off;
        return ComposedPicture(*d);
    }(), "the window with the selection on top");
    d->FSelected = nullptr;
    d->FHovered = boat->FNext;
    expectStaticPictureSame(*d, "a boat hovered");
    d->FHovered = nullptr;
    d->FHideNumbers = 1;
    d->FWind = 40;
    d->FLaylineAngle = 38;
    expectStaticPictureSame(*d, "numbers hidden, wind and laylines changed");
    d->FShowGrid = 0;
    expectStaticPictureSame(*d, "no grid");
}

// Two diagrams alike, one drawn in bands and one plainly, play the animation side by side: the
// static picture with each step added, and the window's picture with the ghosts, at every tick.
TEST(BandedDrawing, AnimationStepsAndTicksDrawThePlainPictures)
{
    auto banded = FittedMixedDiagram(1200, 800, 4);
    auto plain = FittedMixedDiagram(1200, 800, 4);
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

// The bench's large diagram: 100 marks, 100 racing boats of 99 steps each, opened with its
// first picture, fitted to a full-HD client area.
TEST(BandedDrawing, OpeningALargeDiagramDrawsThePlainPicture)
{
    QTemporaryDir dir;
    const std::string name = dir.filePath("large").toStdString();
    ASSERT_TRUE(zovtest::WriteLargeRace(name));
    const auto open = [&] {
        TDiagram d;
        d.SetClientSize(1920, 1080);
        EXPECT_TRUE(d.LoadFromFile(name, false));
        return d.FBackBitmap->image().copy();
    };
    const QImage banded = open();
    QImage plain;
    {
        const BandsOff off;
        plain = open();
    }
    EXPECT_SAME_PICTURE(banded, plain, "the first picture of 10 000 objects");
}

// Exports, clipboard pictures and previews draw through the same static picture.
TEST(BandedDrawing, ExportsAndRendersAreThePlainOnes)
{
    QTemporaryDir dir;
    const auto exportAll = [&](const QString& folder) {
        auto d = FittedMixedDiagram(640, 420, 5, 3);
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
    const auto banded = exportAll("banded");
    std::pair<std::vector<QImage>, QByteArray> plain;
    {
        const BandsOff off;
        plain = exportAll("plain");
    }
    EXPECT_SAME_PICTURE(banded.first[0], plain.first[0], "a preview");
    EXPECT_SAME_PICTURE(banded.first[1], plain.first[1], "a clipboard picture");
    EXPECT_FALSE(banded.second.isEmpty());
    EXPECT_TRUE(banded.second == plain.second) << "the animated GIF differs";
}
