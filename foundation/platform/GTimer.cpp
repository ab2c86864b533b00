// A stopwatch on a monotonic process clock.
#include "GTimer.h"

#include <chrono>

void GTimer::Start()
{
    if (fRunning)
        return;
    fRunning = true;
    fStartSeconds = GetCurrentSeconds();
}

void GTimer::Stop()
{
    if (!fRunning)
        return;
    fRunning = false;
    fAccumulatedSeconds += GetCurrentSeconds() - fStartSeconds;
}

void GTimer::Restart()
{
    fAccumulatedSeconds = 0;
    fRunning = true;
    fStartSeconds = GetCurrentSeconds();
}

void GTimer::Reset()
{
    fRunning = false;
    fAccumulatedSeconds = 0;
}

double GTimer::GetElapsedSeconds() const
{
    if (!fRunning)
        return fAccumulatedSeconds;
    return fAccumulatedSeconds + (GetCurrentSeconds() - fStartSeconds);
}

double GTimer::GetCurrentSeconds()
{
    using Clock = std::chrono::steady_clock;
    // Seconds since boot would lose their nanoseconds in a double after about a hundred days of
    // uptime; counting from the process's first use keeps them. Made once, thread-safely.
    static Clock::time_point const sOrigin = Clock::now();
    auto const nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - sOrigin);
    return static_cast<double>(nanoseconds.count()) / 1e9;
}

bool GTimer::operator==(GTimer const& other) const
{
    return fStartSeconds == other.fStartSeconds && fAccumulatedSeconds == other.fAccumulatedSeconds &&
           fRunning == other.fRunning;
}
