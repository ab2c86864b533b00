// The CoreFoundation bundle stand-in: a folder URL, the string values of its Info.plist, its program
// and its resource folder.
#include "CFBundleStandIn.h"

#include "PropertyListStandIn.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <vector>

struct __CFBundle : CFStandInObject
{
    // Counted, for CFBundleStandInLiveBundles.
    __CFBundle();
    ~__CFBundle() override;

    CFURLRef fURL = nullptr;
    CFStringRef fIdentifier = nullptr;
    CFURLRef fExecutableURL = nullptr;
    CFURLRef fResourcesURL = nullptr;
    std::map<std::string, CFStringRef> fInfo;
};

namespace
{
// An Info.plist larger than this is no bundle description.
constexpr std::uintmax_t cMaximumInfoSize = 1 << 20;

std::mutex sMutex;
std::atomic<unsigned long> sLiveBundles{0};

// The bundles found by identifier, held here, the latest made or registered last. Loaded
// (registered) bundles stay for the life of the process, as on the platform. Of the bundles made
// with CFBundleCreate only the latest for each folder is held, so that a bundle once opened is found
// by its identifier, as Foundation's bundles are, while looking the same folders up again and again
// keeps no more than one bundle each: the one it replaces goes when its other owners release it.
// The maps are never destroyed so that loaded bundles stay reachable.
std::map<std::string, std::vector<CFBundleRef>>& LoadedBundles()
{
    static auto* const sBundles = new std::map<std::string, std::vector<CFBundleRef>>;
    return *sBundles;
}

// The bundle held for each folder made into one, with the identifier it is held under.
std::map<std::string, std::pair<std::string, CFBundleRef>>& MadeBundles()
{
    static auto* const sBundles = new std::map<std::string, std::pair<std::string, CFBundleRef>>;
    return *sBundles;
}

CFURLRef MakeURL(std::string const& path, bool isDirectory)
{
    return CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault,
                                                   reinterpret_cast<UInt8 const*>(path.data()),
                                                   static_cast<CFIndex>(path.size()), isDirectory);
}

CFStringRef MakeString(std::string const& text)
{
    return CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(text.data()),
                                   static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false);
}

