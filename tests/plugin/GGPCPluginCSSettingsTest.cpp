// A Sendrixor's plug-in settings through their typed view: what each stored text reads as, the text
// each write stores, one store call per access, and which differences make two settings unequal.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "GGPCPluginCSSettings.h"
#include "GPrefMemoryModule.h"
#include "GUnicodeEncoding.h"
#include "StringText.h"

namespace
{
using testsupport::TextOf;
using testsupport::Utf8Of;
using Settings = GGPCPluginCSSettings;

// A store that counts the calls made on it, over a memory module.
class CountingStore : public GSettingsInterface
{
public:
    GString const& Get(GBuffer const& group, GBuffer const& key) const override
    {
        ++fGets;
        return fModule.Get(group, key);
    }
    void Set(GBuffer const& group, GBuffer const& key, GString const& value) override
    {
        ++fSets;
        fModule.Set(group, key, value);
    }
    bool Has(GBuffer const& group, GBuffer const& key) const override { return fModule.Has(group, key); }

    GPrefMemoryModule fModule;
    mutable int fGets = 0;
    int fSets = 0;
};

class GGPCPluginCSSettingsTest : public ::testing::Test
{
protected:
    void Store(GBuffer const& key, std::string const& text)
    {
        fModule.Set(Settings::cPluginSettingsGroup, key, TextOf(text));
    }
    std::string Stored(GBuffer const& key) const
    {
        if (!fModule.Has(Settings::cPluginSettingsGroup, key))
            return "(absent)";
        return Utf8Of(fModule.Get(Settings::cPluginSettingsGroup, key));
    }

    GPrefMemoryModule fModule;
    Settings fSettings{fModule};
};

using BoolGetter = bool (Settings::*)() const;
using BoolSetter = void (Settings::*)(bool);
struct TruthKey
{
    GBuffer const* fKey;
    BoolGetter fGet;
    BoolSetter fSet;
};
std::vector<TruthKey> const cTruthKeys = {
    {&Settings::cPluginBleedIncludeSlugArea, &Settings::IsSlugAreaIncluded, &Settings::SetIncludeSlugArea},
    {&Settings::cPluginPrintSpreads, &Settings::IsPrintSpreadsAllowed, &Settings::SetPrintSpreadsAllow},
    {&Settings::cPluginPrinterMarks, &Settings::IsPrinterMarksAllowed, &Settings::SetPrinterMarkAllow},
    {&Settings::cPluginTrim, &Settings::IsMarkTrimAllowed, &Settings::SetMarkTrimAllow},
    {&Settings::cPluginBleed, &Settings::IsMarkBleedAllowed, &Settings::SetMarkBleedAllow},
    {&Settings::cPluginPrnRegistration, &Settings::IsMarkPrnRegistrationAllowed,
     &Settings::SetMarkPrnRegistrationAllow},
    {&Settings::cPluginColorBars, &Settings::IsMarkColorBarsAllowed, &Settings::SetMarkColorBarsAllow},
    {&Settings::cPluginPageInfo, &Settings::IsMarkPageInfoAllowed, &Settings::SetMarkPageInfoAllow},
    {&Settings::cPluginUserSettingsEnable, &Settings::IsUserSettingEnabled, &Settings::SetUserSettingEnable},
    {&Settings::cPluginIncludeFilePackage, &Settings::IsFilePackageIncluded, &Settings::IncludeFilePackage},
};

using RealGetter = double (Settings::*)() const;
using RealSetter = void (Settings::*)(double);
struct LengthKey
{
    GBuffer const* fKey;
    RealGetter fGet;
    RealSetter fSet;
};
std::vector<LengthKey> const cLengthKeys = {
    {&Settings::cPluginBleedTopValue, &Settings::GetBleedTopValue, &Settings::SetBleedTopValue},
    {&Settings::cPluginBleedBottomValue, &Settings::GetBleedBottomValue, &Settings::SetBleedBottomValue},
    {&Settings::cPluginBleedInsideValue, &Settings::GetBleedInsideValue, &Settings::SetBleedInsideValue},
    {&Settings::cPluginBleedOutsideValue, &Settings::GetBleedOutsideValue, &Settings::SetBleedOutsideValue},
    {&Settings::cPluginMarkOffset, &Settings::GetMarkOffset, &Settings::SetMarkOffset},
};
} // namespace

TEST_F(GGPCPluginCSSettingsTest, AnEmptyStoreReadsAsNoOverrideEverythingOffAndQuarterPointMarks)
{
    EXPECT_EQ(fSettings.GetBleedChoice(), Settings::cBleedChoiceNotSet);
    EXPECT_EQ(fSettings.GetMarkWeight(), Settings::cMarkWeightType025);
    for (TruthKey const& key : cTruthKeys)
    {
        SCOPED_TRACE(key.fKey->GetPtr());
        EXPECT_FALSE((fSettings.*key.fGet)());
    }
    for (LengthKey const& key : cLengthKeys)
    {
        SCOPED_TRACE(key.fKey->GetPtr());
        EXPECT_EQ((fSettings.*key.fGet)(), 0.0);
    }
}

