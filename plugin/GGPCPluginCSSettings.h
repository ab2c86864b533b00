// GGPCPluginCSSettings: the typed view of a Sendrixor's plug-in settings, the group "PluginSettings"
// of its project preferences: how the PDF export's bleed, printer's marks, spreads and slug are
// adjusted for that Sendrixor, whether the user may change them, and whether a file package goes
// out with the PDF. It keeps no values: every read and write is one text value of the store.
#pragma once

#include "GBuffer.h"

class GSettingsInterface;

class GGPCPluginCSSettings
{
public:
    // Where the export's bleed comes from.
    enum BleedChoice
    {
        cBleedChoiceNotSet = 0,
        cBleedChoiceGivenValue = 1,
        cBleedChoiceDocSettings = 2
    };
    // Line weight of crop and bleed marks: 0.125, 0.25 or 0.5 pt.
    enum MarkWeightType
    {
        cMarkWeightType0125 = 0,
        cMarkWeightType025 = 1,
        cMarkWeightType050 = 2
    };

    static GBuffer const cPluginSettingsGroup;
    static GBuffer const cPluginBleedChoice;
    static GBuffer const cPluginBleedTopValue;
    static GBuffer const cPluginBleedBottomValue;
    static GBuffer const cPluginBleedInsideValue;
    static GBuffer const cPluginBleedOutsideValue;
    static GBuffer const cPluginBleedIncludeSlugArea;
    static GBuffer const cPluginPrintSpreads;
    static GBuffer const cPluginPrinterMarks;
    static GBuffer const cPluginTrim;
    static GBuffer const cPluginBleed;
    static GBuffer const cPluginPrnRegistration;
    static GBuffer const cPluginColorBars;
    static GBuffer const cPluginPageInfo;
    static GBuffer const cPluginMarkWeight;
    static GBuffer const cPluginMarkOffset;
    static GBuffer const cPluginUserSettingsEnable;
    static GBuffer const cPluginIncludeFilePackage;

    // The store outlives the view.
    explicit GGPCPluginCSSettings(GSettingsInterface& store) : fStore(store) {}

    // Anything but "BleedValueSet" and "BleedUseDocSettingsSet" reads as no bleed override.
    BleedChoice GetBleedChoice() const;
    void SetBleedChoice(int choice);
    // Lengths in points; text without a leading number reads as 0.
    double GetBleedTopValue() const;
    void SetBleedTopValue(double points);
    double GetBleedBottomValue() const;
    void SetBleedBottomValue(double points);
    double GetBleedInsideValue() const;
    void SetBleedInsideValue(double points);
    double GetBleedOutsideValue() const;
    void SetBleedOutsideValue(double points);
    // Truth values are exactly "true"; anything else, the empty text included, is false.
    bool IsSlugAreaIncluded() const;
    void SetIncludeSlugArea(bool include);
    bool IsPrintSpreadsAllowed() const;
    void SetPrintSpreadsAllow(bool allow);
    bool IsPrinterMarksAllowed() const;
    void SetPrinterMarkAllow(bool allow);
    bool IsMarkTrimAllowed() const;
    void SetMarkTrimAllow(bool allow);
    bool IsMarkBleedAllowed() const;
    void SetMarkBleedAllow(bool allow);
    bool IsMarkPrnRegistrationAllowed() const;
    void SetMarkPrnRegistrationAllow(bool allow);
    bool IsMarkColorBarsAllowed() const;
    void SetMarkColorBarsAllow(bool allow);
    bool IsMarkPageInfoAllowed() const;
    void SetMarkPageInfoAllow(bool allow);
    // Anything but "MarkWeight0125" and "MarkWeight050" reads as 0.25 pt.
    MarkWeightType GetMarkWeight() const;
    void SetMarkWeight(int weight);
    double GetMarkOffset() const;
    void SetMarkOffset(double points);
    bool IsUserSettingEnabled() const;
    void SetUserSettingEnable(bool enable);
    bool IsFilePackageIncluded() const;
    void IncludeFilePackage(bool include);

    // Equal in what the export makes of the settings: the bleed choice, the four offsets only when
    // both use given values (compared as stored text), the switches, the mark weight and the package.
    // The slug area and the mark offset take no part.
    bool operator==(GGPCPluginCSSettings const& other) const;
    bool operator!=(GGPCPluginCSSettings const& other) const { return !(*this == other); }

private:
    bool GetBool(GBuffer const& key) const;
    void SetBool(GBuffer const& key, bool value);
    double GetReal(GBuffer const& key) const;
    void SetReal(GBuffer const& key, double value);

    GSettingsInterface& fStore;
};
