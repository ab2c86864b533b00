// The string pool: lookup order over the "Neutral", current and English tables, the current language,
// and the registration of built-in tables (id rule, line ends, hex rows, encodings).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GBuffer.h"
#include "GMacRomanEncoding.h"
#include "GSimpleException.h"
#include "GString.h"
#include "GStringPool.h"
#include "GStringPoolSupport.h"
#include "GStringPoolTable.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"
#include "StringPoolTestSupport.h"
#include "macos/CFArrayStandIn.h"
#include "macos/CFPreferencesStandIn.h"

using namespace stringpooltest;

namespace
{
class StringPoolTest : public StringPoolFixture
{
protected:
    void SetUp() override
    {
        StringPoolFixture::SetUp();
        Register("Neutral", {{1, "neutral 1"}});
        Register("deDE", {{1, "deutsch 1"}, {2, "deutsch 2"}});
        Register("enUS", {{1, "english 1"}, {2, "english 2"}, {3, "english 3"}});
    }
};

TEST_F(StringPoolTest, LooksUpNeutralThenCurrentLanguageThenEnglish)
{
    ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    struct Case
    {
        int id;
        std::string text;
    };
    for (Case const& c : std::vector<Case>{{1, "neutral 1"}, {2, "deutsch 2"}, {3, "english 3"}})
    {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(Utf8(GStringPool::GetString(c.id)), c.text);
        GString out("stale");
        EXPECT_TRUE(GStringPool::GetString(c.id, out));
        EXPECT_EQ(Utf8(out), c.text);
    }
}

TEST_F(StringPoolTest, IdInNoTableGivesTheSharedEmptyStringAndNeverThrows)
{
    ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    EXPECT_EQ(&GStringPool::GetString(4), &GString::cEmptyString);
    GString out("stale");
    EXPECT_FALSE(GStringPool::GetString(4, out));
    EXPECT_TRUE(out.IsEmpty());
}

TEST_F(StringPoolTest, EnglishTextServesWhileEnglishIsCurrent)
{
    EXPECT_EQ(Utf8(GStringPool::GetLanguage()), "enUS");
    EXPECT_EQ(Utf8(GStringPool::GetString(1)), "neutral 1");
    EXPECT_EQ(Utf8(GStringPool::GetString(2)), "english 2");
}

TEST_F(StringPoolTest, LanguageWithoutTableLeavesEnglishCurrent)
{
    ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    EXPECT_EQ(GStringPool::GetLanguageUTF8(), GBuffer("deDE"));

    EXPECT_FALSE(GStringPool::SetLanguage(GString("frFR")));
    EXPECT_EQ(Utf8(GStringPool::GetLanguage()), "enUS");
    EXPECT_EQ(GStringPool::GetLanguageUTF8(), GBuffer("enUS"));
    EXPECT_EQ(Utf8(GStringPool::GetString(2)), "english 2");
}

TEST_F(StringPoolTest, NeutralCanBeCurrentAndEnglishStillBacksIt)
{
    EXPECT_TRUE(GStringPool::SetLanguage(GString("Neutral")));
    EXPECT_EQ(Utf8(GStringPool::GetString(1)), "neutral 1");
    EXPECT_EQ(Utf8(GStringPool::GetString(3)), "english 3");
}

TEST_F(StringPoolTest, LanguageOfItsOwnHasNoFallback)
{
    GString out("stale");
    EXPECT_TRUE(GStringPool::GetString(GString("deDE"), 2, out));
    EXPECT_EQ(Utf8(out), "deutsch 2");
    EXPECT_FALSE(GStringPool::GetString(GString("deDE"), 3, out));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_TRUE(GStringPool::GetString(GString("frFR"), 1).IsEmpty());
    // A language id made in another encoding finds the same table.
    EXPECT_EQ(Utf8(GStringPool::GetString(FromUtf8("deDE"), 1)), "deutsch 1");
}

TEST_F(StringPoolFixture, RowIdMinusOneFollowsThePreviousRow)
{
    Register("enUS", {{100, "a"}, {-1, "b"}, {-1, "c"}, {200, "d"}, {-1, "e"}});
    Register("deDE", {{-1, "zero"}, {-1, "one"}});
    struct Case
    {
        int id;
        std::string text;
    };
    for (Case const& c :
         std::vector<Case>{{100, "a"}, {101, "b"}, {102, "c"}, {103, ""}, {200, "d"}, {201, "e"}})
    {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(Utf8(GStringPool::GetString(c.id)), c.text);
    }
    EXPECT_EQ(Utf8(GStringPool::GetString(GString("deDE"), 0)), "zero");
    EXPECT_EQ(Utf8(GStringPool::GetString(GString("deDE"), 1)), "one");
}

TEST_F(StringPoolFixture, BuiltInRowNeverReplacesAnEntry)
{
    Register("enUS", {{7, "first"}});
    Register("enUS", {{7, "second"}, {8, "eight"}});
    EXPECT_EQ(Utf8(GStringPool::GetString(7)), "first");
    EXPECT_EQ(Utf8(GStringPool::GetString(8)), "eight");

    // What a string file does: the entry is replaced.
    GStringPool::GetTable(GString("enUS"))
        ->SetString(7, GString("replaced"), GWinAnsiEncoding::GetInstance());
    EXPECT_EQ(Utf8(GStringPool::GetString(7)), "replaced");
}

TEST_F(StringPoolFixture, LineEndsOfTextRowsBecomeCarriageReturns)
{
    struct Case
    {
        char const* row;
        std::string text;
    };
    std::vector<Case> const cases = {
        {"a\nb", "a\rb"},     {"a\r\nb", "a\rb"},     {"a\rb", "a\rb"},     {"a\n\nb", "a\r\rb"},
        {"\r\n\r\n", "\r\r"}, {"a\n\r\nb", "a\r\rb"}, {"a\r\rb", "a\r\rb"}, {"end\n", "end\r"},
    };
    std::vector<GStringPoolDataStruct> rows;
    for (Case const& c : cases)
        rows.push_back({-1, c.row});
    Register("enUS", rows);
    for (int i = 0; i < int(cases.size()); ++i)
    {
        SCOPED_TRACE(cases[i].row);
        EXPECT_EQ(Utf8(GStringPool::GetString(i)), cases[i].text);
    }
}

TEST_F(StringPoolFixture, HexRowsAreDecodedBeforeTheyAreRead)
{
    struct Case
    {
        char const* row;
        std::string text;
    };
    std::vector<Case> const cases = {
        {"48690a", "Hi\n"},     // decoded line ends stay as they are
        {"4A4b", "JK"},         // either case
        {"5c6e", "\r"},         // backslash and n: the line end
        {"5c74", "\t"},         // backslash and t: a tab
        {"616e", "an"},         // n after anything else stays
        {"5c5c74", "\\\t"},     // the decoded backslash before t counts
        {"6e", "n"},            // the first pair is never translated
        {"41424", "AB"},        // a digit without partner is dropped
        {"80", "\xE2\x82\xAC"}, // then read in the encoding: 0x80 is the euro sign
        {"4G", "\xC3\xBF"},     // a bad second digit makes the byte FF
        {"G1", "\xC3\xB1"},     // a bad first digit gives the high nibble F
        {"", ""},
    };
    std::vector<GStringPoolDataStruct> rows;
    for (Case const& c : cases)
        rows.push_back({-1, c.row});
    Register("enUS", rows, "WinAnsiEncoding", true);
    for (int i = 0; i < int(cases.size()); ++i)
    {
        SCOPED_TRACE(cases[i].row);
        EXPECT_EQ(Utf8(GStringPool::GetString(i)), cases[i].text);
    }
}

TEST_F(StringPoolFixture, WinAnsiRowsReadAsWinAnsi)
{
    Register("enUS", {{1, "\x80 5"}, {2, "\x93quoted\x94"}, {3, "caf\xE9"}, {4, "\x9F"}});
    GBuffer utf16;
    GStringPool::GetString(1).GetBuffer(utf16, GUnicodeEncoding::GetInstance());
    ASSERT_EQ(utf16.GetLength(), 6);
    EXPECT_EQ(utf16.GetPtr()[0] | utf16.GetPtr()[1] << 8, 0x20AC);
    EXPECT_EQ(Utf8(GStringPool::GetString(2)), "\xE2\x80\x9Cquoted\xE2\x80\x9D");
    EXPECT_EQ(Utf8(GStringPool::GetString(3)), "caf\xC3\xA9");
    EXPECT_EQ(Utf8(GStringPool::GetString(4)), "\xC5\xB8");
}

TEST_F(StringPoolFixture, RowsOfOtherEncodingsReadInTheirEncoding)
{
    Register("enUS", {{1, "\x80"}}, "MacRomanEncoding");
    Register("enUS", {{2, "\xE2\x82\xAC\n"}}, "UTF8Encoding");
    // UTF-16 rows end at a zero unit and have their line ends turned on whole units; the language
    // code is given in the rows' encoding too.
    static char16_t const wide[] = u"a\r\nb\n\u20AC";
    GStringPoolDataStruct row = {3, reinterpret_cast<char const*>(wide)};
    GStringPoolSupport::AddStringPoolData(GBuffer(reinterpret_cast<unsigned char const*>(u"enUS"), 8),
                                          "UnicodeEncoding", &row, 1, false);
    EXPECT_EQ(Utf8(GStringPool::GetString(1)), "\xC3\x84");
    EXPECT_EQ(Utf8(GStringPool::GetString(2)), "\xE2\x82\xAC\r");
    EXPECT_EQ(Utf8(GStringPool::GetString(3)), "a\rb\r\xE2\x82\xAC");
}

TEST_F(StringPoolFixture, RowWithoutATextRegistersAnEmptyText)
{
    struct Case
    {
        char const* fEncoding;
        bool fHex;
        int fID;
    };
    // In UTF-16 the missing text must still end at a whole zero unit.
    Case const cases[] = {
        {"WinAnsiEncoding", false, 1}, {"WinAnsiEncoding", true, 2}, {"UnicodeEncoding", false, 3}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.fEncoding << (c.fHex ? " hex" : ""));
        bool const wide = c.fEncoding == std::string("UnicodeEncoding");
        GBuffer const language =
            wide ? GBuffer(reinterpret_cast<unsigned char const*>(u"enUS"), 8) : GBuffer("enUS");
        GStringPoolDataStruct row = {c.fID, nullptr};
        GStringPoolSupport::AddStringPoolData(language, c.fEncoding, &row, 1, c.fHex);
        GString out("stale");
        EXPECT_TRUE(GStringPool::GetString(c.fID, out));
        EXPECT_TRUE(out.IsEmpty());
    }
}

