// Runs a helper program of the tests with one argument and hands back its exit status and what it
// printed, for checks that must run in a process of their own (one that runs out of memory, or
// one that a fault would end).
#pragma once

#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace testsupport
{
// The exit status (-1 when the helper did not exit normally) and its standard output.
inline std::pair<int, std::string> RunHelper(char const* program, char const* argument)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {-1, "no pipe"};
    pid_t const child = fork();
    if (child == 0)
    {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        execl(program, program, argument, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}
} // namespace testsupport
