// The base of this project's stand-in for the macOS CoreFoundation calls that the platform layer
// makes: the plain types, the two allocator constants, and retain/release of stand-in objects.
// Only foundation/platform/mac/ uses it.
#pragma once

#include <atomic>
#include <cstdint>

typedef unsigned char Boolean;
typedef unsigned char UInt8;
typedef unsigned short UniChar;
typedef long CFIndex;
typedef void const* CFTypeRef;

struct CFRange
{
    CFIndex location;
    CFIndex length;
};

inline CFRange CFRangeMake(CFIndex location, CFIndex length)
{
    return CFRange{location, length};
}

// Allocators are only told apart: the default one (null) is the C heap, kCFAllocatorNull never
// frees, which is how a caller lends bytes that it keeps owning.
struct __CFAllocator;
typedef __CFAllocator const* CFAllocatorRef;
extern CFAllocatorRef const kCFAllocatorDefault;
extern CFAllocatorRef const kCFAllocatorNull;

// Every object the stand-in hands out derives from this, first and only base, and is made with a
// retain count of 1; the release that brings it to 0 deletes it.
struct CFStandInObject
{
    CFStandInObject() : fRetainCount(1) {}
    virtual ~CFStandInObject();
    CFStandInObject(CFStandInObject const&) = delete;
    CFStandInObject& operator=(CFStandInObject const&) = delete;

    // What CFEqual asks; an object is equal to itself only unless its kind compares values.
    virtual bool IsEqualTo(CFStandInObject const& other) const { return this == &other; }

    mutable std::atomic<long> fRetainCount;
};

CFTypeRef CFRetain(CFTypeRef ref);
// Releasing null is a programming error, as on the platform: the process stops.
void CFRelease(CFTypeRef ref);
CFIndex CFGetRetainCount(CFTypeRef ref);
// Strings by their characters, byte objects by their bytes, other objects as their kind compares
// them. A null object stops the process, as on the platform.
Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
