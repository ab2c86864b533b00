// An export request through the pipeline: from the dialog's tool over the export signal to the
// export action, with a test action writing small files where the host writes the PDF and the
// package, and the outcome told to the observers: the output folder and names, the failures and
// their texts, a stop request, and the finished files handed to the test peer as jobs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "FileTree.h"
#include "GCPTFeatureConfiguration.h"
#include "GCPTSaveAsAction.h"
#include "GCPTSaveAsProperties.h"
#include "GCPTSaveAsTool.h"
#include "GPPJobInfo.h"
#include "GPPRozorazIzivozadaLayer.h"
#include "GSignal.h"
#include "GUTF8Encoding.h"
#include "GUserMessage.h"
#include "PSystem.h"
#include "PeerProcess.h"
#include "SendrixorFixture.h"
#include "SharedObjects.h"
#include "StringText.h"

namespace
{
namespace fs = std::filesystem;
using testsupport::TextOf;
using testsupport::Utf8Of;

// Writes a small file for the PDF and a folder with one file for the package, where the host would
// write them.
class TestAction : public GCPTSaveAsAction
{
public:
    bool SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder) override
    {
        fSaveFolders.push_back(testsupport::FsPathOf(folder));
        if (fDuringSave)
            fDuringSave();
        fSavedRequest = Utf8Of(request.GetName()) + " " + Utf8Of(request.GetPageRange());
        if (fFailSave)
        {
            fLastError = GString("Plug-in Error: the host failed");
            return false;
        }
        GPathName pdf;
        GetUniquePDFFilePath(folder, TextOf("Brochüre"), pdf);
        testsupport::WriteFile(testsupport::FsPathOf(pdf), "%PDF-1.7 " + fSavedRequest);
        SetSaveAsPDF(pdf);
        return true;
    }
    bool CreatePackage(GPathName const& folder) override
    {
        fPackageFolders.push_back(testsupport::FsPathOf(folder));
        GPathName package;
        GetUniqueFolderPath(folder, TextOf("Brochüre Folder"), package);
        testsupport::WriteFile(testsupport::FsPathOf(package) / "Brochüre.indd", "document");
        SetPackagePath(package);
        return true;
    }

    std::vector<fs::path> fSaveFolders;
    std::vector<fs::path> fPackageFolders;
    std::string fSavedRequest;
    std::function<void()> fDuringSave;
    bool fFailSave = false;
};

class CodeRecorder : public GObserverT<>
{
public:
    void Update(GSubjectT<>*, int code) override { fCodes.push_back(code); }
    std::vector<int> fCodes;
};

// The error boxes the user would see.
class RecordedMessages : public GUserMessage
{
public:
    explicit RecordedMessages(std::vector<std::string>& shown) : fShown(shown) {}
    void ShowErrorMessage(GString const& title, GString const& text) override
    {
        fShown.push_back(Utf8Of(title) + ": " + Utf8Of(text));
    }

private:
    std::vector<std::string>& fShown;
};

class GCPTSaveAsActionTest : public plugintest::SendrixorFixture
{
protected:
    void SetUp() override
    {
        SendrixorFixture::SetUp();
        GUserMessage::SetInstance(new RecordedMessages(fShown));
        fAction.Attach(&fCodes, 0);
    }
    void TearDown() override
    {
        GUserMessage::SetInstance(nullptr);
        SendrixorFixture::TearDown();
    }

    static void Send(int channel, GCPTSaveAsProperties const& request)
    {
        GSignal<GCPTSaveAsProperties>::GetSignal(channel)->Send(request);
    }
    // Where the exports of the Sendrixor go.
    fs::path OutputFolder(std::string const& sendrixor) const
    {
        GString logon;
        PSystem::GetLogonName(logon);
        return fTemp.Path() / Utf8Of(logon) / sendrixor;
    }

    std::vector<std::string> fShown;
    TestAction fAction;
    CodeRecorder fCodes;
};
} // namespace

