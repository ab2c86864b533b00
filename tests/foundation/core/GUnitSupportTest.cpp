// Measurement units: the seven units formatted and read back, the default unit from its three forms
// in the general preferences, storing it with the preferences-changed signal, the unit names in the
// string pool, and codes that no unit has.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "GBasicSignals.h"
#include "GEmptyMessage.h"
#include "GPrefMemoryModule.h"
#include "GPreferences.h"
#include "GReceiver.h"
#include "GSimpleException.h"
#include "GStringPool.h"
#include "GUTF8Encoding.h"
#include "GUnitSupport.h"

namespace
{
using Unit = GUnitSupport::Unit;

std::string Utf8(GString const& text)
{
    GBuffer bytes;
    text.GetBuffer(bytes, GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), std::size_t(bytes.GetLength()));
}

GString Utf16(char const* ascii)
{
    GString text(ascii);
    text.EnsureUnicode();
    return text;
}

struct UnitRow
{
    Unit fUnit;
    char const* fSymbol;
    double fPointsPerUnit;
    char const* fPlural;
    char const* fSingular;
    // 100 points with 1 decimal: points and millimetres keep 1 decimal, the others get 2.
    char const* fHundredPoints;
    // One of the unit in points, six decimals with the trailing zeros dropped.
    char const* fOneInPoints;
};

std::vector<UnitRow> const cUnits = {
    {GUnitSupport::cPoints, "pt", 1.0, "Points", "Point", "100", "1"},
    {GUnitSupport::cPicas, "p", 12.0, "Picas", "Pica", "8.33", "12"},
    {GUnitSupport::cInches, "in", 72.0, "Inches", "Inch", "1.39", "72"},
    {GUnitSupport::cCentimeters, "cm", 28.346456692913385, "Centimeters", "Centimeter", "3.53", "28.346457"},
    {GUnitSupport::cMillimeters, "mm", 2.834645669291339, "Millimeters", "Millimeter", "35.3", "2.834646"},
    {GUnitSupport::cMeters, "m", 2834.645669291339, "Meters", "Meter", "0.04", "2834.645669"},
    {GUnitSupport::cFeet, "ft", 864.0, "Feet", "Foot", "0.12", "864"},
};

// Counts signal 105 and reads the default unit as the receiver sees it when the signal comes.
class PreferencesChangedCounter : public GReceiver<GEmptyMessage>
{
public:
    PreferencesChangedCounter() { Subscribe(GBasicSignals::cPreferencesChangedSignal); }

    void Receive(int signalId, GEmptyMessage const&) override
    {
        EXPECT_EQ(GBasicSignals::cPreferencesChangedSignal, signalId);
        fSeen.push_back(GUnitSupport::GetDefaultUnitCode());
    }

    std::vector<Unit> fSeen;
};

// The preferences with a user module -3; the general group starts without any unit setting.
class GUnitSupportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GPreferences::Initialize();
        fUser = new GPrefMemoryModule;
        GPreferences::SetPrefModule(GPreferences::cUserModuleID, fUser, true);
    }
    void TearDown() override { GPreferences::Finalize(); }

    void Store(char const* key, char const* value) { fUser->Set("General", key, GString(value)); }

    GPrefMemoryModule* fUser = nullptr;
};

// --- the seven units ---

TEST_F(GUnitSupportTest, EachUnitHasItsSymbolAndSize)
{
    for (UnitRow const& row : cUnits)
    {
        SCOPED_TRACE(row.fSymbol);
        EXPECT_EQ(row.fSymbol, Utf8(GUnitSupport::GetSymbolForUnitCode(row.fUnit)));
        EXPECT_DOUBLE_EQ(row.fPointsPerUnit, GUnitSupport::GetFactorForUnitCode(row.fUnit));
    }
}

