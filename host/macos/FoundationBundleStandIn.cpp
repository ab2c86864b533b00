// The Foundation bundle stand-in: NSBundle over the CoreFoundation bundle stand-in, as on the platform.
#include "FoundationStandIn.h"

#include "CFPreferencesStandIn.h"
#include "FoundationStandInSupport.h"
#include "StringsFileStandIn.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

using namespace foundationstandin;

namespace
{
// The URL's POSIX path, autoreleased; null without a URL.
CFStringRef PathOfURL(CFURLRef url)
{
    if (!url)
        return nullptr;
    CFStringRef const path = CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle);
    CFRelease(url);
    return static_cast<CFStringRef>(CFAutorelease(path));
}
// A strings file larger than this is no table of texts.
constexpr std::uintmax_t cMaximumStringsSize = 16u << 20;

std::string UTF8Of(CFStringRef text)
{
    return CFStringStandInGetUTF8(text);
}

// The localisations to look in, best first, each once.
std::vector<std::string> Localizations(CFTypeRef developmentRegion)
{
    std::vector<std::string> names;
    auto add = [&names](std::string const& name)
    {
        if (!name.empty() && name.find('/') == std::string::npos && name != "." && name != ".." &&
            std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    };
    CFPropertyListRef const languages =
        CFPreferencesCopyAppValue(CFSTR("AppleLanguages"), kCFPreferencesCurrentApplication);
    // The list is the stand-in's own or one a test set; either way an array of strings.
    if (languages)
    {
        CFArrayRef const list = static_cast<CFArrayRef>(languages);
        for (CFIndex i = 0; i < CFArrayGetCount(list); ++i)
        {
            CFStringRef const language = static_cast<CFStringRef>(CFArrayGetValueAtIndex(list, i));
            std::string const name = language ? UTF8Of(language) : std::string();
            add(name);
            add(name.substr(0, name.find_first_of("-_")));
        }
    }
    if (languages)
        CFRelease(languages);
    // The bundle's description holds only strings.
    if (developmentRegion)
        add(UTF8Of(static_cast<CFStringRef>(developmentRegion)));
    for (char const* name : {"en", "English", "Base"})
        add(name);
    return names;
}

// The entries of a strings file; false when it is not there, and when it does not read (said on
// standard error).
bool ReadStringsFile(std::string const& path, std::map<std::string, std::string>& strings)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::uintmax_t const size = std::filesystem::file_size(path, error);
    std::string why;
    if (error || size > cMaximumStringsSize)
        why = error ? error.message() : "larger than 16 MiB";
    else
    {
        std::ifstream file(path, std::ios::binary);
        std::string const bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (file.bad())
            why = "unreadable";
        else if (StringsFileStandInRead(bytes, strings, &why))
            return true;
    }
    std::fprintf(stderr, "NSBundle: %s skipped: %s\n", path.c_str(), why.c_str());
    return false;
}
} // namespace

NSBundle* NSBundle::mainBundle()
{
    static NSBundle* const sMain = []
    {
        CFBundleRef const bundle = CFBundleGetMainBundle();
        return new NSBundle(bundle ? static_cast<CFBundleRef>(const_cast<void*>(CFRetain(bundle))) : nullptr);
    }();
    return sMain;
}

NSBundle* NSBundle::bundleWithPath(CFStringRef path)
{
    NSURL* const url = NSURL::fileURLWithPath(path, true);
    return url ? bundleWithURL(url) : nullptr;
}

NSBundle* NSBundle::bundleWithURL(NSURL* url)
{
    if (!url || !url->isFileURL())
        return nullptr;
    std::string const path = url->fileSystemRepresentation();
    CFURLRef const folder = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(path.data()), static_cast<CFIndex>(path.size()),
        true);
    if (!folder)
        return nullptr;
    CFBundleRef const bundle = CFBundleCreate(kCFAllocatorDefault, folder);
    CFRelease(folder);
    return bundle ? Autoreleased(new NSBundle(bundle)) : nullptr;
}

