// The unit table, the default unit in the general preferences, and lengths as the user reads them.
#include "GUnitSupport.h"

#include <limits>

#include "GBasicSignals.h"
#include "GPreferences.h"
#include "GStringPoolSupport.h"
#include "GUnitTexts.h"
#include "GZolvaneGeneralPrefs.h"

namespace
{
struct UnitInfo
{
    char const* fSymbol;
    double fPointsPerUnit;
};

// By unit code. Symbols are matched in this order.
UnitInfo const sUnitInfo[GUnitSupport::cUnitCount] = {
    {"pt", 1.0},        {"p", 12.0},          {"in", 72.0},  {"cm", 72.0 / 2.54},
    {"mm", 7.2 / 2.54}, {"m", 7200.0 / 2.54}, {"ft", 864.0},
};

// The order in which the units are offered to the user.
GUnitSupport::Unit const sDisplayOrder[GUnitSupport::cUnitCount] = {
    GUnitSupport::cPoints,      GUnitSupport::cPicas,       GUnitSupport::cInches, GUnitSupport::cFeet,
    GUnitSupport::cMillimeters, GUnitSupport::cCentimeters, GUnitSupport::cMeters,
};

// The current form of the setting, and the two older forms that are still read.
GBuffer const cUnitKey = GBuffer::FromStatic("UnitV3");
GBuffer const cOldUnitKey = GBuffer::FromStatic("Unit");
GBuffer const cUnitCodeKey = GBuffer::FromStatic("2");

bool IsUnit(std::int32_t code)
{
    return code >= 0 && code < GUnitSupport::cUnitCount;
}

UnitInfo const& InfoOf(GUnitSupport::Unit unit)
{
    return sUnitInfo[IsUnit(unit) ? unit : GUnitSupport::cPoints];
}

// Points and millimetres are fine steps already; the coarser units get one decimal more (the
// number text has at most 16 anyway, so the largest request needs no more).
int DecimalsFor(GUnitSupport::Unit unit, int decimals)
{
    bool const fine = unit == GUnitSupport::cPoints || unit == GUnitSupport::cMillimeters;
    return fine || decimals == std::numeric_limits<int>::max() ? decimals : decimals + 1;
}

GString FormatIn(GUnitSupport::Unit unit, double points, int decimals)
{
    return GString(points / InfoOf(unit).fPointsPerUnit, DecimalsFor(unit, decimals));
}

GString WithSymbol(GUnitSupport::Unit unit, GString const& number, char const* separator)
{
    return number + GString(separator) + GString(InfoOf(unit).fSymbol);
}
} // namespace

void GUnitSupport::Initialize()
{
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", GUnitTexts::sRows,
                                          GUnitTexts::cCount, false);
}

GUnitSupport::Unit GUnitSupport::GetDefaultUnitCode()
{
    GBuffer const& group = GZolvaneGeneralPrefs::cGroupIDGeneralPrefs;
    if (GPreferences::Has(group, cUnitKey))
        return GetUnitCodeForSymbol(GPreferences::Get(group, cUnitKey));
    if (GPreferences::Has(group, cOldUnitKey))
        return GetUnitCodeForSymbol(GPreferences::Get(group, cOldUnitKey));
    std::int32_t const code = GPreferences::GetInt32(group, cUnitCodeKey);
    return IsUnit(code) ? Unit(code) : cPoints;
}

void GUnitSupport::SetDefaultUnitCode(Unit unit)
{
    GPreferences::Set(GPreferences::cUserModuleID, GZolvaneGeneralPrefs::cGroupIDGeneralPrefs, cUnitKey,
                      GetSymbolForUnitCode(unit));
    GBasicSignals::SendPreferencesChanged();
}

GString GUnitSupport::GetSymbolForUnitCode(Unit unit)
{
    return GString(InfoOf(unit).fSymbol);
}

GString GUnitSupport::GetDefaultUnitSymbol()
{
    return GetSymbolForUnitCode(GetDefaultUnitCode());
}

double GUnitSupport::GetFactorForUnitCode(Unit unit)
{
    return InfoOf(unit).fPointsPerUnit;
}

double GUnitSupport::GetDefaultUnitFactor()
{
    return GetFactorForUnitCode(GetDefaultUnitCode());
}

GUnitSupport::Unit GUnitSupport::GetUnitCodeForSymbol(GString const& symbol)
{
    Unit unit = cPoints;
    GetUnitCodeForSymbol(symbol, unit);
    return unit;
}

bool GUnitSupport::GetUnitCodeForSymbol(GString const& symbol, Unit& unit)
{
    for (std::int32_t code = 0; code < cUnitCount; ++code)
    {
        // Compared as text, so a symbol in any encoding matches, and nothing but the exact
        // letters does.
        if (symbol == GString(sUnitInfo[code].fSymbol))
        {
            unit = Unit(code);
            return true;
        }
    }
    return false;
}

GUnitSupport::Unit GUnitSupport::GetUnitForIndex(int index)
{
    return IsUnit(index) ? sDisplayOrder[index] : cPoints;
}

void GUnitSupport::FormatValueWithUnit(GString& out, double points, int decimals)
{
    Unit const unit = GetDefaultUnitCode();
    out = WithSymbol(unit, FormatIn(unit, points, decimals), " ");
}

GString GUnitSupport::FormatValueWithUnit(double points, int decimals)
{
    GString out;
    FormatValueWithUnit(out, points, decimals);
    return out;
}

void GUnitSupport::FormatValueWithoutUnit(GString& out, double points, int decimals)
{
    out = FormatIn(GetDefaultUnitCode(), points, decimals);
}

GString GUnitSupport::FormatValueWithoutUnit(double points, int decimals)
{
    GString out;
    FormatValueWithoutUnit(out, points, decimals);
    return out;
}

GString GUnitSupport::FormatValueWithUnit(GSizeBase<double> const& points, int decimals)
{
    Unit const unit = GetDefaultUnitCode();
    GString const separator(", ");
    GString const text = GString("(") + FormatIn(unit, points.fWidth, decimals) + separator +
                         FormatIn(unit, points.fHeight, decimals);
    return WithSymbol(unit, text, ") ");
}

GString GUnitSupport::FormatValueWithUnit(GRectBase<double> const& points, int decimals)
{
    Unit const unit = GetDefaultUnitCode();
    GString const separator(", ");
    GString const text = GString("(") + FormatIn(unit, points.fLeft, decimals) + separator +
                         FormatIn(unit, points.fRight, decimals) + separator +
                         FormatIn(unit, points.fTop, decimals) + separator +
                         FormatIn(unit, points.fBottom, decimals);
    return WithSymbol(unit, text, ") ");
}

void GUnitSupport::FormatValueToPointsWithoutUnit(GString& out, double value, Unit unit)
{
    out.Set(value * GetFactorForUnitCode(unit));
}

GString GUnitSupport::FormatValueToPointsWithoutUnit(double value, Unit unit)
{
    GString out;
    FormatValueToPointsWithoutUnit(out, value, unit);
    return out;
}
