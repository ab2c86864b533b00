// Holds tracing off for a scope: trace calls made while it lives (on any thread) are dropped.
#pragma once

class GTraceLock
{
public:
    // An instance of GTrace must exist.
    GTraceLock();
    ~GTraceLock();
    GTraceLock(GTraceLock const&) = delete;
    GTraceLock& operator=(GTraceLock const&) = delete;

    // Whether this was the outermost holder.
    bool IsOutermost() const { return fOutermost; }

private:
    bool fOutermost;
};
