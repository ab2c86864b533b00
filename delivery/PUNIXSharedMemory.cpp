// Named POSIX shared-memory blocks with the list of the processes attached to them.
#include "PUNIXSharedMemory.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "GDict.h"
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
// "Unknown error while reading from the shared memory"
constexpr int cCannotRead = 40163;
// "Unknown error while writing to the shared memory"
constexpr int cCannotWrite = 40164;
// "The specified shared memory identifier contains invalid characters"
constexpr int cInvalidName = 40162;
// "Could not open the specified shared memory"
constexpr int cCannotOpen = 40165;
// "Could not create the specified shared memory"
constexpr int cCannotCreate = 40166;
// "Could not map the specified shared memory"
constexpr int cCannotMap = 40167;
// "The specified shared memory was already created with another file size"
constexpr int cOtherSize = 40168;
// "Could not resize the shared memory"
constexpr int cCannotResize = 40170;
// "Too many instances to the same shared memory object opened"
constexpr int cListFull = 40171;

// A block found left unmade is removed and made anew; one that keeps being left unmade under this
// process's eyes is not a block that can be used.
constexpr int cMaxRemakes = 100;

using Support = PUNIXSharedObjectSupport;

// A list length the list can have: whole entries, at most a full list.
bool IsListLength(std::int32_t length)
{
    return length >= 0 && length <= PUNIXSharedMemory::cMaxListLength && length % 4 == 0;
}

std::int32_t* Entries(void* header)
{
    return reinterpret_cast<std::int32_t*>(static_cast<unsigned char*>(header) +
                                           PUNIXSharedMemory::cListOffset);
}

// A mapping of the start of an object for a scope; with ownsDescriptor the descriptor is closed
// with it.
class Mapped
{
public:
    Mapped(int descriptor, std::size_t length, bool ownsDescriptor)
        : fDescriptor(ownsDescriptor ? descriptor : -1), fLength(length), fBase(nullptr)
    {
        void* base = mmap(nullptr, fLength, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
        if (base != MAP_FAILED)
            fBase = base;
    }
    ~Mapped()
    {
        if (fBase)
            munmap(fBase, fLength);
        if (fDescriptor >= 0)
            close(fDescriptor);
    }
    Mapped(Mapped const&) = delete;
    Mapped& operator=(Mapped const&) = delete;

    void* Base() const { return fBase; }

private:
    int fDescriptor;
    std::size_t fLength;
    void* fBase;
};

// Takes the ids of processes that no longer run out of the list of a made header of this version;
// the number of entries left, or -1 for a header that is not made, is of another version or holds
// a list length a list cannot have (left alone).
int PurgeDead(void* header)
{
    // A header whose total length is not yet written is still being made by its creator.
    if (Support::Load(header, PUNIXSharedMemory::cTotalLengthOffset) == 0 ||
        Support::Load(header, PUNIXSharedMemory::cVersionOffset) != PUNIXSharedMemory::cVersion)
        return -1;
    std::int32_t const length = Support::Load(header, PUNIXSharedMemory::cListLengthOffset);
    if (!IsListLength(length))
        return -1;
    GProcessInfo& processes = Support::GetProcessInfo();
    std::int32_t const self = Support::GetCurrentProcessID();
    // Asking whether a process runs reads the process table: each id is asked about once.
    GDict<std::int32_t, bool> running;
    std::int32_t* entries = Entries(header);
    int count = length / 4;
    for (int i = 0; i < count;)
    {
        std::int32_t const entry = Support::Load(entries + i, 0);
        bool alive = entry == self;
        if (!alive && !running.Get(entry, alive))
        {
            alive = processes.IsRunning(entry);
            running.Put(entry, alive);
        }
        if (alive)
        {
            ++i;
            continue;
        }
        // The last entry takes the place and is looked at next.
        Support::Store(entries + i, 0, Support::Load(entries + count - 1, 0));
        --count;
    }
    Support::Store(header, PUNIXSharedMemory::cListLengthOffset, count * 4);
    return count;
}
} // namespace

PUNIXSharedMemory::PUNIXSharedMemory(GBuffer const& sessionPrefix, GBuffer const& name)
    : fSessionPrefix(sessionPrefix), fName(GBuffer("/") + name), fDescriptor(-1), fTotalLength(0),
      fMapping(nullptr), fMappedLength(0), fAcquired(false), fMaking(false)
{
    CheckName(name);
    // The list holds process ids: without the service nothing is opened.
    Support::GetProcessInfo();
    fDescriptor = shm_open(reinterpret_cast<char const*>(fName.GetPtr()), O_RDWR, 0);
    // A block left unmade, or by processes that are all gone, is removed, and there is then none to
    // open.
    if (fDescriptor < 0 || !AttachExisting(-1))
        Fail(cCannotOpen);
    if (Acquire() < 0)
        Fail(cListFull);
}

