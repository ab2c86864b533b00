// The PDF writer, read back with poppler's tools: a page for each exported page or spread, sized by
// trim, bleed, slug and mark area; each page's text in its font, embedded from the font folders;
// labels, title and creator; marks where they belong; and no PDF at all when the export fails.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <regex>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "ChildProcess.h"
#include "ExportSettings.h"
#include "FontFolders.h"
#include "HostDocument.h"
#include "HostFixtures.h"
#include "PdfWriter.h"
#include "PopplerTools.h"
#include "TempFolder.h"

namespace
{
using namespace indesignhost;
using namespace hostfilestest;

class PdfWriterTest : public ::testing::Test
{
protected:
    HostDocument Document(std::string const& name, std::string const& json)
    {
        return ReadDocumentFile(WriteFile(fFolder / "docs" / (name + ".indd"), json));
    }

    PdfJob Job(HostDocument const& document, std::vector<int> const& pages,
               ExportSettings const& settings = ExportSettings()) const
    {
        PdfJob job;
        job.title = document.name;
        job.documents = {{document, pages}};
        job.settings = settings;
        job.fonts = &fFonts;
        job.date = "2025-01-02 03:04";
        return job;
    }

    // Writes the job's PDF into a folder of its own; the path, or empty when it failed.
    std::string Write(PdfJob const& job, std::string const& name = "out.pdf")
    {
        fs::path const out = fFolder / "out" / name;
        fs::create_directories(out.parent_path());
        std::string error;
        bool const written = WritePdf(out.string(), job, error);
        EXPECT_TRUE(written) << error;
        EXPECT_TRUE(fs::is_regular_file(out));
        EXPECT_FALSE(fs::exists(out.string() + ".part"));
        return written ? out.string() : std::string();
    }

    void ExpectSizes(std::string const& pdf, std::vector<PageSize> const& expected)
    {
        std::vector<PageSize> const sizes = PageSizes(pdf);
        ASSERT_EQ(expected.size(), sizes.size());
        for (std::size_t i = 0; i < sizes.size(); ++i)
        {
            SCOPED_TRACE("page " + std::to_string(i + 1));
            EXPECT_NEAR(expected[i].width, sizes[i].width, 0.01);
            EXPECT_NEAR(expected[i].height, sizes[i].height, 0.01);
        }
    }

    testsupport::TempFolder fFolder;
    FontFolders fFonts{
        {CopyDejaVu(fFolder / "fonts", {"DejaVuSans.ttf", "DejaVuSerif.ttf", "DejaVuSans-Bold.ttf"})}};
};

// The page labels of the catalog's /PageLabels number tree, one for each page. cairo writes a
// label that ends in digits as a prefix and a decimal number ("2-3" as "2-" from 3), and leaves out
// the pages that begin with plain page numbers, as a reader numbers them.
std::vector<std::string> PageLabels(std::string const& pdf)
{
    std::string const bytes = ReadFile(pdf);
    std::vector<std::string> labels;
    std::string::size_type const start = bytes.find("/Nums [");
    std::string const tree =
        start == std::string::npos ? std::string() : bytes.substr(start, bytes.find(']', start) - start);
    struct Range
    {
        int first;
        std::string prefix;
        bool decimal;
        int number;
    };
    std::vector<Range> ranges;
    std::regex const entry(R"((\d+) << ([^>]*)>>)");
    std::regex const prefix(R"(/P \(([^)]*)\))");
    std::regex const begin(R"(/St (\d+))");
    for (auto it = std::sregex_iterator(tree.begin(), tree.end(), entry); it != std::sregex_iterator(); ++it)
    {
        std::string const fields = (*it)[2];
        std::smatch found;
        Range range{std::stoi((*it)[1]), "", fields.find("/S /D") != std::string::npos, 1};
        if (std::regex_search(fields, found, prefix))
            range.prefix = found[1];
        if (std::regex_search(fields, found, begin))
            range.number = std::stoi(found[1]);
        ranges.push_back(range);
    }
    int const pages = PageCount(pdf);
    for (int page = 0; page < pages; ++page)
    {
        Range const* range = nullptr;
        for (Range const& candidate : ranges)
            if (candidate.first <= page)
                range = &candidate;
        if (!range)
            labels.push_back(std::to_string(page + 1));
        else
            labels.push_back(range->prefix +
                             (range->decimal ? std::to_string(range->number + page - range->first) : ""));
    }
    return labels;
}

bool Holds(std::string const& text, std::string const& part)
{
    return text.find(part) != std::string::npos;
}

constexpr char cBrochure[] = R"({ "name": "Brochure",
  "pages": [ {"label": "i", "text": "Cover"},
             {"label": "1", "size": [420.94, 595.276], "text": "Welcome\nto the show", "font": "DejaVu Serif"},
             {"label": "2"} ],
  "fonts": [ {"name": "DejaVu Sans", "file": "DejaVuSans.ttf"}, {"name": "DejaVu Serif", "file": "DejaVuSerif.ttf"} ] })";

