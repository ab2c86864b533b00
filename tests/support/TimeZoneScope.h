// Runs one scope under a time zone of the test's choosing (a POSIX TZ text such as "EST5EDT") and
// gives the process its own zone back afterwards.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

namespace testsupport
{
class TimeZoneScope
{
public:
    explicit TimeZoneScope(char const* zone)
    {
        if (char const* const previous = std::getenv("TZ"))
        {
            fHadZone = true;
            fPrevious = previous;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZoneScope()
    {
        if (fHadZone)
            setenv("TZ", fPrevious.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TimeZoneScope(TimeZoneScope const&) = delete;
    TimeZoneScope& operator=(TimeZoneScope const&) = delete;

private:
    bool fHadZone = false;
    std::string fPrevious;
};
} // namespace testsupport
