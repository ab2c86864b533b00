// This project's stand-in for the kernel's management information that the platform layer reads:
// the process table (without the kernel's own threads, which are no processes on macOS) and each
// process's arguments out of /proc, the open-file ceiling
// (kern.maxfilesperproc, Linux's fs/nr_open) and the argument-space size, and by name the kernel's
// version, processors, memory and processor name from uname, sysconf and /proc/cpuinfo. Tests may
// point the stand-in at another /proc folder and give values of their own.
#pragma once

#include <cstddef>
#include <sys/types.h>

constexpr int CTL_KERN = 1;
constexpr int KERN_ARGMAX = 8;
constexpr int KERN_PROC = 14;
constexpr int KERN_MAXFILESPERPROC = 29;
constexpr int KERN_PROCARGS2 = 49;
constexpr int KERN_PROC_ALL = 0;
// The one process with the given id: its record, or nothing when there is none.
constexpr int KERN_PROC_PID = 1;
// The processes whose effective user is the given one.
constexpr int KERN_PROC_UID = 5;

// The longest command name the kernel keeps.
constexpr int MAXCOMLEN = 16;

struct extern_proc
{
    pid_t p_pid;
    // The executable's name as it was started, cut to MAXCOMLEN characters, zero-terminated. Linux
    // keeps only 15: the sixteenth comes from the leaf of the executable or of the first argument
    // when that leaf begins with the 15 the kernel kept.
    char p_comm[MAXCOMLEN + 1];
};

struct _pcred
{
    uid_t p_ruid;
};

struct _ucred
{
    uid_t cr_uid;
};

struct eproc
{
    pid_t e_ppid;
    _pcred e_pcred;
    _ucred e_ucred;
};

struct kinfo_proc
{
    extern_proc kp_proc;
    eproc kp_eproc;
};

// As on the platform: 0 on success, -1 with errno set. Without oldp a query only measures into
// *oldlenp; a buffer too small gets what fits and ENOMEM. The process table is measured with room
// for cSysctlStandInProcessSlop more records, as the kernel does; when it has grown past that by the
// time it is read, the read fails with ENOMEM. KERN_PROCARGS2 gives the 32-bit argument count, the
// path the executable was started by, zeros up to the next 8-byte boundary and the arguments, each
// zero-terminated; it fails with EINVAL for a process whose executable cannot be read (another
// user's, a zombie, a kernel thread). Writes fail with EPERM, unknown names with ENOENT.
int sysctl(int* name, unsigned namelen, void* oldp, std::size_t* oldlenp, void* newp, std::size_t newlen);

// The values by name: "kern.version" and "machdep.cpu.brand_string" (text ending with a zero byte),
// "kern.maxfilesperproc", "kern.argmax", "hw.physicalcpu" and "hw.logicalcpu" (32-bit), "hw.memsize"
// (64-bit). The processor name fails with ENOENT on a machine whose processor names no model.
int sysctlbyname(char const* name, void* oldp, std::size_t* oldlenp, void* newp, std::size_t newlen);

// Not platform calls.
constexpr int cSysctlStandInProcessSlop = 5;
// The folder read as /proc (null gives /proc again).
void SysctlStandInSetProcRoot(char const* path);
// Called each time the process table is about to be read into a buffer, after it was measured; null
// for none.
void SysctlStandInSetProcessTableHook(void (*hook)(void* context), void* context);
// A value of the test's choosing for a name (its bytes as the query gives them), a name whose query
// fails with ENOENT, and the system's own values again.
void SysctlStandInSetValue(char const* name, void const* value, std::size_t size);
void SysctlStandInSetUnknown(char const* name);
void SysctlStandInUseSystemValues();
