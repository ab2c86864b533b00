// The host's action manager, with its menu manager and shortcut manager as further interfaces of
// the same object, over the host's table of actions.
#pragma once

#include "HostObject.h"
#include "IActionManager.h"
#include "IMenuManager.h"
#include "IShortcutManager.h"

namespace indesignhost
{
class ActionManagerObject : public HostObject
{
public:
    explicit ActionManagerObject(Host& host);

protected:
    char const* QueryFaultAlias(PMIID interfaceID) const override;

private:
    class ActionManager : public Facet<IActionManager>
    {
    public:
        explicit ActionManager(ActionManagerObject& object) : Facet<IActionManager>(object) {}
        bool16 IsValidAction(ActionID action) const override;
        void AddAction(ImplementationID owner, ActionID action, PMString const& name, PMString const& area,
                       int32 helpID, bool16 userEditable, int32 iconID, bool16 enabledByDefault) override;
    };

    class MenuManager : public Facet<IMenuManager>
    {
    public:
        explicit MenuManager(ActionManagerObject& object) : Facet<IMenuManager>(object) {}
        void AddMenuItem(ActionID action, PMString const& menuPath, PMReal position, bool16 isDynamic,
                         int32 flags) override;
    };

    class ShortcutManager : public Facet<IShortcutManager>
    {
    public:
        explicit ShortcutManager(ActionManagerObject& object) : Facet<IShortcutManager>(object) {}
        void AddShortcut(ActionID action, PMString const& context, int32 key, int32 modifiers) override;
    };

    ActionManager fActionManager{*this};
    MenuManager fMenuManager{*this};
    ShortcutManager fShortcutManager{*this};
};
} // namespace indesignhost
