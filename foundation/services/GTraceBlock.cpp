// The traced scope.
#include "GTraceBlock.h"

GTraceBlock::GTraceBlock(GBuffer const& category, GBuffer const& message, GCodeLocation const& location)
    : fCategory(category), fMessage(message), fLocation(location)
{
    if (GTrace* trace = GTrace::GetInstance())
        trace->IncreaseDepth();
}

GTraceBlock::~GTraceBlock()
{
    GTrace* trace = GTrace::GetInstance();
    if (!trace)
        return;
    trace->DecreaseDepth();
    try
    {
        trace->Trace(fCategory, fLocation, GBuffer("Ending:") + fMessage);
    }
    catch (...) // a log that cannot be written must not end the scope with an error; a destructor
                // must not throw, whatever the writing ran into
    {
    }
}
