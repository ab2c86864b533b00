// The PDF export command: the settings (IPDFExportPrefs), the file to write (ISysFileData) and the
// pages to export (IOutputPages); processing writes the PDF of those pages.
#pragma once

#include <string>

#include "CommandObject.h"
#include "IOutputPages.h"
#include "ISysFileData.h"
#include "PdfExportPrefs.h"

namespace indesignhost
{
class PdfExportCommand : public CommandObject
{
public:
    explicit PdfExportCommand(Host& host);

    ErrorCode Process() override;

private:
    class SysFile : public Facet<ISysFileData>
    {
    public:
        explicit SysFile(PdfExportCommand& object) : Facet<ISysFileData>(object), fOwner(object) {}
        void Set(IDFile const& file) override;
        IDFile GetSysFile() const override;

    private:
        PdfExportCommand& fOwner;
    };

    class OutputPages : public Facet<IOutputPages>
    {
    public:
        explicit OutputPages(PdfExportCommand& object) : Facet<IOutputPages>(object), fOwner(object) {}
        void InitializeFrom(UIDList const& pages, bool16 spreads, PMString const& documentName) override;

    private:
        PdfExportCommand& fOwner;
    };

    IDFile fOutput;
    UIDList fPages;
    bool fSpreads = false;
    std::string fDocumentName;
    PdfExportPrefs fPrefs;
    SysFile fSysFile{*this};
    OutputPages fOutputPages{*this};
};
} // namespace indesignhost
