// Shared-memory blocks between real processes: sharing data, the list of attached processes with
// its dead entries purged, removal by the last process out, a killed holder's lock taken over,
// headers that another process damaged or never finished, and creators racing for one block.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "GBufferShMemUtils.h"
#include "GSharedMemoryBase.h"
#include "GSharedMemoryLocker.h"
#include "PUNIXSharedMemory.h"
#include "SharedObjects.h"

namespace
{
using deliverytest::BufferOf;
using deliverytest::ObjectExists;
using deliverytest::ObjectView;
using deliverytest::TextOf;
using testsupport::ChildProcess;
using testsupport::ErrorOf;

using Block = deliverytest::SharedBlockTest::Block;
using Memory = PUNIXSharedMemory;

class PUNIXSharedMemoryTest : public deliverytest::SharedBlockTest
{
public:
    // A child that opens the block of id (creating it with size when size is not negative), runs
    // what it is given with the block, tells 'o' and then waits to be told to go or killed.
    static std::unique_ptr<ChildProcess> Attached(std::string const& id, int size,
                                                  std::function<void(Block&)> const& work = nullptr)
    {
        return std::make_unique<ChildProcess>(
            [id, size, work](ChildProcess::Child const& parent)
            {
                bool created = false;
                std::unique_ptr<Block> block =
                    size < 0 ? std::make_unique<Block>(GBuffer(), BufferOf(id))
                             : std::make_unique<Block>(GBuffer(), BufferOf(id), size, created);
                if (work)
                    work(*block);
                parent.Tell('o');
                parent.Await();
                return 0;
            });
    }

    static void Kill(ChildProcess& child)
    {
        kill(child.Pid(), SIGKILL);
        child.Wait();
    }
};
} // namespace

TEST_F(PUNIXSharedMemoryTest, ProcessesShareTheDataAndTheList)
{
    std::string const id = NewID();
    auto const block = Create(id, 64);
    auto child =
        Attached(id, -1, [](Block& mine) { GBufferShMemUtils::Write(mine, BufferOf("from the child")); });
    ASSERT_EQ(child->Await(), 'o');
    pid_t const childID = child->Pid();
    EXPECT_EQ(ListOf(id), (std::vector<int>{getpid(), childID}));
    GBuffer text;
    GBufferShMemUtils::Read(*block, text);
    EXPECT_EQ(TextOf(text), "from the child");
    child->Tell('g');
    EXPECT_EQ(child->Wait(), 0);
    EXPECT_EQ(ListOf(id), std::vector<int>{getpid()});
}

// The peer may run under another account: the block and its mutex are open to every user whatever
// the creator's umask.
TEST_F(PUNIXSharedMemoryTest, ABlockAndItsMutexAreOpenToEveryUserWhateverTheUmask)
{
    std::string const id = NewID();
    mode_t const previous = umask(077);
    auto const block = Create(id, 16);
    umask(previous);
    for (std::string const& name : {DataName(id), LockName(id)})
    {
        SCOPED_TRACE(name);
        int const descriptor = shm_open(name.c_str(), O_RDONLY, 0);
        ASSERT_GE(descriptor, 0);
        struct stat facts = {};
        EXPECT_EQ(fstat(descriptor, &facts), 0);
        close(descriptor);
        EXPECT_EQ(facts.st_mode & 0777, 0777u);
    }
}

TEST_F(PUNIXSharedMemoryTest, TheLastProcessOutRemovesTheBlock)
{
    std::string const id = NewID();
    auto block = Create(id, 16);
    auto child = Attached(id, 16);
    ASSERT_EQ(child->Await(), 'o');
    block.reset();
    EXPECT_TRUE(ObjectExists(DataName(id)));
    EXPECT_EQ(ListOf(id), std::vector<int>{child->Pid()});
    child->Tell('g');
    EXPECT_EQ(child->Wait(), 0);
    EXPECT_FALSE(ObjectExists(DataName(id)));
    EXPECT_FALSE(ObjectExists(LockName(id)));
}

TEST_F(PUNIXSharedMemoryTest, AnOpenPurgesProcessesThatDied)
{
    std::string const id = NewID();
    auto const block = Create(id, 16);
    auto first = Attached(id, -1);
    auto second = Attached(id, 16);
    ASSERT_EQ(first->Await(), 'o');
    ASSERT_EQ(second->Await(), 'o');
    pid_t const survivor = second->Pid();
    Kill(*first);
    EXPECT_EQ(ListOf(id).size(), 3u);
    Block const again(GBuffer(), BufferOf(id));
    EXPECT_EQ(ListOf(id), (std::vector<int>{getpid(), survivor, getpid()}));
    second->Tell('g');
    EXPECT_EQ(second->Wait(), 0);
}

