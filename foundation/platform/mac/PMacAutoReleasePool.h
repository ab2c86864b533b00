// Scope of a Foundation autorelease pool: what Foundation hands out inside it is released at its end.
// Every Cocoa service holds one, so that it may run on threads that have no pool of their own.
#pragma once

class NSAutoreleasePool;

class PMacAutoReleasePool
{
public:
    PMacAutoReleasePool();
    ~PMacAutoReleasePool();
    PMacAutoReleasePool(PMacAutoReleasePool const&) = delete;
    PMacAutoReleasePool& operator=(PMacAutoReleasePool const&) = delete;

private:
    NSAutoreleasePool* fPool;
};
