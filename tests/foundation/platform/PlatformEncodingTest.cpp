// The platform encodings: conversions both ways through the system's code pages, stopping early at
// what a code page cannot hold, composition, glyph names, and the factory that caches one encoding
// per system encoding id and follows the system's default text encoding.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "../core/EncodingTestSupport.h"
#include "GCharCode.h"
#include "GPlatformEncoding.h"
#include "GPlatformEncodingFactory.h"
#include "GSharedObject.h"
#include "GShiftJISEncoding.h"
#include "GUnicodeEncoding.h"
#include "PMacPlatformEncoding.h"
#include "PMacPlatformEncodingFactory.h"
#include "PMacXCFStringNormalize.h"
#include "macos/CFStringStandIn.h"

using namespace encodingtest;

namespace
{
constexpr int cMacRoman = 0;
constexpr int cMacJapanese = 1;
constexpr int cChineseSimplified = 0x0421;
// An id the system has no converter for.
constexpr int cUnknownEncoding = 0x0500;

// The program runs with the encodings up (EncodingTestEnvironment.cpp); each test gets a fresh
// factory and the system encoding Mac OS Roman, as the platform start-up leaves them, and leaves a
// fresh factory behind for the tests that follow.
class PlatformEncodingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CFStringStandInSetSystemEncoding(kCFStringEncodingMacRoman);
        GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
    }
    void TearDown() override
    {
        CFStringStandInSetSystemEncoding(kCFStringEncodingMacRoman);
        GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
    }

    static PMacPlatformEncodingFactory* Factory()
    {
        return static_cast<PMacPlatformEncodingFactory*>(GPlatformEncodingFactory::GetInstance());
    }
    static GPlatformEncoding* EncodingFor(int id) { return Factory()->GetEncodingForCFStringEncoding(id); }

    static unsigned ToUnicode(GPlatformEncoding const* encoding, Bytes const& bytes, GBuffer& out)
    {
        return encoding->ConvertTo(BufferOf(bytes), GUnicodeEncoding::GetInstance(), out);
    }
};

struct ConversionCase
{
    char const* fLabel;
    int fEncoding;
    Bytes fBytes;
    Units fUnits;
};

std::vector<ConversionCase> const cCompleteCases = {
    {"Mac Roman", cMacRoman, {0x41, 0x8E, 0xBD, 0xDB, 0xDE}, {0x41, 0xE9, 0x3A9, 0x20AC, 0xFB01}},
    {"Mac Japanese",
     cMacJapanese,
     {0x93, 0xFA, 0x96, 0x7B, 0xB1, 0x82, 0xA0, 0x41},
     {0x65E5, 0x672C, 0xFF71, 0x3042, 0x41}},
    {"simplified Chinese", cChineseSimplified, {0xD6, 0xD0, 0xCE, 0xC4, 0x41}, {0x4E2D, 0x6587, 0x41}},
};
} // namespace

TEST_F(PlatformEncodingTest, ReadsEachCodePageIntoUnicode)
{
    for (ConversionCase const& c : cCompleteCases)
    {
        SCOPED_TRACE(c.fLabel);
        GBuffer out = BufferOf(Units{0x5A});
        EXPECT_EQ(ToUnicode(EncodingFor(c.fEncoding), c.fBytes, out), GEncodingResult::cComplete);
        EXPECT_EQ(UnitsOf(out), c.fUnits);
    }
}

TEST_F(PlatformEncodingTest, WritesUnicodeIntoEachCodePage)
{
    for (ConversionCase const& c : cCompleteCases)
    {
        SCOPED_TRACE(c.fLabel);
        GBuffer out = BufferOf(Bytes{0x5A, 0x5A});
        EXPECT_EQ(EncodingFor(c.fEncoding)->ConvertFromUnicode(BufferOf(c.fUnits), out),
                  GEncodingResult::cComplete);
        EXPECT_EQ(BytesOf(out), c.fBytes);
    }
}

