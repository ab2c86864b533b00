// The one in-process mutex of the system: a recursive POSIX mutex.
#include "PUNIXMutexImp.h"

#include <cerrno>

#include "GSimpleException.h"

namespace
{
constexpr int cCouldNotLock = 40202;
constexpr int cCouldNotUnlock = 40203;
constexpr int cCouldNotCreate = 40204;
} // namespace

PUNIXMutexImp::PUNIXMutexImp()
{
    pthread_mutexattr_t attributes;
    if (pthread_mutexattr_init(&attributes) != 0)
        throw GSimpleException(cCouldNotCreate);
    bool const made = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0 &&
                      pthread_mutex_init(&fMutex, &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    if (!made)
        throw GSimpleException(cCouldNotCreate);
}

PUNIXMutexImp::~PUNIXMutexImp()
{
    pthread_mutex_destroy(&fMutex);
}

void PUNIXMutexImp::ThrowLockFailure()
{
    throw GSimpleException(cCouldNotLock);
}

void PUNIXMutexImp::ThrowUnlockFailure()
{
    throw GSimpleException(cCouldNotUnlock);
}

bool PUNIXMutexImp::TryToLock()
{
    int const result = pthread_mutex_trylock(&fMutex);
    if (result == EBUSY)
        return false;
    if (result != 0)
        ThrowLockFailure();
    return true;
}
