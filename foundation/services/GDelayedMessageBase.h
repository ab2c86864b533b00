// One delivery to a signal's delayed receivers, queued until the next delivery pass.
#pragma once

#include "GFastAllocatable.h"

class GDelayedMessageBase : public GFastAllocatable
{
public:
    GDelayedMessageBase() = default;
    virtual ~GDelayedMessageBase() = default;
    GDelayedMessageBase(GDelayedMessageBase const&) = delete;
    GDelayedMessageBase& operator=(GDelayedMessageBase const&) = delete;

    virtual void Send() = 0;
};
