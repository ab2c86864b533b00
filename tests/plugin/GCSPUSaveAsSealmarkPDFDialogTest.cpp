// The export dialog over a real registry of Sendrixors with their archives and the document export
// action over the host stand-in: the list and its remembered choice, the options and the package
// choice a Sendrixor allows, the page range as typed, Alt's "Remove", the switches of the book dialog,
// OK running the export and Cancel running none, the host's modal state around the dialog, and the
// licence dialog behind "©"; modifier keys that leave the focus where the user types.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CSPluginTools.h"
#include "CopyrightDialog.h"
#include "ExportFixture.h"
#include "GCPTFeatureConfiguration.h"
#include "GCPTPluginPrefTool.h"
#include "GCPTSaveAsTool.h"
#include "GCSPUSaveAsSealmarkPDFDialog.h"
#include "GIDCSPSaveAsAction.h"
#include "GPPIPCManager.h"
#include "GPPJobInfo.h"
#include "GPreferences.h"
#include "GQUICollapsibleFrame.h"
#include "GQUIExpandCollapseButton.h"
#include "GUTF8Encoding.h"
#include "HandMadeZip.h"
#include "PeerProcess.h"
#include "PluginUIFixture.h"
#include "PreferredLanguages.h"
#include "SharedObjects.h"
#include "ZipTool.h"
#include "macos/CFArrayStandIn.h"
#include "macos/CFPreferencesStandIn.h"
#include "macos/CFStringStandIn.h"

namespace
{
namespace fs = std::filesystem;
using qtuitest::HookLog;
using testsupport::TextOf;
using testsupport::Utf8Of;

GBuffer const cUIGroup("CSPluginUI");
GBuffer const cLastSelectedKey("LastSelectedPDFSetting");
GBuffer const cPackageKey("IncludeFilePackageChecked");
char const* const cCannotLaunch =
    "Export to Sendrixor error: Unable to automatically launch Sendrixor. Launch the "
    "Sendrixor manually and try again.";

class GCSPUSaveAsSealmarkPDFDialogTest : public plugintest::ExportFixture
{
protected:
    void SetUp() override
    {
        ExportFixture::SetUp();
        fUI = std::make_unique<plugintest::PluginUIScope>(fTemp / "ui");
        fAction.SetActiveState(true);
        // The document dialog's switches.
        for (int feature = GCPTFeatureConfiguration::SlugArea;
             feature <= GCPTFeatureConfiguration::FilePackage; ++feature)
            fSwitches.SetFeatureAvailable(feature, true);
    }
    void TearDown() override
    {
        fDialog.reset();
        fTool.reset();
        fUI.reset();
        ExportFixture::TearDown();
    }

    GCSPUSaveAsSealmarkPDFDialog& Open()
    {
        fDialog.reset();
        fTool = std::make_unique<GCPTSaveAsTool>(fAction, &fSwitches);
        fDialog = std::make_unique<GCSPUSaveAsSealmarkPDFDialog>(GString("Export to Sendrixor"), *fTool);
        return *fDialog;
    }

    template<class T>
    T* Control(char const* name) const
    {
        T* const control = fDialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QComboBox* List() const { return Control<QComboBox>("mPDFSettingsList"); }
    QLineEdit* Range() const { return Control<QLineEdit>("mPageRange"); }
    QCheckBox* Package() const { return Control<QCheckBox>("mIncludeFilePackage"); }
    GQUICollapsibleFrame* Options() const { return Control<GQUICollapsibleFrame>("mOptionsFrame"); }
    QPushButton* OK() const { return fDialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok); }
    QRadioButton* PageButton(char const* text) const
    {
        for (QRadioButton* const button : fDialog->findChildren<QRadioButton*>())
        {
            if (button->text() == QLatin1String(text))
                return button;
        }
        ADD_FAILURE() << "no button " << text;
        return nullptr;
    }
    QCheckBox* SettingsBox(char const* name) const { return Control<QCheckBox>(name); }

