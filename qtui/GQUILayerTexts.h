// The toolkit's English texts, by string id, as the string pool takes them.
#pragma once

#include "GStringPoolSupport.h"

class GQUILayerTexts
{
public:
    static constexpr int cCount = 87;
    static GStringPoolDataStruct sRows[cCount];
};
