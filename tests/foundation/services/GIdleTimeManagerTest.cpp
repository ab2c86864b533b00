// Idle time: clients take turns in round-robin order on the repeater signal, at most four runs a
// second, each run lasting about 0.05 seconds but giving at least one turn; the manager listens
// to the signal only while it has clients.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "GEmptyMessage.h"
#include "GIdleTimeClient.h"
#include "GIdleTimeManager.h"
#include "GSignal.h"

namespace
{
struct Client : GIdleTimeClient
{
    Client(char name, std::string& log) : fName(name), fLog(log) {}
    bool DoIdleTime() override
    {
        fLog += fName;
        if (fSleep > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(fSleep));
        if (fThrow)
            throw std::runtime_error("turn failed");
        return fTurnsLeft < 0 || --fTurnsLeft > 0;
    }
    char fName;
    std::string& fLog;
    int fTurnsLeft = -1;
    int fSleep = 0;
    bool fThrow = false;
};

void SendRepeater()
{
    GSignal<GEmptyMessage>::GetSignal(GIdleTimeManager::cRepeaterSignal)->Send(GEmptyMessage());
}

// Past the minimum interval since the manager subscribed or last ran.
void WaitForNextRun()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(260));
}

class IdleTimeManagerTest : public ::testing::Test
{
protected:
    std::string fLog;
    Client fA{'A', fLog};
    Client fB{'B', fLog};
    Client fC{'C', fLog};
    GIdleTimeManager fManager;
};

TEST_F(IdleTimeManagerTest, RunGivesTurnsRoundRobinFromTheClientAfterTheLastOne)
{
    fManager.RegisterClient(&fA);
    fManager.RegisterClient(&fB);
    fManager.RegisterClient(&fB);
    fManager.RegisterClient(&fC);
    WaitForNextRun();
    SendRepeater();
    // Quick turns go round and round until the budget is spent, starting after index 0.
    ASSERT_GE(fLog.size(), 3u);
    for (std::size_t i = 0; i < fLog.size(); ++i)
        EXPECT_EQ(fLog[i], "BCA"[i % 3]) << fLog;

    // A signal within the minimum interval gives no turn.
    std::size_t before = fLog.size();
    SendRepeater();
    EXPECT_EQ(fLog.size(), before);
}

TEST_F(IdleTimeManagerTest, RunOverBudgetStillGivesOneTurnAndTheNextRunGoesOn)
{
    fA.fSleep = fB.fSleep = 60;
    fManager.RegisterClient(&fA);
    fManager.RegisterClient(&fB);
    WaitForNextRun();
    SendRepeater();
    EXPECT_EQ(fLog, "B");
    WaitForNextRun();
    SendRepeater();
    EXPECT_EQ(fLog, "BA");
}

TEST_F(IdleTimeManagerTest, ClientAskingToGoIsDroppedAndTheLastOneEndsTheSubscription)
{
    fA.fTurnsLeft = 1;
    fManager.RegisterClient(&fA);
    fManager.RegisterClient(&fB);
    EXPECT_TRUE(fManager.Execute()); // B's turn
    EXPECT_TRUE(fManager.Execute()); // A's only turn: dropped
    EXPECT_EQ(fLog, "BA");
    EXPECT_EQ(fManager.ScheduleIdleTimeClient(), &fB);
    fManager.UnRegisterClient(&fB);
    EXPECT_FALSE(fManager.NeedsNextRun());
    EXPECT_FALSE(fManager.Execute());
    EXPECT_EQ(fManager.ScheduleIdleTimeClient(), nullptr);

    // No longer subscribed: however long it waits, a repeater signal reaches nobody.
    fLog.clear();
    fManager.RegisterClient(&fC);
    fManager.UnRegisterClient(&fC);
    WaitForNextRun();
    SendRepeater();
    EXPECT_EQ(fLog, "");
}

TEST_F(IdleTimeManagerTest, AClientRegisteredAgainWaitsAFullIntervalForItsFirstTurn)
{
    // The last client goes more than the interval after the subscription (or the last run), so the
    // timer stops with more than the interval on it.
    fManager.RegisterClient(&fA);
    WaitForNextRun();
    fManager.UnRegisterClient(&fA);
    ASSERT_FALSE(fManager.NeedsNextRun());

    auto const registered = std::chrono::steady_clock::now();
    fManager.RegisterClient(&fA);
    SendRepeater();
    // Only a machine too slow to come here within the interval could have seen a turn.
    if (std::chrono::steady_clock::now() - registered < std::chrono::milliseconds(250))
    {
        EXPECT_EQ(fLog.size(), 0u) << "the first run came before the interval was over";
    }
    WaitForNextRun();
    SendRepeater();
    EXPECT_EQ(fLog.substr(0, 1), "A");
}

TEST_F(IdleTimeManagerTest, ThrowingClientEndsTheRunWithTheFlagRestored)
{
    fB.fThrow = true;
    fManager.RegisterClient(&fA);
    fManager.RegisterClient(&fB);
    fManager.RegisterClient(&fC);
    WaitForNextRun();
    EXPECT_THROW(SendRepeater(), std::runtime_error);
    EXPECT_FALSE(fManager.IsExecuting());
    EXPECT_EQ(fLog, "B");
    // The index moved on: the next turn is C's.
    EXPECT_EQ(fManager.ScheduleIdleTimeClient(), &fC);
}

TEST(IdleTimeManagerInstanceTest, InitializeMakesAndFinalizeDeletesTheInstance)
{
    GIdleTimeManager* before = GIdleTimeManager::GetInstance();
    GIdleTimeManager::Finalize();
    EXPECT_EQ(GIdleTimeManager::GetInstance(), nullptr);
    GIdleTimeManager::Initialize();
    EXPECT_NE(GIdleTimeManager::GetInstance(), nullptr);
    if (!before)
        GIdleTimeManager::Finalize();
}
} // namespace
