// The string pool's tables and the current language.
#include "GStringPool.h"

#include <climits>
#include <new>
#include <utility>

#include "GASCIIEncoding.h"
#include "GAllocator.h"
#include "GStringPoolSupport.h"
#include "GStringPoolTable.h"
#include "GUTF8Encoding.h"
#include "PSystem.h"

GString GStringPool::cEnglish;
GString GStringPool::cNeutral;
GDict<GString, GStringPoolTable*> GStringPool::sStringPoolTables;
GStringPoolTable* GStringPool::sEnglishTable = nullptr;
GStringPoolTable* GStringPool::sNeutralTable = nullptr;
GString GStringPool::sCurrentLanguage;
GBuffer GStringPool::sCurrentLanguageUTF8;
GStringPoolTable* GStringPool::sCurrentLanguageTable = nullptr;
GTable<GString> GStringPool::sLanguages;
GTable<GString> GStringPool::sLanguagesRead;
GTable<GString> GStringPool::sAvailableLanguages;
bool GStringPool::sAvailableLanguagesCached = false;
GTable<GStringPoolTable*> GStringPool::sRetiredTables;

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
    for (int i = 0; i < sRetiredTables.GetCount(); ++i)
        DeleteTable(sRetiredTables[i]);
    sRetiredTables.Resize(0);
    sLanguages.Resize(0);
    sLanguagesRead.Resize(0);
    sAvailableLanguages.Resize(0);
    sAvailableLanguagesCached = false;
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
    GStringPoolTable const* table = GetStringPoolTable(language);
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
    GStringPoolTable const* table = GetStringPoolTable(language);
    GStringPoolTable::Entry const* entry = table ? table->FindStringForID(id) : nullptr;
    return entry ? entry->first : GString::cEmptyString;
}

void GStringPool::GetStringList(int firstId, GTable<GString>& out)
{
    out.Resize(0);
    GString text;
    for (int id = firstId; GetString(id, text); ++id)
    {
        out.AddItem(text);
        if (id == INT_MAX)
            break;
    }
}

GTable<GString> GStringPool::GetStringList(int firstId)
{
    GTable<GString> out;
    GetStringList(firstId, out);
    return out;
}

GStringPoolTable* GStringPool::GetStringPoolTable(GString const& language)
{
    if (GStringPoolTable* table = FindTable(language))
        return table;
    for (int i = 0; i < sLanguagesRead.GetCount(); ++i)
    {
        if (sLanguagesRead[i] == language)
            return nullptr;
    }
    GString key(language);
    key.EnsureUnicode();
    sLanguagesRead.AddItem(key);
    GStringPoolSupport::ReadDefaultStringFile(key);
    return FindTable(language);
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
    GStringPoolTable* table = GetStringPoolTable(language);
    if (table)
        MakeCurrent(language, table);
    else
        MakeCurrent(cEnglish, sEnglishTable);
    return table != nullptr;
}

GTable<GString> const& GStringPool::GetAvailableLanguages()
{
    if (sAvailableLanguagesCached)
        return sAvailableLanguages;
    GTable<GString> available(sLanguages);
    GTable<GString> installed;
    GStringPoolSupport::GetDefaultAvailableLanguages(installed);
    for (int i = 0; i < installed.GetCount(); ++i)
        available.AddUniqueItem(installed[i]);
    sAvailableLanguages = std::move(available);
    sAvailableLanguagesCached = true;
    return sAvailableLanguages;
}

void GStringPool::DeleteLanguage(GString const& language)
{
    // The lookups and the current language always reach these two tables.
    if (language == cEnglish || language == cNeutral)
        return;
    if (language == sCurrentLanguage)
        SetLanguage(cEnglish);
    sLanguages.RemoveItem(language);
    int slot;
    if (sStringPoolTables.GetExistingIndex(language, slot) < 0)
        return;
    GStringPoolTable* table = sStringPoolTables.GetValueAt(slot);
    sRetiredTables.AddItem(table);
    sStringPoolTables.Remove(language);
}

void GStringPool::GetPreferredLanguage(GTable<GString> const& offered, GString& out)
{
    GASCIIEncoding const* ascii = GASCIIEncoding::GetInstance();
    GTable<GBuffer> codes;
    for (int i = 0; i < offered.GetCount(); ++i)
        codes.AddItem(offered[i].GetBuffer(ascii));
    GBuffer chosen;
    PSystem::GetPreferredLanguage(codes, chosen);
    out = GString(chosen, GASCIIEncoding::GetInstance(), true);
}

GStringPool::TempLanguageForcer::TempLanguageForcer(GString const& language) : fSaved(sCurrentLanguage)
{
    SetLanguage(language);
}

GStringPool::TempLanguageForcer::~TempLanguageForcer()
{
    SetLanguage(fSaved);
}

bool GStringPool::TempLanguageForcer::WasForced() const
{
    return sCurrentLanguage != fSaved;
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
