// The named inter-process mutex between real processes: its segment's bytes, counting and removal
// by the last user, exclusion, a killed owner's lock taken over, segments that another process left
// unmade (made anew once their creator is gone, also by eight processes meeting it at once), gave up
// or made in another version, and a management lock held for ever.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <sched.h>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "ChildShared.h"
#include "ErrorOf.h"
#include "GIPMutexBase.h"
#include "PUNIXIPMutexImp.h"
#include "PUNIXSharedObjectSupport.h"
#include "SharedObjects.h"

namespace
{
using deliverytest::BufferOf;
using deliverytest::ObjectExists;
using deliverytest::ObjectInode;
using deliverytest::ObjectView;
using testsupport::ChildProcess;
using testsupport::ChildShared;
using testsupport::ErrorOf;

using Mutex = PUNIXIPMutexImp;

struct Scratch
{
    std::atomic<int> fReleased{0};
    int fCounter = 0;
    // Processes between Lock and Unlock.
    std::atomic<int> fInside{0};
};

class PUNIXIPMutexImpTest : public deliverytest::SharedObjectsTest
{
protected:
    // A child that holds the mutex of id until it is killed or told to let go.
    static std::unique_ptr<ChildProcess> Holder(std::string const& id)
    {
        return std::make_unique<ChildProcess>(
            [id](ChildProcess::Child const& child)
            {
                Mutex mutex(BufferOf(id));
                mutex.Lock();
                child.Tell('L');
                child.Await();
                mutex.Unlock();
                return 0;
            });
    }

    static void Kill(ChildProcess& child)
    {
        kill(child.Pid(), SIGKILL);
        child.Wait();
    }

    // How many mappings of the object this process holds.
    static int MappingsOf(std::string const& posixName)
    {
        std::ifstream maps("/proc/self/maps");
        int count = 0;
        for (std::string line; std::getline(maps, line);)
            if (line.find("/dev/shm" + posixName) != std::string::npos)
                ++count;
        return count;
    }
};
} // namespace

TEST_F(PUNIXIPMutexImpTest, TakesNamesOfOneTo29Bytes)
{
    struct Case
    {
        std::string fName;
        int fError;
    };
    Case const cases[] = {
        {NewID(29), 0},
        {NewID(30), 40201},
        {"", 40201},
        {"a/b" + NewID(), 40201},
        {std::string("a\0b", 3) + NewID(), 40201},
    };
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fName);
        EXPECT_EQ(ErrorOf([&] { Mutex mutex(BufferOf(entry.fName)); }), entry.fError);
        if (!entry.fName.empty())
        {
            EXPECT_FALSE(ObjectExists("/" + entry.fName));
        }
    }
}

TEST_F(PUNIXIPMutexImpTest, TheFirstOpenerMakesTheSegmentAndTheLastRemovesIt)
{
    std::string const id = NewID();
    std::string const name = "/" + id;
    {
        Mutex first(BufferOf(id));
        ObjectView const view(name);
        ASSERT_TRUE(view.IsMapped());
        ASSERT_EQ(view.Size(), 80u);
        EXPECT_EQ(std::string(reinterpret_cast<char const*>(view.Bytes()), 4), "XTUM");
        EXPECT_EQ(view.Field(Mutex::cVersionOffset), 1);
        EXPECT_EQ(view.Field(Mutex::cReferenceCountOffset), 1);
        EXPECT_EQ(view.Field(Mutex::cOwnerOffset), 0);
        EXPECT_EQ(view.Field(Mutex::cManagementLockOffset), 0);
        for (std::size_t offset = 20; offset < 80; ++offset)
            EXPECT_EQ(view.Bytes()[offset], 0) << offset;
        {
            Mutex second(BufferOf(id));
            EXPECT_EQ(view.Field(Mutex::cReferenceCountOffset), 2);
        }
        EXPECT_EQ(view.Field(Mutex::cReferenceCountOffset), 1);
        EXPECT_TRUE(ObjectExists(name));
    }
    EXPECT_FALSE(ObjectExists(name));
    Mutex third(BufferOf(id));
    EXPECT_EQ(ObjectView(name).Field(Mutex::cReferenceCountOffset), 1) << "a new segment";
}

