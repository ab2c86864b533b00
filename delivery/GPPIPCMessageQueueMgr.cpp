// The registry of receiving processes in shared memory.
#include "GPPIPCMessageQueueMgr.h"

#include <cstdlib>
#include <ctime>

#include "GBinaryShMemUtils.h"
#include "GException.h"
#include "GSessionInfo.h"
#include "GSharedMemoryLocker.h"
#include "GSimpleException.h"

namespace
{
// "Unknown IPC version"
constexpr int cUnknownVersion = 40154;
// "Unknown error while reading from the shared memory": a list no registry can hold.
constexpr int cDamaged = 40163;

using Fields = GBinaryShMemUtils;
using Mgr = GPPIPCMessageQueueMgr;

std::int32_t ProcessAt(Mgr::Block& block, int entry)
{
    return Fields::ReadAt(block, entry);
}
std::int32_t RegistrationAt(Mgr::Block& block, int entry)
{
    return Fields::ReadAt(block, entry + 4);
}
} // namespace

GPPIPCMessageQueueMgr::GPPIPCMessageQueueMgr(bool global, ManagerType type)
    : fGlobal(global), fCreated(false), fType(type), fSession(0), fID(GetSpecialID(type))
{
    Open(GetMemoryPath(global));
}

GPPIPCMessageQueueMgr::GPPIPCMessageQueueMgr(GShMemID const& blockID)
    : fGlobal(false), fCreated(false), fType(cTestManager), fSession(0), fID(blockID)
{
    Open(GetMemoryPath(false));
}

void GPPIPCMessageQueueMgr::Open(GBuffer const& prefix)
{
    GSessionInfo* sessions = GSessionInfo::GetInstance();
    fSession = fGlobal ? -1 : sessions->GetCurrentSession();
    bool created = false;
    fBlock.Reset(new Block(prefix, fID, cDataSize, created));
    if (created)
    {
        fCreated = true;
        GSharedMemoryLocker const lock(*fBlock);
        Fields::WriteAt(*fBlock, cCounterOffset, static_cast<std::int32_t>(std::clock()));
        Fields::WriteAt(*fBlock, cEndOffset, cEntriesOffset);
        // Last: an opener takes a version of 0 for a header still being written.
        Fields::WriteAt(*fBlock, cVersionOffset, cVersion);
        fCreated = false;
        return;
    }
    if (Fields::ReadMadeVersion(*fBlock, cVersionOffset) != cVersion)
    {
        fBlock.Reset();
        throw GSimpleException(cUnknownVersion);
    }
}

GPPIPCMessageQueueMgr::~GPPIPCMessageQueueMgr()
{
    while (fOwnRegistrations.GetCount() > 0)
    {
        GPair<int, int> const last = fOwnRegistrations[fOwnRegistrations.GetCount() - 1];
        int const before = fOwnRegistrations.GetCount();
        Unregister(last.first, last.second);
        // A registration whose entry cannot be reached is forgotten all the same.
        if (fOwnRegistrations.GetCount() == before)
            fOwnRegistrations.RemoveLastItem();
    }
}

int GPPIPCMessageQueueMgr::ReadEnd(Block& block)
{
    std::int32_t const end = Fields::ReadAt(block, cEndOffset);
    // Written by any local process: only an end that closes a whole number of entries inside the
    // data can be walked.
    if (end < cEntriesOffset || end > cDataSize || end % cEntrySize != 0)
        throw GSimpleException(cDamaged);
    return end;
}

int GPPIPCMessageQueueMgr::DrawUnusedID()
{
    GSharedMemoryLocker const lock(*fBlock);
    // Any value can stand there: the count wraps round instead of overflowing.
    std::int32_t const counter =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(Fields::ReadAt(*fBlock, cCounterOffset)) + 1u);
    Fields::WriteAt(*fBlock, cCounterOffset, counter);
    unsigned seed = static_cast<unsigned>(counter);
    int const end = ReadEnd(*fBlock);
    for (;;)
    {
        int const draw = rand_r(&seed);
        if (draw == 0)
            continue;
        bool used = false;
        for (int entry = cEntriesOffset; entry < end && !used; entry += cEntrySize)
            used = RegistrationAt(*fBlock, entry) == draw;
        if (!used)
            return draw;
    }
}

