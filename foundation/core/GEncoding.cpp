// Base of every text encoding.
#include "GEncoding.h"

#include <cstring>

#include "GUnicodeEncoding.h"

char GEncoding::sDefaultCharacter = '@';

GEncoding::~GEncoding() = default;

template<class Target>
unsigned GEncoding::ConvertThroughUnicode(GBuffer const& src, Target const* target, GBuffer& out) const
{
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    GBuffer utf16;
    unsigned const first = ConvertTo(src, unicode, utf16);
    if (first == GEncodingResult::cFailed)
        return first;
    return first | unicode->ConvertTo(utf16, target, out);
}

unsigned GEncoding::ConvertTo(GBuffer const& src, GMacRomanEncoding const* target, GBuffer& out) const
{
    return ConvertThroughUnicode(src, target, out);
}

unsigned GEncoding::ConvertTo(GBuffer const& src, GASCIIEncoding const* target, GBuffer& out) const
{
    return ConvertThroughUnicode(src, target, out);
}

unsigned GEncoding::ConvertTo(GBuffer const& src, GWinAnsiEncoding const* target, GBuffer& out) const
{
    return ConvertThroughUnicode(src, target, out);
}

unsigned GEncoding::ConvertTo(GBuffer const& src, GCustomEncoding const* target, GBuffer& out) const
{
    return ConvertThroughUnicode(src, target, out);
}

unsigned GEncoding::ConvertTo(GBuffer const& src, GPDFDocEncoding const* target, GBuffer& out) const
{
    return ConvertThroughUnicode(src, target, out);
}

bool GEncoding::IsOfType(GBuffer const& description) const
{
    return GetASCIIDescription() == description;
}

void GEncoding::Normalize(GBuffer&) const {}

int GEncoding::GetLength(unsigned char const* text) const
{
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
