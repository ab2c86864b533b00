// Hexadecimal text in buffers: bytes to digits and back through the streams, and the string-table
// decoding of digit arrays with its escape translation, which never reads past the digits given.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "BufferText.h"
#include "GHexSupport.h"
#include "GSimpleException.h"
#include "LineEndingScope.h"

using testsupport::BufferOf;
using testsupport::TextOf;

namespace
{
std::string AllBytes()
{
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        bytes += char(c);
    return bytes;
}

std::string FromHexArray(std::string const& digits)
{
    // Exactly the digits on the heap, so that a read past them is an error the sanitizer sees.
    std::unique_ptr<unsigned char[]> exact(new unsigned char[digits.size()]);
    std::copy(digits.begin(), digits.end(), exact.get());
    GBuffer bytes("old content");
    GHexSupport::SetFromHexArray(exact.get(), int(digits.size()), bytes);
    return TextOf(bytes);
}

TEST(GHexSupportTest, AppendsLowercaseDigitsAndReadsThemBack)
{
    GBuffer hex("x:");
    GHexSupport::SetToHexBuffer(BufferOf(AllBytes()), hex);
    std::string const text = TextOf(hex);
    ASSERT_EQ(2u + 512u, text.size());
    EXPECT_EQ("x:000102", text.substr(0, 8));
    EXPECT_EQ("7e7f80", text.substr(2 + 2 * 0x7E, 6));
    EXPECT_EQ("feff", text.substr(text.size() - 4));

    GBuffer bytes("y");
    GHexSupport::SetFromHexBuffer(hex.GetSubBuffer(2, hex.GetLength() - 2), bytes);
    EXPECT_EQ("y" + AllBytes(), TextOf(bytes));

    GBuffer none;
    GHexSupport::SetToHexBuffer(GBuffer(), none);
    EXPECT_TRUE(none.IsEmpty());
}

TEST(GHexSupportTest, ReadsHexTextUpToItsEndMarker)
{
    GBuffer bytes;
    GHexSupport::SetFromHexBuffer(BufferOf("41 42\r\n4>43"), bytes);
    EXPECT_EQ("AB@", TextOf(bytes));
    GBuffer kept("kept");
    try
    {
        GHexSupport::SetFromHexBuffer(BufferOf("41 !"), kept);
        ADD_FAILURE() << "no exception";
    }
    catch (GSimpleException const& e)
    {
        EXPECT_EQ(2452, e.GetExceptionID());
    }
}

TEST(GHexSupportTest, DecodesDigitArraysWithTheEscapesOfStringTables)
{
    testsupport::LineEndingScope lineEnding(true, false);
    struct Case
    {
        char const* fDigits;
        std::string fBytes;
    };
    Case const cases[] = {
        {"", ""},
        {"414243", "ABC"},
        {"5c6e", "\r"},
        {"616e", "an"},
        {"5c74", "\t"},
        {"5C74", "\t"},
        {"806e", "\r"},
        {"a574", "\t"},
        {"5c5c74", "\\\t"},
        {"5c745c6e", "\t\r"},
        {"5c7474", "\tt"},
        {"5c41", "\\A"},
        {"6e", "n"},
        {"zz41", "\xFF"
                 "A"},
        {"z141", "\xF1"
                 "A"},
        // An odd last digit is dropped, and nothing after it is read.
        {"41424", "AB"},
        {"4", ""},
        {"5c6", "\\"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fDigits);
        EXPECT_EQ(c.fBytes, FromHexArray(c.fDigits));
    }
}

TEST(GHexSupportTest, TranslatesTheEscapedLineEndToThePlatforms)
{
    struct Case
    {
        bool fCR;
        bool fLF;
        std::string fBytes;
    };
    Case const cases[] = {
        {true, false, "a\rb"}, {false, true, "a\nb"}, {true, true, "a\r\nb"}, {false, false, "ab"}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.fCR) + std::to_string(c.fLF));
        testsupport::LineEndingScope lineEnding(c.fCR, c.fLF);
        EXPECT_EQ(c.fBytes, FromHexArray("615c6e62"));
    }
}

TEST(GHexSupportTest, GivesNothingForNoDigits)
{
    GBuffer bytes("old");
    GHexSupport::SetFromHexArray(nullptr, 4, bytes);
    EXPECT_TRUE(bytes.IsEmpty());
    bytes = "old";
    unsigned char const digits[] = {'4', '1'};
    GHexSupport::SetFromHexArray(digits, -2, bytes);
    EXPECT_TRUE(bytes.IsEmpty());
}
} // namespace