TEST_F(PUNIXSharedMemoryTest, ABlockLeftByDeadProcessesOnlyIsMadeAnew)
{
    std::string const id = NewID();
    auto creator = Attached(id, 16, [](Block& mine) { GBufferShMemUtils::Write(mine, BufferOf("stale")); });
    ASSERT_EQ(creator->Await(), 'o');
    Kill(*creator);
    EXPECT_TRUE(ObjectExists(DataName(id)));
    bool created = false;
    auto const block = Create(id, 32, &created);
    EXPECT_TRUE(created) << "the dead creator's block was opened";
    EXPECT_EQ(ListOf(id), std::vector<int>{getpid()});
}

TEST_F(PUNIXSharedMemoryTest, TakesOverTheLockOfAKilledHolder)
{
    std::string const id = NewID();
    auto const block = Create(id, 16);
    auto holder = Attached(id, -1, [](Block& mine) { mine.Lock(); });
    ASSERT_EQ(holder->Await(), 'o');
    Kill(*holder);
    GBufferShMemUtils::Write(*block, BufferOf("mine"));
    block->SetPosition(0);
    GBuffer text;
    GBufferShMemUtils::Read(*block, text);
    EXPECT_EQ(TextOf(text), "mine");
}

TEST_F(PUNIXSharedMemoryTest, ExistsWaitsForTheBlocksLock)
{
    std::string const id = NewID();
    auto const block = Create(id, 16);
    auto holder = Attached(id, -1, [](Block& mine) { mine.Lock(); });
    ASSERT_EQ(holder->Await(), 'o');
    std::atomic<bool> released{false};
    std::atomic<bool> answeredWhileHeld{false};
    bool exists = false;
    std::thread asker(
        [&]
        {
            exists = Block::Exists(GBuffer(), BufferOf(id));
            answeredWhileHeld = !released.load();
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    released = true;
    holder->Tell('g');
    asker.join();
    EXPECT_EQ(holder->Wait(), 0);
    EXPECT_TRUE(exists);
    EXPECT_FALSE(answeredWhileHeld) << "Exists looked at the block while another process held its lock";
}

TEST_F(PUNIXSharedMemoryTest, RefusesAHeaderAnotherProcessDamaged)
{
    struct Case
    {
        char const* fWhat;
        int fOffset;
        std::int32_t fValue;
        int fError;
    };
    Case const cases[] = {
        {"total beyond the object", Memory::cTotalLengthOffset, 4108 + 64 + 4096, 40168},
        {"total within the object", Memory::cTotalLengthOffset, 4108 + 16, 40168},
        {"total negative", Memory::cTotalLengthOffset, -1, 40168},
        {"version", Memory::cVersionOffset, 2, 40154},
        {"list past full", Memory::cListLengthOffset, 4100, 40171},
        {"list beyond the header", Memory::cListLengthOffset, 0x7ffffffc, 40171},
        {"list negative", Memory::cListLengthOffset, -4, 40171},
        {"list of part of an entry", Memory::cListLengthOffset, 6, 40171},
    };
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fWhat);
        std::string const id = NewID();
        auto block = Create(id, 64);
        ChildProcess damager(
            [&](ChildProcess::Child const&)
            {
                ObjectView const view(DataName(id));
                view.SetField(entry.fOffset, entry.fValue);
                return view.IsMapped() ? 0 : 1;
            });
        ASSERT_EQ(damager.Wait(), 0);
        EXPECT_EQ(ErrorOf([&] { Block opened(GBuffer(), BufferOf(id)); }), entry.fError);
        EXPECT_EQ(ErrorOf([&] { Create(id, 64); }), entry.fError);
        EXPECT_FALSE(Block::Exists(GBuffer(), BufferOf(id)));
        // Reading and writing go by the size this object mapped, not by the header.
        GBufferShMemUtils::Write(*block, BufferOf("still usable"));
        block->SetPosition(0);
        GBuffer text;
        GBufferShMemUtils::Read(*block, text);
        EXPECT_EQ(TextOf(text), "still usable");
        block.reset();
    }
}

