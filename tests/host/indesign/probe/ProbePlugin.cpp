// A small plug-in for the host's tests: it registers actions and menu items at start-up, sets their
// states, names and shortcuts when asked, and on its actions holds the modal-dialog state around an
// alert, or misbehaves on purpose (keeps the modal state, throws, leaks, crashes, releases twice) so
// that the host's checks have something to find.
#include <csignal>
#include <stdexcept>
#include <string>

#include "CActionComponent.h"
#include "CAlert.h"
#include "CPMUnknown.h"
#include "IActionManager.h"
#include "IActionStateList.h"
#include "IActiveContext.h"
#include "IApplication.h"
#include "IBook.h"
#include "IBookContent.h"
#include "IBookManager.h"
#include "IDialogUtils.h"
#include "IDocument.h"
#include "IFrontDocumentUtils.h"
#include "IMenuManager.h"
#include "ISession.h"
#include "IShortcutManager.h"
#include "IShortcutUtils.h"
#include "IStartupShutdownService.h"
#include "IUnitPrefs.h"
#include "InterfacePtr.h"
#include "PlugIn.h"
#include "UtilsBoss.h"

namespace
{
// The probe's ids: a prefix of its own, as a plug-in's are.
constexpr uint32 cPrefix = 0x00710000;
constexpr ImplementationID kComponent = cPrefix;
constexpr ImplementationID kService = cPrefix + 1;
constexpr ImplementationID kBrokenComponent = cPrefix + 2;

enum : ActionID
{
    kAboutAction = cPrefix,
    kExportAction = cPrefix + 10,
    kBookAction,
    kHoldModalAction,
    kThrowAction,
    kLeakAction,
    kCrashAction,
    kDisabledAction,
    kReleaseTwiceAction,
    kUnitAction,
    kBrokenAction
};

struct ProbeAction
{
    ActionID action;
    ImplementationID owner;
    char const* name;
    char const* area;
    char const* menu;
    PMReal position;
    char const* shortcut;
};

// What Startup registers and UpdateActionStates names.
constexpr ProbeAction cActions[] = {
    {kExportAction, kComponent, "Probe Export...", "Probe File menu", "Main:&File", 1400.0, "Opt+Shift+P"},
    {kBookAction, kComponent, "Probe Book...", "Probe Book menu", "BookPanelPopup", 1200.0, "Opt+Shift+K"},
    {kHoldModalAction, kComponent, "Hold Modal", "Probe menu", "Main:Probe", 1.0, nullptr},
    {kThrowAction, kComponent, "Throw", "Probe menu", "Main:Probe", 2.0, nullptr},
    {kLeakAction, kComponent, "Leak", "Probe menu", "Main:Probe", 3.0, nullptr},
    {kCrashAction, kComponent, "Crash", "Probe menu", "Main:Probe", 4.0, nullptr},
    {kDisabledAction, kComponent, "Disabled", "Probe menu", "Main:Probe", 5.0, nullptr},
    {kReleaseTwiceAction, kComponent, "Release Twice", "Probe menu", "Main:Probe", 6.0, nullptr},
    {kUnitAction, kComponent, "Unit", "Probe menu", "Main:Probe", 7.0, nullptr},
    {kBrokenAction, kBrokenComponent, "Broken", "Probe menu", "Main:Probe Broken", 1.0, nullptr},
};

ProbeAction const* FindAction(ActionID action)
{
    for (ProbeAction const& probe : cActions)
        if (probe.action == action)
            return &probe;
    return nullptr;
}

PMString Text(std::string const& utf8)
{
    PMString text;
    text.ReadPlatformWriteUnicode(utf8.data(), static_cast<int32>(utf8.size()), PMString::kEncodingUTF8);
    text.SetTranslatable(kFalse);
    return text;
}

int16 Alert(std::string const& text)
{
    return CAlert::ModalAlert(Text(text), Text("OK"), Text("Cancel"), PMString(), 1, 2);
}

InterfacePtr<IActionManager> QueryActionManager()
{
    ISession* const session = GetExecutionContextSession();
    if (!session)
        return InterfacePtr<IActionManager>();
    InterfacePtr<IApplication> const application(session->QueryApplication());
    if (!application)
        return InterfacePtr<IActionManager>();
    return InterfacePtr<IActionManager>(application->QueryActionManager());
}

bool FrontDocumentOpen()
{
    InterfacePtr<IFrontDocumentUtils> const utils(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
    return utils && utils->GetFrontDocument();
}

// A current book with at least one chapter.
IBook* CurrentBookWithChapters()
{
    ISession* const session = GetExecutionContextSession();
    InterfacePtr<IBookManager> const books(session);
    IBook* const book = books && books->GetBookCount() > 0 ? books->GetCurrentBook() : nullptr;
    InterfacePtr<IBookContent> const content(book);
    return content && content->GetContentCount() > 0 ? book : nullptr;
}

void AddShortcut(ActionID action, char const* shortcut)
{
    InterfacePtr<IActionManager> const actions = QueryActionManager();
    InterfacePtr<IShortcutManager> const shortcuts(actions.get());
    InterfacePtr<IShortcutUtils> const utils(UtilsBoss::QueryUtils<IShortcutUtils>());
    int32 key = 0;
    int32 modifiers = 0;
    if (shortcuts && utils && utils->ParseShortcutString(Text(shortcut), key, modifiers))
        shortcuts->AddShortcut(action, Text("DefaultContext"), key, modifiers);
}

class ProbeComponent : public CActionComponent
{
public:
    explicit ProbeComponent(IPMUnknown* boss) : CActionComponent(boss) {}

    void UpdateActionStates(IActiveContext*, IActionStateList* list, SysPoint, IPMUnknown*) override
    {
        for (int32 i = 0; i < list->Length(); ++i)
        {
            ProbeAction const* const probe = FindAction(list->GetNthAction(i));
            if (!probe)
                continue;
            bool enabled = true;
            if (probe->action == kExportAction)
                enabled = FrontDocumentOpen();
            else if (probe->action == kBookAction)
                enabled = CurrentBookWithChapters() != nullptr;
            else if (probe->action == kDisabledAction)
                enabled = false;
            list->SetNthActionState(i, enabled ? IActionStateList::kEnabledAction
                                               : IActionStateList::kDisabled_Unselected);
            list->SetNthActionName(i, Text(probe->name));
            if (probe->shortcut)
                AddShortcut(probe->action, probe->shortcut);
        }
    }

    void DoAction(IActiveContext* context, ActionID action, SysPoint, IPMUnknown*) override
    {
        switch (action)
        {
        case kAboutAction:
            Alert("Probe plug-in for the host's tests");
            return;
        case kExportAction:
        case kBookAction:
            RunDialog(action);
            return;
        case kHoldModalAction:
        {
            InterfacePtr<IDialogUtils> const dialogs(UtilsBoss::QueryUtils<IDialogUtils>());
            dialogs->AcquireModalDialogState();
            return;
        }
        case kThrowAction:
            throw std::runtime_error("the probe throws on purpose");
        case kLeakAction:
            // A reference never given back and memory never freed.
            UtilsBoss::QueryUtils<IFrontDocumentUtils>();
            SDKAllocate(24);
            return;
        case kCrashAction:
            std::raise(SIGSEGV);
            return;
        case kDisabledAction:
            Alert("the disabled item ran");
            return;
        case kReleaseTwiceAction:
        {
            InterfacePtr<IDialogUtils> const dialogs(UtilsBoss::QueryUtils<IDialogUtils>());
            ModalDialogState* const state = dialogs->AcquireModalDialogState();
            dialogs->ReleaseModalDialogState(state);
            dialogs->ReleaseModalDialogState(state);
            return;
        }
        case kUnitAction:
        {
            InterfacePtr<IUnitPrefs> const units(
                static_cast<IUnitPrefs*>(QueryPreferences(IUnitPrefs::kDefaultIID, context)));
            Alert("unit " + std::to_string(units ? units->GetHorizontalUnit() : 0));
            return;
        }
        default:
            return;
        }
    }

private:
    // Holds the modal-dialog state around the alert that stands for a dialog, and says what was
    // answered.
    void RunDialog(ActionID action)
    {
        InterfacePtr<IDialogUtils> const dialogs(UtilsBoss::QueryUtils<IDialogUtils>());
        ModalDialogState* const state = dialogs ? dialogs->AcquireModalDialogState() : nullptr;
        std::string subject;
        if (action == kExportAction)
        {
            InterfacePtr<IFrontDocumentUtils> const utils(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
            PMString name;
            if (IDocument* const document = utils ? utils->GetFrontDocument() : nullptr)
                document->GetName(name);
            subject = "document " + name.GetUTF8();
        }
        else
        {
            PMString name;
            if (IBook* const book = CurrentBookWithChapters())
                book->GetBookTitleName(name);
            subject = "book " + name.GetUTF8();
        }
        int16 const answer = Alert("Probe export of " + subject);
        Alert("answered " + std::to_string(answer));
        if (state)
            dialogs->ReleaseModalDialogState(state);
    }
};

// Its construction fails, as a component's does when a layer it brings up fails.
class BrokenComponent : public CActionComponent
{
public:
    explicit BrokenComponent(IPMUnknown* boss) : CActionComponent(boss)
    {
        throw std::runtime_error("the broken component cannot be made");
    }
};

class ProbeStartup : public CPMUnknown<IStartupShutdownService>
{
public:
    explicit ProbeStartup(IPMUnknown* boss) : CPMUnknown<IStartupShutdownService>(boss) {}

    void Startup() override
    {
        InterfacePtr<IActionManager> const actions = QueryActionManager();
        InterfacePtr<IMenuManager> const menus(actions.get());
        if (!actions || !menus)
            return;
        for (ProbeAction const& probe : cActions)
        {
            if (actions->IsValidAction(probe.action))
                continue;
            actions->AddAction(probe.owner, probe.action, PMString(), Text(probe.area), 0, kTrue, 0, kTrue);
            menus->AddMenuItem(probe.action, Text(probe.menu), probe.position, kFalse, 0);
        }
    }
    void Shutdown() override {}
};

ImplementationRecord sComponentRecord = {kComponent, ImplementationFunctions<ProbeComponent>::Create,
                                         ImplementationFunctions<ProbeComponent>::Destroy,
                                         ImplementationFunctions<ProbeComponent>::Size, nullptr};
ImplementationRecord sBrokenRecord = {kBrokenComponent, ImplementationFunctions<BrokenComponent>::Create,
                                      ImplementationFunctions<BrokenComponent>::Destroy,
                                      ImplementationFunctions<BrokenComponent>::Size, nullptr};
ImplementationRecord sServiceRecord = {kService, ImplementationFunctions<ProbeStartup>::Create,
                                       ImplementationFunctions<ProbeStartup>::Destroy,
                                       ImplementationFunctions<ProbeStartup>::Size, nullptr};
ImplementationRegistrar const sComponentRegistrar(sComponentRecord);
ImplementationRegistrar const sBrokenRegistrar(sBrokenRecord);
ImplementationRegistrar const sServiceRegistrar(sServiceRecord);

PlugIn sPlugIn(cPrefix, "Probe",
               {{kComponent, IActionComponent::kDefaultIID, kComponent, kFalse},
                {kBrokenComponent, IActionComponent::kDefaultIID, kBrokenComponent, kFalse},
                {kService, IStartupShutdownService::kDefaultIID, kService, kTrue}},
               {{kAboutAction, kComponent, "About Probe...", "Probe Help menu", "Main:&Help", 100.0}});
} // namespace

extern "C" __attribute__((visibility("default"))) PlugIn* GetPlugIn()
{
    return &sPlugIn;
}
