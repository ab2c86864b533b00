// The pane as the Installer drives it: the search and the folder scan fill the list, entering again
// keeps or rebuilds it, browsing adds to it, and continuing hands the choice over as the shared
// dictionary's "PPATH" and a symbolic link on the target volume.
#include "PaneFixture.h"

#include "macos/FoundationStandIn.h"

#include <cctype>
#include <sys/xattr.h>

namespace fs = std::filesystem;
using panetest::MakeBundle;
using panetest::MakeInstallation;
using panetest::PaneFixture;
using testing::ElementsAre;
using testing::IsEmpty;

namespace
{
std::string const cBase = "InDesign CC 2025";
std::string const cNotChosen =
    "Error: No InDesign CC 2025 installation is chosen. Choose one from the list or click Browse to find it.";

// The Finder flags of the item's Finder information, as the item keeps them (big-endian).
int FinderFlags(fs::path const& path)
{
    unsigned char bytes[32] = {};
    if (getxattr(path.c_str(), "user.macos.finderinfo", bytes, sizeof bytes) != sizeof bytes)
        return 0;
    return bytes[8] << 8 | bytes[9];
}

std::string LinkTarget(fs::path const& link)
{
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(link, error)) ? fs::read_symlink(link).string() : std::string();
}

using InstallerPaneTest = PaneFixture;

TEST_F(InstallerPaneTest, ListsTwoFoundInstallationsUnderNumberedNamesAndChoosesTheFirst)
{
    MakeInstallation(Applications() / "Adobe InDesign 2025");
    MakeInstallation(Volume() / "Other" / "InDesign Copy");
    SearchIn({Applications().string(), (Volume() / "Other").string()});
    EnterAndWait();
    std::string const first = (Applications() / "Adobe InDesign 2025").string();
    EXPECT_THAT(Items(), ElementsAre(cBase, cBase + " (1)"));
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(PathField(), first);
    EXPECT_EQ(ToolTip(), first);
    EXPECT_EQ(SharedPath(), first);
}

TEST_F(InstallerPaneTest, LeavesOutFoundBundlesOfOtherVersionsAndTypes)
{
    struct Case
    {
        char const* fVersion;
        char const* fPkgInfo;
        bool fListed;
    };
    Case const cases[] = {
        {"20000", "APPLInDn", true},  {"20999.9", "APPLInDn", true}, {"19999", "APPLInDn", false},
        {"21000", "APPLInDn", false}, {"20500", "BNDLInDn", false},  {"twenty", "APPLInDn", false},
    };
    int index = 0;
    std::vector<std::string> listed;
    for (Case const& test : cases)
    {
        fs::path const folder = Applications() / ("Case " + std::to_string(index++));
        MakeBundle(folder / "App.app", "com.adobe.InDesign", test.fVersion, test.fPkgInfo);
        if (test.fListed)
            listed.push_back(folder.string());
    }
    EnterAndWait();
    std::vector<std::string> folders;
    for (int i = 0; i < ComboBox()->count(); ++i)
    {
        Choose(i);
        folders.push_back(PathField());
    }
    EXPECT_EQ(folders, listed);
}

TEST_F(InstallerPaneTest, WithoutSearchResultsScansTheApplicationsFolderOneLevelIntoInDesignFolders)
{
    MakeInstallation(Applications() / "Adobe InDesign 2025");
    MakeInstallation(Applications(), "InDesign Top");
    // Not descended into: a folder whose path lacks the name, and a second level.
    MakeInstallation(Applications() / "Adobe Suite");
    MakeInstallation(Applications() / "InDesign Tools" / "InDesign Deeper");
    SearchIn({});
    EnterAndWait();
    EXPECT_THAT(Items(), ElementsAre(cBase, cBase + " (1)"));
    Choose(1);
    EXPECT_EQ(PathField(), Applications().string());
    Choose(0);
    EXPECT_EQ(PathField(), (Applications() / "Adobe InDesign 2025").string());
}

TEST_F(InstallerPaneTest, EnteringAgainWithTheSameVolumeKeepsTheListAndTheChoice)
{
    MakeInstallation(Applications() / "Adobe InDesign 2025");
    MakeInstallation(Applications() / "InDesign Second");
    EnterAndWait();
    Choose(1);
    ASSERT_TRUE(fPane->shouldExitPane(InstallerDirectionBackward));
    unsigned long const before = NSMetadataQueryStandInFinishedGatherings();
    // The same volume written in other letter case changes nothing.
    std::string upper = Volume().string();
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    SetTargetVolume(upper);
    fPane->didEnterPane(InstallerDirectionForward);
    EXPECT_EQ(NSMetadataQueryStandInFinishedGatherings(), before);
    EXPECT_EQ(Items().size(), 2u);
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(PathField(), (Applications() / "InDesign Second").string());
    EXPECT_EQ(SharedPath(), (Applications() / "InDesign Second").string());
}

