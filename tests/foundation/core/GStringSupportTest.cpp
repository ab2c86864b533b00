// String utilities: splitting and joining, search and replace, white space, guessing and choosing
// encodings, quoting, comparing, scrambling, matching, natural order and numbered copies of names.
#include "GStringSupport.h"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "HelperProcess.h"
#include "LineEndingScope.h"

#include "GASCIIEncoding.h"
#include "GBuffer.h"
#include "GBufferSupport.h"
#include "GEncryptOutStream.h"
#include "GMacRomanEncoding.h"
#include "GPair.h"
#include "GRange.h"
#include "GShiftJISEncoding.h"
#include "GString.h"
#include "GTable.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace
{
// The encoding a case's text is given in; it is written in UTF-16 and brought there.
enum class From
{
    Unicode,
    ASCII,
    WinAnsi,
};

char const* NameOf(From from)
{
    return from == From::Unicode ? "UTF-16" : (from == From::ASCII ? "ASCII" : "WinAnsi");
}

GEncoding const* EncodingOf(From from)
{
    switch (from)
    {
    case From::ASCII:
        return GASCIIEncoding::GetInstance();
    case From::WinAnsi:
        return GWinAnsiEncoding::GetInstance();
    case From::Unicode:
        break;
    }
    return GUnicodeEncoding::GetInstance();
}

GString Make(std::u16string const& text, From from = From::Unicode)
{
    GString unicode(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(2 * text.size()),
                    GUnicodeEncoding::GetInstance(), true);
    if (from == From::Unicode)
        return unicode;
    GEncoding const* encoding = EncodingOf(from);
    return GString(unicode.GetBuffer(encoding), encoding, true);
}

std::u16string UnitsOf(GString const& text)
{
    GBuffer const utf16 = text.GetBuffer(GUnicodeEncoding::GetInstance());
    return std::u16string(reinterpret_cast<char16_t const*>(utf16.GetPtr()),
                          static_cast<std::size_t>(utf16.GetLength() / 2));
}

std::string BytesOf(GBuffer const& buffer)
{
    return std::string(reinterpret_cast<char const*>(buffer.GetPtr()),
                       static_cast<std::size_t>(buffer.GetLength()));
}

GBuffer Buffer(std::string const& bytes)
{
    return GBuffer(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()));
}

bool IsUnicode(GString const& text)
{
    return text.GetEncoding().Get() == GUnicodeEncoding::GetInstance();
}

std::vector<std::u16string> Pieces(GTable<GString> const& table)
{
    std::vector<std::u16string> pieces;
    for (int i = 0; i < table.GetCount(); ++i)
        pieces.push_back(UnitsOf(table[i]));
    return pieces;
}

using LineEnding = testsupport::LineEndingScope;
} // namespace

// --- white space ---

TEST(GStringSupportTest, WhiteSpaceIsSixCodesAndNotFormFeed)
{
    for (int c = 0; c < 256; ++c)
    {
        SCOPED_TRACE(c);
        bool const expected = c == 8 || c == 9 || c == 10 || c == 11 || c == 13 || c == 32;
        EXPECT_EQ(GStringSupport::IsWhiteSpace(static_cast<unsigned char>(c)), expected);
        EXPECT_EQ(GStringSupport::IsWhiteSpace(static_cast<unsigned short>(c)), expected);
        EXPECT_EQ(GStringSupport::IsWhiteSpace(static_cast<char>(c)), expected);
    }
    // Units above 255 are never white space, whatever their low byte.
    for (unsigned short unit : {0x0109, 0x0120, 0x2000, 0x3000, 0x00A0})
        EXPECT_FALSE(GStringSupport::IsWhiteSpace(unit)) << unit;
}

TEST(GStringSupportTest, StripsWhiteSpaceAndClearsWhatIsOnlyWhiteSpace)
{
    struct Case
    {
        std::u16string text;
        std::u16string leading;
        std::u16string trailing;
    };
    Case const cases[] = {
        {u"  \tx \r\n", u"x \r\n", u"  \tx"},
        {u"\fx\f", u"\fx\f", u"\fx\f"},
        {u"\b\vx y\v\b", u"x y\v\b", u"\b\vx y"},
        {u"x", u"x", u"x"},
        {u" \t\r\n", u"", u""},
        {u"", u"", u""},
    };
    for (Case const& c : cases)
    {
        // WinAnsi holds no backspace, vertical tab or form feed.
        for (From from : {From::Unicode, From::ASCII})
        {
            SCOPED_TRACE(testing::PrintToString(UnitsOf(Make(c.text))) + " " + NameOf(from));
            GString leading = Make(c.text, from);
            GStringSupport::StripLeadingWhiteSpace(leading);
            EXPECT_EQ(UnitsOf(leading), c.leading);
            GString trailing = Make(c.text, from);
            GString& same = GStringSupport::StripTrailingWhiteSpace(trailing);
            EXPECT_EQ(&same, &trailing);
            EXPECT_EQ(UnitsOf(trailing), c.trailing);
            if (c.leading.empty())
                EXPECT_EQ(leading.GetEncoding().Get(), nullptr);
            else
                EXPECT_TRUE(IsUnicode(leading));
        }
    }
    // Both ends of the text from the examples.
    GString text = Make(u"  \tx \r\n");
    GStringSupport::StripTrailingWhiteSpace(GStringSupport::StripLeadingWhiteSpace(text));
    EXPECT_EQ(UnitsOf(text), u"x");
}

