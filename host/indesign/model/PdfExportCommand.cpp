// The PDF export command of a document's pages.
#include "PdfExportCommand.h"

#include <QJsonArray>

#include "DocumentObject.h"
#include "Host.h"

namespace indesignhost
{
PdfExportCommand::PdfExportCommand(Host& host)
    : CommandObject(host, ICommand::kPDFExportCmdBoss), fPrefs(*this, ExportSettings())
{
    AddInterface(IPDFExportPrefs::kDefaultIID, &fPrefs);
    AddInterface(ISysFileData::kDefaultIID, &fSysFile);
    AddInterface(IOutputPages::kDefaultIID, &fOutputPages);
}

void PdfExportCommand::SysFile::Set(IDFile const& file)
{
    fOwner.fOutput = file;
    QJsonObject fields;
    fields.insert("file", QString::fromStdString(file.GetPOSIXPath()));
    fOwner.GetHost().Record("call", "ISysFileData::Set", fields);
}

IDFile PdfExportCommand::SysFile::GetSysFile() const
{
    return fOwner.fOutput;
}

void PdfExportCommand::OutputPages::InitializeFrom(UIDList const& pages, bool16 spreads,
                                                   PMString const& documentName)
{
    fOwner.fPages = pages;
    fOwner.fSpreads = spreads != kFalse;
    fOwner.fDocumentName = documentName.GetUTF8();
    QJsonObject fields;
    fields.insert("pages", UIDNumbers(pages));
    fields.insert("spreads", spreads != kFalse);
    fields.insert("document", QString::fromStdString(fOwner.fDocumentName));
    fOwner.GetHost().Record("call", "IOutputPages::InitializeFrom", fields);
}

ErrorCode PdfExportCommand::Process()
{
    Host& host = GetHost();
    QJsonObject fields;
    fields.insert("class", static_cast<qint64>(GetClass()));
    fields.insert("output", QString::fromStdString(fOutput.GetPOSIXPath()));
    fields.insert("jobOptions", QString::fromStdString(fPrefs.JobOptions()));
    fields.insert("document", QString::fromStdString(fDocumentName));
    fields.insert("spreads", fSpreads);

    PdfJob job;
    job.title = IDFile::FromPOSIXPath(fDocumentName).GetFileNameWithoutExtension();
    job.settings = fPrefs.Settings();
    // The output pages say whether spreads go out; the plug-in sets them from the same settings.
    job.settings.spreads = fSpreads;
    job.fonts = &host.Fonts();
    fields.insert("settings", SettingsFields(job.settings));

    std::string error;
    QJsonArray labels;
    if (fOutput.IsEmpty())
        error = "no output file";
    else if (fPages.IsEmpty())
        error = "no pages";
    for (int32 i = 0; error.empty() && i < fPages.Length(); ++i)
    {
        DocumentObject* document = nullptr;
        int index = -1;
        if (!host.FindPage(fPages[i], document, index))
        {
            error = "page " + std::to_string(fPages[i]) + " is no page of an open document";
            break;
        }
        if (job.documents.empty() || job.documents.back().document.path != document->Content().path)
            job.documents.push_back({document->Content(), {}});
        job.documents.back().pages.push_back(index);
        labels.append(
            QString::fromStdString(document->Content().pages[static_cast<std::size_t>(index)].label));
    }
    fields.insert("pages", labels);
    return WritePdfAndRecord(job, fOutput.GetPOSIXPath(), error, fields, "PDFExport");
}
} // namespace indesignhost
