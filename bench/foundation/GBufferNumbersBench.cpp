// Real numbers as GBuffer text both ways, against std::to_chars and std::from_chars: the same
// 1,000 values written, and the same 1,000 texts read, on both sides.
#include "BenchRatio.h"

#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "GBuffer.h"

namespace
{
constexpr int cValues = 1000;

// Measurements, prices, counts, ratios and the odd very large or very small value, of both signs.
std::vector<double> const& Values()
{
    static std::vector<double> const values = []
    {
        std::mt19937 random(7);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        std::vector<double> result;
        for (int i = 0; i < cValues; ++i)
        {
            double const sign = random() % 4 == 0 ? -1.0 : 1.0;
            switch (i % 5)
            {
            case 0:
                result.push_back(sign * unit(random) * 1000.0);
                break;
            case 1:
                result.push_back(sign * static_cast<double>(random() % 1000000));
                break;
            case 2:
                result.push_back(sign * static_cast<double>(random() % 100000) / 100.0);
                break;
            case 3:
                result.push_back(sign * unit(random) * std::pow(10.0, static_cast<int>(random() % 18) - 5));
                break;
            default:
                result.push_back(sign * unit(random));
                break;
            }
        }
        return result;
    }();
    return values;
}

// The values' shortest texts, which both readers parse.
std::vector<std::string> const& Texts()
{
    static std::vector<std::string> const texts = []
    {
        std::vector<std::string> result;
        for (double value : Values())
        {
            char text[64];
            result.emplace_back(text, std::to_chars(text, text + sizeof text, value).ptr);
        }
        return result;
    }();
    return texts;
}

void BM_ToChars(benchmark::State& state)
{
    char text[64];
    for (auto _ : state)
    {
        long total = 0;
        for (double value : Values())
        {
            total += std::to_chars(text, text + sizeof text, value).ptr - text;
            benchmark::DoNotOptimize(text);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * cValues);
}

void BM_GBufferSetReal(benchmark::State& state)
{
    GBuffer buffer;
    for (auto _ : state)
    {
        long total = 0;
        for (double value : Values())
        {
            buffer.Set(value);
            total += buffer.GetLength();
            benchmark::DoNotOptimize(buffer);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * cValues);
}

void BM_FromChars(benchmark::State& state)
{
    for (auto _ : state)
    {
        double sum = 0.0;
        for (std::string const& text : Texts())
        {
            double value = 0.0;
            std::from_chars(text.data(), text.data() + text.size(), value);
            sum += value;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * cValues);
}

void BM_GBufferGetReal(benchmark::State& state)
{
    std::vector<GBuffer> buffers;
    for (std::string const& text : Texts())
        buffers.emplace_back(text.c_str());
    for (auto _ : state)
    {
        double sum = 0.0;
        for (GBuffer const& buffer : buffers)
            sum += buffer.GetReal();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * cValues);
}

BENCHMARK(BM_ToChars);
BENCHMARK(BM_GBufferSetReal);
BENCHMARK(BM_FromChars);
BENCHMARK(BM_GBufferGetReal);

} // namespace

int main(int argc, char** argv)
{
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "GBuffer::Set(double) time / std::to_chars(double) time",
                          "BM_GBufferSetReal", "BM_ToChars", "goal <= 2");
    bench::PrintTimeRatio(times, "GBuffer::GetReal time / std::from_chars(double) time", "BM_GBufferGetReal",
                          "BM_FromChars", "goal <= 2");
    return 0;
}
