// The POSIX side of the file system: what the macOS file layer does with plain system calls.
#pragma once

class PUNIXFileSystemImp
{
public:
    PUNIXFileSystemImp() = delete;

    // Turns a failed system call into PUNIXSystemException with errno. A call that failed without
    // setting errno throws nothing.
    static void CheckErrno(bool ok);
};
