// The delivery link's counted start-up for the plug-in's tools.
#include "GPPRozorazIzivozadaLayer.h"

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
    // The core layer brings the foundation up first: the IPC manager needs its names and the
    // process-information service.
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
}
