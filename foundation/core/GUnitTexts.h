// The English names of the measurement units, by string id, as the string pool takes them.
#pragma once

#include "GStringPoolSupport.h"

class GUnitTexts
{
public:
    static constexpr int cCount = 24;
    // Unit code c is named by the plural 1300 + c, the singular 1400 + c and the symbol 1500 + c;
    // 1325, 1425 and 1525 name the resolution unit.
    static GStringPoolDataStruct sRows[cCount];
};
