// The CoreFoundation string stand-in: code pages through iconv and UTF-8 of its own, normalisation
// through ICU, the system encoding switch, and the ownership rules of its strings.
#include "macos/CFStringStandIn.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{
using Bytes = std::vector<UInt8>;

// Releases a stand-in string at the end of a scope.
class StringHolder
{
public:
    explicit StringHolder(CFStringRef string) : fString(string) {}
    ~StringHolder()
    {
        if (fString)
            CFRelease(fString);
    }
    StringHolder(StringHolder const&) = delete;
    StringHolder& operator=(StringHolder const&) = delete;

    CFStringRef Get() const { return fString; }

private:
    CFStringRef fString;
};

CFStringRef MakeString(std::u16string const& text)
{
    std::vector<UInt8> bytes(text.size() * 2);
    if (!text.empty())
        std::memcpy(bytes.data(), text.data(), bytes.size());
    return CFStringCreateWithBytes(kCFAllocatorDefault, bytes.data(), static_cast<CFIndex>(bytes.size()),
                                   kCFStringEncodingUnicode, false);
}

std::u16string TextOf(CFStringRef string)
{
    CFIndex const length = CFStringGetLength(string);
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    CFIndex used = 0;
    CFStringGetBytes(string, CFRangeMake(0, length), kCFStringEncodingUnicode, 0, false,
                     reinterpret_cast<UInt8*>(&text[0]), length * 2, &used);
    EXPECT_EQ(used, length * 2);
    return text;
}

// The bytes of the whole string in an encoding, with the count of units converted.
Bytes BytesOf(CFStringRef string, CFStringEncoding encoding, CFIndex& converted, UInt8 lossByte = 0)
{
    CFIndex const length = CFStringGetLength(string);
    CFIndex needed = 0;
    CFIndex const measured =
        CFStringGetBytes(string, CFRangeMake(0, length), encoding, lossByte, false, nullptr, 0, &needed);
    Bytes bytes(static_cast<std::size_t>(needed) + 1, 0xEE);
    CFIndex used = -1;
    converted = CFStringGetBytes(string, CFRangeMake(0, length), encoding, lossByte, false, bytes.data(),
                                 needed, &used);
    // Measuring says what writing does.
    EXPECT_EQ(measured, converted);
    EXPECT_EQ(used, needed);
    EXPECT_EQ(bytes.back(), 0xEE) << "wrote past the length it measured";
    bytes.resize(static_cast<std::size_t>(used));
    return bytes;
}

struct CodePageCase
{
    char const* fLabel;
    CFStringEncoding fEncoding;
    Bytes fBytes;
    std::u16string fText;
};

std::vector<CodePageCase> const cCodePageCases = {
    {"Mac Roman letters", kCFStringEncodingMacRoman, {0x41, 0x8E, 0xBD}, u"A\u00E9\u03A9"},
    {"Mac Roman euro and ligature", kCFStringEncodingMacRoman, {0xDB, 0xDE}, u"\u20AC\uFB01"},
    {"Shift-JIS kanji", kCFStringEncodingMacJapanese, {0x93, 0xFA, 0x96, 0x7B}, u"\u65E5\u672C"},
    {"Shift-JIS kana, half and full width",
     kCFStringEncodingMacJapanese,
     {0xB1, 0x82, 0xA0, 0x41},
     u"\uFF71\u3042A"},
    {"code page 936",
     kCFStringEncodingDOSChineseSimplif,
     {0xD6, 0xD0, 0xCE, 0xC4, 0x80},
     u"\u4E2D\u6587\u20AC"},
    {"UTF-8 of one to four bytes",
     kCFStringEncodingUTF8,
     {0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80},
     u"A\u00E9\u20AC\U0001F600"},
    {"UTF-8 at the edges of each length",
     kCFStringEncodingUTF8,
     {0x00, 0x7F, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xED, 0x9F, 0xBF, 0xEE,
      0x80, 0x80, 0xEF, 0xBF, 0xBF, 0xF0, 0x90, 0x80, 0x80, 0xF4, 0x8F, 0xBF, 0xBF},
     std::u16string(u"\0\u007F\u0080\u07FF\u0800\uD7FF\uE000\uFFFF\U00010000\U0010FFFF", 12)},
};

