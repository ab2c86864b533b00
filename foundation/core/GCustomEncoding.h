// Base of the encodings that convert through Unicode and, where the direct route loses characters,
// fall back on glyph names: the single-byte table encodings and the platform's encodings.
#pragma once

#include "GEncoding.h"

class GCustomEncoding : public GEncoding
{
public:
    unsigned ConvertFrom(GBuffer const& src, GEncoding const* srcEncoding, GBuffer& out) const override;

    // Converts UTF-16 in the machine's byte order into this encoding. An odd trailing byte is no
    // unit and is ignored; utf16 and out may be one buffer.
    virtual unsigned ConvertFromUnicode(GBuffer const& utf16, GBuffer& out) const = 0;

protected:
    GCustomEncoding() = default;
};
