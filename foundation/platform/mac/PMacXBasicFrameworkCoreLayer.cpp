// The macOS platform layer's own start-up and shut-down.
#include "PMacXBasicFrameworkCoreLayer.h"

#include <sys/resource.h>

#include "GBufferSupport.h"
#include "GPlatformEncodingFactory.h"
#include "GProcessInfo.h"
#include "GSystemInfo.h"
#include "PMacPlatformEncodingFactory.h"
#include "PMacXProcessInfo.h"
#include "PMacXSystemInfo.h"
#include "macos/SysctlStandIn.h"

std::int32_t PMacXBasicFrameworkCoreLayer::sInitialized = 0;
std::int32_t PMacXBasicFrameworkCoreLayer::sMaxFilesOpenForThisProcess = 0;

bool PMacXBasicFrameworkCoreLayer::Initialize()
{
    if (sInitialized++ != 0)
        return true;
    InitializeSingletons();
    GBufferSupport::SetLineEnding(true, false);
    SetMaxOpenFilesForOurProcess();
    return true;
}

void PMacXBasicFrameworkCoreLayer::Finalize()
{
    --sInitialized;
    if (sInitialized == 0)
        FinalizeSingletons();
    else if (sInitialized < 0)
        sInitialized = 0;
}

void PMacXBasicFrameworkCoreLayer::InitializeSingletons()
{
    GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
    GProcessInfo::SetInstance(new PMacXProcessInfo);
    GSystemInfo::SetInstance(new PMacXSystemInfo);
}

void PMacXBasicFrameworkCoreLayer::FinalizeSingletons()
{
    GSystemInfo::SetInstance(nullptr);
    GPlatformEncodingFactory::SetInstance(nullptr);
    GProcessInfo::SetInstance(nullptr);
}

void PMacXBasicFrameworkCoreLayer::SetMaxOpenFilesForOurProcess()
{
    sMaxFilesOpenForThisProcess = 0;
    int name[2] = {CTL_KERN, KERN_MAXFILESPERPROC};
    std::int32_t ceiling = 0;
    std::size_t size = sizeof ceiling;
    if (sysctl(name, 2, &ceiling, &size, nullptr, 0) != 0 || ceiling <= 0)
        return;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    limit.rlim_cur = static_cast<rlim_t>(ceiling);
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    sMaxFilesOpenForThisProcess = ceiling;
}
