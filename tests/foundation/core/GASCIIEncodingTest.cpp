// ASCII: which bytes it reads, what it writes for what it cannot hold, the routes into it, and the
// glyph names it borrows from Unicode.
#include "GASCIIEncoding.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EncodingTestSupport.h"
#include "GMacRomanEncoding.h"
#include "GMemoryException.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"

using namespace encodingtest;

namespace
{
constexpr unsigned cComplete = GEncodingResult::cComplete;
constexpr unsigned cLossy = GEncodingResult::cLossy;
constexpr unsigned cFailed = GEncodingResult::cFailed;
} // namespace

TEST(GASCIIEncodingTest, ReadsBytes07To7FAndReplacesTheRest)
{
    GASCIIEncoding const* ascii = GASCIIEncoding::GetInstance();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    for (unsigned byte = 0; byte < 256; ++byte)
    {
        SCOPED_TRACE("byte " + std::to_string(byte));
        bool const held = byte >= 0x07 && byte <= 0x7F;
        GBuffer out;
        EXPECT_EQ(unicode->ConvertFrom(BufferOf(Bytes{static_cast<unsigned char>(byte)}), ascii, out),
                  held ? cComplete : cLossy);
        EXPECT_EQ(UnitsOf(out), Units{static_cast<std::uint16_t>(held ? byte : '@')});
    }
}

TEST(GASCIIEncodingTest, EachUnreadableByteBecomesOneDefaultCharacter)
{
    GBuffer out("stale");
    EXPECT_EQ(GASCIIEncoding::GetInstance()->ConvertTo(BufferOf(Bytes{0x41, 0x05, 0x42, 0xE9, 0x00}),
                                                       GUnicodeEncoding::GetInstance(), out),
              cLossy);
    EXPECT_EQ(UnitsOf(out), (Units{0x41, '@', 0x42, '@', '@'}));

    EXPECT_EQ(GASCIIEncoding::GetInstance()->ConvertTo(GBuffer(), GUnicodeEncoding::GetInstance(), out),
              cComplete);
    EXPECT_EQ(out.GetLength(), 0);
}

TEST(GASCIIEncodingTest, TakesUnicodeUnitsBelow80AndReplacesTheRest)
{
    struct Case
    {
        char const* what;
        Units units;
        Bytes bytes;
        unsigned result;
    };
    Case const cases[] = {
        {"plain text", {0x48, 0x69, 0x7E, 0x07}, {0x48, 0x69, 0x7E, 0x07}, cComplete},
        {"e acute", {0x41, 0x00E9}, {0x41, '@'}, cLossy},
        {"control below 07", {0x0005}, {'@'}, cLossy},
        {"zero unit", {0x0000}, {'@'}, cLossy},
        {"unit whose low byte is ASCII", {0x0141}, {'@'}, cLossy},
        {"empty", {}, {}, cComplete},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.what);
        GBuffer out;
        EXPECT_EQ(GASCIIEncoding::GetInstance()->ConvertFrom(BufferOf(c.units),
                                                             GUnicodeEncoding::GetInstance(), out),
                  c.result);
        EXPECT_EQ(BytesOf(out), c.bytes);
    }
}

TEST(GASCIIEncodingTest, OtherSourcesComeThroughUTF16WithBothStepsInTheResult)
{
    GASCIIEncoding const* ascii = GASCIIEncoding::GetInstance();
    GBuffer out;

    EXPECT_EQ(ascii->ConvertFrom(BufferOf(Bytes{0x41, 0x42}), GMacRomanEncoding::GetInstance(), out),
              cComplete);
    EXPECT_EQ(BytesOf(out), (Bytes{0x41, 0x42}));

    // MacRoman 0xF0 has no character (first step lossy), and its default character is ASCII (second
    // step complete): 3, which is not success.
    EXPECT_EQ(ascii->ConvertFrom(BufferOf(Bytes{0xF0}), GMacRomanEncoding::GetInstance(), out),
              cComplete | cLossy);
    EXPECT_EQ(BytesOf(out), (Bytes{'@'}));

    // e acute is read (complete) but ASCII cannot hold it (lossy).
    EXPECT_EQ(ascii->ConvertFrom(BufferOf(Bytes{0x61, 0xC3, 0xA9}), GUTF8Encoding::GetInstance(), out),
              cComplete | cLossy);
    EXPECT_EQ(BytesOf(out), (Bytes{0x61, '@'}));

    // A source that cannot be read fails, and the caller's output is left as it was.
    out = "kept";
    EXPECT_EQ(ascii->ConvertFrom(BufferOf(Bytes{0x61, 0x80}), GUTF8Encoding::GetInstance(), out), cFailed);
    EXPECT_EQ(TextOf(out), "kept");

    // ASCII to ASCII goes through UTF-16 too; what it cannot read comes out as the default character.
    EXPECT_EQ(ascii->ConvertFrom(BufferOf(Bytes{0x41, 0x80}), ascii, out), cComplete | cLossy);
    EXPECT_EQ(BytesOf(out), (Bytes{0x41, '@'}));
}

