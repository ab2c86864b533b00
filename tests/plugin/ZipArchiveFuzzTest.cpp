// The fuzz target of hostile archives run over its seed corpus and over damaged copies of the seeds.
#include <gtest/gtest.h>

#include <filesystem>

#include "FuzzCorpus.h"

extern "C" int ZipArchiveFuzzOneInput(std::uint8_t const* data, std::size_t size);

namespace
{
TEST(ZipArchiveFuzzTest, KeepsToItsPropertiesOverTheSeedsAndTheirDamage)
{
    testsupport::RunFuzzCorpus(ZipArchiveFuzzOneInput,
                               std::filesystem::path(SENDRIX_FUZZ_CORPUS) / "ZipArchiveFuzz", 20240611, 30);
}
} // namespace
