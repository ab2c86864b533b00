// The password dialog and the layout both password dialogs share.
#include "GQUIPasswordWindow.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "GASCIIEncoding.h"
#include "GQStringSupport.h"

namespace
{
int const cIconSize = 40;
int const cTitleMargin = 80;
// Pool texts of the toolkit.
int const cPasswordLabel = 2440;
int const cConfirmLabel = 2441;
} // namespace

// Moves its parent dialog to the middle of the default parent's screen when the dialog is shown.
class GQUIPasswordWindow::CentringOnShow : public QObject
{
public:
    explicit CentringOnShow(QDialog* dialog) : QObject(dialog), fDialog(*dialog) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &fDialog && event->type() == QEvent::Show)
            MoveToMiddleOfParentsScreen(fDialog);
        return QObject::eventFilter(watched, event);
    }

private:
    QDialog& fDialog;
};

void GQUIPasswordWindow::BuildLayout(GQUIWindow& dialog, GString const& text, QLineEdit* entry,
                                     QLineEdit* confirmation)
{
    auto* const layout = new QVBoxLayout(&dialog);

    auto* const top = new QHBoxLayout;
    auto* const icon = new QLabel(&dialog);
    icon->setPixmap(
        dialog.style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(cIconSize, cIconSize));
    top->addWidget(icon);
    auto* const label = new QLabel(GQStringSupport::ToQString(text), &dialog);
    label->setWordWrap(true);
    top->addWidget(label, 1);
    layout->addLayout(top);

    auto* const fields = new QGridLayout;
    entry->setEchoMode(QLineEdit::Password);
    fields->addWidget(new QLabel(GQStringSupport::StringIDToQString(cPasswordLabel), &dialog), 0, 0);
    fields->addWidget(entry, 0, 1);
    if (confirmation)
    {
        confirmation->setEchoMode(QLineEdit::Password);
        fields->addWidget(new QLabel(GQStringSupport::StringIDToQString(cConfirmLabel), &dialog), 1, 0);
        fields->addWidget(confirmation, 1, 1);
    }
    fields->setColumnStretch(1, 1);
    layout->addLayout(fields);

    auto* const buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, SIGNAL(accepted()), &dialog, SLOT(Accept()));
    QObject::connect(buttons, SIGNAL(rejected()), &dialog, SLOT(Reject()));

    dialog.setSizeGripEnabled(false);
    dialog.setFixedSize(dialog.sizeHint());
    entry->setFocus(Qt::OtherFocusReason);
    // The dialogs keep no position of their own (a password is asked for where the user looks, not
    // where the last one was left), so each show places them as a window without a saved one is
    // placed, on the screen of the default parent; only then is the frame known.
    dialog.installEventFilter(new CentringOnShow(&dialog));
}

void GQUIPasswordWindow::MoveToMiddleOfParentsScreen(QDialog& dialog)
{
    QWidget const* const parent = dialog.parentWidget();
    QScreen* const screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect const area = screen->geometry();
    QSize const frame = dialog.frameGeometry().size();
    dialog.move(area.x() + area.width() / 2 - frame.width() / 2,
                area.y() + area.height() / 2 - frame.height() / 2);
}

QSize GQUIPasswordWindow::WidenedToTitle(GQUIWindow const& dialog, QSize hint)
{
    int const titleWidth = QFontMetrics(dialog.font()).horizontalAdvance(dialog.windowTitle()) + cTitleMargin;
    hint.setWidth(std::max(hint.width(), titleWidth));
    return hint;
}

GQUIPasswordWindow::GQUIPasswordWindow(GString const& title, GString const& text)
    : GQUIWindow(title, true), fEntry(new QLineEdit(this))
{
    // Centred each time, never where the last one was left.
    SetSaveLoadGeometry(false);
    BuildLayout(*this, text, fEntry, nullptr);
}

GQUIPasswordWindow::~GQUIPasswordWindow() = default;

bool GQUIPasswordWindow::GetPassword(GString& password) const
{
    if (!fAccepted)
    {
        password = GString();
        return false;
    }
    password = GQStringSupport::ToGString(fEntry->text(), true);
    return true;
}

QSize GQUIPasswordWindow::sizeHint() const
{
    return WidenedToTitle(*this, GQUIWindow::sizeHint());
}

void GQUIPasswordWindow::Accept()
{
    fAccepted = true;
    accept();
}

void GQUIPasswordWindow::Reject()
{
    reject();
}

bool GQUIPasswordWindow::ShowDialog(GString const& title, GString const& text, GString& password)
{
    auto const dialog = std::make_unique<GQUIPasswordWindow>(title, text);
    dialog->exec();
    return dialog->GetPassword(password);
}

bool GQUIPasswordWindow::ShowDialog(GString const& title, GString const& text, GBuffer& password)
{
    GString entered;
    bool const accepted = ShowDialog(title, text, entered);
    password = entered.GetBuffer(GASCIIEncoding::GetInstance());
    return accepted;
}
