// GString against std::u16string: equality and hashing of equal texts (an ASCII string against a
// UTF-16 one, and two UTF-16 strings), and looking up 10,000 keys in GDict<GString, int> against
// std::unordered_map<std::u16string, int>. The same key texts in the same order on both sides.
#include "BenchKeys.h"
#include "BenchRatio.h"
#include "GBasicFrameworkCoreLayer.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "GDict.h"
#include "GString.h"

namespace
{
using bench::cKeys;
using bench::KeyTexts;
using bench::LookupOrder;

std::u16string Wide(std::string const& text)
{
    return std::u16string(text.begin(), text.end());
}

GString Utf16(std::string const& text)
{
    return GString(Wide(text).c_str(), false);
}

GString Ascii(std::string const& text)
{
    return GString(text.c_str());
}

// Equal texts in the order of the lookups, each side with its own storage.
std::vector<GString> Strings(GString (*make)(std::string const&))
{
    std::vector<GString> result;
    for (int i : LookupOrder())
        result.push_back(make(KeyTexts()[i]));
    return result;
}

std::vector<std::u16string> WideStrings()
{
    std::vector<std::u16string> result;
    for (int i : LookupOrder())
        result.push_back(Wide(KeyTexts()[i]));
    return result;
}

// Compares the strings pairwise, the measured work of the equality cases.
template<class Text>
void CountEqual(benchmark::State& state, std::vector<Text> const& a, std::vector<Text> const& b)
{
    for (auto _ : state)
    {
        int equal = 0;
        for (int i = 0; i < cKeys; ++i)
            equal += a[i] == b[i];
        benchmark::DoNotOptimize(equal);
    }
    state.SetItemsProcessed(state.iterations() * cKeys);
}

// Hashes every string, the measured work of the hash cases.
template<class Text, class Hash>
void SumHashes(benchmark::State& state, std::vector<Text> const& texts, Hash hash)
{
    for (auto _ : state)
    {
        std::size_t sum = 0;
        for (Text const& text : texts)
            sum += static_cast<std::size_t>(hash(text));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * cKeys);
}

void BM_U16StringEqual(benchmark::State& state)
{
    CountEqual(state, WideStrings(), WideStrings());
}

void BM_GStringEqualUtf16(benchmark::State& state)
{
    CountEqual(state, Strings(Utf16), Strings(Utf16));
}

void BM_GStringEqualAsciiUtf16(benchmark::State& state)
{
    CountEqual(state, Strings(Ascii), Strings(Utf16));
}

void BM_U16StringHash(benchmark::State& state)
{
    SumHashes(state, WideStrings(), std::hash<std::u16string>());
}

unsigned HashOf(GString const& text)
{
    return static_cast<unsigned>(text.GetHash());
}

void BM_GStringHashUtf16(benchmark::State& state)
{
    SumHashes(state, Strings(Utf16), HashOf);
}

void BM_GStringHashAscii(benchmark::State& state)
{
    SumHashes(state, Strings(Ascii), HashOf);
}

void BM_UnorderedMapLookup(benchmark::State& state)
{
    std::unordered_map<std::u16string, int> map;
    for (int i = 0; i < cKeys; ++i)
        map[Wide(KeyTexts()[i])] = i;
    std::vector<std::u16string> const probes = WideStrings();
    for (auto _ : state)
    {
        long sum = 0;
        for (std::u16string const& probe : probes)
            sum += map.find(probe)->second;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * cKeys);
}

// UTF-16 keys, as strings read from files and preferences are.
void GDictLookup(benchmark::State& state, GString (*probe)(std::string const&))
{
    GDict<GString, int> dict;
    for (int i = 0; i < cKeys; ++i)
        dict.Put(Utf16(KeyTexts()[i]), i);
    std::vector<GString> const probes = Strings(probe);
    for (auto _ : state)
    {
        long sum = 0;
        for (GString const& key : probes)
            sum += *dict.Find(key);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * cKeys);
}

void BM_GDictLookupUtf16(benchmark::State& state)
{
    GDictLookup(state, Utf16);
}

// Literals in the code are ASCII: looked up among the UTF-16 keys.
void BM_GDictLookupAscii(benchmark::State& state)
{
    GDictLookup(state, Ascii);
}

BENCHMARK(BM_U16StringEqual);
BENCHMARK(BM_GStringEqualUtf16);
BENCHMARK(BM_GStringEqualAsciiUtf16);
BENCHMARK(BM_U16StringHash);
BENCHMARK(BM_GStringHashUtf16);
BENCHMARK(BM_GStringHashAscii);
BENCHMARK(BM_UnorderedMapLookup);
BENCHMARK(BM_GDictLookupUtf16);
BENCHMARK(BM_GDictLookupAscii);

} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "GString == (both UTF-16) / std::u16string ==", "BM_GStringEqualUtf16",
                          "BM_U16StringEqual", "no goal");
    bench::PrintTimeRatio(times, "GString == (ASCII against UTF-16) / std::u16string ==",
                          "BM_GStringEqualAsciiUtf16", "BM_U16StringEqual", "no goal");
    bench::PrintTimeRatio(times, "GString::GetHash (UTF-16) / std::hash<std::u16string>",
                          "BM_GStringHashUtf16", "BM_U16StringHash", "no goal");
    bench::PrintTimeRatio(times, "GString::GetHash (ASCII) / std::hash<std::u16string>",
                          "BM_GStringHashAscii", "BM_U16StringHash", "no goal");
    bench::PrintTimeRatio(times,
                          "GDict<GString, int> lookup (UTF-16 probes) / "
                          "std::unordered_map<std::u16string, int> lookup",
                          "BM_GDictLookupUtf16", "BM_UnorderedMapLookup", "no goal");
    bench::PrintTimeRatio(times,
                          "GDict<GString, int> lookup (ASCII probes) / "
                          "std::unordered_map<std::u16string, int> lookup",
                          "BM_GDictLookupAscii", "BM_UnorderedMapLookup", "no goal");
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