TEST_F(GUnitSupportTest, FormatsPointsInEachDefaultUnit)
{
    for (UnitRow const& row : cUnits)
    {
        SCOPED_TRACE(row.fSymbol);
        GUnitSupport::SetDefaultUnitCode(row.fUnit);
        EXPECT_EQ(row.fSymbol, Utf8(GUnitSupport::GetDefaultUnitSymbol()));
        EXPECT_DOUBLE_EQ(row.fPointsPerUnit, GUnitSupport::GetDefaultUnitFactor());

        EXPECT_EQ(row.fHundredPoints, Utf8(GUnitSupport::FormatValueWithoutUnit(100.0, 1)));
        EXPECT_EQ(std::string(row.fHundredPoints) + " " + row.fSymbol,
                  Utf8(GUnitSupport::FormatValueWithUnit(100.0, 1)));
        // The forms that fill a string the caller holds give the same text and replace its old one.
        GString out("old text");
        GUnitSupport::FormatValueWithUnit(out, 100.0, 1);
        EXPECT_EQ(std::string(row.fHundredPoints) + " " + row.fSymbol, Utf8(out));
        GUnitSupport::FormatValueWithoutUnit(out, 100.0, 1);
        EXPECT_EQ(row.fHundredPoints, Utf8(out));
    }
}

TEST_F(GUnitSupportTest, ReadsEachSymbolBackAsItsUnit)
{
    for (UnitRow const& row : cUnits)
    {
        SCOPED_TRACE(row.fSymbol);
        EXPECT_EQ(row.fUnit, GUnitSupport::GetUnitCodeForSymbol(GString(row.fSymbol)));
        // Text in UTF-16, as it comes from the user interface, reads the same.
        Unit unit = GUnitSupport::cFeet;
        EXPECT_TRUE(GUnitSupport::GetUnitCodeForSymbol(Utf16(row.fSymbol), unit));
        EXPECT_EQ(row.fUnit, unit);
        // What the formatter writes, read back, is the value in points again.
        GUnitSupport::SetDefaultUnitCode(row.fUnit);
        GString const shown = GUnitSupport::FormatValueWithoutUnit(720.0, 6);
        EXPECT_NEAR(720.0, shown.GetReal() * GUnitSupport::GetFactorForUnitCode(unit), 1e-3);
    }
}

TEST_F(GUnitSupportTest, ConvertsAValueInEachUnitToPoints)
{
    for (UnitRow const& row : cUnits)
    {
        SCOPED_TRACE(row.fSymbol);
        EXPECT_EQ(row.fOneInPoints, Utf8(GUnitSupport::FormatValueToPointsWithoutUnit(1.0, row.fUnit)));
        GString out;
        GUnitSupport::FormatValueToPointsWithoutUnit(out, -2.5, row.fUnit);
        EXPECT_NEAR(-2.5 * row.fPointsPerUnit, out.GetReal(), 1e-6);
    }
}

TEST_F(GUnitSupportTest, OnlyTheExactSymbolIsAUnit)
{
    for (char const* text : {"Mm", "MM", "PT", "", " pt", "pt ", "pts", "inch", "µm"})
    {
        SCOPED_TRACE(text);
        GString const symbol(reinterpret_cast<unsigned char const*>(text), int(std::strlen(text)),
                             GUTF8Encoding::GetInstance(), false);
        EXPECT_EQ(GUnitSupport::cPoints, GUnitSupport::GetUnitCodeForSymbol(symbol));
        Unit unit = GUnitSupport::cFeet;
        EXPECT_FALSE(GUnitSupport::GetUnitCodeForSymbol(symbol, unit));
        EXPECT_EQ(GUnitSupport::cFeet, unit);
    }
}

TEST_F(GUnitSupportTest, OffersTheUnitsInDisplayOrder)
{
    std::vector<Unit> const order = {
        GUnitSupport::cPoints,      GUnitSupport::cPicas,       GUnitSupport::cInches, GUnitSupport::cFeet,
        GUnitSupport::cMillimeters, GUnitSupport::cCentimeters, GUnitSupport::cMeters};
    for (int index = 0; index < int(order.size()); ++index)
    {
        SCOPED_TRACE(index);
        EXPECT_EQ(order[std::size_t(index)], GUnitSupport::GetUnitForIndex(index));
    }
}

