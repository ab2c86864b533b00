// The plug-in's entry over the host stand-in in this process: its plug-in object and records added
// to a host, the start-up service registering the two actions and their menu items once, the action
// component's menu states, names and shortcuts, the about item, ids it does not know, the host's
// modal state around the export dialog, the user's unit, and an error of any kind shown, not thrown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QJsonArray>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "ExportFixture.h"
#include "GBasicSignals.h"
#include "GEmptyMessage.h"
#include "GIDCSPActionComponent.h"
#include "GIDCSPWindowSupport.h"
#include "GPreferences.h"
#include "GQUILayer.h"
#include "GReceiver.h"
#include "GSimpleException.h"
#include "GUnitSupport.h"
#include "GUserMessage.h"
#include "IBook.h"
#include "ISession.h"
#include "IUnitPrefs.h"
#include "PlugIn.h"
#include "PluginUIFixture.h"

namespace
{
namespace fs = std::filesystem;

constexpr ActionID cDocumentAction = GIDCSPActionComponent::kExportDocumentAction;
constexpr ActionID cBookAction = GIDCSPActionComponent::kExportBookAction;
char const* const cFileMenu = "Main:&File";
char const* const cBookMenu = "BookPanelPopup";
char const* const cItemName = "Export to Sendrixor...";
char const* const cDialogClass = "GCSPUSaveAsSealmarkPDFDialog";

// Answers the export dialog as a user who looks and then presses Cancel, from inside its loop.
class DialogCanceller : public QObject
{
public:
    struct Seen
    {
        std::string fTitle;
        bool fAllEnabled = false;
        bool fRangeEnabled = false;
        int fModalDepth = 0;
    };

    explicit DialogCanceller(indesignhost::Host& host) : fHost(host) { qApp->installEventFilter(this); }
    ~DialogCanceller() override
    {
        if (qApp)
            qApp->removeEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        QWidget* const widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget->isWindow() && widget->inherits(cDialogClass))
        {
            QPointer<QWidget> const dialog(widget);
            QTimer::singleShot(0, this,
                               [this, dialog]
                               {
                                   if (dialog)
                                       Answer(*dialog);
                               });
        }
        return QObject::eventFilter(watched, event);
    }

    std::vector<Seen> const& Dialogs() const { return fSeen; }

private:
    void Answer(QWidget& dialog)
    {
        Seen seen;
        seen.fTitle = dialog.windowTitle().toStdString();
        seen.fModalDepth = fHost.ModalDepth();
        for (QRadioButton* const button : dialog.findChildren<QRadioButton*>())
        {
            if (button->text() == QLatin1String("All"))
                seen.fAllEnabled = button->isEnabled();
            else if (button->text() == QLatin1String("Range:"))
                seen.fRangeEnabled = button->isEnabled();
        }
        fSeen.push_back(seen);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    }

    indesignhost::Host& fHost;
    std::vector<Seen> fSeen;
};

// A part of the system that fails when it hears that the preferences changed, as a damaged
// preference file fails the write it starts.
class FailingPreferencesListener : public GReceiver<GEmptyMessage>
{
public:
    FailingPreferencesListener() { Subscribe(GBasicSignals::cPreferencesChangedSignal); }
    void Receive(int, GEmptyMessage const&) override { throw GSimpleException(cFailure); }

    static constexpr int cFailure = 40003;
};

// The same, failing with whatever it is given: the runtime's or a library's exceptions.
class ThrowingPreferencesListener : public GReceiver<GEmptyMessage>
{
public:
    explicit ThrowingPreferencesListener(std::function<void()> fail) : fFail(std::move(fail))
    {
        Subscribe(GBasicSignals::cPreferencesChangedSignal);
    }
    void Receive(int, GEmptyMessage const&) override { fFail(); }

private:
    std::function<void()> fFail;
};

