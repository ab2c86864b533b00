// UTF-16 in the machine's byte order: the hub every conversion passes through, and the keeper of the
// process-wide glyph-name knowledge the other encodings name their characters with.
#pragma once

#include "GBuffer.h"
#include "GDict.h"
#include "GEncoding.h"
#include "GSharedObject.h"
#include "GTable.h"

class GUnicodeEncoding : public GEncoding
{
public:
    GUnicodeEncoding() = default;
    ~GUnicodeEncoding() override;

    // Build and free the glyph-name, compatibility and reverse tables. Run by the foundation's start-up
    // before any encoding singleton is made, and first in its shut-down; between them the tables are
    // read-only.
    static void Initialize();
    static void Finalize();

    // Borrowed; null before start-up and after SetInstance(nullptr).
    static GUnicodeEncoding* GetInstance();
    static void SetInstance(GUnicodeEncoding* encoding);

    unsigned ConvertFrom(GBuffer const& src, GEncoding const* srcEncoding, GBuffer& out) const override;

    // Direct conversions of UTF-16 into each target. An odd trailing byte is ignored; a unit that a
    // fixed target cannot hold becomes the default character with result cLossy, while a custom
    // target converts by its own ConvertFromUnicode.
    unsigned ConvertTo(GBuffer const& src, GUnicodeEncoding const* target, GBuffer& out) const override;
    unsigned ConvertTo(GBuffer const& src, GMacRomanEncoding const* target, GBuffer& out) const override;
    unsigned ConvertTo(GBuffer const& src, GASCIIEncoding const* target, GBuffer& out) const override;
    unsigned ConvertTo(GBuffer const& src, GWinAnsiEncoding const* target, GBuffer& out) const override;
    unsigned ConvertTo(GBuffer const& src, GCustomEncoding const* target, GBuffer& out) const override;
    unsigned ConvertTo(GBuffer const& src, GPDFDocEncoding const* target, GBuffer& out) const override;

    // The preferred name of a one- or two-byte code.
    bool GetGlyphName(GCharCode const& code, GBuffer& name) const override;
    // The character of a glyph name: the name itself, a ligature of names joined by "_", or either
    // with one ".suffix" removed. Empty when nothing matches.
    void GetCharCode(GBuffer const& name, GCharCode& code) const override;
    GBuffer const& GetASCIIDescription() const override;
    // Composes, like EnsureComposedUnicode.
    void Normalize(GBuffer& bytes) const override;
    // Twice the number of 16-bit units before the first zero unit.
    int GetLength(unsigned char const* text) const override;

    // Every name of a code, the preferred one first.
    virtual void GetGlyphNameTable(GCharCode const& code, GTable<GBuffer>& names) const;
    // The one character a compatibility character stands for; false when the code is none.
    virtual bool GetCompatChar(GCharCode const& code, GCharCode& replacement) const;
    // Canonical composition in place, done by the platform's current encoding.
    virtual void EnsureComposedUnicode(GBuffer& utf16) const;

    // The units of a ligature name such as "f_f" or "T_h"; empty when a part is no glyph name.
    void GetLigatureCharCode(GBuffer const& name, GCharCode& code) const;
    // Every glyph name with its unit; null outside Initialize ... Finalize.
    GDict<GBuffer, unsigned short> const* GetCharCodes() const;

    // Adds a further name of a code to its list: to the front when it is a better name than the
    // current first (not a dingbat name such as "a71" where the first is one, or equally ranked and
    // strictly shorter), otherwise at the end.
    static void PlaceGlyphName(GTable<GBuffer>& names, GBuffer const& name);

    static GSharedObject<GUnicodeEncoding> sTheUnicodeEncoding;
    static GBuffer const sUnicodeDescription;
    // What separates the parts of a ligature name.
    static GTable<unsigned char> const cUnderscoreSeparator;

private:
    static GDict<GBuffer, unsigned short>* sCharCodes;
    // Codes with exactly one name.
    static GDict<unsigned short, GBuffer>* sGlyphNames;
    // Codes with two or more names, preferred first; a code never stands in both dictionaries.
    static GDict<unsigned short, GTable<GBuffer>>* sGlyphNameTables;
    static GDict<unsigned short, unsigned short>* sUnicodeCompatCharsDict;
    // Unit U+0001..U+00FF -> the lowest code that reads as it, 0 = none. They survive Finalize.
    static unsigned char sUnicodeToMacRoman[256];
    static unsigned char sUnicodeToWinAnsi[256];
    static unsigned char sUnicodeToPDFDoc[256];

    // Steps 1 and 2 of a name lookup: the whole name, then as a ligature.
    bool ResolveName(GBuffer const& name, GCharCode& code) const;
};
