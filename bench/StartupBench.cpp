// Start-up as the user waits for it: the whole process of the editor, from its start to the
// first complete paint of its window with the welcome page and its eight previews, against a
// bare Qt Widgets program that shows one window (bench_bare_qt), both started the same way in
// the same run, one after the other.
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_startup
//
// The editor ends by itself once painted when ZOVARAN_EXIT_WHEN_PAINTED is set; it starts with
// no recent files and its own settings folder.

#include "Goals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void Run(benchmark::State& state, const QString& program)
{
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("ZOVARAN_INSTANCE", "zovaran-bench-" + QString::number(QCoreApplication::applicationPid()));
    env.insert("ZOVARAN_EXIT_WHEN_PAINTED", "1");
    // The first start declares the file type; the starts measured find it declared.
    {
        QProcess warm;
        warm.setProcessEnvironment(env);
        warm.setWorkingDirectory(dir.path());
        warm.start(program, {});
        warm.waitForFinished(60000);
    }
    for (auto _ : state) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(program, {});
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            state.SkipWithError("a start did not end well");
    }
}

void StartupEditor(benchmark::State& state)
{
    Run(state, QStringLiteral(ZOVARAN_BINARY));
    state.SetLabel("goal <= 2x StartupBareQt");
}

void StartupBareQt(benchmark::State& state)
{
    Run(state, QStringLiteral(BARE_QT_BINARY));
}

// Taken in turns, so that a busy moment of the machine weighs on both alike.
BENCHMARK(StartupBareQt)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(StartupEditor)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(StartupBareQt)->Name("StartupBareQt2")->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(StartupEditor)->Name("StartupEditor2")->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    using bench::Get;
    return bench::RunWithGoals(argc, argv,
        {
            { "Start-up to the painted welcome page: editor / bare Qt program",
                [](auto& f) -> std::optional<double> {
                    const auto a = Get(f, "StartupEditor/iterations:1"), b = Get(f, "StartupBareQt/iterations:1");
                    const auto a2 = Get(f, "StartupEditor2/iterations:1"), b2 = Get(f, "StartupBareQt2/iterations:1");
                    if (!a || !b || !a2 || !b2)
                        return std::nullopt;
                    return (*a + *a2) / (*b + *b2);
                },
                "x", 2, true },
        });
}
