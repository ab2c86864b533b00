// The plug-in's message boxes.
#include "GCSPUUserMessage.h"

#include <QMessageBox>

#include "GQStringSupport.h"
#include "GQUILayer.h"

void GCSPUUserMessage::ShowInfoMessage(GString const& title, GString const& text)
{
    QMessageBox::information(GQUILayer::GetWidgetWrapper(), GQStringSupport::ToQString(title),
                             GQStringSupport::ToQString(text), QMessageBox::Ok);
}

void GCSPUUserMessage::ShowErrorMessage(GString const& title, GString const& text)
{
    QMessageBox::critical(GQUILayer::GetWidgetWrapper(), GQStringSupport::ToQString(title),
                          GQStringSupport::ToQString(text), QMessageBox::Ok);
}

bool GCSPUUserMessage::ShowWarningMessage(GString const& title, GString const& text)
{
    return QMessageBox::warning(GQUILayer::GetWidgetWrapper(), GQStringSupport::ToQString(title),
                                GQStringSupport::ToQString(text), QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::NoButton) != QMessageBox::Ok;
}
