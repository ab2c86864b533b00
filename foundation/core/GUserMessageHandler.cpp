// Deferred user messages, run in order at idle time.
#include "GUserMessageHandler.h"

#include "GMutexLocker.h"
#include "GUserMessage.h"

GUserMessageHandler* GUserMessageHandler::sInstance = nullptr;

void GUserMessageHandler::ErrorMessageObject::Execute()
{
    GUserMessage::GetInstance()->ShowErrorMessage(fTitle, fText);
}

void GUserMessageHandler::Initialize()
{
    if (!sInstance)
        sInstance = new GUserMessageHandler;
}

void GUserMessageHandler::Finalize()
{
    GUserMessageHandler* const handler = sInstance;
    sInstance = nullptr;
    delete handler;
}

void GUserMessageHandler::RegisterMessage(GAutoPtr<GCommand, GDeletePtr> command)
{
    if (command.IsNull())
        return;
    bool mustListen = false;
    {
        GMutexLocker locker(fQueueMutex);
        fQueue.AddItem(command.Get());
        command.Release();
        mustListen = !fListening;
        fListening = true;
    }
    // Outside the queue's lock: joining the signal takes its mutex, which a delivery holds
    // while it takes the queue's lock.
    if (mustListen)
    {
        try
        {
            Subscribe(cIdleSignal);
        }
        catch (...) // the next command queued tries again
        {
            GMutexLocker locker(fQueueMutex);
            fListening = false;
            throw;
        }
    }
}

void GUserMessageHandler::RegisterErrorMessage(GString const& title, GString const& text)
{
    RegisterMessage(GAutoPtr<GCommand, GDeletePtr>(new ErrorMessageObject(title, text)));
}

void GUserMessageHandler::Receive(int signalId, GEmptyMessage const&)
{
    if (signalId != cIdleSignal)
        return;
    for (;;)
    {
        GAutoPtr<GCommand, GDeletePtr> next;
        {
            GMutexLocker locker(fQueueMutex);
            if (fQueue.GetCount() == 0)
            {
                if (fListening)
                    StopListening();
                return;
            }
            next.Reset(fQueue[0]);
            fQueue.RemoveItemAt(0);
        }
        next->Execute();
    }
}

bool GUserMessageHandler::IsListening()
{
    GMutexLocker locker(fQueueMutex);
    return fListening;
}

GUserMessageHandler::~GUserMessageHandler()
{
    // Off the signal before the queue goes, so that no delivery reaches a handler half-destroyed.
    GMutexLocker locker(fQueueMutex);
    if (fListening)
        StopListening();
}

void GUserMessageHandler::StopListening()
{
    fListening = false;
    UnSubscribe(cIdleSignal);
}