TEST_F(PUNIXIPMutexImpTest, ProcessesCountInOneSegment)
{
    std::string const id = NewID();
    std::string const name = "/" + id;
    auto mutex = std::make_unique<Mutex>(BufferOf(id));
    ObjectView const view(name);
    ChildProcess child(
        [id](ChildProcess::Child const& parent)
        {
            {
                Mutex mine(BufferOf(id));
                parent.Tell('o');
                parent.Await();
            }
            parent.Tell('c');
            parent.Await();
            return 0;
        });
    ASSERT_EQ(child.Await(), 'o');
    EXPECT_EQ(view.Field(Mutex::cReferenceCountOffset), 2);
    child.Tell('g');
    ASSERT_EQ(child.Await(), 'c');
    EXPECT_EQ(view.Field(Mutex::cReferenceCountOffset), 1);
    EXPECT_EQ(child.Wait(), 0);
    mutex.reset();
    EXPECT_FALSE(ObjectExists(name));
}

TEST_F(PUNIXIPMutexImpTest, ExcludesAnotherProcessUntilUnlocked)
{
    std::string const id = NewID();
    ChildShared<Scratch> scratch;
    Mutex mutex(BufferOf(id));
    mutex.Lock();
    ChildProcess child(
        [id, &scratch](ChildProcess::Child const& parent)
        {
            Mutex mine(BufferOf(id));
            parent.Tell(mine.TryToLock(0) ? 'T' : 'b');
            mine.Lock();
            // The test marks the release before it unlocks: a lock taken earlier sees no mark.
            parent.Tell(scratch->fReleased.load() ? 'L' : 'X');
            parent.Await();
            mine.Unlock();
            parent.Tell('U');
            parent.Await();
            return 0;
        });
    ASSERT_EQ(child.Await(), 'b') << "the child took a held mutex";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    scratch->fReleased = 1;
    mutex.Unlock();
    ASSERT_EQ(child.Await(), 'L');
    EXPECT_FALSE(mutex.TryToLock(0)) << "the child holds it";
    child.Tell('g');
    ASSERT_EQ(child.Await(), 'U');
    EXPECT_TRUE(mutex.TryToLock(0));
    mutex.Unlock();
    child.Tell('g');
    EXPECT_EQ(child.Wait(), 0);
}

TEST_F(PUNIXIPMutexImpTest, KeepsTheUpdatesOfTwoProcessesApart)
{
    std::string const id = NewID();
    ChildShared<Scratch> scratch;
    constexpr int cRounds = 150;
    auto const update = [&scratch](Mutex& mutex)
    {
        for (int i = 0; i < cRounds; ++i)
        {
            mutex.Lock();
            int const value = scratch->fCounter;
            sched_yield();
            scratch->fCounter = value + 1;
            mutex.Unlock();
            sched_yield();
        }
    };
    Mutex mutex(BufferOf(id));
    ChildProcess child(
        [id, &update](ChildProcess::Child const& parent)
        {
            Mutex mine(BufferOf(id));
            parent.Tell('r');
            parent.Await();
            update(mine);
            return 0;
        });
    ASSERT_EQ(child.Await(), 'r');
    child.Tell('g');
    update(mutex);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(scratch->fCounter, 2 * cRounds);
}

TEST_F(PUNIXIPMutexImpTest, TakesOverTheLockOfAKilledOwner)
{
    for (bool const waiting : {false, true})
    {
        SCOPED_TRACE(waiting ? "Lock" : "TryToLock");
        std::string const id = NewID();
        Mutex mutex(BufferOf(id));
        auto holder = Holder(id);
        ASSERT_EQ(holder->Await(), 'L');
        EXPECT_FALSE(mutex.TryToLock(0)) << "the owner is alive";
        Kill(*holder);
        if (waiting)
            mutex.Lock();
        else
            EXPECT_TRUE(mutex.TryToLock(0)) << "a dead owner's lock is taken at the first attempt";
        EXPECT_EQ(ObjectView("/" + id).Field(Mutex::cOwnerOffset), getpid());
        mutex.Unlock();
    }
}

TEST_F(PUNIXIPMutexImpTest, WaitsOutATimeLimitWhileTheOwnerLives)
{
    std::string const id = NewID();
    Mutex mutex(BufferOf(id));
    auto holder = Holder(id);
    ASSERT_EQ(holder->Await(), 'L');
    EXPECT_FALSE(mutex.TryToLock(1));
    holder->Tell('g');
    EXPECT_EQ(holder->Wait(), 0);
    EXPECT_TRUE(mutex.TryToLock(1));
    mutex.Unlock();
}