TEST_F(GUnitSupportTest, FormatsSizesAndRectanglesInTheDefaultUnit)
{
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::cInches);
    EXPECT_EQ("(1, 2.5) in", Utf8(GUnitSupport::FormatValueWithUnit(GSizeBase<double>(72.0, 180.0), 1)));
    // Stored left, top, right, bottom; shown left, right, top, bottom.
    EXPECT_EQ("(0.5, 1.5, 1, 2) in",
              Utf8(GUnitSupport::FormatValueWithUnit(GRectBase<double>(36.0, 72.0, 108.0, 144.0), 1)));

    GUnitSupport::SetDefaultUnitCode(GUnitSupport::cMillimeters);
    EXPECT_EQ("(25.4, 63.5) mm", Utf8(GUnitSupport::FormatValueWithUnit(GSizeBase<double>(72.0, 180.0), 1)));
}

TEST_F(GUnitSupportTest, TheLargestDecimalRequestIsCappedLikeAnyLargeOne)
{
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::cInches);
    EXPECT_EQ(Utf8(GString(1.0 / 72.0, 16)),
              Utf8(GUnitSupport::FormatValueWithoutUnit(1.0, std::numeric_limits<int>::max())));
}

// --- the default unit in the preferences ---

TEST_F(GUnitSupportTest, ReadsTheDefaultUnitFromItsNewestStoredForm)
{
    struct Case
    {
        char const* fName;
        char const* fUnitV3;
        char const* fUnit;
        char const* fCode;
        Unit fExpected;
    };
    std::vector<Case> const cases = {
        {"nothing stored", nullptr, nullptr, nullptr, GUnitSupport::cPoints},
        {"current form", "mm", nullptr, nullptr, GUnitSupport::cMillimeters},
        {"current over older", "cm", "in", "6", GUnitSupport::cCentimeters},
        {"older symbol", nullptr, "in", "6", GUnitSupport::cInches},
        {"oldest code", nullptr, nullptr, "6", GUnitSupport::cFeet},
        {"code with text after it", nullptr, nullptr, "3 cm", GUnitSupport::cCentimeters},
        {"unknown current symbol wins", "furlong", "in", nullptr, GUnitSupport::cPoints},
        {"symbols are case-sensitive", nullptr, "Mm", "4", GUnitSupport::cPoints},
        {"code past the table", nullptr, nullptr, "7", GUnitSupport::cPoints},
        {"negative code", nullptr, nullptr, "-1", GUnitSupport::cPoints},
        {"huge code", nullptr, nullptr, "2147483647", GUnitSupport::cPoints},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GPreferences::SetPrefModule(GPreferences::cUserModuleID, fUser = new GPrefMemoryModule, true);
        if (c.fUnitV3)
            Store("UnitV3", c.fUnitV3);
        if (c.fUnit)
            Store("Unit", c.fUnit);
        if (c.fCode)
            Store("2", c.fCode);
        Unit const unit = GUnitSupport::GetDefaultUnitCode();
        EXPECT_EQ(c.fExpected, unit);
        // A code outside the table never reaches the unit table: it is shown as points.
        EXPECT_EQ(Utf8(GUnitSupport::GetSymbolForUnitCode(c.fExpected)),
                  Utf8(GUnitSupport::GetDefaultUnitSymbol()));
        EXPECT_DOUBLE_EQ(GUnitSupport::GetFactorForUnitCode(c.fExpected),
                         GUnitSupport::GetDefaultUnitFactor());
    }
}

TEST_F(GUnitSupportTest, ReadsTheDefaultUnitThroughTheWholeStack)
{
    Store("UnitV3", "mm");
    GPrefMemoryModule* custom = new GPrefMemoryModule;
    GPreferences::SetPrefModule(0, custom, true);
    custom->Set("General", "UnitV3", GString("cm"));
    EXPECT_EQ(GUnitSupport::cCentimeters, GUnitSupport::GetDefaultUnitCode());

    // The setting goes to the user module, so the custom module's value still hides it.
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::cFeet);
    EXPECT_EQ("ft", Utf8(fUser->Get("General", "UnitV3")));
    EXPECT_EQ(GUnitSupport::cCentimeters, GUnitSupport::GetDefaultUnitCode());
    GPreferences::RemovePrefModule(0);
    EXPECT_EQ(GUnitSupport::cFeet, GUnitSupport::GetDefaultUnitCode());
}

