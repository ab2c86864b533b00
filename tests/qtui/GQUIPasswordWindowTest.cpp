// The password dialogs: what each answers for OK, Cancel and its window's close button, the question
// asked again after two different entries (as often as they differ, one dialog at a time), where
// they open, and the width that a long title needs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <string>

#include "GBuffer.h"
#include "GQUICreatePasswordDialog.h"
#include "GQUILayer.h"
#include "GQUIPasswordWindow.h"
#include "GQUIUserMessage.h"
#include "QtuiTestSupport.h"
#include "StringText.h"

using qtuitest::HookLog;
using qtuitest::WhenModalIs;

namespace
{
class GQUIPasswordWindowTest : public qtuitest::LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        GQUILayer::Initialize();
        HookLog::Install();
    }
};

void Press(QDialog* dialog, QDialogButtonBox::StandardButton which)
{
    dialog->findChild<QDialogButtonBox*>()->button(which)->click();
}

// The entry typed and the dialog answered with the button, or closed by its window when none.
void AnswerPassword(QString const& entry, QDialogButtonBox::StandardButton which)
{
    WhenModalIs<GQUIPasswordWindow>(
        [entry, which](GQUIPasswordWindow* dialog)
        {
            dialog->EntryField()->setText(entry);
            if (which == QDialogButtonBox::NoButton)
                dialog->close();
            else
                Press(dialog, which);
        });
}

// Counts the create dialogs alive while one runs.
void AnswerCreate(QString const& entry, QString const& confirmation, QDialogButtonBox::StandardButton which,
                  int* aliveDialogs = nullptr, bool* startedEmpty = nullptr)
{
    WhenModalIs<GQUICreatePasswordDialog>(
        [=](GQUICreatePasswordDialog* dialog)
        {
            if (aliveDialogs)
            {
                int alive = 0;
                for (QWidget* widget : QApplication::topLevelWidgets())
                    alive += qobject_cast<GQUICreatePasswordDialog*>(widget) ? 1 : 0;
                *aliveDialogs = std::max(*aliveDialogs, alive);
            }
            if (startedEmpty)
                *startedEmpty = *startedEmpty && dialog->EntryField()->text().isEmpty() &&
                                dialog->ConfirmationField()->text().isEmpty();
            dialog->EntryField()->setText(entry);
            dialog->ConfirmationField()->setText(confirmation);
            if (which == QDialogButtonBox::NoButton)
                dialog->close();
            else
                Press(dialog, which);
        });
}

// The mismatch error, read and confirmed.
void AnswerMismatch(QString* seen)
{
    WhenModalIs<QMessageBox>(
        [seen](QMessageBox* box)
        {
            *seen += box->windowTitle() + ": " + box->text() + "\n";
            box->button(QMessageBox::Ok)->click();
        });
}

TEST_F(GQUIPasswordWindowTest, APasswordIsDeliveredOnlyForOK)
{
    struct Row
    {
        char const* fEntry;
        QDialogButtonBox::StandardButton fButton;
        bool fResult;
        char const* fPassword;
    };
    Row const rows[] = {{"s3cret", QDialogButtonBox::Ok, true, "s3cret"},
                        {"", QDialogButtonBox::Ok, true, ""},
                        {"s3cret", QDialogButtonBox::Cancel, false, ""},
                        {"s3cret", QDialogButtonBox::NoButton, false, ""}};
    for (Row const& row : rows)
    {
        SCOPED_TRACE(row.fEntry + std::string(" ") + std::to_string(row.fButton));
        AnswerPassword(row.fEntry, row.fButton);
        GString password("earlier");
        EXPECT_EQ(row.fResult, GQUIPasswordWindow::ShowDialog(GString("Open"),
                                                              GString("The PDF is protected."), password));
        EXPECT_EQ(row.fPassword, testsupport::Utf8Of(password));
        EXPECT_EQ("start modal, stop modal", HookLog::Calls("st"));
        HookLog::Clear();
    }
}

TEST_F(GQUIPasswordWindowTest, TheServiceHandsThePasswordOverInASCII)
{
    AnswerPassword("open sesame", QDialogButtonBox::Ok);
    GBuffer password;
    EXPECT_TRUE(GQUIUserMessage().ShowPasswordDialog(GString("Open"), GString("Password?"), password));
    EXPECT_EQ(GBuffer("open sesame"), password);

    AnswerPassword("open sesame", QDialogButtonBox::Cancel);
    EXPECT_FALSE(GQUIUserMessage().ShowPasswordDialog(GString("Open"), GString("Password?"), password));
    EXPECT_EQ(0, password.GetLength());
}

