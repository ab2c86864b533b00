// The remembering alert: its layout, its answers and what they store.
#include "GQUIPrefAlertDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "GQStringSupport.h"
#include "GQUISupport.h"

namespace
{
int const cIconSize = 40;

void SetTextUnlessEmpty(QPushButton* button, GString const& text)
{
    if (button && !text.IsEmpty())
        button->setText(GQStringSupport::ToQString(text));
}
} // namespace

GQUIPrefAlertDialogBase::GQUIPrefAlertDialogBase(GString const& title, GString const& text, GString const& okText,
                                                 GString const& cancelText, GString const& checkText,
                                                 bool withCancel, bool rememberAccept, bool rememberReject)
    : GQUIWindow(title, true),
      fRememberAccept(rememberAccept),
      fRememberReject(rememberReject),
      fButtonBox(new QDialogButtonBox(this))
{
    // Centred each time it is shown, never where the last one was left.
    SetSaveLoadGeometry(false);
    auto* const layout = new QGridLayout(this);

    auto* const icon = new QLabel(this);
    icon->setPixmap(style()
                        ->standardIcon(withCancel ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation)
                        .pixmap(cIconSize, cIconSize));
    icon->setFixedSize(cIconSize, cIconSize);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);

    auto* const label = new QLabel(GQStringSupport::ToQString(text), this);
    label->setWordWrap(true);
    layout->addWidget(label, 0, 1);

    int row = 1;
    if (!checkText.IsEmpty())
    {
        fCheckBox = new QCheckBox(GQStringSupport::ToQString(checkText), this);
        layout->addWidget(fCheckBox, row++, 1);
    }

    fButtonBox->setStandardButtons(withCancel ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                              : QDialogButtonBox::Ok);
    SetTextUnlessEmpty(fButtonBox->button(QDialogButtonBox::Ok), okText);
    SetTextUnlessEmpty(fButtonBox->button(QDialogButtonBox::Cancel), cancelText);
    layout->addWidget(fButtonBox, row, 0, 1, 2);
    connect(fButtonBox, &QDialogButtonBox::accepted, this, &GQUIPrefAlertDialogBase::accept);
    if (withCancel)
        connect(fButtonBox, &QDialogButtonBox::rejected, this, &GQUIPrefAlertDialogBase::reject);

    setSizeGripEnabled(false);
    setFixedSize(sizeHint());
}

GTriState GQUIPrefAlertDialogBase::AnswerToStore() const
{
    if (!fCheckBox || !fCheckBox->isChecked())
        return cTriStateAsk;
    if (fAccepted && fRememberAccept)
        return cTriStateAccepted;
    if (!fAccepted && fRememberReject)
        return cTriStateRejected;
    return cTriStateAsk;
}

void GQUIPrefAlertDialogBase::RememberAnswerIfChecked()
{
    DoSetPreference(AnswerToStore());
}

void GQUIPrefAlertDialogBase::accept()
{
    fAccepted = true;
    RememberAnswerIfChecked();
    GQUIWindow::accept();
}

void GQUIPrefAlertDialogBase::reject()
{
    fAccepted = false;
    RememberAnswerIfChecked();
    GQUIWindow::reject();
}

bool GQUIPrefAlertDialog::ShowDialog(GString const& title, GString const& text, GString const& okText,
                                     GString const& cancelText, GString const& checkText, bool withCancel,
                                     bool rememberAccept, bool rememberReject, GTriState& state)
{
    if (state == cTriStateAccepted)
        return true;
    if (state != cTriStateAsk)
        return false;
    auto getter = [&state] { return state; };
    auto setter = [&state](GTriState answer) { state = answer; };
    GQUIPrefAlertDialogTemplate<decltype(getter), decltype(setter)> dialog(
        getter, setter, title, text, okText, cancelText, checkText, withCancel, rememberAccept, rememberReject);
    GQUISupport::MoveToMiddleOfScreen(dialog);
    dialog.exec();
    return dialog.IsAccepted();
}
