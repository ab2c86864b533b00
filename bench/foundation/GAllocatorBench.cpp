// GAllocator against glibc malloc/free: the rate of small allocations, single-threaded, in a batch
// and freed and taken again in turn among live blocks, and the memory that a million live small
// blocks take.
#include "BenchRatio.h"

#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <vector>

#include "GAllocator.h"

namespace
{
constexpr int cBatch = 1024;

// Sizes 8 to 128 in a fixed scattered order, the same for both sides.
std::vector<std::size_t> Sizes(std::size_t smallest, std::size_t largest, int count)
{
    std::vector<std::size_t> sizes;
    unsigned state = 12345;
    for (int i = 0; i < count; ++i)
    {
        state = state * 1103515245u + 12345u;
        sizes.push_back(smallest + (state >> 16) % (largest - smallest + 1));
    }
    return sizes;
}

void BM_MallocFree(benchmark::State& state)
{
    auto const sizes = Sizes(8, 128, cBatch);
    std::vector<void*> blocks(cBatch);
    for (auto _ : state)
    {
        for (int i = 0; i < cBatch; ++i)
            blocks[i] = std::malloc(sizes[i]);
        benchmark::DoNotOptimize(blocks.data());
        for (int i = 0; i < cBatch; ++i)
            std::free(blocks[i]);
    }
    state.SetItemsProcessed(state.iterations() * cBatch);
}

void BM_GAllocatorAllocFree(benchmark::State& state)
{
    auto const sizes = Sizes(8, 128, cBatch);
    std::vector<void*> blocks(cBatch);
    GAllocator* allocator = GAllocator::GetInstance();
    for (auto _ : state)
    {
        for (int i = 0; i < cBatch; ++i)
            blocks[i] = allocator->Alloc(sizes[i]);
        benchmark::DoNotOptimize(blocks.data());
        for (int i = 0; i < cBatch; ++i)
            allocator->Free(blocks[i], sizes[i]);
    }
    state.SetItemsProcessed(state.iterations() * cBatch);
}

// 1,024 live blocks of 8 to 128 bytes, each in turn freed and taken again at another size, as
// strings and buffers come and go among others that stay. The allocator side reaches the
// singleton at every call, as the foundation's own classes do.
constexpr int cTurnSizes = 4096;

void BM_MallocFreeInTurn(benchmark::State& state)
{
    auto const sizes = Sizes(8, 128, cTurnSizes);
    std::vector<void*> blocks(cBatch);
    for (int i = 0; i < cBatch; ++i)
        blocks[i] = std::malloc(sizes[i]);
    int next = cBatch;
    for (auto _ : state)
    {
        for (int i = 0; i < cBatch; ++i)
        {
            std::free(blocks[i]);
            blocks[i] = std::malloc(sizes[next]);
            next = (next + 1) % cTurnSizes;
        }
        benchmark::DoNotOptimize(blocks.data());
    }
    for (void* block : blocks)
        std::free(block);
    state.SetItemsProcessed(state.iterations() * cBatch);
}

void BM_GAllocatorFreeAllocInTurn(benchmark::State& state)
{
    auto const sizes = Sizes(8, 128, cTurnSizes);
    std::vector<void*> blocks(cBatch);
    std::vector<std::size_t> held(sizes.begin(), sizes.begin() + cBatch);
    for (int i = 0; i < cBatch; ++i)
        blocks[i] = GAllocator::GetInstance()->Alloc(held[i]);
    int next = cBatch;
    for (auto _ : state)
    {
        for (int i = 0; i < cBatch; ++i)
        {
            GAllocator::GetInstance()->Free(blocks[i], held[i]);
            held[i] = sizes[next];
            blocks[i] = GAllocator::GetInstance()->Alloc(held[i]);
            next = (next + 1) % cTurnSizes;
        }
        benchmark::DoNotOptimize(blocks.data());
    }
    for (int i = 0; i < cBatch; ++i)
        GAllocator::GetInstance()->Free(blocks[i], held[i]);
    state.SetItemsProcessed(state.iterations() * cBatch);
}

BENCHMARK(BM_MallocFree);
BENCHMARK(BM_GAllocatorAllocFree);
BENCHMARK(BM_MallocFreeInTurn);
BENCHMARK(BM_GAllocatorFreeAllocInTurn);

std::size_t MallocInUse()
{
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The memory that a million live blocks of 8 to 64 bytes take, as malloc counts what it hands
// out: once from malloc itself, once from the allocator's chunks (which come from malloc too).
void CompareLiveMemory()
{
    constexpr int cLive = 1000000;
    auto const sizes = Sizes(8, 64, cLive);
    std::vector<void*> blocks(cLive);

    std::size_t before = MallocInUse();
    for (int i = 0; i < cLive; ++i)
        blocks[i] = std::malloc(sizes[i]);
    std::size_t const mallocBytes = MallocInUse() - before;
    for (void* block : blocks)
        std::free(block);
    malloc_trim(0);

    GAllocator* allocator = GAllocator::GetInstance();
    allocator->ReleaseFreeLists(-1);
    before = MallocInUse();
    for (int i = 0; i < cLive; ++i)
        blocks[i] = allocator->Alloc(sizes[i]);
    std::size_t const allocatorBytes = MallocInUse() - before;
    for (int i = 0; i < cLive; ++i)
        allocator->Free(blocks[i], sizes[i]);
    allocator->ReleaseFreeLists(-1);

    std::printf("1,000,000 live blocks of 8 to 64 bytes: malloc %.1f MiB, GAllocator %.1f MiB\n",
                mallocBytes / 1048576.0, allocatorBytes / 1048576.0);
    bench::PrintFigure("GAllocator memory for 1,000,000 live blocks of 8 to 64 bytes", "malloc's memory",
                       bench::FormatRatio(static_cast<double>(allocatorBytes) / mallocBytes), "goal <= 0.6");
}
} // namespace

int main(int argc, char** argv)
{
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "GAllocator Alloc+Free rate / malloc+free rate", "BM_MallocFree",
                          "BM_GAllocatorAllocFree", "goal >= 0.5");
    bench::PrintTimeRatio(times,
                          "GAllocator Free+Alloc in turn among 1,024 live blocks, rate / malloc+free in turn rate",
                          "BM_MallocFreeInTurn", "BM_GAllocatorFreeAllocInTurn", "goal >= 0.5");
    CompareLiveMemory();
    return 0;
}
