// How long the view takes for a full diagram at 1920 x 1080: the static picture (aim: under
// 20 ms), one paint with the selected object on top and one animation frame with ten ghosts
// (aim: under 2 ms each, a few percent of the 50 ms animation tick).
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_view

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Graphics.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

using namespace zov;

namespace {

// Twenty racing boats of thirty steps each, a mark and a committee boat.
std::unique_ptr<TDiagram> BigDiagram()
{
    auto d = std::make_unique<TDiagram>();
    CurrentDiagramScope scope(d.get());
    d->SetClientSize(1920, 1080);
    d->FRoot = new TBouee({ 1000, 100 }, 3, 1);
    d->FRoot->AppendSibling(new TBateauComite({ 1500, 1400 }, 0, 1));
    for (int b = 0; b < 20; ++b) {
        ++d->FBoatCount;
        auto* boat = new TBateauCourse({ 100 + 90 * b, 1500 }, 45, 1, 0, 0);
        d->FRoot->AppendSibling(boat);
        TObjet* last = boat;
        for (int s = 2; s <= 30; ++s) {
            auto* next = new TBateauCourse({ 100 + 90 * b + (s % 2) * 60, 1500 - 45 * s }, s % 2 ? 45.0f : -45.0f, 1, 0, 0);
            next->FSituation = s;
            last->AddNext(next);
            last = next;
        }
    }
    d->Redraw();
    d->SetZoom(0);
    return d;
}

void Redraw(benchmark::State& state)
{
    auto d = BigDiagram();
    for (auto _ : state)
        d->Redraw();
}
BENCHMARK(Redraw)->Unit(benchmark::kMillisecond);

void PaintWithSelection(benchmark::State& state)
{
    auto d = BigDiagram();
    d->FSelected = d->FRoot->FSibling->FSibling;
    d->Redraw();
    gfx::Bitmap buffer(1920, 1080, gfx::PixelFormat::Rgb32);
    gfx::Graphics g(buffer);
    for (auto _ : state)
        d->MyPaint(g);
}
BENCHMARK(PaintWithSelection)->Unit(benchmark::kMillisecond);

void AnimationFrame(benchmark::State& state)
{
    auto d = BigDiagram();
    d->SetMode(dmAnimation);
    // Ten ghosts, as in a busy start.
    while (d->FBoatList->Count() > 10) {
        auto list = std::make_unique<TBoatList>();
        for (int i = 0; i < 10; ++i)
            list->Add(TBateau::CreateGhost(*static_cast<TBateau*>(d->FBoatList->Item(i))));
        d->FBoatList = std::move(list);
    }
    gfx::Bitmap buffer(1920, 1080, gfx::PixelFormat::Rgb32);
    gfx::Graphics g(buffer);
    int frame = 0;
    for (auto _ : state) {
        d->FFrameIndex = frame++ % FramesPerStep;
        d->MyPaint(g);
    }
}
BENCHMARK(AnimationFrame)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
