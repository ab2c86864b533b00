// Growth, relocation, search and ownership of GTable and GAutoTable.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GAutoTable.h"
#include "GTable.h"
#include "GTableIterator.h"

namespace
{
// An item that knows its own address: relocating it bitwise leaves fSelf pointing at the old slot.
// The live count shows that every construction is matched by one destruction.
struct Anchored
{
    static int sLive;

    explicit Anchored(int value = 0) : fSelf(this), fValue(value) { ++sLive; }
    Anchored(Anchored const& other) : fSelf(this), fValue(other.Value()) { ++sLive; }
    Anchored(Anchored&& other) noexcept : fSelf(this), fValue(other.Value()) { ++sLive; }
    ~Anchored()
    {
        EXPECT_EQ(fSelf, this);
        --sLive;
    }
    Anchored& operator=(Anchored const& other)
    {
        fValue = other.Value();
        return *this;
    }
    int Value() const
    {
        EXPECT_EQ(fSelf, this) << "item was relocated bitwise";
        return fValue;
    }
    bool operator==(Anchored const& other) const { return Value() == other.Value(); }

    Anchored* fSelf;
    int fValue;
};
int Anchored::sLive = 0;

// An item whose copies fail after a number of successes, to fail a growth midway. Having no
// move constructor, it is copied when the array grows.
struct Brittle
{
    static int sCopiesLeft;

    explicit Brittle(int v) : fValue(v) {}
    Brittle(Brittle const& other) : fValue(other.fValue)
    {
        if (--sCopiesLeft < 0)
            throw 42;
    }
    Brittle& operator=(Brittle const&) = default;
    ~Brittle() {}

