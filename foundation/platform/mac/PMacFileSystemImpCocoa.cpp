// Foundation's file manager behind the macOS file layer.
#include "PMacFileSystemImpCocoa.h"

#include "GPathName.h"
#include "PMacAutoReleasePool.h"
#include "PSystem.h"
#include "macos/FoundationStandIn.h"

void PMacFileSystemImpCocoa::GetCurrentFolder(GPathName& folder)
{
    PMacAutoReleasePool pool;
    folder.SetMachOPathString(
        PSystem::GetGStringFromCFStringRef(NSFileManager::defaultManager()->currentDirectoryPath()));
}
