// Byte-buffer helpers: escape codes, line endings, byte order, number text, Pascal strings,
// separated lists, bit blocks and Roman numerals.
#include "GBufferSupport.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BufferText.h"

#include "LineEndingScope.h"

#include "GBuffer.h"
#include "GEncoding.h"
#include "GTable.h"
#include "GUTF8Encoding.h"
#include "GWinAnsiEncoding.h"

namespace
{
using testsupport::BufferOf;
using testsupport::TextOf;

// The same characters as UTF-16 units in the machine's order, one unit per byte of text.
GBuffer Wide(std::string const& text)
{
    std::u16string units;
    for (unsigned char c : text)
        units += char16_t(c);
    return GBuffer(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(2 * units.size()));
}

GBuffer Wide(std::u16string const& units)
{
    return GBuffer(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(2 * units.size()));
}

std::u16string Units(GBuffer const& buffer)
{
    std::u16string units(static_cast<std::size_t>(buffer.GetLength() / 2), u'\0');
    if (!units.empty())
        std::memcpy(&units[0], buffer.GetPtr(), 2 * units.size());
    return units;
}

// Runs an 8-bit edit and its UTF-16 twin on the same text and checks both against one result.
void ExpectBothWidths(std::string const& before, std::string const& after, void (*ascii)(GBuffer&),
                      void (*uni)(GBuffer&))
{
    GBuffer narrow = BufferOf(before);
    ascii(narrow);
    EXPECT_EQ(TextOf(narrow), after) << "8-bit";
    GBuffer wide = Wide(before);
    uni(wide);
    EXPECT_EQ(Units(wide), Units(Wide(after))) << "UTF-16";
    EXPECT_EQ(wide.GetLength(), 2 * static_cast<int>(after.size())) << "UTF-16";
}

using LineEnding = testsupport::LineEndingScope;

GTable<GBuffer> Table(std::vector<std::string> const& items)
{
    GTable<GBuffer> table;
    for (std::string const& item : items)
        table.AddItem(BufferOf(item));
    return table;
}

std::vector<std::string> Items(GTable<GBuffer> const& table)
{
    std::vector<std::string> items;
    for (int i = 0; i < table.GetCount(); ++i)
        items.push_back(TextOf(table[i]));
    return items;
}
} // namespace

TEST(GBufferSupportTest, SwapsEveryUnitAndLeavesAnOddLastByte)
{
    struct Case
    {
        char const* before;
        char const* after;
    };
    Case const cases[] = {{"", ""}, {"a", "a"}, {"ab", "ba"}, {"abc", "bac"}, {"abcd", "badc"}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.before);
        GBuffer unicode(c.before);
        GBufferSupport::SwapUnicodeBytes(unicode);
        EXPECT_EQ(TextOf(unicode), c.after);
        GBuffer bigEndian(c.before);
        GBufferSupport::SwapBigEndian(bigEndian);
        EXPECT_EQ(TextOf(bigEndian), c.after);
    }
}

TEST(GBufferSupportTest, SwappingCopiesBorrowedBytesFirst)
{
    char text[] = "abcd";
    for (void (*swap)(GBuffer&) : {&GBufferSupport::SwapUnicodeBytes, &GBufferSupport::SwapBigEndian})
    {
        GBuffer buffer;
        buffer.SetFromStatic(text);
        swap(buffer);
        EXPECT_EQ(TextOf(buffer), "badc");
        EXPECT_STREQ(text, "abcd");
    }
}

// --- escape codes ---

TEST(GBufferSupportTest, WritesTheEscapeCodesOfQuotedText)
{
    struct Case
    {
        std::string before;
        std::string after;
    };
    Case const cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"a\tb", "a\\tb"},
        {"a\r\nb", "a\\nb"},
        {"a\n\rb", "a\\nb"},
        {"a\rb", "a\\nb"},
        {"a\nb", "a\\nb"},
        {"a\r\rb", "a\\n\\nb"},
        {"a\n\nb", "a\\n\\nb"},
        {"a\r\n\nb", "a\\n\\nb"},
        {"\n\r\n", "\\n\\n"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"c:\\dir", "c:\\\\dir"},
        {"it's", "it's"},
        // Only the backslash itself is escaped; the characters that read as one are written as they are.
        {"\xA5 \x80", "\xA5 \x80"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.before);
        ExpectBothWidths(c.before, c.after, &GBufferSupport::ASCIIReplaceSpecialChars,
                         &GBufferSupport::UniReplaceSpecialChars);
    }
}

