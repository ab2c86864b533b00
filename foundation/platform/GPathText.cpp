// A path's text as UTF-16 units.
#include "GPathText.h"

#include <cstring>

#include "GUnicodeEncoding.h"

GPathText::GPathText(GString const& text)
{
    // Converted directly: GString's own UTF-16 form is composed.
    GEncoding const* encoding = text.GetEncoding().Get();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (!encoding || !unicode)
        return;
    if (encoding == unicode)
        fUnits = text.GetBuffer(unicode);
    else
        unicode->ConvertFrom(text.GetBuffer(encoding), encoding, fUnits);
}

bool GPathText::StartsWith(char const* ascii) const
{
    int const length = static_cast<int>(std::strlen(ascii));
    if (length > GetCount())
        return false;
    for (int i = 0; i < length; ++i)
    {
        if ((*this)[i] != static_cast<unsigned char>(ascii[i]))
            return false;
    }
    return true;
}

int GPathText::FindFirst(unsigned short unit, int start) const
{
    for (int i = start < 0 ? 0 : start; i < GetCount(); ++i)
    {
        if ((*this)[i] == unit)
            return i;
    }
    return -1;
}

int GPathText::FindLast(unsigned short unit) const
{
    for (int i = GetCount() - 1; i >= 0; --i)
    {
        if ((*this)[i] == unit)
            return i;
    }
    return -1;
}

GString GPathText::GetSubstring(int index, int count) const
{
    int const available = GetCount() - index;
    if (index < 0 || available <= 0)
        return GString(GBuffer(), GUnicodeEncoding::GetInstance(), false);
    int const taken = count < 0 || count > available ? available : count;
    return GString(fUnits.GetSubBuffer(2 * index, 2 * taken), GUnicodeEncoding::GetInstance(), false);
}

void GPathText::Split(unsigned short separator, GTable<GString>& pieces) const
{
    pieces.Resize(0);
    int start = 0;
    for (int found = FindFirst(separator, 0); found >= 0; found = FindFirst(separator, start))
    {
        pieces.AddItem(GetSubstring(start, found - start));
        start = found + 1;
    }
    pieces.AddItem(GetSubstring(start, -1));
}

GString GPathText::GetReplaced(char const* find, char const* replacement) const
{
    int const findLength = static_cast<int>(std::strlen(find));
    GBuffer units;
    int i = 0;
    while (i < GetCount())
    {
        bool found = findLength > 0 && i + findLength <= GetCount();
        for (int k = 0; found && k < findLength; ++k)
            found = (*this)[i + k] == static_cast<unsigned char>(find[k]);
        if (found)
        {
            for (char const* c = replacement; *c; ++c)
                units += static_cast<unsigned short>(static_cast<unsigned char>(*c));
            i += findLength;
        }
        else
            units += (*this)[i++];
    }
    return GString(units, GUnicodeEncoding::GetInstance(), false);
}

GString GPathText::Join(GTable<GString> const& pieces, unsigned short separator)
{
    GBuffer units;
    for (int i = 0; i < pieces.GetCount(); ++i)
    {
        if (i > 0)
            units += separator;
        units += GPathText(pieces[i]).fUnits;
    }
    return GString(units, GUnicodeEncoding::GetInstance(), false);
}

GString GPathText::Concat(GString const& a, GString const& b)
{
    GBuffer units = GPathText(a).fUnits;
    units += GPathText(b).fUnits;
    return GString(units, GUnicodeEncoding::GetInstance(), false);
}

GString GPathText::Concat(GString const& a, GString const& b, GString const& c)
{
    return Concat(Concat(a, b), c);
}
