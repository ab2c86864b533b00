// The process's end of the shared-memory message channel.
#include "GPPIPCManager.h"

#include "GException.h"
#include "GPPIPCMessageQueue.h"
#include "GProcessInfo.h"
#include "GSessionInfo.h"
#include "GSimpleException.h"
#include "PSystem.h"
#include "PUNIXSharedObjectSupport.h"

namespace
{
// "Target application was not running"
constexpr int cNotRunning = 40152;
// "The message you tried to send was too large"
constexpr int cTooLarge = 40153;

int OwnProcessID()
{
    return PUNIXSharedObjectSupport::GetCurrentProcessID();
}
} // namespace

GPPIPCManager* GPPIPCManager::sInstance = nullptr;
std::int32_t GPPIPCManager::sInitialized = 0;

void GPPIPCManager::Initialize()
{
    if (sInitialized++ != 0)
        return;
    try
    {
        sInstance = new GPPIPCManager;
    }
    catch (...) // an instance not made leaves the count as it was, so that the next start tries again
    {
        --sInitialized;
        throw;
    }
}

void GPPIPCManager::Finalize()
{
    if (sInitialized <= 0)
    {
        sInitialized = 0;
        return;
    }
    if (--sInitialized == 0)
    {
        GPPIPCManager* instance = sInstance;
        sInstance = nullptr;
        delete instance;
    }
}

GPPIPCManager::GPPIPCManager()
    : fQueueMgr(new GPPIPCMessageQueueMgr(false, GPPIPCMessageQueueMgr::cDefaultManager)),
      fOwnRegistrationID(0), fTakeTests(cTakeTests), fTakeMilliseconds(cTakeMilliseconds)
{
    PurgeQueuesOfGoneReceivers();
}

void GPPIPCManager::PurgeQueuesOfGoneReceivers()
{
    // A receiver that crashed leaves its entries, and with them its queues and their locks, which
    // nothing else ever opens again. The entries stay until a send to it fails; the objects go now.
    GProcessInfo* processes = GProcessInfo::GetInstance();
    if (!processes || !fQueueMgr.Get())
        return;
    GTable<GPair<int, GPair<int, int>>> entries;
    fQueueMgr->GetRegistered(entries);
    for (int i = 0; i < entries.GetCount(); ++i)
    {
        int const processID = entries[i].second.first;
        if (!processes->IsRunning(processID))
            GPPIPCMessageQueue::PurgeOfGoneReceiver(processID, entries[i].second.second);
    }
}

void GPPIPCManager::PurgeQueuesOf(int processID, GTable<int> const& registrations)
{
    for (int i = 0; i < registrations.GetCount(); ++i)
        GPPIPCMessageQueue::PurgeOfGoneReceiver(processID, registrations[i]);
}

GPPIPCManager::~GPPIPCManager()
{
    try
    {
        SendDelayedMessages();
    }
    catch (GException const&)
    {
        // Going down: what could not be delivered is dropped.
    }
    try
    {
        if (fQueueMgr.Get())
            ProcessReceivedMessages();
    }
    catch (GException const&)
    {
        // Going down: what could not be received is dropped.
    }
    if (IsSubscribed())
        UnSubscribe(cRepeaterSignal);
    // The registry goes with its last user, and with it the entries that name the queues of
    // receivers that crashed.
    PurgeQueuesOfGoneReceivers();
}

GPPIPCMessageQueueMgr& GPPIPCManager::QueueManager()
{
    // The last receiver's leaving takes this process's registrations away with the registry's
    // object; sending needs the registry all the same.
    if (!fQueueMgr.Get())
        fQueueMgr.Reset(new GPPIPCMessageQueueMgr(false, GPPIPCMessageQueueMgr::cDefaultManager));
    return *fQueueMgr;
}

void GPPIPCManager::SetTakeWait(int tests, int milliseconds)
{
    fTakeTests = tests < 1 ? 1 : tests;
    fTakeMilliseconds = milliseconds < 0 ? 0 : milliseconds;
}

