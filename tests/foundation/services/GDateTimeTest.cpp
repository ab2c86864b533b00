// Dates and times: the fixed and current values, local wall time taken to UTC, the local zone's
// offset, the carrying of fields out of range, arithmetic, PDF date strings and localised texts, under
// zones chosen by the test.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <fstream>
#include <string>

#include "GBuffer.h"
#include "GDateTime.h"
#include "GString.h"
#include "GStringPool.h"
#include "StringPoolTestSupport.h"
#include "StringText.h"
#include "TimeZoneScope.h"

using testsupport::TextOf;
using testsupport::TimeZoneScope;
using testsupport::Utf8Of;

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

// The zones every round trip runs under: no daylight-saving time, the two common rules, and half an
// hour of daylight-saving time.
char const* const cNamedZones[] = {"UTC", "Europe/Berlin", "America/New_York", "Australia/Lord_Howe"};

std::string PDFText(GDateTime const& date)
{
    GBuffer text;
    date.GetAsPDFDateTime(text);
    return std::string(reinterpret_cast<char const*>(text.GetPtr()), std::size_t(text.GetLength()));
}

GBuffer Bytes(std::string const& text)
{
    GBuffer bytes;
    bytes.Set(reinterpret_cast<unsigned char const*>(text.data()), int(text.size()));
    return bytes;
}

