// Unit texts: a symbol from outside (a preference file, a user) names a unit only when it is one
// exactly, the default unit read from any preference text is a unit, and lengths formatted for the
// user read back as the length in that unit.
#include "FuzzSupport.h"

#include <cmath>

#include "GPrefMemoryModule.h"
#include "GPreferences.h"
#include "GUnitSupport.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    double const points = input.ConsumeFloatingPointInRange<double>(-1e9, 1e9);
    int const decimals = input.ConsumeIntegralInRange<int>(0, 8);
    int const stored = input.ConsumeIntegralInRange<int>(0, 3);
    std::string const symbol = input.ConsumeRemainingBytesAsString();
    GString const text = TextOf(symbol);

    static char const* const cSymbols[] = {"pt", "p", "in", "cm", "mm", "m", "ft"};
    GUnitSupport::Unit unit = GUnitSupport::cInches;
    bool const named = GUnitSupport::GetUnitCodeForSymbol(text, unit);
    bool exact = false;
    for (int code = 0; code < GUnitSupport::cUnitCount; ++code)
    {
        if (Composed(text) == Composed(GString(cSymbols[code])))
        {
            exact = true;
            Check(named && unit == code, "an exact symbol names its unit", cSymbols[code]);
        }
    }
    Check(named == exact, "only an exact symbol names a unit", Hex(Composed(text)));
    Check(named || unit == GUnitSupport::cInches, "a text that names no unit leaves the unit alone");

    // The default unit from the text stored under one of its three keys, or none.
    GPreferences::Initialize();
    auto* user = new GPrefMemoryModule;
    GPreferences::SetPrefModule(GPreferences::cUserModuleID, user, true);
    char const* const keys[] = {"UnitV3", "Unit", "2"};
    if (stored < 3)
        user->Set("General", keys[stored], text);
    GUnitSupport::Unit const defaultUnit = GUnitSupport::GetDefaultUnitCode();
    Check(defaultUnit >= 0 && defaultUnit < GUnitSupport::cUnitCount, "the default unit is a unit");
    if (stored < 2)
        Check(defaultUnit == (named ? unit : GUnitSupport::cPoints),
              "a stored symbol decides the default unit");

    // A length shown to the user reads back as the length in that unit, to the decimals shown.
    GString const shown = GUnitSupport::FormatValueWithoutUnit(points, decimals);
    double const inUnit = points / GUnitSupport::GetFactorForUnitCode(defaultUnit);
    int const shownDecimals =
        defaultUnit == GUnitSupport::cPoints || defaultUnit == GUnitSupport::cMillimeters ? decimals
                                                                                          : decimals + 1;
    double const read = shown.GetReal();
    Check(std::fabs(read - inUnit) <= 0.5 * std::pow(10.0, -shownDecimals) + std::fabs(inUnit) * 1e-12,
          "a length shown reads back", BytesOf(shown.GetBuffer(GASCIIEncoding::GetInstance())));
    GString const withUnit = GUnitSupport::FormatValueWithUnit(points, decimals);
    GString const symbolShown = GUnitSupport::GetSymbolForUnitCode(defaultUnit);
    Check(Composed(withUnit) == Composed(shown + GString(" ") + symbolShown),
          "the unit follows the value after a blank");
    GPreferences::Finalize();
    return 0;
}
