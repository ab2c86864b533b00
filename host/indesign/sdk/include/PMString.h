// PMString: the host's text, UTF-16 code units, and whether the host's translation may replace it.
#pragma once

#include <string>

#include "SDKTypes.h"

class PMString
{
public:
    // The encodings ReadPlatformWriteUnicode reads.
    enum PlatformEncoding : int32
    {
        kEncodingASCII = 0,
        kEncodingMacRoman = 1,
        kEncodingLatin1 = 2,
        kEncodingUTF8 = 3
    };

    PMString() = default;
    // UTF-8 text, translatable.
    explicit PMString(char const* utf8);
    explicit PMString(std::u16string units) : fUnits(std::move(units)) {}

    // Replaces the text by the bytes read in the encoding; bytes the encoding does not know become
    // U+FFFD. The text is translatable again.
    void ReadPlatformWriteUnicode(char const* bytes, int32 byteCount, int32 encoding);
    void SetTranslatable(bool16 translatable) { fTranslatable = translatable; }
    bool16 IsTranslatable() const { return fTranslatable; }

    int32 CharCount() const { return static_cast<int32>(fUnits.size()); }
    bool16 IsEmpty() const { return fUnits.empty(); }
    std::u16string const& GetUTF16() const { return fUnits; }
    std::string GetUTF8() const;

    friend bool operator==(PMString const& a, PMString const& b) { return a.fUnits == b.fUnits; }
    friend bool operator!=(PMString const& a, PMString const& b) { return a.fUnits != b.fUnits; }

private:
    std::u16string fUnits;
    bool16 fTranslatable = kTrue;
};
