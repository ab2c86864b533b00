// Unit names and the unit classes of the host's preferences.
#include "Units.h"

#include "IUnitPrefs.h"

namespace indesignhost
{
namespace
{
struct NamedUnit
{
    char const* name;
    ClassID unit;
};

constexpr NamedUnit cUnits[] = {
    {"pt", IUnitPrefs::kPointsBoss},      {"pc", IUnitPrefs::kPicasBoss},
    {"in", IUnitPrefs::kInchesBoss},      {"in-decimal", IUnitPrefs::kInchesDecimalBoss},
    {"mm", IUnitPrefs::kMillimetersBoss}, {"cm", IUnitPrefs::kCentimetersBoss},
    {"c", IUnitPrefs::kCicerosBoss},      {"ag", IUnitPrefs::kAgatesBoss},
    {"px", IUnitPrefs::kPixelsBoss},
};
} // namespace

bool UnitFromName(std::string const& name, ClassID& unit)
{
    for (NamedUnit const& named : cUnits)
        if (name == named.name)
        {
            unit = named.unit;
            return true;
        }
    return false;
}

std::string UnitName(ClassID unit)
{
    for (NamedUnit const& named : cUnits)
        if (unit == named.unit)
            return named.name;
    return std::to_string(unit);
}

std::vector<std::string> UnitNames()
{
    std::vector<std::string> names;
    for (NamedUnit const& named : cUnits)
        names.push_back(named.name);
    return names;
}
} // namespace indesignhost
