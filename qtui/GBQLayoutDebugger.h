// Paints layout guides over widgets when asked for in the preferences: layouts and their grid cells
// in red, widgets in blue.
#pragma once

#include <QObject>

class QLayoutItem;
class QPainter;
class QWidget;

class GBQLayoutDebugger : public QObject
{
    Q_OBJECT

public:
    explicit GBQLayoutDebugger(QObject* parent = nullptr);

    // Paints the guides before the widget's own painting reaches it; never stops an event.
    bool eventFilter(QObject* watched, QEvent* event) override;
    static void PaintLayouts(QWidget& widget);

private:
    static void PaintItem(QPainter& painter, QLayoutItem* item);
};
