// The encoding model shared by every encoding: result codes of one- and two-step routes, the
// process-wide default character, the glyph-name fallback of custom encodings, descriptions, the
// singletons' lifetime, lengths and normalisation.
#include "GEncoding.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EncodingTestSupport.h"
#include "GASCIIEncoding.h"
#include "GCustomEncoding.h"
#include "GMacExpertEncoding.h"
#include "GMacRomanEncoding.h"
#include "GPDFDocEncoding.h"
#include "GSharedObject.h"
#include "GStandardEncoding.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

using namespace encodingtest;

namespace
{
constexpr unsigned cComplete = GEncodingResult::cComplete;
constexpr unsigned cLossy = GEncodingResult::cLossy;
constexpr unsigned cFailed = GEncodingResult::cFailed;

GUnicodeEncoding const* Unicode()
{
    return GUnicodeEncoding::GetInstance();
}
} // namespace

TEST(GEncodingModelTest, TwoStepRoutesReturnTheOrOfTheirSteps)
{
    struct Case
    {
        char const* what;
        unsigned (*convert)(GBuffer const&, GBuffer&);
        Bytes src;
        Bytes out;
        unsigned result;
    };
    Case const cases[] = {
        {"UTF-8 to MacRoman, both steps complete",
         [](GBuffer const& s, GBuffer& o)
         { return GUTF8Encoding::GetInstance()->ConvertTo(s, GMacRomanEncoding::GetInstance(), o); },
         {0xC3, 0xA9},
         {0x8E},
         cComplete},
        {"UTF-8 to MacRoman, second step lossy",
         [](GBuffer const& s, GBuffer& o)
         { return GUTF8Encoding::GetInstance()->ConvertTo(s, GMacRomanEncoding::GetInstance(), o); },
         {0x61, 0xE2, 0x82, 0xAC},
         {0x61, '@'},
         cComplete | cLossy},
        {"MacRoman to WinAnsi, first step lossy",
         [](GBuffer const& s, GBuffer& o)
         { return GMacRomanEncoding::GetInstance()->ConvertTo(s, GWinAnsiEncoding::GetInstance(), o); },
         {0xF0, 0x8E},
         {'@', 0xE9},
         cLossy | cComplete},
        {"MacRoman to ASCII, the documented 3",
         [](GBuffer const& s, GBuffer& o)
         { return GASCIIEncoding::GetInstance()->ConvertFrom(s, GMacRomanEncoding::GetInstance(), o); },
         {0xF0},
         {'@'},
         cLossy | cComplete},
        {"ASCII to PDFDoc, first step lossy",
         [](GBuffer const& s, GBuffer& o)
         { return GASCIIEncoding::GetInstance()->ConvertTo(s, GPDFDocEncoding::GetInstance(), o); },
         {0x41, 0x80},
         {0x41, '@'},
         cLossy | cComplete},
        {"UTF-8 zero to ASCII, both steps lossy",
         [](GBuffer const& s, GBuffer& o)
         { return GUTF8Encoding::GetInstance()->ConvertTo(s, GASCIIEncoding::GetInstance(), o); },
         {0x00},
         {'@'},
         cLossy},
        {"UTF-8 to Standard as a custom target",
         [](GBuffer const& s, GBuffer& o)
         {
             GCustomEncoding const* standard = GStandardEncoding::GetInstance();
             return GUTF8Encoding::GetInstance()->ConvertTo(s, standard, o);
         },
         {0xEF, 0xAC, 0x81},
         {0xAE},
         cComplete},
        {"Unicode to ASCII is one step",
         [](GBuffer const& s, GBuffer& o)
         { return GUnicodeEncoding::GetInstance()->ConvertTo(s, GASCIIEncoding::GetInstance(), o); },
         {0xE9, 0x00},
         {'@'},
         cLossy},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.what);
        GBuffer out;
        EXPECT_EQ(c.convert(BufferOf(c.src), out), c.result);
        EXPECT_EQ(BytesOf(out), c.out);
    }
}

TEST(GEncodingModelTest, FailedFirstStepLeavesTheOutputAlone)
{
    GBuffer const malformed = BufferOf(Bytes{0x61, 0xC3});
    GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
    GBuffer out("kept");
    EXPECT_EQ(utf8->ConvertTo(malformed, GMacRomanEncoding::GetInstance(), out), cFailed);
    EXPECT_EQ(TextOf(out), "kept");
    EXPECT_EQ(utf8->ConvertTo(malformed, GWinAnsiEncoding::GetInstance(), out), cFailed);
    EXPECT_EQ(utf8->ConvertTo(malformed, GPDFDocEncoding::GetInstance(), out), cFailed);
    EXPECT_EQ(utf8->ConvertTo(malformed, GASCIIEncoding::GetInstance(), out), cFailed);
    EXPECT_EQ(utf8->ConvertTo(malformed,
                              static_cast<GCustomEncoding const*>(GStandardEncoding::GetInstance()), out),
              cFailed);
    EXPECT_EQ(TextOf(out), "kept");
}

