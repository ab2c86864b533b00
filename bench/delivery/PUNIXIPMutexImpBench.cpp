// The named inter-process mutex against a process-shared pthread mutex in shared memory: an
// uncontended Lock and Unlock.
#include "BenchRatio.h"
#include "delivery/SharedObjectBench.h"

#include <memory>

#include "GBuffer.h"
#include "GProcessInfo.h"
#include "PMacXProcessInfo.h"
#include "PUNIXIPMutexImp.h"

namespace
{
void BM_IPMutexLockUnlock(benchmark::State& state)
{
    std::string const name = bench::OwnName("Mx");
    PUNIXIPMutexImp mutex(GBuffer(name.c_str()));
    for (auto _ : state)
    {
        mutex.Lock();
        mutex.Unlock();
    }
}
BENCHMARK(BM_IPMutexLockUnlock);

void BM_PthreadSharedLockUnlock(benchmark::State& state)
{
    bench::PthreadSharedMemory const memory(0);
    for (auto _ : state)
    {
        pthread_mutex_lock(memory.Mutex());
        pthread_mutex_unlock(memory.Mutex());
    }
}
BENCHMARK(BM_PthreadSharedLockUnlock);
} // namespace

int main(int argc, char** argv)
{
    GProcessInfo::SetInstance(new PMacXProcessInfo);
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "Lock+Unlock time / process-shared pthread_mutex_t time",
                          "BM_IPMutexLockUnlock", "BM_PthreadSharedLockUnlock", "goal <= 3");
    GProcessInfo::SetInstance(nullptr);
    return 0;
}
