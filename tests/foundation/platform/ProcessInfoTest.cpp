// Process information over real processes: finding processes by their 16-character names, listing
// them by the leaf of the path they were started by, children, running processes, and reading a
// process table that cannot be read or keeps growing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "GProcessInfo.h"
#include "PMacXProcessInfo.h"
#include "StringText.h"
#include "TempFolder.h"
#include "macos/SysctlStandIn.h"

extern char** environ;

namespace fs = std::filesystem;

namespace
{
using testsupport::TextOf;
using testsupport::Utf8Of;

// A real process of the test's: a copy of a system program (or a symbolic link to it) under the
// name given, started by that path. It is killed and reaped at the end of the test.
class ChildProcess
{
public:
    ChildProcess(fs::path const& path, std::vector<std::string> const& arguments)
    {
        std::vector<std::string> all{path.string()};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& argument : all)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&fPid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        {
            fPid = 0;
            return;
        }
        // The spawn returns once the program is loaded, a moment before the kernel shows its
        // arguments: the process counts as started once they are there (bounded: 2 seconds).
        std::string const shown = "/proc/" + std::to_string(fPid) + "/cmdline";
        for (int wait = 0; wait < 2000 && std::ifstream(shown).peek() == EOF; ++wait)
            usleep(1000);
    }
    ~ChildProcess()
    {
        if (fPid > 0)
        {
            kill(fPid, SIGKILL);
            waitpid(fPid, nullptr, 0);
        }
    }
    ChildProcess(ChildProcess const&) = delete;
    ChildProcess& operator=(ChildProcess const&) = delete;

    pid_t Pid() const { return fPid; }
    // Waits until it has ended, leaving it a zombie that nobody reaped yet.
    void WaitUntilEnded() const
    {
        siginfo_t info{};
        waitid(P_PID, static_cast<id_t>(fPid), &info, WEXITED | WNOWAIT);
    }
    // Reaps it; its id is then free.
    void Reap()
    {
        kill(fPid, SIGKILL);
        waitpid(fPid, nullptr, 0);
        fPid = 0;
    }

private:
    pid_t fPid = 0;
};

fs::path CopyProgram(fs::path const& folder, std::string const& name, char const* program = "/bin/sleep")
{
    fs::path const copy = folder / name;
    fs::copy_file(program, copy);
    fs::permissions(copy, fs::perms::owner_all);
    return copy;
}

std::set<int> SetOf(GTable<int> const& ids)
{
    return std::set<int>(ids.GetItems(), ids.GetItems() + ids.GetCount());
}

std::vector<std::string> NamesOf(GTable<GString> const& names)
{
    std::vector<std::string> result;
    for (int i = 0; i < names.GetCount(); ++i)
        result.push_back(Utf8Of(names[i]));
    return result;
}

bool Contains(std::vector<std::string> const& names, std::string const& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A folder that the stand-in reads as /proc, holding made-up processes.
class FakeProcRoot
{
public:
    FakeProcRoot() : fFolder("sendrix-proc") {}

    void AddProcess(int pid, std::string const& name)
    {
        fs::path const folder = fFolder / std::to_string(pid);
        fs::create_directory(folder);
        std::ofstream(folder / "stat") << pid << " (" << name << ") S 1 " << pid << " 0\n";
        std::ofstream(folder / "status")
            << "Name:\t" << name << "\nUid:\t" << getuid() << "\t" << geteuid() << "\t0\t0\n";
    }
    std::string String() const { return fFolder.String(); }

private:
    testsupport::TempFolder fFolder;
};

class ProcessInfoTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        SysctlStandInSetProcRoot(nullptr);
        SysctlStandInSetProcessTableHook(nullptr, nullptr);
    }

    // Makes a process table that grows by ten made-up processes each time it is read, the first
    // `times` times.
    struct Growth
    {
        FakeProcRoot* fRoot;
        int fTimes;
        int fReads = 0;
        int fNextPid = 1000;
    };
    static void Grow(void* context)
    {
        Growth* growth = static_cast<Growth*>(context);
        if (growth->fReads++ >= growth->fTimes)
            return;
        for (int i = 0; i < cSysctlStandInProcessSlop + 5; ++i)
            growth->fRoot->AddProcess(growth->fNextPid++, "TableGrowth");
    }

    testsupport::TempFolder fFolder{"sendrix-processes"};
    PMacXProcessInfo fInfo;
};

