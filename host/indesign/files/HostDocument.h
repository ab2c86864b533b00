// A document of the host as its file holds it: pages with their sizes, labels, text, font and placed
// images, the spreads they form, bleed and slug, the fonts it uses and the files it links. The file
// format and its rules are in README.md beside this header.
#pragma once

#include <string>
#include <vector>

namespace indesignhost
{
// Distances beyond the trim in points; inside is the spine's side of a page.
struct PageEdges
{
    double top = 0;
    double bottom = 0;
    double inside = 0;
    double outside = 0;

    bool Any() const { return top > 0 || bottom > 0 || inside > 0 || outside > 0; }
};

struct HostPage
{
    std::string label;
    double width = 0;
    double height = 0;
    // What the page shows; the file's text, or "<document name> – page <label>".
    std::string text;
    // One of the document's font names; empty only when the document names no font.
    std::string font;
    // Placed images, absolute paths.
    std::vector<std::string> images;
};

struct HostFont
{
    // The font's family name, as the font file gives it.
    std::string name;
    // The file name the document remembers for it (no folder); may be empty.
    std::string file;
};

struct HostDocument
{
    // Absolute path of the document file.
    std::string path;
    std::string name;
    // The document's page size in points; a page may have its own.
    double pageWidth = 0;
    double pageHeight = 0;
    std::vector<HostPage> pages;
    // Indexes of pages, left to right; the spreads in order hold every page once, in order.
    std::vector<std::vector<int>> spreads;
    PageEdges bleed;
    PageEdges slug;
    std::vector<HostFont> fonts;
    // Linked files, absolute paths, as listed.
    std::vector<std::string> links;

    // The index of the spread that holds the page.
    int SpreadOf(int page) const;
    // Whether the page lies left of its spread's spine (its inside on its right): the first half of
    // a spread's pages, rounded down, so that a spread of one page is a right-hand page.
    bool IsLeftHandPage(int page) const;
    // The page with that label, or -1.
    int PageWithLabel(std::string const& label) const;
    // The listed links, then every placed image not among them: what a package collects.
    std::vector<std::string> LinkedFiles() const;
};

// Reads a document file; relative paths in it are taken from the document's folder. Throws
// HostFileError naming the file and the field when the file is missing, unreadable, not JSON, or
// holds a field of the wrong type or value.
HostDocument ReadDocumentFile(std::string const& path);
} // namespace indesignhost
