// A fuzz target run inside a test over its seed corpus and over damaged copies of the seeds, so that
// it is exercised in every test run; a target aborts when one of its properties breaks.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace testsupport
{
using FuzzTarget = int (*)(std::uint8_t const* data, std::size_t size);

inline int RunFuzzTarget(FuzzTarget target, std::string const& input)
{
    return target(reinterpret_cast<std::uint8_t const*>(input.data()), input.size());
}

// Each seed as it is, then `rounds` times with a few bytes overwritten, cut short, with a piece cut
// out and with a piece repeated. The engine's seed keeps a failing damage the same from run to run.
inline void RunFuzzCorpus(FuzzTarget target, std::filesystem::path const& corpus, std::uint32_t engineSeed,
                          int rounds)
{
    std::mt19937 engine(engineSeed);
    int seeds = 0;
    for (auto const& entry : std::filesystem::directory_iterator(corpus))
    {
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::string const seed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(0, RunFuzzTarget(target, seed));
        ++seeds;
        for (int round = 0; round < rounds && !seed.empty(); ++round)
        {
            std::string damaged = seed;
            for (int hits = 1 + static_cast<int>(engine() % 4); hits > 0; --hits)
                damaged[engine() % damaged.size()] = static_cast<char>(engine());
            EXPECT_EQ(0, RunFuzzTarget(target, damaged));
            EXPECT_EQ(0, RunFuzzTarget(target, seed.substr(0, engine() % seed.size())));
            std::size_t const at = engine() % seed.size();
            std::size_t const length = engine() % (seed.size() - at) + 1;
            EXPECT_EQ(0, RunFuzzTarget(target, seed.substr(0, at) + seed.substr(at + length)));
            EXPECT_EQ(0, RunFuzzTarget(target, seed.substr(0, at + length) + seed.substr(at)));
        }
    }
    EXPECT_GT(seeds, 0) << "no seeds in " << corpus;
}
} // namespace testsupport
