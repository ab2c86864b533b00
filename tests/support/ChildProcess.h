// A forked child process that a test steps through with one-byte messages over two pipes: the child
// runs its part, tells the parent, waits for the word to go on, and ends.
#pragma once

#include <functional>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport
{
class ChildProcess
{
public:
    // body runs in the child; it talks to the parent through the Child it is given.
    class Child
    {
    public:
        Child(int toParent, int fromParent) : fToParent(toParent), fFromParent(fromParent) {}
        void Tell(char message) const { (void)!write(fToParent, &message, 1); }
        char Await() const
        {
            char message = 0;
            return read(fFromParent, &message, 1) == 1 ? message : 0;
        }

    private:
        int fToParent;
        int fFromParent;
    };

    explicit ChildProcess(std::function<int(Child const&)> const& body)
    {
        int toParent[2];
        int toChild[2];
        if (pipe(toParent) != 0 || pipe(toChild) != 0)
            return;
        fPid = fork();
        if (fPid == 0)
        {
            close(toParent[0]);
            close(toChild[1]);
            _exit(body(Child(toParent[1], toChild[0])));
        }
        close(toParent[1]);
        close(toChild[0]);
        fFromChild = toParent[0];
        fToChild = toChild[1];
    }
    ~ChildProcess()
    {
        if (fPid > 0)
            Wait();
        if (fFromChild >= 0)
            close(fFromChild);
        if (fToChild >= 0)
            close(fToChild);
    }
    ChildProcess(ChildProcess const&) = delete;
    ChildProcess& operator=(ChildProcess const&) = delete;

    bool Started() const { return fPid > 0; }
    // The child's process id until it has been waited for.
    pid_t Pid() const { return fPid; }
    // The child's next message; 0 when it ended without one.
    char Await() const
    {
        char message = 0;
        return read(fFromChild, &message, 1) == 1 ? message : 0;
    }
    void Tell(char message) const { (void)!write(fToChild, &message, 1); }
    // Ends the child at once, wherever its part stands (Wait then reaps it).
    void Kill(int signal = SIGKILL) const
    {
        if (fPid > 0)
            kill(fPid, signal);
    }
    // The child's exit code; -1 when it did not exit normally.
    int Wait()
    {
        if (fPid <= 0)
            return fExitCode;
        if (fToChild >= 0)
        {
            close(fToChild);
            fToChild = -1;
        }
        int status = 0;
        waitpid(fPid, &status, 0);
        fPid = -1;
        fExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return fExitCode;
    }

private:
    pid_t fPid = -1;
    int fFromChild = -1;
    int fToChild = -1;
    int fExitCode = -1;
};
} // namespace testsupport
