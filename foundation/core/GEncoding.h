// Base of every text encoding. Any encoding converts to any other through UTF-16: the target picks
// the entry point (ConvertFrom) and the source supplies the route (ConvertTo for the target's kind).
// Conversions never throw; they return a result code of bit flags (see GEncodingResult).
#pragma once

#include <cstdint>
#include <cstring>

#include "GBuffer.h"
#include "GThreadSafeRefCount.h"

class GCharCode;
class GUnicodeEncoding;
class GMacRomanEncoding;
class GASCIIEncoding;
class GWinAnsiEncoding;
class GCustomEncoding;
class GPDFDocEncoding;

// Result codes, OR-ed over the steps of a conversion; callers treat exactly cComplete as success.
namespace GEncodingResult
{
constexpr unsigned cComplete = 1;
// Some characters became the default character, or a platform conversion stopped early.
constexpr unsigned cLossy = 2;
// The input could not be read; the output holds what was made before the failure.
constexpr unsigned cFailed = 4;
} // namespace GEncodingResult

class GEncoding : public GThreadSafeRefCount
{
public:
    ~GEncoding() override;

    // Converts src, held in srcEncoding, into this encoding.
    virtual unsigned ConvertFrom(GBuffer const& src, GEncoding const* srcEncoding, GBuffer& out) const = 0;

    // Converts src, held in this encoding, into the target's kind. The base routes every target
    // but Unicode through UTF-16.
    virtual unsigned ConvertTo(GBuffer const& src, GUnicodeEncoding const* target, GBuffer& out) const = 0;
    virtual unsigned ConvertTo(GBuffer const& src, GMacRomanEncoding const* target, GBuffer& out) const;
    virtual unsigned ConvertTo(GBuffer const& src, GASCIIEncoding const* target, GBuffer& out) const;
    virtual unsigned ConvertTo(GBuffer const& src, GWinAnsiEncoding const* target, GBuffer& out) const;
    virtual unsigned ConvertTo(GBuffer const& src, GCustomEncoding const* target, GBuffer& out) const;
    virtual unsigned ConvertTo(GBuffer const& src, GPDFDocEncoding const* target, GBuffer& out) const;

    // False, with the name left empty, when the code has no glyph name.
    virtual bool GetGlyphName(GCharCode const& code, GBuffer& name) const = 0;
    // Leaves the code empty when the name is unknown.
    virtual void GetCharCode(GBuffer const& name, GCharCode& code) const = 0;
    // The encoding's identity, such as "UnicodeEncoding".
    virtual GBuffer const& GetASCIIDescription() const = 0;
    virtual bool IsOfType(GBuffer const& description) const;
    // Brings freshly stored bytes into the encoding's normal form; nothing in the base.
    virtual void Normalize(GBuffer& bytes) const;
    // The byte length of a zero-terminated text.
    virtual int GetLength(unsigned char const* text) const;

    // The one character of the process that replaces what a table-driven conversion cannot map.
    static void SetDefaultCharacter(char character);
    static char GetDefaultCharacter();

protected:
    GEncoding() = default;

    // Converts every whole unit of utf16 into one byte: map(unit, code) is false for a unit the target
    // cannot hold, which becomes the default character with result cLossy (one for a whole surrogate
    // pair). An odd trailing byte is ignored; utf16 and out may be one buffer.
    template<class Map>
    static unsigned ConvertUnitsToBytes(GBuffer const& utf16, GBuffer& out, Map map);

    // Empties out and makes it owned with room for at least the given number of bytes; a borrowed
    // buffer is let go first, since its bytes must never be written. Room that no buffer can have is
    // out of memory (GMemoryException), as it is for the buffer's own growth.
    static unsigned char* PrepareOutput(GBuffer& out, std::int64_t bytes);

    // The UTF-16 of the one unit the Unicode singleton gives for a glyph name; false (utf16 left
    // alone) when the name stands for no character or for more than one unit.
    static bool GetUnitOfGlyphName(GBuffer const& name, GBuffer& utf16);

private:
    // A character outside the first plane is two units but one character, so where it became two
    // default characters, one is kept. Works in place on the count bytes made from the count units;
    // returns the new byte count.
    static int MergeReplacedSurrogatePairs(unsigned char const* utf16, int count, unsigned char* bytes);

    static char sDefaultCharacter;
};

template<class Map>
unsigned GEncoding::ConvertUnitsToBytes(GBuffer const& utf16, GBuffer& out, Map map)
{
    // The units are read again after the bytes are written (MergeReplacedSurrogatePairs).
    if (&utf16 == &out)
    {
        GBuffer const copy(utf16);
        return ConvertUnitsToBytes(copy, out, map);
    }
    int const count = utf16.GetLength() / 2;
    out.SetLength(0);
    if (count == 0)
        return GEncodingResult::cComplete;
    out.SetLength(count);
    unsigned char const* units = utf16.GetPtr();
    unsigned char* bytes = out.GetWritePtr();
    unsigned char const fallback = static_cast<unsigned char>(GetDefaultCharacter());
    bool unmapped = false;
    for (int i = 0; i < count; ++i)
    {
        unsigned short unit;
        std::memcpy(&unit, units + 2 * i, sizeof unit);
        unsigned char code = 0;
        bool const mapped = map(unit, code);
        // No branch per unit: a miss only sets the flag, which keeps the loop fast on mapped text.
        bytes[i] = mapped ? code : fallback;
        unmapped |= !mapped;
    }
    if (!unmapped)
        return GEncodingResult::cComplete;
    out.SetLength(MergeReplacedSurrogatePairs(units, count, bytes));
    return GEncodingResult::cLossy;
}
