// The UI robot over the offscreen (or any) Qt platform, acting through QtTest's input events.
#include "UiRobot.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "Host.h"
#include "WindowView.h"

namespace indesignhost
{
namespace
{
// How often the robot looks for windows it was not told of, and at the clock of those it waits on.
constexpr int cPollMilliseconds = 100;
// The exit code of a run whose host invariant broke.
constexpr int cExitInvariant = 3;

QString Q(std::string const& text)
{
    return QString::fromStdString(text);
}

std::string S(QString const& text)
{
    return text.toStdString();
}

std::string Quoted(QString const& text)
{
    return "\"" + S(text) + "\"";
}

std::string Quoted(std::string const& text)
{
    return "\"" + text + "\"";
}

// A control found by label and the field that named it, for messages.
std::string FieldOf(ScenarioUiEntry const& entry, char const* action, std::string const& label)
{
    return entry.field + "." + action + "." + label;
}

// Types the text as keys into the widget: QtTest's key clicks where it has keys for the
// characters, a key event carrying the character elsewhere.
void KeyIn(QWidget& widget, QString const& text)
{
    bool latin1 = true;
    for (QChar const c : text)
        latin1 = latin1 && c.unicode() <= 0xFF;
    if (latin1)
    {
        QTest::keyClicks(&widget, text);
        return;
    }
    for (QChar const c : text)
        QTest::sendKeyEvent(QTest::Click, &widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The field loses the keyboard as when the user moves on: a spin box takes what was typed.
void LeaveField(QWidget& widget)
{
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&widget, &leave);
}

QJsonValue SpinValue(QAbstractSpinBox const& spin)
{
    if (auto const* real = qobject_cast<QDoubleSpinBox const*>(&spin))
        return real->value();
    if (auto const* whole = qobject_cast<QSpinBox const*>(&spin))
        return whole->value();
    return QJsonValue();
}
} // namespace

UiRobot* UiRobot::sRobot = nullptr;

UiRobot::UiRobot(Host& host, std::vector<ScenarioUiEntry> entries, int timeoutMilliseconds)
    : fHost(host), fEntries(std::move(entries)), fTimeoutMilliseconds(timeoutMilliseconds)
{
    sRobot = this;
    // Qt calls it from inside the constructor of every application made from now on, before the
    // plug-in that makes it can show anything.
    static bool const sRoutineAdded = (qAddPreRoutine(&UiRobot::OnApplicationMade), true);
    (void)sRoutineAdded;
    Watch();
}

UiRobot::~UiRobot()
{
    if (fApplication)
        fApplication->removeEventFilter(this);
    if (fTimer)
        killTimer(fTimer);
    if (sRobot == this)
        sRobot = nullptr;
}

void UiRobot::OnApplicationMade()
{
    if (sRobot)
        sRobot->Watch();
}

void UiRobot::Watch()
{
    auto* const application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!application || application == fApplication)
        return;
    fApplication = application;
    application->installEventFilter(this);
    connect(application, &QObject::destroyed, this, &UiRobot::ApplicationGone);
    fTimer = startTimer(cPollMilliseconds);
    Record("watch", QJsonObject());
}

void UiRobot::ApplicationGone()
{
    // The application's loop went with it, and every window with the loop.
    if (fTimer)
        killTimer(fTimer);
    fTimer = 0;
    fWatched.clear();
}

void UiRobot::BeforePlugInCall(std::string const&)
{
    Watch();
}

void UiRobot::AfterPlugInCall(std::string const&)
{
    Watch();
}

void UiRobot::HostCalled(QJsonObject const&)
{
    Watch();
}

void UiRobot::BetweenSteps()
{
    Watch();
    if (!fApplication)
        return;
    Poll();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void UiRobot::Finish()
{
    for (std::size_t i = fNext; i < fEntries.size(); ++i)
    {
        ScenarioUiEntry const& entry = fEntries[i];
        QJsonObject fields;
        fields.insert("entry", Q(entry.field));
        Record("unused", fields);
        std::string const window = entry.window.empty() ? "a message box saying " + Quoted(entry.message)
                                                        : "window " + Quoted(entry.window);
        fHost.Break("the UI robot: " + entry.field + " expected " + window + ", which never showed");
    }
    fNext = fEntries.size();
}

bool UiRobot::IsAnswerable(QWidget const& widget)
{
    if (!widget.isWindow())
        return false;
    // Popups (menus, a combo box's list), tool tips and splash screens come and go by themselves.
    switch (widget.windowType())
    {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Drawer:
    case Qt::Tool:
        return true;
    default:
        return false;
    }
}

bool UiRobot::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType())
    {
        auto* const widget = static_cast<QWidget*>(watched);
        if (IsAnswerable(*widget))
            Notice(*widget);
    }
    return false;
}

