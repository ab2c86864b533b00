// Base of shared objects (the encodings among them) whose count is changed by single atomic steps.
#pragma once

#include <atomic>

class GThreadSafeRefCount
{
public:
    GThreadSafeRefCount() : fRefCount(0) {}
    virtual ~GThreadSafeRefCount() = default;
    GThreadSafeRefCount(GThreadSafeRefCount const&) = delete;
    GThreadSafeRefCount& operator=(GThreadSafeRefCount const&) = delete;

    void Acquire() const { fRefCount.fetch_add(1, std::memory_order_relaxed); }
    // The release that brings the count to 0 deletes the object.
    void Release() const
    {
        if (fRefCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }
    int GetRefCount() const { return fRefCount.load(std::memory_order_relaxed); }

private:
    mutable std::atomic<int> fRefCount;
};
