// Loads the plug-in bundles of an application folder: every "*.InDesignPlugin" folder under
// "<app>/Plug-Ins" (at any depth, a bundle's own folders not searched), its program named by
// "Contents/Info.plist" in "Contents/MacOS", loaded for the rest of the process, its GetPlugIn
// asked for the plug-in object, which is given its bundle and handed to the host.
#pragma once

#include <string>
#include <vector>

class PlugIn;

namespace indesignhost
{
class Host;

struct LoadedBundle
{
    std::string bundle;
    std::string executable;
    // Null when the bundle could not be loaded.
    PlugIn* plugIn = nullptr;
    std::string error;
};

class PlugInLoader
{
public:
    // The bundles found, in path order.
    static std::vector<std::string> FindBundles(std::string const& appFolder);
    // Loads one bundle and hands its plug-in to the host; what went wrong is in the answer's error
    // (and the transcript), and the bundle is then passed over.
    static LoadedBundle Load(Host& host, std::string const& bundle);
    static std::vector<LoadedBundle> LoadAll(Host& host, std::string const& appFolder);
};
} // namespace indesignhost
