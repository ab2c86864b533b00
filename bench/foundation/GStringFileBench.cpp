// Reading a string file of 5,000 entries into the string pool against reading the same entries
// with std::getline into a std::unordered_map<int, std::string>: the same file, from the page
// cache, on both sides.
#include "BenchRatio.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <unordered_map>

#include "GBasicFrameworkCoreLayer.h"
#include "GPathName.h"
#include "GStringFileReader.h"
#include "GStringPool.h"

namespace
{
constexpr int cEntries = 5000;

std::string const& FilePath()
{
    static std::string const path = [] {
        std::string made = (std::filesystem::temp_directory_path() /
                            ("GStringFileBench-" + std::to_string(getpid()) + ".lng"))
                               .string();
        std::ofstream out(made, std::ios::binary);
        out << "StringTable German WinAnsiEncoding\r";
        for (int i = 0; i < cEntries; ++i)
            out << "\tString\t" << 2400 + i << ",\t\"Message number " << i << " of the table\"\r";
        out << "EndStringTable\r";
        return made;
    }();
    return path;
}

void BM_StdGetlineIntoMap(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::unordered_map<int, std::string> map;
        std::ifstream in(FilePath(), std::ios::binary);
        std::string line;
        while (std::getline(in, line, '\r'))
        {
            std::string::size_type const at = line.find("String\t");
            std::string::size_type const open = line.find('"');
            std::string::size_type const close = line.rfind('"');
            if (at == std::string::npos || open == std::string::npos || close <= open)
                continue;
            int const id = int(std::strtol(line.c_str() + at + 7, nullptr, 10));
            map[id] = line.substr(open + 1, close - open - 1);
        }
        benchmark::DoNotOptimize(map.size());
    }
}
BENCHMARK(BM_StdGetlineIntoMap)->Unit(benchmark::kMicrosecond);

void BM_StringFileIntoPool(benchmark::State& state)
{
    GPathName const path(FilePath().c_str());
    for (auto _ : state)
    {
        state.PauseTiming();
        GStringPool::Finalize();
        GStringPool::Initialize();
        state.ResumeTiming();
        GStringFileReader reader(path);
        reader.ParseStringFile();
    }
    if (GStringPool::GetString(GString("deDE"), 2400 + cEntries - 1).IsEmpty())
        state.SkipWithError("the last entry was not read");
}
BENCHMARK(BM_StringFileIntoPool)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "String file of 5,000 entries into the pool time / std::getline into std::unordered_map time",
                          "BM_StringFileIntoPool", "BM_StdGetlineIntoMap", "goal <= 3");
    std::filesystem::remove(FilePath());
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
