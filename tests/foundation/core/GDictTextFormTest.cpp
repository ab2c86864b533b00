// The text form of the string dictionaries: written and read back in each encoding, the exact
// text, the string form, broken blocks and cut-off text, and the line end of every text form.
#include <gtest/gtest.h>

#include "LineEndingScope.h"
#include "TextFormTestSupport.h"

#include <map>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "GASCIIEncoding.h"
#include "GBin2TextStream.h"
#include "GBufferSupport.h"
#include "GDict.h"
#include "GDictUtil.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"
#include "GString.h"
#include "GText2BinStream.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace
{
using namespace textformtest;

using Pairs = std::map<std::u16string, std::u16string>;

using textformtest::U16;
std::u16string U16(GBuffer const& asciiKey)
{
    return std::u16string(asciiKey.GetPtr(), asciiKey.GetPtr() + asciiKey.GetLength());
}

GBuffer KeyOf(std::u16string const& text, GBuffer const*)
{
    return StringOf(text).GetBuffer(GASCIIEncoding::GetInstance());
}
GString KeyOf(std::u16string const& text, GString const*)
{
    return StringOf(text);
}

template<class K>
GDict<K, GString> DictOf(Pairs const& pairs)
{
    GDict<K, GString> dict;
    for (auto const& pair : pairs)
        dict.Put(KeyOf(pair.first, static_cast<K const*>(nullptr)), StringOf(pair.second));
    return dict;
}

template<class K>
Pairs PairsOf(GDict<K, GString> const& dict)
{
    Pairs pairs;
    dict.ForEach([&](K const& key, GString const& value) { pairs[U16(key)] = U16(value); });
    return pairs;
}

// Reads a dictionary that starts with a pair of its own, so that ReadFrom must empty it.
template<class K>
bool ReadBack(GBuffer const& bytes, GEncoding* encoding, Pairs& pairs)
{
    GMemoryInStream source(bytes);
    GBin2TextStream reader(source, encoding);
    GDict<K, GString> dict;
    dict.Put(KeyOf(u"left over", static_cast<K const*>(nullptr)), GString("x"));
    bool result = dict.ReadFrom(reader);
    pairs = PairsOf(dict);
    return result;
}

class GDictTextFormTest : public ::testing::Test
{
protected:
    testsupport::LineEndingScope fLineEnding{true, false};
};

// Keys are ASCII, so that both key types hold them; values use the escapes and the reader's chunks.
Pairs const cPairs = {
    {u"Plain", u"value"},
    {u"Empty", u""},
    {u"", u"empty key"},
    {u"Quote\"Key", u"say \"hi\""},
    {u"Back\\slash", u"C:\\dir\\n"},
    {u"Tab", u"a\tb"},
    {u"Break", u"first\rsecond"},
    {u"Hash", u"#ENDDICT"},
    {u"#ENDDICT", u"keyword as a key"},
    {u"Blanks", u"  around  "},
    {u"Long", std::u16string(400, u'v') + u"\\\"" + std::u16string(200, u'w')},
    // Combining marks after an escaped character stay apart from the escape's letter.
    {u"Marks", u"tab\t\u0301 line\r\u0300"},
};

// The pairs as the encoding holds them; a key of bytes is read back as ASCII.
template<class K>
Pairs HeldBy(Pairs const& pairs, GEncoding const* encoding)
{
    Pairs held;
    for (auto const& pair : pairs)
    {
        std::u16string key = textformtest::HeldBy(pair.first, encoding);
        if (std::is_same<K, GBuffer>::value)
            key = U16(KeyOf(key, static_cast<GBuffer const*>(nullptr)));
        held[key] = textformtest::HeldBy(pair.second, encoding);
    }
    return held;
}
} // namespace

TEST_F(GDictTextFormTest, WrittenDictionaryReadsBackPairForPair)
{
    for (WriterCase const& c : WriterCases())
    {
        SCOPED_TRACE(c.fLabel);
        Pairs pairs = cPairs;
        pairs[u"Extra"] = c.fExtra;
        GEncoding* given = c.fEncoding == GUnicodeEncoding::GetInstance() ? nullptr : c.fEncoding;
        Pairs read;
        EXPECT_TRUE(ReadBack<GBuffer>(Written(DictOf<GBuffer>(pairs), c.fEncoding), given, read));
        EXPECT_EQ(read, HeldBy<GBuffer>(pairs, c.fEncoding));

        // String keys need not be ASCII.
        pairs[u"Key " + c.fExtra] = u"non-ASCII key";
        EXPECT_TRUE(ReadBack<GString>(Written(DictOf<GString>(pairs), c.fEncoding), given, read));
        EXPECT_EQ(read, HeldBy<GString>(pairs, c.fEncoding));
    }
}

