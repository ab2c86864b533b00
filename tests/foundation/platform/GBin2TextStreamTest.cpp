// The text reader: settling the encoding from byte-order marks, tokens, lines and their ends,
// quoted strings with escapes, skipping, the odd UTF-16 byte, every encoding in both byte orders,
// and random bytes that must neither crash nor hang it.
#include <gtest/gtest.h>

#include "LineEndingScope.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "GASCIIEncoding.h"
#include "GBin2TextStream.h"
#include "GBufferSupport.h"
#include "GBufferedInStreamDecorator.h"
#include "GMacRomanEncoding.h"
#include "GMemoryInStream.h"
#include "GPDFDocEncoding.h"
#include "GPlatformEncoding.h"
#include "GPlatformEncodingFactory.h"
#include "GShiftJISEncoding.h"
#include "GString.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace
{
using Bytes = std::vector<unsigned char>;

GBuffer BufferOf(Bytes const& bytes)
{
    return GBuffer(bytes.data(), static_cast<int>(bytes.size()));
}

GBuffer BufferOf(std::string const& text)
{
    return GBuffer(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(text.size()));
}

// The UTF-16 form of a string, for comparisons whatever its encoding.
std::u16string U16(GString const& text)
{
    GBuffer units = text.GetBuffer(GUnicodeEncoding::GetInstance());
    return std::u16string(reinterpret_cast<char16_t const*>(units.GetPtr()),
                          static_cast<std::size_t>(units.GetLength() / 2));
}

GString StringOf(std::u16string const& text)
{
    return GString(text.c_str(), true);
}

// text as little-endian UTF-16 (the machine's order here), or big-endian.
GBuffer UTF16Of(std::u16string const& text, bool bigEndian)
{
    GBuffer bytes = StringOf(text).GetBuffer(GUnicodeEncoding::GetInstance());
    if (bigEndian)
        GBufferSupport::SwapUnicodeBytes(bytes);
    return bytes;
}

// A memory stream and a reader over bytes that the fixture keeps alive.
struct ReaderOver
{
    explicit ReaderOver(GBuffer const& bytes, GEncoding* encoding = nullptr)
        : fBytes(bytes), fSource(fBytes), fReader(fSource, encoding)
    {
    }
    // The bytes the reader has left in its source.
    int Left() const { return fSource.GetLength() - fSource.GetPosition(); }

    GBuffer fBytes;
    GMemoryInStream fSource;
    GBin2TextStream fReader;
};

// Delivers at most three bytes per read, as a pipe or a slow file may: a UTF-16 unit then arrives
// in two reads.
class TricklingStream : public GBufferedInStream
{
public:
    explicit TricklingStream(GBuffer const& bytes) : fInner(bytes) {}
    GInStream* CreateClone() const override { return nullptr; }
    int Read(GBuffer& out, int count) override { return fInner.Read(out, std::min(count, 3)); }
    void Reset() override { fInner.Reset(); }
    int Unread(int count) override { return fInner.Unread(count); }
    void SetRollBackPoint() override { fInner.SetRollBackPoint(); }
    int RollBack() override { return fInner.RollBack(); }

private:
    GMemoryInStream fInner;
};

// Delivers at most a given number of bytes per read and cannot step back: the inner stream of a
// block decorator.
class ShortReadStream : public GInStream
{
public:
    ShortReadStream(GBuffer const& bytes, int mostPerRead) : fInner(bytes), fMostPerRead(mostPerRead) {}
    GInStream* CreateClone() const override { return nullptr; }
    int Read(GBuffer& out, int count) override { return fInner.Read(out, std::min(count, fMostPerRead)); }
    void Reset() override { fInner.Reset(); }

private:
    GMemoryInStream fInner;
    int fMostPerRead;
};

// Lines end in a carriage return alone here; the escape "\n" reads as that.
class GBin2TextStreamTest : public ::testing::Test
{
protected:
    testsupport::LineEndingScope fLineEnding{true, false};
};

std::string const cLong255(255, 'a');
} // namespace

// --- settling the encoding ---

struct SettleCase
{
    char const* fLabel;
    Bytes fBytes;
    GEncoding* (*fGiven)();
    GEncoding* (*fExpected)();
    int fWidth;
    bool fSwap;
    std::u16string fFirstToken;
};

GEncoding* NoEncoding()
{
    return nullptr;
}
GEncoding* Unicode()
{
    return GUnicodeEncoding::GetInstance();
}
GEncoding* UTF8()
{
    return GUTF8Encoding::GetInstance();
}
GEncoding* WinAnsi()
{
    return GWinAnsiEncoding::GetInstance();
}
GEncoding* Platform()
{
    return GPlatformEncoding::GetInstance();
}

