// A shared-memory block against plain memory: writing and reading back 4,096 bytes under the
// block's named mutex, against memcpy into and out of a plain mapping under a process-shared
// pthread mutex.
#include "BenchRatio.h"
#include "delivery/SharedObjectBench.h"

#include <cstring>
#include <vector>

#include "GBuffer.h"
#include "GProcessInfo.h"
#include "GSharedMemoryBase.h"
#include "PMacXProcessInfo.h"
#include "PUNIXSharedMemory.h"

namespace
{
constexpr int cBytes = 4096;

void BM_BlockWriteRead(benchmark::State& state)
{
    std::string const id = bench::OwnName("Sh");
    bool created = false;
    GSharedMemoryBase<PUNIXSharedMemory> block(GBuffer(), GBuffer(id.c_str()), cBytes, created);
    std::vector<unsigned char> out(cBytes, 0x5A);
    std::vector<unsigned char> in(cBytes);
    for (auto _ : state)
    {
        block.SetPosition(0);
        block.Write(out.data(), cBytes);
        block.SetPosition(0);
        block.Read(in.data(), cBytes);
        benchmark::DoNotOptimize(in.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BlockWriteRead);

void BM_PthreadMemcpyWriteRead(benchmark::State& state)
{
    bench::PthreadSharedMemory const memory(cBytes);
    std::vector<unsigned char> out(cBytes, 0x5A);
    std::vector<unsigned char> in(cBytes);
    for (auto _ : state)
    {
        pthread_mutex_lock(memory.Mutex());
        std::memcpy(memory.Data(), out.data(), cBytes);
        pthread_mutex_unlock(memory.Mutex());
        pthread_mutex_lock(memory.Mutex());
        std::memcpy(in.data(), memory.Data(), cBytes);
        pthread_mutex_unlock(memory.Mutex());
        benchmark::DoNotOptimize(in.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PthreadMemcpyWriteRead);
} // namespace

int main(int argc, char** argv)
{
    GProcessInfo::SetInstance(new PMacXProcessInfo);
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "Write+Read of 4,096 bytes time / memcpy under a pthread mutex time",
                          "BM_BlockWriteRead", "BM_PthreadMemcpyWriteRead", "goal <= 2");
    GProcessInfo::SetInstance(nullptr);
    return 0;
}
