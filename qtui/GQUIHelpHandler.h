// Hover help: help texts of widgets shown in a window's help pane while the pointer rests over them,
// after a delay in windows that are not modal and at once in modal ones, driven by the idle signal.
// The toolkit's layer keeps the pointer listener from its start to its end. A widget or a help
// component that is destroyed drops out of the help by itself.
#pragma once

#include <QPointer>
#include <QTextEdit>

#include "GDict.h"
#include "GEmptyMessage.h"
#include "GReceiver.h"
#include "GString.h"
#include "GTable.h"
#include "GTimer.h"

class QWidget;

// Tracks the pointer over the widgets that have a help text; subscribed to the idle signal from its
// construction to its destruction.
class GQUIHelpHandlerListener : public GReceiver<GEmptyMessage>
{
public:
    GQUIHelpHandlerListener();
    ~GQUIHelpHandlerListener() override;

    void Receive(int signalId, GEmptyMessage const& message) override;

    void SetHelp(QWidget const* widget, GString const& text);
    // Forgets the widget's text and that it was hovered.
    void RemoveHelp(QWidget const* widget);
    bool HasHelp(QWidget const* widget) const { return fHelpTexts.Contains(widget); }

private:
    GDict<QWidget const*, GString> fHelpTexts;
    GTable<QWidget const*> fHoveredWidgets;
};

// Polls the active handlers on each idle signal.
class GQUIHelpHandlerTimeIdler : public GReceiver<GEmptyMessage>
{
public:
    using Function = void (*)();

    explicit GQUIHelpHandlerTimeIdler(Function function) : fFunction(function) {}
    ~GQUIHelpHandlerTimeIdler() override;

    void Receive(int signalId, GEmptyMessage const& message) override;

private:
    Function fFunction;
};

// One per help component: the pane its texts go to and the stack of texts waiting for their delay.
class GQUIHelpHandler
{
public:
    static constexpr int cIdleSignal = 100;
    // Milliseconds the pointer rests before a text shows in a window that is not modal.
    static constexpr int cDelay = 500;

    GQUIHelpHandler(QTextEdit* pane, int delay);

    // Pushes the text and restarts the timer; the number of texts.
    int AddHelpText(QWidget const* widget, GString const& text);
    // Pops the top text; the timer restarts while texts remain. The number left.
    int RemoveHelpText();
    // When the delay has passed: the top text shown, the timer stopped, and true (finished).
    bool CheckAndActivate();
    QTextEdit* GetPane() const { return fPane; }
    int GetTextCount() const { return fTexts.GetCount(); }

    // Creates the listener when there is none; deletes it.
    static void Initialize();
    static void Finalize();
    static GQUIHelpHandlerListener const* GetListener() { return sInternalListener; }

    // A handler for the container's pane, replacing an earlier one.
    static void RegisterHelpComponent(QWidget const* component, QTextEdit* pane);
    static void UnregisterHelpComponent(QWidget const* component);
    // Nothing without the listener.
    static void RegisterHelp(QWidget* widget, GString const& text);
    static void RegisterHelp(QWidget* widget, int id);
    static void UnregisterHelp(QWidget* widget);

    static void SetDelayedHelp(QWidget const* widget, GString const& text);
    static void SetDelayedHelp(QWidget const* widget, int id);
    static void SetImmediateHelp(QWidget const* widget, GString const& text);
    static void SetImmediateHelp(QWidget const* widget, int id);
    static void StopDelayedHelp(QWidget const* widget);
    // The widget itself or its closest ancestor registered as a help component; null when none.
    static QWidget const* GetHelpfullPane(QWidget const* widget);

    static void ActivateHandler(GQUIHelpHandler* handler);
    static void DeactivateHandler(GQUIHelpHandler* handler);
    static void UpdateListenState();
    // Asks each active handler once; the finished ones leave.
    static void Listen();

    static bool IsTimeIdlerRunning() { return sTimeIdler != nullptr; }
    static int GetActiveHandlerCount() { return sActiveHandlers.GetCount(); }

private:
    static GQUIHelpHandler* FindHandler(QWidget const* widget);
    // A destroyed widget's texts leave the listener and every handler's stack.
    static void ForgetWidget(QWidget const* widget);
    void RemoveTextsOf(QWidget const* widget);
    static void DeleteTimeIdler();

    // Null once the pane is destroyed: its texts then go nowhere.
    QPointer<QTextEdit> fPane;
    GTable<GString> fTexts;
    GTable<QWidget const*> fWidgets;
    GTimer fTimer;
    int fDelay;

    static GDict<QWidget const*, GQUIHelpHandler*> sPaneToHandler;
    static GTable<GQUIHelpHandler*> sActiveHandlers;
    static GQUIHelpHandlerTimeIdler* sTimeIdler;
    static GQUIHelpHandlerListener* sInternalListener;
};
