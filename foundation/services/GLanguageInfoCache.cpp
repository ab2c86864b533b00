// The languages of the installed string files and their cache file.
#include "GLanguageInfoCache.h"

#include "GBin2TextStream.h"
#include "GBufferedInStreamDecorator.h"
#include "GDict.h"
#include "GFileInStream.h"
#include "GFileOutStream.h"
#include "GFileSystem.h"
#include "GStringFileReader.h"
#include "GStringPool.h"
#include "GText2BinStream.h"
#include "GUnicodeEncoding.h"
#include "PSystem.h"

namespace
{
char const* const cPathKey = "PathName";
char const* const cIDKey = "LanguageID";
char const* const cRomanKey = "LanguageNameRomanScript";
char const* const cJapaneseKey = "LanguageNameJapaneseScript";
} // namespace

GLanguageInfoCache* GLanguageInfoCache::sInstance = nullptr;

GLanguageInfoCache::GLanguageInfoCache()
    : fScript(PSystem::IsJapaneseUIEnabled() ? cJapaneseScript : cRomanScript)
{
}

GLanguageInfoCache::~GLanguageInfoCache()
{
    try
    {
        WriteCache();
    }
    catch (...) // a cache that cannot be written is made again from the files; a destructor must not
                // throw, whatever the write ran into (a std::bad_alloc of the runtime, say)
    {
    }
}

void GLanguageInfoCache::SetInstance(GLanguageInfoCache* cache)
{
    if (sInstance && sInstance != cache)
        delete sInstance;
    sInstance = cache;
}

void GLanguageInfoCache::SetCacheFile(GPathName const& path)
{
    fCacheFile = path;
    ReadCacheFile();
}

GLanguageInfo const* GLanguageInfoCache::AddLanguageInfo(GPathName const& stringFile)
{
    for (int i = 0; i < fEntries.GetCount(); ++i)
    {
        if (fEntries[i].GetPathName() == stringFile)
            return &fEntries[i];
    }
    GStringFileReader reader(stringFile);
    reader.ParseStringFile();
    GString const& id = reader.GetLanguageID();
    GString roman;
    GString japanese;
    GStringPool::GetString(id, cNameRomanScriptID, roman);
    GStringPool::GetString(id, cNameJapaneseScriptID, japanese);
    return &fEntries.AddItem(GLanguageInfo(stringFile, id, roman, japanese));
}

GString const& GLanguageInfoCache::NameIn(GLanguageInfo const& info) const
{
    return fScript == cJapaneseScript ? info.GetLanguageNameJapaneseScript() : info.GetLanguageNameRomanScript();
}

GLanguageInfo const* GLanguageInfoCache::GetLanguageInfoFromID(GString const& id) const
{
    for (int i = 0; i < fEntries.GetCount(); ++i)
    {
        if (fEntries[i].GetLanguageID() == id)
            return &fEntries[i];
    }
    return nullptr;
}

GLanguageInfo const* GLanguageInfoCache::GetLanguageInfoFromName(GString const& name) const
{
    if (fScript != cRomanScript && fScript != cJapaneseScript)
        return nullptr;
    for (int i = 0; i < fEntries.GetCount(); ++i)
    {
        if (NameIn(fEntries[i]) == name)
            return &fEntries[i];
    }
    return nullptr;
}

GString GLanguageInfoCache::GetLanguageNameRomanScript(GString const& id) const
{
    if (GLanguageInfo const* info = GetLanguageInfoFromID(id))
        return info->GetLanguageNameRomanScript();
    return GStringPool::GetString(id, cNameRomanScriptID);
}

GString GLanguageInfoCache::GetLanguageNameJapaneseScript(GString const& id) const
{
    if (GLanguageInfo const* info = GetLanguageInfoFromID(id))
        return info->GetLanguageNameJapaneseScript();
    return GStringPool::GetString(id, cNameJapaneseScriptID);
}

void GLanguageInfoCache::GetLanguageName(GString const& id, GString& out) const
{
    out.Clear();
    if (fScript == cRomanScript)
        out = GetLanguageNameRomanScript(id);
    else if (fScript == cJapaneseScript)
        out = GetLanguageNameJapaneseScript(id);
}

void GLanguageInfoCache::GetLanguageID(GString const& name, GString& out) const
{
    out.Clear();
    if (GLanguageInfo const* info = GetLanguageInfoFromName(name))
    {
        out = info->GetLanguageID();
        return;
    }
    GString english;
    if (fScript == cRomanScript)
        english = GStringPool::GetString(GStringPool::cEnglish, cNameRomanScriptID);
    else if (fScript == cJapaneseScript)
        english = GStringPool::GetString(GStringPool::cEnglish, cNameJapaneseScriptID);
    if (name == english)
        out = GStringPool::cEnglish;
}

void GLanguageInfoCache::WriteCache()
{
    if (fCacheFile.IsEmpty() || (GFileSystem::TryFileExists(fCacheFile) && GFileSystem::FileInUse(fCacheFile)))
        return;
    GFileOutStream file(fCacheFile, true);
    GText2BinStream text(file, GUnicodeEncoding::GetInstance());
    for (int i = 0; i < fEntries.GetCount(); ++i)
    {
        GLanguageInfo const& info = fEntries[i];
        GDict<GBuffer, GString> block;
        block.Put(GBuffer(cPathKey), info.GetPathName().GetCFMPathString());
        block.Put(GBuffer(cIDKey), info.GetLanguageID());
        block.Put(GBuffer(cRomanKey), info.GetLanguageNameRomanScript());
        block.Put(GBuffer(cJapaneseKey), info.GetLanguageNameJapaneseScript());
        block.WriteTo(text);
    }
    file.Flush();
}

void GLanguageInfoCache::ReadCacheFile()
{
    if (fCacheFile.IsEmpty() || !GFileSystem::TryFileExists(fCacheFile) || GFileSystem::FileInUse(fCacheFile))
        return;
    GFileInStream file(fCacheFile);
    GBufferedInStreamDecorator buffered(file, 1024);
    GBin2TextStream text(buffered, nullptr);
    GDict<GBuffer, GString> block;
    GBuffer const pathKey(cPathKey);
    GBuffer const idKey(cIDKey);
    GBuffer const romanKey(cRomanKey);
    GBuffer const japaneseKey(cJapaneseKey);
    while (block.ReadFrom(text))
    {
        GString const* path = block.Find(pathKey);
        GString const* id = block.Find(idKey);
        GString const* roman = block.Find(romanKey);
        GString const* japanese = block.Find(japaneseKey);
        if (!path || !id || !roman || !japanese)
            continue;
        GPathName pathName;
        pathName.SetCFMPathString(*path);
        fEntries.AddItem(GLanguageInfo(pathName, *id, *roman, *japanese));
    }
}
