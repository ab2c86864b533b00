// A frame with a header row (disclosure button, header text, optional header widget) over a main pane
// that the user shows and hides with the button. The header text differs between the two states, and
// every toggle by the user is reported with the frame's pane id.
#pragma once

#include <QFlags>
#include <QString>
#include <QWidget>

class GQUIExpandCollapseButton;
class QGridLayout;
class QLabel;

class GQUICollapsibleFrame : public QWidget
{
    Q_OBJECT

public:
    enum FrameWidgetsVisibilityOption
    {
        // The header widget is hidden (unless it is always shown).
        cHideHeaderWidget = 1,
        cAlwaysShowHeaderWidget = 2,
        cAlwaysHideMainPane = 4
    };
    Q_DECLARE_FLAGS(FrameWidgetsVisibilityOptions, FrameWidgetsVisibilityOption)

    GQUICollapsibleFrame(QWidget* parent, QString const& expandedText, QString const& collapsedText, bool expanded,
                         int paneID);

    // A widget replaced by the next one leaves the layout but stays the frame's child; null changes
    // nothing.
    void SetMainPane(QWidget* pane);
    void SetHeaderWidget(QWidget* widget);
    void SetVisibilityFlags(FrameWidgetsVisibilityOptions flags);
    // Applies the state without reporting it.
    void SetExpandState(bool expanded);
    bool IsExpanded() const;

    QString HeaderText() const;
    GQUIExpandCollapseButton* Button() const { return fButton; }

Q_SIGNALS:
    void StateChanged(int inPaneID, bool inState);

public Q_SLOTS:
    // The user's toggle: the opposite state, reported.
    void DisclosableButtonClicked();

private:
    void ApplyState(bool expanded);

    QString fExpandedText;
    QString fCollapsedText;
    QLabel* fHeaderLabel;
    QWidget* fMainPane = nullptr;
    QWidget* fHeaderWidget = nullptr;
    GQUIExpandCollapseButton* fButton;
    QGridLayout* fLayout;
    FrameWidgetsVisibilityOptions fVisibilityFlags;
    int fPaneID;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(GQUICollapsibleFrame::FrameWidgetsVisibilityOptions)