bool IsFile(std::string const& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(std::string const& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A file that is not what its reader takes, said on standard error as the platform's own logs say it.
void LogSkipped(std::string const& path, std::string const& why)
{
    std::fprintf(stderr, "CFBundle: %s skipped: %s\n", path.c_str(), why.c_str());
}
// A bundle for the folder; executable, when not empty, is its program whatever its description says.
__CFBundle* MakeBundle(std::string const& folder, std::string const& executable)
{
    __CFBundle* bundle = new __CFBundle;
    bundle->fURL = MakeURL(folder, true);
    std::map<std::string, std::string> info;
    CFBundleStandInReadInfo(folder, info);
    for (auto const& entry : info)
    {
        if (CFStringRef const value = MakeString(entry.second))
            bundle->fInfo[entry.first] = value;
    }
    auto const identifier = bundle->fInfo.find("CFBundleIdentifier");
    if (identifier != bundle->fInfo.end() && CFStringGetLength(identifier->second) > 0)
        bundle->fIdentifier = static_cast<CFStringRef>(CFRetain(identifier->second));

    bool const described = IsFolder(folder + "/Contents");
    bundle->fResourcesURL = MakeURL(described ? folder + "/Contents/Resources" : folder, true);
    std::string program = executable;
    auto const name = bundle->fInfo.find("CFBundleExecutable");
    if (program.empty() && name != bundle->fInfo.end())
    {
        std::string const text = CFStringStandInGetUTF8(name->second);
        // A name, not a path: nothing outside the bundle's program folder.
        if (!text.empty() && text.find('/') == std::string::npos && text != "." && text != "..")
            program = folder + "/Contents/MacOS/" + text;
    }
    if (!program.empty() && IsFile(program))
        bundle->fExecutableURL = MakeURL(program, false);
    return bundle;
}

CFBundleRef MakeMainBundle()
{
    std::error_code error;
    std::filesystem::path const program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return new __CFBundle;
    std::filesystem::path const folder = program.parent_path();
    std::filesystem::path const contents = folder.parent_path();
    if (folder.filename() == "MacOS" && contents.filename() == "Contents" &&
        IsFile((contents / "Info.plist").string()))
        return MakeBundle(contents.parent_path().string(), program.string());
    return MakeBundle(folder.string(), program.string());
}

void EnterLoaded(std::string const& identifier, CFBundleRef bundle)
{
    std::lock_guard<std::mutex> lock(sMutex);
    // A bundle that was found before stays valid: loaded bundles are never unloaded.
    LoadedBundles()[identifier].push_back(bundle);
}

// Holds the bundle made for the folder in place of the one held before, which is released.
void EnterMade(std::string const& folder, std::string const& identifier, CFBundleRef bundle)
{
    CFBundleRef replaced = nullptr;
    {
        std::lock_guard<std::mutex> lock(sMutex);
        auto const made = MadeBundles().find(folder);
        if (made != MadeBundles().end())
        {
            auto const list = LoadedBundles().find(made->second.first);
            replaced = made->second.second;
            list->second.erase(std::find(list->second.begin(), list->second.end(), replaced));
            if (list->second.empty())
                LoadedBundles().erase(list);
        }
        MadeBundles()[folder] = std::make_pair(identifier, bundle);
        LoadedBundles()[identifier].push_back(static_cast<CFBundleRef>(const_cast<void*>(CFRetain(bundle))));
    }
    // Released outside the lock: the last release destroys the bundle.
    if (replaced)
        CFRelease(replaced);
}
// A four-character code of the description, as Mac Roman; '????' when it is missing or of another length.
UInt32 CodeOf(std::map<std::string, std::string> const& info, char const* key)
{
    UInt32 const unknown = 0x3F3F3F3F;
    auto const found = info.find(key);
    if (found == info.end())
        return unknown;
    CFStringRef const text = MakeString(found->second);
    UInt8 bytes[4];
    CFIndex used = 0;
    bool const fits = text && CFStringGetLength(text) == 4 &&
                      CFStringGetBytes(text, CFRangeMake(0, 4), kCFStringEncodingMacRoman, 0, false, bytes,
                                       sizeof bytes, &used) == 4 &&
                      used == 4;
    if (text)
        CFRelease(text);
    return fits ? UInt32(bytes[0]) << 24 | UInt32(bytes[1]) << 16 | UInt32(bytes[2]) << 8 | bytes[3]
                : unknown;
}

std::string FolderPathOf(CFURLRef url)
{
    UInt8 path[4096];
    if (!url || !CFURLGetFileSystemRepresentation(url, true, path, sizeof path))
        return std::string();
    return reinterpret_cast<char const*>(path);
}
} // namespace

__CFBundle::__CFBundle()
{
    ++sLiveBundles;
}

__CFBundle::~__CFBundle()
{
    --sLiveBundles;
    if (fURL)
        CFRelease(fURL);
    if (fIdentifier)
        CFRelease(fIdentifier);
    if (fExecutableURL)
        CFRelease(fExecutableURL);
    if (fResourcesURL)
        CFRelease(fResourcesURL);
    for (auto const& entry : fInfo)
        CFRelease(entry.second);
}

CFStringRef const kCFBundleIdentifierKey = CFSTR("CFBundleIdentifier");
CFStringRef const kCFBundleVersionKey = CFSTR("CFBundleVersion");

bool CFBundleStandInReadInfo(std::string const& folder, std::map<std::string, std::string>& strings)
{
    strings.clear();
    std::string const path = folder + "/Contents/Info.plist";
    std::error_code error;
    if (!IsFile(path))
        return false;
    std::uintmax_t const size = std::filesystem::file_size(path, error);
    if (error || size == 0 || size > cMaximumInfoSize)
    {
        LogSkipped(path, error ? error.message() : size == 0 ? "empty" : "larger than 1 MiB");
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    std::string const text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::string why;
    if (!file.is_open() || file.bad())
        why = "unreadable";
    else if (!PropertyListStandInReadStrings(text, strings, &why))
        strings.clear();
    if (why.empty())
        return true;
    LogSkipped(path, why);
    return false;
}

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
    std::string const folder = reinterpret_cast<char const*>(path);
    if (!IsFolder(folder))
        return nullptr;
    __CFBundle* bundle = MakeBundle(folder, std::string());
    if (bundle->fIdentifier)
        EnterMade(folder, CFStringStandInGetUTF8(bundle->fIdentifier), bundle);
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

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key)
{
    if (!bundle || !key)
        return nullptr;
    auto const found = bundle->fInfo.find(CFStringStandInGetUTF8(key));
    return found == bundle->fInfo.end() ? nullptr : found->second;
}

CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle)
{
    if (!bundle || !bundle->fExecutableURL)
        return nullptr;
    return static_cast<CFURLRef>(CFRetain(bundle->fExecutableURL));
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle)
{
    if (!bundle || !bundle->fResourcesURL)
        return nullptr;
    return static_cast<CFURLRef>(CFRetain(bundle->fResourcesURL));
}