int GPPIPCMessageQueueMgr::FindUnusedRegistrationID()
{
    try
    {
        return DrawUnusedID();
    }
    catch (GException const&)
    {
        return 0;
    }
}

int GPPIPCMessageQueueMgr::Register(int processID)
{
    try
    {
        // One hold of the lock from the draw to the entry, so that no other process draws the same
        // id in between.
        GSharedMemoryLocker const lock(*fBlock);
        int const end = ReadEnd(*fBlock);
        if (end + cEntrySize > cDataSize)
            return 0;
        int const id = DrawUnusedID();
        Fields::WriteAt(*fBlock, end, processID);
        Fields::WriteAt(*fBlock, end + 4, id);
        Fields::WriteAt(*fBlock, end + 8, 0);
        Fields::WriteAt(*fBlock, cEndOffset, end + cEntrySize);
        fOwnRegistrations.AddItem(GPair<int, int>(processID, id));
        return id;
    }
    catch (GException const&)
    {
        return 0;
    }
}

void GPPIPCMessageQueueMgr::RemoveEntries(int processID, int registrationID, bool all)
{
    GSharedMemoryLocker const lock(*fBlock);
    int end = ReadEnd(*fBlock);
    for (int entry = cEntriesOffset; entry < end;)
    {
        if (ProcessAt(*fBlock, entry) != processID || (!all && RegistrationAt(*fBlock, entry) != registrationID))
        {
            entry += cEntrySize;
            continue;
        }
        int const removed = RegistrationAt(*fBlock, entry);
        // The last entry takes the freed place and is looked at next.
        int const last = end - cEntrySize;
        std::int32_t const fields[3] = {ProcessAt(*fBlock, last), RegistrationAt(*fBlock, last),
                                        Fields::ReadAt(*fBlock, last + 8)};
        end = last;
        Fields::WriteAt(*fBlock, cEndOffset, end);
        for (int i = 0; i < 3; ++i)
            Fields::WriteAt(*fBlock, entry + 4 * i, fields[i]);
        RemoveOwn(processID, removed, all);
        if (!all)
            return;
    }
}

void GPPIPCMessageQueueMgr::RemoveOwn(int processID, int registrationID, bool all)
{
    GPair<int, int> const pair(processID, registrationID);
    if (all)
        fOwnRegistrations.RemoveItemAll(pair);
    else
        fOwnRegistrations.RemoveItem(pair);
}

void GPPIPCMessageQueueMgr::Unregister(int processID, int registrationID)
{
    try
    {
        RemoveEntries(processID, registrationID, false);
    }
    catch (GException const&)
    {
        return; // a list that cannot be read keeps the entry; the next clean-up tries again
    }
}

void GPPIPCMessageQueueMgr::Unregister(int processID)
{
    try
    {
        RemoveEntries(processID, 0, true);
    }
    catch (GException const&)
    {
        return; // as above
    }
}

bool GPPIPCMessageQueueMgr::IsRegistered(int processID)
{
    try
    {
        GSharedMemoryLocker const lock(*fBlock);
        int const end = ReadEnd(*fBlock);
        for (int entry = cEntriesOffset; entry < end; entry += cEntrySize)
            if (ProcessAt(*fBlock, entry) == processID)
                return true;
    }
    catch (GException const&)
    {
        // A list that cannot be read lists nobody.
    }
    return false;
}

