// One language's texts in the string pool.
#include "GStringPoolTable.h"

void GStringPoolTable::SetString(int id, GString const& text, GEncoding* encoding)
{
    fStrings.Put(id, Entry(text, encoding));
}

void GStringPoolTable::SetDefaultString(int id, GString const& text, GEncoding* encoding)
{
    if (!fStrings.Contains(id))
        fStrings.Put(id, Entry(text, encoding));
}

void GStringPoolTable::GetAllStrings(GDict<int, GString>& out) const
{
    out.RemoveAll();
    fStrings.ForEach([&out](std::int32_t id, Entry const& entry) { out.Put(id, entry.first); });
}
