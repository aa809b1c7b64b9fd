// Writing files: the animated GIF of 10 boats x 8 steps at 1024 x 768 against ImageMagick
// assembling the same frames into a GIF, and the save of a diagram of 100 000 objects.
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_files
//
// ImageMagick is Debian's package (apt-get install imagemagick); without it the comparison says
// so and our own figures are still printed.

#include "Beat.h"
#include "Goals.h"

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Graphics.h"
#include "plat/io/BinaryStream.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace zov;

namespace {

// Ten racing boats of eight steps, a mark and a committee boat, fitted into 1024 x 768.
std::unique_ptr<TDiagram> GifDiagram()
{
    auto d = std::make_unique<TDiagram>();
    CurrentDiagramScope scope(d.get());
    d->SetClientSize(1024, 768);
    bench::AddBeat(*d, { 10, 8, 100, 900, 100, { 600, 100 }, { 900, 900 } });
    return d;
}

void AnimatedGif(benchmark::State& state)
{
    QTemporaryDir dir;
    auto d = GifDiagram();
    d->FFileName = dir.filePath("race").toStdString();
    CurrentDiagramScope scope(d.get());
    for (auto _ : state)
        d->ExportAnimatedGif();
    state.counters["bytes"] = double(QFileInfo(dir.filePath("race.gif")).size());
    state.SetLabel("goal: >= 25x faster than ImageMagick on the same frames");
}
BENCHMARK(AnimatedGif)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The frames the export writes, composed the same way, as PNG files for ImageMagick.
int WriteFrames(TDiagram& d, const QString& folder)
{
    CurrentDiagramScope scope(&d);
    const std::int32_t keep = FramesPerStep;
    FramesPerStep = 20;
    d.FDisplayMode = dmAnimation;
    for (TObjet* o = d.FRoot; o; o = o->FSibling)
        if (auto* boat = dynamic_cast<TBateau*>(o))
            boat->FGhost = boat->FNext ? 0 : 1;
    d.AttachTextsToBoats();
    d.BuildAnimationList(1);
    d.FFrameIndex = 0;
    d.Redraw();
    const std::int32_t steps = d.FStepCount;
    d.FPlayUntil = steps;
    gfx::Bitmap frame(d.ClientWidth(), d.ClientHeight(), gfx::PixelFormat::Argb32);
    int n = 0;
    while (d.FStep < steps) {
        d.Step(false);
        {
            gfx::Graphics g(frame);
            g.clear(0xFFFFFFFF);
            g.drawImage(*d.FBackBitmap, QRectF(0, 0, frame.width(), frame.height()));
            d.SetTransform(g);
            for (int i = 0; i < d.FBoatList->Count(); ++i) {
                auto* ghost = static_cast<TBateau*>(d.FBoatList->Item(i));
                ghost->AnimateFrame(d.FFrameIndex);
                ghost->Draw(g);
            }
        }
        frame.image().save(QStringLiteral("%1/frame%2.png").arg(folder).arg(n++, 4, 10, QLatin1Char('0')));
    }
    d.FDisplayMode = dmEdit;
    d.FStep = 0;
    FramesPerStep = keep;
    return n;
}

// ImageMagick's convert from the system's package, not a stand-in found earlier on the path.
QString ImageMagick()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("convert"), { QStringLiteral("/usr/bin") });
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QStringLiteral("magick"));
    return found;
}

void ImageMagickGif(benchmark::State& state)
{
    const QString convert = ImageMagick();
    if (convert.isEmpty()) {
        std::printf("ImageMagick is not installed (apt-get install imagemagick): no comparison.\n");
        state.SkipWithError("ImageMagick is not installed");
        for (auto _ : state) { }
        return;
    }
    QTemporaryDir dir;
    auto d = GifDiagram();
    const int frames = WriteFrames(*d, dir.path());
    QStringList args { QStringLiteral("-delay"), QStringLiteral("10"), QStringLiteral("-loop"), QStringLiteral("0") };
    for (int i = 0; i < frames; ++i)
        args << dir.filePath(QStringLiteral("frame%1.png").arg(i, 4, 10, QLatin1Char('0')));
    args << dir.filePath(QStringLiteral("magick.gif"));
    for (auto _ : state) {
        QProcess p;
        p.start(convert, args);
        if (!p.waitForFinished(600000) || p.exitCode() != 0)
            state.SkipWithError("ImageMagick failed");
    }
    state.counters["frames"] = frames;
    state.SetLabel(convert.toStdString());
}
// ImageMagick takes about a minute: once is enough beside our own figure.
BENCHMARK(ImageMagickGif)->Unit(benchmark::kMillisecond)->Iterations(1);

// 100 000 objects: 1000 racing boats of 100 steps each, written to memory as the save does.
void Save100000(benchmark::State& state)
{
    TDiagram d;
    CurrentDiagramScope scope(&d);
    for (int b = 0; b < 1000; ++b) {
        ++d.FBoatCount;
        auto* boat = new TBateauCourse({ 30 * b, 4000 }, 0, 1, 0, 0);
        if (d.FRoot)
            d.FRoot->AppendSibling(boat);
        else
            d.FRoot = boat;
        TObjet* last = boat;
        for (int s = 2; s <= 100; ++s) {
            auto* next = new TBateauCourse({ 30 * b, 4000 - 40 * s }, 0, 1, 0, 0);
            next->FSituation = s;
            last->AddNext(next);
            last = next;
        }
    }
    for (auto _ : state) {
        io::BinaryWriter w;
        d.SaveToStream(w);
        benchmark::DoNotOptimize(w.data().size());
    }
}
BENCHMARK(Save100000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    using bench::Get;
    return bench::RunWithGoals(argc, argv,
        {
            { "Animated GIF, 10 boats x 8 steps at 1024x768: ImageMagick / ours",
                [](auto& f) -> std::optional<double> {
                    const auto ours = Get(f, "AnimatedGif");
                    const auto magick = Get(f, "ImageMagickGif/iterations:1");
                    return ours && magick ? std::optional(*magick / *ours) : std::nullopt;
                },
                "x", 25, false },
        });
}
