// The foundation's date and time: an instant held as calendar fields in UTC, together with the offset
// of the zone in which it is to be shown (wall time there = UTC + sign x (hours x 3600 + minutes x 60)
// seconds).
#pragma once

class GDateTime
{
public:
    // true: the current time, with the local zone; false: 1 January 1980, 00:00:00, zone +0:00.
    explicit GDateTime(bool now);
    // utc false: the values are the system's local wall time and are converted to UTC first. The zone
    // becomes the system's local one.
    GDateTime(int day, int month, int year, int hour, int minute, int second, bool utc);
    GDateTime(GDateTime const& other) = default;
    GDateTime& operator=(GDateTime const& other) = default;

    // Stores the instant and normalises; the zone is kept. With utc false the values are local wall
    // time (stored unchanged when the system cannot convert them).
    void Set(int day, int month, int year, int hour, int minute, int second, bool utc);
    // Carries values out of range into the next larger field: day 32 of January is 1 February,
    // month 13 is January of the next year.
    void Normalize();

    int GetDay() const { return fDay; }
    int GetMonth() const { return fMonth; }
    int GetYear() const { return fYear; }
    int GetHour() const { return fHour; }
    int GetMinute() const { return fMinute; }
    int GetSecond() const { return fSecond; }
    int GetZoneSign() const { return fZoneSign; }
    int GetZoneHours() const { return fZoneHours; }
    int GetZoneMinutes() const { return fZoneMinutes; }

    // The same instant; the zone is not compared.
    friend bool operator==(GDateTime const& a, GDateTime const& b);
    friend bool operator!=(GDateTime const& a, GDateTime const& b) { return !(a == b); }

    // The offset of the system's local time from UTC now; +0:00 when the system cannot tell.
    static void GetLocalToUTCDifference(int& sign, int& hours, int& minutes);

private:
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
