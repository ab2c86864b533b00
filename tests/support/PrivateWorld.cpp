// Every test program runs in a world of its own (scripts/private-world): receiving processes are
// found by name in the process table and reached through objects in /dev/shm, and a test must neither
// deliver to a "RozorazIzivozada" it did not start nor be disturbed by one. A program started outside
// such a world, by ctest or by hand, starts itself again inside one before any test runs.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
void EnterPrivateWorld()
{
    if (std::getenv("SENDRIX_TEST_WORLD"))
        return;
    char executable[PATH_MAX];
    ssize_t const length = readlink("/proc/self/exe", executable, sizeof executable - 1);
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::string const line((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (length <= 0 || line.empty())
    {
        std::fprintf(stderr, "private world: this program's own path and arguments cannot be read\n");
        std::_Exit(127);
    }
    executable[length] = 0;
    std::vector<std::string> arguments;
    for (std::size_t at = 0; at < line.size();)
    {
        std::size_t const end = line.find('\0', at);
        arguments.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? line.size() : end + 1;
    }
    // The program's own path in place of the name it was started by, which may have been found on
    // the PATH.
    arguments[0] = executable;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(SENDRIX_PRIVATE_WORLD));
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(SENDRIX_PRIVATE_WORLD, argv.data());
    std::fprintf(stderr, "private world: %s cannot be started: %s\n", SENDRIX_PRIVATE_WORLD,
                 std::strerror(errno));
    std::_Exit(127);
}

// Before main, and so before any test or the test environment starts anything.
struct PrivateWorldEntry
{
    PrivateWorldEntry() { EnterPrivateWorld(); }
} const sEntry;
} // namespace
