// The plug-in's handler of its menu actions.
#include "GIDCSPActionComponent.h"

#include <QString>

#include <exception>
#include <new>

#include "CAlert.h"
#include "GBasicFrameworkCoreLayer.h"
#include "GCCLSendrixCoreLayer.h"
#include "GCPTCSPluginToolsTexts.h"
#include "GCPTConstants.h"
#include "GCPTFeatureConfiguration.h"
#include "GCPTSaveAsTool.h"
#include "GCSPUPluginUILayer.h"
#include "GCSPUSaveAsSealmarkPDFDialog.h"
#include "GCustomException.h"
#include "GException.h"
#include "GFileSystem.h"
#include "GIDCSConvertMethods.h"
#include "GIDCSPExportBookAction.h"
#include "GIDCSPSaveAsAction.h"
#include "GIDCSPWindowSupport.h"
#include "GMemoryException.h"
#include "GPrefFileModule.h"
#include "GPreferences.h"
#include "GQStringSupport.h"
#include "GQUILayer.h"
#include "GStringPool.h"
#include "GUnicodeEncoding.h"
#include "GUnitSupport.h"
#include "GUserMessage.h"
#include "IActionManager.h"
#include "IActionStateList.h"
#include "IActiveContext.h"
#include "IApplication.h"
#include "IBook.h"
#include "IBookContent.h"
#include "IBookManager.h"
#include "IFrontDocumentUtils.h"
#include "ISession.h"
#include "IShortcutManager.h"
#include "IShortcutUtils.h"
#include "IUnitPrefs.h"
#include "InterfacePtr.h"
#include "UtilsBoss.h"

