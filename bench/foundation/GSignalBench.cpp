// GSignal::Send to 10 receivers against calling 10 std::function objects with the same message.
#include "BenchRatio.h"

#include <functional>
#include <memory>
#include <vector>

#include "GEmptyMessage.h"
#include "GReceiver.h"
#include "GSignal.h"
#include "GSignalBase.h"

namespace
{
constexpr int cReceivers = 10;
constexpr int cSignalID = 4242;

class Counter : public GReceiver<GEmptyMessage>
{
public:
    void Receive(int signalId, GEmptyMessage const&) override { fCount += signalId; }
    long fCount = 0;
};

void BM_StdFunctionCalls(benchmark::State& state)
{
    std::vector<long> counts(cReceivers);
    std::vector<std::function<void(int, GEmptyMessage const&)>> receivers;
    for (int i = 0; i < cReceivers; ++i)
        receivers.emplace_back([&counts, i](int signalId, GEmptyMessage const&) { counts[i] += signalId; });
    GEmptyMessage const message;
    for (auto _ : state)
    {
        for (auto const& receiver : receivers)
            receiver(cSignalID, message);
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(counts.data());
    state.SetItemsProcessed(state.iterations() * cReceivers);
}

void BM_GSignalSend(benchmark::State& state)
{
    GSignalBase::Initialize();
    std::vector<std::unique_ptr<Counter>> receivers;
    for (int i = 0; i < cReceivers; ++i)
    {
        receivers.push_back(std::make_unique<Counter>());
        receivers.back()->Subscribe(cSignalID);
    }
    GSignal<GEmptyMessage>* signal = GSignal<GEmptyMessage>::GetSignal(cSignalID);
    GEmptyMessage const message;
    for (auto _ : state)
    {
        signal->Send(message);
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(receivers.front()->fCount);
    state.SetItemsProcessed(state.iterations() * cReceivers);
    receivers.clear();
    GSignalBase::Finalize();
}

BENCHMARK(BM_StdFunctionCalls);
BENCHMARK(BM_GSignalSend);
} // namespace

int main(int argc, char** argv)
{
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "GSignal::Send to 10 receivers time / 10 std::function calls time",
                          "BM_GSignalSend", "BM_StdFunctionCalls", "goal <= 3");
    return 0;
}