void ExpectZone(GDateTime const& date, int sign, int hours, int minutes)
{
    EXPECT_EQ(date.GetZoneSign(), sign);
    EXPECT_EQ(date.GetZoneHours(), hours);
    EXPECT_EQ(date.GetZoneMinutes(), minutes);
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

TEST(GDateTimeTest, PDFDatesRoundTripUnderEveryZone)
{
    struct Instant
    {
        char const* fName;
        Fields fUTC;
    };
    // Each zone's daylight-saving changes of 2024 and the hours around them, plus plain days.
    Instant const instants[] = {
        {"Berlin, into summer time", {31, 3, 2024, 1, 0, 0}},
        {"Berlin, inside the skipped local hour", {31, 3, 2024, 0, 30, 0}},
        {"Berlin, back to winter time", {27, 10, 2024, 0, 30, 0}},
        {"New York, into summer time", {10, 3, 2024, 7, 0, 0}},
        {"New York, the repeated local hour", {3, 11, 2024, 5, 30, 0}},
        {"Lord Howe, half an hour back", {6, 4, 2024, 14, 45, 0}},
        {"Lord Howe, half an hour on", {5, 10, 2024, 15, 30, 0}},
        {"a leap day", {29, 2, 2024, 23, 59, 59}},
        {"the start of 1980", {1, 1, 1980, 0, 0, 0}},
    };
    struct Zone
    {
        int fSign, fHours, fMinutes;
    };
    Zone const zones[] = {{1, 0, 0},  {1, 1, 0},   {1, 2, 0},  {-1, 5, 0},
                          {-1, 4, 0}, {1, 10, 30}, {1, 11, 0}, {-1, 5, 30}};
    for (char const* tz : cNamedZones)
    {
        TimeZoneScope const scope(tz);
        for (Instant const& instant : instants)
        {
            for (Zone const& zone : zones)
            {
                SCOPED_TRACE(std::string(tz) + ", " + instant.fName + ", zone " +
                             std::to_string(zone.fSign * zone.fHours) + ":" + std::to_string(zone.fMinutes));
                Fields const& f = instant.fUTC;
                GDateTime written(f.fDay, f.fMonth, f.fYear, f.fHour, f.fMinute, f.fSecond, true);
                written.SetZone(zone.fSign, zone.fHours, zone.fMinutes);
                std::string const text = PDFText(written);
                EXPECT_EQ(text.size(), zone.fHours == 0 && zone.fMinutes == 0 ? 17u : 23u) << text;

                GDateTime read(false);
                EXPECT_EQ(read.SetFromPDFDateTime(Bytes(text)), 1) << text;
                ExpectFields(read, f);
                ExpectZone(read, zone.fSign, zone.fHours, zone.fMinutes);
                EXPECT_EQ(PDFText(read), text);
            }
        }
    }
}

TEST(GDateTimeTest, ReadsPDFDatesAsWritten)
{
    struct Case
    {
        char const* fText;
        int fResult;
        Fields fUTC;
        int fSign, fHours, fMinutes;
    };
    // Without a zone marker the zone stays as it was: +3:00 here.
    Case const cases[] = {
        {"D:20240315143000+01'00'", 1, {15, 3, 2024, 13, 30, 0}, 1, 1, 0},
        {"D:20240315143000Z", 1, {15, 3, 2024, 14, 30, 0}, 1, 0, 0},
        {"D:20240315143000-05'30'", 1, {15, 3, 2024, 20, 0, 0}, -1, 5, 30},
        {"D:20240315143000+0100", 1, {15, 3, 2024, 13, 30, 0}, 1, 1, 0},
        {"D:20240315013000+02'00'", 1, {14, 3, 2024, 23, 30, 0}, 1, 2, 0},
        {"20240315", 1, {15, 3, 2024, 0, 0, 0}, 1, 3, 0},
        {"D:2024", 1, {1, 1, 2024, 0, 0, 0}, 1, 3, 0},
        {"D:202403151430", 1, {15, 3, 2024, 14, 30, 0}, 1, 3, 0},
        {"D:20240315143000.123 and more", 1, {15, 3, 2024, 14, 30, 0}, 1, 3, 0},
        {"D:19124", 2, {1, 1, 2024, 0, 0, 0}, 1, 3, 0},
        {"D:191240315", 2, {15, 3, 2024, 0, 0, 0}, 1, 3, 0},
        // The old form has an odd number of digits; an even number is a year of four digits (years
        // 1910 to 1919 and those like 0912 read back as written).
        {"D:1912", 1, {1, 1, 1912, 0, 0, 0}, 1, 3, 0},
        {"D:19150315", 1, {15, 3, 1915, 0, 0, 0}, 1, 3, 0},
        {"D:19100101100000Z", 1, {1, 1, 1910, 10, 0, 0}, 1, 0, 0},
        {"D:09120101000000Z", 1, {1, 1, 912, 0, 0, 0}, 1, 0, 0},
        {"D:191?4", 1, {1, 1, 191, 0, 0, 0}, 1, 3, 0},
        {"D:0912037", 1, {7, 3, 912, 0, 0, 0}, 1, 3, 0},
        // A zone's fields are one or two digits each, as "%2u" reads them.
        {"D:20240315143000+1'00'", 1, {15, 3, 2024, 13, 30, 0}, 1, 1, 0},
        {"D:20240315143000+01'3'", 1, {15, 3, 2024, 13, 27, 0}, 1, 1, 3},
        {"D:20240315143000-1'3", 1, {15, 3, 2024, 15, 33, 0}, -1, 1, 3},
        {"D:20240315143000+ 2' 5'", 1, {15, 3, 2024, 12, 25, 0}, 1, 2, 5},
        {"D:20240315143000+015'00'", 1, {15, 3, 2024, 13, 30, 0}, 1, 1, 0},
        {"D:20240431", 1, {1, 5, 2024, 0, 0, 0}, 1, 3, 0},
    };
    TimeZoneScope const scope("Europe/Berlin");
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fText);
        GDateTime date(1, 1, 2000, 0, 0, 0, 1, 3, 0);
        EXPECT_EQ(date.SetFromPDFDateTime(Bytes(c.fText)), c.fResult);
        ExpectFields(date, c.fUTC);
        ExpectZone(date, c.fSign, c.fHours, c.fMinutes);
        EXPECT_EQ(GDateTime::CheckPDFDateTime(Bytes(c.fText)), c.fResult);
    }
}

TEST(GDateTimeTest, MalformedPDFDatesFailAndChangeNothing)
{
    char const* const cases[] = {
        "",
        "D",
        "D:",
        "D-2024",
        "X:20240315",
        "D:202",
        "D:20+4",
        "D:2-24",
        "D:Z024",
        "D:20241315",
        "D:20240015",
        "D:20240300",
        "D:20240332",
        "D:20240315240000",
        "D:20240315236000",
        "D:20240315235960",
        "D:abcd",
        "D:191503150",
        "\xff\xfe\x00\x00",
        "D:    ",
        // A zone's field with a sign of its own is no number of the zone.
        "D:20240315143000--1'00'",
        "D:20240315143000+-01'00'",
        "D:20240315143000+01'-5'",
        "D:20240315143000- +1'00'",
    };
    for (char const* text : cases)
    {
        SCOPED_TRACE(text);
        GDateTime date(2, 3, 2001, 4, 5, 6, true);
        date.SetZone(1, 7, 0);
        EXPECT_EQ(date.SetFromPDFDateTime(Bytes(text)), 0);
        ExpectFields(date, {2, 3, 2001, 4, 5, 6});
        ExpectZone(date, 1, 7, 0);
        EXPECT_EQ(GDateTime::CheckPDFDateTime(Bytes(text)), 0);
    }
    // Bytes after a zero byte, and a buffer without one, are read as the bytes they are.
    GBuffer withZero;
    withZero.Set(reinterpret_cast<unsigned char const*>("D:2024\0"
                                                        "0315"),
                 11);
    GDateTime date(false);
    EXPECT_EQ(date.SetFromPDFDateTime(withZero), 1);
    ExpectFields(date, {1, 1, 2024, 0, 0, 0});
}