    // The items as "PDF settings name (Sendrixor)", the current one marked with "*".
    std::string Items() const
    {
        std::string items;
        for (int i = 0; i < List()->count(); ++i)
            items += std::string(items.empty() ? "" : ", ") + (i == List()->currentIndex() ? "*" : "") +
                     List()->itemText(i).toStdString() + " (" +
                     List()->itemData(i, Qt::UserRole).toString().toStdString() + ")";
        return items;
    }
    std::string LastUsed() { return Utf8Of(fUI->Preferences().Get(cUIGroup, cLastSelectedKey)); }
    // The package choice stored for the Sendrixor's GUID: "true", "false" or "" when none is.
    std::string StoredPackage(char const* guid)
    {
        return fUI->Preferences().Has(GBuffer(guid), cPackageKey)
                   ? Utf8Of(fUI->Preferences().Get(GBuffer(guid), cPackageKey))
                   : std::string();
    }
    void StorePackage(char const* guid, bool include)
    {
        GPreferences::Set(GPreferences::cUserModuleID, GBuffer(guid), cPackageKey, include);
    }
    // The request the tool holds: the Sendrixor, the range, what the export reads of the settings.
    std::string Request() const
    {
        GCPTSaveAsProperties const* const request = fTool->GetPrinterName();
        if (!request)
            return "none";
        GGPCPluginCSSettings const& settings = request->GetPluginSettings();
        return Utf8Of(request->GetName()) +
               (request->HasPageRange() ? " pages " + Utf8Of(request->GetPageRange()) : "") +
               (settings.IsFilePackageIncluded() ? " with package" : "") +
               (settings.IsMarkTrimAllowed() ? " crop" : "") +
               (settings.IsMarkColorBarsAllowed() ? " color bars" : "");
    }
    fs::path PDF() const { return testsupport::FsPathOf(fAction.GetSaveAsPDF()); }
    std::vector<std::string> Shown() const { return fUI->Answerer().Texts(); }