bool GPPIPCManager::Deliver(GPPIPCMessageQueue& queue, int processID, int registrationID, int messageID,
                            GBuffer const& data, bool& taken)
{
    taken = false;
    int const self = OwnProcessID();
    // This send's own record: an equal one of another sender is that sender's, which it may take
    // back when its own wait ends, so it tells nothing about this one.
    if (!queue.AddOwnRawMessageOnce(self, messageID, data))
        return false;
    // From here on the receiver may take the record at any moment: whatever goes wrong, the send
    // must not be reported not taken while the record can still be taken.
    try
    {
        // Set again once the record is there: a sender finishing meanwhile clears the flag only
        // while the queue is empty.
        QueueManager().SetFlag(processID, registrationID, true);
        bool present = true;
        for (int test = 0; test < fTakeTests && present; ++test)
        {
            present = queue.ContainsOwnRawMessage(self, messageID, data);
            if (present)
                PSystem::MilliSleep(fTakeMilliseconds);
        }
        // Under the queue's lock: either the receiver took it, or it is taken out here, never both.
        taken = !present || !queue.RemoveRawMessage(self, messageID, data);
        return true;
    }
    catch (GException const&)
    {
        // The wait failed (another process held the queue beyond the lock's bound, or damaged it).
        // One more try to take the record back, itself bounded by the lock's wait: a record no
        // longer there was taken by the receiver, and the send succeeded after all; one taken back
        // was never delivered, and the failure stands. Only when the record cannot be taken back
        // either does the failure reach the caller while the receiver may still take it.
        if (queue.RemoveRawMessage(self, messageID, data))
            throw;
        taken = true;
        return true;
    }
}

void GPPIPCManager::ClearFlagWhenEmpty(GPPIPCMessageQueue& queue, int processID, int registrationID)
{
    // Another sender may still be waiting for its message: the flag goes with the last record. The
    // queue's lock is never held while the registry's is taken (a receiver may take them the other
    // way round), so a record that arrives between the look and the clearing is looked for again,
    // and its flag set back.
    if (!queue.IsEmpty())
        return;
    QueueManager().SetFlag(processID, registrationID, false);
    if (!queue.IsEmpty())
        QueueManager().SetFlag(processID, registrationID, true);
}

bool GPPIPCManager::SendOnceRaw(int session, int processID, int registrationID, int messageID,
                                GBuffer const& data)
{
    return SendToQueue(session, processID, registrationID, messageID, data, nullptr);
}

bool GPPIPCManager::SendToQueue(int session, int processID, int registrationID, int messageID,
                                GBuffer const& data, GPPIPCMessageQueue* opened)
{
    bool taken = false;
    bool tooLarge = false;
    try
    {
        GAutoPtr<GPPIPCMessageQueue> own;
        if (!opened)
        {
            bool created = false;
            own.Reset(new GPPIPCMessageQueue(session, processID, registrationID, created));
        }
        GPPIPCMessageQueue& queue = opened ? *opened : *own;
        QueueManager().SetFlag(processID, registrationID, true);
        if (!Deliver(queue, processID, registrationID, messageID, data, taken))
        {
            if (GPPIPCMessageQueue::RawDataFitsEmptyQueue(data))
            {
                GSmartPtr<MessageData> delayed(
                    new MessageData{session, processID, registrationID, messageID, data, true});
                fDelayedMessages.AddItem(delayed);
            }
            else
                tooLarge = true;
        }
        try
        {
            ClearFlagWhenEmpty(queue, processID, registrationID);
        }
        catch (GException const&)
        {
            // A message taken stays taken: a flag left set only makes the receiver look at an
            // empty queue once more.
            if (!taken)
                throw;
        }
    }
    catch (GException const&)
    {
        fCorruptedProcesses.AddUniqueItem(processID);
        throw;
    }
    if (tooLarge)
        throw GSimpleException(cTooLarge);
    return taken;
}

bool GPPIPCManager::SendOnceRaw(int processID, int messageID, GBuffer const& data)
{
    return SendToProcess(processID, messageID, data, 0, nullptr);
}

bool GPPIPCManager::SendOnceRawIfListening(int processID, int messageID, GBuffer const& data)
{
    // Opening a queue maps two shared objects and checks the processes that hold them, and closing
    // it unmaps them again, each a dear system call: the queues the test opened serve the send.
    OpenQueues opened;
    if (ListeningState(processID, &opened) != cListening)
        return false;
    return SendToProcess(processID, messageID, data, QueueManager().GetSession(), &opened);
}