TEST(GBufferSupportTest, ReadsTheEscapeCodesBack)
{
    LineEnding crAlone(true, false);
    struct Case
    {
        std::string before;
        std::string after;
    };
    Case const cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"a\\nb", "a\rb"},
        {"a\\tb", "a\tb"},
        {"\\\"quoted\\\"", "\"quoted\""},
        {"\\'", "'"},
        {"\\\\", "\\"},
        // An escaped backslash never starts a second escape.
        {"\\\\t", "\\t"},
        {"\\\\\\t", "\\\t"},
        // An unknown escape keeps both characters, and the second is not read again.
        {"\\x", "\\x"},
        {"\\\xA5t", "\\\xA5t"},
        // The yen sign and 128 are escape characters too.
        {"\xA5t", "\t"},
        {"\x80n", "\r"},
        {"\xA5\\", "\\"},
        // An escape character in the last place is kept.
        {"end\\", "end\\"},
        {"\\", "\\"},
        {"\xA5", "\xA5"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.before);
        ExpectBothWidths(c.before, c.after, &GBufferSupport::ASCIIReplaceEscapeCodes,
                         &GBufferSupport::UniReplaceEscapeCodes);
    }
}

TEST(GBufferSupportTest, EscapedLineEndReadsAsThePlatformsLineEnding)
{
    struct Case
    {
        bool needsCR;
        bool needsLF;
        std::string after;
    };
    Case const cases[] = {
        {true, false, "a\rb"}, {false, true, "a\nb"}, {true, true, "a\r\nb"}, {false, false, "ab"}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.needsCR) + std::to_string(c.needsLF));
        LineEnding ending(c.needsCR, c.needsLF);
        ExpectBothWidths("a\\nb", c.after, &GBufferSupport::ASCIIReplaceEscapeCodes,
                         &GBufferSupport::UniReplaceEscapeCodes);
    }
}

TEST(GBufferSupportTest, EveryEscapeCodeRoundTrips)
{
    LineEnding crAlone(true, false);
    // Every escape code between ordinary characters, then every other byte value but the two that
    // stand for a backslash when read.
    std::string text = "tab\there, quote\"here, backslash\\here, cr\rlf\nboth\r\nreverse\n\rend";
    std::string expected = "tab\there, quote\"here, backslash\\here, cr\rlf\rboth\rreverse\rend";
    for (int c = 1; c < 256; ++c)
    {
        if (c == 10 || c == 13 || c == 128 || c == 165)
            continue;
        text += char(c);
        expected += char(c);
    }
    GBuffer narrow = BufferOf(text);
    GBufferSupport::ASCIIReplaceSpecialChars(narrow);
    EXPECT_EQ(TextOf(narrow).find_first_of("\t\r\n"), std::string::npos);
    GBufferSupport::ASCIIReplaceEscapeCodes(narrow);
    EXPECT_EQ(TextOf(narrow), expected);

    GBuffer wide = Wide(text);
    GBufferSupport::UniReplaceSpecialChars(wide);
    GBufferSupport::UniReplaceEscapeCodes(wide);
    EXPECT_EQ(Units(wide), Units(Wide(expected)));
}

TEST(GBufferSupportTest, UnicodeEscapesLookAtWholeUnitsOnly)
{
    LineEnding crAlone(true, false);
    // Units whose low or high byte equals a special character are ordinary characters.
    std::u16string const text = {0x5C00, 0x015C, 0x0922, 0x2209, 0x0A0D, 0x0D0A, 0x6E5C, 0x00A4};
    GBuffer buffer = Wide(text);
    GBufferSupport::UniReplaceSpecialChars(buffer);
    EXPECT_EQ(Units(buffer), text);
    GBufferSupport::UniReplaceEscapeCodes(buffer);
    EXPECT_EQ(Units(buffer), text);
    // A backslash unit followed by a unit above 255 is an unknown escape: both stay.
    GBuffer unknown = Wide(std::u16string{u'\\', 0x0174});
    GBufferSupport::UniReplaceEscapeCodes(unknown);
    EXPECT_EQ(Units(unknown), (std::u16string{u'\\', 0x0174}));
}

