// The Installer's pane interface: the section, its state and the table of pane classes.
#include "InstallerPane.h"

#include <map>
#include <mutex>
#include <string>

namespace
{
std::mutex sMutex;

// Never destroyed: a module's registration may end after the process's own statics are gone.
std::map<std::string, InstallerPaneFactory>& Classes()
{
    static auto* const sClasses = new std::map<std::string, InstallerPaneFactory>;
    return *sClasses;
}
} // namespace

InstallerState::~InstallerState()
{
    StandInSetTargetVolumePath(nullptr);
}

void InstallerState::StandInSetTargetVolumePath(CFStringRef path)
{
    if (path)
        CFRetain(path);
    if (fTargetVolumePath)
        CFRelease(fTargetVolumePath);
    fTargetVolumePath = path;
}

InstallerSection::InstallerSection()
    : fSharedDictionary(
          static_cast<NSMutableDictionary*>(const_cast<void*>(CFRetain(NSMutableDictionary::dictionary()))))
{
}

InstallerSection::~InstallerSection()
{
    CFRelease(fSharedDictionary);
}

InstallerPane::~InstallerPane()
{
    delete fContentView.data();
}

CFStringRef InstallerPane::title()
{
    return CFSTR("");
}

void InstallerPane::willEnterPane(InstallerSectionDirection) {}

void InstallerPane::didEnterPane(InstallerSectionDirection) {}

BOOL InstallerPane::shouldExitPane(InstallerSectionDirection)
{
    return YES;
}

void InstallerPane::willExitPane(InstallerSectionDirection) {}

void InstallerPane::didExitPane(InstallerSectionDirection) {}

InstallerPaneStandInClass::InstallerPaneStandInClass(char const* name, InstallerPaneFactory factory)
    : fName(name)
{
    std::lock_guard<std::mutex> lock(sMutex);
    Classes()[name] = factory;
}

InstallerPaneStandInClass::~InstallerPaneStandInClass()
{
    std::lock_guard<std::mutex> lock(sMutex);
    Classes().erase(fName);
}

InstallerPane* InstallerPaneStandInMakePane(char const* name, InstallerSection* section)
{
    InstallerPaneFactory factory = nullptr;
    {
        std::lock_guard<std::mutex> lock(sMutex);
        auto const found = Classes().find(name ? name : "");
        if (found != Classes().end())
            factory = found->second;
    }
    return factory ? factory(section) : nullptr;
}
