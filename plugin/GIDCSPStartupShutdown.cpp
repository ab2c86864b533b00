// The plug-in's start-up service.
#include "GIDCSPStartupShutdown.h"

#include "GIDCSPActionComponent.h"
#include "IActionManager.h"
#include "IApplication.h"
#include "IMenuManager.h"
#include "ISession.h"
#include "InterfacePtr.h"

namespace
{
// The arguments of an action as the host takes them: no help, editable by the user, no icon,
// enabled until the component says otherwise.
void RegisterAction(IActionManager* actions, IMenuManager* menus, ActionID action, char const* area,
                    char const* menuPath, PMReal position)
{
    if (actions->IsValidAction(action))
        return;
    actions->AddAction(GIDCSPActionComponent::kActionComponentID, action, PMString(), PMString(area), 0, 1, 0, 1);
    menus->AddMenuItem(action, PMString(menuPath), position, kFalse, 0);
}
} // namespace

void GIDCSPStartupShutdown::Startup()
{
    ISession* const session = GetExecutionContextSession();
    InterfacePtr<IApplication> const application(session ? session->QueryApplication() : nullptr);
    InterfacePtr<IActionManager> const actions(application ? application->QueryActionManager() : nullptr);
    InterfacePtr<IMenuManager> const menus(actions.get());
    if (!session || !application || !actions || !menus)
        return;
    RegisterAction(actions.get(), menus.get(), GIDCSPActionComponent::kExportDocumentAction, "KBSCE File menu",
                   "Main:&File", 1301.0);
    RegisterAction(actions.get(), menus.get(), GIDCSPActionComponent::kExportBookAction,
                   "KBSCE Palette Menus: Book: ", "BookPanelPopup", 1101.0);
}
