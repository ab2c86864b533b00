// The memory streams: reading a buffer in place or shared with clones, stepping back and rolling
// back, and appending to a buffer; the output-stream defaults.
#include <gtest/gtest.h>

#include <memory>

#include "EncodingTestSupport.h"
#include "GBuffer.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"

namespace
{
using encodingtest::BufferOf;
using encodingtest::Bytes;
using encodingtest::BytesOf;

Bytes Range(int from, int to) // [from, to)
{
    Bytes bytes;
    for (int i = from; i < to; ++i)
        bytes.push_back(static_cast<unsigned char>(i));
    return bytes;
}

Bytes ReadAll(GInStream& stream)
{
    GBuffer out;
    return stream.Read(out, 1 << 20) > 0 ? BytesOf(out) : Bytes();
}

class MemoryInStreamTest : public ::testing::Test
{
protected:
    GBuffer fSource = BufferOf(Range(0, 10));
    GMemoryInStream fStream{fSource};
};

TEST_F(MemoryInStreamTest, ReadsWhatIsLeftThenEnds)
{
    GBuffer out("stale");
    EXPECT_EQ(-1, fStream.Read(out, 0));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(4, fStream.Read(out, 4));
    EXPECT_EQ(Range(0, 4), BytesOf(out));
    EXPECT_EQ(6, fStream.Read(out, 100));
    EXPECT_EQ(Range(4, 10), BytesOf(out));
    EXPECT_EQ(-1, fStream.Read(out, 1));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(-1, fStream.Read(out, -3));
    EXPECT_EQ(10, fStream.GetLength());
}

TEST_F(MemoryInStreamTest, UnreadStaysInsideTheData)
{
    struct Case
    {
        int fRead;
        int fUnread;
        int fExpected;
        int fPosition;
    };
    Case const cases[] = {{4, 10, 4, 0},
                          {4, 3, 3, 1},
                          {4, 4, 4, 0},
                          {4, 0, 0, 4},
                          {4, -3, 0, 4},
                          {0, -1, 0, 0},
                          {10, -2147483647 - 1, 0, 10},
                          {10, 2147483647, 10, 0}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.fRead << " then " << c.fUnread);
        fStream.Reset();
        GBuffer out;
        fStream.Read(out, c.fRead);
        EXPECT_EQ(c.fExpected, fStream.Unread(c.fUnread));
        EXPECT_EQ(c.fPosition, fStream.GetPosition());
        EXPECT_EQ(Range(c.fPosition, 10), ReadAll(fStream));
    }
}

TEST_F(MemoryInStreamTest, LendsItsOwnBytesInPlaceAndUnreadStepsBackOverThem)
{
    GBuffer out;
    fStream.Read(out, 2);
    unsigned char const* lent = nullptr;
    ASSERT_EQ(5, fStream.Lend(5, lent));
    EXPECT_EQ(fSource.GetPtr() + 2, lent); // no copy
    EXPECT_EQ(Range(2, 7), Bytes(lent, lent + 5));
    EXPECT_EQ(7, fStream.GetPosition());
    EXPECT_EQ(2, fStream.Unread(2));
    // What is left, then nothing: the caller falls back to Read, which reports the end.
    EXPECT_EQ(5, fStream.Lend(100, lent));
    EXPECT_EQ(Range(5, 10), Bytes(lent, lent + 5));
    for (int count : {1, 0, -4})
    {
        SCOPED_TRACE(count);
        EXPECT_EQ(0, fStream.Lend(count, lent));
        EXPECT_EQ(nullptr, lent);
    }
    EXPECT_EQ(-1, fStream.Read(out, 1));
}

TEST_F(MemoryInStreamTest, SkipStaysInsideTheData)
{
    struct Case
    {
        long long fCount;
        long long fExpected;
    };
    // Counts beyond 32 bits are limited as a whole: 2^32 + 3 and 2^32 - 1 do not wrap to 3 or -1.
    Case const cases[] = {{3, 3},
                          {8, 8},
                          {100, 8},
                          {0, 0},
                          {-1, 0},
                          {-5, 0},
                          {(1LL << 32) + 3, 8},
                          {0xFFFFFFFFLL, 8},
                          {0x80000000LL, 8},
                          {-(1LL << 40), 0}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fCount);
        fStream.Reset();
        GBuffer out;
        fStream.Read(out, 2);
        EXPECT_EQ(c.fExpected, fStream.Skip(c.fCount));
        EXPECT_EQ(2 + c.fExpected, fStream.GetPosition());
        EXPECT_EQ(Range(static_cast<int>(2 + c.fExpected), 10), ReadAll(fStream));
    }
}

TEST_F(MemoryInStreamTest, RollsBackToTheMarkOnce)
{
    GBuffer out;
    fStream.Read(out, 2);
    fStream.SetRollBackPoint();
    fStream.Read(out, 5);
    EXPECT_EQ(5, fStream.RollBack());
    EXPECT_EQ(5, fStream.Read(out, 5));
    EXPECT_EQ(Range(2, 7), BytesOf(out));
    EXPECT_EQ(-1, fStream.RollBack());
    EXPECT_EQ(7, fStream.GetPosition());
}

