// GPPRozorazIzivozadaLayer: the counted start-up and shut-down of the delivery link as the plug-in's
// tools use it: the core layer, the IPC manager and the layer's messages.
#pragma once

#include <cstdint>

class GPPRozorazIzivozadaLayer
{
public:
    GPPRozorazIzivozadaLayer() = delete;

    // Only the first call acts. Always true; a first call that throws leaves nothing started and
    // the count as it found it.
    static bool Initialize();
    // Only the call that balances the first Initialize acts; one without an Initialize changes
    // nothing.
    static void Finalize();

    static std::int32_t GetInitializeCount() { return sInitialized; }

private:
    static std::int32_t sInitialized;
};
