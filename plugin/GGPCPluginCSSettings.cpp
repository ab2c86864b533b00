// The typed view of a Sendrixor's plug-in settings.
#include "GGPCPluginCSSettings.h"

#include "GSettingsInterface.h"
#include "GString.h"
#include "GUTF8Encoding.h"

GBuffer const GGPCPluginCSSettings::cPluginSettingsGroup("PluginSettings");
GBuffer const GGPCPluginCSSettings::cPluginBleedChoice("BleedChoice");
GBuffer const GGPCPluginCSSettings::cPluginBleedTopValue("BleedTopValue");
GBuffer const GGPCPluginCSSettings::cPluginBleedBottomValue("BleedBottomValue");
GBuffer const GGPCPluginCSSettings::cPluginBleedInsideValue("BleedInsideValue");
GBuffer const GGPCPluginCSSettings::cPluginBleedOutsideValue("BleedOutsideValue");
GBuffer const GGPCPluginCSSettings::cPluginBleedIncludeSlugArea("BleedSlugArea");
GBuffer const GGPCPluginCSSettings::cPluginPrintSpreads("PrintSpreads");
GBuffer const GGPCPluginCSSettings::cPluginPrinterMarks("PrinterMarks");
GBuffer const GGPCPluginCSSettings::cPluginTrim("Trim");
GBuffer const GGPCPluginCSSettings::cPluginBleed("Bleed");
GBuffer const GGPCPluginCSSettings::cPluginPrnRegistration("PrinterRegistration");
GBuffer const GGPCPluginCSSettings::cPluginColorBars("ColorBars");
GBuffer const GGPCPluginCSSettings::cPluginPageInfo("PageInfo");
GBuffer const GGPCPluginCSSettings::cPluginMarkWeight("MarkWeight");
GBuffer const GGPCPluginCSSettings::cPluginMarkOffset("MarkOffset");
GBuffer const GGPCPluginCSSettings::cPluginUserSettingsEnable("UserSettings");
GBuffer const GGPCPluginCSSettings::cPluginIncludeFilePackage("IncludeFilePackage");

namespace
{
// The stored words of the two enumerations; Sendrixors write and read the same words.
GBuffer const cBleedNotSet("BleedNotSet");
GBuffer const cBleedUseGivenValue("BleedValueSet");
GBuffer const cBleedUseDocSettings("BleedUseDocSettingsSet");
GBuffer const cMarkWeight0125("MarkWeight0125");
GBuffer const cMarkWeight025("MarkWeight025");
GBuffer const cMarkWeight050("MarkWeight050");

GString Utf8Word(GBuffer const& word)
{
    return GString(word, GUTF8Encoding::GetInstance(), true);
}
} // namespace

bool GGPCPluginCSSettings::GetBool(GBuffer const& key) const
{
    return fStore.Get(cPluginSettingsGroup, key) == GString("true");
}

void GGPCPluginCSSettings::SetBool(GBuffer const& key, bool value)
{
    fStore.Set(cPluginSettingsGroup, key, GString(value ? "true" : "false"));
}

double GGPCPluginCSSettings::GetReal(GBuffer const& key) const
{
    return fStore.Get(cPluginSettingsGroup, key).GetReal();
}

void GGPCPluginCSSettings::SetReal(GBuffer const& key, double value)
{
    fStore.Set(cPluginSettingsGroup, key, GString(value));
}

GGPCPluginCSSettings::BleedChoice GGPCPluginCSSettings::GetBleedChoice() const
{
    GBuffer const word =
        fStore.Get(cPluginSettingsGroup, cPluginBleedChoice).GetBuffer(GUTF8Encoding::GetInstance());
    if (word == cBleedUseGivenValue)
        return cBleedChoiceGivenValue;
    if (word == cBleedUseDocSettings)
        return cBleedChoiceDocSettings;
    return cBleedChoiceNotSet;
}

void GGPCPluginCSSettings::SetBleedChoice(int choice)
{
    GBuffer const& word = choice == cBleedChoiceDocSettings  ? cBleedUseDocSettings
                          : choice == cBleedChoiceGivenValue ? cBleedUseGivenValue
                                                             : cBleedNotSet;
    fStore.Set(cPluginSettingsGroup, cPluginBleedChoice, Utf8Word(word));
}

double GGPCPluginCSSettings::GetBleedTopValue() const
{
    return GetReal(cPluginBleedTopValue);
}

void GGPCPluginCSSettings::SetBleedTopValue(double points)
{
    SetReal(cPluginBleedTopValue, points);
}

double GGPCPluginCSSettings::GetBleedBottomValue() const
{
    return GetReal(cPluginBleedBottomValue);
}

void GGPCPluginCSSettings::SetBleedBottomValue(double points)
{
    SetReal(cPluginBleedBottomValue, points);
}

double GGPCPluginCSSettings::GetBleedInsideValue() const
{
    return GetReal(cPluginBleedInsideValue);
}

void GGPCPluginCSSettings::SetBleedInsideValue(double points)
{
    SetReal(cPluginBleedInsideValue, points);
}

double GGPCPluginCSSettings::GetBleedOutsideValue() const
{
    return GetReal(cPluginBleedOutsideValue);
}

