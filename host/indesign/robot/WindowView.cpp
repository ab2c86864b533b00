// What the UI robot finds in a window and how it writes the window down.
#include "WindowView.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QToolButton>

#include <climits>

namespace indesignhost
{
namespace
{
// The toolkit's collapsible section and its disclosure button, known by name: their code is the
// plug-in's.
constexpr char cSectionClass[] = "GQUICollapsibleFrame";
constexpr char cSectionButtonClass[] = "GQUIExpandCollapseButton";

// The widget's rectangle in the window's coordinates.
QRect RectIn(QWidget const& widget, QWidget const& window)
{
    return QRect(widget.mapTo(&window, QPoint(0, 0)), widget.size());
}

// The text a widget shows as its label: a text label's or a button's; null for others.
QString LabelTextOf(QWidget const& widget)
{
    if (auto const* label = qobject_cast<QLabel const*>(&widget))
        return WindowView::Shown(label->text());
    if (auto const* button = qobject_cast<QAbstractButton const*>(&widget))
        return WindowView::Shown(button->text());
    return QString();
}

QJsonValue CheckStateOf(QAbstractButton const& button)
{
    if (auto const* box = qobject_cast<QCheckBox const*>(&button))
        if (box->checkState() == Qt::PartiallyChecked)
            return QStringLiteral("partial");
    return button.isChecked();
}

// One control's visible state; an empty object for a widget that is only a container.
QJsonObject DescribeWidget(QWidget const& widget)
{
    QJsonObject state;
    if (auto const* label = qobject_cast<QLabel const*>(&widget))
    {
        if (label->text().isEmpty())
            return state;
        state.insert("text", WindowView::Shown(label->text()));
    }
    else if (auto const* button = qobject_cast<QAbstractButton const*>(&widget))
    {
        state.insert("text", WindowView::Shown(button->text()));
        if (button->isCheckable())
            state.insert("checked", CheckStateOf(*button));
        if (auto const* push = qobject_cast<QPushButton const*>(button); push && push->isDefault())
            state.insert("default", true);
        if (!button->toolTip().isEmpty())
            state.insert("toolTip", button->toolTip());
    }
    else if (auto const* combo = qobject_cast<QComboBox const*>(&widget))
    {
        QJsonArray items;
        for (int i = 0; i < combo->count(); ++i)
            items.append(combo->itemText(i));
        state.insert("items", items);
        state.insert("current", combo->currentText());
    }
    else if (WindowView::IsLineEdit(widget))
    {
        auto const& edit = static_cast<QLineEdit const&>(widget);
        state.insert("text", edit.text());
        if (!edit.placeholderText().isEmpty())
            state.insert("placeholder", edit.placeholderText());
    }
    else if (auto const* spin = qobject_cast<QAbstractSpinBox const*>(&widget))
    {
        state.insert("text", spin->text());
        if (auto const* real = qobject_cast<QDoubleSpinBox const*>(spin))
            state.insert("value", real->value());
        else if (auto const* whole = qobject_cast<QSpinBox const*>(spin))
            state.insert("value", whole->value());
    }
    else if (auto const* text = qobject_cast<QTextEdit const*>(&widget))
        state.insert("text", text->toPlainText());
    else if (auto const* plain = qobject_cast<QPlainTextEdit const*>(&widget))
        state.insert("text", plain->toPlainText());
    else if (widget.inherits(cSectionClass))
    {
        state.insert("header", WindowView::SectionHeader(widget));
        if (QWidget const* const pane = WindowView::SectionPane(widget))
            state.insert("expanded", pane->isVisibleTo(&widget));
    }
    else
        return state;
    state.insert("class", QString::fromLatin1(widget.metaObject()->className()));
    state.insert("enabled", widget.isEnabled());
    state.insert("visible", widget.isVisible());
    return state;
}
} // namespace

QString WindowView::Shown(QString const& text)
{
    QString plain = Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
    QString shown;
    shown.reserve(plain.size());
    for (int i = 0; i < plain.size(); ++i)
    {
        // "&&" shows one ampersand; a single one marks the next letter as the mnemonic.
        if (plain[i] == QLatin1Char('&') && i + 1 < plain.size())
            ++i;
        shown.append(plain[i]);
    }
    return shown;
}

bool WindowView::IsComboBox(QWidget const& widget)
{
    return qobject_cast<QComboBox const*>(&widget) != nullptr;
}

bool WindowView::IsLineEdit(QWidget const& widget)
{
    QWidget const* const parent = widget.parentWidget();
    return qobject_cast<QLineEdit const*>(&widget) && !qobject_cast<QAbstractSpinBox const*>(parent) &&
           !qobject_cast<QComboBox const*>(parent);
}

bool WindowView::IsSpinBox(QWidget const& widget)
{
    return qobject_cast<QAbstractSpinBox const*>(&widget) != nullptr;
}

QList<QWidget*> WindowView::OwnWidgets() const
{
    QList<QWidget*> own;
    for (QWidget* const widget : fWindow.findChildren<QWidget*>())
        if (widget->window() == &fWindow)
            own.append(widget);
    return own;
}

QJsonObject WindowView::Describe() const
{
    QJsonObject state;
    state.insert("class", QString::fromLatin1(fWindow.metaObject()->className()));
    state.insert("title", fWindow.windowTitle());
    state.insert("modal", fWindow.isModal());
    if (auto const* box = qobject_cast<QMessageBox const*>(&fWindow))
    {
        state.insert("text", Shown(box->text()));
        if (!box->informativeText().isEmpty())
            state.insert("informativeText", Shown(box->informativeText()));
        static char const* const cIcons[] = {"none", "information", "warning", "critical", "question"};
        int const icon = static_cast<int>(box->icon());
        state.insert("icon", icon >= 0 && icon < 5 ? cIcons[icon] : "other");
    }
    QJsonArray widgets;
    for (QWidget const* const widget : OwnWidgets())
    {
        QJsonObject const one = DescribeWidget(*widget);
        if (!one.isEmpty())
            widgets.append(one);
    }
    state.insert("widgets", widgets);
    return state;
}

QAbstractButton* WindowView::Button(QString const& text, ButtonKind kind) const
{
    auto isKind = [kind](QAbstractButton const& button)
    {
        switch (kind)
        {
        case ButtonKind::Push:
            return (qobject_cast<QPushButton const*>(&button) || qobject_cast<QToolButton const*>(&button)) &&
                   !button.isCheckable();
        case ButtonKind::Radio:
            return qobject_cast<QRadioButton const*>(&button) != nullptr;
        case ButtonKind::Check:
            return qobject_cast<QCheckBox const*>(&button) != nullptr;
        }
        return false;
    };
    QAbstractButton* any = nullptr;
    for (QWidget* const widget : OwnWidgets())
    {
        auto* const button = qobject_cast<QAbstractButton*>(widget);
        if (!button || !button->isVisible() || Shown(button->text()) != text)
            continue;
        if (isKind(*button))
            return button;
        if (!any)
            any = button;
    }
    return any;
}

QWidget* WindowView::Labelled(QString const& label, std::function<bool(QWidget const&)> const& isKind) const
{
    QList<QWidget*> const widgets = OwnWidgets();
    QList<QWidget*> candidates;
    for (QWidget* const widget : widgets)
        if (widget->isVisible() && isKind(*widget))
            candidates.append(widget);
    for (QWidget* const widget : widgets)
    {
        if (!widget->isVisible() || isKind(*widget) || LabelTextOf(*widget) != label)
            continue;
        if (auto const* text = qobject_cast<QLabel const*>(widget))
            if (QWidget* const buddy = text->buddy(); buddy && candidates.contains(buddy))
                return buddy;
        // The nearest control to the right whose line crosses the label's middle, as the eye finds
        // the field a label names.
        QRect const at = RectIn(*widget, fWindow);
        QWidget* nearest = nullptr;
        int distance = INT_MAX;
        for (QWidget* const candidate : candidates)
        {
            QRect const place = RectIn(*candidate, fWindow);
            bool const sameLine =
                place.top() <= at.center().y() && at.center().y() <= place.bottom();
            int const gap = place.left() - at.right();
            if (sameLine && gap >= -1 && gap < distance)
            {
                nearest = candidate;
                distance = gap;
            }
        }
        if (nearest)
            return nearest;
    }
    for (QWidget* const candidate : candidates)
        if (candidate->accessibleName() == label || candidate->objectName() == label)
            return candidate;
    return nullptr;
}

QWidget* WindowView::Section(QString const& header) const
{
    for (QWidget* const widget : OwnWidgets())
    {
        if (!widget->isVisible() || !widget->inherits(cSectionClass))
            continue;
        if (SectionHeader(*widget) == header)
            return widget;
    }
    return nullptr;
}

QString WindowView::SectionHeader(QWidget const& section)
{
    // The header sits beside the disclosure button, above the pane.
    if (auto const* grid = qobject_cast<QGridLayout const*>(section.layout()))
        if (QLayoutItem* const item = grid->itemAtPosition(0, 1))
            if (auto const* label = qobject_cast<QLabel const*>(item->widget()))
                return Shown(label->text());
    return QString();
}

QAbstractButton* WindowView::SectionButton(QWidget const& section)
{
    for (QAbstractButton* const button :
         section.findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
        if (button->inherits(cSectionButtonClass))
            return button;
    return nullptr;
}

QWidget* WindowView::SectionPane(QWidget const& section)
{
    if (auto const* grid = qobject_cast<QGridLayout const*>(section.layout()))
        if (QLayoutItem* const item = grid->itemAtPosition(1, 0))
            return item->widget();
    return nullptr;
}

QPoint WindowView::ClickPoint(QAbstractButton const& button)
{
    bool const radio = qobject_cast<QRadioButton const*>(&button) != nullptr;
    if (!radio && !qobject_cast<QCheckBox const*>(&button))
        return button.rect().center();
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    QRect const mark = button.style()->subElementRect(
        radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, &button);
    return mark.isValid() ? mark.center() : QPoint(4, button.height() / 2);
}
} // namespace indesignhost
