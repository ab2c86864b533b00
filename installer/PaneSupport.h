// What the pane's functions and its class share: the version and type tests of an installation,
// paths and the UTF-8 text of strings.
#pragma once

#include "macos/CFStringStandIn.h"
#include "macos/CFURLStandIn.h"

#include <string>

namespace panesupport
{
// The value of a bundle's CFBundleVersion (a string; null when it has none) is of the supported
// major version.
bool IsSupportedVersion(CFTypeRef version);
// The bundle folder's package type is 'APPL'.
bool IsApplication(CFURLRef bundleURL);
// The path without its last component ("/" for "/a", empty for "a"), autoreleased.
CFStringRef ParentFolder(CFStringRef path);
std::string UTF8Of(CFStringRef text);
// Autoreleased; null for bytes that are not UTF-8.
CFStringRef MakeString(std::string const& text);
} // namespace panesupport
