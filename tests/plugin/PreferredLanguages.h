// The user's preferred languages ("AppleLanguages"), as a test sets them before the plug-in reads
// its language.
#pragma once

#include <vector>

#include "macos/CFArrayStandIn.h"
#include "macos/CFPreferencesStandIn.h"
#include "macos/CFStringStandIn.h"

namespace plugintest
{
// An empty list removes the value.
inline void SetPreferredLanguages(std::vector<char const*> const& languages)
{
    std::vector<void const*> values;
    for (char const* language : languages)
        values.push_back(CFStringCreateWithCString(kCFAllocatorDefault, language, kCFStringEncodingUTF8));
    CFArrayRef const list = languages.empty() ? nullptr
                                              : CFArrayCreate(kCFAllocatorDefault, values.data(),
                                                              CFIndex(values.size()), &kCFTypeArrayCallBacks);
    for (void const* value : values)
        CFRelease(value);
    CFPreferencesSetValue(CFSTR("AppleLanguages"), list, kCFPreferencesAnyApplication,
                          kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
    if (list)
        CFRelease(list);
}
} // namespace plugintest