TEST_F(PUNIXIPMutexImpTest, UnlockFreesTheMutexWhoeverHoldsIt)
{
    std::string const id = NewID();
    Mutex mutex(BufferOf(id));
    auto holder = Holder(id);
    ASSERT_EQ(holder->Await(), 'L');
    mutex.Unlock();
    EXPECT_TRUE(mutex.TryToLock(0));
    mutex.Unlock();
    holder->Tell('g');
    EXPECT_EQ(holder->Wait(), 0);
}

TEST_F(PUNIXIPMutexImpTest, APrefixedMutexLetsGoOfItsLockWhenItGoes)
{
    std::string const id = NewID();
    GIPMutexBase<PUNIXIPMutexImp> waiting(GIPPrefix::cSharedMemoryLock, BufferOf(id));
    EXPECT_TRUE(ObjectExists("/ZlvShL" + id));
    {
        GIPMutexBase<PUNIXIPMutexImp> holding(GIPPrefix::cSharedMemoryLock, BufferOf(id));
        holding.Lock();
        EXPECT_TRUE(holding.IsLocked());
        EXPECT_FALSE(waiting.TryToLock(0));
    }
    EXPECT_TRUE(waiting.TryToLock(0));
    EXPECT_TRUE(waiting.IsLocked());
    waiting.Unlock();
    EXPECT_FALSE(waiting.IsLocked());
    EXPECT_EQ(ErrorOf([&] { GIPMutexBase<PUNIXIPMutexImp>(static_cast<GIPPrefix::ID>(7), BufferOf(id)); }),
              40201);
}

TEST_F(PUNIXIPMutexImpTest, RefusesSegmentsThatAreUnmadeOrOfAnotherVersion)
{
    struct Case
    {
        char const* fWhat;
        long long fSize;
        std::int32_t fMagic;
        std::int32_t fVersion;
        int fError;
    };
    // A creator that died before sizing the segment, one that died before marking it, and a
    // segment another version of the link made.
    Case const cases[] = {
        {"never sized", 0, 0, 0, 40167},
        {"never marked", 80, 0, 1, 40200},
        {"other version", 80, Mutex::cMagic, 2, 40154},
    };
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fWhat);
        std::string const id = NewID();
        ObjectView const view("/" + id, entry.fSize);
        view.SetField(Mutex::cVersionOffset, entry.fVersion);
        view.SetField(Mutex::cReferenceCountOffset, 5);
        view.SetField(Mutex::cMagicOffset, entry.fMagic);
        EXPECT_EQ(ErrorOf([&] { Mutex mutex(BufferOf(id)); }), entry.fError);
        EXPECT_TRUE(ObjectExists("/" + id)) << "another process's segment was removed";
        if (entry.fSize > 0)
        {
            EXPECT_EQ(view.Field(Mutex::cReferenceCountOffset), 5);
        }
    }
}

TEST_F(PUNIXIPMutexImpTest, ASegmentItsDeadCreatorLeftUnmadeIsMadeAnewOneStillHeldIsNot)
{
    // A creator that died (or still runs, holding the segment) before sizing it, or before marking
    // it; the name is one every process of the machine opens, so a segment nobody can finish must
    // not stand in the way for ever.
    struct Case
    {
        char const* fWhat;
        long long fSize;
        bool fCreatorAlive;
        int fError;
    };
    Case const cases[] = {
        {"never sized, creator dead", 0, false, 0},
        {"never marked, creator dead", 80, false, 0},
        {"never sized, creator alive", 0, true, 40167},
        {"never marked, creator alive", 80, true, 40200},
    };
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fWhat);
        std::string const id = NewID();
        std::string const name = "/" + id;
        ChildProcess creator(
            [&](ChildProcess::Child const& parent)
            {
                ObjectView const unmade(name, entry.fSize);
                unmade.SetField(Mutex::cVersionOffset, 1);
                unmade.SetField(Mutex::cReferenceCountOffset, 5);
                parent.Tell('c');
                parent.Await();
                return 0;
            });
        ASSERT_EQ(creator.Await(), 'c');
        ino_t const unmade = ObjectInode(name);
        if (!entry.fCreatorAlive)
            Kill(creator);
        std::unique_ptr<Mutex> mutex;
        EXPECT_EQ(ErrorOf([&] { mutex = std::make_unique<Mutex>(BufferOf(id)); }), entry.fError);
        if (entry.fCreatorAlive)
        {
            EXPECT_EQ(ObjectInode(name), unmade) << "a segment its creator still holds was removed";
            creator.Tell('g');
            EXPECT_EQ(creator.Wait(), 0);
            continue;
        }
        ASSERT_TRUE(mutex);
        EXPECT_NE(ObjectInode(name), unmade);
        ObjectView const made(name);
        EXPECT_EQ(made.Field(Mutex::cMagicOffset), Mutex::cMagic);
        EXPECT_EQ(made.Field(Mutex::cReferenceCountOffset), 1);
        EXPECT_TRUE(mutex->TryToLock(0));
        mutex->Unlock();
    }
}

