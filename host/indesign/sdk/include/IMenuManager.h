// IMenuManager: the host's menus; an action appears as an item at a menu path ("Main:&File") and a
// position among the items there.
#pragma once

#include "IPMUnknown.h"
#include "PMString.h"

class IMenuManager : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 53764
    };

    // A dynamic item is named anew each time the menu opens; flags are the host's own (0: none).
    virtual void AddMenuItem(ActionID action, PMString const& menuPath, PMReal position, bool16 isDynamic,
                             int32 flags) = 0;
};
