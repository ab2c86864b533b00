// HostServices: what the host behind this SDK does when a plug-in calls one of the SDK's free
// functions. The host installs its own; with none installed every call answers "nothing" (null,
// kFailure, 0) and memory comes from the C library.
#pragma once

#include <cstddef>

#include "IPMUnknown.h"
#include "PMString.h"

class IActiveContext;
class ICommand;
class ISession;

class HostServices
{
public:
    virtual ~HostServices() = default;

    virtual ISession* GetSession() = 0;
    // Answers with a reference, or null.
    virtual IPMUnknown* QueryUtils(PMIID interfaceID) = 0;
    virtual IPMUnknown* QueryPreferences(PMIID interfaceID, IActiveContext* context) = 0;
    virtual ICommand* CreateCommand(ClassID commandClass) = 0;
    virtual ErrorCode ProcessCommand(ICommand* command) = 0;
    virtual IPMUnknown* CreateObject(ClassID objectClass, PMIID interfaceID) = 0;
    virtual int16 ModalAlert(PMString const& text, PMString const& button1, PMString const& button2,
                             PMString const& button3, int16 defaultButton, int16 cancelButton) = 0;
    virtual void* Allocate(std::size_t size) = 0;
    virtual void Free(void* memory) = 0;

    // The host's services; null when none is installed. Installing does not take ownership.
    static HostServices* GetInstalled();
    static void Install(HostServices* services);
};
