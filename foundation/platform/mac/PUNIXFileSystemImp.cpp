// The POSIX side of the file system.
#include "PUNIXFileSystemImp.h"

#include <cerrno>

#include "PUNIXSystemException.h"

void PUNIXFileSystemImp::CheckErrno(bool ok)
{
    if (!ok && errno != 0)
        throw PUNIXSystemException(errno);
}