TEST_F(StringPoolFixture, TablesKeepTheEncodingTheTextWasGivenIn)
{
    Register("enUS", {{1, "plain"}});
    GStringPoolTable::Entry const* entry = GStringPool::GetTable(GString("enUS"))->FindStringForID(1);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->second, GWinAnsiEncoding::GetInstance());
    EXPECT_EQ(entry->first.GetEncoding().Get(), GWinAnsiEncoding::GetInstance());
}

TEST_F(StringPoolFixture, UnknownEncodingNameRegistersNothing)
{
    for (char const* name : {"winansiencoding", "UTF-8Encoding", "Latin1", ""})
    {
        SCOPED_TRACE(name);
        try
        {
            Register("frFR", {{1, "texte"}}, name);
            ADD_FAILURE() << "no exception";
        }
        catch (GSimpleException const& e)
        {
            EXPECT_EQ(e.GetExceptionID(), 40017);
        }
    }
    EXPECT_FALSE(GStringPool::SetLanguage(GString("frFR")));
    EXPECT_TRUE(GStringPool::GetString(1).IsEmpty());
}

TEST(StringPoolEncodingNames, NamesMapToTheInstalledSingletonsByteForByte)
{
    struct Case
    {
        char const* name;
        GEncoding* encoding;
    };
    std::vector<Case> const cases = {
        {"WinAnsiEncoding", GWinAnsiEncoding::GetInstance()},
        {"MacRomanEncoding", GMacRomanEncoding::GetInstance()},
        {"UnicodeEncoding", GUnicodeEncoding::GetInstance()},
        {"UTF8Encoding", GUTF8Encoding::GetInstance()},
        {"UTF-8Encoding", nullptr},
        {"WinAnsiEncoding ", nullptr},
        {"WINANSIENCODING", nullptr},
        {"PDFDocEncoding", nullptr},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GStringPoolSupport::GetEncoding(GBuffer(c.name)), c.encoding);
    }
}

