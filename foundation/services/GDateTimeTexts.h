// The English month names and the date and time patterns, by string id, as the string pool takes them.
#pragma once

#include "GStringPoolSupport.h"

class GDateTimeTexts
{
public:
    static constexpr int cCount = 14;
    // 2401 to 2412 name the months; 2413 is the date pattern (%1 day, %2 month's name, %3 year) and
    // 2414 the time pattern (%1 seconds, %2 minutes, %3 hours).
    static GStringPoolDataStruct sRows[cCount];
};
