// The registry of Sendrixors in its shared preference file.
#include "GPPActorRegistry.h"

#include "GDateTime.h"
#include "GFileSystem.h"
#include "GPPSettings.h"
#include "GUniqueID.h"
#include "GUnicodeEncoding.h"

namespace
{
char const* const cRegistryGroup = "RozorazIzivozadaRegistry";
char const* const cServerGroup = "HTTPServerSettings";
char const* const cAllowedOrigins = "AllowedOriginRequest";

// The keys of a record, which the Sendrixor applications read and write too.
char const* const cActorName = "ActorName";
char const* const cApplicationPath = "ApplicationPath";
char const* const cContextFilePath = "ContextFilePath";
char const* const cIsVirtualPrinter = "IsVirtualPrinter";
char const* const cIsPlugin = "IsPlugin";
char const* const cPDFSettings = "PDFSettings";
char const* const cSendrixorName = "SendrixorName";
char const* const cSendrixorIconPath = "SendrixorIconPath";
char const* const cIsActive = "IsActive";

// "true" and "false", read exactly as ASCII.
GString const& FlagText(bool flag)
{
    static GString const sTrue("true");
    static GString const sFalse("false");
    return flag ? sTrue : sFalse;
}

// Holds the file's exclusive lock from the read before a change to the write after it.
class UpdateScope
{
public:
    explicit UpdateScope(GPrefSharedFileModule& module) : fModule(module) { fModule.BeginUpdate(); }
    ~UpdateScope() { fModule.EndUpdate(); }
    UpdateScope(UpdateScope const&) = delete;
    UpdateScope& operator=(UpdateScope const&) = delete;

private:
    GPrefSharedFileModule& fModule;
};

GPathName PathOf(GString const* text)
{
    GPathName path;
    if (text && !text->IsEmpty())
        path.SetCrossPlatformString(*text);
    return path;
}

bool FlagOf(GString const* text)
{
    return text && *text == FlagText(true);
}
} // namespace

GPPActorRegistry::GPPActorRegistry()
{
    GPathName const path = GetRegistryPath();
    GPathName const folder = path.GetBranch();
    if (!GFileSystem::TryFolderExists(folder))
        GFileSystem::CreateFolder(folder);
    fModule.Reset(new GPrefSharedFileModule(path, GUnicodeEncoding::GetInstance()));
}

GPPActorRegistry::~GPPActorRegistry() = default;

GPathName GPPActorRegistry::GetRegistryPath()
{
    return GFileSystem::GetSpecialPath(35) / GPathName("Rozoraz Izivozada/ZolvaneRozorazIzivozada.prefs");
}

bool GPPActorRegistry::FindRecord(GString const& name, bool parse, GBuffer& key, Record& record) const
{
    GBuffer const group(cRegistryGroup);
    GBuffer const nameKey = name.GetBuffer(GUnicodeEncoding::GetInstance());
    GTable<GBuffer> keys;
    fModule->GetGroupPreferences(group, keys);
    for (int i = 0; i < keys.GetCount(); ++i)
    {
        bool const keyMatches = keys[i] == nameKey;
        if (keyMatches && !parse)
        {
            key = keys[i];
            return true;
        }
        Record value;
        if (!value.FromString(fModule->Get(group, keys[i])))
            continue;
        GString const* actor = value.Find(GBuffer(cActorName));
        if (keyMatches || (actor && *actor == name))
        {
            key = keys[i];
            record = value;
            return true;
        }
    }
    return false;
}

void GPPActorRegistry::ReadRecord(Record const& record, GPPSettings& settings)
{
    settings.fApplicationPath = PathOf(record.Find(GBuffer(cApplicationPath)));
    settings.fContextFilePath = PathOf(record.Find(GBuffer(cContextFilePath)));
    settings.fSendrixorIconPath = PathOf(record.Find(GBuffer(cSendrixorIconPath)));
    if (GString const* text = record.Find(GBuffer(cPDFSettings)))
        settings.fPDFSettings = *text;
    if (GString const* text = record.Find(GBuffer(cSendrixorName)))
        settings.fSendrixorName = *text;
    settings.fIsVirtualPrinter = FlagOf(record.Find(GBuffer(cIsVirtualPrinter)));
    settings.fIsPlugin = FlagOf(record.Find(GBuffer(cIsPlugin)));
    GString const* active = record.Find(GBuffer(cIsActive));
    settings.fIsActive = !active || *active == FlagText(true);
}