TEST_F(MemoryInStreamTest, ResetGoesToTheStartAndDropsTheMark)
{
    GBuffer out;
    fStream.Read(out, 3);
    fStream.SetRollBackPoint();
    fStream.Read(out, 3);
    fStream.Reset();
    EXPECT_EQ(0, fStream.GetPosition());
    EXPECT_EQ(-1, fStream.RollBack());
    EXPECT_EQ(Range(0, 10), ReadAll(fStream));
}

TEST_F(MemoryInStreamTest, CloneOfABorrowedBufferKeepsItsOwnCopy)
{
    GBuffer out;
    fStream.Read(out, 3);
    fStream.SetRollBackPoint();
    fStream.Read(out, 2);
    std::unique_ptr<GInStream> clone(fStream.CreateClone());
    auto& memoryClone = dynamic_cast<GMemoryInStream&>(*clone);
    EXPECT_EQ(5, memoryClone.GetPosition());

    // The caller changes its buffer, then it goes away altogether.
    fSource.GetWritePtr()[6] = 0xEE;
    fSource = GBuffer();
    EXPECT_EQ(Range(5, 10), ReadAll(*clone));
    EXPECT_EQ(7, memoryClone.RollBack());
    EXPECT_EQ(Range(3, 10), ReadAll(*clone));
    EXPECT_EQ(10, memoryClone.GetLength());
}

TEST(MemoryInStream, ClonesShareAnOwnedBufferUntilTheLastGoes)
{
    auto* original = new GMemoryInStream(new GBuffer(BufferOf(Range(0, 6))));
    GBuffer out;
    original->Read(out, 2);
    std::unique_ptr<GInStream> clone(original->CreateClone());
    GMemoryInStream copy(*original);
    delete original;
    EXPECT_EQ(Range(2, 6), ReadAll(*clone));
    EXPECT_EQ(Range(2, 6), ReadAll(copy));
    clone.reset();
    copy.Reset();
    EXPECT_EQ(Range(0, 6), ReadAll(copy));
}

TEST(MemoryInStream, EmptyBufferEndsAtOnce)
{
    GBuffer empty;
    GMemoryInStream stream(empty);
    GBuffer out;
    EXPECT_EQ(-1, stream.Read(out, 1));
    EXPECT_EQ(0, stream.Skip(1));
    EXPECT_EQ(0, stream.Unread(1));
    stream.SetRollBackPoint();
    EXPECT_EQ(0, stream.RollBack());
    EXPECT_EQ(0, stream.GetLength());
}

TEST(MemoryOutStream, AppendsToTheCallersBuffer)
{
    GBuffer target("ab");
    {
        GMemoryOutStream stream(target);
        EXPECT_EQ(2, stream.Write(GBuffer("cd")));
        EXPECT_EQ(0, stream.Write(GBuffer()));
        EXPECT_EQ(3, stream.Write(BufferOf(Bytes{0, 0xFF, 0})));
        EXPECT_EQ(&target, &stream.GetBuffer());
    }
    EXPECT_EQ((Bytes{'a', 'b', 'c', 'd', 0, 0xFF, 0}), BytesOf(target));
}

TEST(MemoryOutStream, OwnsABufferMadeWithNew)
{
    auto* stream = new GMemoryOutStream(new GBuffer);
    GOutStream& out = *stream;
    EXPECT_EQ(3, out.Write(GBuffer("xyz")));
    EXPECT_EQ(Bytes({'x', 'y', 'z'}), BytesOf(stream->GetBuffer()));
    delete stream; // the sanitizer reports the buffer if it leaks
}

TEST(MemoryOutStream, DefaultsOfTheOutputStreamMoveNothing)
{
    GBuffer target("abc");
    GMemoryOutStream stream(target);
    GOutStream& out = stream;
    EXPECT_EQ(0, out.Skip(5));
    EXPECT_EQ(0, out.Skip(-5));
    out.Reset();
    out.Flush();
    out.Write(GBuffer("d"));
    EXPECT_EQ(GBuffer("abcd"), target);
}

TEST(MemoryStreams, WhatIsWrittenReadsBack)
{
    GBuffer target;
    GMemoryOutStream out(target);
    for (int i = 0; i < 300; ++i)
        out.Write(BufferOf(Range(0, i % 256)));
    GMemoryInStream in(target);
    GBuffer piece;
    for (int i = 0; i < 300; ++i)
    {
        int const n = i % 256;
        if (n == 0)
            continue;
        ASSERT_EQ(n, in.Read(piece, n));
        ASSERT_EQ(Range(0, n), BytesOf(piece));
    }
    EXPECT_EQ(-1, in.Read(piece, 1));
}
} // namespace
