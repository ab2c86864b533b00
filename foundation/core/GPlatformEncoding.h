// Text in the operating system's own encodings (its default text encoding, Shift-JIS, simplified
// Chinese). The platform layer implements the conversions; a factory hands out one object per
// system encoding id.
#pragma once

#include "GCustomEncoding.h"

class GPlatformEncoding : public GCustomEncoding
{
public:
    // The encoding the system uses now, from the installed factory; borrowed, valid while the
    // factory lives. Null when no factory is installed.
    static GPlatformEncoding* GetInstance();

    // Names a code through the Unicode character it reads as in this encoding.
    bool GetGlyphName(GCharCode const& code, GBuffer& name) const override;
    // The bytes of the named character in this encoding; empty when the name is not one Unicode
    // unit or the unit cannot be written here.
    void GetCharCode(GBuffer const& name, GCharCode& code) const override;

    // Brings UTF-16 in the machine's byte order to composed form in place: canonical composition,
    // or compatibility composition when compatibility is true.
    virtual void EnsureComposedUnicode(GBuffer& utf16, bool compatibility) const = 0;

protected:
    GPlatformEncoding() = default;
};
