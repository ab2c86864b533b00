// Names of the host's classes.
#include "HostClasses.h"

#include "ICommand.h"

namespace indesignhost
{
namespace
{
struct NamedClass
{
    ClassID objectClass;
    char const* name;
};

constexpr NamedClass cNamedClasses[] = {
    {kSessionBoss, "session"},
    {kApplicationBoss, "application"},
    {kActionManagerBoss, "actionManager"},
    {kUtilsBoss, "utils"},
    {kActiveContextBoss, "context"},
    {kDocumentBoss, "document"},
    {kBookBoss, "book"},
    {kUnitPrefsBoss, "unitPrefs"},
    {kActionStateListBoss, "stateList"},
    {ICommand::kSetPDFExportPrefsCmdBoss, "setPDFExportPrefs"},
};
} // namespace

std::string ClassName(ClassID objectClass)
{
    for (NamedClass const& named : cNamedClasses)
        if (named.objectClass == objectClass)
            return named.name;
    return std::to_string(objectClass);
}

bool ClassFromName(std::string const& name, ClassID& objectClass)
{
    for (NamedClass const& named : cNamedClasses)
        if (name == named.name)
        {
            objectClass = named.objectClass;
            return true;
        }
    if (name.empty() || name.size() > 10 || name.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long long const value = std::stoull(name);
    if (value > 0xFFFFFFFFull)
        return false;
    objectClass = static_cast<ClassID>(value);
    return true;
}
} // namespace indesignhost
