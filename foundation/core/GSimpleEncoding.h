// A 256-code single-byte encoding built from tables: each code has a glyph name and a Unicode character,
// and both can be looked up backwards. The five PDF text encodings differ only in how they fill it.
#pragma once

#include "GBuffer.h"
#include "GCharCode.h"
#include "GCustomEncoding.h"
#include "GDict.h"
#include "GSingleByteTables.h"
#include "GTable.h"

class GSimpleEncoding : public GCustomEncoding
{
public:
    static GBuffer const sSimpleDescription;

    explicit GSimpleEncoding(GBuffer const& description);
    ~GSimpleEncoding() override;

    // With force, the name is set even when empty. The first code added for a name or a character
    // keeps it; later codes with the same name or character do not take it over.
    void AddMapping(unsigned char code, GBuffer const& glyphName, GCharCode const& unicode, bool force);
    void AddMapping(unsigned char code, GBuffer const& glyphName, unsigned short unicode);
    void AddMapping(unsigned char code, GBuffer const& glyphName);
    void AddMapping(unsigned char code, GCharCode const& unicode);
    void AddMapping(unsigned char code, unsigned short unicode);
    // The code has a glyph name or a character.
    bool HasMapping(unsigned char code) const;

    using GEncoding::ConvertTo;
    unsigned ConvertTo(GBuffer const& src, GUnicodeEncoding const* target, GBuffer& out) const override;
    // Characters whose text is longer than one UTF-16 unit are never matched.
    unsigned ConvertFromUnicode(GBuffer const& utf16, GBuffer& out) const override;
    bool GetGlyphName(GCharCode const& code, GBuffer& name) const override;
    void GetCharCode(GBuffer const& name, GCharCode& code) const override;
    GBuffer const& GetASCIIDescription() const override;

    GSimpleEncoding(GSimpleEncoding const&) = delete;
    GSimpleEncoding& operator=(GSimpleEncoding const&) = delete;

protected:
    // The names of one column of the Latin rows, in row order, skipping codes that are 0. With
    // characters, each code also gets the character the Unicode singleton gives for its name.
    void AddLatinGlyphNames(unsigned char GLatinGlyphRow::*column, bool withCharacters);
    // The MacExpert names, each with the character the Unicode singleton gives for it.
    void AddMacExpertGlyphNames();
    // Every non-zero entry of a 256-entry code -> UTF-16 table, codes 0 to 255.
    void AddCharacters(unsigned short const* codeToUnicode);

private:
    // One glyph name at its code; with the Unicode singleton, also the character it gives for the
    // name.
    void AddGlyphName(unsigned char code, char const* glyphName, GEncoding const* unicode);

    // How a code reads in UTF-16, kept beside its text so that decoding needs no buffer per byte.
    enum UnitKind : unsigned char
    {
        cNoCharacter,
        cOneUnit,
        // Any other length: appended as it stands.
        cSeveralUnits
    };

    void IndexUnit(unsigned short unit, unsigned char code);
    unsigned ConvertSeveralUnitsTo(GBuffer const& src, GBuffer& out) const;

    GBuffer fDescription;
    GTable<GBuffer> fGlyphNames;
    GTable<bool> fHasName;
    GDict<GBuffer, unsigned char> fCodesByName;
    GTable<GBuffer> fUnicodeTexts;
    GDict<GCharCode, unsigned char> fCodesByCharacter;

    // The one-unit characters of fUnicodeTexts, for decoding without a buffer per byte.
    unsigned short fUnits[256];
    UnitKind fUnitKinds[256];
    int fSeveralUnitCodes;
    // The one-unit entries of fCodesByCharacter as pages of 256 units, indexed by the unit's high
    // byte, each entry holding code + 1 (0 = not mapped); pages without a mapped unit share one page
    // of zeros. Encoding a unit is then two array reads instead of a search.
    unsigned short const* fCodePages[256];
};
