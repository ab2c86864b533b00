// Reading a 5 MB text line by line: GBin2TextStream::ReadLine over a memory stream (and over the
// block decorator that files are read through) against std::getline over std::istringstream.
#include "BenchRatio.h"

#include <random>
#include <sstream>
#include <string>

#include "GBasicFrameworkCoreLayer.h"
#include "GBin2TextStream.h"
#include "GBufferedInStreamDecorator.h"
#include "GMemoryInStream.h"
#include "GString.h"

namespace
{
constexpr std::size_t cTextSize = 5 * 1024 * 1024;

// Lines of 10 to 150 characters, shaped like preference and string-file lines.
std::string const& Text()
{
    static std::string const text = []
    {
        std::mt19937 random(5);
        std::string result;
        result.reserve(cTextSize + 200);
        while (result.size() < cTextSize)
        {
            std::size_t length = 10 + random() % 141;
            result += "\"Key";
            result += std::to_string(result.size());
            result += "\" \"";
            for (std::size_t i = 0; i < length; ++i)
                result += static_cast<char>('a' + random() % 26);
            result += "\"\n";
        }
        return result;
    }();
    return text;
}

void BM_StdGetline(benchmark::State& state)
{
    std::string const& text = Text();
    std::size_t lines = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        std::istringstream in(text);
        std::string line;
        state.ResumeTiming();
        while (std::getline(in, line))
            ++lines;
        benchmark::DoNotOptimize(line);
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations() * text.size()));
    state.counters["lines"] = static_cast<double>(lines) / static_cast<double>(state.iterations());
}

void BM_ReadLineMemoryStream(benchmark::State& state)
{
    GBuffer const bytes(reinterpret_cast<unsigned char const*>(Text().data()),
                        static_cast<int>(Text().size()));
    std::size_t lines = 0;
    for (auto _ : state)
    {
        GMemoryInStream source(bytes);
        GBin2TextStream reader(source, nullptr);
        GString line;
        while (reader.ReadLine(line))
            ++lines;
        benchmark::DoNotOptimize(line);
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations()) * bytes.GetLength());
    state.counters["lines"] = static_cast<double>(lines) / static_cast<double>(state.iterations());
}

// As a file is read: the raw stream under a decorator with the framework's 1024-byte blocks.
void BM_ReadLineBlockDecorator(benchmark::State& state)
{
    GBuffer const bytes(reinterpret_cast<unsigned char const*>(Text().data()),
                        static_cast<int>(Text().size()));
    for (auto _ : state)
    {
        GMemoryInStream inner(bytes);
        GBin2TextStream reader(new GBufferedInStreamDecorator(inner, 1024), nullptr);
        GString line;
        while (reader.ReadLine(line))
        {
        }
        benchmark::DoNotOptimize(line);
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations()) * bytes.GetLength());
}

BENCHMARK(BM_StdGetline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLineMemoryStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLineBlockDecorator)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "ReadLine over a memory stream time / std::getline time",
                          "BM_ReadLineMemoryStream", "BM_StdGetline", "goal <= 3");
    bench::PrintTimeRatio(times, "ReadLine through the block decorator time / std::getline time",
                          "BM_ReadLineBlockDecorator", "BM_StdGetline", "goal <= 3");
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