TEST_F(GBin2TextStreamTest, SettlesTheEncodingFromTheMarkOrTheCaller)
{
    std::vector<SettleCase> const cases = {
        {"empty source", {}, NoEncoding, Platform, 1, false, u""},
        {"little-endian mark", {0xFF, 0xFE, 'A', 0}, NoEncoding, Unicode, 2, false, u"A"},
        {"big-endian mark", {0xFE, 0xFF, 0, 'A'}, NoEncoding, Unicode, 2, true, u"A"},
        {"UTF-8 mark", {0xEF, 0xBB, 0xBF, 'a', 'b'}, NoEncoding, UTF8, 1, false, u"ab"},
        {"no mark", {'a', 'b'}, NoEncoding, Platform, 1, false, u"ab"},
        {"one byte", {'x'}, NoEncoding, Platform, 1, false, u"x"},
        {"half a UTF-8 mark", {0xEF, 0xBB, 'z'}, NoEncoding, Platform, 1, false, u"\u00d4\u00aaz"},
        {"UTF-8 given, no mark", {'a', 'b'}, UTF8, UTF8, 1, false, u"ab"},
        {"UTF-8 given, mark", {0xEF, 0xBB, 0xBF, 'a'}, UTF8, UTF8, 1, false, u"a"},
        {"UTF-16 given, no mark", {'A', 0, 'B', 0}, Unicode, Unicode, 2, false, u"AB"},
        {"UTF-16 given, big-endian mark", {0xFE, 0xFF, 0, 'A'}, Unicode, Unicode, 2, true, u"A"},
        {"UTF-16 given, little-endian mark", {0xFF, 0xFE, 'A', 0}, Unicode, Unicode, 2, false, u"A"},
        {"WinAnsi given keeps a UTF-8 mark as text",
         {0xEF, 0xBB, 0xBF, 'a'},
         WinAnsi,
         WinAnsi,
         1,
         false,
         u"\u00ef\u00bb\u00bfa"},
        {"WinAnsi given keeps a UTF-16 mark as text",
         {0xFF, 0xFE, 'a'},
         WinAnsi,
         WinAnsi,
         1,
         false,
         u"\u00ff\u00fea"},
    };
    for (SettleCase const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        ReaderOver r(BufferOf(c.fBytes), c.fGiven());
        EXPECT_EQ(r.fReader.GetEncoding(), c.fExpected());
        EXPECT_EQ(r.fReader.GetUnitWidth(), c.fWidth);
        EXPECT_EQ(r.fReader.IsSwappingBytes(), c.fSwap);
        GString token;
        EXPECT_EQ(r.fReader.ReadString(token), !c.fFirstToken.empty());
        EXPECT_EQ(U16(token), c.fFirstToken);
        if (!token.IsEmpty())
        {
            EXPECT_EQ(token.GetEncoding().Get(), c.fExpected());
        }
    }
}

TEST_F(GBin2TextStreamTest, SetEncodingSettlesAgainFromTheCurrentPosition)
{
    // An 8-bit header line, then UTF-16 with its own mark.
    GBuffer bytes = BufferOf(std::string("head\r"));
    bytes += GBuffer(reinterpret_cast<unsigned char const*>("\xFE\xFF"), 2);
    bytes += UTF16Of(u"\u0416x y", true);
    ReaderOver r(bytes);
    GString text;
    ASSERT_TRUE(r.fReader.ReadLine(text));
    EXPECT_EQ(U16(text), u"head");

    GEncoding* platform = r.fReader.GetEncoding();
    r.fReader.SetEncoding(platform);
    EXPECT_EQ(r.fReader.GetUnitWidth(), 1) << "the same encoding changes nothing";

    r.fReader.SetEncoding(GUnicodeEncoding::GetInstance());
    EXPECT_TRUE(r.fReader.IsSwappingBytes());
    ASSERT_TRUE(r.fReader.ReadString(text));
    EXPECT_EQ(U16(text), u"\u0416x");
    ASSERT_TRUE(r.fReader.ReadString(text));
    EXPECT_EQ(U16(text), u"y");
}

// --- every encoding, both byte orders ---

struct EncodingCase
{
    char const* fLabel;
    GEncoding* (*fGiven)();
    // The encoding the text is written in; null for UTF-16.
    GEncoding* (*fWritten)();
    Bytes fMark;
    bool fBigEndian;
    // Characters beyond ASCII that the encoding holds.
    std::u16string fExtra;
};

TEST_F(GBin2TextStreamTest, ReadsTheSameTextInEveryEncodingAndByteOrder)
{
    // U+0D22 and U+220D hold the bytes of CR and the double quote in one half: in UTF-16 only whole
    // units may be compared.
    std::u16string const wide = u"\u00e9\u0d22\u220d\U0001F600";
    std::vector<EncodingCase> const cases = {
        {"UTF-16 little-endian, detected", NoEncoding, nullptr, {0xFF, 0xFE}, false, wide},
        {"UTF-16 big-endian, detected", NoEncoding, nullptr, {0xFE, 0xFF}, true, wide},
        {"UTF-16 given, no mark", Unicode, nullptr, {}, false, wide},
        {"UTF-16 given, big-endian mark", Unicode, nullptr, {0xFE, 0xFF}, true, wide},
        {"UTF-16 given, little-endian mark", Unicode, nullptr, {0xFF, 0xFE}, false, wide},
        {"UTF-8 detected", NoEncoding, UTF8, {0xEF, 0xBB, 0xBF}, false, u"\u00e9\u20ac\U0001F600"},
        {"UTF-8 given, no mark", UTF8, UTF8, {}, false, u"\u00e9\u20ac"},
        {"WinAnsi", WinAnsi, WinAnsi, {}, false, u"\u00e9\u20ac"},
        {"MacRoman",
         [] { return static_cast<GEncoding*>(GMacRomanEncoding::GetInstance()); },
         [] { return static_cast<GEncoding*>(GMacRomanEncoding::GetInstance()); },
         {},
         false,
         u"\u00e9\u00c5"},
        {"PDFDoc",
         [] { return static_cast<GEncoding*>(GPDFDocEncoding::GetInstance()); },
         [] { return static_cast<GEncoding*>(GPDFDocEncoding::GetInstance()); },
         {},
         false,
         u"\u00e9\u2022"},
        {"ASCII",
         [] { return static_cast<GEncoding*>(GASCIIEncoding::GetInstance()); },
         [] { return static_cast<GEncoding*>(GASCIIEncoding::GetInstance()); },
         {},
         false,
         u"~"},
        {"platform, detected", NoEncoding, Platform, {}, false, u"\u00e9"},
        {"Shift-JIS",
         [] { return static_cast<GEncoding*>(GShiftJISEncoding::GetInstance()); },
         [] { return static_cast<GEncoding*>(GShiftJISEncoding::GetInstance()); },
         {},
         false,
         u"\u65e5\u672c"},
    };
    for (EncodingCase const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        std::u16string const quoted = u"q \"x\"\t" + c.fExtra + u"\r\nnext";
        std::u16string const text = u"  first\tword \r\n\"q \\\"x\\\"\\t" + c.fExtra +
                                    u"\r\nnext\" tail\rline " + c.fExtra + u"\nlast";
        GBuffer bytes = BufferOf(c.fMark);
        if (c.fWritten)
        {
            GBuffer encoded;
            ASSERT_EQ(StringOf(text).GetBuffer(encoded, c.fWritten()), 1u);
            bytes += encoded;
        }
        else
            bytes += UTF16Of(text, c.fBigEndian);

        ReaderOver r(bytes, c.fGiven());
        GString s;
        EXPECT_TRUE(r.fReader.ReadString(s));
        EXPECT_EQ(U16(s), u"first");
        EXPECT_TRUE(r.fReader.ReadString(s));
        EXPECT_EQ(U16(s), u"word");
        EXPECT_EQ(r.fReader.SkipWhitespace(true), 3);
        EXPECT_TRUE(r.fReader.ReadQuotedString(s));
        EXPECT_EQ(U16(s), quoted);
        EXPECT_EQ(r.fReader.SkipWhitespace(false), 1);
        EXPECT_TRUE(r.fReader.ReadLine(s));
        EXPECT_EQ(U16(s), u"tail");
        EXPECT_TRUE(r.fReader.ReadLine(s));
        EXPECT_EQ(U16(s), u"line " + c.fExtra);
        EXPECT_TRUE(r.fReader.ReadLine(s));
        EXPECT_EQ(U16(s), u"last");
        EXPECT_FALSE(r.fReader.ReadLine(s));
        EXPECT_TRUE(s.IsEmpty());
        EXPECT_EQ(r.Left(), 0);
    }
}

