// A recursive lock for critical sections of a few instructions, such as the allocator's: taking it
// uncontended is one exchange and giving it back one store, both inline, where a POSIX mutex costs
// two calls. A thread that finds it taken spins a little, then yields until it is free.
// The thread that holds it may take it again (the allocator's new-handler frees memory while an
// allocation holds the lock); each Lock needs its Unlock.
#pragma once

#include <atomic>
#include <thread>

class GRecursiveSpinLock
{
public:
    GRecursiveSpinLock() : fTaken(false), fOwner(), fDepth(0) {}
    GRecursiveSpinLock(GRecursiveSpinLock const&) = delete;
    GRecursiveSpinLock& operator=(GRecursiveSpinLock const&) = delete;

    void Lock()
    {
        std::thread::id const self = std::this_thread::get_id();
        // Only this thread ever stores its own id, so a relaxed load sees it exactly when it holds
        // the lock.
        if (fOwner.load(std::memory_order_relaxed) == self)
        {
            ++fDepth;
            return;
        }
        if (fTaken.exchange(true, std::memory_order_acquire))
            WaitAndTake();
        fOwner.store(self, std::memory_order_relaxed);
        fDepth = 1;
    }

    void Unlock()
    {
        if (--fDepth > 0)
            return;
        fOwner.store(std::thread::id(), std::memory_order_relaxed);
        fTaken.store(false, std::memory_order_release);
    }

    // The scope lock.
    class Locker
    {
    public:
        explicit Locker(GRecursiveSpinLock& lock) : fLock(lock) { fLock.Lock(); }
        ~Locker() { fLock.Unlock(); }
        Locker(Locker const&) = delete;
        Locker& operator=(Locker const&) = delete;

    private:
        GRecursiveSpinLock& fLock;
    };

private:
    void WaitAndTake()
    {
        for (int tries = 0;; ++tries)
        {
            // Reading first keeps the waiting threads from pulling the line back and forth.
            if (!fTaken.load(std::memory_order_relaxed) && !fTaken.exchange(true, std::memory_order_acquire))
                return;
            if (tries >= cSpins)
                std::this_thread::yield();
        }
    }

    static constexpr int cSpins = 64;

    std::atomic<bool> fTaken;
    std::atomic<std::thread::id> fOwner;
    int fDepth;
};
