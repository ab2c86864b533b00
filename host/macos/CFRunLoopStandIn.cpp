// The CoreFoundation run-loop stand-in: per-thread loops with timers and version-0 sources.
#include "CFRunLoopStandIn.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace
{
// Every loop, timer and source is guarded by this one lock; callbacks run without it. Loops may end
// with their thread during exit, so it is never destroyed.
std::mutex& Lock()
{
    static auto* const sLock = new std::mutex;
    return *sLock;
}

char const cDefaultModeName[] = "kCFRunLoopDefaultMode";
char const cCommonModesName[] = "kCFRunLoopCommonModes";
// Seconds from 1 January 1970 to 1 January 2001.
constexpr double cAbsoluteTimeEpoch = 978307200.0;
// Longer runs than this have no deadline (CFRunLoopRun asks for 1.0e10 seconds).
constexpr double cLongestDeadline = 1.0e8;

bool IsMainThread()
{
    return syscall(SYS_gettid) == getpid();
}

std::string ModeName(CFStringRef mode)
{
    return mode ? CFStringStandInGetUTF8(mode) : std::string();
}

// What was added for the common modes is served in the default mode, the one common mode.
bool IsServedIn(std::string const& added, std::string const& running)
{
    return added == running || (added == cCommonModesName && running == cDefaultModeName);
}
} // namespace

struct __CFRunLoopTimer : CFStandInObject
{
    ~__CFRunLoopTimer() override
    {
        if (fContext.release && fContext.info)
            fContext.release(fContext.info);
    }

    CFAbsoluteTime fFireDate = 0;
    CFTimeInterval fInterval = 0;
    CFRunLoopTimerCallBack fCallout = nullptr;
    CFRunLoopTimerContext fContext{};
    bool fValid = true;
    // The loop that holds the timer, and in which mode; null while none does.
    __CFRunLoop* fLoop = nullptr;
    std::string fMode;
};

struct __CFRunLoopSource : CFStandInObject
{
    ~__CFRunLoopSource() override
    {
        if (fContext.release && fContext.info)
            fContext.release(fContext.info);
    }

    CFRunLoopSourceContext fContext{};
    bool fSignalled = false;
    bool fValid = true;
};

struct __CFRunLoop : CFStandInObject
{
    struct SourceEntry
    {
        CFRunLoopSourceRef fSource;
        std::string fMode;
    };

    ~__CFRunLoop() override
    {
        std::vector<CFTypeRef> held;
        {
            std::lock_guard<std::mutex> lock(Lock());
            for (CFRunLoopTimerRef timer : fTimers)
            {
                timer->fLoop = nullptr;
                held.push_back(timer);
            }
            for (SourceEntry const& entry : fSources)
                held.push_back(entry.fSource);
        }
        for (CFTypeRef object : held)
            CFRelease(object);
    }

    // Under the lock: whether the mode has anything to serve.
    bool HasItems(std::string const& mode) const
    {
        for (CFRunLoopTimerRef timer : fTimers)
        {
            if (timer->fValid && IsServedIn(timer->fMode, mode))
                return true;
        }
        for (SourceEntry const& entry : fSources)
        {
            if (entry.fSource->fValid && IsServedIn(entry.fMode, mode))
                return true;
        }
        return false;
    }

    bool HasSignalledSource(std::string const& mode) const
    {
        for (SourceEntry const& entry : fSources)
        {
            if (entry.fSource->fValid && entry.fSource->fSignalled && IsServedIn(entry.fMode, mode))
                return true;
        }
        return false;
    }

    // Under the lock: takes the timer out of the loop and hands over the loop's reference.
    CFRunLoopTimerRef DetachTimer(CFRunLoopTimerRef timer)
    {
        auto const found = std::find(fTimers.begin(), fTimers.end(), timer);
        if (found == fTimers.end())
            return nullptr;
        fTimers.erase(found);
        timer->fLoop = nullptr;
        return timer;
    }

    std::condition_variable fWake;
    bool fStopped = false;
    bool fWoken = false;
    std::vector<CFRunLoopTimerRef> fTimers;
    std::vector<SourceEntry> fSources;
};

