// The toolkit's user-message service, installed by the toolkit's layer when nobody else has installed
// one: Qt message boxes, the remembering alert, the password dialogs and the open and save panels,
// each run modally inside the host.
#pragma once

#include "GUserMessage.h"

class GQUIUserMessage : public GUserMessage
{
public:
    GQUIUserMessage() = default;

    // The installed service, which may be another implementation.
    static GUserMessage* GetInstance() { return GUserMessage::GetInstance(); }

    // The installed service's warning.
    bool ShowMessage(GString const& title, GString const& text) override;
    void ShowInfoMessage(GString const& title, GString const& text) override;
    void ShowErrorMessage(GString const& title, GString const& text) override;
    // OK (the default) and Cancel: true unless OK was pressed.
    bool ShowWarningMessage(GString const& title, GString const& text) override;
    // Yes (the default) and No: true unless Yes was pressed.
    bool ShowYesNoMessage(GString const& title, GString const& text) override;
    // The same with the toolkit's icon of that name.
    bool ShowYesNoMessage(GString const& title, GString const& text, GString const& iconName) const;
    // True when the user cancelled; a checked "Don't show this message again" with OK sets
    // doNotShowAgain, and a set doNotShowAgain answers false at once.
    bool ShowPreferenceMessage(GString const& title, GString const& text, bool& doNotShowAgain,
                               bool withCancel) override;
    // Qt's open panel, starting in the home folder: true when nothing was chosen.
    bool ShowFileChooserDialog(GString const& title, GFileType const* type, GPathName& chosen) override;
    bool ShowFileChooserDialog(GString const& title, GTable<GFileType const*> const& types,
                               GPathName& chosen) override;
    // The choosers of several files and of a folder answer as the plain service does.
    using GUserMessage::ShowFileChooserDialog;
    // Qt's save panel: true when a name was chosen.
    bool ChooseSave(GString const& title, GString const& defaultName, GFileType const* type,
                    GPathName& chosen) override;
    // True when OK was pressed; the password in ASCII.
    bool ShowPasswordDialog(GString const& title, GString const& text, GBuffer& password) override;
    // True when two equal entries were confirmed.
    bool CreatePasswordDialog(GString const& title, GString const& text, GString& password) override;
};
