// Runs a check as a user without privileges. The superuser passes every lock and permission check, so
// a test of a refusal run by the superuser hands its folder over to "nobody" and runs the check in a
// child process as that user; a process without privileges runs the check itself.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport
{
constexpr uid_t cNobody = 65534;

// check() answers whether it saw what it expected.
template<class Check>
::testing::AssertionResult RunsAsOtherUser(std::filesystem::path const& folder, Check check)
{
    if (geteuid() != 0)
        return check() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "the check failed";
    std::error_code error;
    for (auto const& entry : std::filesystem::recursive_directory_iterator(folder, error))
        lchown(entry.path().c_str(), cNobody, cNobody);
    lchown(folder.c_str(), cNobody, cNobody);
    pid_t const child = fork();
    if (child < 0)
        return ::testing::AssertionFailure() << "no child process";
    if (child == 0)
    {
        if (setgroups(0, nullptr) != 0 || setgid(cNobody) != 0 || setuid(cNobody) != 0)
            _exit(2);
        bool passed = false;
        try
        {
            passed = check();
        }
        catch (...)
        {
            // Whatever the check throws is its failure, told by the exit code.
            _exit(3);
        }
        _exit(passed ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return ::testing::AssertionFailure() << "the child process ended abnormally";
    switch (WEXITSTATUS(status))
    {
    case 0:
        return ::testing::AssertionSuccess();
    case 1:
        return ::testing::AssertionFailure() << "the check failed as nobody";
    case 2:
        return ::testing::AssertionFailure() << "the child could not become nobody";
    default:
        return ::testing::AssertionFailure() << "the check threw as nobody";
    }
}
} // namespace testsupport