TEST_F(GUnitSupportTest, StoringTheDefaultUnitWritesItsSymbolAndSignalsEveryTime)
{
    PreferencesChangedCounter counter;
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::cCentimeters);
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::cCentimeters);
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::cPicas);

    EXPECT_EQ("p", Utf8(fUser->Get("General", "UnitV3")));
    EXPECT_TRUE(fUser->IsDirty());
    // The receivers already read the new unit when the signal reaches them.
    EXPECT_EQ(
        (std::vector<Unit>{GUnitSupport::cCentimeters, GUnitSupport::cCentimeters, GUnitSupport::cPicas}),
        counter.fSeen);
    // The older forms are only read, never written.
    EXPECT_FALSE(fUser->Has("General", "Unit"));
    EXPECT_FALSE(fUser->Has("General", "2"));
}

TEST_F(GUnitSupportTest, StoringACodeOutsideTheTableStoresPoints)
{
    Store("UnitV3", "in");
    GUnitSupport::SetDefaultUnitCode(Unit(42));
    EXPECT_EQ("pt", Utf8(fUser->Get("General", "UnitV3")));
    EXPECT_EQ(GUnitSupport::cPoints, GUnitSupport::GetDefaultUnitCode());
}

TEST_F(GUnitSupportTest, StoringWithoutAUserModuleFailsWithoutSignalling)
{
    GPreferences::RemovePrefModule(GPreferences::cUserModuleID);
    PreferencesChangedCounter counter;
    EXPECT_THROW(GUnitSupport::SetDefaultUnitCode(GUnitSupport::cInches), GSimpleException);
    EXPECT_TRUE(counter.fSeen.empty());
}

TEST_F(GUnitSupportTest, CodesOutsideTheTableAreTakenForPoints)
{
    for (int code : {7, 8, 100, -1, -2147483647 - 1})
    {
        SCOPED_TRACE(code);
        EXPECT_EQ("pt", Utf8(GUnitSupport::GetSymbolForUnitCode(Unit(code))));
        EXPECT_DOUBLE_EQ(1.0, GUnitSupport::GetFactorForUnitCode(Unit(code)));
        EXPECT_EQ("2.5", Utf8(GUnitSupport::FormatValueToPointsWithoutUnit(2.5, Unit(code))));
        EXPECT_EQ(GUnitSupport::cPoints, GUnitSupport::GetUnitForIndex(code));
    }
    Store("2", "9");
    EXPECT_EQ("12.5 pt", Utf8(GUnitSupport::FormatValueWithUnit(12.5, 1)));
}

// --- the unit names ---

class GUnitSupportNamesTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        GStringPool::Initialize();
        GUnitSupport::Initialize();
    }
    static void TearDownTestSuite() { GStringPool::Finalize(); }

    static std::string English(int id) { return Utf8(GStringPool::GetString(GString("enUS"), id)); }
};

TEST_F(GUnitSupportNamesTest, NamesEachUnitInEnglish)
{
    for (UnitRow const& row : cUnits)
    {
        SCOPED_TRACE(row.fSymbol);
        EXPECT_EQ(row.fPlural, English(1300 + row.fUnit));
        EXPECT_EQ(row.fSingular, English(1400 + row.fUnit));
        EXPECT_EQ(Utf8(GUnitSupport::GetSymbolForUnitCode(row.fUnit)), English(1500 + row.fUnit));
    }
    EXPECT_EQ("Pixels per inch", English(1325));
    EXPECT_EQ("Pixel per inch", English(1425));
    EXPECT_EQ("ppi", English(1525));
    // Nothing between the units and the resolution unit.
    for (int id : {1307, 1324, 1407, 1507, 1526})
    {
        SCOPED_TRACE(id);
        EXPECT_EQ("", English(id));
    }
}
} // namespace