TEST_F(PUNIXIPMutexImpTest, AManagementLockHeldForEverFailsAnOpenAfterTheBound)
{
    std::string const id = NewID();
    std::string const name = "/" + id;
    auto mutex = std::make_unique<Mutex>(BufferOf(id));
    // A live process that took the management lock and never lets go.
    ChildProcess holder(
        [&](ChildProcess::Child const& parent)
        {
            ObjectView const view(name);
            view.SetField(Mutex::cManagementLockOffset, getpid());
            parent.Tell('h');
            parent.Await();
            view.SetField(Mutex::cManagementLockOffset, 0);
            return 0;
        });
    ASSERT_EQ(holder.Await(), 'h');
    int const bound = PUNIXSharedObjectSupport::cLockSeconds;
    int const code = deliverytest::ExitCodeWithin(
        bound + 30,
        [&]
        {
            auto const start = std::chrono::steady_clock::now();
            int const error = ErrorOf([&] { Mutex late(BufferOf(id)); });
            double const seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (error != 40200)
                return 1;
            return seconds >= bound - 1 ? 0 : 2;
        });
    EXPECT_EQ(code, 0) << "-1: the open waited for ever; 1: another outcome; 2: it gave up early";
    EXPECT_EQ(ObjectView(name).Field(Mutex::cReferenceCountOffset), 1) << "the failed open stayed counted";
    holder.Tell('g');
    EXPECT_EQ(holder.Wait(), 0);
    Mutex late(BufferOf(id));
    EXPECT_EQ(ObjectView(name).Field(Mutex::cReferenceCountOffset), 2);
}

TEST_F(PUNIXIPMutexImpTest, WaitsForACreatorStillMakingTheSegment)
{
    std::string const id = NewID();
    std::string const name = "/" + id;
    ObjectView const unsized(name, 0);
    std::thread creator(
        [name]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            ObjectView const made(name, 80);
            made.SetField(Mutex::cVersionOffset, 1);
            made.SetField(Mutex::cReferenceCountOffset, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            made.SetField(Mutex::cMagicOffset, Mutex::cMagic);
        });
    std::unique_ptr<Mutex> mutex;
    int const error = ErrorOf([&] { mutex = std::make_unique<Mutex>(BufferOf(id)); });
    creator.join();
    EXPECT_EQ(error, 0);
    EXPECT_EQ(ObjectView(name).Field(Mutex::cReferenceCountOffset), 2);
}