// A message service that cannot show anything, as when memory has run out.
class FailingMessages : public GUserMessage
{
public:
    void ShowErrorMessage(GString const&, GString const&) override { throw std::bad_alloc(); }
};

class ActionComponentTest : public plugintest::ExportFixture
{
protected:
    void SetUp() override
    {
        ExportFixture::SetUp();
        fBundle = std::make_unique<plugintest::PluginBundleScope>(
            fTemp / "Plug-Ins" / "Sendrix_DA2025_InDesign.InDesignPlugin" / "Contents");
        GQUILayer::SetPrefFileName(testsupport::PathOf(fTemp / "UIGeometrySettingsQt5.ini"));
        fHost->AddPlugIn(*GetPlugIn());
        fHost->StartServices();
    }
    void TearDown() override
    {
        fCanceller.reset();
        fAnswerer.reset();
        fHost->StopPlugIns();
        EXPECT_EQ(fHost->QuitChecks(), std::vector<std::string>());
        EXPECT_EQ(QCoreApplication::instance(), nullptr) << "the component's going takes the application";
        GQUILayer::SetPrefFileName(GPathName());
        // The component keeps its preference file in this test's folder: it goes with the folder,
        // not at the end of the program, when it would make the folder again.
        GPreferences::RemovePrefModule(GPreferences::cUserModuleID);
        fBundle.reset();
        ExportFixture::TearDown();
    }

    // The menu brought up to date; the component (and with it the Qt application) is made on first
    // need, so the user's helpers come after it.
    std::vector<indesignhost::MenuItemState> Menu(char const* path)
    {
        std::vector<indesignhost::MenuItemState> const items = fHost->UpdateMenu(path);
        if (!fAnswerer && qApp)
        {
            fAnswerer = std::make_unique<plugintest::MessageBoxAnswerer>();
            fCanceller = std::make_unique<DialogCanceller>(*fHost);
        }
        return items;
    }

    std::vector<indesignhost::MenuItemState> ItemsOf(char const* path, ActionID action)
    {
        std::vector<indesignhost::MenuItemState> found;
        for (indesignhost::MenuItemState const& item : Menu(path))
        {
            if (item.action == action)
                found.push_back(item);
        }
        return found;
    }

    std::vector<QJsonObject> Calls(char const* what) { return fHost->GetTranscript().Find("call", what); }

    fs::path WriteBook(std::string const& fileName, std::vector<std::string> const& chapters)
    {
        std::string text = "{\"chapters\": [";
        for (std::size_t i = 0; i < chapters.size(); ++i)
            text += std::string(i ? ", " : "") + "\"" + chapters[i] + "\"";
        fs::path const path = fTemp / "documents" / fileName;
        testsupport::WriteFile(path, text + "]}");
        return path;
    }

    std::unique_ptr<plugintest::PluginBundleScope> fBundle;
    std::unique_ptr<plugintest::MessageBoxAnswerer> fAnswerer;
    std::unique_ptr<DialogCanceller> fCanceller;
};

