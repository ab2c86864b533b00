// The test peer of the job channel as a child process of a test: started in one of its modes with a
// job file of its own, stopped with SIGTERM, and its received jobs read back. Peers are found by
// their process name machine-wide, so tests that start one hold a lock that keeps the peers of
// other test processes away meanwhile.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "GPPIPCManager.h"

namespace deliverytest
{
// Held by every test that starts a peer or takes part in the machine-wide registry of receivers, in
// whatever process (test shard) it runs: peers are found by their name and the registry is one for
// the machine, so two such tests at once would see each other's processes and entries. The peers a
// test starts do not inherit it: a peer that outlives its test would hold every other test's turn.
class PeerLock
{
public:
    PeerLock()
        : fDescriptor(open("/tmp/sendrix-RozorazIzivozada-peers.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666))
    {
        if (fDescriptor >= 0)
            flock(fDescriptor, LOCK_EX);
    }
    ~PeerLock()
    {
        if (fDescriptor >= 0)
            close(fDescriptor);
    }
    PeerLock(PeerLock const&) = delete;
    PeerLock& operator=(PeerLock const&) = delete;

private:
    int fDescriptor;
};

class PeerProcess
{
public:
    PeerProcess(std::string const& jobFile, std::string const& mode, int pollMilliseconds = 20,
                int lateMilliseconds = 0)
        : fJobFile(jobFile)
    {
        std::string const poll = std::to_string(pollMilliseconds);
        std::string const late = std::to_string(lateMilliseconds);
        pid_t const test = getpid();
        fPid = fork();
        if (fPid == 0)
        {
            // A peer outlives no test: when the test's process ends without stopping it (a crash, a
            // time limit), the peer is told to end as Stop tells it.
            if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != test)
                _exit(127);
            execl(SENDRIX_PEER_PATH, SENDRIX_PEER_PATH, jobFile.c_str(), mode.c_str(), poll.c_str(),
                  late.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~PeerProcess() { Stop(); }
    PeerProcess(PeerProcess const&) = delete;
    PeerProcess& operator=(PeerProcess const&) = delete;

    pid_t Pid() const { return fPid; }
    // Asks the peer to end and waits for it; its exit code, -1 when it did not exit normally.
    int Stop()
    {
        if (fPid > 0)
            kill(fPid, SIGTERM);
        return Wait();
    }
    int Wait()
    {
        if (fPid <= 0)
            return fExitCode;
        int status = 0;
        waitpid(fPid, &status, 0);
        fPid = -1;
        fExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return fExitCode;
    }
    // Whether the peer came to the state within the seconds.
    bool AwaitState(int state, double seconds = 10) const
    {
        auto const until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < until)
        {
            if (GPPIPCManager::GetInstance()->GetListeningState(fPid) == state)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    // The jobs received so far, each its text as sent ("#BADJOB" for one that was no dictionary).
    std::vector<std::string> Jobs() const
    {
        std::ifstream file(fJobFile, std::ios::binary);
        std::string const all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::vector<std::string> jobs;
        std::string const end = "#ENDJOB\n";
        std::string const bad = "#BADJOB\n";
        for (std::size_t at = 0; at < all.size();)
        {
            if (all.compare(at, bad.size(), bad) == 0)
            {
                jobs.push_back("#BADJOB");
                at += bad.size();
                continue;
            }
            std::size_t const found = all.find(end, at);
            if (found == std::string::npos)
                break;
            jobs.push_back(all.substr(at, found - at));
            at = found + end.size();
        }
        return jobs;
    }
    // The jobs once there are at least count, or what came within the seconds.
    std::vector<std::string> AwaitJobs(std::size_t count, double seconds = 5) const
    {
        auto const until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        std::vector<std::string> jobs = Jobs();
        while (jobs.size() < count && std::chrono::steady_clock::now() < until)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            jobs = Jobs();
        }
        return jobs;
    }

private:
    std::string fJobFile;
    pid_t fPid = -1;
    int fExitCode = -1;
};
} // namespace deliverytest
