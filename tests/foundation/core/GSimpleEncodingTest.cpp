// The table-driven single-byte encodings: how their tables depart from the published code pages, both
// directions of conversion, glyph names, and the characters MacExpert and Standard take from glyph names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EncodingTestSupport.h"
#include "GCharCode.h"
#include "GMacExpertEncoding.h"
#include "GMacRomanEncoding.h"
#include "GMemoryException.h"
#include "GPDFDocEncoding.h"
#include "GSingleByteTables.h"
#include "GStandardEncoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

using namespace encodingtest;

namespace
{
using GEncodingResult::cComplete;
using GEncodingResult::cLossy;

// Stands for "the default character" where a case expects no real code or unit.
constexpr int cDefault = -1;

GSimpleEncoding const* Encoding(std::string const& name)
{
    if (name == "MacRoman")
        return GMacRomanEncoding::GetInstance();
    if (name == "MacExpert")
        return GMacExpertEncoding::GetInstance();
    if (name == "PDFDoc")
        return GPDFDocEncoding::GetInstance();
    if (name == "Standard")
        return GStandardEncoding::GetInstance();
    if (name == "WinAnsi")
        return GWinAnsiEncoding::GetInstance();
    return nullptr;
}

char const* const cEncodingNames[] = {"MacRoman", "MacExpert", "PDFDoc", "Standard", "WinAnsi"};

unsigned DefaultUnit()
{
    return static_cast<unsigned char>(GEncoding::GetDefaultCharacter());
}

// Restores the process-wide default character that a test changes.
class DefaultCharacterGuard
{
public:
    DefaultCharacterGuard() : fSaved(GEncoding::GetDefaultCharacter()) {}
    ~DefaultCharacterGuard() { GEncoding::SetDefaultCharacter(fSaved); }

private:
    char fSaved;
};

struct CodeCase
{
    char const* fEncoding;
    unsigned char fCode;
    int fUnit; // cDefault: the code is not mapped
};

struct UnitCase
{
    char const* fEncoding;
    unsigned short fUnit;
    int fCode; // cDefault: no code reads as the unit
};

struct NameCase
{
    char const* fEncoding;
    unsigned char fCode;
    char const* fName; // null: the code has no name
};

TEST(GSimpleEncodingTest, ReadsEachExceptionToThePublishedCodePages)
{
    CodeCase const cases[] = {
        // MacRoman: signs that are not in the Latin character set are not mapped.
        {"MacRoman", 0xAD, cDefault},
        {"MacRoman", 0xB0, cDefault},
        {"MacRoman", 0xB2, cDefault},
        {"MacRoman", 0xB3, cDefault},
        {"MacRoman", 0xB6, cDefault},
        {"MacRoman", 0xB7, cDefault},
        {"MacRoman", 0xB8, cDefault},
        {"MacRoman", 0xB9, cDefault},
        {"MacRoman", 0xBA, cDefault},
        {"MacRoman", 0xBD, cDefault},
        {"MacRoman", 0xC3, cDefault},
        {"MacRoman", 0xC5, cDefault},
        {"MacRoman", 0xC6, cDefault},
        {"MacRoman", 0xD7, cDefault},
        {"MacRoman", 0xF0, cDefault},
        {"MacRoman", 0xCA, 0x0020},
        {"MacRoman", 0xDB, 0x00A4},
        // ... while the control codes stay, and the published rest is untouched.
        {"MacRoman", 0x00, cDefault},
        {"MacRoman", 0x01, 0x0001},
        {"MacRoman", 0x1F, 0x001F},
        {"MacRoman", 0x7F, 0x007F},
        {"MacRoman", 0x8E, 0x00E9},
        {"MacRoman", 0xDE, 0xFB01},
        {"MacRoman", 0xDA, 0x2044},
        // WinAnsi: control codes other than tab, line feed and carriage return are not mapped.
        {"WinAnsi", 0x00, cDefault},
        {"WinAnsi", 0x01, cDefault},
        {"WinAnsi", 0x05, cDefault},
        {"WinAnsi", 0x08, cDefault},
        {"WinAnsi", 0x0B, cDefault},
        {"WinAnsi", 0x0C, cDefault},
        {"WinAnsi", 0x0E, cDefault},
        {"WinAnsi", 0x1F, cDefault},
        {"WinAnsi", 0x09, 0x0009},
        {"WinAnsi", 0x0A, 0x000A},
        {"WinAnsi", 0x0D, 0x000D},
        // ... the code page's holes read as bullets ...
        {"WinAnsi", 0x7F, 0x2022},
        {"WinAnsi", 0x81, 0x2022},
        {"WinAnsi", 0x8D, 0x2022},
        {"WinAnsi", 0x8F, 0x2022},
        {"WinAnsi", 0x90, 0x2022},
        {"WinAnsi", 0x9D, 0x2022},
        {"WinAnsi", 0x95, 0x2022},
        // ... and no-break space and soft hyphen read as their plain forms.
        {"WinAnsi", 0xA0, 0x0020},
        {"WinAnsi", 0xAD, 0x002D},
        {"WinAnsi", 0x80, 0x20AC},
        {"WinAnsi", 0x9F, 0x0178},
        // PDFDoc: fraction and minus read as the division sign and hyphen-minus.
        {"PDFDoc", 0x87, 0x00F7},
        {"PDFDoc", 0x8A, 0x002D},
        {"PDFDoc", 0xA0, 0x20AC},
        {"PDFDoc", 0xAD, cDefault},
        {"PDFDoc", 0x7F, cDefault},
        {"PDFDoc", 0x9F, cDefault},
        {"PDFDoc", 0x08, cDefault},
        {"PDFDoc", 0x09, 0x0009},
        {"PDFDoc", 0x0A, 0x000A},
        {"PDFDoc", 0x0D, 0x000D},
        {"PDFDoc", 0x18, 0x02D8},
        {"PDFDoc", 0x80, 0x2022},
        {"PDFDoc", 0x93, 0xFB01},
        {"PDFDoc", 0xF7, 0x00F7},
    };
    for (CodeCase const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fEncoding) + " code " + std::to_string(c.fCode));
        GBuffer utf16;
        unsigned const result =
            Encoding(c.fEncoding)
                ->ConvertTo(BufferOf(Bytes{c.fCode}), GUnicodeEncoding::GetInstance(), utf16);
        if (c.fUnit == cDefault)
        {
            EXPECT_EQ(result, cLossy);
            EXPECT_EQ(UnitsOf(utf16), Units{static_cast<unsigned short>(DefaultUnit())});
        }
        else
        {
            EXPECT_EQ(result, cComplete);
            EXPECT_EQ(UnitsOf(utf16), Units{static_cast<unsigned short>(c.fUnit)});
        }
    }
}

