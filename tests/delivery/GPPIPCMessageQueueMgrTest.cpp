// The registry of receiving processes: the header a creator writes, entries added and moved on
// removal, flags, the full list, ids drawn under the lock, and a damaged list met without harm.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "GPPIPCMessageQueueMgr.h"
#include "PUNIXSharedMemory.h"
#include "SharedObjects.h"

namespace
{
using deliverytest::ObjectView;
using testsupport::ErrorOf;
using Mgr = GPPIPCMessageQueueMgr;

constexpr int cData = PUNIXSharedMemory::cHeaderSize;

class GPPIPCMessageQueueMgrTest : public deliverytest::SharedObjectsTest
{
protected:
    void SetUp() override { fID = NewID(); }
    std::unique_ptr<Mgr> Make() const { return std::make_unique<Mgr>(GShMemID(fID.c_str())); }
    std::unique_ptr<ObjectView> View() const { return std::make_unique<ObjectView>("/ZlvShD" + fID); }
    // (process id, registration id, flag) of every entry, as another process reads them.
    std::vector<std::vector<int> > Entries() const
    {
        auto const view = View();
        std::vector<std::vector<int> > entries;
        int const end = view->Field(cData + Mgr::cEndOffset);
        for (int entry = Mgr::cEntriesOffset; entry < end && entry < Mgr::cDataSize; entry += Mgr::cEntrySize)
            entries.push_back({view->Field(cData + entry), view->Field(cData + entry + 4),
                               view->Field(cData + entry + 8)});
        return entries;
    }
    std::vector<unsigned char> Data() const
    {
        auto const view = View();
        return std::vector<unsigned char>(view->Bytes() + cData, view->Bytes() + cData + Mgr::cDataSize);
    }

    deliverytest::SpecialIDScope fSpecialIDs;
    std::string fID;
};
} // namespace

TEST_F(GPPIPCMessageQueueMgrTest, TheCreatorWritesTheHeaderAndTheFirstEntryGoesToOffset12)
{
    std::clock_t const before = std::clock();
    auto const mgr = Make();
    std::clock_t const after = std::clock();
    auto const view = View();
    ASSERT_EQ(view->Size(), static_cast<std::size_t>(cData + Mgr::cDataSize));
    EXPECT_EQ(view->Field(cData + Mgr::cVersionOffset), 1);
    EXPECT_GE(view->Field(cData + Mgr::cCounterOffset), static_cast<int>(before));
    EXPECT_LE(view->Field(cData + Mgr::cCounterOffset), static_cast<int>(after));
    EXPECT_EQ(view->Field(cData + Mgr::cEndOffset), 12);

    int const id = mgr->Register(4711);
    EXPECT_NE(id, 0);
    EXPECT_EQ(view->Field(cData + Mgr::cEndOffset), 24);
    EXPECT_EQ(Entries(), (std::vector<std::vector<int> >{{4711, id, 0}}));
    EXPECT_TRUE(mgr->IsRegistered(4711));
    EXPECT_FALSE(mgr->IsRegistered(4712));
    ASSERT_EQ(mgr->GetOwnRegistrations().GetCount(), 1);
    EXPECT_EQ(mgr->GetOwnRegistrations()[0], (GPair<int, int>(4711, id)));
}

TEST_F(GPPIPCMessageQueueMgrTest, RemovalMovesTheLastEntryIntoTheFreedPlace)
{
    auto const mgr = Make();
    int const a = mgr->Register(1);
    int const b = mgr->Register(2);
    int const c = mgr->Register(3);
    mgr->Unregister(1, a);
    EXPECT_EQ(Entries(), (std::vector<std::vector<int> >{{3, c, 0}, {2, b, 0}}));
    mgr->Unregister(2, c); // no such pair
    EXPECT_EQ(Entries().size(), 2u);
    mgr->Unregister(3, c);
    mgr->Unregister(2, b);
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(View()->Field(cData + Mgr::cEndOffset), 12);
    EXPECT_EQ(mgr->GetOwnRegistrations().GetCount(), 0);
}

TEST_F(GPPIPCMessageQueueMgrTest, UnregisteringAProcessRemovesEveryEntryOfItAlsoAMovedOne)
{
    auto const mgr = Make();
    mgr->Register(7);
    int const other = mgr->Register(8);
    mgr->Register(7);
    mgr->Unregister(7);
    EXPECT_EQ(Entries(), (std::vector<std::vector<int> >{{8, other, 0}}));
    ASSERT_EQ(mgr->GetOwnRegistrations().GetCount(), 1);
    int session = 99;
    GTable<int> ids;
    mgr->GetRegistered(8, session, ids);
    EXPECT_EQ(session, mgr->GetSession());
    ASSERT_EQ(ids.GetCount(), 1);
    EXPECT_EQ(ids[0], other);
}

TEST_F(GPPIPCMessageQueueMgrTest, FlagsAreSetAndReadOnTheirPairOnly)
{
    auto const mgr = Make();
    int const a = mgr->Register(5);
    int const b = mgr->Register(5);
    mgr->SetFlag(5, b, true);
    EXPECT_TRUE(mgr->GetFlag(5, b));
    EXPECT_FALSE(mgr->GetFlag(5, a));
    EXPECT_FALSE(mgr->GetFlag(6, b));
    std::vector<unsigned char> const before = Data();
    mgr->SetFlag(6, a, true);
    EXPECT_EQ(Data(), before);
    mgr->SetFlag(5, b, false);
    EXPECT_FALSE(mgr->GetFlag(5, b));
}