TEST(GASCIIEncodingTest, OutputBorrowingForeignBytesIsNotWritten)
{
    std::vector<unsigned char> foreign(32, 0xEE);
    std::vector<unsigned char> const untouched = foreign;
    GBuffer borrowed;
    borrowed.SetFromStatic(reinterpret_cast<char const*>(foreign.data()), 2, 32);
    EXPECT_EQ(GASCIIEncoding::GetInstance()->ConvertTo(BufferOf(Bytes{0x41, 0x42, 0x43}),
                                                       GUnicodeEncoding::GetInstance(), borrowed),
              cComplete);
    EXPECT_EQ(UnitsOf(borrowed), (Units{0x41, 0x42, 0x43}));
    EXPECT_EQ(foreign, untouched);

    GBuffer text = BufferOf(Bytes{0x61, 0x62});
    EXPECT_EQ(GASCIIEncoding::GetInstance()->ConvertTo(text, GUnicodeEncoding::GetInstance(), text),
              cComplete);
    EXPECT_EQ(UnitsOf(text), (Units{0x61, 0x62}));
}

TEST(GASCIIEncodingTest, NamesOneByteCodesByTheirUnicodeGlyphNames)
{
    GASCIIEncoding const* ascii = GASCIIEncoding::GetInstance();
    GBuffer name;
    EXPECT_TRUE(ascii->GetGlyphName(CodeOf({0x41}), name));
    EXPECT_EQ(TextOf(name), "A");
    EXPECT_TRUE(ascii->GetGlyphName(CodeOf({0x20}), name));
    EXPECT_EQ(TextOf(name), "space");

    struct Case
    {
        char const* what;
        Bytes code;
    };
    Case const unnamed[] = {
        {"two-byte code", {0x00, 0x41}},
        {"empty code", {}},
        {"byte ASCII does not read", {0x05}},
        {"high byte", {0xE9}},
    };
    for (Case const& c : unnamed)
    {
        SCOPED_TRACE(c.what);
        GBuffer stale("stale");
        EXPECT_FALSE(ascii->GetGlyphName(CodeOf(c.code), stale));
        EXPECT_EQ(stale.GetLength(), 0);
    }
}

TEST(GASCIIEncodingTest, FindsTheByteOfAGlyphNameOnlyWhenASCIIHoldsIt)
{
    struct Case
    {
        char const* name;
        Bytes code;
    };
    Case const cases[] = {
        {"A", {0x41}},  {"space", {0x20}}, {"asciitilde", {0x7E}}, {"a.sc", {0x61}}, {"eacute", {}},
        {"bullet", {}}, {"T_h", {}},       {"nosuchglyph", {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        GCharCode code(static_cast<unsigned char>(0x99));
        GASCIIEncoding::GetInstance()->GetCharCode(Name(c.name), code);
        EXPECT_EQ(BytesOf(code), c.code);
    }
}

// Two bytes of UTF-16 per byte: more than 1 GiB of ASCII needs more room than any buffer has.
TEST(GASCIIEncodingTest, InputTooLongForTheLargestOutputIsOutOfMemory)
{
    int const length = (1 << 30) + 1;
    ZeroPages const pages(static_cast<std::size_t>(length) + 4096);
    ASSERT_TRUE(pages.IsValid());
    GBuffer out("kept");
    EXPECT_THROW(
        GASCIIEncoding::GetInstance()->ConvertTo(pages.Borrow(length), GUnicodeEncoding::GetInstance(), out),
        GMemoryException);
    EXPECT_EQ(TextOf(out), "kept");
}
