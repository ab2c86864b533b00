// The system version and bundle versions as Foundation tells them.
#include "PMacXSystemInfoCocoa.h"

#include <cstdio>

#include "GUTF8Encoding.h"
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
    GBuffer const native = path.GetNativePathString().GetBuffer(GUTF8Encoding::GetInstance());
    if (native.IsEmpty())
        return GString();
    PMacCFRef<CFURLRef> const url(CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, native.GetPtr(), native.GetLength(), true));
    NSBundle const* bundle = NSBundle::bundleWithURL(url.Get());
    if (!bundle)
        return GString();
    return PSystem::GetGStringFromCFStringRef(
        bundle->objectForInfoDictionaryKey(CFSTR("CFBundleShortVersionString")));
}
