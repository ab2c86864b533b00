// The export dialog: its layout, the list of Sendrixors, a selection and what it shows, OK in its two
// modes, and the licence dialog.
#include "GCSPUSaveAsSealmarkPDFDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegExpValidator>
#include <QSignalBlocker>
#include <QStringList>
#include <QVBoxLayout>

#include "CSPluginTools.h"
#include "CopyrightDialog.h"
#include "GCPTCSPluginToolsTexts.h"
#include "GCPTFeatureConfiguration.h"
#include "GCPTPluginPrefTool.h"
#include "GCPTSaveAsTool.h"
#include "GCUSPDFSettingsAdjWdt.h"
#include "GGPCPluginCSSettings.h"
#include "GQStringSupport.h"
#include "GQUICollapsibleFrame.h"
#include "GStringPool.h"
#include "GTable.h"
#include "GUserMessage.h"

namespace
{
// Page numbers and ranges separated by commas; a range typed halfway ("1-") may stand.
char const* const cPageRangePattern = "^(\\d+(-\\d+)?)(,\\d+(-\\d+)?)*$";
constexpr int cOptionsPaneID = 0;

void ShowError(GString const& title, QString const& text)
{
    GUserMessage::GetInstance()->ShowErrorMessage(title, GQStringSupport::ToGString(text, true));
}

QSpacerItem* FixedSpacer(int width, int height)
{
    return new QSpacerItem(width, height, QSizePolicy::Fixed, QSizePolicy::Fixed);
}
} // namespace

