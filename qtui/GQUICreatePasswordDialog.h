// A modal dialog asking for a new password twice; it asks again until both entries agree or the user
// cancels.
#pragma once

#include "GQUIWindow.h"
#include "GString.h"

class QLineEdit;

class GQUICreatePasswordDialog : public GQUIWindow
{
    Q_OBJECT

public:
    GQUICreatePasswordDialog(GString const& title, GString const& text);
    ~GQUICreatePasswordDialog() override;

    // Character for character, letter case counted.
    bool ArePasswordsEqual() const;
    // Whether OK was pressed. After OK with equal entries the password is set and delivered is true;
    // with different ones the mismatch error is shown, the password is left and delivered is false.
    // Otherwise the password is emptied and delivered is false.
    bool GetPassword(GString& password, bool& delivered) const;
    QSize sizeHint() const override;

    QLineEdit* EntryField() const { return fEntry; }
    QLineEdit* ConfirmationField() const { return fConfirmation; }

    // True when the user confirmed two equal entries, false when the user cancelled. Each mismatch
    // is reported and a fresh dialog asks again.
    static bool ShowDialog(GString const& title, GString const& text, GString& password);

public Q_SLOTS:
    void Accept();
    void Reject();

private:
    bool fAccepted = false;
    QLineEdit* fEntry;
    QLineEdit* fConfirmation;
};
