// The preference module of a file shared between processes under a lock file.
#include "GPrefSharedFileModule.h"

#include "GException.h"
#include "GFileSystem.h"
#include "GLockByFile.h"

GPrefSharedFileModule::GPrefSharedFileModule(GPathName const& path, GEncoding const* encoding) : fPath(path)
{
    SetEncoding(encoding);
    try
    {
        GPrefSharedFileModule::ReadDict();
    }
    catch (GException const&) // a module is made in any case; its Refresh reports the failure again
    {
    }
}

GPrefSharedFileModule::~GPrefSharedFileModule() = default;

void GPrefSharedFileModule::GetLockPathName(GPathName& lockPath) const
{
    lockPath = fPath;
    lockPath.ReplaceExtension(fPath.GetExtension() + GString("lock"));
}

void GPrefSharedFileModule::ReadDict()
{
    fDirty = false;
    fPrefs.RemoveAll();
    fReadIncomplete = false;
    fReadFailed = false;
    if (!GFileSystem::TryFileExists(fPath))
        return;
    // Failed until read: the lock, too, may be refused.
    fReadFailed = true;
    if (IsUpdating())
    {
        ReadPrefsFile(fPath, nullptr);
        return;
    }
    GPathName lockPath;
    GetLockPathName(lockPath);
    GLockByFile lock(lockPath, GLockFile::cShared, true);
    ReadPrefsFile(fPath, nullptr);
}

void GPrefSharedFileModule::WriteDict()
{
    if (!fDirty)
        return;
    if (IsUpdating())
    {
        WritePrefsFile(fPath);
        return;
    }
    GPathName lockPath;
    GetLockPathName(lockPath);
    // The lock file lies beside the file, so its folder must be there before the lock is taken.
    GPathName const folder = fPath.GetBranch();
    if (!GFileSystem::TryFolderExists(folder))
        GFileSystem::CreateFolder(folder);
    GLockByFile lock(lockPath, GLockFile::cExclusive, true);
    WritePrefsFile(fPath);
}

void GPrefSharedFileModule::BeginUpdate()
{
    if (IsUpdating())
        return;
    GPathName lockPath;
    GetLockPathName(lockPath);
    GPathName const folder = fPath.GetBranch();
    if (!GFileSystem::TryFolderExists(folder))
        GFileSystem::CreateFolder(folder);
    // The locks are the process's own: a second lock of this process on the lock file would change
    // or release this one, so the reads and writes until EndUpdate take none.
    fUpdateLock.Reset(new GLockByFile(lockPath, GLockFile::cExclusive, true));
    try
    {
        ReadDict();
    }
    catch (GException const&)
    {
        fUpdateLock.Reset();
        throw;
    }
}

void GPrefSharedFileModule::EndUpdate()
{
    fUpdateLock.Reset();
}
