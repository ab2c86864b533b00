// The MacExpert encoding's tables and singleton.
#include "GMacExpertEncoding.h"

GBuffer const GMacExpertEncoding::sMacExpertDescription = GBuffer::FromStatic("MacExpertEncoding");

GSharedObject<GMacExpertEncoding> GMacExpertEncoding::sMacExpertEncoding;

// Needs the Unicode singleton and its tables (GUnicodeEncoding::Initialize) to name its characters;
// without them the codes keep their names only.
GMacExpertEncoding::GMacExpertEncoding() : GSimpleEncoding(sMacExpertDescription)
{
    AddMacExpertGlyphNames();
}

GMacExpertEncoding::~GMacExpertEncoding() = default;

GMacExpertEncoding* GMacExpertEncoding::GetInstance()
{
    return sMacExpertEncoding.Get();
}

void GMacExpertEncoding::SetInstance(GMacExpertEncoding* p)
{
    sMacExpertEncoding = p;
}
