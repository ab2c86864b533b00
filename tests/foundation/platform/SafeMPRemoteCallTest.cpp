// Calls on the main thread: direct on the main thread, through the main run loop from other threads,
// the runtime class that carries them, and the sleep that keeps the main run loop serving.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "MPFuncWrapper.h"
#include "MainRunLoop.h"
#include "SafeMPRemoteCall.h"
#include "macos/CoreServicesStandIn.h"
#include "macos/ObjCRuntimeStandIn.h"

namespace
{
using testsupport::CurrentThreadID;
using testsupport::IsOnMainThread;
using testsupport::ServeMainRunLoopUntil;

// The thread a function ran on, and what it was given.
long sRanOnThread = 0;

long ThreadPlus(long added)
{
    sRanOnThread = CurrentThreadID();
    return sRanOnThread + added;
}

int Sum(int a, int* b)
{
    sRanOnThread = CurrentThreadID();
    return a + *b;
}

short Answer()
{
    sRanOnThread = CurrentThreadID();
    return 42;
}

// Makes a class as another component loaded into the same host would.
void RegisterForeignClass(char const* name)
{
    Class const cls = objc_allocateClassPair(objc_getClass("NSObject"), name, 0);
    ASSERT_NE(cls, nullptr);
    objc_registerClassPair(cls);
}

// What the carrier class must have for its calls to run.
bool IsCarrierClass(Class cls)
{
    if (!cls || class_getSuperclass(cls) != objc_getClass("NSObject"))
        return false;
    Ivar const function = class_getInstanceVariable(cls, "mProc");
    Ivar const parameter = class_getInstanceVariable(cls, "mParam");
    Method const execute = class_getInstanceMethod(cls, sel_registerName("Execute"));
    return function && parameter && execute && std::strcmp(ivar_getTypeEncoding(function), "@") == 0 &&
           std::strcmp(method_getTypeEncoding(execute), "@:") == 0;
}

// One call from a second thread while the main thread serves its run loop; true when it ran on the
// main thread and its result was in the record when the calling thread got control back.
bool CallFromSecondThread()
{
    MPFunc1Wrapper<long, long> record{0, &ThreadPlus, 7};
    std::atomic<bool> returned{false};
    long resultSeenByCaller = 0;
    std::thread caller(
        [&]
        {
            SafeMPRemoteCall(&decltype(record)::MPCallWrapper, &record);
            resultSeenByCaller = record.fResult;
            returned = true;
        });
    bool const served = ServeMainRunLoopUntil([&] { return returned.load(); });
    caller.join();
    return served && sRanOnThread == getpid() && resultSeenByCaller == getpid() + 7;
}
} // namespace

TEST(SafeMPRemoteCallTest, TestsRunOnTheProcessesFirstThread)
{
    ASSERT_TRUE(IsOnMainThread());
    EXPECT_FALSE(MPTaskIsPreemptive(MPCurrentTaskID()));
    bool preemptiveElsewhere = false;
    std::thread([&] { preemptiveElsewhere = MPTaskIsPreemptive(MPCurrentTaskID()); }).join();
    EXPECT_TRUE(preemptiveElsewhere);
}

TEST(SafeMPRemoteCallTest, CallsDirectlyOnTheMainThread)
{
    sRanOnThread = 0;
    int b = 5;
    MPFunc2Wrapper<int, int, int*> sum{0, &Sum, 3, &b};
    // Nothing serves the run loop here: the call can only have been made directly.
    SafeMPRemoteCall(&decltype(sum)::MPCallWrapper, &sum);
    EXPECT_EQ(sum.fResult, 8);
    EXPECT_EQ(sRanOnThread, getpid());

    MPFunc0Wrapper<short> answer{0, &Answer};
    SafeMPRemoteCall(&decltype(answer)::MPCallWrapper, &answer);
    EXPECT_EQ(answer.fResult, 42);
}

TEST(SafeMPRemoteCallTest, RunsACallFromAnotherThreadOnTheMainThread)
{
    sRanOnThread = 0;
    EXPECT_TRUE(CallFromSecondThread());
    Class const carrier = SafeMPRemoteCallClass();
    EXPECT_TRUE(IsCarrierClass(carrier));
    // Kept for the life of the process.
    EXPECT_TRUE(CallFromSecondThread());
    EXPECT_EQ(SafeMPRemoteCallClass(), carrier);
}

TEST(SafeMPRemoteCallTest, CallsOfManyThreadsRunOneAfterAnotherOnTheMainThread)
{
    constexpr int cThreads = 6;
    constexpr int cCallsEach = 25;
    // Only the main thread touches these, so no lock is needed if the calls really run there.
    struct Tally
    {
        int fCalls = 0;
        int fOffMain = 0;
    } tally;
    auto const count = [](void* raw) -> void*
    {
        Tally* t = static_cast<Tally*>(raw);
        ++t->fCalls;
        if (!IsOnMainThread())
            ++t->fOffMain;
        return nullptr;
    };
    std::atomic<int> finished{0};
    std::vector<std::thread> callers;
    for (int i = 0; i < cThreads; ++i)
        callers.emplace_back(
            [&]
            {
                for (int j = 0; j < cCallsEach; ++j)
                    SafeMPRemoteCall(count, &tally);
                ++finished;
            });
    bool const served = ServeMainRunLoopUntil([&] { return finished.load() == cThreads; });
    for (std::thread& caller : callers)
        caller.join();
    ASSERT_TRUE(served);
    EXPECT_EQ(tally.fCalls, cThreads * cCallsEach);
    EXPECT_EQ(tally.fOffMain, 0);
}

