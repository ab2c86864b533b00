// The user-interface languages the product ships, as four-letter codes (language and region, no
// separator) in the form the string pools use.
#pragma once

class GCVLanguageCodes
{
public:
    GCVLanguageCodes() = delete;

    static constexpr int cSupportedLanguageCount = 9;
    // In the order a preferred language is matched against them. Japanese is "jaJA".
    static char const* const sSupportedLanguage[cSupportedLanguageCount];
};
