// IActionComponent: a plug-in's handler of the menu actions it registered: the host asks it for the
// actions' states before it shows a menu, and hands it the action the user chose.
#pragma once

#include "IPMUnknown.h"

class IActionStateList;
class IActiveContext;

class IActionComponent : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = kStandInIDBase + 4
    };

    // widget: the menu or panel the action came from; may be null.
    virtual void DoAction(IActiveContext* context, ActionID action, SysPoint point, IPMUnknown* widget) = 0;
    virtual void UpdateActionStates(IActiveContext* context, IActionStateList* list, SysPoint point,
                                    IPMUnknown* widget) = 0;
};