void GGPCPluginCSSettings::SetBleedOutsideValue(double points)
{
    SetReal(cPluginBleedOutsideValue, points);
}

bool GGPCPluginCSSettings::IsSlugAreaIncluded() const
{
    return GetBool(cPluginBleedIncludeSlugArea);
}

void GGPCPluginCSSettings::SetIncludeSlugArea(bool include)
{
    SetBool(cPluginBleedIncludeSlugArea, include);
}

bool GGPCPluginCSSettings::IsPrintSpreadsAllowed() const
{
    return GetBool(cPluginPrintSpreads);
}

void GGPCPluginCSSettings::SetPrintSpreadsAllow(bool allow)
{
    SetBool(cPluginPrintSpreads, allow);
}

bool GGPCPluginCSSettings::IsPrinterMarksAllowed() const
{
    return GetBool(cPluginPrinterMarks);
}

void GGPCPluginCSSettings::SetPrinterMarkAllow(bool allow)
{
    SetBool(cPluginPrinterMarks, allow);
}

bool GGPCPluginCSSettings::IsMarkTrimAllowed() const
{
    return GetBool(cPluginTrim);
}

void GGPCPluginCSSettings::SetMarkTrimAllow(bool allow)
{
    SetBool(cPluginTrim, allow);
}

bool GGPCPluginCSSettings::IsMarkBleedAllowed() const
{
    return GetBool(cPluginBleed);
}

void GGPCPluginCSSettings::SetMarkBleedAllow(bool allow)
{
    SetBool(cPluginBleed, allow);
}

bool GGPCPluginCSSettings::IsMarkPrnRegistrationAllowed() const
{
    return GetBool(cPluginPrnRegistration);
}

void GGPCPluginCSSettings::SetMarkPrnRegistrationAllow(bool allow)
{
    SetBool(cPluginPrnRegistration, allow);
}

bool GGPCPluginCSSettings::IsMarkColorBarsAllowed() const
{
    return GetBool(cPluginColorBars);
}

void GGPCPluginCSSettings::SetMarkColorBarsAllow(bool allow)
{
    SetBool(cPluginColorBars, allow);
}

bool GGPCPluginCSSettings::IsMarkPageInfoAllowed() const
{
    return GetBool(cPluginPageInfo);
}

void GGPCPluginCSSettings::SetMarkPageInfoAllow(bool allow)
{
    SetBool(cPluginPageInfo, allow);
}

GGPCPluginCSSettings::MarkWeightType GGPCPluginCSSettings::GetMarkWeight() const
{
    GBuffer const word =
        fStore.Get(cPluginSettingsGroup, cPluginMarkWeight).GetBuffer(GUTF8Encoding::GetInstance());
    if (word == cMarkWeight0125)
        return cMarkWeightType0125;
    if (word == cMarkWeight050)
        return cMarkWeightType050;
    return cMarkWeightType025;
}

void GGPCPluginCSSettings::SetMarkWeight(int weight)
{
    GBuffer const& word = weight == cMarkWeightType050    ? cMarkWeight050
                          : weight == cMarkWeightType0125 ? cMarkWeight0125
                                                          : cMarkWeight025;
    fStore.Set(cPluginSettingsGroup, cPluginMarkWeight, Utf8Word(word));
}

double GGPCPluginCSSettings::GetMarkOffset() const
{
    return GetReal(cPluginMarkOffset);
}

void GGPCPluginCSSettings::SetMarkOffset(double points)
{
    SetReal(cPluginMarkOffset, points);
}

bool GGPCPluginCSSettings::IsUserSettingEnabled() const
{
    return GetBool(cPluginUserSettingsEnable);
}

void GGPCPluginCSSettings::SetUserSettingEnable(bool enable)
{
    SetBool(cPluginUserSettingsEnable, enable);
}

bool GGPCPluginCSSettings::IsFilePackageIncluded() const
{
    return GetBool(cPluginIncludeFilePackage);
}

void GGPCPluginCSSettings::IncludeFilePackage(bool include)
{
    SetBool(cPluginIncludeFilePackage, include);
}

bool GGPCPluginCSSettings::operator==(GGPCPluginCSSettings const& other) const
{
    BleedChoice const choice = GetBleedChoice();
    if (choice != other.GetBleedChoice())
        return false;
    if (choice == cBleedChoiceGivenValue)
    {
        for (GBuffer const* key : {&cPluginBleedTopValue, &cPluginBleedBottomValue, &cPluginBleedInsideValue,
                                   &cPluginBleedOutsideValue})
        {
            if (fStore.Get(cPluginSettingsGroup, *key) != other.fStore.Get(cPluginSettingsGroup, *key))
                return false;
        }
    }
    for (GBuffer const* key :
         {&cPluginPrintSpreads, &cPluginPrinterMarks, &cPluginTrim, &cPluginBleed, &cPluginPrnRegistration,
          &cPluginColorBars, &cPluginPageInfo, &cPluginUserSettingsEnable})
    {
        if (GetBool(*key) != other.GetBool(*key))
            return false;
    }
    return GetMarkWeight() == other.GetMarkWeight() &&
           IsFilePackageIncluded() == other.IsFilePackageIncluded();
}
