// IShortcutManager: keyboard shortcuts of actions, per shortcut context.
#pragma once

#include "IPMUnknown.h"
#include "PMString.h"

class IShortcutManager : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 53763
    };
    // Modifier bits.
    enum : int32
    {
        kShift = 1,
        kOption = 2,
        kCommand = 4,
        kControl = 8
    };

    // Adding a shortcut the action already has changes nothing.
    virtual void AddShortcut(ActionID action, PMString const& context, int32 key, int32 modifiers) = 0;
};
