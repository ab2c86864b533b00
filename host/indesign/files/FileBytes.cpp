// Whole-file reading with POSIX calls, so that the kind of file is known before a byte is read.
#include "FileBytes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace indesignhost
{
namespace
{
std::string ReasonOf(int error)
{
    switch (error)
    {
    case ENOENT:
        return "does not exist";
    case ENOTDIR:
        return "does not exist (a folder on its path is a file)";
    case EACCES:
        return "cannot be read (permission denied)";
    default:
        return std::string("cannot be read (") + std::strerror(error) + ")";
    }
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : fFd(fd) {}
    ~FileDescriptor()
    {
        if (fFd >= 0)
            close(fFd);
    }
    FileDescriptor(FileDescriptor const&) = delete;
    FileDescriptor& operator=(FileDescriptor const&) = delete;
    int Get() const { return fFd; }

private:
    int fFd;
};
} // namespace

bool TryReadFileBytes(std::string const& path, std::string& bytes, std::string& reason)
{
    bytes.clear();
    if (path.empty())
    {
        reason = "no file given";
        return false;
    }
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    FileDescriptor const file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
    {
        reason = ReasonOf(errno);
        return false;
    }
    struct stat status;
    if (fstat(file.Get(), &status) != 0)
    {
        reason = ReasonOf(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode))
    {
        reason = "is a folder, not a file";
        return false;
    }
    if (!S_ISREG(status.st_mode))
    {
        reason = "is not a regular file";
        return false;
    }
    if (static_cast<unsigned long long>(status.st_size) > cMaxHostFileSize)
    {
        reason = "is larger than " + std::to_string(cMaxHostFileSize) + " bytes";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    for (;;)
    {
        // One byte more than the size stat gave shows a file that grew meanwhile.
        if (done == bytes.size())
        {
            if (bytes.size() > cMaxHostFileSize)
            {
                reason = "is larger than " + std::to_string(cMaxHostFileSize) + " bytes";
                return false;
            }
            bytes.resize(bytes.size() + 4096);
        }
        ssize_t const got = read(file.Get(), &bytes[done], bytes.size() - done);
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            reason = ReasonOf(errno);
            return false;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return true;
}
} // namespace indesignhost
