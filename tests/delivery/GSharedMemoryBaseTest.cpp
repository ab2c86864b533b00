// Shared-memory blocks in one process: the names they take, the header a creator writes, opening
// and creating what exists, reads and writes clipped to the data, and the recursive hold on the
// block's mutex; a block left while another process holds its mutex, and an opener that waited for
// a mutex given up with its block.
#include <gtest/gtest.h>

#include <chrono>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "GSharedMemoryBase.h"
#include "GSharedMemoryLocker.h"
#include "PUNIXIPMutexImp.h"
#include "PUNIXSharedMemory.h"
#include "PUNIXSharedObjectSupport.h"
#include "SharedObjects.h"

namespace
{
using deliverytest::BufferOf;
using deliverytest::ObjectExists;
using deliverytest::ObjectSize;
using deliverytest::ObjectView;
using deliverytest::TextOf;
using testsupport::ErrorOf;

using Block = deliverytest::SharedBlockTest::Block;
using Memory = PUNIXSharedMemory;

class GSharedMemoryBaseTest : public deliverytest::SharedBlockTest
{
};
} // namespace

TEST_F(GSharedMemoryBaseTest, TakesIdsOfUpTo22Bytes)
{
    // The mutex is made first: its name is one byte shorter than the block's.
    struct Case
    {
        std::size_t fLength;
        int fError;
    };
    Case const cases[] = {{22, 0}, {23, 40162}, {24, 40201}, {40, 40201}};
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fLength);
        std::string const id = NewID(entry.fLength);
        ASSERT_EQ(id.size(), entry.fLength);
        EXPECT_EQ(ErrorOf([&] { Create(id, 16); }), entry.fError);
        EXPECT_FALSE(ObjectExists(DataName(id)));
        EXPECT_FALSE(ObjectExists(LockName(id))) << "a failed open left its mutex behind";
    }
}

TEST_F(GSharedMemoryBaseTest, TheCreatorWritesTheHeaderAndListsItself)
{
    std::string const id = NewID();
    bool created = false;
    auto block = Create(id, 100, &created);
    EXPECT_TRUE(created);
    EXPECT_EQ(block->GetLength(), 100);
    EXPECT_EQ(block->GetPosition(), 0);
    ObjectView const view(DataName(id));
    ASSERT_EQ(view.Size(), 4208u);
    EXPECT_EQ(view.Field(Memory::cTotalLengthOffset), 4208);
    EXPECT_EQ(view.Field(Memory::cVersionOffset), 1);
    EXPECT_EQ(ListOf(id), std::vector<int>{getpid()});
    for (std::size_t offset = Memory::cListOffset + 4; offset < view.Size(); ++offset)
        ASSERT_EQ(view.Bytes()[offset], 0) << offset;
    EXPECT_TRUE(ObjectExists(LockName(id)));
    block.reset();
    EXPECT_FALSE(ObjectExists(DataName(id)));
    EXPECT_FALSE(ObjectExists(LockName(id)));
}

TEST_F(GSharedMemoryBaseTest, OpensOnlyABlockThatExists)
{
    std::string const id = NewID();
    EXPECT_EQ(ErrorOf([&] { Block block(GBuffer(), BufferOf(id)); }), 40165);
    EXPECT_FALSE(Block::Exists(GBuffer(), BufferOf(id)));
    EXPECT_FALSE(ObjectExists(LockName(id)));

    auto const created = Create(id, 8);
    EXPECT_TRUE(Block::Exists(GBuffer(), BufferOf(id)));
    Block const opened(GBuffer(), BufferOf(id));
    EXPECT_EQ(opened.GetLength(), 8);
    EXPECT_EQ(ListOf(id), (std::vector<int>{getpid(), getpid()})) << "each object is listed";
}

TEST_F(GSharedMemoryBaseTest, CreatingAnExistingBlockOpensItWhenTheSizeAgrees)
{
    std::string const id = NewID();
    auto const first = Create(id, 64);
    bool created = true;
    auto const again = Create(id, 64, &created);
    EXPECT_FALSE(created);
    EXPECT_EQ(ListOf(id).size(), 2u);
    EXPECT_EQ(ErrorOf([&] { Create(id, 65); }), 40168);
    EXPECT_EQ(ErrorOf([&] { Create(id, 0); }), 40168);
    EXPECT_EQ(ListOf(id).size(), 2u);
}

TEST_F(GSharedMemoryBaseTest, RefusesANegativeSize)
{
    std::string const id = NewID();
    EXPECT_EQ(ErrorOf([&] { Create(id, -1); }), 40166);
    EXPECT_EQ(ErrorOf([&] { Create(id, 0x7fffffff); }), 40166);
    EXPECT_FALSE(ObjectExists(DataName(id)));
}

TEST_F(GSharedMemoryBaseTest, ReadsAndWritesNoFurtherThanTheData)
{
    struct Case
    {
        int fPosition;
        int fCount;
        int fTransferred;
    };
    Case const cases[] = {
        {0, 10, 10}, {0, 16, 16}, {10, 6, 6}, {10, 100, 6}, {15, 2, 1},
        {16, 1, 0},  {17, 1, 0},  {-1, 4, 0}, {0, 0, 0},    {0, -5, 0},
    };
    std::string const id = NewID();
    auto block = Create(id, 16);
    ObjectView const view(DataName(id));
    unsigned char const* data = view.Bytes() + Memory::cHeaderSize;
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(testing::Message() << entry.fPosition << " + " << entry.fCount);
        std::vector<unsigned char> bytes(entry.fCount > 0 ? entry.fCount : 1, 0xAB);
        std::memset(view.Bytes() + Memory::cHeaderSize, 0, 16);
        block->SetPosition(entry.fPosition);
        EXPECT_EQ(block->Write(bytes.data(), entry.fCount), entry.fTransferred);
        EXPECT_EQ(block->GetPosition(), entry.fPosition + entry.fTransferred);
        for (int i = 0; i < 16; ++i)
        {
            bool const written = i >= entry.fPosition && i < entry.fPosition + entry.fTransferred;
            ASSERT_EQ(data[i], written ? 0xAB : 0) << i;
        }
        std::vector<unsigned char> read(bytes.size(), 0);
        block->SetPosition(entry.fPosition);
        EXPECT_EQ(block->Read(read.data(), entry.fCount), entry.fTransferred);
        EXPECT_EQ(block->GetPosition(), entry.fPosition + entry.fTransferred);
        for (int i = 0; i < entry.fTransferred; ++i)
            ASSERT_EQ(read[i], 0xAB) << i;
    }
}