TEST_F(GPPIPCMessageQueueMgrTest, A257thRegistrationFailsAndWritesNothing)
{
    auto const mgr = Make();
    std::set<int> ids;
    for (int i = 0; i < Mgr::cMaxEntries; ++i)
        ids.insert(mgr->Register(1000 + i));
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(Mgr::cMaxEntries));
    EXPECT_EQ(ids.count(0), 0u);
    std::vector<unsigned char> const before = Data();
    EXPECT_EQ(mgr->Register(99), 0);
    EXPECT_EQ(Data(), before) << "a failed registration changed the block";
    EXPECT_EQ(mgr->GetOwnRegistrations().GetCount(), Mgr::cMaxEntries);
}

TEST_F(GPPIPCMessageQueueMgrTest, ADrawSkipsZeroAndIdsInUse)
{
    auto const mgr = Make();
    mgr->Register(1);
    auto const view = View();
    // The next draw is predictable from the counter: an entry holding it must be skipped.
    unsigned seed = static_cast<unsigned>(view->Field(cData + Mgr::cCounterOffset) + 1);
    int first = 0;
    while (first == 0)
        first = rand_r(&seed);
    int second = 0;
    while (second == 0)
        second = rand_r(&seed);
    view->SetField(cData + Mgr::cEntriesOffset + 4, first);
    EXPECT_EQ(mgr->FindUnusedRegistrationID(), second);
}

TEST_F(GPPIPCMessageQueueMgrTest, ADamagedEndOffsetFailsEveryOperationWithoutHarm)
{
    int const ends[] = {0, 11, 13, 23, 3096, 3085, -12, 0x7ffffff8};
    for (int end : ends)
    {
        SCOPED_TRACE(end);
        auto mgr = Make();
        int const id = mgr->Register(3);
        ASSERT_NE(id, 0);
        View()->SetField(cData + Mgr::cEndOffset, end);
        std::vector<unsigned char> const before = Data();
        EXPECT_EQ(mgr->Register(4), 0);
        EXPECT_EQ(mgr->FindUnusedRegistrationID(), 0);
        EXPECT_FALSE(mgr->IsRegistered(3));
        EXPECT_FALSE(mgr->GetFlag(3, id));
        mgr->SetFlag(3, id, true);
        mgr->Unregister(3);
        GTable<GPair<int, GPair<int, int> > > all;
        mgr->GetRegistered(all);
        EXPECT_EQ(all.GetCount(), 0);
        std::vector<unsigned char> after = Data();
        // Only the draw's counter may have moved.
        for (int i = 0; i < 4; ++i)
            after[Mgr::cCounterOffset + i] = before[Mgr::cCounterOffset + i];
        EXPECT_EQ(after, before);
        mgr.reset();
        shm_unlink(("/ZlvShD" + fID).c_str());
    }
}

TEST_F(GPPIPCMessageQueueMgrTest, AnOpenerChecksTheVersionAndTheLastOneOutWithdrawsItsOwn)
{
    auto const first = Make();
    first->Register(10);
    {
        auto const second = Make();
        second->Register(11);
        EXPECT_EQ(Entries().size(), 2u);
    }
    EXPECT_EQ(Entries().size(), 1u) << "the second manager's entry outlived it";
    View()->SetField(cData + Mgr::cVersionOffset, 2);
    EXPECT_EQ(ErrorOf([&] { Make(); }), 40154);
}

TEST_F(GPPIPCMessageQueueMgrTest, TwoProcessesRegisteringAtOnceGetDistinctIds)
{
    constexpr int cEach = 100;
    auto const mgr = Make();
    testsupport::ChildProcess child(
        [&](testsupport::ChildProcess::Child const& parent)
        {
            Mgr own(GShMemID(fID.c_str()));
            parent.Tell('r');
            parent.Await();
            for (int i = 0; i < cEach; ++i)
                if (own.Register(getpid()) == 0)
                    return 1;
            parent.Tell('d');
            parent.Await();
            // Its registrations stay while the parent looks: the child ends without its destructor.
            _exit(0);
        });
    ASSERT_EQ(child.Await(), 'r');
    child.Tell('g');
    for (int i = 0; i < cEach; ++i)
        ASSERT_NE(mgr->Register(getpid()), 0);
    ASSERT_EQ(child.Await(), 'd');
    std::set<int> ids;
    for (auto const& entry : Entries())
        ids.insert(entry[1]);
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(2 * cEach));
    child.Tell('e');
    EXPECT_EQ(child.Wait(), 0);
}

TEST_F(GPPIPCMessageQueueMgrTest, TheDrawCounterWrapsRoundAtItsMaximum)
{
    auto const mgr = Make();
    View()->SetField(cData + Mgr::cCounterOffset, 0x7fffffff);
    EXPECT_NE(mgr->Register(1), 0);
    EXPECT_EQ(View()->Field(cData + Mgr::cCounterOffset), static_cast<int>(0x80000000u));
}
