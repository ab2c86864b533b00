// IActionManager: the host's table of menu actions. The menu and shortcut managers are further
// interfaces of the same object.
#pragma once

#include "IPMUnknown.h"
#include "PMString.h"

class IActionManager : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = kStandInIDBase + 3
    };

    virtual bool16 IsValidAction(ActionID action) const = 0;
    // An action handled by the owner's action component, in the area (the group the host lists it
    // under in its shortcut editor). helpID and iconID name no help and no icon with 0; a
    // user-editable action takes shortcuts the user gives it; an action enabled by default shows
    // enabled until its component says otherwise.
    virtual void AddAction(ImplementationID owner, ActionID action, PMString const& name,
                           PMString const& area, int32 helpID, bool16 userEditable, int32 iconID,
                           bool16 enabledByDefault) = 0;
};
