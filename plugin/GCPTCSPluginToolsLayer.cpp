// The counted start-up and shut-down of the plug-in's export tools.
#include "GCPTCSPluginToolsLayer.h"

#include <exception>

#include "GBasicFrameworkCoreLayer.h"
#include "GBuffer.h"
#include "GCPTApplicationLocale.h"
#include "GCPTCSPluginToolsTexts.h"
#include "GCPTSmartPathName.h"
#include "GPPRozorazIzivozadaLayer.h"
#include "GStringPoolSupport.h"

std::int32_t GCPTCSPluginToolsLayer::sInitialized = 0;
GCPTApplicationLocale* GCPTCSPluginToolsLayer::mApplicationLocale = nullptr;

void GCPTCSPluginToolsLayer::Initialize()
{
    if (sInitialized++ != 0)
        return;
    int reached = 0;
    try
    {
        GBasicFrameworkCoreLayer::Initialize();
        reached = 1;
        GPPRozorazIzivozadaLayer::Initialize();
        reached = 2;
        GCPTSmartPathName::Initialize();
        reached = 3;
        mApplicationLocale = new GCPTApplicationLocale;
        reached = 4;
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding",
                                              GCPTCSPluginToolsTexts::sRows, GCPTCSPluginToolsTexts::cCount,
                                              false);
    }
    catch (...) // what came up goes down again before the failure travels on
    {
        if (reached >= 4)
        {
            delete mApplicationLocale;
            mApplicationLocale = nullptr;
        }
        if (reached >= 3)
            GCPTSmartPathName::Finalize();
        if (reached >= 2)
            GPPRozorazIzivozadaLayer::Finalize();
        if (reached >= 1)
            GBasicFrameworkCoreLayer::Finalize();
        sInitialized = 0;
        throw;
    }
}

void GCPTCSPluginToolsLayer::Finalize()
{
    if (sInitialized <= 0)
    {
        sInitialized = 0;
        return;
    }
    if (--sInitialized != 0)
        return;
    // Every step runs whatever an earlier one threw; the first failure passes on at the end.
    std::exception_ptr failure;
    auto const step = [&failure](auto const& tearDown)
    {
        try
        {
            tearDown();
        }
        catch (...) // kept for the end, so that the later steps still run
        {
            if (!failure)
                failure = std::current_exception();
        }
    };
    step(
        []
        {
            delete mApplicationLocale;
            mApplicationLocale = nullptr;
        });
    step([] { GCPTSmartPathName::Finalize(); });
    step([] { GPPRozorazIzivozadaLayer::Finalize(); });
    step([] { GBasicFrameworkCoreLayer::Finalize(); });
    if (failure)
        std::rethrow_exception(failure);
}