TEST_F(ActionComponentTest, StartupRegistersBothActionsAndTheirItemsOnceWhateverTheCalls)
{
    fHost->StartServices();
    Menu(cFileMenu);

    ASSERT_EQ(fHost->GetTranscript().Find("plugin", "Startup").size(), 2u);
    std::vector<QJsonObject> const actions = Calls("IActionManager::AddAction");
    ASSERT_EQ(actions.size(), 2u) << "the second start finds both actions known and adds nothing";
    struct Expected
    {
        ActionID fAction;
        char const* fArea;
        char const* fPath;
        double fPosition;
    };
    Expected const expected[] = {{cDocumentAction, "KBSCE File menu", cFileMenu, 1301.0},
                                 {cBookAction, "KBSCE Palette Menus: Book: ", cBookMenu, 1101.0}};
    std::vector<QJsonObject> const items = Calls("IMenuManager::AddMenuItem");
    ASSERT_EQ(items.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(expected[i].fPath);
        QJsonObject const& action = actions[i];
        EXPECT_EQ(action.value("owner").toInt(), GIDCSPActionComponent::kActionComponentID);
        EXPECT_EQ(action.value("action").toInt(), static_cast<int>(expected[i].fAction));
        EXPECT_EQ(action.value("name").toString(), QString());
        EXPECT_EQ(action.value("area").toString().toStdString(), expected[i].fArea);
        EXPECT_EQ(action.value("helpID").toInt(), 0);
        EXPECT_EQ(action.value("userEditable").toInt(), 1);
        EXPECT_EQ(action.value("iconID").toInt(), 0);
        EXPECT_EQ(action.value("enabledByDefault").toInt(), 1);
        EXPECT_FALSE(action.contains("refused"));
        EXPECT_EQ(items[i].value("action").toInt(), static_cast<int>(expected[i].fAction));
        EXPECT_EQ(items[i].value("path").toString().toStdString(), expected[i].fPath);
        EXPECT_EQ(items[i].value("pos").toDouble(), expected[i].fPosition);
        EXPECT_EQ(ItemsOf(expected[i].fPath, expected[i].fAction).size(), 1u);
    }
}

TEST_F(ActionComponentTest, TheItemsAreEnabledOnlyForAFrontDocumentOrACurrentBookWithChapters)
{
    fs::path const document = WriteDocument("Brochure.indd", {"1", "2"});
    fs::path const emptyBook = WriteBook("Empty.indb", {});
    fs::path const book = WriteBook("Catalog.indb", {"Brochure.indd"});

    // Each state is set up anew on top of the one before, as the user would open and close things.
    struct Case
    {
        char const* fName;
        std::function<void()> fSetUp;
        bool fDocumentEnabled;
        bool fBookEnabled;
    };
    IBook* bookWithChapters = nullptr;
    Case const cases[] = {
        {"nothing open", [] {}, false, false},
        {"a front document", [&] { fHost->OpenDocument(document.string()); }, true, false},
        {"a document open, none in front", [&] { fHost->SetFrontDocument(nullptr); }, false, false},
        {"an open book without chapters", [&] { fHost->OpenBook(emptyBook.string()); }, false, false},
        {"a current book with a chapter", [&] { bookWithChapters = fHost->OpenBook(book.string()); }, false,
         true},
        {"open books, none current", [&] { fHost->SetCurrentBook(nullptr); }, false, false},
        {"the book current again", [&] { fHost->SetCurrentBook(bookWithChapters); }, false, true},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        c.fSetUp();
        for (auto const& [menu, action, enabled] :
             {std::make_tuple(cFileMenu, cDocumentAction, c.fDocumentEnabled),
              std::make_tuple(cBookMenu, cBookAction, c.fBookEnabled)})
        {
            std::vector<indesignhost::MenuItemState> const items = ItemsOf(menu, action);
            ASSERT_EQ(items.size(), 1u) << menu;
            EXPECT_EQ(items[0].enabled, enabled) << menu;
            EXPECT_EQ(items[0].name, cItemName) << menu;
        }
    }
}

TEST_F(ActionComponentTest, EveryStateUpdateAddsTheShortcutsInTheDefaultContext)
{
    Menu(cFileMenu);
    Menu(cBookMenu);
    Menu(cFileMenu);

    std::vector<QJsonObject> const shortcuts = Calls("IShortcutManager::AddShortcut");
    ASSERT_EQ(shortcuts.size(), 3u);
    struct Expected
    {
        ActionID fAction;
        char const* fText;
        bool fNew;
    };
    Expected const expected[] = {{cDocumentAction, "Opt+Shift+E", true},
                                 {cBookAction, "Opt+Shift+B", true},
                                 {cDocumentAction, "Opt+Shift+E", false}};
    for (std::size_t i = 0; i < shortcuts.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(shortcuts[i].value("action").toInt(), static_cast<int>(expected[i].fAction));
        EXPECT_EQ(shortcuts[i].value("shortcut").toString().toStdString(), expected[i].fText);
        EXPECT_EQ(shortcuts[i].value("context").toString(), QLatin1String("DefaultContext"));
        EXPECT_EQ(shortcuts[i].value("new").toBool(), expected[i].fNew);
    }

    // The shortcut runs the document's export, once there is a document to export.
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1"}).string());
    EXPECT_TRUE(fHost->PressShortcut("Opt+Shift+E"));
    ASSERT_EQ(fCanceller->Dialogs().size(), 1u);
}

