// The management-information stand-in: processes out of /proc, system values from uname, sysconf and
// /proc/cpuinfo.
#include "SysctlStandIn.h"

#include <algorithm>
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
#include <sys/stat.h>
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
    // One of the kernel's own threads, which Linux lists among the processes and macOS does not.
    bool fKernelThread = false;
    // Where the running program's code and stack lie (the stat file's startcode, endcode and
    // startstack): a program run in the process's place (exec) changes them, and with them its name.
    std::string fImage;
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

// Linux's mark of the kernel's own threads among the flags of a stat file (PF_KTHREAD).
constexpr unsigned long cKernelThreadFlag = 0x00200000;

// The fields of a stat file after the name that are read: the state, the parent, five further on the
// flags, and from the twenty-fourth the program's startcode, endcode, startstack.
constexpr std::size_t cStatFieldsRead = 26;
constexpr std::size_t cFlagsField = 6;
constexpr std::size_t cImageFields[] = {23, 24, 25};

// The name, parent and kind of a process out of its stat file, one line and the cheapest of its
// files: the id, the name in parentheses (which may itself hold blanks and parentheses, so it runs
// to the last ")"), the state, the parent and, five fields on, the flags. Empty when the text is no
// such line of that process.
std::optional<ProcessFacts> FactsOfStat(pid_t pid, std::string_view stat)
{
    std::string const head = std::to_string(pid) + " (";
    std::string_view::size_type const close = stat.rfind(')');
    if (stat.compare(0, head.size(), head) != 0 || close == std::string_view::npos || close < head.size())
        return std::nullopt;
    ProcessFacts facts;
    facts.fPid = pid;
    facts.fCommand.assign(stat.data() + head.size(), close - head.size());
    std::string_view fields[cStatFieldsRead];
    std::size_t found = 0;
    std::string_view rest = stat.substr(close + 1);
    while (found < cStatFieldsRead)
    {
        std::string_view::size_type const start = rest.find_first_not_of(" \n");
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        std::string_view::size_type const end = std::min(rest.find_first_of(" \n"), rest.size());
        fields[found++] = rest.substr(0, end);
        rest.remove_prefix(end);
    }
    unsigned long parent = 0;
    if (found < 2 || ParseNumbers(fields[1], &parent, 1) != 1)
        return std::nullopt;
    facts.fParent = static_cast<pid_t>(parent);
    // A made-up table may end before the flags: its processes are no kernel threads.
    unsigned long flags = 0;
    if (found > cFlagsField && ParseNumbers(fields[cFlagsField], &flags, 1) == 1)
        facts.fKernelThread = (flags & cKernelThreadFlag) != 0;
    for (std::size_t field : cImageFields)
    {
        if (field < found)
            facts.fImage.append(fields[field]).push_back(' ');
    }
    return facts;
}

// The real and effective users of a process out of its status file; false when it cannot be read
// (the process is gone).
bool ReadUsers(std::string const& root, pid_t pid, ProcessFacts& facts)
{
    char buffer[cProcessFileHead];
    std::optional<std::size_t> const length =
        ReadHead(root + "/" + std::to_string(pid) + "/status", buffer, sizeof buffer, cAfterUsers);
    if (!length)
        return false;
    unsigned long users[2] = {0, 0};
    std::optional<std::string_view> const line = StatusValue(std::string_view(buffer, *length), "Uid");
    if (!line || ParseNumbers(*line, users, 2) != 2)
        return false;
    facts.fRealUser = static_cast<uid_t>(users[0]);
    facts.fEffectiveUser = static_cast<uid_t>(users[1]);
    return true;
}

// The facts of a process read afresh: its stat file, then its status file for its users.
std::optional<ProcessFacts> ReadFacts(std::string const& root, pid_t pid)
{
    char buffer[cProcessFileHead];
    std::optional<std::size_t> const length =
        ReadHead(root + "/" + std::to_string(pid) + "/stat", buffer, sizeof buffer);
    if (!length)
        return std::nullopt;
    std::optional<ProcessFacts> facts = FactsOfStat(pid, std::string_view(buffer, *length));
    if (!facts || !ReadUsers(root, pid, *facts))
        return std::nullopt;
    return facts;
}