TEST_F(GQUIPasswordWindowTest, ANewPasswordNeedsTwoEqualEntries)
{
    AnswerCreate("Tiger", "Tiger", QDialogButtonBox::Ok);
    GString password;
    EXPECT_TRUE(
        GQUIUserMessage().CreatePasswordDialog(GString("Protect"), GString("New password"), password));
    EXPECT_EQ("Tiger", testsupport::Utf8Of(password));
    EXPECT_EQ("start modal, stop modal", HookLog::Calls("st"));
    HookLog::Clear();

    // Letter case counts: the error, then a fresh empty dialog, which the user cancels.
    QString seen;
    bool startedEmpty = true;
    AnswerCreate("Tiger", "tiger", QDialogButtonBox::Ok);
    AnswerMismatch(&seen);
    AnswerCreate("", "", QDialogButtonBox::Cancel, nullptr, &startedEmpty);
    password = GString("earlier");
    EXPECT_FALSE(GQUICreatePasswordDialog::ShowDialog(GString("Protect"), GString("New password"), password));
    EXPECT_EQ("Wrong confirm: Passwords do not match\n", seen);
    EXPECT_TRUE(startedEmpty);
    EXPECT_EQ("", testsupport::Utf8Of(password));
    EXPECT_EQ("start modal, stop modal, start modal, stop modal, start modal, stop modal",
              HookLog::Calls("st"));
    HookLog::Clear();

    AnswerCreate("Tiger", "Tiger", QDialogButtonBox::NoButton);
    EXPECT_FALSE(GQUICreatePasswordDialog::ShowDialog(GString("Protect"), GString("New password"), password));
}

TEST_F(GQUIPasswordWindowTest, EveryMismatchAsksAgainWithOneDialogAtATime)
{
    int const mismatches = 8;
    int aliveDialogs = 0;
    QString seen;
    for (int round = 0; round < mismatches; ++round)
    {
        AnswerCreate("a", "b", QDialogButtonBox::Ok, &aliveDialogs);
        AnswerMismatch(&seen);
    }
    AnswerCreate("last", "last", QDialogButtonBox::Ok, &aliveDialogs);
    GString password;
    EXPECT_TRUE(GQUICreatePasswordDialog::ShowDialog(GString("Protect"), GString("New password"), password));
    EXPECT_EQ("last", testsupport::Utf8Of(password));
    EXPECT_EQ(mismatches, seen.count(QLatin1String("Passwords do not match")));
    EXPECT_EQ(1, aliveDialogs);
}

TEST_F(GQUIPasswordWindowTest, BothDialogsOpenCentredOnTheScreen)
{
    // Neither keeps a position of its own: each opens in the middle of its default parent's screen
    // (the only screen here), not over the default parent, the host's stand-in for its main window,
    // which has no place on the screen.
    GQUILayer::SetMainWindowHandler([]() -> void* { return nullptr; });
    QRect const area = QGuiApplication::primaryScreen()->geometry();
    for (bool const create : {false, true})
    {
        SCOPED_TRACE(create ? "create" : "enter");
        QRect seen;
        auto const look = [&seen](QDialog* dialog)
        {
            seen = dialog->frameGeometry();
            Press(dialog, QDialogButtonBox::Cancel);
        };
        GString password;
        if (create)
        {
            WhenModalIs<GQUICreatePasswordDialog>(look);
            GQUICreatePasswordDialog::ShowDialog(GString("Protect"), GString("New password"), password);
        }
        else
        {
            WhenModalIs<GQUIPasswordWindow>(look);
            GQUIPasswordWindow::ShowDialog(GString("Open"), GString("The PDF is protected."), password);
        }
        ASSERT_FALSE(seen.isEmpty());
        EXPECT_EQ(area.x() + area.width() / 2 - seen.width() / 2, seen.x());
        EXPECT_EQ(area.y() + area.height() / 2 - seen.height() / 2, seen.y());
    }
}

TEST_F(GQUIPasswordWindowTest, ALongTitleWidensTheDialog)
{
    GString const title(std::string(120, 'W').c_str());
    GQUIPasswordWindow window(title, GString("x"));
    GQUICreatePasswordDialog create(title, GString("x"));
    int const needed = QFontMetrics(window.font()).horizontalAdvance(QString(120, QLatin1Char('W'))) + 80;
    EXPECT_EQ(needed, window.width());
    EXPECT_EQ(needed, create.width());
    EXPECT_LT(GQUIPasswordWindow(GString("Open"), GString("x")).width(), needed);
}
} // namespace
