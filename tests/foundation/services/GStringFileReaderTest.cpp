// String files: tables of ids and quoted texts per language and encoding, with comments and
// platform conditionals, override the pool's built-in texts; file names select what is read; a
// dumped pool reads back equal; damaged files read what they can.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileTree.h"
#include "GStringFileReader.h"
#include "GStringPool.h"
#include "GStringPoolSupport.h"
#include "GStringPoolTable.h"
#include "StringPoolTestSupport.h"
#include "TempFolder.h"

using namespace stringpooltest;
using testsupport::PathOf;
using testsupport::TempFolder;
using testsupport::WriteFile;

namespace
{
class StringFileTest : public StringPoolFixture
{
protected:
    // Reads the text as a string file and gives the language of its last table.
    std::string Parse(std::string const& content, std::string const& name = "CSPtest.lng")
    {
        WriteFile(fFolder / name, content);
        GStringFileReader reader(PathOf(fFolder / name));
        reader.ParseStringFile();
        return Utf8(reader.GetLanguageID());
    }

    static std::string Text(char const* language, int id)
    {
        GString out;
        if (!GStringPool::GetString(GString(language), id, out))
            return "<missing>";
        return Utf8(out);
    }

    TempFolder fFolder;
};

TEST_F(StringFileTest, EntriesTakeIdsFromTheirTokensAndTextsFromQuotedPieces)
{
    EXPECT_EQ(Parse("any text before\r"
                    "StringTable German WinAnsiEncoding rest ignored\r"
                    "\tString\tNext,\t\"one\"\r"
                    "\tString\t12,\t\"twelve\" // a comment\r"
                    "\tString\tNext,\t\"thirteen \\\"q\\\" \\t\\\\\"\r"
                    "\tString 20, \"first \"\r"
                    "   \"second \" trailing words\r"
                    "\t\"third\"\r"
                    "\tString\tNext \"no comma\"\r"
                    "\tString 30, \"unescaped \\x kept\"\r"
                    "EndStringTable\r"),
              "deDE");
    EXPECT_EQ(Text("deDE", 1), "one");
    EXPECT_EQ(Text("deDE", 12), "twelve");
    EXPECT_EQ(Text("deDE", 13), "thirteen \"q\" \t\\");
    EXPECT_EQ(Text("deDE", 20), "first second third");
    EXPECT_EQ(Text("deDE", 0), "no comma");
    EXPECT_EQ(Text("deDE", 30), "unescaped \\x kept");
}

TEST_F(StringFileTest, TextOnTheNextLineIsEmptyAndItsQuoteEndsTheTable)
{
    Parse("StringTable French WinAnsiEncoding\n"
          "String 7,\n"
          "\"orphan\"\n"
          "String 8, \"after the end\"\n");
    EXPECT_EQ(Text("frFR", 7), "");
    EXPECT_EQ(Text("frFR", 8), "<missing>");
}

TEST_F(StringFileTest, PlatformConditionalsAreReadAsOnTheMac)
{
    Parse("StringTable English WinAnsiEncoding\r\n"
          "#ifdef EA_OS_LINUX\r\n"
          "String 1, \"linux\"\r\n"
          "#ifdef EA_OS_MACOSX\r\n"
          "String 2, \"nested\"\r\n"
          "#endif\r\n"
          "String 3, \"linux too\"\r\n"
          "#endif\r\n"
          "#ifndef EA_OS_LINUX\r\n"
          "String 4, \"not linux\"\r\n"
          "#endif\r\n"
          "#ifdef EA_OS_MACOSX\r\n"
          "String 5, \"mac\"\r\n"
          "#endif\r\n"
          "#ifndef EA_OS_MACOSX\r\n"
          "String 6, \"not mac\"\r\n"
          "#endif\r\n"
          "String 7, \"after\"\r\n");
    for (int id : {1, 2, 3, 6})
        EXPECT_EQ(Text("enUS", id), "<missing>") << id;
    EXPECT_EQ(Text("enUS", 4), "not linux");
    EXPECT_EQ(Text("enUS", 5), "mac");
    EXPECT_EQ(Text("enUS", 7), "after");
}

TEST_F(StringFileTest, BlockCommentsRunToTheFirstTokenThatClosesThem)
{
    Parse("StringTable Spanish WinAnsiEncoding\n"
          "/* a comment String 1, \"hidden\" */String 2, \"after close\"\n"
          "/*one*/ String 3, \"still hidden\"\n"
          "end*/ String 4, \"shown\"\n");
    EXPECT_EQ(Text("esES", 1), "<missing>");
    EXPECT_EQ(Text("esES", 2), "after close");
    EXPECT_EQ(Text("esES", 3), "<missing>");
    EXPECT_EQ(Text("esES", 4), "shown");
}

TEST_F(StringFileTest, TablesFollowOneAnotherWithOrWithoutAnEndMarker)
{
    Parse("StringTable deDE WinAnsiEncoding\n"
          "String 1, \"eins\"\n"
          "EndStringTable\n"
          "StringTable frFR MacRomanEncoding\n"
          "String 1, \"un\"\n"
          "StringTable \"Neutral\" WinAnsiEncoding\n"
          "String 1, \"neutral\"\n");
    EXPECT_EQ(Text("deDE", 1), "eins");
    EXPECT_EQ(Text("frFR", 1), "un");
    EXPECT_EQ(Text("Neutral", 1), "neutral");
}

TEST_F(StringFileTest, FilesReplaceBuiltInTextsOfTheirLanguage)
{
    Register("enUS", {{921032, "English"}, {5, "built in"}});
    Parse("StringTable English UTF8Encoding\nString 5, \"from the file \xC3\xA9\"\n");
    EXPECT_EQ(Text("enUS", 5), "from the file \xC3\xA9");
    EXPECT_EQ(Text("enUS", 921032), "English");
    // A built-in table registered later never replaces what a file gave.
    Register("enUS", {{5, "built in again"}});
    EXPECT_EQ(Text("enUS", 5), "from the file \xC3\xA9");
}

TEST_F(StringFileTest, Utf16FilesAreReadFromTheirByteOrderMark)
{
    std::string text = "StringTable German UnicodeEncoding\r\nString 9, \"neun\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : text)
        utf16 += std::string{c, '\0'};
    Parse(utf16);
    EXPECT_EQ(Text("deDE", 9), "neun");
}

// An id is the number its token starts with (a sign allowed), whatever the file's encoding; a
// character that only looks like a digit (a full-width one) ends it.
TEST_F(StringFileTest, IdsAreReadAlikeInEveryEncoding)
{
    struct Case
    {
        char const* encoding;
        bool utf16;
        // The full-width digit 8 in the encoding, or empty where it has none.
        std::string wideEight;
    };
    std::vector<Case> const cases = {
        {"WinAnsiEncoding", false, ""},
        {"MacRomanEncoding", false, ""},
        {"ShiftJISEncoding", false, "\x82\x57"},
        {"UTF8Encoding", false, "\xEF\xBC\x98"},
        {"UnicodeEncoding", true, std::string("\x18\xFF", 2)},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.encoding);
        GStringPool::Finalize();
        GStringPool::Initialize();
        std::string const header = std::string("StringTable deDE ") + c.encoding + "\n";
        std::string body = "String -5, \"minus\"\n"
                           "String +7x, \"plus\"\n"
                           "String 0042abc, \"leading zeros\"\n"
                           "String 99999999999999999999, \"huge\"\n"
                           "String -99999999999999999999, \"huge below\"\n";
        std::string wide;
        if (!c.wideEight.empty())
        {
            // The id ends before the full-width digit: 6, not 68.
            body += "String 6";
            wide = "X, \"six\"\n";
        }
        std::string file;
        if (c.utf16)
        {
            file = "\xFF\xFE";
            for (char ch : header + body)
                file += std::string{ch, '\0'};
            file += c.wideEight;
            for (char ch : wide.empty() ? std::string() : wide.substr(1))
                file += std::string{ch, '\0'};
        }
        else
            file = header + body + c.wideEight + (wide.empty() ? std::string() : wide.substr(1));
        Parse(file);
        EXPECT_EQ(Text("deDE", -5), "minus");
        EXPECT_EQ(Text("deDE", 7), "plus");
        EXPECT_EQ(Text("deDE", 42), "leading zeros");
        EXPECT_EQ(Text("deDE", 2147483647), "huge");
        EXPECT_EQ(Text("deDE", -2147483647 - 1), "huge below");
        if (!c.wideEight.empty())
        {
            EXPECT_EQ(Text("deDE", 6), "six");
            EXPECT_EQ(Text("deDE", 68), "<missing>");
        }
    }
}

