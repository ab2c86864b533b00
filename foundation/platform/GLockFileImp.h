// What a platform gives a lock file: taking, releasing and telling its lock.
#pragma once

#include "GLockFile.h"

class GLockFileImp
{
public:
    GLockFileImp() = default;
    GLockFileImp(GLockFileImp const&) = delete;
    GLockFileImp& operator=(GLockFileImp const&) = delete;
    virtual ~GLockFileImp() = default;

    virtual bool Lock(GLockFile::LockType type) = 0;
    virtual void UnLock() = 0;
    virtual bool IsLocked(GLockFile::LockType type) const = 0;
    virtual GPathName const& GetLockFileSpec() const = 0;
};