NSBundle* NSBundle::bundleWithIdentifier(CFStringRef identifier)
{
    CFBundleRef const bundle = CFBundleGetBundleWithIdentifier(identifier);
    if (!bundle)
        return nullptr;
    return Autoreleased(new NSBundle(static_cast<CFBundleRef>(const_cast<void*>(CFRetain(bundle)))));
}

NSBundle::~NSBundle()
{
    if (fBundle)
        CFRelease(fBundle);
}

CFStringRef NSBundle::bundlePath() const
{
    return PathOfURL(CFBundleCopyBundleURL(fBundle));
}

NSURL* NSBundle::bundleURL() const
{
    CFStringRef const path = bundlePath();
    return path ? NSURL::fileURLWithPath(path, true) : nullptr;
}

CFStringRef NSBundle::bundleIdentifier() const
{
    return CFBundleGetIdentifier(fBundle);
}

CFStringRef NSBundle::executablePath() const
{
    return PathOfURL(CFBundleCopyExecutableURL(fBundle));
}

CFStringRef NSBundle::resourcePath() const
{
    return PathOfURL(CFBundleCopyResourcesDirectoryURL(fBundle));
}

CFTypeRef NSBundle::objectForInfoDictionaryKey(CFStringRef key) const
{
    return CFBundleGetValueForInfoDictionaryKey(fBundle, key);
}

CFStringRef NSBundle::localizedStringForKey(CFStringRef key, CFStringRef value, CFStringRef tableName) const
{
    CFStringRef const fallback = value && CFStringGetLength(value) > 0 ? value : key;
    if (!key)
        return value ? value : MakeString(std::string());
    CFStringRef const resources = resourcePath();
    if (!resources)
        return fallback;
    std::string const table = (tableName ? UTF8Of(tableName) : std::string("Localizable")) + ".strings";
    for (std::string const& name :
         Localizations(objectForInfoDictionaryKey(CFSTR("CFBundleDevelopmentRegion"))))
    {
        std::map<std::string, std::string> strings;
        if (!ReadStringsFile(UTF8Of(resources) + "/" + name + ".lproj/" + table, strings))
            continue;
        auto const found = strings.find(UTF8Of(key));
        if (found == strings.end())
            return fallback;
        CFStringRef const text = MakeString(found->second);
        return text ? text : fallback;
    }
    return fallback;
}

NSBundle* NSBundle::bundleContainingAddress(void const* address)
{
    Dl_info info;
    if (!address || !dladdr(address, &info) || !info.dli_fname)
        return nullptr;
    std::error_code error;
    std::filesystem::path module = std::filesystem::canonical(info.dli_fname, error);
    // The main program names itself by its bare name; /proc tells where it is.
    if (error)
        module = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return nullptr;
    std::filesystem::path const folder = module.parent_path();
    std::filesystem::path const contents = folder.parent_path();
    bool const inBundle = folder.filename() == "MacOS" && contents.filename() == "Contents";
    return bundleWithPath(MakeString(inBundle ? contents.parent_path().string() : folder.string()));
}

void NSLog(CFStringRef format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    CFStringRef const text =
        format ? CFStringCreateWithFormatAndArguments(kCFAllocatorDefault, nullptr, format, arguments)
               : nullptr;
    va_end(arguments);
    timeval now;
    gettimeofday(&now, nullptr);
    std::tm local;
    localtime_r(&now.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::string name = "process";
    std::ifstream comm("/proc/self/comm");
    std::getline(comm, name);
    std::string const line = UTF8Of(text);
    std::fprintf(stderr, "%s.%03ld %s[%ld] %s\n", stamp, static_cast<long>(now.tv_usec / 1000), name.c_str(),
                 static_cast<long>(getpid()), line.c_str());
    if (text)
        CFRelease(text);
}
