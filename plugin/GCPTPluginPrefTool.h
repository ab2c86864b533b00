// GCPTPluginPrefTool: the plug-in's own choices in its preference file (module -3): the Sendrixor
// last chosen in the export dialog, and per Sendrixor (by its GUID) whether a file package goes out
// with the PDF.
#pragma once

#include "GString.h"

class GCPTPluginPrefTool
{
public:
    GCPTPluginPrefTool() = delete;

    // Read through the whole preference stack; the empty text when no module holds it.
    static void GetLastUsedPDFSetting(GString& name);
    static void SetLastUsedPDFSetting(GString const& name);
    static bool HasIncludeFilePackageValue(GString const& guid);
    // False when no value is stored; callers ask HasIncludeFilePackageValue first.
    static bool GetIncludeFilePackageValue(GString const& guid);
    static void SetIncludeFilePackageValue(GString const& guid, bool include);
    // Removes the package choice of every Sendrixor the plug-in no longer offers.
    static void UpdatePDFSettingsInPreferences();
};
