// A modal dialog asking for a password in one entry field.
#pragma once

#include "GBuffer.h"
#include "GQUIWindow.h"
#include "GString.h"

class QLineEdit;

class GQUIPasswordWindow : public GQUIWindow
{
    Q_OBJECT

public:
    GQUIPasswordWindow(GString const& title, GString const& text);
    ~GQUIPasswordWindow() override;

    // After OK: the entry and true. Otherwise the password is emptied and the answer is false.
    bool GetPassword(GString& password) const;
    // At least as wide as the title plus 80 pixels.
    QSize sizeHint() const override;

    QLineEdit* EntryField() const { return fEntry; }

    // True when OK was pressed.
    static bool ShowDialog(GString const& title, GString const& text, GString& password);
    // The password's bytes in ASCII.
    static bool ShowDialog(GString const& title, GString const& text, GBuffer& password);

    // What both password dialogs share: the information icon beside the text, a grid of the labelled
    // entry fields (the confirmation one when given), OK and Cancel to the slots, the size fixed, the
    // focus in the entry field, and the dialog in the middle of its default parent's screen.
    static void BuildLayout(GQUIWindow& dialog, GString const& text, QLineEdit* entry,
                            QLineEdit* confirmation);
    static QSize WidenedToTitle(GQUIWindow const& dialog, QSize hint);

public Q_SLOTS:
    void Accept();
    void Reject();

private:
    class CentringOnShow;

    static void MoveToMiddleOfParentsScreen(QDialog& dialog);

    bool fAccepted = false;
    QLineEdit* fEntry;
};
