// The process-wide record of the languages the installed string files provide, by file, id and
// name, so that a language can be shown by its name and a shown name mapped back to its id. It
// can keep itself in a cache file of dictionary blocks.
#pragma once

#include "GLanguageInfo.h"
#include "GPathName.h"
#include "GString.h"
#include "GTable.h"

class GLanguageInfoCache
{
public:
    enum LanguageScript
    {
        cRomanScript = 0,
        cJapaneseScript = 1
    };

    // String-pool ids of a language's own name in Roman and in Japanese script.
    static constexpr int cNameRomanScriptID = 921032;
    static constexpr int cNameJapaneseScriptID = 921033;

    // The Japanese script when the user interface is Japanese, else the Roman one.
    GLanguageInfoCache();
    // Writes the cache file first; errors doing so are dropped.
    ~GLanguageInfoCache();
    GLanguageInfoCache(GLanguageInfoCache const&) = delete;
    GLanguageInfoCache& operator=(GLanguageInfoCache const&) = delete;

    // Sets the cache file and reads it.
    void SetCacheFile(GPathName const& path);
    void SetLanguageScript(LanguageScript script) { fScript = script; }

    // The entry of the string file: the existing one of that path, else one made by reading the
    // file and appended. Errors reading the file are thrown and add nothing.
    GLanguageInfo const* AddLanguageInfo(GPathName const& stringFile);
    // The first entry with the id or, by name, with the name in the current script; null for none.
    GLanguageInfo const* GetLanguageInfoFromID(GString const& id) const;
    GLanguageInfo const* GetLanguageInfoFromName(GString const& name) const;
    // The entry's name, or without an entry the string pool's name text in language id.
    GString GetLanguageNameRomanScript(GString const& id) const;
    GString GetLanguageNameJapaneseScript(GString const& id) const;
    // The name in the current script; out stays empty for an unknown script.
    void GetLanguageName(GString const& id, GString& out) const;
    // The id of the first entry named name in the current script; "enUS" when name is English's
    // own name in the string pool; otherwise out stays empty.
    void GetLanguageID(GString const& name, GString& out) const;

    // Writes every entry to the cache file; nothing without one, or when another process uses it.
    void WriteCache();
    // Appends the entries of the cache file up to its first damaged block; blocks that lack one of
    // the four keys are skipped.
    void ReadCacheFile();

    int GetCount() const { return fEntries.GetCount(); }
    GLanguageInfo const& GetAt(int index) const { return fEntries[index]; }

    static GLanguageInfoCache* GetInstance() { return sInstance; }
    // Writes and deletes the instance before, then installs the new one (or none).
    static void SetInstance(GLanguageInfoCache* cache);

private:
    GString const& NameIn(GLanguageInfo const& info) const;

    GPathName fCacheFile;
    GTable<GLanguageInfo> fEntries;
    LanguageScript fScript;

    static GLanguageInfoCache* sInstance;
};