std::string CommandName(std::string const& root, ProcessFacts const& facts);

// A process of a /proc folder: its id and the inode of its folder there, which stands for the
// process behind the id, so that a new process under an old id is told from the old one.
struct ListedProcess
{
    pid_t fPid;
    ino_t fFolder;
};

// The stat files of the processes of the system's own /proc, kept open from one reading of the
// whole table to the next. The table is read whole for every look-up by name (the platform answers
// it with one call), and on a virtual machine, where every system call is dear, opening and closing
// a file per process costs twice the reading of one already open. A file held open stands for its
// process, not for its id: once that process is gone, reading it fails (ESRCH), also when a new
// process has taken the id. What a look-up needs, the name and the parent, is in the stat file; the
// users are read from the status file once, when the process is first seen (the table asked for one
// user's processes reads them afresh). The kernel's threads, many of the entries of a Linux machine,
// are looked at once: a thread stays one for as long as its folder stands.
class StatFiles
{
public:
    // The facts of the process, read through its stat file kept open; empty when it is gone.
    // freshUsers reads its users again instead of taking those first seen.
    std::optional<ProcessFacts> Read(std::string const& root, ListedProcess const& listed, bool freshUsers)
    {
        for (int attempt = 0; attempt < 2; ++attempt)
        {
            auto found = fFiles.find(listed.fPid);
            if (found != fFiles.end() && found->second.fFolder != listed.fFolder)
            {
                Forget(found, true);
                found = fFiles.end();
            }
            if (found != fFiles.end() && found->second.fKernelThread)
            {
                ProcessFacts facts;
                facts.fPid = listed.fPid;
                facts.fKernelThread = true;
                return facts;
            }
            if (found == fFiles.end())
            {
                int const file =
                    open((root + "/" + std::to_string(listed.fPid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
                // Gone, or no descriptor left to keep: read as the single look-ups do.
                if (file < 0)
                    return errno == EMFILE || errno == ENFILE ? ReadFacts(root, listed.fPid) : std::nullopt;
                found =
                    fFiles.emplace(listed.fPid, Held{file, listed.fFolder, false, std::nullopt, std::nullopt})
                        .first;
            }
            char buffer[cProcessFileHead];
            ssize_t const length = pread(found->second.fFile, buffer, sizeof buffer, 0);
            int const error = length < 0 ? errno : 0;
            std::string_view const stat(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
            std::optional<ProcessFacts> facts = length >= 0 ? FactsOfStat(listed.fPid, stat) : std::nullopt;
            // A descriptor that another part of the process closed, and whose number now stands for
            // something else, is forgotten, not closed.
            if (error == EBADF || (length >= 0 && !facts))
            {
                Forget(found, false);
                continue;
            }
            if (length < 0)
            {
                Forget(found, true);
                // The process held open is gone; one that took its id is opened afresh.
                if (error == ESRCH)
                    continue;
                return std::nullopt;
            }
            Held& held = found->second;
            if (facts->fKernelThread)
            {
                close(held.fFile);
                held.fFile = -1;
                held.fKernelThread = true;
                return facts;
            }
            if (freshUsers || !held.fUsers)
            {
                ProcessFacts users;
                if (!ReadUsers(root, listed.fPid, users))
                    return std::nullopt;
                held.fUsers = std::make_pair(users.fRealUser, users.fEffectiveUser);
            }
            facts->fRealUser = held.fUsers->first;
            facts->fEffectiveUser = held.fUsers->second;
            return facts;
        }
        return std::nullopt;
    }
    // The facts of the process through its file when one is held open, and it still stands for a
    // running process; empty otherwise. Opens and closes nothing, so that a look-up of one process
    // leaves the descriptors as it found them.
    std::optional<ProcessFacts> ReadHeld(pid_t pid)
    {
        auto const found = fFiles.find(pid);
        if (found == fFiles.end() || found->second.fFile < 0 || !found->second.fUsers)
            return std::nullopt;
        char buffer[cProcessFileHead];
        ssize_t const length = pread(found->second.fFile, buffer, sizeof buffer, 0);
        if (length < 0)
            return std::nullopt;
        std::optional<ProcessFacts> facts =
            FactsOfStat(pid, std::string_view(buffer, static_cast<std::size_t>(length)));
        if (facts)
        {
            facts->fRealUser = found->second.fUsers->first;
            facts->fEffectiveUser = found->second.fUsers->second;
        }
        return facts;
    }
    // The command name with the platform's 16 characters (CommandName). Finding the sixteenth costs
    // a look at the executable and the arguments, dear for every process whose name Linux cut, at
    // every reading of the table: for a process held open it is found once, and found again when
    // the process takes another name or runs another program.
    std::string Command(std::string const& root, ProcessFacts const& facts)
    {
        if (facts.fCommand.size() != cLinuxCommandLength)
            return facts.fCommand;
        auto const found = fFiles.find(facts.fPid);
        if (found == fFiles.end() || found->second.fFile < 0)
            return CommandName(root, facts);
        std::optional<KnownCommand>& known = found->second.fCommand;
        if (!known || known->fCut != facts.fCommand || known->fImage != facts.fImage)
            known = KnownCommand{facts.fCommand, facts.fImage, CommandName(root, facts)};
        return known->fWhole;
    }
    // The processes of the last listing when no process can have been made since: the kernel hands
    // out ids in turn, so an unchanged last id (read before the listing) means no new process, and
    // those that ended since are told by their files. Empty when the folder must be listed again.
    std::optional<std::vector<ListedProcess>> Unchanged(long lastID) const
    {
        if (lastID < 0 || lastID != fLastID || !fComplete)
            return std::nullopt;
        return fListed;
    }
    // Remembers the listing and the last id read before it; complete when every process of it is
    // held (its file open, or known as a kernel thread).
    void Remember(std::vector<ListedProcess> const& listed, long lastID)
    {
        fListed = listed;
        fLastID = lastID;
        fComplete = true;
        for (ListedProcess const& process : listed)
            fComplete = fComplete && fFiles.count(process.fPid) != 0;
    }
    // Closes the files of the processes that were not in the table just read.
    void KeepOnly(std::vector<ListedProcess> const& listed)
    {
        std::vector<pid_t> pids;
        for (ListedProcess const& process : listed)
            pids.push_back(process.fPid);
        std::sort(pids.begin(), pids.end());
        for (auto file = fFiles.begin(); file != fFiles.end();)
        {
            if (std::binary_search(pids.begin(), pids.end(), file->first))
                ++file;
            else
                file = Forget(file, true);
        }
    }

private:
    // The whole name found for the name Linux cut to 15 characters, while the same program runs.
    struct KnownCommand
    {
        std::string fCut;
        std::string fImage;
        std::string fWhole;
    };
    struct Held
    {
        // -1 for a kernel thread, whose file is not kept.
        int fFile;
        ino_t fFolder;
        bool fKernelThread;
        // The real and effective users, once read.
        std::optional<std::pair<uid_t, uid_t>> fUsers;
        // The whole name, once looked for.
        std::optional<KnownCommand> fCommand;
    };
    using Files = std::map<pid_t, Held>;

    Files::iterator Forget(Files::iterator file, bool ours)
    {
        if (ours && file->second.fFile >= 0)
            close(file->second.fFile);
        return fFiles.erase(file);
    }

    Files fFiles;
    std::vector<ListedProcess> fListed;
    long fLastID = -1;
    bool fComplete = false;
};

// The last process id the kernel handed out, from the root's loadavg; -1 when it cannot be read.
long LastProcessID(std::string const& root)
{
    char buffer[256];
    std::optional<std::size_t> const length = ReadHead(root + "/loadavg", buffer, sizeof buffer - 1);
    if (!length)
        return -1;
    std::string_view const text(buffer, *length);
    std::string_view::size_type const blank = text.find_last_of(' ');
    unsigned long id = 0;
    if (blank == std::string_view::npos || ParseNumbers(text.substr(blank), &id, 1) != 1)
        return -1;
    return static_cast<long>(id);
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

// The processes in the folder, in its order; empty with errno set when it cannot be read.
std::optional<std::vector<ListedProcess>> ListProcesses(std::string const& root)
{
    DIR* folder = opendir(root.c_str());
    if (!folder)
        return std::nullopt;
    std::vector<ListedProcess> processes;
    while (dirent const* entry = readdir(folder))
    {
        char* end = nullptr;
        long const pid = std::strtol(entry->d_name, &end, 10);
        if (entry->d_name[0] != '\0' && *end == '\0' && pid > 0)
            processes.push_back(ListedProcess{static_cast<pid_t>(pid), entry->d_ino});
    }
    closedir(folder);
    return processes;
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
        std::string const root = ProcRoot();
        // The system's /proc counts its processes in its own link count (with its fixed folders): a
        // measure as the kernel's, a little larger than the table, without walking it.
        struct stat folder;
        if (root == cDefaultProcRoot && stat(root.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) &&
            folder.st_nlink > 2)
        {
            *oldlenp =
                (static_cast<std::size_t>(folder.st_nlink) + cSysctlStandInProcessSlop) * sizeof(kinfo_proc);
            return 0;
        }
        std::optional<std::vector<ListedProcess>> const processes = ListProcesses(root);
        if (!processes)
            return -1;
        *oldlenp = (processes->size() + cSysctlStandInProcessSlop) * sizeof(kinfo_proc);
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
    // Only the system's own /proc, whose files stand for their processes; a test's folder is read
    // afresh each time. The whole table keeps the files open, a single process uses one held open.
    bool const systems = root == cDefaultProcRoot;
    bool const keepOpen = !filter.fPid && systems;
    static std::mutex sFilesLock;
    static StatFiles* const sFiles = new StatFiles;
    std::unique_lock<std::mutex> filesLock(sFilesLock, std::defer_lock);
    if (systems)
        filesLock.lock();
    long const lastID = keepOpen ? LastProcessID(root) : -1;
    std::optional<std::vector<ListedProcess>> processes;
    if (filter.fPid)
        processes = std::vector<ListedProcess>{{*filter.fPid, 0}};
    else if (keepOpen)
        processes = sFiles->Unchanged(lastID);
    if (!processes)
        processes = ListProcesses(root);
    if (!processes)
        return -1;
    std::vector<kinfo_proc> records;
    for (ListedProcess const& process : *processes)
    {
        pid_t const pid = process.fPid;
        std::optional<ProcessFacts> facts;
        if (pid > 0 && keepOpen)
            facts = sFiles->Read(root, process, filter.fUser.has_value());
        else if (pid > 0)
        {
            if (systems)
                facts = sFiles->ReadHeld(pid);
            if (!facts)
                facts = ReadFacts(root, pid);
        }
        // The kernel's threads are no processes of the platform's.
        if (!facts || facts->fKernelThread || (filter.fUser && facts->fEffectiveUser != *filter.fUser))
            continue;
        kinfo_proc record{};
        record.kp_proc.p_pid = facts->fPid;
        std::string const command = systems ? sFiles->Command(root, *facts) : CommandName(root, *facts);
        std::strncpy(record.kp_proc.p_comm, command.c_str(), MAXCOMLEN);
        record.kp_eproc.e_ppid = facts->fParent;
        record.kp_eproc.e_pcred.p_ruid = facts->fRealUser;
        record.kp_eproc.e_ucred.cr_uid = facts->fEffectiveUser;
        records.push_back(record);
    }
    if (keepOpen)
    {
        sFiles->KeepOnly(*processes);
        sFiles->Remember(*processes, lastID);
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
