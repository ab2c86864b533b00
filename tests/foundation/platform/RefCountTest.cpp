// The shared count behind every reference-counted object: the last release deletes, exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "GThreadSafeRefCount.h"

namespace
{
// Counts how often its destructor ran; the base deletes it through the virtual destructor.
class CountedObject : public GThreadSafeRefCount
{
public:
    explicit CountedObject(std::atomic<int>& deletions) : fDeletions(deletions) {}
    ~CountedObject() override { ++fDeletions; }

private:
    std::atomic<int>& fDeletions;
};

void RunOnThreads(int count, std::function<void()> const& work)
{
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i)
        threads.emplace_back(work);
    for (auto& thread : threads)
        thread.join();
}
} // namespace

TEST(RefCountTest, SecondStepOfZeroOneZeroDeletesOnce)
{
    std::atomic<int> deletions{0};
    CountedObject const* object = new CountedObject(deletions); // both steps work on const objects
    EXPECT_EQ(object->GetRefCount(), 0) << "a new object is owned by nobody";
    object->Acquire();
    EXPECT_EQ(object->GetRefCount(), 1);
    EXPECT_EQ(deletions, 0);
    object->Release();
    EXPECT_EQ(deletions, 1);
}

TEST(RefCountTest, OnlyTheLastOfSeveralReleasesDeletes)
{
    std::atomic<int> deletions{0};
    auto* object = new CountedObject(deletions);
    for (int i = 0; i < 3; ++i)
        object->Acquire();
    object->Release();
    object->Release();
    EXPECT_EQ(deletions, 0);
    EXPECT_EQ(object->GetRefCount(), 1);
    object->Release();
    EXPECT_EQ(deletions, 1);
}

TEST(RefCountTest, ConcurrentAcquireAndReleaseKeepCountExact)
{
    std::atomic<int> deletions{0};
    auto* object = new CountedObject(deletions);
    object->Acquire(); // the test's own reference keeps the object alive throughout
    RunOnThreads(4,
                 [object]
                 {
                     for (int i = 0; i < 50000; ++i)
                     {
                         object->Acquire();
                         object->Acquire();
                         object->Release();
                         object->Release();
                     }
                 });
    EXPECT_EQ(object->GetRefCount(), 1);
    EXPECT_EQ(deletions, 0);
    object->Release();
    EXPECT_EQ(deletions, 1);
}

TEST(RefCountTest, RacingLastReleasesDeleteExactlyOnce)
{
    constexpr int cThreads = 4;
    constexpr int cReferencesEach = 2000;
    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE(round);
        std::atomic<int> deletions{0};
        auto* object = new CountedObject(deletions);
        for (int i = 0; i < cThreads * cReferencesEach; ++i)
            object->Acquire();
        // Every thread drops its share at once; whichever takes the count to 0 deletes.
        RunOnThreads(cThreads,
                     [object]
                     {
                         for (int i = 0; i < cReferencesEach; ++i)
                             object->Release();
                     });
        EXPECT_EQ(deletions, 1);
    }
}