    int fValue;
};
int Brittle::sCopiesLeft = 0;

template<class T>
std::vector<T> Items(GTable<T> const& table)
{
    return std::vector<T>(table.GetItems(), table.GetItems() + table.GetCount());
}

std::vector<int> Values(GTable<Anchored> const& table)
{
    std::vector<int> values;
    for (int i = 0; i < table.GetCount(); ++i)
        values.push_back(table[i].Value());
    return values;
}

TEST(GTableTest, AppendingStartsWithTwoSlotsAndDoubles)
{
    GTable<int> table;
    EXPECT_EQ(table.GetCapacity(), 0);
    EXPECT_EQ(table.GetItems(), nullptr);
    int const expected[] = {2, 2, 4, 4, 8, 8, 8, 8, 16};
    for (int i = 0; i < 9; ++i)
    {
        SCOPED_TRACE(i + 1);
        table.AddItem(i);
        EXPECT_EQ(table.GetCapacity(), expected[i]);
        EXPECT_EQ(table.GetCount(), i + 1);
    }
    EXPECT_EQ(Items(table), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(GTableTest, BulkCopyGrowsOnceToTheLargerOfDoubleAndNeeded)
{
    struct Case
    {
        int initial, added, capacity;
    };
    for (Case c : {Case{0, 10, 10}, Case{10, 1, 20}, Case{10, 25, 35}, Case{3, 1, 6}})
    {
        SCOPED_TRACE(testing::Message() << c.initial << " + " << c.added);
        GTable<int> table;
        std::vector<int> source(c.initial + c.added);
        for (int i = 0; i < int(source.size()); ++i)
            source[i] = i * 7;
        table.AddItems(source.data(), c.initial);
        EXPECT_EQ(table.GetCapacity(), c.initial);
        table.AddItems(source.data() + c.initial, c.added);
        EXPECT_EQ(table.GetCapacity(), c.capacity);
        EXPECT_EQ(Items(table), source);
    }
}

TEST(GTableTest, InsertAndRemoveKeepOrder)
{
    GTable<int> table;
    for (int i : {10, 20, 30})
        table.AddItem(i);
    EXPECT_EQ(table.InsertItemAt(0, 5), 5);
    int& inserted = table.InsertItemAt(2, 15);
    EXPECT_EQ(&inserted, &table[2]);
    table.InsertItemAt(table.GetCount(), 35);
    EXPECT_EQ(Items(table), (std::vector<int>{5, 10, 15, 20, 30, 35}));

    table.RemoveItemAt(0);
    table.RemoveItemAt(2);
    table.RemoveLastItem();
    EXPECT_EQ(Items(table), (std::vector<int>{10, 15, 30}));
    EXPECT_EQ(table.GetCapacity(), 8) << "removal never shrinks";

    GTable<int> empty;
    empty.RemoveLastItem();
    EXPECT_EQ(empty.GetCount(), 0);
}

TEST(GTableTest, StringItemsSurviveGrowthInsertsAndRemovals)
{
    // Short strings keep their characters inside the object and point at them, so a bitwise
    // relocation would leave them pointing into freed storage.
    GTable<std::string> table;
    std::vector<std::string> model;
    for (int i = 0; i < 200; ++i)
    {
        std::string text = (i % 3 == 0) ? std::string(40, char('a' + i % 26)) : "s" + std::to_string(i);
        int at = (i * 37) % (int(model.size()) + 1);
        table.InsertItemAt(at, text);
        model.insert(model.begin() + at, text);
        if (i % 5 == 4)
        {
            int gone = (i * 11) % int(model.size());
            table.RemoveItemAt(gone);
            model.erase(model.begin() + gone);
        }
    }
    table.ExpandTo(table.GetCapacity() * 2);
    EXPECT_EQ(Items(table), model);
}

TEST(GTableTest, ItemsAreMovedNotCopiedBitwise)
{
    Anchored::sLive = 0;
    {
        GTable<Anchored> table;
        for (int i = 0; i < 20; ++i)
            table.InsertItemAt(i / 2, Anchored(i));
        table.RemoveItemAt(3);
        table.RemoveItemAt(0);
        table.Resize(25);
        table.Resize(10);
        EXPECT_EQ(Values(table), (std::vector<int>{3, 5, 9, 11, 13, 15, 17, 19, 18, 16}));
        EXPECT_EQ(Anchored::sLive, 10);
        GTable<Anchored> copy(table);
        copy = table;
        EXPECT_EQ(Values(copy), Values(table));
        EXPECT_EQ(Anchored::sLive, 20);
    }
    EXPECT_EQ(Anchored::sLive, 0);
}

TEST(GTableTest, InsertingOneOfItsOwnItemsCopiesItFirst)
{
    struct Case
    {
        char const* name;
        int capacity; // 3 = full, so the insertion grows the array
        int index, source;
        std::vector<std::string> expected;
    };
    std::vector<std::string> const start{"first item, long enough for the heap", "b", "c"};
    Case const cases[] = {
        {"full, insert at front", 3, 0, 1, {"b", start[0], "b", "c"}},
        {"full, append first", 3, 3, 0, {start[0], "b", "c", start[0]}},
        {"room, insert last before itself", 8, 0, 2, {"c", start[0], "b", "c"}},
        {"room, insert first in the middle", 8, 1, 0, {start[0], start[0], "b", "c"}},
        {"room, append last", 8, 3, 2, {start[0], "b", "c", "c"}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        GTable<std::string> table;
        table.AddItems(start.data(), 3);
        table.ExpandTo(c.capacity);
        ASSERT_EQ(table.GetCapacity(), c.capacity);
        table.InsertItemAt(c.index, table[c.source]);
        EXPECT_EQ(Items(table), c.expected);
    }
}

TEST(GTableTest, AddingItsOwnItemsInBulkCopiesThemFirst)
{
    for (bool withIterator : {false, true})
    {
        SCOPED_TRACE(withIterator ? "item by item" : "single pass");
        GTable<std::string> table;
        for (char const* text : {"one", "two", "three"})
            table.AddItem(text);
        std::unique_ptr<GTableIterator<std::string>> it;
        if (withIterator)
            it.reset(new GTableIterator<std::string>(table));
        table.AddItems(table.GetItems(), table.GetCount());
        EXPECT_EQ(Items(table), (std::vector<std::string>{"one", "two", "three", "one", "two", "three"}));
    }
}

TEST(GTableTest, RemoveItemAllWithOneOfItsOwnItemsRemovesEveryEqualItem)
{
    GTable<std::string> table;
    for (char const* text : {"x", "y", "x", "z", "x"})
        table.AddItem(text);
    table.RemoveItemAll(table[0]);
    EXPECT_EQ(Items(table), (std::vector<std::string>{"y", "z"}));
    table.RemoveItemAll("absent");
    EXPECT_EQ(table.GetCount(), 2);
}

TEST(GTableTest, RemoveItemPrefersTheItemAnIterationIsOn)
{
    GTable<int> table;
    for (int i : {1, 2, 1, 3})
        table.AddItem(i);
    {
        GTableIterator<int> it(table);
        while (it.Next() && it.GetPosition() < 2)
        {
        }
        ASSERT_EQ(it.GetPosition(), 2);
        table.RemoveItem(1);
        EXPECT_EQ(Items(table), (std::vector<int>{1, 2, 3}));
        EXPECT_EQ(it.GetState(), GTableIterator<int>::cRemoved);
        // An iterator whose item is gone is not on an item: the first equal one goes.
        table.AddItem(2);
        table.RemoveItem(2);
        EXPECT_EQ(Items(table), (std::vector<int>{1, 3, 2}));
    }
    table.RemoveItem(2);
    table.RemoveItem(4);
    EXPECT_EQ(Items(table), (std::vector<int>{1, 3}));
}

TEST(GTableTest, AddUniqueItemAppendsOnlyNewValues)
{
    GTable<int> table;
    table.AddUniqueItem(4).AddUniqueItem(5).AddUniqueItem(4);
    EXPECT_EQ(Items(table), (std::vector<int>{4, 5}));
}

TEST(GTableTest, ResizeZeroFillsNewItemsAndDestroysCutOnes)
{
    GTable<int> numbers;
    numbers.AddItem(9);
    numbers.Resize(4);
    EXPECT_EQ(Items(numbers), (std::vector<int>{9, 0, 0, 0}));
    EXPECT_EQ(numbers.GetCapacity(), 4);

    GTable<std::string> texts;
    texts.Resize(3);
    texts[2] = "kept?";
    texts.Resize(2);
    texts.Resize(3);
    EXPECT_EQ(Items(texts), (std::vector<std::string>{"", "", ""}));

    // A negative count empties the table and destroys nothing in front of the first item.
    texts.Resize(-1);
    EXPECT_EQ(texts.GetCount(), 0);
    texts.AddItem("after");
    EXPECT_EQ(Items(texts), (std::vector<std::string>{"after"}));
}

TEST(GTableTest, AssignmentReplacesTheItems)
{
    GTable<std::string> source;
    GTable<std::string> target;
    for (char const* text : {"a", "b"})
        source.AddItem(text);
    for (char const* text : {"x", "y", "z"})
        target.AddItem(text);
    target = source;
    EXPECT_EQ(Items(target), Items(source));
    target = *&target;
    EXPECT_EQ(Items(target), (std::vector<std::string>{"a", "b"}));
}

TEST(GTableTest, TableInsideItemsKeepsItsIteratorsAcrossGrowth)
{
    GTable<GTable<int>> outer;
    outer.AddItem(GTable<int>());
    for (int i : {1, 2, 3})
        outer[0].AddItem(i);
    GTableIterator<int> it(outer[0]);
    int* item = nullptr;
    ASSERT_TRUE(it.Next(item));
    EXPECT_EQ(*item, 1);
    // The inner table moves to new storage several times and once within the array.
    for (int i = 0; i < 40; ++i)
        outer.InsertItemAt(0, GTable<int>());
    GTable<int>& inner = outer[40];
    inner.RemoveItemAt(0);
    EXPECT_EQ(it.GetState(), GTableIterator<int>::cRemoved);
    std::vector<int> rest;
    while (it.Next(item))
        rest.push_back(*item);
    EXPECT_EQ(rest, (std::vector<int>{2, 3}));
}

TEST(GTableTest, DeleteAllItemsDeletesEachObjectOnce)
{
    Anchored::sLive = 0;
    GTable<Anchored*> table;
    for (int i = 0; i < 5; ++i)
        table.AddItem(new Anchored(i));
    table.AddItem(nullptr);
    table.DeleteAllItems();
    EXPECT_EQ(table.GetCount(), 0);
    EXPECT_EQ(Anchored::sLive, 0);
}

TEST(GTableTest, GrowthThatFailsLeavesTheTableAsItWas)
{
    Brittle::sCopiesLeft = 100;
    GTable<Brittle> table;
    for (int i = 0; i < 4; ++i)
        table.AddItem(Brittle(i));
    ASSERT_EQ(table.GetCapacity(), 4);
    Brittle::sCopiesLeft = 2; // the new item and one old item, then the third copy fails
    EXPECT_THROW(table.AddItem(Brittle(9)), int);
    Brittle::sCopiesLeft = 100;
    ASSERT_EQ(table.GetCount(), 4);
    EXPECT_EQ(table.GetCapacity(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(table[i].fValue, i);
}
} // namespace

namespace
{
// Records, when deleted, its id and how many items its owning table still held.
struct Owned
{
    Owned(int id, GTable<Owned*> const*& table, std::vector<std::pair<int, int>>& log)
        : fId(id), fTable(table), fLog(log)
    {
    }
    virtual ~Owned() { fLog.emplace_back(fId, fTable->GetCount()); }

    int fId;
    GTable<Owned*> const*& fTable;
    std::vector<std::pair<int, int>>& fLog;
};

TEST(GAutoTableTest, DeletesItsObjectsLastFirstAfterEachLeftTheTable)
{
    std::vector<std::pair<int, int>> log;
    GTable<Owned*> const* view = nullptr;
    std::unique_ptr<GTableIterator<Owned*>> it;
    {
        GAutoTable<Owned> table;
        view = &table;
        for (int id = 0; id < 3; ++id)
            table.AddItem(new Owned(id, view, log));
        it.reset(new GTableIterator<Owned*>(table));
        ASSERT_TRUE(it->Next());
        ASSERT_TRUE(it->Next());
    }
    EXPECT_EQ(log, (std::vector<std::pair<int, int>>{{2, 2}, {1, 1}, {0, 0}}));
    EXPECT_EQ(it->GetState(), GTableIterator<Owned*>::cEnded);
    EXPECT_FALSE(it->Next());
}
} // namespace
