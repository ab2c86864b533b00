// The one in-process mutex of the system: a recursive POSIX mutex.
#pragma once

#include <pthread.h>

class PUNIXMutexImp
{
public:
    PUNIXMutexImp();
    ~PUNIXMutexImp();
    PUNIXMutexImp(PUNIXMutexImp const&) = delete;
    PUNIXMutexImp& operator=(PUNIXMutexImp const&) = delete;

    // Every allocation takes a mutex, so the uncontended path stays inline.
    void Lock()
    {
        if (pthread_mutex_lock(&fMutex) != 0)
            ThrowLockFailure();
    }
    void Unlock()
    {
        if (pthread_mutex_unlock(&fMutex) != 0)
            ThrowUnlockFailure();
    }
    // True when taken; false at once when another thread holds it.
    bool TryToLock();

private:
    [[noreturn]] static void ThrowLockFailure();
    [[noreturn]] static void ThrowUnlockFailure();

    pthread_mutex_t fMutex;
};
