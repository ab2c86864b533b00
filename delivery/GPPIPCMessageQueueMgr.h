// GPPIPCMessageQueueMgr: the shared registry in which processes that receive messages list their
// registrations, so that senders learn whether a process listens and under which ids its queues are
// named; it also withdraws, when it goes, the registrations it made.
#pragma once

#include <cstdint>

#include "GAutoPtr.h"
#include "GBuffer.h"
#include "GPair.h"
#include "GShMemID.h"
#include "GSharedMemoryBase.h"
#include "GTable.h"
#include "PUNIXSharedMemory.h"

class GPPIPCMessageQueueMgr
{
public:
    using Block = GSharedMemoryBase<PUNIXSharedMemory>;

    enum ManagerType
    {
        cDefaultManager = 0,
        cTestManager = 1
    };

    // The block every registering process reads: 32-bit fields in the machine's byte order.
    static constexpr int cDataSize = 3084;
    static constexpr int cVersionOffset = 0;
    // clock() when the block was made; every draw of a registration id adds one and seeds with it.
    static constexpr int cCounterOffset = 4;
    // Just past the last entry; cEntriesOffset when the list is empty.
    static constexpr int cEndOffset = 8;
    static constexpr int cEntriesOffset = 12;
    // Process id, registration id, flag (1 while a sender delivers to the registration).
    static constexpr int cEntrySize = 12;
    static constexpr int cMaxEntries = 256;
    static constexpr std::int32_t cVersion = 1;

    // Opens the block of the manager type, or creates it and writes its header. Throws the block's
    // errors, and 40154 when an existing block is of another version.
    GPPIPCMessageQueueMgr(bool global, ManagerType type);
    // The same on the block of any id, for tools that need a registry of their own.
    explicit GPPIPCMessageQueueMgr(GShMemID const& blockID);
    // Withdraws this object's registrations, the last made first.
    ~GPPIPCMessageQueueMgr();
    GPPIPCMessageQueueMgr(GPPIPCMessageQueueMgr const&) = delete;
    GPPIPCMessageQueueMgr& operator=(GPPIPCMessageQueueMgr const&) = delete;

    // A new registration of the process; 0, with nothing written, when the list is full or damaged.
    int Register(int processID);
    // A non-zero id that no entry holds; 0 when the list cannot be read.
    int FindUnusedRegistrationID();
    void Unregister(int processID, int registrationID);
    // Every entry of the process.
    void Unregister(int processID);
    bool IsRegistered(int processID);
    // (session, (process id, registration id)) of every entry of every active session.
    void GetRegistered(GTable<GPair<int, GPair<int, int> > >& entries);
    // The registration ids of the process in the first session that has any, and that session.
    void GetRegistered(int processID, int& session, GTable<int>& registrationIDs);
    // On the first entry with both ids; nothing when there is none.
    void SetFlag(int processID, int registrationID, bool flag);
    // False when no entry has both ids.
    bool GetFlag(int processID, int registrationID);
    // The block of the session: this object's own (not owned by the pointer) for the current one,
    // else that session's opened anew; false when it has none.
    bool GetMgrSharedMem(int session, GAutoPtr<Block, GDeletePtr>& block);

    GTable<GPair<int, int> > const& GetOwnRegistrations() const { return fOwnRegistrations; }
    Block& GetBlock() { return *fBlock; }
    int GetSession() const { return fSession; }
    ManagerType GetManagerType() const { return fType; }

    static GBuffer GetMemoryPath(bool global);
    static GShMemID GetSpecialID(ManagerType type);
    static GBuffer GetQueueFootPrint(bool global, ManagerType type);

private:
    void Open(GBuffer const& prefix);
    // Under the block's lock: the end offset, checked to be one a list can have (40163 otherwise).
    static int ReadEnd(Block& block);
    // Calls visit(session, processID, registrationID) for each entry of every active session's
    // list, session by session, until it returns false after a session. A list that cannot be read
    // ends the walk.
    template<class Visit>
    void VisitSessions(Visit&& visit);
    int DrawUnusedID();
    void RemoveOwn(int processID, int registrationID, bool all);
    void RemoveEntries(int processID, int registrationID, bool all);

    bool fGlobal;
    bool fCreated;
    ManagerType fType;
    int fSession;
    GShMemID fID;
    GAutoPtr<Block> fBlock;
    GTable<GPair<int, int> > fOwnRegistrations;
};
