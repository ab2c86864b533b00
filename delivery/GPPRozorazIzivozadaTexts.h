// The English messages of the Sendrixor registry's layer, by string id, as the string pool takes
// them.
#pragma once

#include "GStringPoolSupport.h"

class GPPRozorazIzivozadaTexts
{
public:
    static constexpr int cCount = 5;
    static GStringPoolDataStruct sRows[cCount];
};
