// Dates and times over the C library's calendar conversions. The fields are UTC, so every
// conversion of them goes through timegm and gmtime_r; only the system's local wall time goes through
// mktime and localtime_r.
#include "GDateTime.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "GBuffer.h"
#include "GDateTimeTexts.h"
#include "GString.h"
#include "GStringPool.h"
#include "GStringPoolSupport.h"

namespace
{
// The fields as a broken-down time; false when they do not fit its members.
bool BrokenDown(long long day, long long month, long long year, long long hour, long long minute,
                long long second, std::tm& fields)
{
    long long const values[] = {day, month - 1, year - 1900, hour, minute, second};
    for (long long value : values)
    {
        if (value < INT_MIN || value > INT_MAX)
            return false;
    }
    fields = std::tm();
    fields.tm_mday = static_cast<int>(day);
    fields.tm_mon = static_cast<int>(month - 1);
    fields.tm_year = static_cast<int>(year - 1900);
    fields.tm_hour = static_cast<int>(hour);
    fields.tm_min = static_cast<int>(minute);
    fields.tm_sec = static_cast<int>(second);
    fields.tm_isdst = -1;
    return true;
}

// The instant of UTC fields (utc) or of local wall time; -1 is a valid time as well (the last second
// of 1969), so failure is told by errno.
bool InstantOf(std::tm fields, bool utc, std::time_t& instant)
{
    errno = 0;
    instant = utc ? timegm(&fields) : std::mktime(&fields);
    return instant != static_cast<std::time_t>(-1) || errno != EOVERFLOW;
}

bool UTCInstantOf(long long day, long long month, long long year, long long hour, long long minute,
                  long long second, std::time_t& instant)
{
    std::tm fields;
    return BrokenDown(day, month, year, hour, minute, second, fields) && InstantOf(fields, true, instant);
}

// The pattern or name of id for the language: the current one (with the pool's fallbacks) when the
// language is empty, else that language's, else the English one.
GString const& TextOf(int id, GString const& language)
{
    if (language.IsEmpty())
        return GStringPool::GetString(id);
    GString const& text = GStringPool::GetString(language, id);
    if (!text.IsEmpty())
        return text;
    return GStringPool::GetString(GStringPool::cEnglish, id);
}

GString TwoDigits(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02u", static_cast<unsigned>(value));
    return GString(text);
}

constexpr int cFiveDigitYearOffset = 17100;

// The zone after its sign, as "%2u'%2u'" reads it: each field passes over white space, then takes
// one or two digits ("+1'00'" is one hour, "+01'3'" one hour and three minutes); a field that is
// not there is 0, and what follows the last field read is not looked at. A field with a sign of its
// own, which %u would take and turn into a huge number, makes the zone unreadable: false.
bool ReadZoneFields(unsigned char const* zone, int length, unsigned& hours, unsigned& minutes)
{
    int at = 0;
    // 1 when the field was read, 0 when it is not there, -1 when it is signed.
    auto const field = [&](unsigned& value)
    {
        while (at < length && std::isspace(zone[at]))
            ++at;
        if (at < length && (zone[at] == '+' || zone[at] == '-'))
            return -1;
        int digits = 0;
        unsigned read = 0;
        for (; digits < 2 && at < length && std::isdigit(zone[at]); ++digits, ++at)
            read = read * 10 + static_cast<unsigned>(zone[at] - '0');
        if (digits == 0)
            return 0;
        value = read;
        return 1;
    };
    hours = 0;
    minutes = 0;
    int const first = field(hours);
    if (first <= 0)
        return first == 0;
    if (at >= length || zone[at] != '\'')
        return true;
    ++at;
    return field(minutes) >= 0;
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
    StoreFields(utc);
    GetLocalToUTCDifference(fZoneSign, fZoneHours, fZoneMinutes);
}

GDateTime::GDateTime(int day, int month, int year, bool utc) : GDateTime(false)
{
    Set(day, month, year, 12, 0, 0, utc);
    GetLocalToUTCDifference(fZoneSign, fZoneHours, fZoneMinutes);
}

GDateTime::GDateTime(int day, int month, int year, int hour, int minute, int second, bool utc)
    : GDateTime(false)
{
    Set(day, month, year, hour, minute, second, utc);
    GetLocalToUTCDifference(fZoneSign, fZoneHours, fZoneMinutes);
}

GDateTime::GDateTime(int day, int month, int year, int hour, int minute, int second, int sign, int zoneHours,
                     int zoneMinutes)
    : GDateTime(false)
{
    Set(day, month, year, hour, minute, second, sign, zoneHours, zoneMinutes);
    SetZone(sign, zoneHours, zoneMinutes);
}

void GDateTime::Initialize()
{
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", GDateTimeTexts::sRows,
                                          GDateTimeTexts::cCount, false);
}

