// The pane's shared tests and conversions.
#include "PaneSupport.h"

#include "HostPickerPane.h"
#include "macos/CFBundleStandIn.h"
#include "macos/FoundationStandIn.h"

namespace panesupport
{
bool IsSupportedVersion(CFTypeRef version)
{
    return version && CFStringGetIntValue(static_cast<CFStringRef>(version)) / cCSBundleVersionDivFactor ==
                          cCSVersionSupported;
}

bool IsApplication(CFURLRef bundleURL)
{
    UInt32 type = 0;
    UInt32 creator = 0;
    // 'APPL'
    return bundleURL && CFBundleGetPackageInfoInDirectory(bundleURL, &type, &creator) && type == 0x4150504C;
}

std::string UTF8Of(CFStringRef text)
{
    CFIndex const length = CFStringGetLength(text);
    CFIndex needed = 0;
    CFStringGetBytes(text, CFRangeMake(0, length), kCFStringEncodingUTF8, '?', false, nullptr, 0, &needed);
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    CFStringGetBytes(text, CFRangeMake(0, length), kCFStringEncodingUTF8, '?', false,
                     reinterpret_cast<UInt8*>(&bytes[0]), needed, &needed);
    bytes.resize(static_cast<std::size_t>(needed));
    return bytes;
}

CFStringRef MakeString(std::string const& text)
{
    CFStringRef const string =
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(text.data()),
                                static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false);
    return string ? static_cast<CFStringRef>(CFAutorelease(string)) : nullptr;
}

CFStringRef ParentFolder(CFStringRef path)
{
    std::string text = UTF8Of(path);
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    std::string::size_type const slash = text.rfind('/');
    if (slash == std::string::npos)
        return MakeString(std::string());
    return MakeString(slash == 0 ? std::string("/") : text.substr(0, slash));
}
} // namespace panesupport
