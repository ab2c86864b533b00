// Document and book packagers.
#include "PackagerObject.h"

#include <QJsonArray>

#include "BookObject.h"
#include "DocumentObject.h"
#include "Host.h"
#include "HostFileError.h"

namespace indesignhost
{
PackagerObject::PackagerObject(Host& host, ClassID packagerClass) : HostObject(host, packagerClass, true)
{
    AddInterface(IsBookPackager() ? IPackager::kBookPackagerIID : IPackager::kDefaultIID, &fPackager);
}

void PackagerObject::Packager::SetDocument(IDocument* document)
{
    DocumentObject* const found = fOwner.GetHost().FindDocument(document);
    QJsonObject fields;
    fields.insert("document", FileNameField(found));
    if (fOwner.IsBookPackager())
        fields.insert("refused", "a book packager packages a book");
    else
        fOwner.fDocument = document;
    fOwner.GetHost().Record("call", "IPackager::SetDocument", fields);
}

void PackagerObject::Packager::SetBook(IBook* book)
{
    BookObject* const found = fOwner.GetHost().FindBook(book);
    QJsonObject fields;
    fields.insert("book", FileNameField(found));
    if (!fOwner.IsBookPackager())
        fields.insert("refused", "a document packager packages a document");
    else
        fOwner.fBook = book;
    fOwner.GetHost().Record("call", "IPackager::SetBook", fields);
}

void PackagerObject::Packager::SetTargetFolder(IDFile const& folder)
{
    fOwner.fTarget = folder;
    QJsonObject fields;
    fields.insert("folder", QString::fromStdString(folder.GetPOSIXPath()));
    fOwner.GetHost().Record("call", "IPackager::SetTargetFolder", fields);
}

void PackagerObject::Packager::SetOptions(int32 copyFonts, int32 copyLinks, int32 updateLinks,
                                          IPMUnknown* hyphenation, int32 hiddenLayers, int32 instructions,
                                          int32 copyDocument, int32 openFolder)
{
    // Recorded as given: the package writer always copies what it finds and opens nothing.
    QJsonArray options{
        copyFonts,    copyLinks,    updateLinks,  hyphenation ? QJsonValue("object") : QJsonValue(),
        hiddenLayers, instructions, copyDocument, openFolder};
    QJsonObject fields;
    fields.insert("options", options);
    fOwner.GetHost().Record("call", "IPackager::SetOptions", fields);
}

ErrorCode PackagerObject::Packager::Run()
{
    Host& host = fOwner.GetHost();
    QJsonObject fields;
    fields.insert("class", static_cast<qint64>(fOwner.GetClass()));
    fields.insert("target", QString::fromStdString(fOwner.fTarget.GetPOSIXPath()));
    if (std::optional<int32> const fault = host.Faults().Fires("package.run"))
    {
        fields.insert("result", *fault);
        host.Record("call", "IPackager::Run", fields);
        return *fault;
    }
    std::string error;
    PackageJob job;
    job.fonts = &host.Fonts();
    DocumentObject* const document = host.FindDocument(fOwner.fDocument);
    BookObject* const book = host.FindBook(fOwner.fBook);
    if (fOwner.fTarget.IsEmpty())
        error = "no target folder";
    else if (!fOwner.IsBookPackager() && !document)
        error = "no document to package";
    else if (fOwner.IsBookPackager() && !book)
        error = "no book to package";
    else if (document)
        job.documents.push_back(document->Content());
    else
    {
        job.bookPath = book->Content().path;
        for (std::string const& chapter : book->Content().chapters)
        {
            try
            {
                job.documents.push_back(ReadDocumentFile(chapter));
            }
            catch (HostFileError const& failure)
            {
                error = failure.what();
                break;
            }
        }
    }
    host.Fonts().Rescan();
    bool const written = error.empty() && WritePackage(fOwner.fTarget.GetPOSIXPath(), job, error);
    if (written)
        fOwner.fLastJob = job;
    else
        fields.insert("error", QString::fromStdString(error));
    ErrorCode const result = written ? kSuccess : kFailure;
    fields.insert("result", result);
    host.Record("call", "IPackager::Run", fields);
    if (written)
    {
        QJsonObject file;
        file.insert("path", QString::fromStdString(fOwner.fTarget.GetPOSIXPath()));
        file.insert("documents", static_cast<int>(job.documents.size()));
        host.Record("file", "package", file);
    }
    return result;
}

IDFile PackagerObject::Packager::GetTargetFolder() const
{
    return fOwner.fTarget;
}
} // namespace indesignhost
