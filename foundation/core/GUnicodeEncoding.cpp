// The Unicode encoding: its glyph-name tables, the lookups by name and by code, and the direct
// conversions from UTF-16 into the fixed single-byte encodings.
#include "GUnicodeEncoding.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "GASCIIEncoding.h"
#include "GAllocator.h"
#include "GCharCode.h"
#include "GCustomEncoding.h"
#include "GPlatformEncoding.h"
#include "GSingleByteTables.h"
#include "GUnicodeTables.h"

namespace
{
GTable<unsigned char> MakeSeparator(unsigned char separator)
{
    GTable<unsigned char> table;
    table.AddItem(separator);
    return table;
}

// The tables live in allocator memory like every other object of the framework.
template<class T, class... Args>
T* MakeObject(Args&&... args)
{
    void* block = GAllocator::GetInstance()->Alloc(sizeof(T));
    try
    {
        return ::new (block) T(std::forward<Args>(args)...);
    }
    catch (...) // the block is given back, the failure passed on
    {
        GAllocator::GetInstance()->Free(block, sizeof(T));
        throw;
    }
}

template<class T>
void DeleteObject(T*& object)
{
    if (!object)
        return;
    object->~T();
    GAllocator::GetInstance()->Free(object, sizeof(T));
    object = nullptr;
}

// Units from U+0100 up of one single-byte table, sorted by unit, each with the lowest code that
// reads as it: a binary search replaces a scan of the 256 entries per unit.
class HighUnitCodes
{
public:
    void Build(unsigned short const* toUnicode)
    {
        fCount = 0;
        for (int code = 0; code < 256; ++code)
        {
            if (toUnicode[code] >= 0x100)
                fEntries[fCount++] = Entry{toUnicode[code], static_cast<unsigned char>(code)};
        }
        // Stable, so of the codes that share a unit the lowest comes first and is the one kept.
        std::stable_sort(fEntries, fEntries + fCount,
                         [](Entry const& a, Entry const& b) { return a.fUnit < b.fUnit; });
        int kept = 0;
        for (int i = 0; i < fCount; ++i)
        {
            if (kept == 0 || fEntries[kept - 1].fUnit != fEntries[i].fUnit)
                fEntries[kept++] = fEntries[i];
        }
        fCount = kept;
    }

    // 0 when no code reads as the unit.
    unsigned char Find(unsigned short unit) const
    {
        Entry const* end = fEntries + fCount;
        Entry const* found = std::lower_bound(fEntries, end, unit,
                                              [](Entry const& e, unsigned short u) { return e.fUnit < u; });
        return found != end && found->fUnit == unit ? found->fCode : 0;
    }

private:
    struct Entry
    {
        unsigned short fUnit;
        unsigned char fCode;
    };
    Entry fEntries[256];
    int fCount = 0;
};

HighUnitCodes sMacRomanHighCodes;
HighUnitCodes sWinAnsiHighCodes;
HighUnitCodes sPDFDocHighCodes;

constexpr unsigned short cBullet = 0x2022;
constexpr unsigned char cWinAnsiBullet = 0x95;

// Never preferred as a code's name: the dingbat style "a" + the decimal text of a number ("a1",
// "a202"); "a01" and "alpha" do not count.
bool IsNeverPreferred(GBuffer const& name)
{
    int const length = name.GetLength();
    unsigned char const* bytes = name.GetPtr();
    if (length < 2 || bytes[0] != 'a')
        return false;
    if (bytes[1] == '0' && length > 2)
        return false;
    for (int i = 1; i < length; ++i)
    {
        if (bytes[i] < '0' || bytes[i] > '9')
            return false;
    }
    return true;
}

} // namespace

GSharedObject<GUnicodeEncoding> GUnicodeEncoding::sTheUnicodeEncoding;
GBuffer const GUnicodeEncoding::sUnicodeDescription = GBuffer::FromStatic("UnicodeEncoding");
GTable<unsigned char> const GUnicodeEncoding::cUnderscoreSeparator = MakeSeparator('_');

