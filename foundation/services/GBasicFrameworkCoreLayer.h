// The counted start-up and shut-down of the whole foundation: the first Initialize brings every
// singleton of the core types, the platform layer and the services up, the Finalize that balances
// the last Initialize takes them down, however many components start the foundation.
#pragma once

#include <cstdint>

#include "PUNIXMutexImp.h"

class GBasicFrameworkCoreLayer
{
public:
    // An object holds the foundation up for its lifetime.
    GBasicFrameworkCoreLayer() { Initialize(); }
    ~GBasicFrameworkCoreLayer() { Finalize(); }
    GBasicFrameworkCoreLayer(GBasicFrameworkCoreLayer const&) = delete;
    GBasicFrameworkCoreLayer& operator=(GBasicFrameworkCoreLayer const&) = delete;

    // Counted: only the first call starts. False when the platform layer cannot start (the count
    // stays raised, so the caller still balances it with Finalize). A step that throws undoes what
    // the start had made, lowers the count again and passes the error on.
    static bool Initialize();
    // Counted: the call that brings the count to 0 tears everything down in reverse; a call
    // without a matching Initialize tears nothing down. Every call gives the allocator's cached
    // memory back to the heap.
    static void Finalize();

    // The encodings, the progress centre and the trace.
    static void InitializeSingletons();
    // The string pools, the language information, the built-in tables of dates, units and
    // exceptions and the framework's own English table.
    static void InitializeStrings();
    static void FinalizeStrings();
    static void FinalizeSingletons();

    static std::int32_t GetInitializeCount() { return sInitialized; }

private:
    // How far a start got: each step's undo runs when a later one failed.
    enum Stage
    {
        cStagePlatform,
        cStageSignals,
        cStageSingletons,
        cStageStrings,
        cStagePreferences,
        cStageFileTypes,
        cStageIdleTime,
        cStageUserMessages,
        cStageDone
    };
    static void TearDown(Stage reached);
    // The Unicode tables and the encoding singletons, last of FinalizeSingletons.
    static void FinalizeEncodings();

    static std::int32_t sInitialized;
    static PUNIXMutexImp sLock;
};
