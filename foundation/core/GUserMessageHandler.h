// Deferred user messages: code that must not show a dialog now (a worker thread, a point inside a
// modal loop) queues a command, and the queue is run in order when idle time (signal 100) is
// delivered.
#pragma once

#include "GAutoPtr.h"
#include "GAutoTable.h"
#include "GCommand.h"
#include "GEmptyMessage.h"
#include "GReceiver.h"
#include "GString.h"
#include "PUNIXMutexImp.h"

class GUserMessageHandler : private GReceiver<GEmptyMessage>
{
public:
    static constexpr int cIdleSignal = 100;

    // Shows one error message through the installed user-message service.
    class ErrorMessageObject : public GCommand
    {
    public:
        ErrorMessageObject(GString const& title, GString const& text) : fTitle(title), fText(text) {}
        void Execute() override;

    private:
        GString fTitle;
        GString fText;
    };

    // Makes the handler with an empty queue; a handler made before is kept with its queue.
    static void Initialize();
    // Deletes the handler and the commands it never ran.
    static void Finalize();
    // None before Initialize and after Finalize.
    static GUserMessageHandler* GetInstance() { return sInstance; }

    // Any thread. The queue owns the command from now on; a null one is not queued.
    void RegisterMessage(GAutoPtr<GCommand, GDeletePtr> command);
    void RegisterErrorMessage(GString const& title, GString const& text);

    // Idle time runs every queued command, oldest first, those queued meanwhile included, each
    // outside the queue's lock, then stops listening. A command that throws is deleted and its
    // exception passes on; the commands behind it wait for the next idle time. Other ids are
    // ignored. Meant to be called by the signal, which holds its own mutex meanwhile.
    void Receive(int signalId, GEmptyMessage const& message) override;

    // Whether the handler listens to idle time: from the first command queued until an idle time
    // finds the queue empty.
    bool IsListening();

    ~GUserMessageHandler() override;

private:
    GUserMessageHandler() = default;

    // Called with fQueueMutex held, so that a queuing thread sees the handler either listening
    // or not, never half-way.
    void StopListening();

    PUNIXMutexImp fQueueMutex;
    GAutoTable<GCommand> fQueue;
    // Guarded by fQueueMutex; set by the thread that is about to join the signal. A queuing
    // thread joins only while the handler is off the signal, never because the queue looked
    // empty: a delivery that has just run the last command is still on the signal and about to
    // leave it, taking the receiver's mutex under the signal's, while a thread joining holds the
    // receiver's mutex and waits for the signal's.
    bool fListening = false;

    static GUserMessageHandler* sInstance;
};
