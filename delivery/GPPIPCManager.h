// GPPIPCManager: the process's end of the shared-memory message channel. It writes a message into
// each queue of a receiving process and waits a bounded time for it to be taken, keeps messages that
// found no room for a later try, tells whether a process listens, and, while receivers are
// registered, hands them the messages of this process's own queue on the repeater signal.
#pragma once

#include <cstdint>

#include "GAutoPtr.h"
#include "GBuffer.h"
#include "GDict.h"
#include "GEmptyMessage.h"
#include "GNonCopyable.h"
#include "GPPIPCMessageQueueMgr.h"
#include "GPPIPCReceiver.h"
#include "GReceiver.h"
#include "GSmartPtr.h"
#include "GTable.h"

class GPPIPCMessageQueue;

class GPPIPCManager : public GNonCopyable, private GReceiver<GEmptyMessage>
{
public:
    // A message waiting for room in its target's queue.
    struct MessageData
    {
        int fSession;
        int fProcessID;
        int fRegistrationID;
        int fMessageID;
        GBuffer fData;
        bool fSendOnce;
    };

    enum ListeningState
    {
        cNotRegistered = 0,
        // Registered, but not running or with a queue that cannot be opened.
        cNotListening = 1,
        cListening = 2
    };

    static constexpr int cRepeaterSignal = 101;
    // A sender tests this often, this many milliseconds apart, whether its message was taken.
    static constexpr int cTakeTests = 11;
    static constexpr int cTakeMilliseconds = 300;
    static constexpr int cListeningMilliseconds = 100;

    // Counted: the first call makes the instance, the last Finalize deletes it. A first call that
    // throws (the registry cannot be opened) leaves the count as it found it.
    static void Initialize();
    static void Finalize();
    static GPPIPCManager* GetInstance() { return sInstance; }

    // Sends once to every queue of the process; true when one of them took the message within the
    // wait. False at once for a process the registry does not list, and when the message found no
    // room (it then waits among the delayed messages). Throws 40153 for a message no queue can take,
    // and the queue's and the registry's errors after marking the process corrupted (30050001 when
    // another process holds a lock beyond PUNIXSharedObjectSupport::cLockSeconds).
    bool SendOnceRaw(int processID, int messageID, GBuffer const& data);
    // The same to one queue. The send stands for its own record: only that record's being taken
    // counts, and one not taken within the wait is taken out of the queue again.
    bool SendOnceRaw(int session, int processID, int registrationID, int messageID, GBuffer const& data);
    // Makes the value's bytes and sends them; defined for each value type that is sent.
    template<class T>
    bool SendOnce(int processID, int messageID, T const& value);
    // To every registration of the current session; a failure towards one process is ignored.
    void BroadcastOnceRaw(int messageID, GBuffer const& data);
    // A registered process that no longer runs has its queues removed on the way (where no running
    // process holds them).
    int GetListeningState(int processID);
    // GetListeningState, then, for a process that listens, SendOnceRaw: the same as calling them in
    // turn, but each of the process's queues is opened once for both, and stays open from the test
    // to the send.
    bool SendOnceRawIfListening(int processID, int messageID, GBuffer const& data);
    // Returns once the process is registered; throws 40152 when it is found not running first.
    void WaitTillListening(int processID);

    // The same receiver may be registered more than once, and then gets each message as often.
    void Register(int messageID, GPPIPCReceiver* receiver);
    void Unregister(int messageID, GPPIPCReceiver* receiver);
    void ForceProcessPendingMessages();
    void SendDelayedMessages();
    // Takes the corrupted processes that no longer run out of the registry, with their delayed
    // messages; those still running stay listed.
    void CleanupCorruptedProcesses();

    // The bound of a send's wait: tests at most, milliseconds apart.
    void SetTakeWait(int tests, int milliseconds);
    GTable<GSmartPtr<MessageData>> const& GetDelayedMessages() const { return fDelayedMessages; }
    GTable<int> const& GetCorruptedProcesses() const { return fCorruptedProcesses; }
    int GetOwnRegistrationID() const { return fOwnRegistrationID; }
    // Null after the last receiver has left, until a send or a listening test needs one again.
    GPPIPCMessageQueueMgr* GetQueueManager() const { return fQueueMgr.Get(); }

private:
    GPPIPCManager();
    ~GPPIPCManager() override;

    // The queues a listening test opened, by registration id, for the send that follows it.
    using OpenQueues = GDict<int, GSmartPtr<GPPIPCMessageQueue>>;

    void Receive(int signalId, GEmptyMessage const& message) override;
    // GetListeningState; with opened, the queues of a process that listens stay open in it.
    int ListeningState(int processID, OpenQueues* opened);
    // SendOnceRaw to a process, through the queues opened already for its session (opened may be
    // null); the others are opened here.
    bool SendToProcess(int processID, int messageID, GBuffer const& data, int openedSession,
                       OpenQueues* opened);
    // SendOnceRaw to one queue, through queue when it is already open (may be null).
    bool SendToQueue(int session, int processID, int registrationID, int messageID, GBuffer const& data,
                     GPPIPCMessageQueue* queue);
    void ProcessReceivedMessages();
    // Removes the queues (and their locks) of the registered processes that no longer run, where no
    // running process holds them.
    void PurgeQueuesOfGoneReceivers();
    // The same for the registrations of one process known to be gone.
    void PurgeQueuesOf(int processID, GTable<int> const& registrations);
    // Appends once and waits for the message to be taken; false when it found no room. A message
    // still there after the wait is taken out again; taken tells whether the receiver had it. When
    // the wait itself fails, the message is taken out before the failure is thrown; one the
    // receiver took meanwhile makes the send taken, and only one that cannot be taken out either
    // is left where the receiver may still take it.
    bool Deliver(GPPIPCMessageQueue& queue, int processID, int registrationID, int messageID,
                 GBuffer const& data, bool& taken);
    // Clears the registration's delivery flag when its queue holds no record.
    void ClearFlagWhenEmpty(GPPIPCMessageQueue& queue, int processID, int registrationID);
    // The registry's object, made again when the last receiver's leaving took it away.
    GPPIPCMessageQueueMgr& QueueManager();
    bool IsSubscribed();

    GAutoPtr<GPPIPCMessageQueueMgr> fQueueMgr;
    int fOwnRegistrationID;
    GDict<int, GTable<GPPIPCReceiver*>> fReceivers;
    GTable<GSmartPtr<MessageData>> fDelayedMessages;
    GTable<int> fCorruptedProcesses;
    int fTakeTests;
    int fTakeMilliseconds;

    static GPPIPCManager* sInstance;
    static std::int32_t sInitialized;
};