TEST_F(GCPTSaveAsActionTest, ARequestRunsOnlyWhileTheActionIsActiveAndNamesASendrixor)
{
    AddSendrixor("Proof A", StandardEntries());
    GCPTSaveAsProperties const request(TextOf("Proof A"));
    fAction.SetActiveState(false);
    Send(GCPTSaveAsAction::cExportRequestChannel, request);
    EXPECT_TRUE(fCodes.fCodes.empty());
    EXPECT_TRUE(fAction.fSaveFolders.empty());

    fAction.SetActiveState(true);
    Send(GCPTSaveAsAction::cExportRequestChannel, GCPTSaveAsProperties(GString()));
    EXPECT_TRUE(fCodes.fCodes.empty()) << "a request without a Sendrixor tells nobody";

    Send(GCPTSaveAsAction::cExportRequestChannel, request);
    EXPECT_EQ(fCodes.fCodes, std::vector<int>{GCPTSaveAsAction::cPDFWritten});
    ASSERT_EQ(fAction.fSaveFolders.size(), 1u);
    EXPECT_EQ(fAction.fSaveFolders[0], OutputFolder("Proof A"));
    EXPECT_EQ(testsupport::FsPathOf(fAction.GetSaveAsPDF()), OutputFolder("Proof A") / "Brochüre.pdf");
    EXPECT_TRUE(fs::exists(OutputFolder("Proof A") / "Brochüre.pdf"));
    EXPECT_TRUE(fAction.fPackageFolders.empty()) << "the Sendrixor wants no package";
    EXPECT_TRUE(fShown.empty());
}

TEST_F(GCPTSaveAsActionTest, ASecondExportOfTheSameDocumentGoesToANewFolderPackageBesideItsPDF)
{
    AddSendrixor("Proof A", StandardEntries({{"IncludeFilePackage", "true"}}));
    GCPTSaveAsProperties const request(TextOf("Proof A"));
    Send(GCPTSaveAsAction::cExportRequestChannel, request);
    fs::path const first = testsupport::FsPathOf(fAction.GetSaveAsPDF());
    fs::path const firstPackage = testsupport::FsPathOf(fAction.GetPackagePath());
    Send(GCPTSaveAsAction::cExportRequestChannel, request);
    fs::path const second = testsupport::FsPathOf(fAction.GetSaveAsPDF());
    fs::path const secondPackage = testsupport::FsPathOf(fAction.GetPackagePath());

    EXPECT_EQ(fCodes.fCodes,
              (std::vector<int>{GCPTSaveAsAction::cPDFWritten, GCPTSaveAsAction::cPDFWritten}));
    EXPECT_EQ(first, OutputFolder("Proof A") / "Brochüre.pdf");
    EXPECT_EQ(firstPackage, OutputFolder("Proof A") / "Brochüre Folder");
    EXPECT_EQ(second.filename(), "Brochüre.pdf");
    EXPECT_EQ(second.parent_path().parent_path(), OutputFolder("Proof A"))
        << "a new folder beside the first PDF";
    EXPECT_EQ(fAction.fPackageFolders.back(), second.parent_path()) << "the package goes where its PDF went";
    EXPECT_EQ(secondPackage, second.parent_path() / "Brochüre Folder");
    EXPECT_TRUE(fs::exists(first) && fs::exists(second) && fs::exists(firstPackage / "Brochüre.indd") &&
                fs::exists(secondPackage / "Brochüre.indd"));
}

