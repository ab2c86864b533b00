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
} // namespace

PUNIXSharedMemory::PUNIXSharedMemory(GBuffer const& sessionPrefix, GBuffer const& name)
    : fSessionPrefix(sessionPrefix), fName(GBuffer("/") + name), fDescriptor(-1), fTotalLength(0),
      fMapping(nullptr), fAcquired(false), fMaking(false)
{
    CheckName(name);
    // The list holds process ids: without the service nothing is opened.
    Support::GetProcessInfo();
    CheckConsistency(fName);
    fDescriptor = shm_open(reinterpret_cast<char const*>(fName.GetPtr()), O_RDWR, 0);
    if (fDescriptor < 0)
        Fail(cCannotOpen);
    AttachExisting(-1);
    if (Acquire() < 0)
        Fail(cListFull);
}

PUNIXSharedMemory::PUNIXSharedMemory(GBuffer const& sessionPrefix, GBuffer const& name, int dataSize,
                                     bool& created)
    : fSessionPrefix(sessionPrefix), fName(GBuffer("/") + name), fDescriptor(-1), fTotalLength(0),
      fMapping(nullptr), fAcquired(false), fMaking(false)
{
    created = false;
    CheckName(name);
    if (dataSize < 0 || dataSize > INT_MAX - cHeaderSize)
        throw GSimpleException(cCannotCreate);
    std::int32_t const total = dataSize + cHeaderSize;
    Support::GetProcessInfo();
    CheckConsistency(fName);
    char const* path = reinterpret_cast<char const*>(fName.GetPtr());
    fDescriptor = shm_open(path, O_RDWR, 0);
    if (fDescriptor < 0)
    {
        fDescriptor = shm_open(path, O_RDWR | O_CREAT | O_EXCL, 0777);
        if (fDescriptor >= 0)
        {
            fMaking = true;
            created = true;
            Support::OpenToEveryone(fDescriptor);
            if (ftruncate(fDescriptor, total) != 0)
                Fail(cCannotResize);
            void* mapping = mmap(nullptr, static_cast<std::size_t>(total), PROT_READ | PROT_WRITE, MAP_SHARED,
                                 fDescriptor, 0);
            if (mapping == MAP_FAILED || mapping == nullptr)
                Fail(cCannotMap);
            fMapping = mapping;
            fTotalLength = total;
            // The creator is listed before the total length marks the header as made, so that no
            // opener reads a header half-written and no purge finds the new block empty.
            Support::Store(ListEntry(0), 0, Support::GetCurrentProcessID());
            Support::Store(fMapping, cListLengthOffset, 4);
            Support::Store(fMapping, cVersionOffset, cVersion);
            Support::Store(fMapping, cTotalLengthOffset, total);
            fAcquired = true;
            fMaking = false;
            return;
        }
        // Another process made the block between the two opens: it is there to be opened now.
        if (errno == EEXIST)
            fDescriptor = shm_open(path, O_RDWR, 0);
        if (fDescriptor < 0)
            Fail(cCannotCreate);
    }
    AttachExisting(total);
    if (Acquire() < 0)
        Fail(cListFull);
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

void PUNIXSharedMemory::AttachExisting(std::int32_t expectedTotal)
{
    // A block smaller than its header is still being made, or was left unmade by a creator that
    // died: mapping it would fault at the first access.
    long long const size = Support::WaitForSize(fDescriptor, cHeaderSize);
    if (size < cHeaderSize)
        Fail(cCannotMap);
    if (size > INT_MAX || (expectedTotal >= 0 && size != expectedTotal))
        Fail(cOtherSize);
    std::int32_t total = 0;
    {
        Mapped const header(fDescriptor, cHeaderSize, false);
        if (!header.Base())
            Fail(cCannotMap);
        // The creator writes the total length last; until then the header is still being made.
        total = Support::Load(header.Base(), cTotalLengthOffset);
        if (total == 0)
        {
            GTimer timer;
            timer.Start();
            while (total == 0 && timer.GetElapsedSeconds() < Support::cMakingSeconds)
            {
                PSystem::MilliSleep(1);
                total = Support::Load(header.Base(), cTotalLengthOffset);
            }
        }
    }
    if (total != size)
        Fail(cOtherSize);
    void* mapping =
        mmap(nullptr, static_cast<std::size_t>(total), PROT_READ | PROT_WRITE, MAP_SHARED, fDescriptor, 0);
    if (mapping == MAP_FAILED || mapping == nullptr)
        Fail(cCannotMap);
    fMapping = mapping;
    fTotalLength = total;
    if (Support::Load(fMapping, cVersionOffset) != cVersion)
        Fail(cUnknownVersion);
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
        munmap(fMapping, static_cast<std::size_t>(fTotalLength));
        fMapping = nullptr;
    }
    if (fDescriptor >= 0)
    {
        close(fDescriptor);
        fDescriptor = -1;
    }
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
    void* base = header.Base();
    // A header whose total length is not yet written is still being made by its creator.
    if (!base || Support::Load(base, cTotalLengthOffset) == 0 ||
        Support::Load(base, cVersionOffset) != cVersion)
        return;
    std::int32_t length = Support::Load(base, cListLengthOffset);
    if (!IsListLength(length))
        return;
    GProcessInfo& processes = Support::GetProcessInfo();
    std::int32_t const self = Support::GetCurrentProcessID();
    // Asking whether a process runs reads the whole process table: each id is asked about once.
    GDict<std::int32_t, bool> running;
    std::int32_t* entries = Entries(base);
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
    Support::Store(base, cListLengthOffset, count * 4);
    // A block whose last process left it was unlinked by that process: its name may already name
    // the next block.
    if (count == 0)
        Support::UnlinkIfNamed(posixName, descriptor);
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
