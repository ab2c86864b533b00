// The plug-in's tools coming up and going down: the temporary paths left by an earlier run removed
// (only those in the temporary folder), self-removing paths listed while they live, and the
// plug-in's language: its string files and its Qt translations for the user's language.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "BufferText.h"
#include "FileTree.h"
#include "GCPTApplicationLocale.h"
#include "GCPTCSPluginToolsLayer.h"
#include "GCPTCSPluginToolsTexts.h"
#include "GCPTSaveAsAction.h"
#include "GCPTSmartPathName.h"
#include "GFileSystem.h"
#include "GPrefMemoryModule.h"
#include "GPreferences.h"
#include "GStringPool.h"
#include "GStringPoolSupport.h"
#include "PreferredLanguages.h"
#include "StringText.h"
#include "TempFolder.h"
#include "ZipTool.h"
#include "macos/CFArrayStandIn.h"
#include "macos/CFPreferencesStandIn.h"
#include "macos/CFStringStandIn.h"

namespace
{
namespace fs = std::filesystem;
using testsupport::TextOf;
using testsupport::Utf8Of;
using Smart = GCPTSmartPathName;

// The plug-in's preference file as module -3, its temporary folder and its strings folder, all of
// the test's own.
class ToolsFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(fTemp / "strings");
        GFileSystem::AddSpecialPath(-2, testsupport::PathOf(fTemp.Path()));
        GFileSystem::AddSpecialPath(22, testsupport::PathOf(fTemp / "strings"));
        GPreferences::SetPrefModule(GPreferences::cUserModuleID, fModule = new GPrefMemoryModule, true);
    }
    void TearDown() override
    {
        GPreferences::RemovePrefModule(GPreferences::cUserModuleID);
        GFileSystem::RemoveSpecialPath(22);
        GFileSystem::RemoveSpecialPath(-2);
    }

    void List(int number, fs::path const& path)
    {
        fModule->Set(Smart::cGroup,
                     GBuffer((std::string(Smart::cKeyPrefix) + std::to_string(number)).c_str()),
                     testsupport::PathOf(path).GetCrossPlatformString());
    }
    void SetMaxCount(char const* count) { fModule->Set(Smart::cGroup, Smart::cMaxCountKey, GString(count)); }
    std::vector<std::string> Keys() const
    {
        GTable<GBuffer> keys;
        fModule->GetGroupPreferences(Smart::cGroup, keys);
        std::vector<std::string> names;
        for (int i = 0; i < keys.GetCount(); ++i)
            names.push_back(testsupport::TextOf(keys[i]));
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string MaxCount() const { return Utf8Of(fModule->Get(Smart::cGroup, Smart::cMaxCountKey)); }

    testsupport::TempFolder fTemp;
    GPrefMemoryModule* fModule = nullptr;
};

using GCPTSmartPathNameTest = ToolsFixture;
} // namespace

TEST_F(GCPTSmartPathNameTest, LeftoverListingsAreRemovedWithTheirPathsAndTheCountStartsAgain)
{
    fs::path const file = fTemp / "left.pdf";
    fs::path const folder = fTemp / "left folder";
    testsupport::WriteFile(file);
    testsupport::WriteFile(folder / "inner" / "a.txt");
    testsupport::WriteFile(fTemp / "kept.txt");
    SetMaxCount("3");
    List(1, file);
    List(3, folder);
    Smart::Initialize();
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::exists(fTemp / "kept.txt"));
    EXPECT_EQ(Keys(), std::vector<std::string>{"MaxCount"});
    EXPECT_EQ(MaxCount(), "0");

    // Only the first start and the last stop clean up.
    List(1, fTemp / "kept.txt");
    SetMaxCount("1");
    Smart::Initialize();
    Smart::Finalize();
    EXPECT_TRUE(fs::exists(fTemp / "kept.txt"));
    Smart::Finalize();
    EXPECT_FALSE(fs::exists(fTemp / "kept.txt"));
}

