// The installer-host program with the pane bundle, run as a process on Qt's offscreen platform and
// answered by scenario files: what it prints, the hand-over it leaves on the test volume and its exit
// status.
#include "TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace
{
struct HostRun
{
    int fStatus = -1;
    std::string fOutput;
};

void MakeInstallation(fs::path const& folder, std::string const& version = "20500")
{
    fs::create_directories(folder / "InDesign.app" / "Contents");
    std::ofstream(folder / "InDesign.app" / "Contents" / "Info.plist")
        << "<plist><dict><key>CFBundleIdentifier</key><string>com.adobe.InDesign</string>"
           "<key>CFBundleVersion</key><string>"
        << version << "</string></dict></plist>";
    std::ofstream(folder / "InDesign.app" / "Contents" / "PkgInfo") << "APPLInDn";
}

class InstallerHostTest : public ::testing::Test
{
protected:
    InstallerHostTest() { fs::create_directories(Volume() / "Applications"); }

    fs::path Volume() const { return fTemp / "Volume"; }

    // Runs the host with the scenario on the test volume (searching nothing unless told otherwise).
    HostRun RunHost(std::string const& scenario, std::string const& options = "--search-nothing")
    {
        fs::path const file = fTemp / "scenario.txt";
        std::ofstream(file) << scenario;
        std::string const command = "QT_QPA_PLATFORM=offscreen '" SENDRIX_INSTALLER_HOST "' --volume '" +
                                    Volume().string() + "' " + options + " --scenario '" + file.string() +
                                    "' '" SENDRIX_PANE_BUNDLE "' 2>/dev/null";
        HostRun run;
        FILE* const pipe = popen(command.c_str(), "r");
        if (!pipe)
            return run;
        std::array<char, 4096> buffer;
        while (std::size_t const read = std::fread(buffer.data(), 1, buffer.size(), pipe))
            run.fOutput.append(buffer.data(), read);
        int const status = pclose(pipe);
        run.fStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    testsupport::TempFolder fTemp{"sendrix-host"};
};

TEST_F(InstallerHostTest, PrintsTheSharedDictionaryWhenTheUserContinues)
{
    MakeInstallation(Volume() / "Applications" / "Adobe InDesign 2025");
    MakeInstallation(Volume() / "Applications" / "InDesign Second");
    HostRun const run = RunHost("wait-search\nshow\nchoose 1\ncontinue\n");
    std::string const second = (Volume() / "Applications" / "InDesign Second").string();
    EXPECT_EQ(run.fStatus, 0) << run.fOutput;
    EXPECT_EQ(run.fOutput, "pane: Choose Your InDesign CC 2025 Installation\n"
                           "items: InDesign CC 2025 | InDesign CC 2025 (1)\n"
                           "selected: 0\n"
                           "path: " +
                               (Volume() / "Applications" / "Adobe InDesign 2025").string() +
                               "\n"
                               "tooltip: " +
                               (Volume() / "Applications" / "Adobe InDesign 2025").string() +
                               "\n"
                               "shared dictionary:\n"
                               "  PPATH = " +
                               second + "\n");
    EXPECT_EQ(fs::read_symlink(Volume() / "private" / "tmp" / "InDesignDA2025"), second);
}

TEST_F(InstallerHostTest, ShowsTheAlertAndStaysWhenNothingIsChosen)
{
    HostRun const run = RunHost("wait-search\ncontinue\n");
    EXPECT_EQ(run.fStatus, 3);
    EXPECT_THAT(run.fOutput, HasSubstr("alert: Error: No InDesign CC 2025 installation is chosen."));
    EXPECT_THAT(run.fOutput, HasSubstr("scenario ended on the pane\n"));
    EXPECT_FALSE(fs::exists(Volume() / "private"));
}

TEST_F(InstallerHostTest, GoingBackToAnotherVolumeSearchesThereAndBrowsingAddsToIt)
{
    MakeInstallation(Volume() / "Applications" / "InDesign First");
    fs::path const other = fTemp / "Other";
    MakeInstallation(other / "Applications" / "InDesign There");
    MakeInstallation(fTemp / "Browsed");
    HostRun const run =
        RunHost("wait-search\nback\nvolume " + other.string() + "\ncontinue\nwait-search\nbrowse " +
                (fTemp / "Browsed" / "InDesign.app").string() + "\nbrowse-cancel\nshow\ncontinue\n");
    EXPECT_EQ(run.fStatus, 0) << run.fOutput;
    EXPECT_THAT(run.fOutput, HasSubstr("items: InDesign CC 2025 | InDesign CC 2025 (1)\nselected: 1\n"));
    EXPECT_THAT(run.fOutput, HasSubstr("  PPATH = " + (fTemp / "Browsed").string() + "\n"));
    EXPECT_EQ(fs::read_symlink(other / "private" / "tmp" / "InDesignDA2025"), fTemp / "Browsed");
    EXPECT_FALSE(fs::exists(Volume() / "private"));
}

TEST_F(InstallerHostTest, WaitingWhereNoSearchRunsGoesOnAtOnce)
{
    MakeInstallation(Volume() / "Applications" / "InDesign First");
    // Entering again with the same volume keeps the list and starts no search.
    HostRun const run = RunHost("wait-search\nback\ncontinue\nwait-search\nshow\ncontinue\n");
    EXPECT_EQ(run.fStatus, 0) << run.fOutput;
    EXPECT_THAT(run.fOutput, HasSubstr("items: InDesign CC 2025\nselected: 0\n"));
    EXPECT_THAT(run.fOutput, testing::Not(HasSubstr("the search did not finish")));
}

TEST_F(InstallerHostTest, SearchesTheFoldersItIsGiven)
{
    fs::path const indexed = fTemp / "Indexed";
    MakeInstallation(indexed / "Somewhere");
    HostRun const run = RunHost("wait-search\nshow\n", "--search-folder '" + indexed.string() + "'");
    EXPECT_EQ(run.fStatus, 3);
    EXPECT_THAT(run.fOutput, HasSubstr("path: " + (indexed / "Somewhere").string() + "\n"));
}

TEST_F(InstallerHostTest, RefusesWhatItCannotRun)
{
    EXPECT_EQ(RunHost("jump\n").fStatus, 2);
    HostRun const run = RunHost("show\n", "--search-nothing --unknown");
    EXPECT_EQ(run.fStatus, 2);
}
} // namespace
