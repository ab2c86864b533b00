// UTF-8, the form of file paths and of most text exchanged with the platform. Converts through
// UTF-16; no byte-order mark is read or written (EF BB BF is the character U+FEFF like any other).
#pragma once

#include "GEncoding.h"
#include "GSharedObject.h"

class GUTF8Encoding : public GEncoding
{
public:
    GUTF8Encoding() = default;
    ~GUTF8Encoding() override;

    // Borrowed pointer; null before the foundation's start-up and after SetInstance(nullptr).
    static GUTF8Encoding* GetInstance();
    // Holds a reference on p and releases the previous singleton.
    static void SetInstance(GUTF8Encoding* p);

    // Any encoding to UTF-8 through UTF-16. Encoding never loses anything: the result is the source's
    // own route to UTF-16 (1 or 2), or that route's failure with an empty output.
    unsigned ConvertFrom(GBuffer const& src, GEncoding const* srcEncoding, GBuffer& out) const override;
    // UTF-8 to UTF-16: 1; 2 when the text holds a zero byte; 4 for malformed input (a stray or
    // missing continuation byte, a cut sequence, an overlong form, a code point above U+10FFFF),
    // the output then holding the units decoded before it. Encoded surrogates (ED A0 80 to ED BF BF)
    // are accepted, since ConvertFrom writes lone surrogates that way.
    using GEncoding::ConvertTo;
    unsigned ConvertTo(GBuffer const& src, GUnicodeEncoding const* target, GBuffer& out) const override;
    bool GetGlyphName(GCharCode const& code, GBuffer& name) const override;
    void GetCharCode(GBuffer const& name, GCharCode& code) const override;
    GBuffer const& GetASCIIDescription() const override;

private:
    static GSharedObject<GUTF8Encoding> sUTF8Encoding;
    static GBuffer const sASCIIDescription;
};