TEST(GBufferSupportTest, UnicodeEditsCarryAnOddLastByte)
{
    LineEnding crAlone(true, false);
    struct Case
    {
        char const* name;
        void (*edit)(GBuffer&);
        std::u16string before;
        std::u16string after;
    };
    Case const cases[] = {
        {"escape", &GBufferSupport::UniReplaceSpecialChars, u"a\tb", u"a\\tb"},
        {"unescape", &GBufferSupport::UniReplaceEscapeCodes, u"a\\tb", u"a\tb"},
        {"line ends", &GBufferSupport::UniPlatformLineEndings, u"a\nb", u"a\rb"},
        {"default char", &GBufferSupport::UniReplaceSpecialEndCharsWithDefaultChar, u"a\r\nb",
         std::u16string(u"a") + char16_t(static_cast<unsigned char>(GEncoding::GetDefaultCharacter())) +
             u"b"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        GBuffer buffer = Wide(c.before);
        buffer += static_cast<unsigned char>(0x7F);
        c.edit(buffer);
        ASSERT_EQ(buffer.GetLength(), 2 * static_cast<int>(c.after.size()) + 1);
        EXPECT_EQ(Units(buffer), c.after);
        EXPECT_EQ(buffer.GetPtr()[buffer.GetLength() - 1], 0x7F);
    }
}

TEST(GBufferSupportTest, EscapingLeavesBorrowedBytesUntouched)
{
    LineEnding crAlone(true, false);
    char text[] = "a\tb\\nc";
    GBuffer buffer;
    buffer.SetFromStatic(text);
    GBufferSupport::ASCIIReplaceSpecialChars(buffer);
    EXPECT_EQ(TextOf(buffer), "a\\tb\\\\nc");
    buffer.SetFromStatic(text);
    GBufferSupport::ASCIIReplaceEscapeCodes(buffer);
    EXPECT_EQ(TextOf(buffer), "a\tb\rc");
    EXPECT_STREQ(text, "a\tb\\nc");
}

TEST(GBufferSupportTest, BackSlashCharactersAreTheThreeOfJapaneseText)
{
    for (int c = 0; c < 256; ++c)
    {
        SCOPED_TRACE(c);
        EXPECT_EQ(GBufferSupport::IsBackSlashCharacter(static_cast<unsigned char>(c)),
                  c == 92 || c == 128 || c == 165);
    }
}

TEST(GBufferSupportTest, LineEndsBecomeOneDefaultCharacterEach)
{
    std::string const d(1, GEncoding::GetDefaultCharacter());
    struct Case
    {
        std::string before;
        std::string after;
    };
    Case const cases[] = {
        {"", ""},
        {"ab", "ab"},
        {"a\rb", "a" + d + "b"},
        {"a\nb", "a" + d + "b"},
        {"a\r\nb", "a" + d + "b"},
        {"a\n\rb", "a" + d + "b"},
        {"a\r\rb", "a" + d + d + "b"},
        {"a\r\n\r\nb", "a" + d + d + "b"},
        {"\n\n\r", d + d},
        {"\r", d},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.before);
        GBuffer buffer = Wide(c.before);
        GBufferSupport::UniReplaceSpecialEndCharsWithDefaultChar(buffer);
        EXPECT_EQ(Units(buffer), Units(Wide(c.after)));
    }
}

TEST(GBufferSupportTest, RemovesTheFirstLanguageTag)
{
    struct Case
    {
        std::string before;
        std::string after;
    };
    Case const cases[] = {
        {"\x1b"
         "en\x1bhi",
         "hi"},
        {"say \x1b"
         "en\x1bhi",
         "say hi"},
        {"\x1b\x1bhi", "hi"},
        {"\x1b"
         "a\x1b"
         "b\x1b"
         "c\x1b"
         "d",
         "b\x1b"
         "c\x1b"
         "d"},
        {"\x1bno end", "\x1bno end"},
        {"no tag", "no tag"},
        {"", ""},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.before);
        GBuffer buffer = Wide(c.before);
        GBufferSupport::RemoveUnicodeLanguageTags(buffer);
        EXPECT_EQ(Units(buffer), Units(Wide(c.after)));
    }
}

// --- line endings ---

