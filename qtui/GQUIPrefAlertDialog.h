// An alert with a "Don't show this message again" check box: a checked answer is remembered in a
// three-valued setting that the caller keeps, and a remembered answer is given again without asking.
#pragma once

#include "GQUIWindow.h"
#include "GString.h"
#include "GTriState.h"

class QCheckBox;
class QDialogButtonBox;

// The dialog; what it remembers goes through DoSetPreference, left to the subclass.
class GQUIPrefAlertDialogBase : public GQUIWindow
{
    Q_OBJECT

public:
    // The check box only when checkText is not empty; Cancel only with withCancel. Empty button
    // texts keep Qt's own labels.
    GQUIPrefAlertDialogBase(GString const& title, GString const& text, GString const& okText,
                            GString const& cancelText, GString const& checkText, bool withCancel,
                            bool rememberAccept, bool rememberReject);

    bool IsAccepted() const { return fAccepted; }
    QCheckBox* CheckBox() const { return fCheckBox; }
    QDialogButtonBox* ButtonBox() const { return fButtonBox; }

    // Stores what the answer so far gives, without closing.
    void RememberAnswerIfChecked();

public Q_SLOTS:
    void accept() override;
    void reject() override;

protected:
    virtual GTriState DoGetPreference() const = 0;
    virtual void DoSetPreference(GTriState state) = 0;

private:
    // Asked unless checked with an answer that is remembered.
    GTriState AnswerToStore() const;

    bool fAccepted = false;
    bool fRememberAccept;
    bool fRememberReject;
    QCheckBox* fCheckBox = nullptr;
    QDialogButtonBox* fButtonBox;
};

// The dialog over a getter and a setter of the remembered answer.
template<class Getter, class Setter>
class GQUIPrefAlertDialogTemplate : public GQUIPrefAlertDialogBase
{
public:
    GQUIPrefAlertDialogTemplate(Getter getter, Setter setter, GString const& title, GString const& text,
                                GString const& okText, GString const& cancelText, GString const& checkText,
                                bool withCancel, bool rememberAccept, bool rememberReject)
        : GQUIPrefAlertDialogBase(title, text, okText, cancelText, checkText, withCancel, rememberAccept,
                                  rememberReject),
          fGetter(getter),
          fSetter(setter)
    {
    }

protected:
    GTriState DoGetPreference() const override { return fGetter(); }
    void DoSetPreference(GTriState state) override { fSetter(state); }

private:
    Getter fGetter;
    Setter fSetter;
};

class GQUIPrefAlertDialog
{
public:
    GQUIPrefAlertDialog() = delete;

    // A remembered answer (accepted or rejected) comes back at once; asked, the dialog runs modally
    // inside the host and its answer is stored in state. True when accepted.
    static bool ShowDialog(GString const& title, GString const& text, GString const& okText,
                           GString const& cancelText, GString const& checkText, bool withCancel,
                           bool rememberAccept, bool rememberReject, GTriState& state);
};
