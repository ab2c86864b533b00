// Jobs announced to the test peer of the "RozorazIzivozada" process: the text that arrives, the
// result when the peer does not take the job (in each of its faults), records of another version,
// two peers and two senders at once, a sender named as the peer, a peer that takes the locks the
// other way round, holds its queue for ever or beyond the bound with the job in it, the listening
// states, and the terminate message.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "GPPIPCManager.h"
#include "GPPIPCMessageQueue.h"
#include "GPPJobInfo.h"
#include "GPPJobNotifier.h"
#include "GUTF8Encoding.h"
#include "PUNIXIPMutexImp.h"
#include "PUNIXSharedObjectSupport.h"
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
        // A running peer stays in the registry, whatever its queue held.
        EXPECT_NE(GPPIPCManager::GetInstance()->GetListeningState(peer.Pid()), GPPIPCManager::cNotRegistered);
    }
}

TEST_F(GPPJobNotifierTest, ARecordOfAnotherVersionInThePeersQueueIsSkipped)
{
    PeerProcess peer(JobFile("jobs"), "foreign-record");
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
    GPPJobInfo const job = Job("after.pdf");
    EXPECT_TRUE(GPPJobNotifier(job).TrySendNotification());
    std::vector<std::string> const jobs = peer.AwaitJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0], TextOfJob(job));
    EXPECT_EQ(GPPIPCManager::GetInstance()->GetListeningState(peer.Pid()), GPPIPCManager::cListening)
        << "the peer was dropped from the registry";
}

