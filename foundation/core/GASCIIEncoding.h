// 7-bit ASCII, the encoding of strings made from plain texts in the code. Converts through UTF-16;
// bytes it does not map become the default character.
#pragma once

#include "GEncoding.h"
#include "GSharedObject.h"

class GASCIIEncoding : public GEncoding
{
public:
    GASCIIEncoding() = default;
    ~GASCIIEncoding() override;

    // Borrowed pointer; null before the foundation's start-up and after SetInstance(nullptr).
    static GASCIIEncoding* GetInstance();
    // Holds a reference on p and releases the previous singleton.
    static void SetInstance(GASCIIEncoding* p);

    unsigned ConvertFrom(GBuffer const& src, GEncoding const* srcEncoding, GBuffer& out) const override;
    using GEncoding::ConvertTo;
    unsigned ConvertTo(GBuffer const& src, GUnicodeEncoding const* target, GBuffer& out) const override;
    bool GetGlyphName(GCharCode const& code, GBuffer& name) const override;
    void GetCharCode(GBuffer const& name, GCharCode& code) const override;
    GBuffer const& GetASCIIDescription() const override;

    // Code -> UTF-16 unit, 0 = not mapped: 0x07 to 0x7F map to themselves. The low byte of an entry
    // serves the way back from Unicode.
    static unsigned short const sASCIIToUnicode[256];

private:
    static GSharedObject<GASCIIEncoding> sTheASCIIEncoding;
    static GBuffer const sASCIIDescription;
};
