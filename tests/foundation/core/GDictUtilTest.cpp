// The capacities that dictionaries take for a number of entries.
#include <gtest/gtest.h>

#include "GDictUtil.h"

namespace
{
TEST(GDictUtilTest, AllocationIsTheFirstPrimeAboveFourThirdsOfTheEntries)
{
    struct Case
    {
        int entries, capacity;
    };
    Case const cases[] = {
        {-1, 7},
        {0, 7},
        {5, 7},
        {6, 13},
        {9, 13},
        {10, 23},
        {17, 23},
        {18, 41},
        {30, 41},
        {31, 67},
        {50, 67},
        {51, 89},
        {14, 23},
        {46, 67},
        {134, 263},
        {4103, 5471},
        {4104, 8219},
        {6164, 8219},
        {6165, 10949},
        {4209912, 5613217},
        {4209913, 11226434},
        {5000000, 11226434},
        {8419825, 11226434},
        {8419826, 22452868},
    };
    for (Case c : cases)
    {
        SCOPED_TRACE(c.entries);
        EXPECT_EQ(GDictUtil::GetAllocation(c.entries), c.capacity);
    }
}

TEST(GDictUtilTest, EveryTablePrimeIsReachedAndExceedsFourThirdsOfItsEntries)
{
    for (int i = 1; i < GDictUtil::cPrimeCount; ++i)
    {
        SCOPED_TRACE(GDictUtil::sPrime[i]);
        int largest = int((3LL * GDictUtil::sPrime[i] - 1) / 4);
        EXPECT_EQ(GDictUtil::GetAllocation(largest), GDictUtil::sPrime[i]);
        EXPECT_GT(GDictUtil::GetAllocation(largest + 1), GDictUtil::sPrime[i]);
    }
}
} // namespace
