// The Foundation bundle stand-in: NSBundle over the CoreFoundation bundle stand-in, as on the platform.
#include "FoundationStandIn.h"

#include "FoundationStandInSupport.h"

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