TEST_F(GDictTextFormTest, WritesOneLineOfTwoQuotedStringsPerPair)
{
    GDict<GBuffer, GString> dict;
    dict.Put(GBuffer("key"), StringOf(u"va\"l\tue"));
    EXPECT_EQ(TextOf(Written(dict, GUTF8Encoding::GetInstance())),
              "#BEGINDICT\r\"key\" \"va\\\"l\\tue\"\r#ENDDICT\r");

    GBuffer wide = Written(dict, GUnicodeEncoding::GetInstance());
    ASSERT_GE(wide.GetLength(), 4);
    EXPECT_EQ(wide.GetPtr()[0], 0xFF);
    EXPECT_EQ(wide.GetPtr()[1], 0xFE);
    EXPECT_EQ(wide.GetPtr()[2], '#');
    EXPECT_EQ(wide.GetPtr()[3], 0);
}

TEST_F(GDictTextFormTest, LineEndOfTheTextFormsIsACarriageReturn)
{
    GString eol = GDictUtil::GetEOLString();
    EXPECT_EQ(U16(eol), u"\r");
    EXPECT_EQ(eol.GetEncoding().Get(), GASCIIEncoding::GetInstance());
}

TEST_F(GDictTextFormTest, StringFormReadsBack)
{
    GDict<GBuffer, GString> dict;
    dict.Put(GBuffer("k"), StringOf(u"a \"b\"\r\u00e9"));
    GString text;
    dict.ToString(text);
    EXPECT_EQ(U16(text), u"#BEGINDICT\r\"k\" \"a \\\"b\\\"\\n\u00e9\"\r#ENDDICT\r");

    GDict<GBuffer, GString> all = DictOf<GBuffer>(cPairs);
    all.ToString(text);
    GDict<GBuffer, GString> back;
    back.Put(GBuffer("left over"), GString("x"));
    EXPECT_TRUE(back.FromString(text));
    EXPECT_EQ(PairsOf(back), cPairs);

    EXPECT_FALSE(back.FromString(GString("not a dictionary")));
    EXPECT_EQ(back.GetCount(), 0);
}

TEST_F(GDictTextFormTest, ReadsBrokenBlocksAsFarAsTheyGo)
{
    struct ReadCase
    {
        char const* fLabel;
        std::string fText;
        bool fResult;
        Pairs fPairs;
    };
    std::vector<ReadCase> const cases = {
        {"no block", "\"a\" \"1\"\r#ENDDICT\r", false, {}},
        {"a table instead", "#BEGINTABLE\r\"a\"\r#ENDTABLE\r", false, {}},
        {"empty input", "", false, {}},
        {"empty block", "#BEGINDICT\r#ENDDICT\r", true, {}},
        {"ended by the end of the preferences", "#BEGINDICT\r\"a\" \"1\"\r#ENDPREFS\r", true, {{u"a", u"1"}}},
        {"ended by any keyword", "#BEGINDICT\r\"a\" \"1\"\r#\r", true, {{u"a", u"1"}}},
        {"key without value",
         "#BEGINDICT\r\"a\" \"1\"\r\"b\"\r\"c\" \"3\"\r#ENDDICT\r",
         false,
         {{u"a", u"1"}}},
        {"value on the next line", "#BEGINDICT\r\"a\"\r\"1\"\r#ENDDICT\r", false, {}},
        {"key and junk", "#BEGINDICT\r\"a\" 1\r#ENDDICT\r", false, {}},
        {"no end", "#BEGINDICT\r\"a\" \"1\"\r\"b\" \"2\"\r", false, {{u"a", u"1"}, {u"b", u"2"}}},
        {"unterminated value", "#BEGINDICT\r\"a\" \"1\"\r\"b\" \"2", false, {{u"a", u"1"}}},
        {"a line that is no pair",
         "#BEGINDICT\r\"a\" \"1\"\rjunk\r\"b\" \"2\"\r#ENDDICT\r",
         false,
         {{u"a", u"1"}}},
        {"an empty line", "#BEGINDICT\r\"a\" \"1\"\r\r\"b\" \"2\"\r#ENDDICT\r", false, {{u"a", u"1"}}},
        {"a key read again replaces its value",
         "#BEGINDICT\r\"a\" \"1\"\r\"a\" \"2\"\r#ENDDICT\r",
         true,
         {{u"a", u"2"}}},
        {"the rest of a pair's line is dropped",
         "#BEGINDICT\r\"a\" \"1\" junk\r\t\"b\"\t \"2\"\r#ENDDICT\r",
         true,
         {{u"a", u"1"}, {u"b", u"2"}}},
        {"CR LF line ends",
         "#BEGINDICT\r\n\"a\" \"1\"\r\n\"b\" \"2\"\r\n#ENDDICT\r\n",
         true,
         {{u"a", u"1"}, {u"b", u"2"}}},
        {"LF line ends", "#BEGINDICT\n\"a\" \"1\"\n#ENDDICT\n", true, {{u"a", u"1"}}},
        {"a value spanning lines", "#BEGINDICT\r\"a\" \"1\r2\"\r#ENDDICT\r", true, {{u"a", u"1\r2"}}},
    };
    for (ReadCase const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        Pairs read;
        EXPECT_EQ(ReadBack<GBuffer>(BufferOf(c.fText), nullptr, read), c.fResult);
        EXPECT_EQ(read, c.fPairs);
        EXPECT_EQ(ReadBack<GString>(BufferOf(c.fText), nullptr, read), c.fResult);
        EXPECT_EQ(read, c.fPairs);
    }
}

