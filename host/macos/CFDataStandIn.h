// This project's stand-in for the CoreFoundation byte objects that registry properties come as.
#pragma once

#include "CFBaseStandIn.h"

struct __CFData;
typedef __CFData const* CFDataRef;

// A copy of length bytes; null when length is negative or bytes is null while length is not 0.
CFDataRef CFDataCreate(CFAllocatorRef allocator, UInt8 const* bytes, CFIndex length);
CFIndex CFDataGetLength(CFDataRef theData);
// Null for an empty object.
UInt8 const* CFDataGetBytePtr(CFDataRef theData);

// Not a platform call: whether the object is a byte object (what the platform's type ids tell).
Boolean CFDataStandInIsData(CFTypeRef object);
