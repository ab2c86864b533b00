// The delivery channel's fuzz target run over its seed corpus and over random damage, so that it is
// exercised in every test run: the target aborts when the registry, a queue or a send breaks one of
// its properties.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "GPPIPCManager.h"
#include "PeerProcess.h"
#include "SharedObjects.h"

extern "C" int DeliveryChannelFuzzTestOneInput(std::uint8_t const* data, std::size_t size);

namespace fs = std::filesystem;

namespace
{
class DeliveryChannelFuzzTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GPPIPCManager::Initialize();
        GPPIPCManager::GetInstance()->SetTakeWait(1, 0);
    }
    void TearDown() override { GPPIPCManager::Finalize(); }

    deliverytest::PeerLock fMachineWide;
    deliverytest::SpecialIDScope fSpecialIDs;
};

void Put(std::vector<std::uint8_t>& bytes, std::int32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
}
} // namespace

TEST_F(DeliveryChannelFuzzTest, KeepsToItsPropertiesOverTheSeedCorpus)
{
    fs::path const corpus = fs::path(SENDRIX_FUZZ_CORPUS) / "DeliveryChannelFuzz";
    int seeds = 0;
    for (auto const& entry : fs::directory_iterator(corpus))
    {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream file(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> const input((std::istreambuf_iterator<char>(file)),
                                              std::istreambuf_iterator<char>());
        EXPECT_EQ(DeliveryChannelFuzzTestOneInput(input.data(), input.size()), 0);
        ++seeds;
    }
    EXPECT_GT(seeds, 0) << "no seeds in " << corpus;
}

TEST_F(DeliveryChannelFuzzTest, KeepsToItsPropertiesUnderRandomDamage)
{
    // Offsets and lengths near the values that matter more often than anywhere else.
    std::mt19937 engine(20261211);
    auto pick = [&](std::uint32_t limit) { return static_cast<std::int32_t>(engine() % limit); };
    auto near = [&](std::int32_t value)
    { return pick(4) == 0 ? static_cast<std::int32_t>(engine()) : value + pick(25) - 12; };
    // A version of 0 stands for a header still being written, which an opener waits a second for.
    auto version = [&]
    {
        std::int32_t const value = pick(5) == 0 ? near(1) : 1;
        return value == 0 ? 2 : value;
    };
    for (int round = 0; round < 300; ++round)
    {
        std::vector<std::uint8_t> registry;
        Put(registry, version());
        Put(registry, static_cast<std::int32_t>(engine()));
        Put(registry, near(12 * pick(258)));
        for (int entry = pick(4); entry > 0; --entry)
        {
            Put(registry, pick(3) == 0 ? getpid() : -pick(1000));
            Put(registry, near(0));
            Put(registry, pick(2));
        }
        std::vector<std::uint8_t> queue;
        Put(queue, version());
        std::int32_t const records = pick(4);
        std::vector<std::int32_t> lengths;
        std::int32_t end = 8;
        for (int i = 0; i < records; ++i)
        {
            std::int32_t const n = pick(40);
            lengths.push_back(n);
            end += 20 + n;
        }
        Put(queue, near(end));
        for (std::int32_t n : lengths)
        {
            Put(queue, pick(6) == 0 ? 2 : 1);
            Put(queue, near(12 + n));
            Put(queue, getpid());
            Put(queue, 145 + pick(2));
            Put(queue, near(n));
            for (int i = 0; i < n; ++i)
                queue.push_back(static_cast<std::uint8_t>(engine()));
        }
        std::vector<std::uint8_t> input;
        input.push_back(static_cast<std::uint8_t>(engine()));
        input.push_back(static_cast<std::uint8_t>(registry.size()));
        input.push_back(static_cast<std::uint8_t>(registry.size() >> 8));
        input.insert(input.end(), registry.begin(), registry.end());
        input.insert(input.end(), queue.begin(), queue.end());
        SCOPED_TRACE(round);
        ASSERT_EQ(DeliveryChannelFuzzTestOneInput(input.data(), input.size()), 0);
    }
}