namespace
{
// Special folders the component registers: the plug-in's string files, and its data folder.
constexpr int cStringsFolder = 22;
constexpr int cPreferencesFolder = 35;
constexpr int cDataFolder = 36;

// The action is active only while its dialog runs, also when the run ends by an error.
class ActiveScope
{
public:
    explicit ActiveScope(GCPTSaveAsAction& action) : fAction(action) { fAction.SetActiveState(true); }
    ~ActiveScope() { fAction.SetActiveState(false); }
    ActiveScope(ActiveScope const&) = delete;
    ActiveScope& operator=(ActiveScope const&) = delete;

private:
    GCPTSaveAsAction& fAction;
};

bool HasFrontDocument()
{
    InterfacePtr<IFrontDocumentUtils> const utils(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
    return utils && utils->GetFrontDocument();
}

// An open book that is current and holds at least one document.
bool HasCurrentBookWithContent()
{
    InterfacePtr<IBookManager> const books(GetExecutionContextSession());
    if (!books || books->GetBookCount() < 1)
        return false;
    IBook* const book = books->GetCurrentBook();
    InterfacePtr<IBookContent> const content(book);
    return content && content->GetContentCount() > 0;
}

// The shortcut is added at every update; a host without its managers or utilities gets none.
void AddShortcut(ActionID action, char const* text)
{
    ISession* const session = GetExecutionContextSession();
    InterfacePtr<IApplication> const application(session ? session->QueryApplication() : nullptr);
    InterfacePtr<IActionManager> const actions(application ? application->QueryActionManager() : nullptr);
    InterfacePtr<IShortcutManager> const shortcuts(actions.get());
    InterfacePtr<IShortcutUtils> const utils(UtilsBoss::QueryUtils<IShortcutUtils>());
    if (!shortcuts || !utils)
        return;
    int32 key = 0;
    int32 modifiers = 0;
    if (utils->ParseShortcutString(PMString(text), key, modifiers))
        shortcuts->AddShortcut(action, PMString("DefaultContext"), key, modifiers);
}

// The foundation's "General Exception", the id of an error that has only a text of its own.
constexpr int cGeneralErrorID = 2450;

// Shows an error that ended an action. Out of memory, the message may fail to be made or shown too;
// then nothing more can be told, and the host must still go on.
template<class Describe>
void ShowActionError(Describe describe)
{
    try
    {
        GUserMessage::GetInstance()->ShowErrorMessage(
            GStringPool::GetString(GCPTCSPluginToolsTexts::cExportToSendrixorError), describe());
    }
    catch (...) // see above
    {
    }
}

PMString HostText(GString const& text)
{
    PMString host;
    GIDCSConvertMethods::ConvertToPMString(text, host);
    return host;
}
} // namespace

GIDCSPActionComponent::GIDCSPActionComponent(IPMUnknown* boss) : CActionComponent(boss), fMainWindowHandlerSet(false)
{
    int reached = 0;
    try
    {
        GBasicFrameworkCoreLayer::Initialize();
        reached = 1;
        GPathName contents;
        GFileSystem::GetDllPath(contents);
        contents = contents.GetBranch().GetBranch();
        GFileSystem::AddSpecialPath(cStringsFolder, contents / GPathName("Resources/Strings"));
        GPathName data = GFileSystem::GetSpecialPath(cPreferencesFolder);
        data.Append(GString("Sendrix_DA2025_InDesign"));
        GFileSystem::AddSpecialPath(cDataFolder, data);
        if (!GFileSystem::FolderExists(data))
            GFileSystem::CreateFolder(data);
        GPathName preferences = data;
        preferences.Append(GString(GCPTConstants::cPluginPreferenceFile));
        GPreferences::SetPrefModule(GPreferences::cUserModuleID,
                                    new GPrefFileModule(preferences, GUnicodeEncoding::GetInstance()), true);
        GCCLSendrixCoreLayer::Initialize();
        reached = 2;
        GCSPUPluginUILayer::Initialize();
        reached = 3;
        GQUILayer::SetStartModalLoopHandler(&GIDCSPWindowSupport::StartModalLoop);
        GQUILayer::SetStopModalLoopHandler(&GIDCSPWindowSupport::StopModalLoop);
        EnsureMainWindowHandlerSet();
        fSaveAsAction.Reset(new GIDCSPSaveAsAction);
        fSaveAsAction->SetActiveState(false);
        fExportBookAction.Reset(new GIDCSPExportBookAction);
        fExportBookAction->SetActiveState(false);
    }
    catch (...) // what came up goes down again; the host sees the failed creation
    {
        fExportBookAction.Reset();
        fSaveAsAction.Reset();
        if (reached >= 3)
            GCSPUPluginUILayer::Finalize();
        if (reached >= 2)
            GCCLSendrixCoreLayer::Finalize();
        if (reached >= 1)
            GBasicFrameworkCoreLayer::Finalize();
        throw;
    }
}

GIDCSPActionComponent::~GIDCSPActionComponent()
{
    fSaveAsAction.Reset();
    fExportBookAction.Reset();
    // Each layer comes down whatever the one before it threw: an error must not leave a destructor.
    try
    {
        GCSPUPluginUILayer::Finalize();
    }
    catch (...) // nothing can be told from here; the next layers still come down
    {
    }
    try
    {
        GCCLSendrixCoreLayer::Finalize();
    }
    catch (...) // as above
    {
    }
    try
    {
        GBasicFrameworkCoreLayer::Finalize();
    }
    catch (...) // as above
    {
    }
}

void GIDCSPActionComponent::DoAction(IActiveContext*, ActionID action, SysPoint, IPMUnknown*)
{
    // The host takes any exception out of this call for a crash: every error is shown to the user
    // instead.
    try
    {
        switch (action)
        {
        case kExportBookAction:
            EnsureMainWindowHandlerSet();
            DoBookExport();
            break;
        case kExportDocumentAction:
            EnsureMainWindowHandlerSet();
            DoDialog();
            break;
        case kAboutAction:
            DoAbout();
            break;
        default:
            break;
        }
    }
    catch (GException const& exception) // shown, so that the host goes on
    {
        ShowActionError([&exception] { return exception.GetFullDescription(); });
    }
    catch (std::bad_alloc const&) // the runtime's out of memory: told as the foundation's
    {
        ShowActionError([] { return GMemoryException().GetFullDescription(); });
    }
    catch (std::exception const& exception) // a library's error, with its own text
    {
        ShowActionError(
            [&exception]
            {
                GString const text = GQStringSupport::ToGString(QString::fromUtf8(exception.what()), true);
                return GCustomException(cGeneralErrorID, text).GetFullDescription();
            });
    }
    catch (...) // whatever else is thrown must not reach the host either
    {
        ShowActionError([] { return GException().GetFullDescription(); });
    }
}

void GIDCSPActionComponent::UpdateActionStates(IActiveContext*, IActionStateList* list, SysPoint, IPMUnknown*)
{
    if (!list)
        return;
    for (int32 i = 0; i < list->Length(); ++i)
    {
        ActionID const action = list->GetNthAction(i);
        if (action == kExportBookAction)
        {
            list->SetNthActionState(i, HasCurrentBookWithContent() ? IActionStateList::kEnabledAction
                                                                    : IActionStateList::kDisabled_Unselected);
            list->SetNthActionName(i, HostText(fExportBookAction->GetMenuTitle()));
            AddShortcut(action, "Opt+Shift+B");
        }
        else if (action == kExportDocumentAction)
        {
            list->SetNthActionState(i, HasFrontDocument() ? IActionStateList::kEnabledAction
                                                          : IActionStateList::kDisabled_Unselected);
            list->SetNthActionName(i, HostText(fSaveAsAction->GetMenuTitle()));
            AddShortcut(action, "Opt+Shift+E");
        }
    }
}

void GIDCSPActionComponent::DoAbout()
{
    CAlert::ModalAlert(PMString("Sendrix Export for Adobe InDesign 2025\n\nExports documents and books to PDF "
                                "for a Sendrixor, and hands them to the Sendrixor."),
                       PMString("OK"), PMString(), PMString(), 1, 0);
}

void GIDCSPActionComponent::DoDialog()
{
    GCPTFeatureConfiguration features;
    for (int feature : {GCPTFeatureConfiguration::SlugArea, GCPTFeatureConfiguration::PrintSpreads,
                        GCPTFeatureConfiguration::BleedMarks, GCPTFeatureConfiguration::TrimMarkWeight,
                        GCPTFeatureConfiguration::FilePackage})
        features.SetFeatureAvailable(feature, true);
    RunDialog(*fSaveAsAction, features);
}

void GIDCSPActionComponent::DoBookExport()
{
    GCPTFeatureConfiguration features;
    for (int feature : {GCPTFeatureConfiguration::SlugArea, GCPTFeatureConfiguration::PrintSpreads,
                        GCPTFeatureConfiguration::BleedMarks, GCPTFeatureConfiguration::TrimMarkWeight})
        features.SetFeatureAvailable(feature, true);
    // A book has no page range of its own.
    features.SetFeatureAvailable(GCPTFeatureConfiguration::PageRange, false);
    features.SetFeatureAvailable(GCPTFeatureConfiguration::FilePackage, true);
    RunDialog(*fExportBookAction, features);
}

void GIDCSPActionComponent::RunDialog(GCPTSaveAsAction& action, GCPTFeatureConfiguration const& features)
{
    ActiveScope const active(action);
    ISession* const session = GetExecutionContextSession();
    InterfacePtr<IUnitPrefs> const units(static_cast<IUnitPrefs*>(
        QueryPreferences(IUnitPrefs::kDefaultIID, session ? session->GetActiveContext() : nullptr)));
    ClassID const unit = units ? units->GetHorizontalUnit() : ClassID(IUnitPrefs::kPointsBoss);
    GUnitSupport::SetDefaultUnitCode(static_cast<GUnitSupport::Unit>(UnitCodeOf(unit)));

    GCPTSaveAsTool tool(action, &features);
    GCSPUSaveAsSealmarkPDFDialog dialog(action.GetDialogTitle(), tool);
    dialog.exec();
}

void GIDCSPActionComponent::EnsureMainWindowHandlerSet()
{
    if (fMainWindowHandlerSet)
        return;
    GQUILayer::SetMainWindowHandler(&GIDCSPWindowSupport::GetMainWindowHandle);
    fMainWindowHandlerSet = true;
}

int GIDCSPActionComponent::UnitCodeOf(ClassID unitClass)
{
    switch (unitClass)
    {
    case IUnitPrefs::kPicasBoss:
        return GUnitSupport::cPicas;
    case IUnitPrefs::kInchesBoss:
    case IUnitPrefs::kInchesDecimalBoss:
        return GUnitSupport::cInches;
    case IUnitPrefs::kMillimetersBoss:
        return GUnitSupport::cMillimeters;
    case IUnitPrefs::kCentimetersBoss:
        return GUnitSupport::cCentimeters;
    default:
        return GUnitSupport::cPoints;
    }
}
