// Per-thread tables: each thread sees its own, emptied tables are pooled (at most five) and reused.
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "GDict.h"
#include "GDictUtil.h"
#include "GThreadLocalTable.h"

namespace
{
// Runs body(i) on n threads that are all alive at once (so their ids differ), one step at a
// time: every thread finishes step k before any starts step k + 1.
class ThreadsInStep
{
public:
    explicit ThreadsInStep(int n) : fCount(n) {}

    void Run(std::vector<std::function<void(int)>> const& steps)
    {
        std::vector<std::thread> threads;
        for (int i = 0; i < fCount; ++i)
            threads.emplace_back(
                [&, i]
                {
                    for (auto const& step : steps)
                    {
                        step(i);
                        Arrive();
                    }
                });
        for (std::thread& t : threads)
            t.join();
    }

private:
    void Arrive()
    {
        std::unique_lock<std::mutex> lock(fMutex);
        int const generation = fGeneration;
        if (++fArrived == fCount)
        {
            fArrived = 0;
            ++fGeneration;
            fWake.notify_all();
            return;
        }
        fWake.wait(lock, [&] { return fGeneration != generation; });
    }

    int const fCount;
    std::mutex fMutex;
    std::condition_variable fWake;
    int fArrived = 0;
    int fGeneration = 0;
};

TEST(GThreadLocalTableTest, EachThreadSeesOnlyItsOwnItems)
{
    GThreadLocalTable<int> table;
    constexpr int cThreads = 4;
    std::vector<GTable<int>*> seen(cThreads);
    std::vector<std::vector<int>> items(cThreads);
    ThreadsInStep(cThreads).Run({
        [&](int i)
        {
            for (int k = 0; k < 3; ++k)
                table.AddItem(100 * i + k);
        },
        [&](int i)
        {
            seen[i] = table.Instance();
            for (int k = 0; k < seen[i]->GetCount(); ++k)
                items[i].push_back((*seen[i])[k]);
        },
    });
    for (int i = 0; i < cThreads; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i], (std::vector<int>{100 * i, 100 * i + 1, 100 * i + 2}));
        for (int j = 0; j < i; ++j)
            EXPECT_NE(seen[i], seen[j]);
    }
    EXPECT_EQ(table.GetThreadCount(), cThreads);
}

TEST(GThreadLocalTableTest, ConstInstanceNeverMakesATable)
{
    GThreadLocalTable<int> table;
    GThreadLocalTable<int> const& reader = table;
    EXPECT_EQ(reader.Instance(), nullptr);
    EXPECT_EQ(table.GetThreadCount(), 0);

    GTable<int>* mine = table.Instance();
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(reader.Instance(), mine);
    EXPECT_EQ(table.Instance(), mine) << "a second call finds the same table";

    GTable<int>* other = mine;
    std::thread([&] { other = reader.Instance(); }).join();
    EXPECT_EQ(other, nullptr) << "another thread has no table until it asks for one";
}

TEST(GThreadLocalTableTest, RecoveredTablesArePooledUpToFiveAndTheRestDeleted)
{
    GThreadLocalTable<int> table;
    constexpr int cThreads = 7;
    std::vector<GTable<int>*> tables(cThreads);
    std::mutex order;
    int recovered = 0;
    std::vector<int> poolAfter(cThreads);
    ThreadsInStep(cThreads).Run({
        [&](int i)
        {
            tables[i] = table.Instance();
            tables[i]->AddItem(i);
            tables[i]->RemoveLastItem();
        },
        [&](int i)
        {
            std::lock_guard<std::mutex> lock(order);
            table.RecoverEmptyTable(*tables[i]);
            poolAfter[recovered++] = table.GetPoolCount();
        },
    });
    EXPECT_EQ(poolAfter, (std::vector<int>{1, 2, 3, 4, 5, 5, 5}));
    EXPECT_EQ(table.GetThreadCount(), 0);
    // Deleting the two tables beyond the pool is checked by the leak checker at exit.
}