TEST(GDateTimeTest, PDFDateWritesTheWallTimeOfItsZone)
{
    TimeZoneScope const scope("America/New_York");
    EXPECT_EQ(PDFText(GDateTime(false)), "D:19800101000000Z");
    GDateTime date(31, 12, 2023, 23, 30, 0, true);
    date.SetZone(1, 1, 0);
    EXPECT_EQ(PDFText(date), "D:20240101003000+01'00'");
    date.SetZone(-1, 5, 30);
    EXPECT_EQ(PDFText(date), "D:20231231180000-05'30'");
    date.SetZone(-1, 0, 0);
    EXPECT_EQ(PDFText(date), "D:20231231233000Z");
}

TEST(GDateTimeTest, PDFDateOfAYearBeyond9999IsWrittenWhole)
{
    struct Case
    {
        Fields fUTC;
        int fZoneHours;
        char const* fExpected;
    };
    Case const cases[] = {
        {{1, 1, 12345, 6, 7, 8}, 0, "D:123450101060708Z"},
        {{31, 12, 99999, 23, 0, 0}, 2, "D:1000000101010000+02'00'"},
        {{1, 1, 2000000000, 0, 0, 0}, 0, "D:20000000000101000000Z"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fExpected);
        GDateTime date(c.fUTC.fDay, c.fUTC.fMonth, c.fUTC.fYear, c.fUTC.fHour, c.fUTC.fMinute, c.fUTC.fSecond,
                       1, c.fZoneHours, 0);
        date.Set(c.fUTC.fDay, c.fUTC.fMonth, c.fUTC.fYear, c.fUTC.fHour, c.fUTC.fMinute, c.fUTC.fSecond,
                 true);
        EXPECT_EQ(PDFText(date), c.fExpected);
    }
}

TEST(GDateTimeTest, WallTimeOfAGivenZoneIsTakenToUTC)
{
    for (char const* tz : cNamedZones)
    {
        SCOPED_TRACE(tz);
        TimeZoneScope const scope(tz);
        GDateTime date(15, 3, 2024, 14, 30, 0, -1, 5, 30);
        ExpectFields(date, {15, 3, 2024, 20, 0, 0});
        ExpectZone(date, -1, 5, 30);
        date.Set(1, 1, 2024, 0, 15, 0, 1, 10, 30);
        ExpectFields(date, {31, 12, 2023, 13, 45, 0});
        ExpectZone(date, -1, 5, 30);

        int day = 31, month = 12, year = 2023, hour = 13, minute = 45, second = 0;
        GDateTime::TranslateUTCToLocal(day, month, year, hour, minute, second, 1, 10, 30);
        EXPECT_EQ(std::to_string(day) + "." + std::to_string(month) + "." + std::to_string(year) + " " +
                      std::to_string(hour) + ":" + std::to_string(minute),
                  "1.1.2024 0:15");
    }
}

TEST(GDateTimeTest, LocalWallTimeAroundDaylightSavingChangesIsStoredAsUTC)
{
    struct Case
    {
        char const* fZone;
        Fields fLocal;
        Fields fUTC;
    };
    Case const cases[] = {
        {"Europe/Berlin", {15, 7, 2024, 12, 0, 0}, {15, 7, 2024, 10, 0, 0}},
        {"Europe/Berlin", {15, 1, 2024, 12, 0, 0}, {15, 1, 2024, 11, 0, 0}},
        {"Europe/Berlin", {31, 3, 2024, 3, 0, 0}, {31, 3, 2024, 1, 0, 0}},
        {"America/New_York", {10, 3, 2024, 3, 30, 0}, {10, 3, 2024, 7, 30, 0}},
        {"Australia/Lord_Howe", {15, 1, 2024, 12, 0, 0}, {15, 1, 2024, 1, 0, 0}},
        {"Australia/Lord_Howe", {15, 7, 2024, 12, 0, 0}, {15, 7, 2024, 1, 30, 0}},
        {"UTC", {15, 7, 2024, 12, 0, 0}, {15, 7, 2024, 12, 0, 0}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fZone);
        TimeZoneScope const scope(c.fZone);
        Fields const& l = c.fLocal;
        ExpectFields(GDateTime(l.fDay, l.fMonth, l.fYear, l.fHour, l.fMinute, l.fSecond, false), c.fUTC);
    }
}

