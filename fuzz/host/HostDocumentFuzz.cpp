// Any bytes as a document file and as a book file, as whoever hands the host a file can write them:
// reading gives a document (or a book) that keeps the format's rules, or a HostFileError naming the
// file, never a crash or a hang.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "FuzzCheck.h"
#include "HostBook.h"
#include "HostDocument.h"
#include "HostFileError.h"
#include "TempFolder.h"

#ifndef SENDRIX_FUZZ_ENTRY
#define SENDRIX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

namespace
{
namespace fs = std::filesystem;
using fuzzsupport::Check;
using namespace indesignhost;

testsupport::TempFolder& Workspace()
{
    static testsupport::TempFolder folder("sendrix-document-fuzz");
    return folder;
}

bool IsResolved(std::string const& path)
{
    fs::path const p(path);
    return p.is_absolute() && p.lexically_normal() == p;
}

bool InEdgeRange(PageEdges const& edges)
{
    for (double side : {edges.top, edges.bottom, edges.inside, edges.outside})
        if (!(side >= 0 && side <= 432))
            return false;
    return true;
}

void CheckDocument(HostDocument const& document, std::string const& path)
{
    Check(document.path == path, "the document knows its absolute path", document.path);
    Check(!document.name.empty(), "a document has a name");
    Check(!document.pages.empty() && document.pages.size() <= 9999, "a document has 1 to 9999 pages");
    Check(InEdgeRange(document.bleed) && InEdgeRange(document.slug), "bleed and slug are in range");
    std::set<std::string> fontNames;
    for (HostFont const& font : document.fonts)
    {
        Check(!font.name.empty() && fontNames.insert(font.name).second, "font names are given once",
              font.name);
        Check(font.file.find('/') == std::string::npos, "a font's file is a bare name", font.file);
    }
    std::set<std::string> labels;
    for (HostPage const& page : document.pages)
    {
        Check(!page.label.empty() && labels.insert(page.label).second, "labels are given once", page.label);
        Check(page.width > 0 && page.width <= 15552 && page.height > 0 && page.height <= 15552,
              "a page's sides are in range", page.label);
        Check(document.fonts.empty() ? page.font.empty() : fontNames.count(page.font) == 1,
              "a page's font is one of the document's", page.font);
        for (std::string const& image : page.images)
            Check(IsResolved(image), "image paths are absolute", image);
    }
    for (std::string const& link : document.LinkedFiles())
        Check(IsResolved(link), "link paths are absolute", link);
    int next = 0;
    for (std::vector<int> const& spread : document.spreads)
    {
        Check(!spread.empty(), "no spread is empty");
        for (int page : spread)
            Check(page == next++, "the spreads hold every page once, in order");
    }
    Check(next == static_cast<int>(document.pages.size()), "every page is in a spread");
    for (int i = 0; i < static_cast<int>(document.pages.size()); ++i)
        Check(document.SpreadOf(i) >= 0 &&
                  document.PageWithLabel(document.pages[static_cast<std::size_t>(i)].label) == i,
              "each page is found by its spread and its label");
}

void CheckBook(HostBook const& book, std::string const& path)
{
    Check(book.path == path && book.name == "input", "the book knows its path and name", book.path);
    std::set<std::string> chapters;
    for (std::string const& chapter : book.chapters)
    {
        Check(IsResolved(chapter), "chapter paths are absolute", chapter);
        Check(chapters.insert(chapter).second && chapter != book.path, "chapters are given once", chapter);
    }
}

template<class Read, class CheckRead>
void ReadAs(std::string const& path, std::string const& input, Read read, CheckRead checkRead)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(input.data(), std::streamsize(input.size()));
    try
    {
        checkRead(read(path), path);
    }
    catch (HostFileError const& error)
    {
        Check(error.Path() == path, "an error names the file", error.what());
        Check(!error.Detail().empty(), "an error says what is wrong", error.what());
    }
}
} // namespace

extern "C" int SENDRIX_FUZZ_ENTRY(std::uint8_t const* data, std::size_t size)
{
    std::string const input(reinterpret_cast<char const*>(data), size);
    ReadAs((Workspace() / "input.indd").string(), input, ReadDocumentFile, CheckDocument);
    ReadAs((Workspace() / "input.indb").string(), input, ReadBookFile, CheckBook);
    return 0;
}
