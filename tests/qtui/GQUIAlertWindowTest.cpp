// Alerts and the toolkit's user-message service: what each box answers for each of its buttons and
// for Escape and its window's close button, the remembered answer of the "Don't show this message again"
// alert, and the host's modal state around every box.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <string>

#include "GPreferences.h"
#include "GQUIAlertWindow.h"
#include "GQUILayer.h"
#include "GQUIPrefAlertDialog.h"
#include "GQUIUserMessage.h"
#include "QtuiTestSupport.h"

using qtuitest::HookLog;
using qtuitest::WhenModal;

namespace
{
class GQUIAlertWindowTest : public qtuitest::LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        GQUILayer::Initialize();
        HookLog::Install();
    }

    // After the box closed: the host was in its modal state while it ran, and left it.
    void ExpectBalancedHooks()
    {
        EXPECT_EQ("start modal", fHooksDuringLoop);
        EXPECT_EQ("start modal, stop modal", HookLog::Calls("st"));
        HookLog::Clear();
        fHooksDuringLoop.clear();
    }

    // The message box's button of that standard kind clicked once it runs.
    void ClickWhenModal(QMessageBox::StandardButton which)
    {
        WhenModal([which](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(which)->click(); },
                  &fHooksDuringLoop);
    }
    void CloseWhenModal()
    {
        WhenModal([](QWidget* modal) { modal->close(); }, &fHooksDuringLoop);
    }

    std::string fHooksDuringLoop;
};

// The box's buttons from left to right.
QList<QAbstractButton*> ButtonsInOrder(QMessageBox* box)
{
    QList<QAbstractButton*> buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(),
              [](QAbstractButton* a, QAbstractButton* b)
              { return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x(); });
    return buttons;
}

QStringList TextsOf(QList<QAbstractButton*> const& buttons)
{
    QStringList texts;
    for (QAbstractButton* button : buttons)
        texts << button->text();
    return texts;
}

GString Text(char const* text)
{
    return GString(text);
}

int FourButtonAlert()
{
    return GQUIAlertWindow::ShowDialog(Text("Replace"), Text("The file exists."),
                                       GQUIAlertWindow::cIconWarning, Text("Replace"), Text("Skip"),
                                       Text("Replace All"), Text("Stop"));
}

TEST_F(GQUIAlertWindowTest, AnAlertAnswersThePositionOfItsButton)
{
    for (int position = 1; position <= 4; ++position)
    {
        SCOPED_TRACE(position);
        QStringList texts;
        QString defaultText;
        WhenModal(
            [&](QWidget* modal)
            {
                auto* const box = qobject_cast<QMessageBox*>(modal);
                QList<QAbstractButton*> const buttons = ButtonsInOrder(box);
                texts = TextsOf(buttons);
                defaultText = box->defaultButton()->text();
                buttons.value(position - 1)->click();
            },
            &fHooksDuringLoop);
        EXPECT_EQ(position, FourButtonAlert());
        EXPECT_EQ((QStringList{"Replace", "Skip", "Replace All", "Stop"}), texts);
        EXPECT_EQ("Replace", defaultText);
        ExpectBalancedHooks();
    }

    // The window's close button answers as the escape button, the second.
    CloseWhenModal();
    EXPECT_EQ(GQUIAlertWindow::cButton2, FourButtonAlert());
    ExpectBalancedHooks();
    // Ended any other way: 0.
    WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->done(77); }, &fHooksDuringLoop);
    EXPECT_EQ(GQUIAlertWindow::cClosed, FourButtonAlert());
    ExpectBalancedHooks();
}

TEST_F(GQUIAlertWindowTest, AnAlertWithOneTextHasOneButton)
{
    QStringList texts;
    WhenModal(
        [&texts](QWidget* modal)
        {
            auto* const box = qobject_cast<QMessageBox*>(modal);
            texts = TextsOf(box->buttons());
            box->buttons().value(0)->click();
        },
        &fHooksDuringLoop);
    EXPECT_EQ(1, GQUIAlertWindow::ShowDialog(Text("Done"), Text("All pages were exported."),
                                             GQUIAlertWindow::cIconInformation, Text("Fine"), GString(),
                                             GString(), GString()));
    EXPECT_EQ(QStringList{"Fine"}, texts);
    ExpectBalancedHooks();
}