void GDateTime::StoreFields(std::tm const& fields)
{
    fDay = fields.tm_mday;
    fMonth = fields.tm_mon + 1;
    fYear = fields.tm_year + 1900;
    fHour = fields.tm_hour;
    fMinute = fields.tm_min;
    fSecond = fields.tm_sec;
}

void GDateTime::SetZone(int sign, int hours, int minutes)
{
    fZoneSign = sign;
    fZoneHours = hours;
    fZoneMinutes = minutes;
}

int GDateTime::GetZoneOffsetSeconds() const
{
    return fZoneSign * (fZoneHours * 3600 + fZoneMinutes * 60);
}

void GDateTime::Set(int day, int month, int year, int hour, int minute, int second, bool utc)
{
    fDay = day;
    fMonth = month;
    fYear = year;
    fHour = hour;
    fMinute = minute;
    fSecond = second;
    std::tm local;
    std::time_t instant;
    std::tm converted;
    if (!utc && BrokenDown(day, month, year, hour, minute, second, local) &&
        InstantOf(local, false, instant) && gmtime_r(&instant, &converted))
        StoreFields(converted);
    Normalize();
}

void GDateTime::Set(int day, int month, int year, int hour, int minute, int second, int sign, int zoneHours,
                    int zoneMinutes)
{
    fDay = day;
    fMonth = month;
    fYear = year;
    fHour = hour;
    fMinute = minute;
    fSecond = second;
    std::time_t instant;
    std::tm converted;
    long long const offset = static_cast<long long>(sign) * (zoneHours * 3600LL + zoneMinutes * 60LL);
    if (UTCInstantOf(day, month, year, hour, minute, second, instant))
    {
        std::time_t const utc = static_cast<std::time_t>(instant - offset);
        if (gmtime_r(&utc, &converted))
            StoreFields(converted);
    }
    Normalize();
}

void GDateTime::Set(GDateTime const& other)
{
    fDay = other.fDay;
    fMonth = other.fMonth;
    fYear = other.fYear;
    fHour = other.fHour;
    fMinute = other.fMinute;
    fSecond = other.fSecond;
    Normalize();
    SetZone(other.fZoneSign, other.fZoneHours, other.fZoneMinutes);
}

void GDateTime::SetDate(int day, int month, int year, bool utc)
{
    if (utc)
    {
        fDay = day;
        fMonth = month;
        fYear = year;
        Normalize();
        return;
    }
    std::tm const wall = GetWallTime();
    int const sign = fZoneSign, hours = fZoneHours, minutes = fZoneMinutes;
    Set(day, month, year, wall.tm_hour, wall.tm_min, wall.tm_sec, sign, hours, minutes);
}

void GDateTime::SetTime(int hour, int minute, int second, bool utc)
{
    if (utc)
    {
        fHour = hour;
        fMinute = minute;
        fSecond = second;
        Normalize();
        return;
    }
    std::tm const wall = GetWallTime();
    Set(wall.tm_mday, wall.tm_mon + 1, wall.tm_year + 1900, hour, minute, second, fZoneSign, fZoneHours,
        fZoneMinutes);
}

