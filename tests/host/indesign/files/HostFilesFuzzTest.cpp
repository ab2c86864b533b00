// The fuzz targets of job options and of documents and books run over their seeds and over damaged
// copies of them.
#include <gtest/gtest.h>

#include <filesystem>

#include "FuzzCorpus.h"

extern "C" int JobOptionsFuzzOneInput(std::uint8_t const* data, std::size_t size);
extern "C" int HostDocumentFuzzOneInput(std::uint8_t const* data, std::size_t size);

namespace
{
std::filesystem::path Corpus(char const* target)
{
    return std::filesystem::path(SENDRIX_FUZZ_CORPUS) / target;
}

TEST(HostFilesFuzzTest, JobOptionsKeepToTheirPropertiesOverTheSeedsAndTheirDamage)
{
    testsupport::RunFuzzCorpus(JobOptionsFuzzOneInput, Corpus("JobOptionsFuzz"), 20250102, 30);
}

TEST(HostFilesFuzzTest, DocumentsAndBooksKeepToTheirPropertiesOverTheSeedsAndTheirDamage)
{
    testsupport::RunFuzzCorpus(HostDocumentFuzzOneInput, Corpus("HostDocumentFuzz"), 20250102, 30);
}
} // namespace
