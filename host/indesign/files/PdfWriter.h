// The host's PDF export: the pages of one or more documents (a book gives several) drawn with cairo
// into a PDF, one PDF page per exported page or per spread, sized and marked as the export settings
// say, the page text in the document's fonts embedded from the host's font folders. What a PDF page
// holds and how it is laid out is in README.md beside this header.
#pragma once

#include "ExportSettings.h"
#include "HostDocument.h"

#include <string>
#include <vector>

namespace indesignhost
{
class FontFolders;

struct PdfDocumentPages
{
    HostDocument document;
    // Indexes into document.pages, in the order they are exported.
    std::vector<int> pages;
};

struct PdfJob
{
    // The document's or the book's name: the PDF's title.
    std::string title;
    std::vector<PdfDocumentPages> documents;
    ExportSettings settings;
    // Where the documents' fonts are found; none found without it (every text falls back).
    FontFolders const* fonts = nullptr;
    std::string creator = "InDesign host stand-in";
    // The date the page information line shows; empty for the time of the export, as
    // "YYYY-MM-DD HH:MM".
    std::string date;
};

// Writes the job's PDF at path, first as "<path>.part", renamed to path only once cairo has finished
// without error, so that a failed export leaves no PDF and no part file behind. False with the
// reason in error when the job has no page or names a page that does not exist, a setting is out of
// range, the output folder is missing or not a folder, the file cannot be written, or cairo fails.
bool WritePdf(std::string const& path, PdfJob const& job, std::string& error);
} // namespace indesignhost
