// The dictionary text form: writing 10,000 pairs of GDict<GBuffer, GString> with WriteTo and reading
// them back with ReadFrom, against the same pairs written as quoted lines with std::ostringstream and
// read back with std::getline into a std::unordered_map.
#include "BenchRatio.h"

#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "GBasicFrameworkCoreLayer.h"
#include "GBin2TextStream.h"
#include "GBufferSupport.h"
#include "GDict.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"
#include "GString.h"
#include "GText2BinStream.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"

namespace
{
constexpr int cPairs = 10000;

// Preference-like pairs: a key and a value of 5 to 60 characters, a few with a blank.
std::vector<std::pair<std::string, std::string>> const& PairTexts()
{
    static std::vector<std::pair<std::string, std::string>> const pairs = []
    {
        std::mt19937 random(3);
        std::vector<std::pair<std::string, std::string>> result;
        for (int i = 0; i < cPairs; ++i)
        {
            std::string value;
            std::size_t length = 5 + random() % 56;
            for (std::size_t j = 0; j < length; ++j)
                value += j % 9 == 8 ? ' ' : static_cast<char>('a' + random() % 26);
            result.emplace_back("Group.Key" + std::to_string(i * 7919 % 100003), value);
        }
        return result;
    }();
    return pairs;
}

GDict<GBuffer, GString> const& Dict()
{
    static GDict<GBuffer, GString> const dict = []
    {
        GDict<GBuffer, GString> result;
        for (auto const& pair : PairTexts())
            result.Put(GBuffer(pair.first.c_str()), GString(pair.second.c_str()));
        return result;
    }();
    return dict;
}

void RoundTrip(benchmark::State& state, GEncoding* encoding)
{
    GDict<GBuffer, GString> const& dict = Dict();
    for (auto _ : state)
    {
        GBuffer bytes;
        {
            GMemoryOutStream sink(bytes);
            GText2BinStream writer(sink, encoding);
            dict.WriteTo(writer);
        }
        GMemoryInStream source(bytes);
        GBin2TextStream reader(source, encoding);
        GDict<GBuffer, GString> back;
        bool read = back.ReadFrom(reader);
        if (!read || back.GetCount() != cPairs)
            state.SkipWithError("the pairs did not read back");
        benchmark::DoNotOptimize(back);
    }
    state.SetItemsProcessed(state.iterations() * cPairs);
}

void BM_GDictTextFormUTF8(benchmark::State& state)
{
    RoundTrip(state, GUTF8Encoding::GetInstance());
}

void BM_GDictTextFormUTF16(benchmark::State& state)
{
    RoundTrip(state, GUnicodeEncoding::GetInstance());
}

// The two halves of the round trip on their own.
GBuffer Written(GEncoding* encoding)
{
    GBuffer bytes;
    GMemoryOutStream sink(bytes);
    GText2BinStream writer(sink, encoding);
    Dict().WriteTo(writer);
    return bytes;
}

void WriteOnly(benchmark::State& state, GEncoding* encoding)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Written(encoding));
    state.SetItemsProcessed(state.iterations() * cPairs);
}

void ReadOnly(benchmark::State& state, GEncoding* encoding)
{
    GBuffer const bytes = Written(encoding);
    for (auto _ : state)
    {
        GMemoryInStream source(bytes);
        GBin2TextStream reader(source, encoding);
        GDict<GBuffer, GString> back;
        if (!back.ReadFrom(reader) || back.GetCount() != cPairs)
            state.SkipWithError("the pairs did not read back");
        benchmark::DoNotOptimize(back);
    }
    state.SetItemsProcessed(state.iterations() * cPairs);
}

void BM_GDictWriteToUTF8(benchmark::State& state)
{
    WriteOnly(state, GUTF8Encoding::GetInstance());
}

void BM_GDictReadFromUTF8(benchmark::State& state)
{
    ReadOnly(state, GUTF8Encoding::GetInstance());
}

void BM_GDictWriteToUTF16(benchmark::State& state)
{
    WriteOnly(state, GUnicodeEncoding::GetInstance());
}

void BM_GDictReadFromUTF16(benchmark::State& state)
{
    ReadOnly(state, GUnicodeEncoding::GetInstance());
}

