// The plug-in's access to the Sendrixors over a real registry and real archives: which Sendrixors
// are offered and by what name, their job options and plug-in settings read from their archives,
// removal from the plug-in, the plug-in's own choices, and a finished file announced to the test
// peer as a job.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "CSPluginTools.h"
#include "FileTree.h"
#include "GCPTPluginPrefTool.h"
#include "GCPTSmartPathName.h"
#include "GGPCPluginCSSettings.h"
#include "GPPJobInfo.h"
#include "GPPRozorazIzivozadaLayer.h"
#include "GPreferences.h"
#include "GUTF8Encoding.h"
#include "PSystem.h"
#include "PeerProcess.h"
#include "SendrixorFixture.h"
#include "SharedObjects.h"
#include "StringText.h"
#include "UmaskScope.h"

namespace
{
namespace fs = std::filesystem;
using plugintest::Entries;
using testsupport::TextOf;
using testsupport::UmaskScope;
using testsupport::Utf8Of;

class CSPluginToolsTest : public plugintest::SendrixorFixture
{
protected:
    static std::vector<std::string> Offered()
    {
        GTable<GString> names;
        names.AddItem(GString("left over"));
        bool const any = CSPluginTools::GetPluginSendrixors(names);
        std::vector<std::string> list;
        for (int i = 0; i < names.GetCount(); ++i)
            list.push_back(Utf8Of(names[i]));
        EXPECT_EQ(any, !list.empty());
        return list;
    }
    static std::string PDFSettingsName(std::string const& name)
    {
        GString out("untouched");
        if (!CSPluginTools::GetPDFSettingsName(TextOf(name), out))
            return "(false) " + Utf8Of(out);
        return Utf8Of(out);
    }
};
} // namespace

TEST_F(CSPluginToolsTest, OnlySendrixorsOfferedByThePluginAreListedInRegistryOrder)
{
    EXPECT_EQ(Offered(), std::vector<std::string>{});
    AddSendrixor("Proof A", StandardEntries(), true, "High Quality");
    AddSendrixor("Plate B", StandardEntries(), false);
    AddSendrixor("Press Ü", StandardEntries(), true);
    // The registry's own order, with the Sendrixor the plug-in does not offer left out.
    GTable<GString> all;
    ASSERT_TRUE(GPPActorRegistry().GetActorList(all));
    std::vector<std::string> expected;
    for (int i = 0; i < all.GetCount(); ++i)
    {
        if (Utf8Of(all[i]) != "Plate B")
            expected.push_back(Utf8Of(all[i]));
    }
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(Offered(), expected);
    EXPECT_EQ(PDFSettingsName("Proof A"), "High Quality");
    EXPECT_EQ(PDFSettingsName("Press Ü"), "Press Ü") << "listed under its name when it has no PDF settings";
    EXPECT_EQ(PDFSettingsName("Plate B"), "Plate B");
    EXPECT_EQ(PDFSettingsName("Nobody"), "(false) untouched");
    EXPECT_EQ(PDFSettingsName(""), "(false) untouched");

    GString guid;
    ASSERT_TRUE(CSPluginTools::GetGUID(TextOf("Press Ü"), guid));
    EXPECT_EQ(Utf8Of(guid), "G-3");
    EXPECT_FALSE(CSPluginTools::GetGUID(TextOf("Nobody"), guid));

    EXPECT_TRUE(CSPluginTools::DeletePluginSendrixor(TextOf("Proof A")));
    EXPECT_EQ(Offered(), (std::vector<std::string>{"Press Ü"}));
    EXPECT_EQ(PDFSettingsName("Proof A"), "High Quality") << "the record stays in the registry";
    EXPECT_FALSE(CSPluginTools::DeletePluginSendrixor(TextOf("Nobody")));
    EXPECT_FALSE(CSPluginTools::DeletePluginSendrixor(GString()));
}

