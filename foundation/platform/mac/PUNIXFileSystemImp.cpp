// The POSIX side of the file system.
#include "PUNIXFileSystemImp.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "GFileSystem.h"
#include "GFileSystemSupport.h"
#include "GPathName.h"
#include "GSimpleException.h"
#include "GUTF8Encoding.h"
#include "PUNIXFileLocks.h"
#include "PUNIXSystemException.h"

namespace
{
constexpr int cInvalidPathID = 40068;
} // namespace

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
    char const* const text = reinterpret_cast<char const*>(native.GetPtr());
    // A zero byte would end the path early and ask about another file.
    if (GFileSystemSupport::HoldsZeroByte(text, native.GetLength()))
        throw GSimpleException(cInvalidPathID);
    errno = 0;
    int const descriptor = open(text, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    CheckErrno(descriptor >= 0);
    if (descriptor < 0)
        return false;
    // Only another process's lock counts: this process's own locks keep others off, not itself.
    bool locked = false;
    int const error = PUNIXFileLocks::IsLockedElsewhere(descriptor, locked);
    close(descriptor);
    if (error != 0)
    {
        errno = error;
        CheckErrno(false);
    }
    return locked;
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
