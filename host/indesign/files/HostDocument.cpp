// Reading a document file and the questions the host asks of a document's layout.
#include "HostDocument.h"

#include "HostJsonFile.h"

#include <algorithm>
#include <set>
#include <string>

namespace indesignhost
{
namespace
{
// A4, the size of a page nothing else sizes.
constexpr double cA4Width = 595.276;
constexpr double cA4Height = 841.89;
// The host's own limits: a page side of 216 inches, bleed and slug of 6 inches, 9,999 pages.
constexpr double cMaxPageSide = 15552;
constexpr double cMaxEdge = 432;
constexpr std::size_t cMaxPages = 9999;

using Json = HostJsonFile;

void ReadSize(Json const& file, JsonValue const* value, std::string const& field, double& width,
              double& height)
{
    JsonValue const& size = file.Array(value, field);
    if (size.items.size() != 2)
        file.Fail(field, "must be [width, height], not " + std::to_string(size.items.size()) + " numbers");
    width = file.Number(&size.items[0], Json::Item(field, 0), 0, false, cMaxPageSide);
    height = file.Number(&size.items[1], Json::Item(field, 1), 0, false, cMaxPageSide);
}

PageEdges ReadEdges(Json const& file, JsonValue const* value, char const* field)
{
    JsonValue const& object = file.Object(value, field);
    file.RequireKnown(object, field, {"top", "bottom", "inside", "outside"});
    PageEdges edges;
    double* const sides[] = {&edges.top, &edges.bottom, &edges.inside, &edges.outside};
    char const* const names[] = {"top", "bottom", "inside", "outside"};
    for (int i = 0; i < 4; ++i)
        if (JsonValue const* side = object.Find(names[i]))
            *sides[i] = file.Number(side, Json::Member(field, names[i]), 0, true, cMaxEdge);
    return edges;
}

std::vector<HostFont> ReadFonts(Json const& file, JsonValue const* value)
{
    JsonValue const& list = file.Array(value, "fonts");
    std::vector<HostFont> fonts;
    std::set<std::string> names;
    for (std::size_t i = 0; i < list.items.size(); ++i)
    {
        std::string const field = Json::Item("fonts", i);
        JsonValue const& entry = file.Object(&list.items[i], field);
        file.RequireKnown(entry, field, {"name", "file"});
        HostFont font;
        font.name = file.NonEmptyText(entry.Find("name"), Json::Member(field, "name"));
        if (!names.insert(font.name).second)
            file.Fail(Json::Member(field, "name"), "\"" + font.name + "\" is named twice");
        if (JsonValue const* name = entry.Find("file"))
        {
            font.file = file.NonEmptyText(name, Json::Member(field, "file"));
            if (font.file.find('/') != std::string::npos || font.file == "." || font.file == "..")
                file.Fail(Json::Member(field, "file"), "must be a file name without a folder");
        }
        fonts.push_back(font);
    }
    return fonts;
}

std::vector<std::string> ReadPaths(Json const& file, JsonValue const* value, std::string const& field)
{
    JsonValue const& list = file.Array(value, field);
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < list.items.size(); ++i)
        paths.push_back(file.FilePath(&list.items[i], Json::Item(field, i)));
    return paths;
}

HostPage ReadPage(Json const& file, HostDocument const& document, JsonValue const& value, std::size_t index)
{
    std::string const field = Json::Item("pages", index);
    JsonValue const& object = file.Object(&value, field);
    file.RequireKnown(object, field, {"label", "size", "text", "font", "images"});
    HostPage page;
    JsonValue const* const label = object.Find("label");
    page.label = label ? file.NonEmptyText(label, Json::Member(field, "label")) : std::to_string(index + 1);
    page.width = document.pageWidth;
    page.height = document.pageHeight;
    if (JsonValue const* size = object.Find("size"))
        ReadSize(file, size, Json::Member(field, "size"), page.width, page.height);
    JsonValue const* const text = object.Find("text");
    page.text =
        text ? file.Text(text, Json::Member(field, "text")) : document.name + " \u2013 page " + page.label;
    if (JsonValue const* font = object.Find("font"))
    {
        page.font = file.NonEmptyText(font, Json::Member(field, "font"));
        if (std::none_of(document.fonts.begin(), document.fonts.end(),
                         [&](HostFont const& known) { return known.name == page.font; }))
            file.Fail(Json::Member(field, "font"), "\"" + page.font + "\" is not among the document's fonts");
    }
    else if (!document.fonts.empty())
        page.font = document.fonts.front().name;
    if (JsonValue const* images = object.Find("images"))
        page.images = ReadPaths(file, images, Json::Member(field, "images"));
    return page;
}

std::vector<std::vector<int>> ReadSpreads(Json const& file, JsonValue const* value, int pageCount)
{
    JsonValue const& list = file.Array(value, "spreads");
    std::vector<std::vector<int>> spreads;
    int next = 0;
    for (std::size_t i = 0; i < list.items.size(); ++i)
    {
        std::string const field = Json::Item("spreads", i);
        JsonValue const& pages = file.Array(&list.items[i], field);
        if (pages.items.empty())
            file.Fail(field, "a spread holds at least one page");
        std::vector<int> spread;
        for (std::size_t j = 0; j < pages.items.size(); ++j)
        {
            int const page = file.Index(&pages.items[j], Json::Item(field, j), pageCount);
            if (page != next)
                file.Fail(Json::Item(field, j), "page " + std::to_string(page) +
                                                    " is out of order: the spreads " +
                                                    "hold every page once, in order, so page " +
                                                    std::to_string(next) + " comes here");
            spread.push_back(page);
            ++next;
        }
        spreads.push_back(spread);
    }
    if (next != pageCount)
        file.Fail("spreads", "page " + std::to_string(next) + " is in no spread");
    return spreads;
}
} // namespace