TEST_F(CSPluginToolsTest, ARegistryWithoutPluginSendrixorsOffersNone)
{
    AddSendrixor("Plate B", StandardEntries(), false);
    EXPECT_EQ(Offered(), std::vector<std::string>{});
}

TEST_F(CSPluginToolsTest, TheOutputFolderIsTheLogonNamesFolderInTheTemporaryFolder)
{
    GString logon;
    ASSERT_TRUE(PSystem::GetLogonName(logon));
    GPathName out;
    CSPluginTools::GetOutputPDFPath(out);
    EXPECT_EQ(testsupport::FsPathOf(out), fTemp.Path() / Utf8Of(logon));
}

TEST_F(CSPluginToolsTest, ProjectPropertiesBringTheSettingsTheJobOptionsAndTheBuildNumber)
{
    AddSendrixor(
        "Proof A",
        StandardEntries(
            {{"BleedChoice", "BleedValueSet"}, {"BleedTopValue", "8.5"}, {"IncludeFilePackage", "true"}}),
        true, "", 637640);
    GPathName jobOptions;
    GPrefMemoryModule settings;
    int build = -1;
    GCPTSmartPathName extraction((GPathName()));
    ASSERT_TRUE(
        CSPluginTools::GetProjectProperties(TextOf("Proof A"), jobOptions, settings, build, extraction));
    EXPECT_EQ(build, 637640);
    GGPCPluginCSSettings const view(settings);
    EXPECT_EQ(view.GetBleedChoice(), GGPCPluginCSSettings::cBleedChoiceGivenValue);
    EXPECT_EQ(view.GetBleedTopValue(), 8.5);
    EXPECT_TRUE(view.IsFilePackageIncluded());
    EXPECT_EQ(Utf8Of(settings.Get(GBuffer("Project"), GBuffer("Name"))), "Proof") << "every group is copied";

    fs::path const file = testsupport::FsPathOf(jobOptions);
    EXPECT_EQ(testsupport::ReadFile(file), "<< /Type /JobOptions >>");
    EXPECT_EQ(file.filename(), "High Quality.joboptions");
    EXPECT_EQ(file.parent_path().filename(), "PrinterFiles");
    EXPECT_EQ(file.parent_path().parent_path().parent_path(), fTemp.Path())
        << "in a new folder of the temporary folder";
}

TEST_F(CSPluginToolsTest, ArchivesThatLackAPartGiveFalseWithWhatCouldBeRead)
{
    struct Case
    {
        char const* fWhat;
        Entries fEntries;
        bool fJobOptions;
    };
    Case const cases[] = {
        {"no project preferences", {{"PrinterFiles/a.joboptions", "A"}}, true},
        {"empty project preferences",
         {{"Project/Project.prefs", ""}, {"PrinterFiles/a.joboptions", "A"}},
         true},
        {"no job options", {{"Project/Project.prefs", plugintest::ProjectPrefs({{"Trim", "true"}})}}, false},
        {"job options only as a folder",
         {{"Project/Project.prefs", plugintest::ProjectPrefs({})}, {"PrinterFiles/", ""}},
         false},
        {"nothing", {{"readme.txt", "x"}}, false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fWhat);
        std::string const name = std::string("Sendrixor ") + c.fWhat;
        AddSendrixor(name, c.fEntries, true, "", 12);
        GPathName jobOptions;
        GPrefMemoryModule settings;
        int build = -1;
        GCPTSmartPathName extraction((GPathName()));
        EXPECT_FALSE(
            CSPluginTools::GetProjectProperties(TextOf(name), jobOptions, settings, build, extraction));
        EXPECT_EQ(build, 12);
        EXPECT_EQ(!jobOptions.IsEmpty(), c.fJobOptions);
        EXPECT_EQ(!extraction.GetPath().IsEmpty(), c.fJobOptions) << "a folder that received nothing goes";
        if (c.fJobOptions)
        {
            EXPECT_EQ(testsupport::ReadFile(testsupport::FsPathOf(jobOptions)), "A");
        }
    }
}