// --- splitting, joining, replacing ---

TEST(GStringSupportTest, SplitsAtEveryOccurrenceOfTheSeparator)
{
    struct Case
    {
        std::u16string text;
        std::u16string separator;
        bool keepEmpty;
        std::vector<std::u16string> pieces;
    };
    Case const cases[] = {
        {u"a,,b", u",", true, {u"a", u"", u"b"}},
        {u"a,,b", u",", false, {u"a", u"b"}},
        {u",a,", u",", true, {u"", u"a", u""}},
        {u",a,", u",", false, {u"a"}},
        {u"", u",", true, {u""}},
        {u"", u",", false, {}},
        {u"abc", u",", false, {u"abc"}},
        {u"a, b, c", u", ", true, {u"a", u"b", u"c"}},
        {u"a,,,b", u",,", true, {u"a", u",b"}},
        {u"/a/b", u"/", true, {u"", u"a", u"b"}},
        {u"a/", u"/", true, {u"a", u""}},
        {u"\u00E9\u20AC\u00E9", u"\u20AC", true, {u"\u00E9", u"\u00E9"}},
        // An empty separator splits nothing: the whole text is the one piece.
        {u"abc", u"", true, {u"abc"}},
        {u"abc", u"", false, {u"abc"}},
        {u"", u"", true, {u""}},
        {u"", u"", false, {}},
    };
    for (Case const& c : cases)
    {
        for (From from : {From::Unicode, From::WinAnsi})
        {
            SCOPED_TRACE(testing::PrintToString(UnitsOf(Make(c.text))) + (c.keepEmpty ? " keep " : " drop ") +
                         NameOf(from));
            GTable<GString> out;
            out.AddItem(GString("stale"));
            GStringSupport::SeparatedStringToStringTable(Make(c.text, from), Make(c.separator, from), out,
                                                         c.keepEmpty);
            EXPECT_EQ(Pieces(out), c.pieces);
            for (int i = 0; i < out.GetCount(); ++i)
                EXPECT_TRUE(IsUnicode(out[i]));
        }
    }
}

TEST(GStringSupportTest, SplitsATextThatIsOneOfTheOutputStrings)
{
    GTable<GString> out;
    out.AddItem(Make(u"x;y;z"));
    GStringSupport::SeparatedStringToStringTable(out[0], GString(";"), out, true);
    EXPECT_EQ(Pieces(out), (std::vector<std::u16string>{u"x", u"y", u"z"}));
}

TEST(GStringSupportTest, JoinsWithTheSeparatorBetweenNeighbours)
{
    struct Case
    {
        std::vector<std::u16string> items;
        std::u16string separator;
        std::u16string text;
    };
    Case const cases[] = {
        {{u"a", u"b", u"c"}, u", ", u"a, b, c"},
        {{u"a"}, u", ", u"a"},
        {{u"", u""}, u"/", u"/"},
        {{u"\u00E9", u"\u20AC"}, u"-", u"\u00E9-\u20AC"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.text));
        GTable<GString> items;
        for (std::u16string const& item : c.items)
            items.AddItem(Make(item));
        GString out("stale");
        GStringSupport::StringTableToSeparatedString(items, Make(c.separator), out);
        EXPECT_EQ(UnitsOf(out), c.text);
    }

    // An empty table leaves a cleared string; pieces of one encoding keep it.
    GString out("stale");
    GStringSupport::StringTableToSeparatedString(GTable<GString>(), GString(", "), out);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(out.GetEncoding().Get(), nullptr);
    GTable<GString> ascii;
    ascii.AddItem(GString("a"));
    ascii.AddItem(GString("b"));
    GStringSupport::StringTableToSeparatedString(ascii, GString("+"), out);
    EXPECT_EQ(out.GetEncoding().Get(), GASCIIEncoding::GetInstance());
    EXPECT_EQ(BytesOf(out.GetBuffer(GASCIIEncoding::GetInstance())), "a+b");
    // The separator may be the output itself.
    GString separator(" & ");
    GStringSupport::StringTableToSeparatedString(ascii, separator, separator);
    EXPECT_EQ(UnitsOf(separator), u"a & b");
}

