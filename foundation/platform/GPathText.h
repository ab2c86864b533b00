// A path's text as UTF-16 units, read by position: path operations count positions in these units.
// Pieces taken out of it keep their units as they are (nothing is composed), so a name made of
// decomposed characters stays the name the file system knows.
#pragma once

#include "GBuffer.h"
#include "GString.h"
#include "GTable.h"

class GPathText
{
public:
    explicit GPathText(GString const& text);

    int GetCount() const { return fUnits.GetLength() / 2; }
    unsigned short operator[](int index) const { return GBuffer::ReadUnit(fUnits.GetPtr(), index); }
    // Whether the text begins with the ASCII text.
    bool StartsWith(char const* ascii) const;
    bool EndsWith(unsigned short unit) const { return GetCount() > 0 && (*this)[GetCount() - 1] == unit; }
    // The first position at or after start holding unit; -1 when there is none.
    int FindFirst(unsigned short unit, int start) const;
    // The last position holding unit; -1 when there is none.
    int FindLast(unsigned short unit) const;
    // count units from index (to the end when count is negative), as UTF-16 text.
    GString GetSubstring(int index, int count) const;
    // The pieces between the separators, empty ones included (an empty text is one empty piece).
    void Split(unsigned short separator, GTable<GString>& pieces) const;
    // The whole text as UTF-16 with every occurrence of the ASCII text find written as replacement;
    // what is written is not searched again.
    GString GetReplaced(char const* find, char const* replacement) const;

    // The pieces with the separator between neighbours, as UTF-16 text.
    static GString Join(GTable<GString> const& pieces, unsigned short separator);
    // The texts one after the other, as UTF-16 text.
    static GString Concat(GString const& a, GString const& b);
    static GString Concat(GString const& a, GString const& b, GString const& c);

private:
    GBuffer fUnits;
};
