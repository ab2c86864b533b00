// Signals by integer id: immediate delivery while receivers come and go, delayed and consolidated
// delivery in passes, the registry's lifetime, and what an exception or a dying receiver leaves.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "GConsolidatedReceiver.h"
#include "GEmptyMessage.h"
#include "GReceiver.h"
#include "GSignal.h"
#include "GSignalBase.h"
#include "GSimpleException.h"

namespace
{
constexpr auto cPatience = std::chrono::seconds(30);

// A message that counts its live copies, so a test sees whether a queue still holds one.
struct Note
{
    static std::atomic<int> sLiveCopies;

    explicit Note(int value = 0) : fValue(value) { ++sLiveCopies; }
    Note(Note const& other) : fValue(other.fValue) { ++sLiveCopies; }
    Note& operator=(Note const&) = default;
    ~Note() { --sLiveCopies; }

    int fValue;
};
std::atomic<int> Note::sLiveCopies{0};

using Log = std::vector<std::string>;

// Writes "name:signal:value" for every message, then runs its action, if any.
class Recorder : public GReceiver<Note>
{
public:
    Recorder(std::string name, Log& log) : fName(std::move(name)), fLog(log) {}

    void Receive(int signalId, Note const& message) override
    {
        fLog.push_back(fName + ":" + std::to_string(signalId) + ":" + std::to_string(message.fValue));
        ++fCalls;
        if (fAction)
            fAction(*this);
    }

    std::function<void(Recorder&)> fAction;
    int fCalls = 0;

private:
    std::string fName;
    Log& fLog;
};

class CountingConsolidated : public GConsolidatedReceiver
{
public:
    void ReceiveConsolidated() override { ++fCalls; }
    int fCalls = 0;
};

// Every test starts with a queue and an empty registry and leaves none of its signals behind.
class GSignalTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GSignalBase::Finalize();
        GSignalBase::Initialize();
        fCopiesBefore = Note::sLiveCopies;
    }
    void TearDown() override { GSignalBase::Finalize(); }

    int QueuedCopies() const { return Note::sLiveCopies - fCopiesBefore; }

    Log fLog;
    int fCopiesBefore = 0;
};
} // namespace

TEST_F(GSignalTest, DeliversToReceiversInSubscriptionOrder)
{
    Recorder a("a", fLog), b("b", fLog), c("c", fLog);
    b.Subscribe(500);
    a.Subscribe(500);
    c.Subscribe(501);
    a.Subscribe(501);

    GSignal<Note>::GetSignal(500)->Send(Note(7));
    GSignal<Note>::GetSignal(501)->Send(Note(8));

    EXPECT_EQ(fLog, (Log{"b:500:7", "a:500:7", "c:501:8", "a:501:8"}));
}

TEST_F(GSignalTest, DoubleSubscriptionDeliversTwiceAndEachUnSubscribeRemovesOne)
{
    Recorder twice("twice", fLog);
    twice.Subscribe(502);
    twice.Subscribe(502);
    GSignal<Note>* signal = GSignal<Note>::GetSignal(502);

    signal->Send(Note(1));
    EXPECT_EQ(twice.fCalls, 2);
    twice.UnSubscribe(502);
    signal->Send(Note(2));
    EXPECT_EQ(twice.fCalls, 3);
    twice.UnSubscribe(502);
    twice.UnSubscribe(502); // nothing left to remove
    signal->Send(Note(3));
    EXPECT_EQ(twice.fCalls, 3);
}

TEST_F(GSignalTest, ReceiverLeavingInsideReceiveIsNotCalledAgainAndOthersAreCalledOnce)
{
    for (int leaver = 0; leaver < 3; ++leaver)
    {
        SCOPED_TRACE("leaver at " + std::to_string(leaver));
        int const id = 510 + leaver;
        Log log;
        Recorder r0("r0", log), r1("r1", log), r2("r2", log);
        Recorder* receivers[] = {&r0, &r1, &r2};
        for (Recorder* r : receivers)
            r->Subscribe(id);
        receivers[leaver]->fAction = [id](Recorder& self) { self.UnSubscribe(id); };

        GSignal<Note>::GetSignal(id)->Send(Note(1));
        EXPECT_EQ(log, (Log{"r0:" + std::to_string(id) + ":1", "r1:" + std::to_string(id) + ":1",
                            "r2:" + std::to_string(id) + ":1"}));
        GSignal<Note>::GetSignal(id)->Send(Note(2));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(receivers[i]->fCalls, i == leaver ? 1 : 2) << "receiver " << i;
    }
}