TEST(GStringSupportTest, ReplacesPairsInOrderWithoutRescanningReplacements)
{
    using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;
    struct Case
    {
        std::u16string text;
        Pairs pairs;
        std::u16string result;
    };
    Case const cases[] = {
        {u"abc", {{u"a", u"b"}, {u"b", u"c"}}, u"ccc"},
        {u"aaa", {{u"a", u"aa"}}, u"aaaaaa"},
        {u"aaaa", {{u"aa", u"b"}}, u"bb"},
        {u"aaa", {{u"aa", u"a"}}, u"aa"},
        {u"a-b-c", {{u"-", u""}}, u"abc"},
        {u"x", {{u"y", u"z"}}, u"x"},
        {u"", {{u"a", u"b"}}, u""},
        {u"caf\u00E9", {{u"\u00E9", u"e\u20AC"}}, u"cafe\u20AC"},
        // An empty search text replaces nothing; the pairs after it still apply.
        {u"abc", {{u"", u"x"}, {u"b", u"B"}}, u"aBc"},
        {u"", {{u"", u"x"}}, u""},
    };
    for (Case const& c : cases)
    {
        for (From from : {From::Unicode, From::WinAnsi})
        {
            SCOPED_TRACE(testing::PrintToString(c.text) + " " + NameOf(from));
            GTable<GPair<GString, GString>> pairs;
            for (auto const& pair : c.pairs)
                pairs.AddItem(GPair<GString, GString>(Make(pair.first, from), Make(pair.second, from)));
            GString text = Make(c.text, from);
            GStringSupport::SearchAndReplace(text, pairs);
            EXPECT_EQ(UnitsOf(text), c.result);
            EXPECT_TRUE(IsUnicode(text));
        }
    }
}

// --- encodings ---

TEST(GStringSupportTest, GuessesTheEncodingOfRawBytes)
{
    struct Case
    {
        char const* name;
        std::string bytes;
        std::vector<GEncoding*> candidates;
        bool found;
        char const* encoding;
        std::u16string text;
    };
    GEncoding* const winAnsi = GWinAnsiEncoding::GetInstance();
    GEncoding* const unicode = GUnicodeEncoding::GetInstance();
    GEncoding* const macRoman = GMacRomanEncoding::GetInstance();
    Case const cases[] = {
        {"little-endian mark",
         std::string("\xFF\xFE"
                     "A\0B\0",
                     6),
         {},
         true,
         "UnicodeEncoding",
         u"AB"},
        {"big-endian mark", std::string("\xFE\xFF\0A", 4), {}, true, "UnicodeEncoding", u"A"},
        {"mark wins over the list",
         std::string("\xFF\xFE"
                     "A\0",
                     4),
         {winAnsi},
         true,
         "UnicodeEncoding",
         u"A"},
        {"mark, tag and padding",
         std::string("\xFF\xFE\x1b\0e\0n\0\x1b\0h\0i\0\0\0\0\0", 18),
         {},
         true,
         "UnicodeEncoding",
         u"hi"},
        {"mark alone", std::string("\xFF\xFE", 2), {}, true, "UnicodeEncoding", u""},
        {"UTF-8 mark",
         "\xEF\xBB\xBF"
         "caf\xC3\xA9",
         {},
         true,
         "UTF-8Encoding",
         u"caf\u00E9"},
        {"UTF-8 mark with padding", std::string("\xEF\xBB\xBFok\0\0", 7), {}, true, "UTF-8Encoding", u"ok"},
        // Not UTF-8 after all: the guess goes on with the mark's bytes as text.
        {"broken UTF-8 after its mark",
         "\xEF\xBB\xBF\xFF",
         {winAnsi},
         true,
         "WinAnsiEncoding",
         u"\u00EF\u00BB\u00BF\u00FF"},
        {"zero bytes inside", std::string("A\0B\0", 4), {}, true, "UnicodeEncoding", u"AB"},
        {"zero bytes inside, big-endian", std::string("\0A\0B", 4), {}, true, "UnicodeEncoding", u"AB"},
        {"zero bytes inside, UTF-16 not allowed", std::string("A\0B\0", 4), {winAnsi}, false, "NULL", u""},
        {"zero bytes inside, UTF-16 listed",
         std::string("A\0B\0", 4),
         {winAnsi, unicode},
         true,
         "UnicodeEncoding",
         u"AB"},
        {"trailing padding", std::string("abc\0\0", 5), {}, true, "ASCIIEncoding", u"abc"},
        {"ASCII first", "plain", {}, true, "ASCIIEncoding", u"plain"},
        {"then WinAnsi", "caf\xE9", {}, true, "WinAnsiEncoding", u"caf\u00E9"},
        {"the caller's order", "caf\x8E", {macRoman, winAnsi}, true, "MacRomanEncoding", u"caf\u00E9"},
        {"a first byte FF alone",
         "\xFF"
         "a",
         {winAnsi},
         true,
         "WinAnsiEncoding",
         u"\u00FF"
         u"a"},
        // Half a unit at the end is no character of UTF-16 text.
        {"mark and half a unit",
         std::string("\xFF\xFE"
                     "A\0B",
                     5),
         {},
         true,
         "UnicodeEncoding",
         u"A"},
        {"zero bytes inside and half a unit", std::string("A\0B\0C", 5), {}, true, "UnicodeEncoding", u"AB"},
        {"UTF-16 listed, one byte", "\x1B", {unicode}, true, "UnicodeEncoding", u""},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        GTable<GEncoding*> candidates;
        for (GEncoding* encoding : c.candidates)
            candidates.AddItem(encoding);
        GString out("stale");
        EXPECT_EQ(GStringSupport::AssignEncoding(Buffer(c.bytes), out, candidates), c.found);
        EXPECT_EQ(BytesOf(out.GetEncodingName()), c.encoding);
        EXPECT_EQ(UnitsOf(out), c.text);
        EXPECT_EQ(out.GetBuffer(GUnicodeEncoding::GetInstance()).GetLength() % 2, 0);
    }
    // The two-argument form is the default list.
    GString out;
    EXPECT_TRUE(GStringSupport::AssignEncoding(GBuffer("caf\xE9"), out));
    EXPECT_EQ(BytesOf(out.GetEncodingName()), "WinAnsiEncoding");
}

