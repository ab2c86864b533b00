// This project's stand-in for the CoreFoundation arrays that the platform layer reads: arrays of
// retained objects, fixed as the preferences hand out their lists, or growing as the installer pane
// gathers what it finds.
#pragma once

#include "CFBaseStandIn.h"

struct __CFArray;
typedef __CFArray const* CFArrayRef;
typedef __CFArray* CFMutableArrayRef;

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

// An empty array that grows without limit (capacity 0) or up to capacity values.
CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                       CFArrayCallBacks const* callBacks);
// Retains the value; a full array of limited capacity stops the process, as on the platform.
void CFArrayAppendValue(CFMutableArrayRef theArray, void const* value);
void CFArrayRemoveAllValues(CFMutableArrayRef theArray);
