// Appending one byte at a time: GBuffer against std::string::push_back, both from empty, with the
// ratio of their rates printed at the end (above 1 means GBuffer is faster).
#include <cstdio>
#include <string>

#include "BenchRatio.h"

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
} // namespace

int main(int argc, char** argv)
{
    bench::Times const times = bench::RunAll(argc, argv);
    // Rates are the inverse of times: the peer's time over ours is our rate over the peer's.
    bench::PrintTimeRatio(times, "GBuffer byte appends per second / std::string push_back per second",
                          "StringPushBack", "GBufferAppendByte", "goal >= 0.8");
    return 0;
}