TEST(GStringSupportTest, WritesTextInTheFirstEncodingThatHoldsIt)
{
    struct Case
    {
        std::u16string text;
        std::vector<GEncoding*> candidates;
        bool found;
        std::string bytes;
    };
    GEncoding* const ascii = GASCIIEncoding::GetInstance();
    GEncoding* const winAnsi = GWinAnsiEncoding::GetInstance();
    GEncoding* const macRoman = GMacRomanEncoding::GetInstance();
    GEncoding* const utf8 = GUTF8Encoding::GetInstance();
    Case const cases[] = {
        {u"abc", {ascii, winAnsi}, true, "abc"},
        {u"caf\u00E9", {ascii, winAnsi}, true, "caf\xE9"},
        {u"caf\u00E9", {ascii, macRoman, winAnsi}, true, "caf\x8E"},
        {u"\u65E5", {ascii, winAnsi}, false, ""},
        {u"\u65E5", {ascii, utf8}, true, "\xE6\x97\xA5"},
        // The default list starts with ASCII, then WinAnsi.
        {u"abc", {}, true, "abc"},
        {u"\u20AC", {}, true, "\x80"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.text));
        GTable<GEncoding*> candidates;
        for (GEncoding* encoding : c.candidates)
            candidates.AddItem(encoding);
        GBuffer out("stale");
        EXPECT_EQ(GStringSupport::GetBuffer(Make(c.text), out, candidates), c.found);
        EXPECT_EQ(BytesOf(out), c.bytes);
    }
    // The default list ends with UTF-16, which holds everything.
    GBuffer out;
    ASSERT_TRUE(GStringSupport::GetBuffer(Make(u"\U0001F600"), out, GTable<GEncoding*>()));
    EXPECT_EQ(out.GetLength() % 2, 0);
    EXPECT_EQ(BytesOf(GStringSupport::GetBuffer(Make(u"caf\u00E9"), GWinAnsiEncoding::GetInstance())),
              "caf\xE9");
}

// --- escapes and quoting ---

TEST(GStringSupportTest, QuotesWithTheEscapeCodes)
{
    LineEnding crAlone(true, false);
    struct Case
    {
        std::u16string text;
        std::u16string escaped;
        std::u16string unescaped;
    };
    Case const cases[] = {
        {u"plain", u"plain", u"plain"},
        {u"", u"", u""},
        {u"a\tb", u"a\\tb", u"a\tb"},
        {u"say \"hi\"", u"say \\\"hi\\\"", u"say \"hi\""},
        {u"c:\\dir", u"c:\\\\dir", u"c:\\dir"},
        {u"one\r\ntwo\nthree\rfour", u"one\\ntwo\\nthree\\nfour", u"one\rtwo\rthree\rfour"},
        {u"caf\u00E9 \u20AC", u"caf\u00E9 \u20AC", u"caf\u00E9 \u20AC"},
    };
    for (Case const& c : cases)
    {
        for (From from : {From::Unicode, From::WinAnsi})
        {
            SCOPED_TRACE(testing::PrintToString(c.text) + " " + NameOf(from));
            GString escaped = Make(c.text, from);
            GStringSupport::ReplaceSpecialChars(escaped);
            EXPECT_EQ(UnitsOf(escaped), c.escaped);
            EXPECT_TRUE(IsUnicode(escaped));

            GString quoted = Make(c.text, from);
            GStringSupport::QuoteString(quoted);
            EXPECT_EQ(UnitsOf(quoted), u"\"" + c.escaped + u"\"");
            EXPECT_TRUE(IsUnicode(quoted));

            GStringSupport::SetSpecialCharacters(escaped);
            EXPECT_EQ(UnitsOf(escaped), c.unescaped);
        }
    }
    // A string without encoding quotes as an empty text.
    GString none;
    GStringSupport::QuoteString(none);
    EXPECT_EQ(UnitsOf(none), u"\"\"");
}

