// The list of actions whose state the host asks a component for before it shows a menu.
#pragma once

#include <string>
#include <vector>

#include "HostObject.h"
#include "IActionStateList.h"

namespace indesignhost
{
struct ActionStateEntry
{
    ActionID action = 0;
    bool enabled = false;
    std::string name;
};

class ActionStateListObject : public HostObject
{
public:
    ActionStateListObject(Host& host, std::vector<ActionStateEntry> entries);

    IActionStateList* GetList() { return &fList; }
    std::vector<ActionStateEntry> const& Entries() const { return fEntries; }

private:
    class List : public Facet<IActionStateList>
    {
    public:
        explicit List(ActionStateListObject& object) : Facet<IActionStateList>(object), fOwner(object) {}
        int32 Length() const override;
        ActionID GetNthAction(int32 index) const override;
        void SetNthActionState(int32 index, int16 state) override;
        void SetNthActionName(int32 index, PMString const& name) override;

    private:
        ActionStateListObject& fOwner;
    };

    bool Inside(int32 index) const { return index >= 0 && static_cast<std::size_t>(index) < fEntries.size(); }

    std::vector<ActionStateEntry> fEntries;
    List fList{*this};
};
} // namespace indesignhost
