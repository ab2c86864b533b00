// A plug-in's side of loading: its PlugIn object's answers and its own list of implementation
// records. This code is linked into each plug-in, so that each has a list of its own.
#include "PlugIn.h"

#include <utility>

namespace
{
// Constant-initialised, so that records registered during static initialisation, in whatever order,
// find it ready.
ImplementationRecord const* sRecords = nullptr;
} // namespace

ImplementationRegistrar::ImplementationRegistrar(ImplementationRecord& record)
{
    record.fNext = sRecords;
    sRecords = &record;
}

ImplementationRecord const* GetPluginImplementationRecords()
{
    return sRecords;
}

PlugIn::PlugIn(PluginID id, std::string name, std::vector<BossDeclaration> bosses,
               std::vector<MenuDeclaration> menus)
    : fID(id), fName(std::move(name)), fBosses(std::move(bosses)), fMenus(std::move(menus))
{
}

PlugIn::~PlugIn() = default;

PluginID PlugIn::GetPluginID() const
{
    return fID;
}

std::string PlugIn::GetName() const
{
    return fName;
}

void PlugIn::SetBundle(std::string const& bundlePath)
{
    fBundle = bundlePath;
}

std::string PlugIn::GetBundle() const
{
    return fBundle;
}

ImplementationRecord const* PlugIn::GetImplementationRecords() const
{
    return GetPluginImplementationRecords();
}

std::vector<BossDeclaration> PlugIn::GetBosses() const
{
    return fBosses;
}

std::vector<MenuDeclaration> PlugIn::GetMenus() const
{
    return fMenus;
}