// --- lines ---

TEST_F(GBin2TextStreamTest, EachLineEndEndsOneLine)
{
    struct LineCase
    {
        char const* fLabel;
        std::string fText;
        std::vector<std::u16string> fLines;
    };
    std::vector<LineCase> const cases = {
        {"CR", "a\rb", {u"a", u"b"}},
        {"LF", "a\nb", {u"a", u"b"}},
        {"CR LF is one line end", "a\r\nb", {u"a", u"b"}},
        {"CR CR", "a\r\rb", {u"a", u"", u"b"}},
        {"LF CR is two", "a\n\rb", {u"a", u"", u"b"}},
        {"trailing line end adds no line", "a\r", {u"a"}},
        {"empty lines", "\r\n\r\n", {u"", u""}},
        {"no line end", "abc", {u"abc"}},
        {"CR LF at the end of a chunk", cLong255 + "\r\nb", {std::u16string(255, u'a'), u"b"}},
        {"CR at the end of a chunk, no LF", cLong255 + "\rb", {std::u16string(255, u'a'), u"b"}},
        {"LF starts the next chunk", std::string(256, 'a') + "\nb", {std::u16string(256, u'a'), u"b"}},
        {"line over several chunks", std::string(700, 'a') + "\r\nb", {std::u16string(700, u'a'), u"b"}},
    };
    for (LineCase const& c : cases)
    {
        for (bool wide : {false, true})
        {
            SCOPED_TRACE(std::string(c.fLabel) + (wide ? ", UTF-16" : ", 8-bit"));
            GBuffer bytes;
            if (wide)
            {
                bytes = BufferOf(Bytes{0xFF, 0xFE});
                bytes += UTF16Of(std::u16string(c.fText.begin(), c.fText.end()), false);
            }
            else
                bytes = BufferOf(c.fText);
            ReaderOver r(bytes);
            GString line;
            for (std::u16string const& expected : c.fLines)
            {
                EXPECT_TRUE(r.fReader.ReadLine(line));
                EXPECT_EQ(U16(line), expected);
            }
            EXPECT_FALSE(r.fReader.ReadLine(line));
            EXPECT_TRUE(line.IsEmpty());
        }
    }
}

TEST_F(GBin2TextStreamTest, ReadsUTF16LinesAfterTheMark)
{
    ReaderOver r(BufferOf(Bytes{0xFF, 0xFE, 0x41, 0, 0x0D, 0, 0x0A, 0, 0x42, 0}));
    GString line;
    EXPECT_TRUE(r.fReader.ReadLine(line));
    EXPECT_EQ(U16(line), u"A");
    EXPECT_TRUE(r.fReader.ReadLine(line));
    EXPECT_EQ(U16(line), u"B");
    EXPECT_FALSE(r.fReader.ReadLine(line));
    EXPECT_TRUE(line.IsEmpty());
}

TEST_F(GBin2TextStreamTest, TextTheEncodingRejectsReadsAsAnEmptyLine)
{
    ReaderOver r(BufferOf(std::string("ok\r\xC3(\rnext")), GUTF8Encoding::GetInstance());
    GString line;
    EXPECT_TRUE(r.fReader.ReadLine(line));
    EXPECT_EQ(U16(line), u"ok");
    EXPECT_TRUE(r.fReader.ReadLine(line));
    EXPECT_TRUE(line.IsEmpty());
    EXPECT_TRUE(r.fReader.ReadLine(line));
    EXPECT_EQ(U16(line), u"next");
}

// --- tokens and terminators ---

TEST_F(GBin2TextStreamTest, TokenStopsBeforeTheWhiteSpaceAfterIt)
{
    ReaderOver r(BufferOf(std::string("  first second")));
    GString token;
    ASSERT_TRUE(r.fReader.ReadString(token));
    EXPECT_EQ(U16(token), u"first");
    GBuffer next;
    ASSERT_EQ(r.fReader.Read(next, 1), 1);
    EXPECT_EQ(next.GetPtr()[0], ' ');
}

