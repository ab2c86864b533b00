// An open file as a POSIX descriptor.
#include "PUNIXFileImp.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "GBuffer.h"
#include "GFileSystem.h"
#include "GFileSystemSupport.h"
#include "GPathName.h"
#include "GSimpleException.h"
#include "GUTF8Encoding.h"
#include "PUNIXFileSystemImp.h"

namespace
{
constexpr int cInvalidPathID = 40068;

// The path as the system's calls take it; a zero byte would end it early and name another file,
// so such a path is refused before any call.
GBuffer NativeBytes(GPathName const& path)
{
    GBuffer bytes = path.GetNativePathString().GetBuffer(GUTF8Encoding::GetInstance());
    if (GFileSystemSupport::HoldsZeroByte(reinterpret_cast<char const*>(bytes.GetPtr()), bytes.GetLength()))
        throw GSimpleException(cInvalidPathID);
    return bytes;
}

// A file system without record locks answers one of these: nothing can be locked there. ENOLCK is
// no such answer: the lock could not be taken (a full lock table, a failed lock manager), and the
// file may well be held by another.
bool LocksUnsupported(int error)
{
    return error == ENOTSUP || error == EOPNOTSUPP;
}

// A lock of a region of the open file description, not waiting; false with errno set when refused.
bool LockRegion(int descriptor, short type, long long start, long long length)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(start);
    lock.l_len = static_cast<off_t>(length);
    return fcntl(descriptor, F_OFD_SETLK, &lock) == 0 || LocksUnsupported(errno);
}
} // namespace

PUNIXFileImp::~PUNIXFileImp()
{
    if (fDescriptor >= 0)
        close(fDescriptor);
    PUNIXFileLocks::Release(fLockHold);
}

void PUNIXFileImp::Open(int mode)
{
    bool const writes = (mode & (cWrite | cTruncate)) != 0;
    int flags = O_NONBLOCK | O_CLOEXEC;
    if ((mode & cRead) && writes)
        flags |= O_RDWR;
    else if (writes)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (mode & cNoFollow)
        flags |= O_NOFOLLOW;
    if (mode & cCreate)
    {
        flags |= O_CREAT;
        GPathName const folder = GetFilePath().GetBranch();
        if (!GFileSystem::FolderExists(folder))
            GFileSystem::CreateFolder(folder);
    }
    errno = 0;
    int const descriptor = open(reinterpret_cast<char const*>(NativeBytes(GetFilePath()).GetPtr()), flags, 0600);
    PUNIXFileSystemImp::CheckErrno(descriptor >= 0);
    if (descriptor < 0)
        return;
    // The lock comes before anything changes the file: a file that another process holds is
    // refused whole, and the descriptor held before stays as it was.
    PUNIXFileLocks::Hold hold;
    int error = 0;
    if (writes && !(mode & cNoWriteLock))
        error = PUNIXFileLocks::Acquire(descriptor, true, hold);
    else if ((mode & cRead) && !(mode & cNoReadLock))
        error = PUNIXFileLocks::Acquire(descriptor, false, hold);
    if (error == 0 && (mode & cTruncate) && ftruncate(descriptor, 0) != 0)
        error = errno;
    if (error != 0)
    {
        PUNIXFileLocks::Release(hold);
        close(descriptor);
        errno = error;
        PUNIXFileSystemImp::CheckErrno(false);
        return;
    }
    try
    {
        Close();
    }
    catch (...) // the new descriptor goes with the old one's failure, its lock given back
    {
        PUNIXFileLocks::Release(hold);
        close(descriptor);
        throw;
    }
    fDescriptor = descriptor;
    fLockHold = hold;
}

void PUNIXFileImp::Close()
{
    if (fDescriptor < 0)
        return;
    int const descriptor = fDescriptor;
    fDescriptor = -1;
    PUNIXFileLocks::Release(fLockHold);
    errno = 0;
    PUNIXFileSystemImp::CheckErrno(close(descriptor) == 0);
}