TEST(GStringSupportTest, EscapesComposedTextAndNeverComposesTheEscapes)
{
    LineEnding crAlone(true, false);
    struct Case
    {
        std::u16string text;
        std::u16string escaped;
        std::u16string unescaped;
    };
    // A combining mark after a tab, a line end or a backslash stays apart from the escape's letter;
    // one after a letter is composed with it before escaping.
    Case const cases[] = {
        {u"a\n\u0300", u"a\\n\u0300", u"a\r\u0300"},
        {u"\t\u0301x", u"\\t\u0301x", u"\t\u0301x"},
        {u"\\\u0308", u"\\\\\u0308", u"\\\u0308"},
        {u"e\u0301\n", u"\u00E9\\n", u"\u00E9\r"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.text));
        GString escaped(reinterpret_cast<unsigned char const*>(c.text.data()), int(2 * c.text.size()),
                        GUnicodeEncoding::GetInstance(), false);
        GString quoted(escaped);
        GStringSupport::ReplaceSpecialChars(escaped);
        EXPECT_EQ(UnitsOf(escaped), c.escaped);
        GStringSupport::QuoteString(quoted);
        EXPECT_EQ(UnitsOf(quoted), u"\"" + c.escaped + u"\"");
        GStringSupport::SetSpecialCharacters(escaped);
        EXPECT_EQ(UnitsOf(escaped), c.unescaped);
    }
}

TEST(GStringSupportTest, QuotesStandOnWholeUnitsWhenUTF16EndsInHalfAUnit)
{
    unsigned char const bytes[] = {'c', 0, '"', 0, 'd'};
    for (int length : {1, 3, 5})
    {
        SCOPED_TRACE(length);
        GString text(bytes, length, GUnicodeEncoding::GetInstance(), true);
        GStringSupport::QuoteString(text);
        GBuffer const quoted = text.GetBuffer(GUnicodeEncoding::GetInstance());
        ASSERT_EQ(quoted.GetLength() % 2, 0);
        std::u16string const expected = length == 1 ? u"\"\"" : (length == 3 ? u"\"c\"" : u"\"c\\\"\"");
        EXPECT_EQ(UnitsOf(text), expected);
    }
}

TEST(GStringSupportTest, LineEndsBecomeTheDefaultCharacter)
{
    std::u16string const d(1, char16_t(static_cast<unsigned char>(GEncoding::GetDefaultCharacter())));
    GString text = Make(u"a\r\nb\n\rc\rd\ne", From::WinAnsi);
    GStringSupport::ReplaceSpecialEndCharsWithDefaultChar(text);
    EXPECT_EQ(UnitsOf(text), u"a" + d + u"b" + d + u"c" + d + u"d" + d + u"e");
    EXPECT_TRUE(IsUnicode(text));
}

// --- comparing ---

TEST(GStringSupportTest, ComparesIgnoringCaseAcrossEncodings)
{
    struct Case
    {
        std::u16string a;
        std::u16string b;
        bool equal;
    };
    Case const cases[] = {
        {u"ABC", u"abc", true},  {u"Caf\u00C9", u"caf\u00E9", true},
        {u"abc", u"abd", false}, {u"abc", u"abcd", false},
        {u"", u"", true},        {u"\u0130", u"i\u0307", false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.a) + " / " + testing::PrintToString(c.b));
        EXPECT_EQ(GStringSupport::IsEqualIgnoreCase(Make(c.a), Make(c.b, From::Unicode)), c.equal);
        EXPECT_EQ(GStringSupport::IsEqualIgnoreCase(Make(c.a, From::WinAnsi), Make(c.b)), c.equal);
    }
}

TEST(GStringSupportTest, ComparesInTheLocalesOrder)
{
    struct Case
    {
        std::u16string a;
        std::u16string b;
        int caseSensitive;
        int ignoringCase;
    };
    Case const cases[] = {
        {u"a", u"b", -1, -1},
        {u"b", u"a", 1, 1},
        {u"abc", u"abc", 0, 0},
        {u"", u"", 0, 0},
        {u"", u"a", -1, -1},
        // Letters before case: "a" sorts before "B", unlike the order of the units.
        {u"a", u"B", -1, -1},
        {u"a", u"A", -1, 0},
        {u"ABC", u"abc", 1, 0},
        // Accents count even when case does not.
        {u"resume", u"r\u00E9sum\u00E9", -1, -1},
        {u"R\u00C9SUM\u00C9", u"r\u00E9sum\u00E9", 1, 0},
        // Composed and decomposed forms are the same text.
        {u"caf\u00E9", u"cafe\u0301", 0, 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.a) + " / " + testing::PrintToString(c.b));
        EXPECT_EQ(GStringSupport::Compare(Make(c.a), Make(c.b), true), c.caseSensitive);
        EXPECT_EQ(GStringSupport::Compare(Make(c.a), Make(c.b), false), c.ignoringCase);
        EXPECT_EQ(GStringSupport::Compare(Make(c.b), Make(c.a), true), -c.caseSensitive);
    }
    // Strings of other encodings compare by their text.
    EXPECT_EQ(GStringSupport::Compare(Make(u"caf\u00E9", From::WinAnsi), Make(u"cafe\u0301"), true), 0);
    EXPECT_EQ(GStringSupport::Compare(GString(), GString(""), true), 0);
}

