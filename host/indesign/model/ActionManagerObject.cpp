// The action, menu and shortcut managers.
#include "ActionManagerObject.h"

#include "Host.h"
#include "HostClasses.h"
#include "ShortcutText.h"

namespace indesignhost
{
namespace
{
QString Q(PMString const& text)
{
    return QString::fromStdString(text.GetUTF8());
}
} // namespace

ActionManagerObject::ActionManagerObject(Host& host) : HostObject(host, kActionManagerBoss, false)
{
    AddInterface(IActionManager::kDefaultIID, &fActionManager);
    AddInterface(IMenuManager::kDefaultIID, &fMenuManager);
    AddInterface(IShortcutManager::kDefaultIID, &fShortcutManager);
}

char const* ActionManagerObject::QueryFaultAlias(PMIID interfaceID) const
{
    if (interfaceID == IMenuManager::kDefaultIID)
        return "actionManager.menuManager";
    if (interfaceID == IShortcutManager::kDefaultIID)
        return "actionManager.shortcutManager";
    return nullptr;
}

bool16 ActionManagerObject::ActionManager::IsValidAction(ActionID action) const
{
    Host& host = Object().GetHost();
    bool const known = host.Actions().Find(action) != nullptr;
    QJsonObject fields;
    fields.insert("action", static_cast<qint64>(action));
    fields.insert("answer", known);
    host.Record("call", "IActionManager::IsValidAction", fields);
    return known ? kTrue : kFalse;
}

void ActionManagerObject::ActionManager::AddAction(ImplementationID owner, ActionID action,
                                                   PMString const& name, PMString const& area, int32 helpID,
                                                   bool16 userEditable, int32 iconID, bool16 enabledByDefault)
{
    Host& host = Object().GetHost();
    HostAction added;
    added.action = action;
    added.owner = owner;
    added.name = name.GetUTF8();
    added.area = area.GetUTF8();
    added.helpID = helpID;
    added.userEditable = userEditable != kFalse;
    added.iconID = iconID;
    added.enabled = enabledByDefault != kFalse;
    bool const isNew = host.Actions().AddAction(added);
    QJsonObject fields;
    fields.insert("owner", static_cast<qint64>(owner));
    fields.insert("action", static_cast<qint64>(action));
    fields.insert("name", Q(name));
    fields.insert("area", Q(area));
    fields.insert("helpID", helpID);
    fields.insert("userEditable", userEditable);
    fields.insert("iconID", iconID);
    fields.insert("enabledByDefault", enabledByDefault);
    if (!isNew)
        fields.insert("refused", "the action is known already");
    host.Record("call", "IActionManager::AddAction", fields);
}

void ActionManagerObject::MenuManager::AddMenuItem(ActionID action, PMString const& menuPath, PMReal position,
                                                   bool16 isDynamic, int32 flags)
{
    Host& host = Object().GetHost();
    HostMenuItem item;
    item.action = action;
    item.menuPath = menuPath.GetUTF8();
    item.position = position;
    item.dynamic = isDynamic != kFalse;
    item.flags = flags;
    host.Actions().AddMenuItem(item);
    QJsonObject fields;
    fields.insert("action", static_cast<qint64>(action));
    fields.insert("path", Q(menuPath));
    fields.insert("pos", position);
    fields.insert("dynamic", isDynamic);
    fields.insert("flags", flags);
    if (!host.Actions().Find(action))
        fields.insert("unknownAction", true);
    host.Record("call", "IMenuManager::AddMenuItem", fields);
}

void ActionManagerObject::ShortcutManager::AddShortcut(ActionID action, PMString const& context, int32 key,
                                                       int32 modifiers)
{
    Host& host = Object().GetHost();
    HostShortcut shortcut;
    shortcut.action = action;
    shortcut.context = context.GetUTF8();
    shortcut.key = key;
    shortcut.modifiers = modifiers;
    bool const isNew = host.Actions().AddShortcut(shortcut);
    QJsonObject fields;
    fields.insert("action", static_cast<qint64>(action));
    fields.insert("context", Q(context));
    fields.insert("key", key);
    fields.insert("modifiers", modifiers);
    fields.insert("shortcut", QString::fromStdString(ShortcutText(key, modifiers)));
    fields.insert("new", isNew);
    host.Record("call", "IShortcutManager::AddShortcut", fields);
}
} // namespace indesignhost
