// Editing and search inside strings: case mapping, insertion, removal, replacement, the searches and
// substrings, counted in UTF-16 units, on strings of every encoding.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "GASCIIEncoding.h"
#include "GPlatformEncodingFactory.h"
#include "GString.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"
#include "PMacPlatformEncodingFactory.h"

namespace
{
// The encoding a case starts from; the text is written in UTF-16 and brought to it.
enum class From
{
    Unicode,
    ASCII,
    WinAnsi,
    None,
};

char const* NameOf(From from)
{
    switch (from)
    {
    case From::Unicode:
        return "UTF-16";
    case From::ASCII:
        return "ASCII";
    case From::WinAnsi:
        return "WinAnsi";
    case From::None:
        return "no encoding";
    }
    return "?";
}

GString Make(std::u16string const& text, From from = From::Unicode)
{
    GString unicode(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(2 * text.size()),
                    GUnicodeEncoding::GetInstance(), false);
    switch (from)
    {
    case From::Unicode:
        return unicode;
    case From::ASCII:
        return GString(unicode.GetBuffer(GASCIIEncoding::GetInstance()), GASCIIEncoding::GetInstance(), true);
    case From::WinAnsi:
        return GString(unicode.GetBuffer(GWinAnsiEncoding::GetInstance()), GWinAnsiEncoding::GetInstance(),
                       true);
    case From::None:
        return GString();
    }
    return GString();
}

bool IsUnicode(GString const& s)
{
    return s.GetEncoding().Get() == GUnicodeEncoding::GetInstance();
}

// The string's own bytes read as UTF-16 units (for a UTF-16 string, nothing is converted).
std::u16string UnitsOf(GString const& s)
{
    GBuffer bytes = s.GetBuffer(GUnicodeEncoding::GetInstance());
    std::u16string units(static_cast<std::size_t>(bytes.GetLength() / 2), u'\0');
    if (!units.empty())
        std::memcpy(&units[0], bytes.GetPtr(), 2 * units.size());
    return units;
}

// The edited string is UTF-16 and holds exactly the expected units.
void ExpectUnicodeText(GString const& s, std::u16string const& expected)
{
    EXPECT_TRUE(IsUnicode(s)) << "encoding " << s.GetEncodingName().GetPtr();
    EXPECT_EQ(UnitsOf(s), expected);
}

std::string Trace(From from, std::u16string const& text)
{
    std::string trace = NameOf(from);
    trace += " \"";
    for (char16_t unit : text)
    {
        if (unit >= 0x20 && unit < 0x7F)
            trace += static_cast<char>(unit);
        else
            trace += "\\u" + std::to_string(static_cast<unsigned>(unit));
    }
    return trace + "\"";
}

// U+10400 DESERET CAPITAL LETTER LONG I and its small letter U+10428, each a surrogate pair.
std::u16string const cDeseretCapital = u"\U00010400";
std::u16string const cDeseretSmall = u"\U00010428";
// "-" as a UTF-16 unit followed by one stray byte.
unsigned char const cDashAndAStrayByte[] = {'-', 0, 'x'};

TEST(GStringEditingTest, MapsCaseOfEveryUnitWithoutTheProcessLocale)
{
    // The test program runs in the C locale, where the C library would map ASCII letters only.
    struct Case
    {
        From fFrom;
        std::u16string fText;
        std::u16string fLower;
        std::u16string fUpper;
    };
    Case const cases[] = {
        {From::ASCII, u"ABC", u"abc", u"ABC"},
        {From::Unicode, u"Mixed 12-_!", u"mixed 12-_!", u"MIXED 12-_!"},
        {From::WinAnsi, u"CAF\u00C9 \u00E9t\u00E9", u"caf\u00E9 \u00E9t\u00E9", u"CAF\u00C9 \u00C9T\u00C9"},
        {From::Unicode, u"\u041F\u0440\u0438\u0432\u0435\u0442", u"\u043F\u0440\u0438\u0432\u0435\u0442",
         u"\u041F\u0420\u0418\u0412\u0415\u0422"},
        // One unit in, one unit out: sharp s has no single-unit capital, dotted capital I lowers to i,
        // and sigma has one small form whatever its place.
        {From::Unicode, u"stra\u00DFe", u"stra\u00DFe", u"STRA\u00DFE"},
        {From::Unicode, u"\u0130x", u"ix", u"\u0130X"},
        {From::Unicode, u"\u03A3\u03C3\u03C2", u"\u03C3\u03C3\u03C2", u"\u03A3\u03A3\u03A3"},
        // A pair is one character, mapped as such; the length in units stays.
        {From::Unicode, u"a" + cDeseretCapital + u"B", u"a" + cDeseretSmall + u"b",
         u"A" + cDeseretCapital + u"B"},
        {From::Unicode, cDeseretSmall, cDeseretSmall, cDeseretCapital},
        // A lone surrogate is no character and stays as it is.
        {From::Unicode, u"A\xD801z", u"a\xD801z", u"A\xD801Z"},
        {From::Unicode, u"\xDC00Q", u"\xDC00q", u"\xDC00Q"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(Trace(c.fFrom, c.fText));
        GString lower = Make(c.fText, c.fFrom);
        lower.ToLower();
        ExpectUnicodeText(lower, c.fLower);
        GString upper = Make(c.fText, c.fFrom);
        upper.ToUpper();
        ExpectUnicodeText(upper, c.fUpper);
    }
}

TEST(GStringEditingTest, CaseMappingLeavesStringsWithoutBytesAlone)
{
    GString ascii("");
    ascii.ToLower();
    EXPECT_EQ(ascii.GetEncoding().Get(), GASCIIEncoding::GetInstance());
    ascii.ToUpper();
    EXPECT_EQ(ascii.GetEncoding().Get(), GASCIIEncoding::GetInstance());

    GString none;
    none.ToUpper();
    EXPECT_TRUE(none.GetEncoding().IsNull());
    EXPECT_STREQ(reinterpret_cast<char const*>(none.GetEncodingName().GetPtr()), "NULL");
}

TEST(GStringEditingTest, InsertsTextBeforeAUnit)
{
    struct Case
    {
        From fFrom;
        std::u16string fText;
        int fIndex;
        GString fInsert;
        std::u16string fExpected;
    };
    Case const cases[] = {
        {From::Unicode, u"abc", 0, Make(u"XY"), u"XYabc"},
        {From::Unicode, u"abc", 1, Make(u"XY"), u"aXYbc"},
        {From::Unicode, u"abc", 3, Make(u"XY"), u"abcXY"},
        // Outside the text nothing is inserted.
        {From::Unicode, u"abc", 4, Make(u"XY"), u"abc"},
        {From::Unicode, u"abc", 100000, Make(u"XY"), u"abc"},
        {From::Unicode, u"abc", -1, Make(u"XY"), u"abc"},
        {From::Unicode, u"abc", 1, GString(), u"abc"},
        {From::Unicode, u"abc", 1, Make(u"", From::ASCII), u"abc"},
        {From::None, u"", 0, Make(u"XY"), u"XY"},
        // Text of other encodings arrives as UTF-16, and so does the string edited.
        {From::ASCII, u"abc", 2, Make(u"\u00E9\u20AC", From::WinAnsi), u"ab\u00E9\u20ACc"},
        {From::WinAnsi, u"caf\u00E9", 4, GString("!"), u"caf\u00E9!"},
        {From::WinAnsi, u"caf\u00E9", 3, GString(""), u"caf\u00E9"},
        // A pair counts two units: index 2 is after it, index 1 splits it as the caller asked.
        {From::Unicode, cDeseretCapital + u"z", 2, Make(u"-"), cDeseretCapital + u"-z"},
        {From::Unicode, cDeseretCapital, 1, Make(u"-"), u"\xD801-\xDC00"},
        {From::Unicode, u"ab", 1, Make(cDeseretSmall), u"a" + cDeseretSmall + u"b"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(Trace(c.fFrom, c.fText) + " at " + std::to_string(c.fIndex));
        GString s = Make(c.fText, c.fFrom);
        s.Insert(c.fIndex, c.fInsert);
        ExpectUnicodeText(s, c.fExpected);
    }
}

TEST(GStringEditingTest, InsertsAStringIntoItself)
{
    GString s("abc");
    s.Insert(1, s);
    ExpectUnicodeText(s, u"aabcbc");
}

TEST(GStringEditingTest, InsertsAUnitUpToTheEnd)
{
    struct Case
    {
        From fFrom;
        std::u16string fText;
        int fIndex;
        unsigned short fUnit;
        std::u16string fExpected;
    };
    Case const cases[] = {
        {From::Unicode, u"abc", 0, 'x', u"xabc"},
        {From::Unicode, u"abc", 2, 'x', u"abxc"},
        {From::Unicode, u"abc", 3, 'x', u"abcx"},
        {From::Unicode, u"abc", 4, 'x', u"abc"},
        {From::Unicode, u"abc", -2, 'x', u"abc"},
        {From::ASCII, u"abc", 1, 0x20AC, u"a\u20ACbc"},
        {From::WinAnsi, u"\u00E9", 0, 0xD801, u"\xD801\u00E9"},
        {From::None, u"", 0, 'x', u"x"},
        {From::None, u"", 1, 'x', u""},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(Trace(c.fFrom, c.fText) + " at " + std::to_string(c.fIndex));
        GString s = Make(c.fText, c.fFrom);
        s.Insert(c.fIndex, c.fUnit);
        ExpectUnicodeText(s, c.fExpected);
    }
}

TEST(GStringEditingTest, RemovesUnitsInsideTheText)
{
    struct Case
    {
        From fFrom;
        std::u16string fText;
        int fIndex;
        int fCount;
        std::u16string fExpected;
    };
    Case const cases[] = {
        {From::Unicode, u"abcdef", 0, 2, u"cdef"},
        {From::Unicode, u"abcdef", 2, 2, u"abef"},
        {From::Unicode, u"abcdef", 5, 1, u"abcde"},
        {From::Unicode, u"abcdef", 0, 6, u""},
        {From::Unicode, u"abcdef", 3, 0, u"abcdef"},
        // A count past the end stops at the end; a place outside the text removes nothing.
        {From::Unicode, u"abcdef", 4, 10, u"abcd"},
        {From::Unicode, u"abcdef", 1, INT_MAX, u"a"},
        {From::Unicode, u"abcdef", 6, 1, u"abcdef"},
        {From::Unicode, u"abcdef", 7, 1, u"abcdef"},
        {From::Unicode, u"abcdef", -1, 3, u"abcdef"},
        {From::Unicode, u"abcdef", 2, -1, u"abcdef"},
        {From::ASCII, u"abc", 1, 1, u"ac"},
        {From::WinAnsi, u"\u00E9t\u00E9", 0, 1, u"t\u00E9"},
        {From::None, u"", 0, 1, u""},
        // A pair is two units: removing both takes the character, one leaves half of it.
        {From::Unicode, u"a" + cDeseretCapital + u"z", 1, 2, u"az"},
        {From::Unicode, u"a" + cDeseretCapital + u"z", 2, 1, u"a\xD801z"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(Trace(c.fFrom, c.fText) + " at " + std::to_string(c.fIndex) + " count " +
                     std::to_string(c.fCount));
        GString s = Make(c.fText, c.fFrom);
        s.Remove(c.fIndex, c.fCount);
        ExpectUnicodeText(s, c.fExpected);
    }
}

TEST(GStringEditingTest, ReplacesEveryOccurrenceWithoutSearchingInsertedText)
{
    struct Case
    {
        From fFrom;
        std::u16string fText;
        int fStart;
        GString fFind;
        GString fReplacement;
        std::u16string fExpected;
        bool fReplaced;
    };
    Case const cases[] = {
        {From::Unicode, u"aXa", 0, Make(u"a"), Make(u"aa"), u"aaXaa", true},
        {From::Unicode, u"aaaa", 0, Make(u"aa"), Make(u"b"), u"bb", true},
        {From::Unicode, u"aaa", 0, Make(u"aa"), Make(u"b"), u"ba", true},
        {From::Unicode, u"a.b.c", 0, Make(u"."), Make(u""), u"abc", true},
        {From::Unicode, u"a.b.c", 0, Make(u"."), GString(), u"abc", true},
        {From::Unicode, u"a.b.c", 2, Make(u"."), Make(u"::"), u"a.b::c", true},
        {From::Unicode, u"a.b.c", 4, Make(u"."), Make(u"::"), u"a.b.c", false},
        {From::Unicode, u"a.b.c", 99, Make(u"."), Make(u"::"), u"a.b.c", false},
        {From::Unicode, u"a.b.c", -5, Make(u"."), Make(u"::"), u"a::b::c", true},
        {From::Unicode, u"abc", 0, Make(u"abc"), Make(u"z"), u"z", true},
        {From::Unicode, u"abc", 0, Make(u"abcd"), Make(u"z"), u"abc", false},
        {From::Unicode, u"abc", 0, Make(u"x"), Make(u"z"), u"abc", false},
        {From::None, u"", 0, Make(u"x"), Make(u"z"), u"", false},
        // Every encoding meets in UTF-16.
        {From::WinAnsi, u"caf\u00E9 caf\u00E9", 0, GString("caf"), Make(u"th", From::WinAnsi),
         u"th\u00E9 th\u00E9", true},
        {From::ASCII, u"a-b", 0, Make(u"-", From::WinAnsi), Make(u"\u2013"), u"a\u2013b", true},
        {From::Unicode, u"x" + cDeseretCapital + u"y" + cDeseretCapital, 0, Make(cDeseretCapital),
         Make(cDeseretSmall), u"x" + cDeseretSmall + u"y" + cDeseretSmall, true},
        // Matches start on unit boundaries only: the bytes 41 00 straddle U+4101 and U+2000 here.
        {From::Unicode, u"\u4101\u2000", 0, Make(u"A"), Make(u"!"), u"\u4101\u2000", false},
        // UTF-16 bytes of odd length: the whole unit matches, the stray byte is no part of it.
        {From::Unicode, u"a-b-c", 0, GString(cDashAndAStrayByte, 3, GUnicodeEncoding::GetInstance(), false),
         Make(u"+"), u"a+b+c", true},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(Trace(c.fFrom, c.fText) + " from " + std::to_string(c.fStart) + " find " +
                     Trace(From::Unicode, UnitsOf(c.fFind)));
        GString s = Make(c.fText, c.fFrom);
        EXPECT_EQ(s.Replace(c.fStart, c.fFind, c.fReplacement), c.fReplaced);
        ExpectUnicodeText(s, c.fExpected);
    }
}

TEST(GStringEditingTest, ReplacingAnEmptyTextChangesNothing)
{
    GString s = Make(u"caf\u00E9", From::WinAnsi);
    EXPECT_FALSE(s.Replace(0, Make(u""), Make(u"x")));
    EXPECT_FALSE(s.Replace(0, GString(), Make(u"x")));
    EXPECT_EQ(s.GetEncoding().Get(), GWinAnsiEncoding::GetInstance());
    EXPECT_TRUE(s == Make(u"caf\u00E9"));
}

TEST(GStringEditingTest, ReplacementLeavesItsArgumentsAsTheyWere)
{
    GString s = Make(u"a-b-c");
    GString find("-");
    GString replacement = Make(u"\u00E9", From::WinAnsi);
    EXPECT_TRUE(s.Replace(0, find, replacement));
    ExpectUnicodeText(s, u"a\u00E9b\u00E9c");
    EXPECT_EQ(find.GetEncoding().Get(), GASCIIEncoding::GetInstance());
    EXPECT_EQ(replacement.GetEncoding().Get(), GWinAnsiEncoding::GetInstance());

    // The shared empty string, a common replacement, is never given an encoding.
    GString t = Make(u"a-b");
    EXPECT_TRUE(t.Replace(0, find, GString::cEmptyString));
    ExpectUnicodeText(t, u"ab");
    EXPECT_TRUE(GString::cEmptyString.GetEncoding().IsNull());
}

TEST(GStringEditingTest, ReplacesAStringWithinItself)
{
    GString s("abab");
    EXPECT_TRUE(s.Replace(0, s, GString("x")));
    ExpectUnicodeText(s, u"x");

    GString t("ab");
    EXPECT_TRUE(t.Replace(0, GString("b"), t));
    ExpectUnicodeText(t, u"aab");
}

TEST(GStringEditingTest, ReplacesUnitsFromAStart)
{
    struct Case
    {
        From fFrom;
        std::u16string fText;
        int fStart;
        unsigned short fFrom16;
        unsigned short fTo;
        std::u16string fExpected;
        bool fFound;
    };
    Case const cases[] = {
        {From::Unicode, u"banana", 0, 'a', 'b', u"bbnbnb", true},
        {From::Unicode, u"xyz", 0, 'a', 'b', u"xyz", false},
        {From::Unicode, u"banana", 3, 'a', 'b', u"banbnb", true},
        {From::Unicode, u"banana", 5, 'a', 'b', u"bananb", true},
        {From::Unicode, u"banana", 6, 'a', 'b', u"banana", false},
        {From::Unicode, u"banana", -3, 'a', 'b', u"bbnbnb", true},
        {From::ASCII, u"a/b/c", 0, '/', ':', u"a:b:c", true},
        {From::WinAnsi, u"\u00E9t\u00E9", 0, 0xE9, 'e', u"ete", true},
        {From::Unicode, cDeseretCapital, 0, 0xDC00, 0xDC28, cDeseretSmall, true},
        {From::None, u"", 0, 'a', 'b', u"", false},
        // The same unit on both sides: every position is looked at once, so the search ends.
        {From::Unicode, u"banana", 0, 'a', 'a', u"banana", true},
        {From::Unicode, u"banana", 2, 'n', 'n', u"banana", true},
        {From::Unicode, u"xyz", 0, 'a', 'a', u"xyz", false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(Trace(c.fFrom, c.fText) + " from " + std::to_string(c.fStart) + " unit " +
                     std::to_string(c.fFrom16));
        GString s = Make(c.fText, c.fFrom);
        EXPECT_EQ(s.Replace(c.fStart, c.fFrom16, c.fTo), c.fFound);
        ExpectUnicodeText(s, c.fExpected);
    }
}

TEST(GStringEditingTest, FindsUnitsForwardAndBackward)
{
    enum Op
    {
        First,
        FirstNot,
        Last,
    };
    struct Case
    {
        Op fOp;
        std::u16string fText;
        unsigned short fUnit;
        int fStart;
        int fExpected;
    };
    std::u16string const pair = u"x" + cDeseretCapital + u"x";
    Case const cases[] = {
        {First, u"a.b.c", '.', 0, 1},
        {First, u"a.b.c", '.', 1, 1},
        {First, u"a.b.c", '.', 2, 3},
        {First, u"a.b.c", '.', 4, -1},
        {First, u"a.b.c", '.', 5, -1},
        {First, u"a.b.c", '.', -7, 1},
        {First, u"a.b.c", 'x', 0, -1},
        {First, u"", 'x', 0, -1},
        {First, pair, 'x', 1, 3},
        {First, pair, 0xDC00, 0, 2},
        {FirstNot, u"aaab", 'a', 0, 3},
        {FirstNot, u"aaab", 'a', 3, 3},
        {FirstNot, u"aaab", 'b', 3, -1},
        {FirstNot, u"aaaa", 'a', 0, -1},
        {FirstNot, u"aaab", 'a', 4, -1},
        {FirstNot, u"aaab", 'a', -1, 3},
        {FirstNot, u"", 'a', 0, -1},
        {Last, u"a.b.c", '.', 4, 3},
        {Last, u"a.b.c", '.', 3, 3},
        {Last, u"a.b.c", '.', 2, 1},
        {Last, u"a.b.c", '.', 0, -1},
        {Last, u"a.b.c", 'x', 4, -1},
        // From the end or past it the whole text is searched; a negative start finds nothing.
        {Last, u"a.b.c", 'c', 5, 4},
        {Last, u"a.b.c", 'a', 1000, 0},
        {Last, u"a.b.c", 'a', -1, -1},
        {Last, u"", 'a', 3, -1},
        {Last, pair, 'x', 2, 0},
        {Last, pair, 0xD801, 10, 1},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(Trace(From::Unicode, c.fText) + " op " + std::to_string(c.fOp) + " unit " +
                     std::to_string(c.fUnit) + " from " + std::to_string(c.fStart));
        GString s = Make(c.fText);
        int found = c.fOp == First      ? s.FindFirst(c.fUnit, c.fStart)
                    : c.fOp == FirstNot ? s.FindFirstNot(c.fUnit, c.fStart)
                                        : s.FindLast(c.fUnit, c.fStart);
        EXPECT_EQ(found, c.fExpected);
    }
}

TEST(GStringEditingTest, FindsUnitsOfASet)
{
    struct Case
    {
        bool fNot;
        std::u16string fText;
        std::vector<unsigned short> fSet;
        int fStart;
        int fExpected;
    };
    Case const cases[] = {
        {false, u"path/to:file", {'/', ':'}, 0, 4},
        {false, u"path/to:file", {'/', ':'}, 5, 7},
        {false, u"path/to:file", {'/', ':'}, 8, -1},
        {false, u"path/to:file", {'/', ':'}, 12, -1},
        {false, u"path/to:file", {'/', ':'}, -2, 4},
        {false, u"path/to:file", {}, 0, -1},
        {false, u"", {'a'}, 0, -1},
        {false, u"ab\u00E9", {0xE9, 'z'}, 0, 2},
        {true, u"  \tx ", {' ', '\t'}, 0, 3},
        {true, u"  \tx ", {' ', '\t'}, 4, -1},
        {true, u"  \t", {' ', '\t'}, 0, -1},
        {true, u"abc", {}, 1, 1},
        {true, u"abc", {}, 3, -1},
        {true, u"abc", {}, -1, 0},
        {true, u"", {}, 0, -1},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(Trace(From::Unicode, c.fText) + (c.fNot ? " not" : "") + " from " +
                     std::to_string(c.fStart));
        GString s = Make(c.fText);
        unsigned short const* set = c.fSet.empty() ? nullptr : c.fSet.data();
        int count = static_cast<int>(c.fSet.size());
        EXPECT_EQ(c.fNot ? s.FindFirstNot(set, count, c.fStart) : s.FindFirst(set, count, c.fStart),
                  c.fExpected);
    }
    // A set that is given but counted as empty finds nothing (or, negated, the start).
    unsigned short const slash[] = {'/'};
    EXPECT_EQ(Make(u"a/b").FindFirst(slash, 0, 0), -1);
    EXPECT_EQ(Make(u"a/b").FindFirst(slash, -1, 0), -1);
    EXPECT_EQ(Make(u"a/b").FindFirstNot(slash, 0, 1), 1);
}

TEST(GStringEditingTest, FindsTextFromAStart)
{
    struct Case
    {
        From fFrom;
        std::u16string fText;
        GString fFind;
        int fStart;
        int fExpected;
    };
    Case const cases[] = {
        {From::Unicode, u"abc", Make(u"bc"), 1, 1},
        {From::Unicode, u"abc", Make(u"bc"), 2, -1},
        {From::Unicode, u"abc", Make(u"c"), 3, -1},
        {From::Unicode, u"abc", Make(u"c"), 2, 2},
        {From::Unicode, u"abc", Make(u"abc"), 0, 0},
        {From::Unicode, u"abc", Make(u"abcd"), 0, -1},
        {From::Unicode, u"abc", Make(u"a"), -4, 0},
        {From::Unicode, u"aaab", Make(u"aab"), 0, 1},
        {From::Unicode, u"abcabc", Make(u"bc"), 2, 4},
        {From::None, u"", Make(u"a"), 0, -1},
        {From::Unicode, u"", Make(u"a"), 0, -1},
        // The searched text in any encoding.
        {From::ASCII, u"hello", Make(u"llo", From::WinAnsi), 0, 2},
        {From::WinAnsi, u"d\u00E9j\u00E0 vu", GString("vu"), 0, 5},
        {From::WinAnsi, u"d\u00E9j\u00E0", Make(u"\u00E0"), 0, 3},
        // Positions count the two units of a pair.
        {From::Unicode, cDeseretCapital + u"ab" + cDeseretCapital, Make(u"b" + cDeseretCapital), 0, 3},
        {From::Unicode, cDeseretCapital + u"ab", Make(u"\xDC00"), 0, 1},
        // Matches start on unit boundaries only: the bytes 41 00 straddle U+4101 and U+2000 here.
        {From::Unicode, u"\u4101\u2000", Make(u"A"), 0, -1},
        // An empty text is found where the search starts, while that is inside the text or at its end.
        {From::Unicode, u"abc", Make(u""), 0, 0},
        {From::Unicode, u"abc", Make(u""), 2, 2},
        {From::Unicode, u"abc", GString(), 3, 3},
        {From::Unicode, u"abc", Make(u""), 4, -1},
        {From::Unicode, u"abc", Make(u""), -1, 0},
        {From::None, u"", GString(), 0, 0},
        {From::None, u"", GString(), 1, -1},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(Trace(c.fFrom, c.fText) + " find " + Trace(From::Unicode, UnitsOf(c.fFind)) + " from " +
                     std::to_string(c.fStart));
        GString s = Make(c.fText, c.fFrom);
        EXPECT_EQ(s.Find(c.fFind, c.fStart), c.fExpected);
    }
}

TEST(GStringEditingTest, SearchingOnForAnEmptyTextEnds)
{
    // The usual loop: search again from the last find plus one.
    GString s("abc");
    std::vector<int> found;
    for (int at = s.Find(GString(""), 0); at >= 0 && found.size() < 10; at = s.Find(GString(""), at + 1))
        found.push_back(at);
    EXPECT_EQ(found, (std::vector<int>{0, 1, 2, 3}));
}

TEST(GStringEditingTest, SearchesBringTheStringToUnicode)
{
    GString ascii("abc");
    EXPECT_EQ(ascii.FindFirst('b', 0), 1);
    EXPECT_TRUE(IsUnicode(ascii));
    EXPECT_TRUE(ascii == GString("abc"));

    GString winAnsi = Make(u"\u00E9t\u00E9", From::WinAnsi);
    EXPECT_EQ(winAnsi.Find(GString("t"), 0), 1);
    ExpectUnicodeText(winAnsi, u"\u00E9t\u00E9");

    GString last = Make(u"a.b", From::ASCII);
    EXPECT_EQ(last.FindLast('.', 5), 1);
    EXPECT_TRUE(IsUnicode(last));
}

TEST(GStringEditingTest, ReadingTheSharedEmptyStringNeverWritesIt)
{
    GString const& empty = GString::cEmptyString;
    unsigned short const set[] = {'a'};
    EXPECT_EQ(empty.FindFirst('a', 0), -1);
    EXPECT_EQ(empty.FindFirst(set, 1, 0), -1);
    EXPECT_EQ(empty.FindFirstNot('a', 0), -1);
    EXPECT_EQ(empty.FindFirstNot(set, 0, 0), -1);
    EXPECT_EQ(empty.FindLast('a', 0), -1);
    EXPECT_EQ(empty.Find(GString("a"), 0), -1);
    EXPECT_EQ(empty.Find(GString(), 0), 0);
    ExpectUnicodeText(empty.GetSubstring(0, 1), u"");
    EXPECT_TRUE(empty.GetEncoding().IsNull());
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(GStringEditingTest, CutsSubstringsToTheText)
{
    struct Case
    {
        From fFrom;
        std::u16string fText;
        int fIndex;
        int fCount;
        std::u16string fExpected;
    };
    Case const cases[] = {
        {From::Unicode, u"abcd", 1, -1, u"bcd"},
        {From::Unicode, u"abcd", 2, 10, u"cd"},
        {From::Unicode, u"abcd", 1, 2, u"bc"},
        {From::Unicode, u"abcd", 0, 4, u"abcd"},
        {From::Unicode, u"abcd", 3, INT_MAX, u"d"},
        {From::Unicode, u"abcd", 0, -5, u"abcd"},
        {From::Unicode, u"abcd", 1, 0, u""},
        {From::Unicode, u"abcd", 4, 1, u""},
        {From::Unicode, u"abcd", 5, 1, u""},
        {From::Unicode, u"abcd", -1, 2, u""},
        {From::None, u"", 0, -1, u""},
        {From::ASCII, u"abcd", 1, 2, u"bc"},
        {From::WinAnsi, u"\u00E9t\u00E9", 1, -1, u"t\u00E9"},
        {From::Unicode, u"a" + cDeseretCapital + u"z", 1, 2, cDeseretCapital},
        {From::Unicode, u"a" + cDeseretCapital + u"z", 2, 2, u"\xDC00z"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(Trace(c.fFrom, c.fText) + " at " + std::to_string(c.fIndex) + " count " +
                     std::to_string(c.fCount));
        GString s = Make(c.fText, c.fFrom);
        ExpectUnicodeText(s.GetSubstring(c.fIndex, c.fCount), c.fExpected);
        // A string without bytes is not rewritten by reading it.
        EXPECT_EQ(IsUnicode(s), c.fFrom != From::None);

        GString out = Make(u"old", From::ASCII);
        s.GetSubstring(out, c.fIndex, c.fCount);
        ExpectUnicodeText(out, c.fExpected);
    }
}

TEST(GStringEditingTest, TakesASubstringIntoItself)
{
    GString s("abcdef");
    s.GetSubstring(s, 2, 3);
    ExpectUnicodeText(s, u"cde");
    s.GetSubstring(s, 7, 1);
    ExpectUnicodeText(s, u"");
}

// Composition is the platform encoding's; it is installed here when the test program has not.
class GStringEditingCompositionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!GPlatformEncodingFactory::GetInstance())
        {
            GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
            fInstalledFactory = true;
        }
    }
    void TearDown() override
    {
        if (fInstalledFactory)
            GPlatformEncodingFactory::SetInstance(nullptr);
    }

    bool fInstalledFactory = false;
};

TEST_F(GStringEditingCompositionTest, OnlyTheReturnedSubstringIsComposed)
{
    // "xA" with a combining acute, kept decomposed.
    GString s(u"xA\u0301", false);
    ExpectUnicodeText(s.GetSubstring(1, -1), u"\u00C1");

    GString out;
    s.GetSubstring(out, 1, -1);
    ExpectUnicodeText(out, u"A\u0301");
    // The string itself is not composed by being read.
    ExpectUnicodeText(s, u"xA\u0301");
}
} // namespace
