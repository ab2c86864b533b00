// The macOS platform layer's own start-up and shut-down: the platform encoding factory, the process-
// and system-information services, the carriage-return line end and the open-file limit. The
// framework's start-up runs it first and its shut-down last, under the framework's lock.
#pragma once

#include <cstdint>

class PMacXBasicFrameworkCoreLayer
{
public:
    PMacXBasicFrameworkCoreLayer() = delete;

    // Counted: only the first call starts the layer. Always true; an open-file limit that cannot be
    // raised leaves it as it was.
    static bool Initialize();
    // Counted: the call that balances the first Initialize removes the services; a call without an
    // Initialize changes nothing.
    static void Finalize();

    // Installs a new platform encoding factory, process information and system information, in this
    // order; each holder deletes what it held.
    static void InitializeSingletons();
    // Removes the system information, the platform encoding factory and the process information.
    static void FinalizeSingletons();
    // Raises the soft open-file limit to kern.maxfilesperproc, keeping the hard limit, and records it;
    // records 0 when the value cannot be read or set (a hard limit below it, for one).
    static void SetMaxOpenFilesForOurProcess();

    static std::int32_t GetInitializeCount() { return sInitialized; }
    static std::int32_t GetMaxFilesOpenForThisProcess() { return sMaxFilesOpenForThisProcess; }

private:
    static std::int32_t sInitialized;
    static std::int32_t sMaxFilesOpenForThisProcess;
};