void UiRobot::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == fTimer)
        Poll();
}

UiRobot::Watched* UiRobot::Find(QWidget const* window)
{
    for (Watched& watched : fWatched)
        if (watched.window && watched.window.data() == window)
            return &watched;
    return nullptr;
}

void UiRobot::Notice(QWidget& window)
{
    Watched* watched = Find(&window);
    if (!watched)
    {
        fWatched.emplace_back();
        watched = &fWatched.back();
        watched->window = &window;
    }
    else if (watched->turn == Turn::Acting)
        return;
    watched->turn = Turn::Pending;
    watched->since.start();
    Schedule(*watched);
}

void UiRobot::Schedule(Watched& watched)
{
    if (watched.scheduled)
        return;
    watched.scheduled = true;
    QPointer<QWidget> const window = watched.window;
    QTimer::singleShot(0, this, [this, window] { Answer(window); });
}

void UiRobot::Answer(QPointer<QWidget> const& window)
{
    Watched* watched = window ? Find(window) : nullptr;
    if (!watched)
        return;
    watched->scheduled = false;
    if (watched->turn != Turn::Pending)
        return;
    if (!window->isVisible())
    {
        fWatched.remove_if([&](Watched const& one) { return &one == watched; });
        return;
    }
    if (fNext >= fEntries.size())
    {
        Unexpected(*window, "no entry of the scenario's \"ui\" is left for it");
        return;
    }
    ScenarioUiEntry const& entry = fEntries[fNext];
    if (!Matches(entry, *window))
    {
        std::string const wanted = entry.window.empty() ? "a message box saying " + Quoted(entry.message)
                                                        : "window " + Quoted(entry.window);
        Unexpected(*window, entry.field + " expects " + wanted);
        return;
    }
    ++fNext;
    watched->turn = Turn::Acting;
    RecordWindow(*window, entry.field);
    bool const answered = Act(entry, window);
    watched = window ? Find(window) : nullptr;
    if (!watched || !answered)
        return;
    if (!window->isVisible())
        fWatched.remove_if([&](Watched const& one) { return &one == watched; });
    else if (!entry.press.empty())
    {
        // Still open after its button (a button that keeps the window, or one that opened another
        // and came back): the next entry answers it.
        watched->turn = Turn::Pending;
        watched->since.start();
        Schedule(*watched);
    }
    else
    {
        watched->turn = Turn::Waiting;
        watched->since.start();
    }
}

bool UiRobot::Matches(ScenarioUiEntry const& entry, QWidget const& window) const
{
    if (!entry.window.empty() && window.windowTitle() != Q(entry.window))
        return false;
    if (entry.message.empty())
        return true;
    auto const* box = qobject_cast<QMessageBox const*>(&window);
    QString const wanted = Q(entry.message);
    return box && (WindowView::Shown(box->text()).contains(wanted) ||
                   WindowView::Shown(box->informativeText()).contains(wanted));
}

bool UiRobot::Act(ScenarioUiEntry const& entry, QPointer<QWidget> const& window)
{
    // Each action may run the plug-in, which may close the window before the next.
    auto open = [&](std::string const& field)
    {
        if (window && window->isVisible())
            return true;
        if (window)
            Fail(*window, field, "closed", "the window closed before this action");
        else
        {
            QJsonObject fields;
            fields.insert("field", Q(field));
            Record("closed", fields);
            fHost.Break("the UI robot: " + field + ": the window was gone before this action");
        }
        return false;
    };
    // In the entry's order, as a user goes: what a collapsed section holds is reached only once
    // an earlier action opened it.
    for (std::string const& action : entry.order)
    {
        if (action == "choose")
        {
            for (auto const& [label, item] : entry.choose)
                if (!open(FieldOf(entry, "choose", label)) || !Choose(entry, *window, label, item))
                    return false;
        }
        else if (action == "click")
        {
            for (std::string const& text : entry.click)
                if (!open(FieldOf(entry, "click", text)) || !Click(entry, *window, text))
                    return false;
        }
        else if (action == "type")
        {
            for (auto const& [label, text] : entry.type)
                if (!open(FieldOf(entry, "type", label)) || !Type(entry, *window, label, text))
                    return false;
        }
        else if (action == "tick")
        {
            for (auto const& [text, checked] : entry.tick)
                if (!open(FieldOf(entry, "tick", text)) || !Tick(entry, *window, text, checked))
                    return false;
        }
        else if (action == "expand")
        {
            for (std::string const& header : entry.expand)
                if (!open(FieldOf(entry, "expand", header)) || !Expand(entry, *window, header))
                    return false;
        }
        else if (action == "set")
        {
            for (auto const& [label, text] : entry.set)
                if (!open(FieldOf(entry, "set", label)) || !Set(entry, *window, label, text))
                    return false;
        }
    }
    if (entry.press.empty())
        return true;
    return open(entry.field + ".press") && Press(entry, window);
}

