// GCUSPDFSettingsAdjWdt: the panel of the export dialog's "Options" with which the user adjusts a
// Sendrixor's plug-in settings for one export: the bleed, the printer's marks with their line weight
// and offset, the slug area and spreads. Lengths are edited in the user's unit and kept in points.
#pragma once

#include <QWidget>

class GGPCPluginCSSettings;
class GQUIUnitSpinBox;
class QCheckBox;
class QComboBox;
class QLabel;

class GCUSPDFSettingsAdjWdt : public QWidget
{
    Q_OBJECT

public:
    explicit GCUSPDFSettingsAdjWdt(QWidget* parent);

    // Shows the settings; the controls' own rules still run, the widget's DataChanged does not.
    void LoadSettings(GGPCPluginCSSettings const& settings);
    // Writes every value the widget edits ("UserSettings" and "IncludeFilePackage" are not its);
    // nothing while it is loading.
    void GetSettings(GGPCPluginCSSettings& settings) const;

    void ShowPrintSpreads(bool show);
    void ShowIncludeSlugArea(bool show);
    void ShowBleedMarks(bool show);
    // The "Weight:" label and its choice.
    void ShowTrimMarkWeight(bool show);

    // Whether anything differs from a Sendrixor's plain settings: no bleed, no marks, no slug, no
    // spreads, no offset and marks of 0.25 pt.
    bool IsDefaultPluginSettingsChanged() const;

Q_SIGNALS:
    void DataChanged();

public Q_SLOTS:
    // The arguments are Qt check states.
    void OnBleedValueChecked(int state);
    void OnUseDocSettingsChecked(int state);
    void OnPrinterMarksChecked(int state);
    void OnPrinterMarkItemChecked(int state);

private:
    void SetupUi();
    // Whether the "Bleed" mark takes part in "All Printer's Marks": only while it is visible.
    bool BleedMarkTakesPart() const;
    // The mark boxes that take part in "All Printer's Marks".
    QList<QCheckBox*> MarksTakingPart() const;

    bool fLoading;
    QCheckBox* fBleed;
    GQUIUnitSpinBox* fBleedAmount;
    QCheckBox* fUseDocBleed;
    QCheckBox* fIncludeSlugArea;
    QCheckBox* fPrintSpreads;
    QCheckBox* fAllPrinterMarks;
    QLabel* fWeightLabel;
    QComboBox* fMarkWeight;
    GQUIUnitSpinBox* fMarkOffset;
    QCheckBox* fColorBars;
    QCheckBox* fPageInfo;
    QCheckBox* fCrop;
    QCheckBox* fBleedMark;
    QCheckBox* fRegistration;
};
