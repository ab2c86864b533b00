// The host's utilities.
#include "UtilsObject.h"

#include <QJsonArray>

#include "BookObject.h"
#include "DocumentObject.h"
#include "Host.h"
#include "HostClasses.h"
#include "HostFileError.h"
#include "ShortcutText.h"

namespace indesignhost
{
namespace
{
// Saves a document or a book for the plug-in; "kind" names it in the refusal, the fault point and
// the file record.
template<class Opened>
ErrorCode SaveOpenedFile(Host& host, Opened* found, std::string const& kind, QJsonObject& fields)
{
    if (!found)
    {
        fields.insert("error", QString::fromStdString("no " + kind + " of this host"));
        return kFailure;
    }
    if (std::optional<int32> const fault = host.Faults().Fires(kind + ".save"))
        return *fault;
    std::string error;
    if (!found->Save(error))
    {
        fields.insert("error", QString::fromStdString(error));
        return kFailure;
    }
    QJsonObject written;
    written.insert("path", QString::fromStdString(found->Content().path));
    host.Record("file", kind, written);
    return kSuccess;
}
} // namespace

UtilsObject::UtilsObject(Host& host) : HostObject(host, kUtilsBoss, false)
{
    AddInterface(IFrontDocumentUtils::kDefaultIID, &fFrontDocument);
    AddInterface(IDocumentSaveUtils::kDefaultIID, &fSave);
    AddInterface(IDocumentOpenUtils::kDefaultIID, &fOpen);
    AddInterface(IShortcutUtils::kDefaultIID, &fShortcut);
    AddInterface(IBookUtils::kDefaultIID, &fBooks);
    AddInterface(IDialogUtils::kDefaultIID, &fDialogs);
}

IDocument* UtilsObject::FrontDocument::GetFrontDocument() const
{
    Host& host = Object().GetHost();
    DocumentObject* const front = host.FrontDocumentObject();
    QJsonObject fields;
    fields.insert("answer", FileNameField(front));
    host.Record("call", "IFrontDocumentUtils::GetFrontDocument", fields);
    return front ? front->GetDocument() : nullptr;
}

ErrorCode UtilsObject::Save::SaveDocument(IDocument* document)
{
    Host& host = Object().GetHost();
    DocumentObject* const found = host.FindDocument(document);
    QJsonObject fields;
    fields.insert("document", FileNameField(found));
    ErrorCode const result = SaveOpenedFile(host, found, "document", fields);
    fields.insert("result", result);
    host.Record("call", "IDocumentSaveUtils::SaveDocument", fields);
    return result;
}

ErrorCode UtilsObject::Open::OpenDocument(IDFile const& file, IDocument*& document)
{
    Host& host = Object().GetHost();
    document = nullptr;
    QJsonObject fields;
    fields.insert("file", QString::fromStdString(file.GetPOSIXPath()));
    ErrorCode result = kSuccess;
    if (std::optional<int32> const fault = host.Faults().Fires("document.open"))
        result = *fault;
    else if (host.Faults().Fires("document.openNoDocument"))
        result = kSuccess;
    else
    {
        try
        {
            document = host.OpenDocumentObject(file.GetPOSIXPath())->GetDocument();
        }
        catch (HostFileError const& error)
        {
            result = kFailure;
            fields.insert("error", error.what());
        }
    }
    fields.insert("result", result);
    fields.insert("document", document
                                  ? QJsonValue(static_cast<qint64>(host.FindDocument(document)->GetUID()))
                                  : QJsonValue());
    host.Record("call", "IDocumentOpenUtils::OpenDocument", fields);
    return result;
}

ErrorCode UtilsObject::Open::CloseDocument(IDocument* document)
{
    Host& host = Object().GetHost();
    DocumentObject* const found = host.FindDocument(document);
    QJsonObject fields;
    fields.insert("document", found ? QJsonValue(static_cast<qint64>(found->GetUID())) : QJsonValue());
    bool const closed = found && host.CloseOpenedDocument(found);
    if (!closed)
        fields.insert("error", found && found->OpenedByUser() ? "a document of the user's that the plug-in has not opened"
                                                              : "no document this host opened for a plug-in");
    fields.insert("result", closed ? kSuccess : kFailure);
    host.Record("call", "IDocumentOpenUtils::CloseDocument", fields);
    return closed ? kSuccess : kFailure;
}

bool16 UtilsObject::Shortcut::ParseShortcutString(PMString const& text, int32& key, int32& modifiers) const
{
    Host& host = Object().GetHost();
    bool const parsed = ParseShortcut(text.GetUTF8(), key, modifiers);
    QJsonObject fields;
    fields.insert("text", QString::fromStdString(text.GetUTF8()));
    fields.insert("answer", parsed);
    if (parsed)
    {
        fields.insert("key", key);
        fields.insert("modifiers", modifiers);
    }
    host.Record("call", "IShortcutUtils::ParseShortcutString", fields);
    return parsed ? kTrue : kFalse;
}

IBook* UtilsObject::Books::GetPanelBook(IPMUnknown const* object) const
{
    Host& host = Object().GetHost();
    // The host has one book panel; every object is taken to belong to it.
    BookObject* const book = host.PanelBookObject();
    QJsonObject fields;
    fields.insert("object", object != nullptr);
    fields.insert("answer", FileNameField(book));
    host.Record("call", "IBookUtils::GetPanelBook", fields);
    return book ? book->GetBook() : nullptr;
}

void UtilsObject::Books::GetSelectedDocuments(IBook const* book, UIDList& documents) const
{
    Host& host = Object().GetHost();
    BookObject* const found = host.FindBook(book);
    QJsonObject fields;
    fields.insert("book", FileNameField(found));
    QJsonArray chapters;
    if (found)
    {
        documents.SetOwner(found->GetBook());
        UIDList const& selection = found->Selection();
        for (int32 i = 0; i < selection.Length(); ++i)
        {
            documents.Append(selection[i]);
            chapters.append(static_cast<qint64>(selection[i]));
        }
    }
    fields.insert("answer", chapters);
    host.Record("call", "IBookUtils::GetSelectedDocuments", fields);
}

ErrorCode UtilsObject::Books::SaveBook(IBook* book)
{
    Host& host = Object().GetHost();
    BookObject* const found = host.FindBook(book);
    QJsonObject fields;
    fields.insert("book", FileNameField(found));
    ErrorCode const result = SaveOpenedFile(host, found, "book", fields);
    fields.insert("result", result);
    host.Record("call", "IBookUtils::SaveBook", fields);
    return result;
}

ModalDialogState* UtilsObject::Dialogs::AcquireModalDialogState()
{
    return Object().GetHost().AcquireModalState();
}

void UtilsObject::Dialogs::ReleaseModalDialogState(ModalDialogState* state)
{
    Object().GetHost().ReleaseModalState(state);
}
} // namespace indesignhost
