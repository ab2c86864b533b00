// PlugIn: the object a plug-in's GetPlugIn hands to the host: the plug-in's id and name, its
// implementations, which host object each belongs to and as which interface, and the menu items it
// declares. Every operation is virtual: the host reaches them through the object alone.
#pragma once

#include <string>
#include <vector>

#include "ImplementationRecord.h"
#include "PMString.h"

// An implementation serving an interface of a host object of the class; a start-up service is made
// and started when the host starts.
struct BossDeclaration
{
    ClassID fBoss;
    PMIID fInterface;
    ImplementationID fImplementation;
    bool16 fStartupService;
};

// A menu item the host adds for the plug-in when it loads it (the plug-in adds others itself).
struct MenuDeclaration
{
    ActionID fAction;
    ImplementationID fOwner;
    std::string fName;
    std::string fArea;
    std::string fMenuPath;
    PMReal fPosition;
};

class PlugIn
{
public:
    PlugIn(PluginID id, std::string name, std::vector<BossDeclaration> bosses,
           std::vector<MenuDeclaration> menus);
    virtual ~PlugIn();
    PlugIn(PlugIn const&) = delete;
    PlugIn& operator=(PlugIn const&) = delete;

    virtual PluginID GetPluginID() const;
    virtual std::string GetName() const;
    // The bundle the host loaded the plug-in from.
    virtual void SetBundle(std::string const& bundlePath);
    virtual std::string GetBundle() const;
    virtual ImplementationRecord const* GetImplementationRecords() const;
    virtual std::vector<BossDeclaration> GetBosses() const;
    virtual std::vector<MenuDeclaration> GetMenus() const;

private:
    PluginID fID;
    std::string fName;
    std::vector<BossDeclaration> fBosses;
    std::vector<MenuDeclaration> fMenus;
    std::string fBundle;
};

// The only export of a plug-in's executable.
extern "C" PlugIn* GetPlugIn();
using GetPlugInFunction = PlugIn* (*)();
