// This project's stand-in for the libproc calls that tell which shared-memory objects the processes
// of the machine hold open: the ids of the running processes, the descriptors one process has open
// with their kinds, and for a descriptor of a POSIX shared-memory object its name and identity. It
// reads /proc/<pid>/fd; a process whose descriptors this process may not see fails with EPERM, as on
// the platform for another user's process.
#pragma once

#include <cstdint>
#include <sys/types.h>

// proc_pidinfo: the descriptors of the process, as proc_fdinfo records.
constexpr int PROC_PIDLISTFDS = 1;
// proc_pidfdinfo: a shared-memory descriptor's pshm_fdinfo.
constexpr int PROC_PIDFDPSHMINFO = 5;

// Kinds of descriptor; only shared memory is told from the rest.
constexpr std::uint32_t PROX_FDTYPE_VNODE = 1;
constexpr std::uint32_t PROX_FDTYPE_PSHM = 5;

constexpr int PROC_PIDPATHINFO_MAXSIZE = 4096;

struct proc_fdinfo
{
    std::int32_t proc_fd;
    std::uint32_t proc_fdtype;
};

// The identity and size of the object behind a descriptor.
struct vinfo_stat
{
    std::uint64_t vst_dev;
    std::uint64_t vst_ino;
    std::int64_t vst_size;
};

struct pshm_info
{
    vinfo_stat pshm_stat;
    // The name the object was opened by, "/" first, zero-terminated.
    char pshm_name[PROC_PIDPATHINFO_MAXSIZE];
};

struct pshm_fdinfo
{
    pshm_info pshminfo;
};

// The ids of the running processes into buffer (bytes long); their number, or -1 with errno set.
// Without a buffer, the number there is room for now.
int proc_listallpids(void* buffer, int buffersize);
// PROC_PIDLISTFDS: the process's descriptors into buffer; the bytes written, or, without a buffer,
// the bytes there is room for now. 0 with errno set on failure: ESRCH for no such process, EPERM for
// one this process may not look into, EINVAL for another flavor.
int proc_pidinfo(int pid, int flavor, std::uint64_t arg, void* buffer, int buffersize);
// PROC_PIDFDPSHMINFO: what the descriptor of the process holds; the bytes written, or 0 with errno
// set: EBADF when the descriptor is closed, or names no shared-memory object, and as above.
int proc_pidfdinfo(int pid, int fd, int flavor, void* buffer, int buffersize);
