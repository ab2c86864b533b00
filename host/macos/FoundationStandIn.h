// This project's stand-in for the Foundation classes that the platform layer calls: autorelease pools,
// the file manager, classes by name and calls on the main thread, the process's system version and
// bundles' information. Its objects are CoreFoundation stand-in objects (NSString is CFString, NSURL
// is CFURL, as on the platform), and what a method hands out is autoreleased into the calling
// thread's innermost pool, as Foundation does: the caller keeps an NSAutoreleasePool open around its
// work.
#pragma once

#include "CFStringStandIn.h"
#include "CFURLStandIn.h"
#include "ObjCRuntimeStandIn.h"

#include <string>
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

// A registered class of the object runtime; null for none (or a null name).
Class NSClassFromString(CFStringRef name);

// [object performSelectorOnMainThread:selector withObject:argument waitUntilDone:wait]. From another
// thread the call is queued for the main thread's run loop (CFRunLoopStandIn.h), which performs it
// when it is next served in a common mode; with wait the caller blocks until then. On the main thread
// with wait it is performed at once. The object and the argument are retained while queued.
void NSObjectPerformSelectorOnMainThread(id object, SEL selector, id argument, BOOL waitUntilDone);

struct NSOperatingSystemVersion
{
    long majorVersion;
    long minorVersion;
    long patchVersion;
};

// The system's version: the leading numbers of the running kernel's release ("6.1.0-18-amd64" gives
// 6.1.0) unless a test gives another.
class NSProcessInfo
{
public:
    static NSProcessInfo* processInfo();
    NSOperatingSystemVersion operatingSystemVersion() const;

private:
    NSProcessInfo() = default;
};
// Not platform calls: a version of the test's choosing (null gives the system's again), and a
// process without a process-information object (processInfo answers null).
void NSProcessInfoStandInSetOperatingSystemVersion(NSOperatingSystemVersion const* version);
void NSProcessInfoStandInSetAbsent(bool absent);

// A bundle is a folder; its information dictionary is "Contents/Info.plist" in the XML form of
// property lists, of which the string values of the top dictionary are read.
class NSBundle : public CFStandInObject
{
public:
    // Autoreleased; null when the URL names no existing folder.
    static NSBundle* bundleWithURL(CFURLRef url);
    // The string value of the key, autoreleased; null when the dictionary or the key is missing or the
    // value is no string.
    CFStringRef objectForInfoDictionaryKey(CFStringRef key) const;

private:
    NSBundle() = default;
    std::string fFolder;
};
