// The default parent of toolkit dialogs.
#include "GQUIWidgetWrapper.h"

#include <QChildEvent>
#include <QCloseEvent>

GQUIWidgetWrapper::GQUIWidgetWrapper() : QWidget(nullptr, Qt::WindowFlags()) {}

bool GQUIWidgetWrapper::eventFilter(QObject* watched, QEvent* event)
{
    if ((fClosed || event->type() == QEvent::Destroy) && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->testAttribute(Qt::WA_DeleteOnClose))
        watched->removeEventFilter(this);
    return QWidget::eventFilter(watched, event);
}

void GQUIWidgetWrapper::childEvent(QChildEvent* event)
{
    if (event->type() == QEvent::ChildAdded && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
    QWidget::childEvent(event);
}

void GQUIWidgetWrapper::closeEvent(QCloseEvent* event)
{
    fClosed = true;
    QWidget::closeEvent(event);
}
