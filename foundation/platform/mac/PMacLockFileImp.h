// Lock files on the system's record locks, through the interprocess library's file lock.
#pragma once

#include <boost/interprocess/sync/file_lock.hpp>

#include "GLockFileImp.h"

class PMacLockFileImp : public GLockFileImp
{
public:
    explicit PMacLockFileImp(GPathName const& lockFile) : fPath(lockFile), fState(0) {}
    // Closing the lock file releases the lock it carries.
    ~PMacLockFileImp() override = default;

    bool Lock(GLockFile::LockType type) override;
    // A refused release throws the interprocess library's exception with the system's error.
    void UnLock() override;
    bool IsLocked(GLockFile::LockType type) const override;
    GPathName const& GetLockFileSpec() const override { return fPath; }

    // Creates the lock file empty, as a temporary file; whether it was created.
    bool CreateTheLockFile();

private:
    GPathName fPath;
    // 0 none, or the type held.
    int fState;
    // Opened anew by every lock; empty until the first.
    boost::interprocess::file_lock fLock;
};
