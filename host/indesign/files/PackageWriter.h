// The host's file package: a new folder with a copy of each document file (and of the book file
// for a book), "Links/" with copies of the linked files that exist, "Fonts/" with copies of the font
// files of the documents' fonts that the host's font folders hold; and the report on it, a text file
// in the package folder. Names and layout are in README.md beside this header.
#pragma once

#include "HostDocument.h"

#include <string>
#include <vector>

namespace indesignhost
{
class FontFolders;

struct PackageJob
{
    // The document, or the book's chapter documents in book order.
    std::vector<HostDocument> documents;
    // The book file for a book's package; empty for a document's.
    std::string bookPath;
    // Where the documents' fonts are found; every font is missing without it.
    FontFolders const* fonts = nullptr;
};

// The report's file name in the package folder.
constexpr char cPackageReportName[] = "Package Report.txt";

// Makes the package at target, which must not exist yet while its folder does. False with the
// reason in error on the first failure (a document file that cannot be copied among others); what
// was written until then stays. A link or a font that is missing is no failure: the report tells.
bool WritePackage(std::string const& target, PackageJob const& job, std::string& error);

// Writes the report into the package folder: per document its pages, its fonts and its links, each
// present (its copy is in the package) or missing. False with the reason in error when the folder
// is missing or the file cannot be written.
bool WritePackageReport(std::string const& packageFolder, PackageJob const& job, std::string& error);
} // namespace indesignhost
