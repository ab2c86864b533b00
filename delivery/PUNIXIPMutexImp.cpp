// The named inter-process mutex over a POSIX shared-memory segment.
#include "PUNIXIPMutexImp.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "GException.h"
#include "GProcessInfo.h"
#include "GSimpleException.h"
#include "GTimer.h"
#include "PSystem.h"
#include "PUNIXSharedObjectSupport.h"

namespace
{
// "Unknown IPC version"
constexpr int cUnknownVersion = 40154;
// "Could not map the specified shared memory"
constexpr int cCannotMap = 40167;
// "Could not resize the shared memory"
constexpr int cCannotResize = 40170;
// "The specified mutex could not be created"
constexpr int cCannotCreate = 40200;
// "The specified mutex identifier contains invalid characters"
constexpr int cInvalidName = 40201;

// A segment whose last user is leaving is opened anew; an object that keeps being given up under
// this process's eyes is not a mutex that can be used.
constexpr int cMaxReopenings = 1000;

using Support = PUNIXSharedObjectSupport;

// The whole seconds a timer has run, as the waits compare them.
long WholeSeconds(GTimer const& timer)
{
    return static_cast<long>(timer.GetElapsedSeconds());
}

// One attempt of a wait: from free, or, when the whole second has changed since the last reading,
// from a holder that no longer runs.
bool Attempt(std::int32_t* word, std::int32_t self, bool checkHolder)
{
    std::int32_t expected = 0;
    if (checkHolder)
    {
        std::int32_t const holder = __atomic_load_n(word, __ATOMIC_ACQUIRE);
        if (holder != 0 && !Support::GetProcessInfo().IsRunning(holder))
            expected = holder;
    }
    return Support::CompareAndSwap(word, expected, self);
}
} // namespace

PUNIXIPMutexImp::PUNIXIPMutexImp(GBuffer const& name)
    : fName(GBuffer("/") + name), fDescriptor(-1), fMapping(nullptr), fMaking(false), fCounted(false)
{
    if (name.IsEmpty() || name.GetLength() > cMaxNameLength || !Support::IsNameable(name))
        throw GSimpleException(cInvalidName);
    // Every lock below needs this process's id: without the service nothing is made.
    Support::GetProcessInfo();
    for (int opening = 0;; ++opening)
    {
        if (opening > cMaxReopenings)
            throw GSimpleException(cCannotCreate);
        bool const created = CreateOrOpen();
        // A segment smaller than its fields is still being made, or was left unmade by a creator
        // that died: mapping it would fault at the first access.
        if (!created && Support::WaitForSize(fDescriptor, cSegmentSize) < cSegmentSize)
        {
            if (GiveUpUnmade())
                continue;
            Fail(cCannotMap);
        }
        Map();
        if (created)
        {
            // Nobody reads the other fields before the magic number says they are there.
            Support::Store(fMapping, cManagementLockOffset, 0);
            Support::Store(fMapping, cVersionOffset, cVersion);
            Support::Store(fMapping, cReferenceCountOffset, 1);
            Support::Store(fMapping, cOwnerOffset, 0);
            Support::Store(fMapping, cMagicOffset, cMagic);
            fMaking = false;
            fCounted = true;
            return;
        }
        // The creator sizes, maps and then marks the segment; one that dies on the way never marks it.
        if (!AwaitMarked())
        {
            if (GiveUpUnmade())
                continue;
            Fail(cCannotCreate);
        }
        if (Support::Load(fMapping, cVersionOffset) != cVersion)
            Fail(cUnknownVersion);
        if (!TryToLock(ManagementLockWord(), Support::cLockSeconds))
            Fail(cCannotCreate);
        std::int32_t const count = Support::Load(fMapping, cReferenceCountOffset);
        if (count > 0)
        {
            Support::Store(fMapping, cReferenceCountOffset,
                           static_cast<std::int32_t>(static_cast<std::uint32_t>(count) + 1u));
            fCounted = true;
            UnlockManagementLock();
            return;
        }
        // The last user has given this segment up and unlinked it, or died before it could; the
        // name is opened anew, which finds or makes the next segment. Unlinking it here only while
        // it still names this segment: once unlinked, it may name a segment just made elsewhere.
        Support::UnlinkIfNamed(fName, fDescriptor);
        UnlockManagementLock();
        UnmapAndClose();
    }
}

bool PUNIXIPMutexImp::AwaitMarked() const
{
    GTimer timer;
    timer.Start();
    while (Support::Load(fMapping, cMagicOffset) != cMagic)
    {
        if (timer.GetElapsedSeconds() >= Support::cMakingSeconds)
            return false;
        PSystem::MilliSleep(1);
    }
    return true;
}

