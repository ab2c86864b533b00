// The user's interface language among the shipped ones.
#include "GCVLocale.h"

#include "GCVLanguageCodes.h"
#include "PSystem.h"

void GCVLocale::GetSupportedLangCodes(GTable<GBuffer>& codes)
{
    for (char const* code : GCVLanguageCodes::sSupportedLanguage)
        codes.AddItem(GBuffer(code));
}

GString GCVLocale::GetCurrentLanguage()
{
    GTable<GBuffer> codes;
    GetSupportedLangCodes(codes);
    GBuffer chosen;
    PSystem::GetPreferredLanguage(codes, chosen);
    return GString(reinterpret_cast<char const*>(chosen.GetPtr()));
}
