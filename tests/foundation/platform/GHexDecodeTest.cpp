// The hexadecimal decoding stream: digits of either case between white space, the end marker and
// the end of the data, error 2452 for anything else, reads of any size, clones and resets.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "BufferText.h"
#include "GHexDecode.h"
#include "GMemoryInStream.h"
#include "GSimpleException.h"
#include "StreamTestSupport.h"

using testsupport::BufferOf;
using testsupport::TextOf;

namespace
{
constexpr int cInvalidDataToDecode = 2452;

// Decodes the whole text in reads of count bytes; the results of the reads go to results.
std::string DecodeAll(std::string const& text, int count, std::vector<int>* results = nullptr)
{
    GBuffer const hex = BufferOf(text);
    GMemoryInStream source(hex);
    GHexDecode decoder(source);
    std::string bytes;
    GBuffer out;
    for (int guard = 0; guard < 100000; ++guard)
    {
        int const result = decoder.Read(out, count);
        if (results)
            results->push_back(result);
        if (result < 0)
            break;
        bytes += TextOf(out);
    }
    return bytes;
}

TEST(GHexDecodeTest, DecodesPairsOfDigitsUpToTheEnd)
{
    struct Case
    {
        std::string fText;
        std::string fBytes;
    };
    Case const cases[] = {
        {"4 1>", "\x41"},
        {"414>", "\x41\x40"},
        {"414", "\x41"},
        {"4>", "\x40"},
        {"4A4a>", "\x4A\x4A"},
        {"\b\t\n\v\r 41 \r\n42\t>", "\x41\x42"},
        {"41>zz and more", "\x41"},
        {"0123456789abcdefABCDEF", "\x01\x23\x45\x67\x89\xAB\xCD\xEF\xAB\xCD\xEF"},
        {">", ""},
        {"", ""},
        {"   ", ""},
        {"00ff", std::string("\x00\xFF", 2)},
    };
    for (Case const& c : cases)
    {
        for (int count : {1, 2, 3, 1000})
        {
            SCOPED_TRACE("\"" + c.fText + "\", reads of " + std::to_string(count));
            EXPECT_EQ(c.fBytes, DecodeAll(c.fText, count));
        }
    }
}

TEST(GHexDecodeTest, ReportsWhatEachReadDelivered)
{
    std::vector<int> results;
    EXPECT_EQ("\x41\x40", DecodeAll("414>", 1, &results));
    EXPECT_EQ((std::vector<int>{1, 1, -1}), results);
    results.clear();
    EXPECT_EQ("", DecodeAll("", 4, &results));
    EXPECT_EQ((std::vector<int>{-1}), results);
    // White space only: the inner stream runs dry.
    results.clear();
    EXPECT_EQ("\x41", DecodeAll("4 1    ", 3, &results));
    EXPECT_EQ((std::vector<int>{1, -1}), results);
}

TEST(GHexDecodeTest, RefusesCharactersThatAreNoDigitsWithError2452)
{
    for (std::string const text : {"4G", "41 4x>", "\f41", "41-", "0x41", "4\xC3\xA9"})
    {
        SCOPED_TRACE(text);
        GBuffer const hex = BufferOf(text);
        GMemoryInStream source(hex);
        GHexDecode decoder(source);
        GBuffer out("stale");
        try
        {
            decoder.Read(out, 100);
            ADD_FAILURE() << "no exception";
        }
        catch (GSimpleException const& e)
        {
            EXPECT_EQ(cInvalidDataToDecode, e.GetExceptionID());
        }
        // What was decoded before the character in that read is not delivered.
        EXPECT_TRUE(out.IsEmpty());
    }
}

TEST(GHexDecodeTest, DeliversEarlierReadsBeforeTheBadCharacter)
{
    GBuffer const hex = BufferOf("4142q");
    GMemoryInStream source(hex);
    GHexDecode decoder(source);
    GBuffer out;
    EXPECT_EQ(1, decoder.Read(out, 1));
    EXPECT_EQ("\x41", TextOf(out));
    EXPECT_EQ(1, decoder.Read(out, 1));
    EXPECT_THROW(decoder.Read(out, 1), GSimpleException);
}

TEST(GHexDecodeTest, ReadsAsFewCharactersAsTheBytesAskedNeed)
{
    // Each read takes just the digits it needs, so a later read still finds the rest.
    streamtest::TrickleStream source("41 42 43>");
    GHexDecode decoder(source);
    GBuffer out;
    EXPECT_EQ(1, decoder.Read(out, 1));
    EXPECT_EQ(2, source.GetPosition());
    EXPECT_EQ(2, decoder.Read(out, 2));
    EXPECT_EQ("\x42\x43", TextOf(out));
    EXPECT_EQ(-1, decoder.Read(out, 2));
}

TEST(GHexDecodeTest, ClonesAndResetsThroughTheInnerStream)
{
    GBuffer const hex = BufferOf("414243>");
    GMemoryInStream source(hex);
    GHexDecode decoder(source);
    GBuffer out;
    ASSERT_EQ(1, decoder.Read(out, 1));
    std::unique_ptr<GInStream> clone(decoder.CreateClone());
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ(2, clone->Read(out, 10));
    EXPECT_EQ("\x42\x43", TextOf(out));
    EXPECT_EQ(2, decoder.Read(out, 10));
    EXPECT_EQ(-1, decoder.Read(out, 10));

    std::unique_ptr<GInStream> finished(decoder.CreateClone());
    EXPECT_EQ(-1, finished->Read(out, 10));
    decoder.Reset();
    EXPECT_EQ(3, decoder.Read(out, 10));
    EXPECT_EQ("\x41\x42\x43", TextOf(out));

    streamtest::UncloneableStream uncloneable(hex);
    GHexDecode over(uncloneable);
    EXPECT_EQ(nullptr, over.CreateClone());
}

TEST(GHexDecodeTest, TellsDigitsAndDecodesPairs)
{
    std::string valid;
    for (int c = 0; c < 256; ++c)
    {
        if (GHexDecode::IsValidByte(static_cast<unsigned char>(c)))
            valid += char(c);
    }
    EXPECT_EQ("0123456789ABCDEFabcdef", valid);

    struct Case
    {
        char fHigh;
        char fLow;
        unsigned fByte;
    };
    Case const cases[] = {{'0', '0', 0x00}, {'f', 'F', 0xFF}, {'A', '7', 0xA7}, {'7', 'a', 0x7A},
                          {'z', '1', 0xF1}, {'1', 'z', 0xFF}, {'z', 'z', 0xFF}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::string(1, c.fHigh) + c.fLow);
        EXPECT_EQ(c.fByte, GHexDecode::DecodeBytes(c.fHigh, c.fLow));
    }
}
} // namespace
