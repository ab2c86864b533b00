// Shares the repeater time (signal 101) among the registered idle-time clients: at most four runs
// a second, each giving one client a turn and then further clients while 0.05 seconds last. It
// listens to the signal only while it has clients.
#pragma once

#include "GEmptyMessage.h"
#include "GReceiver.h"
#include "GTable.h"
#include "GTimer.h"

class GIdleTimeClient;

class GIdleTimeManager : public GReceiver<GEmptyMessage>
{
public:
    static constexpr int cRepeaterSignal = 101;
    static constexpr double cMinInterval = 0.25;
    static constexpr double cTimeBudget = 0.05;

    GIdleTimeManager() = default;
    // Frees the client table (not the clients); the receiver's destructor leaves the signal.
    ~GIdleTimeManager() override = default;

    // A run when id is the repeater signal; other ids are ignored. A client that throws ends the
    // run: the exception passes on and the next run starts with the client after it.
    void Receive(int id, GEmptyMessage const& message) override;

    // A client already registered changes nothing. Clients are not owned.
    void RegisterClient(GIdleTimeClient* client);
    void UnRegisterClient(GIdleTimeClient* client);

    // One turn outside a run; whether clients remain (false at once when there are none).
    bool Execute();
    // The next client in turn, without giving it the turn; null without clients.
    GIdleTimeClient* ScheduleIdleTimeClient();
    bool NeedsNextRun() const { return fClients.GetCount() > 0; }
    bool IsExecuting() const { return fExecuting; }

    // Creates the manager and keeps it as the instance; the framework's start-up calls it once.
    static void Initialize();
    // Deletes the instance.
    static void Finalize();
    static GIdleTimeManager* GetInstance() { return sInstance; }

private:
    // Moves the index on to the next client, wrapping to the first; -1 without clients.
    int AdvanceIndex();
    // Gives the client at the index its turn and drops it when it asks to be dropped.
    void GiveTurn(int index);
    // Listens to the repeater signal exactly while there are clients; the timer runs meanwhile.
    void UpdateSubscription();

    GTimer fTimer;
    int fLastIndex = 0;
    GTable<GIdleTimeClient*> fClients;
    bool fExecuting = false;

    static GIdleTimeManager* sInstance;
};
