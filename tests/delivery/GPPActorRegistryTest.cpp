// The registry of Sendrixors in its shared file: records written and read back, the first of a name
// acted on, what another process writes meanwhile kept, a damaged file kept beside the new one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "FileTree.h"
#include "GDateTime.h"
#include "GPPActorRegistry.h"
#include "GPPSettings.h"
#include "GUnicodeEncoding.h"
#include "RegistryFolders.h"
#include "StringText.h"

namespace
{
namespace fs = std::filesystem;
using testsupport::ChildProcess;
using testsupport::TextOf;
using testsupport::Utf8Of;

class GPPActorRegistryTest : public ::testing::Test
{
protected:
    static GPPSettings Settings(char const* pdfSettings)
    {
        GPathName const base = deliverytest::RegistryFolders::Base();
        GPPSettings settings;
        settings.fApplicationPath = base / GPathName("Sendrixor/Cache/4711/App");
        settings.fContextFilePath = base / GPathName("Sendrixor/Cache/Settings/G1/project");
        settings.fIsPlugin = true;
        settings.fPDFSettings = TextOf(pdfSettings);
        settings.fSendrixorName = TextOf("Sendrixor Ä");
        settings.fSendrixorIconPath = deliverytest::RegistryFolders::PathOf("/icons/a.png");
        return settings;
    }
    static std::vector<std::string> List()
    {
        GTable<GString> names;
        GPPActorRegistry().GetActorList(names);
        std::vector<std::string> list;
        for (int i = 0; i < names.GetCount(); ++i)
            list.push_back(Utf8Of(names[i]));
        return list;
    }
    static std::string PDFSettingsOf(char const* name)
    {
        GPPSettings settings;
        if (!GPPActorRegistry().GetActor(TextOf(name), settings))
            return "(none)";
        return Utf8Of(settings.fPDFSettings);
    }
    // A record written straight into the file, as a Sendrixor application may write it.
    static void WriteRecord(GBuffer const& key, std::string const& value)
    {
        GPrefSharedFileModule module(GPPActorRegistry::GetRegistryPath(), GUnicodeEncoding::GetInstance());
        module.Set(GBuffer("RozorazIzivozadaRegistry"), key, TextOf(value));
        module.FlushPrefs();
    }
    static std::string Record(char const* actor, char const* pdfSettings)
    {
        return std::string("#BEGINDICT\r\"ActorName\" \"") + actor + "\"\r\"PDFSettings\" \"" + pdfSettings +
               "\"\r#ENDDICT\r";
    }
    static fs::path File() { return testsupport::FsPathOf(GPPActorRegistry::GetRegistryPath()); }

    deliverytest::RegistryFolders fFolders;
};
} // namespace

TEST_F(GPPActorRegistryTest, ARegisteredRecordReadsBackWithEveryField)
{
    GTable<GString> none;
    EXPECT_FALSE(GPPActorRegistry().GetActorList(none));
    GPPSettings written = Settings("High Quality");
    written.fIsVirtualPrinter = true;
    written.fIsActive = false;
    EXPECT_TRUE(GPPActorRegistry().Register(TextOf("Alpha"), written));
    EXPECT_TRUE(fs::exists(File()));
    EXPECT_EQ(File().parent_path().filename(), "Rozoraz Izivozada");

    GPPSettings read;
    ASSERT_TRUE(GPPActorRegistry().GetActor(TextOf("Alpha"), read));
    EXPECT_TRUE(read.fApplicationPath == written.fApplicationPath);
    EXPECT_TRUE(read.fContextFilePath == written.fContextFilePath);
    EXPECT_TRUE(read.fSendrixorIconPath == written.fSendrixorIconPath);
    EXPECT_TRUE(read.fIsVirtualPrinter);
    EXPECT_TRUE(read.fIsPlugin);
    EXPECT_FALSE(read.fIsActive);
    EXPECT_EQ(Utf8Of(read.fPDFSettings), "High Quality");
    EXPECT_EQ(Utf8Of(read.fSendrixorName), "Sendrixor Ä");
    EXPECT_EQ(GPPSettings::GetBuildNumber(read), 4711);
    EXPECT_EQ(List(), std::vector<std::string>{"Alpha"});

    GString name;
    GPPSettings byID;
    EXPECT_TRUE(GPPActorRegistry().GetActorByID(TextOf("G1"), name, byID));
    EXPECT_EQ(Utf8Of(name), "Alpha");
    EXPECT_FALSE(GPPActorRegistry().GetActorByID(TextOf("G2"), name, byID));
}