TEST(GBufferSupportTest, LineEndsBecomeThePlatformsEnding)
{
    struct Case
    {
        bool needsCR;
        bool needsLF;
        std::string before;
        std::string after;
    };
    Case const cases[] = {
        {true, false, "a\nb", "a\rb"},
        {true, false, "a\r\nb", "a\rb"},
        {true, false, "a\n\rb", "a\r\rb"},
        {true, false, "a\r\rb", "a\r\rb"},
        {true, false, "\r\n\r\n", "\r\r"},
        {true, false, "x\r\ny\nz\r", "x\ry\rz\r"},
        {true, false, "none", "none"},
        {true, false, "", ""},
        {false, true, "a\rb\r\nc\nd", "a\nb\nc\nd"},
        {false, true, "\n\r", "\n\n"},
        {true, true, "a\rb\r\nc\nd", "a\r\nb\r\nc\r\nd"},
        {true, true, "\n\n\n", "\r\n\r\n\r\n"},
        {false, false, "a\rb\r\nc\nd", "abcd"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.before + " / " + std::to_string(c.needsCR) + std::to_string(c.needsLF));
        LineEnding ending(c.needsCR, c.needsLF);
        ExpectBothWidths(c.before, c.after, &GBufferSupport::ASCIIPlatformLineEndings,
                         &GBufferSupport::UniPlatformLineEndings);
    }
}

// --- numbers ---

TEST(GBufferSupportTest, WritesRealsAsPlainDecimal)
{
    struct Case
    {
        double value;
        char const* text;
    };
    Case const cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1234.5, "1234.5"},
        {-1234.5, "-1234.5"},
        {12345.678, "12345.678"},
        {-0.000001, "-0.000001"},
        {0.5, "0.5"},
        {1.0, "1"},
        {100.0, "100"},
        {0.1, "0.1"},
        {-0.1, "-0.1"},
        // Rounded to five fractional digits from 0.1 up to 9999.99999.
        {123.456789, "123.45679"},
        {2.000004, "2"},
        {9999.99999, "9999.99999"},
        {0.999999, "1"},
        // Above: five fractional digits, trailing zeros removed.
        {10000.0, "10000"},
        {10000.000004, "10000"},
        {123456.789012, "123456.78901"},
        {-99999.5, "-99999.5"},
        {1e60, "100000000000000007629769841091887003294964970946560"},
        {-1e60, "-100000000000000007629769841091887003294964970946560"},
        // Below 0.1: six significant digits, truncated, after the leading zeros.
        {0.0123456789, "0.0123456"},
        {0.0999999999, "0.0999999"},
        {0.05, "0.05"},
        {0.000123, "0.000123"},
        {-0.0000012345678, "-0.00000123456"},
        {1e-15, "0.000000000000001"},
        // Not above 1e-16: too small for five fractional digits.
        {1e-16, "0"},
        {-1e-17, "0"},
        {0.000001, "0.000001"},
        {std::numeric_limits<double>::quiet_NaN(), "0"},
        {std::numeric_limits<double>::infinity(), "100000000000000007629769841091887003294964970946560"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        GBuffer out("old text");
        GBufferSupport::RealToBuffer(c.value, out, false);
        EXPECT_EQ(TextOf(out), c.text);
        GBufferSupport::RealToBuffer(c.value, out, true);
        EXPECT_EQ(TextOf(out), std::string(c.text) + " ");
    }
}

TEST(GBufferSupportTest, FormatStringForRealsHasTheDigits)
{
    struct Case
    {
        int digits;
        char const* format;
    };
    Case const cases[] = {{3, "%1.3f"},   {12, "%1.12f"}, {0, "%1.0f"},
                          {99, "%1.99f"}, {-4, "%1.0f"},  {150, "%1.99f"}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.digits);
        GBuffer out("old");
        GBufferSupport::GenerateFormatStringForReals(c.digits, out);
        EXPECT_EQ(TextOf(out), c.format);
    }
}

