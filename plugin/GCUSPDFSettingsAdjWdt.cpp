// The export dialog's settings panel: its controls, their rules, and the settings they show and write.
#include "GCUSPDFSettingsAdjWdt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "GGPCPluginCSSettings.h"
#include "GQUIUnitSpinBox.h"

namespace
{
constexpr int cSpinBoxMaximumWidth = 80;

QCheckBox* NewCheckBox(QString const& text, char const* name, QString const& toolTip)
{
    auto* const box = new QCheckBox(text);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(toolTip);
    return box;
}

GQUIUnitSpinBox* NewLengthBox(char const* name, QString const& toolTip)
{
    auto* const box = new GQUIUnitSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setMaximumWidth(cSpinBoxMaximumWidth);
    box->setToolTip(toolTip);
    return box;
}

void AddSpacer(QBoxLayout* layout, int width)
{
    layout->addSpacerItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
}
} // namespace

GCUSPDFSettingsAdjWdt::GCUSPDFSettingsAdjWdt(QWidget* parent) : QWidget(parent), fLoading(false)
{
    SetupUi();
}

void GCUSPDFSettingsAdjWdt::SetupUi()
{
    QString const marksTip = tr("Select marks to be included in the final PDF.");
    QString const weightTip = tr("Enter the line weight amount for crop and bleed mark lines.");
    QString const offsetTip = tr("Marks are offset from the page by this value.");

    fBleed = NewCheckBox(tr("Bleed:"), "mBleed", tr("Check this option and enter the bleed amount."));
    fBleedAmount = NewLengthBox("mBleedAmount", QString());
    fUseDocBleed =
        NewCheckBox(tr("Use Document Bleed Settings"), "mUseDocBleed",
                    tr("Check this option to use the bleed amounts defined within the original document"));
    fIncludeSlugArea = NewCheckBox(tr("Include Slug Area (For Bleed)"), "mIncludeSlugArea",
                                   tr("Check this option to include a slug area in the bleed."));
    fPrintSpreads = NewCheckBox(tr("Print Spreads"), "mPrintSpreads",
                                tr("Check this to print spreads from an InDesign document."));
    fAllPrinterMarks = NewCheckBox(tr("All Printer's Marks"), "mAllPrinterMarks", marksTip);
    fWeightLabel = new QLabel(tr("Weight:"));
    fWeightLabel->setObjectName(QStringLiteral("mWeightLabel"));
    fWeightLabel->setToolTip(weightTip);
    fMarkWeight = new QComboBox;
    fMarkWeight->setObjectName(QStringLiteral("mMarkWeight"));
    fMarkWeight->setToolTip(weightTip);
    // Line weights read the same in every language.
    fMarkWeight->addItem(QStringLiteral("0.125 pt"), int(GGPCPluginCSSettings::cMarkWeightType0125));
    fMarkWeight->addItem(QStringLiteral("0.25 pt"), int(GGPCPluginCSSettings::cMarkWeightType025));
    fMarkWeight->addItem(QStringLiteral("0.50 pt"), int(GGPCPluginCSSettings::cMarkWeightType050));
    fMarkOffset = NewLengthBox("mMarkOffset", offsetTip);
    fColorBars = NewCheckBox(tr("Color Bars"), "mColorBars", marksTip);
    fPageInfo = NewCheckBox(tr("Page Information"), "mPageInfo", marksTip);
    fCrop = NewCheckBox(tr("Crop"), "mCrop", marksTip);
    fBleedMark = NewCheckBox(tr("Bleed"), "mBleedMark", marksTip);
    fRegistration = NewCheckBox(tr("Registration"), "mRegistration", marksTip);
    auto* const offsetLabel = new QLabel(tr("Offset:"));
    offsetLabel->setToolTip(offsetTip);

    auto* const layout = new QVBoxLayout(this);
    layout->setSpacing(5);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* const marks = new QVBoxLayout;
    marks->addWidget(fAllPrinterMarks);
    auto* const markRows = new QHBoxLayout;
    auto* const markColumn = new QVBoxLayout;
    auto* const firstRow = new QHBoxLayout;
    AddSpacer(firstRow, 30);
    firstRow->addWidget(fCrop);
    AddSpacer(firstRow, 10);
    firstRow->addWidget(fBleedMark);
    AddSpacer(firstRow, 10);
    firstRow->addWidget(fRegistration);
    firstRow->addStretch();
    auto* const secondRow = new QHBoxLayout;
    AddSpacer(secondRow, 30);
    secondRow->addWidget(fColorBars);
    AddSpacer(secondRow, 10);
    secondRow->addWidget(fPageInfo);
    secondRow->addStretch();
    markColumn->addLayout(firstRow);
    markColumn->addLayout(secondRow);
    markRows->addLayout(markColumn);
    AddSpacer(markRows, 40);
    auto* const weightGrid = new QGridLayout;
    weightGrid->addWidget(fWeightLabel, 0, 0, Qt::AlignRight);
    weightGrid->addWidget(fMarkWeight, 0, 1);
    weightGrid->addWidget(offsetLabel, 1, 0, Qt::AlignRight);
    weightGrid->addWidget(fMarkOffset, 1, 1);
    auto* const filler = new QWidget;
    filler->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    weightGrid->addWidget(filler, 0, 2);
    markRows->addLayout(weightGrid);
    markRows->addStretch();
    marks->addLayout(markRows);
    layout->addLayout(marks);

    auto* const bleedRow = new QHBoxLayout;
    bleedRow->addWidget(fBleed);
    bleedRow->addWidget(fBleedAmount);
    bleedRow->addStretch();
    layout->addLayout(bleedRow);

    auto* const documentRow = new QHBoxLayout;
    AddSpacer(documentRow, 30);
    documentRow->addWidget(fUseDocBleed);
    documentRow->addStretch();
    layout->addLayout(documentRow);

    layout->addWidget(fIncludeSlugArea);
    layout->addWidget(fPrintSpreads);
    layout->addStretch();

    connect(fBleed, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::OnBleedValueChecked);
    connect(fUseDocBleed, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::OnUseDocSettingsChecked);
    connect(fBleedAmount, &GQUIUnitSpinBox::ValueChanged, this, &GCUSPDFSettingsAdjWdt::DataChanged);
    connect(fIncludeSlugArea, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::DataChanged);
    connect(fAllPrinterMarks, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::OnPrinterMarksChecked);
    for (QCheckBox* const mark : {fColorBars, fPageInfo, fCrop, fBleedMark, fRegistration})
        connect(mark, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::OnPrinterMarkItemChecked);
    connect(fMarkWeight, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &GCUSPDFSettingsAdjWdt::DataChanged);
    connect(fMarkOffset, &GQUIUnitSpinBox::ValueChanged, this, &GCUSPDFSettingsAdjWdt::DataChanged);
    connect(fPrintSpreads, &QCheckBox::stateChanged, this, &GCUSPDFSettingsAdjWdt::DataChanged);

    OnBleedValueChecked(fBleed->checkState());
    OnUseDocSettingsChecked(fUseDocBleed->checkState());
    OnPrinterMarksChecked(fAllPrinterMarks->checkState());
}

