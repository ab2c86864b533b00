// The allocator's size classes, free lists, release rules and low-memory handling.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "GAllocator.h"
#include "GAllocatorIdler.h"
#include "GEmptyMessage.h"
#include "GFastAllocatable.h"
#include "GMemoryException.h"
#include "GReceiver.h"
#include "GSignal.h"
#include "HelperProcess.h"

namespace
{
constexpr std::size_t cChunk = GAllocator::cChunkSize;

std::uintptr_t Address(void* p)
{
    return reinterpret_cast<std::uintptr_t>(p);
}

// The sanitizer build hands out exact heap blocks; what only the pooled allocator does is tested
// there by the pooled allocator's own test program, built against the library without the option.
char const* const cPooledOnly = "exact-block build: the pooled allocator's test program runs this";

// A private allocator: its chunks and free lists start empty whatever the rest of the process did.
class GPooledAllocatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (GAllocator::HandsOutExactBlocks())
            GTEST_SKIP() << cPooledOnly;
    }

    GAllocator fAllocator;
};

TEST_F(GPooledAllocatorTest, SmallRequestsShareTheirRoundedSizeClass)
{
    struct Case
    {
        std::size_t first, second, classSize;
    };
    for (Case c : {Case{1, 8, 8}, Case{0, 5, 8}, Case{9, 16, 16}, Case{121, 128, 128}})
    {
        SCOPED_TRACE(c.classSize);
        GAllocator allocator;
        void* a = allocator.Alloc(c.first);
        void* b = allocator.Alloc(c.second);
        // A fresh chunk hands its blocks out in address order, one class size apart.
        EXPECT_EQ(Address(b) - Address(a), c.classSize);
        EXPECT_EQ(allocator.GetChunkCount(c.classSize), 1);
        allocator.Free(a, c.first);
        allocator.Free(b, c.second);
        EXPECT_EQ(allocator.ReleaseFreeLists(-1), static_cast<long>(cChunk));
        EXPECT_EQ(allocator.GetChunkCount(c.classSize), 0);
    }
}

TEST(GAllocatorTest, ZeroByteRequestIsServedAsEightBytes)
{
    GAllocator allocator;
    void* block = allocator.Alloc(0);
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xAB, 8); // reported by AddressSanitizer if fewer were served
    allocator.Free(block, 0);
}

TEST_F(GPooledAllocatorTest, ZeroByteRequestIsFreedIntoTheEightByteClass)
{
    void* block = fAllocator.Alloc(0);
    EXPECT_EQ(fAllocator.GetChunkCount(8), 1);
    fAllocator.Free(block, 0);
    void* again = fAllocator.Alloc(8);
    EXPECT_EQ(again, block);
    fAllocator.Free(again, 8);
}

TEST_F(GPooledAllocatorTest, MediumBlocksAreRecycledByRoundedSize)
{
    void* block = fAllocator.Alloc(129);
    EXPECT_EQ(fAllocator.GetChunkCount(128), 0);
    fAllocator.Free(block, 129);
    EXPECT_EQ(fAllocator.GetCachedBlockCount(136), 1);
    EXPECT_EQ(fAllocator.Alloc(136), block);
    EXPECT_EQ(fAllocator.GetCachedBlockCount(136), 0);
    fAllocator.Free(block, 136);

    void* largest = fAllocator.Alloc(2048);
    fAllocator.Free(largest, 2048);
    EXPECT_EQ(fAllocator.GetCachedBlockCount(2048), 1);
    EXPECT_EQ(fAllocator.ReleaseFreeLists(-1), 136 + 2048);
}

TEST_F(GPooledAllocatorTest, LargeBlocksWaitForTheNextRequestOfTheirSizeClassUpToABound)
{
    auto* block = static_cast<char*>(fAllocator.Alloc(5000));
    std::memset(block, 1, 5000); // the whole request is usable
    fAllocator.Free(block, 5000);
    EXPECT_EQ(fAllocator.GetCachedBlockCount(5000), 1);
    // 4,900 and 5,000 bytes both take a block of 5,120 (eight steps of 512 between 4 and 8 KiB);
    // 5,200 bytes take the next step.
    EXPECT_EQ(fAllocator.GetCachedBlockCount(5200), 0);
    void* again = fAllocator.Alloc(4900);
    EXPECT_EQ(again, static_cast<void*>(block));
    fAllocator.Free(again, 4900);
    EXPECT_EQ(fAllocator.ReleaseFreeLists(-1), 5120);
    EXPECT_EQ(fAllocator.GetCachedBlockCount(5000), 0);

    // Three blocks of 3 MiB: two fit below the bound, the third goes back to the heap at once.
    std::size_t const size = 3 * cChunk;
    void* blocks[3];
    for (void*& each : blocks)
        each = fAllocator.Alloc(size);
    for (void* each : blocks)
        fAllocator.Free(each, size);
    EXPECT_EQ(fAllocator.GetCachedBlockCount(size), 2);
    EXPECT_EQ(fAllocator.ReleaseFreeLists(-1), static_cast<long>(2 * size));
}

