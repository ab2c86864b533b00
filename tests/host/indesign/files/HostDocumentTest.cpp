// Documents and books read from their files: every field, the defaults, the layout questions the
// export asks, and a clear error naming the file and the field for each kind of bad file.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

#include "ExportSettings.h"
#include "HostBook.h"
#include "HostDocument.h"
#include "HostFileError.h"
#include "HostFixtures.h"
#include "TempFolder.h"

namespace
{
using namespace indesignhost;
using hostfilestest::WriteFile;
namespace fs = std::filesystem;

constexpr char cBrochure[] = R"({ "name": "Brochure",
  "pageSize": [595.276, 841.89],
  "pages": [ {"label": "i", "text": "Cover"},
             {"label": "1", "size": [420.94, 595.276], "text": "Welcome", "font": "DejaVu Serif",
              "images": ["Links/photo.png", "../Shared/logo.png"]},
             {"label": "2"} ],
  "spreads": [[0], [1, 2]],
  "bleed": {"top": 8.5, "bottom": 8.5, "inside": 0, "outside": 8.5},
  "slug": {"top": 20, "bottom": 20},
  "fonts": [ {"name": "DejaVu Sans", "file": "DejaVuSans.ttf"}, {"name": "DejaVu Serif"} ],
  "links": ["Links/photo.png", "Links/missing.tif"] })";

TEST(HostDocumentTest, ReadsEveryFieldWithPathsFromTheDocumentsFolder)
{
    testsupport::TempFolder folder;
    WriteFile(folder / "docs/Brochure.indd", cBrochure);
    fs::create_directories(folder / "elsewhere");
    // Read by a path relative to another folder: links still come from the document's.
    testsupport::CurrentFolderScope const current(folder / "elsewhere");
    HostDocument const document = ReadDocumentFile("../docs/Brochure.indd");

    std::string const docs = (folder / "docs").string();
    EXPECT_EQ(docs + "/Brochure.indd", document.path);
    EXPECT_EQ("Brochure", document.name);
    ASSERT_EQ(3u, document.pages.size());
    EXPECT_EQ("i", document.pages[0].label);
    EXPECT_EQ("Cover", document.pages[0].text);
    EXPECT_EQ("DejaVu Sans", document.pages[0].font);
    EXPECT_DOUBLE_EQ(595.276, document.pages[0].width);
    EXPECT_DOUBLE_EQ(841.89, document.pages[0].height);
    EXPECT_DOUBLE_EQ(420.94, document.pages[1].width);
    EXPECT_DOUBLE_EQ(595.276, document.pages[1].height);
    EXPECT_EQ("DejaVu Serif", document.pages[1].font);
    EXPECT_EQ(std::vector<std::string>({docs + "/Links/photo.png", folder.String() + "/Shared/logo.png"}),
              document.pages[1].images);
    EXPECT_EQ("Brochure \u2013 page 2", document.pages[2].text);
    EXPECT_EQ(std::vector<std::vector<int>>({{0}, {1, 2}}), document.spreads);
    EXPECT_DOUBLE_EQ(8.5, document.bleed.top);
    EXPECT_DOUBLE_EQ(0, document.bleed.inside);
    EXPECT_DOUBLE_EQ(8.5, document.bleed.outside);
    EXPECT_DOUBLE_EQ(20, document.slug.bottom);
    EXPECT_DOUBLE_EQ(0, document.slug.outside);
    ASSERT_EQ(2u, document.fonts.size());
    EXPECT_EQ("DejaVuSans.ttf", document.fonts[0].file);
    EXPECT_EQ("", document.fonts[1].file);
    EXPECT_EQ(std::vector<std::string>({docs + "/Links/photo.png", docs + "/Links/missing.tif"}),
              document.links);
    // A package collects the links, then the placed images not among them.
    EXPECT_EQ(std::vector<std::string>({docs + "/Links/photo.png", docs + "/Links/missing.tif",
                                        folder.String() + "/Shared/logo.png"}),
              document.LinkedFiles());
}

