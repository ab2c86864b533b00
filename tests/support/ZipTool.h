// Info-ZIP's zip and unzip run as a Sendrixor's tools run them: a child process with its arguments
// as given, never through a shell, in the folder whose contents it archives.
#pragma once

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace ziptest
{
// The program's exit code; -1 when it could not run or did not exit.
inline int RunProgram(std::vector<std::string> const& arguments, std::filesystem::path const& folder)
{
    std::vector<char*> argv;
    for (std::string const& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t const child = fork();
    if (child < 0)
        return -1;
    if (child == 0)
    {
        int const quiet = open("/dev/null", O_WRONLY);
        if (chdir(folder.c_str()) != 0 || quiet < 0)
            _exit(127);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Archives the items (paths relative to folder, folders with what they hold) with zip, encrypted
// when a password is given; options go before the archive's path.
inline int Zip(std::filesystem::path const& folder, std::filesystem::path const& archive,
               std::string const& password, std::vector<std::string> const& items,
               std::vector<std::string> const& options = {})
{
    std::vector<std::string> arguments = {SENDRIX_ZIP_PATH, "-q", "-r"};
    if (!password.empty())
        arguments.insert(arguments.end(), {"-P", password});
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(archive.string());
    arguments.insert(arguments.end(), items.begin(), items.end());
    return RunProgram(arguments, folder);
}
} // namespace ziptest