HostDocument ReadDocumentFile(std::string const& path)
{
    Json const file(path);
    JsonValue const& root = file.Root();
    file.RequireKnown(root, "", {"name", "pageSize", "pages", "spreads", "bleed", "slug", "fonts", "links"});

    HostDocument document;
    document.path = file.AbsolutePath();
    JsonValue const* const name = root.Find("name");
    document.name = name ? file.NonEmptyText(name, "name") : file.Stem();
    document.pageWidth = cA4Width;
    document.pageHeight = cA4Height;
    if (JsonValue const* size = root.Find("pageSize"))
        ReadSize(file, size, "pageSize", document.pageWidth, document.pageHeight);
    if (JsonValue const* bleed = root.Find("bleed"))
        document.bleed = ReadEdges(file, bleed, "bleed");
    if (JsonValue const* slug = root.Find("slug"))
        document.slug = ReadEdges(file, slug, "slug");
    if (JsonValue const* fonts = root.Find("fonts"))
        document.fonts = ReadFonts(file, fonts);
    if (JsonValue const* links = root.Find("links"))
        document.links = ReadPaths(file, links, "links");

    JsonValue const* const pageList = root.Find("pages");
    if (!pageList)
        file.Fail("pages", "is missing: a document has at least one page");
    JsonValue const& pages = file.Array(pageList, "pages");
    if (pages.items.empty())
        file.Fail("pages", "is empty: a document has at least one page");
    if (pages.items.size() > cMaxPages)
        file.Fail("pages", "holds " + std::to_string(pages.items.size()) + " pages, more than the " +
                               std::to_string(cMaxPages) + " a document can have");
    std::set<std::string> labels;
    for (std::size_t i = 0; i < pages.items.size(); ++i)
    {
        document.pages.push_back(ReadPage(file, document, pages.items[i], i));
        if (!labels.insert(document.pages.back().label).second)
            file.Fail(Json::Member(Json::Item("pages", i), "label"),
                      "\"" + document.pages.back().label + "\" is the label of an earlier page");
    }

    int const count = static_cast<int>(document.pages.size());
    if (JsonValue const* spreads = root.Find("spreads"))
        document.spreads = ReadSpreads(file, spreads, count);
    else
        for (int i = 0; i < count; ++i)
            document.spreads.push_back({i});
    return document;
}

int HostDocument::SpreadOf(int page) const
{
    for (std::size_t i = 0; i < spreads.size(); ++i)
        if (std::find(spreads[i].begin(), spreads[i].end(), page) != spreads[i].end())
            return static_cast<int>(i);
    return -1;
}

bool HostDocument::IsLeftHandPage(int page) const
{
    int const spread = SpreadOf(page);
    if (spread < 0)
        return false;
    std::vector<int> const& pagesOfSpread = spreads[static_cast<std::size_t>(spread)];
    auto const position = std::find(pagesOfSpread.begin(), pagesOfSpread.end(), page) - pagesOfSpread.begin();
    return position < static_cast<long>(pagesOfSpread.size() / 2);
}

int HostDocument::PageWithLabel(std::string const& label) const
{
    for (std::size_t i = 0; i < pages.size(); ++i)
        if (pages[i].label == label)
            return static_cast<int>(i);
    return -1;
}

std::vector<std::string> HostDocument::LinkedFiles() const
{
    std::vector<std::string> files = links;
    for (HostPage const& page : pages)
        for (std::string const& image : page.images)
            if (std::find(files.begin(), files.end(), image) == files.end())
                files.push_back(image);
    return files;
}
} // namespace indesignhost