TEST_F(ActionComponentTest, TheAboutItemShowsItsAlertAndNothingElse)
{
    std::vector<indesignhost::MenuItemState> const about =
        ItemsOf("Main:&Help:About Plug-ins:", GIDCSPActionComponent::kAboutAction);
    ASSERT_EQ(about.size(), 1u);
    ASSERT_TRUE(fHost->ChooseMenuItem("Main:&Help:About Plug-ins:", about[0].name));

    std::vector<QJsonObject> const alerts = fHost->GetTranscript().Find("alert");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_NE(alerts[0].value("text").toString().indexOf(QLatin1String("Sendrix")), -1);
    EXPECT_EQ(alerts[0].value("buttons").toArray().first().toString(), QLatin1String("OK"));
    EXPECT_TRUE(fHost->GetTranscript().Find("modal").empty());
    EXPECT_TRUE(fCanceller->Dialogs().empty());
    EXPECT_TRUE(fAnswerer->Shown().empty());
}

TEST_F(ActionComponentTest, AnIdItDoesNotKnowDoesNothing)
{
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1"}).string());
    Menu(cFileMenu);
    // The component of the host's own object, as the host makes it, only here in the test's hands.
    GIDCSPActionComponent component(fHost->GetSession());
    std::size_t const lines = fHost->GetTranscript().Lines().size();
    for (ActionID const unknown :
         {ActionID(0), ActionID(1674241), ActionID(1674243), ActionID(1674245), ActionID(1674247)})
    {
        SCOPED_TRACE(unknown);
        component.DoAction(nullptr, unknown, SysPoint(), nullptr);
    }
    EXPECT_EQ(fHost->GetTranscript().Lines().size(), lines);
    EXPECT_TRUE(fCanceller->Dialogs().empty());
    EXPECT_TRUE(fAnswerer->Shown().empty());
}

TEST_F(ActionComponentTest, StopModalLoopReleasesOnlyAStateItHolds)
{
    GIDCSPWindowSupport::StopModalLoop(nullptr);
    EXPECT_TRUE(fHost->GetTranscript().Find("modal").empty());

    GIDCSPWindowSupport::StartModalLoop(nullptr);
    EXPECT_EQ(fHost->ModalDepth(), 1);
    GIDCSPWindowSupport::StopModalLoop(nullptr);
    GIDCSPWindowSupport::StopModalLoop(nullptr);
    EXPECT_EQ(fHost->ModalDepth(), 0);
    std::vector<QJsonObject> const modal = fHost->GetTranscript().Find("modal");
    ASSERT_EQ(modal.size(), 2u);
    EXPECT_EQ(modal[0].value("what").toString(), QLatin1String("acquire"));
    EXPECT_EQ(modal[1].value("what").toString(), QLatin1String("release"));
    EXPECT_FALSE(modal[1].contains("refused"));
    EXPECT_EQ(GIDCSPWindowSupport::GetMainWindowHandle(), nullptr);
}