TEST(GAllocatorTest, ResizeKeepsTheBytesThatFitAcrossEverySizeRange)
{
    GAllocator allocator;
    std::size_t size = 100;
    auto* block = static_cast<unsigned char*>(allocator.Alloc(size));
    for (std::size_t i = 0; i < size; ++i)
        block[i] = static_cast<unsigned char>(i * 7);
    // Small to large, large to larger, down to medium and to small again.
    for (std::size_t newSize : {std::size_t(5000), std::size_t(300000), std::size_t(3000), std::size_t(40)})
    {
        SCOPED_TRACE(newSize);
        block = static_cast<unsigned char*>(allocator.Resize(block, size, newSize));
        std::size_t const kept = std::min(size, newSize);
        for (std::size_t i = 0; i < kept; ++i)
            ASSERT_EQ(static_cast<unsigned char>(i * 7), block[i]) << i;
        for (std::size_t i = kept; i < newSize; ++i)
            block[i] = static_cast<unsigned char>(i * 7); // the whole new size is usable
        size = newSize;
    }
    // The exact-block build checks that the block is freed with the size it has now.
    allocator.Free(block, size);
    void* fresh = allocator.Resize(nullptr, 0, 64);
    ASSERT_NE(fresh, nullptr);
    allocator.Free(fresh, 64);
    allocator.ReleaseFreeLists(-1);
}

TEST(GAllocatorTest, SizesNearTheTopOfSizeTBelongToNoClass)
{
    GAllocator allocator;
    // Rounded up to a multiple of 8 they would wrap round to 0 and reach a class that does not exist.
    for (std::size_t size : {SIZE_MAX, SIZE_MAX - 3, SIZE_MAX - 7})
    {
        SCOPED_TRACE(size);
        EXPECT_EQ(allocator.GetChunkCount(size), 0);
        EXPECT_EQ(allocator.GetCachedBlockCount(size), 0);
    }
}

TEST_F(GPooledAllocatorTest, FullChunkStartsAnotherAndEmptyChunksAreReleased)
{
    std::size_t const perChunk = cChunk / 8;
    std::vector<void*> blocks;
    for (std::size_t i = 0; i < perChunk; ++i)
        blocks.push_back(fAllocator.Alloc(8));
    EXPECT_EQ(fAllocator.GetChunkCount(8), 1);
    void* overflow = fAllocator.Alloc(8);
    EXPECT_EQ(fAllocator.GetChunkCount(8), 2);
    for (void* block : blocks)
        EXPECT_GE(Address(overflow) - Address(block), 8u);

    // Free the first chunk's blocks in reverse, so every free looks the chunk up by address.
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it)
        fAllocator.Free(*it, 8);
    EXPECT_EQ(fAllocator.ReleaseFreeLists(-1), static_cast<long>(cChunk));
    EXPECT_EQ(fAllocator.GetChunkCount(8), 1); // the chunk holding `overflow` stays

    fAllocator.Free(overflow, 8);
    EXPECT_EQ(fAllocator.ReleaseFreeLists(-1), static_cast<long>(cChunk));
}

TEST_F(GPooledAllocatorTest, FreedBlocksOfSeveralChunksReturnToTheirOwnChunk)
{
    std::vector<void*> blocks;
    for (std::size_t i = 0; i < 3 * cChunk / 64; ++i)
        blocks.push_back(fAllocator.Alloc(64));
    ASSERT_EQ(fAllocator.GetChunkCount(64), 3);
    // Interleave frees across the chunks, then take them all again: no block is handed out twice.
    for (std::size_t i = 0; i < blocks.size(); i += 2)
        fAllocator.Free(blocks[i], 64);
    for (std::size_t i = 1; i < blocks.size(); i += 2)
        fAllocator.Free(blocks[i], 64);
    std::vector<void*> again;
    for (std::size_t i = 0; i < blocks.size(); ++i)
        again.push_back(fAllocator.Alloc(64));
    EXPECT_EQ(fAllocator.GetChunkCount(64), 3);
    std::sort(again.begin(), again.end());
    EXPECT_EQ(std::adjacent_find(again.begin(), again.end()), again.end());
    for (void* block : again)
        fAllocator.Free(block, 64);
    EXPECT_EQ(fAllocator.ReleaseFreeLists(-1), static_cast<long>(3 * cChunk));
}

