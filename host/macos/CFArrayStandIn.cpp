// The CoreFoundation array stand-in: a vector of retained objects.
#include "CFArrayStandIn.h"

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
    return theArray ? static_cast<CFIndex>(theArray->fValues.size()) : 0;
}

void const* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx)
{
    if (!theArray || idx < 0 || idx >= CFArrayGetCount(theArray))
        return nullptr;
    return theArray->fValues[static_cast<std::size_t>(idx)];
}
