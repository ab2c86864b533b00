// A lock file over the platform's implementation.
#include "GLockFile.h"

#include "GFileSystem.h"
#include "GSimpleException.h"
#include "PMacLockFileImp.h"

namespace
{
constexpr int cStillLockedID = 40093;
} // namespace

GLockFile::GLockFile(GPathName const& lockFile) : fImp(new PMacLockFileImp(lockFile))
{
}

GLockFile::GLockFile(GLockFile const& other) : fImp(new PMacLockFileImp(other.GetLockFileSpec()))
{
}

GLockFile& GLockFile::operator=(GLockFile const& other)
{
    if (this != &other)
    {
        GLockFileImp* const imp = new PMacLockFileImp(other.GetLockFileSpec());
        delete fImp;
        fImp = imp;
    }
    return *this;
}

GLockFile::~GLockFile()
{
    delete fImp;
}

bool GLockFile::Lock(LockType type)
{
    return fImp->Lock(type);
}

void GLockFile::UnLock()
{
    fImp->UnLock();
}

bool GLockFile::IsLocked(LockType type) const
{
    return fImp->IsLocked(type);
}

GPathName const& GLockFile::GetLockFileSpec() const
{
    return fImp->GetLockFileSpec();
}

void GLockFile::DeleteFile()
{
    if (IsLocked(cShared))
        throw GSimpleException(cStillLockedID);
    try
    {
        GFileSystem::RemoveFile(GetLockFileSpec());
    }
    catch (GException const&) // a lock file that cannot be removed is left for the next user
    {
    }
}
