// Holds a shared-memory block's mutex for a scope; scopes nest, only the outermost takes and frees
// the mutex.
#pragma once

#include "GSharedMemoryBase.h"
#include "PUNIXSharedMemory.h"

class GSharedMemoryLocker
{
public:
    explicit GSharedMemoryLocker(GSharedMemoryBase<PUNIXSharedMemory>& block) : fBlock(block)
    {
        fBlock.Lock();
    }
    ~GSharedMemoryLocker() { fBlock.Unlock(); }
    GSharedMemoryLocker(GSharedMemoryLocker const&) = delete;
    GSharedMemoryLocker& operator=(GSharedMemoryLocker const&) = delete;

private:
    GSharedMemoryBase<PUNIXSharedMemory>& fBlock;
};
