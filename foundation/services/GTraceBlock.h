// A traced scope: one nesting level deeper while it lives, and a line "Ending:" and its message
// when it ends.
#pragma once

#include "GBuffer.h"
#include "GTrace.h"

class GTraceBlock
{
public:
    // Raises the depth by one; writes no line.
    GTraceBlock(GBuffer const& category, GBuffer const& message, GCodeLocation const& location);
    ~GTraceBlock();
    GTraceBlock(GTraceBlock const&) = delete;
    GTraceBlock& operator=(GTraceBlock const&) = delete;

private:
    GBuffer fCategory;
    GBuffer fMessage;
    GCodeLocation fLocation;
};