    std::unique_ptr<plugintest::PluginUIScope> fUI;
    GIDCSPSaveAsAction fAction;
    GCPTFeatureConfiguration fSwitches;
    std::unique_ptr<GCPTSaveAsTool> fTool;
    std::unique_ptr<GCSPUSaveAsSealmarkPDFDialog> fDialog;
};

// The settings that let the user adjust the export in the dialog.
std::vector<std::pair<std::string, std::string>> const cUserSettings{{"UserSettings", "true"}};
} // namespace

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, ListsTheSendrixorsByPDFSettingsNameWithTheLastOneUsedChosen)
{
    AddSendrixor("Proof C", StandardEntries(), true, "Zeta");
    AddSendrixor("Proof A", StandardEntries(), true, "Alpha");
    AddSendrixor("Proof B", StandardEntries());
    AddSendrixor("Web", StandardEntries(), false, "Web only");
    GCPTPluginPrefTool::SetLastUsedPDFSetting(TextOf("Proof C"));
    GCSPUSaveAsSealmarkPDFDialog& dialog = Open();
    EXPECT_EQ(Items(), "Alpha (Proof A), Proof B (Proof B), *Zeta (Proof C)");
    EXPECT_EQ(Request(), "Proof C") << "the chosen Sendrixor's request is ready";
    EXPECT_EQ(Control<QLabel>("mMessageLabel")->text(), "");
    EXPECT_TRUE(OK()->isEnabled());
    EXPECT_EQ(dialog.windowTitle(), "Export to Sendrixor");
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(Shown(), std::vector<std::string>{});

    // A user's choice is remembered at once.
    List()->setCurrentIndex(1);
    EXPECT_EQ(LastUsed(), "Proof B");
    EXPECT_EQ(Request(), "Proof B");

    // The one chosen last is gone: the first in the list takes its place.
    GCPTPluginPrefTool::SetLastUsedPDFSetting(TextOf("Proof Z"));
    Open();
    EXPECT_EQ(Items(), "*Alpha (Proof A), Proof B (Proof B), Zeta (Proof C)");
    EXPECT_EQ(LastUsed(), "Proof A");
    EXPECT_EQ(Request(), "Proof A");
}

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, SendrixorsWhosePDFSettingsNameCannotBeReadAreNamedInOneError)
{
    AddSendrixor("Proof A", StandardEntries());
    // Records Sendrixors wrote without their names are offered, but cannot be looked up by them.
    GPPSettings settings;
    settings.fIsPlugin = true;
    GPPActorRegistry().Register(GString(""), settings);
    GPPActorRegistry().Register(GString(""), settings);
    GTable<GString> offered;
    CSPluginTools::GetPluginSendrixors(offered);
    ASSERT_EQ(offered.GetCount(), 3);

    Open();
    EXPECT_EQ(Items(), "*Proof A (Proof A)");
    ASSERT_EQ(fUI->Answerer().Shown().size(), 1u);
    plugintest::ShownBox const& box = fUI->Answerer().Shown()[0];
    EXPECT_EQ(box.fTitle, "Export as Sealmark PDF Error");
    EXPECT_EQ(box.fText, "PDF settings are missing for , . Launch the Sendrixor manually and try again.");
    EXPECT_EQ(box.fIcon, QMessageBox::Critical);
}

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, WithoutSendrixorsTheDialogSaysSoAndOnlyCancelIsLeft)
{
    GCSPUSaveAsSealmarkPDFDialog& dialog = Open();
    EXPECT_EQ(Items(), "");
    EXPECT_EQ(Control<QLabel>("mMessageLabel")->text(), "No PDF Settings found");
    EXPECT_FALSE(OK()->isEnabled());
    EXPECT_TRUE(Options()->isHidden());
    EXPECT_TRUE(Package()->isHidden());
    EXPECT_EQ(LastUsed(), "");

    std::string hooksDuringLoop;
    qtuitest::WhenModalIs<GCSPUSaveAsSealmarkPDFDialog>(
        [](GCSPUSaveAsSealmarkPDFDialog* shown)
        {
            // Return presses no disabled OK.
            QTest::keyClick(shown, Qt::Key_Return);
            if (shown->isVisible())
                shown->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        },
        &hooksDuringLoop);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(hooksDuringLoop, "start modal");
    EXPECT_EQ(HookLog::Calls("st"), "start modal, stop modal");
    EXPECT_EQ(Shown(), std::vector<std::string>{});
}

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, ASendrixorWithoutUserSettingsShowsNoOptionsAndKeepsItsPackageChoice)
{
    // No peer of a test of its own takes the job meanwhile.
    deliverytest::PeerLock const noPeer;
    AddExportSendrixor("Proof A", {{"IncludeFilePackage", "true"}});
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1", "2"}).string());
    Open().show();
    EXPECT_TRUE(Options()->isHidden());
    EXPECT_TRUE(Package()->isHidden());
    EXPECT_TRUE(Package()->isChecked()) << "the Sendrixor's own choice";
    EXPECT_EQ(StoredPackage("G-1"), "") << "no choice of the user's to remember";

    OK()->click();
    EXPECT_EQ(fDialog->result(), QDialog::Accepted);
    EXPECT_EQ(Request(), "Proof A with package");
    EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "2");
    EXPECT_TRUE(fs::is_directory(testsupport::FsPathOf(fAction.GetPackagePath())));
    EXPECT_EQ(Shown(), std::vector<std::string>{cCannotLaunch}) << "no peer takes the job here";
}

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, AStoredPackageChoiceWinsAndAToggleIsStoredAtOnce)
{
    auto withPackage = cUserSettings;
    withPackage.emplace_back("IncludeFilePackage", "true");
    AddExportSendrixor("Proof A", cUserSettings);
    AddExportSendrixor("Proof B", withPackage);
    StorePackage("G-1", true);
    GCPTPluginPrefTool::SetLastUsedPDFSetting(TextOf("Proof A"));
    Open().show();
    EXPECT_FALSE(Options()->isHidden());
    EXPECT_FALSE(Options()->IsExpanded());
    EXPECT_TRUE(Package()->isVisible());
    EXPECT_TRUE(Package()->isChecked()) << "the stored choice, not the Sendrixor's";

    Package()->click();
    EXPECT_EQ(StoredPackage("G-1"), "false") << "stored before OK";
    Package()->click();
    EXPECT_EQ(StoredPackage("G-1"), "true");

    // Without a stored choice the Sendrixor's becomes the stored one.
    EXPECT_EQ(StoredPackage("G-2"), "");
    List()->setCurrentIndex(List()->findData("Proof B"));
    EXPECT_TRUE(Package()->isChecked());
    EXPECT_EQ(StoredPackage("G-2"), "true");
    Package()->click();
    EXPECT_EQ(StoredPackage("G-2"), "false");
    EXPECT_EQ(StoredPackage("G-1"), "true");
}

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, ThePageRangeTakesWhatItsPatternLetsStandAndIsSentAsTyped)
{
    AddExportSendrixor("Proof A", {});
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1", "2", "3"}).string());
    Open().show();
    EXPECT_TRUE(PageButton("All")->isChecked());
    EXPECT_FALSE(Range()->isEnabled());
    EXPECT_EQ(Range()->placeholderText(), "e.g. 1-5,8,11-13");
    PageButton("Range:")->click();
    EXPECT_TRUE(Range()->isEnabled());

    struct Case
    {
        char const* fTyped;
        char const* fShown;
    };
    Case const cases[] = {{"2-3", "2-3"},   {"1-", "1-"},     {"3-2", "3-2"},  {"a", ""},
                          {"1,a,3", "1,3"}, {"-3", "3"},      {"1,,2", "1,2"}, {"1-5,8,11-13", "1-5,8,11-13"},
                          {"2 - 3", "2-3"}, {"1-2-3", "1-23"}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fTyped);
        Range()->clear();
        QTest::keyClicks(Range(), c.fTyped);
        EXPECT_EQ(Range()->text().toStdString(), c.fShown);
    }
    PageButton("All")->click();
    EXPECT_FALSE(Range()->isEnabled());
    PageButton("Range:")->click();

    // The range goes to the export as typed, which tells when it selects no page.
    Range()->clear();
    QTest::keyClicks(Range(), "3-2");
    OK()->click();
    EXPECT_EQ(Request(), "Proof A pages 3-2");
    EXPECT_EQ(Shown(), std::vector<std::string>{"Export to Sendrixor error: Plug-in Error: Pages"});
}