TEST_F(GPooledAllocatorTest, CountedReleaseTakesLargestBlocksFirstAndLeavesChunks)
{
    void* small = fAllocator.Alloc(16);
    fAllocator.Free(small, 16); // an empty chunk of the 16-byte class
    void* medium = fAllocator.Alloc(136);
    void* largest = fAllocator.Alloc(2048);
    fAllocator.Free(medium, 136);
    fAllocator.Free(largest, 2048);

    EXPECT_EQ(fAllocator.ReleaseFreeLists(1), 2048);
    EXPECT_EQ(fAllocator.GetCachedBlockCount(136), 1);
    EXPECT_EQ(fAllocator.GetChunkCount(16), 1);

    // A count that is not used up goes on to the chunks.
    EXPECT_EQ(fAllocator.ReleaseFreeLists(5), 136 + static_cast<long>(cChunk));
    EXPECT_EQ(fAllocator.GetChunkCount(16), 0);
}

TEST_F(GPooledAllocatorTest, EveryTenMillionthFreeReleasesAllCachedMemory)
{
    void* first = fAllocator.Alloc(200);
    void* second = fAllocator.Alloc(200);
    fAllocator.Free(first, 200);
    EXPECT_EQ(fAllocator.GetCachedBlockCount(200), 1);

    fAllocator.SetFreeCounter(GAllocator::cFreesBetweenReleases - 1);
    fAllocator.Free(second, 200); // counter was 9,999,999: no release yet
    EXPECT_EQ(fAllocator.GetCachedBlockCount(200), 2);
    EXPECT_EQ(fAllocator.GetFreeCounter(), GAllocator::cFreesBetweenReleases);

    void* third = fAllocator.Alloc(200);
    fAllocator.Free(third, 200);
    EXPECT_EQ(fAllocator.GetCachedBlockCount(200), 0);
    EXPECT_EQ(fAllocator.GetFreeCounter(), 0);
}

