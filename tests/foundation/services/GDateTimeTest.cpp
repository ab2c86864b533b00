// Dates and times: the fixed and current values, local wall time taken to UTC, the local zone's
// offset, and the carrying of fields out of range, under zones chosen by the test.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "GDateTime.h"
#include "TimeZoneScope.h"

using testsupport::TimeZoneScope;

namespace
{
// North American Eastern time with the current rules, and Central European time.
char const cEastern[] = "EST5EDT,M3.2.0,M11.1.0";
char const cCentralEurope[] = "CET-1CEST,M3.5.0,M10.5.0/3";

struct Fields
{
    int fDay, fMonth, fYear, fHour, fMinute, fSecond;
};

void ExpectFields(GDateTime const& date, Fields const& expected)
{
    EXPECT_EQ(date.GetDay(), expected.fDay);
    EXPECT_EQ(date.GetMonth(), expected.fMonth);
    EXPECT_EQ(date.GetYear(), expected.fYear);
    EXPECT_EQ(date.GetHour(), expected.fHour);
    EXPECT_EQ(date.GetMinute(), expected.fMinute);
    EXPECT_EQ(date.GetSecond(), expected.fSecond);
}

std::time_t InstantOf(GDateTime const& date)
{
    std::tm fields = {};
    fields.tm_mday = date.GetDay();
    fields.tm_mon = date.GetMonth() - 1;
    fields.tm_year = date.GetYear() - 1900;
    fields.tm_hour = date.GetHour();
    fields.tm_min = date.GetMinute();
    fields.tm_sec = date.GetSecond();
    return timegm(&fields);
}
} // namespace

TEST(GDateTimeTest, WithoutTheClockItIsTheStartOf1980InUTC)
{
    TimeZoneScope const zone(cEastern);
    GDateTime const date(false);
    ExpectFields(date, {1, 1, 1980, 0, 0, 0});
    EXPECT_EQ(date.GetZoneSign(), 1);
    EXPECT_EQ(date.GetZoneHours(), 0);
    EXPECT_EQ(date.GetZoneMinutes(), 0);
}

TEST(GDateTimeTest, WithTheClockItHoldsTheCurrentUTCTimeAndTheLocalZone)
{
    TimeZoneScope const zone("IST-5:30");
    std::time_t const before = std::time(nullptr);
    GDateTime const now(true);
    std::time_t const after = std::time(nullptr);
    EXPECT_GE(InstantOf(now), before);
    EXPECT_LE(InstantOf(now), after);
    EXPECT_EQ(now.GetZoneSign(), 1);
    EXPECT_EQ(now.GetZoneHours(), 5);
    EXPECT_EQ(now.GetZoneMinutes(), 30);
}

TEST(GDateTimeTest, LocalOffsetCountsDaylightSavingTime)
{
    struct Case
    {
        char const* fZone;
        int fSign, fHours, fMinutes;
    };
    // The last two zones keep daylight-saving time the whole year, so the answer does not depend on
    // the day the test runs.
    Case const cases[] = {{"UTC0", 1, 0, 0},
                          {"IST-5:30", 1, 5, 30},
                          {"NST3:30", -1, 3, 30},
                          {"EST5EDT,0/0,J365/25", -1, 4, 0},
                          {"CET-1CEST,0/0,J365/25", 1, 2, 0},
                          {"AZOT1AZOST,0/0,J365/25", 1, 0, 0}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fZone);
        TimeZoneScope const zone(c.fZone);
        int sign = 0, hours = -1, minutes = -1;
        GDateTime::GetLocalToUTCDifference(sign, hours, minutes);
        EXPECT_EQ(sign, c.fSign);
        EXPECT_EQ(hours, c.fHours);
        EXPECT_EQ(minutes, c.fMinutes);
    }
}

TEST(GDateTimeTest, LocalWallTimeIsStoredAsUTC)
{
    TimeZoneScope const zone(cEastern);
    ExpectFields(GDateTime(15, 1, 2024, 10, 0, 0, false), {15, 1, 2024, 15, 0, 0});
    ExpectFields(GDateTime(15, 7, 2024, 22, 30, 5, false), {16, 7, 2024, 2, 30, 5});
    ExpectFields(GDateTime(15, 7, 2024, 22, 30, 5, true), {15, 7, 2024, 22, 30, 5});
}

TEST(GDateTimeTest, FieldsOutOfRangeCarryIntoTheNextLargerOne)
{
    struct Case
    {
        char const* fName;
        Fields fGiven;
        Fields fExpected;
    };
    Case const cases[] = {
        {"day 32 of January", {32, 1, 2023, 12, 0, 0}, {1, 2, 2023, 12, 0, 0}},
        {"month 13", {5, 13, 2023, 0, 0, 0}, {5, 1, 2024, 0, 0, 0}},
        {"29 February of a common year", {29, 2, 2023, 0, 0, 0}, {1, 3, 2023, 0, 0, 0}},
        {"29 February of a leap year", {29, 2, 2024, 0, 0, 0}, {29, 2, 2024, 0, 0, 0}},
        {"day 0", {0, 3, 2024, 0, 0, 0}, {29, 2, 2024, 0, 0, 0}},
        {"hour 24 on New Year's Eve", {31, 12, 2023, 24, 0, 0}, {1, 1, 2024, 0, 0, 0}},
        {"second 60", {1, 6, 2024, 10, 59, 60}, {1, 6, 2024, 11, 0, 0}},
        {"a negative minute", {1, 6, 2024, 0, -1, 0}, {31, 5, 2024, 23, 59, 0}},
    };
    TimeZoneScope const zone(cEastern);
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GDateTime date(false);
        date.Set(c.fGiven.fDay, c.fGiven.fMonth, c.fGiven.fYear, c.fGiven.fHour, c.fGiven.fMinute,
                 c.fGiven.fSecond, true);
        ExpectFields(date, c.fExpected);
    }
}

// Carried as local time, 02:30 UTC on the day Central Europe skips 02:00 to 03:00 would become 03:30.
TEST(GDateTimeTest, UTCTimesInsideTheLocalDaylightSavingGapStayAsTheyAre)
{
    TimeZoneScope const zone(cCentralEurope);
    GDateTime date(31, 3, 2024, 2, 30, 0, true);
    ExpectFields(date, {31, 3, 2024, 2, 30, 0});
    date.Normalize();
    ExpectFields(date, {31, 3, 2024, 2, 30, 0});
}

TEST(GDateTimeTest, CopiesAreEqualAndTheZoneDoesNotCount)
{
    GDateTime utc(false);
    {
        TimeZoneScope const zone("IST-5:30");
        utc = GDateTime(1, 1, 1980, 0, 0, 0, true);
    }
    GDateTime const copy = utc;
    EXPECT_EQ(copy.GetZoneHours(), 5);
    EXPECT_TRUE(copy == utc);
    EXPECT_TRUE(copy == GDateTime(false));
    EXPECT_FALSE(copy != GDateTime(false));
    GDateTime later = copy;
    later.Set(1, 1, 1980, 0, 0, 1, true);
    EXPECT_TRUE(later != copy);
}