TEST_F(GGPCPluginCSSettingsTest, TruthValuesAreExactlyTheTextTrueAndWriteTrueOrFalse)
{
    struct Case
    {
        char const* fText;
        bool fRead;
    };
    Case const cases[] = {{"true", true}, {"TRUE", false},  {"True", false}, {"1", false},
                          {"", false},    {"true ", false}, {"false", false}};
    for (TruthKey const& key : cTruthKeys)
    {
        SCOPED_TRACE(key.fKey->GetPtr());
        for (Case const& c : cases)
        {
            SCOPED_TRACE(c.fText);
            Store(*key.fKey, c.fText);
            EXPECT_EQ((fSettings.*key.fGet)(), c.fRead);
        }
        (fSettings.*key.fSet)(true);
        EXPECT_EQ(Stored(*key.fKey), "true");
        EXPECT_TRUE((fSettings.*key.fGet)());
        (fSettings.*key.fSet)(false);
        EXPECT_EQ(Stored(*key.fKey), "false");
        EXPECT_FALSE((fSettings.*key.fGet)());
    }
}

TEST_F(GGPCPluginCSSettingsTest, TheBleedChoiceAndMarkWeightReadOnlyTheirExactWords)
{
    struct Case
    {
        char const* fText;
        int fChoice;
        int fWeight;
    };
    Case const cases[] = {
        {"BleedValueSet", 1, 1},
        {"BleedUseDocSettingsSet", 2, 1},
        {"BleedNotSet", 0, 1},
        {"bleedvalueset", 0, 1},
        {"", 0, 1},
        {"MarkWeight0125", 0, 0},
        {"MarkWeight050", 0, 2},
        {"MarkWeight025", 0, 1},
        {"MarkWeight0125 ", 0, 1},
        {"markweight050", 0, 1},
        {"2", 0, 1},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fText);
        Store(Settings::cPluginBleedChoice, c.fText);
        Store(Settings::cPluginMarkWeight, c.fText);
        EXPECT_EQ(fSettings.GetBleedChoice(), c.fChoice);
        EXPECT_EQ(fSettings.GetMarkWeight(), c.fWeight);
    }
}

TEST_F(GGPCPluginCSSettingsTest, ChoicesOutsideTheEnumerationsStoreTheDefaultWord)
{
    struct Case
    {
        int fValue;
        char const* fBleedWord;
        char const* fWeightWord;
    };
    Case const cases[] = {{0, "BleedNotSet", "MarkWeight0125"},
                          {1, "BleedValueSet", "MarkWeight025"},
                          {2, "BleedUseDocSettingsSet", "MarkWeight050"},
                          {5, "BleedNotSet", "MarkWeight025"},
                          {7, "BleedNotSet", "MarkWeight025"},
                          {-1, "BleedNotSet", "MarkWeight025"}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fValue);
        fSettings.SetBleedChoice(c.fValue);
        fSettings.SetMarkWeight(c.fValue);
        EXPECT_EQ(Stored(Settings::cPluginBleedChoice), c.fBleedWord);
        EXPECT_EQ(Stored(Settings::cPluginMarkWeight), c.fWeightWord);
    }
}

TEST_F(GGPCPluginCSSettingsTest, LengthsAreStoredAsShortDecimalTextAndReadByTheirLeadingNumber)
{
    struct Write
    {
        double fValue;
        char const* fText;
    };
    Write const writes[] = {{3.0, "3"},       {0.125, "0.125"}, {-1.5, "-1.5"}, {2.8346456, "2.834646"},
                            {0.0000001, "0"}, {12.5, "12.5"},   {100, "100"}};
    struct Read
    {
        char const* fText;
        double fValue;
    };
    Read const reads[] = {{"12.5mm", 12.5}, {"", 0},           {"mm", 0},
                          {"-3", -3},       {"4.25 pt", 4.25}, {"3.000000", 3}};
    for (LengthKey const& key : cLengthKeys)
    {
        SCOPED_TRACE(key.fKey->GetPtr());
        for (Write const& w : writes)
        {
            SCOPED_TRACE(w.fText);
            (fSettings.*key.fSet)(w.fValue);
            EXPECT_EQ(Stored(*key.fKey), w.fText);
        }
        for (Read const& r : reads)
        {
            SCOPED_TRACE(r.fText);
            Store(*key.fKey, r.fText);
            EXPECT_DOUBLE_EQ((fSettings.*key.fGet)(), r.fValue);
        }
    }
}