TEST(StringPoolLifecycle, FinalizeForgetsEverythingAndThePoolComesBackEmpty)
{
    GStringPool::Initialize();
    Register("enUS", {{1, "one"}});
    Register("deDE", {{1, "eins"}});
    ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    GStringPool::Finalize();

    // Lookups outside the pool's life answer empty instead of failing.
    EXPECT_EQ(&GStringPool::GetString(1), &GString::cEmptyString);
    EXPECT_TRUE(GStringPool::GetLanguage().IsEmpty());

    GStringPool::Initialize();
    EXPECT_EQ(Utf8(GStringPool::GetLanguage()), "enUS");
    EXPECT_TRUE(GStringPool::GetString(1).IsEmpty());
    EXPECT_FALSE(GStringPool::SetLanguage(GString("deDE")));
    GStringPool::Finalize();
}

TEST_F(StringPoolTest, TextReferencesOutliveGrowthAndDeletedLanguagesUntilFinalize)
{
    ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    GString const& neutral = GStringPool::GetString(1);
    GString const& german = GStringPool::GetString(2);
    GString const& english = GStringPool::GetString(3);
    // Enough entries to make every table grow several times over.
    std::vector<std::string> texts;
    for (int i = 0; i < 500; ++i)
        texts.push_back("text " + std::to_string(i));
    for (char const* language : {"Neutral", "deDE", "enUS"})
    {
        std::vector<GStringPoolDataStruct> rows;
        for (int i = 0; i < 500; ++i)
            rows.push_back({1000 + i, texts[std::size_t(i)].c_str()});
        Register(language, rows);
    }
    GStringPool::DeleteLanguage(GString("deDE"));
    EXPECT_EQ(Utf8(neutral), "neutral 1");
    EXPECT_EQ(Utf8(german), "deutsch 2");
    EXPECT_EQ(Utf8(english), "english 3");

    // A string file replacing an entry keeps its place: the reference shows the new text.
    GStringPool::GetTable(GString("enUS"))->SetString(3, GString("english three"), nullptr);
    EXPECT_EQ(Utf8(english), "english three");
}