// Threads that allocate, fill, check and free blocks of every size range at once: a block handed
// to two threads, or a free list torn by two at once, shows as a block whose bytes changed.
void ExpectThreadsNeverShareABlock(GAllocator& allocator)
{
    constexpr int cThreads = 4;
    constexpr int cRounds = 20000;
    std::size_t const sizes[] = {8, 24, 128, 136, 700, 2048, 5000};
    std::atomic<int> torn{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < cThreads; ++t)
    {
        threads.emplace_back([&, t]
        {
            std::vector<std::pair<unsigned char*, std::size_t>> held;
            for (int round = 0; round < cRounds; ++round)
            {
                std::size_t const size = sizes[(round + t) % std::size(sizes)];
                auto* block = static_cast<unsigned char*>(allocator.Alloc(size));
                std::memset(block, t + 1, size);
                held.emplace_back(block, size);
                // Keep some blocks alive for a while, so that frees interleave with other threads'
                // allocations.
                if (held.size() > 64 || round % 3 == 0)
                {
                    auto [oldest, oldSize] = held.front();
                    held.erase(held.begin());
                    if (std::count(oldest, oldest + oldSize, static_cast<unsigned char>(t + 1)) !=
                        std::ptrdiff_t(oldSize))
                        ++torn;
                    allocator.Free(oldest, oldSize);
                }
            }
            for (auto [block, size] : held)
                allocator.Free(block, size);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(torn.load(), 0);
}

TEST_F(GPooledAllocatorTest, ThreadsAllocatingAtOnceNeverShareABlock)
{
    ExpectThreadsNeverShareABlock(fAllocator);
}

// The process allocator, which every string and buffer shares.
TEST(GProcessAllocatorTest, ThreadsAllocatingAtOnceNeverShareABlock)
{
    ExpectThreadsNeverShareABlock(*GAllocator::GetInstance());
}

// The process allocator keeps each thread's freed small blocks for that thread: a block freed on
// one thread and taken again on another, while both go on allocating, is never handed out twice.
TEST(GProcessAllocatorTest, BlocksFreedByAnotherThreadAreNeverSharedWhileBothAllocate)
{
    GAllocator* allocator = GAllocator::GetInstance();
    constexpr int cBlocks = 60000;
    constexpr std::size_t cSizes[] = {8, 40, 128};
    std::vector<std::pair<unsigned char*, std::size_t>> handed(cBlocks);
    std::atomic<int> ready{0};
    std::atomic<int> torn{0};
    // The producer fills each block with its number's low byte and hands it over; the consumer
    // checks and frees it while allocating and freeing blocks of its own.
    std::thread producer([&]
    {
        for (int i = 0; i < cBlocks; ++i)
        {
            std::size_t const size = cSizes[i % std::size(cSizes)];
            auto* block = static_cast<unsigned char*>(allocator->Alloc(size));
            std::memset(block, i & 0xFF, size);
            handed[i] = {block, size};
            ready.store(i + 1, std::memory_order_release);
        }
    });
    std::thread consumer([&]
    {
        std::vector<std::pair<unsigned char*, std::size_t>> own;
        for (int i = 0; i < cBlocks; ++i)
        {
            while (ready.load(std::memory_order_acquire) <= i)
                std::this_thread::yield();
            auto [block, size] = handed[i];
            if (std::count(block, block + size, static_cast<unsigned char>(i & 0xFF)) != std::ptrdiff_t(size))
                ++torn;
            allocator->Free(block, size);
            std::size_t const ownSize = cSizes[(i + 1) % std::size(cSizes)];
            auto* mine = static_cast<unsigned char*>(allocator->Alloc(ownSize));
            std::memset(mine, 0xEE, ownSize);
            own.emplace_back(mine, ownSize);
            if (own.size() > 100)
            {
                auto [oldest, oldSize] = own.front();
                own.erase(own.begin());
                if (std::count(oldest, oldest + oldSize, static_cast<unsigned char>(0xEE)) != std::ptrdiff_t(oldSize))
                    ++torn;
                allocator->Free(oldest, oldSize);
            }
        }
        for (auto [block, size] : own)
            allocator->Free(block, size);
    });
    producer.join();
    consumer.join();
    EXPECT_EQ(torn.load(), 0);
}

// The blocks a thread kept go back to their chunks when it ends, so that the chunks can be
// released; and the thread's own ReleaseFreeLists gives its kept blocks back first.
TEST(GProcessAllocatorTest, KeptBlocksGoBackToTheirChunksWhenTheThreadEndsOrReleases)
{
    if (GAllocator::HandsOutExactBlocks())
        GTEST_SKIP() << cPooledOnly;
    GAllocator* allocator = GAllocator::GetInstance();
    constexpr std::size_t cSize = 120;
    // Three chunks' worth: the blocks freed last, and so kept, lie in a chunk this test made.
    std::size_t const count = 3 * (cChunk / cSize);
    for (bool releaseInThread : {false, true})
    {
        SCOPED_TRACE(releaseInThread ? "released by the thread" : "the thread ended");
        allocator->ReleaseFreeLists(-1);
        int const chunksBefore = allocator->GetChunkCount(cSize);
        std::thread worker([&]
        {
            std::vector<void*> blocks;
            for (std::size_t i = 0; i < count; ++i)
                blocks.push_back(allocator->Alloc(cSize));
            for (void* block : blocks)
                allocator->Free(block, cSize);
            EXPECT_GT(allocator->GetThreadCachedBlockCount(cSize), 0);
            if (releaseInThread)
            {
                allocator->ReleaseFreeLists(-1);
                EXPECT_EQ(allocator->GetThreadCachedBlockCount(cSize), 0);
                EXPECT_EQ(allocator->GetChunkCount(cSize), chunksBefore);
            }
        });
        worker.join();
        EXPECT_GE(allocator->GetChunkCount(cSize), chunksBefore);
        allocator->ReleaseFreeLists(-1);
        EXPECT_EQ(allocator->GetChunkCount(cSize), chunksBefore);
    }
}

// Frees a thread keeps without the mutex still count toward the release of every ten millionth
// free, at the thread's next call that takes the mutex.
TEST(GProcessAllocatorTest, KeptFreesCountTowardThePeriodicRelease)
{
    if (GAllocator::HandsOutExactBlocks())
        GTEST_SKIP() << cPooledOnly;
    GAllocator* allocator = GAllocator::GetInstance();
    allocator->ReleaseFreeLists(-1);
    void* medium = allocator->Alloc(200);
    void* second = allocator->Alloc(200);
    allocator->Free(medium, 200);
    ASSERT_EQ(allocator->GetCachedBlockCount(200), 1);
    int const saved = allocator->GetFreeCounter();
    allocator->SetFreeCounter(GAllocator::cFreesBetweenReleases - 10);
    // Ten small frees kept by this thread, each after the block was taken again.
    for (int i = 0; i < 10; ++i)
        allocator->Free(allocator->Alloc(24), 24);
    ASSERT_GT(allocator->GetThreadCachedBlockCount(24), 0);
    // This free finds the counter at the period with the kept ones and starts the release.
    allocator->Free(second, 200);
    EXPECT_EQ(allocator->GetCachedBlockCount(200), 0);
    EXPECT_EQ(allocator->GetThreadCachedBlockCount(24), 0);
    allocator->SetFreeCounter(saved);
}

class Recycled : public GFastAllocatable
{
public:
    explicit Recycled(int value) : fValue(value) {}
    int fValue;
    char fPadding[20];
};

TEST(GFastAllocatableTest, ObjectsComeFromTheSizeClassOfTheirSize)
{
    if (GAllocator::HandsOutExactBlocks())
        GTEST_SKIP() << cPooledOnly;
    GAllocator* allocator = GAllocator::GetInstance();
    auto* object = new Recycled(7);
    EXPECT_EQ(object->fValue, 7);
    delete object;
    // The freed block is the first one its class hands out again.
    void* block = allocator->Alloc(sizeof(Recycled));
    EXPECT_EQ(block, static_cast<void*>(object));
    allocator->Free(block, sizeof(Recycled));
}

class LowMemoryReceiver : public GReceiver<GEmptyMessage>
{
public:
    explicit LowMemoryReceiver(bool freesMemory, bool reenters = false)
        : fFreesMemory(freesMemory), fReenters(reenters)
    {
        Subscribe(102);
    }
    void Receive(int signal, GEmptyMessage const&) override
    {
        EXPECT_EQ(signal, 102);
        ++fCalls;
        if (fReenters)
        {
            try
            {
                GAllocator::NewHandler();
            }
            catch (GMemoryException const&)
            {
                fReentryThrew = true;
            }
        }
        if (fFreesMemory)
            GAllocator::GetInstance()->SetMoreMemoryFree(true);
    }
    int fCalls = 0;
    bool fReentryThrew = false;

private:
    bool fFreesMemory;
    bool fReenters;
};

TEST(GAllocatorNewHandlerTest, IsInstalledByTheProcessAllocator)
{
    GAllocator::GetInstance();
    EXPECT_EQ(std::get_new_handler(), &GAllocator::NewHandler);
    EXPECT_NE(GAllocator::GetReservedBuffer(), nullptr);
    {
        GAllocator beside; // a second allocator leaves the process's handler and reserve alone
    }
    EXPECT_EQ(std::get_new_handler(), &GAllocator::NewHandler);
    EXPECT_NE(GAllocator::GetReservedBuffer(), nullptr);
}

TEST(GAllocatorNewHandlerTest, ReturnsWhenAReceiverFreedMemory)
{
    GAllocator::GetInstance();
    LowMemoryReceiver receiver(true);
    GAllocator::NewHandler();
    EXPECT_EQ(receiver.fCalls, 1);
    EXPECT_NE(GAllocator::GetReservedBuffer(), nullptr); // a new reserve was taken
}

TEST(GAllocatorNewHandlerTest, ThrowsWhenNothingHelped)
{
    GAllocator::GetInstance();
    {
        LowMemoryReceiver receiver(false);
        EXPECT_THROW(GAllocator::NewHandler(), GMemoryException);
        EXPECT_EQ(receiver.fCalls, 1);
        EXPECT_EQ(GAllocator::GetReservedBuffer(), nullptr); // given back, not taken again
    }
    try
    {
        GAllocator::NewHandler();
        FAIL() << "no receiver freed memory";
    }
    catch (std::bad_alloc const& caught)
    {
        // Code that only knows the standard exception sees the failure too.
        auto const* exception = dynamic_cast<GMemoryException const*>(&caught);
        ASSERT_NE(exception, nullptr);
        EXPECT_EQ(exception->GetExceptionID(), 2451);
    }

    LowMemoryReceiver helper(true);
    GAllocator::NewHandler(); // the budget came back after each throw
    EXPECT_NE(GAllocator::GetReservedBuffer(), nullptr);
}

TEST(GAllocatorNewHandlerTest, ReentryThrowsAtOnce)
{
    GAllocator::GetInstance();
    LowMemoryReceiver receiver(true, true);
    GAllocator::NewHandler();
    EXPECT_EQ(receiver.fCalls, 1);
    EXPECT_TRUE(receiver.fReentryThrew);
}

TEST(GAllocatorIdlerTest, IdleSignalReleasesCachedBlocks)
{
    if (GAllocator::HandsOutExactBlocks())
        GTEST_SKIP() << cPooledOnly;
    GAllocator* allocator = GAllocator::GetInstance();
    GAllocatorIdler::SetInstance(new GAllocatorIdler);
    void* block = allocator->Alloc(1000);
    allocator->Free(block, 1000);
    ASSERT_GE(allocator->GetCachedBlockCount(1000), 1);

    GSignal<GEmptyMessage>::GetSignal(100)->Send(GEmptyMessage());
    EXPECT_EQ(allocator->GetCachedBlockCount(1000), 0);

    GAllocatorIdler::SetInstance(nullptr);
    allocator->Free(allocator->Alloc(1000), 1000);
    GSignal<GEmptyMessage>::GetSignal(100)->Send(GEmptyMessage());
    EXPECT_EQ(allocator->GetCachedBlockCount(1000), 1); // nobody listens any more
    allocator->ReleaseFreeLists(-1);
}

// The exact-block build exists so that the sanitizers see what pooling hides.
class GExactAllocatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!GAllocator::HandsOutExactBlocks())
            GTEST_SKIP() << "this build pools its blocks";
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }

    GAllocator fAllocator;
};