TEST_F(GSignalTest, LeavingDuringDeliveryDropsTheFirstSubscriptionAndSkipsNoOne)
{
    // x stands first and third; on its second call it leaves. The first subscription goes, not the
    // one it is called through, and the delivery still reaches b after it.
    Recorder x("x", fLog), a("a", fLog), b("b", fLog);
    x.Subscribe(520);
    a.Subscribe(520);
    x.Subscribe(520);
    b.Subscribe(520);
    x.fAction = [](Recorder& self)
    {
        if (self.fCalls == 2)
            self.UnSubscribe(520);
    };
    GSignal<Note>* signal = GSignal<Note>::GetSignal(520);
    signal->Send(Note(1));
    EXPECT_EQ(fLog, (Log{"x:520:1", "a:520:1", "x:520:1", "b:520:1"}));
    fLog.clear();
    signal->Send(Note(2));
    EXPECT_EQ(fLog, (Log{"a:520:2", "x:520:2", "b:520:2"}));
}

TEST_F(GSignalTest, ReceiversChangingOthersDuringDelivery)
{
    struct Case
    {
        char const* fName;
        Log fExpected;
    };
    // a acts on b (not reached yet) or on c (already reached), or brings in d.
    Case const cases[] = {
        {"unsubscribes one not yet reached", {"c:530:1", "a:530:1"}},
        {"unsubscribes one already reached", {"c:530:1", "a:530:1", "b:530:1"}},
        {"subscribes a new one", {"c:530:1", "a:530:1", "b:530:1", "d:530:1"}},
    };
    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE(cases[i].fName);
        Log log;
        Recorder c("c", log), a("a", log), b("b", log), d("d", log);
        c.Subscribe(530);
        a.Subscribe(530);
        b.Subscribe(530);
        if (i == 0)
            a.fAction = [&b](Recorder&) { b.UnSubscribe(530); };
        else if (i == 1)
            a.fAction = [&c](Recorder&) { c.UnSubscribe(530); };
        else
            a.fAction = [&d](Recorder&) { d.Subscribe(530); };
        GSignal<Note>::GetSignal(530)->Send(Note(1));
        EXPECT_EQ(log, cases[i].fExpected);
    }
}

TEST_F(GSignalTest, BaseLookupFindsOnlySignalsFetchedThroughTheTemplate)
{
    EXPECT_EQ(GSignalBase::GetSignal(540), nullptr);
    EXPECT_EQ(GSignalBase::GetSignal(540), nullptr) << "asking must not make one";
    GSignal<Note>* made = GSignal<Note>::GetSignal(540);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(GSignalBase::GetSignal(540), made);
    EXPECT_EQ(GSignal<Note>::GetSignal(540), made);
    EXPECT_EQ(made->GetID(), 540);

    GSignalBase::Finalize();
    EXPECT_EQ(GSignalBase::GetSignal(540), nullptr);
    GSignalBase::Initialize();
}

TEST_F(GSignalTest, SendQueuesOnlyForDelayedReceiversAndMarksOnlyForConsolidatedOnes)
{
    struct Case
    {
        char const* fName;
        bool fImmediate, fDelayed, fConsolidated;
        int fExpectedQueued;
        bool fExpectedPending;
    };
    Case const cases[] = {
        {"no receivers", false, false, false, 0, false},
        {"immediate receiver only", true, false, false, 0, false},
        {"delayed receiver", false, true, false, 1, false},
        {"consolidated receiver", false, false, true, 0, true},
    };
    int id = 550;
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        ++id;
        Recorder receiver("r", fLog);
        CountingConsolidated consolidated;
        GSignal<Note>* signal = GSignal<Note>::GetSignal(id);
        if (c.fImmediate)
            signal->Subscribe(&receiver);
        if (c.fDelayed)
            signal->SubscribeDelayed(&receiver);
        if (c.fConsolidated)
            signal->SubscribeConsolidated(&consolidated);

        int const before = QueuedCopies();
        signal->Send(Note(1));
        EXPECT_EQ(QueuedCopies() - before, c.fExpectedQueued);
        EXPECT_EQ(signal->IsConsolidatePending(), c.fExpectedPending);

        signal->UnSubscribe(&receiver);
        signal->UnSubscribeDelayed(&receiver);
        signal->UnSubscribeConsolidated(&consolidated);
        GSignalBase::SendDelayedSignals(); // empties the queue while the receiver still exists
    }
}

