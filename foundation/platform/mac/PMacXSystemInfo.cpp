// The macOS system-information service: the system report out of sysctl values, the system version
// and bundle versions from Foundation.
#include "PMacXSystemInfo.h"

#include "GFileSystem.h"

#include <cstdint>
#include <cstring>
#include <sys/stat.h>

#include "GUTF8Encoding.h"
#include "PMacXSystemInfoCocoa.h"
#include "macos/SysctlStandIn.h"

namespace
{
constexpr int cTextValueSize = 256;
constexpr std::uint64_t cMebibyte = 1048576;

// A text value up to its first zero byte; empty when the query fails.
GString TextValue(char const* name)
{
    char value[cTextValueSize] = {};
    std::size_t size = sizeof value;
    if (sysctlbyname(name, value, &size, nullptr, 0) != 0)
        return GString();
    int const length = static_cast<int>(strnlen(value, sizeof value));
    return GString(reinterpret_cast<unsigned char const*>(value), length, GUTF8Encoding::GetInstance(),
                   false);
}

// 0 when the query fails.
template<typename Number>
Number NumberValue(char const* name)
{
    Number value = 0;
    std::size_t size = sizeof value;
    if (sysctlbyname(name, &value, &size, nullptr, 0) != 0 || size != sizeof value)
        return 0;
    return value;
}

} // namespace

void PMacXSystemInfo::AddProcessorInfo(GString& report)
{
    try
    {
        AddInfo(report, "Mach kernel version: ", TextValue("kern.version"), GString());
        AddInfo(report, "Processors physically available: ", NumberValue<std::int32_t>("hw.physicalcpu"));
        AddInfo(report, "Processors logically available: ", NumberValue<std::int32_t>("hw.logicalcpu"));
        AddInfo(report, "Processor type: ", TextValue("machdep.cpu.brand_string"), GString());
        std::uint64_t const memory = static_cast<std::uint64_t>(NumberValue<std::int64_t>("hw.memsize"));
        AddInfo(report, "Memory available: ",
                GString(static_cast<unsigned long long>((memory + cMebibyte - 1) / cMebibyte)), " MB");
        report += "\n";
    }
    catch (...)
    {
        // The report is diagnostic: whatever failed while it was made (memory above all) ends it with
        // this line instead of reaching the caller.
        report += " Unable to get processor info...\n";
    }
}

void PMacXSystemInfo::AddOSVersionInfo(GString& report)
{
    AddInfo(report, "SystemVersion: ", PMacXSystemInfoCocoa::GetOSVersionString(), GString());
}

void PMacXSystemInfo::AddMemoryInfo(GString&) {}

GPathName PMacXSystemInfo::FindDLL(GPathName const& folder, GString const& name)
{
    GPathName path(folder);
    path.Append(name);
    return GFileSystem::FileExists(path) ? path : GPathName();
}

GString PMacXSystemInfo::GetDLLVersion(GPathName const& path)
{
    return PMacXSystemInfoCocoa::GetBundleAppVersion(path);
}

void PMacXSystemInfo::GetMemoryInfo(MemoryInfo& info)
{
    std::uint64_t const memory = static_cast<std::uint64_t>(NumberValue<std::int64_t>("hw.memsize"));
    info.fPhysicalMB = static_cast<std::int32_t>(memory / cMebibyte);
}

int PMacXSystemInfo::GetNumberOfProcessors()
{
    return NumberValue<std::int32_t>("hw.physicalcpu");
}

void PMacXSystemInfo::AddInfo(GString& report, GString const& label, GString const& value,
                              GString const& unit)
{
    report += label;
    report += "\t";
    report += value;
    report += unit;
    report += "\n";
}

void PMacXSystemInfo::AddInfo(GString& report, GString const& label, int value)
{
    AddInfo(report, label, GString(value), GString());
}
