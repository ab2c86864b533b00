// The stack of preference modules: its order, the lookup through it and the shared groups.
#include "GPreferences.h"

#include <exception>
#include <utility>

#include "GAutoPtr.h"
#include "GPrefModule.h"
#include "GSimpleException.h"
#include "GUnicodeEncoding.h"

GBuffer const GPreferences::cPrefSharingGroup = GBuffer::FromStatic("PrefSharing");
GTable<GPreferences::GPrefsData> GPreferences::sModules;
GSharedObject<GEncoding> GPreferences::sEncoding;

namespace
{
constexpr int cInvalidParameter = 40017;
} // namespace

void GPreferences::Initialize()
{
    sEncoding = GUnicodeEncoding::GetInstance();
}

void GPreferences::Finalize()
{
    std::exception_ptr failure;
    for (int i = 0; i < sModules.GetCount(); ++i)
    {
        try
        {
            sModules[i].fModule->FlushPrefs();
        }
        catch (...) // kept to pass on after the teardown: the other modules are still flushed
        {
            if (!failure)
                failure = std::current_exception();
        }
    }
    // The table is empty before any module is deleted, so a destructor never finds itself in it.
    GTable<GPrefsData> rows(std::move(sModules));
    for (int i = 0; i < rows.GetCount(); ++i)
    {
        if (rows[i].fOwned)
            delete rows[i].fModule;
    }
    sEncoding = nullptr;
    if (failure)
        std::rethrow_exception(failure);
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
    GAutoPtr<GPrefModule> guard(module, owned);
    int i = 0;
    while (i < sModules.GetCount() && sModules[i].fID > id)
        ++i;
    if (i < sModules.GetCount() && sModules[i].fID == id)
    {
        GPrefsData old = sModules[i];
        sModules[i] = GPrefsData{id, guard.Release(), owned};
        // Installing the module that is already there must not delete it.
        if (old.fOwned && old.fModule != module)
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

bool GPreferences::IsPrefSharing(GBuffer const& group)
{
    if (group == cPrefSharingGroup)
        return false;
    for (int i = 0; i < sModules.GetCount(); ++i)
    {
        GPrefModule const* module = sModules[i].fModule;
        if (sModules[i].fID == cSharedModuleID || !module->Has(cPrefSharingGroup, group))
            continue;
        return module->Get(cPrefSharingGroup, group) == GString("true");
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

std::int32_t GPreferences::GetInt32(GBuffer const& group, GBuffer const& key)
{
    return Get(group, key).GetInt32();
}

void GPreferences::Set(std::int32_t id, GBuffer const& group, GBuffer const& key, GString const& value)
{
    GPrefModule* target = nullptr;
    if (id == cUserModuleID)
        target = GetSharingModule(group);
    if (!target)
        target = GetPrefModule(id);
    // A value handed to no module would be lost without a word.
    if (!target)
        throw GSimpleException(cInvalidParameter);
    target->Set(group, key, value);
}
