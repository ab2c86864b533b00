// Retain and release of the CoreFoundation stand-in's objects.
#include "CFBaseStandIn.h"

#include <cstdio>
#include <cstdlib>

namespace
{
// Two distinct addresses, so the constants compare unequal and kCFAllocatorNull is never null.
char const sNullAllocatorTag = 0;

CFStandInObject const* AsObject(CFTypeRef ref, char const* caller)
{
    if (!ref)
    {
        std::fprintf(stderr, "%s called with NULL\n", caller);
        std::abort();
    }
    return static_cast<CFStandInObject const*>(ref);
}
} // namespace

CFAllocatorRef const kCFAllocatorDefault = nullptr;
CFAllocatorRef const kCFAllocatorNull = reinterpret_cast<CFAllocatorRef>(&sNullAllocatorTag);

CFStandInObject::~CFStandInObject() = default;

CFTypeRef CFRetain(CFTypeRef ref)
{
    AsObject(ref, "CFRetain")->fRetainCount.fetch_add(1, std::memory_order_relaxed);
    return ref;
}

void CFRelease(CFTypeRef ref)
{
    CFStandInObject const* object = AsObject(ref, "CFRelease");
    if (object->fRetainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete object;
}

CFIndex CFGetRetainCount(CFTypeRef ref)
{
    return AsObject(ref, "CFGetRetainCount")->fRetainCount.load(std::memory_order_relaxed);
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2)
{
    CFStandInObject const* first = AsObject(cf1, "CFEqual");
    CFStandInObject const* second = AsObject(cf2, "CFEqual");
    return first == second || first->IsEqualTo(*second);
}