PUNIXSharedMemory::PUNIXSharedMemory(GBuffer const& sessionPrefix, GBuffer const& name, int dataSize,
                                     bool& created)
    : fSessionPrefix(sessionPrefix), fName(GBuffer("/") + name), fDescriptor(-1), fTotalLength(0),
      fMapping(nullptr), fMappedLength(0), fAcquired(false), fMaking(false)
{
    created = false;
    CheckName(name);
    if (dataSize < 0 || dataSize > INT_MAX - cHeaderSize)
        throw GSimpleException(cCannotCreate);
    std::int32_t const total = dataSize + cHeaderSize;
    Support::GetProcessInfo();
    char const* path = reinterpret_cast<char const*>(fName.GetPtr());
    // A block left unmade by a creator that died, or by processes that are all gone, is removed,
    // and the next round makes it anew.
    for (int round = 0;; ++round)
    {
        if (round > cMaxRemakes)
            Fail(cCannotCreate);
        fDescriptor = shm_open(path, O_RDWR, 0);
        if (fDescriptor < 0)
        {
            fDescriptor = shm_open(path, O_RDWR | O_CREAT | O_EXCL, 0777);
            if (fDescriptor >= 0)
            {
                Make(total);
                created = true;
                return;
            }
            // Another process made the block between the two opens: it is there to be opened now.
            if (errno == EEXIST)
                fDescriptor = shm_open(path, O_RDWR, 0);
            if (fDescriptor < 0)
                Fail(cCannotCreate);
        }
        if (AttachExisting(total))
            break;
    }
    if (Acquire() < 0)
        Fail(cListFull);
}

void PUNIXSharedMemory::Make(std::int32_t total)
{
    fMaking = true;
    if (ftruncate(fDescriptor, total) != 0)
        Fail(cCannotResize);
    void* mapping =
        mmap(nullptr, static_cast<std::size_t>(total), PROT_READ | PROT_WRITE, MAP_SHARED, fDescriptor, 0);
    if (mapping == MAP_FAILED || mapping == nullptr)
        Fail(cCannotMap);
    fMapping = mapping;
    fMappedLength = static_cast<std::size_t>(total);
    fTotalLength = total;
    // The creator is listed before the total length marks the header as made, so that no opener
    // reads a header half-written and no purge finds the new block empty.
    Support::Store(ListEntry(0), 0, Support::GetCurrentProcessID());
    Support::Store(fMapping, cListLengthOffset, 4);
    Support::Store(fMapping, cVersionOffset, cVersion);
    Support::Store(fMapping, cTotalLengthOffset, total);
    fAcquired = true;
    fMaking = false;
}

PUNIXSharedMemory::~PUNIXSharedMemory()
{
    CleanUp();
}

void PUNIXSharedMemory::CheckName(GBuffer const& name) const
{
    if (name.IsEmpty() || name.GetLength() > cMaxNameLength || !Support::IsNameable(name))
        throw GSimpleException(cInvalidName);
}

bool PUNIXSharedMemory::AttachExisting(std::int32_t expectedTotal)
{
    // A block smaller than its header is still being made, or was left unmade by a creator that
    // died: mapping it would fault at the first access.
    long long const size = Support::WaitForSize(fDescriptor, cHeaderSize);
    if (size < cHeaderSize)
    {
        if (size >= 0 && GiveUpUnmade())
            return false;
        Fail(cCannotMap);
    }
    // No block is larger: its total length is a 32-bit number.
    if (size > INT_MAX)
        Fail(cOtherSize);
    // The whole object in one mapping, header and data: the header is read and purged there, and
    // the data used from it.
    void* mapping =
        mmap(nullptr, static_cast<std::size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, fDescriptor, 0);
    if (mapping == MAP_FAILED || mapping == nullptr)
        Fail(cCannotMap);
    fMapping = mapping;
    fMappedLength = static_cast<std::size_t>(size);
    // The creator writes the total length last; until then the header is still being made.
    std::int32_t total = Support::Load(fMapping, cTotalLengthOffset);
    if (total == 0)
    {
        GTimer timer;
        timer.Start();
        while (total == 0 && timer.GetElapsedSeconds() < Support::cMakingSeconds)
        {
            PSystem::MilliSleep(1);
            total = Support::Load(fMapping, cTotalLengthOffset);
        }
    }
    if (total == 0 && GiveUpUnmade())
        return false;
    // The consistency check before any open, on the open object itself: a block whose list holds
    // only processes that are gone is given up, whatever its size, and the name is free for the
    // next one.
    if (PurgeDead(fMapping) == 0)
    {
        Support::UnlinkIfNamed(fName, fDescriptor);
        UnmapAndClose();
        return false;
    }
    // The platform may give an object more room than asked (macOS rounds shared memory up to whole
    // pages): only a header that claims more than the object holds cannot be used.
    if (total < cHeaderSize || total > size || (expectedTotal >= 0 && total != expectedTotal))
        Fail(cOtherSize);
    fTotalLength = total;
    if (Support::Load(fMapping, cVersionOffset) != cVersion)
        Fail(cUnknownVersion);
    return true;
}