// Keys reach the dialog as the window system delivers them: to the control with the focus, and
// from there to the dialog when the control has no use for them.
TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, ModifierKeysLeaveTheFocusInTheRangeField)
{
    AddSendrixor("Proof A", StandardEntries());
    GCSPUSaveAsSealmarkPDFDialog& dialog = Open();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QWindow* const window = dialog.windowHandle();
    PageButton("Range:")->click();
    QApplication::clipboard()->setText(QStringLiteral("4-5"));

    struct Case
    {
        char const* fName;
        std::function<void()> fKeys;
        char const* fTyped;
    };
    Case const cases[] = {
        // Digits that need Shift, as on a French keyboard: Shift goes down alone first.
        {"a digit typed with Shift", [window] { QTest::keyClick(window, Qt::Key_2, Qt::ShiftModifier); },
         "2"},
        {"Shift pressed and released, then a digit",
         [window]
         {
             QTest::keyClick(window, Qt::Key_Shift);
             QTest::keyClick(window, Qt::Key_3);
         },
         "3"},
        {"Control+V", [window] { QTest::keyClick(window, Qt::Key_V, Qt::ControlModifier); }, "4-5"},
        {"Control pressed and released, then a digit",
         [window]
         {
             QTest::keyClick(window, Qt::Key_Control);
             QTest::keyClick(window, Qt::Key_7);
         },
         "7"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        Range()->clear();
        Range()->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), Range());
        c.fKeys();
        EXPECT_EQ(QApplication::focusWidget(), Range());
        EXPECT_EQ(Range()->text().toStdString(), c.fTyped);
    }

    // Alt still takes the focus, so that its release reaches the dialog whatever had the focus.
    Range()->setFocus();
    QTest::keyPress(window, Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), &dialog);
    EXPECT_EQ(OK()->text(), "Remove");
    QTest::keyRelease(window, Qt::Key_Alt);
    EXPECT_EQ(OK()->text(), "OK");
}

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, HoldingAltTurnsOKIntoRemove)
{
    AddSendrixor("Proof A", StandardEntries(cUserSettings));
    AddSendrixor("Proof B", StandardEntries());
    GCSPUSaveAsSealmarkPDFDialog& dialog = Open();
    dialog.show();
    QString const okText = OK()->text();

    // Held down, as the keyboard then reports it: the key with its modifier.
    QTest::keyPress(&dialog, Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(OK()->text(), "Remove");
    OK()->click();
    EXPECT_TRUE(dialog.isVisible()) << "removing leaves the dialog open";
    EXPECT_EQ(Items(), "*Proof B (Proof B)");
    EXPECT_EQ(LastUsed(), "Proof B");
    GTable<GString> offered;
    CSPluginTools::GetPluginSendrixors(offered);
    ASSERT_EQ(offered.GetCount(), 1);
    EXPECT_EQ(Utf8Of(offered[0]), "Proof B");
    GPPSettings removed;
    EXPECT_TRUE(GPPActorRegistry().GetActor(TextOf("Proof A"), removed))
        << "the record stays in the registry";

    // Released, OK exports again.
    QTest::keyRelease(&dialog, Qt::Key_Alt);
    EXPECT_EQ(OK()->text(), "OK");
    EXPECT_NE(okText, "Remove");

    // The last one goes: nothing is left to choose or export.
    QTest::keyPress(&dialog, Qt::Key_Alt, Qt::AltModifier);
    OK()->click();
    EXPECT_EQ(Items(), "");
    EXPECT_EQ(Control<QLabel>("mMessageLabel")->text(), "No PDF Settings found");
    EXPECT_FALSE(OK()->isEnabled());
    EXPECT_TRUE(Options()->isHidden());
    EXPECT_TRUE(Package()->isHidden());
    EXPECT_FALSE(Package()->isChecked());
    EXPECT_EQ(LastUsed(), "");
    QTest::keyRelease(&dialog, Qt::Key_Alt);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Shown(), std::vector<std::string>{});
}

