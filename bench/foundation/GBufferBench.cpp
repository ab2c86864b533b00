// Appending one byte at a time: GBuffer against std::string::push_back, both from empty, with the
// ratio of their rates printed at the end (above 1 means GBuffer is faster).
#include <cstdio>
#include <map>
#include <string>

#include <benchmark/benchmark.h>

#include "GBuffer.h"

namespace
{
constexpr int cBytesPerIteration = 1 << 20;

void GBufferAppendByte(benchmark::State& state)
{
    for (auto _ : state)
    {
        GBuffer buffer;
        for (int i = 0; i < cBytesPerIteration; ++i)
            buffer += static_cast<unsigned char>(i);
        benchmark::DoNotOptimize(buffer.GetPtr());
    }
    state.SetBytesProcessed(state.iterations() * cBytesPerIteration);
}

void StringPushBack(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::string text;
        for (int i = 0; i < cBytesPerIteration; ++i)
            text.push_back(static_cast<char>(i));
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * cBytesPerIteration);
}

BENCHMARK(GBufferAppendByte);
BENCHMARK(StringPushBack);

// Shows the usual table and keeps the time per iteration of each benchmark for the ratio.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(std::vector<Run> const& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (Run const& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                fSeconds[run.run_name.function_name] = run.GetAdjustedRealTime();
    }

    std::map<std::string, double> fSeconds;
};
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto mine = reporter.fSeconds.find("GBufferAppendByte");
    auto peer = reporter.fSeconds.find("StringPushBack");
    if (mine != reporter.fSeconds.end() && peer != reporter.fSeconds.end() && mine->second > 0)
        std::printf("ratio: %.2f (GBuffer byte appends per second / std::string push_back per second)\n",
                    peer->second / mine->second);
    return 0;
}
