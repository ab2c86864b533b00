// Progress: nested phases per thread folded into one fraction, pushed into the progressor, which
// never goes back; cancellation surfaces once from the next Start.
#include <gtest/gtest.h>

#include <thread>

#include "GAbortException.h"
#include "GDefaultProgressCenter.h"
#include "GProgressor.h"

namespace
{
struct CountingProgressor : GProgressor
{
    void ValueChangedSelf() override { ++fValueChanges; }
    void MaximumChangedSelf() override { ++fMaximumChanges; }
    void SetTextSelf() override { ++fTextChanges; }
    int fValueChanges = 0;
    int fMaximumChanges = 0;
    int fTextChanges = 0;
};

struct DeletionCounter : GProgressor
{
    explicit DeletionCounter(int& count) : fCount(count) {}
    ~DeletionCounter() override { ++fCount; }
    int& fCount;
};

TEST(ProgressorTest, HooksRunOnlyOnChange)
{
    CountingProgressor progressor;
    EXPECT_EQ(progressor.GetValue(), -1);
    EXPECT_EQ(progressor.GetMaximum(), -1);
    progressor.SetToMaximum();
    EXPECT_EQ(progressor.GetValue(), -1);
    EXPECT_EQ(progressor.fValueChanges, 0);

    progressor.SetMaximum(10);
    progressor.SetMaximum(10);
    EXPECT_EQ(progressor.fMaximumChanges, 1);
    progressor.SetValue(5);
    progressor.SetValue(5);
    progressor.SetValue(3);
    EXPECT_EQ(progressor.GetValue(), 5);
    EXPECT_EQ(progressor.fValueChanges, 1);
    progressor.ForceValue(3);
    progressor.ForceValue(3);
    EXPECT_EQ(progressor.GetValue(), 3);
    EXPECT_EQ(progressor.fValueChanges, 3);
    progressor.SetToMaximum();
    EXPECT_EQ(progressor.GetValue(), 10);
    progressor.ResetValue();
    EXPECT_EQ(progressor.GetValue(), -1);
    progressor.SetText(GString("step"));
    progressor.SetText(GString("step"));
    EXPECT_EQ(progressor.fTextChanges, 1);
}

TEST(DefaultProgressCenterTest, NestedPhasesFoldIntoOneTotalShownInTheProgressor)
{
    GDefaultProgressCenter center;
    auto* progressor = new CountingProgressor;
    progressor->SetMaximum(200);
    center.SetProgressor(progressor);
    EXPECT_EQ(center.GetTotalProgress(), 1.0);

    center.Start(1);
    center.Start(0.5);
    center.Stop();
    EXPECT_DOUBLE_EQ(center.GetTotalProgress(), 0.5);
    EXPECT_EQ(progressor->GetValue(), 100);
    center.Start(0.5);
    center.Stop();
    EXPECT_DOUBLE_EQ(center.GetTotalProgress(), 1.0);
    EXPECT_EQ(progressor->GetValue(), 200);
    // Credits beyond the whole phase stay at 1.
    center.Start(0.75);
    center.Stop();
    EXPECT_DOUBLE_EQ(center.GetTotalProgress(), 1.0);
    center.Stop();
    EXPECT_EQ(center.GetTotalProgress(), 1.0);
    // A Stop without a phase is ignored.
    center.Stop();
    EXPECT_EQ(center.GetTotalProgress(), 1.0);
}

TEST(DefaultProgressCenterTest, ValuesBeyondThirtyTwoBitsAreShown)
{
    GDefaultProgressCenter center;
    auto* progressor = new GProgressor;
    progressor->SetMaximum(8000000000LL);
    center.SetProgressor(progressor);
    center.Start(1);
    center.Start(0.25);
    center.Stop();
    EXPECT_EQ(progressor->GetValue(), 2000000000LL);
    center.Start(0.5);
    center.Stop();
    EXPECT_EQ(progressor->GetValue(), 6000000000LL);
    center.Stop();
}

TEST(DefaultProgressCenterTest, ThreadsNestTheirOwnPhases)
{
    GDefaultProgressCenter center;
    center.Start(1);
    center.Start(0.5);
    center.Stop();
    double otherBefore = 0;
    double otherInside = 0;
    std::thread other([&] {
        otherBefore = center.GetTotalProgress();
        center.Start(1);
        center.Start(0.25);
        center.Stop();
        otherInside = center.GetTotalProgress();
        center.Stop();
    });
    other.join();
    EXPECT_EQ(otherBefore, 1.0);
    EXPECT_DOUBLE_EQ(otherInside, 0.25);
    EXPECT_DOUBLE_EQ(center.GetTotalProgress(), 0.5);
    center.Stop();
}

TEST(DefaultProgressCenterTest, AbortIsThrownOnceWithoutPushingAPhase)
{
    GDefaultProgressCenter center;
    center.NotifyAbort();
    EXPECT_THROW(center.Start(0.5), GAbortException);
    EXPECT_EQ(center.GetTotalProgress(), 1.0);
    EXPECT_NO_THROW(center.Start(0.5));
    center.Stop();
    center.NotifyAbort();
    EXPECT_THROW(center.ThrowIfAborted(), GAbortException);
    EXPECT_NO_THROW(center.ThrowIfAborted());
}

TEST(ProgressCenterTest, OwnedProgressorsAreDeletedOnceAndTheSameOneIsKept)
{
    int deleted = 0;
    DeletionCounter borrowed(deleted);
    {
        GDefaultProgressCenter center;
        auto* first = new DeletionCounter(deleted);
        center.SetProgressor(first);
        center.SetProgressor(first);
        EXPECT_EQ(deleted, 0);
        EXPECT_EQ(center.GetCurrentProgressor(), first);
        center.SetProgressor(new DeletionCounter(deleted));
        EXPECT_EQ(deleted, 1);

        center.SetProgressor(nullptr);
        EXPECT_EQ(deleted, 2);
        center.SetTakeProgressorOwnerShip(false);
        center.SetProgressor(&borrowed);
    }
    EXPECT_EQ(deleted, 2);
}

TEST(ProgressCenterTest, SetInstanceHandsThePreviousCentreBackOwned)
{
    GAutoPtr<GProgressCenter> saved = GProgressCenter::SetInstance(nullptr);
    int deleted = 0;
    auto* center = new GDefaultProgressCenter;
    center->SetProgressor(new DeletionCounter(deleted));
    EXPECT_TRUE(GProgressCenter::SetInstance(center).IsNull());
    EXPECT_EQ(GProgressCenter::GetInstance(), center);
    {
        GAutoPtr<GProgressCenter> previous = GProgressCenter::SetInstance(nullptr);
        EXPECT_EQ(previous.Get(), center);
        EXPECT_TRUE(previous.IsOwner());
    }
    EXPECT_EQ(deleted, 1);
    GProgressCenter::SetInstance(saved.Release());
}
} // namespace
