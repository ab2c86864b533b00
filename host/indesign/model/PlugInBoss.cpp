// Plug-in objects made and destroyed through the plug-in's implementation records.
#include "PlugInBoss.h"

#include "Host.h"

namespace indesignhost
{
PlugInBoss::PlugInBoss(Host& host, ClassID bossClass) : HostObject(host, bossClass, false) {}

std::optional<std::string> PlugInBoss::AddImplementation(PMIID interfaceID,
                                                         ImplementationRecord const& record)
{
    IPMUnknown* made = nullptr;
    std::optional<std::string> const failure = GetHost().CallPlugIn(
        "create " + std::to_string(record.fID), [&] { made = record.fCreate(&fUnknown); }, true);
    if (failure)
        return failure;
    if (!made)
        return std::string("the create function answered nothing");
    fMade.push_back({interfaceID, made, &record});
    AddInterface(interfaceID, made);
    return std::nullopt;
}

std::vector<std::string> PlugInBoss::DestroyImplementations()
{
    std::vector<std::string> failures;
    while (!fMade.empty())
    {
        Made const made = fMade.back();
        fMade.pop_back();
        AddInterface(made.interfaceID, nullptr);
        if (std::optional<std::string> const failure =
                GetHost().CallPlugIn("destroy " + std::to_string(made.record->fID),
                                     [&] { made.record->fDestroy(made.implementation); }))
            failures.push_back(*failure);
    }
    return failures;
}
} // namespace indesignhost
