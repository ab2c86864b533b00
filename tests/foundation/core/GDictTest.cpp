// Hashing, probing with chain counts, growth, copying and enumeration of GDict.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "GBuffer.h"
#include "GCharCode.h"
#include "GDict.h"
#include "GTable.h"
#include "GTableIterator.h"

namespace
{
template<class K, class V>
std::vector<std::pair<K, V>> Entries(GDict<K, V> const& dict)
{
    std::vector<std::pair<K, V>> entries;
    dict.ForEach([&](K const& key, V const& value) { entries.emplace_back(key, value); });
    return entries;
}

// Where a key lives: its home slot (or the complement when absent) and the slot.
template<class K, class V>
std::pair<int, int> Locate(GDict<K, V> const& dict, K const& key)
{
    int slot = -99;
    int home = dict.GetIndex(key, slot);
    return {home, slot};
}

TEST(GDictTest, GrowsAtThreeQuarterLoad)
{
    GDict<int, int> dict;
    EXPECT_EQ(dict.GetCapacity(), 7);
    struct Step
    {
        int entries, capacity;
    };
    Step const steps[] = {{4, 7}, {5, 23}, {16, 23}, {17, 67}, {49, 67}, {50, 263}};
    int next = 0;
    for (Step s : steps)
    {
        SCOPED_TRACE(s.entries);
        for (; next < s.entries; ++next)
            dict.Put(next * 1000, next);
        EXPECT_EQ(dict.GetCount(), s.entries);
        EXPECT_EQ(dict.GetCapacity(), s.capacity);
    }
    for (int i = 0; i < next; ++i)
        ASSERT_EQ(*dict.Find(i * 1000), i);
}

TEST(GDictTest, SizeHintChoosesTheCapacity)
{
    EXPECT_EQ((GDict<int, int>(0).GetCapacity()), 7);
    EXPECT_EQ((GDict<int, int>(10).GetCapacity()), 23);
    EXPECT_EQ((GDict<int, int>(100).GetCapacity()), 173);
}

TEST(GDictTest, KeysSharingAHomeAreFoundThroughTheChainCount)
{
    GDict<int, char> dict;
    dict.Put(3, 'a');
    dict.Put(10, 'b');
    EXPECT_EQ(Locate(dict, 3), std::make_pair(3, 3));
    EXPECT_EQ(Locate(dict, 10), std::make_pair(3, 4));
    // Absent with the same home: the complement of the home and the next free slot.
    EXPECT_EQ(Locate(dict, 17), std::make_pair(~3, 5));

    dict.Remove(3);
    EXPECT_EQ(dict.GetCount(), 1);
    EXPECT_EQ(Locate(dict, 10), std::make_pair(3, 4)) << "the free home slot must not end the search";
    EXPECT_EQ(Locate(dict, 3), std::make_pair(~3, 3));
    dict.Put(17, 'c');
    EXPECT_EQ(Locate(dict, 17), std::make_pair(3, 3)) << "the freed slot is reused";
    EXPECT_EQ(*dict.Find(10), 'b');
    EXPECT_EQ(dict.Find(3), nullptr);
}

TEST(GDictTest, ProbingCountsOnlyKeysOfTheSameHome)
{
    GDict<int, int> dict;
    dict.Put(3, 0);  // home 3, slot 3
    dict.Put(4, 0);  // home 4, slot 4
    dict.Put(10, 0); // home 3, slot 5 behind a key of another home
    EXPECT_EQ(Locate(dict, 10), std::make_pair(3, 5));
    EXPECT_EQ(Locate(dict, 11), std::make_pair(~4, 6));
    dict.Remove(4);
    // A hole inside the chain is remembered as the place for a new key of that home.
    EXPECT_EQ(Locate(dict, 17), std::make_pair(~3, 4));
    EXPECT_EQ(Locate(dict, 10), std::make_pair(3, 5));
}

TEST(GDictTest, ProbingWrapsAroundTheEnd)
{
    GDict<int, int> dict;
    dict.Put(6, 60);   // home 6, slot 6
    dict.Put(13, 130); // home 6, wraps to slot 0
    EXPECT_EQ(Locate(dict, 13), std::make_pair(6, 0));
    dict.Put(0, 1); // home 0 is taken by 13: slot 1
    EXPECT_EQ(Locate(dict, 0), std::make_pair(0, 1));
    dict.Remove(6);
    EXPECT_EQ(*dict.Find(13), 130);
    EXPECT_EQ(*dict.Find(0), 1);
    EXPECT_EQ(Locate(dict, 20), std::make_pair(~6, 6));
}

// A key whose hash is shared by ten values: equal hashes must still be told apart by the keys.
struct TenPerHash
{
    int fValue;
    int GetHash() const { return fValue / 10; }
    friend bool operator==(TenPerHash a, TenPerHash b) { return a.fValue == b.fValue; }
};

TEST(GDictTest, KeysWithEqualHashesStayApartThroughGrowthAndRemoval)
{
    GDict<TenPerHash, int> dict;
    for (int i = 0; i < 60; ++i)
        dict.Put(TenPerHash{i}, i * 2);
    EXPECT_EQ(dict.GetCount(), 60);
    for (int i = 0; i < 60; i += 2)
        dict.Remove(TenPerHash{i});
    for (int i = 0; i < 70; ++i)
    {
        SCOPED_TRACE(i);
        int const* found = dict.Find(TenPerHash{i});
        if (i % 2 == 1 && i < 60)
            ASSERT_TRUE(found && *found == i * 2);
        else
            EXPECT_EQ(found, nullptr);
    }
    dict.Put(TenPerHash{13}, -1);
    EXPECT_EQ(*dict.Find(TenPerHash{13}), -1);
    EXPECT_EQ(dict.GetCount(), 30);
}

TEST(GDictTest, NegativeKeysHashAsUnsigned)
{
    GDict<int, int> small;
    EXPECT_EQ(Locate(small, -1), std::make_pair(~3, 3)); // 4294967295 mod 7
    small.Put(-1, 1);
    small.Put(3, 2);
    EXPECT_EQ(Locate(small, 3), std::make_pair(3, 4));
    EXPECT_EQ(*small.Find(-1), 1);

    GDict<int, int> larger(10);
    EXPECT_EQ(Locate(larger, -1), std::make_pair(~11, 11)); // 4294967295 mod 23
    larger.Put(INT32_MIN, 5);
    EXPECT_EQ(*larger.Find(INT32_MIN), 5);
}

TEST(GDictTest, HomesOfOtherKeyTypes)
{
    enum Feature
    {
        cFirst = 2,
        cSecond = 9
    };
    GDict<Feature, int> features;
    EXPECT_EQ(Locate(features, cSecond).first, ~2);
    GDict<unsigned short, int> units;
    EXPECT_EQ(Locate(units, static_cast<unsigned short>(65535)).first, ~(65535 % 7));
    GDict<GCharCode, int> codes;
    EXPECT_EQ(Locate(codes, GCharCode(static_cast<unsigned short>(0x0041))).first, ~(0x41 % 7));
    int objects[2];
    GDict<int const*, int> pointers;
    std::uint32_t low = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&objects[1]));
    EXPECT_EQ(Locate(pointers, static_cast<int const*>(&objects[1])).first, ~int(low % 7));
    pointers.Put(&objects[0], 0);
    pointers.Put(&objects[1], 1);
    EXPECT_EQ(*pointers.Find(&objects[1]), 1);
}