// Alt's release can happen where the dialog does not hear it; what the button does then follows the
// keyboard, never a "Remove" left over.
TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, APlainClickNeverRemovesWhereverAltWasReleased)
{
    deliverytest::PeerLock const noPeer;
    AddExportSendrixor("Proof A", {});
    AddExportSendrixor("Proof B", {});
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1"}).string());
    QWidget other;
    other.setWindowTitle(QStringLiteral("Another window"));
    struct Case
    {
        char const* fName;
        // Between Alt going down in the dialog and the click on OK.
        std::function<void(GCSPUSaveAsSealmarkPDFDialog&)> fMeanwhile;
    };
    Case const cases[] = {
        {"released in another window",
         [this, &other](GCSPUSaveAsSealmarkPDFDialog& dialog)
         {
             other.show();
             other.activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
             QTest::keyRelease(other.windowHandle(), Qt::Key_Alt);
             other.hide();
             dialog.activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
             EXPECT_EQ(OK()->text(), "OK") << "the button says what it does";
         }},
        // The dialog stays active, yet its release never came (the window system kept it).
        {"released unheard", [](GCSPUSaveAsSealmarkPDFDialog&) {}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GCSPUSaveAsSealmarkPDFDialog& dialog = Open();
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QTest::keyPress(dialog.windowHandle(), Qt::Key_Alt, Qt::AltModifier);
        ASSERT_EQ(OK()->text(), "Remove");
        c.fMeanwhile(dialog);
        QTest::mouseClick(OK(), Qt::LeftButton, Qt::NoModifier);
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << "the click exports";
        EXPECT_EQ(Items(), "*Proof A (Proof A), Proof B (Proof B)");
        GTable<GString> offered;
        CSPluginTools::GetPluginSendrixors(offered);
        EXPECT_EQ(offered.GetCount(), 2);
        EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "1");
        fs::remove(PDF());
    }
}

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, ARemovalThatFailsLeavesTheListAsItWasAndSaysSo)
{
    AddSendrixor("Proof A", StandardEntries());
    AddSendrixor("Proof B", StandardEntries());
    GCSPUSaveAsSealmarkPDFDialog& dialog = Open();
    dialog.show();
    // Another program takes the Sendrixor out of the registry meanwhile.
    ASSERT_TRUE(GPPActorRegistry().UnRegister(TextOf("Proof A")));
    QTest::keyPress(&dialog, Qt::Key_Alt, Qt::AltModifier);
    OK()->click();
    QTest::keyRelease(&dialog, Qt::Key_Alt);
    EXPECT_EQ(Items(), "*Proof A (Proof A), Proof B (Proof B)");
    EXPECT_EQ(Shown(), std::vector<std::string>{
                           "Export as Sealmark PDF error: Unable to remove selected PDF setting."});
    EXPECT_TRUE(dialog.isVisible());
}