TEST_F(GCPTSaveAsActionTest, FailuresReachTheObserversAsCode12WithTheirText)
{
    AddSendrixor("No Options", {{"Project/Project.prefs", plugintest::ProjectPrefs({})}});
    AddSendrixor("Proof A", StandardEntries());
    Send(GCPTSaveAsAction::cExportRequestChannel, GCPTSaveAsProperties(TextOf("No Options")));
    EXPECT_EQ(fCodes.fCodes, std::vector<int>{GCPTSaveAsAction::cExportFailed});
    EXPECT_EQ(Utf8Of(fAction.GetLastError()), "Unable to retrieve PDF setting: No Options");
    EXPECT_TRUE(fAction.fSaveFolders.empty()) << "a missing job-options file fails before the host is asked";

    fAction.fFailSave = true;
    Send(GCPTSaveAsAction::cExportRequestChannel, GCPTSaveAsProperties(TextOf("Proof A")));
    EXPECT_EQ(fCodes.fCodes.back(), GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(Utf8Of(fAction.GetLastError()), "Plug-in Error: the host failed");
}

TEST_F(GCPTSaveAsActionTest, AnOutputFolderThatCannotBeMadeIsAFailedExportNotAnErrorThroughTheSignal)
{
    AddSendrixor("Proof A", StandardEntries());
    testsupport::WriteFile(OutputFolder("Proof A"), "a file where the folder should be");
    EXPECT_NO_THROW(Send(GCPTSaveAsAction::cExportRequestChannel, GCPTSaveAsProperties(TextOf("Proof A"))));
    EXPECT_EQ(fCodes.fCodes, std::vector<int>{GCPTSaveAsAction::cExportFailed});
    EXPECT_FALSE(fAction.GetLastError().IsEmpty());
}

TEST_F(GCPTSaveAsActionTest, AStopRequestDuringTheExportMakesItsFailureCode13)
{
    AddSendrixor("Proof A", StandardEntries());
    GCPTSaveAsProperties const request(TextOf("Proof A"));
    // The stop request carries a message of its own, which replaces the action's request while
    // the export still works on the one it started with.
    fAction.fDuringSave = []
    { Send(GCPTSaveAsAction::cStopRequestChannel, GCPTSaveAsProperties(TextOf("Other"))); };
    fAction.fFailSave = true;
    Send(GCPTSaveAsAction::cExportRequestChannel, request);
    EXPECT_EQ(fCodes.fCodes, std::vector<int>{GCPTSaveAsAction::cExportStopped});
    EXPECT_EQ(fAction.fSavedRequest, "Proof A ");

    // The stop is used up: the next failure is an ordinary one, and a stop sent before an export
    // starts is cleared by it.
    fAction.fDuringSave = nullptr;
    Send(GCPTSaveAsAction::cExportRequestChannel, request);
    Send(GCPTSaveAsAction::cStopRequestChannel, request);
    fAction.fFailSave = false;
    Send(GCPTSaveAsAction::cExportRequestChannel, request);
    EXPECT_EQ(fCodes.fCodes,
              (std::vector<int>{GCPTSaveAsAction::cExportStopped, GCPTSaveAsAction::cExportFailed,
                                GCPTSaveAsAction::cPDFWritten}));
}

// A Sendrixor's name is its user's text, not a path: whatever it holds, the exports of that
// Sendrixor go into one folder of the output folder.
TEST_F(GCPTSaveAsActionTest, ASendrixorsNameIsOneFolderOfTheOutputFolderNeverAPath)
{
    struct Case
    {
        char const* fName;
        char const* fFolder;
    };
    Case const cases[] = {
        {"../Escape", ".._Escape"}, {"Proofs/Press", "Proofs_Press"}, {"..", "__"},
        {"a/b/c", "a_b_c"},         {"Proof ..", "Proof .."},
    };
    fs::path const output = OutputFolder("x").parent_path();
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        AddSendrixor(c.fName, StandardEntries());
        Send(GCPTSaveAsAction::cExportRequestChannel, GCPTSaveAsProperties(TextOf(c.fName)));
        EXPECT_EQ(fCodes.fCodes.back(), GCPTSaveAsAction::cPDFWritten) << Utf8Of(fAction.GetLastError());
        EXPECT_EQ(testsupport::FsPathOf(fAction.GetSaveAsPDF()), output / c.fFolder / "Brochüre.pdf");
        EXPECT_TRUE(fs::exists(output / c.fFolder / "Brochüre.pdf"));
    }
    std::set<std::string> folders;
    for (auto const& item : fs::directory_iterator(output))
        folders.insert(item.path().filename().string());
    std::set<std::string> expected;
    for (Case const& c : cases)
        expected.insert(c.fFolder);
    EXPECT_EQ(folders, expected);
    EXPECT_FALSE(fs::exists(fTemp.Path() / "Escape"));
}

// Each choice of a Sendrixor in the dialog and each export copies the Sendrixor's job options
// into the temporary folder; none of these copies outlives its use.
TEST_F(GCPTSaveAsActionTest, JobOptionsCopiesGoWhenTheDialogAndTheExportAreDone)
{
    AddSendrixor("Proof A", StandardEntries());
    {
        GCPTFeatureConfiguration const configuration;
        GCPTSaveAsTool tool(fAction, &configuration);
        tool.SetPrinterName(TextOf("Proof A"));
        std::vector<fs::path> const first = TempFolders();
        ASSERT_EQ(first.size(), 1u) << "the request's copy";
        tool.SetPrinterName(TextOf("Proof A"));
        std::vector<fs::path> const second = TempFolders();
        ASSERT_EQ(second.size(), 1u) << "chosen again, the Sendrixor's first copy goes";
        EXPECT_NE(first, second);
    }
    EXPECT_EQ(TempFolders(), std::vector<fs::path>{}) << "the dialog's tool is gone";

    fs::path const output = OutputFolder("Proof A").parent_path();
    {
        GCPTSaveAsProperties const request(TextOf("Proof A"));
        std::vector<fs::path> const copy = TempFolders();
        ASSERT_EQ(copy.size(), 1u);
        Send(GCPTSaveAsAction::cExportRequestChannel, request);
        EXPECT_EQ(fCodes.fCodes, std::vector<int>{GCPTSaveAsAction::cPDFWritten});
        std::vector<fs::path> left = TempFolders();
        std::sort(left.begin(), left.end());
        std::vector<fs::path> expected = {copy[0], output};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(left, expected) << "the export's own check leaves no copy";
    }
    EXPECT_EQ(TempFolders(), std::vector<fs::path>{output});
}

