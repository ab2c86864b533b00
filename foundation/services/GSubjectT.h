// The subject of the direct notification: observers attach to one subject object with a priority
// and are called back, highest priority first, with an integer notification code.
#pragma once

#include "GAutoTable.h"
#include "GTable.h"
#include "GTableIterator.h"

template<class Code = int>
class GObserverT;

template<class Code = int>
class GSubjectT
{
public:
    GSubjectT() : fSuppress(false) {}
    // Detaches every observer in attaching order, then deletes the owned objects, last first.
    virtual ~GSubjectT();
    // An observer's subject table names this object: a copy would be attached to nobody's knowledge.
    GSubjectT(GSubjectT const&) = delete;
    GSubjectT& operator=(GSubjectT const&) = delete;

    // Higher priorities are notified first, equal ones in the order of attaching. Attaching again
    // with the same priority changes nothing; with another one it moves the observer.
    virtual void Attach(GObserverT<Code>* observer, int priority);
    // Removes the observer's first occurrence; the subject leaves the observer's table in any case.
    virtual void Detach(GObserverT<Code>* observer);

    // Call Update on every observer, in priority order, unless notifications are suppressed.
    // Observers may attach and detach (themselves and others) meanwhile: one detached before its
    // turn is not called.
    void Notify();
    void Notify(Code code);

    void SetSuppressNotification(bool suppress) { fSuppress = suppress; }
    bool IsNotificationSuppressed() const { return fSuppress; }

    // Attaches the observer and makes the subject its owner: it is deleted with the subject.
    void AdoptObserver(GObserverT<Code>* observer, int priority);

    int GetObserverCount() const { return fObservers.GetCount(); }

private:
    template<class Call>
    void NotifyEach(Call const& call);

    GTable<GObserverT<Code>*> fObservers;
    // Parallel to fObservers, in descending order.
    GTable<int> fPriorities;
    bool fSuppress;
    GAutoTable<GObserverT<Code>> fOwned;
};

#include "GObserverT.h"

template<class Code>
GSubjectT<Code>::~GSubjectT()
{
    while (fObservers.GetCount() > 0)
        Detach(fObservers[0]);
    fOwned.DeleteAllItems();
}

template<class Code>
void GSubjectT<Code>::Attach(GObserverT<Code>* observer, int priority)
{
    int at = -1;
    for (int i = 0; i < fObservers.GetCount(); ++i)
    {
        if (fObservers[i] == observer)
        {
            at = i;
            break;
        }
    }
    if (at < 0 || fPriorities[at] != priority)
    {
        if (at >= 0)
        {
            fObservers.RemoveItemAt(at);
            fPriorities.RemoveItemAt(at);
        }
        int place = 0;
        while (place < fPriorities.GetCount() && fPriorities[place] >= priority)
            ++place;
        fObservers.InsertItemAt(place, observer);
        fPriorities.InsertItemAt(place, priority);
    }
    observer->fSubjects.AddUniqueItem(this);
}

template<class Code>
void GSubjectT<Code>::Detach(GObserverT<Code>* observer)
{
    for (int i = 0; i < fObservers.GetCount(); ++i)
    {
        if (fObservers[i] == observer)
        {
            fObservers.RemoveItemAt(i);
            fPriorities.RemoveItemAt(i);
            break;
        }
    }
    observer->fSubjects.RemoveItem(this);
}

template<class Code>
void GSubjectT<Code>::Notify()
{
    NotifyEach([this](GObserverT<Code>* observer) { observer->Update(this); });
}

template<class Code>
void GSubjectT<Code>::Notify(Code code)
{
    NotifyEach([this, code](GObserverT<Code>* observer) { observer->Update(this, code); });
}

template<class Code>
template<class Call>
void GSubjectT<Code>::NotifyEach(Call const& call)
{
    if (fSuppress)
        return;
    GTableIterator<GObserverT<Code>*> it(fObservers);
    GObserverT<Code>** observer;
    while (it.Next(observer))
        call(*observer);
}

template<class Code>
void GSubjectT<Code>::AdoptObserver(GObserverT<Code>* observer, int priority)
{
    fOwned.AddItem(observer);
    Attach(observer, priority);
}