TEST_F(GBin2TextStreamTest, OnlyWhiteSpaceLeftGivesNoToken)
{
    ReaderOver r(BufferOf(std::string(" \t\r\n  ")));
    GString token("stale");
    EXPECT_FALSE(r.fReader.ReadString(token));
    EXPECT_TRUE(token.IsEmpty());
    EXPECT_EQ(r.Left(), 0);
}

TEST_F(GBin2TextStreamTest, ReadTillTerminatorLeavesTheTerminatorUnread)
{
    ReaderOver r(BufferOf(std::string("=key;value")));
    GString text;
    EXPECT_TRUE(r.fReader.ReadTillTerminator(GString("=;"), text)) << "standing on a terminator";
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(r.Left(), 10);

    GBuffer skip;
    r.fReader.Read(skip, 1);
    EXPECT_TRUE(r.fReader.ReadTillTerminator(GBuffer(";"), text));
    EXPECT_EQ(U16(text), u"key");
    EXPECT_EQ(r.Left(), 6);
    r.fReader.Read(skip, 1);
    EXPECT_TRUE(r.fReader.ReadTillTerminator(GString(";"), text));
    EXPECT_EQ(U16(text), u"value");
    EXPECT_FALSE(r.fReader.ReadTillTerminator(GString(";"), text));
}

TEST_F(GBin2TextStreamTest, ReadTillTerminatorComparesWholeUnitsInUTF16)
{
    // U+3D41 holds the byte of "=" in its high half; swapped input must be compared after the swap.
    for (bool bigEndian : {false, true})
    {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        GBuffer bytes = BufferOf(bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE});
        bytes += UTF16Of(u"\u3d41\u413d=rest", bigEndian);
        ReaderOver r(bytes);
        GString text;
        EXPECT_TRUE(r.fReader.ReadTillTerminator(GString("="), text));
        EXPECT_EQ(U16(text), u"\u3d41\u413d");
        EXPECT_EQ(r.Left(), 10);
    }
}

// Sets of one to six terminators are searched many units at a time: whichever member comes first,
// at any distance from the start and from the end of the data, ends the text there, in 8-bit
// text and in UTF-16; a unit sharing a byte with a member is text.
TEST_F(GBin2TextStreamTest, ReadTillTerminatorStopsAtTheFirstMemberWhereverItStands)
{
    std::u16string const members = u"=;:,|\u203b";
    for (bool wide : {false, true})
    {
        for (std::size_t size = 1; size <= 6; ++size)
        {
            // The six-member set holds a unit above 255 in UTF-16; the 8-bit sets keep to ASCII.
            if (!wide && size == 6)
                continue;
            std::u16string const set = members.substr(0, size);
            for (std::size_t length = 0; length <= 40; ++length)
            {
                for (std::size_t member = 0; member < size; ++member)
                {
                    SCOPED_TRACE(testing::Message() << (wide ? "UTF-16" : "8-bit") << ", " << size
                                                    << " members, terminator " << member << " after "
                                                    << length << " units");
                    // Text units that hold a member's byte in their other half come first.
                    std::u16string text;
                    for (std::size_t i = 0; i < length; ++i)
                        text += wide && i % 3 == 0 ? char16_t(0x3d00 + 'a' + i % 20) : char16_t('a' + i % 20);
                    std::u16string const data = text + set[member] + u"tail" + set[0];
                    GBuffer bytes = wide ? UTF16Of(data, false) : BufferOf(std::string(data.begin(), data.end()));
                    ReaderOver r(bytes, wide ? static_cast<GEncoding*>(GUnicodeEncoding::GetInstance()) : GASCIIEncoding::GetInstance());
                    GString read;
                    ASSERT_TRUE(r.fReader.ReadTillTerminator(StringOf(set), read));
                    EXPECT_EQ(U16(read), text);
                    EXPECT_EQ(r.Left(), static_cast<int>((data.size() - text.size()) * (wide ? 2 : 1)));
                }
            }
        }
    }
}

// --- quoted strings ---

TEST_F(GBin2TextStreamTest, ReadsQuotedStringWithEscapes)
{
    struct QuotedCase
    {
        char const* fLabel;
        std::string fText;
        bool fResult;
        std::u16string fExpected;
        // What a token read afterwards gives.
        std::u16string fAfter;
    };
    std::vector<QuotedCase> const cases = {
        {"line end and an unknown escape", "\"a\\nb\\q\"", true, u"a\rb\\q", u""},
        {"every escape", "\"\\\"\\'\\\\\\t\\x\"", true, u"\"'\\\t\\x", u""},
        {"escaped backslash starts no second escape", "\"\\\\n\"", true, u"\\n", u""},
        {"empty", "\"\" next", true, u"", u"next"},
        {"spans lines", "\"a\r\nb\" c", true, u"a\r\nb", u"c"},
        {"the rest is left", "\"a\"rest", true, u"a", u"rest"},
        {"unterminated", "\"abc", false, u"abc", u""},
        {"backslash as the very last unit", "\"ab\\", false, u"ab\\", u""},
        {"escape across a chunk", "\"" + cLong255 + "\\tz\"", true, std::u16string(255, u'a') + u"\tz", u""},
        {"escaped quote across a chunk", "\"" + cLong255 + "\\\"z\" w", true,
         std::u16string(255, u'a') + u"\"z", u"w"},
        {"long", "\"" + std::string(1000, 'b') + "\"", true, std::u16string(1000, u'b'), u""},
    };
    for (QuotedCase const& c : cases)
    {
        for (bool wide : {false, true})
        {
            SCOPED_TRACE(std::string(c.fLabel) + (wide ? ", UTF-16" : ", 8-bit"));
            GBuffer bytes;
            if (wide)
            {
                bytes = BufferOf(Bytes{0xFE, 0xFF});
                bytes += UTF16Of(std::u16string(c.fText.begin(), c.fText.end()), true);
            }
            else
                bytes = BufferOf(c.fText);
            ReaderOver r(bytes);
            GString text;
            EXPECT_EQ(r.fReader.ReadQuotedString(text), c.fResult);
            EXPECT_EQ(U16(text), c.fExpected);
            GString after;
            r.fReader.ReadString(after);
            EXPECT_EQ(U16(after), c.fAfter);
        }
    }
}

