// The IPC manager between processes of its own: an unlisted target, a message nobody takes (taken
// out again, the flag left to the last record), a send that counts only its own record, messages
// waiting for room, one too large, a target whose queue cannot be opened (dropped from the registry
// only once gone), the receiving side driven by the repeater signal, and going down after the last
// receiver left.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "GEmptyMessage.h"
#include "GPPIPCManager.h"
#include "GPPIPCMessageQueue.h"
#include "GSharedMemoryBase.h"
#include "GSignal.h"
#include "GSignalBase.h"
#include "PUNIXSharedMemory.h"
#include "PeerProcess.h"
#include "SharedObjects.h"

namespace
{
using deliverytest::BufferOf;
using deliverytest::TextOf;
using testsupport::ChildProcess;
using testsupport::ErrorOf;
using Clock = std::chrono::steady_clock;

class GPPIPCManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GPPIPCManager::Initialize();
        Manager().SetTakeWait(3, 10);
        ASSERT_EQ(pipe(fFromChild), 0);
    }
    void TearDown() override
    {
        close(fFromChild[0]);
        close(fFromChild[1]);
        if (Manager().GetQueueManager())
            for (int id : fRegistrations)
                Registry().Unregister(getpid(), id);
        GPPIPCManager::Finalize();
        // The repeater signal, made when the manager first listened.
        GSignalBase::Finalize();
    }
    static GPPIPCManager& Manager() { return *GPPIPCManager::GetInstance(); }
    static GPPIPCMessageQueueMgr& Registry() { return *Manager().GetQueueManager(); }
    // A registration of this process, as a receiver that never reads makes one, with its queue
    // held open so that what senders leave stays to be seen.
    std::unique_ptr<GPPIPCMessageQueue> Target(int& registration)
    {
        registration = Registry().Register(getpid());
        fRegistrations.push_back(registration);
        bool created = false;
        return std::make_unique<GPPIPCMessageQueue>(Registry().GetSession(), getpid(), registration, created);
    }

    deliverytest::PeerLock fMachineWide;
    deliverytest::SpecialIDScope fSpecialIDs;
    std::vector<int> fRegistrations;
    // What a child tells the test beyond a byte.
    int fFromChild[2] = {-1, -1};
};

class Recorder : public GPPIPCReceiver
{
public:
    void ReceiveMessage(GPPIPCMessage const& message) override
    {
        fTexts.push_back(TextOf(message.GetData()));
    }
    std::vector<std::string> fTexts;
};
} // namespace

TEST_F(GPPIPCManagerTest, SendingToAnUnlistedProcessReturnsAtOnceUnsent)
{
    Clock::time_point const start = Clock::now();
    EXPECT_FALSE(Manager().SendOnceRaw(getppid(), 145, BufferOf("job")));
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 0.2);
    EXPECT_EQ(Manager().GetListeningState(getppid()), GPPIPCManager::cNotRegistered);
}

TEST_F(GPPIPCManagerTest, AMessageNobodyTakesIsTakenOutAgainAndTheFlagClearedWithTheLastRecord)
{
    int registration = 0;
    auto const queue = Target(registration);
    EXPECT_EQ(Manager().GetListeningState(getpid()), GPPIPCManager::cListening);
    EXPECT_FALSE(Manager().SendOnceRaw(getpid(), 145, BufferOf("job")));
    EXPECT_TRUE(queue->IsEmpty());
    EXPECT_FALSE(Registry().GetFlag(getpid(), registration));

    // A record of another sender still waits: the flag stays for it.
    ASSERT_TRUE(queue->TryToAddRawMessage(4242, 145, BufferOf("theirs")));
    EXPECT_FALSE(Manager().SendOnceRaw(getpid(), 145, BufferOf("mine")));
    EXPECT_TRUE(Registry().GetFlag(getpid(), registration));
    EXPECT_FALSE(queue->ContainsRawMessage(145, BufferOf("mine")));
    EXPECT_TRUE(queue->ContainsRawMessage(145, BufferOf("theirs")));
}

