// The untyped part of every signal, and the process-wide registry of signals by integer id with
// the queue of delayed messages and the list of signals that have consolidated receivers.
#pragma once

#include <atomic>

#include "GConsolidatedReceiver.h"
#include "GDelayedMessageBase.h"
#include "GDict.h"
#include "GFastAllocatable.h"
#include "GTable.h"
#include "PUNIXMutexImp.h"

class GSignalBase : public GFastAllocatable
{
public:
    explicit GSignalBase(int id);
    // Leaves the registry and the consolidated list, so nothing reaches a deleted signal.
    virtual ~GSignalBase();
    GSignalBase(GSignalBase const&) = delete;
    GSignalBase& operator=(GSignalBase const&) = delete;

    int GetID() const { return fID; }
    bool IsConsolidatePending();

    // Appends the receiver (one may stand more than once); the first one enters the signal into the
    // list of signals that the delivery pass looks at.
    void SubscribeConsolidated(GConsolidatedReceiver* receiver);
    // Removes the first occurrence; the last one takes the signal out of that list.
    void UnSubscribeConsolidated(GConsolidatedReceiver* receiver);
    // Sets the pending flag when the signal has at least one consolidated receiver.
    void MarkConsolidatePending();

    // The registered signal of the id, or null.
    static GSignalBase* GetSignal(int id);
    // Enters the signal under its id; the registry owns it from now on. An earlier signal of the
    // same id is no longer owned by the registry and stays with whoever made it.
    static void RegisterSignal(GSignalBase* signal);
    // Takes ownership of the message: appends it to the queue, or deletes it when there is no queue
    // (before Initialize, after Finalize).
    static void QueueDelayedSignal(GDelayedMessageBase* message);
    // One delivery pass: the delayed messages queued so far, then each consolidated receiver whose
    // signals fired once. Messages queued during the pass wait for the next one. Nothing is
    // delivered while the registry is locked, so a pass on one thread and a Send on another (which
    // holds its signal's mutex, then takes the registry's) never wait for each other.
    static void SendDelayedSignals();

    // Makes a queue when there is none.
    static void Initialize();
    // Deletes the queued messages and the queue, then every registered signal.
    static void Finalize();

protected:
    // The signal's own recursive mutex; it guards the receiver tables of GSignal<T>.
    PUNIXMutexImp& GetMutex() { return fMutex; }
    // MarkConsolidatePending for a caller that holds the signal's mutex already; without a
    // consolidated receiver (the usual case) it takes no lock at all.
    void MarkConsolidatePendingLocked()
    {
        if (fHasConsolidatedReceivers.load(std::memory_order_acquire))
            SetConsolidatePending();
    }
    // Guards the registry, the queue, the consolidated list and every signal's consolidated
    // receivers and pending flag. Taken after a signal's mutex, never before it.
    // GSignal<T>::GetSignal holds it across its lookup and its registration.
    static PUNIXMutexImp sStaticMutex;

private:
    void SetConsolidatePending();

    int fID;
    PUNIXMutexImp fMutex;
    // The consolidated side lives under sStaticMutex, so that the delivery pass can read it without
    // taking any signal's mutex; the atomic copy of "has receivers" lets Send skip that lock.
    bool fConsolidatePending;
    std::atomic<bool> fHasConsolidatedReceivers;
    GTable<GConsolidatedReceiver*> fConsolidatedReceivers;

    static GDict<int, GSignalBase*> sSignals;
    static GTable<GDelayedMessageBase*>* sDelayedSignals;
    static GTable<GSignalBase*> sConsolidatedSignals;
};