TEST_F(GBin2TextStreamTest, UTF16UnitsSharingAByteWithAQuoteOrALineEndAreText)
{
    // Units whose bytes equal a quote, a backslash, a carriage return or a line feed, before the
    // quote and the line end at every position within groups of four units, in both byte orders
    // (read in place, or brought to the machine's order), from memory and through a decorator
    // whose blocks (of an odd size, so that one may end in half a unit) arrive three bytes at a
    // time; a first line moves the text across a block's end.
    std::u16string const lookalikes = u"\u2222\u0122\u5C5C\u0D0D\u0A00\u220D";
    for (int length = 0; length < 10; ++length)
    {
        std::u16string value;
        for (int i = 0; i < length; ++i)
            value += lookalikes[static_cast<std::size_t>(i) % lookalikes.size()];
        for (std::size_t padding : {std::size_t(0), std::size_t(248), std::size_t(251)})
        {
            std::u16string const first(padding, u'x');
            std::u16string const text = first + u"\r\"" + value + u"\"" + value + u"\rnext";
            for (bool bigEndian : {false, true})
            {
                for (bool decorated : {false, true})
                {
                    SCOPED_TRACE(::testing::Message() << length << " after " << padding
                                                      << (bigEndian ? " big-endian" : " little-endian")
                                                      << (decorated ? " decorated" : ""));
                    GBuffer bytes = BufferOf(bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE});
                    bytes += UTF16Of(text, bigEndian);
                    ShortReadStream inner(bytes, 3);
                    GBin2TextStream reader(
                        decorated ? static_cast<GBufferedInStream*>(
                                        new GBufferedInStreamDecorator(inner, GBin2TextStream::cMaxUnread + 1))
                                  : new GMemoryInStream(bytes),
                        nullptr);
                    GString line;
                    ASSERT_TRUE(reader.ReadLine(line));
                    EXPECT_EQ(U16(line), first);
                    GString quoted;
                    ASSERT_TRUE(reader.ReadQuotedString(quoted));
                    EXPECT_EQ(U16(quoted), value);
                    ASSERT_TRUE(reader.ReadLine(line));
                    EXPECT_EQ(U16(line), value);
                    ASSERT_TRUE(reader.ReadString(line));
                    EXPECT_EQ(U16(line), u"next");
                }
            }
        }
    }
}

