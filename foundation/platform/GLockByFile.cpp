// A scope lock on a lock file.
#include "GLockByFile.h"

#include "PSystem.h"

namespace
{
constexpr int cRetryMilliseconds = 150;
} // namespace

GLockByFile::GLockByFile(GPathName const& lockFile, GLockFile::LockType type, bool wait)
    : fHasLock(false), fLockFile(lockFile)
{
    fHasLock = fLockFile.IsLocked(type);
    if (!fHasLock)
        fHasLock = fLockFile.Lock(type);
    while (!fHasLock && wait)
    {
        PSystem::MilliSleep(cRetryMilliseconds);
        fHasLock = fLockFile.Lock(type);
    }
}

GLockByFile::~GLockByFile()
{
    try
    {
        ReleaseLock();
    }
    catch (...) // a release the system refuses (the interprocess library's exception) must not end
                // the process from a destructor; the lock goes with the descriptor when the lock
                // file object is destroyed next
    {
        fHasLock = false;
    }
}

void GLockByFile::ReleaseLock()
{
    if (!fHasLock)
        return;
    fLockFile.UnLock();
    fHasLock = false;
}
