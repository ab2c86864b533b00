// The export of the book the book panel shows.
#include "GIDCSPExportBookAction.h"

#include "AcquireCurrentBook.h"
#include "GAutoPtr.h"
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

GIDCSPExportBookAction::GIDCSPExportBookAction() : fBook(nullptr) {}

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

bool GIDCSPExportBookAction::Execute()
{
    // With two books open, the current book and the panel's may differ: the panel's is the one the
    // user chose, so it is made current before any step and stays so until the last.
    GAutoPtr<AcquireCurrentBook const> const panel(GetCurrentBook() ? new AcquireCurrentBook(nullptr) : nullptr);
    struct Lent
    {
        AcquireCurrentBook const*& fTo;
        ~Lent() { fTo = nullptr; }
    } const lent{fBook};
    fBook = panel.Get();
    return GCPTSaveAsAction::Execute();
}

bool GIDCSPExportBookAction::SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder)
{
    // A panel whose book cannot be found fails the export: exporting another book, or all of this
    // one in place of the chapters the user selected, would be a wrong PDF reported as written.
    IBook* const book = fBook ? fBook->GetBook() : nullptr;
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

    // The book export reads the book from its file: unsaved changes would be left out of the PDF,
    // so a book that cannot be saved stops the export as a document does.
    if (book->IsModified())
    {
        InterfacePtr<IBookUtils> const utils(UtilsBoss::QueryUtils<IBookUtils>());
        if (!utils || utils->SaveBook(book) != kSuccess)
            return Fail(Texts::cCanNotSaveDocument);
    }

    // The book export takes its settings from the session, which this command sets. A document's
    // failure above is only held; when none is, the failing step's own message is given.
    auto const heldOr = [&error](int own) { return error != 0 ? error : own; };
    InterfacePtr<ICommand> const prefsCommand(CmdUtils::CreateCommand(ICommand::kSetPDFExportPrefsCmdBoss));
    if (!prefsCommand)
        return Fail(heldOr(Texts::cPDFExportCommandNotFound));
    InterfacePtr<IPDFExportPrefs> prefs(prefsCommand.get());
    if (!prefs)
        return Fail(heldOr(Texts::cNoPDFExportPreferences));
    if (!GIDCSPHelperMethods::ToExportPrefs(request, prefs, error))
        return Fail(error);
    if (CmdUtils::ProcessCommand(prefsCommand.get()) != kSuccess)
        return Fail(heldOr(Texts::cPDFExportCommandFailed));

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
    data->SetBookFile(book->GetBookFileSpec());
    bool const all = fBook->GetSelectedCount() == 0 || fBook->GetSelectedCount() == fBook->GetDocumentCount();
    data->SetDocuments(fBook->GetSelectedDocuments(), all ? kTrue : kFalse);
    IDFile const output = GIDCSConvertMethods::ConvertToIDFile(pdf);
    data->SetOutputFile(output, output.IsEmpty() ? kFalse : kTrue);
    data->SetExportFormat(IBookExportData::kPDFExportFormat, IBookExportData::kExportEverything);
    if (CmdUtils::ProcessCommand(exportCommand.get()) != kSuccess)
        return Fail(Texts::cPDFExportCommandNotFound);
    SetSaveAsPDF(pdf);
    return true;
}

bool GIDCSPExportBookAction::CreatePackage(GPathName const& folder)
{
    InterfacePtr<IPackager> const packager(
        static_cast<IPackager*>(CreateObject(IPackager::kBookPackageBoss, IPackager::kBookPackagerIID)));
    if (!packager)
        return Fail(Texts::cPackageCommandNotFound);
    IBook* const book = fBook ? fBook->GetBook() : nullptr;
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
