// The base of everything that listens to signals of one message type. It remembers the ids it
// subscribed to, so that its destructor leaves those signals.
#pragma once

#include "GMutexLocker.h"
#include "GSignal.h"
#include "GSignalBase.h"
#include "GTable.h"
#include "PUNIXMutexImp.h"

template<class T>
class GReceiver
{
public:
    GReceiver() = default;
    // Leaves the signal of every id still listed, once per entry.
    virtual ~GReceiver();
    GReceiver(GReceiver const&) = delete;
    GReceiver& operator=(GReceiver const&) = delete;

    // Called with the signal's mutex held.
    virtual void Receive(int signalId, T const& message) = 0;
    // Lists the id and subscribes to its signal, made when missing; duplicates are kept.
    virtual void Subscribe(int signalId);
    // Drops the first listing of the id and one subscription to its signal.
    virtual void UnSubscribe(int signalId);

protected:
    // Taken before a signal's mutex, never after it on the receiver's own initiative.
    PUNIXMutexImp fMutex;
    GTable<int> fSignalIDs;

private:
    // Leaving a signal needs no new one: one that does not exist holds no subscription, and
    // one deleted by GSignalBase::Finalize is not brought back.
    static GSignal<T>* FindSignal(int signalId)
    {
        return static_cast<GSignal<T>*>(GSignalBase::GetSignal(signalId));
    }
};

template<class T>
GReceiver<T>::~GReceiver()
{
    GMutexLocker locker(fMutex);
    for (int i = 0; i < fSignalIDs.GetCount(); ++i)
    {
        if (GSignal<T>* signal = FindSignal(fSignalIDs[i]))
            signal->UnSubscribe(this);
    }
    fSignalIDs.Resize(0);
}

template<class T>
void GReceiver<T>::Subscribe(int signalId)
{
    GMutexLocker locker(fMutex);
    fSignalIDs.AddItem(signalId);
    try
    {
        GSignal<T>::GetSignal(signalId)->Subscribe(this);
    }
    catch (...) // the listing goes again, so the destructor does not leave a signal it never joined
    {
        fSignalIDs.RemoveLastItem();
        throw;
    }
}

template<class T>
void GReceiver<T>::UnSubscribe(int signalId)
{
    GMutexLocker locker(fMutex);
    fSignalIDs.RemoveItem(signalId);
    if (GSignal<T>* signal = FindSignal(signalId))
        signal->UnSubscribe(this);
}