TEST(GBufferSupportTest, RecognisesRealNumbers)
{
    struct Case
    {
        char const* text;
        bool real;
    };
    Case const cases[] = {
        {"1", true},      {"+1", true},    {"-12", true},   {"1.5", true},    {".5", true},
        {"5.", true},     {"-.5e3", true}, {"1e5", true},   {"1E+5", true},   {"1.5e-3", true},
        {"0007", true},   {"", false},     {".", false},    {"e5", false},    {"1e", false},
        {"1.2.3", false}, {" 1", false},   {"1 ", false},   {"--1", false},   {"+", false},
        {"1,5", false},   {"abc", false},  {"0x10", false}, {"1e5.5", false}, {"nan", false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(GBufferSupport::IsReal(GBuffer(c.text)), c.real);
    }
    // The text ends at its first zero byte.
    EXPECT_TRUE(GBufferSupport::IsReal(BufferOf(std::string("12\0abc", 6))));
}

TEST(GBufferSupportTest, StripsTrailingZeroBytesOrUnits)
{
    struct Case
    {
        std::string before;
        bool wide;
        std::string after;
    };
    Case const cases[] = {
        {std::string("ab\0\0\0", 5), false, "ab"},
        {std::string("\0\0", 2), false, ""},
        {"ab", false, "ab"},
        {std::string("a\0b\0", 4), false, std::string("a\0b", 3)},
        {std::string("a\0b\0\0\0", 6), true, std::string("a\0b\0", 4)},
        {std::string("a\0b\0", 4), true, std::string("a\0b\0", 4)},
        {std::string("\0a\0\0", 4), true, std::string("\0a", 2)},
        {std::string("\0\0\0\0", 4), true, ""},
        // An odd zero byte goes first; after an odd non-zero byte no unit is all zeros.
        {std::string("a\0\0\0\0", 5), true, std::string("a\0", 2)},
        {std::string("a\0\0\0x", 5), true, std::string("a\0\0\0x", 5)},
        {"", true, ""},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.before) + (c.wide ? " wide" : " narrow"));
        GBuffer buffer = BufferOf(c.before);
        GBufferSupport::StripTrailingZeroes(buffer, c.wide);
        EXPECT_EQ(TextOf(buffer), c.after);
    }
}

// --- text ---

TEST(GBufferSupportTest, StripsWhiteSpaceAtEitherEnd)
{
    struct Case
    {
        std::string text;
        std::string leading;
        std::string trailing;
    };
    Case const cases[] = {
        {"  \tx y\r\n ", "x y\r\n ", "  \tx y"},
        {"\b\v x \v\b", "x \v\b", "\b\v x"},
        {"\fx\f", "\fx\f", "\fx\f"},
        {" \t\r\n ", "", ""},
        {"", "", ""},
        {"x", "x", "x"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.text));
        GBuffer leading = BufferOf(c.text);
        GBufferSupport::StripLeadingWhiteSpace(leading);
        EXPECT_EQ(TextOf(leading), c.leading);
        GBuffer trailing = BufferOf(c.text);
        GBufferSupport::StripTrailingWhiteSpace(trailing);
        EXPECT_EQ(TextOf(trailing), c.trailing);
    }
}

TEST(GBufferSupportTest, UnicodeBufferOfTextInAnEncoding)
{
    EXPECT_EQ(Units(GBufferSupport::GetUnicodeBuffer("caf\xE9 \x80", GWinAnsiEncoding::GetInstance())),
              u"caf\u00E9 \u20AC");
    EXPECT_EQ(Units(GBufferSupport::GetUnicodeBuffer(GBuffer("\xE2\x82\xAC"), GUTF8Encoding::GetInstance())),
              u"\u20AC");
    EXPECT_EQ(GBufferSupport::GetUnicodeBuffer("", GWinAnsiEncoding::GetInstance()).GetLength(), 0);
}

TEST(GBufferSupportTest, PascalStringsHaveALengthByteAndAtMost255Bytes)
{
    struct Case
    {
        std::string before;
        std::string after;
    };
    Case const cases[] = {
        {"", std::string(1, '\0')},
        {"abc", "\x03"
                "abc"},
        {std::string(255, 'x'), "\xFF" + std::string(255, 'x')},
        {std::string(300, 'y'), "\xFF" + std::string(255, 'y')},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.before.size());
        GBuffer buffer = BufferOf(c.before);
        GBufferSupport::ConvertToPString(buffer);
        EXPECT_EQ(TextOf(buffer), c.after);
    }
}

// --- separated lists ---

