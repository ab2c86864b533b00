// One GTable per thread, found by the calling thread's id; the error-context stack rests on it.
// Emptied tables given back are pooled for the next thread that needs one.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "GDict.h"
#include "GMutexLocker.h"
#include "GTable.h"
#include "PUNIXMutexImp.h"
#include "PUNIXThreadImp.h"

template<class T>
class GThreadLocalTable
{
public:
    static constexpr int cPoolSize = 5;

    GThreadLocalTable() : fTables(5), fSerial(NewSerial())
    {
        // Room for the whole pool now, so that giving a table back never allocates.
        fPool.ExpandTo(cPoolSize);
    }
    ~GThreadLocalTable()
    {
        fPool.DeleteAllItems();
        fTables.DeleteAll();
    }
    GThreadLocalTable(GThreadLocalTable const&) = delete;
    GThreadLocalTable& operator=(GThreadLocalTable const&) = delete;

    // The calling thread's table, taken from the pool (or made) when the thread has none yet.
    GTable<T>* Instance()
    {
        if (GTable<T>* found = std::as_const(*this).Instance())
            return found;
        // Only the thread itself enters a table for its id, so none came in since the lookup.
        long const thread = PUNIXThreadImp::GetCurrentThreadId();
        GMutexLocker lock(fMutex);
        GTable<T>* table;
        bool const pooled = fPool.GetCount() > 0;
        if (pooled)
        {
            table = fPool[fPool.GetCount() - 1];
            fPool.RemoveLastItem();
        }
        else
            table = new GTable<T>;
        try
        {
            fTables.Put(thread, table);
        }
        catch (...) // no memory for the map entry: the table goes back where it came from
        {
            if (pooled)
                fPool.AddItem(table); // within the capacity reserved above
            else
                delete table;
            throw;
        }
        return Remember(table);
    }
    // The calling thread's table, or null when it has none; never makes one.
    GTable<T>* Instance() const
    {
        Cache& cache = ThreadCache();
        if (cache.fOwner == fSerial)
            return cache.fTable;
        long const thread = PUNIXThreadImp::GetCurrentThreadId();
        GMutexLocker lock(fMutex);
        GTable<T>* const* found = fTables.Find(thread);
        return found ? Remember(*found) : nullptr;
    }

    void AddItem(T const& item) { Instance()->AddItem(item); }

    // Takes the calling thread's emptied table back: pooled while the pool has room, else deleted.
    // A table that is not the calling thread's own, or not empty, is left where it is: pooling it
    // would hand another thread a table still in use or still holding items.
    void RecoverEmptyTable(GTable<T>& table)
    {
        long const thread = PUNIXThreadImp::GetCurrentThreadId();
        GMutexLocker lock(fMutex);
        GTable<T>* const* found = fTables.Find(thread);
        if (!found || *found != &table || table.GetCount() != 0)
            return;
        fTables.Remove(thread);
        ThreadCache().fOwner = 0;
        if (fPool.GetCount() < cPoolSize)
            fPool.AddItem(&table);
        else
            delete &table;
    }

    // For tests and diagnostics: threads with a table, and tables waiting in the pool.
    int GetThreadCount() const
    {
        GMutexLocker lock(fMutex);
        return fTables.GetCount();
    }
    int GetPoolCount() const
    {
        GMutexLocker lock(fMutex);
        return fPool.GetCount();
    }

private:
    // The table the calling thread found last, and the serial of the GThreadLocalTable it belongs
    // to. A thread's map entry changes only through its own calls (Instance, RecoverEmptyTable), so
    // the entry found once stays valid without the mutex; serials are never reused, so a table
    // destroyed and another made at its address never match a stale entry.
    struct Cache
    {
        std::uint64_t fOwner;
        GTable<T>* fTable;
    };
    static Cache& ThreadCache()
    {
        static thread_local Cache cache{0, nullptr};
        return cache;
    }
    static std::uint64_t NewSerial()
    {
        static std::atomic<std::uint64_t> next{1};
        return next.fetch_add(1, std::memory_order_relaxed);
    }
    GTable<T>* Remember(GTable<T>* table) const
    {
        Cache& cache = ThreadCache();
        cache.fOwner = fSerial;
        cache.fTable = table;
        return table;
    }

    mutable PUNIXMutexImp fMutex;
    // Keyed by the whole thread id: two threads whose ids share their low 32 bits keep apart.
    GDict<long, GTable<T>*> fTables;
    GTable<GTable<T>*> fPool;
    std::uint64_t const fSerial;
};
