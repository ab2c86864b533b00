// Hostile bytes in the registry of receiving processes and in a message queue, as any local process
// can write them: registrations, flags, look-ups, appends, removals, reads and a send through the
// IPC manager then run over the damage. Each either works or fails with one of the channel's own
// errors (the send through the corrupted-target path), nothing hangs, nothing is written outside
// the data of the object worked on, a send leaves no record of its own behind, and a job text read
// back from a queue survives its own text form.
//
// Input: one byte of switches, a 16-bit count of bytes laid over the registry's data from its
// start, those bytes, then the bytes laid over the queue's data from its start. A version laid as 0
// is made 2: an opener takes 0 for a header its creator is still writing and waits a second for it,
// which only slows the run down.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "GException.h"
#include "GPPIPCManager.h"
#include "GPPIPCMessageQueue.h"
#include "GPPIPCMessageQueueMgr.h"
#include "GPPJobInfo.h"
#include "GPPRozorazIzivozadaLayer.h"
#include "GProcessInfo.h"
#include "GShMemID.h"
#include "GUTF8Encoding.h"
#include "FuzzCheck.h"
#include "MappedSharedObject.h"
#include "PUNIXSharedMemory.h"

namespace
{
using Mgr = GPPIPCMessageQueueMgr;
using Queue = GPPIPCMessageQueue;

using fuzzsupport::Fail;

bool IsChannelError(int id)
{
    switch (id)
    {
    case 40153: // too large
    case 40154: // unknown version
    case 40160: // not enough space
    case 40161: // not enough data
    case 40162: // invalid characters
    case 40163: // read error, damaged offsets
    case 40164: // write error
    case 40165: // cannot open
    case 40168: // other size
    case 40171: // list full
        return true;
    default:
        return false;
    }
}

// Runs the operation; a GException must carry one of these errors. True when it succeeded.
template<class Operation>
bool Try(char const* what, Operation operation)
{
    return fuzzsupport::TryExpecting(what, IsChannelError, operation);
}

// The whole POSIX object as another process maps it, with the block's data after its header.
class View : public fuzzsupport::MappedSharedObject
{
public:
    using MappedSharedObject::MappedSharedObject;