// A Sendrixor's settings that cannot be read are told at OK, as an archive that cannot be read is,
// and nothing is exported with settings the Sendrixor never had.
TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, ASendrixorWhoseSettingsCannotBeReadExportsNothingAndSaysSo)
{
    deliverytest::PeerLock const noPeer;
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1", "2"}).string());
    std::string const password = plugintest::ArchivePassword();
    std::string const prefs =
        plugintest::ProjectPrefs({{"UserSettings", "true"}, {"IncludeFilePackage", "true"}});
    std::string const deflated = ziptest::Deflated(prefs);
    ziptest::HandEntry const jobOptions =
        ziptest::HandEntry("PrinterFiles/Proof A.joboptions", indesignhost::WriteJobOptions({}))
            .Encrypt(password);
    struct Case
    {
        char const* fName;
        ziptest::HandEntry fPrefs;
        bool fExports;
    };
    Case const cases[] = {
        {"whole", ziptest::HandEntry("Project/Project.prefs", prefs).Deflate().Encrypt(password), true},
        {"a checksum that does not match",
         ziptest::HandEntry("Project/Project.prefs", prefs).Deflate().Encrypt(password).Crc(0x12345678),
         false},
        {"compressed data cut short",
         ziptest::HandEntry("Project/Project.prefs", prefs)
             .Deflate()
             .Data(deflated.substr(0, deflated.size() / 2))
             .Encrypt(password),
         false},
        {"preference text that breaks off",
         ziptest::HandEntry("Project/Project.prefs", prefs.substr(0, prefs.size() / 4 * 2)).Encrypt(password),
         false},
        {"no preference text at all",
         ziptest::HandEntry("Project/Project.prefs", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16))
             .Encrypt(password),
         false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        fs::remove_all(OutputFolder("Proof A"));
        fUI->Answerer().Clear();
        fs::path const archive = AddSendrixor("Proof A", StandardEntries());
        ziptest::WriteFile(archive, ziptest::ZipOf({c.fPrefs, jobOptions}));
        Open().show();
        OK()->click();
        if (c.fExports)
        {
            EXPECT_EQ(Request(), "Proof A with package");
            EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "2");
            EXPECT_EQ(Shown(), std::vector<std::string>{cCannotLaunch});
        }
        else
        {
            EXPECT_FALSE(fs::exists(OutputFolder("Proof A"))) << "nothing exported";
            EXPECT_EQ(Shown(), std::vector<std::string>{
                                   "Export to Sendrixor error: Unable to retrieve PDF setting: Proof A"});
        }
        ASSERT_TRUE(GPPActorRegistry().UnRegister(TextOf("Proof A")));
    }
}

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, TheSwitchesShapeTheDialog)
{
    AddExportSendrixor("Proof A", cUserSettings);
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1", "2", "3"}).string());
    struct Case
    {
        char const* fName;
        std::vector<int> fOn;
        std::vector<int> fOff;
        bool fPageChoice;
        bool fPackageBox;
        // The settings widget's controls that are hidden.
        char const* fHidden;
    };
    Case const cases[] = {
        {"document", {0, 1, 2, 3, 4}, {}, true, true, ""},
        {"book", {0, 1, 2, 3, 4}, {5}, false, true, ""},
        {"nothing but the page range",
         {},
         {},
         true,
         false,
         "mBleedMark mIncludeSlugArea mMarkWeight mPrintSpreads mWeightLabel"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        fSwitches = GCPTFeatureConfiguration();
        for (int feature : c.fOn)
            fSwitches.SetFeatureAvailable(feature, true);
        for (int feature : c.fOff)
            fSwitches.SetFeatureAvailable(feature, false);
        Open().show();
        for (char const* button : {"All", "Range:"})
            EXPECT_EQ(PageButton(button)->isEnabled(), c.fPageChoice) << button;
        EXPECT_FALSE(Range()->isEnabled());
        EXPECT_EQ(Package()->isHidden(), !c.fPackageBox);
        QStringList hidden;
        for (QWidget* const control : Options()->findChildren<QWidget*>(QRegularExpression("^m[A-Z]")))
        {
            if (control->isHidden())
                hidden << control->objectName();
        }
        hidden.sort();
        EXPECT_EQ(hidden.join(' ').toStdString(), c.fHidden);

        // The book's range is never set: every page goes.
        OK()->click();
        EXPECT_EQ(Request(), "Proof A");
        EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "3");
    }
}

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, OKExportsThePagesOfTheRangeWithTheOptionsAndThePackage)
{
    deliverytest::PeerLock const noPeer;
    AddExportSendrixor("Plain", {});
    AddExportSendrixor("Proof A", cUserSettings);
    fHost->OpenDocument(
        WriteDocument("Brochure.indd", {"1", "2", "3"}, {}, ", \"pageSize\": [400, 600]").string());
    // The package choice of a Sendrixor the plug-in no longer offers goes when the dialog closes.
    StorePackage("G-old", true);
    GCSPUSaveAsSealmarkPDFDialog& dialog = Open();

    std::string hooksDuringLoop;
    qtuitest::WhenModalIs<GCSPUSaveAsSealmarkPDFDialog>(
        [this](GCSPUSaveAsSealmarkPDFDialog*)
        {
            List()->setCurrentIndex(List()->findText("Proof A"));
            Options()->Button()->click();
            SettingsBox("mCrop")->click();
            PageButton("Range:")->click();
            QTest::keyClicks(Range(), "2-3");
            Package()->click();
            OK()->click();
        },
        &hooksDuringLoop);
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(hooksDuringLoop, "start modal");
    EXPECT_EQ(HookLog::Calls("st"), "start modal, stop modal");

    EXPECT_EQ(Request(), "Proof A pages 2-3 with package crop");
    EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "2");
    EXPECT_NE(plugintest::PdfPageText(PDF(), 1).find("Brochure.indd page 2"), std::string::npos);
    EXPECT_NE(plugintest::PdfInfo(PDF(), "Page size"), "400 x 600 pts") << "crop marks widen the page";
    EXPECT_TRUE(fs::is_directory(testsupport::FsPathOf(fAction.GetPackagePath())));
    EXPECT_EQ(Shown(), std::vector<std::string>{cCannotLaunch});
    EXPECT_EQ(StoredPackage("G-old"), "");
    EXPECT_EQ(StoredPackage("G-2"), "true");
    EXPECT_EQ(LastUsed(), "Proof A");
}

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, CancelAndEscapeExportNothing)
{
    AddExportSendrixor("Proof A", {});
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1"}).string());
    for (bool const escape : {false, true})
    {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        StorePackage("G-old", true);
        HookLog::Clear();
        GCSPUSaveAsSealmarkPDFDialog& dialog = Open();
        qtuitest::WhenModalIs<GCSPUSaveAsSealmarkPDFDialog>(
            [escape](GCSPUSaveAsSealmarkPDFDialog* shown)
            {
                if (escape)
                    QTest::keyClick(shown, Qt::Key_Escape);
                else
                    shown->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
            });
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        EXPECT_EQ(HookLog::Calls("st"), "start modal, stop modal");
        EXPECT_EQ(StoredPackage("G-old"), "") << "closing forgets the choices of Sendrixors that are gone";
    }
    EXPECT_TRUE(fAction.GetSaveAsPDF().IsEmpty());
    EXPECT_EQ(Shown(), std::vector<std::string>{});
}