TEST_F(CSPluginToolsTest, UnknownSendrixorsAndWrongPasswordsReadNothing)
{
    AddSendrixor("Foreign", StandardEntries(), true, "", 99, "another password");
    GPathName jobOptions;
    GPrefMemoryModule settings;
    int build = -1;
    GCPTSmartPathName extraction((GPathName()));
    EXPECT_FALSE(
        CSPluginTools::GetProjectProperties(TextOf("Foreign"), jobOptions, settings, build, extraction));
    EXPECT_TRUE(jobOptions.IsEmpty());
    EXPECT_EQ(build, 99);
    GTable<GBuffer> groups;
    settings.GetGroupNames(groups);
    EXPECT_EQ(groups.GetCount(), 0);
    EXPECT_FALSE(CSPluginTools::GetJobOptionsFile(TextOf("Foreign"), jobOptions, extraction));

    build = -1;
    EXPECT_FALSE(
        CSPluginTools::GetProjectProperties(TextOf("Nobody"), jobOptions, settings, build, extraction));
    EXPECT_EQ(build, 0);
    EXPECT_FALSE(CSPluginTools::GetJobOptionsFile(GString(), jobOptions, extraction));
    EXPECT_TRUE(jobOptions.IsEmpty());
    EXPECT_EQ(TempFolders(), std::vector<fs::path>{}) << "nothing read, nothing left";
}

TEST_F(CSPluginToolsTest, TheJobOptionsAreTheFirstFileEntryUnderPrinterFilesEachTimeInANewFolder)
{
    AddSendrixor("Proof A", {{"PrinterFiles/", ""},
                             {"Other/PrinterFiles.txt", "not job options"},
                             {"PrinterFiles/First.joboptions", "first"},
                             {"PrinterFiles/Second.joboptions", "second"}});
    GPathName first;
    GPathName second;
    {
        GCPTSmartPathName firstExtraction((GPathName()));
        GCPTSmartPathName secondExtraction((GPathName()));
        ASSERT_TRUE(CSPluginTools::GetJobOptionsFile(TextOf("Proof A"), first, firstExtraction));
        ASSERT_TRUE(CSPluginTools::GetJobOptionsFile(TextOf("Proof A"), second, secondExtraction));
        EXPECT_EQ(testsupport::ReadFile(testsupport::FsPathOf(first)), "first");
        EXPECT_EQ(testsupport::ReadFile(testsupport::FsPathOf(second)), "first");
        EXPECT_NE(testsupport::PortableOf(first), testsupport::PortableOf(second));
        EXPECT_EQ(TempFolders().size(), 2u);
    }
    EXPECT_EQ(TempFolders(), std::vector<fs::path>{}) << "each folder goes with its extraction path";
}

// The job options are the Sendrixor's and go to nobody else: each copy is in a folder for the user
// alone, whose name is not a number counted up that another user could take or watch for first,
// and the copy goes when its holder is done.
TEST_F(CSPluginToolsTest, JobOptionsAreCopiedIntoAPrivateFolderOfAnUnguessableNameThatGoesWithItsHolder)
{
    AddSendrixor("Proof A", StandardEntries());
    UmaskScope const mask(0);
    std::set<std::string> names;
    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE(i);
        GPathName jobOptions;
        GPrefMemoryModule settings;
        int build = 0;
        {
            GCPTSmartPathName extraction((GPathName()));
            ASSERT_TRUE(CSPluginTools::GetProjectProperties(TextOf("Proof A"), jobOptions, settings, build,
                                                            extraction));
            std::vector<fs::path> const folders = TempFolders();
            ASSERT_EQ(folders.size(), 1u);
            EXPECT_EQ(testsupport::FsPathOf(extraction.GetPath()), folders[0]);
            EXPECT_EQ(fs::status(folders[0]).permissions() & fs::perms::mask, fs::perms::owner_all);
            std::string const name = folders[0].filename().string();
            EXPECT_FALSE(std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
                << name;
            names.insert(name);
            EXPECT_TRUE(fs::exists(testsupport::FsPathOf(jobOptions)));
        }
        EXPECT_EQ(TempFolders(), std::vector<fs::path>{});
    }
    EXPECT_EQ(names.size(), 3u);
}