TEST_F(PlatformEncodingTest, StopsBeforeTheFirstCharacterTheCodePageCannotHold)
{
    struct Case
    {
        char const* fLabel;
        int fEncoding;
        Units fUnits;
        Bytes fBytes;
        unsigned fResult;
    };
    Case const cases[] = {
        // No default character is written: the output simply ends.
        {"kanji in Mac Roman", cMacRoman, {0x41, 0x4E00}, {0x41}, GEncodingResult::cLossy},
        {"accent in Mac Japanese",
         cMacJapanese,
         {0x3042, 0xE9, 0x3042},
         {0x82, 0xA0},
         GEncodingResult::cLossy},
        {"hangul in simplified Chinese",
         cChineseSimplified,
         {0x4E2D, 0xD55C, 0x41},
         {0xD6, 0xD0},
         GEncodingResult::cLossy},
        {"unpaired surrogate", cMacRoman, {0x41, 0xD800, 0x42}, {0x41}, GEncodingResult::cLossy},
        {"first character already", cMacRoman, {0x4E00, 0x41}, {}, GEncodingResult::cFailed},
        {"no converter for the id", cUnknownEncoding, {0x41}, {}, GEncodingResult::cFailed},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        GBuffer out;
        EXPECT_EQ(EncodingFor(c.fEncoding)->ConvertFromUnicode(BufferOf(c.fUnits), out), c.fResult);
        EXPECT_EQ(BytesOf(out), c.fBytes);
    }
}

