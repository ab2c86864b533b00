// The fuzz target of hostile archives run over its seed corpus and over damaged copies of the seeds,
// so that it is exercised in every test run; the target aborts when one of its properties breaks.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

#include "HandMadeZip.h"

extern "C" int ZipArchiveFuzzOneInput(std::uint8_t const* data, std::size_t size);

namespace
{
namespace fs = std::filesystem;

int RunTarget(std::string const& input)
{
    return ZipArchiveFuzzOneInput(reinterpret_cast<std::uint8_t const*>(input.data()), input.size());
}

TEST(ZipArchiveFuzzTest, KeepsToItsPropertiesOverTheSeedsAndTheirDamage)
{
    fs::path const corpus = fs::path(SENDRIX_FUZZ_CORPUS) / "ZipArchiveFuzz";
    std::mt19937 engine(20240611);
    int seeds = 0;
    for (auto const& entry : fs::directory_iterator(corpus))
    {
        SCOPED_TRACE(entry.path().string());
        std::string const seed = ziptest::ReadFile(entry.path());
        EXPECT_EQ(0, RunTarget(seed));
        ++seeds;
        // A few bytes overwritten, and the archive cut short.
        for (int round = 0; round < 30 && !seed.empty(); ++round)
        {
            std::string damaged = seed;
            for (int hits = 1 + static_cast<int>(engine() % 4); hits > 0; --hits)
                damaged[engine() % damaged.size()] = static_cast<char>(engine());
            EXPECT_EQ(0, RunTarget(damaged));
            EXPECT_EQ(0, RunTarget(seed.substr(0, engine() % seed.size())));
        }
    }
    EXPECT_GT(seeds, 0) << "no seeds in " << corpus;
}
} // namespace
