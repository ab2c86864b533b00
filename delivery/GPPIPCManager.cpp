// The process's end of the shared-memory message channel.
#include "GPPIPCManager.h"

#include "GException.h"
#include "GPPIPCMessageQueue.h"
#include "GProcessInfo.h"
#include "GSessionInfo.h"
#include "GSharedMemoryLocker.h"
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
    if (sInitialized++ == 0)
        sInstance = new GPPIPCManager;
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
    : fQueueMgr(new GPPIPCMessageQueueMgr(false, GPPIPCMessageQueueMgr::cDefaultManager)), fOwnRegistrationID(0),
      fTakeTests(cTakeTests), fTakeMilliseconds(cTakeMilliseconds)
{
}

GPPIPCManager::~GPPIPCManager()
{
    try
    {
        SendDelayedMessages();
        if (fQueueMgr.Get())
        {
            ProcessReceivedMessages();
            if (IsSubscribed())
                UnSubscribe(cRepeaterSignal);
        }
    }
    catch (GException const&)
    {
        // Going down: what could not be delivered or received is dropped.
    }
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
    if (!queue.AddRawMessageOnce(self, messageID, data))
        return false;
    // Set again once the record is there: a sender finishing meanwhile clears the flag only while
    // the queue is empty.
    fQueueMgr->SetFlag(processID, registrationID, true);
    bool present = true;
    for (int test = 0; test < fTakeTests && present; ++test)
    {
        present = queue.ContainsRawMessage(messageID, data);
        if (present)
            PSystem::MilliSleep(fTakeMilliseconds);
    }
    // Under the queue's lock: either the receiver took it, or it is taken out here, never both.
    taken = !present || !queue.RemoveRawMessage(self, messageID, data);
    return true;
}

bool GPPIPCManager::SendOnceRaw(int session, int processID, int registrationID, int messageID,
                                GBuffer const& data)
{
    bool taken = false;
    bool tooLarge = false;
    try
    {
        bool created = false;
        GPPIPCMessageQueue queue(session, processID, registrationID, created);
        fQueueMgr->SetFlag(processID, registrationID, true);
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
        // Another sender may still be waiting for its message: the flag goes with the last record.
        GSharedMemoryLocker const lock(queue.GetBlock());
        if (queue.IsEmpty())
            fQueueMgr->SetFlag(processID, registrationID, false);
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
    if (!fQueueMgr->IsRegistered(processID))
        return false;
    int session = 0;
    GTable<int> registrations;
    fQueueMgr->GetRegistered(processID, session, registrations);
    bool taken = false;
    try
    {
        for (int i = 0; i < registrations.GetCount(); ++i)
            taken = SendOnceRaw(session, processID, registrations[i], messageID, data) || taken;
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
    GTable<GPair<int, GPair<int, int> > > entries;
    fQueueMgr->GetRegistered(entries);
    int const current = fQueueMgr->GetSession();
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
    GTable<GSmartPtr<MessageData> > pending;
    pending = fDelayedMessages;
    fDelayedMessages.Resize(0);
    for (int i = 0; i < pending.GetCount(); ++i)
    {
        MessageData const& message = *pending[i];
        try
        {
            bool created = false;
            GPPIPCMessageQueue queue(message.fSession, message.fProcessID, message.fRegistrationID, created);
            fQueueMgr->SetFlag(message.fProcessID, message.fRegistrationID, true);
            bool taken = false;
            bool appended = false;
            if (message.fSendOnce)
                appended = Deliver(queue, message.fProcessID, message.fRegistrationID, message.fMessageID,
                                   message.fData, taken);
            else if (queue.TryToAddRawMessage(message.fMessageID, message.fData))
            {
                appended = true;
                for (int test = 0; test < fTakeTests && queue.ContainsRawMessage(message.fMessageID, message.fData);
                     ++test)
                    PSystem::MilliSleep(fTakeMilliseconds);
                queue.RemoveRawMessage(OwnProcessID(), message.fMessageID, message.fData);
            }
            if (!appended)
                fDelayedMessages.AddItem(pending[i]);
            GSharedMemoryLocker const lock(queue.GetBlock());
            if (queue.IsEmpty())
                fQueueMgr->SetFlag(message.fProcessID, message.fRegistrationID, false);
        }
        catch (GException const&)
        {
            // The message is dropped; the others still go.
        }
    }
}

int GPPIPCManager::GetListeningState(int processID)
{
    int session = 0;
    GTable<int> registrations;
    fQueueMgr->GetRegistered(processID, session, registrations);
    if (registrations.GetCount() == 0)
        return cNotRegistered;
    GProcessInfo* processes = GProcessInfo::GetInstance();
    if (!processes || !processes->IsRunning(processID))
        return cNotListening;
    if (session != fQueueMgr->GetSession())
        return cNotRegistered;
    for (int i = registrations.GetCount() - 1; i >= 0; --i)
    {
        try
        {
            bool created = false;
            GPPIPCMessageQueue const queue(session, processID, registrations[i], created);
        }
        catch (GException const&)
        {
            return cNotListening;
        }
    }
    return cListening;
}

void GPPIPCManager::WaitTillListening(int processID)
{
    if (fQueueMgr->IsRegistered(processID))
        return;
    GProcessInfo* processes = GProcessInfo::GetInstance();
    for (;;)
    {
        bool const running = processes && processes->IsRunning(processID);
        bool const registered = fQueueMgr->IsRegistered(processID);
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
        fOwnRegistrationID = fQueueMgr->Register(OwnProcessID());
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
    GTable<GSmartPtr<GPPIPCMessage> > messages;
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
    for (int i = fCorruptedProcesses.GetCount() - 1; i >= 0; --i)
    {
        int const processID = fCorruptedProcesses[i];
        if (fQueueMgr.Get())
            fQueueMgr->Unregister(processID);
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
