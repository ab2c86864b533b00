// Layout guides painted over widgets.
#include "GBQLayoutDebugger.h"

#include <QEvent>
#include <QGridLayout>
#include <QLayout>
#include <QPainter>
#include <QWidget>

GBQLayoutDebugger::GBQLayoutDebugger(QObject* parent) : QObject(parent) {}

bool GBQLayoutDebugger::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && watched->isWidgetType())
        PaintLayouts(*static_cast<QWidget*>(watched));
    return QObject::eventFilter(watched, event);
}

void GBQLayoutDebugger::PaintLayouts(QWidget& widget)
{
    QPainter painter(&widget);
    painter.setPen(Qt::red);
    PaintItem(painter, widget.layout());
    painter.setPen(Qt::blue);
    painter.drawRect(QRect(QPoint(0, 0), widget.size()));
}

void GBQLayoutDebugger::PaintItem(QPainter& painter, QLayoutItem* item)
{
    if (!item)
        return;
    if (QLayout* const layout = item->layout())
    {
        if (QGridLayout* const grid = qobject_cast<QGridLayout*>(layout))
        {
            painter.save();
            QPen pen = painter.pen();
            pen.setStyle(Qt::DotLine);
            painter.setPen(pen);
            for (int row = 0; row < grid->rowCount(); ++row)
                for (int column = 0; column < grid->columnCount(); ++column)
                    painter.drawRect(grid->cellRect(row, column));
            painter.restore();
        }
        for (int i = 0; i < layout->count(); ++i)
            PaintItem(painter, layout->itemAt(i));
        painter.drawRect(layout->geometry());
    }
    QWidget* const widget = item->widget();
    if (widget && widget->isVisible())
    {
        painter.save();
        painter.translate(widget->pos());
        PaintItem(painter, widget->layout());
        painter.setPen(Qt::blue);
        painter.drawRect(QRect(QPoint(0, 0), widget->size()));
        painter.restore();
    }
}
