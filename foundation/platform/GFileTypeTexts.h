// The English descriptors of the built-in file kinds and the names of the sniffed content kinds, by
// string id, as the string pool takes them.
#pragma once

#include "GStringPoolSupport.h"

class GFileTypeTexts
{
public:
    static constexpr int cCount = 65;
    // 7000 to 7039 and 7228 to 7239 name file kinds; 7200 to 7223 name the content kinds of
    // GTypeEnums, in the order of their values.
    static GStringPoolDataStruct sRows[cCount];
};