TEST_F(PdfWriterTest, WritesAPageForEachExportedPageWithItsTextLabelAndFont)
{
    HostDocument const document = Document("Brochure", cBrochure);
    std::string const pdf = Write(Job(document, {0, 1, 2}));
    ASSERT_FALSE(pdf.empty());
    EXPECT_EQ(3, PageCount(pdf));
    ExpectSizes(pdf, {{595.276, 841.89}, {420.94, 595.276}, {595.276, 841.89}});
    EXPECT_EQ("Brochure", InfoField(pdf, "Title"));
    EXPECT_EQ("InDesign host stand-in", InfoField(pdf, "Creator"));
    EXPECT_EQ(std::vector<std::string>({"i", "1", "2"}), PageLabels(pdf));

    std::string const texts[] = {"Cover", "Welcome\nto the show", "Brochure \u2013 page 2"};
    std::string const fonts[] = {"DejaVuSans", "DejaVuSerif", "DejaVuSans"};
    for (int page = 1; page <= 3; ++page)
    {
        SCOPED_TRACE(page);
        EXPECT_TRUE(Holds(PageText(pdf, page), texts[page - 1])) << PageText(pdf, page);
        std::vector<PdfFont> const used = Fonts(pdf, page);
        ASSERT_EQ(1u, used.size());
        // Embedded as a subset: "ABCDEF+DejaVuSerif".
        EXPECT_EQ("+" + fonts[page - 1], used[0].name.substr(used[0].name.find('+')));
        EXPECT_TRUE(used[0].embedded);
    }
}

TEST_F(PdfWriterTest, ExportsTheChosenPagesInTheJobsOrderAndBooksDocumentAfterDocument)
{
    HostDocument const brochure = Document("Brochure", cBrochure);
    HostDocument const flyer =
        Document("Flyer", R"({"pageSize": [200, 300], "pages": [{"label": "A"}, {"label": "B"}]})");
    PdfJob job = Job(brochure, {2, 0});
    job.title = "Catalog";
    job.documents.push_back({flyer, {1}});
    std::string const pdf = Write(job);
    ASSERT_EQ(3, PageCount(pdf));
    EXPECT_EQ("Catalog", InfoField(pdf, "Title"));
    EXPECT_EQ(std::vector<std::string>({"2", "i", "B"}), PageLabels(pdf));
    EXPECT_TRUE(Holds(PageText(pdf, 1), "Brochure \u2013 page 2"));
    EXPECT_TRUE(Holds(PageText(pdf, 2), "Cover"));
    EXPECT_TRUE(Holds(PageText(pdf, 3), "Flyer \u2013 page B"));
    ExpectSizes(pdf, {{595.276, 841.89}, {595.276, 841.89}, {200, 300}});
}

