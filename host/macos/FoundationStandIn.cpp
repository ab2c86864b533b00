// The Foundation stand-in: per-thread autorelease pools and the file manager.
#include "FoundationStandIn.h"

#include <cerrno>
#include <unistd.h>

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
