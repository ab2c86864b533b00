// The delivery link's counted start-up for the plug-in's tools.
#include "GPPRozorazIzivozadaLayer.h"

#include "GBasicFrameworkCoreLayer.h"
#include "GBuffer.h"
#include "GCCLSendrixCoreLayer.h"
#include "GPPIPCManager.h"
#include "GPPRozorazIzivozadaTexts.h"
#include "GStringPoolSupport.h"

std::int32_t GPPRozorazIzivozadaLayer::sInitialized = 0;

bool GPPRozorazIzivozadaLayer::Initialize()
{
    if (sInitialized++ != 0)
        return true;
    // The foundation first, then the core layer: the IPC manager needs the names of shared objects
    // and the process-information service.
    int reached = 0;
    try
    {
        GBasicFrameworkCoreLayer::Initialize();
        reached = 1;
        GCCLSendrixCoreLayer::Initialize();
        reached = 2;
        GPPIPCManager::Initialize();
        reached = 3;
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding",
                                              GPPRozorazIzivozadaTexts::sRows,
                                              GPPRozorazIzivozadaTexts::cCount, false);
    }
    catch (...) // what was started is stopped again before the error travels on, so the next start tries anew
    {
        if (reached >= 3)
            GPPIPCManager::Finalize();
        if (reached >= 2)
            GCCLSendrixCoreLayer::Finalize();
        if (reached >= 1)
            GBasicFrameworkCoreLayer::Finalize();
        --sInitialized;
        throw;
    }
    return true;
}

void GPPRozorazIzivozadaLayer::Finalize()
{
    if (sInitialized <= 0)
    {
        sInitialized = 0;
        return;
    }
    if (--sInitialized != 0)
        return;
    GPPIPCManager::Finalize();
    GCCLSendrixCoreLayer::Finalize();
    GBasicFrameworkCoreLayer::Finalize();
}
