// The string pool: every user-visible text by its integer string id, one table per language, with
// the language-independent texts first and the built-in English last.
#pragma once

#include "GBuffer.h"
#include "GDict.h"
#include "GString.h"
#include "GTable.h"

class GStringPoolTable;

class GStringPool
{
public:
    GStringPool() = delete;

    // Creates the "enUS" and "Neutral" tables and makes "enUS" current. Must precede every other
    // call; tables that registrations made before it are kept.
    static void Initialize();
    // Deletes every table and clears the state; the pool may be initialised again afterwards.
    static void Finalize();

    // The text of id from the "Neutral" table, else the current language's, else "enUS"'s; the
    // shared empty string when none has it (also before Initialize). The reference stays valid until
    // the table that holds it changes or the pool is finalised.
    static GString const& GetString(int id);
    // The same lookup; false with out cleared when no table has id.
    static bool GetString(int id, GString& out);
    // Only the table of the given language, without fallback.
    static bool GetString(GString const& language, int id, GString& out);
    static GString const& GetString(GString const& language, int id);

    // The table of language, created empty (and the language listed) when it has none.
    static GStringPoolTable* GetTable(GString const& language);

    // Makes language current when it has a table, otherwise "enUS"; true when it had one.
    static bool SetLanguage(GString const& language);
    static void GetLanguage(GString& out) { out = sCurrentLanguage; }
    static GString const& GetLanguage() { return sCurrentLanguage; }
    static GBuffer const& GetLanguageUTF8() { return sCurrentLanguageUTF8; }

    static GString cEnglish;
    static GString cNeutral;

private:
    // The existing table of language, or null.
    static GStringPoolTable* FindTable(GString const& language);
    static void MakeCurrent(GString const& language, GStringPoolTable* table);
    static GStringPoolTable* NewTable();
    static void DeleteTable(GStringPoolTable* table);

    // Owns the tables; keyed by language id.
    static GDict<GString, GStringPoolTable*> sStringPoolTables;
    static GStringPoolTable* sEnglishTable;
    static GStringPoolTable* sNeutralTable;
    static GString sCurrentLanguage;
    static GBuffer sCurrentLanguageUTF8;
    static GStringPoolTable* sCurrentLanguageTable;
    // Languages that have a table, in order of creation, "enUS" first; never "Neutral".
    static GTable<GString> sLanguages;
};