GDict<GBuffer, unsigned short>* GUnicodeEncoding::sCharCodes = nullptr;
GDict<unsigned short, GBuffer>* GUnicodeEncoding::sGlyphNames = nullptr;
GDict<unsigned short, GTable<GBuffer>>* GUnicodeEncoding::sGlyphNameTables = nullptr;
GDict<unsigned short, unsigned short>* GUnicodeEncoding::sUnicodeCompatCharsDict = nullptr;
unsigned char GUnicodeEncoding::sUnicodeToMacRoman[256];
unsigned char GUnicodeEncoding::sUnicodeToWinAnsi[256];
unsigned char GUnicodeEncoding::sUnicodeToPDFDoc[256];

GUnicodeEncoding::~GUnicodeEncoding() = default;

void GUnicodeEncoding::Initialize()
{
    // The tables are built from constant data, so a second call has nothing to add.
    if (sCharCodes)
        return;

    std::memset(sUnicodeToMacRoman, 0, sizeof sUnicodeToMacRoman);
    std::memset(sUnicodeToWinAnsi, 0, sizeof sUnicodeToWinAnsi);
    std::memset(sUnicodeToPDFDoc, 0, sizeof sUnicodeToPDFDoc);
    for (int code = 0; code < 256; ++code)
    {
        unsigned short unit = sMacRomanToUnicode[code];
        if (unit >= 1 && unit <= 0xFF && sUnicodeToMacRoman[unit] == 0)
            sUnicodeToMacRoman[unit] = static_cast<unsigned char>(code);
        unit = sPDFDocToUnicode[code];
        if (unit >= 1 && unit <= 0xFF && sUnicodeToPDFDoc[unit] == 0)
            sUnicodeToPDFDoc[unit] = static_cast<unsigned char>(code);
        // The bullets that fill the code page's holes (0x7F, 0x81 ...) and the C1 range are never
        // written for a Latin-1 unit.
        unit = sWinAnsiToUnicode[code];
        if (unit >= 1 && unit <= 0xFF && (code < 0x7F || code > 0x9F) && sUnicodeToWinAnsi[unit] == 0)
            sUnicodeToWinAnsi[unit] = static_cast<unsigned char>(code);
    }
    sMacRomanHighCodes.Build(sMacRomanToUnicode);
    sWinAnsiHighCodes.Build(sWinAnsiToUnicode);
    sPDFDocHighCodes.Build(sPDFDocToUnicode);

    try
    {
        sUnicodeCompatCharsDict = MakeObject<GDict<unsigned short, unsigned short>>(cUnicodeCompatCharRows);
        for (GUnicodeCompatCharRow const* row = sUnicodeCompatChars; row->fCharacter != 0; ++row)
            sUnicodeCompatCharsDict->Put(row->fCharacter, row->fReplacement);

        sCharCodes = MakeObject<GDict<GBuffer, unsigned short>>(cUnicodeGlyphNameRows);
        sGlyphNames = MakeObject<GDict<unsigned short, GBuffer>>(4002);
        sGlyphNameTables = MakeObject<GDict<unsigned short, GTable<GBuffer>>>(571);
        GBuffer name;
        for (GUnicodeGlyphNameRow const* row = sUnicodeGlyphNames; row->fName; ++row)
        {
            // Every code of the table is one UTF-16 unit; the generator checks it.
            unsigned short const code = static_cast<unsigned short>(row->fCode);
            name.SetFromStatic(row->fName);
            sCharCodes->Put(name, code);
            int slot;
            int const home = sGlyphNames->GetExistingIndex(code, slot);
            if (home >= 0)
            {
                // A second name: the code moves from the one-name dictionary to the lists.
                GTable<GBuffer> names;
                names.AddItem(sGlyphNames->GetValueAt(slot));
                PlaceGlyphName(names, name);
                sGlyphNames->RemoveIndex(slot, home);
                sGlyphNameTables->Put(code, names);
            }
            else if (GTable<GBuffer>* names = sGlyphNameTables->Find(code))
                PlaceGlyphName(*names, name);
            else
                sGlyphNames->Put(code, name);
        }
    }
    catch (...) // nothing half-built stays behind; the failure is passed on
    {
        Finalize();
        throw;
    }
}

// Only the first entry has a meaning of its own; the rest keep the order they came in.
void GUnicodeEncoding::PlaceGlyphName(GTable<GBuffer>& names, GBuffer const& name)
{
    if (names.GetCount() == 0)
    {
        names.AddItem(name);
        return;
    }
    GBuffer const& preferred = names[0];
    bool const nameNever = IsNeverPreferred(name);
    bool const preferredNever = IsNeverPreferred(preferred);
    bool const toFront = (preferredNever && !nameNever) ||
                         (preferredNever == nameNever && name.GetLength() < preferred.GetLength());
    if (toFront)
        names.InsertItemAt(0, name);
    else
        names.AddItem(name);
}