bool UiRobot::Choose(ScenarioUiEntry const& entry, QWidget& window, std::string const& label,
                     std::string const& item)
{
    std::string const field = FieldOf(entry, "choose", label);
    auto* const combo =
        static_cast<QComboBox*>(WindowView(window).Labelled(Q(label), &WindowView::IsComboBox));
    if (!combo)
        return Fail(window, field, "missing", "no list labelled " + Quoted(label));
    if (!combo->isEnabled())
        return Fail(window, field, "disabled", "the list labelled " + Quoted(label) + " is disabled");
    int const index = combo->findText(Q(item), Qt::MatchExactly);
    if (index < 0)
    {
        std::string items;
        for (int i = 0; i < combo->count(); ++i)
            items += (i ? ", " : "") + Quoted(combo->itemText(i));
        return Fail(window, field, "missing",
                    "the list has no item " + Quoted(item) + " (its items: " + (items.empty() ? "none" : items) + ")");
    }
    QJsonObject fields;
    fields.insert("entry", Q(entry.field));
    fields.insert("control", Q(label));
    fields.insert("item", Q(item));
    Record("choose", fields);
    // As a pick in the open list: the item becomes current and the list reports it chosen.
    combo->setCurrentIndex(index);
    QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, index));
    return true;
}

bool UiRobot::Click(ScenarioUiEntry const& entry, QWidget& window, std::string const& text)
{
    std::string const field = FieldOf(entry, "click", text);
    QAbstractButton* const button = WindowView(window).Button(Q(text), WindowView::ButtonKind::Radio);
    if (!button)
        return Fail(window, field, "missing", "no button " + Quoted(text));
    if (!button->isEnabled())
        return Fail(window, field, "disabled", "the button " + Quoted(text) + " is disabled");
    QJsonObject fields;
    fields.insert("entry", Q(entry.field));
    fields.insert("control", Q(text));
    Record("click", fields);
    QPointer<QAbstractButton> const guard(button);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, WindowView::ClickPoint(*button));
    if (guard && qobject_cast<QRadioButton*>(button) && !button->isChecked())
        return Fail(window, field, "refused", "the radio button " + Quoted(text) + " did not take the click");
    return true;
}

bool UiRobot::Type(ScenarioUiEntry const& entry, QWidget& window, std::string const& label, std::string const& text)
{
    std::string const field = FieldOf(entry, "type", label);
    auto* const edit = static_cast<QLineEdit*>(WindowView(window).Labelled(Q(label), &WindowView::IsLineEdit));
    if (!edit)
        return Fail(window, field, "missing", "no text field labelled " + Quoted(label));
    if (!edit->isEnabled())
        return Fail(window, field, "disabled", "the text field labelled " + Quoted(label) + " is disabled");
    if (edit->isReadOnly())
        return Fail(window, field, "disabled", "the text field labelled " + Quoted(label) + " is read-only");
    QPointer<QLineEdit> const guard(edit);
    // What was there is selected, so that the first key replaces it, as a user retypes a field.
    edit->selectAll();
    if (text.empty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        KeyIn(*edit, Q(text));
    if (guard)
        LeaveField(*edit);
    QJsonObject fields;
    fields.insert("entry", Q(entry.field));
    fields.insert("control", Q(label));
    fields.insert("typed", Q(text));
    // The field's text after the keys: its validator may have refused some of them.
    if (guard)
        fields.insert("text", edit->text());
    Record("type", fields);
    return true;
}

bool UiRobot::Tick(ScenarioUiEntry const& entry, QWidget& window, std::string const& text, bool checked)
{
    std::string const field = FieldOf(entry, "tick", text);
    QAbstractButton* const box = WindowView(window).Button(Q(text), WindowView::ButtonKind::Check);
    if (!box || !box->isCheckable())
        return Fail(window, field, "missing", "no check box " + Quoted(text));
    if (!box->isEnabled())
        return Fail(window, field, "disabled", "the check box " + Quoted(text) + " is disabled");
    QPointer<QAbstractButton> const guard(box);
    auto reached = [&]
    {
        if (auto const* check = qobject_cast<QCheckBox const*>(box))
            return check->checkState() == (checked ? Qt::Checked : Qt::Unchecked);
        return box->isChecked() == checked;
    };
    int clicks = 0;
    // A box of three states may need two clicks to reach the one asked for.
    for (; guard && !reached() && clicks < 3; ++clicks)
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, WindowView::ClickPoint(*box));
    QJsonObject fields;
    fields.insert("entry", Q(entry.field));
    fields.insert("control", Q(text));
    fields.insert("checked", checked);
    fields.insert("clicks", clicks);
    Record("tick", fields);
    if (guard && !reached())
        return Fail(window, field, "refused",
                    "the check box " + Quoted(text) + " did not become " + (checked ? "ticked" : "unticked"));
    return true;
}

