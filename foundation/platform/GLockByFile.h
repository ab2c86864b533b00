// Holds a lock on a lock file for a scope: taken on construction, waiting for it when asked, and
// released on destruction.
#pragma once

#include "GLockFile.h"

class GLockByFile
{
public:
    // With wait, tries again every 150 ms, without limit, until the lock is granted. A failure of the
    // lock passes to the caller and leaves nothing held or open.
    GLockByFile(GPathName const& lockFile, GLockFile::LockType type, bool wait);
    // Releases the lock; a release the system refuses is dropped here (the lock goes when the lock
    // file closes right after), never thrown.
    ~GLockByFile();
    GLockByFile(GLockByFile const&) = delete;
    GLockByFile& operator=(GLockByFile const&) = delete;

    bool HasLock() const { return fHasLock; }
    // A release the system refuses throws the interprocess library's exception.
    void ReleaseLock();

private:
    bool fHasLock;
    GLockFile fLockFile;
};
