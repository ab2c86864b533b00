// The counted start-up and shut-down of the plug-in's user interface.
#include "GCSPUPluginUILayer.h"

#include <QCoreApplication>

#include <exception>

#include "GCPTCSPluginToolsLayer.h"
#include "GCSPUUserMessage.h"
#include "GFileSystem.h"
#include "GQStringSupport.h"
#include "GQUILayer.h"

std::int32_t GCSPUPluginUILayer::sInitialized = 0;

GPathName GCSPUPluginUILayer::GetContentsFolder()
{
    GPathName executable;
    GFileSystem::GetDllPath(executable);
    return executable.GetBranch().GetBranch();
}

void GCSPUPluginUILayer::Initialize()
{
    if (sInitialized++ != 0)
        return;
    bool toolkit = false;
    bool tools = false;
    try
    {
        // The bundle carries its own Qt libraries; the application made next finds its plug-ins there.
        QCoreApplication::addLibraryPath(GQStringSupport::ToQString(GetContentsFolder() / GPathName("QtLibs")));
        GQUILayer::Initialize();
        toolkit = true;
        GCPTCSPluginToolsLayer::Initialize();
        tools = true;
        GUserMessage::SetInstance(new GCSPUUserMessage);
    }
    catch (...) // what came up goes down again before the failure travels on
    {
        if (tools)
            GCPTCSPluginToolsLayer::Finalize();
        if (toolkit)
            GQUILayer::Finalize();
        sInitialized = 0;
        throw;
    }
}

void GCSPUPluginUILayer::Finalize()
{
    if (sInitialized <= 0)
    {
        sInitialized = 0;
        return;
    }
    if (--sInitialized != 0)
        return;
    // The default service again, before the layers that its boxes stand on go down.
    GUserMessage::SetInstance(nullptr);
    // The toolkit goes down even when the tools fail to; their failure passes on afterwards.
    std::exception_ptr failure;
    try
    {
        GCPTCSPluginToolsLayer::Finalize();
    }
    catch (...) // kept for the end, so that the toolkit still goes down
    {
        failure = std::current_exception();
    }
    GQUILayer::Finalize();
    if (failure)
        std::rethrow_exception(failure);
}