TEST(HostDocumentTest, FillsInWhatTheFileLeavesOut)
{
    testsupport::TempFolder folder;
    HostDocument const plain = ReadDocumentFile(WriteFile(folder / "Flyer.indd", R"({"pages": [{}, {}]})"));
    EXPECT_EQ("Flyer", plain.name);
    ASSERT_EQ(2u, plain.pages.size());
    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i);
        HostPage const& page = plain.pages[static_cast<std::size_t>(i)];
        EXPECT_EQ(std::to_string(i + 1), page.label);
        EXPECT_EQ("Flyer \u2013 page " + std::to_string(i + 1), page.text);
        EXPECT_DOUBLE_EQ(595.276, page.width);
        EXPECT_DOUBLE_EQ(841.89, page.height);
        EXPECT_EQ("", page.font);
    }
    EXPECT_EQ(std::vector<std::vector<int>>({{0}, {1}}), plain.spreads);
    EXPECT_FALSE(plain.bleed.Any() || plain.slug.Any());

    // The document's page size and first font reach every page that names neither.
    HostDocument const sized = ReadDocumentFile(WriteFile(
        folder / "Sized.indd",
        R"({"pageSize": [300, 400], "fonts": [{"name": "B"}, {"name": "A"}], "pages": [{"label": "x"}, {}]})"));
    EXPECT_DOUBLE_EQ(300, sized.pages[1].width);
    EXPECT_DOUBLE_EQ(400, sized.pages[1].height);
    EXPECT_EQ("B", sized.pages[0].font);
    EXPECT_EQ("2", sized.pages[1].label);
}

TEST(HostDocumentTest, TellsLeftAndRightHandPagesAndFindsPagesByLabel)
{
    testsupport::TempFolder folder;
    HostDocument const document = ReadDocumentFile(WriteFile(
        folder / "Book.indd",
        R"({"pages": [{}, {}, {}, {}, {}, {"label": "vi"}], "spreads": [[0], [1, 2], [3, 4, 5]]})"));
    // A spread's first half (rounded down) lies left of the spine: a lone page is a right-hand page.
    bool const leftHand[] = {false, true, false, true, false, false};
    int const spreadOf[] = {0, 1, 1, 2, 2, 2};
    for (int page = 0; page < 6; ++page)
    {
        SCOPED_TRACE(page);
        EXPECT_EQ(leftHand[page], document.IsLeftHandPage(page));
        EXPECT_EQ(spreadOf[page], document.SpreadOf(page));
    }
    EXPECT_EQ(5, document.PageWithLabel("vi"));
    EXPECT_EQ(1, document.PageWithLabel("2"));
    EXPECT_EQ(-1, document.PageWithLabel("6"));
}

struct BadFile
{
    char const* text;
    // What the message must hold after the file's path: the field, and what is wrong with it.
    char const* field;
    char const* detail;
};

TEST(HostDocumentTest, RejectsABadDocumentNamingTheFileAndTheField)
{
    BadFile const cases[] = {
        {"{\"pages\": [{}]", "", "not JSON"},
        {"[{\"pages\": [{}]}]", "", "no JSON object"},
        {"{}", "pages", "is missing"},
        {"{\"pages\": []}", "pages", "is empty"},
        {"{\"pages\": {}}", "pages", "must be an array, not an object"},
        {"{\"pages\": [{}], \"name\": \"\"}", "name", "must not be empty"},
        {"{\"pages\": [{}], \"name\": 5}", "name", "must be a text, not a number"},
        {"{\"pages\": [{}], \"pageSize\": [100]}", "pageSize", "must be [width, height]"},
        {"{\"pages\": [{}], \"pageSize\": [0, 100]}", "pageSize[0]", "must be above 0"},
        {"{\"pages\": [{\"size\": [100, 20000]}]}", "pages[0].size[1]", "at most 15552"},
        {"{\"pages\": [{\"size\": [100, \"200\"]}]}", "pages[0].size[1]", "must be a number, not a text"},
        {"{\"pages\": [{\"label\": \"A\"}, {\"label\": \"A\"}]}", "pages[1].label", "earlier page"},
        {"{\"pages\": [{\"label\": \"2\"}, {}]}", "pages[1].label", "earlier page"},
        {"{\"pages\": [{\"label\": \"\"}]}", "pages[0].label", "must not be empty"},
        {"{\"pages\": [{\"font\": \"Nowhere\"}], \"fonts\": [{\"name\": \"A\"}]}", "pages[0].font",
         "not among the document's fonts"},
        {"{\"pages\": [{}], \"fonts\": [{\"name\": \"A\"}, {\"name\": \"A\"}]}", "fonts[1].name",
         "named twice"},
        {"{\"pages\": [{}], \"fonts\": [{\"name\": \"A\", \"file\": \"sub/A.ttf\"}]}", "fonts[0].file",
         "without a folder"},
        {"{\"pages\": [{}], \"fonts\": [{\"file\": \"A.ttf\"}]}", "fonts[0].name",
         "must be a text, not missing"},
        {"{\"pages\": [{}, {}], \"spreads\": [[1], [0]]}", "spreads[0][0]", "out of order"},
        {"{\"pages\": [{}, {}], \"spreads\": [[0]]}", "spreads", "page 1 is in no spread"},
        {"{\"pages\": [{}], \"spreads\": [[0.5]]}", "spreads[0][0]", "not the index of a page"},
        {"{\"pages\": [{}], \"spreads\": [[3]]}", "spreads[0][0]", "not the index of a page"},
        {"{\"pages\": [{}], \"spreads\": [[]]}", "spreads[0]", "at least one page"},
        {"{\"pages\": [{}], \"bleed\": {\"top\": -1}}", "bleed.top", "at least 0"},
        {"{\"pages\": [{}], \"slug\": {\"outside\": 500}}", "slug.outside", "at most 432"},
        {"{\"pages\": [{}], \"slug\": {\"left\": 1}}", "slug.left", "not a field"},
        {"{\"pages\": [{}], \"links\": [\"a\", \"\"]}", "links[1]", "must not be empty"},
        {"{\"pages\": [{\"images\": [3]}]}", "pages[0].images[0]", "must be a text"},
        {"{\"pages\": [{\"text\": \"a\\u0000b\"}]}", "pages[0].text", "NUL"},
        {"{\"pages\": [{}], \"colour\": 1}", "colour", "not a field"},
        {"{\"pages\": [{\"labl\": \"x\"}]}", "pages[0].labl", "not a field"},
    };
    testsupport::TempFolder folder;
    for (BadFile const& bad : cases)
    {
        SCOPED_TRACE(bad.text);
        std::string const path = WriteFile(folder / "Bad.indd", bad.text);
        try
        {
            ReadDocumentFile(path);
            ADD_FAILURE() << "read without an error";
        }
        catch (HostFileError const& error)
        {
            std::string const message = error.what();
            EXPECT_EQ(path, error.Path());
            EXPECT_EQ(0u, message.rfind(path + ": " + bad.field, 0)) << message;
            EXPECT_NE(std::string::npos, message.find(bad.detail)) << message;
        }
    }
}

