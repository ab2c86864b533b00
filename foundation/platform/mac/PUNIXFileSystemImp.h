// The POSIX side of the file system: what the macOS file layer does with plain system calls.
#pragma once

#include <sys/stat.h>

class GPathName;

class PUNIXFileSystemImp
{
public:
    PUNIXFileSystemImp() = delete;

    // Turns a failed system call into PUNIXSystemException with errno. A call that failed without
    // setting errno throws nothing.
    static void CheckErrno(bool ok);

    // Whether another process holds a lock on the file (an alias's target); this process's own locks
    // do not count. False on a file system without record locks; a file that cannot be opened, or a
    // question the system cannot answer (ENOLCK), throws PUNIXSystemException.
    static bool FileInUse(GPathName const& path);

    // The user-type mask with the current user (8) replaced by the class the effective user falls in
    // for the object: owner (1), group (2, also through a supplementary group) or others (4).
    static int GetCurrentUserEffectiveType(int userMask, struct stat const& info);
};
