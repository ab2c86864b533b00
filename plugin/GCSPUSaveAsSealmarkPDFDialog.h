// GCSPUSaveAsSealmarkPDFDialog: the modal dialog behind "Export to Sendrixor...". The user picks a
// Sendrixor by its PDF-settings name, all pages or a range, whether a file package goes along and,
// where the Sendrixor allows it, the bleed and marks under "Options"; OK hands the request to the
// export tool. Held down, Alt turns OK into "Remove", which takes the chosen Sendrixor off the list.
#pragma once

#include "GQUIWindow.h"
#include "GString.h"

class CopyrightDialog;
class GCPTSaveAsTool;
class GCUSPDFSettingsAdjWdt;
class GQUICollapsibleFrame;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class GCSPUSaveAsSealmarkPDFDialog : public GQUIWindow
{
    Q_OBJECT

public:
    // Ids of the page buttons in their group.
    static constexpr int cAllPagesButton = 0;
    static constexpr int cPageRangeButton = 1;

    // Modal, with the toolkit's default parent; the tool, which outlives the dialog, already carries
    // the dialog's switches. The list is filled at once, which may show an error.
    GCSPUSaveAsSealmarkPDFDialog(GString const& title, GCPTSaveAsTool& tool);

    // Lists the Sendrixors the plug-in offers, by PDF-settings name in ascending order, with the one
    // used last chosen (the first when it is gone); those whose name cannot be read are named in
    // one error.
    void UpdatePDFSettingsList();
    // Sends the choices to the tool and has it export.
    void DoSaveAs();
    // Takes the chosen Sendrixor off the plug-in's list and lists again.
    void DoRemove();
    // The licence dialog, made once, run in its own modal loop.
    void ShowCopyrights();

public Q_SLOTS:
    // OK: exports after closing the dialog; while Alt is held (read from the keyboard at the click):
    // removes and stays open.
    void OkOrRemoveClicked();
    // A fresh request for the Sendrixor of the item, and its settings shown.
    void OnPDFSettingsSelectionChanged(int index);
    void OnRadioGroupClicked(int id);
    void OnCollapsibleButtonClicked();
    // Stored for the chosen Sendrixor at once.
    void OnIncludeFilePackageToggled(bool checked);
    // Forgets the package choices of Sendrixors that are gone.
    void OnExit();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // Leaving the window leaves "Remove".
    void changeEvent(QEvent* event) override;

private:
    enum RemoveMode
    {
        cNormalMode = 0,
        cRemoveMode = 1
    };

    // OK reads "OK" and exports again.
    void LeaveRemoveMode();
    bool IsFeatureAvailable(int feature) const;
    QPushButton* OkButton() const;
    // The registry name of the Sendrixor of the item.
    GString ActorOf(int index) const;

    GCPTSaveAsTool& fTool;
    QComboBox* fPDFSettingsList;
    QRadioButton* fAllPagesButton;
    QRadioButton* fPageRangeButton;
    QButtonGroup* fPagesGroup;
    QLineEdit* fPageRange;
    QDialogButtonBox* fButtonBox;
    QLabel* fMessageLabel;
    int fRemoveMode;
    GQUICollapsibleFrame* fOptionsFrame;
    GCUSPDFSettingsAdjWdt* fSettingsWidget;
    QCheckBox* fIncludeFilePackage;
    CopyrightDialog* fCopyrightDialog;
};
