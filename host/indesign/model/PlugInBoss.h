// A host object of a class a plug-in declared: its interfaces are the plug-in's implementations,
// made through their records when the object is made and destroyed through them with it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "HostObject.h"
#include "ImplementationRecord.h"

namespace indesignhost
{
class PlugInBoss : public HostObject
{
public:
    PlugInBoss(Host& host, ClassID bossClass);

    // Makes the implementation inside this object; answers the exception's text when its creation
    // threw (nothing is added then).
    std::optional<std::string> AddImplementation(PMIID interfaceID, ImplementationRecord const& record);
    // Destroys the implementations, last made first; answers the texts of exceptions that left a
    // destroy function.
    std::vector<std::string> DestroyImplementations();

private:
    struct Made
    {
        PMIID interfaceID;
        IPMUnknown* implementation;
        ImplementationRecord const* record;
    };

    std::vector<Made> fMade;
    // The object itself as the implementations see it: their queries and references go to it.
    Facet<IPMUnknown> fUnknown{*this};
};
} // namespace indesignhost
