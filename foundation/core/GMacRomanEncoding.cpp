// The MacRoman encoding's tables and singleton.
#include "GMacRomanEncoding.h"

// Borrows the literal, so the description needs no allocation and outlives every static.
GBuffer const GMacRomanEncoding::sMacRomanDescription = []
{
    GBuffer description;
    description.SetFromStatic("MacRomanEncoding");
    return description;
}();

GSharedObject<GMacRomanEncoding> GMacRomanEncoding::sMacRomanEncoding;

GMacRomanEncoding::GMacRomanEncoding() : GSimpleEncoding(sMacRomanDescription)
{
    AddLatinGlyphNames(&GLatinGlyphRow::fMac, false);
    AddCharacters(sMacRomanToUnicode);
}

GMacRomanEncoding::~GMacRomanEncoding() = default;

GMacRomanEncoding* GMacRomanEncoding::GetInstance()
{
    return sMacRomanEncoding.Get();
}

void GMacRomanEncoding::SetInstance(GMacRomanEncoding* p)
{
    sMacRomanEncoding = p;
}