TEST_F(GExactAllocatorTest, EveryRequestIsItsOwnBlockAndNothingIsCached)
{
    for (std::size_t size : {std::size_t(8), std::size_t(200), std::size_t(5000)})
    {
        SCOPED_TRACE(size);
        void* block = fAllocator.Alloc(size);
        fAllocator.Free(block, size);
        EXPECT_EQ(fAllocator.GetChunkCount(size), 0);
        EXPECT_EQ(fAllocator.GetCachedBlockCount(size), 0);
    }
    EXPECT_EQ(fAllocator.ReleaseFreeLists(-1), 0);
}

TEST_F(GExactAllocatorTest, FreeingWithAnotherSizeEndsTheProcess)
{
    void* block = fAllocator.Alloc(24);
    // 24 and 20 share a size class of the pooled allocator, which would never notice.
    EXPECT_DEATH(fAllocator.Free(block, 20), "of 24 bytes freed as 20 bytes");
    fAllocator.Free(block, 24);
}

#if defined(__SANITIZE_ADDRESS__)
TEST_F(GExactAllocatorTest, WritingPastTheRequestIsSeenByAddressSanitizer)
{
    // Inside a pooled block of the 24-byte class this byte would belong to nobody yet.
    auto* block = static_cast<char volatile*>(fAllocator.Alloc(21));
    EXPECT_DEATH(block[21] = 1, "heap-buffer-overflow");
    EXPECT_DEATH(block[-1] = 1, "use-after-poison|heap-buffer-overflow");
    fAllocator.Free(const_cast<char*>(block), 21);
}
#endif

