// The CoreFoundation bundle stand-in: a folder URL and an identifier.
#include "CFBundleStandIn.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

struct __CFBundle : CFStandInObject
{
    ~__CFBundle() override
    {
        if (fURL)
            CFRelease(fURL);
        if (fIdentifier)
            CFRelease(fIdentifier);
    }

    CFURLRef fURL = nullptr;
    CFStringRef fIdentifier = nullptr;
};

namespace
{
std::mutex sMutex;

// Loaded bundles stay for the life of the process, as on the platform; the map is never destroyed
// so that they stay reachable.
// Every bundle registered under an identifier, the latest last.
std::map<std::string, std::vector<CFBundleRef>>& LoadedBundles()
{
    static auto* const sBundles = new std::map<std::string, std::vector<CFBundleRef>>;
    return *sBundles;
}

CFURLRef FolderURL(std::string const& path)
{
    return CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault,
                                                   reinterpret_cast<UInt8 const*>(path.data()),
                                                   static_cast<CFIndex>(path.size()), true);
}

CFBundleRef MakeMainBundle()
{
    std::error_code error;
    std::filesystem::path const program = std::filesystem::read_symlink("/proc/self/exe", error);
    __CFBundle* bundle = new __CFBundle;
    if (!error)
        bundle->fURL = FolderURL(program.parent_path().string());
    return bundle;
}
} // namespace

CFBundleRef CFBundleGetMainBundle()
{
    static CFBundleRef const sMainBundle = MakeMainBundle();
    return sMainBundle;
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID)
{
    if (!bundleID)
        return nullptr;
    std::string const identifier = CFStringStandInGetUTF8(bundleID);
    std::lock_guard<std::mutex> lock(sMutex);
    auto found = LoadedBundles().find(identifier);
    return found == LoadedBundles().end() ? nullptr : found->second.back();
}

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL)
{
    UInt8 path[4096];
    if (!bundleURL || !CFURLGetFileSystemRepresentation(bundleURL, true, path, sizeof path))
        return nullptr;
    std::error_code error;
    if (!std::filesystem::is_directory(reinterpret_cast<char const*>(path), error))
        return nullptr;
    __CFBundle* bundle = new __CFBundle;
    bundle->fURL = FolderURL(reinterpret_cast<char const*>(path));
    return bundle;
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle)
{
    if (!bundle || !bundle->fURL)
        return nullptr;
    return static_cast<CFURLRef>(CFRetain(bundle->fURL));
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle)
{
    return bundle ? bundle->fIdentifier : nullptr;
}

void CFBundleStandInRegister(CFStringRef identifier, CFURLRef bundleURL)
{
    if (!identifier)
        return;
    __CFBundle* bundle = new __CFBundle;
    bundle->fIdentifier = static_cast<CFStringRef>(CFRetain(identifier));
    if (bundleURL)
        bundle->fURL = static_cast<CFURLRef>(CFRetain(bundleURL));
    std::lock_guard<std::mutex> lock(sMutex);
    // A bundle that was found before stays valid: loaded bundles are never unloaded.
    LoadedBundles()[CFStringStandInGetUTF8(identifier)].push_back(bundle);
}