GCSPUSaveAsSealmarkPDFDialog::GCSPUSaveAsSealmarkPDFDialog(GString const& title, GCPTSaveAsTool& tool)
    : GQUIWindow(title, true, nullptr), fTool(tool), fRemoveMode(cNormalMode), fCopyrightDialog(nullptr)
{
    // A title bar only: no close, minimise or zoom button.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);

    auto* const grid = new QGridLayout;
    fPDFSettingsList = new QComboBox;
    fPDFSettingsList->setObjectName(QStringLiteral("mPDFSettingsList"));
    grid->addWidget(new QLabel(tr("PDF Settings:")), 0, 0);
    grid->addWidget(fPDFSettingsList, 0, 1, 1, 2);
    grid->addItem(FixedSpacer(0, 10), 1, 0);
    fAllPagesButton = new QRadioButton(tr("All"));
    fPageRangeButton = new QRadioButton(tr("Range:"));
    fPagesGroup = new QButtonGroup(this);
    fPagesGroup->setExclusive(true);
    fPagesGroup->addButton(fAllPagesButton, cAllPagesButton);
    fPagesGroup->addButton(fPageRangeButton, cPageRangeButton);
    grid->addWidget(new QLabel(tr("Pages:")), 2, 0);
    grid->addWidget(fAllPagesButton, 2, 1);
    fPageRange = new QLineEdit;
    fPageRange->setObjectName(QStringLiteral("mPageRange"));
    fPageRange->setPlaceholderText(tr("e.g. 1-5,8,11-13"));
    fPageRange->setValidator(new QRegExpValidator(
        QRegExp(QLatin1String(cPageRangePattern), Qt::CaseSensitive, QRegExp::RegExp), fPageRange));
    grid->addWidget(fPageRangeButton, 3, 1);
    grid->addWidget(fPageRange, 3, 2);
    grid->addItem(FixedSpacer(0, 10), 4, 0);
    fIncludeFilePackage = new QCheckBox(tr("Include File Package"));
    fIncludeFilePackage->setObjectName(QStringLiteral("mIncludeFilePackage"));
    fIncludeFilePackage->setToolTip(tr("Check this option to deliver an InDesign file Package."));
    grid->addWidget(fIncludeFilePackage, 5, 0, 1, 4);
    if (!IsFeatureAvailable(GCPTFeatureConfiguration::FilePackage))
        fIncludeFilePackage->hide();

    fSettingsWidget = new GCUSPDFSettingsAdjWdt(nullptr);
    if (!IsFeatureAvailable(GCPTFeatureConfiguration::SlugArea))
        fSettingsWidget->ShowIncludeSlugArea(false);
    if (!IsFeatureAvailable(GCPTFeatureConfiguration::PrintSpreads))
        fSettingsWidget->ShowPrintSpreads(false);
    if (!IsFeatureAvailable(GCPTFeatureConfiguration::BleedMarks))
        fSettingsWidget->ShowBleedMarks(false);
    if (!IsFeatureAvailable(GCPTFeatureConfiguration::TrimMarkWeight))
        fSettingsWidget->ShowTrimMarkWeight(false);
    auto* const pane = new QWidget;
    auto* const paneLayout = new QVBoxLayout(pane);
    paneLayout->setContentsMargins(15, 0, 0, 0);
    paneLayout->addWidget(fSettingsWidget);

    QString const options = tr("Options");
    fOptionsFrame = new GQUICollapsibleFrame(this, options, options, true, cOptionsPaneID);
    fOptionsFrame->setObjectName(QStringLiteral("mOptionsFrame"));
    fOptionsFrame->SetMainPane(pane);
    auto* const rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    fOptionsFrame->SetHeaderWidget(rule);
    fOptionsFrame->SetExpandState(false);
    fOptionsFrame->SetVisibilityFlags(GQUICollapsibleFrame::cAlwaysShowHeaderWidget);
    fOptionsFrame->layout()->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(fOptionsFrame, 6, 0, 1, 4);

    auto* const bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(tr("Hold down the \"Alt\" key to remove a Sendrixor from the list.")));
    bottom->addSpacerItem(FixedSpacer(5, 0));
    auto* const copyrights = new QPushButton(QStringLiteral("\u00A9"));
    copyrights->setObjectName(QStringLiteral("mCopyrights"));
    copyrights->setToolTip(tr("Copyrights"));
    bottom->addWidget(copyrights);
    bottom->addSpacerItem(FixedSpacer(20, 0));
    fButtonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    bottom->addWidget(fButtonBox);
    bottom->addStretch();

    fMessageLabel = new QLabel;
    fMessageLabel->setObjectName(QStringLiteral("mMessageLabel"));
    auto* const layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(fMessageLabel, 0, Qt::AlignHCenter);
    layout->addLayout(bottom);
    layout->addStretch();
    // The window follows its content: it grows and shrinks as "Options" opens and closes.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    // Before any connection: the first selection is applied by the list itself.
    UpdatePDFSettingsList();

    connect(fPagesGroup, &QButtonGroup::idClicked, this, &GCSPUSaveAsSealmarkPDFDialog::OnRadioGroupClicked);
    connect(fButtonBox, &QDialogButtonBox::accepted, this, &GCSPUSaveAsSealmarkPDFDialog::OkOrRemoveClicked);
    connect(fButtonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(copyrights, &QPushButton::clicked, this, [this] { ShowCopyrights(); });
    connect(fPDFSettingsList, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &GCSPUSaveAsSealmarkPDFDialog::OnPDFSettingsSelectionChanged);
    connect(fIncludeFilePackage, &QCheckBox::toggled, this,
            &GCSPUSaveAsSealmarkPDFDialog::OnIncludeFilePackageToggled);
    connect(this, &QDialog::accepted, this, &GCSPUSaveAsSealmarkPDFDialog::OnExit);
    connect(this, &QDialog::rejected, this, &GCSPUSaveAsSealmarkPDFDialog::OnExit);

    fAllPagesButton->setChecked(true);
    fPageRange->setEnabled(false);
    if (!IsFeatureAvailable(GCPTFeatureConfiguration::PageRange))
    {
        fAllPagesButton->setEnabled(false);
        fPageRangeButton->setEnabled(false);
        fPageRange->setEnabled(false);
    }
}

bool GCSPUSaveAsSealmarkPDFDialog::IsFeatureAvailable(int feature) const
{
    GCPTFeatureConfiguration const* const configuration = fTool.GetFeatureConfiguration();
    return configuration && configuration->IsFeatureAvailable(feature);
}

