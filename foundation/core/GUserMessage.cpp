// The silent default of the user-message service and the installed instance.
#include "GUserMessage.h"

GUserMessage* GUserMessage::sInstance = nullptr;
bool GUserMessage::sHasDefaultInstance = true;

bool GUserMessage::ShowMessage(GString const&, GString const&)
{
    return true;
}

void GUserMessage::ShowInfoMessage(GString const&, GString const&) {}

void GUserMessage::ShowErrorMessage(GString const&, GString const&) {}

bool GUserMessage::ShowWarningMessage(GString const&, GString const&)
{
    return true;
}

bool GUserMessage::ShowYesNoMessage(GString const&, GString const&)
{
    return true;
}

bool GUserMessage::ShowFileChooserDialog(GString const&, GFileType const*, GPathName&)
{
    return true;
}

bool GUserMessage::ShowFileChooserDialog(GString const&, GTable<GFileType const*> const&, GPathName&)
{
    return true;
}

bool GUserMessage::ShowFileChooserDialog(GString const&, GFileType const*, GTable<GPathName>& chosen)
{
    chosen.Resize(0);
    return true;
}

bool GUserMessage::ShowFileChooserDialog(GString const&, GTable<GFileType const*> const&,
                                         GTable<GPathName>& chosen)
{
    chosen.Resize(0);
    return true;
}

bool GUserMessage::ShowOpenFolder(GString const&, GPathName&)
{
    return false;
}

bool GUserMessage::ChooseSave(GString const&, GString const&, GFileType const*, GPathName&)
{
    return false;
}

bool GUserMessage::ShowPreferenceMessage(GString const&, GString const&, bool&, bool)
{
    return false;
}

bool GUserMessage::ShowPasswordDialog(GString const&, GString const&, GBuffer& password)
{
    password.SetLength(0);
    return false;
}

bool GUserMessage::CreatePasswordDialog(GString const&, GString const&, GString& password)
{
    password.Clear();
    return false;
}

GUserMessage::~GUserMessage() = default;

GUserMessage* GUserMessage::GetInstance()
{
    if (!sInstance)
        sInstance = new GUserMessage;
    return sInstance;
}

void GUserMessage::SetInstance(GUserMessage* instance)
{
    sHasDefaultInstance = instance == nullptr;
    // Deleting the service that is being installed again would leave a dangling one behind.
    if (instance == sInstance)
        return;
    GUserMessage* const held = sInstance;
    sInstance = instance;
    delete held;
}

bool GUserMessage::HasDefaultInstance()
{
    return sHasDefaultInstance;
}