TEST(GSimpleEncodingTest, WritesTheCharactersOfTheExceptionsWithTheirFirstCode)
{
    UnitCase const cases[] = {
        // Two codes read as the same character: the first one is written.
        {"MacRoman", 0x0020, 0x20},
        {"WinAnsi", 0x0020, 0x20},
        {"WinAnsi", 0x002D, 0x2D},
        {"PDFDoc", 0x002D, 0x2D},
        {"PDFDoc", 0x00F7, 0x87},
        {"WinAnsi", 0x2022, 0x95},
        {"PDFDoc", 0x2022, 0x80},
        {"MacRoman", 0x00A4, 0xDB},
        // Characters that no code reads as any more.
        {"MacRoman", 0x00A0, cDefault},
        {"MacRoman", 0x20AC, cDefault},
        {"MacRoman", 0x2260, cDefault},
        {"MacRoman", 0x221E, cDefault},
        {"MacRoman", 0x03A9, cDefault},
        {"MacRoman", 0x2206, cDefault},
        {"MacRoman", 0x25CA, cDefault},
        {"MacRoman", 0xF8FF, cDefault},
        {"WinAnsi", 0x00A0, cDefault},
        {"WinAnsi", 0x00AD, cDefault},
        {"WinAnsi", 0x007F, cDefault},
        {"WinAnsi", 0x0005, cDefault},
        {"PDFDoc", 0x2044, cDefault},
        {"PDFDoc", 0x2212, cDefault},
        {"PDFDoc", 0x00AD, cDefault},
        // The kept control codes and the unchanged rest.
        {"MacRoman", 0x007F, 0x7F},
        {"MacRoman", 0x0001, 0x01},
        {"WinAnsi", 0x0009, 0x09},
        {"WinAnsi", 0x20AC, 0x80},
        {"PDFDoc", 0x20AC, 0xA0},
        {"PDFDoc", 0x02D8, 0x18},
        // U+0000 is never written.
        {"MacRoman", 0x0000, cDefault},
        {"WinAnsi", 0x0000, cDefault},
        {"PDFDoc", 0x0000, cDefault},
        {"Standard", 0x0000, cDefault},
        {"MacExpert", 0x0000, cDefault},
    };
    for (UnitCase const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fEncoding) + " unit " + std::to_string(c.fUnit));
        GBuffer bytes;
        unsigned const result = Encoding(c.fEncoding)->ConvertFromUnicode(BufferOf(Units{c.fUnit}), bytes);
        if (c.fCode == cDefault)
        {
            EXPECT_EQ(result, cLossy);
            EXPECT_EQ(BytesOf(bytes), Bytes{static_cast<unsigned char>(DefaultUnit())});
        }
        else
        {
            EXPECT_EQ(result, cComplete);
            EXPECT_EQ(BytesOf(bytes), Bytes{static_cast<unsigned char>(c.fCode)});
        }
    }
}