TEST_F(GPPIPCManagerTest, AMessageWithoutRoomWaitsAndOneTooLargeForAnyQueueFails)
{
    int registration = 0;
    auto const queue = Target(registration);
    GBuffer big;
    big.SetLength(32000);
    ASSERT_TRUE(queue->TryToAddRawMessage(4242, 1, big));
    GBuffer data;
    data.SetLength(1000);
    EXPECT_FALSE(Manager().SendOnceRaw(getpid(), 145, data));
    ASSERT_EQ(Manager().GetDelayedMessages().GetCount(), 1);
    EXPECT_EQ(Manager().GetDelayedMessages()[0]->fRegistrationID, registration);

    GBuffer huge;
    huge.SetLength(32741);
    EXPECT_EQ(ErrorOf([&] { Manager().SendOnceRaw(getpid(), 145, huge); }), 40153);
    EXPECT_EQ(Manager().GetDelayedMessages().GetCount(), 1) << "a message too large was kept";
    EXPECT_EQ(Manager().GetListeningState(getpid()), GPPIPCManager::cListening) << "40153 marked the target";

    GTable<GSmartPtr<GPPIPCMessage>> taken;
    queue->ReadPendingMessages(taken);
    Manager().SendDelayedMessages();
    EXPECT_EQ(Manager().GetDelayedMessages().GetCount(), 0);
    EXPECT_TRUE(queue->IsEmpty()) << "the delayed message was left in the queue";
}

TEST_F(GPPIPCManagerTest, ASendIsTakenOnlyWhenItsOwnRecordIsTaken)
{
    // Another sender's equal record waits in the queue, and stays, or is taken back by that sender
    // while this one waits: neither is this send's record being taken.
    for (bool const takenBack : {false, true})
    {
        SCOPED_TRACE(takenBack ? "taken back by its sender" : "left by its sender");
        int registration = 0;
        auto const queue = Target(registration);
        Manager().SetTakeWait(20, 20);
        ChildProcess other(
            [&](ChildProcess::Child const& parent)
            {
                GPPIPCMessageQueue theirs(Registry().GetSession(), getppid(), registration);
                if (!theirs.TryToAddRawMessage(145, BufferOf("job")))
                    return 1;
                parent.Tell('a');
                parent.Await();
                if (takenBack)
                {
                    usleep(50000);
                    theirs.RemoveRawMessage(getpid(), 145, BufferOf("job"));
                }
                parent.Tell('d');
                parent.Await();
                return 0;
            });
        ASSERT_EQ(other.Await(), 'a');
        other.Tell('g');
        EXPECT_FALSE(Manager().SendOnceRaw(getpid(), 145, BufferOf("job"))) << "counted as taken";
        ASSERT_EQ(other.Await(), 'd');
        EXPECT_FALSE(queue->ContainsOwnRawMessage(getpid(), 145, BufferOf("job")))
            << "this send's record stayed";
        EXPECT_EQ(queue->ContainsOwnRawMessage(other.Pid(), 145, BufferOf("job")), !takenBack);
        other.Tell('g');
        EXPECT_EQ(other.Wait(), 0);
        Registry().Unregister(getpid(), registration);
    }
}

TEST_F(GPPIPCManagerTest, AFailedSendDropsATargetFromTheRegistryOnlyWhenItIsGone)
{
    // A target whose queue cannot be opened: this process (running), or a process that registered
    // and ended without withdrawing its entry.
    for (bool const gone : {false, true})
    {
        SCOPED_TRACE(gone ? "gone" : "running");
        int target = getpid();
        int registration = 0;
        if (gone)
        {
            ChildProcess registering(
                [&](ChildProcess::Child const& parent)
                {
                    GPPIPCMessageQueueMgr registry(false, GPPIPCMessageQueueMgr::cDefaultManager);
                    int const id = registry.Register(getpid());
                    (void)!write(fFromChild[1], &id, sizeof id);
                    parent.Tell('r');
                    _exit(0);
                    return 0;
                });
            ASSERT_EQ(registering.Await(), 'r');
            ASSERT_EQ(read(fFromChild[0], &registration, sizeof registration),
                      static_cast<ssize_t>(sizeof registration));
            target = registering.Pid();
            registering.Wait();
        }
        else
        {
            registration = Registry().Register(getpid());
            fRegistrations.push_back(registration);
        }
        // A block of another size under the queue's name.
        GShMemID const id = GPPIPCMessageQueue::ConvertToMemoryID(target, registration);
        bool created = false;
        auto squatter = std::make_unique<GSharedMemoryBase<PUNIXSharedMemory>>(GBuffer(), id, 100, created);
        ASSERT_TRUE(created);
        EXPECT_EQ(Manager().GetListeningState(target), GPPIPCManager::cNotListening);
        EXPECT_EQ(ErrorOf([&] { Manager().SendOnceRaw(target, 145, BufferOf("job")); }), 40168);
        EXPECT_EQ(Manager().GetListeningState(target),
                  gone ? GPPIPCManager::cNotRegistered : GPPIPCManager::cNotListening);
        EXPECT_EQ(Manager().GetCorruptedProcesses().GetCount(), 0);
        squatter.reset();
        if (!gone)
        {
            EXPECT_EQ(Manager().GetListeningState(target), GPPIPCManager::cListening)
                << "the queue is usable again";
        }
    }
}

