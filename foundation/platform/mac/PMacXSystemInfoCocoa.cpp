// The system version and bundle versions as Foundation tells them.
#include "PMacXSystemInfoCocoa.h"

#include <cstdio>

#include "PMacAutoReleasePool.h"
#include "PMacCFRef.h"
#include "PSystem.h"
#include "macos/FoundationStandIn.h"

GString PMacXSystemInfoCocoa::GetOSVersionString()
{
    PMacAutoReleasePool const pool;
    NSOperatingSystemVersion version{0, 0, 0};
    if (NSProcessInfo const* info = NSProcessInfo::processInfo())
        version = info->operatingSystemVersion();
    char text[80];
    std::snprintf(text, sizeof text, "%ld.%ld.%ld", version.majorVersion, version.minorVersion,
                  version.patchVersion);
    return GString(text);
}

GString PMacXSystemInfoCocoa::GetBundleAppVersion(GPathName const& path)
{
    PMacAutoReleasePool const pool;
    if (path.IsEmpty())
        return GString();
    PMacCFRef<CFStringRef> const folder(PSystem::CreateCFStringRefFromGString(path.GetNativePathString()));
    NSBundle const* bundle = folder ? NSBundle::bundleWithPath(folder.Get()) : nullptr;
    if (!bundle)
        return GString();
    // The information dictionary answers string values only.
    return PSystem::GetGStringFromCFStringRef(
        static_cast<CFStringRef>(bundle->objectForInfoDictionaryKey(CFSTR("CFBundleShortVersionString"))));
}
