// The host's actions, the menu items that show them and the shortcuts that choose them, as plug-ins
// register them. Nothing here is kept from one run of the host to the next.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "SDKTypes.h"

namespace indesignhost
{
struct HostAction
{
    ActionID action = 0;
    // The implementation of the action component that handles it.
    ImplementationID owner = 0;
    std::string name;
    std::string area;
    int32 helpID = 0;
    bool userEditable = false;
    int32 iconID = 0;
    // As the component last set it, or as registered until then.
    bool enabled = true;
};

struct HostMenuItem
{
    ActionID action = 0;
    std::string menuPath;
    PMReal position = 0;
    bool dynamic = false;
    int32 flags = 0;
};

struct HostShortcut
{
    ActionID action = 0;
    std::string context;
    int32 key = 0;
    int32 modifiers = 0;
};

class ActionTable
{
public:
    HostAction* Find(ActionID action);
    // False, with the table unchanged, when the action is known already.
    bool AddAction(HostAction action);
    // Every item added is kept, also a second one for the same action and menu: a plug-in that
    // adds its items twice shows them twice.
    void AddMenuItem(HostMenuItem item);
    // False when the action has that shortcut in that context already.
    bool AddShortcut(HostShortcut shortcut);

    // The menu's items by position, those of equal position in the order they were added.
    std::vector<HostMenuItem> ItemsOf(std::string const& menuPath) const;
    // The action with that shortcut in any context, or 0.
    ActionID ActionOfShortcut(int32 key, int32 modifiers) const;
    std::vector<HostShortcut> const& Shortcuts() const { return fShortcuts; }
    std::map<ActionID, HostAction> const& Actions() const { return fActions; }

private:
    std::map<ActionID, HostAction> fActions;
    std::vector<HostMenuItem> fItems;
    std::vector<HostShortcut> fShortcuts;
};
} // namespace indesignhost