bool UiRobot::Expand(ScenarioUiEntry const& entry, QWidget& window, std::string const& header)
{
    std::string const field = FieldOf(entry, "expand", header);
    QWidget* const section = WindowView(window).Section(Q(header));
    QAbstractButton* const button = section ? WindowView::SectionButton(*section) : nullptr;
    if (!button)
        return Fail(window, field, "missing", "no collapsible section headed " + Quoted(header));
    if (!button->isEnabled())
        return Fail(window, field, "disabled", "the section headed " + Quoted(header) + " cannot be opened");
    QPointer<QWidget> const pane = WindowView::SectionPane(*section);
    bool const open = pane && pane->isVisible();
    QJsonObject fields;
    fields.insert("entry", Q(entry.field));
    fields.insert("control", Q(header));
    fields.insert("open", open);
    Record("expand", fields);
    if (open)
        return true;
    QTest::mouseClick(button, Qt::LeftButton);
    if (pane && !pane->isVisible())
        return Fail(window, field, "refused", "the section headed " + Quoted(header) + " did not open");
    return true;
}

bool UiRobot::Set(ScenarioUiEntry const& entry, QWidget& window, std::string const& label, std::string const& text)
{
    std::string const field = FieldOf(entry, "set", label);
    auto* const spin = static_cast<QAbstractSpinBox*>(WindowView(window).Labelled(Q(label), &WindowView::IsSpinBox));
    if (!spin)
        return Fail(window, field, "missing", "no spin box labelled " + Quoted(label));
    if (!spin->isEnabled() || spin->isReadOnly())
        return Fail(window, field, "disabled", "the spin box labelled " + Quoted(label) + " is disabled");
    QPointer<QAbstractSpinBox> const guard(spin);
    spin->selectAll();
    KeyIn(*spin, Q(text));
    if (guard)
        LeaveField(*spin);
    QJsonObject fields;
    fields.insert("entry", Q(entry.field));
    fields.insert("control", Q(label));
    fields.insert("typed", Q(text));
    if (guard)
    {
        fields.insert("text", spin->text());
        fields.insert("value", SpinValue(*spin));
    }
    Record("set", fields);
    return true;
}

bool UiRobot::Press(ScenarioUiEntry const& entry, QPointer<QWidget> const& window)
{
    std::string const field = entry.field + ".press";
    // Alt goes down first, as the user holds it before aiming: the button is the one that reads
    // the text while it is held.
    if (entry.alt)
        QTest::keyPress(window.data(), Qt::Key_Alt);
    QAbstractButton* const button =
        window ? WindowView(*window).Button(Q(entry.press), WindowView::ButtonKind::Push) : nullptr;
    auto releaseAlt = [&]
    {
        if (entry.alt && window)
            QTest::keyRelease(window.data(), Qt::Key_Alt);
    };
    if (!button || !button->isEnabled())
    {
        releaseAlt();
        if (!window)
            return false;
        if (!button)
            return Fail(*window, field, "missing", "no button " + Quoted(entry.press));
        return Fail(*window, field, "disabled", "the button " + Quoted(entry.press) + " is disabled");
    }
    QJsonObject fields;
    fields.insert("entry", Q(entry.field));
    fields.insert("control", Q(entry.press));
    if (entry.alt)
        fields.insert("alt", true);
    Record("press", fields);
    QTest::mouseClick(button, Qt::LeftButton, entry.alt ? Qt::AltModifier : Qt::NoModifier,
                      WindowView::ClickPoint(*button));
    releaseAlt();
    return true;
}