TEST_F(GPPIPCManagerTest, GoesDownAndSendsCleanlyAfterTheLastReceiverLeft)
{
    // A message waits for room when the last receiver leaves, taking the registry's object with it;
    // the manager then goes down at once, or sends again first. In a child: a fault there ends the
    // child, not the test program.
    for (bool const sendsAgain : {false, true})
    {
        SCOPED_TRACE(sendsAgain ? "sends again" : "goes down");
        ChildProcess child(
            [sendsAgain](ChildProcess::Child const&)
            {
                GPPIPCManager& manager = *GPPIPCManager::GetInstance();
                GPPIPCMessageQueueMgr& registry = *manager.GetQueueManager();
                int const registration = registry.Register(getpid());
                bool created = false;
                GPPIPCMessageQueue full(registry.GetSession(), getpid(), registration, created);
                GBuffer big;
                big.SetLength(32000);
                if (!full.TryToAddRawMessage(4242, 1, big))
                    return 1;
                GBuffer data;
                data.SetLength(1000);
                manager.SendOnceRaw(getpid(), 145, data);
                if (manager.GetDelayedMessages().GetCount() != 1)
                    return 2;
                Recorder receiver;
                manager.Register(146, &receiver);
                manager.Unregister(146, &receiver);
                if (manager.GetQueueManager() != nullptr)
                    return 3;
                if (sendsAgain && (manager.SendOnceRaw(getppid(), 145, BufferOf("job")) ||
                                   manager.GetListeningState(getppid()) != GPPIPCManager::cNotRegistered))
                    return 4;
                GPPIPCManager::Finalize();
                return 0;
            });
        EXPECT_EQ(child.Wait(), 0);
    }
}

TEST_F(GPPIPCManagerTest, ReceiversGetTheMessagesOfTheirIdOnTheRepeaterSignal)
{
    Recorder twice;
    Recorder other;
    Manager().Register(145, &twice);
    Manager().Register(145, &twice);
    Manager().Register(146, &other);
    ASSERT_NE(Manager().GetOwnRegistrationID(), 0);
    EXPECT_EQ(Manager().GetListeningState(getpid()), GPPIPCManager::cListening);
    int const receiver = getpid();
    testsupport::ChildProcess sender(
        [&](testsupport::ChildProcess::Child const&)
        {
            GPPIPCManager::GetInstance()->SetTakeWait(100, 20);
            return GPPIPCManager::GetInstance()->SendOnceRaw(receiver, 145, BufferOf("hello")) ? 0 : 1;
        });
    Clock::time_point const until = Clock::now() + std::chrono::seconds(5);
    while (twice.fTexts.empty() && Clock::now() < until)
    {
        GSignal<GEmptyMessage>::GetSignal(GPPIPCManager::cRepeaterSignal)->Send(GEmptyMessage());
        usleep(5000);
    }
    EXPECT_EQ(sender.Wait(), 0) << "the sender did not see its message taken";
    EXPECT_EQ(twice.fTexts, (std::vector<std::string>{"hello", "hello"}));
    EXPECT_TRUE(other.fTexts.empty());
    Manager().Unregister(145, &twice);
    Manager().Unregister(145, &twice);
    Manager().Unregister(146, &other);
    EXPECT_EQ(Manager().GetOwnRegistrationID(), 0);
    EXPECT_EQ(Manager().GetQueueManager(), nullptr);
}
