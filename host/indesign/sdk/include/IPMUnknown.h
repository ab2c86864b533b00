// The root of every host interface: an interface is asked of an object by its numeric id, and each
// answer counts as a reference the caller gives back with Release.
#pragma once

#include "SDKTypes.h"

class IPMUnknown
{
public:
    // The object's interface of that id with a reference added, or null when the object has none.
    virtual IPMUnknown* QueryInterface(PMIID interfaceID) const = 0;
    virtual void AddRef() const = 0;
    virtual void Release() const = 0;

protected:
    // Objects go through Release, never through delete on an interface.
    virtual ~IPMUnknown() = default;
};