TEST_F(GBin2TextStreamTest, SecondBytesOfTwoByteCharactersAreNeverQuotesEscapesOrTerminators)
{
    // 95 5C is "表" in Shift-JIS and 81 5C "乗" in the Chinese code page: the 5C is no backslash.
    struct Case
    {
        char const* fName;
        GEncoding* fEncoding;
        Bytes fLead;
        std::u16string fCharacter;
    };
    Case const cases[] = {
        {"Shift-JIS", GShiftJISEncoding::GetInstance(), {0x95}, u"\u8868"},
        {"Chinese", GPlatformEncodingFactory::GetInstance()->GetPRCEncoding(), {0x81}, u"\u4e57"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        std::u16string const backslash = U16(GString("\\", c.fEncoding, true));
        auto const character = [&](Bytes bytes)
        {
            bytes.insert(bytes.end(), c.fLead.begin(), c.fLead.end());
            bytes.push_back(0x5C);
            return bytes;
        };
        // Quoted: the character alone, after an escape, after a backslash that escapes nothing,
        // and with its lead byte ending the reader's first chunk.
        Bytes data = character({'"'});
        data.insert(data.end(), {'"', ' ', '"', '\\', '\\'});
        data = character(data);
        data.insert(data.end(), {'"', ' ', '"', '\\'});
        data = character(data);
        data.insert(data.end(), {'"', ' ', '"'});
        data.insert(data.end(), 255, 'a');
        data = character(data);
        data.insert(data.end(), {'"', '\r'});
        // Up to a terminator: the backslash.
        data = character(data);
        data.insert(data.end(), {'\\', 'x'});
        ReaderOver r(BufferOf(data), c.fEncoding);
        GString s;
        ASSERT_TRUE(r.fReader.ReadQuotedString(s));
        EXPECT_EQ(U16(s), c.fCharacter);
        r.fReader.SkipWhitespace(false);
        ASSERT_TRUE(r.fReader.ReadQuotedString(s));
        EXPECT_EQ(U16(s), backslash + c.fCharacter);
        r.fReader.SkipWhitespace(false);
        ASSERT_TRUE(r.fReader.ReadQuotedString(s));
        EXPECT_EQ(U16(s), backslash + c.fCharacter);
        r.fReader.SkipWhitespace(false);
        ASSERT_TRUE(r.fReader.ReadQuotedString(s));
        EXPECT_EQ(U16(s), std::u16string(255, u'a') + c.fCharacter);
        ASSERT_TRUE(r.fReader.ReadLine(s));
        EXPECT_TRUE(s.IsEmpty());
        ASSERT_TRUE(r.fReader.ReadTillTerminator(GString("\\"), s));
        EXPECT_EQ(U16(s), c.fCharacter);
        EXPECT_EQ(r.Left(), 2);
    }
}

TEST_F(GBin2TextStreamTest, LeadByteBeforeABlankAQuoteOrALineEndIsACharacterOfItsOwn)
{
    // Broken Shift-JIS: 81 starts a character of two bytes, but a second byte is never below 0x40,
    // so the blank, the quote and the line end after it keep their meaning.
    Bytes const data = {0x81, ' ', 'a', ' ', '"', 'b', 0x81, '"', '\r', 'c', 0x81, '\r', 'd'};
    GEncoding* shiftJIS = GShiftJISEncoding::GetInstance();
    ReaderOver r(BufferOf(data), shiftJIS);
    GString s;
    ASSERT_TRUE(r.fReader.ReadString(s));
    EXPECT_EQ(BufferOf(Bytes{0x81}), s.GetBuffer(shiftJIS));
    ASSERT_TRUE(r.fReader.ReadString(s));
    EXPECT_EQ(U16(s), u"a");
    r.fReader.SkipWhitespace(false);
    ASSERT_TRUE(r.fReader.ReadQuotedString(s));
    EXPECT_EQ(BufferOf(Bytes{'b', 0x81}), s.GetBuffer(shiftJIS));
    ASSERT_TRUE(r.fReader.ReadLine(s));
    EXPECT_TRUE(s.IsEmpty());
    ASSERT_TRUE(r.fReader.ReadLine(s));
    EXPECT_EQ(BufferOf(Bytes{'c', 0x81}), s.GetBuffer(shiftJIS));
    ASSERT_TRUE(r.fReader.ReadLine(s));
    EXPECT_EQ(U16(s), u"d");
}

TEST_F(GBin2TextStreamTest, NoQuoteAtThePositionConsumesNothing)
{
    ReaderOver r(BufferOf(std::string("x\"a\"")));
    GString text("stale");
    EXPECT_FALSE(r.fReader.ReadQuotedString(text));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(r.Left(), 4);

    ReaderOver empty(GBuffer{});
    EXPECT_FALSE(empty.fReader.ReadQuotedString(text));
    EXPECT_TRUE(text.IsEmpty());
}

TEST_F(GBin2TextStreamTest, OnlyTheBackslashEscapes)
{
    // 0xA5 is the yen sign in WinAnsi, an escape character of the in-buffer un-escaping only.
    ReaderOver r(BufferOf(std::string("\"\xA5t\x80t\"")), GWinAnsiEncoding::GetInstance());
    GString text;
    EXPECT_TRUE(r.fReader.ReadQuotedString(text));
    EXPECT_EQ(U16(text), u"\u00a5t\u20act");
}

TEST_F(GBin2TextStreamTest, EscapedLineEndIsThePlatformLineEnd)
{
    struct EndCase
    {
        bool fCR;
        bool fLF;
        std::u16string fExpected;
    };
    for (EndCase const& c : {EndCase{true, false, u"a\rb"}, EndCase{false, true, u"a\nb"},
                             EndCase{true, true, u"a\r\nb"}, EndCase{false, false, u"ab"}})
    {
        SCOPED_TRACE(std::string("CR ") + (c.fCR ? "on" : "off") + ", LF " + (c.fLF ? "on" : "off"));
        GBufferSupport::SetLineEnding(c.fCR, c.fLF);
        for (bool wide : {false, true})
        {
            GBuffer bytes = wide ? UTF16Of(u"\"a\\nb\"", false) : BufferOf(std::string("\"a\\nb\""));
            ReaderOver r(bytes, wide ? Unicode() : nullptr);
            GString text;
            EXPECT_TRUE(r.fReader.ReadQuotedString(text));
            EXPECT_EQ(U16(text), c.fExpected);
        }
    }
}

// --- skipping ---

TEST_F(GBin2TextStreamTest, SkipsWhiteSpaceWithAndWithoutLineEnds)
{
    for (bool wide : {false, true})
    {
        SCOPED_TRACE(wide ? "UTF-16 big-endian" : "8-bit");
        std::u16string const text = u" \t \r\n" + std::u16string(50, u' ') + u"x";
        GBuffer bytes = wide ? BufferOf(Bytes{0xFE, 0xFF}) : GBuffer();
        if (wide)
            bytes += UTF16Of(text, true);
        else
            bytes = BufferOf(std::string(text.begin(), text.end()));
        ReaderOver r(bytes);
        int const width = wide ? 2 : 1;
        EXPECT_EQ(r.fReader.SkipWhitespace(false), 3);
        EXPECT_EQ(r.fReader.SkipWhitespace(false), 0) << "stops at the CR";
        EXPECT_EQ(r.fReader.SkipWhitespace(true), 52) << "over several chunks";
        EXPECT_EQ(r.Left(), width);
        EXPECT_EQ(r.fReader.SkipChars(GString("yx")), 1);
        EXPECT_EQ(r.fReader.SkipWhitespace(true), 0) << "at the end of the data";
    }
}

TEST_F(GBin2TextStreamTest, SkipsTheUnitsOfAGivenSet)
{
    ReaderOver r(BufferOf(std::string("abcabX")));
    unsigned char const set[] = {'a', 'b', 'c'};
    EXPECT_EQ(r.fReader.SkipBytes(set, 2), 2);
    EXPECT_EQ(r.fReader.SkipBytes(set, 3), 3);
    EXPECT_EQ(r.Left(), 1);

    ReaderOver w(UTF16Of(u"\u4e00\u4e01\u4e00z", false), Unicode());
    unsigned short const words[] = {0x4e00, 0x4e01};
    EXPECT_EQ(w.fReader.SkipWords(words, 2), 3);
    EXPECT_EQ(w.Left(), 2);
}

// --- units and raw bytes ---

TEST_F(GBin2TextStreamTest, ReadsCountedUnits)
{
    for (bool wide : {false, true})
    {
        SCOPED_TRACE(wide ? "UTF-16" : "8-bit");
        GBuffer bytes = wide ? UTF16Of(u"abcde", true) : BufferOf(std::string("abcde"));
        if (wide)
            bytes = BufferOf(Bytes{0xFE, 0xFF}) + bytes;
        ReaderOver r(bytes);
        GString text;
        EXPECT_EQ(r.fReader.Read(3, text), 3);
        EXPECT_EQ(U16(text), u"abc");
        EXPECT_EQ(r.fReader.Read(10, text), 2);
        EXPECT_EQ(U16(text), u"de");
        EXPECT_EQ(r.fReader.Read(1, text), -1);
        EXPECT_EQ(U16(text), u"de") << "left as it was at the end";
        EXPECT_EQ(r.fReader.Read(0, text), -1);
    }
}

TEST_F(GBin2TextStreamTest, CountedUnitsAreReadAcrossTheBlocksOfADecorator)
{
    // A token first leaves the decorator's block partly used; the counted read that follows still
    // gets its whole count, as from memory.
    std::string const text = "x " + std::string(700, 'y');
    GBuffer bytes = BufferOf(text);
    ShortReadStream inner(bytes, 3);
    GBin2TextStream reader(new GBufferedInStreamDecorator(inner, GBin2TextStream::cMaxUnread),
                           GASCIIEncoding::GetInstance());
    GString token;
    ASSERT_TRUE(reader.ReadString(token));
    ASSERT_EQ(reader.SkipWhitespace(false), 1);
    GString counted;
    EXPECT_EQ(reader.Read(600, counted), 600);
    EXPECT_EQ(U16(counted), std::u16string(600, u'y'));
    EXPECT_EQ(reader.Read(600, counted), 100);
}

TEST_F(GBin2TextStreamTest, PassesRawBytesAndStepsBackThroughItsSource)
{
    ReaderOver r(BufferOf(std::string("abcdef")));
    EXPECT_EQ(r.fReader.CreateClone(), nullptr);
    r.fReader.SetRollBackPoint();
    GBuffer raw;
    EXPECT_EQ(r.fReader.Read(raw, 4), 4);
    EXPECT_EQ(r.fReader.Unread(1), 1);
    EXPECT_EQ(r.fReader.Skip(2), 2);
    r.fReader.RollBack();
    GString line;
    EXPECT_TRUE(r.fReader.ReadLine(line));
    EXPECT_EQ(U16(line), u"abcdef");
}

// --- damaged input ---

TEST_F(GBin2TextStreamTest, DropsAnOddLastByteOfUTF16)
{
    struct OddCase
    {
        char const* fLabel;
        Bytes fBytes;
        std::vector<std::u16string> fLines;
    };
    std::vector<OddCase> const cases = {
        {"after a line", {0xFF, 0xFE, 'A', 0, 'B'}, {u"A"}},
        {"after a line end", {0xFF, 0xFE, 'A', 0, 0x0D, 0, 'B'}, {u"A"}},
        {"after CR LF", {0xFF, 0xFE, 'A', 0, 0x0D, 0, 0x0A, 0, 'B'}, {u"A"}},
        {"alone after the mark", {0xFF, 0xFE, 'A'}, {}},
        {"big-endian", {0xFE, 0xFF, 0, 'A', 0}, {u"A"}},
    };
    for (OddCase const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        {
            ReaderOver r(BufferOf(c.fBytes));
            GString line;
            for (std::u16string const& expected : c.fLines)
            {
                EXPECT_TRUE(r.fReader.ReadLine(line));
                EXPECT_EQ(U16(line), expected);
            }
            EXPECT_FALSE(r.fReader.ReadLine(line)) << "the half unit is no further line";
            EXPECT_EQ(r.Left(), 0);
        }
        {
            ReaderOver r(BufferOf(c.fBytes));
            GString text;
            int units = r.fReader.Read(100, text);
            EXPECT_EQ(units, c.fLines.empty() ? -1 : static_cast<int>(U16(text).size()));
            EXPECT_EQ(r.fReader.Read(1, text), -1);
            EXPECT_FALSE(r.fReader.ReadString(text));
            EXPECT_FALSE(r.fReader.ReadQuotedString(text));
        }
    }
}

TEST_F(GBin2TextStreamTest, HalfUnitAtTheEndDoesNotShiftTheUnitsBeforeIt)
{
    // Every chunk that reaches the end holds the half unit; what such a chunk pushes back must
    // still start on a unit.
    for (bool bigEndian : {false, true})
    {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        GBuffer bytes = BufferOf(bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE});
        bytes += UTF16Of(u"A  B\"q\"\rC", bigEndian);
        bytes += GBuffer("x");
        ReaderOver r(bytes);
        GString s;
        EXPECT_TRUE(r.fReader.ReadString(s));
        EXPECT_EQ(U16(s), u"A");
        EXPECT_EQ(r.fReader.SkipWhitespace(false), 2);
        EXPECT_TRUE(r.fReader.ReadTillTerminator(GString("\""), s));
        EXPECT_EQ(U16(s), u"B");
        EXPECT_TRUE(r.fReader.ReadQuotedString(s));
        EXPECT_EQ(U16(s), u"q");
        EXPECT_TRUE(r.fReader.ReadLine(s));
        EXPECT_TRUE(s.IsEmpty());
        EXPECT_TRUE(r.fReader.ReadLine(s));
        EXPECT_EQ(U16(s), u"C");
        EXPECT_FALSE(r.fReader.ReadLine(s));
        EXPECT_EQ(r.Left(), 0);
    }
}