TEST(GStringSupportTest, RoughEmailTest)
{
    struct Case
    {
        std::u16string text;
        bool possible;
    };
    Case const cases[] = {
        {u"a@b", true},
        {u"user@example.com", true},
        {u"@b", false},
        {u"a@", false},
        {u"a @b", false},
        {u"a@b ", false},
        {u" a@b", false},
        {u"ab", false},
        {u"", false},
        {u"@", false},
        {u"a@@b", true},
        {u"a@b@", true},
        {u"\u00E9@\u00E9", true},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(GStringSupport::IsPossibleEmailAddress(Make(c.text)), c.possible);
    }
}

// --- scrambling ---

std::u16string LongText()
{
    std::u16string text;
    for (int i = 0; i < 3000; ++i)
        text += u"pa\u00DF\u65E5>" + std::u16string(1, char16_t(u'0' + i % 10));
    return text;
}

TEST(GStringSupportTest, ScramblesIntoHexDigitsAndBack)
{
    std::u16string const cases[] = {
        u"",
        u"a",
        u"password",
        u"Gr\u00FC\u00DFe, \u65E5\u672C \U0001F600",
        u"line\r\nbreak\ttab > and more",
        LongText(),
    };
    for (std::u16string const& text : cases)
    {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 40)));
        GString const original = Make(text);
        GString const scrambled = GStringSupport::Scramble(original);
        EXPECT_EQ(scrambled.GetEncoding().Get(), GASCIIEncoding::GetInstance());
        std::string const hex = BytesOf(scrambled.GetBuffer(GASCIIEncoding::GetInstance()));
        std::size_t const utf8Length =
            static_cast<std::size_t>(original.GetBuffer(GUTF8Encoding::GetInstance()).GetLength());
        ASSERT_EQ(hex.size(), 2 * utf8Length + 1);
        EXPECT_EQ(hex.back(), '>');
        EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), hex.size() - 1);

        GString const back = GStringSupport::DeScramble(scrambled);
        EXPECT_EQ(back.GetEncoding().Get(), GUTF8Encoding::GetInstance());
        EXPECT_EQ(UnitsOf(back), text);
        // The same text in another encoding scrambles alike: its UTF-8 bytes count.
        if (text == u"password")
        {
            EXPECT_TRUE(GStringSupport::Scramble(Make(text, From::WinAnsi)) == scrambled);
        }
    }
}

TEST(GStringSupportTest, ScramblesWithTheSystemsFixedBytes)
{
    // Scrambled texts are stored in preference files and built into the program: these must never
    // change.
    EXPECT_EQ(BytesOf(GStringSupport::Scramble(Make(u"Sendrix")).GetBuffer(GASCIIEncoding::GetInstance())),
              "18463b45374231>");
    EXPECT_EQ(BytesOf(GStringSupport::Scramble(GString()).GetBuffer(GASCIIEncoding::GetInstance())), ">");
}

TEST(GStringSupportTest, DeScramblesWhatTheHexDecoderAccepts)
{
    for (std::u16string const text : {u"18463b45374231>", u"18463B45374231>", u" 18 46 3b\r\n45\t37 42 31 >",
                                      u"18463b45374231", u"18463b45374231>zz-trailing"})
    {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(UnitsOf(GStringSupport::DeScramble(Make(text))), u"Sendrix");
        EXPECT_EQ(UnitsOf(GStringSupport::DeScramble(Make(text, From::ASCII))), u"Sendrix");
    }
}

TEST(GStringSupportTest, DeScramblesMalformedTextToAnEmptyStringWithoutEncoding)
{
    // Characters the decoder refuses, and text outside ASCII.
    for (std::u16string const text :
         {u"zz", u"18463b4537423g>", u"1846 3b-45>", u"18\u00E9>", u"\u00FF", u"0x18>"})
    {
        SCOPED_TRACE(testing::PrintToString(text));
        GString const result = GStringSupport::DeScramble(Make(text));
        EXPECT_TRUE(result.IsEmpty());
        EXPECT_EQ(result.GetEncoding().Get(), nullptr);
    }
}

TEST(GStringSupportTest, DeScramblesBytesThatAreNoUTF8AsTheUTF8DecoderReadsThem)
{
    // The unscrambled bytes are the text, kept as UTF-8 whatever they are: a stray byte, a sequence
    // cut short, text with a bad byte inside ("ac" is the scrambled byte FF).
    std::string const cases[] = {"\xFF", "\xC3(", "pass\x80word", "S\xE2\x82"};
    for (std::string const& bytes : cases)
    {
        SCOPED_TRACE(testing::PrintToString(bytes));
        std::u16string hex;
        for (char const byte : bytes)
        {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02x",
                          GEncryptOutStream::ScrambleByte(static_cast<unsigned char>(byte)));
            hex += std::u16string(digits, digits + 2);
        }
        GString const result = GStringSupport::DeScramble(Make(hex + u">"));
        EXPECT_EQ(result.GetEncoding().Get(), GUTF8Encoding::GetInstance());
        EXPECT_EQ(BytesOf(result.GetBytes()), bytes);
        GBuffer const raw(reinterpret_cast<unsigned char const*>(bytes.data()),
                          static_cast<int>(bytes.size()));
        EXPECT_FALSE(result.IsEmpty());
        EXPECT_EQ(UnitsOf(result), UnitsOf(GString(raw, GUTF8Encoding::GetInstance(), false)));
    }
    EXPECT_EQ(BytesOf(GStringSupport::DeScramble(Make(u"ac>")).GetBytes()), "\xFF");
}