// --- names ---

TEST_F(ProcessInfoTest, FindsProcessesByTheFirstSixteenCharactersOfTheirName)
{
    fs::create_directory(fFolder / "link");
    fs::create_symlink("/bin/sleep", fFolder / "link" / "RozorazIzivozada");
    struct Started
    {
        char const* fName;
        fs::path fPath;
    };
    std::vector<Started> const started{
        {"exact", CopyProgram(fFolder.Path(), "RozorazIzivozada")},
        {"longer", CopyProgram(fFolder.Path(), "RozorazIzivozadaHelper")},
        {"link", fFolder / "link" / "RozorazIzivozada"},
        {"case", CopyProgram(fFolder.Path(), "rozorazIzivozada")},
        {"shorter", CopyProgram(fFolder.Path(), "RozorazIzivoza")},
    };
    std::vector<std::unique_ptr<ChildProcess>> children;
    std::map<std::string, int> pidOf;
    std::set<int> ours;
    for (Started const& s : started)
    {
        children.push_back(std::make_unique<ChildProcess>(s.fPath, std::vector<std::string>{"600"}));
        ASSERT_GT(children.back()->Pid(), 0) << s.fName;
        pidOf[s.fName] = children.back()->Pid();
        ours.insert(children.back()->Pid());
    }

    struct Case
    {
        char const* fWanted;
        std::vector<char const*> fFound;
    };
    Case const cases[] = {
        {"RozorazIzivozada", {"exact", "longer", "link"}},
        // A longer wanted name is cut to 16 characters as the kernel cuts command names.
        {"RozorazIzivozadaSomethingElse", {"exact", "longer", "link"}},
        {"rozorazIzivozada", {"case"}},
        {"RozorazIzivoza", {"shorter"}},
        {"RozorazIzivozad", {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fWanted);
        std::set<int> expected;
        for (char const* name : c.fFound)
            expected.insert(pidOf[name]);
        for (bool currentUserOnly : {false, true})
        {
            // Processes of other programs running at the same time may carry these names too: only
            // this test's are judged.
            GTable<int> ids;
            fInfo.GetProcessID(TextOf(c.fWanted), ids, currentUserOnly);
            std::set<int> found;
            for (int id : SetOf(ids))
            {
                if (ours.count(id))
                    found.insert(id);
            }
            EXPECT_EQ(found, expected) << "current user only: " << currentUserOnly;
        }
    }
}

TEST_F(ProcessInfoTest, FindsProcessesWhoseNamesHoldCharactersTheKernelEscapesOrBrackets)
{
    // Names with a backslash, a tab, spaces and parentheses; the last is cut to 15 characters by
    // Linux and completed from its executable.
    std::vector<std::string> const names{"Back\\slash", "Tab\there", "Odd (name) x", "Paren(s) \\ Sixteen"};
    std::map<std::string, int> pidOf;
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (std::string const& name : names)
    {
        children.push_back(std::make_unique<ChildProcess>(CopyProgram(fFolder.Path(), name),
                                                          std::vector<std::string>{"600"}));
        ASSERT_GT(children.back()->Pid(), 0) << name;
        pidOf[name] = children.back()->Pid();
    }
    for (std::string const& name : names)
    {
        SCOPED_TRACE(name);
        GTable<int> ids;
        fInfo.GetProcessID(TextOf(name.c_str()), ids, false);
        EXPECT_EQ(SetOf(ids).count(pidOf[name]), 1u);
        EXPECT_TRUE(fInfo.IsRunning(pidOf[name]));
        EXPECT_TRUE(SetOf(fInfo.GetChildProcessIDs(getpid())).count(pidOf[name]));
    }
}

TEST_F(ProcessInfoTest, EmptiesTheIdsWhenNothingMatchesOrTheTableCannotBeRead)
{
    ChildProcess const child(CopyProgram(fFolder.Path(), "RozorazIzivozada"), {"600"});
    ASSERT_GT(child.Pid(), 0);
    GTable<int> ids;
    for (int id : {11, 12, 13})
        ids.AddItem(id);
    fInfo.GetProcessID(TextOf("NoProcessHasThisName"), ids, false);
    EXPECT_EQ(ids.GetCount(), 0);

    ids.AddItem(11);
    SysctlStandInSetProcRoot((fFolder / "missing").c_str());
    fInfo.GetProcessID(TextOf("RozorazIzivozada"), ids, false);
    EXPECT_EQ(ids.GetCount(), 0);
    GTable<GString> names;
    names.AddItem(TextOf("stale"));
    fInfo.GetProcessList(names, false);
    EXPECT_EQ(names.GetCount(), 0);
    EXPECT_FALSE(fInfo.IsRunning(child.Pid()));
    EXPECT_EQ(fInfo.GetChildProcessIDs(getpid()).GetCount(), 0);
}

TEST_F(ProcessInfoTest, ListsProcessesByTheLeafOfThePathTheyWereStartedBy)
{
    fs::create_directory(fFolder / "link");
    fs::create_symlink("/bin/sleep", fFolder / "link" / "StartedThroughALink");
    ChildProcess const longer(CopyProgram(fFolder.Path(), "RozorazIzivozadaHelper"), {"600"});
    ChildProcess const nonASCII(CopyProgram(fFolder.Path(), "Prozeß-Übersicht"), {"600"});
    ChildProcess const linked(fFolder / "link" / "StartedThroughALink", {"600"});
    ChildProcess const zombie(CopyProgram(fFolder.Path(), "ShortZombie", "/bin/true"), {});
    ASSERT_GT(longer.Pid(), 0);
    ASSERT_GT(nonASCII.Pid(), 0);
    ASSERT_GT(linked.Pid(), 0);
    ASSERT_GT(zombie.Pid(), 0);
    zombie.WaitUntilEnded();

    // A process that has ended keeps its command name but no arguments.
    int argumentsName[3] = {CTL_KERN, KERN_PROCARGS2, zombie.Pid()};
    std::vector<char> arguments(4096);
    std::size_t size = arguments.size();
    errno = 0;
    EXPECT_EQ(sysctl(argumentsName, 3, arguments.data(), &size, nullptr, 0), -1);
    EXPECT_EQ(errno, EINVAL);

    GTable<GString> names;
    fInfo.GetProcessList(names, false);
    std::vector<std::string> const all = NamesOf(names);
    // Full names, not the 16 characters of the command name.
    EXPECT_TRUE(Contains(all, "RozorazIzivozadaHelper"));
    EXPECT_TRUE(Contains(all, "Prozeß-Übersicht"));
    EXPECT_TRUE(Contains(all, "StartedThroughALink"));
    EXPECT_TRUE(Contains(all, "ShortZombie"));
    EXPECT_FALSE(Contains(all, "RozorazIzivozad"));

    fInfo.GetProcessList(names, true);
    EXPECT_TRUE(Contains(NamesOf(names), "RozorazIzivozadaHelper"));
}

TEST_F(ProcessInfoTest, ArgumentsBeginWithTheCountAndThePathTheProcessWasStartedBy)
{
    fs::create_directory(fFolder / "link");
    fs::path const link = fFolder / "link" / "RozorazIzivozada";
    fs::create_symlink("/bin/sleep", link);
    ChildProcess const child(link, {"600"});
    ASSERT_GT(child.Pid(), 0);
    int name[3] = {CTL_KERN, KERN_PROCARGS2, child.Pid()};
    std::vector<char> data(4096, 'x');
    std::size_t size = data.size();
    ASSERT_EQ(sysctl(name, 3, data.data(), &size, nullptr, 0), 0);
    std::int32_t count = 0;
    std::memcpy(&count, data.data(), sizeof count);
    EXPECT_EQ(count, 2);
    std::string const start(data.data() + 4);
    EXPECT_EQ(start, link.string());
    // Zeros up to the arguments, which follow each other zero-terminated.
    std::size_t position = 4 + start.size();
    while (position < size && data[position] == '\0')
        ++position;
    EXPECT_EQ(std::string(data.data() + position), link.string());
    position += link.string().size() + 1;
    EXPECT_EQ(std::string(data.data() + position), "600");
    EXPECT_EQ(position + 4, size);
}

// --- running processes and children ---

TEST_F(ProcessInfoTest, TellsWhichProcessesRun)
{
    struct Reads
    {
        int fCount = 0;
    } reads;
    SysctlStandInSetProcessTableHook([](void* context) { ++static_cast<Reads*>(context)->fCount; }, &reads);
    EXPECT_FALSE(fInfo.IsRunning(0));
    EXPECT_FALSE(fInfo.IsRunning(-5));
    EXPECT_EQ(reads.fCount, 0);

    EXPECT_EQ(fInfo.GetCurrentProcessID(), getpid());
    EXPECT_TRUE(fInfo.IsRunning(fInfo.GetCurrentProcessID()));
    ChildProcess child(CopyProgram(fFolder.Path(), "ShortLived"), {"600"});
    pid_t const pid = child.Pid();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(fInfo.IsRunning(pid));
    child.Reap();
    EXPECT_FALSE(fInfo.IsRunning(pid));
    // Each answer asked the kernel about that one process, never for the whole table.
    EXPECT_EQ(reads.fCount, 0);
}

TEST_F(ProcessInfoTest, TakesAProcessWhoseFilesFailToReadAsGone)
{
    // As for a process that ends between the open and the read of its file: the read fails.
    FakeProcRoot root;
    root.AddProcess(4242, "Steady");
    fs::create_directories(fs::path(root.String()) / "4343" / "stat");
    fs::create_directories(fs::path(root.String()) / "4343" / "status");
    SysctlStandInSetProcRoot(root.String().c_str());
    EXPECT_TRUE(fInfo.IsRunning(4242));
    EXPECT_FALSE(fInfo.IsRunning(4343));
}

TEST_F(ProcessInfoTest, ListsTheChildrenOfAProcess)
{
    fs::path const program = CopyProgram(fFolder.Path(), "Child");
    auto first = std::make_unique<ChildProcess>(program, std::vector<std::string>{"600"});
    ChildProcess const second(program, {"600"});
    ASSERT_GT(first->Pid(), 0);
    ASSERT_GT(second.Pid(), 0);
    std::set<int> children = SetOf(fInfo.GetChildProcessIDs(getpid()));
    EXPECT_TRUE(children.count(first->Pid()));
    EXPECT_TRUE(children.count(second.Pid()));
    EXPECT_EQ(fInfo.GetChildProcessIDs(second.Pid()).GetCount(), 0);

    pid_t const gone = first->Pid();
    first.reset();
    children = SetOf(fInfo.GetChildProcessIDs(getpid()));
    EXPECT_FALSE(children.count(gone));
    EXPECT_TRUE(children.count(second.Pid()));
}

// --- a table that changes while it is read ---

TEST_F(ProcessInfoTest, ReadsTheTableAgainWhenItGrewPastItsMeasure)
{
    FakeProcRoot root;
    root.AddProcess(1, "launchd");
    Growth growth{&root, 1};
    SysctlStandInSetProcRoot(root.String().c_str());
    SysctlStandInSetProcessTableHook(&Grow, &growth);
    GTable<int> ids;
    fInfo.GetProcessID(TextOf("TableGrowth"), ids, false);
    EXPECT_EQ(growth.fReads, 2);
    EXPECT_EQ(ids.GetCount(), cSysctlStandInProcessSlop + 5);
}

TEST_F(ProcessInfoTest, GivesUpOnATableThatKeepsGrowing)
{
    FakeProcRoot root;
    root.AddProcess(1, "launchd");
    Growth growth{&root, 1000};
    SysctlStandInSetProcRoot(root.String().c_str());
    SysctlStandInSetProcessTableHook(&Grow, &growth);
    GTable<int> ids;
    ids.AddItem(1);
    fInfo.GetProcessID(TextOf("launchd"), ids, false);
    EXPECT_EQ(ids.GetCount(), 0);
    EXPECT_EQ(growth.fReads, PMacXProcessInfo::cMaxTableReads);
}

TEST_F(ProcessInfoTest, DoesNotReadAgainAfterAnotherFailure)
{
    // The table was measured, then its folder went away: not a table that grew.
    FakeProcRoot root;
    root.AddProcess(1, "launchd");
    struct Vanish
    {
        fs::path fMissing;
        int fReads = 0;
    } vanish{fFolder / "missing"};
    SysctlStandInSetProcRoot(root.String().c_str());
    SysctlStandInSetProcessTableHook(
        [](void* context)
        {
            Vanish* v = static_cast<Vanish*>(context);
            ++v->fReads;
            SysctlStandInSetProcRoot(v->fMissing.c_str());
        },
        &vanish);
    EXPECT_EQ(fInfo.GetChildProcessIDs(0).GetCount(), 0);
    EXPECT_EQ(vanish.fReads, 1);
}
} // namespace