bool GPPIPCManager::SendToProcess(int processID, int messageID, GBuffer const& data, int openedSession,
                                  OpenQueues* opened)
{
    if (!QueueManager().IsRegistered(processID))
        return false;
    int session = 0;
    GTable<int> registrations;
    QueueManager().GetRegistered(processID, session, registrations);
    bool taken = false;
    try
    {
        for (int i = 0; i < registrations.GetCount(); ++i)
        {
            // The registry may have changed since the queues were opened: only a queue of the same
            // session and registration is used, any other is opened here.
            GSmartPtr<GPPIPCMessageQueue> queue;
            if (opened && session == openedSession && opened->Get(registrations[i], queue))
                opened->Remove(registrations[i]);
            taken = SendToQueue(session, processID, registrations[i], messageID, data, queue.Get()) || taken;
        }
    }
    catch (GException const&)
    {
        CleanupCorruptedProcesses();
        throw;
    }
    CleanupCorruptedProcesses();
    return taken;
}

void GPPIPCManager::BroadcastOnceRaw(int messageID, GBuffer const& data)
{
    GTable<GPair<int, GPair<int, int>>> entries;
    QueueManager().GetRegistered(entries);
    int const current = QueueManager().GetSession();
    for (int i = 0; i < entries.GetCount(); ++i)
    {
        if (entries[i].first != current)
            continue;
        try
        {
            SendOnceRaw(entries[i].first, entries[i].second.first, entries[i].second.second, messageID, data);
        }
        catch (GException const&)
        {
            // One process failing does not keep the message from the others.
        }
    }
    CleanupCorruptedProcesses();
}

void GPPIPCManager::SendDelayedMessages()
{
    GTable<GSmartPtr<MessageData>> pending;
    pending = fDelayedMessages;
    fDelayedMessages.Resize(0);
    for (int i = 0; i < pending.GetCount(); ++i)
    {
        MessageData const& message = *pending[i];
        try
        {
            bool created = false;
            GPPIPCMessageQueue queue(message.fSession, message.fProcessID, message.fRegistrationID, created);
            QueueManager().SetFlag(message.fProcessID, message.fRegistrationID, true);
            bool taken = false;
            bool appended = false;
            if (message.fSendOnce)
                appended = Deliver(queue, message.fProcessID, message.fRegistrationID, message.fMessageID,
                                   message.fData, taken);
            else if (queue.TryToAddRawMessage(message.fMessageID, message.fData))
            {
                appended = true;
                for (int test = 0;
                     test < fTakeTests && queue.ContainsRawMessage(message.fMessageID, message.fData); ++test)
                    PSystem::MilliSleep(fTakeMilliseconds);
                queue.RemoveRawMessage(OwnProcessID(), message.fMessageID, message.fData);
            }
            if (!appended)
                fDelayedMessages.AddItem(pending[i]);
            ClearFlagWhenEmpty(queue, message.fProcessID, message.fRegistrationID);
        }
        catch (GException const&)
        {
            // The message is dropped; the others still go.
        }
    }
}

int GPPIPCManager::GetListeningState(int processID)
{
    return ListeningState(processID, nullptr);
}

int GPPIPCManager::ListeningState(int processID, OpenQueues* opened)
{
    int session = 0;
    GTable<int> registrations;
    QueueManager().GetRegistered(processID, session, registrations);
    if (registrations.GetCount() == 0)
        return cNotRegistered;
    GProcessInfo* processes = GProcessInfo::GetInstance();
    if (!processes)
        return cNotListening;
    if (!processes->IsRunning(processID))
    {
        PurgeQueuesOf(processID, registrations);
        return cNotListening;
    }
    if (session != QueueManager().GetSession())
        return cNotRegistered;
    for (int i = registrations.GetCount() - 1; i >= 0; --i)
    {
        try
        {
            bool created = false;
            GSmartPtr<GPPIPCMessageQueue> const queue(
                new GPPIPCMessageQueue(session, processID, registrations[i], created));
            if (opened)
                opened->Put(registrations[i], queue);
        }
        catch (GException const&)
        {
            if (opened)
                opened->RemoveAll();
            return cNotListening;
        }
    }
    return cListening;
}

void GPPIPCManager::WaitTillListening(int processID)
{
    if (QueueManager().IsRegistered(processID))
        return;
    GProcessInfo* processes = GProcessInfo::GetInstance();
    for (;;)
    {
        bool const running = processes && processes->IsRunning(processID);
        bool const registered = QueueManager().IsRegistered(processID);
        PSystem::MilliSleep(cListeningMilliseconds);
        if (registered)
            return;
        if (!running)
            throw GSimpleException(cNotRunning);
    }
}