TEST_F(GQUIAlertWindowTest, EscapeAndTheCloseButtonEndEveryAlert)
{
    // By the buttons given (1 to 4): "No" is the escape button; without it the box ends with no
    // button pressed, also when it has a single button.
    struct Case
    {
        char const* fWhat;
        char const* fButtons[4];
        int fResult;
    };
    Case const cases[] = {
        {"Yes alone", {"OK", "", "", ""}, GQUIAlertWindow::cClosed},
        {"Yes and Cancel", {"Save", "", "", "Cancel"}, GQUIAlertWindow::cClosed},
        {"Yes, Yes to All and Cancel", {"Replace", "", "Replace All", "Stop"}, GQUIAlertWindow::cClosed},
        {"Yes and No", {"Replace", "Skip", "", ""}, GQUIAlertWindow::cButton2},
    };
    for (Case const& entry : cases)
    {
        for (bool const byKey : {true, false})
        {
            SCOPED_TRACE(testing::Message() << entry.fWhat << (byKey ? ", Escape" : ", close button"));
            // A box that ignores both is ended by the test, which remembers it.
            bool stayedOpen = false;
            WhenModal(
                [byKey, &stayedOpen](QWidget* modal)
                {
                    if (byKey)
                        QTest::keyClick(modal, Qt::Key_Escape);
                    else
                        modal->close();
                    QPointer<QWidget> const box(modal);
                    QTimer::singleShot(300,
                                       [box, &stayedOpen]
                                       {
                                           if (box && box->isVisible())
                                           {
                                               stayedOpen = true;
                                               qobject_cast<QDialog*>(box.data())->done(0);
                                           }
                                       });
                },
                &fHooksDuringLoop);
            int const result = GQUIAlertWindow::ShowDialog(
                Text("Question"), Text("Go on?"), GQUIAlertWindow::cIconWarning, Text(entry.fButtons[0]),
                Text(entry.fButtons[1]), Text(entry.fButtons[2]), Text(entry.fButtons[3]));
            EXPECT_FALSE(stayedOpen);
            EXPECT_EQ(entry.fResult, result);
            ExpectBalancedHooks();
            // The box's last timer is done before the next box runs.
            QTest::qWait(350);
        }
    }
}

// --- the remembering alert ---

struct PrefRow
{
    char const* fWhat;
    bool fCheck;
    bool fOK; // else Cancel
    bool fRememberAccept;
    bool fRememberReject;
    bool fAccepted;
    GTriState fStored;
};

PrefRow const cPrefRows[] = {
    {"OK, unchecked", false, true, true, true, true, cTriStateAsk},
    {"OK, checked", true, true, true, false, true, cTriStateAccepted},
    {"OK, checked, accepting not remembered", true, true, false, true, true, cTriStateAsk},
    {"Cancel, checked", true, false, true, true, false, cTriStateRejected},
    {"Cancel, checked, rejecting not remembered", true, false, true, false, false, cTriStateAsk},
    {"Cancel, unchecked", false, false, true, true, false, cTriStateAsk},
};

