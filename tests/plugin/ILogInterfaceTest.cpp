// The logging front end: who hears a message, with which severity, and who owns the global logger.
#include <gtest/gtest.h>

#include <QStringList>

#include <functional>
#include <memory>

#include "ILogInterface.h"

namespace
{
using Zolvane::ILogInterface;

// The loggers' names in the order they heard.
QStringList sJournal;

// Writes down what it hears and, through a shared count, that it was destroyed.
class RecordingLogger : public ILogInterface
{
public:
    explicit RecordingLogger(bool autoRegister, std::shared_ptr<int> destroyed = std::make_shared<int>(0),
                             QString name = QString())
        : ILogInterface(autoRegister), fDestroyed(std::move(destroyed)), fName(std::move(name))
    {
    }
    ~RecordingLogger() override { ++*fDestroyed; }

    void Write(Severity severity, QString const& message, QString const& location) override
    {
        fHeard.append(QString::number(severity) + " " + location + ": " + message);
        sJournal.append(fName);
        // A copy: the action may destroy this logger.
        std::function<void()> const action = fOnWrite;
        if (action)
            action();
    }

    QStringList fHeard;
    std::function<void()> fOnWrite;
    std::shared_ptr<int> fDestroyed;
    QString fName;
};

// Every test leaves no global logger behind, as it found none.
class ILogInterfaceTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(nullptr, ILogInterface::GetGlobalLogger()); }
    void TearDown() override { ILogInterface::FinalizeGlobalLogger(); }
};

TEST_F(ILogInterfaceTest, EachEntryPointSendsItsSeverity)
{
    RecordingLogger logger(true);
    log_assert("a", "OpenArchive");
    log_debug("b", "StartIterate");
    ILogInterface::Log("c", "Next");
    log_error("d", "ExtractCurrentToMemory");
    ILogInterface::Log(ILogInterface::cError, "e", "here");
    EXPECT_EQ(QStringList({"-2 OpenArchive: a", "-1 StartIterate: b", "1 Next: c",
                           "3 ExtractCurrentToMemory: d", "3 here: e"}),
              logger.fHeard);
}

TEST_F(ILogInterfaceTest, OnlyRegisteredOrGlobalLoggersHearAndOnlyWhileTheyLive)
{
    // Nothing attached: the calls return and nobody hears them.
    RecordingLogger bystander(false);
    log_assert("unheard", "nowhere");
    ILogInterface::Log("unheard", "nowhere");
    auto registered = std::make_unique<RecordingLogger>(true);
    log_error("first", "here");
    EXPECT_TRUE(bystander.fHeard.isEmpty());
    EXPECT_EQ(QStringList({"3 here: first"}), registered->fHeard);

    registered.reset();
    RecordingLogger later(true);
    log_error("second", "here");
    EXPECT_EQ(QStringList({"3 here: second"}), later.fHeard);
}

TEST_F(ILogInterfaceTest, GlobalLoggerIsOwnedAndReplaced)
{
    auto const firstDestroyed = std::make_shared<int>(0);
    auto const secondDestroyed = std::make_shared<int>(0);
    auto* const first = new RecordingLogger(false, firstDestroyed);
    ILogInterface::InitializeGlobalLogger(first);
    EXPECT_EQ(first, ILogInterface::GetGlobalLogger());
    log_debug("to the first", "here");
    EXPECT_EQ(QStringList({"-1 here: to the first"}), first->fHeard);

    ILogInterface::InitializeGlobalLogger(new RecordingLogger(false, secondDestroyed));
    EXPECT_EQ(1, *firstDestroyed);
    EXPECT_EQ(0, *secondDestroyed);

    ILogInterface::FinalizeGlobalLogger();
    EXPECT_EQ(1, *secondDestroyed);
    EXPECT_EQ(nullptr, ILogInterface::GetGlobalLogger());
    // Without a logger nothing is deleted again.
    ILogInterface::FinalizeGlobalLogger();
    EXPECT_EQ(1, *firstDestroyed);
    EXPECT_EQ(1, *secondDestroyed);
}

TEST_F(ILogInterfaceTest, GlobalLoggerHearsFirstAndTwiceWhenAlsoRegistered)
{
    RecordingLogger registered(true, std::make_shared<int>(0), "registered");
    ILogInterface::InitializeGlobalLogger(new RecordingLogger(false, std::make_shared<int>(0), "global"));
    sJournal.clear();
    log_error("once each", "here");
    EXPECT_EQ(QStringList({"global", "registered"}), sJournal);

    auto* const both = new RecordingLogger(true, std::make_shared<int>(0), "both");
    ILogInterface::InitializeGlobalLogger(both);
    sJournal.clear();
    log_error("twice", "here");
    EXPECT_EQ(QStringList({"3 here: twice", "3 here: twice"}), both->fHeard);
    ASSERT_EQ(3, sJournal.size());
    EXPECT_EQ("both", sJournal.front());
    EXPECT_EQ(1, sJournal.count("registered"));
}

TEST_F(ILogInterfaceTest, LoggerMadeDuringAMessageHearsFromTheNextOne)
{
    RecordingLogger maker(true);
    std::unique_ptr<RecordingLogger> made;
    maker.fOnWrite = [&]
    {
        if (!made)
            made = std::make_unique<RecordingLogger>(true);
    };
    log_error("first", "here");
    ASSERT_NE(nullptr, made);
    EXPECT_TRUE(made->fHeard.isEmpty());
    log_error("second", "here");
    EXPECT_EQ(QStringList({"3 here: second"}), made->fHeard);
}

TEST_F(ILogInterfaceTest, LoggerThatDestroysItselfWhileHearingIsNotCalledAgain)
{
    auto const destroyed = std::make_shared<int>(0);
    auto* const once = new RecordingLogger(true, destroyed);
    once->fOnWrite = [once] { delete once; };
    RecordingLogger other(true);
    log_error("last", "here");
    EXPECT_EQ(1, *destroyed);
    EXPECT_EQ(QStringList({"3 here: last"}), other.fHeard);
    log_error("after", "here");
    EXPECT_EQ(2, other.fHeard.size());
}
} // namespace

TEST_F(ILogInterfaceTest, LoggerDestroyedByAnotherWhileAMessageGoesRoundHearsNoMore)
{
    // Whichever of the two hears first destroys the other: the one destroyed is not called from
    // the list the message started with.
    auto const destroyed = std::make_shared<int>(0);
    RecordingLogger* first = new RecordingLogger(true, destroyed, "first");
    RecordingLogger* second = new RecordingLogger(true, destroyed, "second");
    first->fOnWrite = [&]
    {
        delete second;
        second = nullptr;
    };
    second->fOnWrite = [&]
    {
        delete first;
        first = nullptr;
    };
    sJournal.clear();
    log_error("one of you goes", "here");
    EXPECT_EQ(1, *destroyed);
    EXPECT_EQ(1, sJournal.size());
    delete first;
    delete second;
}
