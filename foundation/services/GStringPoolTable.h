// One language's texts in the string pool: each string id with its text and the encoding the text
// was given in.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "GDict.h"
#include "GPair.h"
#include "GString.h"

class GEncoding;

class GStringPoolTable
{
public:
    // The text and the encoding it was given in (a shared singleton, not owned; null when a source
    // named an encoding that is not known).
    using Entry = GPair<GString, GEncoding*>;

    GStringPoolTable() = default;
    ~GStringPoolTable();
    GStringPoolTable(GStringPoolTable const&) = delete;
    GStringPoolTable& operator=(GStringPoolTable const&) = delete;

    // Sets or replaces the entry of id. A replaced entry keeps its place, so a reference to its text
    // sees the new text.
    void SetString(int id, GString const& text, GEncoding* encoding);
    // Sets the entry only when id has none yet.
    void SetDefaultString(int id, GString const& text, GEncoding* encoding);
    // Null when id has no entry. An entry stays where it is while the table lives, however many
    // entries are added after it.
    Entry const* FindStringForID(int id) const
    {
        if (fStrings.GetCount() == 0)
            return nullptr;
        Entry* const* entry = fStrings.Find(id);
        return entry ? *entry : nullptr;
    }
    // Empties out, then copies every (id, text) into it.
    void GetAllStrings(GDict<int, GString>& out) const;
    int GetCount() const { return fStrings.GetCount(); }
    // Calls fn(id, entry) for every entry, in the dictionary's order.
    template<class F>
    void ForEachEntry(F&& fn) const
    {
        fStrings.ForEach([&fn](std::int32_t id, Entry const* entry) { fn(id, *entry); });
    }

private:
    // A place for one more entry, in the newest block.
    Entry* MakeEntry(GString const& text, GEncoding* encoding);

    // The dictionary holds pointers to the entries: it moves its slots when it grows, and the pool
    // hands out references to the texts. The entries live in blocks, each twice the size of the one
    // before (up to a limit), so that a table of thousands takes a few allocations, not one each.
    GDict<std::int32_t, Entry*> fStrings;
    std::vector<std::unique_ptr<Entry[]>> fBlocks;
    int fLastBlockSize = 0;
    int fLastBlockUsed = 0;
};
