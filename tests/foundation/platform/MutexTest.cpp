// The recursive in-process mutex and its scope lock, seen from the thread that holds it and from others.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "GMutexBase.h"
#include "GMutexLocker.h"
#include "GSimpleException.h"
#include "PUNIXMutexImp.h"

namespace
{
// Asks from a fresh thread whether the mutex is free; gives it back at once when it was.
bool TakenByAnotherThread(PUNIXMutexImp& mutex)
{
    bool taken = false;
    std::thread other(
        [&]
        {
            taken = mutex.TryToLock();
            if (taken)
                mutex.Unlock();
        });
    other.join();
    return taken;
}
} // namespace

TEST(MutexTest, OwnerRelocksWithoutBlockingAndMustUnlockAsOften)
{
    GMutexBase<PUNIXMutexImp> mutex;
    mutex.Lock();
    mutex.Lock();
    EXPECT_TRUE(mutex.TryToLock()); // a third level, from the owner
    mutex.Unlock();
    mutex.Unlock();
    EXPECT_FALSE(TakenByAnotherThread(mutex)) << "one level is still held";
    mutex.Unlock();
    EXPECT_TRUE(TakenByAnotherThread(mutex));
}

TEST(MutexTest, TryToLockFailsWhileAnotherThreadHoldsIt)
{
    PUNIXMutexImp mutex;
    mutex.Lock();
    // Would hang rather than answer if TryToLock waited for the holder.
    EXPECT_FALSE(TakenByAnotherThread(mutex));
    mutex.Unlock();
}

TEST(MutexTest, TryToLockOnFreeMutexTakesIt)
{
    PUNIXMutexImp mutex;
    ASSERT_TRUE(mutex.TryToLock());
    EXPECT_FALSE(TakenByAnotherThread(mutex));
    mutex.Unlock();
    EXPECT_TRUE(TakenByAnotherThread(mutex));
}

TEST(MutexTest, UnlockOfMutexNotHeldThrows)
{
    PUNIXMutexImp mutex;
    try
    {
        mutex.Unlock();
        FAIL() << "unlocking a free mutex must throw";
    }
    catch (GSimpleException const& error)
    {
        EXPECT_EQ(error.GetExceptionID(), 40203);
    }
}

TEST(MutexTest, LockerHoldsForItsScopeOnly)
{
    PUNIXMutexImp mutex;
    {
        GMutexLocker locker(mutex);
        EXPECT_FALSE(TakenByAnotherThread(mutex));
    }
    EXPECT_TRUE(TakenByAnotherThread(mutex));
}

TEST(MutexTest, LockerLeftByExceptionReleasesMutex)
{
    PUNIXMutexImp mutex;
    EXPECT_THROW(
        {
            GMutexLocker locker(mutex);
            GMutexLocker nested(mutex);
            throw GSimpleException(1);
        },
        GSimpleException);
    EXPECT_TRUE(TakenByAnotherThread(mutex));
}

TEST(MutexTest, LockersKeepConcurrentUpdatesApart)
{
    PUNIXMutexImp mutex;
    long counter = 0;
    constexpr int cThreads = 4;
    constexpr int cRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < cThreads; ++t)
        threads.emplace_back(
            [&]
            {
                for (int i = 0; i < cRounds; ++i)
                {
                    GMutexLocker locker(mutex);
                    long const seen = counter;
                    std::this_thread::yield(); // widens the window a missing lock would leave open
                    counter = seen + 1;
                }
            });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, long(cThreads) * cRounds);
}
