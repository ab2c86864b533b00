// Round-robin turns for the idle-time clients on the repeater signal.
#include "GIdleTimeManager.h"

#include "GIdleTimeClient.h"
#include "GMutexLocker.h"

GIdleTimeManager* GIdleTimeManager::sInstance = nullptr;

namespace
{
template<class T>
int IndexOf(GTable<T> const& table, T const& item)
{
    for (int i = 0; i < table.GetCount(); ++i)
    {
        if (table[i] == item)
            return i;
    }
    return -1;
}
} // namespace

void GIdleTimeManager::Initialize()
{
    sInstance = new GIdleTimeManager;
}

void GIdleTimeManager::Finalize()
{
    delete sInstance;
    sInstance = nullptr;
}

void GIdleTimeManager::RegisterClient(GIdleTimeClient* client)
{
    if (IndexOf(fClients, client) >= 0)
        return;
    fClients.AddItem(client);
    UpdateSubscription();
}

void GIdleTimeManager::UnRegisterClient(GIdleTimeClient* client)
{
    int index = IndexOf(fClients, client);
    if (index >= 0)
        fClients.RemoveItemAt(index);
    UpdateSubscription();
}

int GIdleTimeManager::AdvanceIndex()
{
    int count = fClients.GetCount();
    if (count == 0)
        return -1;
    int index = fLastIndex + 1;
    if (index >= count)
        index = 0;
    fLastIndex = index;
    return index;
}

void GIdleTimeManager::GiveTurn(int index)
{
    GIdleTimeClient* client = fClients[index];
    // A slot without a client is passed over.
    if (client && !client->DoIdleTime())
        UnRegisterClient(client);
}

bool GIdleTimeManager::Execute()
{
    int index = AdvanceIndex();
    if (index < 0)
        return false;
    GiveTurn(index);
    return NeedsNextRun();
}

GIdleTimeClient* GIdleTimeManager::ScheduleIdleTimeClient()
{
    int index = AdvanceIndex();
    return index < 0 ? nullptr : fClients[index];
}

void GIdleTimeManager::Receive(int id, GEmptyMessage const&)
{
    if (id != cRepeaterSignal || fTimer.GetElapsedSeconds() < cMinInterval)
        return;
    struct ExecutingScope
    {
        bool& fFlag;
        bool fSaved;
        explicit ExecutingScope(bool& flag) : fFlag(flag), fSaved(flag) { fFlag = true; }
        ~ExecutingScope() { fFlag = fSaved; }
    } executing(fExecuting);

    fTimer.Restart();
    // Every run gives at least one turn, however long the last one took.
    if (NeedsNextRun())
        GiveTurn(AdvanceIndex());
    while (NeedsNextRun() && fTimer.GetElapsedSeconds() < cTimeBudget)
        GiveTurn(AdvanceIndex());
    UpdateSubscription();
}

void GIdleTimeManager::UpdateSubscription()
{
    GMutexLocker locker(fMutex);
    bool subscribed = IndexOf(fSignalIDs, cRepeaterSignal) >= 0;
    if (fClients.GetCount() == 0 && subscribed)
    {
        fTimer.Stop();
        UnSubscribe(cRepeaterSignal);
    }
    else if (fClients.GetCount() > 0 && !subscribed)
    {
        Subscribe(cRepeaterSignal);
        // From 0: what the timer showed when the last client went is no time since a run, and the
        // first run comes a full interval from now.
        fTimer.Restart();
    }
}
