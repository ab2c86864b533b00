// Temporary paths that remove themselves, listed in the plug-in's preference file.
#include "GCPTSmartPathName.h"

#include <climits>
#include <cstring>

#include "GException.h"
#include "GFileSystem.h"
#include "GPrefModule.h"
#include "GPreferences.h"
#include "GString.h"
#include "GTable.h"
#include "GUTF8Encoding.h"

GBuffer const GCPTSmartPathName::cGroup("SmartFileList");
GBuffer const GCPTSmartPathName::cMaxCountKey("MaxCount");
char const* const GCPTSmartPathName::cKeyPrefix = "FilePathName_";
std::int32_t GCPTSmartPathName::sInitialized = 0;

namespace
{
constexpr std::int32_t cModule = GPreferences::cUserModuleID;

// The number a listing key carries, or 0 when the key is none.
int NumberOfKey(GBuffer const& key)
{
    std::size_t const prefix = std::strlen(GCPTSmartPathName::cKeyPrefix);
    if (static_cast<std::size_t>(key.GetLength()) <= prefix ||
        std::memcmp(key.GetPtr(), GCPTSmartPathName::cKeyPrefix, prefix) != 0)
        return 0;
    long long number = 0;
    for (int i = static_cast<int>(prefix); i < key.GetLength(); ++i)
    {
        unsigned char const digit = key.GetPtr()[i];
        number = number * 10 + (digit - '0');
        if (digit < '0' || digit > '9' || number > INT_MAX)
            return 0;
    }
    return static_cast<int>(number);
}

// Only what lies in the temporary folder is removed for a listing: the preference file is the
// user's to edit, and a listing must never make the plug-in delete the user's own files. Paths are
// held normalised, so a ".." cannot lead out of the folder.
bool IsTemporary(GPathName const& path)
{
    if (path.IsEmpty() || path.IsRelative())
        return false;
    GBuffer folder;
    try
    {
        folder =
            GFileSystem::GetSpecialPath(-2).GetCrossPlatformString().GetBuffer(GUTF8Encoding::GetInstance());
    }
    catch (GException const&) // no temporary folder: nothing lies in it
    {
        return false;
    }
    GBuffer const text = path.GetCrossPlatformString().GetBuffer(GUTF8Encoding::GetInstance());
    return folder.GetLength() > 0 && text.GetLength() > folder.GetLength() + 1 &&
           std::memcmp(text.GetPtr(), folder.GetPtr(), static_cast<std::size_t>(folder.GetLength())) == 0 &&
           (text.GetPtr()[folder.GetLength()] == '/' || folder.GetPtr()[folder.GetLength() - 1] == '/');
}
} // namespace

GCPTSmartPathName::GCPTSmartPathName(GPathName const& path) : fPath(path)
{
    if (!fPath.IsEmpty())
        Register();
}

GCPTSmartPathName::~GCPTSmartPathName()
{
    RemovePath(fPath);
    try
    {
        if (!fKey.IsEmpty() && GPreferences::Has(cModule, cGroup, fKey))
        {
            GPreferences::Remove(cModule, cGroup, fKey);
            GPreferences::FlushPrefs();
        }
    }
    catch (GException const&) // a listing left behind is removed at the next start
    {
    }
}

void GCPTSmartPathName::Remove()
{
    RemovePath(fPath);
}

void GCPTSmartPathName::SetPath(GPathName const& path)
{
    RemovePath(fPath);
    fPath = path;
    if (fPath.IsEmpty())
        return;
    if (!fKey.IsEmpty() && GPreferences::Has(cModule, cGroup, fKey))
    {
        GPreferences::Set(cModule, cGroup, fKey, fPath);
        GPreferences::FlushPrefs();
    }
    else
        Register();
}

void GCPTSmartPathName::Register()
{
    // Without the plug-in's preference file there is nowhere to list the path; it still removes
    // itself, only what a crash leaves behind stays.
    if (!GPreferences::GetPrefModule(cModule))
        return;
    std::int32_t number = 1;
    if (GPreferences::Has(cModule, cGroup, cMaxCountKey) &&
        !GPreferences::Get(cModule, cGroup, cMaxCountKey).IsEmpty())
        number = GPreferences::Get(cModule, cGroup, cMaxCountKey).GetInt32() + 1;
    GBuffer key(cKeyPrefix);
    key += GBuffer(number);
    GPreferences::Set(cModule, cGroup, key, fPath);
    GPreferences::Set(cModule, cGroup, cMaxCountKey, number);
    fKey = key;
    GPreferences::FlushPrefs();
}

void GCPTSmartPathName::RemovePath(GPathName& path)
{
    if (path.IsEmpty())
        return;
    if (GFileSystem::TryFolderExists(path))
        GFileSystem::TryToRemoveFolder(path, -1, 10);
    else
        GFileSystem::TryToRemoveFile(path);
    path.Clear();
}

void GCPTSmartPathName::CleanUp()
{
    if (!GPreferences::Has(cModule, cGroup, cMaxCountKey))
        return;
    std::int32_t const maxCount = GPreferences::Get(cModule, cGroup, cMaxCountKey).GetInt32();
    GPrefModule* const module = GPreferences::GetPrefModule(cModule);
    GTable<GBuffer> keys;
    module->GetGroupPreferences(cGroup, keys);
    // Only the listings there are: a damaged count must not make this walk numbers for ever.
    for (int i = 0; i < keys.GetCount(); ++i)
    {
        int const number = NumberOfKey(keys[i]);
        if (number < 1 || number > maxCount)
            continue;
        GPathName path = GPreferences::GetPathName(cGroup, keys[i]);
        if (IsTemporary(path))
            RemovePath(path);
        GPreferences::Remove(cModule, cGroup, keys[i]);
    }
    GPreferences::Set(cModule, cGroup, cMaxCountKey, std::int32_t(0));
}

void GCPTSmartPathName::Initialize()
{
    if (sInitialized++ == 0)
        CleanUp();
}

void GCPTSmartPathName::Finalize()
{
    if (sInitialized <= 0)
    {
        sInitialized = 0;
        return;
    }
    if (--sInitialized == 0)
        CleanUp();
}
