// The host's table of actions, menu items and shortcuts.
#include "ActionTable.h"

#include <algorithm>

namespace indesignhost
{
HostAction* ActionTable::Find(ActionID action)
{
    auto const found = fActions.find(action);
    return found == fActions.end() ? nullptr : &found->second;
}

bool ActionTable::AddAction(HostAction action)
{
    return fActions.emplace(action.action, std::move(action)).second;
}

void ActionTable::AddMenuItem(HostMenuItem item)
{
    fItems.push_back(std::move(item));
}

bool ActionTable::AddShortcut(HostShortcut shortcut)
{
    for (HostShortcut const& known : fShortcuts)
        if (known.action == shortcut.action && known.context == shortcut.context &&
            known.key == shortcut.key && known.modifiers == shortcut.modifiers)
            return false;
    fShortcuts.push_back(std::move(shortcut));
    return true;
}

std::vector<HostMenuItem> ActionTable::ItemsOf(std::string const& menuPath) const
{
    std::vector<HostMenuItem> items;
    for (HostMenuItem const& item : fItems)
        if (item.menuPath == menuPath)
            items.push_back(item);
    std::stable_sort(items.begin(), items.end(),
                     [](HostMenuItem const& a, HostMenuItem const& b) { return a.position < b.position; });
    return items;
}

ActionID ActionTable::ActionOfShortcut(int32 key, int32 modifiers) const
{
    for (HostShortcut const& shortcut : fShortcuts)
        if (shortcut.key == key && shortcut.modifiers == modifiers)
            return shortcut.action;
    return 0;
}
} // namespace indesignhost
