// The Unicode encoding: glyph names both ways, ligature and suffixed names, compatibility characters,
// the direct conversions from UTF-16 and composition. The singletons and tables come from the shared
// encoding test environment.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EncodingTestSupport.h"
#include "GASCIIEncoding.h"
#include "GCharCode.h"
#include "GMacRomanEncoding.h"
#include "GPDFDocEncoding.h"
#include "GPlatformEncodingFactory.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"
#include "PMacPlatformEncodingFactory.h"

using namespace encodingtest;

namespace
{
// A code of UTF-16 units, most significant byte first as every code holds them.
GCharCode UnitsCode(Units const& units)
{
    Bytes bytes;
    for (unsigned short unit : units)
    {
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
        bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
    }
    GCharCode code;
    if (!bytes.empty())
        code.Set(bytes.data(), static_cast<int>(bytes.size()));
    return code;
}

std::vector<std::string> Texts(GTable<GBuffer> const& table)
{
    std::vector<std::string> texts;
    for (int i = 0; i < table.GetCount(); ++i)
        texts.push_back(TextOf(table[i]));
    return texts;
}

enum class Target
{
    cMacRoman,
    cWinAnsi,
    cPDFDoc,
    cASCII,
};

char const* TargetName(Target target)
{
    switch (target)
    {
    case Target::cMacRoman:
        return "MacRoman";
    case Target::cWinAnsi:
        return "WinAnsi";
    case Target::cPDFDoc:
        return "PDFDoc";
    case Target::cASCII:
        return "ASCII";
    }
    return "?";
}

unsigned ConvertDirect(Target target, GBuffer const& src, GBuffer& out)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    switch (target)
    {
    case Target::cMacRoman:
        return unicode->ConvertTo(src, GMacRomanEncoding::GetInstance(), out);
    case Target::cWinAnsi:
        return unicode->ConvertTo(src, GWinAnsiEncoding::GetInstance(), out);
    case Target::cPDFDoc:
        return unicode->ConvertTo(src, GPDFDocEncoding::GetInstance(), out);
    case Target::cASCII:
        return unicode->ConvertTo(src, GASCIIEncoding::GetInstance(), out);
    }
    return 0;
}

class GUnicodeEncodingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fUnicode = GUnicodeEncoding::GetInstance();
        ASSERT_NE(fUnicode, nullptr);
        fDefaultCharacter = GEncoding::GetDefaultCharacter();
    }
    void TearDown() override { GEncoding::SetDefaultCharacter(fDefaultCharacter); }

    GCharCode CodeOf(char const* name) const
    {
        GCharCode code;
        fUnicode->GetCharCode(GBuffer(name), code);
        return code;
    }

    GUnicodeEncoding const* fUnicode = nullptr;
    char fDefaultCharacter = '@';
};

