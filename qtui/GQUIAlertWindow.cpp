// The four-button alert on Qt's message box.
#include "GQUIAlertWindow.h"

#include <QIcon>
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
    QMessageBox box(GQUILayer::GetWidgetWrapper());
    box.setWindowTitle(GQStringSupport::ToQString(title));
    box.setText(GQStringSupport::ToQString(text));
    box.setAttribute(Qt::WA_QuitOnClose, false);

    QMessageBox::StandardButtons buttons = QMessageBox::Yes;
    if (!button2.IsEmpty())
        buttons |= QMessageBox::No;
    if (!button3.IsEmpty())
        buttons |= QMessageBox::YesToAll;
    if (!button4.IsEmpty())
        buttons |= QMessageBox::Cancel;
    box.setStandardButtons(buttons);

    if (icon == GQUIAlertWindow::cIconPicture)
        box.setIconPixmap(picture);
    else
        box.setIcon(QtIconOf(icon));

    SetTextUnlessEmpty(box.button(QMessageBox::Yes), button1);
    box.setDefaultButton(QMessageBox::Yes);
    if (QAbstractButton* const no = box.button(QMessageBox::No))
    {
        SetTextUnlessEmpty(no, button2);
        box.setEscapeButton(no);
    }
    SetTextUnlessEmpty(box.button(QMessageBox::YesToAll), button3);
    SetTextUnlessEmpty(box.button(QMessageBox::Cancel), button4);

    GQUISupport::ExecModalInHost(box);
    switch (box.standardButton(box.clickedButton()))
    {
    case QMessageBox::Yes:
        return GQUIAlertWindow::cButton1;
    case QMessageBox::No:
        return GQUIAlertWindow::cButton2;
    case QMessageBox::YesToAll:
        return GQUIAlertWindow::cButton3;
    case QMessageBox::Cancel:
        return GQUIAlertWindow::cButton4;
    default:
        return GQUIAlertWindow::cClosed;
    }
}
} // namespace

int GQUIAlertWindow::ShowDialog(GString const& title, GString const& text, IconType icon, GString const& button1,
                                GString const& button2, GString const& button3, GString const& button4)
{
    return Show(title, text, icon, QPixmap(), button1, button2, button3, button4);
}

int GQUIAlertWindow::ShowDialog(GString const& title, GString const& text, GString const& iconName,
                                GString const& button1, GString const& button2, GString const& button3,
                                GString const& button4)
{
    QPixmap const picture =
        QIcon(GQUISupport::CreateIconString(GQStringSupport::ToQString(iconName))).pixmap(cPictureSize, cPictureSize);
    return Show(title, text, cIconPicture, picture, button1, button2, button3, button4);
}