TEST_F(PdfWriterTest, SizesEachPageByTrimBleedSlugAndMarkArea)
{
    // Page 0 stands alone (a right-hand page: inside on its left); page 1 is the left page of a
    // spread (outside on its left).
    HostDocument const document = Document("Sizes", R"({"pageSize": [400, 600], "pages": [{}, {}, {}],
        "spreads": [[0], [1, 2]],
        "bleed": {"top": 5, "bottom": 6, "inside": 1, "outside": 7},
        "slug": {"top": 20, "bottom": 10, "inside": 2, "outside": 4}})");
    ExportSettings bleed;
    bleed.bleedTop = 9;
    bleed.bleedBottom = 8;
    bleed.bleedInside = 3;
    bleed.bleedOutside = 10;
    ExportSettings documentBleed = bleed;
    documentBleed.useDocumentBleed = true;
    ExportSettings slug;
    slug.includeSlug = true;
    ExportSettings cropMarks;
    cropMarks.cropMarks = true;
    ExportSettings pageInformation;
    pageInformation.pageInformation = true;
    pageInformation.markOffset = 10;
    ExportSettings everything = bleed;
    everything.includeSlug = true;
    everything.colorBars = true;
    everything.markOffset = 0;
    struct Case
    {
        char const* what;
        ExportSettings settings;
        PageSize rightHand;
        PageSize leftHand;
    };
    Case const cases[] = {
        {"trim only", ExportSettings(), {400, 600}, {400, 600}},
        {"the settings' bleed", bleed, {400 + 3 + 10, 600 + 17}, {400 + 10 + 3, 617}},
        {"the document's bleed", documentBleed, {400 + 1 + 7, 600 + 11}, {408, 611}},
        {"the slug", slug, {400 + 2 + 4, 600 + 30}, {406, 630}},
        {"crop marks at 6 pt", cropMarks, {400 + 2 * 24, 600 + 2 * 24}, {448, 648}},
        {"page information at 10 pt", pageInformation, {400 + 2 * 28, 600 + 2 * 28}, {456, 656}},
        {"bleed, slug and colour bars at 0 pt",
         everything,
         {400 + 13 + 6 + 36, 600 + 17 + 30 + 36},
         {400 + 13 + 6 + 36, 683}},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.what);
        std::string const pdf = Write(Job(document, {0, 1}, test.settings));
        ExpectSizes(pdf, {test.rightHand, test.leftHand});
    }
}

TEST_F(PdfWriterTest, ExportsSpreadsWithTheirPagesSideBySide)
{
    HostDocument const document = Document("Spreads", R"({"pageSize": [300, 400], "pages": [{}, {}, {}, {}],
        "spreads": [[0], [1, 2], [3]], "bleed": {"inside": 5, "outside": 10}})");
    ExportSettings settings;
    settings.spreads = true;
    settings.useDocumentBleed = true;
    struct Case
    {
        std::vector<int> pages;
        std::vector<PageSize> sizes;
        std::vector<std::string> labels;
        // The text of each PDF page, its pages' texts in order.
        std::vector<std::vector<std::string>> texts;
    };
    Case const cases[] = {
        {{0, 1, 2, 3},
         {{5 + 300 + 10, 400}, {10 + 600 + 10, 400}, {315, 400}},
         {"1", "2-3", "4"},
         {{"page 1"}, {"page 2", "page 3"}, {"page 4"}}},
        // A spread comes with its pages that are exported, where its first one comes.
        {{3, 2}, {{315, 400}, {315, 400}}, {"4", "3"}, {{"page 4"}, {"page 3"}}},
        {{2, 1}, {{620, 400}}, {"2-3"}, {{"page 2", "page 3"}}},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(::testing::PrintToString(test.pages));
        std::string const pdf = Write(Job(document, test.pages, settings));
        ExpectSizes(pdf, test.sizes);
        EXPECT_EQ(test.labels, PageLabels(pdf));
        for (std::size_t sheet = 0; sheet < test.texts.size(); ++sheet)
        {
            std::string const text = PageText(pdf, static_cast<int>(sheet) + 1);
            std::string::size_type at = 0;
            for (std::string const& part : test.texts[sheet])
            {
                at = text.find("Spreads \u2013 " + part, at);
                EXPECT_NE(std::string::npos, at) << part << " in " << text;
            }
        }
    }
}

TEST_F(PdfWriterTest, FallsBackToTheDocumentsFirstFontFoundWhenAFontIsMissing)
{
    HostDocument const document = Document("Missing", R"({"pages": [{"text": "Still here"}],
        "fonts": [{"name": "Nowhere Sans"}, {"name": "DejaVu Serif"}]})");
    std::string const pdf = Write(Job(document, {0}));
    std::vector<PdfFont> const used = Fonts(pdf);
    ASSERT_EQ(1u, used.size());
    EXPECT_TRUE(Holds(used[0].name, "+DejaVuSerif"));
    EXPECT_TRUE(Holds(PageText(pdf, 1), "Still here"));

    // A font file deleted after the folders were scanned: the next font found stands in.
    HostDocument const deleted = Document("Deleted", R"({"pages": [{"text": "Still here"}],
        "fonts": [{"name": "DejaVu Serif"}, {"name": "DejaVu Sans"}]})");
    fs::remove(fFolder / "fonts/DejaVuSerif.ttf");
    std::string const standIn = Write(Job(deleted, {0}), "deleted.pdf");
    ASSERT_EQ(1u, Fonts(standIn).size());
    EXPECT_TRUE(Holds(Fonts(standIn)[0].name, "+DejaVuSans")) << Fonts(standIn)[0].name;
    EXPECT_TRUE(Holds(PageText(standIn, 1), "Still here"));

    // With no font found at all, the system's sans serif font draws the text, and the export goes on.
    PdfJob alone = Job(document, {0});
    alone.fonts = nullptr;
    std::string const fallback = Write(alone, "fallback.pdf");
    EXPECT_TRUE(Holds(PageText(fallback, 1), "Still here"));
    ASSERT_EQ(1u, Fonts(fallback).size());
    EXPECT_TRUE(Fonts(fallback)[0].embedded);
}

