// The IPC manager towards test peers: waiting until a process listens, a message broadcast to every
// registration of the session, one failing peer not keeping it from the others, and a send to a
// process only when it listens, and the queue of a receiver that crashed removed with its lock.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "GPPIPCManager.h"
#include "GPPIPCMessageQueue.h"
#include "GPPJobInfo.h"
#include "GPathName.h"
#include "PeerProcess.h"
#include "SharedObjects.h"
#include "TempFolder.h"

namespace
{
using deliverytest::PeerProcess;
using deliverytest::TextOf;
using Clock = std::chrono::steady_clock;

class GPPIPCManagerPeerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GPPIPCManager::Initialize();
        Manager().SetTakeWait(11, 300);
    }
    void TearDown() override { GPPIPCManager::Finalize(); }

    static GPPIPCManager& Manager() { return *GPPIPCManager::GetInstance(); }
    std::string JobFile(char const* name) const { return (fFolder / name).string(); }

    deliverytest::SpecialIDScope fSpecialIDs;
    deliverytest::PeerLock fPeers;
    testsupport::TempFolder fFolder;
};
} // namespace

TEST_F(GPPIPCManagerPeerTest, WaitTillListeningReturnsOnceThePeerRegisteredAndFailsForAProcessThatEnded)
{
    // Started and waited for at once: the peer registers a moment after it starts.
    PeerProcess peer(JobFile("jobs"), "listen");
    Manager().WaitTillListening(peer.Pid());
    EXPECT_TRUE(Manager().GetQueueManager()->IsRegistered(peer.Pid()));
    Clock::time_point const start = Clock::now();
    Manager().WaitTillListening(peer.Pid());
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 0.5)
        << "a listed process was waited for";

    // A process that ends without registering, and one that is long gone.
    testsupport::ChildProcess ending(
        [](testsupport::ChildProcess::Child const& parent)
        {
            parent.Await();
            return 0;
        });
    pid_t const pid = ending.Pid();
    ending.Tell('g');
    ending.Wait();
    EXPECT_EQ(testsupport::ErrorOf([&] { Manager().WaitTillListening(pid); }), 40152);
    // The peer withdraws its entry when it ends.
    pid_t const stopped = peer.Pid();
    EXPECT_EQ(peer.Stop(), 0);
    EXPECT_EQ(testsupport::ErrorOf([&] { Manager().WaitTillListening(stopped); }), 40152);
}

TEST_F(GPPIPCManagerPeerTest, ABroadcastReachesEveryListeningPeerPastOneThatFails)
{
    PeerProcess first(JobFile("first"), "listen");
    PeerProcess damaged(JobFile("damaged"), "damage-header");
    PeerProcess second(JobFile("second"), "listen");
    for (PeerProcess const* peer : {&first, &damaged, &second})
        ASSERT_TRUE(peer->AwaitState(GPPIPCManager::cListening));
    GPathName path;
    path.SetNativePathString(GString("/tmp/Sendrixor A/all.pdf"));
    GPPJobInfo const job(GString("anna"), path, GString("Sendrixor A"), GString("Port 1"), 1, GString("x7"));
    GBuffer const data = job.ToMessageData();
    Manager().BroadcastOnceRaw(GPPJobInfo::cJobMessage, data);
    for (PeerProcess const* peer : {&first, &second})
    {
        std::vector<std::string> const jobs = peer->AwaitJobs(1);
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(jobs[0], TextOf(data));
    }
    EXPECT_TRUE(damaged.Jobs().empty());
    EXPECT_EQ(Manager().GetCorruptedProcesses().GetCount(), 0)
        << "the corrupted processes were not cleaned up";
    EXPECT_NE(Manager().GetListeningState(damaged.Pid()), GPPIPCManager::cNotRegistered)
        << "a running peer was dropped";
}

