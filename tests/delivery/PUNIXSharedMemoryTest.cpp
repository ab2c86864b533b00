// Shared-memory blocks between real processes: sharing data, the list of attached processes with
// its dead entries purged, removal by the last process out, the creator's umask, objects larger
// than their header, a killed holder's lock taken over and a live one's given up after the bound,
// headers that another process damaged or never finished (made anew once their creator is gone),
// and creators racing for one block.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "GBufferShMemUtils.h"
#include "GSharedMemoryBase.h"
#include "GSharedMemoryLocker.h"
#include "OtherUser.h"
#include "PUNIXSharedMemory.h"
#include "PUNIXSharedObjectSupport.h"
#include "SharedObjects.h"
#include "TempFolder.h"

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

// The objects are the user's own, as the platform makes them: the mode asked, narrowed by the
// creator's umask, so that no other account can forge a job, end the peer or hold a lock for ever.
TEST_F(PUNIXSharedMemoryTest, ABlockAndItsMutexTakeTheCreatorsUmaskAndKeepOtherUsersOut)
{
    struct Case
    {
        mode_t fUmask;
        unsigned fMode;
    };
    Case const cases[] = {{077, 0700}, {022, 0755}};
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(testing::Message() << "umask " << std::oct << entry.fUmask);
        std::string const id = NewID();
        mode_t const previous = umask(entry.fUmask);
        auto block = Create(id, 16);
        umask(previous);
        for (std::string const& name : {DataName(id), LockName(id)})
        {
            SCOPED_TRACE(name);
            int const descriptor = shm_open(name.c_str(), O_RDONLY, 0);
            ASSERT_GE(descriptor, 0);
            struct stat facts = {};
            EXPECT_EQ(fstat(descriptor, &facts), 0);
            close(descriptor);
            EXPECT_EQ(facts.st_mode & 0777, entry.fMode);
        }
        // Another account can neither open the block nor take its lock.
        testsupport::TempFolder const folder;
        EXPECT_TRUE(testsupport::RunsAsOtherUser(folder.Path(),
                                                 [&]
                                                 {
                                                     return shm_open(DataName(id).c_str(), O_RDWR, 0) < 0 &&
                                                            shm_open(LockName(id).c_str(), O_RDWR, 0) < 0 &&
                                                            !Block::Exists(GBuffer(), BufferOf(id));
                                                 }));
        block.reset();
    }
}

// macOS gives a shared-memory object whole pages: every process but the creator sees it larger
// than its header says.
TEST_F(PUNIXSharedMemoryTest, OpensABlockWhoseObjectIsLargerThanItsHeaderSays)
{
    std::string const id = NewID();
    long long const page = sysconf(_SC_PAGESIZE);
    int const total = Memory::cHeaderSize + 100;
    ChildProcess creator(
        [&](ChildProcess::Child const& parent)
        {
            ObjectView const made(DataName(id), (total + page - 1) / page * page);
            made.SetField(Memory::cListOffset, getpid());
            made.SetField(Memory::cListLengthOffset, 4);
            made.SetField(Memory::cVersionOffset, 1);
            made.SetField(Memory::cTotalLengthOffset, total);
            parent.Tell('m');
            parent.Await();
            return 0;
        });
    ASSERT_EQ(creator.Await(), 'm');
    ASSERT_GT(deliverytest::ObjectSize(DataName(id)), total);
    std::unique_ptr<Block> opened;
    EXPECT_EQ(ErrorOf([&] { opened = std::make_unique<Block>(GBuffer(), BufferOf(id)); }), 0);
    bool created = true;
    std::unique_ptr<Block> again;
    EXPECT_EQ(ErrorOf([&] { again = Create(id, 100, &created); }), 0);
    EXPECT_FALSE(created);
    ASSERT_TRUE(opened && again);
    EXPECT_EQ(opened->GetLength(), 100);
    EXPECT_EQ(ListOf(id), (std::vector<int>{creator.Pid(), getpid(), getpid()}));
    GBufferShMemUtils::Write(*opened, BufferOf("seen by both"));
    again->SetPosition(0);
    GBuffer text;
    GBufferShMemUtils::Read(*again, text);
    EXPECT_EQ(TextOf(text), "seen by both");
    EXPECT_EQ(ErrorOf([&] { Create(id, 101); }), 40168) << "another size than the header's";
    creator.Tell('g');
    EXPECT_EQ(creator.Wait(), 0);
}

