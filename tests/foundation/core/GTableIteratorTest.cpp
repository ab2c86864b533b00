// Live iteration over a GTable while the loop body inserts and removes items.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GTable.h"
#include "GTableIterator.h"

namespace
{
int IndexOf(GTable<int> const& table, int value)
{
    for (int i = 0; i < table.GetCount(); ++i)
    {
        if (table[i] == value)
            return i;
    }
    return -1;
}

// Iterates over the table 0 1 2 3 4, running the edit once when the item `at` is visited, and
// answers what the iteration visited.
std::vector<int> VisitWithEdit(int at, std::function<void(GTable<int>&)> const& edit, bool backward = false)
{
    GTable<int> table;
    for (int i = 0; i < 5; ++i)
        table.AddItem(i);
    std::vector<int> visited;
    GTableIterator<int> it(table, backward);
    int* item;
    bool edited = false;
    while (it.Next(item))
    {
        visited.push_back(*item);
        if (*item == at && !edited)
        {
            edited = true;
            edit(table);
        }
    }
    EXPECT_TRUE(edited);
    return visited;
}

TEST(GTableIteratorTest, ForwardIterationSurvivesEditsOfTheTable)
{
    struct Case
    {
        char const* name;
        int at; // the item being visited when the edit runs
        std::function<void(GTable<int>&)> edit;
        std::vector<int> visited;
    };
    Case const cases[] = {
        {"remove the current item",
         2,
         [](GTable<int>& t) { t.RemoveItemAt(IndexOf(t, 2)); },
         {0, 1, 2, 3, 4}},
        {"remove an item already visited",
         2,
         [](GTable<int>& t) { t.RemoveItemAt(IndexOf(t, 0)); },
         {0, 1, 2, 3, 4}},
        {"remove the next item", 2, [](GTable<int>& t) { t.RemoveItemAt(IndexOf(t, 3)); }, {0, 1, 2, 4}},
        {"remove the last item", 2, [](GTable<int>& t) { t.RemoveItemAt(IndexOf(t, 4)); }, {0, 1, 2, 3}},
        {"remove current and previous",
         2,
         [](GTable<int>& t)
         {
             t.RemoveItemAt(IndexOf(t, 2));
             t.RemoveItemAt(IndexOf(t, 1));
         },
         {0, 1, 2, 3, 4}},
        {"remove current and next",
         2,
         [](GTable<int>& t)
         {
             t.RemoveItemAt(IndexOf(t, 2));
             t.RemoveItemAt(IndexOf(t, 3));
         },
         {0, 1, 2, 4}},
        {"remove every item",
         2,
         [](GTable<int>& t)
         {
             while (t.GetCount() > 0)
                 t.RemoveItemAt(0);
         },
         {0, 1, 2}},
        {"insert before the current item",
         2,
         [](GTable<int>& t) { t.InsertItemAt(IndexOf(t, 2), 99); },
         {0, 1, 2, 3, 4}},
        {"insert at the front", 2, [](GTable<int>& t) { t.InsertItemAt(0, 99); }, {0, 1, 2, 3, 4}},
        {"insert after the current item",
         2,
         [](GTable<int>& t) { t.InsertItemAt(IndexOf(t, 2) + 1, 99); },
         {0, 1, 2, 99, 3, 4}},
        {"append", 2, [](GTable<int>& t) { t.AddItem(99); }, {0, 1, 2, 3, 4, 99}},
        {"remove the current item, then insert at its place",
         2,
         [](GTable<int>& t)
         {
             int at = IndexOf(t, 2);
             t.RemoveItemAt(at);
             t.InsertItemAt(at, 99);
         },
         {0, 1, 2, 3, 4}},
        {"remove the current item, then insert after its place",
         2,
         [](GTable<int>& t)
         {
             int at = IndexOf(t, 2);
             t.RemoveItemAt(at);
             t.InsertItemAt(at + 1, 99);
         },
         {0, 1, 2, 3, 99, 4}},
        {"remove the current item, then insert before its place",
         2,
         [](GTable<int>& t)
         {
             int at = IndexOf(t, 2);
             t.RemoveItemAt(at);
             t.InsertItemAt(at - 1, 99);
         },
         {0, 1, 2, 3, 4}},
        {"remove the current last item, then append",
         4,
         [](GTable<int>& t)
         {
             t.RemoveItemAt(IndexOf(t, 4));
             t.AddItem(99);
         },
         {0, 1, 2, 3, 4}},
        {"append many, growing the array",
         2,
         [](GTable<int>& t)
         {
             for (int i = 10; i < 13; ++i)
                 t.AddItem(i);
         },
         {0, 1, 2, 3, 4, 10, 11, 12}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VisitWithEdit(c.at, c.edit), c.visited);
    }
}

TEST(GTableIteratorTest, BackwardIterationSurvivesRemovals)
{
    EXPECT_EQ(VisitWithEdit(
                  4, [](GTable<int>&) {}, true),
              (std::vector<int>{4, 3, 2, 1, 0}));
    EXPECT_EQ(VisitWithEdit(
                  2, [](GTable<int>& t) { t.RemoveItemAt(IndexOf(t, 2)); }, true),
              (std::vector<int>{4, 3, 2, 1, 0}));
    EXPECT_EQ(VisitWithEdit(
                  2, [](GTable<int>& t) { t.RemoveItemAt(IndexOf(t, 1)); }, true),
              (std::vector<int>{4, 3, 2, 0}));
    EXPECT_EQ(VisitWithEdit(
                  2, [](GTable<int>& t) { t.RemoveItemAt(IndexOf(t, 4)); }, true),
              (std::vector<int>{4, 3, 2, 1, 0}));
    // Inserted exactly where the next step lands after a removal: not visited.
    EXPECT_EQ(VisitWithEdit(
                  2,
                  [](GTable<int>& t)
                  {
                      int at = IndexOf(t, 2);
                      t.RemoveItemAt(at);
                      t.InsertItemAt(at, 99);
                  },
                  true),
              (std::vector<int>{4, 3, 2, 1, 0}));
}

TEST(GTableIteratorTest, ReceiversThatUnsubscribeWhileCalledAreEachCalledOnce)
{
    // Each receiver removes itself, and receiver 1 also removes receiver 3 before it is called.
    GTable<int> receivers;
    for (int i = 0; i < 5; ++i)
        receivers.AddItem(i);
    std::vector<int> called;
    GTableIterator<int> it(receivers);
    int* receiver;
    while (it.Next(receiver))
    {
        int id = *receiver;
        called.push_back(id);
        receivers.RemoveItem(id);
        if (id == 1)
            receivers.RemoveItem(3);
    }
    EXPECT_EQ(called, (std::vector<int>{0, 1, 2, 4}));
    EXPECT_EQ(receivers.GetCount(), 0);
}

TEST(GTableIteratorTest, NestedIteratorsAreEachMovedAlong)
{
    GTable<int> table;
    for (int i = 0; i < 4; ++i)
        table.AddItem(i);
    std::vector<std::pair<int, int>> pairs;
    GTableIterator<int> outer(table);
    while (outer.Next())
    {
        int a = outer.Get();
        GTableIterator<int> inner(table);
        while (inner.Next())
        {
            pairs.emplace_back(a, inner.Get());
            if (a == 0 && inner.Get() == 1)
                table.RemoveItemAt(0); // the outer iterator's own item
        }
    }
    EXPECT_EQ(pairs, (std::vector<std::pair<int, int>>{{0, 0},
                                                       {0, 1},
                                                       {0, 2},
                                                       {0, 3},
                                                       {1, 1},
                                                       {1, 2},
                                                       {1, 3},
                                                       {2, 1},
                                                       {2, 2},
                                                       {2, 3},
                                                       {3, 1},
                                                       {3, 2},
                                                       {3, 3}}));
}

TEST(GTableIteratorTest, DestroyingTheTableEndsTheIterator)
{
    auto table = std::make_unique<GTable<std::string>>();
    table->AddItem("a");
    table->AddItem("b");
    GTableIterator<std::string> second(*table);
    GTableIterator<std::string> first(*table);
    ASSERT_TRUE(first.Next());
    table.reset();
    for (GTableIterator<std::string>* it : {&first, &second})
    {
        EXPECT_EQ(it->GetState(), GTableIterator<std::string>::cEnded);
        EXPECT_EQ(it->GetPosition(), -1);
        EXPECT_FALSE(it->Next());
        EXPECT_FALSE(it->Next());
    }
    // The destructors run at the end of the scope and must leave the freed table alone.
}

TEST(GTableIteratorTest, IteratorsUnlinkInAnyOrder)
{
    GTable<int> table;
    table.AddItem(1);
    auto a = std::make_unique<GTableIterator<int>>(table);
    auto b = std::make_unique<GTableIterator<int>>(table);
    auto c = std::make_unique<GTableIterator<int>>(table);
    b.reset();
    table.AddItem(2); // walks the remaining chain
    a.reset();
    table.InsertItemAt(0, 0);
    ASSERT_TRUE(c->Next());
    EXPECT_EQ(c->Get(), 0);
    c.reset();
    table.RemoveItemAt(0); // no iterator left to touch
    EXPECT_EQ(table.GetCount(), 2);
}

TEST(GTableIteratorTest, ResizeMovesIterators)
{
    struct Case
    {
        char const* name;
        int at;
        std::function<void(GTable<int>&)> edit;
        std::vector<int> visited;
    };
    Case const cases[] = {
        {"grow while on the last item", 4, [](GTable<int>& t) { t.Resize(7); }, {0, 1, 2, 3, 4, 0, 0}},
        {"grow while in the middle", 2, [](GTable<int>& t) { t.Resize(6); }, {0, 1, 2, 3, 4, 0}},
        {"grow after the last item was removed",
         4,
         [](GTable<int>& t)
         {
             t.RemoveLastItem();
             t.Resize(7);
         },
         {0, 1, 2, 3, 4}},
        {"shrink below the current item", 3, [](GTable<int>& t) { t.Resize(2); }, {0, 1, 2, 3}},
        {"shrink to the current item", 2, [](GTable<int>& t) { t.Resize(3); }, {0, 1, 2}},
        {"shrink, then grow again",
         3,
         [](GTable<int>& t)
         {
             t.Resize(2);
             t.Resize(4);
         },
         {0, 1, 2, 3}},
        {"shrink ahead of the current item", 1, [](GTable<int>& t) { t.Resize(3); }, {0, 1, 2}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VisitWithEdit(c.at, c.edit), c.visited);
    }
}

TEST(GTableIteratorTest, FinishedIterationStaysFinishedWhenTheTableGrows)
{
    GTable<int> table;
    table.AddItem(1);
    GTableIterator<int> it(table);
    ASSERT_TRUE(it.Next());
    ASSERT_FALSE(it.Next());
    EXPECT_EQ(it.GetPosition(), 1);
    table.AddItem(2);
    table.Resize(5);
    EXPECT_FALSE(it.Next());
}

TEST(GTableIteratorTest, EmptyTableYieldsNothing)
{
    GTable<int> table;
    GTableIterator<int> forward(table);
    GTableIterator<int> backward(table, true);
    EXPECT_FALSE(forward.Next());
    EXPECT_FALSE(backward.Next());
}

TEST(GTableIteratorTest, NextGivesTheItemToChange)
{
    GTable<int> table;
    for (int i = 0; i < 3; ++i)
        table.AddItem(i);
    GTableIterator<int> it(table);
    int* item;
    while (it.Next(item))
        *item *= 10;
    EXPECT_EQ(table[0] + table[1] + table[2], 30);
}
} // namespace
