// The dialog for a new password, entered twice.
#include "GQUICreatePasswordDialog.h"

#include <QLineEdit>

#include <memory>

#include "GQStringSupport.h"
#include "GQUIPasswordWindow.h"
#include "GUserMessage.h"

namespace
{
// Pool texts of the toolkit.
int const cMismatchTitle = 2442;
int const cMismatchText = 2443;

GString PoolText(int id)
{
    return GQStringSupport::ToGString(GQStringSupport::StringIDToQString(id), false);
}
} // namespace

GQUICreatePasswordDialog::GQUICreatePasswordDialog(GString const& title, GString const& text)
    : GQUIWindow(title, true),
      fEntry(new QLineEdit(this)),
      fConfirmation(new QLineEdit(this))
{
    SetSaveLoadGeometry(false);
    GQUIPasswordWindow::BuildLayout(*this, text, fEntry, fConfirmation);
}

GQUICreatePasswordDialog::~GQUICreatePasswordDialog() = default;

bool GQUICreatePasswordDialog::ArePasswordsEqual() const
{
    return fEntry->text() == fConfirmation->text();
}

bool GQUICreatePasswordDialog::GetPassword(GString& password, bool& delivered) const
{
    delivered = false;
    if (!fAccepted)
    {
        password = GString();
        return false;
    }
    if (!ArePasswordsEqual())
    {
        GUserMessage::GetInstance()->ShowErrorMessage(PoolText(cMismatchTitle), PoolText(cMismatchText));
        return true;
    }
    password = GQStringSupport::ToGString(fEntry->text(), true);
    delivered = true;
    return true;
}

QSize GQUICreatePasswordDialog::sizeHint() const
{
    return GQUIPasswordWindow::WidenedToTitle(*this, GQUIWindow::sizeHint());
}

void GQUICreatePasswordDialog::Accept()
{
    fAccepted = true;
    accept();
}

void GQUICreatePasswordDialog::Reject()
{
    reject();
}

// A mismatch asks again with a fresh dialog, as often as the user keeps entering different texts:
// in a loop, so that no number of attempts deepens the stack.
bool GQUICreatePasswordDialog::ShowDialog(GString const& title, GString const& text, GString& password)
{
    for (;;)
    {
        auto const dialog = std::make_unique<GQUICreatePasswordDialog>(title, text);
        dialog->exec();
        bool delivered = false;
        if (!dialog->GetPassword(password, delivered))
            return false;
        if (delivered)
            return true;
    }
}