// Decodes every code one by one and checks that each of the 65,536 units is written as the lowest
// code that reads as it (U+2022 in WinAnsi excepted: 0x95 is added first), or as the default character.
TEST(GSimpleEncodingTest, WritesEveryUnitWithTheLowestCodeThatReadsAsIt)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    for (char const* name : cEncodingNames)
    {
        SCOPED_TRACE(name);
        GSimpleEncoding const* encoding = Encoding(name);
        std::vector<int> expected(0x10000, cDefault);
        for (int code = 255; code >= 0; --code)
        {
            GBuffer utf16;
            if (encoding->ConvertTo(BufferOf(Bytes{static_cast<unsigned char>(code)}), unicode, utf16) ==
                cComplete)
                expected[UnitsOf(utf16).at(0)] = code;
        }
        if (std::string(name) == "WinAnsi")
            expected[0x2022] = 0x95;

        // Every unit once, downwards, so that no high surrogate is followed by a low one: each unit
        // stands for itself and gives one byte.
        Units all(0x10000);
        for (int i = 0; i < 0x10000; ++i)
            all[i] = static_cast<unsigned short>(0xFFFF - i);
        GBuffer bytes;
        EXPECT_EQ(encoding->ConvertFromUnicode(BufferOf(all), bytes), cLossy);
        ASSERT_EQ(bytes.GetLength(), 0x10000);
        int mismatches = 0;
        for (int unit = 0; unit < 0x10000; ++unit)
        {
            int const want = expected[unit] == cDefault ? static_cast<int>(DefaultUnit()) : expected[unit];
            if (bytes.GetPtr()[0xFFFF - unit] != want && ++mismatches <= 5)
                ADD_FAILURE() << "unit " << unit << " gave " << int(bytes.GetPtr()[0xFFFF - unit])
                              << ", expected " << want;
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(GSimpleEncodingTest, ReplacesUnmappedCodesAndCharactersByTheDefaultCharacter)
{
    DefaultCharacterGuard guard;
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GMacRomanEncoding const* macRoman = GMacRomanEncoding::GetInstance();
    for (char defaultCharacter : {'@', '?'})
    {
        SCOPED_TRACE(std::string("default ") + defaultCharacter);
        GEncoding::SetDefaultCharacter(defaultCharacter);

        GBuffer utf16;
        EXPECT_EQ(macRoman->ConvertTo(BufferOf(Bytes{'A', 0xF0, 'B'}), unicode, utf16), cLossy);
        EXPECT_EQ(UnitsOf(utf16), (Units{'A', static_cast<unsigned char>(defaultCharacter), 'B'}));

        GBuffer bytes;
        EXPECT_EQ(macRoman->ConvertFromUnicode(BufferOf(Units{'A', 0x4E00, 'B'}), bytes), cLossy);
        EXPECT_EQ(TextOf(bytes), std::string("A") + defaultCharacter + "B");
    }
}

TEST(GSimpleEncodingTest, ConvertsTextWhoseEveryCharacterMapsCompletely)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GWinAnsiEncoding const* winAnsi = GWinAnsiEncoding::GetInstance();
    Units const units = {'c', 'a', 'f', 0x00E9, ' ', 0x20AC, 0x2014, 0x2022, '\t', 0x0178};
    GBuffer bytes;
    EXPECT_EQ(winAnsi->ConvertFromUnicode(BufferOf(units), bytes), cComplete);
    EXPECT_EQ(BytesOf(bytes), (Bytes{'c', 'a', 'f', 0xE9, ' ', 0x80, 0x97, 0x95, '\t', 0x9F}));
    GBuffer back;
    EXPECT_EQ(winAnsi->ConvertTo(bytes, unicode, back), cComplete);
    EXPECT_EQ(UnitsOf(back), units);
}

TEST(GSimpleEncodingTest, TreatsEmptyInputAndAnOddTrailingByteAsNoCharacters)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GPDFDocEncoding const* pdfDoc = GPDFDocEncoding::GetInstance();
    GBuffer out("stale");
    EXPECT_EQ(pdfDoc->ConvertTo(GBuffer(), unicode, out), cComplete);
    EXPECT_EQ(out.GetLength(), 0);
    out = "stale";
    EXPECT_EQ(pdfDoc->ConvertFromUnicode(GBuffer(), out), cComplete);
    EXPECT_EQ(out.GetLength(), 0);
    out = "stale";
    EXPECT_EQ(pdfDoc->ConvertFromUnicode(BufferOf(Bytes{'x'}), out), cComplete);
    EXPECT_EQ(out.GetLength(), 0);

    GBuffer oddTail = BufferOf(Units{'A', 'B'});
    oddTail += static_cast<unsigned char>('C');
    EXPECT_EQ(pdfDoc->ConvertFromUnicode(oddTail, out), cComplete);
    EXPECT_EQ(TextOf(out), "AB");
}

