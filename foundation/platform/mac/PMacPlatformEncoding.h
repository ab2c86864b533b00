// The platform encodings on macOS: conversions and Unicode composition through CoreFoundation
// strings, one object per CoreFoundation encoding id.
#pragma once

#include "GPlatformEncoding.h"
#include "macos/CFStringStandIn.h"

class PMacPlatformEncoding : public GPlatformEncoding
{
public:
    // The system's default text encoding at the time of construction.
    PMacPlatformEncoding();
    explicit PMacPlatformEncoding(int id);
    ~PMacPlatformEncoding() override;

    using GPlatformEncoding::ConvertTo;
    // Stops at the first character the target cannot hold: result 2, nothing stands in for it.
    unsigned ConvertTo(GBuffer const& src, GUnicodeEncoding const* target, GBuffer& out) const override;
    unsigned ConvertFromUnicode(GBuffer const& utf16, GBuffer& out) const override;
    void EnsureComposedUnicode(GBuffer& utf16, bool compatibility) const override;
    // "MacPlatformEncoding_TextEncoding" and the id in decimal.
    GBuffer const& GetASCIIDescription() const override;

    CFStringEncoding GetCFStringEncoding() const { return fEncoding; }

private:
    void Bind();

    CFStringEncoding fEncoding;
    GBuffer fDescription;
};
