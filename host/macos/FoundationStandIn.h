// This project's stand-in for the Foundation classes that the Cocoa file-system services call. Its
// objects are CoreFoundation stand-in objects (NSString is CFString, as on the platform), and what a
// method hands out is autoreleased into the calling thread's innermost pool, as Foundation does: the
// caller keeps an NSAutoreleasePool open around its work.
#pragma once

#include "CFStringStandIn.h"

#include <vector>

// One pool of a thread's stack of pools: drain releases what was autoreleased while it was the
// innermost, drains the pools opened inside it that are still open, and deletes it.
class NSAutoreleasePool
{
public:
    NSAutoreleasePool();
    NSAutoreleasePool(NSAutoreleasePool const&) = delete;
    NSAutoreleasePool& operator=(NSAutoreleasePool const&) = delete;

    void drain();

private:
    ~NSAutoreleasePool() = default;
    friend CFTypeRef CFAutorelease(CFTypeRef);

    NSAutoreleasePool* fOuter;
    std::vector<CFTypeRef> fObjects;
};

// Hands the reference to the innermost pool of the calling thread; without a pool it is leaked, as
// on the platform.
CFTypeRef CFAutorelease(CFTypeRef object);

class NSFileManager
{
public:
    static NSFileManager* defaultManager();

    // The process's current folder as a POSIX path; null when the system cannot tell.
    CFStringRef currentDirectoryPath();

private:
    NSFileManager() = default;
};