TEST(GGPCPluginCSSettingsStoreTest, EveryAccessIsOneCallOnTheStoreInTheGroupPluginSettings)
{
    CountingStore store;
    Settings settings(store);
    std::vector<std::function<void()>> reads = {[&] { settings.GetBleedChoice(); },
                                                [&] { settings.GetMarkWeight(); }};
    std::vector<std::function<void()>> writes = {[&] { settings.SetBleedChoice(1); },
                                                 [&] { settings.SetMarkWeight(2); }};
    for (TruthKey const& key : cTruthKeys)
    {
        reads.push_back([&settings, key] { (settings.*key.fGet)(); });
        writes.push_back([&settings, key] { (settings.*key.fSet)(true); });
    }
    for (LengthKey const& key : cLengthKeys)
    {
        reads.push_back([&settings, key] { (settings.*key.fGet)(); });
        writes.push_back([&settings, key] { (settings.*key.fSet)(1.5); });
    }
    for (std::size_t i = 0; i < reads.size(); ++i)
    {
        SCOPED_TRACE(i);
        store.fGets = 0;
        reads[i]();
        EXPECT_EQ(store.fGets, 1);
        EXPECT_EQ(store.fSets, 0);
    }
    for (std::size_t i = 0; i < writes.size(); ++i)
    {
        SCOPED_TRACE(i);
        store.fGets = 0;
        store.fSets = 0;
        writes[i]();
        EXPECT_EQ(store.fSets, 1);
        EXPECT_EQ(store.fGets, 0);
    }
    // Everything went into the one group.
    GTable<GBuffer> groups;
    store.fModule.GetGroupNames(groups);
    ASSERT_EQ(groups.GetCount(), 1);
    EXPECT_TRUE(groups[0] == Settings::cPluginSettingsGroup);
}

TEST_F(GGPCPluginCSSettingsTest, WrittenSettingsSurviveThePreferenceText)
{
    fSettings.SetBleedChoice(Settings::cBleedChoiceGivenValue);
    fSettings.SetBleedTopValue(8.5);
    fSettings.SetBleedInsideValue(2.834646);
    fSettings.SetMarkWeight(Settings::cMarkWeightType0125);
    fSettings.SetMarkOffset(6);
    fSettings.SetPrintSpreadsAllow(true);
    fSettings.IncludeFilePackage(true);
    GString text;
    fModule.GetPrefsData(text);
    GPrefMemoryModule read(text);
    Settings const settings(read);
    EXPECT_EQ(settings.GetBleedChoice(), Settings::cBleedChoiceGivenValue);
    EXPECT_DOUBLE_EQ(settings.GetBleedTopValue(), 8.5);
    EXPECT_DOUBLE_EQ(settings.GetBleedInsideValue(), 2.834646);
    EXPECT_EQ(settings.GetMarkWeight(), Settings::cMarkWeightType0125);
    EXPECT_DOUBLE_EQ(settings.GetMarkOffset(), 6);
    EXPECT_TRUE(settings.IsPrintSpreadsAllowed());
    EXPECT_TRUE(settings.IsFilePackageIncluded());
    EXPECT_FALSE(settings.IsMarkTrimAllowed());
    EXPECT_TRUE(settings == fSettings);
}

TEST(GGPCPluginCSSettingsEqualityTest, OnlyWhatTheExportUsesMakesSettingsUnequal)
{
    struct Case
    {
        char const* fWhat;
        std::function<void(Settings&)> fChange;
        bool fEqual;
    };
    auto const given = [](Settings& s) { s.SetBleedChoice(Settings::cBleedChoiceGivenValue); };
    Case const cases[] = {
        {"nothing changed", [](Settings&) {}, true},
        {"the slug area", [](Settings& s) { s.SetIncludeSlugArea(true); }, true},
        {"the mark offset", [](Settings& s) { s.SetMarkOffset(9); }, true},
        {"an offset while the bleed is not set", [](Settings& s) { s.SetBleedTopValue(7); }, true},
        {"the bleed choice", [](Settings& s) { s.SetBleedChoice(Settings::cBleedChoiceDocSettings); }, false},
        {"the mark weight", [](Settings& s) { s.SetMarkWeight(Settings::cMarkWeightType050); }, false},
        {"the package", [](Settings& s) { s.IncludeFilePackage(true); }, false},
        {"the user settings switch", [](Settings& s) { s.SetUserSettingEnable(true); }, false},
        {"page information", [](Settings& s) { s.SetMarkPageInfoAllow(true); }, false},
        {"a switch written as false where the other has none", [](Settings& s) { s.SetMarkTrimAllow(false); },
         true},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fWhat);
        GPrefMemoryModule a;
        GPrefMemoryModule b;
        Settings first(a);
        Settings second(b);
        c.fChange(second);
        EXPECT_EQ(first == second, c.fEqual);
        EXPECT_EQ(second == first, c.fEqual);
    }
    // With the document's bleed on both sides the offsets do not count; with given values on both
    // sides they do, as text: 3 is not 3.000000.
    GPrefMemoryModule a;
    GPrefMemoryModule b;
    Settings first(a);
    Settings second(b);
    first.SetBleedChoice(Settings::cBleedChoiceDocSettings);
    second.SetBleedChoice(Settings::cBleedChoiceDocSettings);
    second.SetBleedOutsideValue(7);
    EXPECT_TRUE(first == second);
    first.SetBleedOutsideValue(7);
    given(first);
    given(second);
    first.SetBleedTopValue(3);
    b.Set(Settings::cPluginSettingsGroup, Settings::cPluginBleedTopValue, GString("3.000000"));
    EXPECT_FALSE(first == second);
    second.SetBleedTopValue(3);
    EXPECT_TRUE(first == second);
    first.SetBleedBottomValue(1);
    EXPECT_FALSE(first == second);
}
