// This project's stand-in for the CoreFoundation arrays that the platform layer reads: fixed
// arrays of retained objects, as the preferences hand out their lists.
#pragma once

#include "CFBaseStandIn.h"

struct __CFArray;
typedef __CFArray const* CFArrayRef;

// Only the standard call-backs exist: the array retains what it holds and releases it at the end.
struct CFArrayCallBacks
{
    CFIndex version;
};
extern CFArrayCallBacks const kCFTypeArrayCallBacks;

// Null when values is null while numValues is not 0, or numValues is negative. Every value must be
// a stand-in object.
CFArrayRef CFArrayCreate(CFAllocatorRef allocator, void const** values, CFIndex numValues,
                         CFArrayCallBacks const* callBacks);
// Both stop the process for a null array, as the platform does.
CFIndex CFArrayGetCount(CFArrayRef theArray);
// Null outside the array; the value is not retained for the caller.
void const* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx);
