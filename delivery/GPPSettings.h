// GPPSettings: one Sendrixor's record in the registry of Sendrixors, and what its paths tell: the
// build number in its application path and the GUID in its context file path.
#pragma once

#include "GPathName.h"
#include "GString.h"

class GPPSettings
{
public:
    GPPSettings() = default;

    // Both values are read below <special folder 53>/"Sendrixor"/"Cache": the build number is the
    // application path's first component there read as a number, 0 when there is none.
    static int GetBuildNumber(GPPSettings const& settings);
    // The GUID is the context file path's first component below ".../Cache/Settings"; empty when the
    // path lies elsewhere. False when the path is empty or no relative path can be made.
    static bool GetGUID(GPPSettings const& settings, GString& guid);
    // Replaces the GUID text in the context file path; whether it was replaced (true also when the
    // record already has that GUID).
    static bool UpdateGUID(GString const& guid, GPPSettings& settings);

    GPathName fApplicationPath;
    GPathName fContextFilePath;
    bool fIsVirtualPrinter = false;
    // Only Sendrixors with this flag are offered by the plug-in.
    bool fIsPlugin = false;
    GString fPDFSettings;
    GString fSendrixorName;
    GPathName fSendrixorIconPath;
    bool fIsActive = true;
};
