// What a thread is working on, as pushed by a GExceptionLocation: an exception made meanwhile puts
// the description of the innermost one in front of its message.
#pragma once

#include "GFastAllocatable.h"
#include "GLngString.h"

class GExceptionContext : public GFastAllocatable
{
public:
    GExceptionContext() = default;
    GExceptionContext(GExceptionContext const&) = delete;
    GExceptionContext& operator=(GExceptionContext const&) = delete;
    virtual ~GExceptionContext() = default;

    virtual GLngString GetLngDescription() const = 0;
};
