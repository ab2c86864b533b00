// The process-wide progress centre: long operations bracket their phases with Start and Stop, the
// centre turns the nesting into one fraction and shows it in its progressor, and it carries the
// user's request to cancel.
#pragma once

#include "GAutoPtr.h"

class GProgressor;

class GProgressCenter
{
public:
    GProgressCenter() = default;
    // Deletes the progressor when owned.
    virtual ~GProgressCenter();
    GProgressCenter(GProgressCenter const&) = delete;
    GProgressCenter& operator=(GProgressCenter const&) = delete;

    // A phase covering fraction of the enclosing one begins on the calling thread; throws
    // GAbortException when a cancel was requested.
    virtual void Start(double fraction) = 0;
    virtual void NotifyAbort() {}
    // The calling thread's innermost phase ends.
    virtual void Stop() = 0;
    // Deletes the current progressor when owned and takes the new one (or none). Passing the
    // progressor already held changes nothing.
    virtual void SetProgressor(GProgressor* progressor);
    // The progressor's value back to none.
    virtual void Reset();
    virtual void ThrowIfAborted() = 0;
    // The calling thread's overall completed fraction, 0 to 1.
    virtual double GetTotalProgress() = 0;

    // Whether the centre deletes its progressor (by default it does).
    void SetTakeProgressorOwnerShip(bool owns) { fOwnsProgressor = owns; }
    GProgressor* GetCurrentProgressor() const { return fProgressor; }

    // Installs the centre (or none) and hands the one before back, owned, so that letting go of
    // the result deletes it.
    static GAutoPtr<GProgressCenter> SetInstance(GProgressCenter* center);
    // The installed centre, or null.
    static GProgressCenter* GetInstance() { return sInstance; }

protected:
    GProgressor* fProgressor = nullptr;
    bool fOwnsProgressor = true;

private:
    static GProgressCenter* sInstance;
};
