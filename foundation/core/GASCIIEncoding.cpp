// 7-bit ASCII: its table, its route to UTF-16 and its glyph names, which it borrows from Unicode.
#include "GASCIIEncoding.h"

#include <cstdint>
#include <cstring>

#include "GCharCode.h"
#include "GMemoryException.h"
#include "GUnicodeEncoding.h"

namespace
{
// An output buffer emptied and made owned with room for at least the given number of bytes; a
// borrowed buffer is let go first, since its bytes must never be written. Sizes are worked out in 64
// bits: room that no buffer can have is out of memory, as it is for the buffer's own growth.
unsigned char* PrepareOutput(GBuffer& out, std::int64_t bytes)
{
    if (bytes > std::int64_t(GBuffer::cMaxCapacity) - 2)
        throw GMemoryException();
    if (!out.IsOwned())
    {
        GBuffer fresh;
        out.Swap(fresh);
    }
    out.SetLength(0);
    out.Allocate(static_cast<int>(bytes));
    return out.GetWritePtr();
}
} // namespace

// clang-format off
unsigned short const GASCIIEncoding::sASCIIToUnicode[256] = {
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0007,
    0x0008, 0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,
    0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017,
    0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F,
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
};
// clang-format on

GSharedObject<GASCIIEncoding> GASCIIEncoding::sTheASCIIEncoding;

GBuffer const GASCIIEncoding::sASCIIDescription = GBuffer::FromStatic("ASCIIEncoding");

GASCIIEncoding::~GASCIIEncoding() = default;

GASCIIEncoding* GASCIIEncoding::GetInstance()
{
    return sTheASCIIEncoding.Get();
}

void GASCIIEncoding::SetInstance(GASCIIEncoding* p)
{
    sTheASCIIEncoding = p;
}

unsigned GASCIIEncoding::ConvertFrom(GBuffer const& src, GEncoding const* srcEncoding, GBuffer& out) const
{
    return srcEncoding->ConvertTo(src, this, out);
}

unsigned GASCIIEncoding::ConvertTo(GBuffer const& src, GUnicodeEncoding const* target, GBuffer& out) const
{
    if (&src == &out)
    {
        GBuffer const copy(src);
        return ConvertTo(copy, target, out);
    }
    int const length = src.GetLength();
    unsigned char const* bytes = src.GetPtr();
    unsigned char* units = PrepareOutput(out, 2 * std::int64_t(length));
    unsigned short const fallback = static_cast<unsigned char>(GetDefaultCharacter());
    unsigned result = GEncodingResult::cComplete;
    for (int i = 0; i < length; ++i)
    {
        unsigned short unit = sASCIIToUnicode[bytes[i]];
        if (unit == 0)
        {
            unit = fallback;
            result = GEncodingResult::cLossy;
        }
        std::memcpy(units + 2 * i, &unit, 2);
    }
    out.SetLength(2 * length);
    return result;
}

bool GASCIIEncoding::GetGlyphName(GCharCode const& code, GBuffer& name) const
{
    name.SetLength(0);
    GEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (code.GetLength() != 1 || !unicode)
        return false;
    unsigned short const unit = sASCIIToUnicode[code.Get()[0]];
    if (unit == 0)
        return false;
    return unicode->GetGlyphName(GCharCode(unit), name);
}

void GASCIIEncoding::GetCharCode(GBuffer const& name, GCharCode& code) const
{
    GEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GCharCode resolved;
    if (unicode)
        unicode->GetCharCode(name, resolved);
    code.Clear();
    if (resolved.GetLength() != 2)
        return;
    // The same mapping as the Unicode side's direct conversion to ASCII: a unit below 0x100 whose
    // entry is not 0 is that entry's low byte; anything else would be the default character.
    unsigned short const unit = static_cast<unsigned short>(resolved);
    if (unit < 0x100 && sASCIIToUnicode[unit] != 0)
        code.Set(static_cast<unsigned char>(sASCIIToUnicode[unit] & 0xFF));
}

GBuffer const& GASCIIEncoding::GetASCIIDescription() const
{
    return sASCIIDescription;
}
