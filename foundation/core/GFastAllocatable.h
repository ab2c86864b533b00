// Base of small objects that take their memory from the allocator's size classes.
#pragma once

#include <cstddef>

#include "GAllocator.h"

class GFastAllocatable
{
public:
    static void* operator new(std::size_t size) { return GAllocator::GetInstance()->Alloc(size); }
    static void operator delete(void* block, std::size_t size)
    {
        GAllocator::GetInstance()->Free(block, size);
    }
};
