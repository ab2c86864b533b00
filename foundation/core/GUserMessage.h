// The one way the framework talks to the user: a replaceable service that shows information,
// warnings, errors and questions, chooses files and folders and asks for passwords. This base class
// is the silent default; a user-interface layer installs its own subclass with SetInstance.
#pragma once

#include "GBuffer.h"
#include "GNonCopyable.h"
#include "GPathName.h"
#include "GString.h"
#include "GTable.h"

class GFileType;

class GUserMessage : public GNonCopyable
{
public:
    GUserMessage() = default;

    // The slot order of these operations is that of every subclass the toolkit and the plug-in
    // build; new operations go after the destructor, never between.

    // What the default answers is given beside each: it shows nothing and asks no one.

    // true.
    virtual bool ShowMessage(GString const& title, GString const& text);
    virtual void ShowInfoMessage(GString const& title, GString const& text);
    virtual void ShowErrorMessage(GString const& title, GString const& text);
    // true: go on.
    virtual bool ShowWarningMessage(GString const& title, GString const& text);
    // true: yes.
    virtual bool ShowYesNoMessage(GString const& title, GString const& text);
    // A null file type allows any file. The default answers true and leaves chosen as it is.
    virtual bool ShowFileChooserDialog(GString const& title, GFileType const* type, GPathName& chosen);
    virtual bool ShowFileChooserDialog(GString const& title, GTable<GFileType const*> const& types,
                                       GPathName& chosen);
    // The default empties chosen (its paths destroyed from the last) and answers true.
    virtual bool ShowFileChooserDialog(GString const& title, GFileType const* type,
                                       GTable<GPathName>& chosen);
    virtual bool ShowFileChooserDialog(GString const& title, GTable<GFileType const*> const& types,
                                       GTable<GPathName>& chosen);
    // false: nothing chosen.
    virtual bool ShowOpenFolder(GString const& title, GPathName& chosen);
    // false: nothing chosen.
    virtual bool ChooseSave(GString const& title, GString const& secondText, GFileType const* type,
                            GPathName& chosen);
    // false.
    virtual bool ShowPreferenceMessage(GString const& title, GString const& text, bool& doNotShowAgain,
                                       bool flag);
    // The default empties the password and answers false: cancelled.
    virtual bool ShowPasswordDialog(GString const& title, GString const& text, GBuffer& password);
    // The default clears the password and answers false: cancelled.
    virtual bool CreatePasswordDialog(GString const& title, GString const& text, GString& password);
    virtual ~GUserMessage();

    // The installed service; when none is installed, a plain GUserMessage is made and installed
    // (HasDefaultInstance keeps its answer). Not locked: the service is installed at start-up,
    // before anyone asks for it.
    static GUserMessage* GetInstance();
    // Deletes the service held and owns the new one from now on; none goes back to the default.
    // Installing the service already held changes nothing.
    static void SetInstance(GUserMessage* instance);
    // true until a service is installed, and again after SetInstance with none.
    static bool HasDefaultInstance();

private:
    static GUserMessage* sInstance;
    static bool sHasDefaultInstance;
};
