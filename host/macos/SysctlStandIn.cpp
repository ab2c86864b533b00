// The management-information stand-in: processes out of /proc, system values from uname, sysconf and
// /proc/cpuinfo.
#include "SysctlStandIn.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/utsname.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{
typedef std::vector<unsigned char> Bytes;

char const cDefaultProcRoot[] = "/proc";
char const cDeletedSuffix[] = " (deleted)";
// How many characters of a command name Linux keeps.
constexpr std::size_t cLinuxCommandLength = 15;

struct State
{
    std::mutex fLock;
    std::string fProcRoot = cDefaultProcRoot;
    void (*fHook)(void*) = nullptr;
    void* fHookContext = nullptr;
    // A value given by a test; an empty optional makes the name unknown.
    std::map<std::string, std::optional<Bytes>> fGiven;
};

State& TheState()
{
    static State* const sState = new State;
    return *sState;
}

std::string ProcRoot()
{
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.fLock);
    return state.fProcRoot;
}

std::optional<std::string> ReadFile(std::string const& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    try
    {
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    catch (std::ios_base::failure const&)
    {
        // A process that ends between the open and the read of its file fails the read (ESRCH),
        // which the stream reports by throwing: the process is gone, as if the open had failed.
        return std::nullopt;
    }
}

std::optional<std::string> ReadLink(std::string const& path)
{
    std::vector<char> target(4096);
    for (;;)
    {
        ssize_t const length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0)
            return std::nullopt;
        if (static_cast<std::size_t>(length) < target.size())
            return std::string(target.data(), static_cast<std::size_t>(length));
        target.resize(target.size() * 2);
    }
}

