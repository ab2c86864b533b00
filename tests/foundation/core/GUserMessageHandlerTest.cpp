// Deferred user messages: the queue is run in order when idle time is delivered, from whichever
// threads it was filled, and the handler listens to idle time only while commands wait.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "GEmptyMessage.h"
#include "GSignal.h"
#include "GSimpleException.h"
#include "GUserMessage.h"
#include "GUserMessageHandler.h"
#include "StringText.h"

using testsupport::Utf8Of;

namespace
{
using Log = std::vector<std::string>;

// Notes every error message shown, as "title: text", from whichever thread shows it.
class ErrorLog : public GUserMessage
{
public:
    void ShowErrorMessage(GString const& title, GString const& text) override
    {
        std::lock_guard<std::mutex> lock(fMutex);
        fShown.push_back(Utf8Of(title) + ": " + Utf8Of(text));
    }
    Log Shown()
    {
        std::lock_guard<std::mutex> lock(fMutex);
        return fShown;
    }

private:
    std::mutex fMutex;
    Log fShown;
};

// A command that writes its name into the log when run, may throw then, and tells when it goes.
class NoteCommand : public GCommand
{
public:
    NoteCommand(std::string name, Log& log, bool throws = false)
        : fName(std::move(name)), fLog(log), fThrows(throws)
    {
    }
    ~NoteCommand() override { fLog.push_back("~" + fName); }
    void Execute() override
    {
        fLog.push_back(fName);
        if (fThrows)
            throw GSimpleException(40012);
    }

private:
    std::string fName;
    Log& fLog;
    bool fThrows;
};

GAutoPtr<GCommand, GDeletePtr> Command(GCommand* command)
{
    return GAutoPtr<GCommand, GDeletePtr>(command);
}

void DeliverIdleTime()
{
    GSignal<GEmptyMessage>::GetSignal(GUserMessageHandler::cIdleSignal)->Send(GEmptyMessage());
}

// Every test has a fresh handler and an error log as the user-message service.
class GUserMessageHandlerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fErrors = new ErrorLog;
        GUserMessage::SetInstance(fErrors);
        GUserMessageHandler::Initialize();
        fHandler = GUserMessageHandler::GetInstance();
        ASSERT_NE(fHandler, nullptr);
    }
    void TearDown() override
    {
        GUserMessageHandler::Finalize();
        GUserMessage::SetInstance(nullptr);
    }

    ErrorLog* fErrors = nullptr;
    GUserMessageHandler* fHandler = nullptr;
};
} // namespace

TEST_F(GUserMessageHandlerTest, QueuedErrorsAreShownInOrderAtIdleTime)
{
    EXPECT_FALSE(fHandler->IsListening()) << "an empty queue waits for nothing";
    fHandler->RegisterErrorMessage(GString("Export"), GString("The disk is full."));
    fHandler->RegisterErrorMessage(GString("Package"), GString("A font is missing."));
    EXPECT_TRUE(fHandler->IsListening());
    EXPECT_TRUE(fErrors->Shown().empty()) << "nothing is shown before idle time";

    DeliverIdleTime();
    EXPECT_EQ(fErrors->Shown(), (Log{"Export: The disk is full.", "Package: A font is missing."}));
    EXPECT_FALSE(fHandler->IsListening());

    DeliverIdleTime();
    EXPECT_EQ(fErrors->Shown().size(), 2u) << "each message is shown once";

    fHandler->RegisterErrorMessage(GString("Export"), GString("Done."));
    EXPECT_TRUE(fHandler->IsListening()) << "a new message listens again";
    DeliverIdleTime();
    EXPECT_EQ(fErrors->Shown().back(), "Export: Done.");
    EXPECT_FALSE(fHandler->IsListening());
}

TEST_F(GUserMessageHandlerTest, MessagesQueuedFromSeveralThreadsAreShownInQueuingOrder)
{
    constexpr int cThreads = 4;
    constexpr int cEach = 200;
    std::mutex order;
    Log expected;
    std::vector<std::thread> threads;
    for (int t = 0; t < cThreads; ++t)
    {
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < cEach; ++i)
                {
                    std::string const text = std::to_string(t) + "." + std::to_string(i);
                    // The test's own lock only records the order in which the queue is filled.
                    std::lock_guard<std::mutex> lock(order);
                    fHandler->RegisterErrorMessage(GString("Worker"), GString(text.c_str()));
                    expected.push_back("Worker: " + text);
                }
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_TRUE(fErrors->Shown().empty());

    DeliverIdleTime();
    EXPECT_EQ(fErrors->Shown(), expected);
    EXPECT_FALSE(fHandler->IsListening());
}

TEST_F(GUserMessageHandlerTest, OtherSignalsLeaveTheQueueAlone)
{
    fHandler->RegisterErrorMessage(GString("Export"), GString("Waiting."));
    for (int id : {101, 102, 105})
    {
        SCOPED_TRACE(id);
        fHandler->Receive(id, GEmptyMessage());
        GSignal<GEmptyMessage>::GetSignal(id)->Send(GEmptyMessage());
        EXPECT_TRUE(fErrors->Shown().empty());
        EXPECT_TRUE(fHandler->IsListening());
    }
    DeliverIdleTime();
    EXPECT_EQ(fErrors->Shown(), (Log{"Export: Waiting."}));
}

