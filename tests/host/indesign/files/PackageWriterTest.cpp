// The file package: what a document's and a book's package folder holds, copies made once and
// named apart, the refusals and failures that leave what was written, and the report on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "FontFolders.h"
#include "HostBook.h"
#include "HostDocument.h"
#include "HostFixtures.h"
#include "PackageWriter.h"
#include "TempFolder.h"

namespace
{
using namespace indesignhost;
using namespace hostfilestest;

class PackageWriterTest : public ::testing::Test
{
protected:
    // Brochure.indd with two links, one missing, a placed image not among the links, and three
    // fonts, one missing.
    HostDocument Brochure()
    {
        WriteFile(fFolder / "docs/Links/photo.png", "photo bytes");
        WriteFile(fFolder / "docs/Art/cover.png", "cover bytes");
        return ReadDocumentFile(WriteFile(fFolder / "docs/Brochure.indd", R"({"name": "Brochure",
            "pages": [{"label": "i"}, {"label": "1", "images": ["Art/cover.png"]}, {"label": "2"}],
            "fonts": [{"name": "DejaVu Sans", "file": "DejaVuSans.ttf"}, {"name": "DejaVu Serif"},
                      {"name": "Nowhere Sans", "file": "Nowhere.ttf"}],
            "links": ["Links/photo.png", "Links/missing.tif"]})"));
    }

    // Catalog.indb with two chapters in folders of their own, each linking its own Links/photo.png
    // and both using DejaVu Sans.
    HostBook Catalog()
    {
        for (char const* chapter : {"One", "Two"})
        {
            WriteFile(fFolder / "book" / chapter / "Links/photo.png", std::string("photo of ") + chapter);
            WriteFile(fFolder / "book" / chapter / (std::string("Chapter ") + chapter + ".indd"),
                      R"({"pages": [{}], "fonts": [{"name": "DejaVu Sans"}], "links": ["Links/photo.png"]})");
        }
        return ReadBookFile(WriteFile(fFolder / "book/Catalog.indb",
                                      R"({"chapters": ["One/Chapter One.indd", "Two/Chapter Two.indd"]})"));
    }

    PackageJob BookJob(HostBook const& book) const
    {
        PackageJob job;
        job.bookPath = book.path;
        for (std::string const& chapter : book.chapters)
            job.documents.push_back(ReadDocumentFile(chapter));
        job.fonts = &fFonts;
        return job;
    }