namespace
{
__CFRunLoop* MainLoop()
{
    // Reachable from every thread for the life of the process.
    static __CFRunLoop* const sMainLoop = new __CFRunLoop;
    return sMainLoop;
}

// The loop of a thread other than the main one goes with its thread.
struct ThreadLoop
{
    ~ThreadLoop()
    {
        if (fLoop)
            CFRelease(fLoop);
    }
    __CFRunLoop* fLoop = nullptr;
};

thread_local ThreadLoop sThreadLoop;

// Under the lock: the run ends here when the loop was stopped, and the stop is used up.
bool TakeStop(__CFRunLoop* loop)
{
    if (!loop->fStopped)
        return false;
    loop->fStopped = false;
    return true;
}

// Under the lock: the first valid timer of the mode that is due, retained for the caller.
CFRunLoopTimerRef TakeDueTimer(__CFRunLoop* loop, std::string const& mode, CFAbsoluteTime now)
{
    for (CFRunLoopTimerRef timer : loop->fTimers)
    {
        if (timer->fValid && IsServedIn(timer->fMode, mode) && timer->fFireDate <= now)
        {
            CFRetain(timer);
            return timer;
        }
    }
    return nullptr;
}

// Under the lock: the next signalled source of the mode, its signal used up, retained for the caller.
CFRunLoopSourceRef TakeSignalledSource(__CFRunLoop* loop, std::string const& mode)
{
    for (__CFRunLoop::SourceEntry const& entry : loop->fSources)
    {
        CFRunLoopSourceRef const source = entry.fSource;
        if (source->fValid && source->fSignalled && IsServedIn(entry.fMode, mode))
        {
            source->fSignalled = false;
            CFRetain(source);
            return source;
        }
    }
    return nullptr;
}

// Under the lock: how long the loop may sleep before its next timer is due.
std::chrono::steady_clock::time_point NextWake(__CFRunLoop* loop, std::string const& mode,
                                               std::chrono::steady_clock::time_point limit)
{
    CFAbsoluteTime const now = CFAbsoluteTimeGetCurrent();
    auto const steadyNow = std::chrono::steady_clock::now();
    for (CFRunLoopTimerRef timer : loop->fTimers)
    {
        if (!timer->fValid || !IsServedIn(timer->fMode, mode))
            continue;
        auto const due =
            steadyNow + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(std::max(0.0, timer->fFireDate - now)));
        limit = std::min(limit, due);
    }
    return limit;
}

// Fires one due timer without the lock; a timer that fires once leaves its loop first.
void FireTimer(__CFRunLoop* loop, CFRunLoopTimerRef timer, CFAbsoluteTime now,
               std::unique_lock<std::mutex>& lock)
{
    CFRunLoopTimerRef detached = nullptr;
    if (timer->fInterval > 0)
    {
        while (timer->fFireDate <= now)
            timer->fFireDate += timer->fInterval;
    }
    else
    {
        timer->fValid = false;
        detached = loop->DetachTimer(timer);
    }
    CFRunLoopTimerCallBack const callout = timer->fCallout;
    void* const info = timer->fContext.info;
    lock.unlock();
    if (callout)
        callout(timer, info);
    if (detached)
        CFRelease(detached);
    CFRelease(timer);
    lock.lock();
}

SInt32 Run(__CFRunLoop* loop, std::string const& mode, CFTimeInterval seconds, bool returnAfterSourceHandled)
{
    using Clock = std::chrono::steady_clock;
    bool const bounded = seconds < cLongestDeadline;
    Clock::time_point const deadline =
        bounded ? Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(std::max(0.0, seconds)))
                : Clock::time_point::max();
    std::unique_lock<std::mutex> lock(Lock());
    if (TakeStop(loop))
        return kCFRunLoopRunStopped;
    for (;;)
    {
        if (!loop->HasItems(mode))
            return kCFRunLoopRunFinished;
        CFAbsoluteTime const now = CFAbsoluteTimeGetCurrent();
        while (CFRunLoopTimerRef const timer = TakeDueTimer(loop, mode, now))
        {
            FireTimer(loop, timer, now, lock);
            if (TakeStop(loop))
                return kCFRunLoopRunStopped;
        }
        while (CFRunLoopSourceRef const source = TakeSignalledSource(loop, mode))
        {
            void (*const perform)(void*) = source->fContext.perform;
            void* const info = source->fContext.info;
            lock.unlock();
            if (perform)
                perform(info);
            CFRelease(source);
            lock.lock();
            if (TakeStop(loop))
                return kCFRunLoopRunStopped;
            if (returnAfterSourceHandled)
                return kCFRunLoopRunHandledSource;
        }
        if (Clock::now() >= deadline)
            return kCFRunLoopRunTimedOut;
        loop->fWake.wait_until(lock, NextWake(loop, mode, deadline),
                               [&]
                               { return loop->fWoken || loop->fStopped || loop->HasSignalledSource(mode); });
        loop->fWoken = false;
    }
}
} // namespace

CFStringRef const kCFRunLoopDefaultMode = CFSTR("kCFRunLoopDefaultMode");
CFStringRef const kCFRunLoopCommonModes = CFSTR("kCFRunLoopCommonModes");

CFAbsoluteTime CFAbsoluteTimeGetCurrent()
{
    auto const sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceEpoch).count() - cAbsoluteTimeEpoch;
}

CFRunLoopRef CFRunLoopGetCurrent()
{
    if (IsMainThread())
        return MainLoop();
    if (!sThreadLoop.fLoop)
        sThreadLoop.fLoop = new __CFRunLoop;
    return sThreadLoop.fLoop;
}

CFRunLoopRef CFRunLoopGetMain()
{
    return MainLoop();
}

