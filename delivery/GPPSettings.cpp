// Values derived from a Sendrixor record's paths.
#include "GPPSettings.h"

#include "GException.h"
#include "GFileSystem.h"

namespace
{
GPathName CacheFolder()
{
    return GFileSystem::GetSpecialPath(53) / GPathName("Sendrixor/Cache");
}

GPathName const& SettingsFolder()
{
    // Built once per process, as the special folders do not move while it runs.
    static GPathName const sFolder = CacheFolder() / GPathName("Settings");
    return sFolder;
}

// The first component of path below base; empty when path is not below it. Throws when no relative
// path can be made.
GString FirstComponentBelow(GPathName const& path, GPathName const& base)
{
    GPathName relative = path.GetRelativePathFrom(base);
    if (relative.IsEmpty() || !relative.IsRelative())
        return GString();
    GString leaf = relative.GetLeaf();
    while (!relative.GetBranch().IsEmpty())
    {
        relative = relative.GetBranch();
        leaf = relative.GetLeaf();
    }
    // A path beside or above the base begins by leaving it.
    if (leaf == GString(".."))
        return GString();
    return leaf;
}
} // namespace

int GPPSettings::GetBuildNumber(GPPSettings const& settings)
{
    if (settings.fApplicationPath.IsEmpty())
        return 0;
    try
    {
        return FirstComponentBelow(settings.fApplicationPath, CacheFolder()).GetInt32();
    }
    catch (GException const&)
    {
        return 0;
    }
}

bool GPPSettings::GetGUID(GPPSettings const& settings, GString& guid)
{
    guid.Clear();
    if (settings.fContextFilePath.IsEmpty())
        return false;
    try
    {
        guid = FirstComponentBelow(settings.fContextFilePath, SettingsFolder());
    }
    catch (GException const&)
    {
        return false;
    }
    return true;
}

bool GPPSettings::UpdateGUID(GString const& guid, GPPSettings& settings)
{
    GString old;
    if (!GetGUID(settings, old))
        return false;
    if (old == guid)
        return true;
    GString text = settings.fContextFilePath.GetCrossPlatformString();
    if (!text.Replace(0, old, guid))
        return false;
    settings.fContextFilePath.SetCrossPlatformString(text);
    return true;
}