void GCUSPDFSettingsAdjWdt::OnBleedValueChecked(int state)
{
    fUseDocBleed->setEnabled(state == Qt::Checked);
    fBleedAmount->setEnabled(state == Qt::Checked && !fUseDocBleed->isChecked());
    Q_EMIT DataChanged();
}

void GCUSPDFSettingsAdjWdt::OnUseDocSettingsChecked(int state)
{
    fBleedAmount->setEnabled(state != Qt::Checked && fBleed->isChecked());
    Q_EMIT DataChanged();
}

bool GCUSPDFSettingsAdjWdt::BleedMarkTakesPart() const
{
    return fBleedMark->isVisible();
}

QList<QCheckBox*> GCUSPDFSettingsAdjWdt::MarksTakingPart() const
{
    QList<QCheckBox*> marks{fColorBars, fPageInfo, fCrop};
    if (BleedMarkTakesPart())
        marks.append(fBleedMark);
    marks.append(fRegistration);
    return marks;
}

void GCUSPDFSettingsAdjWdt::OnPrinterMarksChecked(int state)
{
    for (QCheckBox* const mark : MarksTakingPart())
        mark->setChecked(state == Qt::Checked);
    fAllPrinterMarks->setTristate(false);
    Q_EMIT DataChanged();
}

void GCUSPDFSettingsAdjWdt::OnPrinterMarkItemChecked(int state)
{
    {
        QSignalBlocker const blocker(fAllPrinterMarks);
        Qt::CheckState const all = fAllPrinterMarks->checkState();
        if ((state == Qt::Checked && all != Qt::Checked) || (state == Qt::Unchecked && all == Qt::Checked))
        {
            fAllPrinterMarks->setTristate(true);
            fAllPrinterMarks->setCheckState(Qt::PartiallyChecked);
        }
        int checked = 0;
        QList<QCheckBox*> const marks = MarksTakingPart();
        for (QCheckBox* const mark : marks)
            checked += mark->isChecked() ? 1 : 0;
        if (checked == marks.size() || checked == 0)
        {
            fAllPrinterMarks->setTristate(false);
            fAllPrinterMarks->setCheckState(checked == 0 ? Qt::Unchecked : Qt::Checked);
        }
    }
    Q_EMIT DataChanged();
}