void GUnicodeEncoding::Finalize()
{
    DeleteObject(sGlyphNames);
    DeleteObject(sGlyphNameTables);
    DeleteObject(sCharCodes);
    DeleteObject(sUnicodeCompatCharsDict);
}

GUnicodeEncoding* GUnicodeEncoding::GetInstance()
{
    return sTheUnicodeEncoding.Get();
}

void GUnicodeEncoding::SetInstance(GUnicodeEncoding* encoding)
{
    sTheUnicodeEncoding = encoding;
}

unsigned GUnicodeEncoding::ConvertFrom(GBuffer const& src, GEncoding const* srcEncoding, GBuffer& out) const
{
    return srcEncoding->ConvertTo(src, this, out);
}

unsigned GUnicodeEncoding::ConvertTo(GBuffer const& src, GUnicodeEncoding const*, GBuffer& out) const
{
    int const length = src.GetLength();
    if (&src != &out)
        out = src;
    if ((length & 1) != 0)
        out.SetLength(length - 1);
    return GEncodingResult::cComplete;
}

unsigned GUnicodeEncoding::ConvertTo(GBuffer const& src, GMacRomanEncoding const*, GBuffer& out) const
{
    return ConvertUnitsToBytes(src, out,
                               [](unsigned short unit, unsigned char& code)
                               {
                                   code = unit < 0x100 ? sUnicodeToMacRoman[unit]
                                                       : sMacRomanHighCodes.Find(unit);
                                   return code != 0;
                               });
}

unsigned GUnicodeEncoding::ConvertTo(GBuffer const& src, GASCIIEncoding const*, GBuffer& out) const
{
    return ConvertUnitsToBytes(
        src, out,
        [](unsigned short unit, unsigned char& code)
        {
            code =
                unit < 0x100 ? static_cast<unsigned char>(GASCIIEncoding::sASCIIToUnicode[unit] & 0xFF) : 0;
            return code != 0;
        });
}

unsigned GUnicodeEncoding::ConvertTo(GBuffer const& src, GWinAnsiEncoding const*, GBuffer& out) const
{
    return ConvertUnitsToBytes(src, out,
                               [](unsigned short unit, unsigned char& code)
                               {
                                   // The lowest code with the bullet is 0x7F, one of the holes; the real
                                   // bullet is 0x95.
                                   code = unit < 0x100      ? sUnicodeToWinAnsi[unit]
                                          : unit == cBullet ? cWinAnsiBullet
                                                            : sWinAnsiHighCodes.Find(unit);
                                   return code != 0;
                               });
}

// The target reads whole units only and may write into its own input (ConvertFromUnicode).
unsigned GUnicodeEncoding::ConvertTo(GBuffer const& src, GCustomEncoding const* target, GBuffer& out) const
{
    return target->ConvertFromUnicode(src, out);
}

unsigned GUnicodeEncoding::ConvertTo(GBuffer const& src, GPDFDocEncoding const*, GBuffer& out) const
{
    return ConvertUnitsToBytes(src, out,
                               [](unsigned short unit, unsigned char& code)
                               {
                                   code = unit < 0x100 ? sUnicodeToPDFDoc[unit] : sPDFDocHighCodes.Find(unit);
                                   return code != 0;
                               });
}

bool GUnicodeEncoding::GetGlyphName(GCharCode const& code, GBuffer& name) const
{
    name.SetLength(0);
    int const length = code.GetLength();
    if ((length != 1 && length != 2) || !sGlyphNames)
        return false;
    unsigned short const unit = code;
    if (GBuffer const* only = sGlyphNames->Find(unit))
    {
        name = *only;
        return true;
    }
    if (GTable<GBuffer> const* names = sGlyphNameTables->Find(unit))
    {
        if (names->GetCount() > 0)
        {
            name = (*names)[0];
            return true;
        }
    }
    return false;
}