std::string Leaf(std::string const& path)
{
    std::string::size_type const slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool StartsWith(std::string const& text, std::string const& start)
{
    return text.compare(0, start.size(), start) == 0;
}

Bytes TextBytes(std::string const& text)
{
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

template<typename Number>
Bytes NumberBytes(Number value)
{
    Bytes bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

// What the process is as the kernel tells it in <root>/<pid>/status (and stat); empty when it is gone.
struct ProcessFacts
{
    pid_t fPid = 0;
    pid_t fParent = 0;
    std::string fCommand;
    uid_t fRealUser = 0;
    uid_t fEffectiveUser = 0;
};

// The head of a small file (the fields of a process file come first), read with one open and few
// reads into the caller's buffer, up to the end, a full buffer or the first read that brings the
// text `enough` (when given); its length, or empty when the file cannot be read.
std::optional<std::size_t> ReadHead(std::string const& path, char* buffer, std::size_t capacity,
                                    std::string_view enough = std::string_view())
{
    int const file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return std::nullopt;
    std::size_t length = 0;
    while (length < capacity)
    {
        ssize_t const count = read(file, buffer + length, capacity - length);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
        {
            // A process that ends between the open and the read of its file fails the read
            // (ESRCH): the process is gone, as if the open had failed.
            close(file);
            return std::nullopt;
        }
        if (count == 0)
            break;
        length += static_cast<std::size_t>(count);
        if (!enough.empty() && std::string_view(buffer, length).find(enough) != std::string_view::npos)
            break;
    }
    close(file);
    return length;
}

// The value of the line "<key>\t<value>" in the text of a status file; empty when it has none.
std::optional<std::string_view> StatusValue(std::string_view status, std::string_view key)
{
    std::string_view::size_type start = 0;
    while (start < status.size())
    {
        std::string_view::size_type end = status.find('\n', start);
        if (end == std::string_view::npos)
            end = status.size();
        std::string_view const line = status.substr(start, end - start);
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == ':')
        {
            std::string_view value = line.substr(key.size() + 1);
            while (!value.empty() && (value.front() == '\t' || value.front() == ' '))
                value.remove_prefix(1);
            return value;
        }
        start = end + 1;
    }
    return std::nullopt;
}

// The unsigned numbers at the start of a text, separated by blanks; as many as it holds.
std::size_t ParseNumbers(std::string_view text, unsigned long* numbers, std::size_t wanted)
{
    std::size_t found = 0;
    std::size_t position = 0;
    while (found < wanted)
    {
        while (position < text.size() && (text[position] == ' ' || text[position] == '\t'))
            ++position;
        if (position == text.size() || text[position] < '0' || text[position] > '9')
            break;
        unsigned long value = 0;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9')
            value = value * 10 + static_cast<unsigned long>(text[position++] - '0');
        numbers[found++] = value;
    }
    return found;
}

// The line of a status file after the users: what comes before it is all that is read.
constexpr std::string_view cAfterUsers = "\nGid:";

// Size of the buffer a process file is read into: its fields sit in the first few hundred bytes.
constexpr std::size_t cProcessFileHead = 4096;

std::optional<ProcessFacts> ReadFacts(std::string const& root, pid_t pid)
{
    std::string const folder = root + "/" + std::to_string(pid);
    char buffer[cProcessFileHead];
    std::optional<std::size_t> const statusLength =
        ReadHead(folder + "/status", buffer, sizeof buffer, cAfterUsers);
    if (!statusLength)
        return std::nullopt;
    std::string_view const status(buffer, *statusLength);
    unsigned long users[2] = {0, 0};
    std::optional<std::string_view> const userLine = StatusValue(status, "Uid");
    if (!userLine || ParseNumbers(*userLine, users, 2) != 2)
        return std::nullopt;
    ProcessFacts facts;
    facts.fPid = pid;
    facts.fRealUser = static_cast<uid_t>(users[0]);
    facts.fEffectiveUser = static_cast<uid_t>(users[1]);
    // The status file shows the command name as it is unless it holds a character it escapes with a
    // backslash; then, or when the file lacks the parent, the name and parent come from stat.
    std::optional<std::string_view> const name = StatusValue(status, "Name");
    std::optional<std::string_view> const parentLine = StatusValue(status, "PPid");
    unsigned long parent = 0;
    if (name && name->find('\\') == std::string_view::npos && parentLine &&
        ParseNumbers(*parentLine, &parent, 1) == 1)
    {
        facts.fCommand.assign(name->data(), name->size());
        facts.fParent = static_cast<pid_t>(parent);
        return facts;
    }
    std::optional<std::size_t> const statLength = ReadHead(folder + "/stat", buffer, sizeof buffer);
    if (!statLength)
        return std::nullopt;
    std::string_view const stat(buffer, *statLength);
    // The command name may hold spaces and parentheses: it runs from the first "(" to the last ")".
    std::string_view::size_type const open = stat.find('(');
    std::string_view::size_type const close = stat.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;
    facts.fCommand.assign(stat.data() + open + 1, close - open - 1);
    // After the name: the state, then the parent.
    std::string_view rest = stat.substr(close + 1);
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    std::string_view::size_type const blank = rest.find(' ');
    if (rest.empty() || blank == std::string_view::npos || ParseNumbers(rest.substr(blank), &parent, 1) != 1)
        return std::nullopt;
    facts.fParent = static_cast<pid_t>(parent);
    return facts;
}

// The arguments of <root>/<pid>/cmdline; empty for a zombie or a kernel thread.
std::vector<std::string> ReadArguments(std::string const& root, pid_t pid)
{
    std::vector<std::string> arguments;
    std::optional<std::string> const line = ReadFile(root + "/" + std::to_string(pid) + "/cmdline");
    if (!line)
        return arguments;
    std::string::size_type start = 0;
    while (start < line->size())
    {
        std::string::size_type end = line->find('\0', start);
        if (end == std::string::npos)
            end = line->size();
        arguments.push_back(line->substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

std::optional<std::string> ReadExecutable(std::string const& root, pid_t pid)
{
    std::optional<std::string> target = ReadLink(root + "/" + std::to_string(pid) + "/exe");
    std::size_t const suffix = sizeof cDeletedSuffix - 1;
    if (target && target->size() > suffix &&
        target->compare(target->size() - suffix, suffix, cDeletedSuffix) == 0)
        target->resize(target->size() - suffix);
    return target;
}

// The path the process was started by: the executable, or the first argument when only its leaf
// begins with the command name (a symbolic link started under its own name).
std::string StartPath(std::string const& executable, std::vector<std::string> const& arguments,
                      std::string const& command)
{
    if (StartsWith(Leaf(executable), command))
        return executable;
    if (!arguments.empty() && !arguments[0].empty() && StartsWith(Leaf(arguments[0]), command))
        return arguments[0];
    return executable;
}

// The command name with the platform's 16 characters, where Linux cut it to 15: from the leaf of
// the executable, or else of the first argument, that goes on from the cut name.
std::string CommandName(std::string const& root, ProcessFacts const& facts)
{
    if (facts.fCommand.size() != cLinuxCommandLength)
        return facts.fCommand;
    auto const longer = [&](std::string const& leaf)
    { return leaf.size() > facts.fCommand.size() && StartsWith(leaf, facts.fCommand); };
    if (std::optional<std::string> const executable = ReadExecutable(root, facts.fPid))
    {
        std::string const leaf = Leaf(*executable);
        if (longer(leaf))
            return leaf.substr(0, MAXCOMLEN);
    }
    std::vector<std::string> const arguments = ReadArguments(root, facts.fPid);
    if (!arguments.empty())
    {
        std::string const leaf = Leaf(arguments[0]);
        if (longer(leaf))
            return leaf.substr(0, MAXCOMLEN);
    }
    return facts.fCommand;
}

// The process ids in the folder, in its order; empty with errno set when it cannot be read.
std::optional<std::vector<pid_t>> ListProcesses(std::string const& root)
{
    DIR* folder = opendir(root.c_str());
    if (!folder)
        return std::nullopt;
    std::vector<pid_t> pids;
    while (dirent const* entry = readdir(folder))
    {
        char* end = nullptr;
        long const pid = std::strtol(entry->d_name, &end, 10);
        if (entry->d_name[0] != '\0' && *end == '\0' && pid > 0)
            pids.push_back(static_cast<pid_t>(pid));
    }
    closedir(folder);
    return pids;
}

int Fail(int error)
{
    errno = error;
    return -1;
}

// Copies the value out as the kernel does: without a buffer only its size, into a short buffer
// what fits and ENOMEM.
int CopyOut(Bytes const& value, void* oldp, std::size_t* oldlenp)
{
    if (!oldlenp)
        return Fail(EINVAL);
    if (!oldp)
    {
        *oldlenp = value.size();
        return 0;
    }
    std::size_t const copied = value.size() < *oldlenp ? value.size() : *oldlenp;
    if (copied > 0)
        std::memcpy(oldp, value.data(), copied);
    *oldlenp = copied;
    return copied < value.size() ? Fail(ENOMEM) : 0;
}

// The records of every process, of those of one effective user, or of the one process with an id.
struct ProcessFilter
{
    std::optional<uid_t> fUser;
    std::optional<pid_t> fPid;
};

int ProcessTable(ProcessFilter const& filter, void* oldp, std::size_t* oldlenp)
{
    if (!oldlenp)
        return Fail(EINVAL);
    if (!oldp && filter.fPid)
    {
        *oldlenp = sizeof(kinfo_proc);
        return 0;
    }
    if (!oldp)
    {
        std::optional<std::vector<pid_t>> const pids = ListProcesses(ProcRoot());
        if (!pids)
            return -1;
        *oldlenp = (pids->size() + cSysctlStandInProcessSlop) * sizeof(kinfo_proc);
        return 0;
    }
    void (*hook)(void*) = nullptr;
    void* context = nullptr;
    {
        State& state = TheState();
        std::lock_guard<std::mutex> lock(state.fLock);
        hook = state.fHook;
        context = state.fHookContext;
    }
    if (hook && !filter.fPid)
        hook(context);
    std::string const root = ProcRoot();
    std::optional<std::vector<pid_t>> const pids =
        filter.fPid ? std::optional<std::vector<pid_t>>(std::vector<pid_t>{*filter.fPid}) : ListProcesses(root);
    if (!pids)
        return -1;
    std::vector<kinfo_proc> records;
    for (pid_t const pid : *pids)
    {
        std::optional<ProcessFacts> const facts = pid > 0 ? ReadFacts(root, pid) : std::nullopt;
        if (!facts || (filter.fUser && facts->fEffectiveUser != *filter.fUser))
            continue;
        kinfo_proc record{};
        record.kp_proc.p_pid = facts->fPid;
        std::string const command = CommandName(root, *facts);
        std::strncpy(record.kp_proc.p_comm, command.c_str(), MAXCOMLEN);
        record.kp_eproc.e_ppid = facts->fParent;
        record.kp_eproc.e_pcred.p_ruid = facts->fRealUser;
        record.kp_eproc.e_ucred.cr_uid = facts->fEffectiveUser;
        records.push_back(record);
    }
    std::size_t const fitting = *oldlenp / sizeof(kinfo_proc);
    std::size_t const copied = records.size() < fitting ? records.size() : fitting;
    if (copied > 0)
        std::memcpy(oldp, records.data(), copied * sizeof(kinfo_proc));
    *oldlenp = copied * sizeof(kinfo_proc);
    return copied < records.size() ? Fail(ENOMEM) : 0;
}

int ProcessArguments(pid_t pid, void* oldp, std::size_t* oldlenp)
{
    std::string const root = ProcRoot();
    std::optional<ProcessFacts> const facts = ReadFacts(root, pid);
    std::optional<std::string> const executable = pid > 0 ? ReadExecutable(root, pid) : std::nullopt;
    if (!facts || !executable)
        return Fail(EINVAL);
    std::vector<std::string> const arguments = ReadArguments(root, pid);
    Bytes data = NumberBytes(static_cast<std::int32_t>(arguments.size()));
    std::string const start = StartPath(*executable, arguments, facts->fCommand);
    data.insert(data.end(), start.begin(), start.end());
    do
        data.push_back(0);
    while (data.size() % 8 != 0);
    for (std::string const& argument : arguments)
    {
        data.insert(data.end(), argument.begin(), argument.end());
        data.push_back(0);
    }
    return CopyOut(data, oldp, oldlenp);
}

std::string ProcessorModelName(std::string const& cpuinfo)
{
    std::istringstream lines(cpuinfo);
    std::string line;
    while (std::getline(lines, line))
    {
        if (line.compare(0, 10, "model name") != 0)
            continue;
        std::string::size_type const colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string::size_type const start = line.find_first_not_of(" \t", colon + 1);
        return start == std::string::npos ? std::string() : line.substr(start);
    }
    return std::string();
}

// Cores as distinct pairs of "physical id" and "core id"; 0 when the file names none.
std::int32_t PhysicalCores(std::string const& cpuinfo)
{
    std::set<std::pair<std::string, std::string>> cores;
    std::istringstream lines(cpuinfo);
    std::string line;
    std::string package;
    auto const valueOf = [](std::string const& text)
    {
        std::string::size_type const colon = text.find(':');
        std::string::size_type const start =
            colon == std::string::npos ? std::string::npos : text.find_first_not_of(" \t", colon + 1);
        return start == std::string::npos ? std::string() : text.substr(start);
    };
    while (std::getline(lines, line))
    {
        if (line.compare(0, 11, "physical id") == 0)
            package = valueOf(line);
        else if (line.compare(0, 7, "core id") == 0)
            cores.emplace(package, valueOf(line));
    }
    return static_cast<std::int32_t>(cores.size());
}

std::int32_t OnlineProcessors()
{
    long const count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<std::int32_t>(count) : 1;
}

std::optional<Bytes> SystemValue(std::string const& name)
{
    std::string const root = ProcRoot();
    if (name == "kern.version")
    {
        utsname names{};
        if (uname(&names) != 0)
            return std::nullopt;
        return TextBytes(std::string(names.sysname) + " Kernel Version " + names.release + ": " +
                         names.version + "; " + names.machine);
    }
    if (name == "kern.maxfilesperproc")
    {
        std::optional<std::string> const text = ReadFile(root + "/sys/fs/nr_open");
        if (!text)
            return std::nullopt;
        char* end = nullptr;
        long const value = std::strtol(text->c_str(), &end, 10);
        if (end == text->c_str() || value <= 0 || value > INT32_MAX)
            return std::nullopt;
        return NumberBytes(static_cast<std::int32_t>(value));
    }
    if (name == "kern.argmax")
    {
        long const value = sysconf(_SC_ARG_MAX);
        if (value <= 0)
            return std::nullopt;
        return NumberBytes(static_cast<std::int32_t>(value > INT32_MAX ? INT32_MAX : value));
    }
    if (name == "hw.logicalcpu")
        return NumberBytes(OnlineProcessors());
    if (name == "hw.physicalcpu")
    {
        std::int32_t const cores = PhysicalCores(ReadFile(root + "/cpuinfo").value_or(std::string()));
        return NumberBytes(cores > 0 ? cores : OnlineProcessors());
    }
    if (name == "hw.memsize")
    {
        long const pages = sysconf(_SC_PHYS_PAGES);
        long const pageSize = sysconf(_SC_PAGESIZE);
        if (pages <= 0 || pageSize <= 0)
            return std::nullopt;
        return NumberBytes(static_cast<std::int64_t>(pages) * pageSize);
    }
    if (name == "machdep.cpu.brand_string")
    {
        std::string const model = ProcessorModelName(ReadFile(root + "/cpuinfo").value_or(std::string()));
        if (model.empty())
            return std::nullopt;
        return TextBytes(model);
    }
    return std::nullopt;
}

std::optional<Bytes> ValueByName(std::string const& name)
{
    {
        State& state = TheState();
        std::lock_guard<std::mutex> lock(state.fLock);
        auto const given = state.fGiven.find(name);
        if (given != state.fGiven.end())
            return given->second;
    }
    return SystemValue(name);
}

int QueryByName(std::string const& name, void* oldp, std::size_t* oldlenp)
{
    std::optional<Bytes> const value = ValueByName(name);
    if (!value)
        return Fail(ENOENT);
    return CopyOut(*value, oldp, oldlenp);
}
} // namespace

int sysctl(int* name, unsigned namelen, void* oldp, std::size_t* oldlenp, void* newp, std::size_t)
{
    if (newp)
        return Fail(EPERM);
    if (!name || namelen < 2 || name[0] != CTL_KERN)
        return Fail(ENOENT);
    switch (name[1])
    {
    case KERN_PROC:
        if (namelen == 3 && name[2] == KERN_PROC_ALL)
            return ProcessTable({}, oldp, oldlenp);
        if (namelen == 4 && name[2] == KERN_PROC_UID)
            return ProcessTable({static_cast<uid_t>(name[3]), std::nullopt}, oldp, oldlenp);
        if (namelen == 4 && name[2] == KERN_PROC_PID)
            return ProcessTable({std::nullopt, static_cast<pid_t>(name[3])}, oldp, oldlenp);
        return Fail(EINVAL);
    case KERN_PROCARGS2:
        if (namelen != 3 || !oldlenp)
            return Fail(EINVAL);
        return ProcessArguments(static_cast<pid_t>(name[2]), oldp, oldlenp);
    case KERN_ARGMAX:
        return namelen == 2 ? QueryByName("kern.argmax", oldp, oldlenp) : Fail(ENOENT);
    case KERN_MAXFILESPERPROC:
        return namelen == 2 ? QueryByName("kern.maxfilesperproc", oldp, oldlenp) : Fail(ENOENT);
    default:
        return Fail(ENOENT);
    }
}

int sysctlbyname(char const* name, void* oldp, std::size_t* oldlenp, void* newp, std::size_t)
{
    if (newp)
        return Fail(EPERM);
    if (!name || !oldlenp)
        return Fail(ENOENT);
    return QueryByName(name, oldp, oldlenp);
}

void SysctlStandInSetProcRoot(char const* path)
{
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.fLock);
    state.fProcRoot = path ? path : cDefaultProcRoot;
}

void SysctlStandInSetProcessTableHook(void (*hook)(void* context), void* context)
{
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.fLock);
    state.fHook = hook;
    state.fHookContext = context;
}

void SysctlStandInSetValue(char const* name, void const* value, std::size_t size)
{
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.fLock);
    auto const* bytes = static_cast<unsigned char const*>(value);
    state.fGiven[name] = Bytes(bytes, bytes + size);
}

void SysctlStandInSetUnknown(char const* name)
{
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.fLock);
    state.fGiven[name] = std::nullopt;
}

void SysctlStandInUseSystemValues()
{
    State& state = TheState();
    std::lock_guard<std::mutex> lock(state.fLock);
    state.fGiven.clear();
}
