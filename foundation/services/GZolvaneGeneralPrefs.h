// The names of the general preference group that the maker's programs share.
#pragma once

#include "GBuffer.h"

class GZolvaneGeneralPrefs
{
public:
    GZolvaneGeneralPrefs() = delete;

    // "General": among others the default measurement unit lives there.
    static GBuffer const cGroupIDGeneralPrefs;
    // "Language": the user-interface language; kept for the programs that share the group.
    static GBuffer const cPrefIDLanguage;
};
