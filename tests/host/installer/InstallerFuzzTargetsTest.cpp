// The fuzz targets of what the installer and its pane read (scenario files, bundles' Info.plist and
// PkgInfo, property lists in each of their forms, strings files) run over their seed corpora, so
// that every test run exercises them; a target aborts when one of its properties breaks.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int InstallerScenarioFuzzOneInput(std::uint8_t const* data, std::size_t size);
extern "C" int BundleInfoFuzzOneInput(std::uint8_t const* data, std::size_t size);
extern "C" int StringsFileFuzzOneInput(std::uint8_t const* data, std::size_t size);
extern "C" int PropertyListFuzzOneInput(std::uint8_t const* data, std::size_t size);

namespace
{
TEST(InstallerFuzzTargetsTest, KeepToTheirPropertiesOverTheirSeeds)
{
    struct Target
    {
        char const* fName;
        int (*fRun)(std::uint8_t const*, std::size_t);
    };
    Target const targets[] = {{"InstallerScenarioFuzz", &InstallerScenarioFuzzOneInput},
                              {"BundleInfoFuzz", &BundleInfoFuzzOneInput},
                              {"StringsFileFuzz", &StringsFileFuzzOneInput},
                              {"PropertyListFuzz", &PropertyListFuzzOneInput}};
    for (Target const& target : targets)
    {
        SCOPED_TRACE(target.fName);
        int seeds = 0;
        for (auto const& entry :
             std::filesystem::directory_iterator(std::filesystem::path(SENDRIX_FUZZ_CORPUS) / target.fName))
        {
            std::ifstream file(entry.path(), std::ios::binary);
            std::vector<std::uint8_t> const input((std::istreambuf_iterator<char>(file)),
                                                  std::istreambuf_iterator<char>());
            EXPECT_EQ(target.fRun(input.data(), input.size()), 0) << entry.path();
            ++seeds;
        }
        EXPECT_GT(seeds, 0);
    }
}
} // namespace
