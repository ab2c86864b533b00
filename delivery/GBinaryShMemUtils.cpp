// Fixed-size values in shared memory: the wait for a header still being written.
#include "GBinaryShMemUtils.h"

#include "GSharedMemoryLocker.h"
#include "GTimer.h"
#include "PSystem.h"
#include "PUNIXSharedObjectSupport.h"

std::int32_t GBinaryShMemUtils::ReadMadeVersion(GSharedMemoryBase<PUNIXSharedMemory>& block, int offset)
{
    GTimer timer;
    timer.Start();
    for (;;)
    {
        {
            GSharedMemoryLocker const lock(block);
            std::int32_t const version = ReadAt(block, offset);
            if (version != 0 || timer.GetElapsedSeconds() >= PUNIXSharedObjectSupport::cMakingSeconds)
                return version;
        }
        PSystem::MilliSleep(1);
    }
}