TEST_F(CSPluginToolsTest, JobOptionsWhoseNameSeparatesItsPartsWithBackslashesAreFoundWhereTheyWereWritten)
{
    AddSendrixor("Proof A", {{"Project/Project.prefs", plugintest::ProjectPrefs({})},
                             {"PrinterFiles/Windows\\High.joboptions", "from Windows"}});
    GPathName jobOptions;
    GPrefMemoryModule settings;
    int build = 0;
    GCPTSmartPathName extraction((GPathName()));
    ASSERT_TRUE(
        CSPluginTools::GetProjectProperties(TextOf("Proof A"), jobOptions, settings, build, extraction));
    EXPECT_EQ(testsupport::ReadFile(testsupport::FsPathOf(jobOptions)), "from Windows");
    EXPECT_EQ(testsupport::FsPathOf(jobOptions).filename(), "High.joboptions");
    EXPECT_EQ(testsupport::FsPathOf(jobOptions).parent_path().filename(), "Windows");
}

namespace
{
// The plug-in's preference file as an installed module -3, in memory.
class GCPTPluginPrefToolTest : public plugintest::SendrixorFixture
{
protected:
    void SetUp() override
    {
        SendrixorFixture::SetUp();
        GPreferences::SetPrefModule(GPreferences::cUserModuleID, fModule = new GPrefMemoryModule, true);
    }
    void TearDown() override
    {
        GPreferences::RemovePrefModule(GPreferences::cUserModuleID);
        SendrixorFixture::TearDown();
    }
    std::vector<std::string> Groups() const
    {
        GTable<GBuffer> names;
        fModule->GetGroupNames(names);
        std::vector<std::string> groups;
        for (int i = 0; i < names.GetCount(); ++i)
            groups.emplace_back(reinterpret_cast<char const*>(names[i].GetPtr()), names[i].GetLength());
        std::sort(groups.begin(), groups.end());
        return groups;
    }

    GPrefMemoryModule* fModule = nullptr;
};
} // namespace

TEST_F(GCPTPluginPrefToolTest, TheLastSendrixorAndEachPackageChoiceAreKeptInThePluginsFile)
{
    GString last("untouched");
    GCPTPluginPrefTool::GetLastUsedPDFSetting(last);
    EXPECT_TRUE(last.IsEmpty());
    GCPTPluginPrefTool::SetLastUsedPDFSetting(TextOf("Proof Ä"));
    GCPTPluginPrefTool::GetLastUsedPDFSetting(last);
    EXPECT_EQ(Utf8Of(last), "Proof Ä");
    EXPECT_EQ(Utf8Of(fModule->Get(GBuffer("CSPluginUI"), GBuffer("LastSelectedPDFSetting"))), "Proof Ä");

    GString const guid = TextOf("G-Ä");
    EXPECT_FALSE(GCPTPluginPrefTool::HasIncludeFilePackageValue(guid));
    EXPECT_FALSE(GCPTPluginPrefTool::GetIncludeFilePackageValue(guid));
    GCPTPluginPrefTool::SetIncludeFilePackageValue(guid, true);
    EXPECT_TRUE(GCPTPluginPrefTool::HasIncludeFilePackageValue(guid));
    EXPECT_TRUE(GCPTPluginPrefTool::GetIncludeFilePackageValue(guid));
    GCPTPluginPrefTool::SetIncludeFilePackageValue(guid, false);
    EXPECT_FALSE(GCPTPluginPrefTool::GetIncludeFilePackageValue(guid));
    EXPECT_EQ(Utf8Of(fModule->Get(GBuffer("G-Ä"), GBuffer("IncludeFilePackageChecked"))), "false");
}