TEST(GDateTimeTest, LocalDateOrTimeReplacesHalfOfTheWallTimeOfTheZone)
{
    TimeZoneScope const scope("Europe/Berlin");
    // 23:30 UTC on 31 December is 00:30 on 1 January in the +1:00 zone.
    GDateTime date(31, 12, 2023, 23, 30, 0, 1, 0, 0);
    date.Set(31, 12, 2023, 23, 30, 0, true);
    date.SetZone(1, 1, 0);
    GDateTime moved = date;
    moved.SetTime(8, 0, 0, false);
    ExpectFields(moved, {1, 1, 2024, 7, 0, 0});
    moved = date;
    moved.SetDate(5, 2, 2024, false);
    ExpectFields(moved, {4, 2, 2024, 23, 30, 0});
    moved = date;
    moved.SetTime(8, 0, 0, true);
    ExpectFields(moved, {31, 12, 2023, 8, 0, 0});
    moved = date;
    moved.SetDate(5, 2, 2024, true);
    ExpectFields(moved, {5, 2, 2024, 23, 30, 0});
    ExpectZone(moved, 1, 1, 0);
}

TEST(GDateTimeTest, ArithmeticIsUTCArithmeticUnderEveryZone)
{
    for (char const* tz : cNamedZones)
    {
        SCOPED_TRACE(tz);
        TimeZoneScope const scope(tz);
        GDateTime date(31, 1, 2023, 12, 0, 0, true);
        date.AddMonths(1);
        ExpectFields(date, {3, 3, 2023, 12, 0, 0});
        date.Set(31, 1, 2024, 12, 0, 0, true);
        date.AddMonths(1);
        ExpectFields(date, {2, 3, 2024, 12, 0, 0});

        // The day before each zone's spring change, at an hour that one of them skips locally.
        date.Set(30, 3, 2024, 2, 30, 0, true);
        date.AddDays(1);
        ExpectFields(date, {31, 3, 2024, 2, 30, 0});
        date.AddTime(1, 1, 1, 1, 1, 1);
        ExpectFields(date, {2, 5, 2025, 3, 31, 1});
        date.AddTime(0, 0, 0, 0, 0, -3600 * 24);
        ExpectFields(date, {1, 5, 2025, 3, 31, 1});

        GDateTime const start(31, 3, 2024, 0, 0, 0, true);
        GDateTime const end(1, 4, 2024, 12, 0, 0, true);
        EXPECT_EQ(end.GetSecondsBetween(start), 36 * 3600.0);
        EXPECT_EQ(end.GetDaysBetween(start), 1);
        EXPECT_EQ(start.GetDaysBetween(end), -1);
        EXPECT_TRUE(GDateTime::AreEqual(start, GDateTime(31, 3, 2024, 0, 0, 4, true), 5));
        EXPECT_FALSE(GDateTime::AreEqual(start, GDateTime(31, 3, 2024, 0, 0, 5, true), 5));
    }
}

TEST(GDateTimeTest, AdditionsNoFieldCanHoldChangeNothing)
{
    GDateTime date(1, 1, 2024, 0, 0, 0, true);
    date.AddDays(2147483647);
    date.AddDays(2147483647);
    date.AddTime(0, 0, -2147483647, 0, 0, 0);
    date.AddTime(0, 0, -2147483647, 0, 0, 0);
    EXPECT_GE(date.GetYear(), -2147483647);
    GBuffer text;
    date.GetAsPDFDateTime(text);
    EXPECT_GT(text.GetLength(), 2);
}

