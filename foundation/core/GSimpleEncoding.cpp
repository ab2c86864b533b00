// The table-driven single-byte encoding: filling its tables and converting through them.
#include "GSimpleEncoding.h"

#include <cstring>

#include "GAllocator.h"
#include "GUnicodeEncoding.h"

namespace
{
constexpr int cCodes = 256;
constexpr std::size_t cPageBytes = cCodes * sizeof(unsigned short);
// Stands for every page without a mapped unit, so that a lookup needs no test for a missing page.
unsigned short const sEmptyPage[cCodes] = {};

unsigned short ReadUnit(unsigned char const* p)
{
    unsigned short unit;
    std::memcpy(&unit, p, sizeof unit);
    return unit;
}

void WriteUnit(unsigned char* p, unsigned short unit)
{
    std::memcpy(p, &unit, sizeof unit);
}
} // namespace

GBuffer const GSimpleEncoding::sSimpleDescription = GBuffer::FromStatic("SimpleEncoding");

GSimpleEncoding::GSimpleEncoding(GBuffer const& description) : fDescription(description), fSeveralUnitCodes(0)
{
    fGlyphNames.ExpandTo(cCodes);
    fHasName.ExpandTo(cCodes);
    fUnicodeTexts.ExpandTo(cCodes);
    for (int code = 0; code < cCodes; ++code)
    {
        fGlyphNames.AddItem(GBuffer::cEmptyBuffer);
        fHasName.AddItem(false);
        fUnicodeTexts.AddItem(GBuffer::cEmptyBuffer);
        fUnits[code] = 0;
        fUnitKinds[code] = cNoCharacter;
        fCodePages[code] = sEmptyPage;
    }
}

GSimpleEncoding::~GSimpleEncoding()
{
    for (unsigned short const* page : fCodePages)
        if (page != sEmptyPage)
            GAllocator::GetInstance()->Free(const_cast<unsigned short*>(page), cPageBytes);
}

void GSimpleEncoding::AddMapping(unsigned char code, GBuffer const& glyphName, GCharCode const& unicode,
                                 bool force)
{
    if (force || !glyphName.IsEmpty())
    {
        fGlyphNames[code] = glyphName;
        fHasName[code] = true;
        if (!fCodesByName.Contains(glyphName))
            fCodesByName.Put(glyphName, code);
    }
    if (unicode.GetLength() > 0)
    {
        GBuffer& text = fUnicodeTexts[code];
        unicode.GetUnicode(text);
        UnitKind const kind = text.GetLength() == 2 ? cOneUnit : cSeveralUnits;
        if (fUnitKinds[code] == cSeveralUnits)
            --fSeveralUnitCodes;
        if (kind == cSeveralUnits)
            ++fSeveralUnitCodes;
        fUnitKinds[code] = kind;
        fUnits[code] = kind == cOneUnit ? ReadUnit(text.GetPtr()) : 0;
        if (!fCodesByCharacter.Contains(unicode))
        {
            fCodesByCharacter.Put(unicode, code);
            // A lookup of a unit makes a two-byte code of it, so only two-byte characters can match.
            if (unicode.GetLength() == 2)
                IndexUnit(static_cast<unsigned short>(unicode), code);
        }
    }
}

void GSimpleEncoding::AddMapping(unsigned char code, GBuffer const& glyphName, unsigned short unicode)
{
    AddMapping(code, glyphName, GCharCode(unicode), false);
}

void GSimpleEncoding::AddMapping(unsigned char code, GBuffer const& glyphName)
{
    AddMapping(code, glyphName, GCharCode(), false);
}

void GSimpleEncoding::AddMapping(unsigned char code, GCharCode const& unicode)
{
    AddMapping(code, GBuffer::cEmptyBuffer, unicode, false);
}

void GSimpleEncoding::AddMapping(unsigned char code, unsigned short unicode)
{
    AddMapping(code, GBuffer::cEmptyBuffer, GCharCode(unicode), false);
}

bool GSimpleEncoding::HasMapping(unsigned char code) const
{
    return fHasName[code] || !fUnicodeTexts[code].IsEmpty();
}

void GSimpleEncoding::IndexUnit(unsigned short unit, unsigned char code)
{
    unsigned short const*& page = fCodePages[unit >> 8];
    if (page == sEmptyPage)
    {
        void* block = GAllocator::GetInstance()->Alloc(cPageBytes);
        std::memset(block, 0, cPageBytes);
        page = static_cast<unsigned short const*>(block);
    }
    const_cast<unsigned short*>(page)[unit & 0xFF] = static_cast<unsigned short>(code + 1);
}

