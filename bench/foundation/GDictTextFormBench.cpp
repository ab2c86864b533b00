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

// The two halves of the UTF-8 round trip on their own.
void BM_GDictWriteToUTF8(benchmark::State& state)
{
    GDict<GBuffer, GString> const& dict = Dict();
    for (auto _ : state)
    {
        GBuffer bytes;
        GMemoryOutStream sink(bytes);
        GText2BinStream writer(sink, GUTF8Encoding::GetInstance());
        dict.WriteTo(writer);
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * cPairs);
}

void BM_GDictReadFromUTF8(benchmark::State& state)
{
    GBuffer bytes;
    {
        GMemoryOutStream sink(bytes);
        GText2BinStream writer(sink, GUTF8Encoding::GetInstance());
        Dict().WriteTo(writer);
    }
    for (auto _ : state)
    {
        GMemoryInStream source(bytes);
        GBin2TextStream reader(source, GUTF8Encoding::GetInstance());
        GDict<GBuffer, GString> back;
        if (!back.ReadFrom(reader) || back.GetCount() != cPairs)
            state.SkipWithError("the pairs did not read back");
        benchmark::DoNotOptimize(back);
    }
    state.SetItemsProcessed(state.iterations() * cPairs);
}

// The same lines, "key" "value" and a carriage return, without escapes.
void BM_StdStreamLines(benchmark::State& state)
{
    std::unordered_map<std::string, std::string> map;
    for (auto const& pair : PairTexts())
        map.emplace(pair.first, pair.second);
    for (auto _ : state)
    {
        std::ostringstream out;
        out << "#BEGINDICT\r";
        for (auto const& pair : map)
            out << '"' << pair.first << "\" \"" << pair.second << "\"\r";
        out << "#ENDDICT\r";
        std::istringstream in(out.str());
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
        if (back.size() != map.size())
            state.SkipWithError("the pairs did not read back");
        benchmark::DoNotOptimize(back);
    }
    state.SetItemsProcessed(state.iterations() * cPairs);
}

BENCHMARK(BM_StdStreamLines)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GDictTextFormUTF8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GDictTextFormUTF16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GDictWriteToUTF8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GDictReadFromUTF8)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    GBufferSupport::SetLineEnding(true, false);
    bench::Times const times = bench::RunAll(argc, argv);
    for (char const* name :
         {"BM_GDictTextFormUTF8", "BM_GDictTextFormUTF16", "BM_GDictWriteToUTF8", "BM_GDictReadFromUTF8"})
    {
        auto const found = times.find(name);
        if (found != times.end())
            std::printf("%s: %.0f us for %d pairs\n", name, found->second, cPairs);
    }
    bench::PrintTimeRatio(times, "GDict text form (UTF-8) time / std::ostringstream and std::getline time",
                          "BM_GDictTextFormUTF8", "BM_StdStreamLines", "no goal set");
    bench::PrintTimeRatio(times, "GDict text form (UTF-16) time / std::ostringstream and std::getline time",
                          "BM_GDictTextFormUTF16", "BM_StdStreamLines", "no goal set");
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