TEST_F(GCPTSmartPathNameTest, WithoutACountNothingIsTouched)
{
    testsupport::WriteFile(fTemp / "a.pdf");
    List(1, fTemp / "a.pdf");
    Smart::Initialize();
    Smart::Finalize();
    EXPECT_TRUE(fs::exists(fTemp / "a.pdf"));
    EXPECT_EQ(Keys(), std::vector<std::string>{"FilePathName_1"});
}

TEST_F(GCPTSmartPathNameTest, AListingOutsideTheTemporaryFolderLosesItsKeyButNotItsFile)
{
    testsupport::TempFolder user("sendrix-user");
    testsupport::WriteFile(user / "Thesis.indd", "a year of work");
    SetMaxCount("3");
    List(1, user / "Thesis.indd");
    List(2, user.Path());
    // ".." is resolved before the path is looked at: it leads out of the temporary folder.
    fModule->Set(Smart::cGroup, GBuffer("FilePathName_3"),
                 TextOf(fTemp.String() + "/../" + user.Path().filename().string() + "/Thesis.indd"));
    Smart::Initialize();
    Smart::Finalize();
    EXPECT_EQ(testsupport::ReadFile(user / "Thesis.indd"), "a year of work");
    EXPECT_EQ(Keys(), std::vector<std::string>{"MaxCount"});
    EXPECT_TRUE(fs::exists(fTemp.Path())) << "the temporary folder itself is no listing's to remove";
}

TEST_F(GCPTSmartPathNameTest, AHugeCountWalksOnlyTheListingsThere)
{
    testsupport::WriteFile(fTemp / "a.pdf");
    SetMaxCount("2147483647");
    List(2000000000, fTemp / "a.pdf");
    fModule->Set(Smart::cGroup, GBuffer("FilePathName_x"), GString("not a listing"));
    Smart::Initialize();
    Smart::Finalize();
    EXPECT_FALSE(fs::exists(fTemp / "a.pdf"));
    EXPECT_EQ(Keys(), (std::vector<std::string>{"FilePathName_x", "MaxCount"}));
}

TEST_F(GCPTSmartPathNameTest, APathIsListedWhileItLivesAndRemovedWhenItGoes)
{
    fs::path const first = fTemp / "first.pdf";
    fs::path const folder = fTemp / "package";
    testsupport::WriteFile(first);
    testsupport::WriteFile(folder / "Links" / "a.png");
    {
        Smart one(testsupport::PathOf(first));
        Smart two(testsupport::PathOf(folder));
        EXPECT_EQ(testsupport::TextOf(one.GetKey()), "FilePathName_1");
        EXPECT_EQ(testsupport::TextOf(two.GetKey()), "FilePathName_2");
        EXPECT_EQ(MaxCount(), "2");
        two.Remove();
        EXPECT_FALSE(fs::exists(folder)) << "a folder goes with what it holds";
        EXPECT_EQ(Keys(), (std::vector<std::string>{"FilePathName_1", "FilePathName_2", "MaxCount"}));

        fs::path const second = fTemp / "second.pdf";
        testsupport::WriteFile(second);
        one.SetPath(testsupport::PathOf(second));
        EXPECT_FALSE(fs::exists(first)) << "the old path goes when a new one is taken";
        EXPECT_EQ(testsupport::TextOf(one.GetKey()), "FilePathName_1");
        EXPECT_EQ(Utf8Of(fModule->Get(Smart::cGroup, GBuffer("FilePathName_1"))), second.string());
    }
    EXPECT_FALSE(fs::exists(fTemp / "second.pdf"));
    EXPECT_EQ(Keys(), std::vector<std::string>{"MaxCount"});
}

namespace
{
using plugintest::SetPreferredLanguages;

class GCPTCSPluginToolsLayerTest : public ToolsFixture
{
protected:
    void TearDown() override
    {
        SetPreferredLanguages({});
        GStringPool::SetLanguage(GString("enUS"));
        GStringPool::DeleteLanguage(GString("deDE"));
        GStringPoolSupport::Finalize();
        ToolsFixture::TearDown();
    }

