// The export of the current book.
#include "GIDCSPExportBookAction.h"

#include "AcquireCurrentBook.h"
#include "GCPTCSPluginToolsTexts.h"
#include "GIDCSConvertMethods.h"
#include "GIDCSPHelperMethods.h"
#include "IBook.h"
#include "IBookContent.h"
#include "IBookExportData.h"
#include "IBookManager.h"
#include "IBookUtils.h"
#include "ICommand.h"
#include "IDocument.h"
#include "IDocumentOpenUtils.h"
#include "IPackager.h"
#include "ISession.h"
#include "InterfacePtr.h"
#include "UtilsBoss.h"

namespace
{
using Texts = GCPTCSPluginToolsTexts;

GString TextOf(std::string const& utf8)
{
    PMString host;
    host.ReadPlatformWriteUnicode(utf8.data(), static_cast<int32>(utf8.size()), PMString::kEncodingUTF8);
    GString text;
    GIDCSConvertMethods::ConvertToGString(host, text);
    return text;
}

GString NameOf(IDocument const* document)
{
    PMString name;
    document->GetName(name);
    GString text;
    GIDCSConvertMethods::ConvertToGString(name, text);
    return text;
}
} // namespace

IBook* GIDCSPExportBookAction::GetCurrentBook()
{
    InterfacePtr<IBookManager> const manager(GetExecutionContextSession());
    if (!manager || manager->GetBookCount() <= 0)
        return nullptr;
    return manager->GetCurrentBook();
}

bool GIDCSPExportBookAction::Fail(int id, GString const& extra)
{
    GIDCSPHelperMethods::ToLocaleString(id, extra, fLastError);
    return false;
}

bool GIDCSPExportBookAction::SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder)
{
    IBook* const book = GetCurrentBook();
    if (!book)
        return Fail(Texts::cInvalidBook);

    // Every document's fonts, in book order, gathered into one list. A document that cannot be
    // opened, or whose fonts the host cannot tell, ends the check but not the export: its error is
    // only held.
    int error = 0;
    int totalMissing = 0;
    GString missing;
    InterfacePtr<IBookContent> const content(book);
    InterfacePtr<IDocumentOpenUtils> const opener(UtilsBoss::QueryUtils<IDocumentOpenUtils>());
    int const count = content ? content->GetContentCount() : 0;
    for (int i = 0; i < count && error == 0; ++i)
    {
        IDFile const file = content->GetNthContentFile(i);
        IDocument* document = nullptr;
        if (!opener || opener->OpenDocument(file, document) != kSuccess)
        {
            error = Texts::cCanNotOpenDocument;
            break;
        }
        if (!document)
        {
            error = Texts::cInvalidDocument;
            break;
        }
        GString list;
        int fontError = 0;
        int const fonts = GIDCSPHelperMethods::GetMissingFontsInfo(document, fontError, list);
        if (fonts == 0)
            error = fontError;
        else
        {
            missing += GString("\n");
            missing += GPathName(NameOf(document)).GetLeaf();
            missing += GString(" : ");
            missing += list;
            totalMissing += fonts;
        }
        opener->CloseDocument(document);
    }
    if (totalMissing > 0)
        return Fail(totalMissing == 1 ? Texts::cFontMissing : Texts::cFontsMissing, missing);

    if (book->IsModified())
    {
        InterfacePtr<IBookUtils> const utils(UtilsBoss::QueryUtils<IBookUtils>());
        if (utils)
            utils->SaveBook(book);
    }

    // The book export takes its settings from the session, which this command sets.
    InterfacePtr<ICommand> const prefsCommand(CmdUtils::CreateCommand(ICommand::kSetPDFExportPrefsCmdBoss));
    InterfacePtr<IPDFExportPrefs> prefs(prefsCommand.get());
    if (!prefsCommand || !prefs)
        return Fail(error);
    if (!GIDCSPHelperMethods::ToExportPrefs(request, prefs, error))
        return Fail(error);
    if (CmdUtils::ProcessCommand(prefsCommand.get()) != kSuccess)
        return Fail(error);

    PMString bookName;
    book->GetBookTitleName(bookName);
    GString name;
    GIDCSConvertMethods::ConvertToGString(bookName, name);
    GPathName pdf;
    GetUniquePDFFilePath(folder, GPathName(name).GetLeafWithoutExtension(), pdf);

    InterfacePtr<ICommand> const exportCommand(CmdUtils::CreateCommand(ICommand::kBookExportCmdBoss));
    InterfacePtr<IBookExportData> const data(exportCommand.get());
    if (!exportCommand || !data)
        return Fail(Texts::cPDFExportCommandNotFound);
    {
        AcquireCurrentBook const panel(nullptr);
        IBook* const exported = panel.GetBook() ? panel.GetBook() : book;
        data->SetBookFile(exported->GetBookFileSpec());
        bool const all =
            panel.GetSelectedCount() == 0 || panel.GetSelectedCount() == panel.GetDocumentCount();
        data->SetDocuments(panel.GetSelectedDocuments(), all ? kTrue : kFalse);
        IDFile const output = GIDCSConvertMethods::ConvertToIDFile(pdf);
        data->SetOutputFile(output, output.IsEmpty() ? kFalse : kTrue);
        data->SetExportFormat(IBookExportData::kPDFExportFormat, IBookExportData::kExportEverything);
        if (CmdUtils::ProcessCommand(exportCommand.get()) != kSuccess)
            return Fail(Texts::cPDFExportCommandNotFound);
    }
    SetSaveAsPDF(pdf);
    return true;
}

bool GIDCSPExportBookAction::CreatePackage(GPathName const& folder)
{
    InterfacePtr<IPackager> const packager(
        static_cast<IPackager*>(CreateObject(IPackager::kBookPackageBoss, IPackager::kBookPackagerIID)));
    if (!packager)
        return Fail(Texts::cPackageCommandNotFound);
    IBook* const book = GetCurrentBook();
    if (!book)
        return Fail(Texts::cInvalidBook);
    packager->SetBook(book);
    GPathName target;
    GetUniqueFolderPath(
        folder, TextOf(book->GetBookFileSpec().GetFileNameWithoutExtension()) + GString(" Folder"), target);
    packager->SetTargetFolder(GIDCSConvertMethods::ConvertToIDFile(target));
    packager->SetOptions(1, 1, 1, nullptr, 0, 0, 1, 0);
    if (packager->Run() != kSuccess)
        return Fail(Texts::cPackageCommandFailed);
    SetPackagePath(target);
    return true;
}
