// Base of every text encoding.
#include "GEncoding.h"

#include "GCharCode.h"
#include "GMemoryException.h"
#include "GUnicodeEncoding.h"

namespace
{
// Two steps through UTF-16: the source's own route to Unicode, then the Unicode singleton's direct
// conversion to the target. The output is left alone when the first step fails.
template<class Target>
unsigned ConvertThroughUnicode(GEncoding const& source, GBuffer const& src, Target const* target,
                               GBuffer& out)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GBuffer utf16;
    unsigned const first = source.ConvertTo(src, unicode, utf16);
    if (first == GEncodingResult::cFailed)
        return first;
    return first | unicode->ConvertTo(utf16, target, out);
}
} // namespace

char GEncoding::sDefaultCharacter = '@';

GEncoding::~GEncoding() = default;

unsigned GEncoding::ConvertTo(GBuffer const& src, GMacRomanEncoding const* target, GBuffer& out) const
{
    return ConvertThroughUnicode(*this, src, target, out);
}

unsigned GEncoding::ConvertTo(GBuffer const& src, GASCIIEncoding const* target, GBuffer& out) const
{
    return ConvertThroughUnicode(*this, src, target, out);
}

unsigned GEncoding::ConvertTo(GBuffer const& src, GWinAnsiEncoding const* target, GBuffer& out) const
{
    return ConvertThroughUnicode(*this, src, target, out);
}

unsigned GEncoding::ConvertTo(GBuffer const& src, GCustomEncoding const* target, GBuffer& out) const
{
    return ConvertThroughUnicode(*this, src, target, out);
}

unsigned GEncoding::ConvertTo(GBuffer const& src, GPDFDocEncoding const* target, GBuffer& out) const
{
    return ConvertThroughUnicode(*this, src, target, out);
}

bool GEncoding::IsOfType(GBuffer const& description) const
{
    return GetASCIIDescription() == description;
}

void GEncoding::Normalize(GBuffer&) const {}

int GEncoding::GetLength(unsigned char const* text) const
{
    if (!text)
        return 0;
    int length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

void GEncoding::SetDefaultCharacter(char character)
{
    sDefaultCharacter = character;
}

char GEncoding::GetDefaultCharacter()
{
    return sDefaultCharacter;
}

unsigned char* GEncoding::PrepareOutput(GBuffer& out, std::int64_t bytes)
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

bool GEncoding::GetUnitOfGlyphName(GBuffer const& name, GBuffer& utf16)
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (!unicode)
        return false;
    GCharCode character;
    unicode->GetCharCode(name, character);
    if (character.GetLength() != 2)
        return false;
    character.GetUnicode(utf16);
    return true;
}

int GEncoding::MergeReplacedSurrogatePairs(unsigned char const* utf16, int count, unsigned char* bytes)
{
    auto unitAt = [utf16](int i)
    {
        unsigned short unit;
        std::memcpy(&unit, utf16 + 2 * i, sizeof unit);
        return unit;
    };
    int written = 0;
    for (int i = 0; i < count; ++i)
    {
        bytes[written++] = bytes[i];
        bool const high = (unitAt(i) & 0xFC00) == 0xD800;
        if (high && i + 1 < count && (unitAt(i + 1) & 0xFC00) == 0xDC00)
            ++i; // the low half's byte goes
    }
    return written;
}
