// Interned names: one shared name data per distinct byte string, from any thread.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "GBuffer.h"
#include "GName.h"

namespace
{
TEST(GNameTest, EqualBytesShareOneNameData)
{
    GName a("GNameTest.same");
    GName b("GNameTest.same");
    GName c(GBuffer("GNameTest.same"));
    GName other("GNameTest.other");
    EXPECT_EQ(a.GetData(), b.GetData());
    EXPECT_EQ(a.GetData(), c.GetData());
    EXPECT_TRUE(a == c);
    EXPECT_NE(a.GetData(), other.GetData());
    EXPECT_TRUE(a != other);
    ASSERT_NE(a.GetBuffer(), nullptr);
    EXPECT_EQ(*a.GetBuffer(), GBuffer("GNameTest.same"));
    EXPECT_EQ(a.GetHash(), GBuffer("GNameTest.same").GetHash());
}

TEST(GNameTest, NilNameDiffersFromTheEmptyName)
{
    GName nil;
    GName fromNull(static_cast<char const*>(nullptr));
    GName empty("");
    EXPECT_TRUE(nil.IsNil());
    EXPECT_EQ(nil.GetBuffer(), nullptr);
    EXPECT_EQ(nil.GetHash(), 0);
    EXPECT_TRUE(nil == fromNull);
    EXPECT_FALSE(empty.IsNil());
    ASSERT_NE(empty.GetBuffer(), nullptr);
    EXPECT_EQ(empty.GetBuffer()->GetLength(), 0);
    EXPECT_TRUE(nil != empty);
    EXPECT_TRUE(empty == GName(GBuffer()));
}

TEST(GNameTest, NameKeepsItsOwnCopyOfBorrowedText)
{
    char text[] = "GNameTest.borrowed";
    GName name(text);
    std::memset(text, 'x', std::strlen(text));
    EXPECT_EQ(*name.GetBuffer(), GBuffer("GNameTest.borrowed"));
    EXPECT_TRUE(name == GName("GNameTest.borrowed"));

    GDict<GBuffer, GName::NameData*>& names = GName::GetNameValues();
    int slot;
    ASSERT_GE(names.GetExistingIndex(GBuffer("GNameTest.borrowed"), slot), 0);
    EXPECT_EQ(names.GetValueAt(slot), name.GetData());
}

TEST(GNameTest, SetBufferWithTheNamesOwnBytesDoesNothing)
{
    GName name("GNameTest.own");
    GName::NameData const* data = name.GetData();
    int count = GName::GetNameValues().GetCount();
    name.SetBuffer(*name.GetBuffer());
    name.SetBuffer(GBuffer("GNameTest.own"));
    EXPECT_EQ(name.GetData(), data);
    EXPECT_EQ(GName::GetNameValues().GetCount(), count);

    name.SetBuffer(GBuffer("GNameTest.renamed"));
    EXPECT_TRUE(name == GName("GNameTest.renamed"));
    EXPECT_EQ(GName::GetNameValues().GetCount(), count + 1);
}

TEST(GNameTest, ThreadsInterningTheSameTextsShareTheirNameData)
{
    constexpr int cThreads = 8;
    constexpr int cNames = 300;
    int before = GName::GetNameValues().GetCount();
    std::vector<std::vector<GName::NameData const*>> seen(cThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < cThreads; ++t)
    {
        threads.emplace_back(
            [t, &seen]
            {
                for (int i = 0; i < cNames; ++i)
                {
                    // Each thread walks the names in its own order.
                    int n = (i * 7 + t * 31) % cNames;
                    std::string text = "GNameTest.thread." + std::to_string(n);
                    seen[t].resize(cNames);
                    seen[t][n] = GName(text.c_str()).GetData();
                }
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 1; t < cThreads; ++t)
        EXPECT_EQ(seen[t], seen[0]) << "thread " << t;
    EXPECT_EQ(GName::GetNameValues().GetCount(), before + cNames);
    for (int n = 0; n < cNames; ++n)
    {
        std::string text = "GNameTest.thread." + std::to_string(n);
        ASSERT_EQ(seen[0][n], GName(text.c_str()).GetData());
    }
}
} // namespace