class SystemEncodingTest : public ::testing::Test
{
protected:
    void TearDown() override { CFStringStandInSetSystemEncoding(kCFStringEncodingMacRoman); }
};
} // namespace

TEST(CFStringStandInTest, DecodesEachCodePage)
{
    for (CodePageCase const& c : cCodePageCases)
    {
        SCOPED_TRACE(c.fLabel);
        StringHolder string(CFStringCreateWithBytes(
            kCFAllocatorDefault, c.fBytes.data(), static_cast<CFIndex>(c.fBytes.size()), c.fEncoding, false));
        ASSERT_NE(string.Get(), nullptr);
        EXPECT_EQ(TextOf(string.Get()), c.fText);
    }
}

TEST(CFStringStandInTest, EncodesEachCodePage)
{
    for (CodePageCase const& c : cCodePageCases)
    {
        SCOPED_TRACE(c.fLabel);
        StringHolder string(MakeString(c.fText));
        CFIndex converted = 0;
        EXPECT_EQ(BytesOf(string.Get(), c.fEncoding, converted), c.fBytes);
        EXPECT_EQ(converted, static_cast<CFIndex>(c.fText.size()));
    }
}

TEST(CFStringStandInTest, StopsAtTheFirstCharacterTheEncodingCannotHold)
{
    struct Case
    {
        char const* fLabel;
        CFStringEncoding fEncoding;
        std::u16string fText;
        Bytes fBytes;
        CFIndex fConverted;
    };
    Case const cases[] = {
        {"kanji in Mac Roman", kCFStringEncodingMacRoman, u"A\u4E00B", {0x41}, 1},
        {"accent in Shift-JIS", kCFStringEncodingMacJapanese, u"\u3042\u00E9\u3042", {0x82, 0xA0}, 1},
        {"hangul in code page 936", kCFStringEncodingDOSChineseSimplif, u"\u4E2D\uD55C", {0xD6, 0xD0}, 1},
        {"unpaired surrogate",
         kCFStringEncodingMacRoman,
         u"AB\xD800"
         u"C",
         {0x41, 0x42},
         2},
        {"unpaired high surrogate in UTF-8",
         kCFStringEncodingUTF8,
         u"\u00E9\xD800"
         u"C",
         {0xC3, 0xA9},
         1},
        {"unpaired low surrogate in UTF-8", kCFStringEncodingUTF8, u"A\xDC00", {0x41}, 1},
        {"high surrogate ending the text in UTF-8", kCFStringEncodingUTF8, u"AB\xD800", {0x41, 0x42}, 2},
        {"nothing convertible", kCFStringEncodingMacRoman, u"\u4E00A", {}, 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        StringHolder string(MakeString(c.fText));
        CFIndex converted = -1;
        EXPECT_EQ(BytesOf(string.Get(), c.fEncoding, converted), c.fBytes);
        EXPECT_EQ(converted, c.fConverted);
    }
}

TEST(CFStringStandInTest, LossByteStandsForEachCharacterTheEncodingCannotHold)
{
    // A surrogate pair is one character and gets one loss byte.
    StringHolder string(MakeString(u"A\u4E00B\U0001F600C"));
    CFIndex converted = 0;
    EXPECT_EQ(BytesOf(string.Get(), kCFStringEncodingMacRoman, converted, '?'),
              (Bytes{'A', '?', 'B', '?', 'C'}));
    EXPECT_EQ(converted, 6);
}

TEST(CFStringStandInTest, UTF8LossByteStandsForEachUnpairedSurrogate)
{
    StringHolder string(MakeString(u"A\xDC00\U0001F600\xD800"));
    CFIndex converted = 0;
    EXPECT_EQ(BytesOf(string.Get(), kCFStringEncodingUTF8, converted, '?'),
              (Bytes{'A', '?', 0xF0, 0x9F, 0x98, 0x80, '?'}));
    EXPECT_EQ(converted, 5);
}

TEST(CFStringStandInTest, StopsWhereTheBufferIsFull)
{
    StringHolder string(MakeString(u"\u3042\u3044"));
    UInt8 buffer[4] = {0, 0, 0, 0xEE};
    CFIndex used = 0;
    // A two-byte character never goes in half.
    EXPECT_EQ(CFStringGetBytes(string.Get(), CFRangeMake(0, 2), kCFStringEncodingMacJapanese, 0, false,
                               buffer, 3, &used),
              1);
    EXPECT_EQ(used, 2);
    EXPECT_EQ((Bytes{buffer[0], buffer[1]}), (Bytes{0x82, 0xA0}));
    EXPECT_EQ(buffer[3], 0xEE) << "wrote past maxBufLen";
    EXPECT_EQ(CFStringGetBytes(string.Get(), CFRangeMake(0, 2), kCFStringEncodingUnicode, 0, false, buffer, 3,
                               &used),
              1);
    EXPECT_EQ(used, 2);

    // Neither does a character of four UTF-8 bytes, nor its pair of units.
    StringHolder wide(MakeString(u"A\U0001F600"));
    UInt8 bytes[5] = {0, 0, 0, 0, 0xEE};
    EXPECT_EQ(
        CFStringGetBytes(wide.Get(), CFRangeMake(0, 3), kCFStringEncodingUTF8, 0, false, bytes, 4, &used), 1);
    EXPECT_EQ(used, 1);
    EXPECT_EQ(
        CFStringGetBytes(wide.Get(), CFRangeMake(0, 3), kCFStringEncodingUTF8, '?', false, bytes, 4, &used),
        1);
    EXPECT_EQ(used, 1);
    EXPECT_EQ(bytes[4], 0xEE) << "wrote past maxBufLen";
}

TEST(CFStringStandInTest, ConvertsOnlyTheRangeAskedFor)
{
    StringHolder string(MakeString(u"xA\u00E9y"));
    UInt8 buffer[8];
    CFIndex used = 0;
    EXPECT_EQ(CFStringGetBytes(string.Get(), CFRangeMake(1, 2), kCFStringEncodingMacRoman, 0, false, buffer,
                               sizeof buffer, &used),
              2);
    EXPECT_EQ(Bytes(buffer, buffer + used), (Bytes{0x41, 0x8E}));
    // A range past the end converts nothing.
    EXPECT_EQ(CFStringGetBytes(string.Get(), CFRangeMake(3, 2), kCFStringEncodingMacRoman, 0, false, buffer,
                               sizeof buffer, &used),
              0);
    EXPECT_EQ(used, 0);
}

TEST(CFStringStandInTest, RefusesBytesThatDoNotReadAsText)
{
    struct Case
    {
        char const* fLabel;
        CFStringEncoding fEncoding;
        Bytes fBytes;
    };
    Case const cases[] = {
        {"Shift-JIS lead byte at the end", kCFStringEncodingMacJapanese, {0x41, 0x82}},
        {"Shift-JIS lead byte before a space", kCFStringEncodingMacJapanese, {0x82, 0x20}},
        {"Shift-JIS byte that is no code", kCFStringEncodingMacJapanese, {0x41, 0xFF}},
        {"code page 936 lead byte at the end", kCFStringEncodingDOSChineseSimplif, {0xD6}},
        {"code page 936 byte that is no code", kCFStringEncodingDOSChineseSimplif, {0xFF}},
        {"UTF-8 overlong slash", kCFStringEncodingUTF8, {0xC0, 0xAF}},
        {"UTF-8 overlong three-byte form", kCFStringEncodingUTF8, {0xE0, 0x80, 0xAF}},
        {"UTF-8 encoded surrogate", kCFStringEncodingUTF8, {0x41, 0xED, 0xA0, 0x80}},
        {"UTF-8 above U+10FFFF", kCFStringEncodingUTF8, {0xF4, 0x90, 0x80, 0x80}},
        {"UTF-8 five-byte form", kCFStringEncodingUTF8, {0xF8, 0x88, 0x80, 0x80, 0x80}},
        {"UTF-8 sequence cut at the end", kCFStringEncodingUTF8, {0x41, 0xE2, 0x82}},
        {"UTF-8 continuation byte alone", kCFStringEncodingUTF8, {0x80, 0x41}},
        {"UTF-8 lead byte before an ASCII byte", kCFStringEncodingUTF8, {0xC3, 0x41}},
        {"UTF-8 byte that is never used", kCFStringEncodingUTF8, {0xFF}},
        {"an encoding the stand-in does not know", 0x0500, {0x41}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        EXPECT_EQ(CFStringCreateWithBytes(kCFAllocatorDefault, c.fBytes.data(),
                                          static_cast<CFIndex>(c.fBytes.size()), c.fEncoding, false),
                  nullptr);
    }
    EXPECT_FALSE(CFStringIsEncodingAvailable(0x0500));
    StringHolder string(MakeString(u"A"));
    CFIndex used = 7;
    EXPECT_EQ(CFStringGetBytes(string.Get(), CFRangeMake(0, 1), 0x0500, 0, false, nullptr, 0, &used), 0);
    EXPECT_EQ(used, 0);
}

TEST(CFStringStandInTest, UnicodeIgnoresAnOddTrailingByte)
{
    std::u16string const text = u"AB";
    Bytes bytes(5, 0x43);
    std::memcpy(bytes.data(), text.data(), 4);
    StringHolder string(
        CFStringCreateWithBytes(kCFAllocatorDefault, bytes.data(), 5, kCFStringEncodingUnicode, false));
    ASSERT_NE(string.Get(), nullptr);
    EXPECT_EQ(TextOf(string.Get()), u"AB");
}

TEST(CFStringStandInTest, ExternalUnicodeCarriesAByteOrderMark)
{
    // Read: a mark in the other byte order swaps every unit; the mark itself is dropped.
    std::u16string const swapped = u"\uFFFE\u4100\u4200";
    Bytes bytes(swapped.size() * 2);
    std::memcpy(bytes.data(), swapped.data(), bytes.size());
    StringHolder string(CFStringCreateWithBytes(kCFAllocatorDefault, bytes.data(),
                                                static_cast<CFIndex>(bytes.size()), kCFStringEncodingUnicode,
                                                true));
    ASSERT_NE(string.Get(), nullptr);
    EXPECT_EQ(TextOf(string.Get()), u"AB");

    // Written: the mark comes first and is not counted as a character.
    std::u16string out(3, u'\0');
    CFIndex used = 0;
    EXPECT_EQ(CFStringGetBytes(string.Get(), CFRangeMake(0, 2), kCFStringEncodingUnicode, 0, true,
                               reinterpret_cast<UInt8*>(&out[0]), 6, &used),
              2);
    EXPECT_EQ(used, 6);
    EXPECT_EQ(out, u"\uFEFFAB");
}

TEST(CFStringStandInTest, NormalizesInEachForm)
{
    struct Case
    {
        char const* fLabel;
        CFStringNormalizationForm fForm;
        std::u16string fText;
        std::u16string fExpected;
    };
    Case const cases[] = {
        {"C composes an accent", kCFStringNormalizationFormC, u"e\u0301x", u"\u00E9x"},
        {"C composes hangul jamo", kCFStringNormalizationFormC, u"\u1112\u1161\u11AB", u"\uD55C"},
        {"C keeps a ligature", kCFStringNormalizationFormC, u"\uFB01", u"\uFB01"},
        {"KC splits a ligature", kCFStringNormalizationFormKC, u"\uFB01e\u0301", u"fi\u00E9"},
        {"D decomposes", kCFStringNormalizationFormD, u"\u00E9\uFB01", u"e\u0301\uFB01"},
        {"KD decomposes both", kCFStringNormalizationFormKD, u"\u00E9\uFB01", u"e\u0301fi"},
        {"C orders marks", kCFStringNormalizationFormC, u"a\u0323\u0302", u"\u1EAD"},
        {"already composed", kCFStringNormalizationFormC, u"plain", u"plain"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        StringHolder source(MakeString(c.fText));
        CFMutableStringRef string = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, source.Get());
        ASSERT_NE(string, nullptr);
        CFStringNormalize(string, c.fForm);
        EXPECT_EQ(TextOf(string), c.fExpected);
        CFRelease(string);
    }
}

TEST(CFStringStandInTest, NoCopyStringReadsTheCallersUnitsInPlace)
{
    // One byte off, so the units are not aligned: the stand-in must not read them as shorts.
    std::u16string const text = u"AB";
    UInt8 storage[8] = {};
    std::memcpy(storage + 1, text.data(), 4);
    StringHolder string(CFStringCreateWithCharactersNoCopy(
        kCFAllocatorDefault, reinterpret_cast<UniChar const*>(storage + 1), 2, kCFAllocatorNull));
    ASSERT_NE(string.Get(), nullptr);
    CFMutableStringRef copy = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, string.Get());
    storage[1] = 'Z';
    UInt8 bytes[2];
    CFIndex used = 0;
    CFStringGetBytes(string.Get(), CFRangeMake(0, 2), kCFStringEncodingMacRoman, 0, false, bytes, 2, &used);
    EXPECT_EQ(Bytes(bytes, bytes + used), (Bytes{'Z', 'B'}));
    // The copy took the units as they were.
    EXPECT_EQ(TextOf(copy), u"AB");
    CFRelease(copy);
}

TEST(CFStringStandInTest, NoCopyStringFreesUnitsGivenWithADeallocator)
{
    // LeakSanitizer reports the block if the string does not free it.
    auto* units = static_cast<UniChar*>(std::malloc(4));
    units[0] = 'O';
    units[1] = 'K';
    CFStringRef string =
        CFStringCreateWithCharactersNoCopy(kCFAllocatorDefault, units, 2, kCFAllocatorDefault);
    EXPECT_EQ(TextOf(string), u"OK");
    CFRelease(string);
}

TEST(CFStringStandInTest, MutableCopyHonoursItsLimit)
{
    StringHolder string(MakeString(u"abc"));
    EXPECT_EQ(CFStringCreateMutableCopy(kCFAllocatorDefault, 2, string.Get()), nullptr);
    CFMutableStringRef copy = CFStringCreateMutableCopy(kCFAllocatorDefault, 3, string.Get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(TextOf(copy), u"abc");
    CFRelease(copy);
}

TEST(CFStringStandInTest, LastReleaseDestroysTheString)
{
    CFStringRef string = MakeString(u"x");
    EXPECT_EQ(CFGetRetainCount(string), 1);
    EXPECT_EQ(CFRetain(string), string);
    EXPECT_EQ(CFGetRetainCount(string), 2);
    CFRelease(string);
    EXPECT_EQ(CFGetRetainCount(string), 1);
    CFRelease(string);
}

TEST(CFStringStandInDeathTest, ReleasingNullStopsTheProcess)
{
    EXPECT_DEATH(CFRelease(nullptr), "CFRelease called with NULL");
}

TEST_F(SystemEncodingTest, IsMacRomanUntilATestChangesIt)
{
    EXPECT_EQ(CFStringGetSystemEncoding(), kCFStringEncodingMacRoman);
    EXPECT_TRUE(CFStringStandInSetSystemEncoding(kCFStringEncodingMacJapanese));
    EXPECT_EQ(CFStringGetSystemEncoding(), kCFStringEncodingMacJapanese);
    EXPECT_TRUE(CFStringStandInSetSystemEncoding(kCFStringEncodingDOSChineseSimplif));
    EXPECT_EQ(CFStringGetSystemEncoding(), kCFStringEncodingDOSChineseSimplif);
}

TEST_F(SystemEncodingTest, RefusesAnEncodingItCannotConvert)
{
    EXPECT_TRUE(CFStringStandInSetSystemEncoding(kCFStringEncodingMacJapanese));
    EXPECT_FALSE(CFStringStandInSetSystemEncoding(0x0500));
    EXPECT_EQ(CFStringGetSystemEncoding(), kCFStringEncodingMacJapanese);
}

TEST(CFStringStandInTest, ComparesAndFindsWithOrWithoutCase)
{
    struct Case
    {
        std::u16string fText;
        std::u16string fOther;
        CFStringCompareFlags fOptions;
        CFComparisonResult fOrder;
        CFIndex fFoundAt;
        CFIndex fFoundLength;
    };
    Case const cases[] = {
        {u"com.adobe.InDesign", u"COM.ADOBE.INDESIGN", kCFCompareCaseInsensitive, kCFCompareEqualTo, 0, 18},
        {u"com.adobe.InDesign", u"COM.ADOBE.INDESIGN", 0, kCFCompareGreaterThan, kCFNotFound, 0},
        {u"/Applications/Adobe InDesign 2025", u"indesign", kCFCompareCaseInsensitive, kCFCompareLessThan, 20,
         8},
        {u"/Applications/Adobe InDesign 2025", u"InDesign", 0, kCFCompareLessThan, 20, 8},
        {u"\u00C9t\u00E9 \U0001F600 \u00C9T\u00C9", u"\u00E9t\u00E9", kCFCompareCaseInsensitive,
         kCFCompareGreaterThan, 0, 3},
        {u"x \U0001F600 \u00C9T\u00C9", u"\u00E9t\u00E9", kCFCompareCaseInsensitive, kCFCompareLessThan, 5,
         3},
        {u"abc", u"abcd", 0, kCFCompareLessThan, kCFNotFound, 0},
        {u"abc", u"", 0, kCFCompareGreaterThan, kCFNotFound, 0},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(std::string(test.fText.begin(), test.fText.end()));
        StringHolder const text(MakeString(test.fText));
        StringHolder const other(MakeString(test.fOther));
        EXPECT_EQ(CFStringCompare(text.Get(), other.Get(), test.fOptions), test.fOrder);
        CFRange const found = CFStringFind(text.Get(), other.Get(), test.fOptions);
        EXPECT_EQ(found.location, test.fFoundAt);
        EXPECT_EQ(found.length, test.fFoundLength);
    }
}

TEST(CFStringStandInTest, ReplacesEveryPlaceWithinTheRange)
{
    struct Case
    {
        std::u16string fText;
        CFRange fRange;
        CFIndex fCount;
        std::u16string fResult;
    };
    Case const cases[] = {
        {u"%@ and %@", {0, 9}, 2, u"InDesign and InDesign"},
        {u"%@ and %@", {1, 8}, 1, u"%@ and InDesign"},
        {u"%%@@", {0, 4}, 1, u"%InDesign@"},
        {u"none", {0, 4}, 0, u"none"},
        {u"%@", {0, 5}, 0, u"%@"},
    };
    StringHolder const find(MakeString(u"%@"));
    StringHolder const replacement(MakeString(u"InDesign"));
    for (Case const& test : cases)
    {
        SCOPED_TRACE(std::string(test.fText.begin(), test.fText.end()));
        StringHolder const original(MakeString(test.fText));
        CFMutableStringRef const text = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, original.Get());
        EXPECT_EQ(CFStringFindAndReplace(text, find.Get(), replacement.Get(), test.fRange, 0), test.fCount);
        EXPECT_EQ(TextOf(text), test.fResult);
        CFRelease(text);
    }
}

TEST(CFStringStandInTest, ReadsTheLeadingInteger)
{
    struct Case
    {
        std::u16string fText;
        SInt32 fValue;
    };
    Case const cases[] = {
        {u"20500", 20500},
        {u"20.0.1.31", 20},
        {u"  -19999x", -19999},
        {u"+7", 7},
        {u"twenty", 0},
        {u"", 0},
        {u"- 5", 0},
        {u"99999999999", INT32_MAX},
        {u"-99999999999", INT32_MIN},
        {u"2147483647", INT32_MAX},
        {u"-2147483648", INT32_MIN},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(std::string(test.fText.begin(), test.fText.end()));
        StringHolder const text(MakeString(test.fText));
        EXPECT_EQ(CFStringGetIntValue(text.Get()), test.fValue);
    }
    EXPECT_EQ(CFStringGetIntValue(nullptr), 0);
}

TEST(CFStringStandInTest, FormatsAsPrintfWithStringObjects)
{
    StringHolder const name(MakeString(u"InDesign CC 2025"));
    StringHolder const unicode(MakeString(u"\u00E9\U0001F600"));
    StringHolder const format(MakeString(u"%@ (%d) %5.1f|%-4s|%x %lld %@ %% %y %@"));
    StringHolder const text(CFStringCreateWithFormat(kCFAllocatorDefault, nullptr, format.Get(), name.Get(),
                                                     3, 2.25, "ab", 255u, -5ll, nullptr, unicode.Get()));
    EXPECT_EQ(TextOf(text.Get()), u"InDesign CC 2025 (3)   2.2|ab  |ff -5 (null) % %y \u00E9\U0001F600");
}