TEST_F(PUNIXSharedMemoryTest, ListsAtMost1024Attachments)
{
    std::string const id = NewID();
    auto const block = Create(id, 4);
    {
        // 1022 more attachments of this (running) process, as if made by as many objects.
        ObjectView const view(DataName(id));
        for (int i = 1; i < 1023; ++i)
            view.SetField(Memory::cListOffset + 4 * i, getpid());
        view.SetField(Memory::cListLengthOffset, 4 * 1023);
    }
    Block const last(GBuffer(), BufferOf(id));
    EXPECT_EQ(ListOf(id).size(), 1024u);
    EXPECT_EQ(ErrorOf([&] { Block one(GBuffer(), BufferOf(id)); }), 40171);
    EXPECT_EQ(ListOf(id).size(), 1024u);
}

TEST_F(PUNIXSharedMemoryTest, ABlockStillBeingMadeIsWaitedForAndAnUnmadeOneRefused)
{
    std::string const id = NewID();
    std::string const name = DataName(id);
    {
        // The creator died between creating the object and sizing it.
        ObjectView const unmade(name, 0);
        EXPECT_EQ(ErrorOf([&] { Memory memory(GBuffer(), BufferOf("ZlvShD" + id)); }), 40167);
        bool created = false;
        EXPECT_EQ(ErrorOf([&] { Memory memory(GBuffer(), BufferOf("ZlvShD" + id), 16, created); }), 40167);
        EXPECT_FALSE(Block::Exists(GBuffer(), BufferOf(id)));
    }
    // A creator that sizes it and writes the header while the opener waits.
    std::thread creator(
        [name]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            ObjectView const made(name, 4108 + 16);
            made.SetField(Memory::cTotalLengthOffset, 4108 + 16);
            made.SetField(Memory::cVersionOffset, 1);
            made.SetField(Memory::cListLengthOffset, 4);
            made.SetField(Memory::cListOffset, getpid());
        });
    std::unique_ptr<Memory> memory;
    int const error = ErrorOf([&] { memory = std::make_unique<Memory>(GBuffer(), BufferOf("ZlvShD" + id)); });
    creator.join();
    EXPECT_EQ(error, 0);
    EXPECT_EQ(ListOf(id).size(), 2u);
}

// Processes that open or create the block of id at the same moment, each through the platform
// object alone or through the block with its mutex; each tells 'c' (created), 'o' (opened) or a
// letter for its error.
std::string RaceForBlock(std::string const& id, bool withMutex)
{
    constexpr int cProcesses = 6;
    std::vector<std::unique_ptr<ChildProcess>> racers;
    for (int i = 0; i < cProcesses; ++i)
    {
        racers.push_back(std::make_unique<ChildProcess>(
            [id, withMutex](ChildProcess::Child const& parent)
            {
                parent.Tell('r');
                parent.Await();
                bool created = false;
                std::unique_ptr<Memory> memory;
                std::unique_ptr<Block> block;
                int const error = ErrorOf(
                    [&]
                    {
                        if (withMutex)
                            block = std::make_unique<Block>(GBuffer(), BufferOf(id), 32, created);
                        else
                            memory =
                                std::make_unique<Memory>(GBuffer(), BufferOf("ZlvShD" + id), 32, created);
                    });
                // The error's last two digits, so that a failure says which.
                parent.Tell(error != 0 ? static_cast<char>('A' + error % 100 % 58) : created ? 'c' : 'o');
                parent.Await();
                return 0;
            }));
    }
    for (auto const& racer : racers)
        if (racer->Await() != 'r')
            return "not started";
    for (auto const& racer : racers)
        racer->Tell('g');
    std::string outcomes;
    for (auto const& racer : racers)
        outcomes += racer->Await();
    std::sort(outcomes.begin(), outcomes.end());
    if (withMutex)
        outcomes += ", listed " + std::to_string(PUNIXSharedMemoryTest::ListOf(id).size());
    for (auto const& racer : racers)
        racer->Tell('g');
    for (auto const& racer : racers)
        racer->Wait();
    return outcomes;
}

TEST_F(PUNIXSharedMemoryTest, CreatorsRacingForOneBlockAllGetIt)
{
    // Without the block's mutex the processes that lose the exclusive create open the block the
    // winner made; with it, they also all take their place in its list, and the last one out
    // removes it.
    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE(round);
        EXPECT_EQ(RaceForBlock(NewID(), false), "cooooo");
    }
    // Each open under the mutex asks after every process listed before it, one at a time.
    for (int round = 0; round < 3; ++round)
    {
        SCOPED_TRACE(round);
        std::string const id = NewID();
        EXPECT_EQ(RaceForBlock(id, true), "cooooo, listed 6");
        EXPECT_FALSE(ObjectExists(DataName(id)));
        EXPECT_FALSE(ObjectExists(LockName(id)));
    }
}