QPushButton* GCSPUSaveAsSealmarkPDFDialog::OkButton() const
{
    return fButtonBox->button(QDialogButtonBox::Ok);
}

GString GCSPUSaveAsSealmarkPDFDialog::ActorOf(int index) const
{
    // The name goes back to the registry as it came from there.
    return GQStringSupport::ToGString(fPDFSettingsList->itemData(index, Qt::UserRole).toString(), false);
}

void GCSPUSaveAsSealmarkPDFDialog::UpdatePDFSettingsList()
{
    {
        QSignalBlocker const blocker(fPDFSettingsList);
        fPDFSettingsList->clear();
        GTable<GString> actors;
        CSPluginTools::GetPluginSendrixors(actors);
        QStringList missing;
        for (int i = 0; i < actors.GetCount(); ++i)
        {
            GString name;
            if (CSPluginTools::GetPDFSettingsName(actors[i], name))
                fPDFSettingsList->addItem(GQStringSupport::ToQString(name), GQStringSupport::ToQString(actors[i]));
            else
                missing << GQStringSupport::ToQString(actors[i]);
        }
        if (!missing.isEmpty())
            ShowError(GQStringSupport::ToGString(tr("Export as Sealmark PDF Error"), true),
                      tr("PDF settings are missing for %1. Launch the Sendrixor manually and try again.")
                          .arg(missing.join(QStringLiteral(", "))));
    }

    if (fPDFSettingsList->count() > 0)
    {
        fPDFSettingsList->model()->sort(0, Qt::AscendingOrder);
        GString lastUsed;
        GCPTPluginPrefTool::GetLastUsedPDFSetting(lastUsed);
        int const index = fPDFSettingsList->findData(GQStringSupport::ToQString(lastUsed), Qt::UserRole,
                                                     Qt::MatchExactly | Qt::MatchCaseSensitive);
        fPDFSettingsList->setCurrentIndex(index >= 0 ? index : 0);
        fMessageLabel->clear();
        OkButton()->setEnabled(true);
    }
    else
    {
        fMessageLabel->setText(tr("No PDF Settings found"));
        OkButton()->setEnabled(false);
    }
    OnPDFSettingsSelectionChanged(fPDFSettingsList->currentIndex());
}

void GCSPUSaveAsSealmarkPDFDialog::OnPDFSettingsSelectionChanged(int index)
{
    // Showing the stored choice is no choice of the user's.
    QSignalBlocker const blocker(fIncludeFilePackage);
    if (fPDFSettingsList->currentIndex() < 0)
    {
        fOptionsFrame->hide();
        GCPTPluginPrefTool::SetLastUsedPDFSetting(GString());
        fIncludeFilePackage->hide();
        fIncludeFilePackage->setChecked(false);
        return;
    }
    GString const actor = ActorOf(index);
    GCPTPluginPrefTool::SetLastUsedPDFSetting(actor);
    // Reads the Sendrixor's archive.
    fTool.SetPrinterName(actor);
    GGPCPluginCSSettings const& settings = *fTool.GetPluginSettings();
    bool const userSettings = settings.IsUserSettingEnabled();
    if (userSettings)
    {
        fOptionsFrame->show();
        fSettingsWidget->LoadSettings(settings);
    }
    else
        fOptionsFrame->hide();

    if (!IsFeatureAvailable(GCPTFeatureConfiguration::FilePackage))
        return;
    if (!userSettings)
    {
        fIncludeFilePackage->hide();
        fIncludeFilePackage->setChecked(settings.IsFilePackageIncluded());
        return;
    }
    fIncludeFilePackage->show();
    GString guid;
    CSPluginTools::GetGUID(actor, guid);
    if (GCPTPluginPrefTool::HasIncludeFilePackageValue(guid))
        fIncludeFilePackage->setChecked(GCPTPluginPrefTool::GetIncludeFilePackageValue(guid));
    else
    {
        bool const include = settings.IsFilePackageIncluded();
        fIncludeFilePackage->setChecked(include);
        GCPTPluginPrefTool::SetIncludeFilePackageValue(guid, include);
    }
}

