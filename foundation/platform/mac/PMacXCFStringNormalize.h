// The switch that makes the system's Unicode normalisation available to the platform encodings.
#pragma once

#include <atomic>

#include "macos/CFStringStandIn.h"

class PMacXCFStringNormalize
{
public:
    typedef void (*NormalizeFunction)(CFMutableStringRef, CFStringNormalizationForm);

    PMacXCFStringNormalize() = delete;

    // Every platform encoding binds the entry while it lives. The bindings are counted, so the
    // entry is cleared only when the last encoding goes, not when the first of several does.
    static void Initialize();
    static void Finalize();
    static int GetBindingCount();

    // CFStringNormalize while any platform encoding lives, otherwise null.
    static std::atomic<NormalizeFunction> cf_CFStringNormalize;

private:
    static int sBindingCount;
};
