// The CoreServices stand-in: Gestalt values in memory, the real host name, the real password entry.
#include "CoreServicesStandIn.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <pwd.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace
{
std::mutex sMutex;
std::map<OSType, SInt32> sGestaltValues;

// A name the test gave; fGiven false means the system's own.
struct NameOverride
{
    bool fGiven = false;
    CFStringRef fName = nullptr;
};
NameOverride sMachineName;
NameOverride sUserName;

void Give(NameOverride& override, CFStringRef name)
{
    if (name)
        CFRetain(name);
    CFStringRef old = nullptr;
    {
        std::lock_guard<std::mutex> lock(sMutex);
        old = override.fName;
        override.fGiven = true;
        override.fName = name;
    }
    if (old)
        CFRelease(old);
}

// True when the test gave a name; name is then that name retained for the caller, or null.
bool CopyGiven(NameOverride const& override, CFStringRef& name)
{
    std::lock_guard<std::mutex> lock(sMutex);
    if (!override.fGiven)
        return false;
    name = override.fName ? static_cast<CFStringRef>(CFRetain(override.fName)) : nullptr;
    return true;
}

CFStringRef StringOf(std::string const& utf8)
{
    return CFStringCreateWithCString(kCFAllocatorDefault, utf8.c_str(), kCFStringEncodingUTF8);
}
} // namespace

OSErr Gestalt(OSType selector, SInt32* response)
{
    std::lock_guard<std::mutex> lock(sMutex);
    auto found = sGestaltValues.find(selector);
    if (found == sGestaltValues.end())
        return gestaltUndefSelectorErr;
    *response = found->second;
    return noErr;
}

void GestaltStandInSetValue(OSType selector, SInt32 const* response)
{
    std::lock_guard<std::mutex> lock(sMutex);
    if (response)
        sGestaltValues[selector] = *response;
    else
        sGestaltValues.erase(selector);
}

ItemCount MPProcessors()
{
    long const count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<ItemCount>(count) : 1;
}

MPTaskID MPCurrentTaskID()
{
    // The kernel's thread id: the first thread's equals the process id.
    return reinterpret_cast<MPTaskID>(static_cast<std::intptr_t>(syscall(SYS_gettid)));
}

Boolean MPTaskIsPreemptive(MPTaskID task)
{
    return reinterpret_cast<std::intptr_t>(task) != static_cast<std::intptr_t>(getpid());
}

CFStringRef CSCopyMachineName()
{
    CFStringRef name = nullptr;
    if (CopyGiven(sMachineName, name))
        return name;
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0 || buffer[0] == '\0')
        return nullptr;
    return StringOf(buffer);
}

CFStringRef CSCopyUserName(Boolean useShortName)
{
    CFStringRef name = nullptr;
    if (!useShortName && CopyGiven(sUserName, name))
        return name;
    long const suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_name)
        return nullptr;
    std::string const login = found->pw_name;
    if (useShortName)
        return StringOf(login);
    std::string full = found->pw_gecos ? found->pw_gecos : "";
    full = full.substr(0, full.find(','));
    return StringOf(full.empty() ? login : full);
}

void CSStandInSetMachineName(CFStringRef name)
{
    Give(sMachineName, name);
}

void CSStandInSetUserName(CFStringRef fullName)
{
    Give(sUserName, fullName);
}

void CSStandInUseSystemNames()
{
    CFStringRef machine = nullptr;
    CFStringRef user = nullptr;
    {
        std::lock_guard<std::mutex> lock(sMutex);
        machine = sMachineName.fName;
        user = sUserName.fName;
        sMachineName = NameOverride{};
        sUserName = NameOverride{};
    }
    if (machine)
        CFRelease(machine);
    if (user)
        CFRelease(user);
}
