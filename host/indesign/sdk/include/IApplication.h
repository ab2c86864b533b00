// IApplication: the host application.
#pragma once

#include "IPMUnknown.h"

class IActionManager;

class IApplication : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = kStandInIDBase + 2
    };

    // With a reference; null when the host has none.
    virtual IActionManager* QueryActionManager() const = 0;
};
