// Gives the allocator's cached memory back to the heap at idle time.
#pragma once

#include "GEmptyMessage.h"
#include "GReceiver.h"

class GAllocatorIdler : public GReceiver<GEmptyMessage>
{
public:
    static constexpr int cIdleSignal = 100;

    GAllocatorIdler();

    void Receive(int signal, GEmptyMessage const& message) override;

    // Deletes the idler installed before; null uninstalls.
    static void SetInstance(GAllocatorIdler* idler);
    static GAllocatorIdler* GetInstance() { return sIdler; }

private:
    static GAllocatorIdler* sIdler;
};
