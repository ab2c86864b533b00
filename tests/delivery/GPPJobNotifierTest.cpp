// Jobs announced to the test peer of the "RozorazIzivozada" process: the text that arrives, the
// result when the peer does not take the job (in each of its faults), two senders at once, the
// listening states, and the terminate message.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "GPPIPCManager.h"
#include "GPPIPCMessageQueue.h"
#include "GPPJobInfo.h"
#include "GPPJobNotifier.h"
#include "GUTF8Encoding.h"
#include "PeerProcess.h"
#include "SharedObjects.h"
#include "TempFolder.h"

namespace
{
using deliverytest::PeerProcess;
using deliverytest::TextOf;
using Clock = std::chrono::steady_clock;

// The sender's wait as the link has it: 11 tests 300 ms apart, long enough for a peer on a loaded
// machine under the sanitizers.
constexpr int cTakeTests = 11;
constexpr int cTakeMilliseconds = 300;
constexpr double cWaitSeconds = cTakeTests * cTakeMilliseconds / 1000.0;

class GPPJobNotifierTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GPPIPCManager::Initialize();
        GPPIPCManager::GetInstance()->SetTakeWait(cTakeTests, cTakeMilliseconds);
    }
    void TearDown() override { GPPIPCManager::Finalize(); }

    static GPPJobInfo Job(char const* leaf)
    {
        GPathName path;
        path.SetNativePathString(GString("/tmp/Sendrixor A/") + GString(leaf));
        return GPPJobInfo(GString("anna"), path, GString("Sendrixor A"), GString("Port 1"), 1, GString("x7"));
    }
    static std::string TextOfJob(GPPJobInfo const& job) { return TextOf(job.ToMessageData()); }
    std::string JobFile(char const* name) const { return (fFolder / name).string(); }

    deliverytest::SpecialIDScope fSpecialIDs;
    deliverytest::PeerLock fPeers;
    testsupport::TempFolder fFolder;
};
} // namespace

TEST_F(GPPJobNotifierTest, AJobArrivesInThePeersFileWithItsTextAndCountsAsSent)
{
    PeerProcess peer(JobFile("jobs"), "listen");
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
    GPPJobInfo const job = Job("Brochüre.pdf");
    GTable<int> takenBy;
    EXPECT_TRUE(GPPJobNotifier(job).TrySendNotification(takenBy));
    ASSERT_EQ(takenBy.GetCount(), 1);
    EXPECT_EQ(takenBy[0], peer.Pid());
    std::vector<std::string> const jobs = peer.AwaitJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0], TextOfJob(job)) << "the six keys in the dictionary's order, in UTF-8";
    GPPJobInfo const received(GString(deliverytest::BufferOf(jobs[0]), GUTF8Encoding::GetInstance(), false));
    EXPECT_TRUE(received.IsValid());
    EXPECT_TRUE(received.GetJobPath() == job.GetJobPath());
    EXPECT_EQ(peer.Stop(), 0);
}

TEST_F(GPPJobNotifierTest, APeerThatDoesNotTakeTheJobMeansNotSentWithinTheWaitAndNoRecordLeft)
{
    char const* const modes[] = {"never-read", "read-late", "damage-header"};
    for (char const* mode : modes)
    {
        SCOPED_TRACE(mode);
        // A late peer reads well after the sender has given up.
        PeerProcess peer(JobFile(mode), mode, 20, static_cast<int>(cWaitSeconds * 1000) + 2000);
        ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
        int session = 0;
        GTable<int> registrations;
        GPPIPCManager::GetInstance()->GetQueueManager()->GetRegistered(peer.Pid(), session, registrations);
        ASSERT_EQ(registrations.GetCount(), 1);
        GPPJobInfo const job = Job(mode);
        Clock::time_point const start = Clock::now();
        EXPECT_FALSE(GPPJobNotifier(job).TrySendNotification());
        double const seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_LT(seconds, cWaitSeconds + 2.0);
        // The peer still holds its queue open: what the sender left would be there.
        GPPIPCMessageQueue queue(session, peer.Pid(), registrations[0]);
        bool left = true;
        try
        {
            left = queue.ContainsRawMessage(GPPJobInfo::cJobMessage, job.ToMessageData());
        }
        catch (GException const& exception)
        {
            EXPECT_EQ(exception.GetExceptionID(), 40163);
            left = false; // the damaged queue took nothing
        }
        EXPECT_FALSE(left);
        EXPECT_TRUE(peer.Jobs().empty());
    }
}

TEST_F(GPPJobNotifierTest, APeerThatEndedWithoutUnregisteringIsRegisteredButNotListening)
{
    PeerProcess peer(JobFile("jobs"), "exit-unregistered");
    int const pid = peer.Pid();
    EXPECT_EQ(peer.Wait(), 0);
    EXPECT_EQ(GPPIPCManager::GetInstance()->GetListeningState(pid), GPPIPCManager::cNotListening);
    EXPECT_FALSE(GPPJobNotifier(Job("a.pdf")).TrySendNotification());
    EXPECT_EQ(GPPIPCManager::GetInstance()->GetListeningState(getpid()), GPPIPCManager::cNotRegistered);
    // Leaves the registry as a live peer would.
    GPPIPCManager::GetInstance()->GetQueueManager()->Unregister(pid);
    EXPECT_EQ(GPPIPCManager::GetInstance()->GetListeningState(pid), GPPIPCManager::cNotRegistered);
}

TEST_F(GPPJobNotifierTest, TwoSendersAtOnceBothDeliver)
{
    PeerProcess peer(JobFile("jobs"), "listen", 50);
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
    GPPJobInfo const mine = Job("mine.pdf");
    GPPJobInfo const theirs = Job("theirs.pdf");
    testsupport::ChildProcess other(
        [&](testsupport::ChildProcess::Child const& parent)
        {
            parent.Tell('r');
            parent.Await();
            return GPPJobNotifier(theirs).TrySendNotification() ? 0 : 1;
        });
    ASSERT_EQ(other.Await(), 'r');
    other.Tell('g');
    EXPECT_TRUE(GPPJobNotifier(mine).TrySendNotification());
    EXPECT_EQ(other.Wait(), 0) << "the other sender's job was lost";
    std::vector<std::string> jobs = peer.AwaitJobs(2);
    ASSERT_EQ(jobs.size(), 2u);
    if (jobs[0] != TextOfJob(mine))
        std::swap(jobs[0], jobs[1]);
    EXPECT_EQ(jobs[0], TextOfJob(mine));
    EXPECT_EQ(jobs[1], TextOfJob(theirs));
}

TEST_F(GPPJobNotifierTest, TheTerminateMessageEndsThePeer)
{
    PeerProcess peer(JobFile("jobs"), "listen");
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
    int const pid = peer.Pid();
    EXPECT_TRUE(GPPJobNotifier::TrySendTerminateNotification(false));
    EXPECT_EQ(peer.Wait(), 0);
    EXPECT_EQ(GPPIPCManager::GetInstance()->GetListeningState(pid), GPPIPCManager::cNotRegistered);
    EXPECT_FALSE(GPPJobNotifier(Job("a.pdf")).TrySendNotification()) << "no peer runs";
}
