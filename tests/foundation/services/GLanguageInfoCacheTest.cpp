// Language information: entries made from string files, lookups by id and by name in the chosen
// script with the string pool as fallback, and the cache file that keeps the entries.
#include <gtest/gtest.h>

#include <string>

#include "FileTree.h"
#include "GLanguageInfoCache.h"
#include "GStringPool.h"
#include "HelperProcess.h"
#include "StringPoolTestSupport.h"
#include "TempFolder.h"

using namespace stringpooltest;
using testsupport::PathOf;
using testsupport::TempFolder;
using testsupport::WriteFile;

namespace
{
class LanguageInfoCacheTest : public StringPoolFixture
{
protected:
    void SetUp() override
    {
        StringPoolFixture::SetUp();
        Register("enUS", {{921032, "English"}, {921033, "Eigo"}});
        WriteFile(fFolder / "CSPdeDE.lng", "StringTable German WinAnsiEncoding\n"
                                           "String 921032, \"German\"\nString 921033, \"Doitsugo\"\n");
        WriteFile(fFolder / "CSPfrFR.lng", "StringTable French WinAnsiEncoding\n"
                                           "String 921032, \"French\"\nString 921033, \"Furansugo\"\n");
        WriteFile(fFolder / "CSPitIT.lng", "StringTable itIT WinAnsiEncoding\nString 921032, \"Italian\"\n");
    }

    GPathName File(char const* name) const { return PathOf(fFolder / name); }

