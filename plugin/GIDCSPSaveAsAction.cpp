// The export of the front document.
#include "GIDCSPSaveAsAction.h"

#include "GCPTCSPluginToolsTexts.h"
#include "GIDCSConvertMethods.h"
#include "GIDCSPHelperMethods.h"
#include "ICommand.h"
#include "IDocument.h"
#include "IDocumentSaveUtils.h"
#include "IFrontDocumentUtils.h"
#include "IOutputPages.h"
#include "IPackageReport.h"
#include "IPackager.h"
#include "IPageList.h"
#include "ISysFileData.h"
#include "InterfacePtr.h"
#include "UtilsBoss.h"

namespace
{
using Texts = GCPTCSPluginToolsTexts;

// The id of the Qt layer's "Pages", the failure of a range that selects no page.
constexpr int cPagesText = 11010032;

IDocument* FrontDocument()
{
    InterfacePtr<IFrontDocumentUtils> const utils(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
    return utils ? utils->GetFrontDocument() : nullptr;
}

GString NameOf(IDocument const* document)
{
    PMString name;
    document->GetName(name);
    GString text;
    GIDCSConvertMethods::ConvertToGString(name, text);
    return text;
}

GString WithoutExtension(GString const& name)
{
    return GPathName(name).GetLeafWithoutExtension();
}
} // namespace

bool GIDCSPSaveAsAction::Fail(int id, GString const& extra)
{
    GIDCSPHelperMethods::ToLocaleString(id, extra, fLastError);
    return false;
}

bool GIDCSPSaveAsAction::SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder)
{
    InterfacePtr<ICommand> const command(CmdUtils::CreateCommand(ICommand::kPDFExportCmdBoss));
    if (!command)
        return Fail(Texts::cPDFExportCommandNotFound);
    InterfacePtr<IPDFExportPrefs> prefs(command.get());
    int error = 0;
    if (!GIDCSPHelperMethods::ToExportPrefs(request, prefs, error))
        return Fail(error);
    InterfacePtr<ISysFileData> const sysFile(command.get());
    if (!sysFile)
        return Fail(Texts::cNoSystemFileData);
    IDocument* const document = FrontDocument();
    if (!document)
        return Fail(Texts::cNoCurrentDocument);
    if (document->IsModified())
    {
        InterfacePtr<IDocumentSaveUtils> const save(UtilsBoss::QueryUtils<IDocumentSaveUtils>());
        if (!save || save->SaveDocument(document) != kSuccess)
            return Fail(Texts::cCanNotSaveDocument);
    }

    GString const name = NameOf(document);
    GPathName pdf;
    GetUniquePDFFilePath(folder, WithoutExtension(name), pdf);
    sysFile->Set(GIDCSConvertMethods::ConvertToIDFile(pdf));

    InterfacePtr<IPageList> const pageList(document);
    UIDList pages(document);
    if (pageList && request.HasPageRange())
    {
        PMString range;
        GIDCSConvertMethods::ConvertToPMString(request.GetPageRange(), range);
        if (pageList->ParsePageRange(range, pages) != kSuccess)
            pages.Clear();
    }
    else if (pageList)
    {
        for (int32 i = 0; i < pageList->GetPageCount(); ++i)
            pages.Append(pageList->GetNthPageUID(i));
    }
    if (pages.IsEmpty())
        return Fail(cPagesText);

    InterfacePtr<IOutputPages> const outputPages(command.get());
    if (!outputPages)
        return Fail(Texts::cPDFExportCommandFailed);
    PMString hostName;
    GIDCSConvertMethods::ConvertToPMString(name, hostName);
    outputPages->InitializeFrom(pages, prefs->GetSpreads() == 1 ? kTrue : kFalse, hostName);

    // Without the host's answer about fonts the check passes: the export goes on.
    GString missingFonts;
    if (GIDCSPHelperMethods::GetMissingFontsInfo(document, error, missingFonts) > 0)
        return Fail(error, missingFonts);

    if (CmdUtils::ProcessCommand(command.get()) != kSuccess)
        return Fail(Texts::cPDFExportCommandFailed);
    SetSaveAsPDF(pdf);
    return true;
}

bool GIDCSPSaveAsAction::CreatePackage(GPathName const& folder)
{
    InterfacePtr<IPackager> const packager(
        static_cast<IPackager*>(CreateObject(IPackager::kDocumentPackageBoss, IPackager::kDefaultIID)));
    if (!packager)
        return Fail(Texts::cPackageCommandNotFound);
    IDocument* const document = FrontDocument();
    if (!document)
        return Fail(Texts::cNoCurrentDocument);
    packager->SetDocument(document);
    GPathName target;
    GetUniqueFolderPath(folder, WithoutExtension(NameOf(document)) + GString(" Folder"), target);
    packager->SetTargetFolder(GIDCSConvertMethods::ConvertToIDFile(target));
    packager->SetOptions(1, 1, 1, nullptr, 0, 0, 1, 0);
    if (packager->Run() != kSuccess)
        return Fail(Texts::cPackageCommandFailed);
    SetPackagePath(target);

    InterfacePtr<IPackageReport> const report(static_cast<IPackageReport*>(
        CreateObject(IPackageReport::kPackageReportBoss, IPackageReport::kDefaultIID)));
    if (!report)
        return Fail(Texts::cPackageReportCommandNotFound);
    if (report->Run(packager.get(), 0, 0, 1) != 1)
        return Fail(Texts::cPackageReportCommandFailed);
    return true;
}
