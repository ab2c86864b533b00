// A process-wide signal of one message type: one instance per integer id, fetched by any component,
// delivering each message to its receivers at once and, through the queue, to its delayed receivers.
#pragma once

#include "GAutoPtr.h"
#include "GMutexLocker.h"
#include "GSignalBase.h"
#include "GTable.h"
#include "GTableIterator.h"

template<class T>
class GReceiver;
template<class T>
class GDelayedMessage;

template<class T>
class GSignal : public GSignalBase
{
public:
    explicit GSignal(int id) : GSignalBase(id) {}
    ~GSignal() override = default;

    // The signal registered under the id, made and registered when there is none. An id is used
    // with one message type throughout the system. Never null.
    static GSignal* GetSignal(int id);

    // Calls every delayed receiver with the message, in table order.
    virtual void SendDelayed(T const& message);

    // Appends the receiver, duplicates kept; one added during a delivery is called in it.
    void Subscribe(GReceiver<T>* receiver);
    // Removes the first occurrence, also while a delivery is on a later one (the delivery goes on
    // with the receiver after it); nothing when absent.
    void UnSubscribe(GReceiver<T>* receiver);
    // The delayed receivers hear the messages at the next delivery pass. A receiver's destructor
    // does not know of these subscriptions: it must be unsubscribed before it goes.
    void SubscribeDelayed(GReceiver<T>* receiver);
    void UnSubscribeDelayed(GReceiver<T>* receiver);

    // Calls every receiver in subscription order, queues a copy for the delayed receivers when
    // there are any, and marks a consolidated delivery pending. Receivers may subscribe and
    // unsubscribe (themselves or others) during the delivery; an exception from one passes
    // through with the mutex released.
    void Send(T const& message);

private:
    void Deliver(GTable<GReceiver<T>*>& receivers, T const& message);

    GTable<GReceiver<T>*> fReceivers;
    GTable<GReceiver<T>*> fDelayedReceivers;
};

template<class T>
GSignal<T>* GSignal<T>::GetSignal(int id)
{
    // One hold for lookup and registration: two threads asking for a new id get the same signal.
    GMutexLocker locker(sStaticMutex);
    if (GSignalBase* found = GSignalBase::GetSignal(id))
        return static_cast<GSignal*>(found);
    GAutoPtr<GSignal> made(new GSignal(id));
    RegisterSignal(made.Get());
    return made.Release();
}

template<class T>
void GSignal<T>::SendDelayed(T const& message)
{
    GMutexLocker locker(GetMutex());
    Deliver(fDelayedReceivers, message);
}

template<class T>
void GSignal<T>::Subscribe(GReceiver<T>* receiver)
{
    GMutexLocker locker(GetMutex());
    fReceivers.AddItem(receiver);
}

template<class T>
void GSignal<T>::UnSubscribe(GReceiver<T>* receiver)
{
    GMutexLocker locker(GetMutex());
    // GTable::RemoveItem would prefer the occurrence a delivery stands on; the first one goes.
    for (int i = 0; i < fReceivers.GetCount(); ++i)
    {
        if (fReceivers[i] == receiver)
        {
            fReceivers.RemoveItemAt(i);
            return;
        }
    }
}

template<class T>
void GSignal<T>::SubscribeDelayed(GReceiver<T>* receiver)
{
    GMutexLocker locker(GetMutex());
    fDelayedReceivers.AddItem(receiver);
}

template<class T>
void GSignal<T>::UnSubscribeDelayed(GReceiver<T>* receiver)
{
    GMutexLocker locker(GetMutex());
    fDelayedReceivers.RemoveItem(receiver);
}

template<class T>
void GSignal<T>::Send(T const& message)
{
    GMutexLocker locker(GetMutex());
    Deliver(fReceivers, message);
    if (fDelayedReceivers.GetCount() > 0)
        QueueDelayedSignal(new GDelayedMessage<T>(message, this));
    MarkConsolidatePendingLocked();
}

template<class T>
void GSignal<T>::Deliver(GTable<GReceiver<T>*>& receivers, T const& message)
{
    // The live iterator follows the subscriptions and removals the receivers make meanwhile.
    GTableIterator<GReceiver<T>*> it(receivers);
    GReceiver<T>** receiver;
    while (it.Next(receiver))
        (*receiver)->Receive(GetID(), message);
}

// Last, because both refer back to GSignal.
#include "GDelayedMessage.h"
#include "GReceiver.h"
