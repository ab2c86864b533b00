// The portable half of the platform encodings: glyph names through the Unicode encoding.
#include "GPlatformEncoding.h"

#include <cstring>

#include "GCharCode.h"
#include "GPlatformEncodingFactory.h"
#include "GUnicodeEncoding.h"

GPlatformEncoding* GPlatformEncoding::GetInstance()
{
    GPlatformEncodingFactory* factory = GPlatformEncodingFactory::GetInstance();
    return factory ? factory->GetPlatformEncoding() : nullptr;
}

void GPlatformEncoding::GetCharCode(GBuffer const& name, GCharCode& code) const
{
    code.Clear();
    GBuffer utf16;
    GBuffer bytes;
    if (GetUnitOfGlyphName(name, utf16) &&
        GUnicodeEncoding::GetInstance()->ConvertTo(utf16, static_cast<GCustomEncoding const*>(this), bytes) ==
            GEncodingResult::cComplete)
        code.Set(bytes);
}

bool GPlatformEncoding::GetGlyphName(GCharCode const& code, GBuffer& name) const
{
    name.SetLength(0);
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (code.GetLength() == 0 || !unicode)
        return false;
    unsigned int const value = code;
    int const fewest = value < 0x100u ? 1 : value < 0x10000u ? 2 : value < 0x1000000u ? 3 : 4;
    // Multi-byte encodings read some codes only at their full width, so the widest reading that
    // gives one character wins; the narrowest still counts when it gives one, even with a loss.
    GBuffer utf16;
    bool found = false;
    for (int width = 4; width >= fewest && !found; --width)
    {
        unsigned char bytes[4];
        for (int i = 0; i < width; ++i)
            bytes[i] = static_cast<unsigned char>(value >> 8 * (width - 1 - i));
        GBuffer const src(bytes, width);
        unsigned const result = ConvertTo(src, unicode, utf16);
        found = result == GEncodingResult::cComplete && utf16.GetLength() == 2;
    }
    if (utf16.GetLength() != 2)
        return false;
    unsigned short unitValue;
    std::memcpy(&unitValue, utf16.GetPtr(), 2);
    return unicode->GetGlyphName(GCharCode(unitValue), name);
}