TEST_F(GQUIAlertWindowTest, ARememberingAlertStoresTheCheckedAnswer)
{
    for (PrefRow const& row : cPrefRows)
    {
        SCOPED_TRACE(row.fWhat);
        QString checkText;
        WhenModal(
            [&](QWidget* modal)
            {
                auto* const dialog = qobject_cast<GQUIPrefAlertDialogBase*>(modal);
                checkText = dialog->CheckBox()->text();
                dialog->CheckBox()->setChecked(row.fCheck);
                dialog->ButtonBox()
                    ->button(row.fOK ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
                    ->click();
            },
            &fHooksDuringLoop);
        GTriState state = cTriStateAsk;
        EXPECT_EQ(row.fAccepted,
                  GQUIPrefAlertDialog::ShowDialog(Text("Fonts"), Text("A font is missing."), Text("Go On"),
                                                  Text("Stop"), Text("Don't show this message again"), true,
                                                  row.fRememberAccept, row.fRememberReject, state));
        EXPECT_EQ(row.fStored, state);
        EXPECT_EQ("Don't show this message again", checkText);
        ExpectBalancedHooks();
    }
}

TEST_F(GQUIAlertWindowTest, ARememberedAnswerComesBackWithoutAsking)
{
    for (GTriState const state : {cTriStateAccepted, cTriStateRejected, 7})
    {
        GTriState kept = state;
        EXPECT_EQ(state == cTriStateAccepted,
                  GQUIPrefAlertDialog::ShowDialog(Text("T"), Text("x"), GString(), GString(), Text("Don't"),
                                                  true, true, true, kept));
        EXPECT_EQ(state, kept);
    }
    EXPECT_EQ("", HookLog::Calls());
}

TEST_F(GQUIAlertWindowTest, ARememberingAlertClosedByItsWindowIsRejected)
{
    for (bool const withCancel : {true, false})
    {
        SCOPED_TRACE(withCancel);
        bool hasCancel = true;
        WhenModal(
            [&hasCancel](QWidget* modal)
            {
                auto* const dialog = qobject_cast<GQUIPrefAlertDialogBase*>(modal);
                hasCancel = dialog->ButtonBox()->button(QDialogButtonBox::Cancel) != nullptr;
                dialog->CheckBox()->setChecked(true);
                dialog->close();
            },
            &fHooksDuringLoop);
        GTriState state = cTriStateAsk;
        EXPECT_FALSE(GQUIPrefAlertDialog::ShowDialog(Text("T"), Text("x"), GString(), GString(),
                                                     Text("Don't"), withCancel, true, true, state));
        EXPECT_EQ(cTriStateRejected, state);
        EXPECT_EQ(withCancel, hasCancel);
        ExpectBalancedHooks();
    }
}

// --- the user-message service ---

TEST_F(GQUIAlertWindowTest, TheServiceAnswersEachBoxByItsButton)
{
    GQUIUserMessage service;
    ClickWhenModal(QMessageBox::Cancel);
    EXPECT_TRUE(service.ShowWarningMessage(Text("T"), Text("Go on?")));
    ExpectBalancedHooks();
    ClickWhenModal(QMessageBox::Ok);
    EXPECT_FALSE(service.ShowWarningMessage(Text("T"), Text("Go on?")));
    ExpectBalancedHooks();
    CloseWhenModal();
    EXPECT_TRUE(service.ShowWarningMessage(Text("T"), Text("Go on?")));
    ExpectBalancedHooks();

    ClickWhenModal(QMessageBox::Yes);
    EXPECT_FALSE(service.ShowYesNoMessage(Text("T"), Text("Replace?")));
    ExpectBalancedHooks();
    ClickWhenModal(QMessageBox::No);
    EXPECT_TRUE(service.ShowYesNoMessage(Text("T"), Text("Replace?")));
    ExpectBalancedHooks();

    QStringList texts;
    WhenModal(
        [&texts](QWidget* modal)
        {
            auto* const box = qobject_cast<QMessageBox*>(modal);
            QList<QAbstractButton*> const buttons = ButtonsInOrder(box);
            texts = TextsOf(buttons);
            buttons.value(0)->click();
        },
        &fHooksDuringLoop);
    EXPECT_FALSE(service.ShowYesNoMessage(Text("T"), Text("Replace?"), Text("missing-icon.png")));
    EXPECT_EQ((QStringList{"Yes", "No"}), texts);
    ExpectBalancedHooks();

    for (auto const& show :
         std::initializer_list<std::function<void()>>{
             [&service] { service.ShowInfoMessage(Text("T"), Text("Exported.")); },
             [&service] { service.ShowErrorMessage(Text("T"), Text("The disk is full.")); }})
    {
        ClickWhenModal(QMessageBox::Ok);
        show();
        ExpectBalancedHooks();
    }
}

TEST_F(GQUIAlertWindowTest, DontShowAgainIsRememberedOnlyForOK)
{
    GQUIUserMessage service;
    bool dontShowAgain = false;
    WhenModal(
        [](QWidget* modal)
        {
            auto* const dialog = qobject_cast<GQUIPrefAlertDialogBase*>(modal);
            dialog->CheckBox()->setChecked(true);
            dialog->ButtonBox()->button(QDialogButtonBox::Cancel)->click();
        },
        &fHooksDuringLoop);
    EXPECT_TRUE(service.ShowPreferenceMessage(Text("T"), Text("Fonts are missing."), dontShowAgain, true));
    EXPECT_FALSE(dontShowAgain);
    ExpectBalancedHooks();

    WhenModal(
        [](QWidget* modal)
        {
            auto* const dialog = qobject_cast<GQUIPrefAlertDialogBase*>(modal);
            dialog->CheckBox()->setChecked(true);
            dialog->ButtonBox()->button(QDialogButtonBox::Ok)->click();
        },
        &fHooksDuringLoop);
    EXPECT_FALSE(service.ShowPreferenceMessage(Text("T"), Text("Fonts are missing."), dontShowAgain, true));
    EXPECT_TRUE(dontShowAgain);
    ExpectBalancedHooks();

    EXPECT_FALSE(service.ShowPreferenceMessage(Text("T"), Text("Fonts are missing."), dontShowAgain, true));
    EXPECT_EQ("", HookLog::Calls());
}

// A plug-in's own service, which counts the warnings it is asked for.
class PluginMessages : public GUserMessage
{
public:
    explicit PluginMessages(int& warnings) : fWarnings(warnings) {}
    bool ShowWarningMessage(GString const&, GString const&) override
    {
        ++fWarnings;
        return false;
    }

private:
    int& fWarnings;
};

TEST_F(GQUIAlertWindowTest, AMessageIsTheInstalledServicesWarning)
{
    int warnings = 0;
    GQUIUserMessage toolkit;
    GUserMessage::SetInstance(new PluginMessages(warnings));
    EXPECT_FALSE(toolkit.ShowMessage(Text("T"), Text("Note")));
    EXPECT_EQ(1, warnings);
    EXPECT_EQ("", HookLog::Calls());
    GUserMessage::SetInstance(new GQUIUserMessage);

    ClickWhenModal(QMessageBox::Cancel);
    EXPECT_TRUE(GQUIUserMessage::GetInstance()->ShowMessage(Text("T"), Text("Note")));
    ExpectBalancedHooks();
}
} // namespace

