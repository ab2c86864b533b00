// One truth value that observers attach to; whoever sets it decides when to notify them.
#pragma once

#include "GSubjectT.h"

class GSimpleBoolState : public GSubjectT<>
{
public:
    explicit GSimpleBoolState(bool value = false) : fValue(value) {}

    bool Get() const { return fValue; }
    void Set(bool value) { fValue = value; }

private:
    bool fValue;
};
