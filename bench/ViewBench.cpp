// How long the diagram takes to draw what the user waits for, headless at 1920 x 1080: the
// static picture after an edit, a paint with the selection on top, long chains of steps, the
// opening of a large file with its first picture, and the eight template previews. The window
// itself (animation ticks, the copy to the screen) is measured by bench_window.
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_view

#include "Beat.h"
#include "Goals.h"

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Graphics.h"
#include "support/MixedScene.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace zov;

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;

// Twenty racing boats of thirty steps each, a mark and a committee boat, fitted to the screen.
std::unique_ptr<TDiagram> BigDiagram()
{
    auto d = std::make_unique<TDiagram>();
    CurrentDiagramScope scope(d.get());
    d->SetClientSize(ScreenWidth, ScreenHeight);
    bench::AddBeat(*d, { 20, 30, 90, 1500, 45, { 1000, 100 }, { 1500, 1400 } });
    return d;
}

// The static picture after an edit: a boat moved back and forth, then the whole picture drawn.
void Redraw20x30(benchmark::State& state)
{
    auto d = BigDiagram();
    CurrentDiagramScope scope(d.get());
    TObjet* moved = d->FRoot->FSibling->FSibling->FNext;
    int dx = 1;
    for (auto _ : state) {
        moved->SetPos({ moved->FX + dx, moved->FY });
        dx = -dx;
        d->Redraw();
    }
    state.SetLabel("goal <= 10 ms");
}
BENCHMARK(Redraw20x30)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void PaintWithSelection(benchmark::State& state)
{
    auto d = BigDiagram();
    d->FSelected = d->FRoot->FSibling->FSibling;
    d->Redraw();
    gfx::Bitmap buffer(ScreenWidth, ScreenHeight, gfx::PixelFormat::Rgb32);
    gfx::Graphics g(buffer);
    for (auto _ : state)
        d->MyPaint(g);
}
BENCHMARK(PaintWithSelection)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// One racing boat whose chain has Steps positions, zigzagging over the same area whatever its
// length, so that every step costs the same to draw.
std::unique_ptr<TDiagram> ChainDiagram(int steps)
{
    auto d = std::make_unique<TDiagram>();
    CurrentDiagramScope scope(d.get());
    d->SetClientSize(ScreenWidth, ScreenHeight);
    d->FShowGrid = 0;
    ++d->FBoatCount;
    auto* head = new TBateauCourse({ 0, 0 }, 90, 1, 0, 0);
    d->FRoot = head;
    TObjet* last = head;
    for (int s = 2; s <= steps; ++s) {
        const int column = s % 40, row = (s / 40) % 20;
        auto* next = new TBateauCourse({ 45 * column, 60 * row + (column % 2) * 20 }, s % 2 ? 80.0f : 100.0f, 1, 0, 0);
        next->FSituation = s;
        last->AddNext(next);
        last = next;
    }
    d->Redraw();
    d->SetZoom(0);
    return d;
}

void RedrawChain(benchmark::State& state)
{
    auto d = ChainDiagram(int(state.range(0)));
    for (auto _ : state)
        d->Redraw();
    state.counters["us_per_step"] = benchmark::Counter(double(state.range(0)) * 1e-6,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetLabel("goal: time per step at 200000 within 1.5x of that at 2000");
}
BENCHMARK(RedrawChain)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(RedrawChain)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);

// The order of the steps alone, as Redraw makes it.
void PaintOrderChain(benchmark::State& state)
{
    auto d = ChainDiagram(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(StepPaintOrder(d->FRoot, d->FStepCount, nullptr));
    state.SetLabel("goal: under a tenth of RedrawChain at the same size");
}
BENCHMARK(PaintOrderChain)->Arg(2000)->Arg(8000)->Arg(200000)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

// A diagram file of 10 000 objects: 100 racing boats of 99 steps each and 100 marks.
std::string LargeFile(const QTemporaryDir& dir)
{
    const std::string name = dir.filePath("large").toStdString();
    if (!zovtest::WriteLargeRace(name, QSize(ScreenWidth, ScreenHeight)))
        throw std::runtime_error("cannot write the large diagram");
    return name;
}

// What the user waits for when opening it: the load, the fit and the first static picture.
void OpenLargeDiagram(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string name = LargeFile(dir);
    int objects = 0;
    for (auto _ : state) {
        auto d = std::make_unique<TDiagram>();
        d->SetClientSize(ScreenWidth, ScreenHeight);
        if (!d->LoadFromFile(name, false))
            state.SkipWithError("the large diagram did not load");
        // Closing the diagram is not part of opening it.
        state.PauseTiming();
        objects = 0;
        for (TObjet* o = d->FRoot; o; o = o->NextInWalk())
            ++objects;
        d.reset();
        state.ResumeTiming();
    }
    state.counters["objects"] = objects;
    state.SetLabel("goal <= 60 ms");
}
BENCHMARK(OpenLargeDiagram)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The eight template previews of the welcome page, each drawn in a new diagram of its size.
void TemplatePreviews(benchmark::State& state)
{
    void (TDiagram::*const fills[])() = { &TDiagram::NewStart, &TDiagram::NewFinish1, &TDiagram::NewFinish2,
        &TDiagram::NewWindward, &TDiagram::NewLeeward, &TDiagram::NewGate, &TDiagram::NewFull, &TDiagram::NewEmpty };
    for (auto _ : state)
        for (auto fill : fills) {
            TDiagram preview;
            preview.SetClientSize(238, 162);
            (preview.*fill)();
            benchmark::DoNotOptimize(preview.CopyToBitmap(238, 162));
        }
}
BENCHMARK(TemplatePreviews)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    using bench::Get;
    const auto perStep = [](const bench::Figures& f, int steps) -> std::optional<double> {
        const auto t = Get(f, "RedrawChain/" + std::to_string(steps) + (steps == 200000 ? "/iterations:1" : ""));
        return t ? std::optional(*t / steps) : std::nullopt;
    };
    std::vector<bench::Goal> goals {
        { "Redraw, 20 boats x 30 steps at 1920x1080, edit mode, grid", [](auto& f) { return Get(f, "Redraw20x30"); }, "ms", 10, true },
        { "Open 10 000 objects, fit and first picture at 1920x1080", [](auto& f) { return Get(f, "OpenLargeDiagram"); }, "ms", 60, true },
        { "Redraw per step: 200000 steps against 2000 (ratio)",
            [&](auto& f) -> std::optional<double> {
                const auto a = perStep(f, 2000), b = perStep(f, 200000);
                return a && b ? std::optional(*b / *a) : std::nullopt;
            },
            "x", 1.5, true },
    };
    for (int steps : { 2000, 8000, 200000 })
        goals.push_back({ "Paint order against Redraw, chain of " + std::to_string(steps) + " steps (share)",
            [steps](auto& f) -> std::optional<double> {
                const auto order = Get(f, "PaintOrderChain/" + std::to_string(steps));
                const auto redraw = Get(f, "RedrawChain/" + std::to_string(steps) + (steps == 200000 ? "/iterations:1" : ""));
                return order && redraw ? std::optional(*order / *redraw) : std::nullopt;
            },
            "", 0.1, true });
    return bench::RunWithGoals(argc, argv, goals);
}
