// Hover help: the pointer listener, the handlers' stacks of delayed texts and the idler that shows
// them when their delay has passed.
#include "GQUIHelpHandler.h"

#include <QCursor>
#include <QObject>
#include <QRect>
#include <QWidget>

#include "GQStringSupport.h"
#include "GStringPool.h"

GDict<QWidget const*, GQUIHelpHandler*> GQUIHelpHandler::sPaneToHandler;
GTable<GQUIHelpHandler*> GQUIHelpHandler::sActiveHandlers;
GQUIHelpHandlerTimeIdler* GQUIHelpHandler::sTimeIdler = nullptr;
GQUIHelpHandlerListener* GQUIHelpHandler::sInternalListener = nullptr;

namespace
{
// The widget's rectangle on the screen.
QRect AreaOf(QWidget const* widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

int IndexOf(GTable<QWidget const*> const& table, QWidget const* widget)
{
    for (int index = 0; index < table.GetCount(); ++index)
        if (table[index] == widget)
            return index;
    return -1;
}
} // namespace

// --- the listener ---

GQUIHelpHandlerListener::GQUIHelpHandlerListener()
{
    Subscribe(GQUIHelpHandler::cIdleSignal);
}

GQUIHelpHandlerListener::~GQUIHelpHandlerListener()
{
    UnSubscribe(GQUIHelpHandler::cIdleSignal);
}

void GQUIHelpHandlerListener::SetHelp(QWidget const* widget, GString const& text)
{
    fHelpTexts.Put(widget, text);
}

void GQUIHelpHandlerListener::RemoveHelp(QWidget const* widget)
{
    fHelpTexts.Remove(widget);
    fHoveredWidgets.RemoveItemAll(widget);
}

void GQUIHelpHandlerListener::Receive(int signalId, GEmptyMessage const&)
{
    if (signalId != GQUIHelpHandler::cIdleSignal)
        return;
    QPoint const pointer = QCursor::pos();
    for (int index = fHoveredWidgets.GetCount() - 1; index >= 0; --index)
    {
        QWidget const* const widget = fHoveredWidgets[index];
        if (!AreaOf(widget).contains(pointer))
        {
            fHoveredWidgets.RemoveItemAt(index);
            GQUIHelpHandler::StopDelayedHelp(widget);
        }
    }
    // Entered widgets are collected first: showing a text may change the dictionary.
    GTable<QWidget const*> entered;
    GTable<GString> texts;
    fHelpTexts.ForEach(
        [&](QWidget const* widget, GString const& text)
        {
            if (widget->isVisible() && AreaOf(widget).contains(pointer) && IndexOf(fHoveredWidgets, widget) < 0)
            {
                entered.AddItem(widget);
                texts.AddItem(text);
            }
        });
    for (int index = 0; index < entered.GetCount(); ++index)
    {
        fHoveredWidgets.AddItem(entered[index]);
        GQUIHelpHandler::SetDelayedHelp(entered[index], texts[index]);
    }
}

// --- the time idler ---

GQUIHelpHandlerTimeIdler::~GQUIHelpHandlerTimeIdler()
{
    UnSubscribe(GQUIHelpHandler::cIdleSignal);
}

void GQUIHelpHandlerTimeIdler::Receive(int signalId, GEmptyMessage const&)
{
    if (signalId == GQUIHelpHandler::cIdleSignal)
        fFunction();
}

// --- a handler ---

GQUIHelpHandler::GQUIHelpHandler(QTextEdit* pane, int delay)
    : fPane(pane),
      fDelay(delay)
{
}

int GQUIHelpHandler::AddHelpText(QWidget const* widget, GString const& text)
{
    fTimer.Restart();
    fTexts.AddItem(text);
    fWidgets.AddItem(widget);
    return fTexts.GetCount();
}

int GQUIHelpHandler::RemoveHelpText()
{
    if (fTexts.GetCount() == 0)
        return 0;
    fTexts.RemoveLastItem();
    fWidgets.RemoveLastItem();
    if (fTexts.GetCount() > 0)
        fTimer.Restart();
    else
        fTimer.Stop();
    return fTexts.GetCount();
}

void GQUIHelpHandler::RemoveTextsOf(QWidget const* widget)
{
    for (int index = fWidgets.GetCount() - 1; index >= 0; --index)
    {
        if (fWidgets[index] == widget)
        {
            fWidgets.RemoveItemAt(index);
            fTexts.RemoveItemAt(index);
        }
    }
    if (fTexts.GetCount() == 0)
    {
        fTimer.Stop();
        DeactivateHandler(this);
    }
}

bool GQUIHelpHandler::CheckAndActivate()
{
    if (fTimer.GetElapsedSeconds() * 1000.0 < fDelay)
        return false;
    fTimer.Stop();
    if (fPane && fTexts.GetCount() > 0)
        fPane->setText(GQStringSupport::ToQString(fTexts[fTexts.GetCount() - 1]));
    return true;
}

// --- the statics ---

void GQUIHelpHandler::Initialize()
{
    if (!sInternalListener)
        sInternalListener = new GQUIHelpHandlerListener;
}

void GQUIHelpHandler::Finalize()
{
    delete sInternalListener;
    sInternalListener = nullptr;
}

void GQUIHelpHandler::RegisterHelpComponent(QWidget const* component, QTextEdit* pane)
{
    UnregisterHelpComponent(component);
    sPaneToHandler.Put(component, new GQUIHelpHandler(pane, cDelay));
    QObject::connect(component, &QObject::destroyed, [component] { UnregisterHelpComponent(component); });
}

void GQUIHelpHandler::UnregisterHelpComponent(QWidget const* component)
{
    GQUIHelpHandler* handler = nullptr;
    if (!sPaneToHandler.Get(component, handler))
        return;
    sActiveHandlers.RemoveItemAll(handler);
    sPaneToHandler.Remove(component);
    delete handler;
}

void GQUIHelpHandler::RegisterHelp(QWidget* widget, GString const& text)
{
    if (!sInternalListener || !widget)
        return;
    if (!sInternalListener->HasHelp(widget))
        QObject::connect(widget, &QObject::destroyed, [widget] { ForgetWidget(widget); });
    sInternalListener->SetHelp(widget, text);
}

void GQUIHelpHandler::RegisterHelp(QWidget* widget, int id)
{
    RegisterHelp(widget, GStringPool::GetString(id));
}

void GQUIHelpHandler::UnregisterHelp(QWidget* widget)
{
    if (sInternalListener)
        sInternalListener->RemoveHelp(widget);
}

void GQUIHelpHandler::ForgetWidget(QWidget const* widget)
{
    if (sInternalListener)
        sInternalListener->RemoveHelp(widget);
    // Collected first: a handler that empties leaves the active ones.
    GTable<GQUIHelpHandler*> handlers;
    sPaneToHandler.ForEach([&handlers](QWidget const*, GQUIHelpHandler* handler) { handlers.AddItem(handler); });
    for (int index = 0; index < handlers.GetCount(); ++index)
        handlers[index]->RemoveTextsOf(widget);
}

GQUIHelpHandler* GQUIHelpHandler::FindHandler(QWidget const* widget)
{
    for (; widget; widget = widget->parentWidget())
    {
        GQUIHelpHandler* handler = nullptr;
        if (sPaneToHandler.Get(widget, handler))
            return handler;
    }
    return nullptr;
}

QWidget const* GQUIHelpHandler::GetHelpfullPane(QWidget const* widget)
{
    for (; widget; widget = widget->parentWidget())
        if (sPaneToHandler.Contains(widget))
            return widget;
    return nullptr;
}

void GQUIHelpHandler::SetDelayedHelp(QWidget const* widget, GString const& text)
{
    GQUIHelpHandler* const handler = FindHandler(widget);
    if (!handler)
        return;
    if (widget->window()->windowModality() == Qt::NonModal)
    {
        handler->AddHelpText(widget, text);
        ActivateHandler(handler);
        return;
    }
    DeactivateHandler(handler);
    if (handler->fPane)
        handler->fPane->setText(GQStringSupport::ToQString(text));
}

void GQUIHelpHandler::SetDelayedHelp(QWidget const* widget, int id)
{
    SetDelayedHelp(widget, GStringPool::GetString(id));
}

void GQUIHelpHandler::SetImmediateHelp(QWidget const* widget, GString const& text)
{
    GQUIHelpHandler* const handler = FindHandler(widget);
    if (!handler)
        return;
    DeactivateHandler(handler);
    if (handler->fPane)
        handler->fPane->setText(GQStringSupport::ToQString(text));
}

void GQUIHelpHandler::SetImmediateHelp(QWidget const* widget, int id)
{
    SetImmediateHelp(widget, GStringPool::GetString(id));
}

void GQUIHelpHandler::StopDelayedHelp(QWidget const* widget)
{
    GQUIHelpHandler* const handler = FindHandler(widget);
    if (!handler)
        return;
    if (handler->RemoveHelpText() > 0)
        ActivateHandler(handler);
    else
        DeactivateHandler(handler);
}

void GQUIHelpHandler::ActivateHandler(GQUIHelpHandler* handler)
{
    for (int index = 0; index < sActiveHandlers.GetCount(); ++index)
        if (sActiveHandlers[index] == handler)
            return;
    sActiveHandlers.AddItem(handler);
    if (sActiveHandlers.GetCount() == 1)
        UpdateListenState();
}

void GQUIHelpHandler::DeactivateHandler(GQUIHelpHandler* handler)
{
    sActiveHandlers.RemoveItemAll(handler);
    if (sActiveHandlers.GetCount() == 0)
        DeleteTimeIdler();
}

void GQUIHelpHandler::UpdateListenState()
{
    if (sActiveHandlers.GetCount() == 0)
    {
        DeleteTimeIdler();
        return;
    }
    // One idler only, whatever was there before.
    if (!sTimeIdler)
    {
        sTimeIdler = new GQUIHelpHandlerTimeIdler(&GQUIHelpHandler::Listen);
        sTimeIdler->Subscribe(cIdleSignal);
    }
}

void GQUIHelpHandler::DeleteTimeIdler()
{
    delete sTimeIdler;
    sTimeIdler = nullptr;
}

void GQUIHelpHandler::Listen()
{
    GTable<GQUIHelpHandler*> const asked = sActiveHandlers;
    for (int index = 0; index < asked.GetCount(); ++index)
        if (asked[index]->CheckAndActivate())
            sActiveHandlers.RemoveItemAll(asked[index]);
    if (sActiveHandlers.GetCount() == 0)
        DeleteTimeIdler();
}
