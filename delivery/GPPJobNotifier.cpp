// Job announcements to the "RozorazIzivozada" processes.
#include "GPPJobNotifier.h"

#include "GException.h"
#include "GPPIPCManager.h"
#include "GPPJobInfo.h"
#include "GProcessInfo.h"
#include "GString.h"

GPPJobNotifier::GPPJobNotifier(GPPJobInfo const& job) : fJob(job) {}

GString const& GPPJobNotifier::GetProcessName()
{
    static GString const sName("RozorazIzivozada");
    return sName;
}

void GPPJobNotifier::SendToListening(int messageID, GBuffer const& data, bool includeThisProcess,
                                     GTable<int>& takenBy)
{
    GPPIPCManager* manager = GPPIPCManager::GetInstance();
    GProcessInfo* processes = GProcessInfo::GetInstance();
    if (!manager || !processes)
        return;
    GTable<int> ids;
    try
    {
        processes->GetProcessID(GetProcessName(), ids, false);
    }
    catch (GException const&)
    {
        return;
    }
    if (!includeThisProcess)
        ids.RemoveItem(processes->GetCurrentProcessID());
    for (int i = 0; i < ids.GetCount(); ++i)
    {
        try
        {
            if (manager->SendOnceRawIfListening(ids[i], messageID, data))
                takenBy.AddItem(ids[i]);
        }
        catch (GException const&)
        {
            // That process's queue failed; the next one may still take the job.
        }
    }
}

bool GPPJobNotifier::TrySendNotification()
{
    GTable<int> takenBy;
    return TrySendNotification(takenBy);
}

bool GPPJobNotifier::TrySendNotification(GTable<int>& takenBy)
{
    takenBy.Resize(0);
    GBuffer data;
    try
    {
        data = fJob.ToMessageData();
    }
    catch (GException const&)
    {
        return false;
    }
    SendToListening(GPPJobInfo::cJobMessage, data, false, takenBy);
    return takenBy.GetCount() > 0;
}

bool GPPJobNotifier::TrySendTerminateNotification(bool includeThisProcess)
{
    GTable<int> takenBy;
    SendToListening(GPPJobInfo::cTerminateMessage, GBuffer(), includeThisProcess, takenBy);
    return takenBy.GetCount() > 0;
}
