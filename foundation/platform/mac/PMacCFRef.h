// Owns one reference of a CoreFoundation object (or null) and releases it at the end of a scope.
#pragma once

#include "macos/CFBaseStandIn.h"

template<typename Ref>
class PMacCFRef
{
public:
    explicit PMacCFRef(Ref ref) : fRef(ref) {}
    ~PMacCFRef()
    {
        if (fRef)
            CFRelease(fRef);
    }
    PMacCFRef(PMacCFRef const&) = delete;
    PMacCFRef& operator=(PMacCFRef const&) = delete;

    Ref Get() const { return fRef; }
    explicit operator bool() const { return fRef != nullptr; }

private:
    Ref fRef;
};
