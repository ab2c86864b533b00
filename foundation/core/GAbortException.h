// The user cancelled the action; callers unwind quietly instead of reporting an error.
#pragma once

#include "GException.h"

class GAbortException : public GException
{
public:
    static constexpr int cID = 2459;

    GAbortException() : GException(cID) {}
};
