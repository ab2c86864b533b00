// IActionStateList: the actions whose state the host wants before it shows a menu; the plug-in sets
// each one's state and name.
#pragma once

#include "IPMUnknown.h"
#include "PMString.h"

class IActionStateList : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = kStandInIDBase + 7
    };
    enum ActionState : int16
    {
        kDisabled_Unselected = 0,
        kEnabledAction = 1
    };

    virtual int32 Length() const = 0;
    virtual ActionID GetNthAction(int32 index) const = 0;
    virtual void SetNthActionState(int32 index, int16 state) = 0;
    virtual void SetNthActionName(int32 index, PMString const& name) = 0;
};
