// UTF-8: decoding to UTF-16 (every sequence length, zero bytes, malformed input), encoding from UTF-16
// (lone surrogates included), agreement with iconv on long text, and glyph names.
#include "GUTF8Encoding.h"

#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EncodingTestSupport.h"
#include "GASCIIEncoding.h"
#include "GMacRomanEncoding.h"
#include "GMemoryException.h"
#include "GUnicodeEncoding.h"

using namespace encodingtest;

namespace
{
constexpr unsigned cComplete = GEncodingResult::cComplete;
constexpr unsigned cLossy = GEncodingResult::cLossy;
constexpr unsigned cFailed = GEncodingResult::cFailed;

// UTF-8 to UTF-16 the way callers ask for it: the Unicode encoding converts from UTF-8.
unsigned Decode(Bytes const& bytes, Units& units)
{
    GBuffer out;
    unsigned const result =
        GUnicodeEncoding::GetInstance()->ConvertFrom(BufferOf(bytes), GUTF8Encoding::GetInstance(), out);
    units = UnitsOf(out);
    return result;
}

unsigned Encode(Units const& units, Bytes& bytes)
{
    GBuffer out;
    unsigned const result =
        GUTF8Encoding::GetInstance()->ConvertFrom(BufferOf(units), GUnicodeEncoding::GetInstance(), out);
    bytes = BytesOf(out);
    return result;
}

std::string Hex(Bytes const& bytes)
{
    std::string text;
    char digits[4];
    for (unsigned char byte : bytes)
    {
        std::snprintf(digits, sizeof digits, "%02X ", byte);
        text += digits;
    }
    return text;
}

bool IsLittleEndian()
{
    std::uint16_t const probe = 1;
    unsigned char first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

// iconv over a whole buffer; empty on any error.
Bytes Iconv(char const* to, char const* from, Bytes const& input)
{
    iconv_t const cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    Bytes output(input.size() * 2 + 16);
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(input.data()));
    std::size_t inLeft = input.size();
    char* out = reinterpret_cast<char*>(output.data());
    std::size_t outLeft = output.size();
    std::size_t const converted = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    if (converted == static_cast<std::size_t>(-1) || inLeft != 0)
        return {};
    output.resize(output.size() - outLeft);
    return output;
}
} // namespace

TEST(GUTF8EncodingTest, DecodesEachSequenceLengthToItsUnits)
{
    struct Case
    {
        char const* what;
        Bytes bytes;
        Units units;
    };
    Case const cases[] = {
        {"empty", {}, {}},
        {"ASCII", {0x41, 0x7F}, {0x0041, 0x007F}},
        {"two bytes, e acute", {0xC3, 0xA9}, {0x00E9}},
        {"lowest two-byte character", {0xC2, 0x80}, {0x0080}},
        {"highest two-byte character", {0xDF, 0xBF}, {0x07FF}},
        {"lowest three-byte character", {0xE0, 0xA0, 0x80}, {0x0800}},
        {"three bytes, euro sign", {0xE2, 0x82, 0xAC}, {0x20AC}},
        {"highest three-byte character", {0xEF, 0xBF, 0xBF}, {0xFFFF}},
        {"byte-order mark stays a character", {0xEF, 0xBB, 0xBF, 0x61}, {0xFEFF, 0x0061}},
        {"four bytes, grinning face", {0xF0, 0x9F, 0x98, 0x80}, {0xD83D, 0xDE00}},
        {"lowest four-byte character", {0xF0, 0x90, 0x80, 0x80}, {0xD800, 0xDC00}},
        {"highest four-byte character", {0xF4, 0x8F, 0xBF, 0xBF}, {0xDBFF, 0xDFFF}},
        {"encoded high surrogate", {0xED, 0xA0, 0x80}, {0xD800}},
        {"encoded low surrogate", {0xED, 0xBF, 0xBF}, {0xDFFF}},
        {"encoded pair", {0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}, {0xD83D, 0xDE00}},
        {"ASCII run longer than eight bytes, then CJK",
         {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 0xE4, 0xB8, 0x80, 'k'},
         {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 0x4E00, 'k'}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.what);
        Units units{0xBAD};
        EXPECT_EQ(Decode(c.bytes, units), cComplete);
        EXPECT_EQ(units, c.units);
    }
}

