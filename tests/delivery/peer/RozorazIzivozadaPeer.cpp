// A test peer of the job channel: it registers in the registry of receiving processes, polls the
// delivery flag of its entry, takes the records of its queue and appends each job text it receives
// to a file. It is written as the receiving process is, by others: it shares nothing with the
// sending side but the bytes of the registry, the queue and their named mutexes, which it reads and
// writes with POSIX calls and offsets of its own, so that a layout error of the sending side shows
// as a failure to talk to it. The objects it makes it sizes to whole pages, as macOS does.
//
//     RozorazIzivozada <job file> [mode] [poll milliseconds] [late milliseconds]
//
// Modes: "listen" (the default); "never-read" (registers but never takes a record); "read-late"
// (takes the records only once the flag has been set for the late milliseconds); "exit-unregistered"
// (ends at once after registering, leaving its entry, and its queue as a crash leaves it); "damage-header" (writes an end offset no
// queue can have into its queue); "foreign-record" (puts a record of another version, only its
// version and length fields, at the head of its queue, and listens); "drain-under-registry" (holds
// the registry's lock while it looks at its flag and drains its queue, lingering the late
// milliseconds under it before it takes the queue's lock); "hold-queue" (takes its queue's lock and
// never lets go); "slow-take" (the first time a record is in its queue, holds the queue's lock for the
// late milliseconds and takes the records before it lets go); "slow-look" (the same, but lets go
// without taking them, and then listens). Each job is written as its bytes followed by a line "#ENDJOB"; a job whose text is
// no dictionary as "#BADJOB". SIGTERM, or message 146, ends it, unregistered.
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "GBasicFrameworkCoreLayer.h"
#include "GBuffer.h"
#include "GDict.h"
#include "GString.h"
#include "GUTF8Encoding.h"

