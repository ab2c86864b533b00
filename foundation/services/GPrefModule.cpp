// The store of a preference module by group and key.
#include "GPrefModule.h"

GPrefModule::GPrefModule() : fDirty(false) {}

GPrefModule::~GPrefModule() = default;

GString const& GPrefModule::Get(GBuffer const& group, GBuffer const& key) const
{
    if (GroupPrefs const* prefs = fPrefs.Find(group))
    {
        if (GString const* value = prefs->Find(key))
            return *value;
    }
    return GString::cEmptyString;
}

void GPrefModule::Set(GBuffer const& group, GBuffer const& key, GString const& value)
{
    fDirty = true;
    GroupPrefs* prefs = fPrefs.Find(group);
    if (!prefs)
    {
        fPrefs.Put(group, GroupPrefs());
        prefs = fPrefs.Find(group);
    }
    prefs->Put(key, value);
}

bool GPrefModule::Has(GBuffer const& group, GBuffer const& key) const
{
    GroupPrefs const* prefs = fPrefs.Find(group);
    return prefs && prefs->Contains(key);
}

void GPrefModule::FlushPrefs()
{
    WriteDict();
}

void GPrefModule::Refresh()
{
    ReadDict();
}

bool GPrefModule::IsDirty() const
{
    return fDirty;
}

void GPrefModule::SetDirty(bool dirty)
{
    fDirty = dirty;
}
