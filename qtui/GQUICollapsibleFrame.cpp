// The collapsible frame's layout and the visibility of its parts in each state.
#include "GQUICollapsibleFrame.h"

#include <QGridLayout>
#include <QLabel>

#include "GQUIExpandCollapseButton.h"

GQUICollapsibleFrame::GQUICollapsibleFrame(QWidget* parent, QString const& expandedText, QString const& collapsedText,
                                           bool expanded, int paneID)
    : QWidget(parent),
      fExpandedText(expandedText),
      fCollapsedText(collapsedText),
      fHeaderLabel(new QLabel(expanded ? expandedText : collapsedText, this)),
      fButton(new GQUIExpandCollapseButton(expanded, this)),
      fLayout(new QGridLayout),
      fPaneID(paneID)
{
    fLayout->setContentsMargins(5, 5, 5, 5);
    fLayout->addWidget(fButton, 0, 0);
    fLayout->addWidget(fHeaderLabel, 0, 1);
    fLayout->setRowStretch(1, 1);
    fLayout->setColumnStretch(2, 1);
    setLayout(fLayout);
    connect(fButton, &QToolButton::clicked, this, &GQUICollapsibleFrame::DisclosableButtonClicked);
}

void GQUICollapsibleFrame::SetMainPane(QWidget* pane)
{
    if (!pane)
        return;
    if (fMainPane)
        fLayout->removeWidget(fMainPane);
    fMainPane = pane;
    fLayout->addWidget(pane, 1, 0, 1, 3);
    ApplyState(IsExpanded());
}

void GQUICollapsibleFrame::SetHeaderWidget(QWidget* widget)
{
    if (!widget)
        return;
    if (fHeaderWidget)
        fLayout->removeWidget(fHeaderWidget);
    fHeaderWidget = widget;
    fLayout->addWidget(widget, 0, 2);
    ApplyState(IsExpanded());
}

void GQUICollapsibleFrame::SetVisibilityFlags(FrameWidgetsVisibilityOptions flags)
{
    fVisibilityFlags = flags;
    ApplyState(IsExpanded());
}

void GQUICollapsibleFrame::SetExpandState(bool expanded)
{
    ApplyState(expanded);
}

bool GQUICollapsibleFrame::IsExpanded() const
{
    return fButton->IsExpanded();
}

QString GQUICollapsibleFrame::HeaderText() const
{
    return fHeaderLabel->text();
}

void GQUICollapsibleFrame::DisclosableButtonClicked()
{
    bool const expanded = !IsExpanded();
    ApplyState(expanded);
    Q_EMIT StateChanged(fPaneID, expanded);
}

void GQUICollapsibleFrame::ApplyState(bool expanded)
{
    fButton->SetExpanded(expanded);
    if (fMainPane)
        fMainPane->setVisible(expanded && !fVisibilityFlags.testFlag(cAlwaysHideMainPane));
    if (fHeaderWidget)
        fHeaderWidget->setVisible(fVisibilityFlags.testFlag(cAlwaysShowHeaderWidget) ||
                                  (expanded && !fVisibilityFlags.testFlag(cHideHeaderWidget)));
    fHeaderLabel->setText(expanded ? fExpandedText : fCollapsedText);
    updateGeometry();
}