namespace
{
// A named mutex's segment: magic, version, reference count, owner, management lock.
constexpr std::size_t cMutexSize = 80;
constexpr int cMutexMagic = 0;
constexpr int cMutexVersion = 4;
constexpr int cMutexCount = 8;
constexpr int cMutexOwner = 12;
constexpr int cMutexManagement = 16;
constexpr std::int32_t cMagic = 0x4D555458;
// A block: total length, version, list length, the list of attached process ids, then the data.
constexpr int cBlockHeader = 4108;
constexpr int cBlockTotal = 0;
constexpr int cBlockVersion = 4;
constexpr int cBlockListLength = 8;
constexpr int cBlockList = 12;
constexpr int cBlockMaxList = 4096;
// The registry's data: version, counter, end offset, then entries of (process id, registration id,
// flag).
constexpr int cRegistrySize = 3084;
constexpr int cRegistryEnd = 8;
constexpr int cFirstEntry = 12;
constexpr int cEntrySize = 12;
// A queue's data: version, end offset, then records of (version, length, sender, message id, n,
// data).
constexpr int cQueueSize = 32768;
constexpr int cQueueEnd = 4;
constexpr int cFirstRecord = 8;

volatile std::sig_atomic_t sStop = 0;

void OnTerminate(int)
{
    sStop = 1;
}

std::int32_t* Word(void* base, int offset)
{
    return reinterpret_cast<std::int32_t*>(static_cast<unsigned char*>(base) + offset);
}

std::int32_t Load(void* base, int offset)
{
    return __atomic_load_n(Word(base, offset), __ATOMIC_ACQUIRE);
}

void Store(void* base, int offset, std::int32_t value)
{
    __atomic_store_n(Word(base, offset), value, __ATOMIC_RELEASE);
}

bool Swap(void* base, int offset, std::int32_t expected, std::int32_t desired)
{
    return __atomic_compare_exchange_n(Word(base, offset), &expected, desired, false, __ATOMIC_ACQ_REL,
                                       __ATOMIC_ACQUIRE);
}

bool IsRunning(std::int32_t pid)
{
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

void Sleep(int milliseconds)
{
    usleep(static_cast<useconds_t>(milliseconds) * 1000);
}

long long PageRounded(long long size)
{
    long long const page = sysconf(_SC_PAGESIZE);
    return (size + page - 1) / page * page;
}

// Takes an owner word from free, or from a holder that no longer runs (looked at once a second).
void TakeWord(void* base, int offset)
{
    std::int32_t const self = getpid();
    for (int attempt = 0; !Swap(base, offset, 0, self); ++attempt)
    {
        if (attempt % 1000 == 999)
        {
            std::int32_t const holder = Load(base, offset);
            if (holder != 0 && !IsRunning(holder) && Swap(base, offset, holder, self))
                return;
        }
        Sleep(1);
    }
}

// Opens (or creates) a shared-memory object read-write: its descriptor, or -1.
int OpenObject(std::string const& name, bool& created)
{
    created = false;
    int descriptor = shm_open(name.c_str(), O_RDWR, 0);
    if (descriptor >= 0)
        return descriptor;
    descriptor = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0777);
    if (descriptor >= 0)
    {
        created = true;
        return descriptor;
    }
    return errno == EEXIST ? shm_open(name.c_str(), O_RDWR, 0) : -1;
}

long long SizeOf(int descriptor)
{
    struct stat facts;
    return fstat(descriptor, &facts) == 0 ? static_cast<long long>(facts.st_size) : -1;
}

void* Map(int descriptor, std::size_t size)
{
    void* base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    if (base == MAP_FAILED)
        throw std::runtime_error("cannot map");
    return base;
}

// The named mutex "/ZlvShL" + id, counted in its segment while open.
class Mutex
{
public:
    explicit Mutex(std::string const& id) : fName("/ZlvShL" + id)
    {
        for (;;)
        {
            bool created = false;
            fDescriptor = OpenObject(fName, created);
            if (fDescriptor < 0)
                throw std::runtime_error("cannot open " + fName);
            if (created)
            {
                if (ftruncate(fDescriptor, PageRounded(cMutexSize)) != 0)
                    throw std::runtime_error("cannot size " + fName);
                fBase = Map(fDescriptor, cMutexSize);
                Store(fBase, cMutexManagement, 0);
                Store(fBase, cMutexVersion, 1);
                Store(fBase, cMutexCount, 1);
                Store(fBase, cMutexOwner, 0);
                Store(fBase, cMutexMagic, cMagic);
                return;
            }
            for (int wait = 0; SizeOf(fDescriptor) < static_cast<long long>(cMutexSize); ++wait)
            {
                if (wait == 1000)
                    throw std::runtime_error("unsized " + fName);
                Sleep(1);
            }
            fBase = Map(fDescriptor, cMutexSize);
            for (int wait = 0; Load(fBase, cMutexMagic) != cMagic; ++wait)
            {
                if (wait == 1000)
                    throw std::runtime_error("unmarked " + fName);
                Sleep(1);
            }
            if (Load(fBase, cMutexVersion) != 1)
                throw std::runtime_error("other version " + fName);
            TakeWord(fBase, cMutexManagement);
            std::int32_t const count = Load(fBase, cMutexCount);
            if (count > 0)
            {
                Store(fBase, cMutexCount, count + 1);
                Store(fBase, cMutexManagement, 0);
                return;
            }
            // Given up by its last user: the name is opened anew.
            Store(fBase, cMutexManagement, 0);
            Close();
        }
    }
    ~Mutex()
    {
        if (!fBase)
            return;
        TakeWord(fBase, cMutexManagement);
        std::int32_t const count = Load(fBase, cMutexCount);
        if (count < 2)
        {
            Store(fBase, cMutexCount, 0);
            shm_unlink(fName.c_str());
        }
        else
            Store(fBase, cMutexCount, count - 1);
        Store(fBase, cMutexManagement, 0);
        Close();
    }
    Mutex(Mutex const&) = delete;
    Mutex& operator=(Mutex const&) = delete;

