// The untyped part of every signal, and the process-wide registry of signals by integer id with
// the queue of delayed messages and the list of signals that have consolidated receivers.
#include "GSignalBase.h"

#include "GAutoPtr.h"
#include "GMutexLocker.h"

PUNIXMutexImp GSignalBase::sStaticMutex;
GDict<int, GSignalBase*> GSignalBase::sSignals;
GTable<GDelayedMessageBase*>* GSignalBase::sDelayedSignals = new GTable<GDelayedMessageBase*>;
GTable<GSignalBase*> GSignalBase::sConsolidatedSignals;

namespace
{
// Deletes the messages of a queue taken out of service, last first, then the queue; also when a
// delivery from it is left by an exception.
class TakenQueue
{
public:
    explicit TakenQueue(GTable<GDelayedMessageBase*>* queue) : fQueue(queue) {}
    ~TakenQueue()
    {
        fQueue->DeleteAllItems();
        delete fQueue;
    }
    TakenQueue(TakenQueue const&) = delete;
    TakenQueue& operator=(TakenQueue const&) = delete;

    GTable<GDelayedMessageBase*>& operator*() const { return *fQueue; }

private:
    GTable<GDelayedMessageBase*>* fQueue;
};
} // namespace

GSignalBase::GSignalBase(int id) : fID(id), fConsolidatePending(false), fHasConsolidatedReceivers(false) {}

GSignalBase::~GSignalBase()
{
    GMutexLocker locker(sStaticMutex);
    int slot;
    if (sSignals.GetExistingIndex(fID, slot) >= 0 && sSignals.GetValueAt(slot) == this)
        sSignals.Remove(fID);
    if (fConsolidatedReceivers.GetCount() > 0)
        sConsolidatedSignals.RemoveItemAll(this);
}

bool GSignalBase::IsConsolidatePending()
{
    GMutexLocker locker(fMutex);
    GMutexLocker staticLocker(sStaticMutex);
    return fConsolidatePending;
}

void GSignalBase::SubscribeConsolidated(GConsolidatedReceiver* receiver)
{
    GMutexLocker locker(fMutex);
    GMutexLocker staticLocker(sStaticMutex);
    bool const first = fConsolidatedReceivers.GetCount() == 0;
    fConsolidatedReceivers.AddItem(receiver);
    if (first)
    {
        try
        {
            sConsolidatedSignals.AddItem(this);
        }
        catch (...) // a receiver of a signal that no pass looks at would never be called
        {
            fConsolidatedReceivers.RemoveLastItem();
            throw;
        }
    }
    fHasConsolidatedReceivers.store(true, std::memory_order_release);
}

void GSignalBase::UnSubscribeConsolidated(GConsolidatedReceiver* receiver)
{
    GMutexLocker locker(fMutex);
    GMutexLocker staticLocker(sStaticMutex);
    int const before = fConsolidatedReceivers.GetCount();
    fConsolidatedReceivers.RemoveItem(receiver);
    if (before > 0 && fConsolidatedReceivers.GetCount() == 0)
    {
        sConsolidatedSignals.RemoveItem(this);
        fHasConsolidatedReceivers.store(false, std::memory_order_release);
    }
}

void GSignalBase::MarkConsolidatePending()
{
    GMutexLocker locker(fMutex);
    MarkConsolidatePendingLocked();
}

void GSignalBase::SetConsolidatePending()
{
    GMutexLocker staticLocker(sStaticMutex);
    if (fConsolidatedReceivers.GetCount() > 0)
        fConsolidatePending = true;
}

GSignalBase* GSignalBase::GetSignal(int id)
{
    GMutexLocker locker(sStaticMutex);
    GSignalBase* signal = nullptr;
    sSignals.Get(id, signal);
    return signal;
}

void GSignalBase::RegisterSignal(GSignalBase* signal)
{
    if (!signal)
        return;
    GMutexLocker locker(sStaticMutex);
    sSignals.Put(signal->fID, signal);
}

void GSignalBase::QueueDelayedSignal(GDelayedMessageBase* message)
{
    GAutoPtr<GDelayedMessageBase> owner(message);
    GMutexLocker locker(sStaticMutex);
    if (sDelayedSignals)
    {
        sDelayedSignals->AddItem(message);
        owner.Release();
    }
}

void GSignalBase::SendDelayedSignals()
{
    GTable<GDelayedMessageBase*>* taken = nullptr;
    {
        GMutexLocker locker(sStaticMutex);
        if (sDelayedSignals && sDelayedSignals->GetCount() > 0)
        {
            // The new queue is in place before anything is delivered: what the receivers queue now
            // waits for the next pass.
            auto* fresh = new GTable<GDelayedMessageBase*>;
            taken = sDelayedSignals;
            sDelayedSignals = fresh;
        }
    }
    if (taken)
    {
        TakenQueue queue(taken);
        for (int i = 0; i < (*queue).GetCount(); ++i)
            (*queue)[i]->Send();
    }

    GTable<GConsolidatedReceiver*> passList;
    {
        GMutexLocker locker(sStaticMutex);
        for (int s = 0; s < sConsolidatedSignals.GetCount(); ++s)
        {
            GSignalBase& fired = *sConsolidatedSignals[s];
            if (!fired.fConsolidatePending)
                continue;
            for (int i = 0; i < fired.fConsolidatedReceivers.GetCount(); ++i)
                passList.AddUniqueItem(fired.fConsolidatedReceivers[i]);
            fired.fConsolidatePending = false;
        }
    }
    for (int i = 0; i < passList.GetCount(); ++i)
        passList[i]->ReceiveConsolidated();
}

void GSignalBase::Initialize()
{
    GMutexLocker locker(sStaticMutex);
    if (!sDelayedSignals)
        sDelayedSignals = new GTable<GDelayedMessageBase*>;
}

void GSignalBase::Finalize()
{
    GMutexLocker locker(sStaticMutex);
    if (sDelayedSignals)
    {
        TakenQueue queue(sDelayedSignals);
        sDelayedSignals = nullptr;
    }

    GTable<GSignalBase*> registered;
    sSignals.ForEach([&registered](int, GSignalBase* signal) { registered.AddItem(signal); });
    sSignals.RemoveAll();
    // Each destructor also takes its signal out of the consolidated list, so a later delivery
    // pass never reaches it.
    registered.DeleteAllItems();
}