void GDateTime::Normalize()
{
    // Carried as local time, an instant inside the local zone's daylight-saving gap would move by an
    // hour.
    std::time_t instant;
    std::tm normal;
    if (UTCInstantOf(fDay, fMonth, fYear, fHour, fMinute, fSecond, instant) && gmtime_r(&instant, &normal))
        StoreFields(normal);
}

void GDateTime::GetAnsiCTm(std::tm& fields) const
{
    fields.tm_sec = fSecond;
    fields.tm_min = fMinute;
    fields.tm_hour = fHour;
    fields.tm_mday = fDay;
    fields.tm_mon = fMonth - 1;
    fields.tm_year = fYear - 1900;
    fields.tm_isdst = -1;
}

void GDateTime::SetAnsiCTm(std::tm const& fields, bool utc)
{
    Set(fields.tm_mday, fields.tm_mon + 1, fields.tm_year + 1900, fields.tm_hour, fields.tm_min,
        fields.tm_sec, utc);
    GetLocalToUTCDifference(fZoneSign, fZoneHours, fZoneMinutes);
}

std::tm GDateTime::GetWallTime() const
{
    std::tm wall;
    std::time_t instant;
    if (UTCInstantOf(fDay, fMonth, fYear, fHour, fMinute, fSecond, instant))
    {
        std::time_t const shifted = static_cast<std::time_t>(instant + GetZoneOffsetSeconds());
        if (gmtime_r(&shifted, &wall))
            return wall;
    }
    BrokenDown(fDay, fMonth, fYear, fHour, fMinute, fSecond, wall);
    return wall;
}

int GDateTime::CompareWith(GDateTime const& other) const
{
    int const mine[] = {fYear, fMonth, fDay, fHour, fMinute, fSecond};
    int const theirs[] = {other.fYear, other.fMonth, other.fDay, other.fHour, other.fMinute, other.fSecond};
    for (int i = 0; i < 6; ++i)
    {
        if (mine[i] != theirs[i])
            return mine[i] < theirs[i] ? -1 : 1;
    }
    return 0;
}

bool operator==(GDateTime const& a, GDateTime const& b)
{
    return a.CompareWith(b) == 0;
}

bool GDateTime::AreEqual(GDateTime const& a, GDateTime const& b, double tolerance)
{
    std::time_t first;
    std::time_t second;
    if (!UTCInstantOf(a.fDay, a.fMonth, a.fYear, a.fHour, a.fMinute, a.fSecond, first) ||
        !UTCInstantOf(b.fDay, b.fMonth, b.fYear, b.fHour, b.fMinute, b.fSecond, second))
        return false;
    return std::fabs(std::difftime(first, second)) < tolerance;
}

void GDateTime::AddDays(int days)
{
    AddTime(days, 0, 0, 0, 0, 0);
}

void GDateTime::AddMonths(int months)
{
    AddTime(0, months, 0, 0, 0, 0);
}

void GDateTime::AddTime(int days, int months, int years, int hours, int minutes, int seconds)
{
    long long const sums[] = {
        static_cast<long long>(fDay) + days,       static_cast<long long>(fMonth) + months,
        static_cast<long long>(fYear) + years,     static_cast<long long>(fHour) + hours,
        static_cast<long long>(fMinute) + minutes, static_cast<long long>(fSecond) + seconds};
    // A sum that no field can hold leaves the value as it was rather than wrap around.
    for (long long sum : sums)
    {
        if (sum < INT_MIN || sum > INT_MAX)
            return;
    }
    fDay = static_cast<int>(sums[0]);
    fMonth = static_cast<int>(sums[1]);
    fYear = static_cast<int>(sums[2]);
    fHour = static_cast<int>(sums[3]);
    fMinute = static_cast<int>(sums[4]);
    fSecond = static_cast<int>(sums[5]);
    Normalize();
}