TEST_F(InstallerPaneTest, EnteringWithAnotherVolumeStartsOver)
{
    MakeInstallation(Applications() / "Adobe InDesign 2025");
    EnterAndWait();
    fs::path const other = fTemp / "Other";
    MakeInstallation(other / "Applications" / "InDesign Elsewhere");
    MakeInstallation(other / "Applications" / "InDesign Elsewhere Too");
    SetTargetVolume(other.string());
    SearchIn({});
    EnterAndWait();
    EXPECT_THAT(Items(), ElementsAre(cBase, cBase + " (1)"));
    EXPECT_EQ(PathField(), (other / "Applications" / "InDesign Elsewhere").string());

    // A volume where nothing is found leaves nothing of the one before, not even the tool tip.
    SetTargetVolume((fTemp / "Empty").string());
    EnterAndWait();
    EXPECT_THAT(Items(), IsEmpty());
    EXPECT_EQ(PathField(), "");
    EXPECT_EQ(ToolTip(), "");
}

TEST_F(InstallerPaneTest, BrowsingAddsAnInstallationOrSaysWhyNot)
{
    MakeInstallation(Applications() / "Adobe InDesign 2025");
    EnterAndWait();
    fs::path const elsewhere = fTemp / "Elsewhere";
    MakeInstallation(elsewhere, "Adobe InDesign 2025");
    MakeBundle(fTemp / "Photoshop" / "Photoshop.app", "com.adobe.Photoshop", "20500");
    MakeBundle(fTemp / "Old" / "InDesign.app", "com.adobe.InDesign", "19500");
    MakeBundle(fTemp / "Bare" / "InDesign.app", "com.adobe.InDesign", "");

    struct Case
    {
        fs::path fChosen;
        char const* fAlert;
    };
    Case const cases[] = {
        {Applications() / "Adobe InDesign 2025" / "Adobe InDesign 2025.app",
         "Warning: This InDesign CC 2025 installation is in the list already."},
        {fTemp / "Photoshop" / "Photoshop.app", "Error: The chosen application is not InDesign CC 2025. "
                                                "Please choose the InDesign CC 2025 application."},
        {fTemp / "Old" / "InDesign.app", "Error: The chosen application is not InDesign CC 2025. Please "
                                         "choose the InDesign CC 2025 application."},
        {fTemp / "Bare" / "InDesign.app", "Error: The chosen application is not InDesign CC 2025. Please "
                                          "choose the InDesign CC 2025 application."},
        {fTemp / "Missing.app", "Error: The chosen application is not InDesign CC 2025. Please choose the "
                                "InDesign CC 2025 application."},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.fChosen.string());
        fRobot.fAlerts.clear();
        Browse(test.fChosen.string());
        EXPECT_THAT(fRobot.fAlerts, ElementsAre(test.fAlert));
        EXPECT_THAT(Items(), ElementsAre(cBase));
    }

    fRobot.fAlerts.clear();
    Browse("");
    EXPECT_THAT(fRobot.fAlerts, IsEmpty());
    Browse((elsewhere / "Adobe InDesign 2025.app").string());
    EXPECT_THAT(fRobot.fAlerts, IsEmpty());
    EXPECT_THAT(Items(), ElementsAre(cBase, cBase + " (1)"));
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(PathField(), elsewhere.string());
    EXPECT_EQ(ToolTip(), elsewhere.string());
    // What is chosen reaches the shared dictionary when the pane is left.
    EXPECT_TRUE(fPane->shouldExitPane(InstallerDirectionForward));
    EXPECT_EQ(SharedPath(), elsewhere.string());
}

TEST_F(InstallerPaneTest, ContinuingLinksTheChosenFolderAndHidesPrivateEveryTime)
{
    MakeInstallation(Applications() / "Adobe InDesign 2025");
    MakeInstallation(Applications() / "InDesign Second");
    EnterAndWait();
    fs::path const link = Volume() / "private" / "tmp" / "InDesignDA2025";
    for (int choice : {1, 0})
    {
        SCOPED_TRACE(choice);
        Choose(choice);
        ASSERT_TRUE(fPane->shouldExitPane(InstallerDirectionForward));
        EXPECT_EQ(LinkTarget(link), PathField());
        EXPECT_EQ(SharedPath(), PathField());
        EXPECT_EQ(FinderFlags(Volume() / "private") & 0x4000, 0x4000);
    }
    EXPECT_THAT(fRobot.fAlerts, IsEmpty());
}