TEST_F(GCPTSaveAsActionTest, UniqueNamesAreFoundInNewFoldersWhenTheNameIsTaken)
{
    GPathName const folder = testsupport::PathOf(fTemp / "out" / "deep");
    GPathName pdf;
    GCPTSaveAsAction::GetUniquePDFFilePath(folder, GString("Doc"), pdf);
    EXPECT_EQ(testsupport::FsPathOf(pdf), fTemp / "out" / "deep" / "Doc.pdf");
    EXPECT_TRUE(fs::is_directory(fTemp / "out" / "deep")) << "the folder is made";
    EXPECT_FALSE(fs::exists(testsupport::FsPathOf(pdf))) << "the file is the host's to write";
    testsupport::WriteFile(testsupport::FsPathOf(pdf), "taken");
    GPathName other;
    GCPTSaveAsAction::GetUniquePDFFilePath(folder, GString("Doc"), other);
    EXPECT_EQ(testsupport::FsPathOf(other).filename(), "Doc.pdf");
    EXPECT_EQ(testsupport::FsPathOf(other).parent_path().parent_path(), fTemp / "out" / "deep");

    GPathName package;
    GCPTSaveAsAction::GetUniqueFolderPath(folder, GString("Doc Folder"), package);
    EXPECT_EQ(testsupport::FsPathOf(package), fTemp / "out" / "deep" / "Doc Folder");
    fs::create_directories(testsupport::FsPathOf(package));
    GPathName otherPackage;
    GCPTSaveAsAction::GetUniqueFolderPath(folder, GString("Doc Folder"), otherPackage);
    EXPECT_EQ(testsupport::FsPathOf(otherPackage).filename(), "Doc Folder");
    EXPECT_NE(testsupport::FsPathOf(otherPackage).parent_path(), fTemp / "out" / "deep");
}

TEST_F(GCPTSaveAsActionTest, TheToolShowsAFailedExportWithTheActionsError)
{
    AddSendrixor("Proof A", StandardEntries());
    GCPTFeatureConfiguration const configuration;
    GCPTSaveAsTool tool(fAction, &configuration);
    tool.ExportToPDF();
    EXPECT_TRUE(fCodes.fCodes.empty()) << "nothing to send before a Sendrixor is chosen";
    tool.SetPrinterName(TextOf("Proof A"));
    tool.SetPageRange(GString("2-3"));
    fAction.fFailSave = true;
    tool.ExportToPDF();
    EXPECT_EQ(fAction.fSavedRequest, "Proof A 2-3");
    EXPECT_EQ(fShown, std::vector<std::string>{"Export to Sendrixor error: Plug-in Error: the host failed"});
}

TEST(GCPTSaveAsPropertiesTest, ARequestForAnUnknownSendrixorIsEmptyAndCopiesKeepSettingsOfTheirOwn)
{
    deliverytest::RegistryFolders const folders;
    GCPTSaveAsProperties request(TextOf("Nobody"));
    EXPECT_EQ(Utf8Of(request.GetName()), "Nobody");
    EXPECT_TRUE(request.GetJobOptionsPath().IsEmpty());
    EXPECT_EQ(request.GetBuildNumber(), 0);
    EXPECT_FALSE(request.HasPageRange());
    request.GetPluginSettings().IncludeFilePackage(true);
    request.SetPageRange(GString("1, 3-4"));

    GCPTSaveAsProperties const copy(request);
    EXPECT_TRUE(copy.GetPluginSettings().IsFilePackageIncluded());
    EXPECT_TRUE(copy.HasPageRange());
    EXPECT_EQ(Utf8Of(copy.GetPageRange()), "1, 3-4");
    request.GetPluginSettings().IncludeFilePackage(false);
    EXPECT_TRUE(copy.GetPluginSettings().IsFilePackageIncluded()) << "the copy's settings are its own";
}

