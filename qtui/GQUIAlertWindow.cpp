// The four-button alert on Qt's message box.
#include "GQUIAlertWindow.h"

#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>

#include "GQStringSupport.h"
#include "GQUILayer.h"
#include "GQUISupport.h"

namespace
{
// The picture's size in the box: that of the standard icons.
int const cPictureSize = 64;

// The buttons are laid out by position, so Qt finds no escape button of its own among them: with a
// "No" button that one is the escape button; without one, Escape and the window's close button end
// the box with no button pressed, instead of doing nothing (Qt's way for a box without an escape
// button) or pressing the only button.
class AlertBox : public QMessageBox
{
public:
    explicit AlertBox(QWidget* parent) : QMessageBox(parent) {}

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!escapeButton() && event->matches(QKeySequence::Cancel))
        {
            reject();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override
    {
        if (escapeButton())
            QMessageBox::closeEvent(event);
        else
            QDialog::closeEvent(event);
    }
};

QMessageBox::Icon QtIconOf(GQUIAlertWindow::IconType icon)
{
    switch (icon)
    {
    case GQUIAlertWindow::cIconCritical:
        return QMessageBox::Critical;
    case GQUIAlertWindow::cIconWarning:
        return QMessageBox::Warning;
    case GQUIAlertWindow::cIconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

void SetTextUnlessEmpty(QAbstractButton* button, GString const& text)
{
    if (button && !text.IsEmpty())
        button->setText(GQStringSupport::ToQString(text));
}

int Show(GString const& title, GString const& text, GQUIAlertWindow::IconType icon, QPixmap const& picture,
         GString const& button1, GString const& button2, GString const& button3, GString const& button4)
{
    AlertBox box(GQUILayer::GetWidgetWrapper());
    box.setWindowTitle(GQStringSupport::ToQString(title));
    box.setText(GQStringSupport::ToQString(text));
    box.setAttribute(Qt::WA_QuitOnClose, false);

    if (icon == GQUIAlertWindow::cIconPicture)
        box.setIconPixmap(picture);
    else
        box.setIcon(QtIconOf(icon));

    // Qt's standard buttons with Qt's own labels, laid out by position rather than by their roles:
    // Yes, No, Yes to All, Cancel.
    struct Position
    {
        QMessageBox::StandardButton fStandard;
        GString const& fText;
        bool fShown;
    };
    Position const positions[] = {{QMessageBox::Yes, button1, true},
                                  {QMessageBox::No, button2, !button2.IsEmpty()},
                                  {QMessageBox::YesToAll, button3, !button3.IsEmpty()},
                                  {QMessageBox::Cancel, button4, !button4.IsEmpty()}};
    QPushButton* buttons[4] = {};
    for (int index = 0; index < 4; ++index)
    {
        if (!positions[index].fShown)
            continue;
        QPushButton* const button = box.addButton(positions[index].fStandard);
        box.removeButton(button);
        box.addButton(button, QMessageBox::ActionRole);
        SetTextUnlessEmpty(button, positions[index].fText);
        buttons[index] = button;
    }
    box.setDefaultButton(buttons[0]);
    if (buttons[1])
        box.setEscapeButton(buttons[1]);

    GQUISupport::ExecModalInHost(box);
    for (int index = 0; index < 4; ++index)
        if (buttons[index] && box.clickedButton() == buttons[index])
            return GQUIAlertWindow::cButton1 + index;
    return GQUIAlertWindow::cClosed;
}
} // namespace

int GQUIAlertWindow::ShowDialog(GString const& title, GString const& text, IconType icon,
                                GString const& button1, GString const& button2, GString const& button3,
                                GString const& button4)
{
    return Show(title, text, icon, QPixmap(), button1, button2, button3, button4);
}

int GQUIAlertWindow::ShowDialog(GString const& title, GString const& text, GString const& iconName,
                                GString const& button1, GString const& button2, GString const& button3,
                                GString const& button4)
{
    QPixmap const picture = QIcon(GQUISupport::CreateIconString(GQStringSupport::ToQString(iconName)))
                                .pixmap(cPictureSize, cPictureSize);
    return Show(title, text, cIconPicture, picture, button1, button2, button3, button4);
}
