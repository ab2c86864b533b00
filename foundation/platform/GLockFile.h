// A lock file through which cooperating processes serialise their access to a file they share: any
// number of readers hold a shared lock, one writer an exclusive one. The locks are the system's
// advisory record locks: they exclude other processes, not other threads or objects of this one, and
// closing any descriptor of the lock file in this process releases the process's locks on it. The
// lock file itself holds no data.
#pragma once

#include "GPathName.h"

class GLockFileImp;

class GLockFile
{
public:
    enum LockType
    {
        cShared = 1,
        cExclusive = 2
    };

    // Opens nothing yet.
    explicit GLockFile(GPathName const& lockFile);
    // A copy locks the same file but holds no lock: a lock is never copied.
    GLockFile(GLockFile const& other);
    GLockFile& operator=(GLockFile const& other);
    ~GLockFile();

    // One try, without waiting; true when the lock is now held. A lock already held is never
    // changed or taken twice (false). A missing lock file is created empty; a lock file that cannot
    // be opened, or a refusal other than another process's lock, throws 40092.
    bool Lock(LockType type);
    void UnLock();
    // Whether this object holds the lock; a shared one is also held while the exclusive one is.
    bool IsLocked(LockType type) const;
    GPathName const& GetLockFileSpec() const;
    // Removes the lock file, ignoring a failure; while this object holds a lock, throws 40093.
    void DeleteFile();

private:
    GLockFileImp* fImp;
};