TEST(HostDocumentTest, ReadsJsonEscapesAndAByteOrderMark)
{
    testsupport::TempFolder folder;
    HostDocument const document = ReadDocumentFile(
        WriteFile(folder / "Text.indd", "\xEF\xBB\xBF{\"pages\": [{\"text\": \"\\\"\\\\\\/\\b\\f\\n\\r\\t "
                                        "\\u00e9\\uD83D\\uDE00 caf\xC3\xA9\"}]}"));
    EXPECT_EQ("\"\\/\b\f\n\r\t \xC3\xA9\xF0\x9F\x98\x80 caf\xC3\xA9", document.pages[0].text);
}

// What JSON does not allow, or what would make a document ambiguous, is refused with the line.
TEST(HostDocumentTest, RejectsTextThatIsNotStrictJsonWithTheLine)
{
    struct Case
    {
        std::string text;
        char const* detail;
    };
    Case const cases[] = {
        {"{\"pages\": [{}], \"pages\": [{}]}", "the key \"pages\" is given twice at line 1"},
        {"{\"pages\": [{\"text\": \"\xFF\"}]}", "not UTF-8 at line 1"},
        {"{\"pages\": [{\"text\": \"\xC0\xAF\"}]}", "not UTF-8"},
        {"{\"pages\": [{\"text\": \"\xED\xA0\x80\"}]}", "not UTF-8"},
        {"{\"pages\": [{\"text\": \"\\uD800\"}]}", "high surrogate without its low one"},
        {"{\"pages\": [{\"text\": \"\\uDC00\"}]}", "low surrogate without its high one"},
        {"{\"pages\": [{\"text\": \"\\u12\"}]}", "four hexadecimal digits"},
        {"{\"pages\": [{\"text\": \"\\x\"}]}", "\\x is no escape of JSON"},
        {"{\"pages\": [{\"text\": \"a\tb\"}]}", "control character"},
        {"{\"pages\": [{\"text\": \"open}]}", "not closed with a quote"},
        {"{\n\"pages\": [\n{},\n]\n}",
         "a value comes here (an object, array, string, number, true, false or null) at line 4"},
        {"{\"pages\": [{}]} x", "nothing may follow the value"},
        {"{\"pages\": [{}], \"pageSize\": [01, 2]}", "a comma or \"]\""},
        {"{\"pages\": [{}], \"pageSize\": [1e999, 2]}", "out of range"},
        {"{\"pages\": [{}], \"pageSize\": [1., 2]}", "followed by digits"},
        {"{\"pages\": [{}], \"links\": " + std::string(70, '[') + std::string(70, ']') + "}",
         "nested more than 64"},
        {"{\"pages\": [{}] \"name\": \"x\"}", "a comma or \"}\""},
        {"{\"pages\" [{}]}", "a colon comes after the key \"pages\""},
        {"{pages: [{}]}", "a key in quotes"},
        {"{\"pages\": [{\"text\": tru}]}", "\"true\" is misspelt"},
        {"", "the text ends where a value should be"},
    };
    testsupport::TempFolder folder;
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.text);
        std::string const path = WriteFile(folder / "Bad.indd", test.text);
        try
        {
            ReadDocumentFile(path);
            ADD_FAILURE() << "read without an error";
        }
        catch (HostFileError const& error)
        {
            EXPECT_EQ(0u, error.Detail().rfind("not JSON: ", 0)) << error.what();
            EXPECT_NE(std::string::npos, error.Detail().find(test.detail)) << error.what();
        }
    }
}