TEST_F(StringFileTest, DamagedFilesReadWhatTheyCanAndEnd)
{
    struct Case
    {
        char const* name;
        std::string content;
    };
    std::vector<Case> const cases = {
        {"unclosed comment", "StringTable deDE WinAnsiEncoding\nString 1, \"a\"\n/* never closed String 2, \"b\""},
        {"unclosed quote", "StringTable deDE WinAnsiEncoding\nString 1, \"a\"\nString 2, \"runs to the end"},
        {"unbalanced ifdef", "StringTable deDE WinAnsiEncoding\nString 1, \"a\"\n#ifdef NOPE\nString 2, \"b\""},
        {"unknown encoding", "StringTable deDE NoSuchEncoding\nString 1, \"a\"\n"},
        {"huge ids", "StringTable deDE WinAnsiEncoding\nString 1, \"a\"\nString 99999999999999999999, \"b\"\n"
                     "String Next, \"c\"\n"},
        {"cut header", "StringTable deDE"},
        {"cut entry", "StringTable deDE WinAnsiEncoding\nString 1, \"a\"\nString"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        GStringPool::Finalize();
        GStringPool::Initialize();
        EXPECT_NO_THROW(Parse(c.content));
        if (std::string(c.name) != "cut header")
        {
            EXPECT_EQ(Text("deDE", 1), "a");
        }
        if (std::string(c.name) == "huge ids")
        {
            // Held to the largest id; the next one wraps instead of overflowing.
            EXPECT_EQ(Text("deDE", 2147483647), "b");
            EXPECT_EQ(Text("deDE", -2147483647 - 1), "c");
        }
    }
}

TEST(StringFileNameTest, NamesAreMatchedByPrefixVersionAndLanguage)
{
    struct Case
    {
        char const* file;
        int versionLength;
        int min;
        int max;
        char const* language;
        bool accepted;
    };
    std::vector<Case> const cases = {
        {"csp_deDE.lng", 0, 0, 0, "deDE", true},     {"CSPdeDE.LNG", 0, 0, 0, "deDE", true},
        {"CSPfrFR.lng", 0, 0, 0, "deDE", false},     {"xCSPdeDE.lng", 0, 0, 0, "deDE", false},
        {"CSP002deDE.lng", 3, 1, 2, "deDE", true},   {"CSP003deDE.lng", 3, 1, 2, "deDE", false},
        {"CSPdeDE.txt", 0, 0, 0, "deDE", false},     {"CSPanything.lng", 0, 0, 0, "", true},
        {"CSP\xC3\xA9" "deDE.lng", 0, 0, 0, "deDE", false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(GStringPoolSupport::IsStringFile(GPathName(FromUtf8(std::string("/x/") + c.file)), GString("CSP"),
                                                   c.min, c.max, c.versionLength, GString(c.language)),
                  c.accepted);
    }
}

TEST(StringFileNameTest, LanguagesBecomeIetfTags)
{
    EXPECT_EQ(Utf8(GStringPoolSupport::ToIETF(GString("enUS"))), "en-US");
    EXPECT_EQ(Utf8(GStringPoolSupport::ToIETF(GString("jaJA"))), "ja-JP");
    EXPECT_EQ(Utf8(GStringPoolSupport::ToIETF(GString("zhCN"))), "zh-Hans");
    EXPECT_EQ(Utf8(GStringPoolSupport::ToIETF(GString("zhTW"))), "zh-Hant");
}

TEST_F(StringFileTest, DefaultFolderIsReadWhenALanguageIsFirstAskedFor)
{
    WriteFile(fFolder / "CSPdeDE.lng", "StringTable deDE WinAnsiEncoding\nString 1, \"eins\"\n");
    WriteFile(fFolder / "CSPfrFR.lng", "StringTable frFR WinAnsiEncoding\nString 1, \"un\"\n");
    WriteFile(fFolder / "other.lng", "StringTable deDE WinAnsiEncoding\nString 1, \"wrong\"\n");
    GStringPoolSupport::ReadStringFilesAndWildCardFiles(PathOf(fFolder.Path()), GString("CSP"), 0, 0, 0);
    GPathName folder;
    GString prefix;
    int min = -1, max = -1, length = -1;
    ASSERT_TRUE(GStringPoolSupport::GetDefaultStringFileParams(folder, prefix, min, max, length));
    EXPECT_EQ(folder, PathOf(fFolder.Path()));
    EXPECT_EQ(Text("deDE", 1), "eins");
    EXPECT_EQ(Text("frFR", 1), "un");
    GStringPoolSupport::Finalize();
    EXPECT_FALSE(GStringPoolSupport::GetDefaultStringFileParams(folder, prefix, min, max, length));
}

TEST_F(StringFileTest, WildCardFileMakesEveryLanguageReadAtOnce)
{
    WriteFile(fFolder / "CSPdeDE.lng", "StringTable deDE WinAnsiEncoding\nString 1, \"eins\"\n");
    WriteFile(fFolder / "wcAll.lng", "StringTable frFR WinAnsiEncoding\nString 2, \"deux\"\n");
    GStringPoolSupport::Finalize();
    GStringPoolSupport::ReadStringFilesAndWildCardFiles(PathOf(fFolder.Path()), GString("CSP"), 0, 0, 0);
    GPathName folder;
    GString prefix;
    int min, max, length;
    EXPECT_FALSE(GStringPoolSupport::GetDefaultStringFileParams(folder, prefix, min, max, length));
    EXPECT_EQ(Text("deDE", 1), "eins");
    EXPECT_EQ(Text("frFR", 2), "deux");
}

TEST_F(StringFileTest, DumpedPoolReadsBackEqual)
{
    Register("enUS", {{1, "one"}, {2, "tab\there \"quoted\" back\\slash\rline"}, {3, ""}});
    Register("deDE", {{1, "eins \xE4"}}, "MacRomanEncoding");
    Register("frFR", {{1, "un"}}, "WinAnsiEncoding");
    Register("frFR", {{7, "sept"}}, "MacRomanEncoding");
    TempFolder dump;
    GStringPoolSupport::SetProductPrefix(GString("Test"));
    GStringPoolSupport::WriteStringFiles(PathOf(dump.Path() / "out"));
    GStringPoolSupport::SetProductPrefix(GString(""));

    std::vector<std::pair<std::string, GDict<int, GString>>> before;
    for (char const* language : {"enUS", "deDE", "frFR"})
    {
        GDict<int, GString> strings;
        GStringPool::GetTable(GString(language))->GetAllStrings(strings);
        before.emplace_back(language, strings);
    }
    GStringPool::Finalize();
    GStringPool::Initialize();
    int read = GStringPoolSupport::ReadStringFiles(PathOf(dump.Path() / "out"), GString("TEST__STRINGFILE_"), 0,
                                                   0, 0, GString(""));
    EXPECT_EQ(read, 4);
    EXPECT_TRUE(testsupport::Exists(dump.Path() / "out" / "Test__StringFile_frFR_1.lng"));
    for (auto const& [language, strings] : before)
    {
        SCOPED_TRACE(language);
        GDict<int, GString> after;
        GStringPool::GetTable(GString(language.c_str()))->GetAllStrings(after);
        EXPECT_EQ(after.GetCount(), strings.GetCount());
        strings.ForEach([&](int id, GString const& text) {
            GString const* found = after.Find(id);
            ASSERT_NE(found, nullptr) << id;
            EXPECT_EQ(Utf8(*found), Utf8(text)) << id;
        });
    }
}
} // namespace