    // A German string file and German Qt translations in the plug-in's strings folder.
    void WriteGerman()
    {
        testsupport::WriteFile(fTemp / "strings" / "CSP_deDE.lng",
                               "StringTable deDE UTF8Encoding\r"
                               "String 30060014 \"Fehler beim Export nach Sendrixor\"\r"
                               "EndStringTable\r");
        testsupport::WriteFile(fTemp / "Plugin_deDE.ts",
                               "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                               "<TS version=\"2.1\" language=\"de_DE\"><context><name>QObject</name>\n"
                               "<message><source>Export to Sendrixor...</source>"
                               "<translation>Nach Sendrixor exportieren …</translation></message>\n"
                               "</context></TS>\n");
        ASSERT_EQ(ziptest::RunProgram({SENDRIX_LRELEASE_PATH, "-silent", (fTemp / "Plugin_deDE.ts").string(),
                                       "-qm", (fTemp / "strings" / "Plugin_deDE.qm").string()},
                                      fTemp.Path()),
                  0);
    }
    static std::string MenuTitle()
    {
        struct Action : GCPTSaveAsAction
        {
            bool SaveAsPDF(GCPTSaveAsProperties const&, GPathName const&) override { return false; }
            bool CreatePackage(GPathName const&) override { return false; }
        };
        Action const action;
        return Utf8Of(action.GetMenuTitle());
    }
};
} // namespace

TEST_F(GCPTCSPluginToolsLayerTest, TheUsersLanguageBringsThePluginsStringFilesAndTranslations)
{
    WriteGerman();
    SetPreferredLanguages({"de-DE", "en-US"});
    int argc = 1;
    char name[] = "plugin_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    GCPTCSPluginToolsLayer::Initialize();
    ASSERT_NE(GCPTCSPluginToolsLayer::GetApplicationLocale(), nullptr);
    EXPECT_TRUE(GCPTCSPluginToolsLayer::GetApplicationLocale()->HasTranslations());
    EXPECT_EQ(Utf8Of(GStringPool::GetLanguage()), "deDE");
    EXPECT_EQ(Utf8Of(GStringPool::GetString(GCPTCSPluginToolsTexts::cExportToSendrixorError)),
              "Fehler beim Export nach Sendrixor");
    EXPECT_EQ(Utf8Of(GStringPool::GetString(GCPTCSPluginToolsTexts::cInvalidBook)),
              "Book is either empty or invalid.")
        << "what the string file lacks comes from the English table";
    EXPECT_EQ(MenuTitle(), "Nach Sendrixor exportieren …");

    GCPTCSPluginToolsLayer::Initialize();
    GCPTCSPluginToolsLayer::Finalize();
    EXPECT_EQ(MenuTitle(), "Nach Sendrixor exportieren …") << "only the last Finalize acts";
    GCPTCSPluginToolsLayer::Finalize();
    EXPECT_EQ(GCPTCSPluginToolsLayer::GetApplicationLocale(), nullptr);
    EXPECT_EQ(MenuTitle(), "Export to Sendrixor...") << "the translations leave with the layer";
}

TEST_F(GCPTCSPluginToolsLayerTest, WithoutTranslationsForTheLanguageTheLayerComesUpInEnglish)
{
    SetPreferredLanguages({"fr-FR"});
    GCPTCSPluginToolsLayer::Initialize();
    EXPECT_FALSE(GCPTCSPluginToolsLayer::GetApplicationLocale()->HasTranslations());
    EXPECT_EQ(Utf8Of(GStringPool::GetString(GCPTCSPluginToolsTexts::cExportToSendrixorError)),
              "Export to Sendrixor error");
    EXPECT_EQ(MenuTitle(), "Export to Sendrixor...");
    GCPTCSPluginToolsLayer::Finalize();
    EXPECT_EQ(GCPTCSPluginToolsLayer::GetInitializeCount(), 0);
}
