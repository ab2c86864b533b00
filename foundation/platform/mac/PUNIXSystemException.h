// A failed POSIX call: message 40074 described by the system's own text for the error number.
#pragma once

#include "GCustomException.h"

class PUNIXSystemException : public GCustomException
{
public:
    static constexpr int cID = 40074;

    explicit PUNIXSystemException(int errorNumber);

    int GetSystemErrorCode() const { return fErrorCode; }

private:
    int fErrorCode;
};
