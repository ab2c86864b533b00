// Base of every text encoding. Any encoding converts to any other through UTF-16: the target picks
// the entry point (ConvertFrom) and the source supplies the route (ConvertTo for the target's kind).
// Conversions never throw; they return a result code of bit flags (see GEncodingResult).
#pragma once

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

    // For conversions of UTF-16 into single bytes that wrote one byte per unit: a character outside
    // the first plane is two units but one character, so where it became two default characters,
    // one is kept. Works in place on the count bytes made from the count units; returns the new
    // byte count.
    static int MergeReplacedSurrogatePairs(unsigned char const* utf16, int count, unsigned char* bytes);

protected:
    GEncoding() = default;

    // Two steps through UTF-16: this encoding's own route to Unicode, then the Unicode singleton's
    // direct conversion to the target. The output is left alone when the first step fails.
    template<class Target>
    unsigned ConvertThroughUnicode(GBuffer const& src, Target const* target, GBuffer& out) const;

private:
    static char sDefaultCharacter;
};
