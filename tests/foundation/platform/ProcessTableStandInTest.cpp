// The process table of the management-information stand-in over the system's own /proc: the
// kernel's threads left out as macOS has none, and the stat files it keeps open from one reading to
// the next telling each process as it is now, never a process that is gone, and never taking back a
// descriptor that is no longer its own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "GProcessInfo.h"
#include "PMacXProcessInfo.h"
#include "StringText.h"
#include "TempFolder.h"
#include "macos/SysctlStandIn.h"

namespace fs = std::filesystem;

namespace
{
using testsupport::TextOf;

// The records of the whole table, as the platform's call gives them.
std::vector<kinfo_proc> Table()
{
    int name[3] = {CTL_KERN, KERN_PROC, KERN_PROC_ALL};
    std::size_t size = 0;
    if (sysctl(name, 3, nullptr, &size, nullptr, 0) != 0)
        return {};
    std::vector<kinfo_proc> records(size / sizeof(kinfo_proc));
    size = records.size() * sizeof(kinfo_proc);
    if (sysctl(name, 3, records.data(), &size, nullptr, 0) != 0)
        return {};
    records.resize(size / sizeof(kinfo_proc));
    return records;
}

std::optional<kinfo_proc> RecordOf(std::vector<kinfo_proc> const& table, pid_t pid)
{
    for (kinfo_proc const& record : table)
        if (record.kp_proc.p_pid == pid)
            return record;
    return std::nullopt;
}

// This process's descriptors whose targets begin with the text.
std::vector<int> DescriptorsTo(std::string const& start)
{
    std::vector<int> descriptors;
    for (fs::directory_entry const& entry : fs::directory_iterator("/proc/self/fd"))
    {
        std::error_code error;
        fs::path const target = fs::read_symlink(entry.path(), error);
        if (!error && target.string().compare(0, start.size(), start) == 0)
            descriptors.push_back(std::stoi(entry.path().filename().string()));
    }
    return descriptors;
}

// A child of the test's that waits for a byte, then runs the program given (or ends), and is killed
// and reaped at the end.
class Child
{
public:
    explicit Child(fs::path const& program = fs::path())
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        fPid = fork();
        if (fPid == 0)
        {
            close(fds[1]);
            char go = 0;
            if (read(fds[0], &go, 1) == 1 && !program.empty())
                execl(program.c_str(), program.c_str(), "600", static_cast<char*>(nullptr));
            _exit(0);
        }
        close(fds[0]);
        fGo = fds[1];
    }
    ~Child()
    {
        if (fGo >= 0)
            close(fGo);
        if (fPid > 0)
        {
            kill(fPid, SIGKILL);
            waitpid(fPid, nullptr, 0);
        }
    }
    Child(Child const&) = delete;
    Child& operator=(Child const&) = delete;

    pid_t Pid() const { return fPid; }
    void Go() const { (void)!write(fGo, "g", 1); }
    void Reap()
    {
        kill(fPid, SIGKILL);
        waitpid(fPid, nullptr, 0);
        fPid = -1;
    }

private:
    pid_t fPid = -1;
    int fGo = -1;
};

std::string CommandOf(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/comm");
    std::string command;
    std::getline(file, command);
    return command;
}

class ProcessTableStandInTest : public ::testing::Test
{
protected:
    testsupport::TempFolder fFolder{"sendrix-process-table"};
    PMacXProcessInfo fInfo;
};
} // namespace

TEST_F(ProcessTableStandInTest, TheKernelsThreadsAreNoProcesses)
{
    // One of the kernel's threads, where the system shows any (a container may show none).
    pid_t thread = 0;
    for (fs::directory_entry const& entry : fs::directory_iterator("/proc"))
    {
        std::ifstream status(entry.path() / "status");
        for (std::string line; thread == 0 && std::getline(status, line);)
            if (line == "Kthread:\t1")
                thread = static_cast<pid_t>(std::stol(entry.path().filename().string()));
        if (thread != 0)
            break;
    }
    if (thread == 0)
        GTEST_SKIP() << "no kernel thread shows here";
    std::vector<kinfo_proc> const table = Table();
    EXPECT_FALSE(RecordOf(table, thread)) << "kernel thread " << thread << " was listed";
    EXPECT_FALSE(fInfo.IsRunning(thread));
    ASSERT_TRUE(RecordOf(table, getpid()));
    EXPECT_EQ(RecordOf(table, getpid())->kp_eproc.e_ppid, getppid());
    EXPECT_TRUE(fInfo.IsRunning(getpid()));
    EXPECT_TRUE(DescriptorsTo("/proc/" + std::to_string(thread) + "/").empty());
}

TEST_F(ProcessTableStandInTest, AProcessIsToldAsItIsNowAtEachReading)
{
    // A child listed under the test's name, which then runs another program under another name.
    fs::path const program = fFolder / "AfterItsExec";
    fs::copy_file("/bin/sleep", program);
    fs::permissions(program, fs::perms::owner_all);
    Child child(program);
    ASSERT_GT(child.Pid(), 0);
    std::vector<kinfo_proc> const table = Table();
    std::optional<kinfo_proc> const before = RecordOf(table, child.Pid());
    ASSERT_TRUE(before);
    ASSERT_TRUE(RecordOf(table, getpid()));
    EXPECT_EQ(before->kp_eproc.e_ppid, getpid());
    EXPECT_STREQ(before->kp_proc.p_comm, RecordOf(table, getpid())->kp_proc.p_comm);
    GTable<int> ids;
    fInfo.GetProcessID(TextOf("AfterItsExec"), ids, false);
    EXPECT_EQ(ids.GetCount(), 0);

    child.Go();
    for (int wait = 0; wait < 2000 && CommandOf(child.Pid()) != "AfterItsExec"; ++wait)
        usleep(1000);
    ASSERT_EQ(CommandOf(child.Pid()), "AfterItsExec");
    fInfo.GetProcessID(TextOf("AfterItsExec"), ids, false);
    ASSERT_EQ(ids.GetCount(), 1);
    EXPECT_EQ(ids[0], child.Pid());
}

