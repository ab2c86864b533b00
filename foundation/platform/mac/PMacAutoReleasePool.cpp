// Scope of a Foundation autorelease pool.
#include "PMacAutoReleasePool.h"

#include "macos/FoundationStandIn.h"

PMacAutoReleasePool::PMacAutoReleasePool() : fPool(new NSAutoreleasePool) {}

PMacAutoReleasePool::~PMacAutoReleasePool()
{
    fPool->drain();
}
