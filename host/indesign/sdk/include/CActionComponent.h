// CActionComponent: the host's partial action component that a plug-in's own derives from: it
// belongs to its host object, and both operations do nothing until overridden.
#pragma once

#include "CPMUnknown.h"
#include "IActionComponent.h"

class CActionComponent : public CPMUnknown<IActionComponent>
{
public:
    explicit CActionComponent(IPMUnknown* boss) : CPMUnknown<IActionComponent>(boss) {}

    void DoAction(IActiveContext*, ActionID, SysPoint, IPMUnknown*) override {}
    void UpdateActionStates(IActiveContext*, IActionStateList*, SysPoint, IPMUnknown*) override {}
};
