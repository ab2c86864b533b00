// String files: a damaged or hostile file (cut anywhere, unknown encodings, unbalanced
// conditionals, endless comments, huge ids) reads what it can without harm, and the built-in
// tables stay in place.
#include "FuzzSupport.h"

#include <cstdio>

#include "GException.h"
#include "GStringFileReader.h"
#include "GStringPool.h"
#include "GStringPoolSupport.h"

using namespace fuzzsupport;

namespace
{
constexpr int cBuiltInID = 921032;

std::string const& FilePath()
{
    static std::string const path = (OwnTemporaryFolder("StringFileFuzz") / "input.lng").string();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::FILE* file = std::fopen(FilePath().c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    GString const before = GStringPool::GetString(cBuiltInID);
    try
    {
        GStringFileReader reader(GPathName(FilePath().c_str()));
        reader.ParseStringFile();
    }
    catch (GException const&)
    {
        Fail("a readable string file never throws");
    }
    // A file may replace the English name in its own table, never remove the built-in entry.
    Check(!GStringPool::GetString(GStringPool::cEnglish, cBuiltInID).IsEmpty() || before.IsEmpty(),
          "the built-in English table keeps its entries");
    // Each run starts from the framework's own tables again.
    GStringPool::Finalize();
    GBasicFrameworkCoreLayer::FinalizeStrings();
    GBasicFrameworkCoreLayer::InitializeStrings();
    std::remove(FilePath().c_str());
    return 0;
}
