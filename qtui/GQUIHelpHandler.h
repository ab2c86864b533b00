// Hover help: help texts of widgets shown in a window's help pane while the pointer rests over them,
// driven by the idle signal. The toolkit's layer keeps the pointer listener from its start to its
// end.
#pragma once

#include "GDict.h"
#include "GEmptyMessage.h"
#include "GReceiver.h"
#include "GString.h"
#include "GTable.h"

class QWidget;

// Tracks the pointer over the widgets that have a help text; subscribed to the idle signal from its
// construction to its destruction.
class GQUIHelpHandlerListener : public GReceiver<GEmptyMessage>
{
public:
    GQUIHelpHandlerListener();
    ~GQUIHelpHandlerListener() override;

    void Receive(int signalId, GEmptyMessage const& message) override;

private:
    GDict<QWidget const*, GString> fHelpTexts;
    GTable<QWidget const*> fHoveredWidgets;
};

class GQUIHelpHandler
{
public:
    static constexpr int cIdleSignal = 100;

    // Creates the listener when there is none.
    static void Initialize();
    // Deletes the listener.
    static void Finalize();
    static GQUIHelpHandlerListener const* GetListener() { return sInternalListener; }

private:
    static GQUIHelpHandlerListener* sInternalListener;
};
