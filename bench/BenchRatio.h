// Runs a benchmark program's cases and prints how the system's code compares with the standard
// peer it was measured beside.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bench
{
// The usual console table, keeping each case's time per iteration by its name.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(std::vector<Run> const& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (Run const& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                fTimes[run.benchmark_name()] = run.GetAdjustedRealTime();
    }

    std::map<std::string, double> fTimes;
};

using Times = std::map<std::string, double>;

inline Times RunAll(int& argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.fTimes;
}

// Prints "label: numerator's time / denominator's time (goal)" when both cases ran.
inline void PrintTimeRatio(Times const& times, char const* label, char const* numerator,
                           char const* denominator, char const* goal)
{
    auto const top = times.find(numerator);
    auto const bottom = times.find(denominator);
    if (top == times.end() || bottom == times.end() || bottom->second <= 0)
        return;
    std::printf("%s: %.2f (%s)\n", label, top->second / bottom->second, goal);
}
} // namespace bench
