// The root of every error the foundation throws.
#include "GException.h"

namespace
{
constexpr int cGeneralExceptionID = 2450;
}

GException::GException() : fID(cGeneralExceptionID) {}

GException::GException(int id) : fID(id) {}

GException::~GException() = default;

int GException::GetExceptionID() const
{
    return fID;
}