TEST(GSimpleEncodingTest, ConvertsABufferIntoItself)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GMacRomanEncoding const* macRoman = GMacRomanEncoding::GetInstance();
    GBuffer text = BufferOf(Bytes{'n', 0x8E, 'e'});
    EXPECT_EQ(macRoman->ConvertTo(text, unicode, text), cComplete);
    EXPECT_EQ(UnitsOf(text), (Units{'n', 0x00E9, 'e'}));
    EXPECT_EQ(macRoman->ConvertFromUnicode(text, text), cComplete);
    EXPECT_EQ(BytesOf(text), (Bytes{'n', 0x8E, 'e'}));
}

TEST(GSimpleEncodingTest, NamesTheCodesOfTheExceptions)
{
    NameCase const cases[] = {
        {"WinAnsi", 0x95, "bullet"},    {"WinAnsi", 0x7F, "bullet"},         {"WinAnsi", 0x81, "bullet"},
        {"WinAnsi", 0x8D, "bullet"},    {"WinAnsi", 0x8F, "bullet"},         {"WinAnsi", 0x90, "bullet"},
        {"WinAnsi", 0x9D, "bullet"},    {"WinAnsi", 0xAD, "hyphen"},         {"WinAnsi", 0xA0, "space"},
        {"WinAnsi", 0x80, "Euro"},      {"WinAnsi", 0x20, "space"},          {"WinAnsi", 0x05, nullptr},
        {"WinAnsi", 0x09, nullptr},     {"WinAnsi", 0x00, nullptr},          {"MacRoman", 0xCA, "space"},
        {"MacRoman", 0xDB, "currency"}, {"MacRoman", 0xDA, "fraction"},      {"MacRoman", 0xDE, "fi"},
        {"MacRoman", 0xF0, nullptr},    {"MacRoman", 0xAD, nullptr},         {"MacRoman", 0x01, nullptr},
        {"PDFDoc", 0x87, "fraction"},   {"PDFDoc", 0x8A, "minus"},           {"PDFDoc", 0xA0, "Euro"},
        {"PDFDoc", 0x18, "breve"},      {"PDFDoc", 0xAD, nullptr},           {"PDFDoc", 0x09, nullptr},
        {"Standard", 0xAE, "fi"},       {"Standard", 0x27, "quoteright"},    {"Standard", 0x60, "quoteleft"},
        {"Standard", 0xA4, "fraction"}, {"Standard", 0xA0, nullptr},         {"Standard", 0x80, nullptr},
        {"MacExpert", 0x61, "Asmall"},  {"MacExpert", 0x20, "space"},        {"MacExpert", 0x56, "ff"},
        {"MacExpert", 0xBE, "AEsmall"}, {"MacExpert", 0xE2, "zerosuperior"}, {"MacExpert", 0x41, nullptr},
    };
    for (NameCase const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fEncoding) + " code " + std::to_string(c.fCode));
        GBuffer name("stale");
        bool const found = Encoding(c.fEncoding)->GetGlyphName(GCharCode(c.fCode), name);
        EXPECT_EQ(found, c.fName != nullptr);
        EXPECT_EQ(TextOf(name), c.fName ? c.fName : "");
    }
}

