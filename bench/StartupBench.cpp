// Start-up as the user waits for it: the whole process of the editor, from its start to the
// first complete paint of its window with the welcome page and its eight previews, against a
// bare Qt Widgets program that shows one window (bench_bare_qt), both started the same way in
// the same run.
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_startup
//
// The editor ends by itself once painted when ZOVARAN_EXIT_WHEN_PAINTED is set; it starts with
// no recent files and its own settings folder. The two programs are started in turns, one
// process of each after the other, so that a busy moment of a shared machine weighs on both
// alike; each figure is the median of its program's starts.

#include "Goals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int Starts = 15; // of each program

struct Program {
    QString path;
    std::vector<double> seconds; // one per start; negative for a start that did not end well
    std::size_t replayed = 0;
};

Program bareQt { QStringLiteral(BARE_QT_BINARY), {}, 0 };
Program editor { QStringLiteral(ZOVARAN_BINARY), {}, 0 };

// Seconds from the start of Program to the end of its process; negative when it did not end well.
double TimedStart(const QProcessEnvironment& env, const QString& folder, const QString& program)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder);
    QElapsedTimer timer;
    timer.start();
    p.start(program, {});
    const bool ended = p.waitForFinished(60000);
    const double seconds = timer.nsecsElapsed() / 1e9;
    return ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? seconds : -1.0;
}

// Starts both programs in turns, once for all the benchmarks.
void MeasureOnce()
{
    static bool measured = false;
    if (measured)
        return;
    measured = true;
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("ZOVARAN_INSTANCE", "zovaran-bench-" + QString::number(QCoreApplication::applicationPid()));
    env.insert("ZOVARAN_EXIT_WHEN_PAINTED", "1");
    // The first starts declare the file type and fill the disk cache; the starts measured find
    // both done.
    TimedStart(env, dir.path(), bareQt.path);
    TimedStart(env, dir.path(), editor.path);
    for (int i = 0; i < Starts; ++i) {
        bareQt.seconds.push_back(TimedStart(env, dir.path(), bareQt.path));
        editor.seconds.push_back(TimedStart(env, dir.path(), editor.path));
    }
}

// One repetition gives one of the starts measured, in order.
void Replay(benchmark::State& state, Program& program)
{
    MeasureOnce();
    const double seconds = program.seconds[program.replayed++ % program.seconds.size()];
    for (auto _ : state)
        state.SetIterationTime(seconds < 0 ? 0 : seconds);
    if (seconds < 0)
        state.SkipWithError("a start did not end well");
}

void StartupEditor(benchmark::State& state)
{
    Replay(state, editor);
    state.SetLabel("goal <= 2x StartupBareQt");
}

void StartupBareQt(benchmark::State& state)
{
    Replay(state, bareQt);
}

BENCHMARK(StartupBareQt)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(Starts)->ReportAggregatesOnly(true);
BENCHMARK(StartupEditor)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(Starts)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    using bench::Get;
    return bench::RunWithGoals(argc, argv,
        {
            { "Start-up to the painted welcome page: editor / bare Qt program",
                [](auto& f) -> std::optional<double> {
                    const auto a = Get(f, "StartupEditor/iterations:1/manual_time"), b = Get(f, "StartupBareQt/iterations:1/manual_time");
                    if (!a || !b)
                        return std::nullopt;
                    return *a / *b;
                },
                "x", 2, true },
        });
}
