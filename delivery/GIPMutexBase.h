// A named inter-process mutex whose name begins with the prefix of its kind, and which remembers
// whether this object holds it, so that it lets go when it goes.
#pragma once

#include "GBuffer.h"
#include "GIPPrefix.h"
#include "GSimpleException.h"

template<class Imp>
class GIPMutexBase : public Imp
{
public:
    // The name is the kind's prefix followed by id. A kind without a prefix throws 40201, as a
    // name the platform refuses does.
    GIPMutexBase(GIPPrefix::ID prefix, GBuffer const& id) : Imp(NameOf(prefix, id)), fLocked(false) {}
    ~GIPMutexBase() override
    {
        if (fLocked)
        {
            fLocked = false;
            Imp::Unlock();
        }
    }

    void Lock()
    {
        Imp::Lock();
        fLocked = true;
    }
    bool TryToLock(int seconds)
    {
        if (!Imp::TryToLock(seconds))
            return false;
        fLocked = true;
        return true;
    }
    void Unlock()
    {
        Imp::Unlock();
        fLocked = false;
    }
    bool IsLocked() const { return fLocked; }
    // Lets go of the lock this object holds, then opens the name again.
    void Reopen()
    {
        if (fLocked)
            Unlock();
        Imp::Reopen();
    }

private:
    static GBuffer NameOf(GIPPrefix::ID prefix, GBuffer const& id)
    {
        char const* text = GIPPrefix::GetPrefix(prefix);
        if (!text)
            throw GSimpleException(40201); // "The specified mutex identifier contains invalid characters"
        return GBuffer(text) + id;
    }

    bool fLocked;
};
