#pragma once
// The goal of each benchmark, printed beside its figure: every benchmark names its goal in its
// label, and once all have run, a table gives each goal with the figure it is judged by (the
// median of the repetitions) and whether it is met.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// Real time per iteration in milliseconds, by benchmark name (without the aggregate's suffix).
using Figures = std::map<std::string, double>;

class GoalReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            if (aggregate && run.aggregate_name != "median")
                continue;
            const double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            std::string name = aggregate ? run.run_name.str() : run.benchmark_name();
            if (const auto at = name.find("/repeats:"); at != std::string::npos)
                name.erase(at, name.find('/', at + 1) == std::string::npos ? std::string::npos : name.find('/', at + 1) - at);
            // A median wins over the single runs it sums up.
            if (aggregate || !m_fromMedian.count(name)) {
                figures[name] = seconds * 1e3;
                if (aggregate)
                    m_fromMedian[name] = true;
            }
        }
    }
    Figures figures;

private:
    std::map<std::string, bool> m_fromMedian;
};

struct Goal {
    std::string what;
    // The figure, or nothing when a benchmark it needs did not run.
    std::function<std::optional<double>(const Figures&)> figure;
    std::string unit;
    double limit;
    bool atMost; // the figure must be at most the limit (else at least)
};

inline std::optional<double> Get(const Figures& f, const std::string& name)
{
    const auto it = f.find(name);
    if (it == f.end())
        return std::nullopt;
    return it->second;
}

// Runs the benchmarks picked on the command line and prints the goals table; 0 when every goal
// whose benchmarks ran is met.
inline int RunWithGoals(int argc, char** argv, const std::vector<Goal>& goals)
{
    benchmark::Initialize(&argc, argv);
    GoalReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-64s %12s %14s  %s\n", "goal", "figure", "aim", "met");
    int missed = 0;
    for (const Goal& g : goals) {
        const std::optional<double> v = g.figure(reporter.figures);
        if (!v)
            continue;
        const bool met = g.atMost ? *v <= g.limit : *v >= g.limit;
        missed += !met;
        std::printf("%-64s %9.3f %-2s %s %8.2f %-3s  %s\n", g.what.c_str(), *v, g.unit.c_str(), g.atMost ? "<=" : ">=",
            g.limit, g.unit.c_str(), met ? "yes" : "NO");
    }
    std::fflush(stdout);
    return missed == 0 ? 0 : 1;
}

} // namespace bench
