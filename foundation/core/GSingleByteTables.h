// Built-in tables of the single-byte encodings, generated at build time from data/tables and data/agl
// (tools/generate_single_byte_tables.py). Read-only data of the program.
#pragma once

// One glyph of the Latin character set with its code in each encoding; 0 = not encoded there.
struct GLatinGlyphRow
{
    unsigned char fStandard;
    unsigned char fMac;
    unsigned char fWin;
    unsigned char fPDF;
    char const* fName;
};

// One glyph of the Expert character set with its MacExpert code.
struct GMacExpertGlyphRow
{
    unsigned char fCode;
    char const* fName;
};

constexpr int cLatinGlyphRows = 231;
constexpr int cMacExpertGlyphRows = 165;

// 229 rows in byte order of the glyph name, then "hyphen" (WinAnsi 0xAD) and "space" (MacRoman 0xCA,
// WinAnsi 0xA0); ended by a row whose name is null.
extern GLatinGlyphRow const sLatinGlyphNames[cLatinGlyphRows + 1];

// 165 rows in byte order of the glyph name; ended by a row whose name is null.
extern GMacExpertGlyphRow const sMacExpertGlyphNames[cMacExpertGlyphRows + 1];

// Code -> UTF-16 unit, 0 = not mapped. Where two codes read as the same character, the lower one is
// the one to write back.
extern unsigned short const sMacRomanToUnicode[256];
extern unsigned short const sWinAnsiToUnicode[256];
extern unsigned short const sPDFDocToUnicode[256];
