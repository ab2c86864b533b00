// The system-information stand-in: the processor's name out of /proc/cpuinfo.
#include "SysctlStandIn.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

namespace
{
// The value of the first "model name" line, or empty.
std::string ProcessorModelName()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line))
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
} // namespace

int sysctlbyname(char const* name, void* oldp, std::size_t* oldlenp, void* newp, std::size_t)
{
    if (newp)
    {
        errno = EPERM;
        return -1;
    }
    if (!name || std::strcmp(name, "machdep.cpu.brand_string") != 0 || !oldlenp)
    {
        errno = ENOENT;
        return -1;
    }
    std::string const value = ProcessorModelName();
    if (value.empty())
    {
        errno = ENOENT;
        return -1;
    }
    std::size_t const needed = value.size() + 1;
    if (!oldp)
    {
        *oldlenp = needed;
        return 0;
    }
    std::size_t const copied = needed < *oldlenp ? needed : *oldlenp;
    std::memcpy(oldp, value.c_str(), copied);
    *oldlenp = copied;
    if (copied < needed)
    {
        errno = ENOMEM;
        return -1;
    }
    return 0;
}
