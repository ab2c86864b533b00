// The host's font folders: a font is found by the family its file gives, whatever the file is
// called; a family's regular face is the one taken unless the document names another file; what
// the folders hold is what the last rescan saw.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FontFolders.h"
#include "HostDocument.h"
#include "HostFixtures.h"
#include "TempFolder.h"

namespace
{
using namespace indesignhost;
using hostfilestest::CopyDejaVu;
namespace fs = std::filesystem;

TEST(FontFoldersTest, FindsAFontByTheFamilyItsFileGives)
{
    testsupport::TempFolder folder;
    fs::create_directories(folder / "fonts/more");
    fs::copy_file(fs::path(SENDRIX_DEJAVU_FOLDER) / "DejaVuSerif.ttf", folder / "fonts/more/Renamed.bin");
    CopyDejaVu(folder / "other", {"DejaVuSansMono.ttf"});
    hostfilestest::WriteFile(folder / "fonts/DejaVuSans.ttf", "not a font, whatever its name");

    FontFolders fonts({(folder / "fonts").string(), (folder / "missing").string()});
    EXPECT_EQ((folder / "fonts/more/Renamed.bin").string(), fonts.FindFontFile("DejaVu Serif"));
    EXPECT_EQ("", fonts.FindFontFile("DejaVu Sans"));
    EXPECT_EQ("", fonts.FindFontFile("dejavu serif"));
    EXPECT_EQ("", fonts.FindFontFile("DejaVu Sans Mono"));
    // A folder added counts from the next rescan on.
    fonts.AddFolder((folder / "other").string());
    EXPECT_EQ("", fonts.FindFontFile("DejaVu Sans Mono"));
    fonts.Rescan();
    EXPECT_EQ((folder / "other/DejaVuSansMono.ttf").string(), fonts.FindFontFile("DejaVu Sans Mono"));
    ASSERT_NE(nullptr, fonts.FindFace("DejaVu Serif"));
    EXPECT_EQ("Book", fonts.FindFace("DejaVu Serif")->style);
}

TEST(FontFoldersTest, TakesTheRegularFaceOfAFamilyUnlessTheDocumentNamesAFile)
{
    struct Case
    {
        std::vector<std::string> files;
        char const* documentFile;
        char const* expected;
    };
    Case const cases[] = {
        {{"DejaVuSans-Bold.ttf", "DejaVuSans-ExtraLight.ttf", "DejaVuSans-Oblique.ttf",
          "DejaVuSansCondensed.ttf", "DejaVuSans.ttf"},
         "",
         "DejaVuSans.ttf"},
        {{"DejaVuSans-Bold.ttf", "DejaVuSans.ttf"}, "DejaVuSans-Bold.ttf", "DejaVuSans-Bold.ttf"},
        // A remembered file that is gone: the family's best face stands in.
        {{"DejaVuSans-Bold.ttf", "DejaVuSans.ttf"}, "Gone.ttf", "DejaVuSans.ttf"},
        // Upright before weight, weight before width.
        {{"DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf", "DejaVuSansCondensed.ttf"},
         "",
         "DejaVuSansCondensed.ttf"},
        {{"DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf"}, "", "DejaVuSans-Bold.ttf"},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.expected + std::string(" from ") + std::to_string(test.files.size()) + " files");
        testsupport::TempFolder folder;
        FontFolders const fonts({CopyDejaVu(folder / "fonts", test.files)});
        FontFace const* const face = fonts.FindFace(HostFont{"DejaVu Sans", test.documentFile});
        ASSERT_NE(nullptr, face);
        EXPECT_EQ((folder / "fonts" / test.expected).string(), face->file);
    }
}

TEST(FontFoldersTest, SeesFontFilesDeletedAndReplacedBetweenTwoRescans)
{
    testsupport::TempFolder folder;
    std::string const fontsFolder = CopyDejaVu(folder / "fonts", {"DejaVuSans.ttf", "DejaVuSerif.ttf"});
    FontFolders fonts({fontsFolder});
    HostDocument document;
    document.fonts = {{"DejaVu Sans", "DejaVuSans.ttf"}, {"DejaVu Serif", ""}};
    EXPECT_TRUE(fonts.MissingFonts(document).empty());

    fs::remove(folder / "fonts/DejaVuSans.ttf");
    // Until the rescan, the folders are what the last scan saw.
    EXPECT_TRUE(fonts.MissingFonts(document).empty());
    fonts.Rescan();
    EXPECT_EQ(std::vector<std::string>({"DejaVu Sans"}), fonts.MissingFonts(document));

    // Another font under the same file name is read anew.
    fs::copy_file(fs::path(SENDRIX_DEJAVU_FOLDER) / "DejaVuSansMono.ttf", folder / "fonts/DejaVuSerif.ttf",
                  fs::copy_options::overwrite_existing);
    fonts.Rescan();
    EXPECT_EQ(std::vector<std::string>({"DejaVu Sans", "DejaVu Serif"}), fonts.MissingFonts(document));
    EXPECT_EQ((folder / "fonts/DejaVuSerif.ttf").string(), fonts.FindFontFile("DejaVu Sans Mono"));
}

TEST(FontFoldersTest, ListsTheMissingFontsInTheDocumentsOrder)
{
    testsupport::TempFolder folder;
    FontFolders const fonts({CopyDejaVu(folder / "fonts", {"DejaVuSans.ttf", "DejaVuSerif.ttf"})});
    HostDocument document;
    document.fonts = {{"Zed Missing", ""},
                      {"DejaVu Sans", ""},
                      {"Alpha Missing", "DejaVuSerif.ttf"},
                      {"DejaVu Serif", "Other.ttf"}};
    EXPECT_EQ(std::vector<std::string>({"Zed Missing", "Alpha Missing"}), fonts.MissingFonts(document));
    EXPECT_EQ(std::vector<std::string>({"Zed Missing", "DejaVu Sans", "Alpha Missing", "DejaVu Serif"}),
              FontFolders().MissingFonts(document));
}
} // namespace