class GEncodingDefaultCharacterTest : public ::testing::Test
{
protected:
    void TearDown() override { GEncoding::SetDefaultCharacter('@'); }
};

TEST_F(GEncodingDefaultCharacterTest, QuestionMarkReplacesInEveryLaterLossyConversion)
{
    EXPECT_EQ(GEncoding::GetDefaultCharacter(), '@');
    GEncoding::SetDefaultCharacter('?');
    EXPECT_EQ(GEncoding::GetDefaultCharacter(), '?');

    struct Case
    {
        char const* what;
        GEncoding const* target;
        GEncoding const* source;
        GBuffer src;
        Bytes out;
    };
    Case const cases[] = {
        {"ASCII byte to Unicode",
         Unicode(),
         GASCIIEncoding::GetInstance(),
         BufferOf(Bytes{0x05}),
         {'?', 0x00}},
        {"MacRoman byte to Unicode",
         Unicode(),
         GMacRomanEncoding::GetInstance(),
         BufferOf(Bytes{0xF0}),
         {'?', 0x00}},
        {"Unicode to MacRoman",
         GMacRomanEncoding::GetInstance(),
         Unicode(),
         BufferOf(Units{0x41, 0x4E00}),
         {0x41, '?'}},
        {"Unicode to WinAnsi", GWinAnsiEncoding::GetInstance(), Unicode(), BufferOf(Units{0x4E00}), {'?'}},
        {"Unicode to ASCII", GASCIIEncoding::GetInstance(), Unicode(), BufferOf(Units{0x00E9}), {'?'}},
        {"UTF-8 to Standard",
         GStandardEncoding::GetInstance(),
         GUTF8Encoding::GetInstance(),
         BufferOf(Bytes{0xC3, 0xA9}),
         {'?'}},
        {"MacRoman to UTF-8",
         GUTF8Encoding::GetInstance(),
         GMacRomanEncoding::GetInstance(),
         BufferOf(Bytes{0xF0}),
         {'?'}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.what);
        GBuffer out;
        unsigned const result = c.target->ConvertFrom(c.src, c.source, out);
        EXPECT_TRUE((result & cLossy) != 0) << result;
        EXPECT_EQ(BytesOf(out), c.out);
    }
}

// Characters whose Unicode values a single-byte encoding does not hold can still reach it through
// their glyph names: PDFDoc keeps "fraction" at 0x87 although that code reads as U+00F7.
TEST(GEncodingModelTest, GlyphNamesCarryWhatTheDirectRouteLoses)
{
    GBuffer out;
    // From Unicode, unit by unit: fraction U+2044 and minus U+2212 reach PDFDoc by name.
    EXPECT_EQ(
        GPDFDocEncoding::GetInstance()->ConvertFrom(BufferOf(Units{0x41, 0x2044, 0x2212}), Unicode(), out),
        cComplete);
    EXPECT_EQ(BytesOf(out), (Bytes{0x41, 0x87, 0x8A}));

    // From a single-byte encoding, byte by byte: PDFDoc 0x87 reads as U+00F7, which Standard lacks,
    // but its name "fraction" is Standard's 0xA4.
    EXPECT_EQ(GStandardEncoding::GetInstance()->ConvertFrom(BufferOf(Bytes{0x41, 0x87}),
                                                            GPDFDocEncoding::GetInstance(), out),
              cComplete);
    EXPECT_EQ(BytesOf(out), (Bytes{0x41, 0xA4}));

    // Back the other way, Standard's fraction reaches PDFDoc by name too.
    EXPECT_EQ(GPDFDocEncoding::GetInstance()->ConvertFrom(BufferOf(Bytes{0xA4}),
                                                          GStandardEncoding::GetInstance(), out),
              cComplete);
    EXPECT_EQ(BytesOf(out), (Bytes{0x87}));
}

TEST(GEncodingModelTest, OneUnnamedCharacterKeepsTheDirectRoutesOutputAndResult)
{
    GBuffer out;
    // U+4E00 has no glyph name: the direct route's default characters stand, with its result.
    EXPECT_EQ(
        GPDFDocEncoding::GetInstance()->ConvertFrom(BufferOf(Units{0x41, 0x2044, 0x4E00}), Unicode(), out),
        cLossy);
    EXPECT_EQ(BytesOf(out), (Bytes{0x41, '@', '@'}));

    // PDFDoc's e acute is named, but Standard has no "eacute".
    EXPECT_EQ(GStandardEncoding::GetInstance()->ConvertFrom(BufferOf(Bytes{0x87, 0xE9}),
                                                            GPDFDocEncoding::GetInstance(), out),
              cLossy);
    EXPECT_EQ(BytesOf(out), (Bytes{'@', '@'}));
}

