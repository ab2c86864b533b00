// A test peer of the job channel: it registers in the registry of receiving processes, polls the
// delivery flag of its entry, takes the records of its queue and appends each job text it receives
// to a file. It reads and writes the registry's and the queue's bytes itself, from their layouts,
// sharing only the blocks and their named mutexes with the sending side.
//
//     RozorazIzivozada <job file> [mode] [poll milliseconds] [late milliseconds]
//
// Modes: "listen" (the default); "never-read" (registers but never takes a record); "read-late"
// (takes the records only once the flag has been set for the late milliseconds); "exit-unregistered"
// (ends at once after registering, leaving its entry); "damage-header" (writes an end offset no
// queue can have into its queue). Each job is written as its bytes followed by a line "#ENDJOB";
// a job whose text is no dictionary as "#BADJOB". SIGTERM, or message 146, ends it, unregistered.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

#include "GBasicFrameworkCoreLayer.h"
#include "GBuffer.h"
#include "GDict.h"
#include "GException.h"
#include "GProcessInfo.h"
#include "GSharedMemoryBase.h"
#include "GString.h"
#include "GUTF8Encoding.h"
#include "PMacXProcessInfo.h"
#include "PUNIXSharedMemory.h"

namespace
{
using Block = GSharedMemoryBase<PUNIXSharedMemory>;

// The registry: version, counter, end offset, then entries of (process id, registration id, flag).
constexpr int cRegistrySize = 3084;
constexpr int cRegistryEnd = 8;
constexpr int cFirstEntry = 12;
constexpr int cEntrySize = 12;
// A queue: version, end offset, then records of (version, length, sender, message id, n, data).
constexpr int cQueueSize = 32768;
constexpr int cQueueEnd = 4;
constexpr int cFirstRecord = 8;

volatile std::sig_atomic_t sStop = 0;

void OnTerminate(int)
{
    sStop = 1;
}

std::int32_t Get(Block& block, int offset)
{
    std::int32_t value = 0;
    block.SetPosition(offset);
    if (block.Read(reinterpret_cast<unsigned char*>(&value), 4) != 4)
        throw std::runtime_error("short read");
    return value;
}

void Put(Block& block, int offset, std::int32_t value)
{
    block.SetPosition(offset);
    if (block.Write(reinterpret_cast<unsigned char const*>(&value), 4) != 4)
        throw std::runtime_error("short write");
}

// Holds a block's mutex for a scope.
class Held
{
public:
    explicit Held(Block& block) : fBlock(block) { fBlock.Lock(); }
    ~Held() { fBlock.Unlock(); }
    Held(Held const&) = delete;
    Held& operator=(Held const&) = delete;

private:
    Block& fBlock;
};

GBuffer Name(std::string const& text)
{
    return GBuffer(text.c_str());
}

// The offset of this process's entry, or -1.
int FindEntry(Block& registry, int self, int registration)
{
    std::int32_t const end = Get(registry, cRegistryEnd);
    if (end < cFirstEntry || end > cRegistrySize || end % cEntrySize != 0)
        return -1;
    for (int entry = cFirstEntry; entry < end; entry += cEntrySize)
        if (Get(registry, entry) == self && Get(registry, entry + 4) == registration)
            return entry;
    return -1;
}

int Register(Block& registry, int self)
{
    Held const hold(registry);
    std::int32_t const end = Get(registry, cRegistryEnd);
    if (end < cFirstEntry || end + cEntrySize > cRegistrySize || end % cEntrySize != 0)
        return 0;
    unsigned seed = static_cast<unsigned>(self) ^ static_cast<unsigned>(std::time(nullptr));
    for (;;)
    {
        int const draw = rand_r(&seed);
        bool used = draw == 0;
        for (int entry = cFirstEntry; entry < end && !used; entry += cEntrySize)
            used = Get(registry, entry + 4) == draw;
        if (used)
            continue;
        Put(registry, end, self);
        Put(registry, end + 4, draw);
        Put(registry, end + 8, 0);
        Put(registry, cRegistryEnd, end + cEntrySize);
        return draw;
    }
}

void Unregister(Block& registry, int self, int registration)
{
    Held const hold(registry);
    int const entry = FindEntry(registry, self, registration);
    if (entry < 0)
        return;
    int const last = Get(registry, cRegistryEnd) - cEntrySize;
    for (int field = 0; field < cEntrySize; field += 4)
        Put(registry, entry + field, Get(registry, last + field));
    Put(registry, cRegistryEnd, last);
}

bool FlagIsSet(Block& registry, int self, int registration)
{
    Held const hold(registry);
    int const entry = FindEntry(registry, self, registration);
    return entry >= 0 && Get(registry, entry + 8) != 0;
}

struct Record
{
    std::int32_t fMessageID;
    GBuffer fData;
};

// Takes every record of the queue; a queue whose offsets make no sense is emptied unread.
std::vector<Record> TakeRecords(Block& queue)
{
    Held const hold(queue);
    std::vector<Record> records;
    std::int32_t const end = Get(queue, cQueueEnd);
    if (end >= cFirstRecord && end <= cQueueSize)
    {
        for (int offset = cFirstRecord; offset + 20 <= end;)
        {
            std::int32_t const version = Get(queue, offset);
            std::int32_t const length = Get(queue, offset + 4);
            if (length < 12 || length > end - offset - 8)
                break;
            std::int32_t const count = Get(queue, offset + 16);
            if (version == 1 && count == length - 12)
            {
                Record record;
                record.fMessageID = Get(queue, offset + 12);
                queue.SetPosition(offset + 20);
                queue.Read(record.fData, count);
                records.push_back(record);
            }
            offset += 8 + length;
        }
    }
    Put(queue, cQueueEnd, cFirstRecord);
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

int Run(std::string const& jobFile, std::string const& mode, int pollMilliseconds, int lateMilliseconds)
{
    int const self = getpid();
    bool created = false;
    Block registry(GBuffer(), Name("GIPC_PP"), cRegistrySize, created);
    {
        Held const hold(registry);
        if (created || Get(registry, 0) == 0)
        {
            Put(registry, 4, static_cast<std::int32_t>(std::clock()));
            Put(registry, cRegistryEnd, cFirstEntry);
            Put(registry, 0, 1);
        }
        else if (Get(registry, 0) != 1)
            return 3;
    }
    int const registration = Register(registry, self);
    if (registration == 0)
        return 4;
    bool queueCreated = false;
    Block queue(GBuffer(), Name("P" + std::to_string(self) + "MQ" + std::to_string(registration)), cQueueSize,
                queueCreated);
    {
        Held const hold(queue);
        if (queueCreated)
        {
            Put(queue, cQueueEnd, cFirstRecord);
            Put(queue, 0, 1);
        }
        if (mode == "damage-header")
            Put(queue, cQueueEnd, -8);
    }
    if (mode == "exit-unregistered")
        _exit(0);

    long flaggedFor = 0;
    while (!sStop)
    {
        usleep(static_cast<useconds_t>(pollMilliseconds) * 1000);
        if (!FlagIsSet(registry, self, registration))
        {
            flaggedFor = 0;
            continue;
        }
        flaggedFor += pollMilliseconds;
        if (mode == "never-read" || mode == "damage-header" || (mode == "read-late" && flaggedFor < lateMilliseconds))
            continue;
        for (Record const& record : TakeRecords(queue))
        {
            if (record.fMessageID == 145)
                WriteJob(jobFile, record.fData);
            else if (record.fMessageID == 146)
                sStop = 1;
        }
    }
    Unregister(registry, self, registration);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s <job file> [mode] [poll milliseconds] [late milliseconds]\n", argv[0]);
        return 2;
    }
    std::signal(SIGTERM, OnTerminate);
    std::string const mode = argc > 2 ? argv[2] : "listen";
    int const poll = argc > 3 ? std::atoi(argv[3]) : 100;
    int const late = argc > 4 ? std::atoi(argv[4]) : 0;
    GBasicFrameworkCoreLayer::Initialize();
    GProcessInfo::SetInstance(new PMacXProcessInfo);
    int result = 1;
    try
    {
        result = Run(argv[1], mode, poll > 0 ? poll : 1, late);
    }
    catch (GException const& exception)
    {
        std::fprintf(stderr, "RozorazIzivozada: error %d\n", exception.GetExceptionID());
    }
    catch (std::exception const& exception)
    {
        std::fprintf(stderr, "RozorazIzivozada: %s\n", exception.what());
    }
    GProcessInfo::SetInstance(nullptr);
    GBasicFrameworkCoreLayer::Finalize();
    return result;
}
