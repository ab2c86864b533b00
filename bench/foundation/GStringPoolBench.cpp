// GStringPool::GetString against std::unordered_map<int, std::string>: the time to look up 10,000
// present string ids, in the same shuffled order on both sides, with the English table current as
// it is in the plug-in.
#include "BenchKeys.h"
#include "BenchRatio.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "GBasicFrameworkCoreLayer.h"
#include "GBuffer.h"
#include "GString.h"
#include "GStringPool.h"
#include "GStringPoolSupport.h"

namespace
{
using bench::cKeys;
using bench::LookupOrder;

// Ids spread like the system's message ids (40000s, 2400s, 921000s), each with a short text.
std::vector<int> const& Ids()
{
    static std::vector<int> const ids = []
    {
        std::vector<int> result;
        for (int i = 0; i < cKeys; ++i)
            result.push_back(i % 3 == 0 ? 40000 + i : i % 3 == 1 ? 2400 + i * 7 : 921000 + i * 13);
        return result;
    }();
    return ids;
}

std::vector<std::string> const& Texts()
{
    static std::vector<std::string> const texts = []
    {
        std::vector<std::string> result;
        for (int i = 0; i < cKeys; ++i)
            result.push_back("Message number " + std::to_string(i) + " of the table");
        return result;
    }();
    return texts;
}

void BM_UnorderedMapGet(benchmark::State& state)
{
    std::unordered_map<int, std::string> map;
    for (int i = 0; i < cKeys; ++i)
        map[Ids()[i]] = Texts()[i];
    std::vector<int> probes;
    for (int i : LookupOrder())
        probes.push_back(Ids()[i]);
    for (auto _ : state)
    {
        for (int id : probes)
        {
            std::string const& text = map.find(id)->second;
            benchmark::DoNotOptimize(&text);
        }
    }
    state.SetItemsProcessed(state.iterations() * cKeys);
}

void BM_GStringPoolGetString(benchmark::State& state)
{
    GStringPool::Initialize();
    std::vector<GStringPoolDataStruct> rows;
    for (int i = 0; i < cKeys; ++i)
        rows.push_back({Ids()[i], Texts()[i].c_str()});
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", rows.data(), cKeys, false);
    std::vector<int> probes;
    for (int i : LookupOrder())
        probes.push_back(Ids()[i]);
    for (auto _ : state)
    {
        for (int id : probes)
        {
            GString const& text = GStringPool::GetString(id);
            benchmark::DoNotOptimize(&text);
        }
    }
    state.SetItemsProcessed(state.iterations() * cKeys);
    GStringPool::Finalize();
}

BENCHMARK(BM_UnorderedMapGet);
BENCHMARK(BM_GStringPoolGetString);
} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times,
                          "GStringPool::GetString time / std::unordered_map<int, std::string> lookup time",
                          "BM_GStringPoolGetString", "BM_UnorderedMapGet", "goal <= 2");
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