void CFRunLoopRun()
{
    SInt32 result = 0;
    do
        result = CFRunLoopRunInMode(kCFRunLoopDefaultMode, 1.0e10, false);
    while (result != kCFRunLoopRunStopped && result != kCFRunLoopRunFinished);
}

SInt32 CFRunLoopRunInMode(CFStringRef mode, CFTimeInterval seconds, Boolean returnAfterSourceHandled)
{
    return Run(CFRunLoopGetCurrent(), ModeName(mode), seconds, returnAfterSourceHandled != 0);
}

void CFRunLoopStop(CFRunLoopRef loop)
{
    std::lock_guard<std::mutex> lock(Lock());
    loop->fStopped = true;
    loop->fWake.notify_all();
}

void CFRunLoopWakeUp(CFRunLoopRef loop)
{
    std::lock_guard<std::mutex> lock(Lock());
    loop->fWoken = true;
    loop->fWake.notify_all();
}

CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef, CFAbsoluteTime fireDate, CFTimeInterval interval,
                                       CFOptionFlags, CFIndex, CFRunLoopTimerCallBack callout,
                                       CFRunLoopTimerContext* context)
{
    auto* timer = new __CFRunLoopTimer;
    timer->fFireDate = fireDate;
    timer->fInterval = interval > 0 ? interval : 0;
    timer->fCallout = callout;
    if (context)
    {
        timer->fContext = *context;
        if (context->retain && context->info)
            context->retain(context->info);
    }
    return timer;
}

void CFRunLoopAddTimer(CFRunLoopRef loop, CFRunLoopTimerRef timer, CFStringRef mode)
{
    std::lock_guard<std::mutex> lock(Lock());
    if (!timer->fValid || timer->fLoop)
        return;
    CFRetain(timer);
    timer->fLoop = loop;
    timer->fMode = ModeName(mode);
    loop->fTimers.push_back(timer);
    loop->fWoken = true;
    loop->fWake.notify_all();
}

void CFRunLoopRemoveTimer(CFRunLoopRef loop, CFRunLoopTimerRef timer, CFStringRef mode)
{
    CFRunLoopTimerRef detached = nullptr;
    {
        std::lock_guard<std::mutex> lock(Lock());
        if (timer->fLoop == loop && timer->fMode == ModeName(mode))
            detached = loop->DetachTimer(timer);
    }
    if (detached)
        CFRelease(detached);
}

void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer)
{
    CFRunLoopTimerRef detached = nullptr;
    {
        std::lock_guard<std::mutex> lock(Lock());
        timer->fValid = false;
        if (timer->fLoop)
            detached = timer->fLoop->DetachTimer(timer);
    }
    if (detached)
        CFRelease(detached);
}

Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timer)
{
    std::lock_guard<std::mutex> lock(Lock());
    return timer->fValid;
}

CFRunLoopSourceRef CFRunLoopSourceCreate(CFAllocatorRef, CFIndex, CFRunLoopSourceContext* context)
{
    if (!context || context->version != 0)
        return nullptr;
    auto* source = new __CFRunLoopSource;
    source->fContext = *context;
    if (context->retain && context->info)
        context->retain(context->info);
    return source;
}

void CFRunLoopAddSource(CFRunLoopRef loop, CFRunLoopSourceRef source, CFStringRef mode)
{
    std::string const name = ModeName(mode);
    {
        std::lock_guard<std::mutex> lock(Lock());
        if (!source->fValid)
            return;
        for (__CFRunLoop::SourceEntry const& entry : loop->fSources)
        {
            if (entry.fSource == source && entry.fMode == name)
                return;
        }
        CFRetain(source);
        loop->fSources.push_back(__CFRunLoop::SourceEntry{source, name});
        loop->fWoken = true;
        loop->fWake.notify_all();
    }
    if (source->fContext.schedule)
        source->fContext.schedule(source->fContext.info, loop, mode);
}

void CFRunLoopRemoveSource(CFRunLoopRef loop, CFRunLoopSourceRef source, CFStringRef mode)
{
    std::string const name = ModeName(mode);
    bool removed = false;
    {
        std::lock_guard<std::mutex> lock(Lock());
        auto const found = std::find_if(loop->fSources.begin(), loop->fSources.end(),
                                        [&](__CFRunLoop::SourceEntry const& entry)
                                        { return entry.fSource == source && entry.fMode == name; });
        if (found != loop->fSources.end())
        {
            loop->fSources.erase(found);
            removed = true;
        }
    }
    if (!removed)
        return;
    if (source->fContext.cancel)
        source->fContext.cancel(source->fContext.info, loop, mode);
    CFRelease(source);
}

void CFRunLoopSourceSignal(CFRunLoopSourceRef source)
{
    std::lock_guard<std::mutex> lock(Lock());
    source->fSignalled = true;
}

void CFRunLoopSourceInvalidate(CFRunLoopSourceRef source)
{
    std::lock_guard<std::mutex> lock(Lock());
    source->fValid = false;
}
