// Subjects and observers: priority order, moving and detaching, changes during a notification,
// suppression, and what the destructors of either side leave behind.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "GObserverT.h"
#include "GSubjectT.h"

namespace
{
using Log = std::vector<std::string>;

// Writes "name:code" (or "name" for the plain update) and then runs its action, if any.
class Watcher : public GObserverT<>
{
public:
    Watcher(std::string name, Log& log, bool* deleted = nullptr)
        : fName(std::move(name)), fLog(log), fDeleted(deleted)
    {
    }
    ~Watcher() override
    {
        if (fDeleted)
            *fDeleted = true;
    }

    void Update(GSubjectT<>* subject) override
    {
        fLog.push_back(fName);
        fLastSubject = subject;
        if (fAction)
            fAction();
    }
    void Update(GSubjectT<>* subject, int code) override
    {
        fLog.push_back(fName + ":" + std::to_string(code));
        fLastSubject = subject;
        if (fAction)
            fAction();
    }

    std::function<void()> fAction;
    GSubjectT<>* fLastSubject = nullptr;

private:
    std::string fName;
    Log& fLog;
    bool* fDeleted;
};

// Keeps the base's Update(subject, code), which hands over to Update(subject).
class PlainWatcher : public GObserverT<>
{
public:
    void Update(GSubjectT<>*) override { ++fCalls; }
    int fCalls = 0;
};
} // namespace

TEST(GSubjectTest, NotifiesHigherPrioritiesFirstAndEqualOnesInAttachingOrder)
{
    Log log;
    GSubjectT<> subject;
    Watcher low("low", log), high("high", log), middle1("middle1", log), middle2("middle2", log);
    subject.Attach(&low, 1);
    subject.Attach(&middle1, 3);
    subject.Attach(&high, 5);
    subject.Attach(&middle2, 3);

    subject.Notify(11);
    EXPECT_EQ(log, (Log{"high:11", "middle1:11", "middle2:11", "low:11"}));
    EXPECT_EQ(high.fLastSubject, &subject);
    log.clear();
    subject.Notify();
    EXPECT_EQ(log, (Log{"high", "middle1", "middle2", "low"}));
}

TEST(GSubjectTest, AttachingAgainMovesOnlyWhenThePriorityChanges)
{
    struct Case
    {
        char const* fName;
        int fNewPriority;
        Log fExpected;
    };
    Case const cases[] = {
        {"same priority keeps the place", 3, {"a:0", "b:0", "c:0"}},
        {"higher priority moves ahead", 9, {"b:0", "a:0", "c:0"}},
        {"lower priority moves behind", 1, {"a:0", "c:0", "b:0"}},
        {"equal to another comes after it", 5, {"a:0", "b:0", "c:0"}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        Log log;
        GSubjectT<> subject;
        Watcher a("a", log), b("b", log), cc("c", log);
        subject.Attach(&a, 5);
        subject.Attach(&b, 3);
        subject.Attach(&cc, 2);
        subject.Attach(&b, c.fNewPriority);
        subject.Notify(0);
        EXPECT_EQ(log, c.fExpected);
        EXPECT_EQ(subject.GetObserverCount(), 3) << "never twice";
    }
}

TEST(GSubjectTest, DetachLeavesBothSidesAndDetachingAStrangerOnlyCleansItsTable)
{
    Log log;
    GSubjectT<> subject, other;
    Watcher a("a", log), b("b", log);
    subject.Attach(&a, 0);
    subject.Attach(&b, 0);
    other.Attach(&a, 0);
    EXPECT_TRUE(a.IsAttachedTo(&subject));

    subject.Detach(&a);
    EXPECT_FALSE(a.IsAttachedTo(&subject));
    EXPECT_TRUE(a.IsAttachedTo(&other));
    subject.Notify(1);
    EXPECT_EQ(log, (Log{"b:1"}));

    subject.Detach(&a); // not attached any more
    EXPECT_EQ(subject.GetObserverCount(), 1);
    EXPECT_TRUE(a.IsAttachedTo(&other));
}

TEST(GSubjectTest, ObserversDetachedDuringANotificationAreNotCalled)
{
    Log log;
    GSubjectT<> subject;
    Watcher a("a", log), b("b", log), c("c", log), d("d", log);
    subject.Attach(&a, 4);
    subject.Attach(&b, 3);
    subject.Attach(&c, 2);
    subject.Attach(&d, 1);
    // b leaves itself and takes c out before its turn; a, already called, is taken out too.
    b.fAction = [&]
    {
        subject.Detach(&b);
        subject.Detach(&c);
        subject.Detach(&a);
    };
    subject.Notify(7);
    EXPECT_EQ(log, (Log{"a:7", "b:7", "d:7"}));
    log.clear();
    subject.Notify(8);
    EXPECT_EQ(log, (Log{"d:8"}));
}

TEST(GSubjectTest, SuppressedSubjectNotifiesNobody)
{
    Log log;
    GSubjectT<> subject;
    Watcher a("a", log);
    subject.Attach(&a, 0);
    subject.SetSuppressNotification(true);
    subject.Notify(1);
    subject.Notify();
    EXPECT_TRUE(log.empty());
    subject.SetSuppressNotification(false);
    subject.Notify(2);
    EXPECT_EQ(log, (Log{"a:2"}));
}

TEST(GSubjectTest, DefaultUpdateWithCodeCallsThePlainUpdate)
{
    GSubjectT<> subject;
    PlainWatcher plain;
    subject.Attach(&plain, 0);
    subject.Notify(12);
    subject.Notify();
    EXPECT_EQ(plain.fCalls, 2);
}

TEST(GSubjectTest, ADyingObserverLeavesEverySubjectItWatched)
{
    Log log;
    GSubjectT<> first, second;
    Watcher stays("stays", log);
    first.Attach(&stays, 0);
    {
        Watcher goes("goes", log);
        first.Attach(&goes, 5);
        second.Attach(&goes, 5);
    }
    EXPECT_EQ(first.GetObserverCount(), 1);
    EXPECT_EQ(second.GetObserverCount(), 0);
    first.Notify(3);
    EXPECT_EQ(log, (Log{"stays:3"}));
}

TEST(GSubjectTest, ADyingSubjectDetachesItsObserversAndDeletesWhatItOwns)
{
    Log log;
    bool ownedDeleted = false;
    Watcher outside("outside", log);
    auto* owned = new Watcher("owned", log, &ownedDeleted);
    GSubjectT<> survivor;
    GSubjectT<> const* gone = nullptr;
    {
        GSubjectT<> subject;
        gone = &subject;
        subject.Attach(&outside, 1);
        subject.AdoptObserver(owned, 2);
        survivor.Attach(owned, 0);
        subject.Notify(4);
        EXPECT_EQ(log, (Log{"owned:4", "outside:4"}));
    }
    EXPECT_TRUE(ownedDeleted);
    EXPECT_FALSE(outside.IsAttachedTo(gone));
    EXPECT_EQ(survivor.GetObserverCount(), 0) << "the owned observer left the other subject too";
    survivor.Attach(&outside, 0);
    survivor.Notify(5);
    EXPECT_EQ(log.back(), "outside:5");
}