void PUNIXFileImp::SyncToDisk()
{
    if (fDescriptor < 0)
        return;
    int result;
    do
    {
        errno = 0;
        result = fsync(fDescriptor);
    } while (result != 0 && errno == EINTR);
    PUNIXFileSystemImp::CheckErrno(result == 0);
}

void PUNIXFileImp::Reopen(int mode)
{
    Close();
    Open(mode);
}

int PUNIXFileImp::Read(GBuffer& out, int count) const
{
    out.SetLength(count);
    ssize_t read = 0;
    do
    {
        errno = 0;
        read = ::read(fDescriptor, out.GetWritePtr(), static_cast<std::size_t>(count));
    } while (read < 0 && errno == EINTR);
    if (read < 0)
    {
        out.SetLength(0);
        PUNIXFileSystemImp::CheckErrno(false);
        return 0;
    }
    out.SetLength(static_cast<int>(read));
    long long const cached = GetCachedPos();
    SetCachedPos(cached < 0 ? GetFilePosition() : cached + read);
    return static_cast<int>(read);
}

int PUNIXFileImp::Write(GBuffer const& bytes)
{
    unsigned char const* data = bytes.GetPtr();
    long long const length = bytes.GetLength();
    long long written = 0;
    int error = 0;
    while (written < length)
    {
        ssize_t const done = ::write(fDescriptor, data + written, static_cast<std::size_t>(length - written));
        if (done >= 0)
            written += done;
        else if (errno != EINTR)
        {
            error = errno;
            break;
        }
    }
    // The position follows what reached the file, also when the rest could not be written.
    long long const cached = GetCachedPos();
    long long const position = cached < 0 ? GetFilePosition() : cached + written;
    SetCachedPos(position);
    long long const knownLength = GetCachedLength();
    if (knownLength >= 0 && position > knownLength)
        SetCachedLength(position);
    if (error != 0)
    {
        errno = error;
        PUNIXFileSystemImp::CheckErrno(false);
    }
    return static_cast<int>(written);
}

long long PUNIXFileImp::GetLength() const
{
    if (fDescriptor < 0)
    {
        struct stat info;
        errno = 0;
        if (stat(reinterpret_cast<char const*>(NativeBytes(GetFilePath()).GetPtr()), &info) == 0)
            return info.st_size;
        if (errno == ENOENT)
            return -1;
        PUNIXFileSystemImp::CheckErrno(false);
        return -1;
    }
    // The descriptor goes back where it stood, so the cached position stays as it is: a position
    // still to be taken (a skip not yet written after) is where the next transfer goes.
    long long const here = GetFilePosition();
    errno = 0;
    off_t const end = lseek(fDescriptor, 0, SEEK_END);
    PUNIXFileSystemImp::CheckErrno(end >= 0);
    PUNIXFileSystemImp::CheckErrno(lseek(fDescriptor, static_cast<off_t>(here), SEEK_SET) >= 0);
    return end;
}

long long PUNIXFileImp::GetFilePosition() const
{
    errno = 0;
    off_t const position = lseek(fDescriptor, 0, SEEK_CUR);
    PUNIXFileSystemImp::CheckErrno(position >= 0);
    return position;
}

void PUNIXFileImp::SetFilePosition() const
{
    long long const cached = GetCachedPos();
    if (cached < 0 || GetFilePosition() == cached)
        return;
    errno = 0;
    PUNIXFileSystemImp::CheckErrno(lseek(fDescriptor, static_cast<off_t>(cached), SEEK_SET) >= 0);
}

void PUNIXFileImp::SetRegionLocked(long long start, long long length, bool lock, bool exclusive)
{
    errno = 0;
    PUNIXFileSystemImp::CheckErrno(
        LockRegion(fDescriptor, lock ? (exclusive ? F_WRLCK : F_RDLCK) : F_UNLCK, start, length));
}
