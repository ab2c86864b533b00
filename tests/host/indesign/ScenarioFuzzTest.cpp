// The scenario reader's fuzz target run over its seed corpus and over damaged copies of the seeds.
#include <gtest/gtest.h>

#include <filesystem>

#include "FuzzCorpus.h"

extern "C" int ScenarioFuzzTestOneInput(std::uint8_t const* data, std::size_t size);

namespace
{
TEST(ScenarioFuzzTest, KeepsToItsPropertiesOverTheSeedsAndTheirDamage)
{
    testsupport::RunFuzzCorpus(ScenarioFuzzTestOneInput,
                               std::filesystem::path(SENDRIX_FUZZ_CORPUS) / "ScenarioFuzz", 20251211, 40);
}
} // namespace