TEST_F(ProcessTableStandInTest, AProcessThatEndedLeavesNeitherARecordNorADescriptor)
{
    Child child;
    ASSERT_GT(child.Pid(), 0);
    pid_t const pid = child.Pid();
    ASSERT_TRUE(RecordOf(Table(), pid));
    EXPECT_TRUE(fInfo.IsRunning(pid));
    child.Reap();
    EXPECT_FALSE(RecordOf(Table(), pid));
    EXPECT_FALSE(fInfo.IsRunning(pid));
    EXPECT_TRUE(DescriptorsTo("/proc/" + std::to_string(pid) + "/").empty()) << "a descriptor was kept";
}

TEST_F(ProcessTableStandInTest, ADescriptorClosedBehindItsBackIsLeftToItsNewOwner)
{
    // Another part of the process closes a stat file the table keeps, and the number goes to a file
    // of its own.
    Child child;
    ASSERT_GT(child.Pid(), 0);
    ASSERT_TRUE(RecordOf(Table(), child.Pid()));
    std::vector<int> const kept = DescriptorsTo("/proc/" + std::to_string(child.Pid()) + "/stat");
    if (kept.empty())
        GTEST_SKIP() << "the table keeps no file of that process";
    fs::path const own = fFolder / "own";
    std::ofstream(own) << "Mine";
    int const opened = open(own.c_str(), O_RDONLY);
    ASSERT_GE(opened, 0);
    // Closed, and the number given to the file, in one step.
    int const descriptor = dup2(opened, kept[0]);
    close(opened);
    ASSERT_EQ(descriptor, kept[0]);

    std::optional<kinfo_proc> const record = RecordOf(Table(), child.Pid());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->kp_eproc.e_ppid, getpid());
    char text[8] = {};
    EXPECT_EQ(pread(descriptor, text, sizeof text, 0), 4) << "the file was closed";
    EXPECT_STREQ(text, "Mine");
    EXPECT_EQ(DescriptorsTo(own.string()), std::vector<int>{descriptor});
    close(descriptor);
}

TEST_F(ProcessTableStandInTest, ANameCutTo15CharactersIsToldWholeAsItIsNowAtEachReading)
{
    // A shell under a 16-character name that, once told, runs in its place a program whose name
    // differs only in the sixteenth character: the name Linux keeps stays the same, the whole one
    // changes.
    fs::path const first = fFolder / "SixteenCharNameA";
    fs::path const second = fFolder / "SixteenCharNameB";
    fs::copy_file("/bin/sh", first);
    fs::copy_file("/bin/sleep", second);
    for (fs::path const& program : {first, second})
        fs::permissions(program, fs::perms::owner_all);
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t const pid = fork();
    if (pid == 0)
    {
        dup2(go[0], STDIN_FILENO);
        close(go[1]);
        execl(first.c_str(), first.c_str(), "-c", "read go; exec \"$0\" 600", second.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(go[0]);
    ASSERT_GT(pid, 0);
    struct Reaped
    {
        pid_t fPid;
        int fGo;
        ~Reaped()
        {
            close(fGo);
            kill(fPid, SIGKILL);
            waitpid(fPid, nullptr, 0);
        }
    } const reaped{pid, go[1]};
    std::string const executable = "/proc/" + std::to_string(pid) + "/exe";
    auto const runs = [&](fs::path const& program)
    {
        fs::path const path = fs::canonical(program);
        for (int wait = 0; wait < 2000; ++wait)
        {
            std::error_code error;
            if (CommandOf(pid) == "SixteenCharName" && fs::read_symlink(executable, error) == path)
                return true;
            usleep(1000);
        }
        return false;
    };
    auto const found = [&](char const* name)
    {
        GTable<int> ids;
        fInfo.GetProcessID(TextOf(name), ids, false);
        for (int i = 0; i < ids.GetCount(); ++i)
            if (ids[i] == pid)
                return true;
        return false;
    };
    ASSERT_TRUE(runs(first));
    // Read twice: the second reading is told by what the first found.
    for (int reading = 0; reading < 2; ++reading)
    {
        SCOPED_TRACE(reading);
        EXPECT_TRUE(found("SixteenCharNameA"));
        EXPECT_FALSE(found("SixteenCharNameB"));
    }
    ASSERT_EQ(write(reaped.fGo, "\n", 1), 1);
    ASSERT_TRUE(runs(second));
    EXPECT_TRUE(found("SixteenCharNameB"));
    EXPECT_FALSE(found("SixteenCharNameA")) << "the name of the program before was kept";
    std::optional<kinfo_proc> const record = RecordOf(Table(), pid);
    ASSERT_TRUE(record);
    EXPECT_STREQ(record->kp_proc.p_comm, "SixteenCharNameB");
}
