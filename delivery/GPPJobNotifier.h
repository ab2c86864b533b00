// GPPJobNotifier: announces one job to every listening "RozorazIzivozada" process over the
// shared-memory message channel.
#pragma once

#include "GBuffer.h"
#include "GTable.h"

class GPPJobInfo;
class GString;

class GPPJobNotifier
{
public:
    // The job must outlive the notifier.
    explicit GPPJobNotifier(GPPJobInfo const& job);

    // True when at least one process took the job. A failure towards one process does not keep the
    // job from the next.
    bool TrySendNotification();
    // The same, listing the processes that took the job, in the order they were asked.
    bool TrySendNotification(GTable<int>& takenBy);
    // Sends message 146 to the listening processes, this one too unless excluded; true when one
    // took it.
    static bool TrySendTerminateNotification(bool includeThisProcess);

    // "RozorazIzivozada", the name the receiving processes run under.
    static GString const& GetProcessName();

private:
    // Sends the bytes as the message to every listening process of the name but, unless included,
    // this one; appends those that took it.
    static void SendToListening(int messageID, GBuffer const& data, bool includeThisProcess, GTable<int>& takenBy);

    GPPJobInfo const& fJob;
};
