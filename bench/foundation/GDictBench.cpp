// GDict<GBuffer, int> against std::unordered_map<std::string, int>: the time to look up 10,000
// present keys, the same key texts in the same order on both sides.
#include "BenchKeys.h"
#include "BenchRatio.h"

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "GBuffer.h"
#include "GDict.h"

namespace
{
using bench::cKeys;
using bench::KeyTexts;
using bench::LookupOrder;

void BM_UnorderedMapLookup(benchmark::State& state)
{
    std::unordered_map<std::string, int> map;
    for (int i = 0; i < cKeys; ++i)
        map[KeyTexts()[i]] = i;
    // Separate copies, so a lookup compares against other storage as a caller's key would.
    std::vector<std::string> probes;
    for (int i : LookupOrder())
        probes.push_back(KeyTexts()[i]);
    for (auto _ : state)
    {
        long sum = 0;
        for (std::string const& probe : probes)
            sum += map.find(probe)->second;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * cKeys);
}

void BM_GDictLookup(benchmark::State& state)
{
    GDict<GBuffer, int> dict;
    for (int i = 0; i < cKeys; ++i)
        dict.Put(GBuffer(KeyTexts()[i].c_str()), i);
    std::vector<GBuffer> probes;
    for (int i : LookupOrder())
        probes.emplace_back(KeyTexts()[i].c_str());
    for (auto _ : state)
    {
        long sum = 0;
        for (GBuffer const& probe : probes)
            sum += *dict.Find(probe);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * cKeys);
}

BENCHMARK(BM_UnorderedMapLookup);
BENCHMARK(BM_GDictLookup);

} // namespace

int main(int argc, char** argv)
{
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(
        times, "GDict<GBuffer, int> lookup time / std::unordered_map<std::string, int> lookup time",
        "BM_GDictLookup", "BM_UnorderedMapLookup", "goal <= 1.2");
    return 0;
}
