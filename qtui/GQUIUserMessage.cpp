// The toolkit's user-message service on Qt's message boxes and the toolkit's dialogs.
#include "GQUIUserMessage.h"

#include <QMessageBox>

#include "GQStringSupport.h"
#include "GQUIAlertWindow.h"
#include "GQUICreatePasswordDialog.h"
#include "GQUILayer.h"
#include "GQUIOpenSavePanel.h"
#include "GQUIPasswordWindow.h"
#include "GQUIPrefAlertDialog.h"
#include "GQUISupport.h"

namespace
{
// Pool texts of the toolkit.
int const cYesText = 15;
int const cNoText = 16;
int const cDontShowAgainText = 1100;

// The box's standard button pressed, NoButton when it closed otherwise.
QMessageBox::StandardButton RunMessageBox(GString const& title, GString const& text, QMessageBox::Icon icon,
                                          QMessageBox::StandardButtons buttons,
                                          QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(GQUILayer::GetWidgetWrapper());
    box.setWindowTitle(GQStringSupport::ToQString(title));
    box.setText(GQStringSupport::ToQString(text));
    box.setStandardButtons(buttons);
    box.setDefaultButton(defaultButton);
    box.setIcon(icon);
    box.setAttribute(Qt::WA_QuitOnClose, false);
    GQUISupport::ExecModalInHost(box);
    return box.standardButton(box.clickedButton());
}

GString PoolText(int id)
{
    return GQStringSupport::ToGString(GQStringSupport::StringIDToQString(id), false);
}
} // namespace

bool GQUIUserMessage::ShowMessage(GString const& title, GString const& text)
{
    return GetInstance()->ShowWarningMessage(title, text);
}

void GQUIUserMessage::ShowInfoMessage(GString const& title, GString const& text)
{
    RunMessageBox(title, text, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok);
}

void GQUIUserMessage::ShowErrorMessage(GString const& title, GString const& text)
{
    RunMessageBox(title, text, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok);
}

bool GQUIUserMessage::ShowWarningMessage(GString const& title, GString const& text)
{
    return RunMessageBox(title, text, QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) !=
           QMessageBox::Ok;
}

bool GQUIUserMessage::ShowYesNoMessage(GString const& title, GString const& text)
{
    return RunMessageBox(title, text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) !=
           QMessageBox::Yes;
}

bool GQUIUserMessage::ShowYesNoMessage(GString const& title, GString const& text, GString const& iconName) const
{
    return GQUIAlertWindow::ShowDialog(title, text, iconName, PoolText(cYesText), PoolText(cNoText), GString(),
                                       GString()) != GQUIAlertWindow::cButton1;
}

bool GQUIUserMessage::ShowPreferenceMessage(GString const& title, GString const& text, bool& doNotShowAgain,
                                            bool withCancel)
{
    if (doNotShowAgain)
        return false;
    GTriState state = cTriStateAsk;
    bool const accepted = GQUIPrefAlertDialog::ShowDialog(title, text, GString(), GString(), PoolText(cDontShowAgainText),
                                                          withCancel, true, false, state);
    if (state == cTriStateAccepted)
        doNotShowAgain = true;
    return !accepted;
}

bool GQUIUserMessage::ShowPasswordDialog(GString const& title, GString const& text, GBuffer& password)
{
    return GQUIPasswordWindow::ShowDialog(title, text, password);
}

bool GQUIUserMessage::CreatePasswordDialog(GString const& title, GString const& text, GString& password)
{
    return GQUICreatePasswordDialog::ShowDialog(title, text, password);
}

bool GQUIUserMessage::ShowFileChooserDialog(GString const& title, GFileType const* type, GPathName& chosen)
{
    return !GQUIOpenSavePanel::ChooseOpen(chosen, title, type, GPathName());
}

bool GQUIUserMessage::ShowFileChooserDialog(GString const& title, GTable<GFileType const*> const& types,
                                            GPathName& chosen)
{
    return !GQUIOpenSavePanel::ChooseOpen(chosen, title, types, GPathName());
}

bool GQUIUserMessage::ChooseSave(GString const& title, GString const& defaultName, GFileType const* type,
                                 GPathName& chosen)
{
    return GQUIOpenSavePanel::ChooseSave(chosen, title, defaultName, type);
}