TEST_F(GPPIPCManagerPeerTest, ASendIfListeningReachesOnlyAPeerThatListensAndLeavesNoRecordBehind)
{
    // A short wait: the peer that never reads is given up quickly.
    Manager().SetTakeWait(3, 100);
    GPathName path;
    path.SetNativePathString(GString("/tmp/Sendrixor A/once.pdf"));
    GPPJobInfo const job(GString("anna"), path, GString("Sendrixor A"), GString("Port 1"), 1, GString("x7"));
    GBuffer const data = job.ToMessageData();
    struct Case
    {
        char const* fMode;
        int fState;
        bool fTaken;
    };
    Case const cases[] = {
        {"listen", GPPIPCManager::cListening, true},
        {"never-read", GPPIPCManager::cListening, false},
        // Ended with its entry left behind: registered, not running.
        {"exit-unregistered", GPPIPCManager::cNotListening, false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fMode);
        PeerProcess peer(JobFile(c.fMode), c.fMode);
        pid_t const pid = peer.Pid();
        bool const ends = c.fState == GPPIPCManager::cNotListening;
        if (ends)
            ASSERT_EQ(peer.Wait(), 0);
        else
            ASSERT_TRUE(peer.AwaitState(c.fState));
        ASSERT_EQ(Manager().GetListeningState(pid), c.fState);
        int session = 0;
        GTable<int> registrations;
        Manager().GetQueueManager()->GetRegistered(pid, session, registrations);
        ASSERT_EQ(registrations.GetCount(), 1);
        EXPECT_EQ(Manager().SendOnceRawIfListening(pid, GPPJobInfo::cJobMessage, data), c.fTaken);
        EXPECT_EQ(peer.AwaitJobs(c.fTaken ? 1 : 0).size(), c.fTaken ? 1u : 0u);
        EXPECT_EQ(Manager().GetCorruptedProcesses().GetCount(), 0);
        EXPECT_EQ(Manager().GetDelayedMessages().GetCount(), 0);
        if (ends)
        {
            // Left as it was: only a failed send drops a process from the registry.
            EXPECT_EQ(Manager().GetListeningState(pid), GPPIPCManager::cNotListening);
            Manager().GetQueueManager()->Unregister(pid);
            continue;
        }
        // The peer holds its queue open: a record the send left would still be there.
        GPPIPCMessageQueue queue(session, pid, registrations[0]);
        EXPECT_TRUE(queue.IsEmpty());
        EXPECT_FALSE(Manager().GetQueueManager()->GetFlag(pid, registrations[0])) << "the flag was left set";
        EXPECT_EQ(peer.Stop(), 0);
    }
    // A process that never registered is not sent to.
    EXPECT_FALSE(Manager().SendOnceRawIfListening(getpid(), GPPJobInfo::cJobMessage, data));
}

TEST_F(GPPIPCManagerPeerTest, TheQueueOfAReceiverThatCrashedGoesWithItsLockOnceTheLinkFindsItGone)
{
    // The peer ends at once after registering, leaving its entry, and its queue and the queue's lock
    // as a crash leaves them: nobody ever opens them again. Another receiver keeps the registry, and
    // the entry in it, while the link stops and starts again.
    struct Case
    {
        char const* fWhat;
        bool fRestart;
    };
    Case const cases[] = {{"asked whether it listens", false}, {"the link stopping and starting", true}};
    PeerProcess keeper(JobFile("keeper"), "listen");
    ASSERT_TRUE(keeper.AwaitState(GPPIPCManager::cListening));
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fWhat);
        PeerProcess peer(JobFile(entry.fWhat), "exit-unregistered");
        pid_t const pid = peer.Pid();
        ASSERT_EQ(peer.Wait(), 0);
        int session = 0;
        GTable<int> registrations;
        Manager().GetQueueManager()->GetRegistered(pid, session, registrations);
        ASSERT_EQ(registrations.GetCount(), 1);
        std::string const id = "P" + std::to_string(pid) + "MQ" + std::to_string(registrations[0]);
        ASSERT_TRUE(deliverytest::ObjectExists("/ZlvShD" + id));
        ASSERT_TRUE(deliverytest::ObjectExists("/ZlvShL" + id));
        if (entry.fRestart)
        {
            GPPIPCManager::Finalize();
            GPPIPCManager::Initialize();
        }
        else
        {
            EXPECT_EQ(Manager().GetListeningState(pid), GPPIPCManager::cNotListening);
        }
        EXPECT_FALSE(deliverytest::ObjectExists("/ZlvShD" + id)) << "the queue was left";
        EXPECT_FALSE(deliverytest::ObjectExists("/ZlvShL" + id)) << "the queue's lock was left";
        // The entry stays, as the registry keeps it until a send to the process fails.
        EXPECT_EQ(Manager().GetListeningState(pid), GPPIPCManager::cNotListening);
        Manager().GetQueueManager()->Unregister(pid);
    }
    EXPECT_EQ(keeper.Stop(), 0);
}