TEST_F(GSharedMemoryBaseTest, ReadsIntoABufferAsMuchAsTheDataHolds)
{
    std::string const id = NewID();
    auto block = Create(id, 12);
    std::string const text = "hello, block";
    block->Write(reinterpret_cast<unsigned char const*>(text.data()), 12);
    block->SetPosition(7);
    GBuffer out = BufferOf("left over");
    EXPECT_EQ(block->Read(out, 1000000000), 5);
    EXPECT_EQ(TextOf(out), "block");
    EXPECT_EQ(block->Read(out, 4), 0);
    EXPECT_TRUE(out.IsEmpty());
}

TEST_F(GSharedMemoryBaseTest, HoldsItsMutexOnceHoweverOftenLocked)
{
    std::string const id = NewID();
    auto block = Create(id, 4);
    Block other(GBuffer(), BufferOf(id));
    ObjectView const mutex(LockName(id));
    {
        GSharedMemoryLocker const outer(*block);
        EXPECT_EQ(mutex.Field(PUNIXIPMutexImp::cOwnerOffset), getpid());
        {
            GSharedMemoryLocker const inner(*block);
            EXPECT_EQ(block->GetLockCount(), 2);
            unsigned char byte = 7;
            EXPECT_EQ(block->Write(&byte, 1), 1) << "an operation under a held lock";
        }
        EXPECT_EQ(block->GetLockCount(), 1);
        EXPECT_EQ(mutex.Field(PUNIXIPMutexImp::cOwnerOffset), getpid());
    }
    EXPECT_EQ(block->GetLockCount(), 0);
    EXPECT_EQ(mutex.Field(PUNIXIPMutexImp::cOwnerOffset), 0);

    block->Lock();
    block->Lock();
    block.reset();
    EXPECT_EQ(mutex.Field(PUNIXIPMutexImp::cOwnerOffset), 0) << "a block that goes lets go of its mutex";
    GSharedMemoryLocker const again(other);
}

TEST_F(GSharedMemoryBaseTest, ABlockLeftWhileAnotherProcessHoldsItsMutexLeavesTheListAlone)
{
    std::string const id = NewID();
    auto block = Create(id, 16);
    // Another process holds the block's mutex beyond the bound, in the middle of a change of the
    // list of its own: whatever changes the list meanwhile would be lost or undone by that change.
    testsupport::ChildProcess holder(
        [&](testsupport::ChildProcess::Child const& parent)
        {
            PUNIXIPMutexImp mutex(BufferOf(LockName(id).substr(1)));
            mutex.Lock();
            std::vector<int> const before = ListOf(id);
            parent.Tell('L');
            parent.Await();
            bool const untouched = ListOf(id) == before;
            mutex.Unlock();
            return untouched ? 0 : 1;
        });
    ASSERT_EQ(holder.Await(), 'L');
    auto const start = std::chrono::steady_clock::now();
    block.reset();
    double const seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, PUNIXSharedObjectSupport::cLockSeconds - 1) << "the mutex was not waited for";
    holder.Tell('g');
    EXPECT_EQ(holder.Wait(), 0) << "the list was written while another process held the mutex";
}

TEST_F(GSharedMemoryBaseTest, AnOpenerThatWaitedForAMutexGivenUpWithItsBlockUsesTheNextOne)
{
    std::string const id = NewID();
    // A process removing a gone process's block holds the block's mutex, and takes its name away.
    auto given = std::make_unique<PUNIXIPMutexImp>(BufferOf(LockName(id).substr(1)));
    given->Lock();
    testsupport::ChildProcess opener(
        [&](testsupport::ChildProcess::Child const& parent)
        {
            bool created = false;
            Block block(GBuffer(), BufferOf(id), 16, created);
            parent.Tell('o');
            parent.Await();
            // The test process holds the block's mutex now: this one must not get it.
            bool const excluded = ErrorOf([&] { block.Lock(); }) == PUNIXSharedObjectSupport::cCannotLock;
            parent.Tell(excluded ? 'e' : 't');
            parent.Await();
            return 0;
        });
    for (int i = 0; i < 5000 && ObjectView(LockName(id)).Field(PUNIXIPMutexImp::cReferenceCountOffset) < 2; ++i)
        usleep(1000);
    ASSERT_EQ(ObjectView(LockName(id)).Field(PUNIXIPMutexImp::cReferenceCountOffset), 2)
        << "the opener never came to wait for the mutex";
    given->Unname();
    given->Unlock();
    ASSERT_EQ(opener.Await(), 'o');
    auto block = Create(id, 16);
    block->Lock();
    opener.Tell('g');
    EXPECT_EQ(opener.Await(), 'e') << "the opener and this process held the block's mutex at once";
    block->Unlock();
    opener.Tell('x');
    EXPECT_EQ(opener.Wait(), 0);
}