void GUnicodeEncoding::GetGlyphNameTable(GCharCode const& code, GTable<GBuffer>& names) const
{
    names.Resize(0);
    int const length = code.GetLength();
    if ((length != 1 && length != 2) || !sGlyphNames)
        return;
    unsigned short const unit = code;
    if (GBuffer const* only = sGlyphNames->Find(unit))
        names.AddItem(*only);
    else if (GTable<GBuffer> const* all = sGlyphNameTables->Find(unit))
        names.AddItems(all->GetItems(), all->GetCount());
}

bool GUnicodeEncoding::ResolveName(GBuffer const& name, GCharCode& code) const
{
    if (unsigned short const* unit = sCharCodes->Find(name))
    {
        code.Set(*unit);
        return true;
    }
    GetLigatureCharCode(name, code);
    return code.GetLength() > 0;
}

void GUnicodeEncoding::GetCharCode(GBuffer const& name, GCharCode& code) const
{
    code.Clear();
    if (!sCharCodes || ResolveName(name, code))
        return;
    // One level of suffix: "A.sc" and "Aacute.alt.sc" are read as "A" and "Aacute".
    int const dot = name.FindFirstOccurrence(static_cast<unsigned char>('.'), 0);
    if (dot > 0)
    {
        GBuffer base;
        name.GetSubBuffer(base, 0, dot);
        ResolveName(base, code);
    }
}

void GUnicodeEncoding::GetLigatureCharCode(GBuffer const& name, GCharCode& code) const
{
    code.Clear();
    if (!sCharCodes)
        return;
    unsigned char const* separators = cUnderscoreSeparator.GetItems();
    int const separatorCount = cUnderscoreSeparator.GetCount();
    int const length = name.GetLength();
    if (name.FindFirstOccurrence(separators, separatorCount, 0) < 0)
        return;

    GBuffer part;
    part.Allocate(length);
    unsigned char const* bytes = name.GetPtr();
    for (int i = 0; i < length; ++i)
    {
        if (std::find(separators, separators + separatorCount, bytes[i]) == separators + separatorCount)
            part += bytes[i];
    }
    if (unsigned short const* unit = sCharCodes->Find(part))
    {
        code.Set(*unit);
        return;
    }

    // Each part on its own; the code holds the units most significant byte first, as every code does.
    unsigned char units[GCharCode::cMaxLength];
    int unitBytes = 0;
    int start = 0;
    while (start < length)
    {
        int end = name.FindFirstOccurrence(separators, separatorCount, start);
        if (end < 0)
            end = length;
        if (end > start)
        {
            name.GetSubBuffer(part, start, end - start);
            unsigned short const* unit = sCharCodes->Find(part);
            // A ligature of more units than a code can hold has no code either.
            if (!unit || unitBytes + 2 > GCharCode::cMaxLength)
                return;
            units[unitBytes++] = static_cast<unsigned char>(*unit >> 8);
            units[unitBytes++] = static_cast<unsigned char>(*unit & 0xFF);
        }
        start = end + 1;
    }
    if (unitBytes > 0)
        code.Set(units, unitBytes);
}

bool GUnicodeEncoding::GetCompatChar(GCharCode const& code, GCharCode& replacement) const
{
    if (code.GetLength() > 2 || !sUnicodeCompatCharsDict)
        return false;
    unsigned short const unit = code;
    unsigned short const* found = sUnicodeCompatCharsDict->Find(unit);
    if (!found)
        return false;
    replacement.Set(*found);
    return true;
}

void GUnicodeEncoding::EnsureComposedUnicode(GBuffer& utf16) const
{
    // Without a platform factory (before the platform start-up) the text stays as it is.
    if (GPlatformEncoding const* platform = GPlatformEncoding::GetInstance())
        platform->EnsureComposedUnicode(utf16, false);
}

void GUnicodeEncoding::Normalize(GBuffer& bytes) const
{
    EnsureComposedUnicode(bytes);
}

int GUnicodeEncoding::GetLength(unsigned char const* text) const
{
    if (!text)
        return 0;
    int length = 0;
    while (text[length] != 0 || text[length + 1] != 0)
        length += 2;
    return length;
}

GDict<GBuffer, unsigned short> const* GUnicodeEncoding::GetCharCodes() const
{
    return sCharCodes;
}

GBuffer const& GUnicodeEncoding::GetASCIIDescription() const
{
    return sUnicodeDescription;
}