TEST_F(StringPoolTest, DeletingALanguageFallsBackToEnglishAndKeepsEnglishAndNeutral)
{
    ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    GStringPool::DeleteLanguage(GString("deDE"));
    EXPECT_EQ(Utf8(GStringPool::GetLanguage()), "enUS");
    EXPECT_EQ(Utf8(GStringPool::GetString(2)), "english 2");
    EXPECT_FALSE(GStringPool::SetLanguage(GString("deDE"))) << "no table, and its files were looked for";

    for (char const* kept : {"enUS", "Neutral"})
    {
        SCOPED_TRACE(kept);
        GStringPool::DeleteLanguage(GString(kept));
        EXPECT_EQ(Utf8(GStringPool::GetString(1)), "neutral 1");
        EXPECT_EQ(Utf8(GStringPool::GetString(3)), "english 3");
        EXPECT_TRUE(GStringPool::SetLanguage(GString(kept)));
        GStringPool::SetLanguage(GString("enUS"));
    }
    GStringPool::DeleteLanguage(GString("frFR")); // never had a table
    EXPECT_EQ(Utf8(GStringPool::GetAvailableLanguages()[0]), "enUS");
    EXPECT_EQ(GStringPool::GetNumAvailableLanguages(), 1);
}

TEST_F(StringPoolFixture, StringListRunsUpToTheFirstMissingId)
{
    Register("enUS", {{5, "five"}, {6, "six"}, {8, "eight"}});
    Register("Neutral", {{7, "seven"}});
    GTable<GString> list = GStringPool::GetStringList(5);
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(Utf8(list[2]), "seven");
    EXPECT_EQ(Utf8(list[3]), "eight");
    list.AddItem(GString("stale"));
    GStringPool::GetStringList(9, list);
    EXPECT_EQ(list.GetCount(), 0);
    Register("enUS", {{2147483647, "last"}});
    EXPECT_EQ(GStringPool::GetStringList(2147483647).GetCount(), 1) << "no id after the largest";
}