TEST(GSimpleEncodingTest, FindsTheFirstCodeOfEachName)
{
    NameCase const cases[] = {
        {"WinAnsi", 0x95, "bullet"},
        {"WinAnsi", 0x2D, "hyphen"},
        {"WinAnsi", 0x20, "space"},
        {"MacRoman", 0x20, "space"},
        {"MacRoman", 0xDA, "fraction"},
        {"PDFDoc", 0x87, "fraction"},
        {"PDFDoc", 0x8A, "minus"},
        {"PDFDoc", 0x2D, "hyphen"},
        {"Standard", 0xA4, "fraction"},
        {"Standard", 0xAE, "fi"},
        {"MacExpert", 0x61, "Asmall"},
        {"MacExpert", 0x56, "ff"},
        // Names the encodings do not have.
        {"MacRoman", 0, "Delta"},
        {"MacRoman", 0, "Euro"},
        {"WinAnsi", 0, "fi"},
        {"Standard", 0, "Euro"},
        {"MacExpert", 0, "A"},
        {"PDFDoc", 0, "nosuchglyph"},
        {"PDFDoc", 0, ""},
    };
    for (NameCase const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fEncoding) + " name " + c.fName);
        GCharCode code(static_cast<unsigned short>(0x1234));
        Encoding(c.fEncoding)->GetCharCode(GBuffer(c.fName), code);
        if (c.fCode == 0)
            EXPECT_EQ(code.GetLength(), 0);
        else
            EXPECT_EQ(code, GCharCode(c.fCode));
    }
}

// Every row of the Latin and Expert tables names its code, and its name finds the code, except where an
// earlier row already took the name ("space" and "hyphen" at their second codes).
TEST(GSimpleEncodingTest, NamesEveryCodeOfItsTableColumn)
{
    struct Column
    {
        char const* fEncoding;
        unsigned char GLatinGlyphRow::*fColumn;
        int fNamedCodes;
    };
    // WinAnsi names its six code-page holes "bullet" as well.
    Column const columns[] = {{"Standard", &GLatinGlyphRow::fStandard, 149},
                              {"MacRoman", &GLatinGlyphRow::fMac, 208},
                              {"WinAnsi", &GLatinGlyphRow::fWin, 218 + 6},
                              {"PDFDoc", &GLatinGlyphRow::fPDF, 229}};
    for (Column const& column : columns)
    {
        SCOPED_TRACE(column.fEncoding);
        GSimpleEncoding const* encoding = Encoding(column.fEncoding);
        std::vector<std::string> firstNames(256);
        for (GLatinGlyphRow const* row = sLatinGlyphNames; row->fName; ++row)
        {
            unsigned char const code = row->*column.fColumn;
            if (code == 0)
                continue;
            SCOPED_TRACE(row->fName);
            GBuffer name;
            EXPECT_TRUE(encoding->GetGlyphName(GCharCode(code), name));
            EXPECT_EQ(TextOf(name), row->fName);
            GCharCode found;
            encoding->GetCharCode(GBuffer(row->fName), found);
            ASSERT_EQ(found.GetLength(), 1);
            unsigned char const foundCode = found.Get()[0];
            if (foundCode != code)
            {
                // Only a later row of the same name may lose it to an earlier code.
                GBuffer earlier;
                encoding->GetGlyphName(found, earlier);
                EXPECT_EQ(TextOf(earlier), row->fName);
                EXPECT_TRUE(std::string(row->fName) == "space" || std::string(row->fName) == "hyphen");
            }
        }
        int named = 0;
        for (int code = 0; code < 256; ++code)
        {
            GBuffer name;
            named += encoding->GetGlyphName(GCharCode(static_cast<unsigned char>(code)), name) ? 1 : 0;
        }
        EXPECT_EQ(named, column.fNamedCodes);
    }

    GSimpleEncoding const* macExpert = Encoding("MacExpert");
    int rows = 0;
    for (GMacExpertGlyphRow const* row = sMacExpertGlyphNames; row->fName; ++row, ++rows)
    {
        SCOPED_TRACE(row->fName);
        GBuffer name;
        EXPECT_TRUE(macExpert->GetGlyphName(GCharCode(row->fCode), name));
        EXPECT_EQ(TextOf(name), row->fName);
        GCharCode found;
        macExpert->GetCharCode(GBuffer(row->fName), found);
        EXPECT_EQ(found, GCharCode(row->fCode));
    }
    EXPECT_EQ(rows, 165);
}

