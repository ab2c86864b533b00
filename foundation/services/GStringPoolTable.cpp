// One language's texts in the string pool.
#include "GStringPoolTable.h"

#include <algorithm>

namespace
{
constexpr int cFirstBlockSize = 16;
constexpr int cLargestBlockSize = 512;
} // namespace

GStringPoolTable::~GStringPoolTable() = default;

GStringPoolTable::Entry* GStringPoolTable::MakeEntry(GString const& text, GEncoding* encoding)
{
    if (fLastBlockUsed == fLastBlockSize)
    {
        int const size = fLastBlockSize == 0 ? cFirstBlockSize : std::min(2 * fLastBlockSize, cLargestBlockSize);
        fBlocks.push_back(std::make_unique<Entry[]>(size));
        fLastBlockSize = size;
        fLastBlockUsed = 0;
    }
    Entry* entry = &fBlocks.back()[fLastBlockUsed];
    entry->first = text;
    entry->second = encoding;
    ++fLastBlockUsed;
    return entry;
}

void GStringPoolTable::SetString(int id, GString const& text, GEncoding* encoding)
{
    if (Entry* const* entry = fStrings.Find(id))
    {
        (*entry)->first = text;
        (*entry)->second = encoding;
        return;
    }
    // Should the dictionary fail to grow, the entry goes back to its block for the next one.
    Entry* const entry = MakeEntry(text, encoding);
    try
    {
        fStrings.Put(id, entry);
    }
    catch (...)
    {
        entry->first.Clear();
        --fLastBlockUsed;
        throw;
    }
}

void GStringPoolTable::SetDefaultString(int id, GString const& text, GEncoding* encoding)
{
    if (!fStrings.Contains(id))
        SetString(id, text, encoding);
}

void GStringPoolTable::GetAllStrings(GDict<int, GString>& out) const
{
    out.RemoveAll();
    fStrings.ForEach([&out](std::int32_t id, Entry const* entry) { out.Put(id, entry->first); });
}