TEST(GDictTest, PutReplacesThePresentValue)
{
    GDict<int, std::string> dict;
    dict.Put(1, "one");
    dict.Put(1, "uno");
    EXPECT_EQ(dict.GetCount(), 1);
    std::string value;
    EXPECT_TRUE(dict.Get(1, value));
    EXPECT_EQ(value, "uno");
    EXPECT_FALSE(dict.Get(2, value));
    EXPECT_EQ(value, "uno");
    EXPECT_TRUE(dict.Contains(1));
    EXPECT_FALSE(dict.Contains(2));
}

TEST(GDictTest, PutTakesOverAMovedPairAndReplacesByMoving)
{
    // A moved buffer hands its storage over: the dictionary holds the very bytes put in.
    std::string const keyText(40, 'k');
    GDict<GBuffer, GBuffer> dict;
    GBuffer key(keyText.c_str());
    GBuffer value(std::string(40, 'v').c_str());
    unsigned char const* const keyBytes = key.GetPtr();
    unsigned char const* const valueBytes = value.GetPtr();
    dict.Put(std::move(key), std::move(value));
    GDict<GBuffer, GBuffer>::ConstEnumerator e(dict);
    ASSERT_TRUE(e.Next());
    EXPECT_EQ(e.GetKey().GetPtr(), keyBytes);
    EXPECT_EQ(e.GetValue().GetPtr(), valueBytes);
    EXPECT_EQ(e.GetValue(), GBuffer(std::string(40, 'v').c_str()));

    GBuffer replacement(std::string(50, 'w').c_str());
    unsigned char const* const replacementBytes = replacement.GetPtr();
    dict.Put(GBuffer(keyText.c_str()), std::move(replacement));
    EXPECT_EQ(dict.GetCount(), 1);
    GBuffer const* found = dict.Find(GBuffer(keyText.c_str()));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetPtr(), replacementBytes);
    EXPECT_EQ(*found, GBuffer(std::string(50, 'w').c_str()));
}

