// The process-wide memory manager and the process's new-handler.
#include "GAllocator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

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

GAllocator::GAllocator()
    : fSizeClasses{}, fFreeLists{}, fMoreMemoryFree(false), fFreeCounter(0),
      fHandlesLowMemory(std::get_new_handler() != &GAllocator::NewHandler), fLargeBlocks{}, fLargeCachedBytes(0)
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
    GMutexLocker lock(fMutex);
    if (rounded <= cSmallLimit)
        return fSizeClasses[rounded / 8]->AllocBlock();
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
    GMutexLocker lock(fMutex);
    // Exact blocks count toward the release too, which then finds nothing cached.
    if (cExactBlocks)
        FreeExact(block, size);
    else if (rounded <= cSmallLimit)
        fSizeClasses[rounded / 8]->FreeBlock(block);
    else if (rounded <= cMediumLimit)
        PushMedium(block, rounded);
    else
        FreeLargeLocked(block, size);

    if (fFreeCounter++ >= cFreesBetweenReleases)
    {
        fFreeCounter = 0;
        ReleaseFreeListsLocked(-1);
    }
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
