// The disclosure button's state and triangle.
#include "GQUIExpandCollapseButton.h"

#include <QPainter>
#include <QPolygon>
#include <QStyleOption>

GQUIExpandCollapseButton::GQUIExpandCollapseButton(bool expanded, QWidget* parent)
    : QToolButton(parent),
      fExpanded(expanded)
{
    setStyleSheet(QStringLiteral("QToolButton { border: none }"));
}

void GQUIExpandCollapseButton::SetExpanded(bool expanded)
{
    fExpanded = expanded;
    update();
}

void GQUIExpandCollapseButton::ToggleState()
{
    SetExpanded(!fExpanded);
}

void GQUIExpandCollapseButton::DrawIndicator(QStyleOption const* option, QPainter* painter) const
{
    int const x = option->rect.left();
    int const middle = option->rect.top() + (option->rect.bottom() - option->rect.top() + 1) / 2;
    QPolygon triangle;
    if (fExpanded)
        triangle << QPoint(x + 4, middle - 4) << QPoint(x + 12, middle - 4) << QPoint(x + 8, middle + 4);
    else
        triangle << QPoint(x + 4, middle + 4) << QPoint(x + 12, middle) << QPoint(x + 4, middle - 4);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QBrush(Qt::darkGray, Qt::SolidPattern));
    painter->drawPolygon(triangle);
    painter->restore();
}

void GQUIExpandCollapseButton::paintEvent(QPaintEvent* event)
{
    QToolButton::paintEvent(event);
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    DrawIndicator(&option, &painter);
}
