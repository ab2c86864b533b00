// A stopwatch: seconds, as a double, accumulated over one or more running intervals on a monotonic
// process clock, so that setting the wall clock never shows in a measurement.
#pragma once

class GTimer
{
public:
    GTimer() = default;

    // Nothing while running.
    void Start();
    // Adds the running interval; nothing while stopped.
    void Stop();
    // From 0, running, whether or not it was.
    void Restart();
    // Stopped at 0.
    void Reset();
    bool IsRunning() const { return fRunning; }
    // The finished intervals plus, while running, the one under way.
    double GetElapsedSeconds() const;

    // Seconds since the process clock's origin, which the first timer to ask fixes for the whole
    // process; the same for every timer.
    static double GetCurrentSeconds();

    // A NaN in either never equals.
    bool operator==(GTimer const& other) const;
    bool operator!=(GTimer const& other) const { return !(*this == other); }

private:
    double fStartSeconds = 0;
    double fAccumulatedSeconds = 0;
    bool fRunning = false;
};
