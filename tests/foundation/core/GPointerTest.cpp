// The owning and shared pointer holders: GAutoPtr, GSmartPtr and GSharedObject.
#include <gtest/gtest.h>

#include <vector>

#include "GAutoPtr.h"
#include "GSharedObject.h"
#include "GSmartPtr.h"
#include "GTable.h"
#include "GThreadSafeRefCount.h"

namespace
{
// Counts its deletions per id, so a double delete shows as a count of 2.
struct Tracked
{
    static std::vector<int> sDeletes;
    explicit Tracked(int id) : fId(id) {}
    virtual ~Tracked() { ++sDeletes[fId]; }
    int fId;
};
std::vector<int> Tracked::sDeletes;

struct Derived : public Tracked
{
    explicit Derived(int id) : Tracked(id) {}
};

class GPointerTest : public ::testing::Test
{
protected:
    void SetUp() override { Tracked::sDeletes.assign(10, 0); }
    static int Deletes(int id) { return Tracked::sDeletes[id]; }
};

TEST_F(GPointerTest, AutoPtrDeletesOnlyWhatItOwns)
{
    Tracked borrowed(9);
    {
        GAutoPtr<Tracked> owner(new Tracked(0));
        GAutoPtr<Tracked> lender(&borrowed, false);
        GAutoPtr<Tracked> empty;
        EXPECT_TRUE(owner.IsOwner());
        EXPECT_FALSE(lender.IsOwner());
        EXPECT_TRUE(empty.IsNull());
    }
    EXPECT_EQ(Deletes(0), 1);
    EXPECT_EQ(Deletes(9), 0);
}

TEST_F(GPointerTest, AutoPtrCopyHandsTheOwnershipOn)
{
    GAutoPtr<Tracked> first(new Tracked(0));
    {
        GAutoPtr<Tracked> const& source = first;
        GAutoPtr<Tracked> second(source);
        EXPECT_FALSE(first.IsOwner());
        EXPECT_TRUE(second.IsOwner());
        EXPECT_EQ(first.Get(), second.Get());
        GAutoPtr<Tracked> third;
        third = second;
        EXPECT_FALSE(second.IsOwner());
        EXPECT_TRUE(third.IsOwner());
        EXPECT_EQ(Deletes(0), 0);
    }
    EXPECT_EQ(Deletes(0), 1);
    EXPECT_FALSE(first.IsOwner()); // it still points at the deleted object, but never deletes it
    first.Reset();
    EXPECT_EQ(Deletes(0), 1);

    GAutoPtr<Derived> derived(new Derived(2));
    GAutoPtr<Tracked> base(derived);
    EXPECT_FALSE(derived.IsOwner());
    EXPECT_TRUE(base.IsOwner());
}

TEST_F(GPointerTest, AutoPtrReplacementDeletesTheOldOwnedObjectOnce)
{
    GAutoPtr<Tracked> holder(new Tracked(0));
    Tracked* same = holder.Get();
    holder.Reset(same); // the same object: nothing is deleted
    EXPECT_EQ(Deletes(0), 0);
    holder.Reset(new Tracked(1));
    EXPECT_EQ(Deletes(0), 1);
    Tracked* taken = holder.Release();
    EXPECT_FALSE(holder.IsOwner());
    holder.Reset(new Tracked(2));
    EXPECT_EQ(Deletes(1), 0) << "released objects belong to the caller";
    delete taken;
    holder = holder;
    EXPECT_EQ(Deletes(2), 0);
}

TEST_F(GPointerTest, SmartPtrDeletesOnceWithTheLastHolder)
{
    {
        GSmartPtr<Tracked> a(new Tracked(0));
        EXPECT_EQ(a.GetRefCount(), 1);
        {
            GSmartPtr<Tracked> b(a);
            GSmartPtr<Tracked> c;
            c = b;
            EXPECT_EQ(a.GetRefCount(), 3);
            c = c;
            b = a;
            EXPECT_EQ(a.GetRefCount(), 3);
        }
        EXPECT_EQ(a.GetRefCount(), 1);
        EXPECT_EQ(Deletes(0), 0);
    }
    EXPECT_EQ(Deletes(0), 1);

    GSmartPtr<Tracked> empty(nullptr);
    EXPECT_TRUE(empty.IsNull());
    EXPECT_EQ(empty.GetRefCount(), 0);
}

TEST_F(GPointerTest, SmartPtrDecrRefCountEmptiesTheHolder)
{
    GSmartPtr<Tracked> a(new Tracked(0));
    GSmartPtr<Tracked> b(a);
    a.DecrRefCount();
    EXPECT_TRUE(a.IsNull());
    EXPECT_EQ(b.GetRefCount(), 1);
    EXPECT_EQ(Deletes(0), 0);
    b.DecrRefCount();
    EXPECT_EQ(Deletes(0), 1);
    b.DecrRefCount();
    EXPECT_EQ(Deletes(0), 1);
}

TEST_F(GPointerTest, SmartPtrAssignmentReleasesTheOldObject)
{
    GSmartPtr<Tracked> a(new Tracked(0));
    GSmartPtr<Tracked> b(new Tracked(1));
    a = b;
    EXPECT_EQ(Deletes(0), 1);
    EXPECT_EQ(b.GetRefCount(), 2);
    GSmartPtr<Tracked> c(new Tracked(2));
    a = std::move(c);
    EXPECT_TRUE(c.IsNull());
    EXPECT_EQ(b.GetRefCount(), 1);
    EXPECT_EQ(a->fId, 2);
}

TEST_F(GPointerTest, SmartPtrsInATableShareThroughGrowth)
{
    {
        GTable<GSmartPtr<Tracked>> table;
        GSmartPtr<Tracked> shared(new Tracked(0));
        for (int i = 0; i < 20; ++i)
            table.InsertItemAt(0, shared);
        EXPECT_EQ(shared.GetRefCount(), 21);
        table.RemoveItem(shared);
        EXPECT_EQ(shared.GetRefCount(), 20);
    }
    EXPECT_EQ(Deletes(0), 1);
}

struct Shared : public GThreadSafeRefCount
{
    explicit Shared(int& deletes) : fDeletes(deletes) {}
    ~Shared() override { ++fDeletes; }
    int& fDeletes;
};

TEST(GSharedObjectTest, AssigningTheHeldObjectKeepsItAlive)
{
    int deletes = 0;
    Shared* object = new Shared(deletes);
    {
        GSharedObject<Shared> holder(object);
        EXPECT_EQ(object->GetRefCount(), 1);
        holder = object;
        holder = holder;
        EXPECT_EQ(deletes, 0);
        EXPECT_EQ(object->GetRefCount(), 1);
        GSharedObject<Shared> copy(holder);
        EXPECT_EQ(object->GetRefCount(), 2);
        holder = nullptr;
        EXPECT_TRUE(holder.IsNull());
        EXPECT_EQ(deletes, 0);
    }
    EXPECT_EQ(deletes, 1);
}

TEST(GSharedObjectTest, ReplacingReleasesTheOldObject)
{
    int deletes = 0;
    GSharedObject<Shared> holder(new Shared(deletes));
    holder = new Shared(deletes);
    EXPECT_EQ(deletes, 1);
    GSharedObject<Shared> other;
    other = std::move(holder);
    EXPECT_TRUE(holder.IsNull());
    EXPECT_EQ(other->GetRefCount(), 1);
    other = GSharedObject<Shared>();
    EXPECT_EQ(deletes, 2);
}
} // namespace