#ifdef MEMORY_FAILURE_CHILD
TEST(GStringSupportTest, DeScramblingWithoutMemoryGivesAnEmptyString)
{
    // In a helper, where a secret too large for the memory left is read for real.
    auto const [status, output] = testsupport::RunHelper(MEMORY_FAILURE_CHILD, "descramble");
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("an empty string without encoding"), std::string::npos) << output;
}
#endif

// --- matching ---

TEST(GStringSupportTest, MatchesByEqualityOccurrenceOrRegularExpression)
{
    struct Case
    {
        std::u16string pattern;
        std::u16string text;
        bool ignoreCase;
        bool partial;
        bool regularExpression;
        bool matched;
    };
    Case const cases[] = {
        {u"B", u"abc", true, true, false, true},
        {u"B", u"abc", false, true, false, false},
        {u"abc", u"abc", false, false, false, true},
        {u"ABC", u"abc", true, false, false, true},
        {u"ab", u"abc", false, false, false, false},
        {u"", u"abc", false, true, false, true},
        {u"", u"", false, false, false, true},
        // No wildcards without regular expressions.
        {u"a*", u"abc", false, false, false, false},
        {u"a*", u"abc", false, true, false, false},
        {u"a*", u"a*c", false, true, false, true},
        {u"a.c", u"abc", false, false, true, true},
        {u"b", u"abc", false, false, true, false},
        {u"b", u"abc", false, true, true, true},
        {u"A.C", u"abc", true, false, true, true},
        {u"A.C", u"abc", false, false, true, false},
        {u"^\\d+$", u"12345", false, false, true, true},
        {u"caf.", u"caf\u00E9", false, false, true, false},
        {u"caf..", u"caf\u00E9", false, false, true, true},
        // A pattern the engine rejects is no match, and so is one it gives up on.
        {u"(", u"(", false, false, true, false},
        {u"[a-", u"abc", false, true, true, false},
        {u"(a+)+$", u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", false, true, true, false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.pattern) + " ~ " + testing::PrintToString(c.text) +
                     (c.ignoreCase ? " ignoring case" : "") + (c.partial ? " partial" : "") +
                     (c.regularExpression ? " regex" : ""));
        EXPECT_EQ(GStringSupport::MatchStrings(Make(c.pattern), Make(c.text), c.ignoreCase, c.partial, false,
                                               c.regularExpression),
                  c.matched);
        EXPECT_EQ(GStringSupport::MatchStrings(Make(c.pattern), Make(c.text), c.ignoreCase, c.partial, true,
                                               c.regularExpression),
                  !c.matched);
    }
}

// --- natural order ---

TEST(GStringSupportTest, NaturalOrderComparesEmbeddedNumbers)
{
    struct Case
    {
        std::u16string a;
        std::u16string b;
        bool less;
        bool greater;
    };
    Case const cases[] = {
        {u"a9", u"a10", true, false},
        {u"file9", u"file10", true, false},
        {u"file10.txt", u"file9.txt", false, true},
        {u"a2b", u"a2c", true, false},
        {u"a1b2c3", u"a1b2c10", true, false},
        {u"abc", u"abd", true, false},
        {u"abc", u"abc", false, false},
        {u"", u"", false, false},
        {u"", u"a", true, false},
        {u"7", u"10", true, false},
        // Leading zeros do not count: equal numbers compare by what follows them.
        {u"x01", u"x1", false, false},
        {u"x01a", u"x1b", true, false},
        {u"x01b", u"x1a", false, true},
        {u"a007", u"a7", false, false},
        {u"a0010", u"a9", false, true},
        {u"a000", u"a0", false, false},
        {u"a0", u"a00001", true, false},
        // Digit runs longer than 64 bits.
        {u"v18446744073709551615", u"v18446744073709551616", true, false},
        {u"v99999999999999999999999999999999", u"v100000000000000000000000000000000", true, false},
        {u"v123456789012345678901234567890x", u"v123456789012345678901234567890y", true, false},
        {u"v0000000000000000000000000000000000000001", u"v2", true, false},
        // Numbers that 32 bits would have cut: 2^32 is no 0, 2^32 + 1 no 1.
        {u"a4294967296", u"a1", false, true},
        {u"a4294967297", u"a2", false, true},
        {u"a2147483648", u"a2147483647", false, true},
        // First digits at different places: the strings' own order.
        {u"ab1", u"a10", false, true},
        {u"a1", u"b0", true, false},
        {u"x1", u"y", true, false},
        // Digits beyond the first byte are text: fullwidth digits compare as text.
        {u"a\uFF11\uFF10", u"a\uFF19", true, false},
    };
    for (Case const& c : cases)
    {
        for (From from : {From::Unicode, From::ASCII})
        {
            SCOPED_TRACE(testing::PrintToString(c.a) + " / " + testing::PrintToString(c.b) + " " +
                         NameOf(from));
            if (from == From::ASCII && (c.a.find_first_of(u"\uFF10\uFF11\uFF19") != std::u16string::npos))
                continue;
            EXPECT_EQ(GStringSupport::IsLessThanAlphanumeric(Make(c.a, from), Make(c.b, from)), c.less);
            EXPECT_EQ(GStringSupport::IsLessThanAlphanumeric(Make(c.b, from), Make(c.a, from)), c.greater);
        }
    }
}