TEST_F(GSignalTest, DelayedReceiversHearEachMessageOnceAtTheNextPass)
{
    Recorder later("later", fLog);
    GSignal<Note>* signal = GSignal<Note>::GetSignal(560);
    signal->SubscribeDelayed(&later);

    signal->Send(Note(1));
    signal->Send(Note(2));
    EXPECT_TRUE(fLog.empty()) << "nothing before the pass";
    EXPECT_EQ(QueuedCopies(), 2);

    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(fLog, (Log{"later:560:1", "later:560:2"}));
    EXPECT_EQ(QueuedCopies(), 0) << "the pass deletes what it delivered";

    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(fLog.size(), 2u);
    signal->UnSubscribeDelayed(&later);
}

TEST_F(GSignalTest, MessageQueuedDuringAPassWaitsForTheNextPass)
{
    Recorder later("later", fLog);
    GSignal<Note>* signal = GSignal<Note>::GetSignal(561);
    signal->SubscribeDelayed(&later);
    // Its first delayed call sends again, which queues a new message in the middle of the pass.
    later.fAction = [signal](Recorder& self)
    {
        if (self.fCalls == 1)
            signal->Send(Note(2));
    };

    signal->Send(Note(1));
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(fLog, (Log{"later:561:1"}));
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(fLog, (Log{"later:561:1", "later:561:2"}));
    signal->UnSubscribeDelayed(&later);
}

TEST_F(GSignalTest, ConsolidatedReceiverIsCalledOncePerPassHoweverOftenItsSignalsFired)
{
    CountingConsolidated once, elsewhere;
    GSignal<Note>* first = GSignal<Note>::GetSignal(570);
    GSignal<Note>* second = GSignal<Note>::GetSignal(571);
    GSignal<Note>* quiet = GSignal<Note>::GetSignal(572);
    first->SubscribeConsolidated(&once);
    second->SubscribeConsolidated(&once);
    quiet->SubscribeConsolidated(&elsewhere);

    first->Send(Note(1));
    first->Send(Note(2));
    second->Send(Note(3));
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(once.fCalls, 1);
    EXPECT_EQ(elsewhere.fCalls, 0) << "its signal did not fire";
    EXPECT_FALSE(first->IsConsolidatePending());
    EXPECT_FALSE(second->IsConsolidatePending());

    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(once.fCalls, 1) << "nothing fired since the last pass";

    first->UnSubscribeConsolidated(&once);
    second->UnSubscribeConsolidated(&once);
    first->Send(Note(4));
    EXPECT_FALSE(first->IsConsolidatePending());
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(once.fCalls, 1);
    quiet->UnSubscribeConsolidated(&elsewhere);
}

TEST_F(GSignalTest, ReceiverExceptionPassesThroughAndLeavesSignalUsableFromAnotherThread)
{
    Recorder thrower("thrower", fLog);
    thrower.fAction = [](Recorder&) { throw GSimpleException(4711); };
    thrower.Subscribe(580);
    GSignal<Note>* signal = GSignal<Note>::GetSignal(580);
    try
    {
        signal->Send(Note(1));
        FAIL() << "the exception must reach the sender";
    }
    catch (GSimpleException const& error)
    {
        EXPECT_EQ(error.GetExceptionID(), 4711);
    }
    thrower.UnSubscribe(580);

    // Another thread blocks for good if the signal's mutex was left held.
    Log otherLog;
    Recorder other("other", otherLog);
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread(
        [signal, &other, done]
        {
            signal->Subscribe(&other);
            signal->Send(Note(2));
            signal->UnSubscribe(&other);
            done->set_value();
        })
        .detach();
    ASSERT_EQ(finished.wait_for(cPatience), std::future_status::ready) << "the signal's mutex is still held";
    EXPECT_EQ(otherLog, (Log{"other:580:2"}));
}