TEST(GDateTimeTest, ComparesByTheCalendarFieldsAlone)
{
    GDateTime const early(1, 2, 2024, 10, 0, 0, 1, 5, 0);
    GDateTime const late(1, 2, 2024, 10, 0, 1, -1, 0, 0);
    EXPECT_EQ(early.CompareWith(late), -1);
    EXPECT_EQ(late.CompareWith(early), 1);
    EXPECT_EQ(early.CompareWith(GDateTime(1, 2, 2024, 10, 0, 0, -1, 5, 0)), -1)
        << "the same wall time further west is later";
    GDateTime copy(false);
    copy.Set(early);
    EXPECT_EQ(copy.CompareWith(early), 0);
    ExpectZone(copy, 1, 5, 0);
    std::tm fields = {};
    early.GetAnsiCTm(fields);
    EXPECT_EQ(fields.tm_hour, 5);
    EXPECT_EQ(fields.tm_mon, 1);
    EXPECT_EQ(fields.tm_year, 124);
    EXPECT_EQ(fields.tm_isdst, -1);
    GDateTime fromFields(false);
    fromFields.SetAnsiCTm(fields, true);
    EXPECT_TRUE(fromFields == early);
}

TEST(GDateTimeTest, ElapsedSecondsCountFromTheSystemStart)
{
    auto const uptime = []
    {
        std::ifstream file("/proc/uptime");
        double seconds = -1;
        file >> seconds;
        return seconds;
    };
    double const before = uptime();
    if (before < 0)
        GTEST_SKIP() << "no /proc/uptime";
    long long const elapsed = GDateTime::ElapsedSeconds();
    double const after = uptime();
    // Whole seconds, read between the two.
    EXPECT_GE(double(elapsed), std::floor(before) - 1);
    EXPECT_LE(double(elapsed), after + 1);
}

namespace
{
class GDateTimeTextTest : public stringpooltest::StringPoolFixture
{
protected:
    void SetUp() override
    {
        StringPoolFixture::SetUp();
        GDateTime::Initialize();
    }
};

std::string DateText(GDateTime const& date, bool utc, char const* format = "", char const* language = "")
{
    GString out;
    date.GetDateAsString(out, utc, GString(format), GString(language));
    return Utf8Of(out);
}

std::string TimeText(GDateTime const& date, bool utc, char const* format = "")
{
    GString out;
    date.GetTimeAsString(out, utc, GString(format));
    return Utf8Of(out);
}
} // namespace

TEST_F(GDateTimeTextTest, EnglishDatesAndTimesFromThePool)
{
    GDateTime date(5, 3, 2024, 9, 5, 7, 1, 0, 0);
    EXPECT_EQ(DateText(date, true), "March 5, 2024");
    EXPECT_EQ(TimeText(date, true), "09:05:07");
    EXPECT_EQ(DateText(date, true, "%1/%3 (%2)"), "5/2024 (March)");
    EXPECT_EQ(TimeText(date, true, "%3h%2"), "09h05");
    EXPECT_EQ(Utf8Of(GStringPool::GetString(2412)), "December");
}

TEST_F(GDateTimeTextTest, LocalFormsShowTheWallTimeOfTheZone)
{
    GDateTime date(31, 12, 2023, 23, 30, 15, -1, 0, 0);
    date.SetZone(1, 1, 0);
    EXPECT_EQ(DateText(date, false), "January 1, 2024");
    EXPECT_EQ(TimeText(date, false), "00:30:15");
    EXPECT_EQ(DateText(date, true), "December 31, 2023");
    EXPECT_EQ(TimeText(date, true), "23:30:15");
}

TEST_F(GDateTimeTextTest, LanguageOfItsOwnFallsBackToEnglishEntryByEntry)
{
    stringpooltest::Register("deDE", {{2403, "M\xe4rz"}, {2413, "%1. %2 %3"}});
    GDateTime const march(5, 3, 2024, 12, 0, 0, 1, 0, 0);
    GDateTime const may(5, 5, 2024, 12, 0, 0, 1, 0, 0);
    EXPECT_EQ(DateText(march, true, "", "deDE"), "5. M\xc3\xa4rz 2024");
    EXPECT_EQ(DateText(may, true, "", "deDE"), "5. May 2024");
    EXPECT_EQ(DateText(may, true, "", "frFR"), "May 5, 2024");
    EXPECT_EQ(DateText(march, true), "March 5, 2024") << "English stays current";
    ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    EXPECT_EQ(DateText(march, true), "5. M\xc3\xa4rz 2024");
    GStringPool::SetLanguage(GString("enUS"));
}
