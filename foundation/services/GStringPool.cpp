// The string pool's tables and the current language.
#include "GStringPool.h"

#include <new>

#include "GAllocator.h"
#include "GStringPoolTable.h"
#include "GUTF8Encoding.h"

GString GStringPool::cEnglish;
GString GStringPool::cNeutral;
GDict<GString, GStringPoolTable*> GStringPool::sStringPoolTables;
GStringPoolTable* GStringPool::sEnglishTable = nullptr;
GStringPoolTable* GStringPool::sNeutralTable = nullptr;
GString GStringPool::sCurrentLanguage;
GBuffer GStringPool::sCurrentLanguageUTF8;
GStringPoolTable* GStringPool::sCurrentLanguageTable = nullptr;
GTable<GString> GStringPool::sLanguages;

namespace
{
// Language ids are kept as UTF-16, the form in which they hash without a conversion.
GString LanguageID(char const* text)
{
    GString id(text);
    id.EnsureUnicode();
    return id;
}
} // namespace

void GStringPool::Initialize()
{
    cEnglish = LanguageID("enUS");
    sEnglishTable = GetTable(cEnglish);
    cNeutral = LanguageID("Neutral");
    sNeutralTable = FindTable(cNeutral);
    if (!sNeutralTable)
    {
        sNeutralTable = NewTable();
        sStringPoolTables.Put(cNeutral, sNeutralTable);
    }
    MakeCurrent(cEnglish, sEnglishTable);
}

void GStringPool::Finalize()
{
    sStringPoolTables.ForEach([](GString const&, GStringPoolTable* table) { DeleteTable(table); });
    sStringPoolTables.RemoveAll();
    sLanguages.Resize(0);
    sEnglishTable = nullptr;
    sNeutralTable = nullptr;
    sCurrentLanguageTable = nullptr;
    // Assigned fresh rather than cleared: the strings give back their storage and encodings now,
    // before the encodings are taken down.
    sCurrentLanguage = GString();
    sCurrentLanguageUTF8 = GBuffer();
    cNeutral = GString();
    cEnglish = GString();
}

GString const& GStringPool::GetString(int id)
{
    GStringPoolTable::Entry const* entry = sNeutralTable ? sNeutralTable->FindStringForID(id) : nullptr;
    // The current table may be the "Neutral" or the "enUS" one; neither is searched twice.
    if (!entry && sCurrentLanguageTable && sCurrentLanguageTable != sNeutralTable)
        entry = sCurrentLanguageTable->FindStringForID(id);
    if (!entry && sEnglishTable && sEnglishTable != sCurrentLanguageTable)
        entry = sEnglishTable->FindStringForID(id);
    return entry ? entry->first : GString::cEmptyString;
}

bool GStringPool::GetString(int id, GString& out)
{
    GString const& text = GetString(id);
    if (&text == &GString::cEmptyString)
    {
        out.Clear();
        return false;
    }
    out = text;
    return true;
}

bool GStringPool::GetString(GString const& language, int id, GString& out)
{
    GStringPoolTable const* table = FindTable(language);
    GStringPoolTable::Entry const* entry = table ? table->FindStringForID(id) : nullptr;
    if (!entry)
    {
        out.Clear();
        return false;
    }
    out = entry->first;
    return true;
}

GString const& GStringPool::GetString(GString const& language, int id)
{
    GStringPoolTable const* table = FindTable(language);
    GStringPoolTable::Entry const* entry = table ? table->FindStringForID(id) : nullptr;
    return entry ? entry->first : GString::cEmptyString;
}

GStringPoolTable* GStringPool::GetTable(GString const& language)
{
    if (GStringPoolTable* table = FindTable(language))
        return table;
    GString key(language);
    key.EnsureUnicode();
    GStringPoolTable* table = NewTable();
    try
    {
        sStringPoolTables.Put(key, table);
    }
    catch (...) // the table never reached the dictionary that owns it
    {
        DeleteTable(table);
        throw;
    }
    sLanguages.AddUniqueItem(key);
    return table;
}

bool GStringPool::SetLanguage(GString const& language)
{
    GStringPoolTable* table = FindTable(language);
    if (table)
        MakeCurrent(language, table);
    else
        MakeCurrent(cEnglish, sEnglishTable);
    return table != nullptr;
}

GStringPoolTable* GStringPool::FindTable(GString const& language)
{
    GStringPoolTable* const* table = sStringPoolTables.Find(language);
    return table ? *table : nullptr;
}

void GStringPool::MakeCurrent(GString const& language, GStringPoolTable* table)
{
    sCurrentLanguage = language;
    GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
    if (utf8)
        language.GetBuffer(sCurrentLanguageUTF8, utf8);
    else
        sCurrentLanguageUTF8 = GBuffer();
    sCurrentLanguageTable = table;
}

GStringPoolTable* GStringPool::NewTable()
{
    void* block = GAllocator::GetInstance()->Alloc(sizeof(GStringPoolTable));
    try
    {
        return ::new (block) GStringPoolTable;
    }
    catch (...) // the block goes back before the failure travels on
    {
        GAllocator::GetInstance()->Free(block, sizeof(GStringPoolTable));
        throw;
    }
}

void GStringPool::DeleteTable(GStringPoolTable* table)
{
    table->~GStringPoolTable();
    GAllocator::GetInstance()->Free(table, sizeof(GStringPoolTable));
}
