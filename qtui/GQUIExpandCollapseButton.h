// The borderless tool button of a collapsible frame: paints a triangle pointing down while expanded
// and to the right while collapsed.
#pragma once

#include <QToolButton>

class QPainter;
class QStyleOption;

class GQUIExpandCollapseButton : public QToolButton
{
    Q_OBJECT

public:
    explicit GQUIExpandCollapseButton(bool expanded, QWidget* parent = nullptr);

    void SetExpanded(bool expanded);
    void ToggleState();
    bool IsExpanded() const { return fExpanded; }

    // The triangle inside the option's rectangle, in dark grey.
    void DrawIndicator(QStyleOption const* option, QPainter* painter) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool fExpanded;
};
