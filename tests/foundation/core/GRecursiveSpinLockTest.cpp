// The allocator's lock: one holder at a time across threads, and taken again by its holder.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "GRecursiveSpinLock.h"

TEST(GRecursiveSpinLockTest, KeepsThreadsOutWhileHeldAndLetsTheHolderTakeItAgain)
{
    GRecursiveSpinLock lock;
    // Not atomic on purpose: a second thread inside the lock loses increments (and
    // ThreadSanitizer or a count short of the total shows it).
    long counter = 0;
    constexpr int cThreads = 4;
    constexpr int cRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < cThreads; ++t)
    {
        threads.emplace_back([&]
        {
            for (int round = 0; round < cRounds; ++round)
            {
                GRecursiveSpinLock::Locker outer(lock);
                long const before = counter;
                {
                    GRecursiveSpinLock::Locker inner(lock);
                    counter = before + 1;
                }
                // Still held here: the inner scope gave back its own depth only.
                std::this_thread::yield();
                EXPECT_EQ(counter, before + 1);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(counter, long(cThreads) * cRounds);
}
