// The text writer: text in each encoding, the UTF-16 byte-order mark, the platform's line end and
// quoted strings with their escapes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "EncodingTestSupport.h"
#include "GASCIIEncoding.h"
#include "GBuffer.h"
#include "GBufferSupport.h"
#include "GMacRomanEncoding.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"
#include "GPDFDocEncoding.h"
#include "GPlatformEncoding.h"
#include "GPlatformEncodingFactory.h"
#include "GShiftJISEncoding.h"
#include "GString.h"
#include "GText2BinStream.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace
{
using encodingtest::BufferOf;
using encodingtest::Bytes;
using encodingtest::BytesOf;

struct EncodingCase
{
    char const* fName;
    std::function<GEncoding*()> fGet;
    bool fWide;
};

std::vector<EncodingCase> const& Encodings()
{
    static std::vector<EncodingCase> const cases = {
        {"UTF-16", [] { return GUnicodeEncoding::GetInstance(); }, true},
        {"UTF-8", [] { return GUTF8Encoding::GetInstance(); }, false},
        {"ASCII", [] { return GASCIIEncoding::GetInstance(); }, false},
        {"WinAnsi", [] { return GWinAnsiEncoding::GetInstance(); }, false},
        {"MacRoman", [] { return GMacRomanEncoding::GetInstance(); }, false},
        {"PDFDoc", [] { return GPDFDocEncoding::GetInstance(); }, false},
        {"ShiftJIS", [] { return GShiftJISEncoding::GetInstance(); }, false},
        {"platform", [] { return GPlatformEncoding::GetInstance(); }, false},
    };
    return cases;
}

// ASCII text as the writer must produce it: one byte per character, or little-endian UTF-16 units.
Bytes Encoded(std::string const& ascii, bool wide)
{
    Bytes bytes;
    for (char c : ascii)
    {
        bytes.push_back(static_cast<unsigned char>(c));
        if (wide)
            bytes.push_back(0);
    }
    return bytes;
}

Bytes Concat(Bytes a, Bytes const& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes const cMark = {0xFF, 0xFE};

std::string NameOf(GEncoding const* encoding)
{
    Bytes const name = BytesOf(encoding->GetASCIIDescription());
    return std::string(name.begin(), name.end());
}

TEST(Text2BinStream, WritesTextAndLineEndsInEveryEncodingWithAMarkOnlyForUTF16)
{
    for (EncodingCase const& c : Encodings())
    {
        SCOPED_TRACE(c.fName);
        GEncoding* encoding = c.fGet();
        ASSERT_NE(nullptr, encoding);

        GBuffer target;
        GMemoryOutStream out(target);
        GText2BinStream writer(out, encoding);
        EXPECT_EQ(encoding, writer.GetEncoding());
        Bytes const mark = c.fWide ? cMark : Bytes();
        EXPECT_EQ(mark, BytesOf(target)) << "right after construction";

        int const unit = c.fWide ? 2 : 1;
        EXPECT_EQ(2 * unit, writer.Write(GString("Ab")));
        EXPECT_EQ(unit, writer.WriteEOL());
        EXPECT_EQ(3 * unit, writer.Write("x y"));
        EXPECT_EQ(unit, writer.WriteEOL());
        EXPECT_EQ(unit, writer.WriteEOL());
        EXPECT_EQ(Concat(mark, Encoded("Ab\rx y\r\r", c.fWide)), BytesOf(target));
    }
}

TEST(Text2BinStream, WritesNoMarkWhenToldNot)
{
    for (EncodingCase const& c : Encodings())
    {
        SCOPED_TRACE(c.fName);
        GBuffer target;
        GMemoryOutStream out(target);
        GText2BinStream writer(out, GASCIIEncoding::GetInstance());
        writer.Write("a");
        writer.SetEncoding(c.fGet(), false);
        writer.Write("b");
        writer.WriteEOL();
        EXPECT_EQ(Concat(Bytes{'a'}, Encoded("b\r", c.fWide)), BytesOf(target));
    }
}

TEST(Text2BinStream, SwitchingToUTF16WithAMarkWritesItThere)
{
    GBuffer target;
    GMemoryOutStream out(target);
    GText2BinStream writer(out, GUTF8Encoding::GetInstance());
    writer.Write("a");
    writer.WriteEOL();
    writer.SetEncoding(GUnicodeEncoding::GetInstance(), true);
    writer.Write("b");
    writer.WriteEOL();
    writer.SetEncoding(GWinAnsiEncoding::GetInstance(), true);
    writer.Write("c");
    writer.WriteEOL();
    EXPECT_EQ((Bytes{'a', 0x0D, 0xFF, 0xFE, 'b', 0, 0x0D, 0, 'c', 0x0D}), BytesOf(target));
}

TEST(Text2BinStream, ConvertsNonASCIITextIntoTheWritersEncoding)
{
    GString const text(u"\u00e9\u00fc", false); // e acute, u diaeresis
    struct Case
    {
        char const* fName;
        GEncoding* fEncoding;
        Bytes fExpected;
    };
    Case const cases[] = {
        {"UTF-16", GUnicodeEncoding::GetInstance(), {0xFF, 0xFE, 0xE9, 0x00, 0xFC, 0x00}},
        {"UTF-8", GUTF8Encoding::GetInstance(), {0xC3, 0xA9, 0xC3, 0xBC}},
        {"WinAnsi", GWinAnsiEncoding::GetInstance(), {0xE9, 0xFC}},
        {"MacRoman", GMacRomanEncoding::GetInstance(), {0x8E, 0x9F}},
        {"PDFDoc", GPDFDocEncoding::GetInstance(), {0xE9, 0xFC}},
        {"ASCII, the default character for each", GASCIIEncoding::GetInstance(),
         Bytes(2, static_cast<unsigned char>(GEncoding::GetDefaultCharacter()))},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GBuffer target;
        GMemoryOutStream out(target);
        GText2BinStream writer(out, c.fEncoding);
        writer.Write(text);
        EXPECT_EQ(c.fExpected, BytesOf(target));
    }
}

// ASCII text skips the conversion through UTF-16 on its way between ASCII, UTF-8 and UTF-16, in
// GString's conversions and in the writer's quoted strings; each ASCII byte, alone, inside a run
// checked eight bytes at a time and after one, must come out as that conversion gives it (the ASCII
// encoding holds nothing for the bytes 0 to 6).
TEST(Text2BinStream, ASCIIShortcutsGiveTheBytesOfTheFullConversion)
{
    GEncoding* const unicode = GUnicodeEncoding::GetInstance();
    GEncoding* const forms[] = {GASCIIEncoding::GetInstance(), GUTF8Encoding::GetInstance(), unicode};
    for (int byte = 0; byte < 0x80; ++byte)
    {
        std::string const alone(1, char(byte));
        // Short texts, and long ones whose byte lies where many bytes are looked at at once.
        std::string const longBefore(20, 'x');
        std::string const longAfter(19, 'y');
        for (std::string const& ascii :
             {alone, "abcdefghijk" + alone, "abc" + alone + "defghijk", longBefore + alone + longAfter,
              "ab" + alone + longBefore + longAfter})
        {
            for (GEncoding* source : forms)
            {
                GString const text(BufferOf(Encoded(ascii, source == unicode)), source, true);
                GBuffer const utf16 = text.GetBuffer(unicode);
                for (GEncoding* target : forms)
                {
                    SCOPED_TRACE(::testing::Message() << "byte " << byte << " in " << ascii.size() << " from "
                                                      << NameOf(source) << " to " << NameOf(target));
                    GBuffer expected;
                    target->ConvertFrom(utf16, unicode, expected);
                    // A string keeps its bytes when asked for them in its own encoding.
                    if (target != source)
                    {
                        EXPECT_EQ(BytesOf(expected), BytesOf(text.GetBuffer(target)));
                    }

                    // Quoted, where the byte is not one that is escaped.
                    if (std::string("\t\n\r\"\\").find(char(byte)) != std::string::npos)
                        continue;
                    GBuffer written;
                    GMemoryOutStream out(written);
                    GText2BinStream writer(out, target);
                    writer.SetEncoding(target, false);
                    writer.WriteQuotedString(text);
                    Bytes const mark = target == unicode ? cMark : Bytes{};
                    Bytes const quote = Encoded("\"", target == unicode);
                    EXPECT_EQ(Concat(Concat(Concat(mark, quote), BytesOf(expected)), quote), BytesOf(written));
                }
            }
        }
    }
}

TEST(Text2BinStream, WritesQuotedStringsWithEveryEscape)
{
    // Tab, each kind of line break, a quote and a backslash are escaped; the apostrophe is not.
    GString const text("a\tb\rc\nd\r\ne\n\rf\"g\\h'i");
    std::string const quoted = "\"a\\tb\\nc\\nd\\ne\\nf\\\"g\\\\h'i\"";
    for (EncodingCase const& c : Encodings())
    {
        SCOPED_TRACE(c.fName);
        GBuffer target;
        GMemoryOutStream out(target);
        GText2BinStream writer(out, c.fGet());
        writer.SetEncoding(c.fGet(), false);
        target.SetLength(0);
        EXPECT_EQ(static_cast<int>(quoted.size()) * (c.fWide ? 2 : 1), writer.WriteQuotedString(text));
        EXPECT_EQ(Encoded(quoted, c.fWide), BytesOf(target));
    }
}

TEST(Text2BinStream, QuotesEmptyAndNonASCIIText)
{
    struct Case
    {
        char const* fName;
        GString fText;
        GEncoding* fEncoding;
        Bytes fExpected;
    };
    Case const cases[] = {
        {"empty", GString(""), GUTF8Encoding::GetInstance(), {'"', '"'}},
        {"no encoding", GString(), GUTF8Encoding::GetInstance(), {'"', '"'}},
        {"e acute in WinAnsi", GString(u"\u00e9", false), GWinAnsiEncoding::GetInstance(), {'"', 0xE9, '"'}},
        {"e acute in UTF-8", GString(u"\u00e9", false), GUTF8Encoding::GetInstance(), {'"', 0xC3, 0xA9, '"'}},
        // Among as many ASCII bytes as are looked at together.
        {"e acute within long UTF-8 text into UTF-16",
         GString(reinterpret_cast<unsigned char const*>("abcdefgh\xC3\xA9ijklmnopqrstuvwxyz"), 28,
                 GUTF8Encoding::GetInstance(), true),
         GUnicodeEncoding::GetInstance(),
         Concat(Concat(Concat(cMark, Encoded("\"abcdefgh", true)), {0xE9, 0}),
                Encoded("ijklmnopqrstuvwxyz\"", true))},
        {"line break in UTF-16",
         GString(u"\u4e00\r\n", false),
         GUnicodeEncoding::GetInstance(),
         {0xFF, 0xFE, '"', 0, 0x00, 0x4E, '\\', 0, 'n', 0, '"', 0}},
        // The platform's conversion ends at a character it cannot hold; the closing quote stays.
        {"check mark in the platform encoding",
         GString(u"a\\\u2713b", false),
         GPlatformEncoding::GetInstance(),
         {'"', 'a', '\\', '\\', '"'}},
        {"half a unit in UTF-16",
         GString(reinterpret_cast<unsigned char const*>("a\0b"), 3, GUnicodeEncoding::GetInstance(), true),
         GUnicodeEncoding::GetInstance(),
         {0xFF, 0xFE, '"', 0, 'a', 0, '"', 0}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GBuffer target;
        GMemoryOutStream out(target);
        GText2BinStream writer(out, c.fEncoding);
        writer.WriteQuotedString(c.fText);
        EXPECT_EQ(c.fExpected, BytesOf(target));
    }
}

TEST(Text2BinStream, EscapesWholeCharactersOfShiftJISAndTheChineseCodePage)
{
    struct Case
    {
        char const* fName;
        GEncoding* fEncoding;
        GString fText;
        Bytes fExpected;
    };
    // The second byte 5C of "表" and "乗" is no backslash and stays single; the yen sign is the
    // backslash's byte in Shift-JIS and is escaped like a backslash.
    Case const cases[] = {
        {"Shift-JIS",
         GShiftJISEncoding::GetInstance(),
         GString(u"\u8868\u00a5\t\"", false),
         {'"', 0x95, 0x5C, '\\', 0x5C, '\\', 't', '\\', '"', '"'}},
        {"Chinese",
         GPlatformEncodingFactory::GetInstance()->GetPRCEncoding(),
         GString(u"\u4e57\\\r\n", false),
         {'"', 0x81, 0x5C, '\\', '\\', '\\', 'n', '"'}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GBuffer target;
        GMemoryOutStream out(target);
        GText2BinStream writer(out, c.fEncoding);
        EXPECT_EQ(static_cast<int>(c.fExpected.size()), writer.WriteQuotedString(c.fText));
        EXPECT_EQ(c.fExpected, BytesOf(target));
    }
}

TEST(Text2BinStream, QuotedTextUnescapesToTheOriginalWithPlatformLineEnds)
{
    GString const text(u"tab\there \"quoted\" back\\slash\nline\r\nend \u00e9", false);
    GBuffer target;
    GMemoryOutStream out(target);
    GText2BinStream writer(out, GUnicodeEncoding::GetInstance());
    target.SetLength(0); // drops the byte-order mark
    writer.WriteQuotedString(text);
    ASSERT_GE(target.GetLength(), 4);
    GBuffer inner = target.GetSubBuffer(2, target.GetLength() - 4); // within the quotes
    GBufferSupport::UniReplaceEscapeCodes(inner);
    EXPECT_EQ(encodingtest::UnitsOf(GString(u"tab\there \"quoted\" back\\slash\rline\rend \u00e9", false)
                                        .GetBuffer(GUnicodeEncoding::GetInstance())),
              encodingtest::UnitsOf(inner));
}

TEST(Text2BinStream, PassesBytesUnchangedAndReportsTheTargetsCount)
{
    // A target that takes only the first byte of every write.
    class Stingy : public GOutStream
    {
    public:
        int Write(GBuffer const& bytes) override
        {
            if (bytes.IsEmpty())
                return 0;
            fTaken += bytes.GetPtr()[0];
            return 1;
        }
        GBuffer fTaken;
    };
    Stingy target;
    GText2BinStream writer(target, GUTF8Encoding::GetInstance());
    EXPECT_EQ(1, writer.Write(BufferOf(Bytes{0xFF, 0x00, 0x80})));
    EXPECT_EQ(1, writer.Write("zq"));
    EXPECT_EQ(0, writer.Write(static_cast<char const*>(nullptr)));
    EXPECT_EQ((Bytes{0xFF, 'z'}), BytesOf(target.fTaken));
}

// A target that records flushes and its own end.
class RecordingTarget : public GOutStream
{
public:
    explicit RecordingTarget(int& flushes, bool& destroyed) : fFlushes(flushes), fDestroyed(destroyed) {}
    ~RecordingTarget() override { fDestroyed = true; }
    int Write(GBuffer const& bytes) override
    {
        fBytes += bytes;
        return bytes.GetLength();
    }
    void Flush() override { ++fFlushes; }
    GBuffer fBytes;

private:
    int& fFlushes;
    bool& fDestroyed;
};

TEST(Text2BinStream, FlushesAndDeletesOnlyATargetItOwns)
{
    int flushes = 0;
    bool destroyed = false;
    {
        RecordingTarget borrowed(flushes, destroyed);
        {
            GText2BinStream writer(borrowed, GUnicodeEncoding::GetInstance());
            writer.Flush();
        }
        EXPECT_FALSE(destroyed);
        EXPECT_EQ(1, flushes);
        EXPECT_EQ(cMark, BytesOf(borrowed.fBytes));
    }
    destroyed = false;
    {
        auto* owned = new RecordingTarget(flushes, destroyed);
        GText2BinStream writer(owned, GUnicodeEncoding::GetInstance());
        EXPECT_EQ(cMark, BytesOf(owned->fBytes)) << "the owning constructor writes the mark too";
        writer.Flush();
        EXPECT_EQ(2, flushes);
    }
    EXPECT_TRUE(destroyed);
}

TEST(Text2BinStream, WithoutAnEncodingWritesNoText)
{
    GBuffer target;
    GMemoryOutStream out(target);
    GText2BinStream writer(out, nullptr);
    EXPECT_EQ(0, writer.Write("abc"));
    EXPECT_EQ(0, writer.WriteEOL());
    writer.Write(GBuffer("raw"));
    EXPECT_EQ(GBuffer("raw"), target);
}

TEST(Text2BinStream, WrittenBytesReadBackThroughAMemoryStream)
{
    GBuffer target;
    GText2BinStream writer(new GMemoryOutStream(target), GUnicodeEncoding::GetInstance());
    writer.Write("key");
    writer.Write(" ");
    writer.WriteQuotedString(GString("v\"1"));
    writer.WriteEOL();
    GMemoryInStream in(target);
    GBuffer all;
    ASSERT_EQ(target.GetLength(), in.Read(all, 1000));
    EXPECT_EQ(Concat(cMark, Encoded("key \"v\\\"1\"\r", true)), BytesOf(all));
}
} // namespace
