// The shared-memory header fuzz target run over its seed corpus and over random damage, so that it
// is exercised in every test run: the target itself aborts when a block breaks one of its
// properties; here each input must also leave no descriptor or mapping of a block behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size);

namespace fs = std::filesystem;

namespace
{
int OpenDescriptors()
{
    int count = 0;
    for (auto const& entry : fs::directory_iterator("/proc/self/fd"))
    {
        (void)entry;
        ++count;
    }
    return count;
}

int SharedMappings()
{
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);)
        if (line.find("/dev/shm/") != std::string::npos)
            ++count;
    return count;
}

void RunInput(std::vector<std::uint8_t> const& input, std::string const& what)
{
    int const descriptors = OpenDescriptors();
    EXPECT_EQ(LLVMFuzzerTestOneInput(input.data(), input.size()), 0) << what;
    EXPECT_EQ(OpenDescriptors(), descriptors) << what << ": a descriptor was left open";
    EXPECT_EQ(SharedMappings(), 0) << what << ": a block was left mapped";
}

// A list entry of no process: 0 or a negative id.
std::uint32_t NotRunning(std::uint32_t random)
{
    return random | 0x80000000u;
}

void Put(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
} // namespace

TEST(SharedMemoryHeaderFuzzTest, KeepsToItsPropertiesOverTheSeedCorpus)
{
    fs::path const corpus = fs::path(SENDRIX_FUZZ_CORPUS) / "SharedMemoryHeaderFuzz";
    int seeds = 0;
    for (auto const& entry : fs::directory_iterator(corpus))
    {
        std::ifstream file(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> const input((std::istreambuf_iterator<char>(file)),
                                              std::istreambuf_iterator<char>());
        RunInput(input, entry.path().filename().string());
        ++seeds;
    }
    EXPECT_GT(seeds, 0) << "no seeds in " << corpus;
}

TEST(SharedMemoryHeaderFuzzTest, KeepsToItsPropertiesUnderRandomDamage)
{
    // Header fields near the values that matter more often than anywhere else; list entries of
    // processes that cannot run, since each one that might costs a walk through the process table.
    std::mt19937 engine(20250115);
    auto random = [&] { return static_cast<std::uint32_t>(engine()); };
    auto pick = [&](std::uint32_t limit) { return random() % limit; };
    int const sizes[] = {0, 3, 16, 64, 4084};
    for (int round = 0; round < 2000; ++round)
    {
        std::vector<std::uint8_t> input;
        std::uint32_t const sizeChoice = pick(5);
        std::int32_t const total = 4108 + sizes[sizeChoice];
        input.push_back(static_cast<std::uint8_t>(sizeChoice));
        input.push_back(static_cast<std::uint8_t>(pick(5)));
        input.push_back(static_cast<std::uint8_t>(pick(12)));
        std::uint32_t const patch = pick(4) == 0 ? pick(65536) : 4108 + 4 * pick(64);
        input.push_back(static_cast<std::uint8_t>(patch));
        input.push_back(static_cast<std::uint8_t>(patch >> 8));
        // A patch of the list straddling two entries would leave their low bytes as ids that
        // might run.
        std::uint32_t const patchAt = patch % static_cast<std::uint32_t>(total - 3);
        Put(input, patchAt >= 4108 ? random() : patchAt % 4 == 0 ? NotRunning(random()) : 0);
        Put(input, pick(3) == 0 ? random() : pick(total) - 4108 + pick(8) - 4);
        Put(input, random());
        std::uint32_t const fields[] = {
            pick(4) == 0 ? static_cast<std::uint32_t>(random() | 1) : total + 4 * (pick(3) - 1) * pick(2),
            pick(8) == 0 ? random() : 1,
            pick(4) == 0 ? random() : 4 * pick(1026),
        };
        for (std::uint32_t field : fields)
            Put(input, field);
        std::uint32_t const entries = pick(9);
        for (std::uint32_t i = 0; i < entries; ++i)
            Put(input, pick(2) == 0 ? 0 : NotRunning(random()));
        // Short inputs: cut within the header's fields, but only by whole list entries, whose
        // remaining low bytes would make ids that might run.
        input.resize(input.size() - (entries == 0 ? pick(5) : 4 * pick(2)));
        RunInput(input, "round " + std::to_string(round));
    }
}