TEST_F(PUNIXSharedMemoryTest, ABlockItsDeadCreatorLeftUnmadeIsMadeAnewOneStillHeldIsNot)
{
    // A creator that died (or still runs, holding the block) before sizing it, or before writing
    // the total length that marks the header as made.
    struct Case
    {
        char const* fWhat;
        long long fSize;
        bool fCreatorAlive;
        int fCreateError;
        int fOpenError;
    };
    Case const cases[] = {
        {"never sized, creator dead", 0, false, 0, 40165},
        {"header unwritten, creator dead", Memory::cHeaderSize + 32, false, 0, 40165},
        {"never sized, creator alive", 0, true, 40167, 40167},
        {"header unwritten, creator alive", Memory::cHeaderSize + 32, true, 40168, 40168},
    };
    for (Case const& entry : cases)
    {
        for (bool const creating : {true, false})
        {
            SCOPED_TRACE(testing::Message() << entry.fWhat << (creating ? ", created" : ", opened"));
            std::string const id = NewID();
            ChildProcess creator(
                [&](ChildProcess::Child const& parent)
                {
                    ObjectView const unmade(DataName(id), entry.fSize);
                    parent.Tell('c');
                    parent.Await();
                    return 0;
                });
            ASSERT_EQ(creator.Await(), 'c');
            ino_t const unmade = deliverytest::ObjectInode(DataName(id));
            if (!entry.fCreatorAlive)
                Kill(creator);
            bool created = false;
            std::unique_ptr<Block> block;
            int const error = ErrorOf(
                [&]
                {
                    if (creating)
                        block = Create(id, 32, &created);
                    else
                        block = std::make_unique<Block>(GBuffer(), BufferOf(id));
                });
            EXPECT_EQ(error, creating ? entry.fCreateError : entry.fOpenError);
            if (entry.fCreatorAlive)
            {
                EXPECT_EQ(deliverytest::ObjectInode(DataName(id)), unmade)
                    << "a block its creator still holds was removed";
                creator.Tell('g');
                EXPECT_EQ(creator.Wait(), 0);
            }
            else if (creating)
            {
                EXPECT_TRUE(created);
                EXPECT_EQ(ListOf(id), std::vector<int>{getpid()});
                EXPECT_NE(deliverytest::ObjectInode(DataName(id)), unmade);
            }
            else
            {
                EXPECT_FALSE(ObjectExists(DataName(id))) << "the unmade block was left";
            }
        }
    }
}

TEST_F(PUNIXSharedMemoryTest, ALockHeldForEverByAnotherProcessFailsAfterTheBound)
{
    std::string const id = NewID();
    auto const block = Create(id, 16);
    auto holder = Attached(id, -1, [](Block& mine) { mine.Lock(); });
    ASSERT_EQ(holder->Await(), 'o');
    int const bound = PUNIXSharedObjectSupport::cLockSeconds;
    // Each in a child of its own, so that a wait without end fails the test instead of hanging it.
    struct Case
    {
        char const* fWhat;
        std::function<int()> fOperation;
    };
    Case const cases[] = {
        {"lock", [&] { return ErrorOf([&] { block->Lock(); }); }},
        {"write", [&] { return ErrorOf([&] { GBufferShMemUtils::Write(*block, BufferOf("x")); }); }},
        {"open", [&] { return ErrorOf([&] { Block opened(GBuffer(), BufferOf(id)); }); }},
        {"exists",
         [&] { return Block::Exists(GBuffer(), BufferOf(id)) ? 1 : PUNIXSharedObjectSupport::cCannotLock; }},
    };
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fWhat);
        int const code = deliverytest::ExitCodeWithin(
            bound + 30,
            [&]
            {
                auto const start = std::chrono::steady_clock::now();
                int const error = entry.fOperation();
                double const seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                if (error != PUNIXSharedObjectSupport::cCannotLock)
                    return 1;
                return seconds >= bound - 1 ? 0 : 2;
            });
        EXPECT_EQ(code, 0) << "-1: it waited for ever; 1: another outcome; 2: it gave up early";
    }
    holder->Tell('g');
    EXPECT_EQ(holder->Wait(), 0);
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
    // The open takes an object larger than the total length (the platform may round it up); the
    // create asks for the size it was made with.
    struct Case
    {
        char const* fWhat;
        int fOffset;
        std::int32_t fValue;
        int fError;
        int fOpenError;
    };
    Case const cases[] = {
        {"total beyond the object", Memory::cTotalLengthOffset, 4108 + 64 + 4096, 40168, 40168},
        {"total within the object", Memory::cTotalLengthOffset, 4108 + 16, 40168, 0},
        {"total within the header", Memory::cTotalLengthOffset, 4107, 40168, 40168},
        {"total negative", Memory::cTotalLengthOffset, -1, 40168, 40168},
        {"version", Memory::cVersionOffset, 2, 40154, 40154},
        {"list past full", Memory::cListLengthOffset, 4100, 40171, 40171},
        {"list beyond the header", Memory::cListLengthOffset, 0x7ffffffc, 40171, 40171},
        {"list negative", Memory::cListLengthOffset, -4, 40171, 40171},
        {"list of part of an entry", Memory::cListLengthOffset, 6, 40171, 40171},
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
        EXPECT_EQ(ErrorOf([&] { Block opened(GBuffer(), BufferOf(id)); }), entry.fOpenError);
        EXPECT_EQ(ErrorOf([&] { Create(id, 64); }), entry.fError);
        EXPECT_EQ(Block::Exists(GBuffer(), BufferOf(id)), entry.fOpenError == 0);
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
