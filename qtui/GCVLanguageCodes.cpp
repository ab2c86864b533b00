// The shipped user-interface languages.
#include "GCVLanguageCodes.h"

char const* const GCVLanguageCodes::sSupportedLanguage[cSupportedLanguageCount] = {
    "enUS", // English
    "deDE", // German
    "esES", // Spanish
    "frFR", // French
    "itIT", // Italian
    "nlNL", // Dutch
    "jaJA", // Japanese
    "plPL", // Polish
    "zhCN", // Chinese (simplified)
};
