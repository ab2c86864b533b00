// IStartupShutdownService: a plug-in's service that the host starts when it starts and stops when
// it quits.
#pragma once

#include "IPMUnknown.h"

class IStartupShutdownService : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = kStandInIDBase + 5
    };

    virtual void Startup() = 0;
    virtual void Shutdown() = 0;
};
