// Plug-in bundles found, read and loaded.
#include "PlugInLoader.h"

#include <QJsonObject>

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>
#include <vector>

#include "Host.h"
#include "PlugIn.h"
#include "macos/CFBundleStandIn.h"
#include "macos/CFStringStandIn.h"
#include "macos/CFURLStandIn.h"

namespace indesignhost
{
namespace
{
constexpr char cBundleExtension[] = ".InDesignPlugin";

// The program the bundle's description names, through the platform's bundle reader; empty with
// the reason when there is none.
std::string ExecutableOf(std::string const& bundle, std::string& error)
{
    CFURLRef const url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<UInt8 const*>(bundle.data()), static_cast<CFIndex>(bundle.size()), true);
    CFBundleRef const made = url ? CFBundleCreate(nullptr, url) : nullptr;
    if (url)
        CFRelease(url);
    if (!made)
    {
        error = "not a bundle";
        return std::string();
    }
    std::string path;
    CFStringRef const key = CFStringCreateWithCString(nullptr, "CFBundleExecutable", kCFStringEncodingUTF8);
    CFTypeRef const name = CFBundleGetValueForInfoDictionaryKey(made, key);
    CFRelease(key);
    CFURLRef const executable = name ? CFBundleCopyExecutableURL(made) : nullptr;
    if (!name)
        error = "Contents/Info.plist names no CFBundleExecutable";
    else if (!executable)
        error = "the program Contents/MacOS/" + CFStringStandInGetUTF8(static_cast<CFStringRef>(name)) +
                " is not there";
    else
    {
        std::vector<UInt8> buffer(bundle.size() + 4096);
        if (CFURLGetFileSystemRepresentation(executable, true, buffer.data(),
                                             static_cast<CFIndex>(buffer.size())))
            path = reinterpret_cast<char const*>(buffer.data());
        else
            error = "the program's path is too long";
    }
    if (executable)
        CFRelease(executable);
    CFRelease(made);
    return path;
}
} // namespace

std::vector<std::string> PlugInLoader::FindBundles(std::string const& appFolder)
{
    std::vector<std::string> bundles;
    std::error_code error;
    std::filesystem::recursive_directory_iterator it(std::filesystem::path(appFolder) / "Plug-Ins", error);
    for (; !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
    {
        std::filesystem::path const path = it->path();
        std::string const name = path.filename().string();
        if (name.size() > sizeof(cBundleExtension) - 1 &&
            name.compare(name.size() - (sizeof(cBundleExtension) - 1), std::string::npos, cBundleExtension) ==
                0 &&
            it->is_directory(error))
        {
            bundles.push_back(path.string());
            it.disable_recursion_pending();
        }
    }
    std::sort(bundles.begin(), bundles.end());
    return bundles;
}

LoadedBundle PlugInLoader::Load(Host& host, std::string const& bundle)
{
    LoadedBundle loaded;
    loaded.bundle = bundle;
    loaded.executable = ExecutableOf(bundle, loaded.error);
    void* handle = nullptr;
    GetPlugInFunction entry = nullptr;
    if (!loaded.executable.empty())
    {
        // Kept loaded for the rest of the process: the plug-in's objects and its static data outlive
        // any point where unloading would be safe, and the sanitizers' reports name its code.
        handle = dlopen(loaded.executable.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            loaded.error = std::string("dlopen: ") + dlerror();
    }
    if (handle)
    {
        entry = reinterpret_cast<GetPlugInFunction>(dlsym(handle, "GetPlugIn"));
        if (!entry)
            loaded.error = "the program has no GetPlugIn";
    }
    if (entry)
    {
        std::optional<std::string> const failure = host.CallPlugIn("GetPlugIn",
                                                                   [&]
                                                                   {
                                                                       loaded.plugIn = entry();
                                                                       if (loaded.plugIn)
                                                                           loaded.plugIn->SetBundle(bundle);
                                                                   });
        if (failure)
            loaded.error = "GetPlugIn threw: " + *failure;
        else if (!loaded.plugIn)
            loaded.error = "GetPlugIn answered no plug-in";
    }
    QJsonObject fields;
    fields.insert("bundle", QString::fromStdString(bundle));
    fields.insert("executable", QString::fromStdString(loaded.executable));
    if (!loaded.error.empty())
    {
        loaded.plugIn = nullptr;
        fields.insert("error", QString::fromStdString(loaded.error));
    }
    host.Record("load", "bundle", fields);
    if (loaded.plugIn)
        host.AddPlugIn(*loaded.plugIn);
    return loaded;
}

std::vector<LoadedBundle> PlugInLoader::LoadAll(Host& host, std::string const& appFolder)
{
    std::vector<LoadedBundle> loaded;
    for (std::string const& bundle : FindBundles(appFolder))
        loaded.push_back(Load(host, bundle));
    return loaded;
}
} // namespace indesignhost
