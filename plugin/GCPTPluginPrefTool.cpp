// The plug-in's own choices in its preference file.
#include "GCPTPluginPrefTool.h"

#include "CSPluginTools.h"
#include "GBuffer.h"
#include "GPreferences.h"
#include "GTable.h"
#include "GUTF8Encoding.h"

namespace
{
GBuffer const cUIGroup("CSPluginUI");
GBuffer const cLastSelectedKey("LastSelectedPDFSetting");
GBuffer const cIncludeFilePackageKey("IncludeFilePackageChecked");

// A Sendrixor's package choice lies in a group named after its GUID.
GBuffer GroupOf(GString const& guid)
{
    return guid.GetBuffer(GUTF8Encoding::GetInstance());
}

bool Contains(GTable<GBuffer> const& table, GBuffer const& value)
{
    for (int i = 0; i < table.GetCount(); ++i)
    {
        if (table[i] == value)
            return true;
    }
    return false;
}
} // namespace

void GCPTPluginPrefTool::GetLastUsedPDFSetting(GString& name)
{
    GPreferences::Get(cUIGroup, cLastSelectedKey, name);
}

void GCPTPluginPrefTool::SetLastUsedPDFSetting(GString const& name)
{
    GPreferences::Set(GPreferences::cUserModuleID, cUIGroup, cLastSelectedKey, name);
}

bool GCPTPluginPrefTool::HasIncludeFilePackageValue(GString const& guid)
{
    return GPreferences::Has(GroupOf(guid), cIncludeFilePackageKey);
}

bool GCPTPluginPrefTool::GetIncludeFilePackageValue(GString const& guid)
{
    return GPreferences::GetBool(GroupOf(guid), cIncludeFilePackageKey);
}

void GCPTPluginPrefTool::SetIncludeFilePackageValue(GString const& guid, bool include)
{
    GPreferences::Set(GPreferences::cUserModuleID, GroupOf(guid), cIncludeFilePackageKey, include);
}

void GCPTPluginPrefTool::UpdatePDFSettingsInPreferences()
{
    GTable<GBuffer> offered;
    GTable<GString> names;
    CSPluginTools::GetPluginSendrixors(names);
    for (int i = 0; i < names.GetCount(); ++i)
    {
        GString guid;
        if (CSPluginTools::GetGUID(names[i], guid))
            offered.AddItem(GroupOf(guid));
    }
    GTable<GBuffer> groups;
    GPreferences::GetGroupNames(GPreferences::cUserModuleID, groups);
    for (int i = 0; i < groups.GetCount(); ++i)
    {
        if (GPreferences::Has(GPreferences::cUserModuleID, groups[i], cIncludeFilePackageKey) &&
            !Contains(offered, groups[i]))
            GPreferences::Remove(GPreferences::cUserModuleID, groups[i]);
    }
}