// The carrier class is made once per process, so these run in a fresh process each.
TEST(SafeMPRemoteCallDeathTest, TakesANumberedClassNameWhenAnotherComponentHasTheName)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            RegisterForeignClass("RemoteProcedure");
            bool const called = CallFromSecondThread();
            Class const carrier = SafeMPRemoteCallClass();
            bool const numbered = std::strcmp(class_getName(carrier), "RemoteProcedure_1") == 0;
            bool const foreignUntouched = !IsCarrierClass(objc_getClass("RemoteProcedure"));
            std::_Exit(called && numbered && IsCarrierClass(carrier) && foreignUntouched ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(SafeMPRemoteCallDeathTest, SkipsEveryNumberAlreadyTaken)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            RegisterForeignClass("RemoteProcedure");
            RegisterForeignClass("RemoteProcedure_1");
            RegisterForeignClass("RemoteProcedure_2");
            bool const called = CallFromSecondThread();
            std::_Exit(called && std::strcmp(class_getName(SafeMPRemoteCallClass()), "RemoteProcedure_3") == 0
                           ? 0
                           : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(SafeMPRemoteCallDeathTest, ThreadsMakingTheirFirstCallTogetherShareOneClass)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            constexpr int cThreads = 8;
            std::mutex lock;
            std::condition_variable go;
            int waiting = 0;
            std::atomic<int> finished{0};
            std::atomic<int> calls{0};
            auto const count = [](void* raw) -> void*
            {
                ++*static_cast<std::atomic<int>*>(raw);
                return nullptr;
            };
            std::vector<std::thread> callers;
            for (int i = 0; i < cThreads; ++i)
                callers.emplace_back(
                    [&]
                    {
                        {
                            std::unique_lock<std::mutex> held(lock);
                            ++waiting;
                            go.notify_all();
                            go.wait(held, [&] { return waiting == cThreads; });
                        }
                        SafeMPRemoteCall(count, &calls);
                        ++finished;
                    });
            bool const served = ServeMainRunLoopUntil([&] { return finished.load() == cThreads; });
            for (std::thread& caller : callers)
                caller.join();
            bool const oneClass =
                objc_getClass("RemoteProcedure") != nullptr && objc_getClass("RemoteProcedure_1") == nullptr;
            std::_Exit(served && calls.load() == cThreads && oneClass ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(SafeMPSleepTest, ServesTheMainRunLoopWhileSleepingOnTheMainThread)
{
    // A source signalled and a timer due during the sleep: both are served before it ends.
    struct Served
    {
        int fSource = 0;
        int fTimer = 0;
    } served;
    CFRunLoopSourceContext sourceContext{};
    sourceContext.info = &served;
    sourceContext.perform = [](void* info) { ++static_cast<Served*>(info)->fSource; };
    CFRunLoopSourceRef const source = CFRunLoopSourceCreate(kCFAllocatorDefault, 0, &sourceContext);
    CFRunLoopTimerContext timerContext{};
    timerContext.info = &served;
    CFRunLoopTimerRef const timer = CFRunLoopTimerCreate(
        kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + 0.05, 0, 0, 0,
        [](CFRunLoopTimerRef, void* info) { ++static_cast<Served*>(info)->fTimer; }, &timerContext);
    CFRunLoopRef const loop = CFRunLoopGetMain();
    CFRunLoopAddSource(loop, source, kCFRunLoopDefaultMode);
    CFRunLoopAddTimer(loop, timer, kCFRunLoopCommonModes);
    CFRunLoopSourceSignal(source);

    auto const start = std::chrono::steady_clock::now();
    SafeMPSleep(200);
    auto const slept = std::chrono::steady_clock::now() - start;

    EXPECT_GE(slept, std::chrono::milliseconds(200));
    EXPECT_EQ(served.fSource, 1);
    EXPECT_EQ(served.fTimer, 1);
    CFRunLoopRemoveSource(loop, source, kCFRunLoopDefaultMode);
    CFRelease(source);
    CFRelease(timer);
}

TEST(SafeMPSleepTest, ServesCallsOfOtherThreadsWhileSleepingOnTheMainThread)
{
    sRanOnThread = 0;
    MPFunc1Wrapper<long, long> record{0, &ThreadPlus, 1};
    std::atomic<bool> returned{false};
    std::thread caller(
        [&]
        {
            SafeMPRemoteCall(&decltype(record)::MPCallWrapper, &record);
            returned = true;
        });
    // The caller's request may reach the queue during any of these sleeps.
    for (int i = 0; i < 1200 && !returned; ++i)
        SafeMPSleep(50);
    caller.join();
    EXPECT_EQ(record.fResult, getpid() + 1);
    EXPECT_EQ(sRanOnThread, getpid());
}

TEST(SafeMPSleepTest, SleepsPlainlyOnOtherThreads)
{
    // A source signalled on the thread's own loop stays unserved: that thread does not run its loop.
    int performed = 0;
    std::chrono::steady_clock::duration slept{};
    std::thread(
        [&]
        {
            CFRunLoopSourceContext context{};
            context.info = &performed;
            context.perform = [](void* info) { ++*static_cast<int*>(info); };
            CFRunLoopSourceRef const source = CFRunLoopSourceCreate(kCFAllocatorDefault, 0, &context);
            CFRunLoopAddSource(CFRunLoopGetCurrent(), source, kCFRunLoopCommonModes);
            CFRunLoopSourceSignal(source);
            auto const start = std::chrono::steady_clock::now();
            SafeMPSleep(100);
            slept = std::chrono::steady_clock::now() - start;
            CFRunLoopRemoveSource(CFRunLoopGetCurrent(), source, kCFRunLoopCommonModes);
            CFRelease(source);
        })
        .join();
    EXPECT_GE(slept, std::chrono::milliseconds(100));
    EXPECT_EQ(performed, 0);
}