TEST(GStringSupportTest, NaturalOrderHandlesManyNumberGroups)
{
    // One digit group per three units: far more groups than a recursion per group could stack.
    std::u16string a;
    for (int i = 0; i < 200000; ++i)
        a += u"1a.";
    std::u16string b = a;
    a += u"2";
    b += u"10";
    EXPECT_TRUE(GStringSupport::IsLessThanAlphanumeric(Make(a), Make(b)));
    EXPECT_FALSE(GStringSupport::IsLessThanAlphanumeric(Make(b), Make(a)));
    EXPECT_FALSE(GStringSupport::IsLessThanAlphanumeric(Make(a), Make(a)));
}

// --- numbered copies ---

TEST(GStringSupportTest, NumberedCopiesCountTheSuffixUp)
{
    struct Case
    {
        std::u16string text;
        unsigned maxLength;
        std::u16string result;
    };
    Case const cases[] = {
        {u"Report", 0, u"Report (2)"},
        {u"Report (2)", 0, u"Report (3)"},
        {u"Report (9)", 0, u"Report (10)"},
        {u"Report(5)", 0, u"Report(6)"},
        {u"Report (02)", 0, u"Report (02) (2)"},
        {u"Report (+5)", 0, u"Report (+5) (2)"},
        {u"Report ( 5)", 0, u"Report ( 5) (2)"},
        {u"Report ()", 0, u"Report () (2)"},
        {u"Report (x)", 0, u"Report (x) (2)"},
        {u"(7)", 0, u"(7) (2)"},
        {u"(7) ", 0, u"(7)  (2)"},
        {u"a (1) (4)", 0, u"a (1) (5)"},
        {u"", 0, u" (2)"},
        {u"caf\u00E9 (3)", 0, u"caf\u00E9 (4)"},
        // The largest number goes on to the next one.
        {u"a (2147483647)", 0, u"a (2147483648)"},
        // A length limit cuts the text before the suffix.
        {u"Report", 8, u"Repo (2)"},
        {u"Report", 10, u"Report (2)"},
        {u"Report", 20, u"Report (2)"},
        {u"Report (9)", 9, u"Repor(10)"},
        {u"Report", 4, u" (2)"},
        // A limit shorter than the suffix leaves the suffix alone.
        {u"Report", 2, u" (2)"},
    };
    for (Case const& c : cases)
    {
        for (From from : {From::Unicode, From::WinAnsi})
        {
            SCOPED_TRACE(testing::PrintToString(c.text) + " max " + std::to_string(c.maxLength) + " " +
                         NameOf(from));
            GString text = Make(c.text, from);
            GStringSupport::IncreaseNumericSuffix(text, c.maxLength);
            EXPECT_EQ(UnitsOf(text), c.result);
            EXPECT_TRUE(IsUnicode(text));
        }
    }
}

TEST(GStringSupportTest, UnicodeRangesOfTheKnownBlocks)
{
    struct Case
    {
        int which;
        char const* sequences;
        int count;
    };
    std::vector<Case> const cases = {
        {GStringSupport::cLatinCapitals, "65-90", 26},
        // U+2E80-2EFF, U+3000-30FF, U+31C0-4DBF, U+4E00-9FFF, U+F900-FAFF, U+FE30-FE4F: neighbours
        // that do not touch stay apart.
        {GStringSupport::cCJK, "11904-12031,12288-12543,12736-19903,19968-40959,63744-64255,65072-65103",
         128 + 256 + 7168 + 20992 + 512 + 32},
        {GStringSupport::cBasicMultilingualPlane, "0-65535", 65536},
        {3, "", 0},
        {-1, "", 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.which);
        GRange const range =
            GStringSupport::GetUnicodeRange(static_cast<GStringSupport::RangeSpecifier>(c.which));
        GString text;
        range.ToString(text);
        EXPECT_EQ(BytesOf(text.GetBuffer(GASCIIEncoding::GetInstance())), c.sequences);
        EXPECT_EQ(range.GetCount(), c.count);
        EXPECT_FALSE(range.IsSelectAll());
    }
    GRange const cjk = GStringSupport::GetUnicodeRange(GStringSupport::cCJK);
    EXPECT_TRUE(cjk.IsInRange(0x4E00));
    EXPECT_FALSE(cjk.IsInRange(0x4DC0));
    EXPECT_FALSE(cjk.IsInRange(0x3100));
}