void GPPActorRegistry::WriteRecord(GString const& name, GPPSettings const& settings, Record& record)
{
    record.Put(GBuffer(cActorName), name);
    record.Put(GBuffer(cApplicationPath), settings.fApplicationPath.GetCrossPlatformString());
    record.Put(GBuffer(cContextFilePath), settings.fContextFilePath.GetCrossPlatformString());
    record.Put(GBuffer(cIsVirtualPrinter), FlagText(settings.fIsVirtualPrinter));
    record.Put(GBuffer(cIsPlugin), FlagText(settings.fIsPlugin));
    record.Put(GBuffer(cPDFSettings), settings.fPDFSettings);
    record.Put(GBuffer(cSendrixorName), settings.fSendrixorName);
    record.Put(GBuffer(cSendrixorIconPath), settings.fSendrixorIconPath.GetCrossPlatformString());
    record.Put(GBuffer(cIsActive), FlagText(settings.fIsActive));
}

void GPPActorRegistry::Store(GBuffer const& key, Record const& record)
{
    GString text;
    record.ToString(text);
    fModule->Set(GBuffer(cRegistryGroup), key, text);
    fModule->FlushPrefs();
}

bool GPPActorRegistry::Register(GString const& name, GPPSettings const& settings)
{
    UpdateScope const update(*fModule);
    GBuffer key;
    GUniqueID().GetHex(key);
    Record record;
    WriteRecord(name, settings, record);
    Store(key, record);
    return true;
}

bool GPPActorRegistry::Update(GString const& name, GPPSettings const& settings)
{
    UpdateScope const update(*fModule);
    GBuffer key;
    Record record;
    if (!FindRecord(name, true, key, record))
        return false;
    WriteRecord(name, settings, record);
    Store(key, record);
    return true;
}

bool GPPActorRegistry::UnRegister(GString const& name)
{
    UpdateScope const update(*fModule);
    GBuffer key;
    Record record;
    if (!FindRecord(name, false, key, record))
        return false;
    fModule->Remove(GBuffer(cRegistryGroup), key);
    fModule->FlushPrefs();
    return true;
}

bool GPPActorRegistry::GetActorList(GTable<GString>& names)
{
    names.Resize(0);
    GBuffer const group(cRegistryGroup);
    GTable<GBuffer> keys;
    fModule->GetGroupPreferences(group, keys);
    if (keys.GetCount() == 0)
        return false;
    for (int i = 0; i < keys.GetCount(); ++i)
    {
        Record record;
        if (!record.FromString(fModule->Get(group, keys[i])))
            continue;
        if (GString const* actor = record.Find(GBuffer(cActorName)))
            names.AddItem(*actor);
        else
            names.AddItem(GString(keys[i], GUnicodeEncoding::GetInstance(), false));
    }
    return true;
}

bool GPPActorRegistry::GetActor(GString const& name, GPPSettings& settings)
{
    GBuffer key;
    Record record;
    if (!FindRecord(name, true, key, record))
        return false;
    ReadRecord(record, settings);
    return true;
}

bool GPPActorRegistry::GetActorByID(GString const& guid, GString& name, GPPSettings& settings)
{
    GBuffer const group(cRegistryGroup);
    GTable<GBuffer> keys;
    fModule->GetGroupPreferences(group, keys);
    for (int i = 0; i < keys.GetCount(); ++i)
    {
        Record record;
        if (!record.FromString(fModule->Get(group, keys[i])))
            continue;
        GPPSettings candidate;
        candidate.fContextFilePath = PathOf(record.Find(GBuffer(cContextFilePath)));
        GString found;
        if (!GPPSettings::GetGUID(candidate, found) || found != guid)
            continue;
        ReadRecord(record, settings);
        if (GString const* actor = record.Find(GBuffer(cActorName)))
            name = *actor;
        return true;
    }
    return false;
}

void GPPActorRegistry::CleanUp()
{
    UpdateScope const update(*fModule);
    fModule->RemoveGroup(GBuffer(cRegistryGroup));
    fModule->FlushPrefs();
}

void GPPActorRegistry::GetAllowedOrigins(GTable<GString>& origins)
{
    origins.Resize(0);
    GString const& text = fModule->Get(GBuffer(cServerGroup), GBuffer(cAllowedOrigins));
    if (!text.IsEmpty())
        origins.FromString(text);
}

void GPPActorRegistry::SetAllowedOrigins(GTable<GString> const& origins)
{
    UpdateScope const update(*fModule);
    GString text;
    origins.ToString(text);
    fModule->Set(GBuffer(cServerGroup), GBuffer(cAllowedOrigins), text);
    fModule->FlushPrefs();
}

void GPPActorRegistry::GetModificationDateTime(GDateTime& date)
{
    GPathName const path = GetRegistryPath();
    if (GFileSystem::TryFileExists(path))
        GFileSystem::GetModificationDateTime(path, date);
}
