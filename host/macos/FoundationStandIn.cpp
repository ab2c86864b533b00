// The Foundation stand-in: per-thread autorelease pools, the file manager, calls on the main thread,
// the system version and bundles' information.
#include "FoundationStandIn.h"

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <system_error>
#include <unistd.h>

#include "CFRunLoopStandIn.h"

namespace
{
thread_local NSAutoreleasePool* sInnermostPool = nullptr;
} // namespace

NSAutoreleasePool::NSAutoreleasePool() : fOuter(sInnermostPool)
{
    sInnermostPool = this;
}

void NSAutoreleasePool::drain()
{
    while (sInnermostPool && sInnermostPool != this)
        sInnermostPool->drain();
    for (CFTypeRef object : fObjects)
        CFRelease(object);
    sInnermostPool = fOuter;
    delete this;
}

CFTypeRef CFAutorelease(CFTypeRef object)
{
    if (object && sInnermostPool)
        sInnermostPool->fObjects.push_back(object);
    return object;
}

NSFileManager* NSFileManager::defaultManager()
{
    static NSFileManager manager;
    return &manager;
}

CFStringRef NSFileManager::currentDirectoryPath()
{
    std::vector<char> folder(1024);
    while (!getcwd(folder.data(), folder.size()))
    {
        if (errno != ERANGE)
            return nullptr;
        folder.resize(folder.size() * 2);
    }
    return static_cast<CFStringRef>(
        CFAutorelease(CFStringCreateWithCString(kCFAllocatorDefault, folder.data(), kCFStringEncodingUTF8)));
}

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

// The string values of the top dictionary of an XML property list; empty when it does not read.
std::map<std::string, std::string> ReadInfoStrings(std::string const& plistPath)
{
    std::map<std::string, std::string> strings;
    std::ifstream file(plistPath);
    if (!file)
        return strings;
    boost::property_tree::ptree tree;
    try
    {
        boost::property_tree::read_xml(file, tree);
    }
    catch (boost::property_tree::xml_parser_error const&)
    {
        return strings;
    }
    boost::optional<boost::property_tree::ptree&> const dict = tree.get_child_optional("plist.dict");
    if (!dict)
        return strings;
    std::string key;
    bool haveKey = false;
    for (auto const& child : *dict)
    {
        if (child.first == "<xmlcomment>" || child.first == "<xmlattr>")
            continue;
        if (child.first == "key")
        {
            key = child.second.data();
            haveKey = true;
            continue;
        }
        if (haveKey && child.first == "string")
            strings.emplace(key, child.second.data());
        haveKey = false;
    }
    return strings;
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

NSBundle* NSBundle::bundleWithURL(CFURLRef url)
{
    if (!url)
        return nullptr;
    std::vector<UInt8> path(4096);
    if (!CFURLGetFileSystemRepresentation(url, true, path.data(), static_cast<CFIndex>(path.size())))
        return nullptr;
    std::string const folder(reinterpret_cast<char const*>(path.data()));
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return nullptr;
    auto* bundle = new NSBundle;
    bundle->fFolder = folder;
    return static_cast<NSBundle*>(const_cast<void*>(CFAutorelease(bundle)));
}

CFStringRef NSBundle::objectForInfoDictionaryKey(CFStringRef key) const
{
    if (!key)
        return nullptr;
    // An application's dictionary is in "Contents", a framework's in "Resources".
    for (char const* place : {"/Contents/Info.plist", "/Resources/Info.plist"})
    {
        std::map<std::string, std::string> const strings = ReadInfoStrings(fFolder + place);
        if (strings.empty())
            continue;
        auto const found = strings.find(CFStringStandInGetUTF8(key));
        if (found == strings.end())
            return nullptr;
        return static_cast<CFStringRef>(CFAutorelease(
            CFStringCreateWithCString(kCFAllocatorDefault, found->second.c_str(), kCFStringEncodingUTF8)));
    }
    return nullptr;
}
