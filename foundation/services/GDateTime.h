// The foundation's date and time: an instant held as calendar fields in UTC, together with the offset
// of the zone in which it is to be shown (wall time there = UTC + sign x (hours x 3600 + minutes x 60)
// seconds). It reads and writes the date strings of PDF documents, the form date preferences are
// stored in, and gives localised date and time texts.
#pragma once

#include <ctime>

class GBuffer;
class GString;

class GDateTime
{
public:
    // The ids of the string-pool entries registered by Initialize.
    static constexpr int cMonthNameBaseID = 2400;
    static constexpr int cDateFormatID = 2413;
    static constexpr int cTimeFormatID = 2414;

    // true: the current time, with the local zone; false: 1 January 1980, 00:00:00, zone +0:00.
    explicit GDateTime(bool now);
    // Noon of the day. utc false: the values are the system's local wall time and are converted to
    // UTC first. The zone becomes the system's local one.
    GDateTime(int day, int month, int year, bool utc);
    GDateTime(int day, int month, int year, int hour, int minute, int second, bool utc);
    // The values are wall time in the given zone, which the value keeps.
    GDateTime(int day, int month, int year, int hour, int minute, int second, int sign, int zoneHours,
              int zoneMinutes);
    GDateTime(GDateTime const& other) = default;
    GDateTime& operator=(GDateTime const& other) = default;

    // Registers the English month names and the date and time patterns in the string pool.
    static void Initialize();

    // Stores the instant and normalises; the zone is kept. With utc false the values are local wall
    // time (stored unchanged when the system cannot convert them).
    void Set(int day, int month, int year, int hour, int minute, int second, bool utc);
    // The values are wall time in the given zone; the zone stored is not changed.
    void Set(int day, int month, int year, int hour, int minute, int second, int sign, int zoneHours,
             int zoneMinutes);
    void Set(GDateTime const& other);
    // utc true: replaces the UTC date (or time of day) and keeps the rest. utc false: the values are
    // a date (or time of day) of the wall time in the stored zone; the other half is that wall
    // time's, and the result is taken back to UTC.
    void SetDate(int day, int month, int year, bool utc);
    void SetTime(int hour, int minute, int second, bool utc);
    // Carries values out of range into the next larger field: day 32 of January is 1 February,
    // month 13 is January of the next year. The fields are carried as UTC, so an instant inside the
    // local zone's daylight-saving gap does not move.
    void Normalize();

    // The six calendar fields into the broken-down form, tm_isdst -1; other members are left.
    void GetAnsiCTm(std::tm& fields) const;
    // The fields as Set takes them; then the zone becomes the system's local one.
    void SetAnsiCTm(std::tm const& fields, bool utc);

    int GetDay() const { return fDay; }
    int GetMonth() const { return fMonth; }
    int GetYear() const { return fYear; }
    int GetHour() const { return fHour; }
    int GetMinute() const { return fMinute; }
    int GetSecond() const { return fSecond; }
    int GetZoneSign() const { return fZoneSign; }
    int GetZoneHours() const { return fZoneHours; }
    int GetZoneMinutes() const { return fZoneMinutes; }
    void SetZone(int sign, int hours, int minutes);

    // -1, 0 or 1 by year, month, day, hour, minute and second; the zone is ignored.
    int CompareWith(GDateTime const& other) const;
    // The same instant; the zone is not compared.
    friend bool operator==(GDateTime const& a, GDateTime const& b);
    friend bool operator!=(GDateTime const& a, GDateTime const& b) { return !(a == b); }
    // Whether the two instants lie strictly less than tolerance seconds apart.
    static bool AreEqual(GDateTime const& a, GDateTime const& b, double tolerance);

    // Each adds to its field and normalises: 31 January plus one month is 31 February, which carries
    // to 3 March (2 March in a leap year).
    void AddDays(int days);
    void AddMonths(int months);
    void AddTime(int days, int months, int years, int hours, int minutes, int seconds);
    // This instant minus the other, in seconds; 0 when either lies outside the system's calendar.
    double GetSecondsBetween(GDateTime const& other) const;
    // The same in whole days, truncated toward zero.
    int GetDaysBetween(GDateTime const& other) const;
    // Whole seconds since the system started.
    static long long ElapsedSeconds();

    // The offset of the system's local time from UTC now, daylight-saving time included; +0:00 when
    // the system cannot tell.
    static void GetLocalToUTCDifference(int& sign, int& hours, int& minutes);
    // UTC fields to the wall time of the given zone, in place; unchanged when they lie outside the
    // system's calendar.
    static void TranslateUTCToLocal(int& day, int& month, int& year, int& hour, int& minute, int& second,
                                    int sign, int zoneHours, int zoneMinutes);

    // Reads "D:YYYYMMDDHHmmSS" with a zone "Z", "+HH'mm'" or "-HH'mm'" (everything after the year
    // optional, the "D:" too): 0 for text that is no such date (the value is unchanged), 1 when read,
    // 2 when read with the five-digit year of the old "19100 + year" form (19124 is 2024). A date
    // without a zone is UTC and keeps the stored zone.
    int SetFromPDFDateTime(GBuffer const& text);
    // What SetFromPDFDateTime would answer; changes nothing.
    static int CheckPDFDateTime(GBuffer const& text);
    // "D:YYYYMMDDHHmmSSZ" (17 bytes) when the zone is +0:00, else with "+HH'mm'" or "-HH'mm'" (23
    // bytes); the time is the wall time of the stored zone. Years outside 0 to 9999 are written with
    // all their digits and do not read back.
    void GetAsPDFDateTime(GBuffer& out) const;

    // The date by the pattern (string 2413 of the language when empty: "%2 %1, %3" in English, %1 the
    // day, %2 the month's name, %3 the year). utc false: the date of the wall time in the stored zone.
    // An empty language means the current one; a language lacking the entries falls back to "enUS".
    void GetDateAsString(GString& out, bool utc, GString const& format, GString const& language) const;
    // The time by the pattern (string 2414 when empty: "%3:%2:%1", hours, minutes and seconds as two
    // digits each).
    void GetTimeAsString(GString& out, bool utc, GString const& format) const;

private:
    // The wall time in the stored zone, as UTC + offset; the UTC fields when out of the calendar.
    std::tm GetWallTime() const;
    int GetZoneOffsetSeconds() const;
    void StoreFields(std::tm const& fields);

    int fDay;
    int fMonth;
    int fYear;
    int fHour;
    int fMinute;
    int fSecond;
    int fZoneSign;
    int fZoneHours;
    int fZoneMinutes;
};
