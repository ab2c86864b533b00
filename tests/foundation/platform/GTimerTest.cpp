// The stopwatch: running and stopped intervals, their accumulation, and what Start, Stop, Reset and
// Restart leave. Elapsed times are checked against sleeps from below and against the steady clock
// read around them from above, never against a tight bound.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "GTimer.h"

namespace
{
using Clock = std::chrono::steady_clock;

// Allows for the rounding of nanoseconds to doubles on either side.
constexpr double cRounding = 1e-6;

void SleepSeconds(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}
} // namespace

TEST(GTimerTest, NewTimerIsStoppedAtZero)
{
    GTimer const timer;
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_EQ(timer.GetElapsedSeconds(), 0.0);
    EXPECT_EQ(timer, GTimer());
}

TEST(GTimerTest, ElapsedTimeGrowsWhileRunningAndHoldsWhileStopped)
{
    GTimer timer;
    timer.Start();
    EXPECT_TRUE(timer.IsRunning());
    double previous = timer.GetElapsedSeconds();
    for (int i = 0; i < 3; ++i)
    {
        SleepSeconds(0.01);
        double const now = timer.GetElapsedSeconds();
        EXPECT_GE(now - previous, 0.01 - cRounding);
        previous = now;
    }
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    double const held = timer.GetElapsedSeconds();
    EXPECT_GE(held, 0.03 - cRounding);
    SleepSeconds(0.02);
    EXPECT_EQ(timer.GetElapsedSeconds(), held);
}

TEST(GTimerTest, IntervalsAccumulateAndTheTimeBetweenThemDoesNotCount)
{
    Clock::time_point const outerStart = Clock::now();
    GTimer timer;
    timer.Start();
    SleepSeconds(0.02);
    timer.Stop();
    double const first = timer.GetElapsedSeconds();
    EXPECT_GE(first, 0.02 - cRounding);

    constexpr double cGap = 0.05;
    SleepSeconds(cGap);
    timer.Start();
    SleepSeconds(0.03);
    EXPECT_GE(timer.GetElapsedSeconds(), first + 0.03 - cRounding) << "while running";
    timer.Stop();
    double const total = timer.GetElapsedSeconds();
    double const outer = SecondsSince(outerStart);

    EXPECT_GE(total, first + 0.03 - cRounding);
    // Both intervals lie inside the outer reading, and the gap between them lies outside both.
    EXPECT_LE(total, outer - cGap + cRounding);
}

TEST(GTimerTest, StartWhileRunningAndStopWhileStoppedChangeNothing)
{
    GTimer timer;
    timer.Start();
    GTimer const running = timer;
    SleepSeconds(0.005);
    timer.Start();
    EXPECT_EQ(timer, running) << "the interval under way keeps its start";

    timer.Stop();
    GTimer const stopped = timer;
    SleepSeconds(0.005);
    timer.Stop();
    EXPECT_EQ(timer, stopped);
    EXPECT_EQ(timer.GetElapsedSeconds(), stopped.GetElapsedSeconds());
}

TEST(GTimerTest, ResetStopsAtZeroAndRestartRunsFromZero)
{
    struct Case
    {
        char const* fLabel;
        bool fRunning;
        std::function<void(GTimer&)> fAct;
        bool fRunningAfter;
    };
    std::vector<Case> const cases = {
        {"reset a running timer", true, [](GTimer& t) { t.Reset(); }, false},
        {"reset a stopped timer", false, [](GTimer& t) { t.Reset(); }, false},
        {"restart a running timer", true, [](GTimer& t) { t.Restart(); }, true},
        {"restart a stopped timer", false, [](GTimer& t) { t.Restart(); }, true},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        GTimer timer;
        timer.Start();
        SleepSeconds(0.02);
        if (!c.fRunning)
            timer.Stop();
        ASSERT_GE(timer.GetElapsedSeconds(), 0.02 - cRounding);

        Clock::time_point const before = Clock::now();
        c.fAct(timer);
        EXPECT_EQ(timer.IsRunning(), c.fRunningAfter);
        double const elapsed = timer.GetElapsedSeconds();
        if (c.fRunningAfter)
            EXPECT_LE(elapsed, SecondsSince(before) + cRounding) << "nothing from before is kept";
        else
            EXPECT_EQ(elapsed, 0.0);
    }
}

TEST(GTimerTest, EveryTimerReadsOneClockThatNeverGoesBack)
{
    double last = GTimer::GetCurrentSeconds();
    for (int i = 0; i < 1000; ++i)
    {
        double const now = GTimer::GetCurrentSeconds();
        ASSERT_GE(now, last);
        last = now;
    }
    double fromOtherThread = -1;
    std::thread([&fromOtherThread] { fromOtherThread = GTimer::GetCurrentSeconds(); }).join();
    EXPECT_GE(fromOtherThread, last) << "one origin for the whole process";
}

TEST(GTimerTest, CopiesAreEqualUntilOneOfThemChanges)
{
    GTimer timer;
    timer.Start();
    GTimer copy = timer;
    EXPECT_EQ(copy, timer);
    EXPECT_TRUE(copy.IsRunning()) << "a copy of a running timer runs on from the same start";
    copy.Stop();
    EXPECT_NE(copy, timer);
    SleepSeconds(0.001);
    timer.Stop();
    EXPECT_NE(copy, timer) << "stopped at different moments";
}
