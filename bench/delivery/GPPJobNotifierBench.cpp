// A job sent to the test peer of the "RozorazIzivozada" process: the sender's own time, that is the
// time the send takes beyond its waits for the peer to take the job (the peer's polling, which the
// channel's design fixes, is not counted), measured as the sending thread's CPU time.
#include "BenchRatio.h"

#include <chrono>
#include <csignal>
#include <ctime>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "GBasicFrameworkCoreLayer.h"
#include "GPPIPCManager.h"
#include "GPPJobInfo.h"
#include "GPPJobNotifier.h"
#include "GProcessInfo.h"
#include "GShMemID.h"
#include "PMacXProcessInfo.h"

namespace
{
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The job both benchmarks send.
GPPJobInfo BenchJob()
{
    GPathName path;
    path.SetNativePathString(GString("/tmp/Sendrixor/job.pdf"));
    return GPPJobInfo(GString("bench"), path, GString("Sendrixor"), GString("Port"), 1, GString("id"));
}

double sWallSeconds = 0;
double sCPUSeconds = 0;
int sSends = 0;

void BM_JobToPeerSenderTime(benchmark::State& state)
{
    GPPJobInfo const job = BenchJob();
    for (auto _ : state)
    {
        auto const start = std::chrono::steady_clock::now();
        double const cpu = ThreadSeconds();
        bool const sent = GPPJobNotifier(job).TrySendNotification();
        double const used = ThreadSeconds() - cpu;
        if (!sent)
        {
            state.SkipWithError("the peer did not take the job");
            return;
        }
        state.SetIterationTime(used);
        sCPUSeconds += used;
        sWallSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++sSends;
    }
}
BENCHMARK(BM_JobToPeerSenderTime)->Iterations(12)->UseManualTime()->Unit(benchmark::kMicrosecond);

pid_t sPeer = 0;
double sQueueCPUSeconds = 0;
int sQueueSends = 0;

// The same job written to the peer's queue with the one-queue send alone: the channel's part of the
// sender's time, without the look-ups in the process table that find the peer.
void BM_JobToPeerQueueSenderTime(benchmark::State& state)
{
    GPPJobInfo const job = BenchJob();
    GBuffer const data = job.ToMessageData();
    GPPIPCManager& manager = *GPPIPCManager::GetInstance();
    int session = 0;
    GTable<int> registrations;
    manager.GetQueueManager()->GetRegistered(sPeer, session, registrations);
    if (registrations.GetCount() == 0)
    {
        state.SkipWithError("the peer is not registered");
        return;
    }
    for (auto _ : state)
    {
        double const cpu = ThreadSeconds();
        bool const sent = manager.SendOnceRaw(session, sPeer, registrations[0], GPPJobInfo::cJobMessage, data);
        double const used = ThreadSeconds() - cpu;
        if (!sent)
        {
            state.SkipWithError("the peer did not take the job");
            return;
        }
        state.SetIterationTime(used);
        sQueueCPUSeconds += used;
        ++sQueueSends;
    }
}
BENCHMARK(BM_JobToPeerQueueSenderTime)->Iterations(12)->UseManualTime()->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    GProcessInfo::SetInstance(new PMacXProcessInfo);
    GShMemID::Initialize();
    GPPIPCManager::Initialize();
    std::string const jobs = "/tmp/sendrix-bench-jobs-" + std::to_string(getpid());
    pid_t const peer = fork();
    if (peer == 0)
    {
        execl(SENDRIX_PEER_PATH, SENDRIX_PEER_PATH, jobs.c_str(), "listen", "100", static_cast<char*>(nullptr));
        _exit(127);
    }
    sPeer = peer;
    for (int i = 0; i < 500 && GPPIPCManager::GetInstance()->GetListeningState(peer) != GPPIPCManager::cListening;
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    bench::Times const times = bench::RunAll(argc, argv);
    kill(peer, SIGTERM);
    waitpid(peer, nullptr, 0);
    unlink(jobs.c_str());
    if (sSends > 0)
    {
        char text[64];
        std::snprintf(text, sizeof text, "%.3f ms (wall %.0f ms)", 1000 * sCPUSeconds / sSends,
                      1000 * sWallSeconds / sSends);
        bench::PrintFigure("Job sent to the test peer: sender's own time",
                           "the peer's polling (100 ms) and the 300 ms test interval not counted", text,
                           "goal < 1 ms");
    }
    if (sQueueSends > 0)
    {
        char text[64];
        std::snprintf(text, sizeof text, "%.3f ms", 1000 * sQueueCPUSeconds / sQueueSends);
        bench::PrintFigure("Job written to the peer's queue (one-queue send): sender's own time",
                           "the peer's polling not counted; no process-table look-ups", text, "goal < 1 ms");
    }
    (void)times;
    GPPIPCManager::Finalize();
    GShMemID::Finalize();
    GProcessInfo::SetInstance(nullptr);
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