TEST(GDictTest, RemoveAllKeepsTheCapacity)
{
    GDict<int, std::string> dict;
    for (int i = 0; i < 30; ++i)
        dict.Put(i, std::to_string(i));
    int capacity = dict.GetCapacity();
    dict.RemoveAll();
    EXPECT_EQ(dict.GetCount(), 0);
    EXPECT_EQ(dict.GetCapacity(), capacity);
    EXPECT_TRUE(Entries(dict).empty());
    dict.Put(5, "five");
    EXPECT_EQ(Locate(dict, 5), std::make_pair(5, 5)) << "chain counts were cleared too";
}

TEST(GDictTest, BufferKeysMatchByBytes)
{
    GDict<GBuffer, int> dict;
    dict.Put(GBuffer("alpha"), 1);
    dict.Put(GBuffer("alphabet"), 2);
    dict.Put(GBuffer(""), 3);
    GBuffer borrowed;
    borrowed.SetFromStatic("alphabet", 5);
    EXPECT_EQ(*dict.Find(borrowed), 1);
    EXPECT_EQ(*dict.Find(GBuffer("alphabet")), 2);
    EXPECT_EQ(*dict.Find(GBuffer()), 3);
    EXPECT_EQ(dict.Find(GBuffer("alp")), nullptr);
    int slot;
    int home = dict.GetExistingIndex(GBuffer("alpha"), slot);
    EXPECT_EQ(home, int(std::uint32_t(GBuffer("alpha").GetHash()) % 7));
    EXPECT_EQ(dict.GetExistingIndex(GBuffer("beta"), slot), -1);
}

TEST(GDictTest, AgreesWithAStandardMapUnderRandomEdits)
{
    GDict<int, int> dict;
    std::unordered_map<int, int> model;
    std::mt19937 random(7);
    for (int step = 0; step < 20000; ++step)
    {
        // A narrow key range, so that keys collide and are removed and re-inserted often.
        int key = int(random() % 600) - 300;
        if (random() % 3 == 0)
        {
            dict.Remove(key);
            model.erase(key);
        }
        else
        {
            dict.Put(key, step);
            model[key] = step;
        }
    }
    ASSERT_EQ(dict.GetCount(), int(model.size()));
    for (int key = -300; key < 300; ++key)
    {
        auto found = model.find(key);
        int const* value = dict.Find(key);
        ASSERT_EQ(value != nullptr, found != model.end()) << key;
        if (value)
        {
            ASSERT_EQ(*value, found->second) << key;
        }
    }
}

TEST(GDictTest, CopiesKeepSlotsAndEnumerationOrder)
{
    GDict<int, std::string> dict;
    for (int i = 0; i < 40; ++i)
        dict.Put(i * 37 - 500, "value " + std::to_string(i));
    for (int i = 0; i < 40; i += 3)
        dict.Remove(i * 37 - 500);
    GDict<int, std::string>::ConstEnumerator running(dict);

    GDict<int, std::string> copy(dict);
    EXPECT_EQ(copy.GetCapacity(), dict.GetCapacity());
    EXPECT_EQ(copy.GetCount(), dict.GetCount());
    EXPECT_EQ(copy.GetEnumerationCount(), 0);
    EXPECT_EQ(Entries(copy), Entries(dict));

    GDict<int, std::string> assigned;
    assigned.Put(1, "replaced");
    assigned = dict;
    EXPECT_EQ(Entries(assigned), Entries(dict));
    EXPECT_EQ(assigned.Find(1), nullptr);
    assigned = *&assigned;
    EXPECT_EQ(Entries(assigned), Entries(dict));
}