    std::vector<std::string> ReportLines(fs::path const& package) const
    {
        std::vector<std::string> lines;
        std::istringstream in(ReadFile(package / cPackageReportName));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    testsupport::TempFolder fFolder;
    FontFolders fFonts{
        {CopyDejaVu(fFolder / "fonts", {"DejaVuSans.ttf", "DejaVuSerif.ttf", "DejaVuSans-Bold.ttf"})}};
};

TEST_F(PackageWriterTest, PackagesADocumentWithItsLinksAndFonts)
{
    PackageJob job;
    job.documents = {Brochure()};
    job.fonts = &fFonts;
    fs::path const target = fFolder / "out/Brochure Folder";
    fs::create_directories(target.parent_path());
    std::string error;
    ASSERT_TRUE(WritePackage(target.string(), job, error)) << error;
    EXPECT_EQ(
        std::vector<std::string>({"Brochure.indd", "Fonts/", "Fonts/DejaVuSans.ttf", "Fonts/DejaVuSerif.ttf",
                                  "Links/", "Links/cover.png", "Links/photo.png"}),
        FilesBelow(target));
    EXPECT_EQ(ReadFile(fFolder / "docs/Brochure.indd"), ReadFile(target / "Brochure.indd"));
    EXPECT_EQ("cover bytes", ReadFile(target / "Links/cover.png"));
    EXPECT_EQ(ReadFile(fFolder / "fonts/DejaVuSerif.ttf"), ReadFile(target / "Fonts/DejaVuSerif.ttf"));
}

TEST_F(PackageWriterTest, PackagesABookWithEveryChapterAndCopiesSharedFilesOnce)
{
    PackageJob const job = BookJob(Catalog());
    fs::path const target = fFolder / "Catalog Folder";
    std::string error;
    ASSERT_TRUE(WritePackage(target.string(), job, error)) << error;
    // Two links of one name from two folders: the second is named apart.
    EXPECT_EQ(
        std::vector<std::string>({"Catalog.indb", "Chapter One.indd", "Chapter Two.indd", "Fonts/",
                                  "Fonts/DejaVuSans.ttf", "Links/", "Links/photo 2.png", "Links/photo.png"}),
        FilesBelow(target));
    EXPECT_EQ("photo of One", ReadFile(target / "Links/photo.png"));
    EXPECT_EQ("photo of Two", ReadFile(target / "Links/photo 2.png"));
    EXPECT_EQ(ReadFile(fFolder / "book/Catalog.indb"), ReadFile(target / "Catalog.indb"));
}

TEST_F(PackageWriterTest, RefusesATargetThatExistsOrHasNoFolder)
{
    PackageJob job;
    job.documents = {Brochure()};
    WriteFile(fFolder / "taken/kept.txt", "kept");
    WriteFile(fFolder / "file", "a file");
    struct Case
    {
        char const* what;
        fs::path target;
        char const* reason;
    };
    Case const cases[] = {
        {"an existing folder", fFolder / "taken", "already exists"},
        {"an existing file", fFolder / "file", "already exists"},
        {"a missing folder", fFolder / "missing/Brochure Folder", "cannot make the package folder"},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.what);
        std::string error;
        EXPECT_FALSE(WritePackage(test.target.string(), job, error));
        EXPECT_NE(std::string::npos, error.find(test.reason)) << error;
        EXPECT_NE(std::string::npos, error.find(test.target.string())) << error;
    }
    EXPECT_EQ(std::vector<std::string>({"kept.txt"}), FilesBelow(fFolder / "taken"));
    EXPECT_FALSE(fs::exists(fFolder / "missing"));
    std::string error;
    EXPECT_FALSE(WritePackage((fFolder / "empty").string(), PackageJob(), error));
    EXPECT_FALSE(fs::exists(fFolder / "empty"));
}

TEST_F(PackageWriterTest, FailsOnAChapterThatIsGoneAndKeepsWhatItWrote)
{
    PackageJob const job = BookJob(Catalog());
    fs::remove(fFolder / "book/Two/Chapter Two.indd");
    fs::path const target = fFolder / "Catalog Folder";
    std::string error;
    EXPECT_FALSE(WritePackage(target.string(), job, error));
    EXPECT_NE(std::string::npos, error.find((fFolder / "book/Two/Chapter Two.indd").string())) << error;
    EXPECT_EQ(std::vector<std::string>({"Catalog.indb", "Chapter One.indd", "Fonts/", "Fonts/DejaVuSans.ttf",
                                        "Links/", "Links/photo.png"}),
              FilesBelow(target));
}

TEST_F(PackageWriterTest, ReportsPagesFontsAndLinksAsThePackageHoldsThem)
{
    PackageJob job;
    job.documents = {Brochure()};
    job.fonts = &fFonts;
    fs::path const target = fFolder / "Brochure Folder";
    std::string error;
    ASSERT_TRUE(WritePackage(target.string(), job, error)) << error;
    // A copy taken out of the package is reported missing.
    fs::remove(target / "Fonts/DejaVuSerif.ttf");
    ASSERT_TRUE(WritePackageReport(target.string(), job, error)) << error;

    std::string const docs = (fFolder / "docs").string();
    std::vector<std::string> const lines = ReportLines(target);
    std::vector<std::string> const expected = {
        "Package report",
        "Package: " + target.string(),
        "",
        "Document: Brochure (Brochure.indd)",
        "  Pages: 3 (i, 1, 2)",
        "  Fonts: 1 present, 2 missing",
        "    present  DejaVu Sans  Fonts/DejaVuSans.ttf",
        "    missing  DejaVu Serif",
        "    missing  Nowhere Sans",
        "  Links: 2 present, 1 missing",
        "    present  " + docs + "/Links/photo.png  Links/photo.png",
        "    missing  " + docs + "/Links/missing.tif",
        "    present  " + docs + "/Art/cover.png  Links/cover.png",
        "",
        "Summary: 1 document, 3 pages; fonts 1 present, 2 missing; links 2 present, 1 missing",
    };
    // The date line (second) is the time of the report.
    ASSERT_EQ(expected.size() + 1, lines.size());
    EXPECT_EQ(0u, lines[1].rfind("Date: 20", 0)) << lines[1];
    std::vector<std::string> withoutDate = lines;
    withoutDate.erase(withoutDate.begin() + 1);
    EXPECT_EQ(expected, withoutDate);
}

TEST_F(PackageWriterTest, ReportsABookChapterByChapter)
{
    PackageJob const job = BookJob(Catalog());
    fs::path const target = fFolder / "Catalog Folder";
    std::string error;
    ASSERT_TRUE(WritePackage(target.string(), job, error)) << error;
    ASSERT_TRUE(WritePackageReport(target.string(), job, error)) << error;
    std::vector<std::string> const lines = ReportLines(target);
    std::string const book = (fFolder / "book").string();
    for (std::string const& line :
         {std::string("Book: Catalog (Catalog.indb)"),
          std::string("Document: Chapter One (Chapter One.indd)"),
          "    present  " + book + "/Two/Links/photo.png  Links/photo 2.png",
          std::string(
              "Summary: 2 documents, 2 pages; fonts 2 present, 0 missing; links 2 present, 0 missing")})
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), line)) << line;

    EXPECT_FALSE(WritePackageReport((fFolder / "nowhere").string(), job, error));
    EXPECT_NE(std::string::npos, error.find("does not exist")) << error;
}
} // namespace
