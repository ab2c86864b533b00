// The book export command.
#include "BookExportCommand.h"

#include <QJsonArray>

#include <algorithm>

#include "BookObject.h"
#include "Host.h"
#include "HostFileError.h"
#include "PdfExportPrefs.h"

namespace indesignhost
{
BookExportCommand::BookExportCommand(Host& host) : CommandObject(host, ICommand::kBookExportCmdBoss)
{
    AddInterface(IBookExportData::kDefaultIID, &fData);
}

void BookExportCommand::Data::SetBookFile(IDFile const& book)
{
    fOwner.fBook = book;
    QJsonObject fields;
    fields.insert("file", QString::fromStdString(book.GetPOSIXPath()));
    fOwner.GetHost().Record("call", "IBookExportData::SetBookFile", fields);
}

void BookExportCommand::Data::SetDocuments(UIDList const& documents, bool16 allDocuments)
{
    fOwner.fDocuments = documents;
    fOwner.fAllDocuments = allDocuments != kFalse;
    QJsonObject fields;
    fields.insert("documents", UIDNumbers(documents));
    fields.insert("all", allDocuments != kFalse);
    fOwner.GetHost().Record("call", "IBookExportData::SetDocuments", fields);
}

void BookExportCommand::Data::SetOutputFile(IDFile const& output, bool16 hasOutputFile)
{
    fOwner.fOutput = output;
    fOwner.fHasOutput = hasOutputFile != kFalse;
    QJsonObject fields;
    fields.insert("file", QString::fromStdString(output.GetPOSIXPath()));
    fields.insert("hasOutputFile", hasOutputFile != kFalse);
    fOwner.GetHost().Record("call", "IBookExportData::SetOutputFile", fields);
}

void BookExportCommand::Data::SetExportFormat(ClassID format, uint32 parts)
{
    fOwner.fFormat = format;
    fOwner.fParts = parts;
    QJsonObject fields;
    fields.insert("format", static_cast<qint64>(format));
    fields.insert("parts", static_cast<qint64>(parts));
    fOwner.GetHost().Record("call", "IBookExportData::SetExportFormat", fields);
}

ErrorCode BookExportCommand::Process()
{
    Host& host = GetHost();
    QJsonObject fields;
    fields.insert("class", static_cast<qint64>(GetClass()));
    fields.insert("book", QString::fromStdString(fBook.GetPOSIXPath()));
    fields.insert("output", QString::fromStdString(fOutput.GetPOSIXPath()));
    fields.insert("format", static_cast<qint64>(fFormat));
    fields.insert("parts", static_cast<qint64>(fParts));
    fields.insert("all", fAllDocuments);

    PdfJob job;
    job.settings = host.SessionPdfSettings();
    job.fonts = &host.Fonts();
    fields.insert("settings", SettingsFields(job.settings));

    std::string error;
    BookObject* book = nullptr;
    for (BookObject* open : host.Books())
        if (open->Content().path == fBook.GetPOSIXPath())
            book = open;
    if (fFormat != IBookExportData::kPDFExportFormat)
        error = "export format " + std::to_string(fFormat) + " is not PDF";
    else if (!fHasOutput || fOutput.IsEmpty())
        error = "no output file";
    else if (!book)
        error = "no open book of the file \"" + fBook.GetPOSIXPath() + "\"";
    std::vector<int> chapters;
    if (error.empty())
    {
        int const count = static_cast<int>(book->Content().chapters.size());
        for (int i = 0; fAllDocuments && i < count; ++i)
            chapters.push_back(i);
        for (int32 i = 0; !fAllDocuments && i < fDocuments.Length(); ++i)
        {
            int const index = book->ChapterIndex(fDocuments[i]);
            if (index < 0)
            {
                error = "document " + std::to_string(fDocuments[i]) + " is no chapter of the book";
                break;
            }
            chapters.push_back(index);
        }
        std::sort(chapters.begin(), chapters.end());
        chapters.erase(std::unique(chapters.begin(), chapters.end()), chapters.end());
        job.title = IDFile::FromPOSIXPath(book->Content().path).GetFileNameWithoutExtension();
    }
    QJsonArray read;
    for (int chapter : chapters)
    {
        if (!error.empty())
            break;
        std::string const& path = book->Content().chapters[static_cast<std::size_t>(chapter)];
        try
        {
            PdfDocumentPages pages{ReadDocumentFile(path), {}};
            for (std::size_t page = 0; page < pages.document.pages.size(); ++page)
                pages.pages.push_back(static_cast<int>(page));
            job.documents.push_back(std::move(pages));
            read.append(QString::fromStdString(path));
        }
        catch (HostFileError const& failure)
        {
            error = failure.what();
        }
    }
    fields.insert("chapters", read);
    return WritePdfAndRecord(job, fOutput.GetPOSIXPath(), error, fields, "BookExport");
}
} // namespace indesignhost
