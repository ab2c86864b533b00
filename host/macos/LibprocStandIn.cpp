// The libproc stand-in: processes and their open descriptors out of /proc, POSIX shared memory being
// the files of /dev/shm.
#include "LibprocStandIn.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
// Where the system keeps its POSIX shared-memory objects, as files.
char const cSharedMemoryFolder[] = "/dev/shm/";
char const cDeletedSuffix[] = " (deleted)";

int Fail(int error)
{
    errno = error;
    return 0;
}

// The numbers that name the entries of a /proc folder, in its order; empty with errno set when the
// folder cannot be read.
bool ListNumbers(std::string const& folder, std::vector<int>& numbers)
{
    DIR* const listing = opendir(folder.c_str());
    if (!listing)
        return false;
    while (dirent const* entry = readdir(listing))
    {
        char* end = nullptr;
        long const number = std::strtol(entry->d_name, &end, 10);
        if (entry->d_name[0] != '\0' && *end == '\0' && number >= 0)
            numbers.push_back(static_cast<int>(number));
    }
    closedir(listing);
    return true;
}

// The platform's answer for a process that cannot be looked into.
int ProcessError()
{
    return errno == ENOENT ? ESRCH : errno == EACCES ? EPERM : errno;
}

std::string DescriptorPath(int pid, int fd)
{
    return "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
}

// The shared-memory name ("/" first) the descriptor's target stands for; empty when it is no
// shared-memory object.
std::string SharedMemoryName(int pid, int fd)
{
    char target[PROC_PIDPATHINFO_MAXSIZE];
    ssize_t const length = readlink(DescriptorPath(pid, fd).c_str(), target, sizeof target - 1);
    if (length <= 0)
        return std::string();
    std::string path(target, static_cast<std::size_t>(length));
    std::size_t const prefix = sizeof cSharedMemoryFolder - 1;
    if (path.compare(0, prefix, cSharedMemoryFolder) != 0 || path.size() == prefix)
        return std::string();
    std::size_t const suffix = sizeof cDeletedSuffix - 1;
    if (path.size() > suffix && path.compare(path.size() - suffix, suffix, cDeletedSuffix) == 0)
        path.resize(path.size() - suffix);
    return "/" + path.substr(prefix);
}
} // namespace

int proc_listallpids(void* buffer, int buffersize)
{
    std::vector<int> pids;
    if (!ListNumbers("/proc", pids))
        return -1;
    if (!buffer)
        return static_cast<int>(pids.size());
    std::size_t const fitting = buffersize > 0 ? static_cast<std::size_t>(buffersize) / sizeof(int) : 0;
    std::size_t const copied = pids.size() < fitting ? pids.size() : fitting;
    if (copied > 0)
        std::memcpy(buffer, pids.data(), copied * sizeof(int));
    return static_cast<int>(copied);
}

int proc_pidinfo(int pid, int flavor, std::uint64_t, void* buffer, int buffersize)
{
    if (flavor != PROC_PIDLISTFDS)
        return Fail(EINVAL);
    if (pid <= 0)
        return Fail(ESRCH);
    std::vector<int> fds;
    if (!ListNumbers("/proc/" + std::to_string(pid) + "/fd", fds))
        return Fail(ProcessError());
    if (!buffer)
        return static_cast<int>(fds.size() * sizeof(proc_fdinfo));
    std::size_t const fitting =
        buffersize > 0 ? static_cast<std::size_t>(buffersize) / sizeof(proc_fdinfo) : 0;
    std::size_t written = 0;
    for (int const fd : fds)
    {
        if (written == fitting)
            break;
        proc_fdinfo record{};
        record.proc_fd = fd;
        record.proc_fdtype = SharedMemoryName(pid, fd).empty() ? PROX_FDTYPE_VNODE : PROX_FDTYPE_PSHM;
        std::memcpy(static_cast<unsigned char*>(buffer) + written * sizeof record, &record, sizeof record);
        ++written;
    }
    return static_cast<int>(written * sizeof(proc_fdinfo));
}

int proc_pidfdinfo(int pid, int fd, int flavor, void* buffer, int buffersize)
{
    if (flavor != PROC_PIDFDPSHMINFO || !buffer || buffersize < static_cast<int>(sizeof(pshm_fdinfo)))
        return Fail(EINVAL);
    if (pid <= 0)
        return Fail(ESRCH);
    struct stat process;
    if (stat(("/proc/" + std::to_string(pid)).c_str(), &process) != 0)
        return Fail(ESRCH);
    std::string const name = SharedMemoryName(pid, fd);
    if (name.empty())
        return Fail(EBADF);
    struct stat object;
    if (stat(DescriptorPath(pid, fd).c_str(), &object) != 0)
        return Fail(errno == EACCES ? EPERM : EBADF);
    pshm_fdinfo info{};
    info.pshminfo.pshm_stat.vst_dev = static_cast<std::uint64_t>(object.st_dev);
    info.pshminfo.pshm_stat.vst_ino = static_cast<std::uint64_t>(object.st_ino);
    info.pshminfo.pshm_stat.vst_size = static_cast<std::int64_t>(object.st_size);
    std::strncpy(info.pshminfo.pshm_name, name.c_str(), sizeof info.pshminfo.pshm_name - 1);
    std::memcpy(buffer, &info, sizeof info);
    return static_cast<int>(sizeof info);
}