    void Lock() { TakeWord(fBase, cMutexOwner); }
    void Unlock() { Store(fBase, cMutexOwner, 0); }

private:
    void Close()
    {
        if (fBase)
            munmap(fBase, cMutexSize);
        fBase = nullptr;
        if (fDescriptor >= 0)
            close(fDescriptor);
        fDescriptor = -1;
    }

    std::string fName;
    int fDescriptor = -1;
    void* fBase = nullptr;
};

// Holds a mutex for a scope.
class Held
{
public:
    explicit Held(Mutex& mutex) : fMutex(mutex) { fMutex.Lock(); }
    ~Held() { fMutex.Unlock(); }
    Held(Held const&) = delete;
    Held& operator=(Held const&) = delete;

private:
    Mutex& fMutex;
};

// The block "/ZlvShD" + id with dataSize bytes of data, opened or made under its mutex, with this
// process in its list while open.
class Block
{
public:
    Block(std::string const& id, int dataSize) : fMutex(id), fName("/ZlvShD" + id)
    {
        Held const hold(fMutex);
        bool created = false;
        fDescriptor = OpenObject(fName, created);
        if (fDescriptor < 0)
            throw std::runtime_error("cannot open " + fName);
        std::int32_t const total = cBlockHeader + dataSize;
        fTotal = static_cast<std::size_t>(total);
        if (created)
        {
            if (ftruncate(fDescriptor, PageRounded(total)) != 0)
                throw std::runtime_error("cannot size " + fName);
            fBase = Map(fDescriptor, fTotal);
            Store(fBase, cBlockList, getpid());
            Store(fBase, cBlockListLength, 4);
            Store(fBase, cBlockVersion, 1);
            Store(fBase, cBlockTotal, total);
            return;
        }
        if (SizeOf(fDescriptor) < total)
            throw std::runtime_error("too small " + fName);
        fBase = Map(fDescriptor, fTotal);
        if (Load(fBase, cBlockTotal) != total || Load(fBase, cBlockVersion) != 1)
            throw std::runtime_error("other block " + fName);
        std::int32_t const length = Load(fBase, cBlockListLength);
        if (length < 0 || length >= cBlockMaxList || length % 4 != 0)
            throw std::runtime_error("list full " + fName);
        Store(fBase, cBlockList + length, getpid());
        Store(fBase, cBlockListLength, length + 4);
    }
    ~Block()
    {
        {
            Held const hold(fMutex);
            std::int32_t const length = Load(fBase, cBlockListLength);
            for (int offset = 0; offset >= 0 && offset < length && length <= cBlockMaxList; offset += 4)
            {
                if (Load(fBase, cBlockList + offset) != getpid())
                    continue;
                Store(fBase, cBlockList + offset, Load(fBase, cBlockList + length - 4));
                Store(fBase, cBlockListLength, length - 4);
                if (length == 4)
                    shm_unlink(fName.c_str());
                break;
            }
            munmap(fBase, fTotal);
            close(fDescriptor);
        }
    }
    Block(Block const&) = delete;
    Block& operator=(Block const&) = delete;