TEST(GThreadLocalTableTest, ANewThreadTakesTheLastPooledTable)
{
    GThreadLocalTable<int> table;
    GTable<int>* first = nullptr;
    GTable<int>* second = nullptr;
    ThreadsInStep(2).Run({
        [&](int i) { (i == 0 ? first : second) = table.Instance(); },
        [&](int i)
        {
            // One after the other, so that the pool order is known.
            if (i == 0)
                table.RecoverEmptyTable(*first);
        },
        [&](int i)
        {
            if (i == 1)
                table.RecoverEmptyTable(*second);
        },
    });
    ASSERT_EQ(table.GetPoolCount(), 2);

    GTable<int>* taken = nullptr;
    std::thread([&] { taken = table.Instance(); }).join();
    EXPECT_EQ(taken, second);
    EXPECT_EQ(table.GetPoolCount(), 1);
    EXPECT_EQ(table.Instance(), first);
    EXPECT_EQ(table.GetPoolCount(), 0);
    EXPECT_EQ(table.GetThreadCount(), 2);
}

TEST(GThreadLocalTableTest, TableStillInUseIsNotRecovered)
{
    GThreadLocalTable<int> table;
    GTable<int>* mine = table.Instance();
    mine->AddItem(7);

    table.RecoverEmptyTable(*mine);
    EXPECT_EQ(table.GetPoolCount(), 0) << "a table with items must not be pooled";
    ASSERT_EQ(table.Instance(), mine);
    EXPECT_EQ(mine->GetCount(), 1);

    // Another thread's table given back from here stays with that thread.
    GTable<int>* theirs = nullptr;
    std::thread([&] { theirs = table.Instance(); }).join();
    table.RecoverEmptyTable(*theirs);
    EXPECT_EQ(table.GetPoolCount(), 0);
    EXPECT_EQ(table.GetThreadCount(), 2);
}

TEST(GThreadLocalTableTest, ARecoveredTableIsTakenFromThePoolAgain)
{
    GThreadLocalTable<int> table;
    GTable<int>* mine = table.Instance();
    table.RecoverEmptyTable(*mine);
    EXPECT_EQ(table.GetThreadCount(), 0);
    EXPECT_EQ(static_cast<GThreadLocalTable<int> const&>(table).Instance(), nullptr)
        << "a recovered table no longer belongs to the thread";

    EXPECT_EQ(table.Instance(), mine);
    EXPECT_EQ(table.GetPoolCount(), 0) << "taken out of the pool, so no other thread can get it";
    EXPECT_EQ(table.GetThreadCount(), 1);
}

TEST(GThreadLocalTableTest, TableMadeWhereAnotherWasSeesNoneOfItsTables)
{
    for (int round = 0; round < 3; ++round)
    {
        SCOPED_TRACE(round);
        auto* first = new GThreadLocalTable<int>;
        first->AddItem(1);
        delete first;
        // Often at the same address as the first one.
        auto* second = new GThreadLocalTable<int>;
        EXPECT_EQ(static_cast<GThreadLocalTable<int> const*>(second)->Instance(), nullptr);
        EXPECT_EQ(second->Instance()->GetCount(), 0);
        delete second;
    }
}

TEST(GThreadLocalTableTest, DestructorDeletesPooledAndMappedTables)
{
    // Runs clean under the leak checker only if every table is deleted.
    auto* table = new GThreadLocalTable<int>;
    table->AddItem(1);
    std::thread(
        [&]
        {
            table->AddItem(2);
            table->Instance()->RemoveLastItem();
            table->RecoverEmptyTable(*table->Instance());
        })
        .join();
    std::thread([&] { table->AddItem(3); }).join();
    EXPECT_EQ(table->GetThreadCount(), 2);
    delete table;
}

TEST(GThreadLocalTableTest, ThreadIdsDifferingOnlyAboveBit31KeepApart)
{
    long const low = 0x1000;
    long const high = low + (1L << 32);
    EXPECT_NE(GDictHash(low), GDictHash(high));
    GDict<long, int> dict;
    dict.Put(low, 1);
    dict.Put(high, 2);
    EXPECT_EQ(dict.GetCount(), 2);
    EXPECT_EQ(*dict.Find(low), 1);
    EXPECT_EQ(*dict.Find(high), 2);
}
} // namespace
