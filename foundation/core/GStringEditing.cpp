// GString's positional work: case mapping, insertion, removal, replacement, search and substrings,
// all on the string's UTF-16 form and counted in UTF-16 units.
#include "GString.h"

#include <unicode/uchar.h>

#include <cstring>

#include "GUnicodeEncoding.h"

namespace
{
int UnitCount(GBuffer const& utf16)
{
    return utf16.GetLength() / 2;
}

bool IsHighSurrogate(unsigned short unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(unsigned short unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Candidate starts run from start to the last place where the whole pattern still fits.
int FindUnits(GBuffer const& text, GBuffer const& pattern, int start)
{
    int length = UnitCount(text);
    int patternLength = UnitCount(pattern);
    if (start < 0)
        start = 0;
    if (patternLength == 0)
        return start <= length ? start : -1;
    if (start > length - patternLength)
        return -1;
    unsigned char const* data = text.GetPtr();
    unsigned char const* find = pattern.GetPtr();
    unsigned short first = GBuffer::ReadUnit(find, 0);
    std::size_t rest = static_cast<std::size_t>(2 * (patternLength - 1));
    for (int i = start, last = length - patternLength; i <= last; ++i)
        if (GBuffer::ReadUnit(data, i) == first && std::memcmp(data + 2 * (i + 1), find + 2, rest) == 0)
            return i;
    return -1;
}

// Simple case mapping keeps a character in its plane, so a mapped unit stays one unit and a mapped
// pair stays a pair; a result that would not is refused all the same.
template<class Map>
void MapCase(GBuffer& utf16, Map map)
{
    int length = UnitCount(utf16);
    unsigned char const* data = utf16.GetPtr();
    unsigned char* out = nullptr; // only asked for at the first change: borrowed bytes stay shared
    for (int i = 0; i < length; ++i)
    {
        unsigned short unit = GBuffer::ReadUnit(data, i);
        if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(GBuffer::ReadUnit(data, i + 1)))
        {
            UChar32 c = 0x10000 + ((UChar32(unit) - 0xD800) << 10) +
                        (UChar32(GBuffer::ReadUnit(data, i + 1)) - 0xDC00);
            UChar32 mapped = map(c);
            if (mapped != c && mapped > 0xFFFF && mapped <= 0x10FFFF)
            {
                if (!out)
                    data = out = utf16.GetWritePtr();
                mapped -= 0x10000;
                GBuffer::WriteUnit(out, i, static_cast<unsigned short>(0xD800 + (mapped >> 10)));
                GBuffer::WriteUnit(out, i + 1, static_cast<unsigned short>(0xDC00 + (mapped & 0x3FF)));
            }
            ++i;
            continue;
        }
        UChar32 mapped = map(UChar32(unit));
        if (mapped != UChar32(unit) && mapped <= 0xFFFF)
        {
            if (!out)
                data = out = utf16.GetWritePtr();
            GBuffer::WriteUnit(out, i, static_cast<unsigned short>(mapped));
        }
    }
}
} // namespace

void GString::ToLower()
{
    if (fEncoding.IsNull() || fBytes.IsEmpty())
        return;
    EnsureUnicode();
    MapCase(fBytes, [](UChar32 c) { return u_tolower(c); });
}

void GString::ToUpper()
{
    if (fEncoding.IsNull() || fBytes.IsEmpty())
        return;
    EnsureUnicode();
    MapCase(fBytes, [](UChar32 c) { return u_toupper(c); });
}

void GString::Insert(int index, GString const& text)
{
    EnsureUnicode();
    if (index < 0 || index > UnitCount(fBytes))
        return;
    // A copy, so that inserting a string into itself reads the text as it was.
    GBuffer units;
    text.GetUnicodeForm(units);
    if (!units.IsEmpty())
        fBytes.Replace(2 * index, 0, units);
}

void GString::Insert(int index, unsigned short unit)
{
    EnsureUnicode();
    if (index < 0 || index > UnitCount(fBytes))
        return;
    fBytes.ReplaceByteArray(2 * index, 0, reinterpret_cast<unsigned char const*>(&unit), sizeof unit);
}

void GString::Remove(int index, int count)
{
    EnsureUnicode();
    int length = UnitCount(fBytes);
    if (index < 0 || index >= length || count <= 0)
        return;
    if (count > length - index)
        count = length - index;
    fBytes.Remove(2 * index, 2 * count);
}

bool GString::Replace(int start, GString const& find, GString const& replacement)
{
    if (find.IsEmpty())
        return false;
    EnsureUnicode();
    GBuffer pattern;
    find.GetUnicodeForm(pattern);
    // Bytes that convert to no text at all would match everywhere and replace nothing.
    if (UnitCount(pattern) == 0)
        return false;
    int found = FindUnits(fBytes, pattern, start);
    if (found < 0)
        return false;
    GBuffer with;
    replacement.GetUnicodeForm(with);

    // Built in one pass: the same as replacing in place and searching on after each inserted
    // replacement, without moving the tail once per occurrence.
    // In whole units: UTF-16 bytes of odd length keep their stray byte out of the match.
    int patternBytes = 2 * UnitCount(pattern);
    unsigned char const* data = fBytes.GetPtr();
    GBuffer result;
    result.Allocate(fBytes.GetLength());
    int done = 0; // in bytes
    while (found >= 0)
    {
        result.AppendByteArray(data + done, 2 * found - done);
        result += with;
        done = 2 * found + patternBytes;
        found = FindUnits(fBytes, pattern, done / 2);
    }
    result.AppendByteArray(data + done, fBytes.GetLength() - done);
    fBytes.Swap(result);
    return true;
}

bool GString::Replace(int start, unsigned short from, unsigned short to)
{
    EnsureUnicode();
    int length = UnitCount(fBytes);
    int found = FindFirst(from, start);
    if (found < 0)
        return false;
    if (from == to)
        return true;
    unsigned char* data = fBytes.GetWritePtr();
    for (int i = found; i < length; ++i)
        if (GBuffer::ReadUnit(data, i) == from)
            GBuffer::WriteUnit(data, i, to);
    return true;
}

int GString::FindFirst(unsigned short unit, int start) const
{
    return FindFirst(&unit, 1, start);
}

int GString::FindFirst(unsigned short const* units, int count, int start) const
{
    if (fBytes.IsEmpty() || !units || count <= 0)
        return -1;
    EnsureUnicode();
    return fBytes.FindFirstOccurrence(units, count, start);
}

int GString::FindFirstNot(unsigned short unit, int start) const
{
    return FindFirstNot(&unit, 1, start);
}

int GString::FindFirstNot(unsigned short const* units, int count, int start) const
{
    if (fBytes.IsEmpty())
        return -1;
    EnsureUnicode();
    return fBytes.FindFirstNonOccurrence(units, count, start);
}

int GString::FindLast(unsigned short unit, int start) const
{
    if (fBytes.IsEmpty() || start < 0)
        return -1;
    EnsureUnicode();
    return fBytes.FindLastOccurrence(unit, start);
}

int GString::Find(GString const& text, int start) const
{
    if (!fBytes.IsEmpty())
        EnsureUnicode();
    GBuffer pattern;
    text.GetUnicodeForm(pattern);
    return FindUnits(fBytes, pattern, start);
}

GString GString::GetSubstring(int index, int count) const
{
    GString out;
    GetSubstring(out, index, count);
    Compose(out.fBytes);
    return out;
}

void GString::GetSubstring(GString& out, int index, int count) const
{
    GEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (fBytes.IsEmpty())
    {
        out.fBytes = GBuffer::cEmptyBuffer;
        out.SetEncoding(unicode);
        return;
    }
    EnsureUnicode();
    int length = UnitCount(fBytes);
    if (index < 0 || index >= length || count == 0)
        out.fBytes = GBuffer::cEmptyBuffer;
    else
    {
        // Cut in units, where a count up to INT_MAX cannot overflow the byte offsets.
        if (count < 0 || count > length - index)
            count = length - index;
        fBytes.GetSubBuffer(out.fBytes, 2 * index, 2 * count);
    }
    out.SetEncoding(unicode);
}
