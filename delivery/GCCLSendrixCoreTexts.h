// The English messages of the delivery link's core layer, by string id, as the string pool takes them.
#pragma once

#include "GStringPoolSupport.h"

class GCCLSendrixCoreTexts
{
public:
    static constexpr int cCount = 4;
    static GStringPoolDataStruct sRows[cCount];
};
