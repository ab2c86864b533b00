// The process-wide memory manager and the process's new-handler.
#include "GAllocator.h"

#include <mutex>

#include "GEmptyMessage.h"
#include "GFixedSizeAllocator.h"
#include "GMemoryException.h"
#include "GMutexLocker.h"
#include "GSignal.h"

namespace
{
constexpr int cLowMemorySignal = 102;
constexpr int cIdleReleaseCount = 1000;
} // namespace

GAllocator* GAllocator::sInstance = nullptr;
void* GAllocator::sReservedBuffer = nullptr;
std::new_handler GAllocator::sOldNewHandler = nullptr;
int GAllocator::sNewHandlerBudget = 1;

GAllocator::GAllocator()
    : fSizeClasses{}, fFreeLists{}, fMoreMemoryFree(false), fFreeCounter(0),
      fHandlesLowMemory(std::get_new_handler() != &GAllocator::NewHandler)
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

void* GAllocator::Alloc(std::size_t size)
{
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
    return new char[size];
}

void GAllocator::Free(void* block, std::size_t size)
{
    if (!block)
        return;
    std::size_t const rounded = RoundUp(size);
    GMutexLocker lock(fMutex);
    if (rounded <= cSmallLimit)
        fSizeClasses[rounded / 8]->FreeBlock(block);
    else if (rounded <= cMediumLimit)
        PushMedium(block, rounded);
    else
        delete[] static_cast<char*>(block);

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
    if (rounded <= cSmallLimit || rounded > cMediumLimit)
        return 0;
    GMutexLocker lock(fMutex);
    int count = 0;
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