TEST(GCPTFeatureConfigurationTest, OnlyThePageRangeIsOnAtFirst)
{
    GCPTFeatureConfiguration configuration;
    for (int feature = GCPTFeatureConfiguration::SlugArea; feature <= GCPTFeatureConfiguration::PageRange;
         ++feature)
    {
        SCOPED_TRACE(feature);
        EXPECT_EQ(configuration.IsFeatureAvailable(feature), feature == GCPTFeatureConfiguration::PageRange);
    }
    EXPECT_FALSE(configuration.IsFeatureAvailable(17));
    configuration.SetFeatureAvailable(GCPTFeatureConfiguration::FilePackage, true);
    configuration.SetFeatureAvailable(GCPTFeatureConfiguration::PageRange, false);
    EXPECT_TRUE(configuration.IsFeatureAvailable(GCPTFeatureConfiguration::FilePackage));
    EXPECT_FALSE(configuration.IsFeatureAvailable(GCPTFeatureConfiguration::PageRange));
}

namespace
{
// The whole road with the test peer listening: the tool sends, the action writes, the tool hands
// the PDF and the package to the peer as jobs.
class GCPTSaveAsToolPeerTest : public GCPTSaveAsActionTest
{
protected:
    void SetUp() override
    {
        GCPTSaveAsActionTest::SetUp();
        GPPRozorazIzivozadaLayer::Initialize();
    }
    void TearDown() override
    {
        GPPRozorazIzivozadaLayer::Finalize();
        GCPTSaveAsActionTest::TearDown();
    }
    // The path with its blanks and bytes beyond ASCII percent-encoded, as a URL carries it.
    static std::string Encoded(std::string const& path)
    {
        std::string encoded;
        char const* const digits = "0123456789ABCDEF";
        for (unsigned char const c : path)
        {
            if (c == ' ' || c >= 0x80)
                encoded += std::string{'%', digits[c >> 4], digits[c & 15]};
            else
                encoded += static_cast<char>(c);
        }
        return encoded;
    }
    static std::string JobPathOf(std::string const& text)
    {
        GPPJobInfo const job(GString(deliverytest::BufferOf(text), GUTF8Encoding::GetInstance(), false));
        return Utf8Of(job.GetJobPath().GetCrossPlatformString());
    }

    deliverytest::PeerLock fPeers;
};
} // namespace

TEST_F(GCPTSaveAsToolPeerTest, ThePDFAndThePackageGoToThePeerThePackageAsAURLForNewerSendrixors)
{
    struct Case
    {
        int fBuild;
        bool fURL;
    };
    Case const cases[] = {{637639, false}, {637640, true}, {666, true}, {700000, true}, {665, false}};
    deliverytest::PeerProcess peer((fTemp / "jobs").string(), "listen");
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
    std::size_t jobs = 0;
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fBuild);
        std::string const name = "Proof " + std::to_string(c.fBuild);
        AddSendrixor(name, StandardEntries({{"IncludeFilePackage", "true"}}), true, "", c.fBuild);
        GCPTFeatureConfiguration const configuration;
        GCPTSaveAsTool tool(fAction, &configuration);
        tool.SetPrinterName(TextOf(name));
        tool.ExportToPDF();
        jobs += 2;
        std::vector<std::string> const received = peer.AwaitJobs(jobs);
        ASSERT_EQ(received.size(), jobs);
        std::string const pdf = testsupport::PortableOf(fAction.GetSaveAsPDF());
        std::string const package = testsupport::PortableOf(fAction.GetPackagePath());
        EXPECT_EQ(JobPathOf(received[jobs - 2]), pdf);
        if (c.fURL)
        {
            EXPECT_EQ(JobPathOf(received[jobs - 1]), "file://" + Encoded(package) + "?isinddpkg=true");
        }
        else
            EXPECT_EQ(JobPathOf(received[jobs - 1]), package);
    }
    EXPECT_TRUE(fShown.empty());
    EXPECT_EQ(peer.Stop(), 0);
}

TEST_F(GCPTSaveAsToolPeerTest, WhenNoPeerTakesThePDFTheUserIsToldToLaunchTheSendrixorAndThePDFStays)
{
    AddSendrixor("Proof A", StandardEntries({{"IncludeFilePackage", "true"}}));
    GCPTFeatureConfiguration const configuration;
    GCPTSaveAsTool tool(fAction, &configuration);
    tool.SetPrinterName(TextOf("Proof A"));
    tool.ExportToPDF();
    EXPECT_EQ(fCodes.fCodes, std::vector<int>{GCPTSaveAsAction::cPDFWritten});
    EXPECT_EQ(fShown,
              std::vector<std::string>{"Export to Sendrixor error: Unable to automatically launch Sendrixor. "
                                       "Launch the Sendrixor manually and try again."});
    EXPECT_TRUE(fs::exists(testsupport::FsPathOf(fAction.GetSaveAsPDF())));
}