TEST(GDictTest, EnumerationVisitsSlotsInOrderAndIsCounted)
{
    GDict<int, int> dict;
    for (int key : {12, 3, 5, 10})
        dict.Put(key, key);
    std::vector<int> keys;
    {
        GDict<int, int>::Enumerator e(dict);
        EXPECT_EQ(dict.GetEnumerationCount(), 1);
        while (e.Next())
        {
            keys.push_back(e.GetKey());
            e.GetValue() *= 2;
        }
        EXPECT_FALSE(e.Next());
    }
    // Slots: 12 at 5, 3 at 3, 5 at 6 (after 12), 10 at 4.
    EXPECT_EQ(keys, (std::vector<int>{3, 10, 12, 5}));
    EXPECT_EQ(dict.GetEnumerationCount(), 0);
    EXPECT_EQ(*dict.Find(10), 20);

    EXPECT_THROW(dict.ForEach(
                     [&](int, int&)
                     {
                         EXPECT_EQ(dict.GetEnumerationCount(), 1);
                         throw 1;
                     }),
                 int);
    EXPECT_EQ(dict.GetEnumerationCount(), 0);
}

TEST(GDictTest, EnumerationSurvivesGrowthAndRemovalInItsBody)
{
    GDict<int, int> dict;
    for (int key = 0; key < 4; ++key)
        dict.Put(key, key);
    int visits = 0;
    dict.ForEach(
        [&](int key, int&)
        {
            ++visits;
            if (key == 0)
            {
                dict.Remove(1);
                for (int k = 100; k < 120; ++k)
                    dict.Put(k, k); // grows: the walk goes on in the new slots
            }
        });
    EXPECT_GE(visits, 3);
    EXPECT_EQ(dict.GetCount(), 23);
    EXPECT_EQ(dict.GetEnumerationCount(), 0);
}

TEST(GDictTest, ValuesAreMovedNotCopiedBitwiseWhenItGrows)
{
    // Short strings point into themselves; a table value carries a live iterator that points
    // back at its table.
    GDict<int, std::string> texts;
    GDict<int, GTable<int>> lists;
    lists.Put(0, GTable<int>());
    for (int i = 0; i < 3; ++i)
        lists.Find(0)->AddItem(i);
    GTableIterator<int> it(*lists.Find(0));
    ASSERT_TRUE(it.Next());
    for (int i = 0; i < 300; ++i)
    {
        texts.Put(i, "t" + std::to_string(i));
        lists.Put(i + 1, GTable<int>());
    }
    ASSERT_EQ(lists.GetCapacity(), 751); // four rebuilds
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(*texts.Find(i), "t" + std::to_string(i));
    lists.Find(0)->RemoveItemAt(0);
    std::vector<int> rest;
    while (it.Next())
        rest.push_back(it.Get());
    EXPECT_EQ(rest, (std::vector<int>{1, 2}));
}

TEST(GDictTest, DictionaryValuesAndMovedFromDictionaries)
{
    GDict<GBuffer, GDict<GBuffer, std::string>> groups;
    for (int g = 0; g < 10; ++g)
    {
        GDict<GBuffer, std::string> keys;
        keys.Put(GBuffer("key"), "group " + std::to_string(g));
        groups.Put(GBuffer(std::to_string(g).c_str()), keys);
    }
    EXPECT_EQ(*groups.Find(GBuffer("7"))->Find(GBuffer("key")), "group 7");

    GDict<GBuffer, std::string> moved(std::move(*groups.Find(GBuffer("3"))));
    GDict<GBuffer, std::string>& emptied = *groups.Find(GBuffer("3"));
    EXPECT_EQ(*moved.Find(GBuffer("key")), "group 3");
    EXPECT_EQ(emptied.GetCount(), 0);
    EXPECT_EQ(emptied.Find(GBuffer("key")), nullptr);
    emptied.Put(GBuffer("again"), "x");
    EXPECT_EQ(*emptied.Find(GBuffer("again")), "x");
    EXPECT_EQ(emptied.GetCapacity(), 7);
}

struct Counted
{
    static int sLive;
    Counted() { ++sLive; }
    ~Counted() { --sLive; }
};
int Counted::sLive = 0;

TEST(GDictTest, DeleteAndDeleteAllDeleteThePointedObjects)
{
    Counted::sLive = 0;
    {
        GDict<int, Counted*> dict;
        for (int i = 0; i < 10; ++i)
            dict.Put(i, new Counted);
        dict.Delete(4);
        dict.Delete(42);
        EXPECT_EQ(Counted::sLive, 9);
        EXPECT_EQ(dict.GetCount(), 9);
        dict.DeleteAll();
        EXPECT_EQ(Counted::sLive, 0);
        EXPECT_EQ(dict.GetCount(), 0);
    }
    EXPECT_EQ(Counted::sLive, 0);
}
} // namespace