void CFBundleStandInRegister(CFStringRef identifier, CFURLRef bundleURL)
{
    if (!identifier)
        return;
    __CFBundle* bundle = nullptr;
    UInt8 path[4096];
    // A registered folder is read as a bundle; the identifier it is registered under is the one it has.
    if (bundleURL && CFURLGetFileSystemRepresentation(bundleURL, true, path, sizeof path) &&
        IsFolder(reinterpret_cast<char const*>(path)))
    {
        bundle = MakeBundle(reinterpret_cast<char const*>(path), std::string());
        if (bundle->fIdentifier)
            CFRelease(bundle->fIdentifier);
    }
    else
    {
        bundle = new __CFBundle;
        if (bundleURL)
            bundle->fURL = static_cast<CFURLRef>(CFRetain(bundleURL));
    }
    bundle->fIdentifier = static_cast<CFStringRef>(CFRetain(identifier));
    EnterLoaded(CFStringStandInGetUTF8(identifier), bundle);
}

CFArrayRef CFBundleCreateBundlesFromDirectory(CFAllocatorRef allocator, CFURLRef directoryURL,
                                              CFStringRef bundleType)
{
    std::string const folder = FolderPathOf(directoryURL);
    DIR* const directory = folder.empty() ? nullptr : opendir(folder.c_str());
    if (!directory)
        return nullptr;
    std::vector<std::string> names;
    while (dirent const* entry = readdir(directory))
    {
        std::string const name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(directory);
    std::sort(names.begin(), names.end());
    std::string const extension = bundleType ? "." + CFStringStandInGetUTF8(bundleType) : std::string();
    CFMutableArrayRef const bundles = CFArrayCreateMutable(allocator, 0, &kCFTypeArrayCallBacks);
    for (std::string const& name : names)
    {
        std::string const path = folder == "/" ? "/" + name : folder + "/" + name;
        if (!IsFolder(path) ||
            (bundleType && (name.size() <= extension.size() ||
                            name.compare(name.size() - extension.size(), extension.size(), extension) != 0)))
            continue;
        CFURLRef const url = MakeURL(path, true);
        CFBundleRef const bundle = url ? CFBundleCreate(allocator, url) : nullptr;
        if (url)
            CFRelease(url);
        if (bundle)
        {
            CFArrayAppendValue(bundles, bundle);
            CFRelease(bundle);
        }
    }
    return bundles;
}

Boolean CFBundleGetPackageInfoInDirectory(CFURLRef url, UInt32* packageType, UInt32* packageCreator)
{
    UInt32 type = 0x3F3F3F3F;
    UInt32 creator = 0x3F3F3F3F;
    bool found = false;
    std::string const folder = FolderPathOf(url);
    std::string const path = folder + "/Contents/PkgInfo";
    if (!folder.empty() && IsFile(path))
    {
        // Only the first 8 bytes are read, however long the file is.
        unsigned char bytes[8];
        std::ifstream file(path, std::ios::binary);
        file.read(reinterpret_cast<char*>(bytes), sizeof bytes);
        if (file.gcount() == sizeof bytes)
        {
            type = UInt32(bytes[0]) << 24 | UInt32(bytes[1]) << 16 | UInt32(bytes[2]) << 8 | bytes[3];
            creator = UInt32(bytes[4]) << 24 | UInt32(bytes[5]) << 16 | UInt32(bytes[6]) << 8 | bytes[7];
            found = true;
        }
        else
            LogSkipped(path, "shorter than 8 bytes");
    }
    std::map<std::string, std::string> info;
    if (!found && !folder.empty() && CFBundleStandInReadInfo(folder, info) &&
        info.count("CFBundlePackageType"))
    {
        type = CodeOf(info, "CFBundlePackageType");
        creator = CodeOf(info, "CFBundleSignature");
        found = true;
    }
    if (packageType)
        *packageType = type;
    if (packageCreator)
        *packageCreator = creator;
    return found;
}

unsigned long CFBundleStandInLiveBundles()
{
    return sLiveBundles;
}
