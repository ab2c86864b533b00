// Built-in glyph-name and compatibility tables of the Unicode encoding, generated at build time from
// data/agl, data/tables and data/unicode (tools/generate_unicode_tables.py). Read-only data of the program.
#pragma once

#include <cstdint>

// One glyph name with the code point it stands for.
struct GUnicodeGlyphNameRow
{
    std::uint64_t fCode;
    char const* fName;
};

// A character and the one character that replaces it in compatibility form.
struct GUnicodeCompatCharRow
{
    unsigned short fCharacter;
    unsigned short fReplacement;
};

constexpr int cUnicodeGlyphNameRows = 4574;
constexpr int cUnicodeCompatCharRows = 365;

// The 4,200 single-code-point names of the Adobe Glyph List in ascending byte order of the name, then
// 187 pairs for the Zapf Dingbats characters in the font's code order: the character's Unicode name
// first, the font's glyph name ("a1" ...) second. Ended by a row whose name is null. The order decides
// which name of a code is preferred.
extern GUnicodeGlyphNameRow const sUnicodeGlyphNames[cUnicodeGlyphNameRows + 1];

// Ended by a pair of zeros.
extern GUnicodeCompatCharRow const sUnicodeCompatChars[cUnicodeCompatCharRows + 1];