TEST_F(GSignalTest, DestroyedReceiverLeavesEverySignalItListed)
{
    Recorder stays("stays", fLog);
    stays.Subscribe(590);
    {
        Recorder goes("goes", fLog);
        goes.Subscribe(590);
        goes.Subscribe(591);
        goes.Subscribe(591);
    }
    GSignal<Note>::GetSignal(590)->Send(Note(1));
    GSignal<Note>::GetSignal(591)->Send(Note(2));
    EXPECT_EQ(fLog, (Log{"stays:590:1"}));
}

TEST_F(GSignalTest, ReceiverOutlivingFinalizeDoesNotBringItsSignalBack)
{
    auto late = std::make_unique<Recorder>("late", fLog);
    late->Subscribe(595);
    GSignalBase::Finalize();
    late.reset();
    EXPECT_EQ(GSignalBase::GetSignal(595), nullptr);
    GSignalBase::Initialize();
}

TEST_F(GSignalTest, FinalizeDeletesQueuedMessagesAndLaterPassesReachNoDeletedSignal)
{
    Recorder later("later", fLog);
    CountingConsolidated consolidated;
    GSignal<Note>* signal = GSignal<Note>::GetSignal(600);
    signal->SubscribeDelayed(&later);
    signal->SubscribeConsolidated(&consolidated);
    signal->Send(Note(1));
    ASSERT_EQ(QueuedCopies(), 1);
    ASSERT_TRUE(signal->IsConsolidatePending());

    GSignalBase::Finalize();
    EXPECT_EQ(QueuedCopies(), 0);
    // The address sanitizer reports it if this pass touches the deleted signal.
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(consolidated.fCalls, 0);
    EXPECT_TRUE(fLog.empty());
    GSignalBase::Initialize();
}

TEST_F(GSignalTest, MessageQueuedWithoutAQueueIsDeleted)
{
    GSignalBase::Finalize(); // leaves no queue
    Recorder later("later", fLog);
    GSignal<Note>* signal = GSignal<Note>::GetSignal(610);
    signal->SubscribeDelayed(&later);
    signal->Send(Note(1));
    EXPECT_EQ(QueuedCopies(), 0);
    GSignalBase::SendDelayedSignals();
    EXPECT_TRUE(fLog.empty());
    signal->UnSubscribeDelayed(&later);
    GSignalBase::Initialize();
}

TEST_F(GSignalTest, ThreadsFetchingANewIdShareOneSignal)
{
    constexpr int cThreads = 4;
    for (int id = 700; id < 800; ++id)
    {
        std::atomic<int> ready{0};
        std::vector<GSignal<Note>*> seen(cThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < cThreads; ++t)
            threads.emplace_back(
                [&, t]
                {
                    ++ready;
                    while (ready < cThreads)
                        std::this_thread::yield();
                    seen[t] = GSignal<Note>::GetSignal(id);
                });
        for (auto& thread : threads)
            thread.join();
        for (int t = 1; t < cThreads; ++t)
            ASSERT_EQ(seen[t], seen[0]) << "id " << id;
        ASSERT_EQ(GSignalBase::GetSignal(id), seen[0]);
    }
}

TEST_F(GSignalTest, EmptyMessageSignalsDeliverLikeAnyOther)
{
    struct Idler : GReceiver<GEmptyMessage>
    {
        void Receive(int signalId, GEmptyMessage const&) override { fSignals.push_back(signalId); }
        std::vector<int> fSignals;
    } idler;
    idler.Subscribe(620);
    GSignal<GEmptyMessage>::GetSignal(620)->Send(GEmptyMessage());
    EXPECT_EQ(idler.fSignals, std::vector<int>{620});
}

