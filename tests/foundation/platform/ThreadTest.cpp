// Detached threads started with one untyped argument, and the identity of the calling thread.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <set>
#include <thread>
#include <vector>

#include "PUNIXThreadImp.h"

namespace
{
constexpr auto cPatience = std::chrono::seconds(30);

// What a started thread saw, handed back under a mutex. The thread touches the record only
// while holding the mutex, so the waiting test may destroy it as soon as it has seen `fDone`.
struct ThreadReport
{
    std::mutex fMutex;
    std::condition_variable fChanged;
    bool fGo = false;
    bool fDone = false;
    void* fArgumentSeen = nullptr;
    long fThreadId = 0;
    bool fDetached = false;

    void Finish()
    {
        // notify under the lock: the record may be gone once the lock is released
        std::lock_guard<std::mutex> lock(fMutex);
        fDone = true;
        fChanged.notify_all();
    }
    bool WaitDone()
    {
        std::unique_lock<std::mutex> lock(fMutex);
        return fChanged.wait_for(lock, cPatience, [this] { return fDone; });
    }
};

void ReportThread(void* argument)
{
    auto* report = static_cast<ThreadReport*>(argument);
    {
        std::lock_guard<std::mutex> lock(report->fMutex);
        report->fArgumentSeen = argument;
        report->fThreadId = PUNIXThreadImp::GetCurrentThreadId();
    }
    report->Finish();
}

// Waits until the starter has returned (so the detach has happened), then reads its own state.
void DetachStateThread(void* argument)
{
    auto* report = static_cast<ThreadReport*>(argument);
    {
        std::unique_lock<std::mutex> lock(report->fMutex);
        report->fChanged.wait(lock, [report] { return report->fGo; });
        pthread_attr_t attributes;
        int state = PTHREAD_CREATE_JOINABLE;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0)
        {
            pthread_attr_getdetachstate(&attributes, &state);
            pthread_attr_destroy(&attributes);
        }
        report->fDetached = state == PTHREAD_CREATE_DETACHED;
    }
    report->Finish();
}
} // namespace

TEST(ThreadTest, BeginThreadRunsFunctionOnAnotherThreadWithItsArgument)
{
    ThreadReport report;
    PUNIXThreadImp::BeginThread(ReportThread, &report);
    ASSERT_TRUE(report.WaitDone());
    std::lock_guard<std::mutex> lock(report.fMutex);
    EXPECT_EQ(report.fArgumentSeen, &report);
    EXPECT_NE(report.fThreadId, PUNIXThreadImp::GetCurrentThreadId());
}

TEST(ThreadTest, StartedThreadIsDetached)
{
    ThreadReport report;
    PUNIXThreadImp::BeginThread(DetachStateThread, &report);
    {
        std::lock_guard<std::mutex> lock(report.fMutex);
        report.fGo = true;
        report.fChanged.notify_all();
    }
    ASSERT_TRUE(report.WaitDone());
    std::lock_guard<std::mutex> lock(report.fMutex);
    EXPECT_TRUE(report.fDetached);
}

TEST(ThreadTest, EveryStartedThreadRunsWithItsOwnArgument)
{
    constexpr int cThreads = 8;
    std::vector<ThreadReport> reports(cThreads);
    for (auto& report : reports)
        PUNIXThreadImp::BeginThread(ReportThread, &report);
    for (int i = 0; i < cThreads; ++i)
    {
        SCOPED_TRACE(i);
        ASSERT_TRUE(reports[i].WaitDone());
        std::lock_guard<std::mutex> lock(reports[i].fMutex);
        EXPECT_EQ(reports[i].fArgumentSeen, &reports[i]);
    }
}

TEST(ThreadTest, ThreadIdIsStableWithinThreadAndDiffersBetweenLiveThreads)
{
    long const mine = PUNIXThreadImp::GetCurrentThreadId();
    EXPECT_EQ(PUNIXThreadImp::GetCurrentThreadId(), mine);

    // The threads stay alive until every one has answered, so no id can be reused among them.
    constexpr int cThreads = 6;
    std::mutex mutex;
    std::condition_variable allAnswered;
    std::vector<long> first(cThreads), second(cThreads);
    int answered = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < cThreads; ++t)
        threads.emplace_back(
            [&, t]
            {
                long const id = PUNIXThreadImp::GetCurrentThreadId();
                std::unique_lock<std::mutex> lock(mutex);
                first[t] = id;
                ++answered;
                allAnswered.notify_all();
                allAnswered.wait(lock, [&] { return answered == cThreads; });
                second[t] = PUNIXThreadImp::GetCurrentThreadId();
            });
    for (auto& thread : threads)
        thread.join();

    std::set<long> distinct(first.begin(), first.end());
    distinct.insert(mine);
    EXPECT_EQ(distinct.size(), std::size_t(cThreads + 1));
    EXPECT_EQ(first, second);
}
