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
    GBasicFrameworkCoreLayer::Initialize();
    GCCLSendrixCoreLayer::Initialize();
    GPPIPCManager::Initialize();
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", GPPRozorazIzivozadaTexts::sRows,
                                          GPPRozorazIzivozadaTexts::cCount, false);
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