TEST_F(PlatformEncodingTest, BytesThatDoNotReadFailWithNothingConverted)
{
    struct Case
    {
        char const* fLabel;
        int fEncoding;
        Bytes fBytes;
    };
    Case const cases[] = {
        {"Mac Japanese lead byte at the end", cMacJapanese, {0x41, 0x82}},
        {"Mac Japanese lead byte before a space", cMacJapanese, {0x82, 0x20}},
        {"simplified Chinese lead byte at the end", cChineseSimplified, {0x41, 0xD6}},
        {"simplified Chinese byte that is no code", cChineseSimplified, {0xFF}},
        {"no converter for the id", cUnknownEncoding, {0x41}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        GBuffer out = BufferOf(Units{0x5A});
        EXPECT_EQ(ToUnicode(EncodingFor(c.fEncoding), c.fBytes, out), GEncodingResult::cFailed);
        EXPECT_TRUE(out.IsEmpty());
    }
}

TEST_F(PlatformEncodingTest, EmptyTextConvertsCompletelyToEmptyText)
{
    for (int id : {cMacRoman, cMacJapanese, cChineseSimplified})
    {
        SCOPED_TRACE(id);
        GBuffer out = BufferOf(Bytes{0x5A, 0x5A});
        EXPECT_EQ(ToUnicode(EncodingFor(id), Bytes{}, out), GEncodingResult::cComplete);
        EXPECT_TRUE(out.IsEmpty());
        out = BufferOf(Bytes{0x5A});
        EXPECT_EQ(EncodingFor(id)->ConvertFromUnicode(GBuffer(), out), GEncodingResult::cComplete);
        EXPECT_TRUE(out.IsEmpty());
    }
}

TEST_F(PlatformEncodingTest, AnOddTrailingByteOfUnicodeIsNoCharacter)
{
    GPlatformEncoding* macRoman = EncodingFor(cMacRoman);
    GBuffer out;
    EXPECT_EQ(macRoman->ConvertFromUnicode(BufferOf(Bytes{0x41, 0x00, 0x42}), out),
              GEncodingResult::cComplete);
    EXPECT_EQ(BytesOf(out), (Bytes{0x41}));
    EXPECT_EQ(macRoman->ConvertFromUnicode(BufferOf(Bytes{0x42}), out), GEncodingResult::cComplete);
    EXPECT_TRUE(out.IsEmpty());
}

TEST_F(PlatformEncodingTest, ConvertsIntoTheBufferItReadsFrom)
{
    GPlatformEncoding* japanese = EncodingFor(cMacJapanese);
    GBuffer text = BufferOf(Units{0x65E5, 0x672C});
    EXPECT_EQ(japanese->ConvertFromUnicode(text, text), GEncodingResult::cComplete);
    EXPECT_EQ(BytesOf(text), (Bytes{0x93, 0xFA, 0x96, 0x7B}));
    EXPECT_EQ(japanese->ConvertTo(text, GUnicodeEncoding::GetInstance(), text), GEncodingResult::cComplete);
    EXPECT_EQ(UnitsOf(text), (Units{0x65E5, 0x672C}));
    // The generic route too, which reads the source again for its glyph-name fallback.
    EXPECT_EQ(japanese->ConvertFrom(text, GUnicodeEncoding::GetInstance(), text), GEncodingResult::cComplete);
    EXPECT_EQ(BytesOf(text), (Bytes{0x93, 0xFA, 0x96, 0x7B}));
}

TEST_F(PlatformEncodingTest, ConvertsFromUnicodeStringsThroughTheGenericRoute)
{
    GPlatformEncoding* japanese = EncodingFor(cMacJapanese);
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    GBuffer out;
    EXPECT_EQ(japanese->ConvertFrom(BufferOf(Units{0x65E5, 0x672C}), unicode, out),
              GEncodingResult::cComplete);
    EXPECT_EQ(BytesOf(out), (Bytes{0x93, 0xFA, 0x96, 0x7B}));
    // No glyph name helps where the code page lacks the character: the early stop stands.
    EXPECT_EQ(japanese->ConvertFrom(BufferOf(Units{0x3042, 0xE9, 0x3042}), unicode, out),
              GEncodingResult::cLossy);
    EXPECT_EQ(BytesOf(out), (Bytes{0x82, 0xA0}));
    // And the Unicode singleton reaches the platform encoding as a custom target.
    EXPECT_EQ(
        unicode->ConvertTo(BufferOf(Units{0x41, 0xE9}), static_cast<GCustomEncoding const*>(japanese), out),
        GEncodingResult::cLossy);
    EXPECT_EQ(BytesOf(out), (Bytes{0x41}));
}

TEST_F(PlatformEncodingTest, DescriptionNamesTheEncodingIdInDecimal)
{
    struct Case
    {
        int fEncoding;
        char const* fDescription;
    };
    Case const cases[] = {
        {cMacRoman, "MacPlatformEncoding_TextEncoding0"},
        {cMacJapanese, "MacPlatformEncoding_TextEncoding1"},
        {cChineseSimplified, "MacPlatformEncoding_TextEncoding1057"},
        {0x08000100, "MacPlatformEncoding_TextEncoding134217984"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fDescription);
        GPlatformEncoding* encoding = EncodingFor(c.fEncoding);
        EXPECT_EQ(TextOf(encoding->GetASCIIDescription()), c.fDescription);
        EXPECT_TRUE(encoding->IsOfType(Name(c.fDescription)));
    }
    EXPECT_FALSE(EncodingFor(cMacRoman)->IsOfType(Name("MacRomanEncoding")));
}

TEST_F(PlatformEncodingTest, DefaultConstructionTakesTheSystemEncodingOfTheMoment)
{
    ASSERT_TRUE(CFStringStandInSetSystemEncoding(kCFStringEncodingMacJapanese));
    GSharedObject<PMacPlatformEncoding> encoding(new PMacPlatformEncoding);
    CFStringStandInSetSystemEncoding(kCFStringEncodingMacRoman);
    EXPECT_EQ(encoding->GetCFStringEncoding(), kCFStringEncodingMacJapanese);
    EXPECT_EQ(TextOf(encoding->GetASCIIDescription()), "MacPlatformEncoding_TextEncoding1");
}

TEST_F(PlatformEncodingTest, ComposesCanonicallyOrWithCompatibility)
{
    struct Case
    {
        char const* fLabel;
        Units fUnits;
        bool fCompatibility;
        Units fExpected;
    };
    Case const cases[] = {
        {"accent", {0x65, 0x301}, false, {0xE9}},
        {"accent with compatibility", {0x65, 0x301}, true, {0xE9}},
        {"ligature kept", {0xFB01}, false, {0xFB01}},
        {"ligature split", {0xFB01}, true, {0x66, 0x69}},
        {"hangul jamo", {0x1112, 0x1161, 0x11AB}, false, {0xD55C}},
        {"composed already", {0x41, 0xE9}, false, {0x41, 0xE9}},
    };
    GPlatformEncoding* platform = GPlatformEncoding::GetInstance();
    ASSERT_NE(platform, nullptr);
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        GBuffer text = BufferOf(c.fUnits);
        platform->EnsureComposedUnicode(text, c.fCompatibility);
        EXPECT_EQ(UnitsOf(text), c.fExpected);
    }
    GBuffer empty;
    platform->EnsureComposedUnicode(empty, true);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST_F(PlatformEncodingTest, UnicodeEncodingComposesThroughThePlatform)
{
    GBuffer text = BufferOf(Units{0x65, 0x301, 0xFB01});
    GUnicodeEncoding::GetInstance()->EnsureComposedUnicode(text);
    EXPECT_EQ(UnitsOf(text), (Units{0xE9, 0xFB01}));
}

TEST_F(PlatformEncodingTest, ComposingStillWorksAfterAnotherPlatformEncodingIsGone)
{
    int const bindings = PMacXCFStringNormalize::GetBindingCount();
    GSharedObject<PMacPlatformEncoding> kept(new PMacPlatformEncoding(cMacRoman));
    {
        GSharedObject<PMacPlatformEncoding> gone(new PMacPlatformEncoding(cMacJapanese));
        EXPECT_EQ(PMacXCFStringNormalize::GetBindingCount(), bindings + 2);
    }
    EXPECT_EQ(PMacXCFStringNormalize::GetBindingCount(), bindings + 1);
    GBuffer text = BufferOf(Units{0x65, 0x301});
    kept->EnsureComposedUnicode(text, false);
    EXPECT_EQ(UnitsOf(text), (Units{0xE9}));
}

TEST_F(PlatformEncodingTest, FactoryKeepsOneEncodingPerId)
{
    PMacPlatformEncodingFactory* factory = Factory();
    // Asked by id first, Shift-JIS is the same object afterwards.
    PMacPlatformEncoding* japanese = factory->GetEncodingForCFStringEncoding(cMacJapanese);
    EXPECT_EQ(factory->GetEncodingForCFStringEncoding(cMacJapanese), japanese);
    EXPECT_EQ(factory->GetShiftJISEncoding(), japanese);
    EXPECT_EQ(GShiftJISEncoding::GetInstance(), japanese);
    EXPECT_EQ(japanese->GetCFStringEncoding(), kCFStringEncodingMacJapanese);

    GPlatformEncoding* chinese = factory->GetPRCEncoding();
    EXPECT_EQ(factory->GetPRCEncoding(), chinese);
    EXPECT_EQ(factory->GetEncodingForCFStringEncoding(cChineseSimplified), chinese);
    EXPECT_NE(chinese, static_cast<GPlatformEncoding*>(japanese));
    EXPECT_NE(factory->GetEncodingForCFStringEncoding(cMacRoman), japanese);
}

TEST_F(PlatformEncodingTest, ShiftJISAskedFirstIsTheOneCachedForItsId)
{
    GPlatformEncoding* japanese = GShiftJISEncoding::GetInstance();
    ASSERT_NE(japanese, nullptr);
    EXPECT_EQ(Factory()->GetEncodingForCFStringEncoding(cMacJapanese), japanese);
}

TEST_F(PlatformEncodingTest, PlatformEncodingFollowsTheSystemEncoding)
{
    GPlatformEncoding* roman = GPlatformEncoding::GetInstance();
    ASSERT_NE(roman, nullptr);
    EXPECT_EQ(GPlatformEncoding::GetInstance(), roman);
    EXPECT_EQ(TextOf(roman->GetASCIIDescription()), "MacPlatformEncoding_TextEncoding0");

    ASSERT_TRUE(CFStringStandInSetSystemEncoding(kCFStringEncodingMacJapanese));
    GPlatformEncoding* japanese = GPlatformEncoding::GetInstance();
    EXPECT_NE(japanese, roman);
    EXPECT_EQ(japanese, GShiftJISEncoding::GetInstance());

    // The old one stayed cached and comes back.
    ASSERT_TRUE(CFStringStandInSetSystemEncoding(kCFStringEncodingMacRoman));
    EXPECT_EQ(GPlatformEncoding::GetInstance(), roman);
}

TEST_F(PlatformEncodingTest, WithoutAFactoryThereIsNoPlatformEncoding)
{
    GPlatformEncodingFactory::SetInstance(nullptr);
    EXPECT_EQ(GPlatformEncodingFactory::GetInstance(), nullptr);
    EXPECT_EQ(GPlatformEncoding::GetInstance(), nullptr);
    EXPECT_EQ(GShiftJISEncoding::GetInstance(), nullptr);
}

TEST_F(PlatformEncodingTest, FactoryReleasesEveryEncodingItMade)
{
    GPlatformEncodingFactory::SetInstance(nullptr);
    int const bindings = PMacXCFStringNormalize::GetBindingCount();
    auto* factory = new PMacPlatformEncodingFactory;
    GPlatformEncodingFactory::SetInstance(factory);
    factory->GetPlatformEncoding();
    factory->GetShiftJISEncoding();
    factory->GetPRCEncoding();
    EXPECT_EQ(PMacXCFStringNormalize::GetBindingCount(), bindings + 3);
    // Installing another factory destroys this one.
    GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
    EXPECT_EQ(PMacXCFStringNormalize::GetBindingCount(), bindings);
}

TEST_F(PlatformEncodingTest, AnEncodingHeldElsewhereOutlivesTheFactory)
{
    GSharedObject<GPlatformEncoding> held(GShiftJISEncoding::GetInstance());
    GPlatformEncodingFactory::SetInstance(nullptr);
    EXPECT_EQ(held->GetRefCount(), 1);
    GBuffer out;
    EXPECT_EQ(held->ConvertFromUnicode(BufferOf(Units{0x3042}), out), GEncodingResult::cComplete);
    EXPECT_EQ(BytesOf(out), (Bytes{0x82, 0xA0}));
    GBuffer text = BufferOf(Units{0x65, 0x301});
    held->EnsureComposedUnicode(text, false);
    EXPECT_EQ(UnitsOf(text), (Units{0xE9}));
}

TEST_F(PlatformEncodingTest, NamesACodeByTheCharacterItReadsAs)
{
    struct Case
    {
        char const* fLabel;
        int fEncoding;
        Bytes fCode;
        char const* fName;
    };
    Case const cases[] = {
        {"Mac Roman letter", cMacRoman, {0x8E}, "eacute"},
        {"Mac Roman ligature", cMacRoman, {0xDE}, "fi"},
        {"Mac Japanese double-byte", cMacJapanese, {0x82, 0xA0}, "ahiragana"},
        {"Mac Japanese single byte", cMacJapanese, {0x41}, "A"},
        {"code held wider than its value", cMacJapanese, {0x00, 0x41}, "A"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        GBuffer name = Name("stale");
        EXPECT_TRUE(EncodingFor(c.fEncoding)->GetGlyphName(CodeOf(c.fCode), name));
        EXPECT_EQ(TextOf(name), c.fName);
    }
}

TEST_F(PlatformEncodingTest, CodesThatReadAsNoNamedCharacterHaveNoName)
{
    struct Case
    {
        char const* fLabel;
        int fEncoding;
        Bytes fCode;
    };
    Case const cases[] = {
        {"lone lead byte", cMacJapanese, {0x82}},
        {"two characters", cMacRoman, {0x41, 0x42}},
        {"no code", cMacRoman, {}},
        {"unnamed character", cMacRoman, {0x00}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        GBuffer name = Name("stale");
        EXPECT_FALSE(EncodingFor(c.fEncoding)->GetGlyphName(CodeOf(c.fCode), name));
        EXPECT_TRUE(name.IsEmpty());
    }
}

TEST_F(PlatformEncodingTest, FindsTheCodeOfANamedCharacter)
{
    struct Case
    {
        char const* fLabel;
        int fEncoding;
        char const* fName;
        Bytes fCode;
    };
    Case const cases[] = {
        {"Mac Roman letter", cMacRoman, "eacute", {0x8E}},
        {"Mac Japanese double-byte", cMacJapanese, "ahiragana", {0x82, 0xA0}},
        {"simplified Chinese suffixed name", cChineseSimplified, "ahiragana.alt", {0xA4, 0xA2}},
        {"character the code page lacks", cMacRoman, "ahiragana", {}},
        {"unknown name", cMacRoman, "nosuchglyph", {}},
        {"name of two characters", cMacRoman, "T_h", {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        GCharCode code(static_cast<unsigned char>(0x5A));
        EncodingFor(c.fEncoding)->GetCharCode(Name(c.fName), code);
        EXPECT_EQ(BytesOf(code), c.fCode);
    }
}

TEST_F(PlatformEncodingTest, ConvertsOnSeveralThreadsAtOnce)
{
    GPlatformEncoding* japanese = GShiftJISEncoding::GetInstance();
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    std::vector<int> failures(4, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < failures.size(); ++t)
    {
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < 200; ++i)
                {
                    GBuffer bytes;
                    GBuffer units;
                    GBuffer composed = BufferOf(Units{0x65, 0x301});
                    japanese->ConvertFromUnicode(BufferOf(Units{0x65E5, 0x3042}), bytes);
                    japanese->ConvertTo(bytes, unicode, units);
                    japanese->EnsureComposedUnicode(composed, false);
                    if (UnitsOf(units) != Units{0x65E5, 0x3042} || UnitsOf(composed) != Units{0xE9})
                        ++failures[t];
                }
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}