TEST(GSimpleEncodingTest, GivesNoNameForCodesThatAreNotOneByte)
{
    for (char const* encodingName : cEncodingNames)
    {
        SCOPED_TRACE(encodingName);
        GSimpleEncoding const* encoding = Encoding(encodingName);
        GBuffer name("stale");
        EXPECT_FALSE(encoding->GetGlyphName(GCharCode(static_cast<unsigned short>(0x0041)), name));
        EXPECT_EQ(name.GetLength(), 0);
        EXPECT_FALSE(encoding->GetGlyphName(GCharCode(), name));
        EXPECT_TRUE(encoding->GetGlyphName(GCharCode(static_cast<unsigned char>(0x20)), name));
        EXPECT_EQ(TextOf(name), "space");
    }
}

// Standard and MacExpert have no code page of their own: each code reads as the character that the
// Unicode singleton gives for its glyph name.
TEST(GSimpleEncodingTest, ReadsStandardAndMacExpertCodesThroughTheUnicodeNames)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    CodeCase const cases[] = {
        {"Standard", 0xAE, 0xFB01},   {"Standard", 0xAF, 0xFB02},   {"Standard", 0x27, 0x2019},
        {"Standard", 0x60, 0x2018},   {"Standard", 0xA4, 0x2044},   {"Standard", 0xF5, 0x0131},
        {"Standard", 0xA0, cDefault}, {"Standard", 0x0A, cDefault}, {"MacExpert", 0x61, 0xF761},
        {"MacExpert", 0x56, 0xFB00},  {"MacExpert", 0x2B, 0x2024},  {"MacExpert", 0xE2, 0x2070},
        {"MacExpert", 0xFA, 0xF6F7},  {"MacExpert", 0x20, 0x0020},  {"MacExpert", 0x41, cDefault},
    };
    for (CodeCase const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fEncoding) + " code " + std::to_string(c.fCode));
        GSimpleEncoding const* encoding = Encoding(c.fEncoding);
        GBuffer utf16;
        unsigned const result = encoding->ConvertTo(BufferOf(Bytes{c.fCode}), unicode, utf16);
        if (c.fUnit == cDefault)
        {
            EXPECT_EQ(result, cLossy);
            continue;
        }
        EXPECT_EQ(result, cComplete);
        EXPECT_EQ(UnitsOf(utf16), Units{static_cast<unsigned short>(c.fUnit)});
        GBuffer bytes;
        EXPECT_EQ(encoding->ConvertFromUnicode(utf16, bytes), cComplete);
        EXPECT_EQ(BytesOf(bytes), Bytes{c.fCode});
    }

    for (char const* encodingName : {"Standard", "MacExpert"})
    {
        SCOPED_TRACE(encodingName);
        GSimpleEncoding const* encoding = Encoding(encodingName);
        int characters = 0;
        for (int code = 0; code < 256; ++code)
        {
            GCharCode const byte(static_cast<unsigned char>(code));
            GBuffer name;
            GBuffer utf16;
            unsigned const result =
                encoding->ConvertTo(BufferOf(Bytes{static_cast<unsigned char>(code)}), unicode, utf16);
            if (!encoding->GetGlyphName(byte, name))
            {
                EXPECT_EQ(result, cLossy) << code;
                continue;
            }
            GCharCode character;
            unicode->GetCharCode(name, character);
            ASSERT_EQ(character.GetLength(), 2) << TextOf(name);
            EXPECT_EQ(result, cComplete) << TextOf(name);
            EXPECT_EQ(UnitsOf(utf16), Units{static_cast<unsigned short>(character)}) << TextOf(name);
            ++characters;
        }
        EXPECT_EQ(characters, std::string(encodingName) == "Standard" ? 149 : 165);
    }
}

