// Serving the main thread's run loop in a test while other threads send it calls.
#pragma once

#include <chrono>
#include <functional>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "macos/CFRunLoopStandIn.h"

namespace testsupport
{
inline bool IsOnMainThread()
{
    return syscall(SYS_gettid) == getpid();
}

inline long CurrentThreadID()
{
    return static_cast<long>(syscall(SYS_gettid));
}

// Serves the main run loop on the calling (main) thread until done() holds, and counts the sources it
// performed. False when done() still does not hold after a minute, so that a call that never
// reaches the main thread fails the test instead of hanging it.
inline bool ServeMainRunLoopUntil(std::function<bool()> const& done, int* performedSources = nullptr)
{
    auto const limit = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done())
    {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        SInt32 const result = CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.01, true);
        if (result == kCFRunLoopRunHandledSource && performedSources)
            ++*performedSources;
        // A loop with nothing to serve yet returns at once.
        if (result == kCFRunLoopRunFinished)
            std::this_thread::yield();
    }
    return true;
}
} // namespace testsupport