TEST_F(GBin2TextStreamTest, UTF16ArrivingInPiecesIsReadWhole)
{
    // Units split across the source's short reads must not be dropped as odd bytes.
    GBuffer bytes = BufferOf(Bytes{0xFE, 0xFF});
    bytes += UTF16Of(u"first line\r\"quoted \\t\u00e9\"  token\r\nlast", true);
    TricklingStream source(bytes);
    GBin2TextStream reader(source, nullptr);
    EXPECT_TRUE(reader.IsSwappingBytes());
    GString s;
    EXPECT_TRUE(reader.ReadLine(s));
    EXPECT_EQ(U16(s), u"first line");
    EXPECT_TRUE(reader.ReadQuotedString(s));
    EXPECT_EQ(U16(s), u"quoted \t\u00e9");
    EXPECT_TRUE(reader.ReadString(s));
    EXPECT_EQ(U16(s), u"token");
    EXPECT_TRUE(reader.ReadLine(s));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(reader.ReadLine(s));
    EXPECT_EQ(U16(s), u"last");
    EXPECT_FALSE(reader.ReadLine(s));
}

TEST_F(GBin2TextStreamTest, ReadsThroughABlockDecoratorAsFromAFile)
{
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "line " + std::to_string(i) + (i % 2 ? "\r\n" : "\r");
    GBuffer bytes = BufferOf(text);
    GMemoryInStream inner(bytes);
    GBin2TextStream reader(new GBufferedInStreamDecorator(inner, GBin2TextStream::cMaxUnread), nullptr);
    GString line;
    for (int i = 0; i < 300; ++i)
    {
        ASSERT_TRUE(reader.ReadLine(line));
        ASSERT_EQ(U16(line), U16(GString(("line " + std::to_string(i)).c_str())));
    }
    EXPECT_FALSE(reader.ReadLine(line));
}

