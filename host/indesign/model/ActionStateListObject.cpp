// The action state list handed to action components.
#include "ActionStateListObject.h"

#include "Host.h"
#include "HostClasses.h"

namespace indesignhost
{
ActionStateListObject::ActionStateListObject(Host& host, std::vector<ActionStateEntry> entries)
    : HostObject(host, kActionStateListBoss, false), fEntries(std::move(entries))
{
    AddInterface(IActionStateList::kDefaultIID, &fList);
}

int32 ActionStateListObject::List::Length() const
{
    return static_cast<int32>(fOwner.fEntries.size());
}

ActionID ActionStateListObject::List::GetNthAction(int32 index) const
{
    return fOwner.Inside(index) ? fOwner.fEntries[static_cast<std::size_t>(index)].action : 0;
}

void ActionStateListObject::List::SetNthActionState(int32 index, int16 state)
{
    QJsonObject fields;
    fields.insert("index", index);
    fields.insert("state", state);
    if (fOwner.Inside(index))
    {
        ActionStateEntry& entry = fOwner.fEntries[static_cast<std::size_t>(index)];
        entry.enabled = (state & IActionStateList::kEnabledAction) != 0;
        fields.insert("action", static_cast<qint64>(entry.action));
    }
    else
        fields.insert("refused", "no such position");
    fOwner.GetHost().Record("call", "IActionStateList::SetNthActionState", fields);
}

void ActionStateListObject::List::SetNthActionName(int32 index, PMString const& name)
{
    QJsonObject fields;
    fields.insert("index", index);
    fields.insert("name", QString::fromStdString(name.GetUTF8()));
    fields.insert("translatable", name.IsTranslatable() != kFalse);
    if (fOwner.Inside(index))
    {
        ActionStateEntry& entry = fOwner.fEntries[static_cast<std::size_t>(index)];
        entry.name = name.GetUTF8();
        fields.insert("action", static_cast<qint64>(entry.action));
    }
    else
        fields.insert("refused", "no such position");
    fOwner.GetHost().Record("call", "IActionStateList::SetNthActionName", fields);
}
} // namespace indesignhost
