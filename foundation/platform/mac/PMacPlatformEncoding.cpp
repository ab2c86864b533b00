// The platform encodings on macOS, over CoreFoundation strings.
#include "PMacPlatformEncoding.h"

#include <cstdio>

#include "PMacXCFStringNormalize.h"

namespace
{
unsigned ResultOf(CFIndex converted, CFIndex length)
{
    // A string with no characters (an odd lone byte of UTF-16, say) has lost nothing.
    if (converted == length)
        return GEncodingResult::cComplete;
    return converted == 0 ? GEncodingResult::cFailed : GEncodingResult::cLossy;
}

// Writes the whole string into out in the given encoding. Without a loss byte the conversion ends
// at the first character the encoding cannot hold, so a short output is reported as lossy.
unsigned ConvertCFStringRef(CFStringRef string, CFStringEncoding encoding, GBuffer& out)
{
    if (!string)
        return GEncodingResult::cFailed;
    CFIndex const length = CFStringGetLength(string);
    CFRange const whole = CFRangeMake(0, length);
    CFIndex needed = 0;
    CFIndex converted = CFStringGetBytes(string, whole, encoding, 0, false, nullptr, 0, &needed);
    // Setting the length first makes borrowed storage owned before it is written.
    out.SetLength(static_cast<int>(needed));
    CFIndex used = 0;
    if (needed > 0)
        converted = CFStringGetBytes(string, whole, encoding, 0, false, out.GetWritePtr(), needed, &used);
    out.SetLength(static_cast<int>(used));
    return ResultOf(converted, length);
}

// Lends the units of a UTF-16 buffer to a string that reads them in place; an odd trailing byte
// is not a unit.
CFStringRef WrapUnits(GBuffer const& utf16)
{
    return CFStringCreateWithCharactersNoCopy(kCFAllocatorDefault,
                                              reinterpret_cast<UniChar const*>(utf16.GetPtr()),
                                              utf16.GetLength() / 2, kCFAllocatorNull);
}
} // namespace

PMacPlatformEncoding::PMacPlatformEncoding() : fEncoding(CFStringGetSystemEncoding())
{
    Bind();
}

PMacPlatformEncoding::PMacPlatformEncoding(int id) : fEncoding(static_cast<CFStringEncoding>(id))
{
    Bind();
}

PMacPlatformEncoding::~PMacPlatformEncoding()
{
    PMacXCFStringNormalize::Finalize();
}

void PMacPlatformEncoding::Bind()
{
    char description[64];
    std::snprintf(description, sizeof description, "MacPlatformEncoding_TextEncoding%u",
                  static_cast<unsigned>(fEncoding));
    fDescription = description;
    PMacXCFStringNormalize::Initialize();
}

unsigned PMacPlatformEncoding::ConvertTo(GBuffer const& src, GUnicodeEncoding const*, GBuffer& out) const
{
    // The output may be the input itself; the string below copies the bytes before out is touched.
    CFStringRef string = nullptr;
    if (!src.IsEmpty())
        string =
            CFStringCreateWithBytes(kCFAllocatorDefault, src.GetPtr(), src.GetLength(), fEncoding, false);
    bool const empty = src.IsEmpty();
    out.SetLength(0);
    if (empty)
        return GEncodingResult::cComplete;
    if (!string)
        return GEncodingResult::cFailed;
    unsigned const result = ConvertCFStringRef(string, kCFStringEncodingUnicode, out);
    CFRelease(string);
    return result;
}

unsigned PMacPlatformEncoding::ConvertFromUnicode(GBuffer const& utf16, GBuffer& out) const
{
    // The string reads the units in place, so they must not be the output's own storage.
    if (&utf16 == &out)
    {
        GBuffer const copy(utf16.GetPtr(), utf16.GetLength());
        return ConvertFromUnicode(copy, out);
    }
    out.SetLength(0);
    if (utf16.IsEmpty())
        return GEncodingResult::cComplete;
    CFStringRef string = WrapUnits(utf16);
    unsigned const result = ConvertCFStringRef(string, fEncoding, out);
    if (string)
        CFRelease(string);
    return result;
}

void PMacPlatformEncoding::EnsureComposedUnicode(GBuffer& utf16, bool compatibility) const
{
    if (utf16.IsEmpty())
        return;
    PMacXCFStringNormalize::NormalizeFunction normalize =
        PMacXCFStringNormalize::cf_CFStringNormalize.load(std::memory_order_acquire);
    CFStringRef wrapped = WrapUnits(utf16);
    if (!wrapped)
        return;
    // The composed text goes back into the buffer the wrapper reads, so it is built in a copy.
    CFMutableStringRef composed = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, wrapped);
    if (composed)
    {
        if (normalize)
            normalize(composed, compatibility ? kCFStringNormalizationFormKC : kCFStringNormalizationFormC);
        ConvertCFStringRef(composed, kCFStringEncodingUnicode, utf16);
        CFRelease(composed);
    }
    CFRelease(wrapped);
}

GBuffer const& PMacPlatformEncoding::GetASCIIDescription() const
{
    return fDescription;
}