TEST_F(GBin2TextStreamTest, ReadsEverythingThroughADecoratorOverShortReads)
{
    // The reader pushes back up to a whole chunk; over blocks only partly filled by short reads
    // the decorator could not step back that far, and text was lost.
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += std::string(static_cast<std::size_t>(i * 37 % 700), char('a' + i % 26)) + "\r\"q" +
                std::to_string(i) + "\\n\"\r";
    for (int mostPerRead : {1, 3, 100, 511})
    {
        SCOPED_TRACE(mostPerRead);
        GBuffer bytes = BufferOf(text);
        ShortReadStream inner(bytes, mostPerRead);
        GBin2TextStream reader(new GBufferedInStreamDecorator(inner, GBin2TextStream::cMaxUnread),
                               GASCIIEncoding::GetInstance());
        GString s;
        for (int i = 0; i < 40; ++i)
        {
            ASSERT_TRUE(reader.ReadLine(s));
            ASSERT_EQ(U16(s), std::u16string(static_cast<std::size_t>(i * 37 % 700), char16_t('a' + i % 26)));
            ASSERT_TRUE(reader.ReadQuotedString(s));
            ASSERT_EQ(U16(s), u"q" + U16(GString(std::to_string(i).c_str())) + u"\r");
            ASSERT_TRUE(reader.ReadLine(s));
            ASSERT_TRUE(s.IsEmpty());
        }
        EXPECT_FALSE(reader.ReadLine(s));
    }
}

// Random bytes behind each kind of start, read with random operations: every operation ends, one
// that reports success has consumed data (a terminator it stands on excepted), and once the data is
// used up everything reports its end.
TEST_F(GBin2TextStreamTest, RandomBytesNeverCrashOrHang)
{
    std::mt19937 random(20240611);
    std::vector<Bytes> const starts = {{}, {0xFF, 0xFE}, {0xFE, 0xFF}, {0xEF, 0xBB, 0xBF}};
    // Mostly the characters the reader reacts to, so that quotes, escapes and line ends meet.
    unsigned char const alphabet[] = {'"', '\\', '\r', '\n', ' ', '\t', 'n', 't', 'a', 0, 0xFF, 0xFE, 0xC3};
    for (int round = 0; round < 400; ++round)
    {
        Bytes data = starts[round % starts.size()];
        int const length = static_cast<int>(random() % 700);
        for (int i = 0; i < length; ++i)
            data.push_back(random() % 3 ? alphabet[random() % sizeof(alphabet)]
                                        : static_cast<unsigned char>(random()));
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(data.size()) + " bytes");
        ReaderOver r(BufferOf(data));
        GString s;
        int operations = 0;
        while (r.Left() > 0)
        {
            ASSERT_LT(++operations, 4 * static_cast<int>(data.size()) + 10) << "no progress";
            int const before = r.Left();
            switch (random() % 6)
            {
            case 0:
                if (r.fReader.ReadLine(s))
                {
                    EXPECT_LT(r.Left(), before);
                }
                break;
            case 1:
                if (r.fReader.ReadString(s))
                {
                    EXPECT_LT(r.Left(), before);
                }
                break;
            case 2:
                if (r.fReader.ReadQuotedString(s))
                {
                    EXPECT_LE(r.Left(), before - 2 * r.fReader.GetUnitWidth());
                }
                else
                {
                    EXPECT_TRUE(r.Left() == before || r.Left() == 0);
                }
                break;
            case 3:
            {
                // A half unit at the very end is consumed without being counted.
                int skipped = r.fReader.GetUnitWidth() * r.fReader.SkipWhitespace(random() % 2);
                int consumed = before - r.Left();
                EXPECT_TRUE(consumed == skipped || (consumed == skipped + 1 && r.Left() == 0))
                    << "skipped " << skipped << " bytes, consumed " << consumed;
                break;
            }
            case 4:
            {
                int units = r.fReader.Read(static_cast<int>(random() % 40) + 1, s);
                EXPECT_NE(units, 0);
                break;
            }
            default:
                if (r.fReader.ReadTillTerminator(GString("\"\\"), s) && r.Left() == before)
                {
                    EXPECT_TRUE(s.IsEmpty());
                }
                break;
            }
        }
        EXPECT_FALSE(r.fReader.ReadLine(s));
        EXPECT_TRUE(s.IsEmpty());
        EXPECT_FALSE(r.fReader.ReadString(s));
        EXPECT_FALSE(r.fReader.ReadQuotedString(s));
        EXPECT_FALSE(r.fReader.ReadTillTerminator(GString(";"), s));
        EXPECT_EQ(r.fReader.Read(4, s), -1);
        EXPECT_EQ(r.fReader.SkipWhitespace(true), 0);
    }
}
