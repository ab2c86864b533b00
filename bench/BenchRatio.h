// Runs a benchmark program's cases and prints how the system's code compares with the standard
// peer it was measured beside.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench
{
// The usual console table, keeping each case's time per iteration by its name.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    // Colours only for a terminal.
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(std::vector<Run> const& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // With --benchmark_repetitions the median of the repetitions stands for the case.
        for (Run const& run : runs)
        {
            std::string const name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
            {
                fTimes[name] = run.GetAdjustedRealTime();
                fMedians[name] = true;
            }
            else if (run.run_type == Run::RT_Iteration && run.iterations > 0 && !fMedians[name])
                fTimes[name] = run.GetAdjustedRealTime();
        }
    }

    std::map<std::string, double> fTimes;
    std::map<std::string, bool> fMedians;
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

// Prints one figure: a line for the reader, and a line "FIGURE<tab>operation<tab>peer<tab>value<tab>goal"
// that scripts/bench gathers into the table of all figures.
inline void PrintFigure(std::string const& operation, std::string const& peer, std::string const& value,
                        std::string const& goal)
{
    std::printf("%s / %s: %s (%s)\n", operation.c_str(), peer.c_str(), value.c_str(), goal.c_str());
    std::printf("FIGURE\t%s\t%s\t%s\t%s\n", operation.c_str(), peer.c_str(), value.c_str(), goal.c_str());
}

inline std::string FormatRatio(double ratio)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", ratio);
    return text;
}

// The ratio of numerator's time to denominator's, when both cases ran. The label reads
// "operation / peer" (the part before " / " names the system's operation, the rest its peer).
inline void PrintTimeRatio(Times const& times, char const* label, char const* numerator,
                           char const* denominator, char const* goal)
{
    auto const top = times.find(numerator);
    auto const bottom = times.find(denominator);
    if (top == times.end() || bottom == times.end() || bottom->second <= 0)
        return;
    std::string const text = label;
    std::string::size_type const slash = text.find(" / ");
    std::string const operation = slash == std::string::npos ? text : text.substr(0, slash);
    std::string const peer = slash == std::string::npos ? std::string() : text.substr(slash + 3);
    PrintFigure(operation, peer, FormatRatio(top->second / bottom->second), goal);
}
} // namespace bench
