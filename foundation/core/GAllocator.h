// The process-wide memory manager behind every buffer, string, table and dictionary: small
// requests come from size classes carved out of 1 MiB chunks, medium ones are recycled on
// per-size free lists, large ones go to the heap in sizes of eight steps per power of two, and a
// few freed ones wait for the next request of their size. It also installs the process's
// new-handler.
// Each thread keeps a few freed small blocks of the process's allocator per size class and takes
// them again without the mutex, so that a string or buffer made and dropped among others costs no
// lock: a class's blocks beyond cThreadCacheBlocks go back to their chunks half at a time, an
// empty class is filled from its chunk cThreadCacheRefill at a time, and all go back when the
// thread ends or calls ReleaseFreeLists. Frees kept there count toward the periodic release at
// the thread's next locked call. Private allocators (tests') always take the mutex.
// Built with SENDRIX_EXACT_ALLOCATION (the sanitizer and fuzz builds) it pools nothing: every
// request gets a heap block of exactly its size, so that AddressSanitizer sees a byte written past
// the size asked for, and Free checks the size it is given.
#pragma once

#include <cstddef>
#include <new>

#include "PUNIXMutexImp.h"

class GFixedSizeAllocator;

class GAllocator
{
public:
    static constexpr std::size_t cChunkSize = 1048576;
    static constexpr std::size_t cReserveSize = 10485760;
    static constexpr std::size_t cSmallLimit = 128;
    static constexpr std::size_t cMediumLimit = 2048;
    static constexpr int cFreesBetweenReleases = 10000000;
    // The most large blocks kept for reuse, and the most bytes they may hold together.
    static constexpr int cLargeCacheBlocks = 16;
    static constexpr std::size_t cLargeCacheBytes = 8 * cChunkSize;
    // The most freed small blocks a thread keeps per size class, and how many it takes at once
    // from the chunk when it has none.
    static constexpr int cThreadCacheBlocks = 32;
    static constexpr int cThreadCacheRefill = 16;

    GAllocator();
    ~GAllocator();
    GAllocator(GAllocator const&) = delete;
    GAllocator& operator=(GAllocator const&) = delete;

    // The singleton, made by its first user.
    static GAllocator* GetInstance()
    {
        GAllocator* instance = sInstance;
        return instance ? instance : CreateInstance();
    }

    // Never returns null. A request of 0 bytes is served as one of 8.
    void* Alloc(std::size_t size);
    // size must be the one given to Alloc; a null pointer does nothing. A build that hands out
    // exact blocks ends the process with a report when it is not.
    void Free(void* block, std::size_t size);
    // A block of newSize bytes that begins with the first min(size, newSize) bytes of block, which
    // is given up (size as given to Alloc; a null block is a plain Alloc). A large block grows in
    // place where the heap can, without a copy, so that a buffer growing by appends does not copy
    // and touch all of its pages again at every step.
    void* Resize(void* block, std::size_t size, std::size_t newSize);
    // Whether this build hands every request its own exact heap block instead of pooling; the
    // chunk and cache counts below are then always 0.
    static bool HandsOutExactBlocks();
    // Gives cached memory back to the heap: every large block, up to count medium blocks, largest
    // sizes first, then, when those ran out first, every empty chunk. -1 (or anything below 1)
    // releases all. The calling thread's kept small blocks go back to their chunks first; other
    // threads keep theirs.
    long ReleaseFreeLists(int count);
    void DoIdleTime();

    void SetMoreMemoryFree(bool value);
    bool GetMoreMemoryFree() const;

    static void NewHandler();

    // For tests and diagnostics: the chunks a size class holds, the medium or large blocks cached
    // for a size, the small blocks of a size the calling thread keeps, and the free counter.
    int GetChunkCount(std::size_t size);
    int GetCachedBlockCount(std::size_t size);
    int GetThreadCachedBlockCount(std::size_t size) const;
    int GetFreeCounter() const { return fFreeCounter; }
    void SetFreeCounter(int value) { fFreeCounter = value; }
    static void* GetReservedBuffer() { return sReservedBuffer; }

private:
    struct FreeBlock
    {
        FreeBlock* fNext;
    };
    // A freed large block and its size class; a null block marks a free place.
    struct LargeBlock
    {
        void* fBlock;
        std::size_t fSize;
    };

    // Requests above the medium limit go to the heap as asked. Rounding them would wrap a size
    // near the top of size_t round to a small class.
    static constexpr std::size_t RoundUp(std::size_t size)
    {
        return size > cMediumLimit ? size : size == 0 ? 8 : (size + 7) & ~std::size_t(7);
    }
    // The heap block size of a large request: rounded up to the next of eight steps per power of
    // two (at most an eighth more), so that blocks of about one size serve each other.
    static std::size_t LargeSize(std::size_t size);
    // A thread's kept small blocks (defined with the allocator) and what gives them back when the
    // thread ends.
    struct ThreadCache;
    struct ThreadExit;

    static GAllocator* CreateInstance();
    void* AllocSmall(std::size_t rounded);
    void FreeSmall(void* block, std::size_t rounded);
    // Under the mutex: the calling thread's cache when it serves this allocator, bound to it on
    // first use when this is the process's allocator; null otherwise.
    ThreadCache* BoundThreadCache();
    void ReturnThreadCacheLocked();
    static void ReturnThreadCacheAtExit();
    // The frees the calling thread kept since it last counted them (under the mutex).
    unsigned TakeKeptFrees();
    void CountFrees(unsigned frees);
    void* AllocLargeLocked(std::size_t size);
    void FreeLargeLocked(void* block, std::size_t size);
    void PushMedium(void* block, std::size_t rounded);
    long ReleaseFreeListsLocked(int count);

    PUNIXMutexImp fMutex;
    GFixedSizeAllocator* fSizeClasses[cSmallLimit / 8 + 1];
    FreeBlock* fFreeLists[cMediumLimit / 8 + 1];
    bool fMoreMemoryFree;
    int fFreeCounter;
    // The first allocator of the process keeps the reserve and the new-handler; one made beside
    // it (a test's private allocator) leaves them alone.
    bool fHandlesLowMemory;
    LargeBlock fLargeBlocks[cLargeCacheBlocks];
    std::size_t fLargeCachedBytes;
    // Tells a thread's cache which allocator its blocks belong to; never 0 and never reused.
    unsigned long fSerial;

    static GAllocator* sInstance;
    static void* sReservedBuffer;
    static std::new_handler sOldNewHandler;
    static int sNewHandlerBudget;
    static thread_local ThreadCache sThreadCache;
    static thread_local ThreadExit sThreadExit;
};
