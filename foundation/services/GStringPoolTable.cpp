// One language's texts in the string pool.
#include "GStringPoolTable.h"

#include "GAutoPtr.h"

GStringPoolTable::~GStringPoolTable()
{
    fStrings.ForEach([](std::int32_t, Entry* entry) { delete entry; });
}

void GStringPoolTable::SetString(int id, GString const& text, GEncoding* encoding)
{
    if (Entry* const* entry = fStrings.Find(id))
    {
        (*entry)->first = text;
        (*entry)->second = encoding;
        return;
    }
    GAutoPtr<Entry> made(new Entry(text, encoding));
    fStrings.Put(id, made.Get());
    made.Release();
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
