// The IPC manager between processes of its own: an unlisted target, a message nobody takes (taken
// out again, the flag left to the last record), messages waiting for room, one too large, a target
// whose queue cannot be opened, and the receiving side driven by the repeater signal.
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
#include "PeerProcess.h"
#include "PUNIXSharedMemory.h"
#include "SharedObjects.h"

namespace
{
using deliverytest::BufferOf;
using deliverytest::TextOf;
using testsupport::ErrorOf;
using Clock = std::chrono::steady_clock;

class GPPIPCManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GPPIPCManager::Initialize();
        Manager().SetTakeWait(3, 10);
    }
    void TearDown() override
    {
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
};

class Recorder : public GPPIPCReceiver
{
public:
    void ReceiveMessage(GPPIPCMessage const& message) override { fTexts.push_back(TextOf(message.GetData())); }
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

    GTable<GSmartPtr<GPPIPCMessage> > taken;
    queue->ReadPendingMessages(taken);
    Manager().SendDelayedMessages();
    EXPECT_EQ(Manager().GetDelayedMessages().GetCount(), 0);
    EXPECT_TRUE(queue->IsEmpty()) << "the delayed message was left in the queue";
}

TEST_F(GPPIPCManagerTest, ATargetWhoseQueueCannotBeOpenedIsCleanedUpAfterAFailedSend)
{
    int const registration = Registry().Register(getpid());
    fRegistrations.push_back(registration);
    // A block of another size under the queue's name.
    GShMemID const id = GPPIPCMessageQueue::ConvertToMemoryID(getpid(), registration);
    bool created = false;
    GSharedMemoryBase<PUNIXSharedMemory> const squatter(GBuffer(), id, 100, created);
    ASSERT_TRUE(created);
    EXPECT_EQ(Manager().GetListeningState(getpid()), GPPIPCManager::cNotListening);
    EXPECT_EQ(ErrorOf([&] { Manager().SendOnceRaw(getpid(), 145, BufferOf("job")); }), 40168);
    EXPECT_EQ(Manager().GetListeningState(getpid()), GPPIPCManager::cNotRegistered);
    EXPECT_EQ(Manager().GetCorruptedProcesses().GetCount(), 0);
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
