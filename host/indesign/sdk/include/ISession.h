// ISession: the running host's session: its application and where the user works. The book manager
// is a further interface of the session.
#pragma once

#include "IPMUnknown.h"

class IActiveContext;
class IApplication;

class ISession : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = kStandInIDBase + 1
    };

    // With a reference; null when the host has none.
    virtual IApplication* QueryApplication() const = 0;
    virtual IActiveContext* GetActiveContext() const = 0;
};

// The session of the host the code runs in; null when none.
ISession* GetExecutionContextSession();
