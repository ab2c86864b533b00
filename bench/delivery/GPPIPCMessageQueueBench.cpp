// A message queue against a POSIX message queue of the same sizes: 10,000 records of 100 bytes
// appended and taken, ten at a time (the POSIX queue's default depth).
#include "BenchRatio.h"
#include "delivery/SharedObjectBench.h"

#include <fcntl.h>
#include <mqueue.h>
#include <vector>

#include "GBasicFrameworkCoreLayer.h"
#include "GBuffer.h"
#include "GPPIPCMessageQueue.h"
#include "GProcessInfo.h"
#include "GShMemID.h"
#include "PMacXProcessInfo.h"

namespace
{
constexpr int cRecords = 10000;
constexpr int cBatch = 10;
constexpr int cBytes = 100;

void BM_QueueAppendTake(benchmark::State& state)
{
    bool created = false;
    GPPIPCMessageQueue queue(-1, getpid(), 424242, created);
    GBuffer data;
    data.SetLength(cBytes);
    std::memset(data.GetWritePtr(), 0x5A, cBytes);
    GTable<GSmartPtr<GPPIPCMessage> > messages;
    for (auto _ : state)
    {
        for (int done = 0; done < cRecords; done += cBatch)
        {
            for (int i = 0; i < cBatch; ++i)
                queue.TryToAddRawMessage(145, data);
            queue.ReadPendingMessages(messages);
            benchmark::DoNotOptimize(messages[cBatch - 1]->GetData().GetPtr());
        }
    }
}
BENCHMARK(BM_QueueAppendTake)->Unit(benchmark::kMillisecond);

void BM_PosixQueueSendReceive(benchmark::State& state)
{
    std::string const name = "/" + bench::OwnName("Mq");
    mq_attr attributes{};
    attributes.mq_maxmsg = cBatch;
    attributes.mq_msgsize = cBytes;
    mq_unlink(name.c_str());
    mqd_t const queue = mq_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600, &attributes);
    if (queue == static_cast<mqd_t>(-1))
    {
        state.SkipWithError("mq_open failed");
        return;
    }
    std::vector<char> out(cBytes, 0x5A);
    std::vector<char> in(cBytes);
    for (auto _ : state)
    {
        for (int done = 0; done < cRecords; done += cBatch)
        {
            for (int i = 0; i < cBatch; ++i)
                mq_send(queue, out.data(), cBytes, 0);
            for (int i = 0; i < cBatch; ++i)
                mq_receive(queue, in.data(), cBytes, nullptr);
            benchmark::DoNotOptimize(in.data());
        }
    }
    mq_close(queue);
    mq_unlink(name.c_str());
}
BENCHMARK(BM_PosixQueueSendReceive)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    GProcessInfo::SetInstance(new PMacXProcessInfo);
    GShMemID::Initialize();
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times,
                          "Append+take of 10,000 records of 100 bytes time / mq_send+mq_receive time",
                          "BM_QueueAppendTake", "BM_PosixQueueSendReceive", "goal <= 2");
    GShMemID::Finalize();
    GProcessInfo::SetInstance(nullptr);
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