void GPPIPCManager::Register(int messageID, GPPIPCReceiver* receiver)
{
    if (fReceivers.GetCount() == 0)
    {
        fOwnRegistrationID = QueueManager().Register(OwnProcessID());
        Subscribe(cRepeaterSignal);
    }
    GTable<GPPIPCReceiver*>* receivers = fReceivers.Find(messageID);
    if (!receivers)
    {
        fReceivers.Put(messageID, GTable<GPPIPCReceiver*>());
        receivers = fReceivers.Find(messageID);
    }
    receivers->AddItem(receiver);
}

void GPPIPCManager::Unregister(int messageID, GPPIPCReceiver* receiver)
{
    if (GTable<GPPIPCReceiver*>* receivers = fReceivers.Find(messageID))
    {
        receivers->RemoveItem(receiver);
        if (receivers->GetCount() == 0)
            fReceivers.Remove(messageID);
    }
    if (fReceivers.GetCount() != 0)
        return;
    if (IsSubscribed())
        UnSubscribe(cRepeaterSignal);
    fQueueMgr.Reset();
    fOwnRegistrationID = 0;
}

void GPPIPCManager::ForceProcessPendingMessages()
{
    SendDelayedMessages();
    ProcessReceivedMessages();
}

void GPPIPCManager::Receive(int signalId, GEmptyMessage const&)
{
    if (signalId == cRepeaterSignal)
        ForceProcessPendingMessages();
}

void GPPIPCManager::ProcessReceivedMessages()
{
    if (!fQueueMgr.Get() || fOwnRegistrationID == 0)
        return;
    int const self = OwnProcessID();
    if (!fQueueMgr->GetFlag(self, fOwnRegistrationID))
        return;
    GTable<GSmartPtr<GPPIPCMessage>> messages;
    try
    {
        GPPIPCMessageQueue queue(fQueueMgr->GetSession(), self, fOwnRegistrationID);
        queue.ReadPendingMessages(messages);
    }
    catch (GException const&)
    {
        return;
    }
    for (int i = 0; i < messages.GetCount(); ++i)
    {
        int const messageID = messages[i]->GetMessageID();
        GTable<GPPIPCReceiver*>* live = fReceivers.Find(messageID);
        if (!live)
            continue;
        // Receivers may unregister themselves or others: each is called only while still listed,
        // and the walk ends when the id has none left.
        GTable<GPPIPCReceiver*> const receivers(*live);
        for (int r = 0; r < receivers.GetCount(); ++r)
        {
            live = fReceivers.Find(messageID);
            if (!live)
                break;
            bool listed = false;
            for (int k = 0; k < live->GetCount() && !listed; ++k)
                listed = (*live)[k] == receivers[r];
            if (listed)
                receivers[r]->ReceiveMessage(*messages[i]);
        }
    }
}

void GPPIPCManager::CleanupCorruptedProcesses()
{
    GProcessInfo* processes = GProcessInfo::GetInstance();
    for (int i = fCorruptedProcesses.GetCount() - 1; i >= 0; --i)
    {
        int const processID = fCorruptedProcesses[i];
        // A queue that failed once says nothing of a process that still runs: it may have emptied
        // it meanwhile, and dropping it would end its deliveries for good. Only a process that is
        // gone is taken out of the registry, with what waited for it.
        if (processes && processes->IsRunning(processID))
            continue;
        if (fQueueMgr.Get())
        {
            if (processes)
            {
                int session = 0;
                GTable<int> registrations;
                fQueueMgr->GetRegistered(processID, session, registrations);
                PurgeQueuesOf(processID, registrations);
            }
            fQueueMgr->Unregister(processID);
        }
        for (int k = fDelayedMessages.GetCount() - 1; k >= 0; --k)
            if (fDelayedMessages[k]->fProcessID == processID)
                fDelayedMessages.RemoveItemAt(k);
    }
    fCorruptedProcesses.Resize(0);
}

bool GPPIPCManager::IsSubscribed()
{
    GMutexLocker const locker(fMutex);
    for (int i = 0; i < fSignalIDs.GetCount(); ++i)
        if (fSignalIDs[i] == cRepeaterSignal)
            return true;
    return false;
}