TEST_F(InstallerPaneTest, ContinuingWithNothingChosenStaysAndLinksNothing)
{
    SearchIn({});
    EnterAndWait();
    EXPECT_FALSE(fPane->shouldExitPane(InstallerDirectionForward));
    EXPECT_THAT(fRobot.fAlerts, ElementsAre(cNotChosen));
    EXPECT_FALSE(fs::exists(Volume() / "private"));
    // Going back is always allowed.
    EXPECT_TRUE(fPane->shouldExitPane(InstallerDirectionBackward));
}

TEST_F(InstallerPaneTest, ContinuingWhereTheLinkCannotBeMadeStaysOnThePane)
{
    MakeInstallation(Applications() / "Adobe InDesign 2025");
    EnterAndWait();
    // A folder where the link belongs is neither removed nor replaced.
    fs::create_directories(Volume() / "private" / "tmp" / "InDesignDA2025" / "kept");
    EXPECT_FALSE(fPane->shouldExitPane(InstallerDirectionForward));
    EXPECT_THAT(fRobot.fAlerts,
                ElementsAre("Error: The installer could not record the chosen InDesign CC 2025 installation. "
                            "Please try again."));
    EXPECT_TRUE(fs::exists(Volume() / "private" / "tmp" / "InDesignDA2025" / "kept"));
}

TEST_F(InstallerPaneTest, ASearchThatEndsAfterTheUserBrowsedKeepsTheBrowsedInstallationAndTheChoice)
{
    fs::path const found = Applications() / "Adobe InDesign 2025";
    MakeInstallation(found);
    fs::path const elsewhere = fTemp / "Elsewhere";
    MakeInstallation(elsewhere);
    unsigned long const before = NSMetadataQueryStandInFinishedGatherings();
    fPane->didEnterPane(InstallerDirectionForward);
    Browse((elsewhere / "Adobe InDesign 2025.app").string());
    ASSERT_THAT(Items(), ElementsAre(cBase));
    ASSERT_TRUE(WaitForSearch(before));
    EXPECT_THAT(Items(), ElementsAre(cBase, cBase + " (1)"));
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(PathField(), elsewhere.string());
    EXPECT_EQ(SharedPath(), elsewhere.string());
    ASSERT_TRUE(fPane->shouldExitPane(InstallerDirectionForward));
    EXPECT_EQ(SharedPath(), elsewhere.string());
    EXPECT_EQ(LinkTarget(Volume() / "private" / "tmp" / "InDesignDA2025"), elsewhere.string());
    // The items stay parallel to their folders.
    Choose(0);
    EXPECT_EQ(PathField(), found.string());
}

TEST_F(InstallerPaneTest, ASearchThatFindsTheBrowsedInstallationListsItOnce)
{
    fs::path const found = Applications() / "Adobe InDesign 2025";
    MakeInstallation(found);
    MakeInstallation(Applications() / "InDesign Second");
    unsigned long const before = NSMetadataQueryStandInFinishedGatherings();
    fPane->didEnterPane(InstallerDirectionForward);
    Browse((Applications() / "InDesign Second" / "Adobe InDesign 2025.app").string());
    ASSERT_TRUE(WaitForSearch(before));
    EXPECT_THAT(Items(), ElementsAre(cBase, cBase + " (1)"));
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(SharedPath(), (Applications() / "InDesign Second").string());
}

TEST_F(InstallerPaneTest, ASearchStillRunningWhenThePaneIsLeftForwardChangesNothing)
{
    MakeInstallation(Applications() / "Adobe InDesign 2025");
    fs::path const elsewhere = fTemp / "Elsewhere";
    MakeInstallation(elsewhere);
    unsigned long const running = NSMetadataQueryStandInRunningGatherings();
    unsigned long const before = NSMetadataQueryStandInFinishedGatherings();
    fPane->didEnterPane(InstallerDirectionForward);
    Browse((elsewhere / "Adobe InDesign 2025.app").string());
    ASSERT_TRUE(fPane->shouldExitPane(InstallerDirectionForward));
    EXPECT_EQ(NSMetadataQueryStandInRunningGatherings(), running);
    // Whatever the search had found by now never reaches the pane.
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.2, false);
    EXPECT_EQ(NSMetadataQueryStandInFinishedGatherings(), before);
    EXPECT_THAT(Items(), ElementsAre(cBase));
    EXPECT_EQ(SharedPath(), elsewhere.string());
    EXPECT_EQ(LinkTarget(Volume() / "private" / "tmp" / "InDesignDA2025"), elsewhere.string());
}

TEST_F(InstallerPaneTest, AnotherQuerysEndLeavesThePaneWaitingForItsOwn)
{
    MakeInstallation(Applications() / "Adobe InDesign 2025");
    unsigned long const before = NSMetadataQueryStandInFinishedGatherings();
    fPane->didEnterPane(InstallerDirectionForward);
    NSNotificationCenter::defaultCenter()->postNotificationName(NSMetadataQueryDidFinishGatheringNotification,
                                                                nullptr);
    EXPECT_THAT(Items(), IsEmpty());
    ASSERT_TRUE(WaitForSearch(before));
    EXPECT_THAT(Items(), ElementsAre(cBase));
}