namespace
{
// Runs the action on the licence dialog once its loop runs. It is shown before its loop starts, so
// it never becomes Qt's modal window: it is looked for among the visible windows.
void WhenLicenseShows(std::function<void(CopyrightDialog*)> action, int triesLeft = 100)
{
    QTimer::singleShot(triesLeft == 100 ? 0 : 10,
                       [action, triesLeft]
                       {
                           for (QWidget* const window : QApplication::topLevelWidgets())
                           {
                               auto* const license = qobject_cast<CopyrightDialog*>(window);
                               if (license && license->isVisible())
                               {
                                   action(license);
                                   return;
                               }
                           }
                           if (triesLeft > 0)
                               WhenLicenseShows(action, triesLeft - 1);
                           else
                               ADD_FAILURE() << "no licence dialog shown";
                       });
}
} // namespace

TEST_F(GCSPUSaveAsSealmarkPDFDialogTest, TheCopyrightButtonRunsOneLicenseDialogInItsOwnLoop)
{
    testsupport::WriteFile(fUI->Contents() / "Resources" / "Licenses" / "TextInSoftware.txt",
                           "This product includes software developed by the Foo Project.\n\n");
    GCSPUSaveAsSealmarkPDFDialog& dialog = Open();
    dialog.show();
    HookLog::Clear();
    QPushButton* const copyrights = Control<QPushButton>("mCopyrights");
    EXPECT_EQ(copyrights->text(), QString::fromUtf8("\xC2\xA9"));
    EXPECT_EQ(copyrights->toolTip(), "Copyrights");

    std::vector<CopyrightDialog*> shown;
    for (int click = 0; click < 2; ++click)
    {
        WhenLicenseShows(
            [&shown](CopyrightDialog* license)
            {
                shown.push_back(license);
                EXPECT_NE(license->GetHtml().indexOf("Foo Project"), -1);
                license->findChild<QPushButton*>()->click();
            });
        copyrights->click();
    }
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], shown[1]) << "shown again, not made anew";
    EXPECT_EQ(shown[0]->parent(), &dialog);
    EXPECT_EQ(HookLog::Calls("st"), "") << "the host is not told of the licence dialog's loop";
    EXPECT_TRUE(dialog.isVisible());
}

