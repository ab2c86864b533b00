// GCSPUPluginUILayer: the counted start-up and shut-down of the plug-in's user interface: the Qt
// libraries of the bundle made findable, the Qt toolkit and the plug-in's export tools up, and the
// plug-in's own message boxes installed as the process's user-message service.
#pragma once

#include <cstdint>

#include "GPathName.h"

class GCSPUPluginUILayer
{
public:
    GCSPUPluginUILayer() = delete;

    // Only the first call acts. A first call that fails takes down what it brought up and passes
    // the error on, leaving the count as it found it, so that the next call tries again.
    static void Initialize();
    // Only the call that balances the first Initialize acts; one without a matching Initialize
    // changes nothing, so that it cannot keep the next Initialize from starting the layer.
    static void Finalize();
    static std::int32_t GetInitializeCount() { return sInitialized; }

    // The bundle's "Contents" folder: two levels above the plug-in's executable file.
    static GPathName GetContentsFolder();

private:
    static std::int32_t sInitialized;
};