// The fallback walks UTF-16 unit by unit; an odd trailing byte is a unit of its own whose high byte is
// zero. The source borrows exactly its bytes from a vector, so reading one past them is a heap overflow.
TEST(GEncodingModelTest, GlyphFallbackReadsAnOddTrailingByteWithoutReadingPastTheData)
{
    struct Case
    {
        char const* what;
        Bytes src;
        Bytes out;
        unsigned result;
    };
    Case const cases[] = {
        {"trailing B is named", {0x41, 0x00, 0x44, 0x20, 0x42}, {0x41, 0x87, 0x42}, cComplete},
        {"trailing zero has no name", {0x41, 0x00, 0x44, 0x20, 0x00}, {0x41, '@'}, cLossy},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<unsigned char> const bytes = c.src;
        GBuffer src;
        src.SetFromStatic(reinterpret_cast<char const*>(bytes.data()), static_cast<int>(bytes.size()),
                          static_cast<int>(bytes.size()));
        GBuffer out;
        EXPECT_EQ(GPDFDocEncoding::GetInstance()->ConvertFrom(src, Unicode(), out), c.result);
        EXPECT_EQ(BytesOf(out), c.out);
    }
}

// Converting a buffer into itself used to clear the source before it was read: the result was an empty
// text reported as complete.
TEST(GEncodingModelTest, CustomTargetConvertsABufferIntoItself)
{
    struct Case
    {
        char const* what;
        GEncoding const* target;
        GEncoding const* source;
        GBuffer text;
        Bytes out;
        unsigned result;
    };
    Case const cases[] = {
        {"Unicode to WinAnsi, direct",
         GWinAnsiEncoding::GetInstance(),
         Unicode(),
         BufferOf(Units{0x41, 0xE9}),
         {0x41, 0xE9},
         cComplete},
        {"Unicode to PDFDoc by glyph name",
         GPDFDocEncoding::GetInstance(),
         Unicode(),
         BufferOf(Units{0x41, 0x2044}),
         {0x41, 0x87},
         cComplete},
        {"Unicode to PDFDoc, one unnamed character",
         GPDFDocEncoding::GetInstance(),
         Unicode(),
         BufferOf(Units{0x41, 0x4E00}),
         {0x41, '@'},
         cLossy},
        {"MacRoman to WinAnsi, direct",
         GWinAnsiEncoding::GetInstance(),
         GMacRomanEncoding::GetInstance(),
         BufferOf(Bytes{0x41, 0x8E}),
         {0x41, 0xE9},
         cComplete},
        {"PDFDoc to Standard by glyph name",
         GStandardEncoding::GetInstance(),
         GPDFDocEncoding::GetInstance(),
         BufferOf(Bytes{0x41, 0x87}),
         {0x41, 0xA4},
         cComplete},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.what);
        GBuffer text = c.text;
        EXPECT_EQ(c.target->ConvertFrom(text, c.source, text), c.result);
        EXPECT_EQ(BytesOf(text), c.out);
    }
}

TEST(GEncodingModelTest, DescriptionsNameEachEncodingAndIsOfTypeComparesThemExactly)
{
    struct Case
    {
        GEncoding const* encoding;
        char const* description;
    };
    Case const cases[] = {
        {GASCIIEncoding::GetInstance(), "ASCIIEncoding"},
        {GUnicodeEncoding::GetInstance(), "UnicodeEncoding"},
        {GUTF8Encoding::GetInstance(), "UTF-8Encoding"},
        {GMacRomanEncoding::GetInstance(), "MacRomanEncoding"},
        {GMacExpertEncoding::GetInstance(), "MacExpertEncoding"},
        {GPDFDocEncoding::GetInstance(), "PDFDocEncoding"},
        {GStandardEncoding::GetInstance(), "StandardEncoding"},
        {GWinAnsiEncoding::GetInstance(), "WinAnsiEncoding"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.description);
        ASSERT_NE(c.encoding, nullptr);
        EXPECT_EQ(TextOf(c.encoding->GetASCIIDescription()), c.description);
        for (Case const& other : cases)
            EXPECT_EQ(c.encoding->IsOfType(Name(other.description)), &other == &c) << other.description;
        std::string const text = c.description;
        EXPECT_FALSE(c.encoding->IsOfType(Name((text + " ").c_str())));
        EXPECT_FALSE(c.encoding->IsOfType(Name(text.substr(0, text.size() - 1).c_str())));
        EXPECT_FALSE(c.encoding->IsOfType(GBuffer()));
    }
    EXPECT_TRUE(GUnicodeEncoding::GetInstance()->IsOfType(Name("UnicodeEncoding")));
    EXPECT_FALSE(GUTF8Encoding::GetInstance()->IsOfType(Name("UnicodeEncoding")));
    EXPECT_FALSE(GUnicodeEncoding::GetInstance()->IsOfType(Name("unicodeencoding")));
}

