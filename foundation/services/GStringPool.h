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
    // shared empty string when none has it (also before Initialize). Never reads string files. The
    // reference stays valid until Finalize: a later change of the entry shows through it.
    static GString const& GetString(int id);
    // The same lookup; false with out cleared when no table has id.
    static bool GetString(int id, GString& out);
    // Only the table of the given language (its string files read first when it has none yet),
    // without fallback.
    static bool GetString(GString const& language, int id, GString& out);
    static GString const& GetString(GString const& language, int id);
    // Empties out, then the texts of firstId, firstId + 1 and so on, up to the first id no table has.
    static void GetStringList(int firstId, GTable<GString>& out);
    static GTable<GString> GetStringList(int firstId);

    // The table of language. Without one, the language's string files are looked for once (never
    // again for that language) and may make it; null when they did not.
    static GStringPoolTable* GetStringPoolTable(GString const& language);
    // The table of language, created empty (and the language listed) when it has none. Reads no
    // files.
    static GStringPoolTable* GetTable(GString const& language);

    // Makes language current when it has a table (through GetStringPoolTable), otherwise "enUS";
    // true when it had one.
    static bool SetLanguage(GString const& language);
    static void GetLanguage(GString& out) { out = sCurrentLanguage; }
    static GString const& GetLanguage() { return sCurrentLanguage; }
    static GBuffer const& GetLanguageUTF8() { return sCurrentLanguageUTF8; }

    // The languages that have a table, in order of creation, followed by those of the installed
    // string files; filled by the first call and unchanged until Finalize.
    static GTable<GString> const& GetAvailableLanguages();
    static int GetNumAvailableLanguages() { return GetAvailableLanguages().GetCount(); }
    // Deletes the language's table; "enUS" and "Neutral", which every lookup relies on, are kept.
    // The current language gives way to "enUS" first. Texts handed out from the table stay readable
    // until Finalize.
    static void DeleteLanguage(GString const& language);
    // The offered language id that best matches the user's preferred languages, or "enUS".
    static void GetPreferredLanguage(GTable<GString> const& offered, GString& out);

    // Makes a language current for a scope, as SetLanguage does, and the one before current again
    // when it ends ("enUS" when that has no table any more).
    class TempLanguageForcer
    {
    public:
        explicit TempLanguageForcer(GString const& language);
        ~TempLanguageForcer();
        TempLanguageForcer(TempLanguageForcer const&) = delete;
        TempLanguageForcer& operator=(TempLanguageForcer const&) = delete;

        // Whether the current language differs from the one before.
        bool WasForced() const;

    private:
        GString fSaved;
    };

    // Calls fn(language, table) for every table, "Neutral" included, in the dictionary's order.
    template<class F>
    static void ForEachTable(F&& fn)
    {
        sStringPoolTables.ForEach([&fn](GString const& language, GStringPoolTable* table) { fn(language, table); });
    }

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
    // Languages whose string files were looked for, each once.
    static GTable<GString> sLanguagesRead;
    static GTable<GString> sAvailableLanguages;
    static bool sAvailableLanguagesCached;
    // Tables of deleted languages, kept until Finalize for the references handed out from them.
    static GTable<GStringPoolTable*> sRetiredTables;
};
