// The Foundation stand-in's classes by name, calls on the main thread and the system version.
#include "FoundationStandIn.h"

#include <cctype>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "CFRunLoopStandIn.h"

namespace
{
// One call queued for the main thread; the caller that waits keeps its own reference.
struct PendingPerform
{
    id fObject;
    SEL fSelector;
    id fArgument;
    bool fDone;
};

// The main thread's queue of calls, served by one source on the main run loop in the common modes.
// Made on first use and kept for the life of the process.
struct MainThreadQueue
{
    std::mutex fLock;
    std::condition_variable fDone;
    std::deque<std::shared_ptr<PendingPerform>> fPending;
    CFRunLoopSourceRef fSource = nullptr;
};

void PerformPending(void*);

MainThreadQueue& TheQueue()
{
    static MainThreadQueue* const sQueue = []
    {
        auto* queue = new MainThreadQueue;
        CFRunLoopSourceContext context{};
        context.perform = PerformPending;
        queue->fSource = CFRunLoopSourceCreate(kCFAllocatorDefault, 0, &context);
        CFRunLoopAddSource(CFRunLoopGetMain(), queue->fSource, kCFRunLoopCommonModes);
        return queue;
    }();
    return *sQueue;
}

// Marks the call done and lets its waiter go, also when the method threw.
class FinishPerform
{
public:
    explicit FinishPerform(std::shared_ptr<PendingPerform> call) : fCall(std::move(call)) {}
    ~FinishPerform()
    {
        objc_release(fCall->fArgument);
        objc_release(fCall->fObject);
        MainThreadQueue& queue = TheQueue();
        std::lock_guard<std::mutex> lock(queue.fLock);
        fCall->fDone = true;
        queue.fDone.notify_all();
    }
    FinishPerform(FinishPerform const&) = delete;
    FinishPerform& operator=(FinishPerform const&) = delete;

private:
    std::shared_ptr<PendingPerform> fCall;
};

void PerformPending(void*)
{
    MainThreadQueue& queue = TheQueue();
    for (;;)
    {
        std::shared_ptr<PendingPerform> call;
        {
            std::lock_guard<std::mutex> lock(queue.fLock);
            if (queue.fPending.empty())
                return;
            call = queue.fPending.front();
            queue.fPending.pop_front();
        }
        FinishPerform const finish(call);
        ObjCRuntimeStandInSend(call->fObject, call->fSelector, call->fArgument);
    }
}

bool IsMainThread()
{
    return syscall(SYS_gettid) == getpid();
}

std::mutex sProcessInfoLock;
bool sProcessInfoAbsent = false;
bool sVersionGiven = false;
NSOperatingSystemVersion sGivenVersion{};

// The leading numbers of the kernel's release, separated by dots; missing ones are 0.
NSOperatingSystemVersion KernelVersion()
{
    NSOperatingSystemVersion version{};
    utsname names{};
    if (uname(&names) != 0)
        return version;
    long* const parts[] = {&version.majorVersion, &version.minorVersion, &version.patchVersion};
    char const* text = names.release;
    for (long* part : parts)
    {
        if (!std::isdigit(static_cast<unsigned char>(*text)))
            break;
        char* end = nullptr;
        *part = std::strtol(text, &end, 10);
        text = end;
        if (*text != '.')
            break;
        ++text;
    }
    return version;
}

} // namespace

Class NSClassFromString(CFStringRef name)
{
    if (!name)
        return nullptr;
    return objc_getClass(CFStringStandInGetUTF8(name).c_str());
}

void NSObjectPerformSelectorOnMainThread(id object, SEL selector, id argument, BOOL waitUntilDone)
{
    if (waitUntilDone && IsMainThread())
    {
        ObjCRuntimeStandInSend(object, selector, argument);
        return;
    }
    MainThreadQueue& queue = TheQueue();
    auto const call = std::make_shared<PendingPerform>(
        PendingPerform{objc_retain(object), selector, objc_retain(argument), false});
    std::unique_lock<std::mutex> lock(queue.fLock);
    queue.fPending.push_back(call);
    CFRunLoopSourceSignal(queue.fSource);
    CFRunLoopWakeUp(CFRunLoopGetMain());
    if (waitUntilDone)
        queue.fDone.wait(lock, [&] { return call->fDone; });
}

NSProcessInfo* NSProcessInfo::processInfo()
{
    static NSProcessInfo sProcessInfo;
    std::lock_guard<std::mutex> lock(sProcessInfoLock);
    return sProcessInfoAbsent ? nullptr : &sProcessInfo;
}

NSOperatingSystemVersion NSProcessInfo::operatingSystemVersion() const
{
    {
        std::lock_guard<std::mutex> lock(sProcessInfoLock);
        if (sVersionGiven)
            return sGivenVersion;
    }
    return KernelVersion();
}

void NSProcessInfoStandInSetOperatingSystemVersion(NSOperatingSystemVersion const* version)
{
    std::lock_guard<std::mutex> lock(sProcessInfoLock);
    sVersionGiven = version != nullptr;
    if (version)
        sGivenVersion = *version;
}

void NSProcessInfoStandInSetAbsent(bool absent)
{
    std::lock_guard<std::mutex> lock(sProcessInfoLock);
    sProcessInfoAbsent = absent;
}
