// The English texts of every foundation error message, by message id, as the string pool takes them.
#pragma once

#include "GStringPoolSupport.h"

class GExceptionMessages
{
public:
    static constexpr int cCount = 148;
    // In ascending id order.
    static GStringPoolDataStruct sRows[cCount];
};