TEST(GBufferSupportTest, SplitsAtAnyOfTheSeparatorBytes)
{
    struct Case
    {
        std::string text;
        bool keepEmpty;
        std::vector<std::string> items;
    };
    Case const cases[] = {
        {"a,b;c", true, {"a", "b", "c"}},
        {"a,,b", true, {"a", "", "b"}},
        {"a,,b", false, {"a", "b"}},
        {",a;", true, {"", "a", ""}},
        {",a;", false, {"a"}},
        {"", true, {""}},
        {"", false, {}},
        {",;", true, {"", "", ""}},
        {",;", false, {}},
        {"abc", false, {"abc"}},
        {"a/b", true, {"a/b"}},
    };
    GTable<unsigned char> separators;
    separators.AddItem(',');
    separators.AddItem(';');
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text + (c.keepEmpty ? " keep" : " drop"));
        GTable<GBuffer> out = Table({"stale"});
        GBufferSupport::SeparatedBufferToBufferTable(BufferOf(c.text), separators, out, c.keepEmpty);
        EXPECT_EQ(Items(out), c.items);
    }
}

TEST(GBufferSupportTest, JoinsItemsWithTheSeparator)
{
    struct Case
    {
        std::vector<std::string> items;
        std::string separator;
        std::string text;
    };
    Case const cases[] = {
        {{"a", "b", "c"}, ", ", "a, b, c"},
        {{"a"}, ", ", "a"},
        {{}, ", ", ""},
        {{"", ""}, "/", "/"},
        {{"a", "b"}, "", "ab"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        GBuffer out("stale");
        GBufferSupport::BufferTableToSeparatedBuffer(Table(c.items), BufferOf(c.separator), out);
        EXPECT_EQ(TextOf(out), c.text);
    }
    // The separator may be the output itself.
    GBuffer same("-");
    GBufferSupport::BufferTableToSeparatedBuffer(Table({"x", "y"}), same, same);
    EXPECT_EQ(TextOf(same), "x-y");
}

TEST(GBufferSupportTest, SelfDescribingListsRoundTrip)
{
    struct Case
    {
        std::vector<std::string> items;
        std::string merged;
    };
    Case const cases[] = {
        {{"a|b", "c"}, "#|a#|b|c"},
        {{"#", "|"}, "#|##|#|"},
        {{"a", "", "b"}, "#|a||b"},
        {{"a", ""}, "#|a|"},
        {{"", "a"}, "#||a"},
        // A list of one empty item is the header alone.
        {{""}, "#|"},
        {{}, ""},
        {{std::string("\0x", 2)}, std::string("#|\0x", 4)},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.merged);
        GBuffer merged("stale");
        GBufferSupport::MergeIntoSeparatedBuffer(Table(c.items), merged);
        EXPECT_EQ(TextOf(merged), c.merged);
        GTable<GBuffer> split = Table({"stale"});
        GBufferSupport::SplitSeparatedBuffer(merged, split);
        EXPECT_EQ(Items(split), c.items);
    }
}

TEST(GBufferSupportTest, SplitsListsWithTheBytesTheirHeaderNames)
{
    struct Case
    {
        std::string text;
        std::vector<std::string> items;
    };
    Case const cases[] = {
        {"\\,a\\,b,c", {"a,b", "c"}},
        {"\\,a\\\\b", {"a\\b"}},
        {"#|x#y", {"xy"}},
        // An escape as the last byte escapes nothing and is dropped, not read past the data.
        {"#|ab#", {"ab"}},
        {"#|a|#", {"a", ""}},
        {"#|#", {""}},
        {"#", {}},
        {"", {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        GTable<GBuffer> split;
        GBufferSupport::SplitSeparatedBuffer(BufferOf(c.text), split);
        EXPECT_EQ(Items(split), c.items);
    }
}

TEST(GBufferSupportTest, SplitsAnInputThatIsOneOfTheOutputItems)
{
    GTable<GBuffer> table = Table({"a,b,c"});
    GTable<unsigned char> comma;
    comma.AddItem(',');
    GBufferSupport::SeparatedBufferToBufferTable(table[0], comma, table, true);
    EXPECT_EQ(Items(table), (std::vector<std::string>{"a", "b", "c"}));

    GTable<GBuffer> list = Table({"#|x|y"});
    GBufferSupport::SplitSeparatedBuffer(list[0], list);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"x", "y"}));
}

