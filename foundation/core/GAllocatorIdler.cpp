// Gives the allocator's cached memory back to the heap at idle time.
#include "GAllocatorIdler.h"

#include "GAllocator.h"

GAllocatorIdler* GAllocatorIdler::sIdler = nullptr;

GAllocatorIdler::GAllocatorIdler()
{
    Subscribe(cIdleSignal);
}

void GAllocatorIdler::Receive(int, GEmptyMessage const&)
{
    GAllocator::GetInstance()->DoIdleTime();
}

void GAllocatorIdler::SetInstance(GAllocatorIdler* idler)
{
    if (idler == sIdler)
        return;
    delete sIdler;
    sIdler = idler;
}