bool PUNIXSharedMemory::GiveUpUnmade()
{
    // A creator still at work holds the block open; one that died holds nothing, and without this
    // the name would stand for a block nobody can use until someone removed it by hand.
    if (Support::IsHeldElsewhere(fDescriptor))
        return false;
    Support::UnlinkIfNamed(fName, fDescriptor);
    UnmapAndClose();
    return true;
}

void PUNIXSharedMemory::UnmapAndClose()
{
    if (fMapping)
        munmap(fMapping, fMappedLength);
    fMapping = nullptr;
    fMappedLength = 0;
    fTotalLength = 0;
    if (fDescriptor >= 0)
        close(fDescriptor);
    fDescriptor = -1;
}

int PUNIXSharedMemory::Acquire()
{
    std::int32_t const length = Support::Load(fMapping, cListLengthOffset);
    if (!IsListLength(length) || length >= cMaxListLength)
        return -1;
    Support::Store(ListEntry(length / 4), 0, Support::GetCurrentProcessID());
    Support::Store(fMapping, cListLengthOffset, length + 4);
    fAcquired = true;
    return length + 4;
}

int PUNIXSharedMemory::MarkAcquired()
{
    int const length = Acquire();
    if (length < 0)
        throw GSimpleException(cListFull);
    return length;
}

void PUNIXSharedMemory::MarkReleased()
{
    if (fAcquired && fMapping && Support::Load(fMapping, cVersionOffset) == cVersion)
        Release();
    fAcquired = false;
}

void PUNIXSharedMemory::Abandon()
{
    fAcquired = false;
    fMaking = false;
    UnmapAndClose();
}

void PUNIXSharedMemory::Release()
{
    std::int32_t length = Support::Load(fMapping, cListLengthOffset);
    // A list another process has damaged cannot be walked; this process's entry stays in it.
    if (!IsListLength(length))
        return;
    std::int32_t const self = Support::GetCurrentProcessID();
    int const count = length / 4;
    for (int i = 0; i < count; ++i)
    {
        if (Support::Load(ListEntry(i), 0) != self)
            continue;
        if (i != count - 1)
            Support::Store(ListEntry(i), 0, Support::Load(ListEntry(count - 1), 0));
        length -= 4;
        Support::Store(fMapping, cListLengthOffset, length);
        if (length == 0)
            Support::UnlinkIfNamed(fName, fDescriptor);
        return;
    }
}

void PUNIXSharedMemory::CleanUp()
{
    if (fMaking && fDescriptor >= 0)
        Support::UnlinkIfNamed(fName, fDescriptor);
    fMaking = false;
    if (fMapping)
    {
        if (fAcquired && Support::Load(fMapping, cVersionOffset) == cVersion)
        {
            try
            {
                Release();
            }
            catch (GException const&)
            {
                // Without the process-information service this process's entry cannot be found; it
                // stays until a consistency check finds this process gone.
            }
        }
        fAcquired = false;
    }
    UnmapAndClose();
}

void PUNIXSharedMemory::Fail(int id)
{
    CleanUp();
    throw GSimpleException(id);
}

void PUNIXSharedMemory::CheckConsistency(GBuffer const& posixName)
{
    char const* path = reinterpret_cast<char const*>(posixName.GetPtr());
    int const descriptor = shm_open(path, O_RDWR, 0);
    if (descriptor < 0)
        return;
    // A block without a whole header is still being made: there is no list to purge yet.
    if (Support::WaitForSize(descriptor, 0) < cHeaderSize)
    {
        close(descriptor);
        return;
    }
    Mapped const header(descriptor, cHeaderSize, true);
    // A block whose last process left it was unlinked by that process: its name may already name
    // the next block.
    if (header.Base() && PurgeDead(header.Base()) == 0)
        Support::UnlinkIfNamed(posixName, descriptor);
}

bool PUNIXSharedMemory::IsNamed(GBuffer const& posixName)
{
    int const descriptor = shm_open(reinterpret_cast<char const*>(posixName.GetPtr()), O_RDONLY, 0);
    if (descriptor < 0)
        return false;
    close(descriptor);
    return true;
}

void PUNIXSharedMemory::Read(int offset, void* destination, int count) const
{
    if (offset < 0 || count < 0 || offset > GetLength() - count)
        throw GSimpleException(cCannotRead);
    if (count > 0)
        std::memcpy(destination, static_cast<unsigned char const*>(fMapping) + cHeaderSize + offset,
                    static_cast<std::size_t>(count));
}

void PUNIXSharedMemory::Write(int offset, void const* source, int count)
{
    if (offset < 0 || count < 0 || offset > GetLength() - count)
        throw GSimpleException(cCannotWrite);
    if (count > 0)
        std::memcpy(static_cast<unsigned char*>(fMapping) + cHeaderSize + offset, source,
                    static_cast<std::size_t>(count));
}

bool PUNIXSharedMemory::Exists(GBuffer const& sessionPrefix, GBuffer const& name)
{
    try
    {
        PUNIXSharedMemory const block(sessionPrefix, name);
        return true;
    }
    catch (GException const&)
    {
        // Every way the open can fail means there is no block this process can use.
        return false;
    }
}