TEST_F(GSignalTest, PassDeliversWithoutHoldingTheRegistryWhileAnotherThreadSends)
{
    // The pass delivers a delayed message to `waiter`, which lets the main thread send on a signal
    // with a delayed receiver (queueing takes the registry's lock) and waits for that send to end.
    // A pass that kept the registry locked while delivering would make both wait.
    Recorder waiter("waiter", fLog);
    Log otherLog;
    Recorder immediate("immediate", otherLog), later("later", otherLog);
    GSignal<Note>* passSignal = GSignal<Note>::GetSignal(630);
    GSignal<Note>* sendSignal = GSignal<Note>::GetSignal(631);
    passSignal->SubscribeDelayed(&waiter);
    sendSignal->Subscribe(&immediate);
    sendSignal->SubscribeDelayed(&later);

    std::promise<void> inPass;
    std::promise<void> sent;
    std::future<void> sentFuture = sent.get_future();
    bool sendEndedInTime = false;
    waiter.fAction = [&](Recorder&)
    {
        inPass.set_value();
        sendEndedInTime = sentFuture.wait_for(cPatience) == std::future_status::ready;
    };
    passSignal->Send(Note(1));
    std::thread pass([] { GSignalBase::SendDelayedSignals(); });
    inPass.get_future().wait();
    sendSignal->Send(Note(2));
    sent.set_value();
    pass.join();

    EXPECT_TRUE(sendEndedInTime) << "the send waited for the pass";
    EXPECT_EQ(otherLog, (Log{"immediate:631:2"}));
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(otherLog, (Log{"immediate:631:2", "later:631:2"}));
    passSignal->UnSubscribeDelayed(&waiter);
    sendSignal->UnSubscribe(&immediate);
    sendSignal->UnSubscribeDelayed(&later);
}

TEST_F(GSignalTest, ConsolidatedReceiverMayLeaveAndSendDuringItsCall)
{
    // Called without any lock held, it may change its own subscription and fire signals, which wait
    // for the next pass.
    struct Leaving : GConsolidatedReceiver
    {
        void ReceiveConsolidated() override
        {
            ++fCalls;
            fSignal->UnSubscribeConsolidated(this);
            fOther->Send(Note(9));
        }
        GSignal<Note>* fSignal = nullptr;
        GSignal<Note>* fOther = nullptr;
        int fCalls = 0;
    } leaving;
    CountingConsolidated next;
    leaving.fSignal = GSignal<Note>::GetSignal(640);
    leaving.fOther = GSignal<Note>::GetSignal(641);
    leaving.fSignal->SubscribeConsolidated(&leaving);
    leaving.fOther->SubscribeConsolidated(&next);

    leaving.fSignal->Send(Note(1));
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(leaving.fCalls, 1);
    EXPECT_EQ(next.fCalls, 0) << "fired during the pass: heard in the next";
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(next.fCalls, 1);
    leaving.fSignal->Send(Note(2));
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(leaving.fCalls, 1);
    leaving.fOther->UnSubscribeConsolidated(&next);
}

TEST_F(GSignalTest, SendsPassesAndSubscriptionsFromManyThreadsDeliverEachMessageOnce)
{
    // Receivers that many threads call count without a log.
    struct Tally : GReceiver<Note>
    {
        void Receive(int, Note const&) override { ++fCalls; }
        std::atomic<int> fCalls{0};
    };
    constexpr int cSenders = 4;
    constexpr int cSends = 300;
    Tally immediate, delayed, transient;
    immediate.Subscribe(650);
    GSignal<Note>* signal = GSignal<Note>::GetSignal(650);
    signal->SubscribeDelayed(&delayed);
    CountingConsolidated consolidated;
    signal->SubscribeConsolidated(&consolidated);

    std::atomic<bool> sending{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < cSenders; ++t)
        threads.emplace_back(
            [signal]
            {
                for (int i = 0; i < cSends; ++i)
                    signal->Send(Note(i));
            });
    std::thread passes(
        [&sending]
        {
            while (sending)
                GSignalBase::SendDelayedSignals();
        });
    std::thread churn(
        [&sending, &transient]
        {
            while (sending)
            {
                transient.Subscribe(650);
                transient.UnSubscribe(650);
            }
        });
    auto finished = std::async(std::launch::async,
                               [&threads]
                               {
                                   for (auto& thread : threads)
                                       thread.join();
                               });
    ASSERT_EQ(finished.wait_for(cPatience), std::future_status::ready) << "the threads wait for each other";
    sending = false;
    passes.join();
    churn.join();
    GSignalBase::SendDelayedSignals();

    EXPECT_EQ(immediate.fCalls, cSenders * cSends);
    EXPECT_EQ(delayed.fCalls, cSenders * cSends);
    EXPECT_GE(consolidated.fCalls, 1);
    signal->UnSubscribeDelayed(&delayed);
    signal->UnSubscribeConsolidated(&consolidated);
}
