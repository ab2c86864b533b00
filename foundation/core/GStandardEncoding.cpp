// The Standard encoding's tables and singleton.
#include "GStandardEncoding.h"

// Borrows the literal, so the description needs no allocation and outlives every static.
GBuffer const GStandardEncoding::sStandardDescription = []
{
    GBuffer description;
    description.SetFromStatic("StandardEncoding");
    return description;
}();

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