TEST_F(GPPActorRegistryTest, LooksUpTheFirstRecordOfANameAndSkipsThoseThatAreNoDictionary)
{
    WriteRecord(GBuffer("k1"), Record("Dup", "one"));
    WriteRecord(GBuffer("k2"), Record("Dup", "two"));
    WriteRecord(GBuffer("bad"), "no dictionary");
    // A record without "ActorName" is listed by its key read as UTF-16 text, and found again by
    // that name.
    WriteRecord(GBuffer("ByKeyX"), "#BEGINDICT\r\"PDFSettings\" \"keyed\"\r#ENDDICT\r");
    // The module's key order decides which record of a name is the first.
    GTable<GBuffer> keys;
    GPPActorRegistry().GetModule().GetGroupPreferences(GBuffer("RozorazIzivozadaRegistry"), keys);
    std::string first;
    for (int i = 0; i < keys.GetCount() && first.empty(); ++i)
        if (keys[i] == GBuffer("k1") || keys[i] == GBuffer("k2"))
            first = keys[i] == GBuffer("k1") ? "one" : "two";
    std::string const second = first == "one" ? "two" : "one";

    EXPECT_EQ(PDFSettingsOf("Dup"), first);
    EXPECT_EQ(PDFSettingsOf("bad"), "(none)");
    GTable<GString> names;
    ASSERT_TRUE(GPPActorRegistry().GetActorList(names));
    ASSERT_EQ(names.GetCount(), 3) << "the record that is no dictionary was listed";
    GString keyed;
    for (int i = 0; i < names.GetCount(); ++i)
        if (Utf8Of(names[i]) != "Dup")
            keyed = names[i];
    GPPSettings settings;
    ASSERT_TRUE(GPPActorRegistry().GetActor(keyed, settings));
    EXPECT_EQ(Utf8Of(settings.fPDFSettings), "keyed");

    EXPECT_TRUE(GPPActorRegistry().Update(TextOf("Dup"), Settings("changed")));
    EXPECT_EQ(PDFSettingsOf("Dup"), "changed");
    EXPECT_TRUE(GPPActorRegistry().UnRegister(TextOf("Dup")));
    EXPECT_EQ(PDFSettingsOf("Dup"), second);
    EXPECT_TRUE(GPPActorRegistry().UnRegister(keyed));
    EXPECT_FALSE(GPPActorRegistry().UnRegister(keyed));
}

TEST_F(GPPActorRegistryTest, ARecordWithoutIsActiveIsActiveAndUpdateKeepsItsOtherKeys)
{
    WriteRecord(GBuffer("k"), "#BEGINDICT\r\"ActorName\" \"A\"\r\"Extra\" \"kept\"\r#ENDDICT\r");
    GPPSettings settings;
    settings.fIsActive = false;
    ASSERT_TRUE(GPPActorRegistry().GetActor(TextOf("A"), settings));
    EXPECT_TRUE(settings.fIsActive);
    settings.fIsActive = false;
    ASSERT_TRUE(GPPActorRegistry().Update(TextOf("A"), settings));
    ASSERT_TRUE(GPPActorRegistry().GetActor(TextOf("A"), settings));
    EXPECT_FALSE(settings.fIsActive);
    GPPActorRegistry registry;
    GDict<GBuffer, GString> record;
    record.FromString(registry.GetModule().Get(GBuffer("RozorazIzivozadaRegistry"), GBuffer("k")));
    EXPECT_EQ(record.GetCount(), 10);
    ASSERT_NE(record.Find(GBuffer("Extra")), nullptr);
    EXPECT_EQ(Utf8Of(*record.Find(GBuffer("Extra"))), "kept");
}