    std::uint8_t* Data() const { return Bytes() + PUNIXSharedMemory::cHeaderSize; }
    std::vector<std::uint8_t> Header() const
    {
        return std::vector<std::uint8_t>(Bytes(), Bytes() + PUNIXSharedMemory::cHeaderSize);
    }
};

// Lays bytes over a block's data, with a version of 0 made 2.
void Lay(std::uint8_t* data, std::uint8_t const* bytes, std::size_t count)
{
    std::memcpy(data, bytes, count);
    std::int32_t version = 0;
    std::memcpy(&version, data, sizeof version);
    if (version == 0)
    {
        version = 2;
        std::memcpy(data, &version, sizeof version);
    }
}

// A job text read back from a queue is parsed and written; that text reads back to a job whose text
// is the same. (The first text need not be: the text form turns a line feed into the platform's line
// end, for one.)
void CheckJobText(GBuffer const& bytes)
{
    GPPJobInfo const first(GString(bytes, GUTF8Encoding::GetInstance(), false));
    GString text;
    first.ToGString(text);
    GPPJobInfo const second(text);
    GString again;
    second.ToGString(again);
    if (again != text)
        Fail("a job changed through its text form");
}

void WorkOnRegistry(Mgr& mgr, std::uint8_t switches)
{
    int const self = getpid();
    int id = 0;
    Try("register", [&] { id = mgr.Register(self); });
    mgr.IsRegistered(self);
    mgr.SetFlag(self, id, (switches & 1) != 0);
    mgr.GetFlag(self, id);
    mgr.FindUnusedRegistrationID();
    GTable<GPair<int, GPair<int, int> > > all;
    mgr.GetRegistered(all);
    if (all.GetCount() > Mgr::cMaxEntries)
        Fail("more entries than a registry holds");
    int session = 0;
    GTable<int> ids;
    mgr.GetRegistered(self, session, ids);
    if (switches & 2)
        mgr.Unregister(self);
    else
        mgr.Unregister(self, id);
}

void WorkOnQueue(Queue& queue, std::uint8_t switches)
{
    GBuffer const job("#BEGINDICT\r\"UserName\" \"u\"\r#ENDDICT\r");
    queue.TryToAddRawMessage(145, job);
    queue.TryToAddRawMessageOnce(145, job);
    Try("contains", [&] { queue.ContainsRawMessage(145, job); });
    Try("remove", [&] { queue.RemoveRawMessage(getpid(), 145, job); });
    Try("empty", [&] { queue.IsEmpty(); });
    if (switches & 4)
        return;
    GTable<GSmartPtr<GPPIPCMessage> > messages;
    if (!Try("read", [&] { queue.ReadPendingMessages(messages); }))
        return;
    for (int i = 0; i < messages.GetCount(); ++i)
        CheckJobText(messages[i]->GetData());
    // A queue that could be read is empty now, and gives back what is written into it.
    if (!queue.TryToAddRawMessage(77, 146, job))
        return;
    if (!Try("read back", [&] { queue.ReadPendingMessages(messages); }) || messages.GetCount() != 1 ||
        messages[0]->GetSenderProcessID() != 77 || messages[0]->GetMessageID() != 146 ||
        !(messages[0]->GetData() == job))
        Fail("a record did not come back as written");
}

// A send to a queue of this process laid with the bytes: taken by nobody, so false, or a failure
// that marks the target corrupted; either way no record of the send is left in the queue.
void SendThroughTheManager(std::uint8_t const* bytes, std::size_t count)
{
    GPPIPCManager* manager = GPPIPCManager::GetInstance();
    Mgr* registry = manager->GetQueueManager();
    int const self = getpid();
    int const id = registry->Register(self);
    if (id == 0)
        return;
    {
        bool created = false;
        std::unique_ptr<Queue> queue;
        if (!Try("open queue", [&] { queue = std::make_unique<Queue>(registry->GetSession(), self, id, created); }))
            Fail("a fresh queue did not open");
        View const view("/ZlvShDP" + std::to_string(self) + "MQ" + std::to_string(id));
        if (!view.IsMapped())
            Fail("the queue cannot be viewed");
        Lay(view.Data(), bytes, count);
        GBuffer const data(reinterpret_cast<unsigned char const*>("sent by the fuzz run"), 20);
        bool taken = true;
        if (Try("send", [&] { taken = manager->SendOnceRaw(registry->GetSession(), self, id, 145, data); }) && taken)
            Fail("a message nobody reads counted as taken");
        bool left = false;
        Try("look for the send", [&] { left = queue->ContainsRawMessage(145, data); });
        if (left)
            Fail("a send left its record behind");
    }
    manager->CleanupCorruptedProcesses();
    registry->Unregister(self);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The link comes up as the plug-in brings it up, and goes down at exit so that the leak checker
    // sees nothing left.
    GPPRozorazIzivozadaLayer::Initialize();
    std::atexit([] { GPPRozorazIzivozadaLayer::Finalize(); });
    GPPIPCManager::GetInstance()->SetTakeWait(1, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::size_t offset = 0;
    auto byte = [&] { return offset < size ? data[offset++] : 0; };
    std::uint8_t const switches = byte();
    std::size_t registryBytes = byte();
    registryBytes |= static_cast<std::size_t>(byte()) << 8;
    registryBytes %= Mgr::cDataSize + 1;
    if (registryBytes > size - offset)
        registryBytes = size - offset;
    std::uint8_t const* registryData = data + offset;
    std::uint8_t const* queueData = registryData + registryBytes;
    std::size_t queueBytes = size - offset - registryBytes;
    if (queueBytes > static_cast<std::size_t>(Queue::cQueueSize))
        queueBytes = Queue::cQueueSize;

    std::string const id = "Fc" + std::to_string(getpid());
    std::string const dataName = "/ZlvShD" + id;
    shm_unlink(dataName.c_str());
    shm_unlink(("/ZlvShL" + id).c_str());
    {
        std::unique_ptr<Mgr> mgr;
        if (!Try("create registry", [&] { mgr = std::make_unique<Mgr>(GShMemID(id.c_str())); }))
            Fail("a fresh registry was not made");
        mgr->Register(1);
        mgr->Register(2);
        View const view(dataName);
        Lay(view.Data(), registryData, registryBytes);
        std::vector<std::uint8_t> const header = view.Header();
        WorkOnRegistry(*mgr, switches);
        if (view.Header() != header)
            Fail("a registry operation wrote outside the data");
        std::unique_ptr<Mgr> opener;
        Try("open registry", [&] { opener = std::make_unique<Mgr>(GShMemID(id.c_str())); });
        if (opener)
            WorkOnRegistry(*opener, static_cast<std::uint8_t>(switches >> 1));
    }
    shm_unlink(dataName.c_str());
    shm_unlink(("/ZlvShL" + id).c_str());

    int const registration = 900000000 + (switches & 0x0f);
    std::string const queueName = "/ZlvShDP" + std::to_string(getpid()) + "MQ" + std::to_string(registration);
    shm_unlink(queueName.c_str());
    {
        bool created = false;
        std::unique_ptr<Queue> queue;
        if (!Try("create queue", [&] { queue = std::make_unique<Queue>(-1, getpid(), registration, created); }))
            Fail("a fresh queue was not made");
        queue->TryToAddRawMessage(145, GBuffer(reinterpret_cast<unsigned char const*>("x"), 1));
        View const view(queueName);
        Lay(view.Data(), queueData, queueBytes);
        std::vector<std::uint8_t> const header = view.Header();
        WorkOnQueue(*queue, switches);
        if (view.Header() != header)
            Fail("a queue operation wrote outside the data");
    }
    shm_unlink(queueName.c_str());
    SendThroughTheManager(queueData, queueBytes);
    return 0;
}