void GCUSPDFSettingsAdjWdt::LoadSettings(GGPCPluginCSSettings const& settings)
{
    bool const wasLoading = fLoading;
    fLoading = true;
    // Only the widget's own DataChanged is held back: the controls' rules below still run.
    blockSignals(true);

    switch (settings.GetBleedChoice())
    {
    case GGPCPluginCSSettings::cBleedChoiceGivenValue:
        fBleed->setChecked(true);
        fBleedAmount->setEnabled(true);
        fUseDocBleed->setEnabled(false);
        fUseDocBleed->setChecked(false);
        break;
    case GGPCPluginCSSettings::cBleedChoiceDocSettings:
        fBleed->setChecked(true);
        fBleedAmount->setEnabled(false);
        fUseDocBleed->setEnabled(true);
        fUseDocBleed->setChecked(true);
        break;
    default:
        fBleed->setChecked(false);
        fBleedAmount->setEnabled(false);
        fUseDocBleed->setEnabled(false);
        break;
    }
    fBleedAmount->setValue(settings.GetBleedTopValue());

    fIncludeSlugArea->setChecked(settings.IsSlugAreaIncluded());
    fPrintSpreads->setChecked(settings.IsPrintSpreadsAllowed());
    fAllPrinterMarks->setChecked(settings.IsPrinterMarksAllowed());
    fCrop->setChecked(settings.IsMarkTrimAllowed());
    fBleedMark->setChecked(settings.IsMarkBleedAllowed());
    fRegistration->setChecked(settings.IsMarkPrnRegistrationAllowed());
    fColorBars->setChecked(settings.IsMarkColorBarsAllowed());
    fPageInfo->setChecked(settings.IsMarkPageInfoAllowed());

    fMarkWeight->setCurrentIndex(fMarkWeight->findData(int(settings.GetMarkWeight())));
    fMarkOffset->setValue(settings.GetMarkOffset());

    // "All Printer's Marks" follows the marks as loaded, whatever the settings said of it.
    OnPrinterMarkItemChecked(fColorBars->checkState());
    OnPrinterMarkItemChecked(fPageInfo->checkState());
    OnPrinterMarkItemChecked(fCrop->checkState());
    if (BleedMarkTakesPart())
        OnPrinterMarkItemChecked(fBleedMark->checkState());
    OnPrinterMarkItemChecked(fRegistration->checkState());

    OnBleedValueChecked(fBleed->checkState());
    OnUseDocSettingsChecked(fUseDocBleed->checkState());

    blockSignals(false);
    fLoading = wasLoading;
}

void GCUSPDFSettingsAdjWdt::GetSettings(GGPCPluginCSSettings& settings) const
{
    if (fLoading)
        return;
    int choice = GGPCPluginCSSettings::cBleedChoiceNotSet;
    if (fBleed->isChecked())
        choice = fUseDocBleed->isChecked() ? GGPCPluginCSSettings::cBleedChoiceDocSettings
                                           : GGPCPluginCSSettings::cBleedChoiceGivenValue;
    settings.SetBleedChoice(choice);
    double const bleed = fBleedAmount->value();
    settings.SetBleedTopValue(bleed);
    settings.SetBleedBottomValue(bleed);
    settings.SetBleedInsideValue(bleed);
    settings.SetBleedOutsideValue(bleed);
    settings.SetIncludeSlugArea(fIncludeSlugArea->isChecked());
    settings.SetPrintSpreadsAllow(fPrintSpreads->isChecked());
    // Checked or partially checked.
    settings.SetPrinterMarkAllow(fAllPrinterMarks->checkState() != Qt::Unchecked);
    settings.SetMarkTrimAllow(fCrop->isChecked());
    settings.SetMarkColorBarsAllow(fColorBars->isChecked());
    settings.SetMarkPageInfoAllow(fPageInfo->isChecked());
    settings.SetMarkBleedAllow(fBleedMark->isChecked());
    settings.SetMarkPrnRegistrationAllow(fRegistration->isChecked());
    settings.SetMarkWeight(fMarkWeight->currentData().toInt());
    settings.SetMarkOffset(fMarkOffset->value());
}

void GCUSPDFSettingsAdjWdt::ShowPrintSpreads(bool show)
{
    fPrintSpreads->setVisible(show);
}

void GCUSPDFSettingsAdjWdt::ShowIncludeSlugArea(bool show)
{
    fIncludeSlugArea->setVisible(show);
}

void GCUSPDFSettingsAdjWdt::ShowBleedMarks(bool show)
{
    fBleedMark->setVisible(show);
}

void GCUSPDFSettingsAdjWdt::ShowTrimMarkWeight(bool show)
{
    fWeightLabel->setVisible(show);
    fMarkWeight->setVisible(show);
}

bool GCUSPDFSettingsAdjWdt::IsDefaultPluginSettingsChanged() const
{
    return fPrintSpreads->isChecked() || fAllPrinterMarks->checkState() != Qt::Unchecked ||
           fIncludeSlugArea->isChecked() || fBleed->isChecked() || fMarkOffset->value() > 0 ||
           fMarkWeight->currentData().toInt() != GGPCPluginCSSettings::cMarkWeightType025;
}
