// Dates and times over the C library's calendar conversions.
#include "GDateTime.h"

#include <cerrno>
#include <cmath>
#include <ctime>

namespace
{
std::tm BrokenDown(int day, int month, int year, int hour, int minute, int second)
{
    std::tm fields = {};
    fields.tm_mday = day;
    fields.tm_mon = month - 1;
    fields.tm_year = year - 1900;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return fields;
}

// -1 is a valid time as well (the last second of 1969), so failure is told by errno.
bool Converted(std::time_t result)
{
    return result != static_cast<std::time_t>(-1) || errno != EOVERFLOW;
}
} // namespace

GDateTime::GDateTime(bool now)
    : fDay(1), fMonth(1), fYear(1980), fHour(0), fMinute(0), fSecond(0), fZoneSign(1), fZoneHours(0),
      fZoneMinutes(0)
{
    if (!now)
        return;
    std::time_t const clock = std::time(nullptr);
    std::tm utc;
    if (clock == static_cast<std::time_t>(-1) || !gmtime_r(&clock, &utc))
        return;
    fDay = utc.tm_mday;
    fMonth = utc.tm_mon + 1;
    fYear = utc.tm_year + 1900;
    fHour = utc.tm_hour;
    fMinute = utc.tm_min;
    fSecond = utc.tm_sec;
    GetLocalToUTCDifference(fZoneSign, fZoneHours, fZoneMinutes);
}

GDateTime::GDateTime(int day, int month, int year, int hour, int minute, int second, bool utc)
    : fDay(1), fMonth(1), fYear(1980), fHour(0), fMinute(0), fSecond(0), fZoneSign(1), fZoneHours(0),
      fZoneMinutes(0)
{
    Set(day, month, year, hour, minute, second, utc);
    GetLocalToUTCDifference(fZoneSign, fZoneHours, fZoneMinutes);
}

void GDateTime::Set(int day, int month, int year, int hour, int minute, int second, bool utc)
{
    fDay = day;
    fMonth = month;
    fYear = year;
    fHour = hour;
    fMinute = minute;
    fSecond = second;
    if (!utc)
    {
        std::tm local = BrokenDown(day, month, year, hour, minute, second);
        errno = 0;
        std::time_t const instant = std::mktime(&local);
        std::tm converted;
        if (Converted(instant) && gmtime_r(&instant, &converted))
        {
            fDay = converted.tm_mday;
            fMonth = converted.tm_mon + 1;
            fYear = converted.tm_year + 1900;
            fHour = converted.tm_hour;
            fMinute = converted.tm_min;
            fSecond = converted.tm_sec;
        }
    }
    Normalize();
}

void GDateTime::Normalize()
{
    // The fields are UTC, so they are carried as UTC: carried as local time, an instant inside the
    // local zone's daylight-saving gap would move by an hour.
    std::tm fields = BrokenDown(fDay, fMonth, fYear, fHour, fMinute, fSecond);
    errno = 0;
    std::time_t const instant = timegm(&fields);
    std::tm normal;
    if (!Converted(instant) || !gmtime_r(&instant, &normal))
        return;
    fDay = normal.tm_mday;
    fMonth = normal.tm_mon + 1;
    fYear = normal.tm_year + 1900;
    fHour = normal.tm_hour;
    fMinute = normal.tm_min;
    fSecond = normal.tm_sec;
}

bool operator==(GDateTime const& a, GDateTime const& b)
{
    return a.fDay == b.fDay && a.fMonth == b.fMonth && a.fYear == b.fYear && a.fHour == b.fHour &&
           a.fMinute == b.fMinute && a.fSecond == b.fSecond;
}

void GDateTime::GetLocalToUTCDifference(int& sign, int& hours, int& minutes)
{
    sign = 1;
    hours = 0;
    minutes = 0;
    std::time_t const now = std::time(nullptr);
    std::tm utc;
    std::tm local;
    if (!gmtime_r(&now, &utc) || !localtime_r(&now, &local))
        return;
    // Both breakdowns are read back as local time: the difference of the two instants is the offset.
    errno = 0;
    std::time_t const localInstant = std::mktime(&local);
    bool const localConverted = Converted(localInstant);
    errno = 0;
    std::time_t const utcInstant = std::mktime(&utc);
    bool const utcConverted = Converted(utcInstant);
    double const seconds = localConverted && utcConverted ? std::difftime(localInstant, utcInstant) : 0.0;
    double const rounded = std::fabs(seconds) + 0.5;
    hours = static_cast<int>(rounded / 3600);
    minutes = static_cast<int>((rounded - hours * 3600.0) / 60);
    sign = seconds < 0 ? -1 : 1;
    // The UTC breakdown, read as local standard time, misses the daylight-saving hour.
    if (local.tm_isdst == 1 && utc.tm_isdst == 1)
    {
        if (sign < 0)
        {
            if (hours == 1)
                sign = 1;
            --hours;
        }
        else
        {
            ++hours;
        }
    }
}