TEST_F(GUserMessageHandlerTest, CommandsQueuedWhileTheQueueRunsRunInTheSameIdleTime)
{
    // Each command queues the next, as a command that reports its own failure would.
    class Chain : public GCommand
    {
    public:
        explicit Chain(int left) : fLeft(left) {}
        void Execute() override
        {
            GUserMessageHandler::GetInstance()->RegisterErrorMessage(GString("Chain"), GString(fLeft));
            if (fLeft > 0)
                GUserMessageHandler::GetInstance()->RegisterMessage(Command(new Chain(fLeft - 1)));
        }

    private:
        int fLeft;
    };
    fHandler->RegisterMessage(Command(new Chain(2)));
    DeliverIdleTime();
    EXPECT_EQ(fErrors->Shown(), (Log{"Chain: 2", "Chain: 1", "Chain: 0"}));
    EXPECT_FALSE(fHandler->IsListening());
}

TEST_F(GUserMessageHandlerTest, ThrowingCommandIsDeletedAndTheRestWaitForTheNextIdleTime)
{
    Log log;
    fHandler->RegisterMessage(Command(new NoteCommand("first", log)));
    fHandler->RegisterMessage(Command(new NoteCommand("failing", log, true)));
    fHandler->RegisterMessage(Command(new NoteCommand("last", log)));
    fHandler->RegisterMessage(GAutoPtr<GCommand, GDeletePtr>());

    EXPECT_THROW(DeliverIdleTime(), GSimpleException);
    EXPECT_EQ(log, (Log{"first", "~first", "failing", "~failing"}));
    EXPECT_TRUE(fHandler->IsListening()) << "the command behind still waits";

    DeliverIdleTime();
    EXPECT_EQ(log, (Log{"first", "~first", "failing", "~failing", "last", "~last"}));
    EXPECT_FALSE(fHandler->IsListening());
}

TEST_F(GUserMessageHandlerTest, FinalizeDeletesCommandsNeverRunAndLeavesIdleTime)
{
    Log log;
    fHandler->RegisterMessage(Command(new NoteCommand("older", log)));
    fHandler->RegisterMessage(Command(new NoteCommand("newer", log)));
    GUserMessageHandler::Finalize();
    EXPECT_EQ(GUserMessageHandler::GetInstance(), nullptr);
    EXPECT_EQ(log, (Log{"~newer", "~older"}));

    // The deleted handler is no longer on the signal: delivering reaches nothing.
    DeliverIdleTime();
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(GUserMessageHandlerTest, InitializingAgainKeepsTheQueue)
{
    fHandler->RegisterErrorMessage(GString("Export"), GString("Kept."));
    GUserMessageHandler::Initialize();
    EXPECT_EQ(GUserMessageHandler::GetInstance(), fHandler);
    DeliverIdleTime();
    EXPECT_EQ(fErrors->Shown(), (Log{"Export: Kept."}));
}

TEST_F(GUserMessageHandlerTest, QueuingWhileAnotherThreadDeliversIdleTimeNeitherHangsNorLosesMessages)
{
    // The handler joins the signal on the queuing thread while the delivering thread, holding the
    // signal, makes it leave: a lock taken in the opposite order on either side would hang here.
    constexpr int cThreads = 3;
    constexpr int cEach = 300;
    auto finished = std::make_shared<std::promise<void>>();
    std::future<void> done = finished->get_future();
    std::atomic<int> producing{cThreads};
    std::thread runner(
        [&, finished]
        {
            std::vector<std::thread> producers;
            for (int t = 0; t < cThreads; ++t)
            {
                producers.emplace_back(
                    [&, t]
                    {
                        for (int i = 0; i < cEach; ++i)
                        {
                            std::string const text = std::to_string(t) + " " + std::to_string(i);
                            fHandler->RegisterErrorMessage(GString("Worker"), GString(text.c_str()));
                        }
                        --producing;
                    });
            }
            while (producing > 0)
                DeliverIdleTime();
            for (std::thread& producer : producers)
                producer.join();
            DeliverIdleTime();
            finished->set_value();
        });
    if (done.wait_for(std::chrono::seconds(60)) != std::future_status::ready)
    {
        std::fprintf(stderr, "queuing and delivering idle time hang\n");
        std::abort();
    }
    runner.join();

    Log const shown = fErrors->Shown();
    ASSERT_EQ(shown.size(), static_cast<size_t>(cThreads * cEach));
    std::vector<int> next(cThreads, 0);
    for (std::string const& line : shown)
    {
        int t = -1;
        int i = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "Worker: %d %d", &t, &i), 2) << line;
        ASSERT_TRUE(t >= 0 && t < cThreads) << line;
        EXPECT_EQ(i, next[t]) << "each thread's messages come in the order it queued them";
        next[t] = i + 1;
    }
    EXPECT_FALSE(fHandler->IsListening());
}