TEST(HostBookTest, ReadsTheChaptersFromTheBooksFolder)
{
    testsupport::TempFolder folder;
    std::string const path = WriteFile(
        folder / "books/Catalog.indb",
        R"({"chapters": ["Chapter 1.indd", "parts/../Chapter 2.indd", "/elsewhere/Chapter 3.indd"]})");
    HostBook const book = ReadBookFile(path);
    std::string const books = (folder / "books").string();
    EXPECT_EQ(path, book.path);
    EXPECT_EQ("Catalog", book.name);
    EXPECT_EQ(std::vector<std::string>(
                  {books + "/Chapter 1.indd", books + "/Chapter 2.indd", "/elsewhere/Chapter 3.indd"}),
              book.chapters);
    EXPECT_TRUE(ReadBookFile(WriteFile(folder / "Empty.indb", R"({"chapters": []})")).chapters.empty());
}

TEST(HostBookTest, RejectsABadBookNamingTheFileAndTheField)
{
    BadFile const cases[] = {
        {"{\"chapters\": [\"a.indd\"]", "", "not JSON"},
        {"{}", "chapters", "is missing"},
        {"{\"chapters\": \"a.indd\"}", "chapters", "must be an array, not a text"},
        {"{\"chapters\": [\"a.indd\", 1]}", "chapters[1]", "must be a text, not a number"},
        {"{\"chapters\": [\"a.indd\", \"./a.indd\"]}", "chapters[1]", "already a chapter"},
        {"{\"chapters\": [\"Bad.indb\"]}", "chapters[0]", "the book itself"},
        {"{\"chapters\": [], \"name\": \"x\"}", "name", "not a field"},
    };
    testsupport::TempFolder folder;
    for (BadFile const& bad : cases)
    {
        SCOPED_TRACE(bad.text);
        std::string const path = WriteFile(folder / "Bad.indb", bad.text);
        try
        {
            ReadBookFile(path);
            ADD_FAILURE() << "read without an error";
        }
        catch (HostFileError const& error)
        {
            std::string const message = error.what();
            EXPECT_EQ(0u, message.rfind(path + ": " + bad.field, 0)) << message;
            EXPECT_NE(std::string::npos, message.find(bad.detail)) << message;
        }
    }
}

// Every reader of the host's files says which file it could not read and why, without waiting on a
// FIFO for a writer that never comes.
TEST(HostFileReadersTest, SayWhyAFileCannotBeRead)
{
    testsupport::TempFolder folder;
    WriteFile(folder / "plain.txt", "text");
    ASSERT_EQ(0, mkfifo((folder / "fifo").c_str(), 0600));
    struct Unreadable
    {
        std::string path;
        char const* reason;
    };
    Unreadable const cases[] = {
        {(folder / "missing.indd").string(), "does not exist"},
        {folder.String(), "is a folder"},
        {(folder / "plain.txt/inside.indd").string(), "a folder on its path is a file"},
        {(folder / "fifo").string(), "not a regular file"},
        {"", "no file given"},
    };
    using Reader = void (*)(std::string const&);
    std::pair<char const*, Reader> const readers[] = {
        {"document", [](std::string const& path) { ReadDocumentFile(path); }},
        {"book", [](std::string const& path) { ReadBookFile(path); }},
        {"job options", [](std::string const& path) { ReadJobOptions(path); }},
    };
    for (auto const& reader : readers)
        for (Unreadable const& unreadable : cases)
        {
            SCOPED_TRACE(std::string(reader.first) + " at " + unreadable.path);
            try
            {
                reader.second(unreadable.path);
                ADD_FAILURE() << "read without an error";
            }
            catch (HostFileError const& error)
            {
                EXPECT_EQ(unreadable.path + ": " + error.Detail(), error.what());
                EXPECT_NE(std::string::npos, error.Detail().find(unreadable.reason)) << error.what();
            }
        }
}
} // namespace
