// The SDK's free functions: each asks the installed host, and answers "nothing" without one.
#include <cstdlib>

#include "CAlert.h"
#include "HostServices.h"
#include "ICommand.h"
#include "IPackager.h"
#include "ISession.h"
#include "IUnitPrefs.h"
#include "ImplementationRecord.h"
#include "UtilsBoss.h"

namespace
{
HostServices* sInstalled = nullptr;
} // namespace

HostServices* HostServices::GetInstalled()
{
    return sInstalled;
}

void HostServices::Install(HostServices* services)
{
    sInstalled = services;
}

ISession* GetExecutionContextSession()
{
    return sInstalled ? sInstalled->GetSession() : nullptr;
}

IPMUnknown* UtilsBoss::QueryUtils(PMIID interfaceID)
{
    return sInstalled ? sInstalled->QueryUtils(interfaceID) : nullptr;
}

IPMUnknown* QueryPreferences(PMIID interfaceID, IActiveContext* context)
{
    return sInstalled ? sInstalled->QueryPreferences(interfaceID, context) : nullptr;
}

ICommand* CmdUtils::CreateCommand(ClassID commandClass)
{
    return sInstalled ? sInstalled->CreateCommand(commandClass) : nullptr;
}

ErrorCode CmdUtils::ProcessCommand(ICommand* command)
{
    return sInstalled && command ? sInstalled->ProcessCommand(command) : kFailure;
}

IPMUnknown* CreateObject(ClassID objectClass, PMIID interfaceID)
{
    return sInstalled ? sInstalled->CreateObject(objectClass, interfaceID) : nullptr;
}

int16 CAlert::ModalAlert(PMString const& text, PMString const& button1, PMString const& button2,
                         PMString const& button3, int16 defaultButton, int16 cancelButton)
{
    return sInstalled ? sInstalled->ModalAlert(text, button1, button2, button3, defaultButton, cancelButton)
                      : 0;
}

void* SDKAllocate(std::size_t size)
{
    void* const memory = sInstalled ? sInstalled->Allocate(size) : std::malloc(size);
    if (!memory)
        throw std::bad_alloc();
    return memory;
}

void SDKFree(void* memory)
{
    if (sInstalled)
        sInstalled->Free(memory);
    else
        std::free(memory);
}
