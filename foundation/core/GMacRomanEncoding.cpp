// The MacRoman encoding's tables and singleton.
#include "GMacRomanEncoding.h"

GBuffer const GMacRomanEncoding::sMacRomanDescription = GBuffer::FromStatic("MacRomanEncoding");

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