TEST_F(GUnicodeEncodingTest, ResolvesGlyphNamesLigaturesAndSuffixes)
{
    struct Case
    {
        char const* fName;
        Units fUnits;
    };
    Case const cases[] = {
        {"A", {0x0041}},
        {"space", {0x0020}},
        {"Delta", {0x2206}},
        {"Deltagreek", {0x0394}},
        {"increment", {0x2206}},
        {"H18533", {0x25CF}},
        {"commaaccent", {0xF6C3}},
        {"a1", {0x2701}},
        {"UPPER BLADE SCISSORS", {0x2701}},
        {"a71", {0x25CF}},
        // Ligatures: the joined name when it exists, otherwise every part on its own.
        {"f_i", {0xFB01}},
        {"f_f", {0xFB00}},
        {"T_h", {0x0054, 0x0068}},
        {"T__h_", {0x0054, 0x0068}},
        {"T_xyz", {}},
        {"_", {}},
        // One level of suffix, taken off at the first dot.
        {"a.sc", {0x0061}},
        {"A.sc", {0x0041}},
        {"Aacute.alt.sc", {0x00C1}},
        {"f_i.sc", {0xFB01}},
        {"T_h.alt", {0x0054, 0x0068}},
        {".sc", {}},
        {".notdef", {}},
        {"xyz.sc", {}},
        {"A.", {0x0041}},
        // Numbered names have no rule of their own.
        {"uni0041", {}},
        {"u0041", {}},
        {"u1F600", {}},
        {"", {}},
        {"delta", {0x03B4}},
        {"DELTA", {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GCharCode code = UnitsCode({0x1234});
        fUnicode->GetCharCode(GBuffer(c.fName), code);
        EXPECT_EQ(code, UnitsCode(c.fUnits));
    }
}

TEST_F(GUnicodeEncodingTest, LigatureLookupNeedsAnUnderscore)
{
    struct Case
    {
        char const* fName;
        Units fUnits;
    };
    Case const cases[] = {
        {"fi", {}},     {"f_f", {0xFB00}}, {"f_f_i", {0xFB03}}, {"A_B_C", {0x0041, 0x0042, 0x0043}},
        {"A_B.sc", {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GCharCode code = UnitsCode({0x1234});
        fUnicode->GetLigatureCharCode(GBuffer(c.fName), code);
        EXPECT_EQ(code, UnitsCode(c.fUnits));
    }
}

TEST_F(GUnicodeEncodingTest, LigatureLongerThanACodeCanHoldHasNoCode)
{
    // A code holds at most 255 bytes: 127 units fit, 128 do not (and must not throw).
    std::string fits = "A";
    for (int i = 1; i < 127; ++i)
        fits += "_A";
    GCharCode code;
    fUnicode->GetCharCode(GBuffer(fits.c_str()), code);
    EXPECT_EQ(code, UnitsCode(Units(127, 0x0041)));

    std::string const tooLong = fits + "_A";
    code = UnitsCode({0x1234});
    EXPECT_NO_THROW(fUnicode->GetCharCode(GBuffer(tooLong.c_str()), code));
    EXPECT_EQ(code.GetLength(), 0);
}

TEST_F(GUnicodeEncodingTest, NamesCodesByTheirPreferredName)
{
    struct Case
    {
        unsigned short fUnit;
        char const* fName; // null: no name
    };
    Case const cases[] = {
        {0x0041, "A"},          {0x0020, "space"},  {0x00A0, "nbspace"},    {0x2206, "Delta"},
        {0x0394, "Deltagreek"}, {0x25CF, "H18533"}, {0x2192, "arrowright"}, {0x2701, "UPPER BLADE SCISSORS"},
        {0x00AD, "sfthyphen"},  {0x0000, nullptr},  {0xE000, nullptr},      {0xFFFF, nullptr},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fUnit);
        GBuffer name("stale");
        bool const found = fUnicode->GetGlyphName(GCharCode(c.fUnit), name);
        EXPECT_EQ(found, c.fName != nullptr);
        EXPECT_EQ(TextOf(name), c.fName ? c.fName : "");
    }
}

TEST_F(GUnicodeEncodingTest, NamesOnlyCodesOfOneOrTwoBytes)
{
    GBuffer name;
    EXPECT_TRUE(fUnicode->GetGlyphName(GCharCode(static_cast<unsigned char>(0x41)), name));
    EXPECT_EQ(TextOf(name), "A");

    name = "stale";
    EXPECT_FALSE(fUnicode->GetGlyphName(GCharCode(0x000041u, 3), name));
    EXPECT_EQ(name.GetLength(), 0);
    EXPECT_FALSE(fUnicode->GetGlyphName(GCharCode(), name));

    GTable<GBuffer> names;
    names.AddItem(GBuffer("stale"));
    fUnicode->GetGlyphNameTable(GCharCode(0x00002701u, 4), names);
    EXPECT_EQ(names.GetCount(), 0);
}

TEST_F(GUnicodeEncodingTest, ListsEveryNameOfACodePreferredFirst)
{
    struct Case
    {
        unsigned short fUnit;
        std::vector<std::string> fNames;
    };
    Case const cases[] = {
        {0x2701, {"UPPER BLADE SCISSORS", "a1"}},
        {0x25CF, {"H18533", "blackcircle", "BLACK CIRCLE", "a71"}},
        {0x0020, {"space", "spacehackarabic"}},
        {0x2206, {"Delta", "increment"}},
        {0x0041, {"A"}},
        {0xE000, {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fUnit);
        GTable<GBuffer> names;
        names.AddItem(GBuffer("stale"));
        fUnicode->GetGlyphNameTable(GCharCode(c.fUnit), names);
        EXPECT_EQ(Texts(names), c.fNames);
    }
}

TEST_F(GUnicodeEncodingTest, EveryGlyphNameIsListedUnderItsCode)
{
    GDict<GBuffer, unsigned short> const* charCodes = fUnicode->GetCharCodes();
    ASSERT_NE(charCodes, nullptr);
    // 4,200 glyph-list names and two names for each of 187 dingbats, all distinct.
    EXPECT_EQ(charCodes->GetCount(), 4574);
    int misplaced = 0;
    charCodes->ForEach(
        [&](GBuffer const& name, unsigned short unit)
        {
            GTable<GBuffer> names;
            fUnicode->GetGlyphNameTable(GCharCode(unit), names);
            bool listed = false;
            for (int i = 0; i < names.GetCount(); ++i)
                listed = listed || names[i] == name;
            GBuffer preferred;
            GCharCode back;
            if (fUnicode->GetGlyphName(GCharCode(unit), preferred))
                fUnicode->GetCharCode(preferred, back);
            if (!listed || back != GCharCode(unit))
            {
                ADD_FAILURE() << TextOf(name) << " U+" << std::hex << unit;
                ++misplaced;
            }
        });
    EXPECT_EQ(misplaced, 0);
}

TEST_F(GUnicodeEncodingTest, PrefersNamesThatAreNotDingbatNumbersThenShorterOnes)
{
    struct Case
    {
        std::vector<char const*> fAdded;
        std::vector<std::string> fExpected;
    };
    Case const cases[] = {
        {{"a1", "alpha"}, {"alpha", "a1"}},
        {{"alpha", "a1"}, {"alpha", "a1"}},
        {{"a202", "bb"}, {"bb", "a202"}},
        // "a01" does not read back as its number, so it competes on length like any name.
        {{"alpha", "a01"}, {"a01", "alpha"}},
        {{"a01", "a1"}, {"a01", "a1"}},
        {{"a12", "a3"}, {"a3", "a12"}},
        {{"a0", "bb"}, {"bb", "a0"}},
        {{"a", "a2"}, {"a", "a2"}},
        {{"ab", "a"}, {"a", "ab"}},
        // Equal length keeps the first; only the first place is contested.
        {{"abc", "xyz"}, {"abc", "xyz"}},
        {{"Delta", "increment", "D"}, {"D", "Delta", "increment"}},
        {{"H18533", "blackcircle", "BLACK CIRCLE", "a71"}, {"H18533", "blackcircle", "BLACK CIRCLE", "a71"}},
        {{"a71", "a9", "BLACK CIRCLE"}, {"BLACK CIRCLE", "a9", "a71"}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fExpected.front());
        GTable<GBuffer> names;
        for (char const* name : c.fAdded)
            GUnicodeEncoding::PlaceGlyphName(names, GBuffer(name));
        EXPECT_EQ(Texts(names), c.fExpected);
    }
}

TEST_F(GUnicodeEncodingTest, ConvertsUnitsDirectlyToSingleByteTargets)
{
    struct Case
    {
        Target fTarget;
        Units fUnits;
        Bytes fBytes;
        unsigned fResult;
    };
    Case const cases[] = {
        {Target::cWinAnsi, {0x2022}, {0x95}, 1},
        {Target::cWinAnsi, {0x00A0}, {'@'}, 2},
        {Target::cWinAnsi, {0x0020, 0x002D, 0x00E9}, {0x20, 0x2D, 0xE9}, 1},
        {Target::cWinAnsi, {0x20AC, 0x0152, 0x2122}, {0x80, 0x8C, 0x99}, 1},
        {Target::cWinAnsi, {0x0081, 0x0005, 0x0009}, {'@', '@', 0x09}, 2},
        {Target::cMacRoman, {0x0041, 0x4E00}, {0x41, '@'}, 2},
        {Target::cMacRoman, {0x20AC}, {'@'}, 2},
        {Target::cMacRoman, {0x00A4, 0x0020, 0x2022, 0x00E9}, {0xDB, 0x20, 0xA5, 0x8E}, 1},
        {Target::cMacRoman, {0x00A0}, {'@'}, 2},
        {Target::cPDFDoc, {0x00F7, 0x002D, 0x20AC, 0x2022}, {0x87, 0x2D, 0xA0, 0x80}, 1},
        {Target::cPDFDoc, {0x2212, 0x2044, 0x00AD}, {'@', '@', '@'}, 2},
        {Target::cASCII, {0x0041, 0x0007, 0x007F}, {0x41, 0x07, 0x7F}, 1},
        {Target::cASCII, {0x0005, 0x00E9, 0x0141}, {'@', '@', '@'}, 2},
        // U+0000 is never written into a single-byte target.
        {Target::cWinAnsi, {0x0000}, {'@'}, 2},
        {Target::cMacRoman, {0x0000}, {'@'}, 2},
        {Target::cPDFDoc, {0x0000}, {'@'}, 2},
        {Target::cASCII, {0x0000}, {'@'}, 2},
        {Target::cMacRoman, {}, {}, 1},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(TargetName(c.fTarget));
        SCOPED_TRACE(c.fUnits.empty() ? 0 : c.fUnits.front());
        GBuffer out("stale");
        EXPECT_EQ(ConvertDirect(c.fTarget, BufferOf(c.fUnits), out), c.fResult);
        EXPECT_EQ(BytesOf(out), c.fBytes);
    }
}

TEST_F(GUnicodeEncodingTest, EveryConversionIgnoresAnOddTrailingByte)
{
    Target const targets[] = {Target::cMacRoman, Target::cWinAnsi, Target::cPDFDoc, Target::cASCII};
    // Borrowed bytes with no terminator after them: nothing past the third byte may be read.
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[3]{0x41, 0x00, 0x42});
    GBuffer src;
    src.TakeByteArray(bytes.get(), 3, 3);
    for (Target target : targets)
    {
        SCOPED_TRACE(TargetName(target));
        GBuffer out;
        EXPECT_EQ(ConvertDirect(target, src, out), 1u);
        EXPECT_EQ(BytesOf(out), Bytes{0x41});
    }

    GBuffer out;
    EXPECT_EQ(fUnicode->ConvertTo(src, fUnicode, out), 1u);
    EXPECT_EQ(out, BufferOf(Units{0x0041}));
    EXPECT_EQ(
        fUnicode->ConvertTo(src, static_cast<GCustomEncoding const*>(GWinAnsiEncoding::GetInstance()), out),
        1u);
    EXPECT_EQ(BytesOf(out), Bytes{0x41});

    GBuffer const single = BufferOf(Bytes{0x41});
    for (Target target : targets)
    {
        SCOPED_TRACE(TargetName(target));
        out = "stale";
        EXPECT_EQ(ConvertDirect(target, single, out), 1u);
        EXPECT_EQ(out.GetLength(), 0);
    }
}

TEST_F(GUnicodeEncodingTest, ConvertsIntoTheBufferItReadsFrom)
{
    GBuffer text = BufferOf(Units{0x0041, 0x2022, 0x00A0});
    EXPECT_EQ(fUnicode->ConvertTo(text, GWinAnsiEncoding::GetInstance(), text), 2u);
    EXPECT_EQ(BytesOf(text), (Bytes{0x41, 0x95, '@'}));

    text = BufferOf(Units{0x0041, 0x2022});
    EXPECT_EQ(
        fUnicode->ConvertTo(text, static_cast<GCustomEncoding const*>(GWinAnsiEncoding::GetInstance()), text),
        1u);
    EXPECT_EQ(BytesOf(text), (Bytes{0x41, 0x95}));

    text = BufferOf(Units{0x0041, 0x0042});
    text += static_cast<unsigned char>(0x43);
    EXPECT_EQ(fUnicode->ConvertTo(text, fUnicode, text), 1u);
    EXPECT_EQ(text, BufferOf(Units{0x0041, 0x0042}));
}

TEST_F(GUnicodeEncodingTest, CustomTargetsConvertThroughTheirOwnTables)
{
    GCustomEncoding const* winAnsi = GWinAnsiEncoding::GetInstance();
    GBuffer out("stale");
    EXPECT_EQ(fUnicode->ConvertTo(BufferOf(Units{0x0041, 0x2022, 0x4E00}), winAnsi, out), 2u);
    EXPECT_EQ(BytesOf(out), (Bytes{0x41, 0x95, '@'}));

    out = "stale";
    EXPECT_EQ(fUnicode->ConvertTo(GBuffer(), winAnsi, out), 1u);
    EXPECT_EQ(out.GetLength(), 0);
}

TEST_F(GUnicodeEncodingTest, WritesTheCurrentDefaultCharacter)
{
    GEncoding::SetDefaultCharacter('?');
    GBuffer out;
    EXPECT_EQ(fUnicode->ConvertTo(BufferOf(Units{0x00A0, 0x0041}), GWinAnsiEncoding::GetInstance(), out), 2u);
    EXPECT_EQ(BytesOf(out), (Bytes{'?', 0x41}));
}

TEST_F(GUnicodeEncodingTest, CopiesUnicodeAndReadsOtherEncodingsThroughTheirRoute)
{
    GBuffer out;
    GBuffer const text = BufferOf(Units{0x0041, 0xD83D, 0xDE00, 0x0000});
    EXPECT_EQ(fUnicode->ConvertTo(text, fUnicode, out), 1u);
    EXPECT_EQ(out, text);

    EXPECT_EQ(fUnicode->ConvertFrom(GBuffer("Ab"), GASCIIEncoding::GetInstance(), out), 1u);
    EXPECT_EQ(out, BufferOf(Units{0x0041, 0x0062}));
    EXPECT_EQ(fUnicode->ConvertFrom(BufferOf(Bytes{0x8E, 0xDB}), GMacRomanEncoding::GetInstance(), out), 1u);
    EXPECT_EQ(out, BufferOf(Units{0x00E9, 0x00A4}));
}

TEST_F(GUnicodeEncodingTest, ReplacesCompatibilityCharacters)
{
    struct Case
    {
        unsigned short fUnit;
        unsigned short fReplacement; // 0: not a compatibility character
    };
    Case const cases[] = {
        {0xFB01, 0},      {0x00AD, 0x002D}, {0x00A0, 0x0020}, {0x00B5, 0x03BC},
        {0x017F, 0x0073}, {0x2002, 0x0020}, {0x2007, 0},      {0x2F00, 0x4E00},
        {0x2FD5, 0x9FA0}, {0x2FD6, 0},      {0x3131, 0x1100}, {0x318E, 0x11A1},
        {0xFE4D, 0x005F}, {0xFE50, 0},      {0x0041, 0},      {0x0000, 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fUnit);
        GCharCode replacement = UnitsCode({0x1234});
        bool const found = fUnicode->GetCompatChar(GCharCode(c.fUnit), replacement);
        EXPECT_EQ(found, c.fReplacement != 0);
        EXPECT_EQ(replacement,
                  UnitsCode({c.fReplacement != 0 ? c.fReplacement : static_cast<unsigned short>(0x1234)}));
    }

    GCharCode replacement;
    EXPECT_TRUE(fUnicode->GetCompatChar(GCharCode(static_cast<unsigned char>(0xA0)), replacement));
    EXPECT_EQ(replacement, GCharCode(static_cast<unsigned short>(0x0020)));
    EXPECT_FALSE(fUnicode->GetCompatChar(GCharCode(0x0000A0u, 3), replacement));
}

TEST_F(GUnicodeEncodingTest, MeasuresTextUpToTheFirstZeroUnit)
{
    struct Case
    {
        Bytes fBytes; // little-endian units, zero unit included
        int fLength;
    };
    Case const cases[] = {
        {{0x41, 0x00, 0x42, 0x00, 0x00, 0x00}, 4},
        {{0x00, 0x00}, 0},
        // U+0100 has a zero low byte but is not the end.
        {{0x00, 0x01, 0x41, 0x00, 0x00, 0x00}, 4},
        {{0x41, 0x00, 0x00, 0x00, 0x42, 0x00, 0x00, 0x00}, 2},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLength);
        EXPECT_EQ(fUnicode->GetLength(c.fBytes.data()), c.fLength);
    }
}

TEST_F(GUnicodeEncodingTest, LookupsFindNothingAfterFinalizeButConversionsStillWork)
{
    GUnicodeEncoding::Finalize();
    EXPECT_EQ(fUnicode->GetCharCodes(), nullptr);
    EXPECT_EQ(CodeOf("A").GetLength(), 0);
    GBuffer name;
    EXPECT_FALSE(fUnicode->GetGlyphName(GCharCode(static_cast<unsigned short>(0x0041)), name));
    GCharCode replacement;
    EXPECT_FALSE(fUnicode->GetCompatChar(GCharCode(static_cast<unsigned short>(0x00AD)), replacement));
    GBuffer out;
    EXPECT_EQ(fUnicode->ConvertTo(BufferOf(Units{0x00E9, 0x2022}), GMacRomanEncoding::GetInstance(), out),
              1u);
    EXPECT_EQ(BytesOf(out), (Bytes{0x8E, 0xA5}));

    GUnicodeEncoding::Initialize();
    EXPECT_EQ(CodeOf("A"), GCharCode(static_cast<unsigned short>(0x0041)));
    GUnicodeEncoding::Initialize();
    EXPECT_EQ(fUnicode->GetCharCodes()->GetCount(), 4574);
}

// Composition is the platform's: the Unicode encoding hands the text to the current platform encoding,
// which the test environment installs.
TEST_F(GUnicodeEncodingTest, ComposesCanonicallyInPlace)
{
    struct Case
    {
        Units fIn;
        Units fOut;
    };
    Case const cases[] = {
        {{0x0065, 0x0301}, {0x00E9}},
        {{0x0041, 0x030A, 0x0042}, {0x00C5, 0x0042}},
        {{0x1100, 0x1161}, {0xAC00}},
        // Canonical only: compatibility characters stay.
        {{0xFB01, 0x00A0}, {0xFB01, 0x00A0}},
        {{0x0041}, {0x0041}},
        {{}, {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fIn.empty() ? 0 : c.fIn.front());
        GBuffer text = BufferOf(c.fIn);
        GBuffer normalized = text;
        fUnicode->EnsureComposedUnicode(text);
        EXPECT_EQ(UnitsOf(text), c.fOut);
        fUnicode->Normalize(normalized);
        EXPECT_EQ(UnitsOf(normalized), c.fOut);
    }
}

TEST_F(GUnicodeEncodingTest, LeavesTextAloneWithoutAPlatformFactory)
{
    // The test environment installs a factory for the whole program; it is taken away for this
    // test only and a fresh one put back.
    bool const hadFactory = GPlatformEncodingFactory::GetInstance() != nullptr;
    GPlatformEncodingFactory::SetInstance(nullptr);
    GBuffer text = BufferOf(Units{0x0065, 0x0301});
    fUnicode->EnsureComposedUnicode(text);
    if (hadFactory)
        GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
    EXPECT_EQ(text, BufferOf(Units{0x0065, 0x0301}));
}
} // namespace
