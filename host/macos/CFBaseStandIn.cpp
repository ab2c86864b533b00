// Retain and release of the CoreFoundation stand-in's objects.
#include "CFBaseStandIn.h"

#include <cstdio>
#include <cstdlib>

namespace
{
// Two distinct addresses, so the constants compare unequal and kCFAllocatorNull is never null.
char const sNullAllocatorTag = 0;
} // namespace

CFAllocatorRef const kCFAllocatorDefault = nullptr;
CFAllocatorRef const kCFAllocatorNull = reinterpret_cast<CFAllocatorRef>(&sNullAllocatorTag);

CFStandInObject::~CFStandInObject() = default;

namespace
{
CFStandInObject const* AsObject(CFTypeRef cf, char const* caller)
{
    if (!cf)
    {
        std::fprintf(stderr, "%s called with NULL\n", caller);
        std::abort();
    }
    return static_cast<CFStandInObject const*>(cf);
}
} // namespace

CFTypeRef CFRetain(CFTypeRef cf)
{
    AsObject(cf, "CFRetain")->fRetainCount.fetch_add(1, std::memory_order_relaxed);
    return cf;
}

void CFRelease(CFTypeRef cf)
{
    CFStandInObject const* object = AsObject(cf, "CFRelease");
    if (object->fRetainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete object;
}

CFIndex CFGetRetainCount(CFTypeRef cf)
{
    return AsObject(cf, "CFGetRetainCount")->fRetainCount.load(std::memory_order_relaxed);
}