bool PUNIXIPMutexImp::GiveUpUnmade()
{
    // A creator still at work holds the segment open; one that died holds nothing, and without this
    // the name would stand for a segment nobody can use until someone removed it by hand.
    if (Support::IsHeldElsewhere(fDescriptor))
        return false;
    Support::UnlinkIfNamed(fName, fDescriptor);
    UnmapAndClose();
    return true;
}

PUNIXIPMutexImp::~PUNIXIPMutexImp()
{
    try
    {
        CleanUp();
    }
    catch (GException const&)
    {
        // Without the process-information service the management lock cannot be taken, so this
        // object stays counted; the segment is unmapped and closed all the same.
    }
}

bool PUNIXIPMutexImp::CreateOrOpen()
{
    char const* path = reinterpret_cast<char const*>(fName.GetPtr());
    fDescriptor = shm_open(path, O_RDWR, 0);
    if (fDescriptor >= 0)
        return false;
    fDescriptor = shm_open(path, O_RDWR | O_CREAT | O_EXCL, 0777);
    if (fDescriptor < 0)
    {
        if (errno == EEXIST)
            fDescriptor = shm_open(path, O_RDWR, 0);
        if (fDescriptor < 0)
            Fail(cCannotCreate);
        return false;
    }
    fMaking = true;
    if (ftruncate(fDescriptor, cSegmentSize) != 0)
        Fail(cCannotResize);
    return true;
}

void PUNIXIPMutexImp::Map()
{
    void* mapping = mmap(nullptr, cSegmentSize, PROT_READ | PROT_WRITE, MAP_SHARED, fDescriptor, 0);
    if (mapping == MAP_FAILED || mapping == nullptr)
        Fail(cCannotMap);
    fMapping = mapping;
}

void PUNIXIPMutexImp::CleanUp()
{
    try
    {
        Uncount();
    }
    catch (GException const&)
    {
        UnmapAndClose();
        throw;
    }
    UnmapAndClose();
}

void PUNIXIPMutexImp::Uncount()
{
    if (fMaking && fDescriptor >= 0)
    {
        // Nobody can use a segment this object created but did not make.
        Support::UnlinkIfNamed(fName, fDescriptor);
        return;
    }
    if (!fCounted || !fMapping || Support::Load(fMapping, cVersionOffset) != cVersion)
        return;
    fCounted = false;
    // A process that holds the management lock and never lets go keeps this object counted: the
    // segment then outlives its users, which costs less than a host that hangs.
    if (!TryToLock(ManagementLockWord(), Support::cLockSeconds))
        return;
    std::int32_t const count = Support::Load(fMapping, cReferenceCountOffset);
    if (count < 2)
    {
        Support::Store(fMapping, cReferenceCountOffset, 0);
        Support::UnlinkIfNamed(fName, fDescriptor);
    }
    else
        Support::Store(fMapping, cReferenceCountOffset, count - 1);
    UnlockManagementLock();
}

void PUNIXIPMutexImp::UnmapAndClose()
{
    if (fMapping)
    {
        munmap(fMapping, cSegmentSize);
        fMapping = nullptr;
    }
    if (fDescriptor >= 0)
    {
        close(fDescriptor);
        fDescriptor = -1;
    }
    fMaking = false;
}

void PUNIXIPMutexImp::Fail(int id)
{
    CleanUp();
    throw GSimpleException(id);
}

void PUNIXIPMutexImp::Lock(std::int32_t* owner)
{
    std::int32_t const self = Support::GetCurrentProcessID();
    if (Support::CompareAndSwap(owner, 0, self))
        return;
    GTimer timer;
    timer.Start();
    long previous = 0;
    long last = 0;
    for (;;)
    {
        bool const taken = Attempt(owner, self, last != previous);
        if (taken)
            return;
        PSystem::MilliSleep(1);
        previous = last;
        last = WholeSeconds(timer);
    }
}

bool PUNIXIPMutexImp::TryToLock(std::int32_t* owner, int seconds)
{
    std::int32_t const self = Support::GetCurrentProcessID();
    if (Support::CompareAndSwap(owner, 0, self))
        return true;
    bool taken = Attempt(owner, self, true);
    GTimer timer;
    timer.Start();
    if (taken || WholeSeconds(timer) >= seconds)
        return taken;
    long previous = 0;
    long last = 0;
    for (;;)
    {
        if (Attempt(owner, self, last != previous))
            return true;
        PSystem::MilliSleep(1);
        previous = last;
        last = WholeSeconds(timer);
        if (last >= seconds)
            return false;
    }
}

void PUNIXIPMutexImp::Unlock(std::int32_t* owner)
{
    __atomic_store_n(owner, 0, __ATOMIC_RELEASE);
}
