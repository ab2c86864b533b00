// The delivery link's counted start-up and shut-down: the special ids that names of shared objects
// are built from, and the layer's English messages.
#pragma once

#include <cstdint>

class GCCLSendrixCoreLayer
{
public:
    GCCLSendrixCoreLayer() = delete;

    // Only the first call acts: it starts the foundation first. Always true; a first call that throws
    // leaves nothing started and the count as it found it.
    static bool Initialize();
    // Only the call that balances the first Initialize acts, stopping the foundation last; a call
    // without an Initialize changes nothing, not even the count the next Initialize sees.
    static void Finalize();

    static std::int32_t GetInitializeCount() { return sInitialized; }

private:
    static std::int32_t sInitialized;
};
