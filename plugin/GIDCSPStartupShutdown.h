// GIDCSPStartupShutdown: the plug-in's start-up service: when InDesign starts, it registers the two
// export actions and adds their menu items, unless the host knows them from an earlier run.
#pragma once

#include "CPMUnknown.h"
#include "IStartupShutdownService.h"

class GIDCSPStartupShutdown : public CPMUnknown<IStartupShutdownService>
{
public:
    explicit GIDCSPStartupShutdown(IPMUnknown* boss) : CPMUnknown<IStartupShutdownService>(boss) {}

    void Startup() override;
    void Shutdown() override {}
};
