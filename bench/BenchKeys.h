// The key set that the dictionary and string benchmarks look up, the same on both sides of a ratio.
#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace bench
{
constexpr int cKeys = 10000;

// Texts shaped like the framework's keys (preference groups and keys, file-type extensions).
inline std::vector<std::string> const& KeyTexts()
{
    static std::vector<std::string> const texts = []
    {
        std::vector<std::string> result;
        for (int i = 0; i < cKeys; ++i)
            result.push_back((i % 3 == 0 ? "Group" : "PrefKey.") + std::to_string(i * 7919 % 100003));
        return result;
    }();
    return texts;
}

// The order of the lookups, shuffled so that neither side walks its storage in order.
inline std::vector<int> const& LookupOrder()
{
    static std::vector<int> const order = []
    {
        std::vector<int> result(cKeys);
        for (int i = 0; i < cKeys; ++i)
            result[i] = i;
        std::shuffle(result.begin(), result.end(), std::mt19937(42));
        return result;
    }();
    return order;
}
} // namespace bench
