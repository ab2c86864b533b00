// The stack of preference modules: its order, the lookup through it, typed values and the shared
// groups.
#include "GPreferences.h"

#include <exception>
#include <utility>

#include "GDateTime.h"
#include "GException.h"
#include "GFileSystem.h"
#include "GPathName.h"
#include "GPlatformEncoding.h"
#include "GPrefFileModule.h"
#include "GPrefMemoryModule.h"
#include "GPrefModule.h"
#include "GPrefSharedFileModule.h"
#include "GSimpleException.h"
#include "GStringSupport.h"
#include "GUnicodeEncoding.h"

GBuffer const GPreferences::cPrefSharingGroup = GBuffer::FromStatic("PrefSharing");
GTable<GPreferences::GPrefsData> GPreferences::sModules;
GSharedObject<GEncoding const> GPreferences::sEncoding;
GTable<GVariableSubstitution*> GPreferences::sVariableSubstitutors;

namespace
{
constexpr int cInvalidParameter = 40017;
// The user's and the system's "Zolvane Prefs Folder".
constexpr int cUserPrefsFolderID = 35;
constexpr int cSystemPrefsFolderID = 33;

GString const& TrueText()
{
    static GString const text("true");
    return text;
}

GString const& FalseText()
{
    static GString const text("false");
    return text;
}

// Runs the call on every module in table order; a failure does not stop the others, and the first
// one is thrown at the end.
template<class Call>
void ForEachModule(GTable<GPreferences::GPrefsData> const& modules, Call const& call)
{
    std::exception_ptr failure;
    for (int i = 0; i < modules.GetCount(); ++i)
    {
        try
        {
            call(*modules[i].fModule);
        }
        catch (...) // kept to be thrown once every module had its turn
        {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}
} // namespace

void GPreferences::Initialize()
{
    sEncoding = GUnicodeEncoding::GetInstance();
}

void GPreferences::Finalize()
{
    std::exception_ptr failure;
    try
    {
        FlushPrefs();
    }
    catch (...) // kept to pass on after the teardown
    {
        failure = std::current_exception();
    }
    // The table is empty before any module is deleted, so a destructor never finds itself in it.
    GTable<GPrefsData> rows(std::move(sModules));
    for (int i = 0; i < rows.GetCount(); ++i)
    {
        if (rows[i].fOwned)
            delete rows[i].fModule;
    }
    sEncoding = nullptr;
    sVariableSubstitutors.DeleteAllItems();
    if (failure)
        std::rethrow_exception(failure);
}

void GPreferences::FlushPrefs()
{
    ForEachModule(sModules, [](GPrefModule& module) { module.FlushPrefs(); });
}

void GPreferences::Refresh()
{
    ForEachModule(sModules, [](GPrefModule& module) { module.Refresh(); });
    CopySharedPreferences();
}

void GPreferences::SetDefaultModules(GString const& name, int flags)
{
    if (flags & cUserModule)
    {
        GPathName const path = GFileSystem::GetSpecialPath(cUserPrefsFolderID) / (name + GString(".uprefs"));
        SetPrefModule(cUserModuleID, new GPrefFileModule(path, sEncoding.Get()), true);
    }
    if (flags & cSharedModule)
    {
        GPathName const path = GFileSystem::GetSpecialPath(cUserPrefsFolderID) / GPathName("Zolvane.uprefs");
        SetPrefModule(cSharedModuleID, new GPrefSharedFileModule(path, GUnicodeEncoding::GetInstance()),
                      true);
    }
    if (flags & cSystemModule)
    {
        GPathName const path =
            GFileSystem::GetSpecialPath(cSystemPrefsFolderID) / (name + GString(".sprefs"));
        SetPrefModule(cSystemModuleID, new GPrefFileModule(path, sEncoding.Get()), true);
    }
    if (flags & cMemoryModule)
        SetPrefModule(cMemoryModuleID, new GPrefMemoryModule, true);
}

int GPreferences::FindRow(std::int32_t id)
{
    for (int i = 0; i < sModules.GetCount(); ++i)
    {
        if (sModules[i].fID == id)
            return i;
        // Sorted by descending id: nothing further on can match.
        if (sModules[i].fID < id)
            break;
    }
    return -1;
}

void GPreferences::SetPrefModule(std::int32_t id, GPrefModule* module, bool owned)
{
    if (!module)
    {
        RemovePrefModule(id);
        return;
    }
    // Installed twice, the module would be deleted by one row and still used (and deleted again)
    // through the other.
    for (int i = 0; i < sModules.GetCount(); ++i)
    {
        if (sModules[i].fModule == module)
        {
            sModules[i].fOwned = sModules[i].fOwned || owned;
            return;
        }
    }
    GAutoPtr<GPrefModule> guard(module, owned);
    int i = 0;
    while (i < sModules.GetCount() && sModules[i].fID > id)
        ++i;
    if (i < sModules.GetCount() && sModules[i].fID == id)
    {
        GPrefsData old = sModules[i];
        sModules[i] = GPrefsData{id, guard.Release(), owned};
        if (old.fOwned)
            delete old.fModule;
        return;
    }
    sModules.InsertItemAt(i, GPrefsData{id, module, owned});
    guard.Release();
}

GPrefModule* GPreferences::GetPrefModule(std::int32_t id)
{
    int const row = FindRow(id);
    return row < 0 ? nullptr : sModules[row].fModule;
}

void GPreferences::RemovePrefModule(std::int32_t id)
{
    int const row = FindRow(id);
    if (row < 0)
        return;
    GPrefsData const old = sModules[row];
    sModules.RemoveItemAt(row);
    if (old.fOwned)
        delete old.fModule;
}

void GPreferences::SetEncoding(GEncoding const* encoding)
{
    sEncoding = encoding;
    for (int i = sModules.GetCount() - 1; i >= 0; --i)
        sModules[i].fModule->SetEncoding(encoding);
}

void GPreferences::AddVariableSubstitution(GAutoPtr<GVariableSubstitution> substitution)
{
    if (!substitution.Get())
        return;
    sVariableSubstitutors.AddItem(substitution.Get());
    substitution.Release();
}

void GPreferences::StartUsingTempModules()
{
    for (int i = 0; i < sModules.GetCount(); ++i)
        sModules[i].fModule->StartUsingTempModule();
}

void GPreferences::EndUsingTempModules(bool keep)
{
    for (int i = 0; i < sModules.GetCount(); ++i)
        sModules[i].fModule->EndUsingTempModule(keep);
}

bool GPreferences::IsDirty()
{
    for (int i = 0; i < sModules.GetCount(); ++i)
    {
        if (sModules[i].fModule->IsDirty())
            return true;
    }
    return false;
}

void GPreferences::UpdatePreferencesWith(GTable<GPair<int, GPrefModule const*>> const& modules)
{
    for (int i = 0; i < modules.GetCount(); ++i)
    {
        if (GPrefModule* installed = GetPrefModule(modules[i].first))
            installed->UpdateWith(modules[i].second);
    }
}

// --- reading ---

bool GPreferences::IsPrefSharing(GBuffer const& group)
{
    if (group == cPrefSharingGroup)
        return false;
    for (int i = 0; i < sModules.GetCount(); ++i)
    {
        GPrefModule const* module = sModules[i].fModule;
        if (sModules[i].fID == cSharedModuleID || !module->Has(cPrefSharingGroup, group))
            continue;
        return module->Get(cPrefSharingGroup, group) == TrueText();
    }
    return false;
}

GPrefModule* GPreferences::GetSharingModule(GBuffer const& group)
{
    GPrefModule* shared = GetPrefModule(cSharedModuleID);
    return shared && IsPrefSharing(group) ? shared : nullptr;
}

GString const& GPreferences::Get(GBuffer const& group, GBuffer const& key)
{
    if (GPrefModule const* shared = GetSharingModule(group))
        return shared->Get(group, key);
    return GetNonSharedPref(group, key);
}

GString const& GPreferences::GetNonSharedPref(GBuffer const& group, GBuffer const& key)
{
    for (int i = 0; i < sModules.GetCount(); ++i)
    {
        GPrefModule const* module = sModules[i].fModule;
        if (sModules[i].fID != cSharedModuleID && module->Has(group, key))
            return module->Get(group, key);
    }
    return GString::cEmptyString;
}

bool GPreferences::Has(GBuffer const& group, GBuffer const& key)
{
    for (int i = 0; i < sModules.GetCount(); ++i)
    {
        if (sModules[i].fModule->Has(group, key))
            return true;
    }
    return false;
}

bool GPreferences::Has(std::int32_t id, GBuffer const& group, GBuffer const& key)
{
    GPrefModule const* module = GetPrefModule(id);
    return module && module->Has(group, key);
}

GString const& GPreferences::Get(std::int32_t id, GBuffer const& group, GBuffer const& key)
{
    GPrefModule const* module = GetPrefModule(id);
    return module ? module->Get(group, key) : GString::cEmptyString;
}

std::int32_t GPreferences::GetInt32(GBuffer const& group, GBuffer const& key)
{
    return Get(group, key).GetInt32();
}

void GPreferences::Get(GBuffer const& group, GBuffer const& key, std::int32_t& value)
{
    value = GetInt32(group, key);
}

bool GPreferences::GetBool(GBuffer const& group, GBuffer const& key)
{
    return Get(group, key) == TrueText();
}

void GPreferences::Get(GBuffer const& group, GBuffer const& key, bool& value)
{
    value = GetBool(group, key);
}

double GPreferences::GetReal(GBuffer const& group, GBuffer const& key)
{
    return Get(group, key).GetReal();
}

void GPreferences::Get(GBuffer const& group, GBuffer const& key, double& value)
{
    value = GetReal(group, key);
}

void GPreferences::Get(GBuffer const& group, GBuffer const& key, GString& value)
{
    value = Get(group, key);
}

GPathName GPreferences::GetPathName(GBuffer const& group, GBuffer const& key)
{
    GPathName path;
    Get(group, key, path);
    return path;
}

void GPreferences::Get(GBuffer const& group, GBuffer const& key, GPathName& value)
{
    GString text = Get(group, key);
    SubstituteFromVariables(GVariableSubstitution::cPathNameType, text);
    value.SetCrossPlatformString(text);
}

GDateTime GPreferences::GetDateTime(GBuffer const& group, GBuffer const& key)
{
    GDateTime date(false);
    Get(group, key, date);
    return date;
}

bool GPreferences::Get(GBuffer const& group, GBuffer const& key, GDateTime& value)
{
    GBuffer const text = Get(group, key).GetBuffer(GPlatformEncoding::GetInstance());
    return value.SetFromPDFDateTime(text) != 0;
}

GString GPreferences::GetUnscramble(GBuffer const& group, GBuffer const& key)
{
    return GStringSupport::DeScramble(Get(group, key));
}

std::int32_t GPreferences::GetUnscrambleInt32(GBuffer const& group, GBuffer const& key)
{
    return GetUnscramble(group, key).GetInt32();
}

bool GPreferences::WillSubstituteVariablesInPrefType(GVariableSubstitution::StringType type)
{
    for (int i = 0; i < sVariableSubstitutors.GetCount(); ++i)
    {
        if (sVariableSubstitutors[i]->HandlesStringType(type))
            return true;
    }
    return false;
}

void GPreferences::SubstituteFromVariables(GVariableSubstitution::StringType type, GString& text)
{
    for (int i = 0; i < sVariableSubstitutors.GetCount(); ++i)
    {
        if (sVariableSubstitutors[i]->HandlesStringType(type))
            sVariableSubstitutors[i]->SubstituteFromVariables(text);
    }
}

void GPreferences::SubstituteToVariables(GVariableSubstitution::StringType type, GString& text)
{
    for (int i = 0; i < sVariableSubstitutors.GetCount(); ++i)
    {
        if (sVariableSubstitutors[i]->HandlesStringType(type))
            sVariableSubstitutors[i]->SubstituteToVariables(text);
    }
}

void GPreferences::GetGroupNames(std::int32_t id, GTable<GBuffer>& names)
{
    if (GPrefModule const* module = GetPrefModule(id))
        module->GetGroupNames(names);
}

// --- writing ---

GPrefModule& GPreferences::GetTargetModule(std::int32_t id, GBuffer const& group)
{
    GPrefModule* target = nullptr;
    if (id == cUserModuleID)
        target = GetSharingModule(group);
    if (!target)
        target = GetPrefModule(id);
    // A value handed to no module would be lost without a word.
    if (!target)
        throw GSimpleException(cInvalidParameter);
    return *target;
}

void GPreferences::Set(std::int32_t id, GBuffer const& group, GBuffer const& key, GString const& value)
{
    GetTargetModule(id, group).Set(group, key, value);
}

void GPreferences::Set(std::int32_t id, GBuffer const& group, GBuffer const& key, std::int32_t value)
{
    Set(id, group, key, GString(value));
}

void GPreferences::Set(std::int32_t id, GBuffer const& group, GBuffer const& key, bool value)
{
    Set(id, group, key, value ? TrueText() : FalseText());
}

void GPreferences::Set(std::int32_t id, GBuffer const& group, GBuffer const& key, double value)
{
    GString text;
    text.SetWithHighPrecision(value);
    Set(id, group, key, text);
}

void GPreferences::Set(std::int32_t id, GBuffer const& group, GBuffer const& key, char const* value)
{
    Set(id, group, key, GString(value ? value : ""));
}

void GPreferences::Set(std::int32_t id, GBuffer const& group, GBuffer const& key, GPathName const& value)
{
    GString text = value.GetCrossPlatformString();
    SubstituteToVariables(GVariableSubstitution::cPathNameType, text);
    Set(id, group, key, text);
}

void GPreferences::Set(std::int32_t id, GBuffer const& group, GBuffer const& key, GDateTime const& value)
{
    GBuffer text;
    value.GetAsPDFDateTime(text);
    Set(id, group, key, GString(text, GPlatformEncoding::GetInstance(), false));
}

void GPreferences::SetScramble(std::int32_t id, GBuffer const& group, GBuffer const& key,
                               GString const& value)
{
    Set(id, group, key, GStringSupport::Scramble(value));
}

void GPreferences::SetScramble(std::int32_t id, GBuffer const& group, GBuffer const& key, std::int32_t value)
{
    SetScramble(id, group, key, GString(value));
}

void GPreferences::SetIgnoreTemp(std::int32_t id, GBuffer const& group, GBuffer const& key,
                                 GString const& value)
{
    GetTargetModule(id, group).SetIgnoreTemp(group, key, value);
}

void GPreferences::SetDefault(std::int32_t id, GBuffer const& group, GBuffer const& key, GString const& value)
{
    if (!Has(id, group, key))
        Set(id, group, key, value);
}

void GPreferences::SetPrefSharing(std::int32_t id, GBuffer const& group, bool shared)
{
    GPrefModule* module = GetPrefModule(id);
    if (!module)
        throw GSimpleException(cInvalidParameter);
    module->Set(cPrefSharingGroup, group, shared ? TrueText() : FalseText());
    CopySharedPreferencesGroup(group);
}

void GPreferences::Remove(std::int32_t id, GBuffer const& group, GBuffer const& key)
{
    if (GPrefModule* module = GetPrefModule(id))
        module->Remove(group, key);
}

void GPreferences::Remove(std::int32_t id, GBuffer const& group)
{
    if (GPrefModule* module = GetPrefModule(id))
        module->RemoveGroup(group);
}

void GPreferences::CopySharedPreferencesGroup(GBuffer const& group)
{
    GPrefModule* shared = GetSharingModule(group);
    if (!shared)
        return;
    for (int i = 0; i < sModules.GetCount(); ++i)
    {
        GPrefModule const* module = sModules[i].fModule;
        if (module == shared)
            continue;
        GDict<GBuffer, GString> values;
        module->GetGroupPreferences(group, values);
        values.ForEach(
            [shared, &group](GBuffer const& key, GString const& value)
            {
                if (!shared->Has(group, key))
                    shared->Set(group, key, value);
            });
    }
}

void GPreferences::CopySharedPreferences()
{
    GTable<GBuffer> groups;
    for (int i = 0; i < sModules.GetCount(); ++i)
    {
        if (sModules[i].fID != cSharedModuleID)
            sModules[i].fModule->GetGroupPreferences(cPrefSharingGroup, groups);
    }
    for (int i = 0; i < groups.GetCount(); ++i)
        CopySharedPreferencesGroup(groups[i]);
}