double GDateTime::GetSecondsBetween(GDateTime const& other) const
{
    std::time_t mine;
    std::time_t theirs;
    if (!UTCInstantOf(fDay, fMonth, fYear, fHour, fMinute, fSecond, mine) ||
        !UTCInstantOf(other.fDay, other.fMonth, other.fYear, other.fHour, other.fMinute, other.fSecond,
                      theirs))
        return 0;
    return std::difftime(mine, theirs);
}

int GDateTime::GetDaysBetween(GDateTime const& other) const
{
    return static_cast<int>(GetSecondsBetween(other) / 86400);
}

long long GDateTime::ElapsedSeconds()
{
    // The monotonic clock counts from the system's start.
    auto const since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::seconds>(since).count();
}

void GDateTime::GetLocalToUTCDifference(int& sign, int& hours, int& minutes)
{
    sign = 1;
    hours = 0;
    minutes = 0;
    std::time_t const now = std::time(nullptr);
    std::tm local;
    if (now == static_cast<std::time_t>(-1) || !localtime_r(&now, &local))
        return;
    // The breakdown's own offset includes daylight-saving time; one computed from two breakdowns read
    // back as local time misses it.
    long const offset = local.tm_gmtoff;
    long const magnitude = offset < 0 ? -offset : offset;
    sign = offset < 0 ? -1 : 1;
    hours = static_cast<int>(magnitude / 3600);
    minutes = static_cast<int>(magnitude % 3600 / 60);
}

void GDateTime::TranslateUTCToLocal(int& day, int& month, int& year, int& hour, int& minute, int& second,
                                    int sign, int zoneHours, int zoneMinutes)
{
    std::time_t instant;
    if (!UTCInstantOf(day, month, year, hour, minute, second, instant))
        return;
    long long const offset = static_cast<long long>(sign) * (zoneHours * 3600LL + zoneMinutes * 60LL);
    std::time_t const shifted = static_cast<std::time_t>(instant + offset);
    std::tm wall;
    if (!gmtime_r(&shifted, &wall))
        return;
    day = wall.tm_mday;
    month = wall.tm_mon + 1;
    year = wall.tm_year + 1900;
    hour = wall.tm_hour;
    minute = wall.tm_min;
    second = wall.tm_sec;
}

int GDateTime::SetFromPDFDateTime(GBuffer const& text)
{
    unsigned char const* bytes = text.GetPtr();
    int length = text.GetLength();
    if (length < 2 || !bytes)
        return 0;
    if (bytes[0] == 'D')
    {
        if (bytes[1] != ':')
            return 0;
        bytes += 2;
        length -= 2;
    }
    if (length < 4)
        return 0;

    int marker = -1;
    for (int i = 0; i < length; ++i)
    {
        if (bytes[i] == '+' || bytes[i] == '-' || bytes[i] == 'Z')
        {
            marker = i;
            break;
        }
    }
    if (marker >= 0 && marker < 4)
        return 0;
    // sscanf needs the text ended by a zero, which the buffer's bytes need not have at the date's end.
    std::string const datePart(reinterpret_cast<char const*>(bytes),
                               static_cast<std::size_t>(marker >= 0 ? marker : length));

    unsigned year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int result = 1;
    int read;
    // The old form: "191" and the last two digits of the year, then the fields of two digits, so an
    // odd number of digits; a year of four digits with its fields has an even number (1915 is not 2050).
    std::size_t const digits = static_cast<std::size_t>(
        std::find_if(datePart.begin(), datePart.end(), [](char c) { return c < '0' || c > '9'; }) -
        datePart.begin());
    if (digits >= 5 && digits % 2 == 1 && datePart.compare(0, 3, "191") == 0)
    {
        read =
            std::sscanf(datePart.c_str(), "%5u%2u%2u%2u%2u%2u", &year, &month, &day, &hour, &minute, &second);
        result = 2;
    }
    else
    {
        read =
            std::sscanf(datePart.c_str(), "%4u%2u%2u%2u%2u%2u", &year, &month, &day, &hour, &minute, &second);
    }
    if (read < 1)
        return 0;
    long long fullYear = year;
    if (result == 2)
        fullYear -= cFiveDigitYearOffset;
    if (day < 1 || day > 31 || month < 1 || month > 12 || hour > 23 || minute > 59 || second > 59)
        return 0;

    long long utcHour = hour;
    long long utcMinute = minute;
    if (marker >= 0)
    {
        char const zoneMarker = static_cast<char>(bytes[marker]);
        if (zoneMarker == 'Z')
        {
            SetZone(1, 0, 0);
        }
        else
        {
            int const sign = zoneMarker == '+' ? 1 : -1;
            unsigned zoneHours = 0, zoneMinutes = 0;
            if (!ReadZoneFields(bytes + marker + 1, length - marker - 1, zoneHours, zoneMinutes))
                return 0;
            SetZone(sign, static_cast<int>(zoneHours), static_cast<int>(zoneMinutes));
            utcHour -= sign * static_cast<long long>(zoneHours);
            utcMinute -= sign * static_cast<long long>(zoneMinutes);
        }
    }
    fYear = static_cast<int>(fullYear);
    fMonth = static_cast<int>(month);
    fDay = static_cast<int>(day);
    fHour = static_cast<int>(utcHour);
    fMinute = static_cast<int>(utcMinute);
    fSecond = static_cast<int>(second);
    Normalize();
    return result;
}

