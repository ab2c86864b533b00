// The foundation's start-up and shut-down from cold: GBasicFrameworkCoreLayer::Initialize plus
// Finalize, the whole round, as a program pays it once. Reported as a time.
#include "BenchRatio.h"

#include <cstdio>
#include <string>

#include "GBasicFrameworkCoreLayer.h"
#include "GTimer.h"

namespace
{
void BM_InitializeFinalize(benchmark::State& state)
{
    for (auto _ : state)
    {
        GBasicFrameworkCoreLayer::Initialize();
        GBasicFrameworkCoreLayer::Finalize();
    }
}
BENCHMARK(BM_InitializeFinalize)->Unit(benchmark::kMicrosecond);

// The start alone and the stop alone, each from its own cold state.
void BM_InitializeOnly(benchmark::State& state)
{
    for (auto _ : state)
    {
        GBasicFrameworkCoreLayer::Initialize();
        state.PauseTiming();
        GBasicFrameworkCoreLayer::Finalize();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InitializeOnly)->Unit(benchmark::kMicrosecond);

std::string FormatMs(double milliseconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ms", milliseconds);
    return text;
}
} // namespace

int main(int argc, char** argv)
{
    // The very first round, before anything of the process is warm.
    GTimer first;
    first.Start();
    GBasicFrameworkCoreLayer::Initialize();
    GBasicFrameworkCoreLayer::Finalize();
    first.Stop();
    bench::PrintFigure("GBasicFrameworkCoreLayer Initialize + Finalize, first in the process", "",
                       FormatMs(first.GetElapsedSeconds() * 1e3), "report; look closer above 10 ms");
    bench::Times const times = bench::RunAll(argc, argv);
    for (char const* name : {"BM_InitializeFinalize", "BM_InitializeOnly"})
    {
        auto const found = times.find(name);
        if (found != times.end())
            std::printf("%s: %.0f us\n", name, found->second);
    }
    auto const round = times.find("BM_InitializeFinalize");
    if (round != times.end())
        bench::PrintFigure("GBasicFrameworkCoreLayer Initialize + Finalize, repeated", "",
                           FormatMs(round->second / 1e3), "report; look closer above 10 ms");
    return 0;
}
