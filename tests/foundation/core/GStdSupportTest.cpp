// The standard-string bridge: bytes kept whole, strings in a named encoding, the string pool's texts,
// and the strict UTF-8 decoding of wide strings.
#include "GStdSupport.h"

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unicode/utf8.h>

#include "BufferText.h"
#include "GASCIIEncoding.h"
#include "GBuffer.h"
#include "GEncoding.h"
#include "GString.h"
#include "GStringPool.h"
#include "GStringPoolSupport.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

namespace
{
using testsupport::BufferOf;
using testsupport::TextOf;

GString Utf16(std::u16string const& text)
{
    return GString(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(2 * text.size()),
                   GUnicodeEncoding::GetInstance(), true);
}

std::u16string UnitsOf(GString const& text)
{
    GBuffer const utf16 = text.GetBuffer(GUnicodeEncoding::GetInstance());
    return std::u16string(reinterpret_cast<char16_t const*>(utf16.GetPtr()),
                          static_cast<std::size_t>(utf16.GetLength() / 2));
}

// The text of the range error that malformed UTF-8 throws, or "no error".
std::string DecodingError(GBuffer const& bytes)
{
    try
    {
        GStdSupport::ToStdWString(bytes);
    }
    catch (std::range_error const& error)
    {
        return error.what();
    }
    return "no error";
}

TEST(GStdSupportTest, BytesTravelWholeZeroBytesIncluded)
{
    std::string const bytes("a\0b\xFF", 4);
    GBuffer const buffer = GStdSupport::ToGBuffer(bytes);
    EXPECT_EQ(bytes, TextOf(buffer));
    EXPECT_EQ(bytes, GStdSupport::ToStdString(buffer));
    EXPECT_EQ(std::string(), GStdSupport::ToStdString(GBuffer()));
    EXPECT_TRUE(GStdSupport::ToGBuffer(std::string()).IsEmpty());
}

TEST(GStdSupportTest, WideStringEndsAtTheFirstZeroByte)
{
    EXPECT_EQ(L"a", GStdSupport::ToStdWString(BufferOf(std::string("a\0b", 3))));
    EXPECT_EQ(L"", GStdSupport::ToStdWString(GBuffer()));
    // What follows the zero byte is not looked at, however malformed.
    EXPECT_EQ(L"ok", GStdSupport::ToStdWString(BufferOf(std::string("ok\0\xFF", 4))));
    // ...but a sequence the zero byte cuts short is.
    EXPECT_EQ("wstring_convert: from_bytes error", DecodingError(BufferOf(std::string("\xC3\0\xA9", 3))));
}

TEST(GStdSupportTest, DecodesWellFormedUtf8OneCodePointPerCharacter)
{
    struct Case
    {
        std::string bytes;
        std::wstring text;
    };
    std::vector<Case> const cases = {
        {"A", L"A"},
        {"\x7F", L"\x7F"},
        {"\xC2\x80", L"\x80"},
        {"\xC3\xA9", L"\xE9"},
        {"\xDF\xBF", L"\x7FF"},
        {"\xE0\xA0\x80", L"\x800"},
        {"\xE2\x82\xAC", L"\x20AC"},
        {"\xED\x9F\xBF", L"\xD7FF"},
        {"\xEE\x80\x80", L"\xE000"},
        {"\xEF\xBF\xBF", L"\xFFFF"},
        {"\xF0\x90\x80\x80", L"\x10000"},
        {"\xF0\x9F\x98\x80", L"\x1F600"},
        {"\xF4\x8F\xBF\xBF", L"\x10FFFF"},
        // A byte-order mark is a character like any other.
        {"\xEF\xBB\xBF"
         "A",
         L"\xFEFF"
         L"A"},
        {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z", L"a\xE9\x20AC\x1F600z"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(c.text, GStdSupport::ToStdWString(BufferOf(c.bytes)));
    }
}

TEST(GStdSupportTest, MalformedUtf8ThrowsTheRangeError)
{
    std::vector<std::string> const cases = {
        "\xFF",
        "\xFE",
        "\x80",
        "A\xBF",
        // Overlong forms.
        "\xC0\x80",
        "\xC1\xBF",
        "\xE0\x80\x80",
        "\xE0\x9F\xBF",
        "\xF0\x80\x80\x80",
        "\xF0\x8F\xBF\xBF",
        // Encoded surrogates, alone and as a pair.
        "\xED\xA0\x80",
        "\xED\xBF\xBF",
        "\xED\xA0\xBD\xED\xB8\x80",
        // Above U+10FFFF, and lead bytes of longer forms.
        "\xF4\x90\x80\x80",
        "\xF5\x80\x80\x80",
        "\xF8\x88\x80\x80\x80",
        "\xFC\x84\x80\x80\x80\x80",
        // Cut sequences.
        "\xC3",
        "\xE2\x82",
        "\xF0\x9F\x98",
        "ab\xE2",
        // A continuation byte missing in the middle.
        "\xC3"
        "A",
        "\xE2"
        "A\x82",
        "\xE2\x82"
        "A",
        "\xF0\x9F"
        "A\x80",
    };
    for (std::string const& bytes : cases)
    {
        SCOPED_TRACE(testing::PrintToString(bytes));
        EXPECT_EQ("wstring_convert: from_bytes error", DecodingError(BufferOf(bytes)));
    }
}

// Against ICU's strict reading of UTF-8, on short texts made mostly of lead and continuation bytes.
TEST(GStdSupportTest, DecodingAgreesWithIcuOnRandomBytes)
{
    std::mt19937 random(1234);
    unsigned char const interesting[] = {0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0,
                                         0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF,
                                         0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xF7, 0xF8, 0xFE, 0xFF};
    for (int round = 0; round < 50000; ++round)
    {
        std::string bytes;
        int const length = std::uniform_int_distribution<int>(1, 8)(random);
        for (int i = 0; i < length; ++i)
        {
            std::size_t const pick =
                std::uniform_int_distribution<std::size_t>(0, sizeof interesting + 63)(random);
            bytes += static_cast<char>(pick < sizeof interesting ? interesting[pick] : 0x80 + (pick & 0x3F));
        }
        std::wstring expected;
        bool wellFormed = true;
        for (int32_t i = 0; i < length && wellFormed;)
        {
            UChar32 c;
            U8_NEXT(reinterpret_cast<uint8_t const*>(bytes.data()), i, length, c);
            wellFormed = c >= 0;
            expected.push_back(static_cast<wchar_t>(c));
        }
        SCOPED_TRACE(testing::PrintToString(bytes));
        if (wellFormed)
        {
            ASSERT_EQ(expected, GStdSupport::ToStdWString(BufferOf(bytes)));
        }
        else
        {
            ASSERT_EQ("wstring_convert: from_bytes error", DecodingError(BufferOf(bytes)));
        }
    }
}

TEST(GStdSupportTest, NarrowStringBecomesAStringThatKeepsItsEncoding)
{
    GString const ascii = GStdSupport::ToGString("abc", GASCIIEncoding::GetInstance());
    EXPECT_EQ(GASCIIEncoding::GetInstance(), ascii.GetEncoding().Get());
    EXPECT_EQ("abc", TextOf(ascii.GetBuffer(GASCIIEncoding::GetInstance())));

    GString winAnsi("stale");
    GStdSupport::ToGString("caf\xE9", GWinAnsiEncoding::GetInstance(), winAnsi);
    EXPECT_EQ(GWinAnsiEncoding::GetInstance(), winAnsi.GetEncoding().Get());
    EXPECT_EQ(u"caf\u00E9", UnitsOf(winAnsi));

    // UTF-16 is composed: e and a combining acute accent become one character.
    std::u16string const decomposed = u"e\u0301";
    std::string const bytes(reinterpret_cast<char const*>(decomposed.data()), 2 * decomposed.size());
    GString const composed = GStdSupport::ToGString(bytes, GUnicodeEncoding::GetInstance());
    EXPECT_EQ(GUnicodeEncoding::GetInstance(), composed.GetEncoding().Get());
    EXPECT_EQ(u"\u00E9", UnitsOf(composed));
}

TEST(GStdSupportTest, StringBecomesTheBytesOfTheEncoding)
{
    GString const text = Utf16(u"\u00E9");
    EXPECT_EQ("\xC3\xA9", GStdSupport::ToStdString(text, GUTF8Encoding::GetInstance()));
    EXPECT_EQ("\xE9", GStdSupport::ToStdString(text, GWinAnsiEncoding::GetInstance()));
    EXPECT_EQ(std::string(1, GEncoding::GetDefaultCharacter()),
              GStdSupport::ToStdString(text, GASCIIEncoding::GetInstance()));
    // Zero characters stay in the narrow string.
    EXPECT_EQ(std::string("a\0b", 3),
              GStdSupport::ToStdString(Utf16(std::u16string(u"a\0b", 3)), GUTF8Encoding::GetInstance()));
}

TEST(GStdSupportTest, StringBecomesAWideStringThroughUtf8)
{
    EXPECT_EQ(L"A\xE9\x20AC\x1F600", GStdSupport::ToStdWString(Utf16(u"A\u00E9\u20AC\U0001F600")));
    EXPECT_EQ(L"a", GStdSupport::ToStdWString(Utf16(std::u16string(u"a\0b", 3))));
    EXPECT_EQ(L"", GStdSupport::ToStdWString(GString()));
    EXPECT_EQ(L"caf\xE9",
              GStdSupport::ToStdWString(GString("caf\xE9", GWinAnsiEncoding::GetInstance(), true)));

    // A lone surrogate has no code point of its own.
    std::u16string const lone{u'a', char16_t(0xD800), u'b'};
    EXPECT_THROW(GStdSupport::ToStdWString(Utf16(lone)), std::range_error);
}

class GStdSupportPoolTest : public ::testing::Test
{
protected:
    void SetUp() override { GStringPool::Initialize(); }
    void TearDown() override { GStringPool::Finalize(); }
};

TEST_F(GStdSupportPoolTest, StringPoolTextComesAsUtf8)
{
    GStringPoolDataStruct rows[] = {{917001, "Caf\xE9 \x80"}};
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", rows, 1, false);
    EXPECT_EQ("Caf\xC3\xA9 \xE2\x82\xAC", GStdSupport::StringIDToStdString(917001));
    EXPECT_EQ("", GStdSupport::StringIDToStdString(917002));
}
} // namespace
