// The measurement units at the user-facing edge: every length inside the system is in points, and
// is shown to the user in the default unit that the general preferences keep.
#pragma once

#include <cstdint>

#include "GRectBase.h"
#include "GSizeBase.h"
#include "GString.h"

class GUnitSupport
{
public:
    GUnitSupport() = delete;

    // The codes are stored in preferences: they never change. Any other value of the type is
    // taken for points wherever a unit is read, so a damaged setting never indexes past the table.
    enum Unit : std::int32_t
    {
        cPoints = 0,
        cPicas = 1,
        cInches = 2,
        cCentimeters = 3,
        cMillimeters = 4,
        cMeters = 5,
        cFeet = 6
    };
    static constexpr int cUnitCount = 7;

    // Registers the English unit names for "enUS".
    static void Initialize();

    // The symbol under "UnitV3" of the general preferences, else the one under "Unit", else the
    // code under "2"; points when there is none or it is no unit.
    static Unit GetDefaultUnitCode();
    // Stores the unit's symbol under "UnitV3" in the user module and sends signal 105, also when
    // the unit did not change.
    static void SetDefaultUnitCode(Unit unit);

    static GString GetSymbolForUnitCode(Unit unit);
    static GString GetDefaultUnitSymbol();
    // Points per unit.
    static double GetFactorForUnitCode(Unit unit);
    static double GetDefaultUnitFactor();
    // The code whose symbol is exactly the text (case counts); points when none is.
    static Unit GetUnitCodeForSymbol(GString const& symbol);
    // False, with unit untouched, when no symbol is exactly the text.
    static bool GetUnitCodeForSymbol(GString const& symbol, Unit& unit);
    // The units in the order they are offered to the user: pt, p, in, ft, mm, cm, m. Points for an
    // index outside 0 to 6.
    static Unit GetUnitForIndex(int index);

    // The value in points shown in the default unit: with the requested decimals for points and
    // millimetres, with one more for the other units, whose steps are coarser. Trailing zeros of
    // the fraction are dropped. "With unit" appends a blank and the symbol.
    static void FormatValueWithUnit(GString& out, double points, int decimals);
    static GString FormatValueWithUnit(double points, int decimals);
    static void FormatValueWithoutUnit(GString& out, double points, int decimals);
    static GString FormatValueWithoutUnit(double points, int decimals);
    // "(width, height) symbol".
    static GString FormatValueWithUnit(GSizeBase<double> const& points, int decimals);
    // "(left, right, top, bottom) symbol": the coordinates in the order 1, 3, 2, 4 of storage.
    static GString FormatValueWithUnit(GRectBase<double> const& points, int decimals);
    // A value given in unit, as points through GString::Set(double).
    static void FormatValueToPointsWithoutUnit(GString& out, double value, Unit unit);
    static GString FormatValueToPointsWithoutUnit(double value, Unit unit);
};
