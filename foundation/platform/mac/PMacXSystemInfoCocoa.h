// The system version and bundle versions as Foundation tells them.
#pragma once

#include "GPathName.h"
#include "GString.h"

class PMacXSystemInfoCocoa
{
public:
    PMacXSystemInfoCocoa() = delete;

    // Major, minor and patch version joined by "." ("10.15.7"); "0.0.0" when the process has no
    // process-information object.
    static GString GetOSVersionString();
    // The bundle's "CFBundleShortVersionString"; empty when there is no bundle at the path or it
    // names no such version.
    static GString GetBundleAppVersion(GPathName const& path);
};
