// Waits and checks on the POSIX objects shared with other processes.
#include "PUNIXSharedObjectSupport.h"

#include <atomic>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "GBuffer.h"
#include "GProcessInfo.h"
#include "GSimpleException.h"
#include "GTimer.h"
#include "PSystem.h"

namespace
{
// "Could not initialize the shared memory layer"
constexpr int cLayerNotStarted = 40169;

// 0 until asked; forgotten in a forked child, whose id differs from its parent's.
std::atomic<std::int32_t> sProcessID{0};

void ForgetProcessID()
{
    sProcessID.store(0, std::memory_order_relaxed);
}

long long SizeOf(int descriptor)
{
    struct stat status;
    if (fstat(descriptor, &status) != 0)
        return -1;
    return static_cast<long long>(status.st_size);
}
} // namespace

long long PUNIXSharedObjectSupport::WaitForSize(int descriptor, long long minimum)
{
    long long size = SizeOf(descriptor);
    if (size < 0 || size >= minimum)
        return size;
    GTimer timer;
    timer.Start();
    while (size >= 0 && size < minimum && timer.GetElapsedSeconds() < cMakingSeconds)
    {
        PSystem::MilliSleep(1);
        size = SizeOf(descriptor);
    }
    return size;
}

void PUNIXSharedObjectSupport::UnlinkIfNamed(GBuffer const& name, int descriptor)
{
    char const* path = reinterpret_cast<char const*>(name.GetPtr());
    int const named = shm_open(path, O_RDONLY, 0);
    if (named < 0)
        return;
    struct stat ours;
    struct stat theirs;
    bool const same = fstat(descriptor, &ours) == 0 && fstat(named, &theirs) == 0 &&
                      ours.st_dev == theirs.st_dev && ours.st_ino == theirs.st_ino;
    close(named);
    if (same)
        shm_unlink(path);
}

bool PUNIXSharedObjectSupport::IsNameable(GBuffer const& bytes)
{
    unsigned char const* data = bytes.GetPtr();
    for (int i = 0; i < bytes.GetLength(); ++i)
    {
        if (data[i] == 0 || data[i] == '/')
            return false;
    }
    return true;
}

GProcessInfo& PUNIXSharedObjectSupport::GetProcessInfo()
{
    GProcessInfo* info = GProcessInfo::GetInstance();
    if (!info)
        throw GSimpleException(cLayerNotStarted);
    return *info;
}

std::int32_t PUNIXSharedObjectSupport::GetCurrentProcessID()
{
    GProcessInfo& info = GetProcessInfo();
    std::int32_t id = sProcessID.load(std::memory_order_relaxed);
    if (id != 0)
        return id;
    id = info.GetCurrentProcessID();
    // Kept only where a fork is sure to forget it.
    static bool const sForgottenAtFork = pthread_atfork(nullptr, nullptr, &ForgetProcessID) == 0;
    if (sForgottenAtFork)
        sProcessID.store(id, std::memory_order_relaxed);
    return id;
}

void PUNIXSharedObjectSupport::OpenToEveryone(int descriptor)
{
    // Where this fails the object stays usable by this user, as made.
    (void)fchmod(descriptor, 0777);
}
