// A plain-text report of the kernel, processors, memory and system version, and a few hardware
// questions: the process-wide service that the platform start-up installs and its shut-down removes.
#pragma once

#include <cstdint>

#include "GAutoPtr.h"
#include "GPathName.h"
#include "GString.h"

class GSystemInfo
{
public:
    struct MemoryInfo
    {
        std::int32_t fMemoryLoad;
        // Installed physical memory in whole MiB, rounded down.
        std::int32_t fPhysicalMB;
    };

    // Each appends its lines to the report; none throws.
    virtual void AddProcessorInfo(GString& report) = 0;
    virtual void AddOSVersionInfo(GString& report) = 0;
    virtual void AddMemoryInfo(GString& report) = 0;
    // The file of that name in the folder; empty when there is none.
    virtual GPathName FindDLL(GPathName const& folder, GString const& name) = 0;
    // The version a bundle gives for itself; empty when it gives none.
    virtual GString GetDLLVersion(GPathName const& path) = 0;
    // Fills what the platform knows and leaves the rest as the caller set it.
    virtual void GetMemoryInfo(MemoryInfo& info) = 0;
    // Physical cores; 0 when the system does not tell.
    virtual int GetNumberOfProcessors() = 0;
    virtual ~GSystemInfo();

    // None until the platform start-up installs one.
    static GSystemInfo* GetInstance();
    // Deletes the object held before and keeps the new one (or none); called only during start-up
    // and shut-down.
    static void SetInstance(GSystemInfo* instance);

protected:
    GSystemInfo() = default;

private:
    GSystemInfo(GSystemInfo const&) = delete;
    GSystemInfo& operator=(GSystemInfo const&) = delete;

    static GAutoPtr<GSystemInfo> sInstance;
};
