// The macOS system-information service: the system report out of sysctl values, the system version
// and bundle versions from Foundation.
#pragma once

#include "GSystemInfo.h"

class PMacXSystemInfo : public GSystemInfo
{
public:
    PMacXSystemInfo() = default;
    ~PMacXSystemInfo() override = default;

    // The kernel version, physical and logical processors, processor type and installed memory
    // (MiB, rounded up), a line each, then an empty line. A failure on the way appends
    // " Unable to get processor info...\n" after the lines made so far.
    void AddProcessorInfo(GString& report) override;
    void AddOSVersionInfo(GString& report) override;
    // Nothing: the memory line is part of the processor lines.
    void AddMemoryInfo(GString& report) override;
    GPathName FindDLL(GPathName const& folder, GString const& name) override;
    GString GetDLLVersion(GPathName const& path) override;
    // The installed physical memory in MiB, rounded down; info unchanged on failure.
    void GetMemoryInfo(MemoryInfo& info) override;
    int GetNumberOfProcessors() override;

    // Appends label, a tab, value, unit and a line feed.
    static void AddInfo(GString& report, GString const& label, GString const& value, GString const& unit);
    static void AddInfo(GString& report, GString const& label, int value);
};