// The same lines, "key" "value" and a carriage return, without escapes.
std::unordered_map<std::string, std::string> const& StdMap()
{
    static std::unordered_map<std::string, std::string> const map(PairTexts().begin(), PairTexts().end());
    return map;
}

std::string StdWritten(std::unordered_map<std::string, std::string> const& map)
{
    std::ostringstream out;
    out << "#BEGINDICT\r";
    for (auto const& pair : map)
        out << '"' << pair.first << "\" \"" << pair.second << "\"\r";
    out << "#ENDDICT\r";
    return out.str();
}

std::unordered_map<std::string, std::string> StdRead(std::string const& text)
{
    std::istringstream in(text);
    std::unordered_map<std::string, std::string> back;
    std::string line;
    std::getline(in, line, '\r');
    while (std::getline(in, line, '\r') && line != "#ENDDICT")
    {
        std::size_t keyEnd = line.find('"', 1);
        std::size_t valueStart = line.find('"', keyEnd + 1);
        std::size_t valueEnd = line.rfind('"');
        back[line.substr(1, keyEnd - 1)] = line.substr(valueStart + 1, valueEnd - valueStart - 1);
    }
    return back;
}

void BM_StdStreamLines(benchmark::State& state)
{
    auto const& map = StdMap();
    for (auto _ : state)
    {
        auto const back = StdRead(StdWritten(map));
        if (back.size() != map.size())
            state.SkipWithError("the pairs did not read back");
        benchmark::DoNotOptimize(back);
    }
    state.SetItemsProcessed(state.iterations() * cPairs);
}

void BM_StdStreamWrite(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(StdWritten(StdMap()));
    state.SetItemsProcessed(state.iterations() * cPairs);
}

void BM_StdStreamRead(benchmark::State& state)
{
    std::string const text = StdWritten(StdMap());
    for (auto _ : state)
    {
        auto const back = StdRead(text);
        if (back.size() != cPairs)
            state.SkipWithError("the pairs did not read back");
        benchmark::DoNotOptimize(back);
    }
    state.SetItemsProcessed(state.iterations() * cPairs);
}

BENCHMARK(BM_StdStreamLines)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StdStreamWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StdStreamRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GDictTextFormUTF8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GDictTextFormUTF16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GDictWriteToUTF8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GDictReadFromUTF8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GDictWriteToUTF16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GDictReadFromUTF16)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    GBufferSupport::SetLineEnding(true, false);
    bench::Times const times = bench::RunAll(argc, argv);
    for (char const* name :
         {"BM_GDictTextFormUTF8", "BM_GDictTextFormUTF16", "BM_GDictWriteToUTF8", "BM_GDictReadFromUTF8",
          "BM_GDictWriteToUTF16", "BM_GDictReadFromUTF16"})
    {
        auto const found = times.find(name);
        if (found != times.end())
            std::printf("%s: %.0f us for %d pairs\n", name, found->second, cPairs);
    }
    char const* const goal = "goal: at most 2";
    bench::PrintTimeRatio(times, "GDict text form (UTF-8) time / std::ostringstream and std::getline time",
                          "BM_GDictTextFormUTF8", "BM_StdStreamLines", goal);
    bench::PrintTimeRatio(times, "GDict text form (UTF-16) time / std::ostringstream and std::getline time",
                          "BM_GDictTextFormUTF16", "BM_StdStreamLines", goal);
    // The halves, for finding where the time goes; the goal is the round trip's.
    bench::PrintTimeRatio(times, "GDict WriteTo (UTF-8) time / std::ostringstream time", "BM_GDictWriteToUTF8",
                          "BM_StdStreamWrite", "no goal set");
    bench::PrintTimeRatio(times, "GDict ReadFrom (UTF-8) time / std::getline into std::unordered_map time",
                          "BM_GDictReadFromUTF8", "BM_StdStreamRead", "no goal set");
    bench::PrintTimeRatio(times, "GDict WriteTo (UTF-16) time / std::ostringstream time",
                          "BM_GDictWriteToUTF16", "BM_StdStreamWrite", "no goal set");
    bench::PrintTimeRatio(times, "GDict ReadFrom (UTF-16) time / std::getline into std::unordered_map time",
                          "BM_GDictReadFromUTF16", "BM_StdStreamRead", "no goal set");
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