TEST_F(GCPTPluginPrefToolTest, PackageChoicesOfSendrixorsNoLongerOfferedArePurged)
{
    AddSendrixor("Proof A", StandardEntries()); // G-1
    AddSendrixor("Plate B", StandardEntries()); // G-2
    GCPTPluginPrefTool::SetIncludeFilePackageValue(GString("G-1"), true);
    GCPTPluginPrefTool::SetIncludeFilePackageValue(GString("G-2"), true);
    GCPTPluginPrefTool::SetIncludeFilePackageValue(GString("G-gone"), false);
    GCPTPluginPrefTool::SetLastUsedPDFSetting(GString("Plate B"));
    fModule->Set(GBuffer("Unrelated"), GBuffer("Key"), GString("kept"));

    GCPTPluginPrefTool::UpdatePDFSettingsInPreferences();
    EXPECT_EQ(Groups(), (std::vector<std::string>{"CSPluginUI", "G-1", "G-2", "Unrelated"}));

    ASSERT_TRUE(CSPluginTools::DeletePluginSendrixor(GString("Plate B")));
    GCPTPluginPrefTool::UpdatePDFSettingsInPreferences();
    EXPECT_EQ(Groups(), (std::vector<std::string>{"CSPluginUI", "G-1", "Unrelated"}));
}

namespace
{
// A finished file handed to the test peer of the "RozorazIzivozada" process.
class CSPluginToolsPeerTest : public plugintest::SendrixorFixture
{
protected:
    void SetUp() override
    {
        SendrixorFixture::SetUp();
        GPPRozorazIzivozadaLayer::Initialize();
    }
    void TearDown() override
    {
        GPPRozorazIzivozadaLayer::Finalize();
        SendrixorFixture::TearDown();
    }

    deliverytest::PeerLock fPeers;
};
} // namespace

TEST_F(CSPluginToolsPeerTest, AFinishedFileIsAnnouncedAsAJobOfTheSendrixor)
{
    AddSendrixor("Proof A", StandardEntries());
    deliverytest::PeerProcess peer((fTemp / "jobs").string(), "listen");
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));

    GPathName const pdf = testsupport::PathOf(fTemp / "Proof A" / "Brochüre.pdf");
    EXPECT_TRUE(CSPluginTools::NotifyRozorazIzivozada(TextOf("Proof A"), pdf));
    std::vector<std::string> const jobs = peer.AwaitJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    GPPJobInfo const job(GString(deliverytest::BufferOf(jobs[0]), GUTF8Encoding::GetInstance(), false));
    GString logon;
    PSystem::GetLogonName(logon);
    EXPECT_EQ(Utf8Of(job.GetUserName()), Utf8Of(logon));
    EXPECT_EQ(testsupport::PortableOf(job.GetJobPath()), testsupport::PortableOf(pdf));
    EXPECT_EQ(Utf8Of(job.GetPrinterName()), "Proof A");
    EXPECT_EQ(Utf8Of(job.GetPortName()), "10987");
    EXPECT_EQ(job.GetCopyCount(), 1);
    EXPECT_TRUE(job.GetPrinterID().IsEmpty());

    EXPECT_FALSE(CSPluginTools::NotifyRozorazIzivozada(TextOf("Nobody"), pdf))
        << "not a Sendrixor of the registry";
    EXPECT_EQ(peer.Stop(), 0);
    EXPECT_EQ(peer.Jobs().size(), 1u);
}

TEST_F(CSPluginToolsPeerTest, WithoutARunningPeerNothingIsTaken)
{
    AddSendrixor("Proof A", StandardEntries());
    EXPECT_FALSE(
        CSPluginTools::NotifyRozorazIzivozada(TextOf("Proof A"), testsupport::PathOf(fTemp / "a.pdf")));
}