TEST(ActionComponentUnitTest, InDesignsUnitsMapToTheFoundationsUnits)
{
    struct Case
    {
        ClassID fUnit;
        int fCode;
    };
    Case const cases[] = {{IUnitPrefs::kPointsBoss, GUnitSupport::cPoints},
                          {IUnitPrefs::kPicasBoss, GUnitSupport::cPicas},
                          {IUnitPrefs::kInchesBoss, GUnitSupport::cInches},
                          {IUnitPrefs::kInchesDecimalBoss, GUnitSupport::cInches},
                          {IUnitPrefs::kMillimetersBoss, GUnitSupport::cMillimeters},
                          {IUnitPrefs::kCentimetersBoss, GUnitSupport::cCentimeters},
                          {4608, GUnitSupport::cPoints},
                          {4615, GUnitSupport::cPoints},
                          {0, GUnitSupport::cPoints}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fUnit);
        EXPECT_EQ(GIDCSPActionComponent::UnitCodeOf(c.fUnit), c.fCode);
    }
}

TEST_F(ActionComponentTest, TheDialogTakesTheUsersUnitAndCancelLeavesNoModalStateAndNoExport)
{
    AddExportSendrixor("Proof A", {{"UserSettings", "true"}});
    IDocument* const document = fHost->OpenDocument(WriteDocument("Brochure.indd", {"1", "2"}).string());
    struct Case
    {
        char const* fName;
        ClassID fApplicationUnit;
        ClassID fDocumentUnit;
        GUnitSupport::Unit fExpected;
    };
    Case const cases[] = {
        {"the application's millimetres", IUnitPrefs::kMillimetersBoss, 0, GUnitSupport::cMillimeters},
        {"the document's own centimetres", IUnitPrefs::kInchesBoss, IUnitPrefs::kCentimetersBoss,
         GUnitSupport::cCentimeters},
        {"the application's picas", IUnitPrefs::kPicasBoss, 0, GUnitSupport::cPicas},
        {"points", IUnitPrefs::kPointsBoss, 0, GUnitSupport::cPoints},
    };
    Menu(cFileMenu);
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        fHost->SetApplicationUnit(c.fApplicationUnit);
        fHost->SetDocumentUnit(document, c.fDocumentUnit);
        std::size_t const before = fCanceller->Dialogs().size();
        ASSERT_TRUE(fHost->ChooseMenuItem(cFileMenu, cItemName));
        ASSERT_EQ(fCanceller->Dialogs().size(), before + 1);
        DialogCanceller::Seen const& seen = fCanceller->Dialogs().back();
        EXPECT_EQ(seen.fModalDepth, 1) << "the host is modal while the dialog runs";
        EXPECT_TRUE(seen.fAllEnabled);
        EXPECT_TRUE(seen.fRangeEnabled);
        EXPECT_EQ(GUnitSupport::GetDefaultUnitCode(), c.fExpected);
        EXPECT_EQ(fHost->ModalDepth(), 0);
    }
    std::vector<QJsonObject> const modal = fHost->GetTranscript().Find("modal");
    ASSERT_EQ(modal.size(), 2 * std::size(cases));
    for (std::size_t i = 0; i < modal.size(); ++i)
    {
        EXPECT_EQ(modal[i].value("what").toString(), QLatin1String(i % 2 ? "release" : "acquire")) << i;
        EXPECT_EQ(modal[i].value("depth").toInt(), i % 2 ? 0 : 1) << i;
        EXPECT_FALSE(modal[i].contains("refused")) << i;
    }
    EXPECT_TRUE(fHost->GetTranscript().Find("command").empty());
    EXPECT_TRUE(fHost->GetTranscript().Find("file").empty());
    EXPECT_TRUE(fAnswerer->Shown().empty());
}

TEST_F(ActionComponentTest, TheBookDialogHasNoPageChoice)
{
    AddExportSendrixor("Proof A", {{"UserSettings", "true"}});
    WriteDocument("Brochure.indd", {"1"});
    fHost->OpenBook(WriteBook("Catalog.indb", {"Brochure.indd"}).string());
    Menu(cBookMenu);
    ASSERT_TRUE(fHost->PressShortcut("Opt+Shift+B"));
    ASSERT_EQ(fCanceller->Dialogs().size(), 1u);
    EXPECT_FALSE(fCanceller->Dialogs()[0].fAllEnabled);
    EXPECT_FALSE(fCanceller->Dialogs()[0].fRangeEnabled);
    EXPECT_EQ(fHost->ModalDepth(), 0);
}

