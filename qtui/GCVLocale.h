// Which of the shipped user-interface languages the current user prefers.
#pragma once

#include "GBuffer.h"
#include "GString.h"
#include "GTable.h"

class GCVLocale
{
public:
    GCVLocale() = delete;

    // Appends the shipped codes, in their order, after what the table holds.
    static void GetSupportedLangCodes(GTable<GBuffer>& codes);
    // The first shipped code that one of the user's preferred languages matches, in the user's
    // order; "enUS" when none does.
    static GString GetCurrentLanguage();
};
