// The foundation's progress centre: a stack of phases per thread, each holding its share of the
// enclosing phase and how much of itself is done.
#pragma once

#include <atomic>

#include "GPair.h"
#include "GProgressCenter.h"
#include "GThreadLocalTable.h"

class GDefaultProgressCenter : public GProgressCenter
{
public:
    GDefaultProgressCenter() = default;
    ~GDefaultProgressCenter() override = default;

    // Throws GAbortException, without pushing a phase, when a cancel was requested.
    void Start(double fraction) override;
    // Credits the innermost phase to the one around it and shows the new total in the progressor
    // (which never goes back). A Stop without a phase on this thread is ignored.
    void Stop() override;
    // 1 on a thread without phases.
    double GetTotalProgress() override;
    void NotifyAbort() override { fAbortRequested.store(true); }
    // Throws once per request: the request is cleared as it is thrown.
    void ThrowIfAborted() override;
    // The progressor's value back to none; the phases stay.
    void Reset() override { GProgressCenter::Reset(); }

private:
    // first: the phase's share of its parent; second: the completed share of the phase itself.
    using Phase = GPair<double, double>;

    GThreadLocalTable<Phase> fPhases;
    std::atomic<bool> fAbortRequested{false};
};