#ifdef ALLOCATOR_OOM_CHILD
// Runs the helper under a small address-space limit and returns its exit status and output.
std::pair<int, std::string> RunOutOfMemory(char const* mode)
{
    return testsupport::RunHelper(ALLOCATOR_OOM_CHILD, mode);
}

TEST(GAllocatorOutOfMemoryTest, RealExhaustionThrowsGMemoryExceptionAndRecovers)
{
    auto const [status, output] = RunOutOfMemory("exhaust");
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("low-memory signals: 1"), std::string::npos) << output;
    EXPECT_NE(output.find("caught GMemoryException 2451"), std::string::npos) << output;
    EXPECT_NE(output.find("allocates again"), std::string::npos) << output;
}

TEST(GAllocatorOutOfMemoryTest, RequestBeyondAnyHeapFailsAsOutOfMemory)
{
    // In a helper: under AddressSanitizer a request of that size ends the program.
    auto const [status, output] = RunOutOfMemory("huge");
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output.find("served"), std::string::npos) << output;
}

TEST(GAllocatorOutOfMemoryTest, ReceiverThatFreesMemoryLetsTheAllocationSucceed)
{
    auto const [status, output] = RunOutOfMemory("rescue");
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("rescued allocation succeeded"), std::string::npos) << output;
    EXPECT_NE(output.find("reserve restored"), std::string::npos) << output;
}
#endif
} // namespace