template<class Visit>
void GPPIPCMessageQueueMgr::VisitSessions(Visit&& visit)
{
    try
    {
        GTable<int> sessions;
        GSessionInfo::GetInstance()->GetAllActiveSessions(sessions);
        for (int i = 0; i < sessions.GetCount(); ++i)
        {
            GAutoPtr<Block, GDeletePtr> block;
            if (!GetMgrSharedMem(sessions[i], block))
                continue;
            GSharedMemoryLocker const lock(*block);
            int const end = ReadEnd(*block);
            bool stop = false;
            for (int entry = cEntriesOffset; entry < end; entry += cEntrySize)
                stop |= !visit(sessions[i], ProcessAt(*block, entry), RegistrationAt(*block, entry));
            if (stop)
                return;
        }
    }
    catch (GException const&)
    {
        // What was visited before the failure stays with the caller.
    }
}

void GPPIPCMessageQueueMgr::GetRegistered(GTable<GPair<int, GPair<int, int> > >& entries)
{
    VisitSessions([&](int session, int processID, int registrationID)
    {
        entries.AddItem(GPair<int, GPair<int, int> >(session, GPair<int, int>(processID, registrationID)));
        return true;
    });
}

void GPPIPCMessageQueueMgr::GetRegistered(int processID, int& session, GTable<int>& registrationIDs)
{
    // The first session where the process has registrations is the one it runs in.
    VisitSessions([&](int entrySession, int entryProcessID, int registrationID)
    {
        if (entryProcessID != processID)
            return true;
        registrationIDs.AddItem(registrationID);
        session = entrySession;
        return false;
    });
}

void GPPIPCMessageQueueMgr::SetFlag(int processID, int registrationID, bool flag)
{
    try
    {
        GSharedMemoryLocker const lock(*fBlock);
        int const end = ReadEnd(*fBlock);
        for (int entry = cEntriesOffset; entry < end; entry += cEntrySize)
        {
            if (ProcessAt(*fBlock, entry) == processID && RegistrationAt(*fBlock, entry) == registrationID)
            {
                Fields::WriteAt(*fBlock, entry + 8, flag ? 1 : 0);
                return;
            }
        }
    }
    catch (GException const&)
    {
        // A list that cannot be read has no entry to flag.
    }
}

bool GPPIPCMessageQueueMgr::GetFlag(int processID, int registrationID)
{
    try
    {
        GSharedMemoryLocker const lock(*fBlock);
        int const end = ReadEnd(*fBlock);
        for (int entry = cEntriesOffset; entry < end; entry += cEntrySize)
            if (ProcessAt(*fBlock, entry) == processID && RegistrationAt(*fBlock, entry) == registrationID)
                return Fields::ReadAt(*fBlock, entry + 8) != 0;
    }
    catch (GException const&)
    {
        // As above.
    }
    return false;
}

bool GPPIPCMessageQueueMgr::GetMgrSharedMem(int session, GAutoPtr<Block, GDeletePtr>& block)
{
    if (session == fSession)
    {
        block.Reset(fBlock.Get(), false);
        return true;
    }
    GBuffer const prefix = GSessionInfo::GetInstance()->GetSessionPrefix(session);
    if (!Block::Exists(prefix, fID))
        return false;
    block.Reset(new Block(prefix, fID), true);
    return true;
}

GBuffer GPPIPCMessageQueueMgr::GetMemoryPath(bool global)
{
    GSessionInfo* sessions = GSessionInfo::GetInstance();
    return sessions->GetSessionPrefix(global ? -1 : sessions->GetCurrentSession());
}

GShMemID GPPIPCMessageQueueMgr::GetSpecialID(ManagerType type)
{
    return GShMemID::GetSpecialID(type == cDefaultManager ? GShMemID::cSpecialGIPC : GShMemID::cSpecialGIPCTest) +
           GShMemID("_PP");
}

GBuffer GPPIPCMessageQueueMgr::GetQueueFootPrint(bool global, ManagerType type)
{
    return GetMemoryPath(global) + static_cast<GBuffer const&>(GetSpecialID(type));
}