void GCSPUSaveAsSealmarkPDFDialog::OnRadioGroupClicked(int id)
{
    fPageRange->setEnabled(id == cPageRangeButton);
}

void GCSPUSaveAsSealmarkPDFDialog::OnCollapsibleButtonClicked()
{
    updateGeometry();
}

void GCSPUSaveAsSealmarkPDFDialog::OnIncludeFilePackageToggled(bool checked)
{
    GString guid;
    CSPluginTools::GetGUID(ActorOf(fPDFSettingsList->currentIndex()), guid);
    GCPTPluginPrefTool::SetIncludeFilePackageValue(guid, checked);
}

void GCSPUSaveAsSealmarkPDFDialog::OnExit()
{
    GCPTPluginPrefTool::UpdatePDFSettingsInPreferences();
}

void GCSPUSaveAsSealmarkPDFDialog::OkOrRemoveClicked()
{
    // "Remove" may be left over from an Alt released where the dialog did not hear it. A removal
    // cannot be undone, so only Alt held at this moment removes; a plain click exports.
    if (fRemoveMode == cRemoveMode && !QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier))
        LeaveRemoveMode();
    if (fRemoveMode == cRemoveMode)
    {
        DoRemove();
        return;
    }
    // The dialog is gone from the screen while the export runs; exec returns once it has finished.
    accept();
    DoSaveAs();
}

void GCSPUSaveAsSealmarkPDFDialog::DoSaveAs()
{
    GGPCPluginCSSettings* const settings = fTool.GetPluginSettings();
    if (!settings)
        return;
    // As typed: the export reads the range, and tells when it selects no page.
    if (fPageRangeButton->isChecked())
        fTool.SetPageRange(GQStringSupport::ToGString(fPageRange->text(), true));
    if (settings->IsUserSettingEnabled())
        fSettingsWidget->GetSettings(*settings);
    settings->IncludeFilePackage(fIncludeFilePackage->isChecked());
    fTool.ExportToPDF();
}

void GCSPUSaveAsSealmarkPDFDialog::DoRemove()
{
    int const index = fPDFSettingsList->currentIndex();
    if (index < 0)
        return;
    if (CSPluginTools::DeletePluginSendrixor(ActorOf(index)))
        UpdatePDFSettingsList();
    else
        ShowError(GStringPool::GetString(GCPTCSPluginToolsTexts::cExportAsSealmarkError),
                  tr("Unable to remove selected PDF setting."));
}

void GCSPUSaveAsSealmarkPDFDialog::ShowCopyrights()
{
    if (!fCopyrightDialog)
        fCopyrightDialog = new CopyrightDialog(this);
    fCopyrightDialog->show();
    fCopyrightDialog->activateWindow();
    fCopyrightDialog->raise();
    fCopyrightDialog->exec();
}

void GCSPUSaveAsSealmarkPDFDialog::keyPressEvent(QKeyEvent* event)
{
    bool const alt = event->key() == Qt::Key_Alt;
    if (alt)
    {
        fRemoveMode = cRemoveMode;
        OkButton()->setText(tr("Remove"));
    }
    GQUIWindow::keyPressEvent(event);
    // The release of Alt must reach the dialog, whichever control had the focus. Only Alt's: any
    // other key the control passes on (Shift or Control going down before a digit or a paste) must
    // leave the focus where the user is typing.
    if (alt)
        setFocus(Qt::ActiveWindowFocusReason);
}

void GCSPUSaveAsSealmarkPDFDialog::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Alt)
        LeaveRemoveMode();
    QWidget::keyReleaseEvent(event);
}

void GCSPUSaveAsSealmarkPDFDialog::changeEvent(QEvent* event)
{
    // Keys go to the other window now: the release of Alt would never come here.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        LeaveRemoveMode();
    GQUIWindow::changeEvent(event);
}

void GCSPUSaveAsSealmarkPDFDialog::LeaveRemoveMode()
{
    OkButton()->setText(tr("OK"));
    fRemoveMode = cNormalMode;
}
