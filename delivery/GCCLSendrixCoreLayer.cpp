// The delivery link's counted start-up and shut-down.
#include "GCCLSendrixCoreLayer.h"

#include "GBasicFrameworkCoreLayer.h"
#include "GBuffer.h"
#include "GCCLSendrixCoreTexts.h"
#include "GShMemID.h"
#include "GStringPoolSupport.h"

std::int32_t GCCLSendrixCoreLayer::sInitialized = 0;

bool GCCLSendrixCoreLayer::Initialize()
{
    if (sInitialized++ != 0)
        return true;
    bool started = false;
    try
    {
        GBasicFrameworkCoreLayer::Initialize();
        started = true;
        GShMemID::Initialize();
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", GCCLSendrixCoreTexts::sRows,
                                              GCCLSendrixCoreTexts::cCount, false);
    }
    catch (...) // what was started is stopped again before the error travels on, so the next start tries anew
    {
        if (started)
        {
            GShMemID::Finalize();
            GBasicFrameworkCoreLayer::Finalize();
        }
        --sInitialized;
        throw;
    }
    return true;
}

void GCCLSendrixCoreLayer::Finalize()
{
    if (sInitialized-- == 1)
    {
        GShMemID::Finalize();
        GBasicFrameworkCoreLayer::Finalize();
    }
    if (sInitialized < 0)
        sInitialized = 0;
}
