// The macOS process-information service: the kernel's process table read through sysctl.
#include "PMacXProcessInfo.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <unistd.h>

#include "GASCIIEncoding.h"
#include "GBuffer.h"
#include "GException.h"
#include "GPathName.h"
#include "GUTF8Encoding.h"
#include "macos/SysctlStandIn.h"

namespace
{
typedef std::function<void(kinfo_proc const&)> RecordVisitor;

// Reads the table of all processes or of the current user's, and shows each record to visit in
// the kernel's order; false when the table cannot be read. The kernel answers ENOMEM when the table
// grew past the size it just measured: only then is it measured and read again, and not forever.
bool ReadProcessTable(bool currentUserOnly, RecordVisitor const& visit)
{
    int name[4] = {CTL_KERN, KERN_PROC, currentUserOnly ? KERN_PROC_UID : KERN_PROC_ALL,
                   static_cast<int>(getuid())};
    unsigned const levels = currentUserOnly ? 4 : 3;
    GBuffer table;
    std::size_t size = 0;
    bool read = false;
    try
    {
        for (int attempt = 0; attempt < PMacXProcessInfo::cMaxTableReads && !read; ++attempt)
        {
            size = 0;
            if (sysctl(name, levels, nullptr, &size, nullptr, 0) != 0 ||
                size > static_cast<std::size_t>(INT_MAX))
                return false;
            table.SetLength(static_cast<int>(size));
            if (sysctl(name, levels, table.GetWritePtr(), &size, nullptr, 0) == 0)
                read = true;
            else if (errno != ENOMEM)
                return false;
        }
    }
    catch (GException const&)
    {
        return false; // no room for the table: as unreadable
    }
    catch (std::bad_alloc const&)
    {
        return false;
    }
    if (!read)
        return false;
    // A partial record at the end is ignored.
    std::size_t const count = size / sizeof(kinfo_proc);
    unsigned char const* bytes = table.GetPtr();
    for (std::size_t i = 0; i < count; ++i)
    {
        kinfo_proc record;
        std::memcpy(&record, bytes + i * sizeof record, sizeof record);
        visit(record);
    }
    return true;
}

// The record's command name, which the kernel need not have terminated at 16 characters.
std::string CommandName(kinfo_proc const& record)
{
    return std::string(record.kp_proc.p_comm, strnlen(record.kp_proc.p_comm, MAXCOMLEN));
}

// The leaf of the executable's path in the argument block: a 32-bit count, zeros, the path.
GString StartPathLeaf(unsigned char const* data, std::size_t size)
{
    std::size_t start = sizeof(std::int32_t);
    while (start < size && data[start] == 0)
        ++start;
    if (start >= size)
        return GString();
    std::size_t end = start;
    while (end < size && data[end] != 0)
        ++end;
    // The file system names files in UTF-8, whatever the system's default text encoding.
    GPathName path;
    path.SetMachOPathString(
        GString(data + start, static_cast<int>(end - start), GUTF8Encoding::GetInstance(), false));
    return path.GetLeaf();
}
} // namespace

void PMacXProcessInfo::GetProcessID(GString const& name, GTable<int>& ids, bool currentUserOnly) const
{
    ids.Resize(0);
    GBuffer const ascii = name.GetBuffer(GASCIIEncoding::GetInstance());
    std::string const wanted = ascii.IsEmpty() ? std::string()
                                               : std::string(reinterpret_cast<char const*>(ascii.GetPtr()),
                                                             static_cast<std::size_t>(ascii.GetLength()));
    ReadProcessTable(currentUserOnly,
                     [&](kinfo_proc const& record)
                     {
                         if (record.kp_proc.p_pid > 0 &&
                             std::strncmp(wanted.c_str(), record.kp_proc.p_comm, MAXCOMLEN) == 0)
                             ids.AddItem(record.kp_proc.p_pid);
                     });
}

void PMacXProcessInfo::GetProcessList(GTable<GString>& names, bool currentUserOnly) const
{
    names.Resize(0);
    int argumentSpaceName[2] = {CTL_KERN, KERN_ARGMAX};
    std::int32_t argumentSpace = 0;
    std::size_t size = sizeof argumentSpace;
    if (sysctl(argumentSpaceName, 2, &argumentSpace, &size, nullptr, 0) != 0)
        argumentSpace = 0;
    // One block for every process's arguments: their size is bounded by the same value.
    GBuffer arguments;
    try
    {
        if (argumentSpace > 0)
            arguments.SetLength(argumentSpace);
    }
    catch (GException const&)
    {
        argumentSpace = 0; // no room for the arguments: every process is named by its command name
    }
    ReadProcessTable(currentUserOnly,
                     [&](kinfo_proc const& record)
                     {
                         if (record.kp_proc.p_pid < 1)
                             return;
                         GString leaf;
                         if (argumentSpace > 0)
                         {
                             int argumentsName[3] = {CTL_KERN, KERN_PROCARGS2, record.kp_proc.p_pid};
                             std::size_t length = static_cast<std::size_t>(argumentSpace);
                             if (sysctl(argumentsName, 3, arguments.GetWritePtr(), &length, nullptr, 0) == 0)
                                 leaf = StartPathLeaf(arguments.GetPtr(), length);
                         }
                         if (leaf.IsEmpty())
                         {
                             std::string const command = CommandName(record);
                             leaf = GString(reinterpret_cast<unsigned char const*>(command.data()),
                                            static_cast<int>(command.size()), GASCIIEncoding::GetInstance(),
                                            false);
                         }
                         names.AddItem(leaf);
                     });
}

int PMacXProcessInfo::GetCurrentProcessID() const
{
    return static_cast<int>(getpid());
}

bool PMacXProcessInfo::IsRunning(int processID) const
{
    if (processID <= 0)
        return false;
    // The kernel's record of that one process, without reading the whole table; none when the
    // process is gone, and a failed read counts as gone, as an unreadable table does.
    int name[4] = {CTL_KERN, KERN_PROC, KERN_PROC_PID, processID};
    kinfo_proc record{};
    std::size_t size = sizeof record;
    return sysctl(name, 4, &record, &size, nullptr, 0) == 0 && size == sizeof record &&
           record.kp_proc.p_pid == processID;
}

GTable<int> PMacXProcessInfo::GetChildProcessIDs(int parentID) const
{
    GTable<int> children;
    ReadProcessTable(true,
                     [&](kinfo_proc const& record)
                     {
                         if (record.kp_proc.p_pid > 0 && record.kp_eproc.e_ppid == parentID)
                             children.AddItem(record.kp_proc.p_pid);
                     });
    return children;
}
