// The measurement units of the host's preferences by name, as scenarios and tests give them.
#pragma once

#include <string>
#include <vector>

#include "SDKTypes.h"

namespace indesignhost
{
// "pt", "pc", "in", "in-decimal", "mm", "cm", "c" (ciceros), "ag" (agates), "px": the unit's class.
bool UnitFromName(std::string const& name, ClassID& unit);
// The name of a unit class; its decimal number when it has none.
std::string UnitName(ClassID unit);
std::vector<std::string> UnitNames();
} // namespace indesignhost
