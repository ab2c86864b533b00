// GString: where text is kept and where it becomes UTF-16, conversions and their result codes,
// joining, equality, order and hashing across encodings, and parameter substitution.
#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <string>
#include <vector>

#include "EncodingTestSupport.h"
#include "GASCIIEncoding.h"
#include "GDict.h"
#include "GMacExpertEncoding.h"
#include "GMacRomanEncoding.h"
#include "GPDFDocEncoding.h"
#include "GStandardEncoding.h"
#include "GString.h"
#include "GTable.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace
{
using encodingtest::BufferOf;
using encodingtest::Bytes;
using encodingtest::BytesOf;
using encodingtest::TextOf;
using encodingtest::Units;
using encodingtest::UnitsOf;

// The encodings by a short name, so that tables of cases can be written before the singletons exist.
enum class Enc
{
    None,
    ASCII,
    Unicode,
    UTF8,
    WinAnsi,
    MacRoman,
    PDFDoc,
    MacExpert,
    Standard
};

GEncoding const* EncodingOf(Enc enc)
{
    switch (enc)
    {
    case Enc::None:
        return nullptr;
    case Enc::ASCII:
        return GASCIIEncoding::GetInstance();
    case Enc::Unicode:
        return GUnicodeEncoding::GetInstance();
    case Enc::UTF8:
        return GUTF8Encoding::GetInstance();
    case Enc::WinAnsi:
        return GWinAnsiEncoding::GetInstance();
    case Enc::MacRoman:
        return GMacRomanEncoding::GetInstance();
    case Enc::PDFDoc:
        return GPDFDocEncoding::GetInstance();
    case Enc::MacExpert:
        return GMacExpertEncoding::GetInstance();
    case Enc::Standard:
        return GStandardEncoding::GetInstance();
    }
    return nullptr;
}

GEncoding const* Unicode()
{
    return GUnicodeEncoding::GetInstance();
}

// A string whose bytes are kept as they are given in their encoding (Enc::None: no encoding).
GString Kept(Enc enc, Bytes const& bytes)
{
    if (enc == Enc::None)
        return GString();
    return GString(BufferOf(bytes), EncodingOf(enc), true);
}

// A UTF-16 string of exactly these units (not composed).
GString Utf16(Units const& units)
{
    return GString(BufferOf(units), Unicode(), false);
}

// 8-bit text kept in its encoding.
GString Text8(Enc enc, char const* text)
{
    return GString(text, EncodingOf(enc), true);
}

Units UnicodeOf(GString const& s)
{
    GBuffer out;
    s.GetBuffer(out, Unicode());
    return UnitsOf(out);
}

Bytes OwnBytesOf(GString const& s)
{
    return BytesOf(s.GetBuffer(s.GetEncoding().Get()));
}

std::string EncodingNameOf(GString const& s)
{
    return TextOf(s.GetEncodingName());
}

Units UnitsOfText(char16_t const* text)
{
    Units units;
    for (; *text; ++text)
        units.push_back(*text);
    return units;
}

unsigned short DefaultUnit()
{
    return static_cast<unsigned char>(GEncoding::GetDefaultCharacter());
}

TEST(GStringTest, KeepsOrConvertsTheEncodingByTheStorageRule)
{
    struct Case
    {
        char const* fLabel;
        Enc fEncoding;
        Bytes fBytes;
        bool fKeep;
        char const* fName;
        Bytes fStored;
    };
    Case const cases[] = {
        {"ASCII kept", Enc::ASCII, {'a', 'b'}, true, "ASCIIEncoding", {'a', 'b'}},
        {"ASCII to UTF-16", Enc::ASCII, {'a', 'b'}, false, "UnicodeEncoding", {'a', 0, 'b', 0}},
        {"WinAnsi kept", Enc::WinAnsi, {0xE9, 0x80}, true, "WinAnsiEncoding", {0xE9, 0x80}},
        {"WinAnsi to UTF-16", Enc::WinAnsi, {0xE9, 0x80}, false, "UnicodeEncoding", {0xE9, 0, 0xAC, 0x20}},
        {"MacRoman to UTF-16", Enc::MacRoman, {0x8E}, false, "UnicodeEncoding", {0xE9, 0}},
        {"PDFDoc breve to UTF-16", Enc::PDFDoc, {0x18}, false, "UnicodeEncoding", {0xD8, 0x02}},
        {"UTF-8 kept", Enc::UTF8, {0xC3, 0xA9}, true, "UTF-8Encoding", {0xC3, 0xA9}},
        {"UTF-8 to UTF-16", Enc::UTF8, {0xC3, 0xA9}, false, "UnicodeEncoding", {0xE9, 0}},
        // Only UTF-16 composes when kept; the other encodings' normal form is their bytes.
        {"UTF-8 decomposed kept", Enc::UTF8, {'e', 0xCC, 0x81}, true, "UTF-8Encoding", {'e', 0xCC, 0x81}},
        // Conversion without keepEncoding does not compose.
        {"UTF-8 decomposed to UTF-16",
         Enc::UTF8,
         {'e', 0xCC, 0x81},
         false,
         "UnicodeEncoding",
         {'e', 0, 0x01, 0x03}},
        {"UTF-16 decomposed kept", Enc::Unicode, {'A', 0, 0x01, 0x03}, true, "UnicodeEncoding", {0xC1, 0}},
        {"UTF-16 decomposed not kept",
         Enc::Unicode,
         {'A', 0, 0x01, 0x03},
         false,
         "UnicodeEncoding",
         {'A', 0, 0x01, 0x03}},
        {"MacExpert kept", Enc::MacExpert, {0x31}, true, "MacExpertEncoding", {0x31}},
        {"empty WinAnsi to UTF-16", Enc::WinAnsi, {}, false, "UnicodeEncoding", {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        GString const fromBuffer(BufferOf(c.fBytes), EncodingOf(c.fEncoding), c.fKeep);
        GString const fromBytes(c.fBytes.data(), static_cast<int>(c.fBytes.size()), EncodingOf(c.fEncoding),
                                c.fKeep);
        GString set("previous");
        set.Set(BufferOf(c.fBytes), EncodingOf(c.fEncoding), c.fKeep);
        GString setBytes("previous");
        setBytes.Set(c.fBytes.data(), static_cast<int>(c.fBytes.size()), EncodingOf(c.fEncoding), c.fKeep);
        for (GString const* s :
             std::initializer_list<GString const*>{&fromBuffer, &fromBytes, &set, &setBytes})
        {
            EXPECT_EQ(EncodingNameOf(*s), c.fName);
            EXPECT_EQ(OwnBytesOf(*s), c.fStored);
        }
    }
}

TEST(GStringTest, ReplacesUnmappableBytesByTheDefaultCharacterOnConversion)
{
    GString const s(Bytes{'a', 0x80, 0x05}.data(), 3, GASCIIEncoding::GetInstance(), false);
    EXPECT_EQ(EncodingNameOf(s), "UnicodeEncoding");
    EXPECT_EQ(UnicodeOf(s), (Units{'a', DefaultUnit(), DefaultUnit()}));
}

TEST(GStringTest, MeasuresZeroTerminatedTextsByTheirEncoding)
{
    // UTF-16 text ends at the first zero unit, not at the first zero byte.
    char const utf16[] = {'A', 0, 'B', 0, 0, 0, 'C', 0};
    GString const wide(utf16, Unicode(), true);
    EXPECT_EQ(UnicodeOf(wide), (Units{'A', 'B'}));

    GString const narrow("abc\0def", GWinAnsiEncoding::GetInstance(), true);
    EXPECT_EQ(OwnBytesOf(narrow), (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(EncodingNameOf(narrow), "WinAnsiEncoding");

    GString set("old");
    set.Set("xy", GMacRomanEncoding::GetInstance(), false);
    EXPECT_EQ(UnicodeOf(set), (Units{'x', 'y'}));
    EXPECT_EQ(EncodingNameOf(set), "UnicodeEncoding");

    GString const nullText(static_cast<char const*>(nullptr), GWinAnsiEncoding::GetInstance(), true);
    EXPECT_TRUE(nullText.IsEmpty());
    EXPECT_EQ(EncodingNameOf(nullText), "WinAnsiEncoding");
    GString const nullBytes(static_cast<unsigned char const*>(nullptr), 5, GWinAnsiEncoding::GetInstance(),
                            true);
    EXPECT_TRUE(nullBytes.IsEmpty());
}

TEST(GStringTest, MakesUTF16FromCharacterUnits)
{
    GString const plain(u"Ab\u00E9", false);
    EXPECT_EQ(EncodingNameOf(plain), "UnicodeEncoding");
    EXPECT_EQ(UnicodeOf(plain), (Units{'A', 'b', 0xE9}));

    GString const decomposed(u"A\u0301", false);
    EXPECT_EQ(UnicodeOf(decomposed), (Units{'A', 0x0301}));
    GString const composed(u"A\u0301", true);
    EXPECT_EQ(UnicodeOf(composed), (Units{0x00C1}));

    GString const none(static_cast<char16_t const*>(nullptr), true);
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_EQ(EncodingNameOf(none), "UnicodeEncoding");
}

TEST(GStringTest, MakesPlainLiteralsASCIIWithoutNormalising)
{
    GString const s("a\x80z");
    EXPECT_EQ(EncodingNameOf(s), "ASCIIEncoding");
    EXPECT_EQ(OwnBytesOf(s), (Bytes{'a', 0x80, 'z'}));
    GString const empty("");
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(EncodingNameOf(empty), "ASCIIEncoding");
}

TEST(GStringTest, WritesNumbersAsASCIIText)
{
    struct Case
    {
        char const* fLabel;
        GString fValue;
        char const* fText;
    };
    GString setInt;
    setInt.SetInt(7, 3);
    GString setNegativeInt;
    setNegativeInt.SetInt(-7, 3);
    GString high;
    high.SetWithHighPrecision(123456.0);
    GString setInteger("x");
    setInteger.Set(-12);
    GString setUnsigned;
    setUnsigned.Set(4000000000u);
    GString setReal;
    setReal.Set(0.125);
    GString setDecimals;
    setDecimals.Set(2.0 / 3.0, 2);
    GString setFormat;
    setFormat.Set(1.5, GBuffer("%.3f"));
    Case const cases[] = {
        {"3.0", GString(3.0), "3"},
        {"2.5", GString(2.5), "2.5"},
        {"-7", GString(-7), "-7"},
        {"INT_MIN", GString(INT_MIN), "-2147483648"},
        {"UINT_MAX", GString(UINT_MAX), "4294967295"},
        {"LLONG_MIN", GString(LLONG_MIN), "-9223372036854775808"},
        {"ULLONG_MAX", GString(ULLONG_MAX), "18446744073709551615"},
        {"format", GString(2.0, GBuffer("%.3f")), "2"},
        {"format with exponent", GString(1.5, GBuffer("%e")), "1.500000e+00"},
        {"decimals", GString(1.23456, 2), "1.23"},
        {"SetInt", setInt, "007"},
        {"SetInt negative", setNegativeInt, "-007"},
        {"SetWithHighPrecision", high, "1.23456e05"},
        {"Set(int)", setInteger, "-12"},
        {"Set(unsigned)", setUnsigned, "4000000000"},
        {"Set(double)", setReal, "0.125"},
        {"Set(double, decimals)", setDecimals, "0.67"},
        {"Set(double, format)", setFormat, "1.5"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        EXPECT_EQ(EncodingNameOf(c.fValue), "ASCIIEncoding");
        EXPECT_EQ(TextOf(c.fValue.GetBuffer(GASCIIEncoding::GetInstance())), c.fText);
    }
}

TEST(GStringTest, ReadsNumbersFromTheASCIIFormInEveryEncoding)
{
    EXPECT_EQ(GString(u"42", false).GetInt32(), 42);
    EXPECT_EQ(Text8(Enc::WinAnsi, " -5").GetInt32(), -5);
    EXPECT_EQ(GString("-1").GetUInt32(), 4294967295u);
    EXPECT_EQ(GString(u"9000000000", false).GetInt64(), 9000000000LL);
    EXPECT_DOUBLE_EQ(GString(u"2.5x", false).GetReal(), 2.5);
    EXPECT_DOUBLE_EQ(Text8(Enc::UTF8, "-0.25").GetReal(), -0.25);
    // A unit outside ASCII becomes the default character and ends the number.
    EXPECT_EQ(GString(u"12\u00E93", false).GetInt32(), 12);
    GString const none;
    EXPECT_EQ(none.GetInt32(), 0);
    EXPECT_EQ(none.GetInt64(), 0);
    EXPECT_EQ(none.GetUInt32(), 0u);
    EXPECT_EQ(none.GetReal(), 0.0);
}

TEST(GStringTest, TreatsAStringWithoutEncodingAsEmpty)
{
    GString const fresh;
    EXPECT_TRUE(fresh.IsEmpty());
    EXPECT_TRUE(fresh.GetEncoding().IsNull());
    EXPECT_EQ(EncodingNameOf(fresh), "NULL");
    EXPECT_TRUE(GString::cEmptyString.IsEmpty());
    EXPECT_EQ(EncodingNameOf(GString::cEmptyString), "NULL");

    GString cleared(u"some text", false);
    cleared.Clear();
    EXPECT_TRUE(cleared.IsEmpty());
    EXPECT_EQ(EncodingNameOf(cleared), "NULL");
    cleared.EnsureUnicode();
    EXPECT_TRUE(cleared.IsEmpty());
    EXPECT_EQ(EncodingNameOf(cleared), "UnicodeEncoding");

    // An encoding with no bytes is empty as well; it equals a string without encoding.
    GString const emptyWin = Kept(Enc::WinAnsi, {});
    EXPECT_TRUE(emptyWin.IsEmpty());
    EXPECT_EQ(EncodingNameOf(emptyWin), "WinAnsiEncoding");
    EXPECT_EQ(emptyWin, fresh);
    EXPECT_EQ(Utf16({}), fresh);
    EXPECT_FALSE(fresh < Utf16({}));
    EXPECT_FALSE(Utf16({}) < fresh);
    EXPECT_TRUE(fresh < GString("a"));

    EXPECT_EQ(Utf16({}).GetHash(), GBuffer().GetHash());
    EXPECT_EQ(fresh.GetHash(), GBuffer().GetHash());
    EXPECT_EQ(GString("").GetHash(), GBuffer().GetHash());
}

TEST(GStringTest, KeepsTheSharedEmptyStringWithoutEncoding)
{
    // Other parts hand out references to it; nothing may give it an encoding.
    GString::cEmptyString.EnsureUnicode();
    EXPECT_TRUE(GString::cEmptyString.GetEncoding().IsNull());
    EXPECT_EQ(EncodingNameOf(GString(GString::cEmptyString)), "NULL");
}

TEST(GStringTest, RefusesANullEncodingAsAnEmptyString)
{
    GString const s(GBuffer("abc"), nullptr, true);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(s.GetEncoding().IsNull());
    GString set("abc");
    set.Set("xyz", nullptr, false);
    EXPECT_TRUE(set.IsEmpty());
    EXPECT_TRUE(set.GetEncoding().IsNull());
}

TEST(GStringTest, ConvertsWithResultCodes)
{
    struct Case
    {
        char const* fLabel;
        Enc fFrom;
        Bytes fBytes;
        Enc fTarget;
        unsigned fResult;
        Bytes fOut;
    };
    Case const cases[] = {
        {"no encoding", Enc::None, {}, Enc::WinAnsi, 1, {}},
        {"same encoding", Enc::WinAnsi, {0x81, 0xE9}, Enc::WinAnsi, 1, {0x81, 0xE9}},
        {"WinAnsi to UTF-16", Enc::WinAnsi, {0xE9}, Enc::Unicode, 1, {0xE9, 0}},
        {"UTF-8 to UTF-16 composes", Enc::UTF8, {'e', 0xCC, 0x81}, Enc::Unicode, 1, {0xE9, 0}},
        {"UTF-8 cut off", Enc::UTF8, {'a', 0xE2, 0x82}, Enc::Unicode, 4, {'a', 0}},
        {"UTF-8 zero byte", Enc::UTF8, {'a', 0, 'b'}, Enc::Unicode, 2, {'a', 0, 0, 0, 'b', 0}},
        {"UTF-16 to ASCII loses",
         Enc::Unicode,
         {0xE9, 0},
         Enc::ASCII,
         2,
         {static_cast<unsigned char>(GEncoding::GetDefaultCharacter())}},
        {"UTF-16 to WinAnsi", Enc::Unicode, {0xE9, 0, 0xAC, 0x20}, Enc::WinAnsi, 1, {0xE9, 0x80}},
        {"UTF-16 ASCII to UTF-8", Enc::Unicode, {'a', 0, 0x7F, 0}, Enc::UTF8, 1, {'a', 0x7F}},
        {"UTF-16 ASCII then a high unit to UTF-8", Enc::Unicode, {'a', 0, 0xE9, 0}, Enc::UTF8, 1, {'a', 0xC3, 0xA9}},
        {"ASCII to UTF-8", Enc::ASCII, {'a', 'b'}, Enc::UTF8, 1, {'a', 'b'}},
        {"WinAnsi to MacRoman", Enc::WinAnsi, {0xE9}, Enc::MacRoman, 1, {0x8E}},
        {"UTF-16 to UTF-8", Enc::Unicode, {0xE9, 0}, Enc::UTF8, 1, {0xC3, 0xA9}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        GString const s = Kept(c.fFrom, c.fBytes);
        GBuffer out("left over");
        EXPECT_EQ(s.GetBuffer(out, EncodingOf(c.fTarget)), c.fResult);
        EXPECT_EQ(BytesOf(out), c.fOut);
        EXPECT_EQ(BytesOf(s.GetBuffer(EncodingOf(c.fTarget))), c.fOut);
        // Conversion leaves the string as it was.
        EXPECT_EQ(OwnBytesOf(s), c.fBytes);
    }
}

TEST(GStringTest, EnsuresUnicodeInPlaceComposingOnlyWhatItConverts)
{
    GString const ascii("abc");
    GString const copy(ascii);
    ascii.EnsureUnicode();
    EXPECT_EQ(EncodingNameOf(ascii), "UnicodeEncoding");
    EXPECT_EQ(UnicodeOf(ascii), (Units{'a', 'b', 'c'}));
    EXPECT_EQ(ascii, copy);
    EXPECT_EQ(EncodingNameOf(copy), "ASCIIEncoding");

    GString const utf8 = Kept(Enc::UTF8, {'e', 0xCC, 0x81});
    utf8.EnsureUnicode();
    EXPECT_EQ(OwnBytesOf(utf8), (Bytes{0xE9, 0}));

    GString const decomposed = Utf16({'e', 0x0301});
    decomposed.EnsureUnicode();
    EXPECT_EQ(OwnBytesOf(decomposed), (Bytes{'e', 0, 0x01, 0x03}));
}

TEST(GStringTest, JudgesCompatibilityByTheEncodingsDescription)
{
    struct Case
    {
        char const* fLabel;
        Bytes fBytes;
        Enc fEncoding;
        bool fCompatible;
    };
    Case const cases[] = {
        {"ASCII text", {'a', 'b'}, Enc::ASCII, true},
        {"ASCII 0x80", {0x80}, Enc::ASCII, false},
        {"WinAnsi letters", {0xE9, 0x80}, Enc::WinAnsi, true},
        {"WinAnsi unmapped control", {0x01}, Enc::WinAnsi, false},
        {"MacRoman", {0x8E}, Enc::MacRoman, true},
        {"PDFDoc", {0x18}, Enc::PDFDoc, true},
        {"UTF-8 valid", {0xC3, 0xA9}, Enc::UTF8, true},
        {"UTF-8 cut off", {0xC3}, Enc::UTF8, false},
        {"UTF-8 zero byte", {'a', 0}, Enc::UTF8, false},
        {"UTF-16 letter", {'A', 0}, Enc::Unicode, true},
        // Every UTF-16 unit encodes to UTF-8, lone surrogates and zero units included.
        {"UTF-16 zero unit", {'A', 0, 0, 0}, Enc::Unicode, true},
        {"UTF-16 lone surrogate", {0x00, 0xD8}, Enc::Unicode, true},
        {"MacExpert anything", {0x00, 0xFF, 0x80}, Enc::MacExpert, true},
        {"Standard anything", {0x00, 0xFF}, Enc::Standard, true},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        EXPECT_EQ(GString::AreCompatible(BufferOf(c.fBytes), EncodingOf(c.fEncoding)), c.fCompatible);
    }
}

TEST(GStringTest, JoinsInTheCommonEncodingOrInUTF16)
{
    struct Case
    {
        char const* fLabel;
        GString fLeft;
        GString fRight;
        char const* fName;
        Units fUnits;
    };
    // Built inside the test: the encodings exist only once the environment is up.
    Case const cases[] = {
        {"empty right keeps WinAnsi", Text8(Enc::WinAnsi, "\xE9"), GString(), "WinAnsiEncoding", {0xE9}},
        {"empty UTF-16 right keeps WinAnsi",
         Text8(Enc::WinAnsi, "\xE9"),
         Utf16({}),
         "WinAnsiEncoding",
         {0xE9}},
        {"UTF-16 right makes UTF-16",
         Text8(Enc::WinAnsi, "\xE9"),
         Utf16({'x'}),
         "UnicodeEncoding",
         {0xE9, 'x'}},
        {"empty left takes the right", GString(), Text8(Enc::WinAnsi, "\x80"), "WinAnsiEncoding", {0x20AC}},
        {"empty ASCII left takes the right",
         GString(""),
         Text8(Enc::MacRoman, "a"),
         "MacRomanEncoding",
         {'a'}},
        {"same encoding", GString("ab"), GString("cd"), "ASCIIEncoding", {'a', 'b', 'c', 'd'}},
        {"UTF-16 left", Utf16({0x100}), GString("cd"), "UnicodeEncoding", {0x100, 'c', 'd'}},
        {"two other encodings", GString("a"), Text8(Enc::WinAnsi, "\x80"), "UnicodeEncoding", {'a', 0x20AC}},
        // The joined text is not composed again.
        {"UTF-16 joined decomposed", Utf16({'e'}), Utf16({0x0301}), "UnicodeEncoding", {'e', 0x0301}},
        {"converted part composed alone",
         Utf16({'e'}),
         Kept(Enc::UTF8, {0xCC, 0x81}),
         "UnicodeEncoding",
         {'e', 0x0301}},
        {"left converted and composed",
         Kept(Enc::UTF8, {'e', 0xCC, 0x81}),
         Utf16({'!'}),
         "UnicodeEncoding",
         {0xE9, '!'}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        GString const sum = c.fLeft + c.fRight;
        GString joined(c.fLeft);
        joined += c.fRight;
        for (GString const* s : std::initializer_list<GString const*>{&sum, &joined})
        {
            EXPECT_EQ(EncodingNameOf(*s), c.fName);
            EXPECT_EQ(UnicodeOf(*s), c.fUnits);
        }
    }
}

TEST(GStringTest, AppendsAStringToItself)
{
    GString s("ab");
    s += s;
    EXPECT_EQ(UnicodeOf(s), (Units{'a', 'b', 'a', 'b'}));
    GString wide(u"\u00E9", false);
    wide += wide;
    EXPECT_EQ(UnicodeOf(wide), (Units{0xE9, 0xE9}));
}

TEST(GStringTest, EqualTextsAreEqualAndHashAlikeAcrossEncodings)
{
    struct Case
    {
        char const* fLabel;
        GString fA;
        GString fB;
    };
    Case const cases[] = {
        {"ASCII and UTF-16", GString("abc"), Utf16({'a', 'b', 'c'})},
        {"ASCII and UTF-16, odd length", GString("abcde"), Utf16({'a', 'b', 'c', 'd', 'e'})},
        {"ASCII and UTF-16, one unit", GString("a"), Utf16({'a'})},
        {"ASCII and UTF-8", GString("path/to"), Text8(Enc::UTF8, "path/to")},
        {"WinAnsi and UTF-16", Text8(Enc::WinAnsi, "\xE9\x80"), Utf16({0xE9, 0x20AC})},
        {"MacRoman and WinAnsi", Text8(Enc::MacRoman, "\x8E"), Text8(Enc::WinAnsi, "\xE9")},
        {"UTF-8 decomposed and UTF-16 composed", Kept(Enc::UTF8, {'e', 0xCC, 0x81}), Utf16({0xE9})},
        {"ASCII default character and UTF-16", GString("a\x80"), Utf16({'a', DefaultUnit()})},
        {"WinAnsi bullets", Text8(Enc::WinAnsi, "\x81"), Utf16({0x2022})},
        {"no encoding and empty UTF-8", GString(), Kept(Enc::UTF8, {})},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        EXPECT_TRUE(c.fA == c.fB);
        EXPECT_TRUE(c.fB == c.fA);
        EXPECT_FALSE(c.fA != c.fB);
        EXPECT_EQ(c.fA.GetHash(), c.fB.GetHash());
        // The hash is the one of the UTF-16 bytes.
        GBuffer utf16;
        c.fA.GetBuffer(utf16, Unicode());
        EXPECT_EQ(c.fA.GetHash(), utf16.GetHash());
        // Neither orders before the other.
        EXPECT_FALSE(c.fA < c.fB);
        EXPECT_FALSE(c.fB < c.fA);
    }
}

TEST(GStringTest, HashesASCIIAsItsUTF16FormForEveryLength)
{
    std::string text;
    for (int length = 0; length < 12; ++length)
    {
        SCOPED_TRACE(length);
        GString const ascii(text.c_str());
        GString const wide(text.c_str(), GASCIIEncoding::GetInstance(), false);
        ASSERT_EQ(EncodingNameOf(wide), "UnicodeEncoding");
        EXPECT_EQ(ascii.GetHash(), wide.GetHash());
        EXPECT_EQ(ascii, wide);
        text += static_cast<char>('a' + length);
    }
}

TEST(GStringTest, ComparesLongASCIIWithUTF16AtEveryPosition)
{
    // Longer than the blocks the comparison works in, with a byte outside ASCII in some cases.
    std::string const text = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJ";
    for (std::size_t at = 0; at < text.size(); at += 7)
    {
        SCOPED_TRACE(at);
        Units units(text.begin(), text.end());
        std::string stray = text;
        stray[at] = static_cast<char>(0x80);
        Units strayUnits = units;
        strayUnits[at] = DefaultUnit();
        EXPECT_EQ(GString(text.c_str()), Utf16(units));
        EXPECT_EQ(GString(stray.c_str()), Utf16(strayUnits));
        EXPECT_EQ(GString(stray.c_str()).GetHash(), Utf16(strayUnits).GetHash());

        Units changed = units;
        changed[at] = 0x0100 | units[at];
        EXPECT_NE(GString(text.c_str()), Utf16(changed));
        Units strayChanged = strayUnits;
        strayChanged[text.size() - 1 - at] += 1;
        EXPECT_NE(GString(stray.c_str()), Utf16(strayChanged));
    }
}

TEST(GStringTest, TellsDifferentTextsApart)
{
    struct Case
    {
        char const* fLabel;
        GString fA;
        GString fB;
    };
    Case const cases[] = {
        {"ASCII prefix of UTF-16", GString("ab"), Utf16({'a', 'b', 'c'})},
        {"ASCII and UTF-16 differing in the high byte", GString("A"), Utf16({0x0141})},
        // The UTF-16 side is taken as it is: decomposed text is not the composed conversion.
        {"UTF-16 decomposed and WinAnsi", Utf16({'e', 0x0301}), Text8(Enc::WinAnsi, "\xE9")},
        // Equal encodings compare bytes, though both read as the same characters.
        {"WinAnsi bytes for one bullet", Text8(Enc::WinAnsi, "\x81"), Text8(Enc::WinAnsi, "\x95")},
        {"UTF-8 composed and decomposed", Kept(Enc::UTF8, {0xC3, 0xA9}), Kept(Enc::UTF8, {'e', 0xCC, 0x81})},
        {"text and no encoding", GString("a"), GString()},
        // An ASCII byte outside the table is the default character, never the unit of its value.
        {"ASCII 0x80 and U+0080", GString("\x80"), Utf16({0x80})},
        {"ASCII 0x05 and U+0005", GString("\x05"), Utf16({0x05})},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        EXPECT_FALSE(c.fA == c.fB);
        EXPECT_TRUE(c.fA != c.fB);
    }
}

TEST(GStringTest, OrdersByTheStoredLittleEndianBytes)
{
    struct Case
    {
        char const* fLabel;
        GString fA;
        GString fB;
        bool fLess;
    };
    Case const cases[] = {
        {"U+0100 before A", Utf16({0x0100}), Utf16({'A'}), true},
        {"A after U+0100", Utf16({'A'}), Utf16({0x0100}), false},
        {"U+0101 before U+00FF", Utf16({0x0101}), Utf16({0x00FF}), true},
        {"prefix first", Utf16({'a', 'b'}), Utf16({'a', 'b', 'c'}), true},
        {"longer after prefix", Utf16({'a', 'b', 'c'}), Utf16({'a', 'b'}), false},
        {"equal", Utf16({'a'}), Utf16({'a'}), false},
        {"capital before small", GString("B"), GString("a"), true},
        {"ASCII against UTF-16 low byte", GString("b"), Utf16({'a'}), false},
        {"ASCII against UTF-16 high byte", GString("A"), Utf16({0x0141}), true},
        {"UTF-16 high byte against ASCII", Utf16({0x0141}), GString("A"), false},
        {"ASCII prefix of UTF-16", GString("ab"), Utf16({'a', 'b', 'c'}), true},
        {"U+0100 before WinAnsi e acute", Utf16({0x0100}), Text8(Enc::WinAnsi, "\xE9"), true},
        {"WinAnsi euro against MacRoman", Text8(Enc::WinAnsi, "\x80"), Text8(Enc::MacRoman, "A"), false},
        {"UTF-16 ending in an odd byte before its prefix's extension", Kept(Enc::Unicode, {'a', 0, 'b'}),
         GString("ab"), true},
        {"UTF-16 odd byte against a smaller low byte", Kept(Enc::Unicode, {'a', 0, 'b'}), GString("aa"),
         false},
        {"ASCII before UTF-16 with odd byte", GString("a"), Kept(Enc::Unicode, {'a', 0, 'b'}), true},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        EXPECT_EQ(c.fA < c.fB, c.fLess);
        EXPECT_EQ(c.fB > c.fA, c.fLess);
        EXPECT_EQ(c.fA >= c.fB, !c.fLess);
        EXPECT_EQ(c.fB <= c.fA, !c.fLess);
        EXPECT_EQ(GString::IsLessThan(c.fA, c.fB), c.fLess);
    }
}

TEST(GStringTest, OrdersIgnoringCaseOnLowerCasedCopies)
{
    GString const upper("B");
    GString const lower("a");
    EXPECT_TRUE(upper < lower);
    EXPECT_FALSE(GString::IsLessThanIgnoreCase(upper, lower));
    EXPECT_TRUE(GString::IsLessThanIgnoreCase(lower, upper));
    EXPECT_TRUE(GString::IsLessThanIgnoreCase(GString("abc"), GString("ABD")));
    EXPECT_FALSE(GString::IsLessThanIgnoreCase(GString("ABC"), GString("abc")));
    EXPECT_TRUE(GString::IsLessThanIgnoreCase(GString(), GString("a")));
    // The arguments stay as they were.
    EXPECT_EQ(EncodingNameOf(upper), "ASCIIEncoding");
    EXPECT_EQ(OwnBytesOf(upper), (Bytes{'B'}));
}

struct SubstitutionCase
{
    char const* fLabel;
    char16_t const* fPattern;
    std::vector<char16_t const*> fParams;
    char16_t const* fResult;
};

TEST(GStringTest, SubstitutesNumberedAndSequentialPlaceholders)
{
    SubstitutionCase const cases[] = {
        {"two numbered", u"Error %1 in %2", {u"x", u"y"}, u"Error x in y"},
        {"missing parameter stays", u"Error %1 in %2", {u"x"}, u"Error x in %2"},
        {"inserted text not scanned again", u"%1%1", {u"a%1"}, u"a%1a%1"},
        {"trailing percent stays", u"100%", {u"x"}, u"100%"},
        {"double percent is no escape", u"%%1", {u"x"}, u"%x"},
        {"zero is no placeholder", u"%0", {u"x"}, u"%0"},
        {"one digit only", u"%12", {u"a"}, u"a2"},
        {"beyond the parameters", u"%5", {u"a", u"b", u"c"}, u"%5"},
        {"sequential counter independent", u"%2 %s", {u"A", u"B"}, u"B A"},
        {"sequential runs out", u"%s %s %s", {u"A", u"B"}, u"A B %s"},
        {"no parameters", u"%s %1", {}, u"%s %1"},
        {"capital S is no placeholder", u"%S", {u"x"}, u"%S"},
        {"repeated placeholder", u"%1-%1-%1", {u"z"}, u"z-z-z"},
        {"ninth parameter", u"%9%8", {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9"}, u"98"},
        {"parameter holding %s", u"%s%s", {u"%s", u"b"}, u"%sb"},
        {"empty parameter", u"[%1]", {u""}, u"[]"},
        {"empty pattern", u"", {u"x"}, u""},
        {"lone percent", u"%", {u"x"}, u"%"},
        {"percent before end of placeholder run", u"%1%", {u"x"}, u"x%"},
    };
    for (SubstitutionCase const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        std::vector<GString> values;
        for (char16_t const* p : c.fParams)
            values.emplace_back(p, false);
        GTable<GString const*> params;
        for (GString const& value : values)
            params.AddItem(&value);
        GString s(c.fPattern, false);
        EXPECT_EQ(&s.SubstituteParams(params), &s);
        EXPECT_EQ(EncodingNameOf(s), "UnicodeEncoding");
        EXPECT_EQ(UnicodeOf(s), UnitsOfText(c.fResult));
    }
}

TEST(GStringTest, SubstitutesThroughEveryForm)
{
    GString const a("A");
    GString const b(u"\u00E9", false);
    GString const c = Text8(Enc::WinAnsi, "\x80");
    GString const pattern("%3%2%1|%s");

    GString one(pattern);
    one.SubstituteParams(a);
    EXPECT_EQ(UnicodeOf(one), UnitsOfText(u"%3%2A|A"));

    GString two(pattern);
    two.SubstituteParams(a, b);
    EXPECT_EQ(UnicodeOf(two), UnitsOfText(u"%3\u00E9A|A"));

    GString three(pattern);
    three.SubstituteParams(a, b, c);
    EXPECT_EQ(UnicodeOf(three), UnitsOfText(u"\u20AC\u00E9A|A"));

    GString listed(pattern);
    listed.SubstituteParams(&a, &b, &c, static_cast<GString const*>(nullptr));
    EXPECT_EQ(listed, three);

    GString none(pattern);
    none.SubstituteParams(static_cast<GString const*>(nullptr));
    EXPECT_EQ(UnicodeOf(none), UnitsOfText(u"%3%2%1|%s"));
    EXPECT_EQ(EncodingNameOf(none), "UnicodeEncoding");
}

TEST(GStringTest, SubstitutionEndsInComposedUTF16)
{
    // A WinAnsi pattern without placeholders still becomes UTF-16.
    GString plain = Text8(Enc::WinAnsi, "caf\xE9");
    plain.SubstituteParams(GString("x"));
    EXPECT_EQ(EncodingNameOf(plain), "UnicodeEncoding");
    EXPECT_EQ(UnicodeOf(plain), (Units{'c', 'a', 'f', 0xE9}));

    // The combining accent of the parameter composes with the letter before the placeholder.
    GString accent(u"e%1", false);
    accent.SubstituteParams(Utf16({0x0301}));
    EXPECT_EQ(OwnBytesOf(accent), (Bytes{0xE9, 0}));

    // A parameter without encoding is an empty text; a null entry of the table too.
    GString missing("<%1|%2>");
    GTable<GString const*> params;
    GString const none;
    params.AddItem(&none);
    params.AddItem(nullptr);
    missing.SubstituteParams(params);
    EXPECT_EQ(UnicodeOf(missing), UnitsOfText(u"<|>"));

    // A pattern without encoding becomes an empty UTF-16 string.
    GString empty;
    empty.SubstituteParams(GString("x"));
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(EncodingNameOf(empty), "UnicodeEncoding");
}

TEST(GStringTest, SubstitutesAStringIntoItself)
{
    GString s("<%1>");
    s.SubstituteParams(s);
    EXPECT_EQ(UnicodeOf(s), UnitsOfText(u"<<%1>>"));
    GString wide(u"[%s]", false);
    wide.SubstituteParams(wide, wide);
    EXPECT_EQ(UnicodeOf(wide), UnitsOfText(u"[[%s]]"));
}

TEST(GStringTest, CountsPlaceholdersInTheUTF16Form)
{
    struct Case
    {
        char const* fText;
        int fCount;
    };
    Case const cases[] = {
        {"%1 %s %0 %%2", 3}, {"%1%1", 2}, {"100%", 0}, {"", 0}, {"%", 0}, {"%9%S%s", 2}, {"%%%", 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fText);
        EXPECT_EQ(GString(c.fText).GetNumSubstitutes(), c.fCount);
        EXPECT_EQ(GString(c.fText, GASCIIEncoding::GetInstance(), false).GetNumSubstitutes(), c.fCount);
        EXPECT_EQ(Text8(Enc::WinAnsi, c.fText).GetNumSubstitutes(), c.fCount);
    }
    EXPECT_EQ(GString().GetNumSubstitutes(), 0);
}

TEST(GStringTest, CopiesShareTheEncodingAndCountIt)
{
    GEncoding const* winAnsi = GWinAnsiEncoding::GetInstance();
    int const before = winAnsi->GetRefCount();
    {
        GString const a = Text8(Enc::WinAnsi, "x");
        EXPECT_EQ(winAnsi->GetRefCount(), before + 1);
        GString b(a);
        EXPECT_EQ(winAnsi->GetRefCount(), before + 2);
        EXPECT_EQ(b.GetEncoding().Get(), winAnsi);
        b = GString("y");
        EXPECT_EQ(winAnsi->GetRefCount(), before + 1);
        b = a;
        EXPECT_EQ(winAnsi->GetRefCount(), before + 2);
        b.Clear();
        EXPECT_EQ(winAnsi->GetRefCount(), before + 1);
        b.Set(5);
        EXPECT_EQ(EncodingNameOf(b), "ASCIIEncoding");
    }
    EXPECT_EQ(winAnsi->GetRefCount(), before);
}

TEST(GStringTest, LeavesAMovedFromStringConsistent)
{
    GString a("abc");
    GString b = Text8(Enc::WinAnsi, "\xE9");
    a = std::move(b);
    EXPECT_EQ(EncodingNameOf(a), "WinAnsiEncoding");
    EXPECT_EQ(UnicodeOf(a), (Units{0xE9}));
    // Whatever the moved-from string holds, its bytes and encoding belong together.
    EXPECT_TRUE(b.IsEmpty() || !b.GetEncoding().IsNull());
    EXPECT_EQ(b.GetNumSubstitutes(), 0);

    GString c(std::move(a));
    EXPECT_EQ(UnicodeOf(c), (Units{0xE9}));
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_TRUE(a.GetEncoding().IsNull());
}

TEST(GStringTest, ServesAsADictionaryKeyAcrossEncodings)
{
    GDict<GString, int> dict;
    dict.Put(Utf16({'a', 'l', 'p', 'h', 'a'}), 1);
    dict.Put(GString("beta"), 2);
    dict.Put(Text8(Enc::WinAnsi, "caf\xE9"), 3);
    for (int i = 0; i < 50; ++i)
        dict.Put(GString(i), 100 + i);

    ASSERT_NE(dict.Find(GString("alpha")), nullptr);
    EXPECT_EQ(*dict.Find(GString("alpha")), 1);
    ASSERT_NE(dict.Find(GString(u"beta", false)), nullptr);
    EXPECT_EQ(*dict.Find(GString(u"beta", false)), 2);
    ASSERT_NE(dict.Find(Utf16({'c', 'a', 'f', 0xE9})), nullptr);
    EXPECT_EQ(*dict.Find(Utf16({'c', 'a', 'f', 0xE9})), 3);
    ASSERT_NE(dict.Find(GString(u"42", false)), nullptr);
    EXPECT_EQ(*dict.Find(GString(u"42", false)), 142);
    EXPECT_EQ(dict.Find(GString("gamma")), nullptr);

    // The same text in another encoding is the same key.
    dict.Put(GString(u"alpha", true), 7);
    EXPECT_EQ(dict.GetCount(), 53);
    EXPECT_EQ(*dict.Find(GString("alpha")), 7);
}

TEST(GStringTest, ServesAsATableItem)
{
    GTable<GString> table;
    for (int i = 0; i < 20; ++i)
        table.AddItem(GString(i));
    table.InsertItemAt(0, GString(u"first", false));
    EXPECT_EQ(table.GetCount(), 21);
    EXPECT_EQ(table[0], GString("first"));
    EXPECT_EQ(table[20], GString("19"));
    table.RemoveItemAll(GString(u"7", false));
    EXPECT_EQ(table.GetCount(), 20);
    EXPECT_EQ(table[8], GString("8"));
}
} // namespace
