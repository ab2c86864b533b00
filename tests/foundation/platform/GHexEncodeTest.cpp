// The hexadecimal encoding stream: digits in reads of any size, the digit held back between reads,
// the end marker, and clones and resets that keep the output whole.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BufferText.h"
#include "GHexEncode.h"
#include "GMemoryInStream.h"
#include "StreamTestSupport.h"

using testsupport::BufferOf;
using testsupport::TextOf;

namespace
{
std::string const cSample("\x00\x7F\xFF", 3);

std::string Hex(std::string const& bytes)
{
    static char const digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes)
    {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// Reads in steps of count until the stream ends, and keeps each result and each piece.
struct Reads
{
    std::vector<int> fResults;
    std::vector<std::string> fPieces;
    std::string fAll;
};

Reads ReadAll(GInStream& stream, int count)
{
    Reads reads;
    GBuffer out("stale");
    for (int guard = 0; guard < 100000; ++guard)
    {
        int const result = stream.Read(out, count);
        reads.fResults.push_back(result);
        reads.fPieces.push_back(TextOf(out));
        if (result < 0)
            break;
        reads.fAll += TextOf(out);
    }
    return reads;
}

TEST(GHexEncodeTest, DeliversDigitsAndTheEndMarkerInOneRead)
{
    GBuffer const bytes = BufferOf(cSample);
    GMemoryInStream source(bytes);
    GHexEncode encoder(source, true);
    Reads const reads = ReadAll(encoder, 7);
    EXPECT_EQ((std::vector<int>{7, -1}), reads.fResults);
    EXPECT_EQ((std::vector<std::string>{"007fff>", ""}), reads.fPieces);
}

TEST(GHexEncodeTest, HoldsTheSecondDigitBackWhenAReadEndsInsideAByte)
{
    GBuffer const bytes = BufferOf(cSample);
    GMemoryInStream source(bytes);
    GHexEncode encoder(source, true);
    Reads const reads = ReadAll(encoder, 3);
    EXPECT_EQ((std::vector<int>{3, 3, 1, -1}), reads.fResults);
    EXPECT_EQ((std::vector<std::string>{"007", "fff", ">", ""}), reads.fPieces);
}

TEST(GHexEncodeTest, EncodesAnEmptyStreamAsTheMarkerOrNothing)
{
    GBuffer const empty;
    GMemoryInStream withMarkerSource(empty);
    GHexEncode withMarker(withMarkerSource, true);
    EXPECT_EQ((std::vector<int>{1, -1}), ReadAll(withMarker, 10).fResults);

    GMemoryInStream plainSource(empty);
    GHexEncode plain(plainSource, false);
    EXPECT_EQ((std::vector<int>{-1}), ReadAll(plain, 10).fResults);
}

TEST(GHexEncodeTest, GivesTheSameTextForEveryReadSize)
{
    std::mt19937 random(7);
    for (int length : {0, 1, 2, 5, 64, 301})
    {
        std::string bytes;
        for (int i = 0; i < length; ++i)
            bytes += char(random());
        GBuffer const buffer = BufferOf(bytes);
        for (bool marker : {true, false})
        {
            for (int count = 1; count <= 9; ++count)
            {
                SCOPED_TRACE(std::to_string(length) + " bytes, marker " + std::to_string(marker) +
                             ", reads of " + std::to_string(count));
                GMemoryInStream source(buffer);
                GHexEncode encoder(source, marker);
                Reads const reads = ReadAll(encoder, count);
                EXPECT_EQ(Hex(bytes) + (marker ? ">" : ""), reads.fAll);
                for (std::size_t i = 0; i + 1 < reads.fResults.size(); ++i)
                {
                    EXPECT_GE(count, reads.fResults[i]);
                    EXPECT_EQ(int(reads.fPieces[i].size()), reads.fResults[i]);
                }
            }
        }
    }
}

TEST(GHexEncodeTest, ReadsWholeBytesFromInnerStreamsThatDeliverLittle)
{
    std::string const bytes = "\x01\x23\x45\x67\x89\xAB\xCD\xEF";
    streamtest::TrickleStream source(bytes);
    GHexEncode encoder(source, true);
    Reads const reads = ReadAll(encoder, 6);
    EXPECT_EQ("0123456789abcdef>", reads.fAll);
    EXPECT_EQ((std::vector<int>{6, 6, 5, -1}), reads.fResults);
}

TEST(GHexEncodeTest, StartsOverOnResetWithoutTheHeldBackDigit)
{
    GBuffer const bytes = BufferOf(cSample);
    GMemoryInStream source(bytes);
    GHexEncode encoder(source, true);
    GBuffer out;
    ASSERT_EQ(3, encoder.Read(out, 3));
    encoder.Reset();
    EXPECT_EQ("007fff>", ReadAll(encoder, 7).fAll);
    // Also after the end.
    encoder.Reset();
    EXPECT_EQ("007fff>", ReadAll(encoder, 2).fAll);
}

TEST(GHexEncodeTest, ClonesContinueWithTheHeldBackDigit)
{
    GBuffer const bytes = BufferOf(cSample);
    GMemoryInStream source(bytes);
    GHexEncode encoder(source, true);
    GBuffer out;
    ASSERT_EQ(3, encoder.Read(out, 3));
    std::unique_ptr<GInStream> clone(encoder.CreateClone());
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ("fff>", ReadAll(*clone, 2).fAll);
    EXPECT_EQ("fff>", ReadAll(encoder, 4).fAll);

    // A clone of a finished encoder is finished too.
    std::unique_ptr<GInStream> finished(encoder.CreateClone());
    EXPECT_EQ(-1, finished->Read(out, 4));
    // And it resets through its own inner stream.
    finished->Reset();
    EXPECT_EQ("007fff>", ReadAll(*finished, 5).fAll);
}

TEST(GHexEncodeTest, CannotBeClonedOverAStreamThatCannot)
{
    GBuffer const bytes = BufferOf(cSample);
    streamtest::UncloneableStream source(bytes);
    GHexEncode encoder(source, false);
    EXPECT_EQ(nullptr, encoder.CreateClone());
}

TEST(GHexEncodeTest, DeliversNothingForCountsThatAreNotPositive)
{
    GBuffer const bytes = BufferOf(cSample);
    GMemoryInStream source(bytes);
    GHexEncode encoder(source, true);
    GBuffer out("x");
    EXPECT_EQ(-1, encoder.Read(out, 0));
    EXPECT_EQ(-1, encoder.Read(out, -3));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ("007fff>", ReadAll(encoder, 100).fAll);
}

TEST(GHexEncodeTest, OwnsAnInnerStreamGivenByPointer)
{
    GBuffer const bytes = BufferOf(cSample);
    // The sanitizer reports the inner stream if the encoder forgets to delete it.
    GHexEncode encoder(new GMemoryInStream(bytes), false);
    EXPECT_EQ("007fff", ReadAll(encoder, 2).fAll);
}
} // namespace
