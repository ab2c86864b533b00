// GIDCSPActionComponent: the plug-in's handler of its menu actions. Made by InDesign on the first
// use of an action, it brings every layer of the plug-in up (and takes them down when it goes),
// keeps the menu items' state, and runs the export dialog for the front document or the current
// book.
#pragma once

#include "CActionComponent.h"
#include "GAutoPtr.h"

class GCPTFeatureConfiguration;
class GCPTSaveAsAction;
class GIDCSPExportBookAction;
class GIDCSPSaveAsAction;
class IActiveContext;

class GIDCSPActionComponent : public CActionComponent
{
public:
    // Ids of the plug-in's prefix 1674240 (0x198C00): the component, which also owns the actions and
    // is the about item's action, the start-up service, and the two export actions.
    enum : uint32
    {
        kActionComponentID = 1674240,
        kAboutAction = 1674240,
        kStartupShutdownID = 1674243,
        kExportDocumentAction = 1674244,
        kExportBookAction = 1674246
    };

    // Brings up the foundation, the plug-in's folders and preference file, the delivery link and the
    // user interface, then makes the two actions, inactive. A failure takes down what came up and
    // passes on.
    explicit GIDCSPActionComponent(IPMUnknown* boss);
    // The actions go, then the layers come down; no failure leaves it.
    ~GIDCSPActionComponent() override;

    void DoAction(IActiveContext* context, ActionID action, SysPoint point, IPMUnknown* widget) override;
    void UpdateActionStates(IActiveContext* context, IActionStateList* list, SysPoint point,
                            IPMUnknown* widget) override;

    void DoAbout();
    void DoDialog();
    void DoBookExport();
    void EnsureMainWindowHandlerSet();

    // The foundation's unit code of InDesign's unit class; points for any unit it does not know.
    static int UnitCodeOf(ClassID unitClass);

private:
    // Runs the export dialog for the action, active for the dialog's run only.
    void RunDialog(GCPTSaveAsAction& action, GCPTFeatureConfiguration const& features);

    GAutoPtr<GIDCSPSaveAsAction> fSaveAsAction;
    GAutoPtr<GIDCSPExportBookAction> fExportBookAction;
    bool fMainWindowHandlerSet;
};