TEST_F(GPPActorRegistryTest, AnUpdateOfAnUnknownNameWritesNothing)
{
    GPPActorRegistry().Register(TextOf("Alpha"), Settings("a"));
    std::string const before = testsupport::ReadFile(File());
    EXPECT_FALSE(GPPActorRegistry().Update(TextOf("Beta"), Settings("b")));
    EXPECT_FALSE(GPPActorRegistry().UnRegister(TextOf("Beta")));
    EXPECT_EQ(testsupport::ReadFile(File()), before);
}

TEST_F(GPPActorRegistryTest, AChangeKeepsWhatAnotherProcessWroteSinceTheRegistryWasOpened)
{
    GPPActorRegistry().Register(TextOf("Alpha"), Settings("a"));
    GPPActorRegistry opened;
    ChildProcess other(
        [](ChildProcess::Child const&)
        { return GPPActorRegistry().Register(TextOf("Beta"), Settings("b")) ? 0 : 1; });
    ASSERT_EQ(other.Wait(), 0);
    EXPECT_TRUE(opened.Update(TextOf("Alpha"), Settings("a2")));
    EXPECT_EQ(PDFSettingsOf("Alpha"), "a2");
    EXPECT_EQ(PDFSettingsOf("Beta"), "b") << "the other process's record was lost";
}

TEST_F(GPPActorRegistryTest, ListsUpdatesAndClearsWhileASecondProcessWrites)
{
    constexpr int cRecords = 15;
    GPPActorRegistry().Register(TextOf("Alpha"), Settings("0"));
    ChildProcess other(
        [](ChildProcess::Child const& parent)
        {
            parent.Tell('r');
            for (int i = 0; i < cRecords; ++i)
                if (!GPPActorRegistry().Register(TextOf("C" + std::to_string(i)), Settings("c")))
                    return 1;
            return 0;
        });
    ASSERT_EQ(other.Await(), 'r');
    for (int i = 1; i <= cRecords; ++i)
    {
        ASSERT_TRUE(GPPActorRegistry().Update(TextOf("Alpha"), Settings(std::to_string(i).c_str())));
        GTable<GString> names;
        GPPActorRegistry().GetActorList(names);
        EXPECT_GE(names.GetCount(), 1);
    }
    ASSERT_EQ(other.Wait(), 0);
    EXPECT_EQ(List().size(), static_cast<std::size_t>(cRecords + 1)) << "a record written meanwhile was lost";
    EXPECT_EQ(PDFSettingsOf("Alpha"), std::to_string(cRecords));
    GPPActorRegistry().CleanUp();
    GTable<GString> none;
    EXPECT_FALSE(GPPActorRegistry().GetActorList(none));
}

TEST_F(GPPActorRegistryTest, ADamagedFileIsKeptBesideTheNewOne)
{
    fs::create_directories(File().parent_path());
    char const bytes[] = "\xFF\xFE#\0B\0E\0G\0I\0N\0P\0R\0E\0F\0S\0\r\0\"\0R\0\r\0#\0B\0";
    std::string const damaged(bytes, sizeof bytes - 1);
    testsupport::WriteFile(File(), damaged);
    EXPECT_TRUE(GPPActorRegistry().Register(TextOf("Alpha"), Settings("a")));
    fs::path const backup = File().string() + ".backup";
    ASSERT_TRUE(fs::exists(backup));
    EXPECT_EQ(testsupport::ReadFile(backup), damaged);
    EXPECT_EQ(List(), std::vector<std::string>{"Alpha"});
}

TEST_F(GPPActorRegistryTest, KeepsTheAllowedOriginsAndTellsTheFilesTime)
{
    GDateTime const untouched(1, 1, 1990, true);
    GDateTime date = untouched;
    GPPActorRegistry::GetModificationDateTime(date);
    EXPECT_TRUE(date == untouched);
    GTable<GString> origins;
    origins.AddItem(TextOf("https://a.example"));
    origins.AddItem(TextOf("http://localhost:8080"));
    GPPActorRegistry().SetAllowedOrigins(origins);
    GTable<GString> back;
    GPPActorRegistry().GetAllowedOrigins(back);
    ASSERT_EQ(back.GetCount(), 2);
    EXPECT_EQ(Utf8Of(back[1]), "http://localhost:8080");
    GPPActorRegistry::GetModificationDateTime(date);
    EXPECT_FALSE(date == untouched);
}