// The glyph-name fallback of conversions into a single-byte encoding: a character whose Unicode value
// the target lacks still arrives when the target knows its name.
TEST(GSimpleEncodingTest, ReceivesCharactersByGlyphNameWhenTheirValuesDiffer)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GPDFDocEncoding const* pdfDoc = GPDFDocEncoding::GetInstance();
    GBuffer const fractionAndMinus = BufferOf(Units{0x2044, 0x2212});

    GBuffer direct;
    EXPECT_EQ(pdfDoc->ConvertFromUnicode(fractionAndMinus, direct), cLossy);
    GBuffer byName;
    EXPECT_EQ(pdfDoc->ConvertFrom(fractionAndMinus, unicode, byName), cComplete);
    EXPECT_EQ(BytesOf(byName), (Bytes{0x87, 0x8A}));

    // From a byte source: Standard's fraction (U+2044) reaches PDFDoc's code of that name.
    GBuffer fromStandard;
    EXPECT_EQ(
        pdfDoc->ConvertFrom(BufferOf(Bytes{'1', 0xA4, '2'}), GStandardEncoding::GetInstance(), fromStandard),
        cComplete);
    EXPECT_EQ(BytesOf(fromStandard), (Bytes{'1', 0x87, '2'}));

    // MacRoman has neither the value nor a code named "Delta": the direct result stands.
    GBuffer delta;
    EXPECT_EQ(GMacRomanEncoding::GetInstance()->ConvertFrom(BufferOf(Units{'x', 0x2206}), unicode, delta),
              cLossy);
    EXPECT_EQ(BytesOf(delta), (Bytes{'x', static_cast<unsigned char>(DefaultUnit())}));
}

TEST(GSimpleEncodingTest, ConvertsBetweenSingleByteEncodingsThroughUnicode)
{
    GMacRomanEncoding const* macRoman = GMacRomanEncoding::GetInstance();
    GWinAnsiEncoding const* winAnsi = GWinAnsiEncoding::GetInstance();
    GBuffer const macText = BufferOf(Bytes{'c', 'a', 'f', 0x8E, ' ', 0xD0, ' ', 0xA5});
    GBuffer winText;
    EXPECT_EQ(winAnsi->ConvertFrom(macText, macRoman, winText), cComplete);
    EXPECT_EQ(BytesOf(winText), (Bytes{'c', 'a', 'f', 0xE9, ' ', 0x96, ' ', 0x95}));

    GBuffer back;
    EXPECT_EQ(macRoman->ConvertFrom(winText, winAnsi, back), cComplete);
    EXPECT_EQ(BytesOf(back), BytesOf(macText));

    GBuffer utf16;
    EXPECT_EQ(GUnicodeEncoding::GetInstance()->ConvertFrom(winText, winAnsi, utf16), cComplete);
    EXPECT_EQ(UnitsOf(utf16), (Units{'c', 'a', 'f', 0x00E9, ' ', 0x2013, ' ', 0x2022}));
}

TEST(GSimpleEncodingTest, KeepsTheFirstCodeAddedForANameAndForACharacter)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GSimpleEncoding encoding(GSimpleEncoding::sSimpleDescription);
    EXPECT_EQ(TextOf(encoding.GetASCIIDescription()), "SimpleEncoding");
    EXPECT_FALSE(encoding.HasMapping(0x41));

    encoding.AddMapping(0x41, GBuffer("A"), static_cast<unsigned short>(0x0041));
    encoding.AddMapping(0x61, GBuffer("A"), static_cast<unsigned short>(0x0041));
    encoding.AddMapping(0x62, static_cast<unsigned short>(0x0042));
    encoding.AddMapping(0x42, static_cast<unsigned short>(0x0042));
    encoding.AddMapping(0x43, GBuffer("C"));

    GCharCode code;
    encoding.GetCharCode(GBuffer("A"), code);
    EXPECT_EQ(code, GCharCode(static_cast<unsigned char>(0x41)));
    GBuffer name;
    EXPECT_TRUE(encoding.GetGlyphName(GCharCode(static_cast<unsigned char>(0x61)), name));
    EXPECT_EQ(TextOf(name), "A");
    EXPECT_FALSE(encoding.GetGlyphName(GCharCode(static_cast<unsigned char>(0x62)), name));

    GBuffer bytes;
    EXPECT_EQ(encoding.ConvertFromUnicode(BufferOf(Units{'A', 'B', 'C'}), bytes), cLossy);
    EXPECT_EQ(BytesOf(bytes), (Bytes{0x41, 0x62, static_cast<unsigned char>(DefaultUnit())}));
    GBuffer utf16;
    EXPECT_EQ(encoding.ConvertTo(BufferOf(Bytes{0x61, 0x42, 0x43}), unicode, utf16), cLossy);
    EXPECT_EQ(UnitsOf(utf16), (Units{'A', 'B', static_cast<unsigned short>(DefaultUnit())}));

    EXPECT_TRUE(encoding.HasMapping(0x43));
    EXPECT_TRUE(encoding.HasMapping(0x62));
    EXPECT_FALSE(encoding.HasMapping(0x44));
}