TEST(GEncodingModelTest, LengthCountsUpToTheTerminatorInTheEncodingsUnits)
{
    unsigned char const bytes[] = {0x61, 0x62, 0x00, 0x63, 0x00, 0x00};
    EXPECT_EQ(GUTF8Encoding::GetInstance()->GetLength(bytes), 2);
    EXPECT_EQ(GASCIIEncoding::GetInstance()->GetLength(bytes), 2);
    EXPECT_EQ(GMacRomanEncoding::GetInstance()->GetLength(bytes), 2);

    // In UTF-16 the zero high byte of a unit ends nothing; only a zero unit does.
    std::uint16_t const units[] = {0x0041, 0x0042, 0x0000, 0x0043};
    EXPECT_EQ(GUnicodeEncoding::GetInstance()->GetLength(reinterpret_cast<unsigned char const*>(units)), 4);

    // No text at all measures nothing, in either kind of unit.
    EXPECT_EQ(GUTF8Encoding::GetInstance()->GetLength(nullptr), 0);
    EXPECT_EQ(GUnicodeEncoding::GetInstance()->GetLength(nullptr), 0);
}

TEST(GEncodingModelTest, ByteEncodingsLeaveTextAloneWhenNormalizing)
{
    // e followed by a combining acute: Unicode would compose it, the byte encodings keep their bytes.
    Bytes const decomposed{0x65, 0xCC, 0x81};
    for (GEncoding const* encoding : {static_cast<GEncoding const*>(GUTF8Encoding::GetInstance()),
                                      static_cast<GEncoding const*>(GASCIIEncoding::GetInstance()),
                                      static_cast<GEncoding const*>(GWinAnsiEncoding::GetInstance())})
    {
        SCOPED_TRACE(TextOf(encoding->GetASCIIDescription()));
        GBuffer text = BufferOf(decomposed);
        encoding->Normalize(text);
        EXPECT_EQ(BytesOf(text), decomposed);
    }
}

namespace
{
int sProbesDeleted = 0;

template<class T>
class GEncodingSingletonTest : public ::testing::Test
{
};

using FixedEncodings =
    ::testing::Types<GASCIIEncoding, GUnicodeEncoding, GUTF8Encoding, GMacRomanEncoding, GMacExpertEncoding,
                     GPDFDocEncoding, GStandardEncoding, GWinAnsiEncoding>;
TYPED_TEST_SUITE(GEncodingSingletonTest, FixedEncodings);
} // namespace

// As a string holding its encoding does, a holder keeps the singleton alive after SetInstance(nullptr).
TYPED_TEST(GEncodingSingletonTest, GetInstanceIsNullAfterResetWhileHoldersKeepTheObject)
{
    TypeParam* const installed = TypeParam::GetInstance();
    ASSERT_NE(installed, nullptr);
    GSharedObject<TypeParam> const holder(installed);
    int const held = installed->GetRefCount();

    TypeParam::SetInstance(nullptr);
    EXPECT_EQ(TypeParam::GetInstance(), nullptr);
    EXPECT_EQ(installed->GetRefCount(), held - 1);
    EXPECT_TRUE(installed->IsOfType(installed->GetASCIIDescription()));

    TypeParam::SetInstance(installed);
    EXPECT_EQ(TypeParam::GetInstance(), installed);
    EXPECT_EQ(installed->GetRefCount(), held);

    // Installing the object already installed neither drops nor adds a reference.
    TypeParam::SetInstance(installed);
    EXPECT_EQ(installed->GetRefCount(), held);
}

TYPED_TEST(GEncodingSingletonTest, ReplacingTheSingletonReleasesTheOldOne)
{
    struct Probe : TypeParam
    {
        ~Probe() override { ++sProbesDeleted; }
    };
    TypeParam* const installed = TypeParam::GetInstance();
    GSharedObject<TypeParam> const holder(installed);

    sProbesDeleted = 0;
    auto* probe = new Probe;
    TypeParam::SetInstance(probe);
    EXPECT_EQ(TypeParam::GetInstance(), probe);
    EXPECT_EQ(probe->GetRefCount(), 1);
    TypeParam::SetInstance(installed);
    EXPECT_EQ(sProbesDeleted, 1);
    EXPECT_EQ(TypeParam::GetInstance(), installed);
}
