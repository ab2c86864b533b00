// The Standard encoding's tables and singleton.
#include "GStandardEncoding.h"

GBuffer const GStandardEncoding::sStandardDescription = GBuffer::FromStatic("StandardEncoding");

GSharedObject<GStandardEncoding> GStandardEncoding::sStandardEncoding;

// Needs the Unicode singleton and its tables (GUnicodeEncoding::Initialize) to name its characters;
// without them the codes keep their names only.
GStandardEncoding::GStandardEncoding() : GSimpleEncoding(sStandardDescription)
{
    AddLatinGlyphNames(&GLatinGlyphRow::fStandard, true);
}

GStandardEncoding::~GStandardEncoding() = default;

GStandardEncoding* GStandardEncoding::GetInstance()
{
    return sStandardEncoding.Get();
}

void GStandardEncoding::SetInstance(GStandardEncoding* p)
{
    sStandardEncoding = p;
}
