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
    // 0 for an array without limit.
    CFIndex fCapacity = 0;
};

CFArrayCallBacks const kCFTypeArrayCallBacks = {0};

namespace
{
[[noreturn]] void Stop(char const* caller, char const* what)
{
    std::fprintf(stderr, "%s %s\n", caller, what);
    std::abort();
}

// A null array stops the process, as on the platform, so that a caller that forgets to check
// for a missing list fails here too.
template<class Array>
Array Checked(Array theArray, char const* caller)
{
    if (!theArray)
        Stop(caller, "called with NULL");
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

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity, CFArrayCallBacks const*)
{
    __CFArray* array = new __CFArray;
    array->fCapacity = capacity > 0 ? capacity : 0;
    return array;
}

void CFArrayAppendValue(CFMutableArrayRef theArray, void const* value)
{
    Checked(theArray, "CFArrayAppendValue");
    if (!value)
        Stop("CFArrayAppendValue", "called with a NULL value");
    if (theArray->fCapacity > 0 && static_cast<CFIndex>(theArray->fValues.size()) >= theArray->fCapacity)
        Stop("CFArrayAppendValue", "called on a full array");
    theArray->fValues.push_back(CFRetain(value));
}

void CFArrayRemoveAllValues(CFMutableArrayRef theArray)
{
    std::vector<CFTypeRef> values;
    values.swap(Checked(theArray, "CFArrayRemoveAllValues")->fValues);
    for (CFTypeRef value : values)
        CFRelease(value);
}
