// The buffering decorator over an input stream: whole-block fetches, unread across the block start,
// roll-back points, clones, reset and the default skip of every input stream.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "GBuffer.h"
#include "GBufferedInStreamDecorator.h"
#include "GInStream.h"
#include "GSimpleException.h"

namespace
{
using Bytes = std::vector<unsigned char>;

Bytes Sequence(int n)
{
    Bytes bytes(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    return bytes;
}

Bytes BytesOf(GBuffer const& buffer)
{
    unsigned char const* p = buffer.GetPtr();
    return Bytes(p, p + buffer.GetLength());
}

// What the inner stream was asked for, shared between a stream and its clones.
struct InnerLog
{
    int fReads = 0;
    int fResets = 0;
    int fLargestRequest = 0;
    std::vector<int> fRequests;
    int fDestroyed = 0;
};

// An inner stream over a byte vector that records every request; it can refuse to be cloned or
// throw on a chosen read.
class LoggingStream : public GInStream
{
public:
    LoggingStream(Bytes bytes, InnerLog& log, bool cloneable = true)
        : fBytes(std::move(bytes)), fLog(log), fCloneable(cloneable)
    {
    }
    ~LoggingStream() override { ++fLog.fDestroyed; }

    GInStream* CreateClone() const override { return fCloneable ? new LoggingStream(*this) : nullptr; }
    int Read(GBuffer& out, int count) override
    {
        ++fLog.fReads;
        fLog.fRequests.push_back(count);
        fLog.fLargestRequest = std::max(fLog.fLargestRequest, count);
        if (fThrowOnRead == fLog.fReads)
            throw GSimpleException(40001);
        int const left = static_cast<int>(fBytes.size()) - fPosition;
        int const n = std::min({count, left, fMostPerRead});
        if (n <= 0)
        {
            out.SetLength(0);
            return -1;
        }
        out.Set(fBytes.data() + fPosition, n);
        fPosition += n;
        return n;
    }
    void Reset() override
    {
        ++fLog.fResets;
        fPosition = 0;
    }

    int fThrowOnRead = 0;
    // Fewer bytes per read than asked for, as a pipe may deliver before its end.
    int fMostPerRead = 1 << 30;

private:
    Bytes fBytes;
    InnerLog& fLog;
    bool fCloneable;
    int fPosition = 0;
};

// A decorator over the bytes 0..n-1.
class DecoratorTest : public ::testing::Test
{
protected:
    void Make(int byteCount, int blockSize)
    {
        fInner = std::make_unique<LoggingStream>(Sequence(byteCount), fLog);
        fStream = std::make_unique<GBufferedInStreamDecorator>(*fInner, blockSize);
    }

    // Reads count bytes and returns them (empty at the end of the data).
    Bytes Next(int count)
    {
        GBuffer out;
        int const n = fStream->Read(out, count);
        EXPECT_EQ(n > 0 ? n : 0, out.GetLength());
        return BytesOf(out);
    }

    static Bytes Range(int from, int to) // [from, to)
    {
        Bytes bytes;
        for (int i = from; i < to; ++i)
            bytes.push_back(static_cast<unsigned char>(i));
        return bytes;
    }

    InnerLog fLog;
    std::unique_ptr<LoggingStream> fInner;
    std::unique_ptr<GBufferedInStreamDecorator> fStream;
};

TEST_F(DecoratorTest, ReadOfNothingDeliversNothingAndEmptiesTheOutput)
{
    Make(12, 4);
    for (int count : {0, -1, -1000})
    {
        SCOPED_TRACE(count);
        GBuffer out("stale");
        EXPECT_EQ(-1, fStream->Read(out, count));
        EXPECT_EQ(0, out.GetLength());
    }
    EXPECT_EQ(0, fLog.fReads);
    EXPECT_EQ(Range(0, 3), Next(3));
}

TEST_F(DecoratorTest, NothingIsReadAtConstruction)
{
    Make(12, 4);
    EXPECT_EQ(0, fLog.fReads);
}

TEST_F(DecoratorTest, DeliversTheFullCountAcrossBlocksAndAsksOnlyForWholeBlocks)
{
    Make(12, 4);
    EXPECT_EQ(Range(0, 1), Next(1));
    EXPECT_EQ(Range(1, 10), Next(9));
    EXPECT_EQ(Range(10, 12), Next(5)); // what is left, then the end
    for (int request : fLog.fRequests)
        EXPECT_EQ(4, request);
}

TEST_F(DecoratorTest, AsksTheInnerStreamAgainOnEveryReadAtTheEnd)
{
    Make(5, 4);
    EXPECT_EQ(Range(0, 5), Next(100));
    int const readsAtEnd = fLog.fReads;
    for (int i = 1; i <= 3; ++i)
    {
        GBuffer out("stale");
        EXPECT_EQ(-1, fStream->Read(out, 1));
        EXPECT_TRUE(out.IsEmpty());
        EXPECT_EQ(readsAtEnd + i, fLog.fReads);
    }
}

TEST_F(DecoratorTest, EmptyInnerStreamEndsAtOnce)
{
    Make(0, 4);
    EXPECT_TRUE(Next(1).empty());
    EXPECT_EQ(0, fStream->Unread(1));
    EXPECT_TRUE(Next(1).empty());
}

TEST_F(DecoratorTest, UnreadsWithinAndAcrossTheBlockStart)
{
    struct Case
    {
        char const* fName;
        int fRead;
        int fUnread;
        int fExpected;
        int fNextByte;
    };
    Case const cases[] = {
        {"inside the current block", 3, 2, 2, 1},
        {"back to the first byte across a block start", 6, 6, 6, 0},
        {"all of two blocks, no further", 12, 12, 8, 4},
        {"more than was read", 3, 10, 3, 0},
        {"exactly to the block start", 6, 2, 2, 4},
        {"nothing", 5, 0, 0, 5},
        {"a negative count", 6, -3, 0, 6},
        {"a negative count at a block start", 8, -100, 0, 8},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        Make(12, 4);
        EXPECT_EQ(Range(0, c.fRead), Next(c.fRead));
        EXPECT_EQ(c.fExpected, fStream->Unread(c.fUnread));
        EXPECT_EQ(Range(c.fNextByte, 12), Next(100));
    }
}

TEST_F(DecoratorTest, ShortReadsOfTheInnerStreamStillFillWholeBlocks)
{
    // Blocks of the few bytes each read delivers would leave Unread a reach of those few bytes.
    Make(12, 4);
    fInner->fMostPerRead = 1;
    EXPECT_EQ(Range(0, 6), Next(6));
    EXPECT_EQ(6, fStream->Unread(6));
    EXPECT_EQ(Range(0, 12), Next(12));
    EXPECT_EQ(8, fStream->Unread(12));
    EXPECT_EQ(Range(4, 12), Next(100));
    for (int request : fLog.fRequests)
        EXPECT_EQ(4, request);
}

TEST_F(DecoratorTest, UnreadBeforeAnyReadStepsBackNothing)
{
    Make(12, 4);
    EXPECT_EQ(0, fStream->Unread(5));
    EXPECT_EQ(Range(0, 12), Next(12));
}

TEST_F(DecoratorTest, SecondUnreadWhileSteppedBackReachesOnlyTheOlderBlock)
{
    Make(12, 4);
    Next(6);                          // inside the second block, 2 consumed
    EXPECT_EQ(3, fStream->Unread(3)); // 2 there, 1 of the first block: stands on byte 3
    EXPECT_EQ(3, fStream->Unread(5)); // only bytes 0..2 are left behind it
    EXPECT_EQ(0, fStream->Unread(1));
    EXPECT_EQ(Range(0, 12), Next(100)); // and the newer block follows in order
}

TEST_F(DecoratorTest, ReadingOnAfterSteppingBackFetchesNothingTwice)
{
    Make(16, 4);
    Next(6);
    EXPECT_EQ(6, fStream->Unread(6));
    int const readsBefore = fLog.fReads;
    EXPECT_EQ(Range(0, 8), Next(8)); // both held blocks, no fetch
    EXPECT_EQ(readsBefore, fLog.fReads);
    EXPECT_EQ(Range(8, 16), Next(8));
    // Having left the stepped-back state, the decorator can cross a block start again.
    EXPECT_EQ(6, fStream->Unread(6));
    EXPECT_EQ(Range(10, 16), Next(6));
}

TEST_F(DecoratorTest, LendsWhatTheCurrentBlockHoldsAndCountsItTowardTheRollBackPoint)
{
    Make(12, 4);
    unsigned char const* lent = nullptr;
    // Before the first fetch there is no block: nothing is lent and nothing is fetched.
    EXPECT_EQ(0, fStream->Lend(4, lent));
    EXPECT_EQ(0, fLog.fReads);
    EXPECT_EQ(Range(0, 1), Next(1));
    fStream->SetRollBackPoint();
    ASSERT_EQ(3, fStream->Lend(100, lent)); // the rest of the block only
    EXPECT_EQ(Range(1, 4), Bytes(lent, lent + 3));
    EXPECT_EQ(0, fStream->Lend(1, lent));
    EXPECT_EQ(1, fStream->Unread(1));
    ASSERT_EQ(1, fStream->Lend(1, lent));
    EXPECT_EQ(3, *lent);
    EXPECT_EQ(Range(4, 6), Next(2));
    EXPECT_EQ(5, fStream->RollBack());
    EXPECT_EQ(Range(1, 12), Next(100));
    EXPECT_EQ(0, fStream->Lend(1, lent));
}

TEST_F(DecoratorTest, RollsBackToThePoint)
{
    struct Case
    {
        char const* fName;
        int fBlockSize;
        int fBefore;   // bytes read before the point
        int fAfter;    // bytes read after it
        int fUnread;   // then unread
        int fStepped;  // what RollBack reports
        int fNextByte; // where the next read starts
    };
    Case const cases[] = {
        {"within one block after an unread", 1024, 0, 10, 3, 7, 0},
        {"as far as the two blocks reach", 4, 0, 10, 0, 6, 4},
        {"across a refill", 4, 2, 5, 0, 5, 2},
        {"no further than two blocks back", 4, 3, 6, 0, 5, 4},
        {"nothing read since the point", 4, 5, 0, 0, 0, 5},
        {"unread back to the point exactly", 4, 2, 3, 3, 0, 2},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        Make(12, c.fBlockSize);
        Next(c.fBefore);
        fStream->SetRollBackPoint();
        Next(c.fAfter);
        fStream->Unread(c.fUnread);
        EXPECT_EQ(c.fStepped, fStream->RollBack());
        EXPECT_EQ(Range(c.fNextByte, 12), Next(100));
        // The point is gone.
        EXPECT_EQ(-1, fStream->RollBack());
    }
}

TEST_F(DecoratorTest, UnreadBeyondTheRollBackPointDropsIt)
{
    Make(12, 4);
    Next(2);
    fStream->SetRollBackPoint();
    Next(3);
    EXPECT_EQ(4, fStream->Unread(4)); // one byte before the point
    EXPECT_EQ(-1, fStream->RollBack());
    EXPECT_EQ(Range(1, 12), Next(100));
}

TEST_F(DecoratorTest, SkippedBytesCountTowardTheRollBackPoint)
{
    Make(12, 4);
    fStream->SetRollBackPoint();
    EXPECT_EQ(3, fStream->Skip(3));
    EXPECT_EQ(3, fStream->RollBack());
    EXPECT_EQ(Range(0, 12), Next(100));
}

TEST_F(DecoratorTest, RollBackWithoutAPointChangesNothing)
{
    Make(12, 4);
    Next(3);
    EXPECT_EQ(-1, fStream->RollBack());
    EXPECT_EQ(Range(3, 12), Next(100));
}

TEST_F(DecoratorTest, ResetStartsOverAndForgetsBlocksAndPoint)
{
    Make(12, 4);
    Next(6);
    fStream->SetRollBackPoint();
    Next(4);
    fStream->Unread(5);
    fStream->Reset();
    EXPECT_EQ(1, fLog.fResets);
    EXPECT_EQ(-1, fStream->RollBack());
    EXPECT_EQ(0, fStream->Unread(1));
    EXPECT_EQ(Range(0, 12), Next(100));
}

TEST_F(DecoratorTest, SkipPassesOverBytesAndStopsAtTheEnd)
{
    struct Case
    {
        long long fCount;
        long long fExpected;
        int fNextByte;
    };
    Case const cases[] = {{5, 5, 5}, {0, 0, 0}, {-7, 0, 0}, {12, 12, 12}, {1LL << 40, 12, 12}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fCount);
        Make(12, 4);
        EXPECT_EQ(c.fExpected, fStream->Skip(c.fCount));
        EXPECT_EQ(Range(c.fNextByte, 12), Next(100));
    }
}

TEST_F(DecoratorTest, SkippedBytesCanBeUnread)
{
    Make(12, 4);
    fStream->Skip(6);
    EXPECT_EQ(6, fStream->Unread(6));
    EXPECT_EQ(Range(0, 12), Next(100));
}

TEST_F(DecoratorTest, CloneContinuesFromTheSamePositionIndependently)
{
    // Positions inside the first block, inside a later one and while stepped back.
    struct Case
    {
        char const* fName;
        int fRead;
        int fUnread;
        int fPosition;
    };
    Case const cases[] = {
        {"before any read", 0, 0, 0},
        {"inside the first block", 3, 0, 3},
        {"inside a later block", 9, 0, 9},
        {"stepped back into the older block", 9, 3, 6},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        Make(14, 4);
        Next(c.fRead);
        fStream->Unread(c.fUnread);
        fStream->SetRollBackPoint();
        std::unique_ptr<GInStream> clone(fStream->CreateClone());
        ASSERT_NE(nullptr, clone);
        auto* bufferedClone = dynamic_cast<GBufferedInStreamDecorator*>(clone.get());
        ASSERT_NE(nullptr, bufferedClone);
        EXPECT_EQ(4, bufferedClone->GetBlockSize());

        // The clone has its own blocks and its own copy of the roll-back point.
        GBuffer out;
        EXPECT_EQ(2, clone->Read(out, 2));
        EXPECT_EQ(Range(c.fPosition, c.fPosition + 2), BytesOf(out));
        EXPECT_EQ(2, bufferedClone->RollBack());
        EXPECT_EQ(14 - c.fPosition, clone->Read(out, 100));
        EXPECT_EQ(Range(c.fPosition, 14), BytesOf(out));
        // The original has not moved.
        EXPECT_EQ(Range(c.fPosition, c.fPosition + 2), Next(2));
        EXPECT_EQ(2, fStream->RollBack());
        EXPECT_EQ(Range(c.fPosition, 14), Next(100));
    }
}

TEST_F(DecoratorTest, CloneCanStepBackOverTheBlocksItCopied)
{
    Make(12, 4);
    Next(6);
    std::unique_ptr<GInStream> clone(fStream->CreateClone());
    auto& bufferedClone = dynamic_cast<GBufferedInStreamDecorator&>(*clone);
    EXPECT_EQ(6, bufferedClone.Unread(6));
    GBuffer out;
    EXPECT_EQ(12, bufferedClone.Read(out, 100));
    EXPECT_EQ(Range(0, 12), BytesOf(out));
    EXPECT_EQ(Range(6, 12), Next(100));
}

TEST(BufferedInStreamDecorator, CannotBeClonedWhenItsInnerStreamCannot)
{
    InnerLog log;
    LoggingStream inner(Sequence(12), log, false);
    GBufferedInStreamDecorator stream(inner, 4);
    GBuffer out;
    stream.Read(out, 2);
    EXPECT_EQ(nullptr, stream.CreateClone());

    // A plain copy still delivers what its copied block holds, then ends.
    GBufferedInStreamDecorator copy(stream);
    EXPECT_EQ(2, copy.Read(out, 100));
    EXPECT_EQ((Bytes{2, 3}), BytesOf(out));
    EXPECT_EQ(-1, copy.Read(out, 1));
    EXPECT_EQ(4, copy.Unread(4));
    copy.Reset();
    EXPECT_EQ(-1, copy.Read(out, 1));
}

TEST(BufferedInStreamDecorator, DeletesOnlyAnInnerStreamItOwns)
{
    InnerLog log;
    {
        LoggingStream borrowed(Sequence(4), log);
        {
            GBufferedInStreamDecorator stream(borrowed, 4);
        }
        EXPECT_EQ(0, log.fDestroyed);
    }
    EXPECT_EQ(1, log.fDestroyed);
    {
        GBufferedInStreamDecorator stream(new LoggingStream(Sequence(4), log), 4);
        GBuffer out;
        EXPECT_EQ(4, stream.Read(out, 4));
        std::unique_ptr<GInStream> clone(stream.CreateClone());
        clone.reset();
        EXPECT_EQ(2, log.fDestroyed); // the clone's own inner clone
    }
    EXPECT_EQ(3, log.fDestroyed);
}

TEST(BufferedInStreamDecorator, PassesTheInnerStreamsErrorsThrough)
{
    InnerLog log;
    LoggingStream inner(Sequence(12), log);
    inner.fThrowOnRead = 2;
    GBufferedInStreamDecorator stream(inner, 4);
    GBuffer out;
    EXPECT_EQ(4, stream.Read(out, 4));
    EXPECT_THROW(stream.Read(out, 1), GSimpleException);
    // What was delivered before stays deliverable.
    EXPECT_EQ(4, stream.Unread(4));
    EXPECT_EQ(4, stream.Read(out, 4));
    EXPECT_EQ((Bytes{0, 1, 2, 3}), BytesOf(out));
}

TEST(InStreamSkip, ReadsAtMostOneMebibyteAtATime)
{
    int const size = 3 * GInStream::cSkipChunkSize + 10;
    InnerLog log;
    LoggingStream stream(Bytes(static_cast<std::size_t>(size), 7), log);
    EXPECT_EQ(size, stream.Skip(1LL << 40));
    EXPECT_EQ(GInStream::cSkipChunkSize, log.fLargestRequest);
    EXPECT_EQ(0, stream.Skip(1));
    EXPECT_EQ(0, stream.Skip(-5));
}

// Random reads, unreads and roll-backs against a plain position: every byte delivered is the
// byte at that position, and no step back reports more than was asked or than was read.
TEST(BufferedInStreamDecorator, RandomReadsAndUnreadsStayInStepWithThePosition)
{
    std::mt19937 random(20240611);
    for (int blockSize : {1, 3, 4, 17, 512})
    {
        SCOPED_TRACE(blockSize);
        int const size = 2000;
        Bytes const data = [&]
        {
            Bytes bytes(size);
            for (auto& byte : bytes)
                byte = static_cast<unsigned char>(random());
            return bytes;
        }();
        InnerLog log;
        LoggingStream inner(data, log);
        GBufferedInStreamDecorator stream(inner, blockSize);
        int position = 0;
        int pointAt = -1;
        GBuffer out;
        for (int step = 0; step < 3000; ++step)
        {
            int const op = static_cast<int>(random() % 10);
            if (op < 5)
            {
                int const count = static_cast<int>(random() % (3 * blockSize + 5)) - 2;
                int const n = stream.Read(out, count);
                int const expected = std::min(std::max(count, 0), size - position);
                ASSERT_EQ(expected > 0 ? expected : -1, n);
                ASSERT_EQ(Bytes(data.begin() + position, data.begin() + position + expected), BytesOf(out));
                position += expected;
            }
            else if (op < 8)
            {
                int const count = static_cast<int>(random() % (3 * blockSize + 5)) - 2;
                int const n = stream.Unread(count);
                ASSERT_GE(n, 0);
                ASSERT_LE(n, std::max(count, 0));
                ASSERT_LE(n, position);
                position -= n;
                if (pointAt > position)
                    pointAt = -1;
            }
            else if (op == 8)
            {
                stream.SetRollBackPoint();
                pointAt = position;
            }
            else
            {
                int const n = stream.RollBack();
                if (pointAt < 0)
                    ASSERT_EQ(-1, n);
                else
                {
                    ASSERT_GE(n, 0);
                    ASSERT_LE(n, position - pointAt);
                    position -= n;
                }
                pointAt = -1;
            }
        }
    }
}
} // namespace