TEST_F(InstallerPaneTest, DamagedDescriptionsAreSkippedWithALogLine)
{
    MakeInstallation(Applications() / "Adobe InDesign 2025");
    struct Case
    {
        char const* fFolder;
        std::string fInfo;
        char const* fLogged;
    };
    Case const cases[] = {
        {"InDesign Empty", "", "empty"},
        {"InDesign Damaged", "<plist><dict><key>CFBundleIdentifier</key>", ""},
        {"InDesign Huge", "<plist><dict>" + std::string(2 << 20, ' ') + "</dict></plist>",
         "larger than 1 MiB"},
    };
    for (Case const& test : cases)
    {
        fs::path const contents = Applications() / test.fFolder / "InDesign.app" / "Contents";
        fs::create_directories(contents);
        std::ofstream(contents / "Info.plist", std::ios::binary) << test.fInfo;
        std::ofstream(contents / "PkgInfo", std::ios::binary) << "APPL";
    }
    SearchIn({});
    testing::internal::CaptureStderr();
    EnterAndWait();
    std::string const log = testing::internal::GetCapturedStderr();
    EXPECT_THAT(Items(), ElementsAre(cBase));
    for (Case const& test : cases)
        EXPECT_THAT(log, testing::HasSubstr(std::string(test.fFolder) +
                                            "/InDesign.app/Contents/Info.plist skipped: " + test.fLogged));
}

TEST_F(InstallerPaneTest, FindsInstallationsWhateverFormTheirDescriptionIsIn)
{
    // The description as the platform's binary writer lays it out.
    std::string const binary(
        "\x62\x70\x6C\x69\x73\x74\x30\x30\xD2\x01\x02\x03\x04\x5F\x10\x12\x43\x46\x42\x75\x6E\x64\x6C\x65"
        "\x49\x64\x65\x6E\x74\x69\x66\x69\x65\x72\x5F\x10\x0F\x43\x46\x42\x75\x6E\x64\x6C\x65\x56\x65\x72"
        "\x73\x69\x6F\x6E\x5F\x10\x12\x63\x6F\x6D\x2E\x61\x64\x6F\x62\x65\x2E\x49\x6E\x44\x65\x73\x69\x67"
        "\x6E\x55\x32\x30\x35\x30\x30\x08\x0D\x22\x34\x49\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00"
        "\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x4F",
        116);
    std::string const xml = "<plist><dict><key>CFBundleIdentifier</key><string>com.adobe.InDesign</string>"
                            "<key>CFBundleVersion</key><string>20500</string></dict></plist>";
    std::string utf16 = "\xFF\xFE";
    for (char c : xml)
        utf16 += std::string{c, '\0'};
    std::string const oldStyle = "{ CFBundleIdentifier = com.adobe.InDesign; CFBundleVersion = 20500; }";
    for (auto const& [folder, info] : {std::make_pair("InDesign Binary", binary), std::make_pair("InDesign UTF-16", utf16),
                                       std::make_pair("InDesign Old-style", oldStyle)})
    {
        fs::path const contents = Applications() / folder / "InDesign.app" / "Contents";
        fs::create_directories(contents);
        std::ofstream(contents / "Info.plist", std::ios::binary) << info;
        std::ofstream(contents / "PkgInfo", std::ios::binary) << "APPLInDn";
    }
    std::vector<std::string> const expected = {(Applications() / "InDesign Binary").string(),
                                               (Applications() / "InDesign Old-style").string(),
                                               (Applications() / "InDesign UTF-16").string()};
    // Found by the search, and by the folder scan when the search finds nothing.
    for (bool const searched : {true, false})
    {
        SCOPED_TRACE(searched ? "search" : "folder scan");
        // Another volume first, so that entering this one starts over.
        SetTargetVolume((fTemp / "Empty").string());
        EnterAndWait();
        SetTargetVolume(Volume().string());
        SearchIn(searched ? std::vector<std::string>{Applications().string()} : std::vector<std::string>{});
        EnterAndWait();
        std::vector<std::string> folders;
        for (int i = 0; i < ComboBox()->count(); ++i)
        {
            Choose(i);
            folders.push_back(PathField());
        }
        EXPECT_EQ(folders, expected);
    }
}

TEST_F(InstallerPaneTest, TitleAndButtonComeFromThePanesTexts)
{
    EXPECT_EQ(panetest::UTF8Of(fPane->title()), "Choose Your InDesign CC 2025 Installation");
    EXPECT_EQ(Button()->text().toStdString(), "Browse...");
    EXPECT_FALSE(ComboBox()->isEditable());
}
} // namespace