unsigned GSimpleEncoding::ConvertTo(GBuffer const& src, GUnicodeEncoding const* target, GBuffer& out) const
{
    if (&src == &out)
    {
        GBuffer const copy(src);
        return ConvertTo(copy, target, out);
    }
    if (fSeveralUnitCodes > 0)
        return ConvertSeveralUnitsTo(src, out);

    int const length = src.GetLength();
    unsigned char* units = PrepareOutput(out, 2 * std::int64_t(length));
    unsigned char const* bytes = src.GetPtr();
    unsigned short const fallback = static_cast<unsigned char>(GetDefaultCharacter());
    bool unmapped = false;
    for (int i = 0; i < length; ++i)
    {
        unsigned char const code = bytes[i];
        bool const mapped = fUnitKinds[code] == cOneUnit;
        WriteUnit(units + 2 * i, mapped ? fUnits[code] : fallback);
        unmapped |= !mapped;
    }
    out.SetLength(2 * length);
    return unmapped ? GEncodingResult::cLossy : GEncodingResult::cComplete;
}

unsigned GSimpleEncoding::ConvertSeveralUnitsTo(GBuffer const& src, GBuffer& out) const
{
    int const length = src.GetLength();
    // Room for one unit per code, which most codes of such an encoding still are.
    PrepareOutput(out, 2 * std::int64_t(length));
    unsigned char const* bytes = src.GetPtr();
    unsigned short const fallback = static_cast<unsigned char>(GetDefaultCharacter());
    unsigned result = GEncodingResult::cComplete;
    for (int i = 0; i < length; ++i)
    {
        GBuffer const& text = fUnicodeTexts[bytes[i]];
        if (!text.IsEmpty())
            out += text;
        else
        {
            out += fallback;
            result = GEncodingResult::cLossy;
        }
    }
    return result;
}

unsigned GSimpleEncoding::ConvertFromUnicode(GBuffer const& utf16, GBuffer& out) const
{
    return ConvertUnitsToBytes(utf16, out,
                               [this](unsigned short unit, unsigned char& code)
                               {
                                   unsigned short const entry = fCodePages[unit >> 8][unit & 0xFF];
                                   code = static_cast<unsigned char>(entry - 1);
                                   return entry != 0;
                               });
}

bool GSimpleEncoding::GetGlyphName(GCharCode const& code, GBuffer& name) const
{
    name.SetLength(0);
    if (code.GetLength() != 1)
        return false;
    unsigned char const byte = code.Get()[0];
    if (!fHasName[byte])
        return false;
    name = fGlyphNames[byte];
    return true;
}

void GSimpleEncoding::GetCharCode(GBuffer const& name, GCharCode& code) const
{
    unsigned char const* found = fCodesByName.Find(name);
    if (found)
        code.Set(*found);
    else
        code.Clear();
}

GBuffer const& GSimpleEncoding::GetASCIIDescription() const
{
    return fDescription;
}

void GSimpleEncoding::AddGlyphName(unsigned char code, char const* glyphName, GEncoding const* unicode)
{
    GBuffer name;
    name.SetFromStatic(glyphName);
    GCharCode character;
    if (unicode)
        unicode->GetCharCode(name, character);
    AddMapping(code, name, character, false);
}

void GSimpleEncoding::AddLatinGlyphNames(unsigned char GLatinGlyphRow::*column, bool withCharacters)
{
    GEncoding const* unicode = withCharacters ? GUnicodeEncoding::GetInstance() : nullptr;
    for (GLatinGlyphRow const* row = sLatinGlyphNames; row->fName; ++row)
    {
        if (unsigned char const code = row->*column)
            AddGlyphName(code, row->fName, unicode);
    }
}

void GSimpleEncoding::AddMacExpertGlyphNames()
{
    GEncoding const* unicode = GUnicodeEncoding::GetInstance();
    for (GMacExpertGlyphRow const* row = sMacExpertGlyphNames; row->fName; ++row)
        AddGlyphName(row->fCode, row->fName, unicode);
}

void GSimpleEncoding::AddCharacters(unsigned short const* codeToUnicode)
{
    for (int code = 0; code < cCodes; ++code)
        if (codeToUnicode[code] != 0)
            AddMapping(static_cast<unsigned char>(code), codeToUnicode[code]);
}