TEST_F(GPPJobNotifierTest, TwoListeningPeersBothTakeTheJob)
{
    PeerProcess first(JobFile("first"), "listen");
    PeerProcess second(JobFile("second"), "listen");
    ASSERT_TRUE(first.AwaitState(GPPIPCManager::cListening));
    ASSERT_TRUE(second.AwaitState(GPPIPCManager::cListening));
    GPPJobInfo const job = Job("both.pdf");
    GTable<int> takenBy;
    EXPECT_TRUE(GPPJobNotifier(job).TrySendNotification(takenBy));
    std::vector<int> taken(takenBy.GetItems(), takenBy.GetItems() + takenBy.GetCount());
    std::sort(taken.begin(), taken.end());
    std::vector<int> expected{first.Pid(), second.Pid()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(taken, expected);
    for (PeerProcess const* peer : {&first, &second})
    {
        std::vector<std::string> const jobs = peer->AwaitJobs(1);
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(jobs[0], TextOfJob(job));
    }
}

// A process that is itself named "RozorazIzivozada" and listens leaves itself out: the helper of
// that name fills its own queue, so that a job sent to itself would wait there among its delayed
// messages, and tells by its exit code whether the job went to the peer alone.
TEST_F(GPPJobNotifierTest, AProcessNamedAsThePeerDoesNotSendToItself)
{
    PeerProcess peer(JobFile("jobs"), "listen");
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
    pid_t const sender = fork();
    if (sender == 0)
    {
        execl(SENDRIX_SELF_SENDER_PATH, SENDRIX_SELF_SENDER_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(sender, &status, 0), sender);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not sent to the peer; 2: sent to itself; 3 and above: no start";
    std::vector<std::string> const jobs = peer.AwaitJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
}

TEST_F(GPPJobNotifierTest, APeerThatDrainsItsQueueUnderTheRegistrysLockIsNeverDeadlocked)
{
    // The peer holds the registry's lock while it takes its queue's, and lingers under the first:
    // a sender that held the queue's lock while it waited for the registry's would wait for ever.
    PeerProcess peer(JobFile("jobs"), "drain-under-registry", 10, 30);
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
    constexpr int cJobs = 6;
    int const code = deliverytest::ExitCodeWithin(
        cJobs * (cWaitSeconds + PUNIXSharedObjectSupport::cLockSeconds) + 30,
        [&]
        {
            for (int i = 0; i < cJobs; ++i)
            {
                Clock::time_point const start = Clock::now();
                if (!GPPJobNotifier(Job(std::to_string(i).c_str())).TrySendNotification())
                    return 1;
                // A wait for a lock that ran out shows as a send that took the whole bound.
                if (std::chrono::duration<double>(Clock::now() - start).count() >=
                    PUNIXSharedObjectSupport::cLockSeconds)
                    return 2;
            }
            return 0;
        });
    EXPECT_EQ(code, 0) << "-1: deadlocked; 1: a job not taken; 2: a lock's wait ran out";
    EXPECT_EQ(peer.AwaitJobs(cJobs).size(), static_cast<std::size_t>(cJobs));
}

TEST_F(GPPJobNotifierTest, APeerThatHoldsItsQueueForEverFailsTheSendAfterTheBoundAndStaysListed)
{
    PeerProcess peer(JobFile("jobs"), "hold-queue");
    // Listening is tested by opening the queue, which waits for the lock the peer holds.
    int session = 0;
    GTable<int> registrations;
    for (int i = 0; i < 1000 && registrations.GetCount() == 0; ++i)
    {
        usleep(10000);
        GPPIPCManager::GetInstance()->GetQueueManager()->GetRegistered(peer.Pid(), session, registrations);
    }
    ASSERT_EQ(registrations.GetCount(), 1);
    std::string const queueLock =
        "/ZlvShLP" + std::to_string(peer.Pid()) + "MQ" + std::to_string(registrations[0]);
    for (int i = 0;
         i < 1000 && deliverytest::ObjectView(queueLock).Field(PUNIXIPMutexImp::cOwnerOffset) != peer.Pid();
         ++i)
        usleep(10000);
    ASSERT_EQ(deliverytest::ObjectView(queueLock).Field(PUNIXIPMutexImp::cOwnerOffset), peer.Pid());
    double const bound = PUNIXSharedObjectSupport::cLockSeconds;
    int const code = deliverytest::ExitCodeWithin(
        3 * bound + 30,
        [&]
        {
            Clock::time_point const start = Clock::now();
            if (GPPJobNotifier(Job("held.pdf")).TrySendNotification())
                return 1;
            int const error = testsupport::ErrorOf(
                [&] {
                    GPPIPCManager::GetInstance()->SendOnceRaw(peer.Pid(), GPPJobInfo::cJobMessage,
                                                              GBuffer("x"));
                });
            if (error != PUNIXSharedObjectSupport::cCannotLock)
                return 2;
            double const seconds = std::chrono::duration<double>(Clock::now() - start).count();
            if (seconds < 2 * (bound - 1))
                return 3;
            return GPPIPCManager::GetInstance()->GetQueueManager()->IsRegistered(peer.Pid()) ? 0 : 4;
        });
    EXPECT_EQ(code, 0) << "-1: waited for ever; 1: sent; 2: another error; 3: gave up early; 4: peer dropped";
    EXPECT_TRUE(peer.Jobs().empty());
    EXPECT_EQ(peer.Stop(), 0);
}

TEST_F(GPPJobNotifierTest, APeerHoldingItsQueueBeyondTheBoundWithTheJobInItGetsTheJobOnceAndTheAnswerIsTrue)
{
    // The peer holds its queue's lock with the job's record in it longer than a sender waits for a
    // lock, then takes the record under it, or lets go and listens. Either way the sender's answer
    // must say whether the peer got the job, so that the user, told it was not sent, sends it
    // again, and the peer has it exactly once.
    int const hold = (PUNIXSharedObjectSupport::cLockSeconds + 1) * 1000 + 500;
    struct Case
    {
        char const* fMode;
        // Whether the first send must find the job taken; otherwise it depends on whether the
        // sender takes the record back before the peer looks again.
        bool fMustBeTaken;
    };
    Case const cases[] = {{"slow-take", true}, {"slow-look", false}};
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fMode);
        PeerProcess peer(JobFile(entry.fMode), entry.fMode, 20, hold);
        ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
        GPPJobInfo const job = Job(entry.fMode);
        bool const first = GPPJobNotifier(job).TrySendNotification();
        // Long enough for the peer's hold to end and the peer to look again.
        std::size_t const afterFirst = peer.AwaitJobs(1, 2.5).size();
        EXPECT_EQ(first, afterFirst == 1) << "the answer does not tell whether the peer got the job";
        if (entry.fMustBeTaken)
        {
            EXPECT_TRUE(first);
        }
        if (!first)
        {
            EXPECT_TRUE(GPPJobNotifier(job).TrySendNotification());
        }
        std::vector<std::string> const jobs = peer.AwaitJobs(2, 1.0);
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(jobs[0], TextOfJob(job));
        EXPECT_EQ(peer.Stop(), 0);
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