namespace
{
using plugintest::SetPreferredLanguages;

// The plug-in's German translations in its strings folder before its user interface comes up.
class GermanDialogTest : public GCSPUSaveAsSealmarkPDFDialogTest
{
protected:
    void SetUp() override
    {
        fs::create_directories(fTemp / "ui" / "strings");
        testsupport::WriteFile(
            fTemp / "Plugin_deDE.ts",
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\" "
            "language=\"de_DE\">\n"
            "<context><name>GCSPUSaveAsSealmarkPDFDialog</name>\n"
            "<message><source>Include File Package</source><translation>Dateipaket "
            "mitsenden</translation></message>\n"
            "<message><source>No PDF Settings found</source><translation>Keine "
            "PDF-Einstellungen</translation></message>\n"
            "</context>\n<context><name>GCUSPDFSettingsAdjWdt</name>\n"
            "<message><source>Print Spreads</source><translation>Druckbogen</translation></message>\n"
            "</context>\n<context><name>CopyrightDialog</name>\n"
            "<message><source>Copyrights</source><translation>Urheberrechte</translation></message>\n"
            "<message><source>Done</source><translation>Fertig</translation></message>\n"
            "</context></TS>\n");
        ASSERT_EQ(ziptest::RunProgram({SENDRIX_LRELEASE_PATH, "-silent", (fTemp / "Plugin_deDE.ts").string(),
                                       "-qm", (fTemp / "ui" / "strings" / "Plugin_deDE.qm").string()},
                                      fTemp.Path()),
                  0);
        SetPreferredLanguages({"de-DE"});
        GCSPUSaveAsSealmarkPDFDialogTest::SetUp();
    }
    void TearDown() override
    {
        GCSPUSaveAsSealmarkPDFDialogTest::TearDown();
        SetPreferredLanguages({});
    }
};
} // namespace

TEST_F(GermanDialogTest, TheWindowsSpeakTheUsersLanguage)
{
    GCSPUSaveAsSealmarkPDFDialog& dialog = Open();
    EXPECT_EQ(Package()->text(), "Dateipaket mitsenden");
    EXPECT_EQ(Control<QLabel>("mMessageLabel")->text(), "Keine PDF-Einstellungen");
    EXPECT_EQ(SettingsBox("mPrintSpreads")->text(), "Druckbogen");
    CopyrightDialog const license(&dialog);
    EXPECT_EQ(license.windowTitle(), "Urheberrechte");
    EXPECT_EQ(license.findChild<QPushButton*>()->text(), "Fertig");
}

namespace
{
// The whole road from the dialog with the test peer listening.
class DialogPeerTest : public GCSPUSaveAsSealmarkPDFDialogTest
{
protected:
    deliverytest::PeerLock fPeers;
};
} // namespace

TEST_F(DialogPeerTest, OKHandsThePDFAndThePackageToThePeer)
{
    auto settings = cUserSettings;
    settings.emplace_back("IncludeFilePackage", "true");
    AddExportSendrixor("Proof A", settings);
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1", "2", "3"}).string());
    deliverytest::PeerProcess peer((fTemp / "jobs").string(), "listen");
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
    Open().show();
    PageButton("Range:")->click();
    QTest::keyClicks(Range(), "3");
    OK()->click();
    std::vector<std::string> const jobs = peer.AwaitJobs(2);
    ASSERT_EQ(jobs.size(), 2u);
    GPPJobInfo const pdfJob(GString(deliverytest::BufferOf(jobs[0]), GUTF8Encoding::GetInstance(), false));
    EXPECT_EQ(testsupport::FsPathOf(pdfJob.GetJobPath()), PDF());
    EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "1");
    GPPJobInfo const packageJob(
        GString(deliverytest::BufferOf(jobs[1]), GUTF8Encoding::GetInstance(), false));
    EXPECT_EQ(testsupport::FsPathOf(packageJob.GetJobPath()),
              testsupport::FsPathOf(fAction.GetPackagePath()));
    EXPECT_EQ(Shown(), std::vector<std::string>{});
    EXPECT_EQ(peer.Stop(), 0);
}
