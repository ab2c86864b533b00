// Shortcut texts as the host's shortcut utilities read them: modifiers "Cmd", "Opt", "Shift",
// "Ctrl" joined by "+", then one key: a letter or digit (its upper-case character code) or a
// function key "F1" to "F15".
#pragma once

#include <string>

#include "SDKTypes.h"

namespace indesignhost
{
// Function keys are numbered beyond any character a key gives.
constexpr int32 cFunctionKeyBase = 0x10000;

// False for text that reads as no shortcut: no key, an unknown or repeated modifier, more than one
// key.
bool ParseShortcut(std::string const& text, int32& key, int32& modifiers);
// The text of a key with modifiers, in the order Cmd, Opt, Shift, Ctrl.
std::string ShortcutText(int32 key, int32 modifiers);
} // namespace indesignhost