// The host takes an exception out of DoAction for a crash and ends: the component shows the
// foundation's error to the user instead, and the host goes on with its modal state given back.
TEST_F(ActionComponentTest, AFoundationErrorOfTheExportIsShownAndTheHostGoesOn)
{
    AddExportSendrixor("Proof A", {{"UserSettings", "true"}});
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1"}).string());
    Menu(cFileMenu);
    {
        FailingPreferencesListener const failing;
        ASSERT_TRUE(fHost->ChooseMenuItem(cFileMenu, cItemName));
    }
    EXPECT_FALSE(fHost->PlugInFailed());
    EXPECT_TRUE(fCanceller->Dialogs().empty()) << "the dialog never came";
    ASSERT_EQ(fAnswerer->Shown().size(), 1u);
    EXPECT_EQ(fAnswerer->Shown()[0].fTitle.toStdString(), "Export to Sendrixor error");
    GString description;
    description = GSimpleException(FailingPreferencesListener::cFailure).GetFullDescription();
    EXPECT_EQ(fAnswerer->Shown()[0].fText.toStdString(), testsupport::Utf8Of(description));
    EXPECT_EQ(fHost->ModalDepth(), 0);

    // The next choice runs the dialog as ever.
    ASSERT_TRUE(fHost->ChooseMenuItem(cFileMenu, cItemName));
    EXPECT_EQ(fCanceller->Dialogs().size(), 1u);
}
// Not only the foundation's errors: whatever the runtime, a library or anything else throws out of
// the export is shown the same way, and the host, which takes an exception out of DoAction for a
// crash, goes on.
TEST_F(ActionComponentTest, AnyErrorOfTheExportIsShownAndTheHostGoesOn)
{
    AddExportSendrixor("Proof A", {{"UserSettings", "true"}});
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1"}).string());
    Menu(cFileMenu);
    struct Case
    {
        char const* fName;
        std::function<void()> fFail;
        char const* fShown;
    };
    Case const cases[] = {
        {"the runtime out of memory", [] { throw std::bad_alloc(); }, "Out of memory"},
        {"a library's error", [] { throw std::runtime_error("the volume went away"); },
         "the volume went away"},
        {"a library's error in UTF-8", [] { throw std::invalid_argument("Caf\xC3\xA9 is no page"); },
         "Caf\xC3\xA9 is no page"},
        {"not an exception of the standard", [] { throw 42; }, "General Exception"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        fAnswerer->Clear();
        {
            ThrowingPreferencesListener const failing(c.fFail);
            ASSERT_TRUE(fHost->ChooseMenuItem(cFileMenu, cItemName));
        }
        EXPECT_FALSE(fHost->PlugInFailed());
        EXPECT_TRUE(fCanceller->Dialogs().empty()) << "the dialog never came";
        ASSERT_EQ(fAnswerer->Shown().size(), 1u);
        EXPECT_EQ(fAnswerer->Shown()[0].fTitle.toStdString(), "Export to Sendrixor error");
        EXPECT_EQ(fAnswerer->Shown()[0].fText.toStdString(), c.fShown);
        EXPECT_EQ(fAnswerer->Shown()[0].fIcon, QMessageBox::Critical);
        EXPECT_EQ(fHost->ModalDepth(), 0);
    }

    // Nothing can be shown either: the host still goes on.
    GUserMessage::SetInstance(new FailingMessages);
    {
        ThrowingPreferencesListener const failing([] { throw std::bad_alloc(); });
        ASSERT_TRUE(fHost->ChooseMenuItem(cFileMenu, cItemName));
    }
    EXPECT_FALSE(fHost->PlugInFailed());
    EXPECT_EQ(fHost->ModalDepth(), 0);
}
} // namespace
