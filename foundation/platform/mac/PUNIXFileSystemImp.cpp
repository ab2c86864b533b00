// The POSIX side of the file system.
#include "PUNIXFileSystemImp.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "GFileSystem.h"
#include "GPathName.h"
#include "GUTF8Encoding.h"
#include "PUNIXSystemException.h"

void PUNIXFileSystemImp::CheckErrno(bool ok)
{
    if (!ok && errno != 0)
        throw PUNIXSystemException(errno);
}

bool PUNIXFileSystemImp::FileInUse(GPathName const& path)
{
    GPathName file = path;
    if (GFileSystem::IsAlias(path))
        GFileSystem::GetAliasTarget(path, file);
    GBuffer const native = file.GetNativePathString().GetBuffer(GUTF8Encoding::GetInstance());
    errno = 0;
    int const descriptor = open(reinterpret_cast<char const*>(native.GetPtr()), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    CheckErrno(descriptor >= 0);
    if (descriptor < 0)
        return false;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    bool const asked = fcntl(descriptor, F_GETLK, &lock) == 0;
    int const error = errno;
    close(descriptor);
    // A file system without record locks answers ENOTSUP or ENOLCK: nobody can hold one there.
    if (!asked && (error == ENOTSUP || error == ENOLCK))
        return false;
    return asked && lock.l_type != F_UNLCK;
}

int PUNIXFileSystemImp::GetCurrentUserEffectiveType(int userMask, struct stat const& info)
{
    userMask &= ~8;
    if (geteuid() == info.st_uid)
        return userMask | 1;
    if (getegid() == info.st_gid)
        return userMask | 2;
    int const count = getgroups(0, nullptr);
    if (count > 0)
    {
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        errno = 0;
        int const listed = getgroups(count, groups.data());
        CheckErrno(listed >= 0);
        for (int i = 0; i < listed; ++i)
        {
            if (groups[static_cast<std::size_t>(i)] == info.st_gid)
                return userMask | 2;
        }
    }
    return userMask | 4;
}
