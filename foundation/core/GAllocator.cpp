// The process-wide memory manager and the process's new-handler.
#include "GAllocator.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#include "GEmptyMessage.h"
#include "GFixedSizeAllocator.h"
#include "GMemoryException.h"
#include "GMutexLocker.h"
#include "GSignal.h"

#if defined(__SANITIZE_ADDRESS__)
#define SENDRIX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SENDRIX_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef SENDRIX_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif

namespace
{
constexpr int cLowMemorySignal = 102;
constexpr int cIdleReleaseCount = 1000;

#ifdef SENDRIX_EXACT_ALLOCATION
constexpr bool cExactBlocks = true;
#else
constexpr bool cExactBlocks = false;
#endif

// A thread's cache whose thread is ending serves no allocator any more.
constexpr unsigned long cRetiredSerial = ~0UL;
std::atomic<unsigned long> sSerials{0};

// An exact block is preceded by a header that holds the size asked for. The header keeps the
// block at the heap's alignment and is poisoned under AddressSanitizer, so that writing just
// before the block is reported as well as writing just after it.
constexpr std::size_t cExactHeader = 16;

void* AllocExact(std::size_t size)
{
    std::size_t const usable = size == 0 ? 8 : size;
    if (usable > SIZE_MAX - cExactHeader)
        throw GMemoryException();
    auto* header = new char[cExactHeader + usable];
    std::memcpy(header, &size, sizeof size);
#ifdef SENDRIX_ADDRESS_SANITIZER
    ASAN_POISON_MEMORY_REGION(header, cExactHeader);
#endif
    return header + cExactHeader;
}

void FreeExact(void* block, std::size_t size)
{
    char* header = static_cast<char*>(block) - cExactHeader;
#ifdef SENDRIX_ADDRESS_SANITIZER
    ASAN_UNPOISON_MEMORY_REGION(header, cExactHeader);
#endif
    std::size_t asked;
    std::memcpy(&asked, header, sizeof asked);
    if (asked != size)
    {
        // A wrong size would put the block into another size class of the pooled allocator and
        // hand it out again over its neighbours: stop here, where the caller is still known.
        std::fprintf(stderr, "GAllocator::Free: block %p of %zu bytes freed as %zu bytes\n", block, asked,
                     size);
#ifdef SENDRIX_ADDRESS_SANITIZER
        __sanitizer_print_stack_trace();
#endif
        std::abort();
    }
    delete[] header;
}
// A large block straight from the heap, which Resize can grow in place. As operator new does, a
// failed request calls the new-handler (which frees memory or throws) and tries again.
void* HeapBlock(void* block, std::size_t size)
{
    for (;;)
    {
        if (void* result = block ? std::realloc(block, size) : std::malloc(size))
            return result;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}
} // namespace

GAllocator* GAllocator::sInstance = nullptr;
void* GAllocator::sReservedBuffer = nullptr;
std::new_handler GAllocator::sOldNewHandler = nullptr;
int GAllocator::sNewHandlerBudget = 1;

struct GAllocator::ThreadCache
{
    struct Bin
    {
        FreeBlock* fHead;
        int fCount;
    };
    // The allocator the blocks belong to: 0 before the thread's first locked call, cRetiredSerial
    // once the thread is ending.
    unsigned long fSerial;
    // Frees kept here since the thread last counted them.
    unsigned fFrees;
    Bin fBins[cSmallLimit / 8 + 1];
};

// Its destructor runs at the end of each thread that bound a cache.
struct GAllocator::ThreadExit
{
    ~ThreadExit() { ReturnThreadCacheAtExit(); }
    bool fArmed = false;
};

// Trivial and zero at each thread's start, so that reaching it needs no guard.
thread_local GAllocator::ThreadCache GAllocator::sThreadCache{};
thread_local GAllocator::ThreadExit GAllocator::sThreadExit;

GAllocator::GAllocator()
    : fSizeClasses{}, fFreeLists{}, fMoreMemoryFree(false), fFreeCounter(0),
      fHandlesLowMemory(std::get_new_handler() != &GAllocator::NewHandler), fLargeBlocks{}, fLargeCachedBytes(0),
      fSerial(++sSerials)
{
    for (std::size_t size = 8; size <= cSmallLimit; size += 8)
        fSizeClasses[size / 8] = new GFixedSizeAllocator(size);
    if (fHandlesLowMemory)
    {
        sReservedBuffer = new char[cReserveSize];
        sOldNewHandler = std::set_new_handler(&GAllocator::NewHandler);
    }
}

GAllocator::~GAllocator()
{
    ReleaseFreeLists(-1);
    if (fHandlesLowMemory)
    {
        std::set_new_handler(sOldNewHandler);
        sOldNewHandler = nullptr;
        delete[] static_cast<char*>(sReservedBuffer);
        sReservedBuffer = nullptr;
    }
    for (GFixedSizeAllocator* sizeClass : fSizeClasses)
        delete sizeClass;
    if (sInstance == this)
        sInstance = nullptr;
}

GAllocator* GAllocator::CreateInstance()
{
    // Callers make the first allocation before a second thread does, but a lock here costs
    // nothing on the fast path and keeps two early threads from making two allocators.
    static std::mutex creation;
    std::lock_guard<std::mutex> lock(creation);
    if (!sInstance)
        sInstance = new GAllocator;
    return sInstance;
}

bool GAllocator::HandsOutExactBlocks()
{
    return cExactBlocks;
}

void* GAllocator::Alloc(std::size_t size)
{
    if (cExactBlocks)
        return AllocExact(size);
    std::size_t const rounded = RoundUp(size);
    if (rounded <= cSmallLimit)
    {
        ThreadCache& cache = sThreadCache;
        if (cache.fSerial == fSerial)
        {
            ThreadCache::Bin& bin = cache.fBins[rounded / 8];
            if (FreeBlock* block = bin.fHead)
            {
                bin.fHead = block->fNext;
                --bin.fCount;
                return block;
            }
        }
        return AllocSmall(rounded);
    }
    GMutexLocker lock(fMutex);
    if (rounded <= cMediumLimit)
    {
        FreeBlock*& list = fFreeLists[rounded / 8];
        if (FreeBlock* block = list)
        {
            list = block->fNext;
            return block;
        }
        return new char[rounded];
    }
    return AllocLargeLocked(size);
}

void* GAllocator::AllocSmall(std::size_t rounded)
{
    GMutexLocker lock(fMutex);
    GFixedSizeAllocator* sizeClass = fSizeClasses[rounded / 8];
    void* block = sizeClass->AllocBlock();
    ThreadCache* cache = BoundThreadCache();
    if (!cache)
        return block;
    CountFrees(std::exchange(cache->fFrees, 0u));
    // Blocks freed while the new-handler ran for the chunk may have filled the class meanwhile.
    ThreadCache::Bin& bin = cache->fBins[rounded / 8];
    if (!bin.fHead)
    {
        void* more[cThreadCacheRefill];
        int const taken = sizeClass->TakeBlocks(more, cThreadCacheRefill);
        // The first one taken is the first handed out, so that blocks go out in address order.
        for (int i = taken; i-- > 0;)
        {
            auto* kept = static_cast<FreeBlock*>(more[i]);
            kept->fNext = bin.fHead;
            bin.fHead = kept;
        }
        bin.fCount = taken;
    }
    return block;
}

std::size_t GAllocator::LargeSize(std::size_t size)
{
    // The step is an eighth of the highest power of two below size; a shift stays below the width.
    int shift = 0;
    while (shift + 4 < int(sizeof(std::size_t) * 8) && ((size - 1) >> (shift + 4)))
        ++shift;
    std::size_t const step = std::size_t(1) << shift;
    // Near the top of size_t the request is taken as it is: rounding would wrap.
    return size > SIZE_MAX - step ? size : (size + step - 1) & ~(step - 1);
}

void* GAllocator::AllocLargeLocked(std::size_t size)
{
    std::size_t const large = LargeSize(size);
    for (LargeBlock& cached : fLargeBlocks)
    {
        if (cached.fBlock && cached.fSize == large)
        {
            void* block = cached.fBlock;
            cached.fBlock = nullptr;
            fLargeCachedBytes -= large;
            return block;
        }
    }
    return HeapBlock(nullptr, large);
}

void GAllocator::FreeLargeLocked(void* block, std::size_t size)
{
    std::size_t const large = LargeSize(size);
    if (fLargeCachedBytes + large <= cLargeCacheBytes)
    {
        for (LargeBlock& cached : fLargeBlocks)
        {
            if (!cached.fBlock)
            {
                cached = {block, large};
                fLargeCachedBytes += large;
                return;
            }
        }
    }
    std::free(block);
}

void* GAllocator::Resize(void* block, std::size_t size, std::size_t newSize)
{
    if (!block)
        return Alloc(newSize);
    if (!cExactBlocks && RoundUp(size) > cMediumLimit && RoundUp(newSize) > cMediumLimit)
        return HeapBlock(block, LargeSize(newSize));
    void* result = Alloc(newSize);
    std::memcpy(result, block, size < newSize ? size : newSize);
    Free(block, size);
    return result;
}

void GAllocator::Free(void* block, std::size_t size)
{
    if (!block)
        return;
    std::size_t const rounded = RoundUp(size);
    if (!cExactBlocks && rounded <= cSmallLimit)
    {
        ThreadCache& cache = sThreadCache;
        if (cache.fSerial == fSerial)
        {
            ThreadCache::Bin& bin = cache.fBins[rounded / 8];
            if (bin.fCount < cThreadCacheBlocks)
            {
                auto* freed = static_cast<FreeBlock*>(block);
                freed->fNext = bin.fHead;
                bin.fHead = freed;
                ++bin.fCount;
                ++cache.fFrees;
                return;
            }
        }
        FreeSmall(block, rounded);
        return;
    }
    GMutexLocker lock(fMutex);
    // Exact blocks count toward the release too, which then finds nothing cached.
    if (cExactBlocks)
        FreeExact(block, size);
    else if (rounded <= cMediumLimit)
        PushMedium(block, rounded);
    else
        FreeLargeLocked(block, size);
    CountFrees(1 + TakeKeptFrees());
}

void GAllocator::FreeSmall(void* block, std::size_t rounded)
{
    GMutexLocker lock(fMutex);
    GFixedSizeAllocator* sizeClass = fSizeClasses[rounded / 8];
    ThreadCache* cache = BoundThreadCache();
    if (!cache)
    {
        sizeClass->FreeBlock(block);
        CountFrees(1);
        return;
    }
    ThreadCache::Bin& bin = cache->fBins[rounded / 8];
    if (bin.fCount >= cThreadCacheBlocks)
    {
        // The class's older half goes back to its chunks; the newer half, still warm, stays.
        FreeBlock* last = bin.fHead;
        for (int i = 1; i < cThreadCacheBlocks / 2; ++i)
            last = last->fNext;
        FreeBlock* older = last->fNext;
        last->fNext = nullptr;
        bin.fCount = cThreadCacheBlocks / 2;
        while (older)
        {
            FreeBlock* next = older->fNext;
            sizeClass->FreeBlock(older);
            older = next;
        }
    }
    auto* freed = static_cast<FreeBlock*>(block);
    freed->fNext = bin.fHead;
    bin.fHead = freed;
    ++bin.fCount;
    CountFrees(std::exchange(cache->fFrees, 0u) + 1);
}

unsigned GAllocator::TakeKeptFrees()
{
    ThreadCache& cache = sThreadCache;
    return cache.fSerial == fSerial ? std::exchange(cache.fFrees, 0u) : 0u;
}

void GAllocator::CountFrees(unsigned frees)
{
    if (frees == 0)
        return;
    // Frees counted together release as the one among them would that found the counter at the
    // period.
    long long const last = static_cast<long long>(fFreeCounter) + frees - 1;
    if (last >= cFreesBetweenReleases)
    {
        fFreeCounter = 0;
        ReleaseFreeListsLocked(-1);
    }
    else
        fFreeCounter = static_cast<int>(last + 1);
}

GAllocator::ThreadCache* GAllocator::BoundThreadCache()
{
    ThreadCache& cache = sThreadCache;
    if (cache.fSerial == fSerial)
        return &cache;
    if (this != sInstance || cache.fSerial == cRetiredSerial)
        return nullptr;
    // Blocks still kept for a process allocator that is gone stay in its chunks, which outlive it
    // as its live blocks do.
    cache = ThreadCache{};
    cache.fSerial = fSerial;
    sThreadExit.fArmed = true; // gives the blocks back when the thread ends
    return &cache;
}

void GAllocator::ReturnThreadCacheLocked()
{
    ThreadCache& cache = sThreadCache;
    if (cache.fSerial != fSerial)
        return;
    for (std::size_t size = 8; size <= cSmallLimit; size += 8)
    {
        ThreadCache::Bin& bin = cache.fBins[size / 8];
        while (FreeBlock* block = bin.fHead)
        {
            bin.fHead = block->fNext;
            fSizeClasses[size / 8]->FreeBlock(block);
        }
        bin.fCount = 0;
    }
}

void GAllocator::ReturnThreadCacheAtExit()
{
    GAllocator* instance = sInstance;
    if (instance && sThreadCache.fSerial == instance->fSerial)
    {
        GMutexLocker lock(instance->fMutex);
        instance->ReturnThreadCacheLocked();
        instance->CountFrees(std::exchange(sThreadCache.fFrees, 0u));
    }
    // Frees from later thread-local destructors take the mutex.
    sThreadCache.fSerial = cRetiredSerial;
}

void GAllocator::PushMedium(void* block, std::size_t rounded)
{
    auto* freed = static_cast<FreeBlock*>(block);
    freed->fNext = fFreeLists[rounded / 8];
    fFreeLists[rounded / 8] = freed;
}

long GAllocator::ReleaseFreeLists(int count)
{
    GMutexLocker lock(fMutex);
    return ReleaseFreeListsLocked(count);
}

long GAllocator::ReleaseFreeListsLocked(int count)
{
    ReturnThreadCacheLocked();
    bool const all = count < 1;
    long released = 0;
    for (LargeBlock& cached : fLargeBlocks)
    {
        if (cached.fBlock)
        {
            std::free(cached.fBlock);
            released += static_cast<long>(cached.fSize);
            cached.fBlock = nullptr;
        }
    }
    fLargeCachedBytes = 0;
    for (std::size_t size = cMediumLimit; size > cSmallLimit; size -= 8)
    {
        FreeBlock*& list = fFreeLists[size / 8];
        while (FreeBlock* block = list)
        {
            list = block->fNext;
            delete[] reinterpret_cast<char*>(block);
            released += static_cast<long>(size);
            if (!all && --count == 0)
                return released;
        }
    }
    for (std::size_t size = 8; size <= cSmallLimit; size += 8)
        released += fSizeClasses[size / 8]->ReleaseFreeChunks();
    return released;
}

void GAllocator::DoIdleTime()
{
    ReleaseFreeLists(cIdleReleaseCount);
}

void GAllocator::SetMoreMemoryFree(bool value)
{
    GMutexLocker lock(fMutex);
    fMoreMemoryFree = value;
}

bool GAllocator::GetMoreMemoryFree() const
{
    return fMoreMemoryFree;
}

int GAllocator::GetChunkCount(std::size_t size)
{
    std::size_t const rounded = RoundUp(size);
    if (rounded > cSmallLimit)
        return 0;
    GMutexLocker lock(fMutex);
    return fSizeClasses[rounded / 8]->GetChunkCount();
}

int GAllocator::GetThreadCachedBlockCount(std::size_t size) const
{
    std::size_t const rounded = RoundUp(size);
    if (rounded > cSmallLimit || sThreadCache.fSerial != fSerial)
        return 0;
    return sThreadCache.fBins[rounded / 8].fCount;
}

int GAllocator::GetCachedBlockCount(std::size_t size)
{
    std::size_t const rounded = RoundUp(size);
    if (rounded <= cSmallLimit)
        return 0;
    GMutexLocker lock(fMutex);
    int count = 0;
    if (rounded > cMediumLimit)
    {
        for (LargeBlock const& cached : fLargeBlocks)
            count += cached.fBlock && cached.fSize == LargeSize(size) ? 1 : 0;
        return count;
    }
    for (FreeBlock* block = fFreeLists[rounded / 8]; block; block = block->fNext)
        ++count;
    return count;
}

void GAllocator::NewHandler()
{
    // A thread that is building an exception's error context neither waits for memory nor sees a
    // GMemoryException: the exception goes without context instead.
    if (GException::sCapturingContext)
        throw GException::ContextOutOfMemory();
    // A failure while the handler runs (the new reserve below, say) lands here again.
    if (sNewHandlerBudget < 1)
        throw GMemoryException();
    --sNewHandlerBudget;
    struct GiveBudgetBack
    {
        ~GiveBudgetBack() { ++sNewHandlerBudget; }
    } giveBack;

    GAllocator* allocator = GetInstance();
    delete[] static_cast<char*>(sReservedBuffer);
    sReservedBuffer = nullptr;
    allocator->SetMoreMemoryFree(false);

    // Receivers free what they can and say so through SetMoreMemoryFree(true).
    GSignal<GEmptyMessage>::GetSignal(cLowMemorySignal)->Send(GEmptyMessage());
    allocator->ReleaseFreeLists(-1);

    bool helped = false;
    if (sOldNewHandler)
    {
        try
        {
            sOldNewHandler();
            helped = true;
        }
        catch (std::bad_alloc const&)
        {
            // The previous handler gave up; what our receivers freed decides below.
        }
    }
    if (!helped && !allocator->GetMoreMemoryFree())
        throw GMemoryException();

    sReservedBuffer = new char[cReserveSize];
}
