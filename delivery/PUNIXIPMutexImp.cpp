// The named inter-process mutex over a POSIX shared-memory segment.
#include "PUNIXIPMutexImp.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
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
    Open();
}

void PUNIXIPMutexImp::Reopen()
{
    CleanUp();
    Open();
}

bool PUNIXIPMutexImp::IsNamed() const
{
    struct stat object;
    return fDescriptor >= 0 && fstat(fDescriptor, &object) == 0 && Support::Names(fName, object);
}

void PUNIXIPMutexImp::Unname()
{
    if (fDescriptor >= 0)
        Support::UnlinkIfNamed(fName, fDescriptor);
}

void PUNIXIPMutexImp::Open()
{
    for (int opening = 0;; ++opening)
    {
        if (opening > cMaxReopenings)
            throw GSimpleException(cCannotCreate);
        bool const created = CreateOrOpen();
        // A segment smaller than its fields is still being made, or was left unmade by a creator
        // that died: mapping it would fault at the first access. Left so, it is sized here, so that
        // the openers meeting it can decide in it which of them gives it up.
        bool unsized = false;
        if (!created && Support::WaitForSize(fDescriptor, cSegmentSize) < cSegmentSize)
        {
            unsized = true;
            if (!Support::GrowTo(fDescriptor, cSegmentSize))
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
            // Marked only while no opener has claimed it as left unmade (a creator held up beyond
            // the making time); a claimed one is that opener's to remove, and this one starts over.
            fMaking = false;
            if (!Support::CompareAndSwap(Word(cMagicOffset), 0, cMagic))
            {
                UnmapAndClose();
                continue;
            }
            fCounted = true;
            return;
        }
        // The creator sizes, maps and then marks the segment; one that dies on the way never marks it.
        switch (AwaitMarked())
        {
        case cMarked:
            break;
        case cGivenUp:
            UnmapAndClose();
            continue;
        case cHeldUnmade:
            Fail(unsized ? cCannotMap : cCannotCreate);
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

PUNIXIPMutexImp::Marking PUNIXIPMutexImp::AwaitMarked()
{
    // Every opener that meets a segment left unmade waits the making time, and all of them hold it
    // meanwhile: the one whose claim in the magic field comes first decides whether it is given up,
    // and the others let go of it at once and wait for the decision, so that the one deciding sees
    // only the processes that really hold it (a creator still at work). A claim is the negated
    // process id of its maker, so that the claim of one that died is taken over.
    std::int32_t* magic = Word(cMagicOffset);
    std::int32_t const self = Support::GetCurrentProcessID();
    GTimer timer;
    timer.Start();
    for (;;)
    {
        std::int32_t const seen = Support::Load(fMapping, cMagicOffset);
        if (seen == cMagic)
            return cMarked;
        if (IsClaim(seen))
            return AwaitDecision();
        if (timer.GetElapsedSeconds() >= Support::cMakingSeconds && Support::CompareAndSwap(magic, seen, -self))
            return GiveUpClaimed();
        PSystem::MilliSleep(1);
    }
}

PUNIXIPMutexImp::Marking PUNIXIPMutexImp::AwaitDecision()
{
    // Another opener claimed the segment: it must see this process gone from it.
    struct stat claimed;
    if (fstat(fDescriptor, &claimed) != 0)
        return cHeldUnmade;
    close(fDescriptor);
    fDescriptor = -1;
    std::int32_t const self = Support::GetCurrentProcessID();
    GTimer timer;
    timer.Start();
    for (;;)
    {
        std::int32_t const seen = Support::Load(fMapping, cMagicOffset);
        // Marked after all, by a creator held up, once the claim was withdrawn: opened again.
        if (seen == cMagic)
            return cGivenUp;
        // Withdrawn: the claimer found the segment still held by its creator.
        if (!IsClaim(seen))
            return cHeldUnmade;
        if (!Support::Names(fName, claimed))
            return cGivenUp;
        if (!Support::GetProcessInfo().IsRunning(-seen))
        {
            // A claimer that died before deciding: its claim is taken over through the name, while
            // the name still stands for this segment.
            fDescriptor = Support::OpenIfNamed(fName, claimed);
            if (fDescriptor < 0)
                return cGivenUp;
            if (Support::CompareAndSwap(Word(cMagicOffset), seen, -self))
                return GiveUpClaimed();
            close(fDescriptor);
            fDescriptor = -1;
            continue;
        }
        // A claimer that lives but never decides must not hang this process.
        if (timer.GetElapsedSeconds() >= Support::cLockSeconds)
            return cHeldUnmade;
        PSystem::MilliSleep(1);
    }
}

PUNIXIPMutexImp::Marking PUNIXIPMutexImp::GiveUpClaimed()
{
    // A creator still at work holds the segment open; one that died holds nothing, and without this
    // the name would stand for a segment nobody can use until someone removed it by hand. The other
    // openers let go of it as soon as they see the claim.
    GTimer timer;
    timer.Start();
    for (;;)
    {
        if (!Support::IsHeldElsewhere(fDescriptor))
        {
            Support::UnlinkIfNamed(fName, fDescriptor);
            return cGivenUp;
        }
        if (timer.GetElapsedSeconds() >= cClaimSeconds)
            break;
        PSystem::MilliSleep(5);
    }
    // Left to its creator, which marks it once the claim is withdrawn.
    Support::CompareAndSwap(Word(cMagicOffset), -Support::GetCurrentProcessID(), 0);
    return cHeldUnmade;
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