TEST_F(PdfWriterTest, DrawsLinkedPngImagesAndFramesTheMissingOnes)
{
    WritePng(fFolder / "docs/Links/photo.png");
    WriteFile(fFolder / "docs/Links/not-a-png.png", "text");
    HostDocument const document = Document("Images", R"({"pages": [
        {"images": ["Links/photo.png", "Links/missing.tif", "Links/not-a-png.png"]}, {}, {"images": ["Links/photo.png"]}]})");
    std::string const pdf = Write(Job(document, {0, 1, 2}));
    std::vector<PdfImage> const images = Images(pdf);
    ASSERT_EQ(2u, images.size());
    EXPECT_EQ(1, images[0].page);
    EXPECT_EQ(3, images[1].page);
    EXPECT_EQ(4, images[0].width);
    EXPECT_EQ(2, images[0].height);
}

TEST_F(PdfWriterTest, DrawsEachMarkInTheMarkAreaOnlyWhenAskedFor)
{
    // A 200 pt page with a 10 pt bleed: with marks at 6 pt offset (area 24 pt), the trim's top
    // left corner lies at (34, 34), the bleed's at (24, 24).
    HostDocument const document = Document("Marks", R"({"pageSize": [200, 200], "pages": [{}]})");
    ExportSettings base;
    base.bleedTop = base.bleedBottom = base.bleedInside = base.bleedOutside = 10;
    base.markWeight = 2;
    struct Point
    {
        double x;
        double y;
    };
    // Where each mark is dark: the crop mark left of the trim's top edge, the bleed mark left of
    // the bleed's top edge, the top target's centre, the cyan swatch above the trim's left edge.
    Point const cropMark{5, 34.5};
    Point const bleedMark{5, 24.5};
    Point const target{134.5, 9.5};
    Point const swatch{49, 9};
    struct Case
    {
        char const* what;
        bool ExportSettings::*flag;
        Point dark;
    };
    Case const cases[] = {{"crop marks", &ExportSettings::cropMarks, cropMark},
                          {"bleed marks", &ExportSettings::bleedMarks, bleedMark},
                          {"registration marks", &ExportSettings::registrationMarks, target},
                          {"colour bars", &ExportSettings::colorBars, swatch}};
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.what);
        ExportSettings settings = base;
        settings.*test.flag = true;
        std::string const pdf = Write(Job(document, {0}, settings));
        GreyPage const page = RenderPage(pdf, 1, (fFolder / "render").string());
        ASSERT_EQ(268, page.width);
        ASSERT_EQ(268, page.height);
        for (Case const& other : cases)
        {
            SCOPED_TRACE(std::string("looking at ") + other.what);
            if (&other == &test)
                EXPECT_LT(page.At(other.dark.x, other.dark.y), 200);
            else
                EXPECT_EQ(255, page.At(other.dark.x, other.dark.y));
        }
        // The mark offset stays clear between the marks and the bleed.
        for (double x = 18.5; x < 24; x += 1)
            EXPECT_EQ(255, page.At(x, cropMark.y));
    }
    ExportSettings information = base;
    information.pageInformation = true;
    std::string const pdf = Write(Job(document, {0}, information));
    EXPECT_TRUE(Holds(PageText(pdf, 1), "Marks page 1 2025-01-02 03:04"));
}

