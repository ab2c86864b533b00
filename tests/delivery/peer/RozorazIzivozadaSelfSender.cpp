// A sender that is itself named "RozorazIzivozada" and listens, as a copy of the receiving process
// that announces jobs would: it fills its own queue so that a job it sent to itself could only wait
// among its delayed messages, announces one job, and tells by its exit code what became of it.
//
//     RozorazIzivozada
//
// Exit codes: 0 when the job went to another process and not to itself; 1 when no process took it;
// 2 when it was sent to this process; 3 and above when the sender could not be set up.
#include <unistd.h>

#include "GBasicFrameworkCoreLayer.h"
#include "GException.h"
#include "GPPIPCManager.h"
#include "GPPIPCMessageQueue.h"
#include "GPPIPCReceiver.h"
#include "GPPJobInfo.h"
#include "GPPJobNotifier.h"
#include "GPPRozorazIzivozadaLayer.h"
#include "GPathName.h"
#include "GString.h"

namespace
{
class Ignorer : public GPPIPCReceiver
{
public:
    void ReceiveMessage(GPPIPCMessage const&) override {}
};

int Run()
{
    GPPIPCManager& manager = *GPPIPCManager::GetInstance();
    Ignorer receiver;
    manager.Register(GPPJobInfo::cJobMessage, &receiver);
    int const registration = manager.GetOwnRegistrationID();
    if (registration == 0)
        return 3;
    bool created = false;
    GPPIPCMessageQueue own(manager.GetQueueManager()->GetSession(), getpid(), registration, created);
    GBuffer filler;
    filler.SetLength(GPPIPCMessageQueue::cQueueSize - GPPIPCMessageQueue::cRecordsOffset -
                     GPPIPCMessageQueue::cRecordHeaderSize);
    if (!own.TryToAddRawMessage(1, filler))
        return 4;
    GPathName path;
    path.SetNativePathString(GString("/tmp/Sendrixor A/self.pdf"));
    GPPJobInfo const job(GString("anna"), path, GString("Sendrixor A"), GString("Port 1"), 1, GString("x7"));
    GTable<int> takenBy;
    bool const sent = GPPJobNotifier(job).TrySendNotification(takenBy);
    int result = sent ? 0 : 1;
    for (int i = 0; i < takenBy.GetCount(); ++i)
        if (takenBy[i] == getpid())
            result = 2;
    if (manager.GetDelayedMessages().GetCount() != 0)
        result = 2;
    manager.Unregister(GPPJobInfo::cJobMessage, &receiver);
    return result;
}
} // namespace

int main()
{
    int result = 5;
    try
    {
        GPPRozorazIzivozadaLayer::Initialize();
        result = Run();
        GPPRozorazIzivozadaLayer::Finalize();
    }
    catch (GException const&)
    {
        result = 6;
    }
    return result;
}