TEST(GUTF8EncodingTest, ZeroByteIsKeptAsAUnitAndMakesTheTextLossy)
{
    Units units;
    EXPECT_EQ(Decode({0x61, 0x00, 0x62}, units), cLossy);
    EXPECT_EQ(units, (Units{0x61, 0x00, 0x62}));

    // Every place of a zero inside and after the runs that are read eight bytes at a time.
    for (std::size_t at = 0; at < 20; ++at)
    {
        SCOPED_TRACE("zero at " + std::to_string(at));
        Bytes bytes(20, 'x');
        bytes[at] = 0;
        Units expected(bytes.begin(), bytes.end());
        EXPECT_EQ(Decode(bytes, units), cLossy);
        EXPECT_EQ(units, expected);
    }
}

TEST(GUTF8EncodingTest, MalformedInputStopsWithTheUnitsDecodedBeforeIt)
{
    struct Case
    {
        char const* what;
        Bytes bytes;
        Units before;
    };
    Case const cases[] = {
        {"stray continuation byte at the start", {0x80, 0x61}, {}},
        {"stray continuation byte after a character", {0x61, 0xC3, 0xA9, 0xBF, 0x62}, {0x61, 0xE9}},
        {"three-byte sequence cut by the end", {0x61, 0xE2, 0x82}, {0x61}},
        {"two-byte sequence cut by the end", {0x61, 0x62, 0xC3}, {0x61, 0x62}},
        {"four-byte sequence cut by the end", {0x61, 0xF0, 0x9F, 0x98}, {0x61}},
        {"missing continuation byte", {0x61, 0xC3, 0x41}, {0x61}},
        {"second continuation byte missing", {0xE2, 0x82, 0x41}, {}},
        {"third continuation byte missing", {0x7A, 0xF0, 0x9F, 0x98, 0x41}, {0x7A}},
        {"lead byte F8", {0x61, 0xF8, 0x88, 0x80, 0x80, 0x80}, {0x61}},
        {"byte FF", {0xFF}, {}},
        {"after a zero byte the failure wins", {0x00, 0x80}, {0x0000}},
        {"after an ASCII run read eight bytes at a time",
         {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 0x80, 'l', 'm', 'n', 'o', 'p', 'q', 'r'},
         {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k'}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.what);
        Units units;
        EXPECT_EQ(Decode(c.bytes, units), cFailed);
        EXPECT_EQ(units, c.before);
    }
}

// Overlong forms and four-byte forms outside U+10000..U+10FFFF used to decode "successfully" into
// UTF-16 that no other encoder produces (F0 80 80 80 gave DFC0 DC00); they are malformed.
TEST(GUTF8EncodingTest, OverlongAndOutOfRangeFormsAreMalformed)
{
    struct Case
    {
        char const* what;
        Bytes bytes;
    };
    Case const cases[] = {
        {"overlong zero", {0xC0, 0x80}},
        {"overlong two-byte slash", {0xC0, 0xAF}},
        {"overlong two-byte DEL", {0xC1, 0xBF}},
        {"overlong three-byte zero", {0xE0, 0x80, 0x80}},
        {"overlong three-byte U+07FF", {0xE0, 0x9F, 0xBF}},
        {"four-byte zero", {0xF0, 0x80, 0x80, 0x80}},
        {"four-byte U+FFFF", {0xF0, 0x8F, 0xBF, 0xBF}},
        {"just above U+10FFFF", {0xF4, 0x90, 0x80, 0x80}},
        {"lead F5", {0xF5, 0x80, 0x80, 0x80}},
        {"highest four-byte form", {0xF7, 0xBF, 0xBF, 0xBF}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.what);
        Bytes bytes{'o', 'k'};
        bytes.insert(bytes.end(), c.bytes.begin(), c.bytes.end());
        bytes.push_back('!');
        Units units;
        EXPECT_EQ(Decode(bytes, units), cFailed);
        EXPECT_EQ(units, (Units{'o', 'k'}));
    }
}

TEST(GUTF8EncodingTest, EveryCutOfValidTextDecodesThePrefixOrFails)
{
    // Characters of one to four bytes, with ASCII runs long enough for the eight-byte path.
    Bytes const text{'H',  'e',  'l',  'l',  'o', ' ', 'w', 'o', 'r', 'l', 'd', 0xC3, 0xA9, 0xE2, 0x82, 0xAC,
                     0xF0, 0x9F, 0x98, 0x80, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h',  'i',  0xE4, 0xB8, 0x80};
    Units const units{'H',    'e',    'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', 0x00E9, 0x20AC,
                      0xD83D, 0xDE00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 0x4E00};
    // Byte offset where each unit's character ends.
    std::vector<std::size_t> const ends{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 13, 16,
                                        20, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 32};
    for (std::size_t cut = 0; cut <= text.size(); ++cut)
    {
        SCOPED_TRACE("cut after " + std::to_string(cut) + " bytes");
        // Exactly the bytes of the prefix, borrowed, so a read past them is a read past the block.
        std::vector<unsigned char> const prefix(text.begin(), text.begin() + static_cast<long>(cut));
        GBuffer src;
        src.SetFromStatic(reinterpret_cast<char const*>(prefix.data()), static_cast<int>(cut),
                          static_cast<int>(cut));
        GBuffer out;
        unsigned const result =
            GUTF8Encoding::GetInstance()->ConvertTo(src, GUnicodeEncoding::GetInstance(), out);

        std::size_t whole = 0;
        while (whole < units.size() && ends[whole] <= cut)
            ++whole;
        bool const onBoundary = cut == 0 || (whole > 0 && ends[whole - 1] == cut);
        EXPECT_EQ(result, onBoundary ? cComplete : cFailed);
        EXPECT_EQ(UnitsOf(out), Units(units.begin(), units.begin() + static_cast<long>(whole)));
    }
}

TEST(GUTF8EncodingTest, EncodesEachUnitClass)
{
    struct Case
    {
        char const* what;
        Units units;
        Bytes bytes;
    };
    Case const cases[] = {
        {"empty", {}, {}},
        {"ASCII and zero", {0x41, 0x00, 0x7F}, {0x41, 0x00, 0x7F}},
        {"e acute", {0x00E9}, {0xC3, 0xA9}},
        {"lowest two-byte character", {0x0080}, {0xC2, 0x80}},
        {"highest two-byte character", {0x07FF}, {0xDF, 0xBF}},
        {"lowest three-byte character", {0x0800}, {0xE0, 0xA0, 0x80}},
        {"euro sign", {0x20AC}, {0xE2, 0x82, 0xAC}},
        {"byte-order mark is written like any character", {0xFEFF}, {0xEF, 0xBB, 0xBF}},
        {"highest unit", {0xFFFF}, {0xEF, 0xBF, 0xBF}},
        {"surrogate pair", {0xD83D, 0xDE00}, {0xF0, 0x9F, 0x98, 0x80}},
        {"highest pair", {0xDBFF, 0xDFFF}, {0xF4, 0x8F, 0xBF, 0xBF}},
        {"lone high surrogate", {0xD800}, {0xED, 0xA0, 0x80}},
        {"lone low surrogate", {0xDC00}, {0xED, 0xB0, 0x80}},
        {"high surrogate at the end", {0x41, 0xDBFF}, {0x41, 0xED, 0xAF, 0xBF}},
        {"pair in the wrong order", {0xDE00, 0xD83D}, {0xED, 0xB8, 0x80, 0xED, 0xA0, 0xBD}},
        {"high surrogate before a plain unit", {0xD83D, 0x41}, {0xED, 0xA0, 0xBD, 0x41}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.what);
        Bytes bytes{0xBA, 0xD0};
        EXPECT_EQ(Encode(c.units, bytes), cComplete);
        EXPECT_EQ(bytes, c.bytes);
    }
}

TEST(GUTF8EncodingTest, EveryUnitRoundTripsLoneSurrogatesIncluded)
{
    Units all;
    for (unsigned unit = 1; unit <= 0xFFFF; ++unit)
        all.push_back(static_cast<std::uint16_t>(unit));
    // Units one at a time, so that no high surrogate pairs with the low one after it.
    for (std::uint16_t unit : all)
    {
        Bytes bytes;
        Units back;
        ASSERT_EQ(Encode({unit}, bytes), cComplete) << std::hex << unit;
        ASSERT_EQ(Decode(bytes, back), cComplete) << std::hex << unit << ": " << Hex(bytes);
        ASSERT_EQ(back, Units{unit}) << std::hex << unit;
    }
    // All at once: D800..DBFF run into DC00..DFFF, so only DBFF DC00 forms a pair; still the same units.
    Bytes bytes;
    Units back;
    ASSERT_EQ(Encode(all, bytes), cComplete);
    ASSERT_EQ(Decode(bytes, back), cComplete);
    EXPECT_EQ(back, all);
}

TEST(GUTF8EncodingTest, AgreesWithIconvOnLongMixedText)
{
    // Random characters from every range, weighted towards ASCII runs, as real text is.
    std::mt19937 random(7);
    std::vector<std::uint32_t> points;
    while (points.size() < 200000)
    {
        switch (random() % 6)
        {
        case 0:
        case 1:
            for (unsigned n = random() % 40; n > 0; --n)
                points.push_back(0x20 + random() % 0x5F);
            break;
        case 2:
            points.push_back(0x80 + random() % (0x800 - 0x80));
            break;
        case 3:
            points.push_back(0x800 + random() % (0xD800 - 0x800));
            break;
        case 4:
            points.push_back(0xE000 + random() % (0x10000 - 0xE000));
            break;
        default:
            points.push_back(0x10000 + random() % (0x110000 - 0x10000));
            break;
        }
    }
    Bytes const utf32(reinterpret_cast<unsigned char const*>(points.data()),
                      reinterpret_cast<unsigned char const*>(points.data() + points.size()));
    char const* const utf32Name = IsLittleEndian() ? "UTF-32LE" : "UTF-32BE";
    char const* const utf16Name = IsLittleEndian() ? "UTF-16LE" : "UTF-16BE";
    Bytes const utf8 = Iconv("UTF-8", utf32Name, utf32);
    Bytes const utf16 = Iconv(utf16Name, utf32Name, utf32);
    ASSERT_FALSE(utf8.empty());
    ASSERT_FALSE(utf16.empty());

    GBuffer decoded;
    EXPECT_EQ(
        GUTF8Encoding::GetInstance()->ConvertTo(BufferOf(utf8), GUnicodeEncoding::GetInstance(), decoded),
        cComplete);
    EXPECT_TRUE(BytesOf(decoded) == utf16);

    GBuffer encoded;
    EXPECT_EQ(
        GUTF8Encoding::GetInstance()->ConvertFrom(BufferOf(utf16), GUnicodeEncoding::GetInstance(), encoded),
        cComplete);
    EXPECT_TRUE(BytesOf(encoded) == utf8);
}

TEST(GUTF8EncodingTest, ConvertsFromOtherEncodingsThroughUTF16)
{
    GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
    GBuffer out;

    EXPECT_EQ(utf8->ConvertFrom(BufferOf(Bytes{0x8E, 0x41}), GMacRomanEncoding::GetInstance(), out),
              cComplete);
    EXPECT_EQ(BytesOf(out), (Bytes{0xC3, 0xA9, 0x41}));

    // MacRoman 0xF0 has no character: the source's loss is the result, the default character its text.
    EXPECT_EQ(utf8->ConvertFrom(BufferOf(Bytes{0x61, 0xF0}), GMacRomanEncoding::GetInstance(), out), cLossy);
    EXPECT_EQ(BytesOf(out), (Bytes{0x61, '@'}));

    EXPECT_EQ(utf8->ConvertFrom(BufferOf(Bytes{0x48, 0x69}), GASCIIEncoding::GetInstance(), out), cComplete);
    EXPECT_EQ(BytesOf(out), (Bytes{0x48, 0x69}));

    // An odd trailing byte of UTF-16 is no unit.
    EXPECT_EQ(utf8->ConvertFrom(BufferOf(Bytes{0xE9, 0x00, 0x41}), GUnicodeEncoding::GetInstance(), out),
              cComplete);
    EXPECT_EQ(BytesOf(out), (Bytes{0xC3, 0xA9}));

    // From UTF-8 itself: the text is read and written again.
    EXPECT_EQ(utf8->ConvertFrom(BufferOf(Bytes{0xE2, 0x82, 0xAC}), utf8, out), cComplete);
    EXPECT_EQ(BytesOf(out), (Bytes{0xE2, 0x82, 0xAC}));

    // A source that cannot be read gives its failure and nothing else, whatever the output held.
    out = "left over";
    EXPECT_EQ(utf8->ConvertFrom(BufferOf(Bytes{0x61, 0xC3}), utf8, out), cFailed);
    EXPECT_EQ(out.GetLength(), 0);
}

TEST(GUTF8EncodingTest, OutputIsReplacedAndBorrowedBytesAreNeverWritten)
{
    GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();

    // A longer text held before is replaced completely.
    GBuffer out("a text much longer than the result");
    EXPECT_EQ(utf8->ConvertTo(BufferOf(Bytes{0x61}), unicode, out), cComplete);
    EXPECT_EQ(UnitsOf(out), Units{0x61});
    EXPECT_EQ(out.GetLength(), 2);

    // An output that borrows someone's bytes gets storage of its own.
    std::vector<unsigned char> foreign(64, 0xEE);
    std::vector<unsigned char> const untouched = foreign;
    GBuffer borrowed;
    borrowed.SetFromStatic(reinterpret_cast<char const*>(foreign.data()), 4, 64);
    EXPECT_EQ(utf8->ConvertTo(BufferOf(Bytes{0x61, 0x62, 0x63}), unicode, borrowed), cComplete);
    EXPECT_EQ(UnitsOf(borrowed), (Units{0x61, 0x62, 0x63}));
    borrowed.SetFromStatic(reinterpret_cast<char const*>(foreign.data()), 4, 64);
    EXPECT_EQ(utf8->ConvertFrom(BufferOf(Units{0x20AC, 0x20AC}), unicode, borrowed), cComplete);
    EXPECT_EQ(BytesOf(borrowed), (Bytes{0xE2, 0x82, 0xAC, 0xE2, 0x82, 0xAC}));
    EXPECT_EQ(foreign, untouched);
}

TEST(GUTF8EncodingTest, ConvertsInPlaceWhenSourceAndOutputAreOneBuffer)
{
    GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();

    GBuffer text = BufferOf(Bytes{0x61, 0xC3, 0xA9, 0xF0, 0x9F, 0x98, 0x80});
    EXPECT_EQ(utf8->ConvertTo(text, unicode, text), cComplete);
    EXPECT_EQ(UnitsOf(text), (Units{0x61, 0xE9, 0xD83D, 0xDE00}));
    EXPECT_EQ(utf8->ConvertFrom(text, unicode, text), cComplete);
    EXPECT_EQ(BytesOf(text), (Bytes{0x61, 0xC3, 0xA9, 0xF0, 0x9F, 0x98, 0x80}));
}

TEST(GUTF8EncodingTest, NamesCharactersByTheirUnicodeGlyphNames)
{
    GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
    struct Case
    {
        Bytes code;
        char const* name;
    };
    Case const named[] = {
        {{0x41}, "A"},
        {{0xC3, 0xA9}, "eacute"},
        {{0xE2, 0x88, 0x86}, "Delta"},
        {{0xE2, 0x82, 0xAC}, "Euro"},
    };
    for (Case const& c : named)
    {
        SCOPED_TRACE(c.name);
        GBuffer name;
        EXPECT_TRUE(utf8->GetGlyphName(CodeOf(c.code), name));
        EXPECT_EQ(TextOf(name), c.name);
    }

    struct Unnamed
    {
        char const* what;
        Bytes code;
    };
    Unnamed const unnamed[] = {
        {"malformed", {0xC3}},
        {"overlong", {0xC1, 0x81}},
        {"two characters", {0x41, 0x42}},
        {"character outside the first plane", {0xF0, 0x9F, 0x98, 0x80}},
        {"character without a glyph name", {0xEE, 0x80, 0x80}},
        {"zero byte", {0x00}},
    };
    for (Unnamed const& c : unnamed)
    {
        SCOPED_TRACE(c.what);
        GBuffer name("stale");
        EXPECT_FALSE(utf8->GetGlyphName(CodeOf(c.code), name));
        EXPECT_EQ(name.GetLength(), 0);
    }
}

TEST(GUTF8EncodingTest, FindsTheBytesOfAGlyphName)
{
    GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
    struct Case
    {
        char const* name;
        Bytes code;
    };
    Case const cases[] = {
        {"eacute", {0xC3, 0xA9}},
        {"A", {0x41}},
        {"Delta", {0xE2, 0x88, 0x86}},
        {"f_i", {0xEF, 0xAC, 0x81}}, // the joined name "fi" is U+FB01
        {"a.sc", {0x61}},            // a suffix is dropped
        {"T_h", {}},                 // two characters are no one code
        {"nosuchglyph", {}},
        {"", {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        GCharCode code(static_cast<unsigned char>(0x99));
        utf8->GetCharCode(Name(c.name), code);
        EXPECT_EQ(BytesOf(code), c.code);
    }
}

// UTF-16 of more than 1 GiB of UTF-8 may need more room than any buffer has.
TEST(GUTF8EncodingTest, InputTooLongForTheLargestOutputIsOutOfMemory)
{
    int const length = (1 << 30) + 1;
    ZeroPages const pages(static_cast<std::size_t>(length) + 4096);
    ASSERT_TRUE(pages.IsValid());
    GBuffer out("kept");
    EXPECT_THROW(
        GUTF8Encoding::GetInstance()->ConvertTo(pages.Borrow(length), GUnicodeEncoding::GetInstance(), out),
        GMemoryException);
    EXPECT_EQ(TextOf(out), "kept");
}
