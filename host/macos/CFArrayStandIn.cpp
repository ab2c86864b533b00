// The CoreFoundation array stand-in: a vector of retained objects.
#include "CFArrayStandIn.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

struct __CFArray : CFStandInObject
{
    ~__CFArray() override
    {
        for (CFTypeRef value : fValues)
            CFRelease(value);
    }

    std::vector<CFTypeRef> fValues;
};

CFArrayCallBacks const kCFTypeArrayCallBacks = {0};

namespace
{
// A null array stops the process, as on the platform, so that a caller that forgets to check
// for a missing list fails here too.
CFArrayRef Checked(CFArrayRef theArray, char const* caller)
{
    if (!theArray)
    {
        std::fprintf(stderr, "%s called with NULL\n", caller);
        std::abort();
    }
    return theArray;
}
} // namespace

CFArrayRef CFArrayCreate(CFAllocatorRef, void const** values, CFIndex numValues, CFArrayCallBacks const*)
{
    if (numValues < 0 || (numValues > 0 && !values))
        return nullptr;
    __CFArray* array = new __CFArray;
    array->fValues.reserve(static_cast<std::size_t>(numValues));
    for (CFIndex i = 0; i < numValues; ++i)
        array->fValues.push_back(CFRetain(values[i]));
    return array;
}

CFIndex CFArrayGetCount(CFArrayRef theArray)
{
    return static_cast<CFIndex>(Checked(theArray, "CFArrayGetCount")->fValues.size());
}

void const* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx)
{
    if (idx < 0 || idx >= static_cast<CFIndex>(Checked(theArray, "CFArrayGetValueAtIndex")->fValues.size()))
        return nullptr;
    return theArray->fValues[static_cast<std::size_t>(idx)];
}
