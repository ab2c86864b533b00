// An error that is fully described by its message id.
#pragma once

#include "GException.h"

class GSimpleException : public GException
{
public:
    explicit GSimpleException(int id) : GException(id) {}
};