bool UiRobot::Fail(QWidget& window, std::string const& field, char const* what, std::string const& detail)
{
    QJsonObject fields;
    fields.insert("field", Q(field));
    fields.insert("window", window.windowTitle());
    fields.insert("detail", Q(detail));
    Record(what, fields);
    fHost.Break("the UI robot: " + field + ": " + detail);
    Cancel(window);
    return false;
}

void UiRobot::Unexpected(QWidget& window, std::string const& reason)
{
    RecordWindow(window, std::string());
    QJsonObject fields;
    fields.insert("window", window.windowTitle());
    fields.insert("class", QString::fromLatin1(window.metaObject()->className()));
    fields.insert("reason", Q(reason));
    Record("unexpected", fields);
    fHost.Break("the UI robot: window " + Quoted(window.windowTitle()) + " (" + window.metaObject()->className() +
                ") was not expected: " + reason);
    Cancel(window);
}

void UiRobot::Cancel(QWidget& window)
{
    QPointer<QWidget> const guard(&window);
    QJsonObject fields;
    fields.insert("window", window.windowTitle());
    auto* const dialog = qobject_cast<QDialog*>(&window);
    if (dialog)
    {
        // Escape first, as the user would; a dialog that ignores it is rejected.
        QTest::keyClick(dialog, Qt::Key_Escape);
        fields.insert("how", "Escape");
        if (guard && dialog->isVisible())
        {
            dialog->reject();
            fields.insert("how", "reject");
        }
    }
    else
    {
        window.close();
        fields.insert("how", "close");
    }
    Record("cancel", fields);
    if (Watched* const watched = guard ? Find(guard) : nullptr)
    {
        watched->turn = Turn::Cancelled;
        watched->since.start();
    }
}

void UiRobot::Poll()
{
    if (!fApplication)
        return;
    // Windows whose showing went past the filter: shown before the robot watched, or a modal
    // window whose loop started without a new showing.
    QWidgetList candidates = QApplication::topLevelWidgets();
    if (QWidget* const modal = QApplication::activeModalWidget())
        candidates.prepend(modal);
    for (QWidget* const window : candidates)
        if (IsAnswerable(*window) && window->isVisible() && !Find(window))
            Notice(*window);
    fWatched.remove_if([](Watched const& one)
                       { return !one.window || (!one.window->isVisible() && one.turn != Turn::Acting); });
    for (Watched& watched : fWatched)
    {
        if (watched.turn == Turn::Acting || watched.since.elapsed() <= fTimeoutMilliseconds)
            continue;
        if (watched.turn == Turn::Cancelled)
            EndRun(*watched.window);
        TimeOut(*watched.window);
        // The list may have changed under the cancel; the next poll looks again.
        return;
    }
}

void UiRobot::TimeOut(QWidget& window)
{
    RecordWindow(window, std::string());
    QJsonObject fields;
    fields.insert("window", window.windowTitle());
    fields.insert("seconds", fTimeoutMilliseconds / 1000.0);
    Record("timeout", fields);
    fHost.Break("the UI robot: window " + Quoted(window.windowTitle()) + " was left unanswered for " +
                S(QString::number(fTimeoutMilliseconds / 1000.0, 'g', 6)) + " s");
    Cancel(window);
}

void UiRobot::EndRun(QWidget& window)
{
    QJsonObject fields;
    fields.insert("window", window.windowTitle());
    Record("end", fields);
    std::cerr << "indesign-host: the UI robot: window " << Quoted(window.windowTitle())
              << " did not close when cancelled; the run ends here" << std::endl;
    std::fflush(nullptr);
    // The window's loop holds the plug-in's call; nothing can return through it.
    _exit(cExitInvariant);
}

void UiRobot::RecordWindow(QWidget& window, std::string const& field)
{
    QJsonObject fields = WindowView(window).Describe();
    if (!field.empty())
        fields.insert("entry", Q(field));
    fHost.Record("window", "state", fields);
}

void UiRobot::Record(std::string const& what, QJsonObject const& fields)
{
    fHost.Record("robot", what, fields);
}
} // namespace indesignhost