TEST_F(StringPoolFixture, AvailableLanguagesAreFixedByTheirFirstUse)
{
    Register("deDE", {{1, "eins"}});
    Register("frFR", {{1, "un"}});
    GTable<GString> const& available = GStringPool::GetAvailableLanguages();
    ASSERT_EQ(available.GetCount(), 3);
    EXPECT_EQ(Utf8(available[0]), "enUS");
    EXPECT_EQ(Utf8(available[1]), "deDE");
    EXPECT_EQ(Utf8(available[2]), "frFR");
    Register("esES", {{1, "uno"}});
    EXPECT_EQ(GStringPool::GetNumAvailableLanguages(), 3);
}

TEST_F(StringPoolTest, ForcedLanguagesComeBackInTurn)
{
    Register("frFR", {{2, "francais 2"}});
    {
        GStringPool::TempLanguageForcer outer(GString("deDE"));
        EXPECT_TRUE(outer.WasForced());
        EXPECT_EQ(Utf8(GStringPool::GetString(2)), "deutsch 2");
        {
            GStringPool::TempLanguageForcer inner(GString("frFR"));
            EXPECT_TRUE(inner.WasForced());
            EXPECT_EQ(Utf8(GStringPool::GetString(2)), "francais 2");
            GStringPool::TempLanguageForcer same(GString("frFR"));
            EXPECT_FALSE(same.WasForced());
        }
        EXPECT_EQ(Utf8(GStringPool::GetLanguage()), "deDE");
    }
    EXPECT_EQ(Utf8(GStringPool::GetLanguage()), "enUS");
    {
        // A language without a table gives English, which was current already.
        GStringPool::TempLanguageForcer missing(GString("itIT"));
        EXPECT_FALSE(missing.WasForced());
    }
    ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    {
        GStringPool::TempLanguageForcer english(GString("enUS"));
        // The language it replaced goes while it is forced: English comes back instead.
        GStringPool::DeleteLanguage(GString("deDE"));
    }
    EXPECT_EQ(Utf8(GStringPool::GetLanguage()), "enUS");
}

TEST_F(StringPoolFixture, PreferredLanguageFollowsTheUsersList)
{
    auto setUserLanguages = [](std::vector<char const*> const& languages)
    {
        CFArrayRef array = nullptr;
        if (!languages.empty())
        {
            std::vector<void const*> values;
            for (char const* language : languages)
                values.push_back(
                    CFStringCreateWithCString(kCFAllocatorDefault, language, kCFStringEncodingUTF8));
            array = CFArrayCreate(kCFAllocatorDefault, values.data(), CFIndex(values.size()),
                                  &kCFTypeArrayCallBacks);
            for (void const* value : values)
                CFRelease(value);
        }
        CFPreferencesSetValue(CFSTR("AppleLanguages"), array, kCFPreferencesAnyApplication,
                              kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
        if (array)
            CFRelease(array);
    };
    GTable<GString> offered;
    offered.AddItem(GString("enUS"));
    offered.AddItem(FromUtf8("frFR"));
    offered.AddItem(GString("deDE"));
    GString chosen("stale");
    setUserLanguages({"de-CH", "fr"});
    GStringPool::GetPreferredLanguage(offered, chosen);
    EXPECT_EQ(Utf8(chosen), "deDE");
    setUserLanguages({"it", "fr-FR"});
    GStringPool::GetPreferredLanguage(offered, chosen);
    EXPECT_EQ(Utf8(chosen), "frFR");
    setUserLanguages({"ja"});
    GStringPool::GetPreferredLanguage(offered, chosen);
    EXPECT_EQ(Utf8(chosen), "enUS");
    CFPreferencesStandInReset();
}
} // namespace
