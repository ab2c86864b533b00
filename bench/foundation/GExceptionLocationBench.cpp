// The cost of a guarded scope: one GExceptionLocation pushed and popped, with a text and with a
// message id. Every file operation pays it, so it must stay far below the cost of the work it guards.
#include "BenchRatio.h"

#include <cstdio>
#include <string>

#include "GExceptionLocation.h"
#include "GString.h"

namespace
{
void BM_LocationWithText(benchmark::State& state)
{
    GString const path("/Users/anna/Documents/Brochure.indd");
    for (auto _ : state)
    {
        GExceptionLocation location(path);
        benchmark::ClobberMemory();
    }
}

void BM_LocationWithID(benchmark::State& state)
{
    for (auto _ : state)
    {
        GExceptionLocation location(40076);
        benchmark::ClobberMemory();
    }
}

// A push inside a scope that is already guarded, as nested operations do.
void BM_NestedLocation(benchmark::State& state)
{
    GString const path("/Users/anna/Documents/Brochure.indd");
    GExceptionLocation outer(path);
    for (auto _ : state)
    {
        GExceptionLocation location(40076);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_LocationWithText);
BENCHMARK(BM_LocationWithID);
BENCHMARK(BM_NestedLocation);
} // namespace

int main(int argc, char** argv)
{
    bench::Times const times = bench::RunAll(argc, argv);
    for (char const* name : {"BM_LocationWithText", "BM_LocationWithID", "BM_NestedLocation"})
    {
        auto const found = times.find(name);
        if (found != times.end())
        {
            char value[32];
            std::snprintf(value, sizeof value, "%.1f ns", found->second);
            bench::PrintFigure(std::string("GExceptionLocation push+pop (") + name + ")", "(time per scope)", value,
                               "goal < 100 ns");
        }
    }
    return 0;
}