    TempFolder fFolder;
};

TEST_F(LanguageInfoCacheTest, EntriesComeFromStringFilesOncePerFile)
{
    GLanguageInfoCache cache;
    cache.SetLanguageScript(GLanguageInfoCache::cRomanScript);
    GLanguageInfo const* german = cache.AddLanguageInfo(File("CSPdeDE.lng"));
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(Utf8(german->GetLanguageID()), "deDE");
    EXPECT_EQ(Utf8(german->GetLanguageNameRomanScript()), "German");
    EXPECT_EQ(Utf8(german->GetLanguageNameJapaneseScript()), "Doitsugo");
    EXPECT_EQ(cache.AddLanguageInfo(File("CSPdeDE.lng")), german);
    EXPECT_EQ(cache.GetCount(), 1);
    // A language without the Japanese name gets what the pool gives for a missing id.
    EXPECT_EQ(Utf8(cache.AddLanguageInfo(File("CSPitIT.lng"))->GetLanguageNameJapaneseScript()), "");
}

TEST_F(LanguageInfoCacheTest, NamesAndIdsResolveInTheCurrentScript)
{
    GLanguageInfoCache cache;
    cache.SetLanguageScript(GLanguageInfoCache::cRomanScript);
    GString out;
    cache.GetLanguageID(GString("English"), out);
    EXPECT_EQ(Utf8(out), "enUS");
    cache.GetLanguageID(GString("German"), out);
    EXPECT_EQ(Utf8(out), "");

    cache.AddLanguageInfo(File("CSPdeDE.lng"));
    cache.GetLanguageID(GString("German"), out);
    EXPECT_EQ(Utf8(out), "deDE");
    cache.GetLanguageName(GString("deDE"), out);
    EXPECT_EQ(Utf8(out), "German");
    cache.GetLanguageName(GString("enUS"), out);
    EXPECT_EQ(Utf8(out), "English");

    cache.SetLanguageScript(GLanguageInfoCache::cJapaneseScript);
    cache.GetLanguageName(GString("deDE"), out);
    EXPECT_EQ(Utf8(out), "Doitsugo");
    cache.GetLanguageID(GString("Eigo"), out);
    EXPECT_EQ(Utf8(out), "enUS");
    EXPECT_EQ(cache.GetLanguageInfoFromName(GString("German")), nullptr);
    EXPECT_NE(cache.GetLanguageInfoFromName(GString("Doitsugo")), nullptr);
    EXPECT_EQ(Utf8(cache.GetLanguageNameRomanScript(GString("enUS"))), "English");
}

TEST_F(LanguageInfoCacheTest, CacheFileKeepsTheEntriesAndSkipsIncompleteBlocks)
{
    TempFolder cacheFolder;
    GPathName cacheFile = PathOf(cacheFolder / "languages.cache");
    {
        GLanguageInfoCache cache;
        cache.SetCacheFile(cacheFile);
        cache.AddLanguageInfo(File("CSPdeDE.lng"));
        cache.AddLanguageInfo(File("CSPfrFR.lng"));
        cache.AddLanguageInfo(File("CSPitIT.lng"));
    }
    GLanguageInfoCache read;
    read.SetCacheFile(cacheFile);
    ASSERT_EQ(read.GetCount(), 3);
    EXPECT_EQ(read.GetAt(0).GetPathName(), File("CSPdeDE.lng"));
    EXPECT_EQ(Utf8(read.GetAt(1).GetLanguageNameJapaneseScript()), "Furansugo");
    EXPECT_EQ(Utf8(read.GetAt(2).GetLanguageID()), "itIT");

    // A block without one of the keys is skipped; the blocks after it are read; a damaged one ends.
    WriteFile(cacheFolder / "damaged.cache",
              "#BEGINDICT\r\"PathName\" \"a:b\"\r\"LanguageID\" \"xxXX\"\r\"LanguageNameRomanScript\" \"X\"\r#ENDDICT\r"
              "#BEGINDICT\r\"PathName\" \"a:c\"\r\"LanguageID\" \"yyYY\"\r\"LanguageNameRomanScript\" \"Y\"\r"
              "\"LanguageNameJapaneseScript\" \"Y\"\r#ENDDICT\r"
              "#BEGINDICT\r\"PathName\" \"a:d");
    GLanguageInfoCache damaged;
    damaged.SetCacheFile(PathOf(cacheFolder / "damaged.cache"));
    ASSERT_EQ(damaged.GetCount(), 1);
    EXPECT_EQ(Utf8(damaged.GetAt(0).GetLanguageID()), "yyYY");
}

TEST_F(LanguageInfoCacheTest, LineBreaksInACachedValueReadBackAsOneCarriageReturnEach)
{
    // A hand-made cache file may hold line breaks of every kind inside a value; written again they
    // are escapes, each break (CR, LF, CR LF, LF CR) one carriage return when read back, and from
    // then on the value reads back as written.
    TempFolder cacheFolder;
    WriteFile(
        cacheFolder / "hand-made.cache",
        "#BEGINDICT\r\"PathName\" \"a:b\"\r\"LanguageID\" \"deDE\n\n\r\"\r"
        "\"LanguageNameRomanScript\" \"Ger\r\nman\r\n\"\r\"LanguageNameJapaneseScript\" \"Doitsugo\n\r\r\"\r"
        "#ENDDICT\r");
    GPathName const first = PathOf(cacheFolder / "first.cache");
    GPathName const second = PathOf(cacheFolder / "second.cache");
    {
        GLanguageInfoCache cache;
        cache.SetCacheFile(PathOf(cacheFolder / "hand-made.cache"));
        ASSERT_EQ(cache.GetCount(), 1);
        cache.SetCacheFile(first);
    }
    {
        GLanguageInfoCache cache;
        cache.SetCacheFile(first);
        ASSERT_EQ(cache.GetCount(), 1);
        EXPECT_EQ(Utf8(cache.GetAt(0).GetLanguageID()), "deDE\r\r");
        EXPECT_EQ(Utf8(cache.GetAt(0).GetLanguageNameRomanScript()), "Ger\rman\r");
        EXPECT_EQ(Utf8(cache.GetAt(0).GetLanguageNameJapaneseScript()), "Doitsugo\r\r");
        cache.SetCacheFile(second);
    }
    EXPECT_EQ(testsupport::ReadFile(cacheFolder / "second.cache"),
              testsupport::ReadFile(cacheFolder / "first.cache"));
}

#ifdef MEMORY_FAILURE_CHILD
TEST(LanguageInfoCacheEndTest, ACacheThatCannotBeWrittenGoesWithoutThrowing)
{
    // In a helper, where every allocation of the runtime fails while the cache is destroyed: a
    // destructor that threw would end the process.
    auto const [status, output] = testsupport::RunHelper(MEMORY_FAILURE_CHILD, "language-cache");
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("the cache went quietly"), std::string::npos) << output;
}
#endif

TEST_F(LanguageInfoCacheTest, WithoutCacheFileNothingIsWritten)
{
    GLanguageInfoCache::SetInstance(new GLanguageInfoCache);
    GLanguageInfoCache::GetInstance()->AddLanguageInfo(File("CSPdeDE.lng"));
    GLanguageInfoCache::SetInstance(nullptr);
    EXPECT_EQ(GLanguageInfoCache::GetInstance(), nullptr);
    int files = 0;
    for (auto const& entry : std::filesystem::directory_iterator(fFolder.Path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 3);
}
} // namespace