TEST(GSimpleEncodingTest, ForcesAnEmptyGlyphName)
{
    GSimpleEncoding encoding(GSimpleEncoding::sSimpleDescription);
    encoding.AddMapping(0x10, GBuffer(), GCharCode(), false);
    EXPECT_FALSE(encoding.HasMapping(0x10));
    encoding.AddMapping(0x10, GBuffer(), GCharCode(), true);
    EXPECT_TRUE(encoding.HasMapping(0x10));
    GBuffer name("stale");
    EXPECT_TRUE(encoding.GetGlyphName(GCharCode(static_cast<unsigned char>(0x10)), name));
    EXPECT_EQ(name.GetLength(), 0);
}

// A character of two units reads back whole but is never matched when writing.
TEST(GSimpleEncodingTest, ReadsButNeverWritesCharactersOfSeveralUnits)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GSimpleEncoding encoding(GSimpleEncoding::sSimpleDescription);
    encoding.AddMapping(0x41, static_cast<unsigned short>(0x0041));
    encoding.AddMapping(0x80, GBuffer("T_h"), GCharCode(0x00540068u, 4), false);

    GBuffer utf16;
    EXPECT_EQ(encoding.ConvertTo(BufferOf(Bytes{0x41, 0x80, 0x99}), unicode, utf16), cLossy);
    EXPECT_EQ(UnitsOf(utf16), (Units{'A', 'T', 'h', static_cast<unsigned short>(DefaultUnit())}));

    GBuffer bytes;
    EXPECT_EQ(encoding.ConvertFromUnicode(BufferOf(Units{'T', 'h', 'A'}), bytes), cLossy);
    unsigned char const d = static_cast<unsigned char>(DefaultUnit());
    EXPECT_EQ(BytesOf(bytes), (Bytes{d, d, 0x41}));
}

// Built before the Unicode singleton, Standard keeps its names but can read no character.
TEST(GSimpleEncodingTest, BuildsStandardWithNamesOnlyWithoutTheUnicodeSingleton)
{
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    unicode->Acquire();
    GUnicodeEncoding::SetInstance(nullptr);
    GStandardEncoding* standard = new GStandardEncoding;
    standard->Acquire();
    GUnicodeEncoding::SetInstance(unicode);
    unicode->Release();

    GBuffer name;
    EXPECT_TRUE(standard->GetGlyphName(GCharCode(static_cast<unsigned char>(0xAE)), name));
    EXPECT_EQ(TextOf(name), "fi");
    GBuffer utf16;
    EXPECT_EQ(standard->ConvertTo(BufferOf(Bytes{0xAE, 'A'}), unicode, utf16), cLossy);
    unsigned short const d = static_cast<unsigned short>(DefaultUnit());
    EXPECT_EQ(UnitsOf(utf16), (Units{d, d}));
    standard->Release();
}
// Two bytes of UTF-16 per code: more than 1 GiB of single-byte text needs more room than any buffer
// has. Working the size out in int used to overflow.
TEST(GSimpleEncodingTest, InputTooLongForTheLargestOutputIsOutOfMemory)
{
    int const length = (1 << 30) + 1;
    ZeroPages const pages(static_cast<std::size_t>(length) + 4096);
    ASSERT_TRUE(pages.IsValid());
    GSimpleEncoding several(GSimpleEncoding::sSimpleDescription);
    several.AddMapping(0x80, GBuffer("T_h"), GCharCode(0x00540068u, 4), false);
    for (GSimpleEncoding const* encoding :
         {static_cast<GSimpleEncoding const*>(GWinAnsiEncoding::GetInstance()),
          static_cast<GSimpleEncoding const*>(&several)})
    {
        SCOPED_TRACE(TextOf(encoding->GetASCIIDescription()));
        GBuffer out("kept");
        EXPECT_THROW(encoding->ConvertTo(pages.Borrow(length), GUnicodeEncoding::GetInstance(), out),
                     GMemoryException);
        EXPECT_EQ(TextOf(out), "kept");
    }
}
} // namespace
