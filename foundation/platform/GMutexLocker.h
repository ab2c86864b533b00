// Scope lock: every lock of the foundation is taken through one, so a thrown exception releases it.
#pragma once

#include "PUNIXMutexImp.h"

class GMutexLocker
{
public:
    explicit GMutexLocker(PUNIXMutexImp& mutex) : fMutex(mutex), fLocked(false)
    {
        fMutex.Lock();
        fLocked = true;
    }
    ~GMutexLocker()
    {
        if (fLocked)
        {
            fLocked = false;
            fMutex.Unlock();
        }
    }
    GMutexLocker(GMutexLocker const&) = delete;
    GMutexLocker& operator=(GMutexLocker const&) = delete;

private:
    PUNIXMutexImp& fMutex;
    bool fLocked;
};
