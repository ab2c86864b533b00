// IShortcutUtils: turns a shortcut's text ("Opt+Shift+E") into a key and modifier bits.
#pragma once

#include "IPMUnknown.h"
#include "PMString.h"

class IShortcutUtils : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 90379
    };

    // Modifiers "Cmd", "Opt", "Shift", "Ctrl" joined by "+", then one key: a letter or digit (its
    // upper-case character code) or a name such as "F5". False for text that reads as none.
    virtual bool16 ParseShortcutString(PMString const& text, int32& key, int32& modifiers) const = 0;
};