TEST_F(GDictTextFormTest, LeavesTheReaderAfterTheBlocksLastLine)
{
    GBuffer bytes =
        BufferOf("#BEGINDICT\r\"a\" \"1\"\r#ENDDICT trailing\r#BEGINDICT\r\"b\" \"2\"\r#ENDDICT\r");
    GMemoryInStream source(bytes);
    GBin2TextStream reader(source, nullptr);
    GDict<GString, GString> first;
    GDict<GString, GString> second;
    EXPECT_TRUE(first.ReadFrom(reader));
    EXPECT_TRUE(second.ReadFrom(reader));
    EXPECT_EQ(PairsOf(first), (Pairs{{u"a", u"1"}}));
    EXPECT_EQ(PairsOf(second), (Pairs{{u"b", u"2"}}));
}

// Every cut of a written dictionary, 8-bit and UTF-16 (cuts inside a unit included): the pairs read
// are written ones with their values, more text never gives fewer, and the result is true exactly
// when the cut keeps the "#" of "#ENDDICT".
TEST_F(GDictTextFormTest, CutOffTextKeepsThePairsBeforeTheCut)
{
    Pairs const pairs = {{u"a", u"one"}, {u"b\"", u"t\\wo"}, {u"c", u""}, {u"d", u"f\tour\r"}};
    for (GEncoding* encoding : {static_cast<GEncoding*>(GUTF8Encoding::GetInstance()),
                                static_cast<GEncoding*>(GUnicodeEncoding::GetInstance())})
    {
        bool const wide = encoding == GUnicodeEncoding::GetInstance();
        SCOPED_TRACE(wide ? "UTF-16" : "UTF-8");
        GBuffer const bytes = Written(DictOf<GBuffer>(pairs), encoding);
        int const end = wide ? bytes.FindSubBuffer(StringOf(u"#ENDDICT").GetBuffer(encoding), 0, false)
                             : bytes.FindSubBuffer(GBuffer("#ENDDICT"), 0, false);
        ASSERT_GT(end, 0);
        std::size_t previous = 0;
        for (int cut = 0; cut <= bytes.GetLength(); ++cut)
        {
            SCOPED_TRACE("cut at " + std::to_string(cut));
            Pairs read;
            bool result = ReadBack<GBuffer>(bytes.GetSubBuffer(0, cut), wide ? nullptr : encoding, read);
            EXPECT_EQ(result, cut >= end + (wide ? 2 : 1));
            for (auto const& pair : read)
            {
                auto const written = pairs.find(pair.first);
                ASSERT_NE(written, pairs.end());
                EXPECT_EQ(pair.second, written->second);
            }
            EXPECT_GE(read.size(), previous);
            previous = read.size();
            if (result)
            {
                EXPECT_EQ(read.size(), pairs.size());
            }
        }
    }
}

// Random bytes after a valid start, and random damage to a written dictionary: no crash, and a
// damaged text keeps the pairs whose lines lie wholly before the damage.
TEST_F(GDictTextFormTest, DamagedTextKeepsThePairsBeforeTheDamage)
{
    Pairs pairs;
    // Keys differ in two places, so that no single damaged byte turns one into another.
    for (int i = 0; i < 10; ++i)
        pairs[u"Key" + std::u16string(2, static_cast<char16_t>(u'0' + i))] =
            u"v\"a\\l\t" + std::u16string(static_cast<std::size_t>(i), u'x');
    // One key per line, in the order written.
    GDict<GBuffer, GString> const dict = DictOf<GBuffer>(pairs);
    std::vector<std::u16string> order;
    dict.ForEach([&](GBuffer const& key, GString const&) { order.push_back(U16(key)); });
    std::string const text = TextOf(Written(dict, GUTF8Encoding::GetInstance()));

    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round)
    {
        std::string damaged = text;
        std::size_t at = random() % damaged.size();
        damaged[at] = static_cast<char>(random());
        if (round % 3 == 0)
        {
            // Random bytes from the damage on.
            for (std::size_t i = at; i < damaged.size(); ++i)
                damaged[i] = static_cast<char>(random());
        }
        SCOPED_TRACE("damage at " + std::to_string(at));
        std::size_t intact = 0;
        for (std::size_t i = 0; i < at; ++i)
            intact += text[i] == '\r';
        intact = intact > 0 ? std::min(intact - 1, order.size()) : 0;
        Pairs read;
        ReadBack<GBuffer>(BufferOf(damaged), GUTF8Encoding::GetInstance(), read);
        for (std::size_t i = 0; i < intact; ++i)
        {
            auto const found = read.find(order[i]);
            ASSERT_NE(found, read.end()) << "pair " << i;
            EXPECT_EQ(found->second, pairs.at(order[i]));
        }
    }
}
