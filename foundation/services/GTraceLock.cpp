// The scope that holds tracing off.
#include "GTraceLock.h"

#include "GTrace.h"

GTraceLock::GTraceLock() : fOutermost(GTrace::GetInstance()->Enter()) {}

GTraceLock::~GTraceLock()
{
    GTrace::GetInstance()->Leave();
}
