// Out of memory. It is also a std::bad_alloc, so code that catches the standard exception sees it.
#pragma once

#include <new>

#include "GException.h"

class GMemoryException : public GException, public std::bad_alloc
{
public:
    static constexpr int cID = 2451;

    GMemoryException() : GException(cID) {}
};