int GDateTime::CheckPDFDateTime(GBuffer const& text)
{
    GDateTime scratch(true);
    return scratch.SetFromPDFDateTime(text);
}

void GDateTime::GetAsPDFDateTime(GBuffer& out) const
{
    std::tm const wall = GetWallTime();
    unsigned const year = static_cast<unsigned>(wall.tm_year + 1900);
    unsigned const month = static_cast<unsigned>(wall.tm_mon + 1);
    unsigned const day = static_cast<unsigned>(wall.tm_mday);
    unsigned const hour = static_cast<unsigned>(wall.tm_hour);
    unsigned const minute = static_cast<unsigned>(wall.tm_min);
    unsigned const second = static_cast<unsigned>(wall.tm_sec);
    // Room for every field at its widest, so that no value can write past the end.
    char text[128];
    int written;
    if (fZoneHours <= 0 && fZoneMinutes <= 0)
        written = std::snprintf(text, sizeof text, "D:%04u%02u%02u%02u%02u%02uZ", year, month, day, hour,
                                minute, second);
    else
        written = std::snprintf(text, sizeof text, "D:%04u%02u%02u%02u%02u%02u%c%02u'%02u'", year, month, day,
                                hour, minute, second, fZoneSign < 0 ? '-' : '+',
                                static_cast<unsigned>(fZoneHours), static_cast<unsigned>(fZoneMinutes));
    if (written < 0)
        written = 0;
    if (written >= static_cast<int>(sizeof text))
        written = sizeof text - 1;
    out.Set(reinterpret_cast<unsigned char const*>(text), written);
}

void GDateTime::GetDateAsString(GString& out, bool utc, GString const& format, GString const& language) const
{
    int day = fDay, month = fMonth, year = fYear;
    if (!utc)
    {
        std::tm const wall = GetWallTime();
        day = wall.tm_mday;
        month = wall.tm_mon + 1;
        year = wall.tm_year + 1900;
    }
    GString text = format.IsEmpty() ? TextOf(cDateFormatID, language) : format;
    text.SubstituteParams(GString(day), TextOf(cMonthNameBaseID + month, language), GString(year));
    out = std::move(text);
}

void GDateTime::GetTimeAsString(GString& out, bool utc, GString const& format) const
{
    int hour = fHour, minute = fMinute, second = fSecond;
    if (!utc)
    {
        std::tm const wall = GetWallTime();
        hour = wall.tm_hour;
        minute = wall.tm_min;
        second = wall.tm_sec;
    }
    GString text = format.IsEmpty() ? GStringPool::GetString(cTimeFormatID) : format;
    text.SubstituteParams(TwoDigits(second), TwoDigits(minute), TwoDigits(hour));
    out = std::move(text);
}