    Mutex& GetMutex() { return fMutex; }
    std::int32_t Get(int offset) { return Load(Data(), offset); }
    void Put(int offset, std::int32_t value) { Store(Data(), offset, value); }
    unsigned char* Data() { return static_cast<unsigned char*>(fBase) + cBlockHeader; }

private:
    Mutex fMutex;
    std::string fName;
    int fDescriptor = -1;
    std::size_t fTotal = 0;
    void* fBase = nullptr;
};

// The offset of this process's entry, or -1.
int FindEntry(Block& registry, int self, int registration)
{
    std::int32_t const end = registry.Get(cRegistryEnd);
    if (end < cFirstEntry || end > cRegistrySize || end % cEntrySize != 0)
        return -1;
    for (int entry = cFirstEntry; entry < end; entry += cEntrySize)
        if (registry.Get(entry) == self && registry.Get(entry + 4) == registration)
            return entry;
    return -1;
}

int Register(Block& registry, int self)
{
    Held const hold(registry.GetMutex());
    std::int32_t const end = registry.Get(cRegistryEnd);
    if (end < cFirstEntry || end + cEntrySize > cRegistrySize || end % cEntrySize != 0)
        return 0;
    unsigned seed = static_cast<unsigned>(self) ^ static_cast<unsigned>(std::time(nullptr));
    for (;;)
    {
        int const draw = rand_r(&seed);
        bool used = draw == 0;
        for (int entry = cFirstEntry; entry < end && !used; entry += cEntrySize)
            used = registry.Get(entry + 4) == draw;
        if (used)
            continue;
        registry.Put(end, self);
        registry.Put(end + 4, draw);
        registry.Put(end + 8, 0);
        registry.Put(cRegistryEnd, end + cEntrySize);
        return draw;
    }
}

void Unregister(Block& registry, int self, int registration)
{
    Held const hold(registry.GetMutex());
    int const entry = FindEntry(registry, self, registration);
    if (entry < 0)
        return;
    int const last = registry.Get(cRegistryEnd) - cEntrySize;
    for (int field = 0; field < cEntrySize; field += 4)
        registry.Put(entry + field, registry.Get(last + field));
    registry.Put(cRegistryEnd, last);
}

// Under the registry's lock.
bool FlagIsSet(Block& registry, int self, int registration)
{
    int const entry = FindEntry(registry, self, registration);
    return entry >= 0 && registry.Get(entry + 8) != 0;
}

struct Record
{
    std::int32_t fMessageID;
    GBuffer fData;
};

// Under the queue's lock: takes every version-1 record of the queue, skipping those of another
// version by their length; a queue whose offsets make no sense is emptied unread.
std::vector<Record> TakeRecords(Block& queue)
{
    std::vector<Record> records;
    std::int32_t const end = queue.Get(cQueueEnd);
    if (end >= cFirstRecord && end <= cQueueSize)
    {
        for (int offset = cFirstRecord; offset + 8 <= end;)
        {
            std::int32_t const version = queue.Get(offset);
            std::int32_t const length = queue.Get(offset + 4);
            if (length < 0 || length > end - offset - 8)
                break;
            if (version == 1 && length >= 12 && queue.Get(offset + 16) == length - 12)
            {
                Record record;
                record.fMessageID = queue.Get(offset + 12);
                record.fData = GBuffer(queue.Data() + offset + 20, length - 12);
                records.push_back(record);
            }
            offset += 8 + length;
        }
    }
    queue.Put(cQueueEnd, cFirstRecord);
    return records;
}

void WriteJob(std::string const& path, GBuffer const& bytes)
{
    FILE* file = std::fopen(path.c_str(), "ab");
    if (!file)
        return;
    GDict<GBuffer, GString> dict;
    if (dict.FromString(GString(bytes, GUTF8Encoding::GetInstance(), false)))
    {
        std::fwrite(bytes.GetPtr(), 1, static_cast<std::size_t>(bytes.GetLength()), file);
        std::fputs("#ENDJOB\n", file);
    }
    else
        std::fputs("#BADJOB\n", file);
    std::fclose(file);
}

void Handle(std::vector<Record> const& records, std::string const& jobFile)
{
    for (Record const& record : records)
    {
        if (record.fMessageID == 145)
            WriteJob(jobFile, record.fData);
        else if (record.fMessageID == 146)
            sStop = 1;
    }
}

int Run(std::string const& jobFile, std::string const& mode, int pollMilliseconds, int lateMilliseconds)
{
    int const self = getpid();
    auto registryHolder = std::make_unique<Block>("GIPC_PP", cRegistrySize);
    Block& registry = *registryHolder;
    {
        Held const hold(registry.GetMutex());
        if (registry.Get(0) == 0)
        {
            registry.Put(4, static_cast<std::int32_t>(std::clock()));
            registry.Put(cRegistryEnd, cFirstEntry);
            registry.Put(0, 1);
        }
        else if (registry.Get(0) != 1)
            return 3;
    }
    int const registration = Register(registry, self);
    if (registration == 0)
        return 4;
    Block queue("P" + std::to_string(self) + "MQ" + std::to_string(registration), cQueueSize);
    {
        Held const hold(queue.GetMutex());
        if (queue.Get(0) == 0)
        {
            queue.Put(cQueueEnd, cFirstRecord);
            queue.Put(0, 1);
        }
        if (mode == "damage-header")
            queue.Put(cQueueEnd, -8);
        if (mode == "foreign-record")
        {
            queue.Put(cFirstRecord, 2);
            queue.Put(cFirstRecord + 4, 0);
            queue.Put(cQueueEnd, cFirstRecord + 8);
        }
    }
    if (mode == "exit-unregistered")
    {
        // Its queue is left as a crash leaves it; the registry, which every receiver shares, is let
        // go of as a receiver ends, so that only the queue is left to purge.
        registryHolder.reset();
        _exit(0);
    }
    if (mode == "hold-queue")
        queue.GetMutex().Lock();

    long flaggedFor = 0;
    bool slow = mode == "slow-take" || mode == "slow-look";
    while (!sStop)
    {
        Sleep(pollMilliseconds);
        if (mode == "drain-under-registry")
        {
            // The other order of the two locks than a sender's: the registry's first, the queue's
            // inside it.
            Held const holdRegistry(registry.GetMutex());
            if (!FlagIsSet(registry, self, registration))
                continue;
            Sleep(lateMilliseconds);
            Held const holdQueue(queue.GetMutex());
            Handle(TakeRecords(queue), jobFile);
            continue;
        }
        bool flagged = false;
        {
            Held const hold(registry.GetMutex());
            flagged = FlagIsSet(registry, self, registration);
        }
        if (!flagged)
        {
            flaggedFor = 0;
            continue;
        }
        flaggedFor += pollMilliseconds;
        if (slow)
        {
            // Once, with a sender's record in the queue: the sender then waits for the lock beyond
            // its bound.
            Held const hold(queue.GetMutex());
            if (queue.Get(cQueueEnd) == cFirstRecord)
                continue;
            slow = false;
            Sleep(lateMilliseconds);
            if (mode == "slow-take")
                Handle(TakeRecords(queue), jobFile);
            continue;
        }
        if (mode == "never-read" || mode == "damage-header" || mode == "hold-queue" ||
            (mode == "read-late" && flaggedFor < lateMilliseconds))
            continue;
        std::vector<Record> records;
        {
            Held const hold(queue.GetMutex());
            records = TakeRecords(queue);
        }
        Handle(records, jobFile);
    }
    if (mode == "hold-queue")
        queue.GetMutex().Unlock();
    Unregister(registry, self, registration);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s <job file> [mode] [poll milliseconds] [late milliseconds]\n",
                     argv[0]);
        return 2;
    }
    std::signal(SIGTERM, OnTerminate);
    std::string const mode = argc > 2 ? argv[2] : "listen";
    int const poll = argc > 3 ? std::atoi(argv[3]) : 100;
    int const late = argc > 4 ? std::atoi(argv[4]) : 0;
    // The foundation only reads the job texts.
    GBasicFrameworkCoreLayer::Initialize();
    int result = 1;
    try
    {
        result = Run(argv[1], mode, poll > 0 ? poll : 1, late);
    }
    catch (std::exception const& exception)
    {
        std::fprintf(stderr, "RozorazIzivozada: %s\n", exception.what());
    }
    GBasicFrameworkCoreLayer::Finalize();
    return result;
}
