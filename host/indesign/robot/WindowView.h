// A plug-in's window as the UI robot sees it: its controls found as a user finds them, by the text
// on a button or the label beside a field, and its visible state written down for the transcript.
// The plug-in's own widget classes live in its bundle, out of the host's reach, so they are known
// by their class names alone.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QPoint>
#include <QString>

#include <functional>

class QAbstractButton;
class QWidget;

namespace indesignhost
{
class WindowView
{
public:
    enum class ButtonKind
    {
        // A push or tool button, as pressed to answer a window.
        Push,
        Radio,
        Check
    };

    explicit WindowView(QWidget& window) : fWindow(window) {}

    // The window's class, title, modality and every control of its own (not of the windows it
    // holds): texts, items, check states, enabled and visible.
    QJsonObject Describe() const;

    // The visible button of that text; a button of the kind asked for first, then any. Null when
    // there is none.
    QAbstractButton* Button(QString const& text, ButtonKind kind) const;
    // The visible control of the kind beside the label of that text: the label's buddy, else the
    // nearest control of the kind to the right of the label on its line; a label is a text label or
    // a button's text. Without such a label, the control of that accessible or object name. Null
    // when there is none.
    QWidget* Labelled(QString const& label, std::function<bool(QWidget const&)> const& isKind) const;
    // The visible collapsible section whose header reads the text; null when there is none.
    QWidget* Section(QString const& header) const;

    static bool IsComboBox(QWidget const& widget);
    // A line edit of its own, not the one inside a combo or spin box.
    static bool IsLineEdit(QWidget const& widget);
    static bool IsSpinBox(QWidget const& widget);

    // A section's header text as shown, its disclosure button and its pane (null when it has none).
    static QString SectionHeader(QWidget const& section);
    static QAbstractButton* SectionButton(QWidget const& section);
    static QWidget* SectionPane(QWidget const& section);
    // Where a click lands on the button as a user aims it: a check or radio box's mark, the middle
    // of any other button.
    static QPoint ClickPoint(QAbstractButton const& button);
    // The text as shown: mnemonic marks taken out, rich text as plain text.
    static QString Shown(QString const& text);

private:
    // The window's own widgets, in the order they were made.
    QList<QWidget*> OwnWidgets() const;

    QWidget& fWindow;
};
} // namespace indesignhost
