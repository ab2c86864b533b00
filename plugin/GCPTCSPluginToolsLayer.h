// GCPTCSPluginToolsLayer: the counted start-up and shut-down of the plug-in's export tools: the
// foundation, the registry layer of the delivery link, the clean-up of temporary paths left by an
// earlier run, the plug-in's language and its English messages.
#pragma once

#include <cstdint>

class GCPTApplicationLocale;

class GCPTCSPluginToolsLayer
{
public:
    GCPTCSPluginToolsLayer() = delete;

    // Only the first call acts; a failure takes down what it brought up and passes on, so that
    // the next call tries again.
    static void Initialize();
    // Only the call that balances the first Initialize acts.
    static void Finalize();

    static std::int32_t GetInitializeCount() { return sInitialized; }
    static GCPTApplicationLocale* GetApplicationLocale() { return mApplicationLocale; }

private:
    static std::int32_t sInitialized;
    static GCPTApplicationLocale* mApplicationLocale;
};