// The inside bleed lies on the spine's side: left of a right-hand page, right of a left-hand one.
// The crop mark above the trim's left edge shows where the trim begins.
TEST_F(PdfWriterTest, PutsTheInsideBleedOnTheSpineSide)
{
    HostDocument const document = Document("Sides", R"({"pageSize": [200, 200], "pages": [{}, {}, {}],
        "spreads": [[0], [1, 2]], "bleed": {"inside": 3, "outside": 10}})");
    ExportSettings settings;
    settings.useDocumentBleed = true;
    settings.cropMarks = true;
    settings.markWeight = 2;
    struct Case
    {
        bool spreads;
        // The trim's left edge on each PDF page: the mark area (24 pt) and the left bleed.
        std::vector<double> trimLeft;
    };
    Case const cases[] = {{false, {24 + 3, 24 + 10, 24 + 3}}, {true, {24 + 3, 24 + 10}}};
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.spreads ? "spreads" : "pages");
        settings.spreads = test.spreads;
        std::string const pdf = Write(Job(document, {0, 1, 2}, settings));
        ASSERT_EQ(static_cast<int>(test.trimLeft.size()), PageCount(pdf));
        for (std::size_t i = 0; i < test.trimLeft.size(); ++i)
        {
            SCOPED_TRACE("page " + std::to_string(i + 1));
            GreyPage const page = RenderPage(pdf, static_cast<int>(i) + 1, (fFolder / "render").string());
            EXPECT_LT(page.At(test.trimLeft[i] + 0.5, 5), 200);
            double const otherSide = test.trimLeft[i] == 27 ? 34 : 27;
            EXPECT_EQ(255, page.At(otherSide + 0.5, 5));
        }
    }
}

struct Failure
{
    char const* what;
    std::string path;
    char const* reason;
};

TEST_F(PdfWriterTest, FailsWithoutLeavingAnyFileBehind)
{
    HostDocument const document = Document("Brochure", cBrochure);
    fs::create_directories(fFolder / "out/taken.pdf");
    WriteFile(fFolder / "out/file", "a file, not a folder");
    std::vector<std::string> const before = FilesBelow(fFolder / "out");
    std::string const out = (fFolder / "out").string();
    Failure const cases[] = {
        {"a missing folder", out + "/missing/x.pdf", "does not exist"},
        {"a folder that is a file", out + "/file/x.pdf", "is not a folder"},
        {"a path that is a folder", out + "/taken.pdf", "cannot put the PDF"},
        {"no path", "", "no output file"},
    };
    for (Failure const& failure : cases)
    {
        SCOPED_TRACE(failure.what);
        std::string error;
        EXPECT_FALSE(WritePdf(failure.path, Job(document, {0, 1}), error));
        EXPECT_TRUE(Holds(error, failure.reason)) << error;
        EXPECT_EQ(before, FilesBelow(fFolder / "out"));
    }

    struct BadJob
    {
        char const* what;
        PdfJob job;
        char const* reason;
    };
    PdfJob noDocument = Job(document, {});
    noDocument.documents.clear();
    PdfJob badWeight = Job(document, {0});
    badWeight.settings.markWeight = 0;
    PdfJob badBleed = Job(document, {0});
    badBleed.settings.bleedTop = std::nan("");
    BadJob const jobs[] = {
        {"no page", Job(document, {}), "no page"},
        {"no document", noDocument, "no page"},
        {"a page that is not there", Job(document, {0, 3}), "no page of index 3"},
        {"a mark weight of 0", badWeight, "/MarkWeight"},
        {"a bleed that is no number", badBleed, "/BleedTop"},
    };
    for (BadJob const& bad : jobs)
    {
        SCOPED_TRACE(bad.what);
        std::string error;
        EXPECT_FALSE(WritePdf(out + "/new.pdf", bad.job, error));
        EXPECT_TRUE(Holds(error, bad.reason)) << error;
        EXPECT_EQ(before, FilesBelow(fFolder / "out"));
    }
}

// A write that fails while cairo writes (here the file size limit of a child process, which holds
// for root too) leaves neither the PDF nor its part file.
TEST_F(PdfWriterTest, RemovesThePartFileWhenAWriteFails)
{
    std::string pages;
    for (int i = 0; i < 40; ++i)
        pages += std::string(i ? "," : "") + "{\"text\": \"A page of text that takes some room " +
                 std::to_string(i) + "\"}";
    HostDocument const document =
        Document("Long", "{\"pages\": [" + pages + "], \"fonts\": [{\"name\": \"DejaVu Serif\"}]}");
    std::vector<int> all(40);
    for (int i = 0; i < 40; ++i)
        all[static_cast<std::size_t>(i)] = i;
    PdfJob const job = Job(document, all);
    std::string const path = (fFolder / "out.pdf").string();
    testsupport::ChildProcess child(
        [&](testsupport::ChildProcess::Child const&)
        {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit const limit{2048, 2048};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::string error;
            if (WritePdf(path, job, error))
                return 1;
            return Holds(error, "cannot write") ? 0 : 2;
        });
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(0, child.Wait());
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(path + ".part"));
}
} // namespace