namespace
{
// A remembering alert whose answer lives in the user's preferences, through a getter and a setter.
TEST_F(GQUIAlertWindowTest, ARememberedAnswerCanLiveInThePreferences)
{
    qtuitest::UserPreferencesScope preferences;
    GBuffer const group("General");
    GBuffer const key("AskBeforeReplacing");
    GPreferences::Set(GPreferences::cUserModuleID, group, key, std::int32_t(cTriStateAsk));
    auto getter = [&] { return GTriState(GPreferences::GetInt32(group, key)); };
    auto setter = [&](GTriState state)
    { GPreferences::Set(GPreferences::cUserModuleID, group, key, std::int32_t(state)); };
    using Dialog = GQUIPrefAlertDialogTemplate<decltype(getter), decltype(setter)>;

    Dialog dialog(getter, setter, Text("Replace"), Text("Replace the file?"), GString(), GString(),
                  Text("Don't show this message again"), true, true, true);
    dialog.CheckBox()->setChecked(true);
    dialog.RememberAnswerIfChecked(); // not answered yet: rejected so far
    EXPECT_EQ(cTriStateRejected, GPreferences::GetInt32(group, key));
    dialog.ButtonBox()->button(QDialogButtonBox::Ok)->click();
    EXPECT_TRUE(dialog.IsAccepted());
    EXPECT_EQ(cTriStateAccepted, GPreferences::GetInt32(group, key));

    // The stored answer is given again without a dialog.
    GTriState state = GPreferences::GetInt32(group, key);
    EXPECT_TRUE(GQUIPrefAlertDialog::ShowDialog(Text("Replace"), Text("Replace the file?"), GString(),
                                                GString(), Text("Don't"), true, true, true, state));
    EXPECT_EQ("", HookLog::Calls("st"));
}
} // namespace
