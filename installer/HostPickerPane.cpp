// The pane bundle's constants, display names and folder scan.
#include "HostPickerPane.h"

#include "PaneSupport.h"
#include "macos/CFBundleStandIn.h"
#include "macos/FoundationStandIn.h"

#include <set>
#include <sys/stat.h>
#include <utility>

extern "C" CFStringRef const cCSAppId = CFSTR("com.adobe.InDesign");
extern "C" CFStringRef const cCSAppFolder = CFSTR("InDesign");
extern "C" CFStringRef const cCSAppDisplayName = CFSTR("InDesign CC 2025");
extern "C" int const cCSVersionSupported = 20;
extern "C" int const cCSBundleVersionDivFactor = 1000;
extern "C" int const cRecursiveDirDepth = 1;

CFStringRef getDisplayName(CFArrayRef existingNames)
{
    CFStringRef name = static_cast<CFStringRef>(CFRetain(cCSAppDisplayName));
    CFIndex const count = existingNames ? CFArrayGetCount(existingNames) : 0;
    for (CFIndex i = 0; i < count; ++i)
    {
        CFStringRef const existing = static_cast<CFStringRef>(CFArrayGetValueAtIndex(existingNames, i));
        if (CFStringCompare(name, existing, kCFCompareCaseInsensitive) != kCFCompareEqualTo)
            continue;
        CFRelease(name);
        name = CFStringCreateWithFormat(kCFAllocatorDefault, nullptr, CFSTR("%@ (%d)"), cCSAppDisplayName,
                                        static_cast<int>(i + 1));
    }
    return static_cast<CFStringRef>(CFAutorelease(name));
}

namespace
{
// The applications met so far, by device and file number: a link to a folder or an application
// leads to an installation met under another path, which is listed once, under the path met first.
typedef std::set<std::pair<dev_t, ino_t>> MetApplications;

// True for an application not met before, which is then met.
bool FirstMeeting(CFStringRef bundlePath, MetApplications& met)
{
    struct stat status;
    if (stat(panesupport::UTF8Of(bundlePath).c_str(), &status) != 0)
        return true;
    return met.insert(std::make_pair(status.st_dev, status.st_ino)).second;
}

CFArrayRef ScanFolder(CFStringRef path, CFMutableArrayRef displayNames, int depth, MetApplications& met)
{
    CFMutableArrayRef const folders = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    CFAutorelease(folders);
    CFURLRef const url =
        path ? CFURLCreateWithFileSystemPath(kCFAllocatorDefault, path, kCFURLPOSIXPathStyle, true) : nullptr;
    CFArrayRef const bundles =
        url ? CFBundleCreateBundlesFromDirectory(kCFAllocatorDefault, url, nullptr) : nullptr;
    if (url)
        CFRelease(url);
    if (!bundles)
        return folders;
    for (CFIndex i = 0; i < CFArrayGetCount(bundles); ++i)
    {
        CFBundleRef const bundle =
            static_cast<CFBundleRef>(const_cast<void*>(CFArrayGetValueAtIndex(bundles, i)));
        CFURLRef const bundleURL = CFBundleCopyBundleURL(bundle);
        CFStringRef const bundlePath =
            bundleURL ? CFURLCopyFileSystemPath(bundleURL, kCFURLPOSIXPathStyle) : nullptr;
        if (CFStringRef const identifier = CFBundleGetIdentifier(bundle))
        {
            if (bundlePath &&
                CFStringCompare(identifier, cCSAppId, kCFCompareCaseInsensitive) == kCFCompareEqualTo &&
                panesupport::IsSupportedVersion(
                    CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleVersionKey)) &&
                panesupport::IsApplication(bundleURL) && FirstMeeting(bundlePath, met))
            {
                CFArrayAppendValue(folders, panesupport::ParentFolder(bundlePath));
                if (displayNames)
                    CFArrayAppendValue(displayNames, getDisplayName(displayNames));
            }
        }
        else if (depth > 0 && bundlePath &&
                 CFStringFind(bundlePath, cCSAppFolder, kCFCompareCaseInsensitive).location != kCFNotFound)
        {
            CFArrayRef const found = ScanFolder(bundlePath, displayNames, depth - 1, met);
            for (CFIndex j = 0; j < CFArrayGetCount(found); ++j)
                CFArrayAppendValue(folders, CFArrayGetValueAtIndex(found, j));
        }
        if (bundlePath)
            CFRelease(bundlePath);
        if (bundleURL)
            CFRelease(bundleURL);
    }
    CFRelease(bundles);
    return folders;
}
} // namespace

CFArrayRef getBundles(CFStringRef path, CFMutableArrayRef displayNames, int depth)
{
    MetApplications met;
    return ScanFolder(path, displayNames, depth, met);
}
