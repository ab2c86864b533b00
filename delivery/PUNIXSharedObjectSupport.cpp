// Waits and checks on the POSIX objects shared with other processes.
#include "PUNIXSharedObjectSupport.h"

#include <atomic>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "GBuffer.h"
#include "GProcessInfo.h"
#include "GSimpleException.h"
#include "GTimer.h"
#include "PSystem.h"
#include "macos/LibprocStandIn.h"

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

// The object open at descriptor is the given one.
bool IsObject(int descriptor, struct stat const& object)
{
    struct stat theirs;
    return fstat(descriptor, &theirs) == 0 && theirs.st_dev == object.st_dev && theirs.st_ino == object.st_ino;
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
    struct stat ours;
    if (fstat(descriptor, &ours) == 0 && Names(name, ours))
        shm_unlink(reinterpret_cast<char const*>(name.GetPtr()));
}

int PUNIXSharedObjectSupport::OpenIfNamed(GBuffer const& name, struct stat const& object)
{
    int const named = shm_open(reinterpret_cast<char const*>(name.GetPtr()), O_RDWR, 0);
    if (named < 0 || IsObject(named, object))
        return named;
    close(named);
    return -1;
}

bool PUNIXSharedObjectSupport::Names(GBuffer const& name, struct stat const& object)
{
    int const named = shm_open(reinterpret_cast<char const*>(name.GetPtr()), O_RDONLY, 0);
    if (named < 0)
        return false;
    bool const same = IsObject(named, object);
    close(named);
    return same;
}

bool PUNIXSharedObjectSupport::GrowTo(int descriptor, long long size)
{
    long long const now = SizeOf(descriptor);
    if (now < 0)
        return false;
    return now >= size || ftruncate(descriptor, static_cast<off_t>(size)) == 0;
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

bool PUNIXSharedObjectSupport::IsHeldElsewhere(int descriptor)
{
    struct stat ours;
    int const listed = proc_listallpids(nullptr, 0);
    if (fstat(descriptor, &ours) != 0 || listed < 0)
        return true;
    // Room for processes started between the two calls.
    std::vector<int> pids(static_cast<std::size_t>(listed) + 64);
    int const count = proc_listallpids(pids.data(), static_cast<int>(pids.size() * sizeof(int)));
    if (count < 0)
        return true;
    int const self = getpid();
    std::vector<proc_fdinfo> descriptors;
    for (int i = 0; i < count; ++i)
    {
        int const pid = pids[static_cast<std::size_t>(i)];
        // A process that ended meanwhile, or that is not this user's to look into, holds nothing.
        int const room = proc_pidinfo(pid, PROC_PIDLISTFDS, 0, nullptr, 0);
        if (room <= 0)
            continue;
        descriptors.resize(static_cast<std::size_t>(room) / sizeof(proc_fdinfo) + 16);
        int const bytes = proc_pidinfo(pid, PROC_PIDLISTFDS, 0, descriptors.data(),
                                       static_cast<int>(descriptors.size() * sizeof(proc_fdinfo)));
        for (int k = 0; k < bytes / static_cast<int>(sizeof(proc_fdinfo)); ++k)
        {
            proc_fdinfo const& open = descriptors[static_cast<std::size_t>(k)];
            if (open.proc_fdtype != PROX_FDTYPE_PSHM || (pid == self && open.proc_fd == descriptor))
                continue;
            pshm_fdinfo info;
            if (proc_pidfdinfo(pid, open.proc_fd, PROC_PIDFDPSHMINFO, &info, sizeof info) != sizeof info)
                continue;
            if (info.pshminfo.pshm_stat.vst_dev == static_cast<std::uint64_t>(ours.st_dev) &&
                info.pshminfo.pshm_stat.vst_ino == static_cast<std::uint64_t>(ours.st_ino))
                return true;
        }
    }
    return false;
}
