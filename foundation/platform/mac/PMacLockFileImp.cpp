// Lock files on the system's record locks.
#include "PMacLockFileImp.h"

#include <boost/interprocess/exceptions.hpp>

#include "GFileSystem.h"
#include "GFileType.h"
#include "GSimpleException.h"
#include "GUTF8Encoding.h"

namespace
{
constexpr int cCouldNotLockID = 40092;
// The kind of temporary files.
constexpr int cTemporaryFileUserID = 9;
} // namespace

bool PMacLockFileImp::CreateTheLockFile()
{
    GPathName path = fPath;
    return GFileSystem::CreateFile(path, GFileType::GetFromUserID(cTemporaryFileUserID), false);
}

bool PMacLockFileImp::Lock(GLockFile::LockType type)
{
    if (fState != 0)
        return false;
    if (!GFileSystem::FileExists(fPath))
        CreateTheLockFile();
    GBuffer const native = fPath.GetNativePathString().GetBuffer(GUTF8Encoding::GetInstance());
    try
    {
        {
            boost::interprocess::file_lock opened(reinterpret_cast<char const*>(native.GetPtr()));
            // The new lock file takes over; the one opened before (by an earlier try) is closed with
            // opened, here, before the lock is taken: closing a descriptor of the lock file lets go
            // of every lock this process holds on it, so a close after the lock would drop it again.
            fLock.swap(opened);
        }
        if (type == GLockFile::cShared)
            fState = fLock.try_lock_sharable() ? GLockFile::cShared : 0;
        else if (type == GLockFile::cExclusive)
            fState = fLock.try_lock() ? GLockFile::cExclusive : 0;
    }
    catch (boost::interprocess::interprocess_exception const&) // not opened, or a refusal that is no conflict
    {
        fState = 0;
        throw GSimpleException(cCouldNotLockID);
    }
    return IsLocked(type);
}

void PMacLockFileImp::UnLock()
{
    if (fState == GLockFile::cShared)
        fLock.unlock_sharable();
    else if (fState == GLockFile::cExclusive)
        fLock.unlock();
    fState = 0;
}

bool PMacLockFileImp::IsLocked(GLockFile::LockType type) const
{
    if (type == GLockFile::cShared)
        return fState == GLockFile::cShared || fState == GLockFile::cExclusive;
    if (type == GLockFile::cExclusive)
        return fState == GLockFile::cExclusive;
    return false;
}