TEST_F(PUNIXIPMutexImpTest, AnOpenerOfAGivenUpSegmentLeavesTheNameToTheNextSegment)
{
    std::string const id = NewID();
    std::string const name = "/" + id;
    // The last user of this segment holds its management lock while it gives the segment up.
    ObjectView const given(name, 80);
    given.SetField(Mutex::cVersionOffset, 1);
    given.SetField(Mutex::cReferenceCountOffset, 1);
    given.SetField(Mutex::cManagementLockOffset, getpid());
    given.SetField(Mutex::cMagicOffset, Mutex::cMagic);

    std::unique_ptr<Mutex> late;
    int lateError = -1;
    std::thread opener([&] { lateError = ErrorOf([&] { late = std::make_unique<Mutex>(BufferOf(id)); }); });
    for (int i = 0; i < 5000 && MappingsOf(name) < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(MappingsOf(name), 2) << "the opener never mapped the segment";

    // Given up and unlinked; a third process makes the next segment under the name at once.
    given.SetField(Mutex::cReferenceCountOffset, 0);
    shm_unlink(name.c_str());
    Mutex next(BufferOf(id));
    ino_t const nextSegment = ObjectInode(name);
    given.SetField(Mutex::cManagementLockOffset, 0);
    opener.join();

    EXPECT_EQ(lateError, 0);
    EXPECT_EQ(ObjectInode(name), nextSegment) << "the late opener removed the next segment";
    EXPECT_EQ(ObjectView(name).Field(Mutex::cReferenceCountOffset), 2) << "both use the next segment";
}

TEST_F(PUNIXIPMutexImpTest, ASegmentGivenUpButStillNamedMakesWayForANewOne)
{
    std::string const id = NewID();
    std::string const name = "/" + id;
    {
        // Its last user set the count to 0 and died before it could unlink it.
        ObjectView const given(name, 80);
        given.SetField(Mutex::cVersionOffset, 1);
        given.SetField(Mutex::cMagicOffset, Mutex::cMagic);
    }
    ino_t const givenSegment = ObjectInode(name);
    Mutex mutex(BufferOf(id));
    EXPECT_NE(ObjectInode(name), givenSegment);
    EXPECT_EQ(ObjectView(name).Field(Mutex::cReferenceCountOffset), 1);
}

TEST_F(PUNIXIPMutexImpTest, EightProcessesMeetingASegmentLeftUnmadeAllOpenOneNewSegmentAndExcludeEachOther)
{
    // A creator that died before sizing or before marking the segment, or an opener that died after
    // claiming it as left unmade; eight processes open the name at the same moment, each holding the
    // segment while it waits for it to be made.
    struct Case
    {
        char const* fWhat;
        long long fSize;
        bool fClaimedByTheDead;
    };
    Case const cases[] = {
        {"never sized", 0, false}, {"never marked", 80, false}, {"claimed by an opener that died", 80, true}};
    ChildProcess gone([](ChildProcess::Child const&) { return 0; });
    pid_t const dead = gone.Pid();
    ASSERT_EQ(gone.Wait(), 0);
    constexpr int cProcesses = 8;
    constexpr int cMeetings = 3;
    constexpr int cRounds = 40;
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fWhat);
        int failedOpens = 0;
        for (int meeting = 0; meeting < cMeetings; ++meeting)
        {
            std::string const id = NewID();
            std::string const name = "/" + id;
            {
                ObjectView const unmade(name, entry.fSize);
                unmade.SetField(Mutex::cVersionOffset, 1);
                unmade.SetField(Mutex::cReferenceCountOffset, 5);
                if (entry.fClaimedByTheDead)
                    unmade.SetField(Mutex::cMagicOffset, -dead);
            }
            ChildShared<Scratch> scratch;
            std::vector<std::unique_ptr<ChildProcess>> openers;
            for (int i = 0; i < cProcesses; ++i)
                openers.push_back(std::make_unique<ChildProcess>(
                    [&](ChildProcess::Child const& parent)
                    {
                        parent.Await();
                        std::unique_ptr<Mutex> mutex;
                        if (ErrorOf([&] { mutex = std::make_unique<Mutex>(BufferOf(id)); }) != 0)
                            return 1;
                        bool together = false;
                        for (int round = 0; round < cRounds; ++round)
                        {
                            mutex->Lock();
                            together = scratch->fInside.fetch_add(1) != 0 || together;
                            int const value = scratch->fCounter;
                            sched_yield();
                            scratch->fCounter = value + 1;
                            scratch->fInside.fetch_sub(1);
                            mutex->Unlock();
                        }
                        return together ? 2 : 0;
                    }));
            for (auto const& opener : openers)
                opener->Tell('g');
            int opened = 0;
            for (auto const& opener : openers)
            {
                int const code = opener->Wait();
                EXPECT_NE(code, 2) << "two processes held the mutex at once";
                EXPECT_TRUE(code == 0 || code == 1) << code;
                opened += code == 0 ? 1 : 0;
            }
            failedOpens += cProcesses - opened;
            EXPECT_EQ(scratch->fCounter, opened * cRounds) << "an update was lost";
            EXPECT_FALSE(ObjectExists(name)) << "the segment outlived its users";
        }
        EXPECT_EQ(failedOpens, 0) << "of " << cProcesses * cMeetings << " opens";
    }
}