TEST(GBufferSupportTest, TrailingEscapeIsNotReadBeyondTheData)
{
    // Borrowed bytes with a non-zero byte right after the data: reading past the end would take it.
    static char const bytes[] = "#|ab#X";
    GBuffer buffer;
    buffer.SetFromStatic(bytes, 5, 6);
    GTable<GBuffer> split;
    GBufferSupport::SplitSeparatedBuffer(buffer, split);
    EXPECT_EQ(Items(split), std::vector<std::string>{"ab"});
}

// --- bits and numerals ---

TEST(GBufferSupportTest, CopiesBitBlocksLeastSignificantBitFirst)
{
    struct Case
    {
        char const* name;
        std::vector<unsigned char> src;
        int srcBit;
        int bitCount;
        std::vector<unsigned char> dst;
        int dstBit;
        std::vector<unsigned char> result;
    };
    Case const cases[] = {
        {"whole byte", {0xA5}, 0, 8, {0x00}, 0, {0xA5}},
        {"into the middle", {0x0F}, 0, 4, {0x00}, 2, {0x3C}},
        {"surrounding bits kept", {0x00}, 0, 4, {0xFF}, 2, {0xC3}},
        {"from an offset", {0xF0}, 4, 4, {0x00}, 0, {0x0F}},
        {"across bytes", {0xFF, 0x01}, 4, 5, {0x00, 0x00}, 6, {0xC0, 0x07}},
        {"grows the target", {0xFF}, 0, 8, {0x01}, 12, {0x01, 0xF0, 0x0F}},
        {"grows an empty target", {0x03}, 0, 2, {}, 9, {0x00, 0x06}},
        {"count cut at the source's end", {0xFF}, 6, 10, {0x00}, 0, {0x03}},
        {"no bits", {0xFF}, 0, 0, {0x00}, 0, {0x00}},
        {"negative count", {0xFF}, 0, -3, {0x00}, 0, {0x00}},
        {"negative source bit", {0xFF}, -1, 3, {0x00}, 0, {0x00}},
        {"negative target bit", {0xFF}, 0, 3, {0x00}, -1, {0x00}},
        {"source bit past the end", {0xFF}, 8, 3, {0x00}, 0, {0x00}},
        {"empty source", {}, 0, 3, {0x00}, 0, {0x00}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        GBuffer src(c.src.data(), static_cast<int>(c.src.size()));
        GBuffer dst(c.dst.data(), static_cast<int>(c.dst.size()));
        GBufferSupport::CopyBitBlock_LBE_LBE(src, c.srcBit, c.bitCount, dst, c.dstBit);
        EXPECT_EQ(std::vector<unsigned char>(dst.GetPtr(), dst.GetPtr() + dst.GetLength()), c.result);
    }
}

TEST(GBufferSupportTest, CopiesBitBlocksWithinOneBuffer)
{
    // Overlapping ranges of one buffer: the source is read as it was before the copy.
    unsigned char const bytes[] = {0x0F, 0x00};
    GBuffer buffer(bytes, 2);
    GBufferSupport::CopyBitBlock_LBE_LBE(buffer, 0, 8, buffer, 2);
    EXPECT_EQ(buffer.GetPtr()[0], 0x3F);
    EXPECT_EQ(buffer.GetPtr()[1], 0x00);
}

TEST(GBufferSupportTest, WritesRomanNumerals)
{
    struct Case
    {
        unsigned value;
        std::string upper;
    };
    Case const cases[] = {
        {0, ""},
        {1, "I"},
        {3, "III"},
        {4, "IV"},
        {5, "V"},
        {9, "IX"},
        {14, "XIV"},
        {40, "XL"},
        {49, "XLIX"},
        {90, "XC"},
        {400, "CD"},
        {900, "CM"},
        {1994, "MCMXCIV"},
        {2024, "MMXXIV"},
        {3999, "MMMCMXCIX"},
        {5000, "MMMMM"},
        {4444, "MMMMCDXLIV"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(TextOf(GBufferSupport::IntToRomanNumeralUpper(c.value)), c.upper);
        std::string lower = c.upper;
        for (char& ch : lower)
            ch = char(ch - 'A' + 'a');
        EXPECT_EQ(TextOf(GBufferSupport::IntToRomanNumeralLower(c.value)), lower);
    }
    EXPECT_EQ(TextOf(GBufferSupport::IntToRomanNumeralLower(4)), "iv");
    EXPECT_EQ(GBufferSupport::IntToRomanNumeralUpper(1000000).GetLength(), 1000);
}
