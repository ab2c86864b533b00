// The generic conversion into a custom encoding, with its glyph-name fallback.
#include "GCustomEncoding.h"

#include "GCharCode.h"
#include "GUnicodeEncoding.h"

namespace
{
// Maps src unit by unit (UTF-16 sources) or byte by byte through glyph names: the source names
// each character, the target finds its code for that name. False as soon as one has none.
bool MapByGlyphNames(GBuffer const& src, GEncoding const* srcEncoding, GEncoding const* target, bool wide,
                     GBuffer& out)
{
    unsigned char const* bytes = src.GetPtr();
    int const length = src.GetLength();
    int const step = wide ? 2 : 1;
    GBuffer name;
    GCharCode code;
    GCharCode mapped;
    for (int i = 0; i < length; i += step)
    {
        if (wide)
        {
            // An odd trailing byte is the low byte of a unit whose high byte is zero; the unit is
            // composed here so nothing past the data is read.
            unsigned short unit = bytes[i];
            if (i + 1 < length)
                unit = static_cast<unsigned short>(bytes[i] | bytes[i + 1] << 8);
            code.Set(unit);
        }
        else
            code.Set(bytes[i]);
        name.SetLength(0);
        mapped.Clear();
        if (srcEncoding->GetGlyphName(code, name) && name.GetLength() > 0)
            target->GetCharCode(name, mapped);
        if (mapped.GetLength() == 0)
            return false;
        out += mapped;
    }
    return true;
}
} // namespace

unsigned GCustomEncoding::ConvertFrom(GBuffer const& src, GEncoding const* srcEncoding, GBuffer& out) const
{
    // The glyph-name fallback walks the source again after the output is written.
    if (&src == &out)
    {
        GBuffer const copy(src);
        return ConvertFrom(copy, srcEncoding, out);
    }
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    bool const wide = srcEncoding == unicode;
    out.SetLength(0);
    // UTF-16 from the Unicode singleton is read where it lies: its own route would only copy it.
    GBuffer converted;
    unsigned result = wide ? GEncodingResult::cComplete : srcEncoding->ConvertTo(src, unicode, converted);
    // A lossy first step still has text worth keeping: its default characters stand where the
    // source could not be read, and the rest converts on.
    if (result == GEncodingResult::cComplete || result == GEncodingResult::cLossy)
    {
        unsigned const second = ConvertFromUnicode(wide ? src : converted, out);
        result = result == GEncodingResult::cComplete ? second : result | second;
        if (result == GEncodingResult::cComplete)
            return result;
    }

    GBuffer firstAttempt;
    firstAttempt.Swap(out);
    if (!MapByGlyphNames(src, srcEncoding, this, wide, out))
    {
        out.Swap(firstAttempt);
        return result;
    }
    return GEncodingResult::cComplete;
}
