// One language's texts in the string pool: each string id with its text and the encoding the text
// was given in.
#pragma once

#include <cstdint>

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
    GStringPoolTable(GStringPoolTable const&) = delete;
    GStringPoolTable& operator=(GStringPoolTable const&) = delete;

    // Sets or replaces the entry of id.
    void SetString(int id, GString const& text, GEncoding* encoding);
    // Sets the entry only when id has none yet.
    void SetDefaultString(int id, GString const& text, GEncoding* encoding);
    // Null when id has no entry. The entry moves when the table grows.
    Entry const* FindStringForID(int id) const { return fStrings.Find(id); }
    // Empties out, then copies every (id, text) into it.
    void GetAllStrings(GDict<int, GString>& out) const;

private:
    GDict<std::int32_t, Entry> fStrings;
};
