// This project's stand-in for the CoreFoundation run loops: one loop per thread, made on first request,
// and the main thread's loop (the process's first thread) reachable from every thread. A loop serves
// its timers and version-0 sources only while its own thread runs it, as on the platform.
#pragma once

#include "CFStringStandIn.h"

typedef double CFTimeInterval;
// Seconds since 1 January 2001, 00:00 UTC.
typedef double CFAbsoluteTime;
typedef unsigned long CFOptionFlags;
typedef std::int32_t SInt32;

struct __CFRunLoop;
typedef __CFRunLoop* CFRunLoopRef;
struct __CFRunLoopTimer;
typedef __CFRunLoopTimer* CFRunLoopTimerRef;
struct __CFRunLoopSource;
typedef __CFRunLoopSource* CFRunLoopSourceRef;

// The default mode is the one common mode: what is added for the common modes is served there.
extern CFStringRef const kCFRunLoopDefaultMode;
extern CFStringRef const kCFRunLoopCommonModes;

// Why CFRunLoopRunInMode returned.
enum : SInt32
{
    kCFRunLoopRunFinished = 1, // the mode has neither timers nor sources
    kCFRunLoopRunStopped = 2,
    kCFRunLoopRunTimedOut = 3,
    kCFRunLoopRunHandledSource = 4
};

CFAbsoluteTime CFAbsoluteTimeGetCurrent();

// Neither is retained for the caller.
CFRunLoopRef CFRunLoopGetCurrent();
CFRunLoopRef CFRunLoopGetMain();

// Runs the calling thread's loop in the default mode until it is stopped or has nothing to serve.
void CFRunLoopRun();
// Serves timers and signalled sources of the mode for at most seconds (0: one pass), or until the
// loop is stopped, or, with returnAfterSourceHandled, until one source was performed.
SInt32 CFRunLoopRunInMode(CFStringRef mode, CFTimeInterval seconds, Boolean returnAfterSourceHandled);
// Ends the innermost run of the loop; a stop while the loop is not running ends its next run at once.
void CFRunLoopStop(CFRunLoopRef loop);
void CFRunLoopWakeUp(CFRunLoopRef loop);

typedef void (*CFRunLoopTimerCallBack)(CFRunLoopTimerRef timer, void* info);
struct CFRunLoopTimerContext
{
    CFIndex version;
    void* info;
    void const* (*retain)(void const* info);
    void (*release)(void const* info);
    CFStringRef (*copyDescription)(void const* info);
};

// A timer that fires at fireDate and then every interval seconds (0: once, after which it is invalid
// and leaves its loop). The caller releases it; a loop retains what it holds.
CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef allocator, CFAbsoluteTime fireDate,
                                       CFTimeInterval interval, CFOptionFlags flags, CFIndex order,
                                       CFRunLoopTimerCallBack callout, CFRunLoopTimerContext* context);
// A timer belongs to one loop at a time; adding it to a second one does nothing.
void CFRunLoopAddTimer(CFRunLoopRef loop, CFRunLoopTimerRef timer, CFStringRef mode);
// Nothing when the loop does not hold the timer in that mode.
void CFRunLoopRemoveTimer(CFRunLoopRef loop, CFRunLoopTimerRef timer, CFStringRef mode);
void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer);
Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timer);

// Only sources of version 0 exist: signalled, then performed by the loop that serves them next.
struct CFRunLoopSourceContext
{
    CFIndex version;
    void* info;
    void const* (*retain)(void const* info);
    void (*release)(void const* info);
    CFStringRef (*copyDescription)(void const* info);
    Boolean (*equal)(void const* info1, void const* info2);
    CFOptionFlags (*hash)(void const* info);
    void (*schedule)(void* info, CFRunLoopRef loop, CFStringRef mode);
    void (*cancel)(void* info, CFRunLoopRef loop, CFStringRef mode);
    void (*perform)(void* info);
};

// Null for another version than 0.
CFRunLoopSourceRef CFRunLoopSourceCreate(CFAllocatorRef allocator, CFIndex order,
                                         CFRunLoopSourceContext* context);
void CFRunLoopAddSource(CFRunLoopRef loop, CFRunLoopSourceRef source, CFStringRef mode);
void CFRunLoopRemoveSource(CFRunLoopRef loop, CFRunLoopSourceRef source, CFStringRef mode);
// Marks the source for its next serving; the loop learns of it only when woken (CFRunLoopWakeUp).
void CFRunLoopSourceSignal(CFRunLoopSourceRef source);
void CFRunLoopSourceInvalidate(CFRunLoopSourceRef source);
