// What the Installer pane reads of the bundles it finds: the Info.plist (its string values, the
// version's leading integer) and the PkgInfo with the package type, from bytes written into a bundle
// folder. Nothing crashes or runs away with memory; the type is the PkgInfo's first four bytes when
// it has eight, else the Info.plist's "CFBundlePackageType" when that reads as four Mac Roman
// characters; a description that reads gives back the version it holds.
#include "InstallerFuzzCheck.h"
#include "macos/CFBundleStandIn.h"
#include "macos/PropertyListStandIn.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace
{
using installerfuzz::Check;

// One bundle folder for the process, written afresh for each input and removed at exit (the path is
// never destroyed, so that it outlives the exit handler).
std::filesystem::path const& BundleFolder()
{
    static std::filesystem::path const* const sFolder = []
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "sendrix-bundle-fuzz-XXXXXX").string();
        Check(mkdtemp(pattern.data()) != nullptr, "no temporary folder");
        auto* const bundle = new std::filesystem::path(std::filesystem::path(pattern) / "Fuzzed.app");
        std::filesystem::create_directories(*bundle / "Contents");
        std::atexit(
            []
            {
                std::error_code error;
                std::filesystem::remove_all(BundleFolder().parent_path(), error);
            });
        return bundle;
    }();
    return *sFolder;
}

std::uint32_t CodeOf(std::string const& bytes)
{
    return std::uint32_t(static_cast<unsigned char>(bytes[0])) << 24 |
           std::uint32_t(static_cast<unsigned char>(bytes[1])) << 16 |
           std::uint32_t(static_cast<unsigned char>(bytes[2])) << 8 | static_cast<unsigned char>(bytes[3]);
}
} // namespace

#ifndef SENDRIX_FUZZ_ENTRY
#define SENDRIX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

extern "C" int SENDRIX_FUZZ_ENTRY(std::uint8_t const* data, std::size_t size)
{
    // The first byte tells how many of the following bytes are the PkgInfo (none: no PkgInfo).
    if (size == 0)
        return 0;
    std::size_t const pkgInfoSize = std::min<std::size_t>(data[0] % 17, size - 1);
    std::string const pkgInfo(reinterpret_cast<char const*>(data) + 1, pkgInfoSize);
    std::string const info(reinterpret_cast<char const*>(data) + 1 + pkgInfoSize, size - 1 - pkgInfoSize);
    std::filesystem::path const& folder = BundleFolder();
    std::ofstream(folder / "Contents/Info.plist", std::ios::binary | std::ios::trunc) << info;
    std::filesystem::remove(folder / "Contents/PkgInfo");
    if (data[0] % 17 != 0)
        std::ofstream(folder / "Contents/PkgInfo", std::ios::binary | std::ios::trunc) << pkgInfo;

    std::map<std::string, std::string> direct;
    bool const reads = PropertyListStandInReadStrings(info, direct, nullptr);
    std::map<std::string, std::string> strings;
    bool const described = reads && !info.empty() && info.size() <= (1u << 20);
    Check(CFBundleStandInReadInfo(folder.string(), strings) == described,
          "the bundle's reading of its Info.plist differs from the property-list reader's");
    if (described)
        Check(strings == direct, "the bundle read other strings than the property-list reader");

    std::string const path = folder.string();
    CFURLRef const url = CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault,
                                                                 reinterpret_cast<UInt8 const*>(path.data()),
                                                                 static_cast<CFIndex>(path.size()), true);
    UInt32 type = 0;
    UInt32 creator = 0;
    Boolean const found = CFBundleGetPackageInfoInDirectory(url, &type, &creator);
    CFRelease(url);
    if (pkgInfo.size() >= 8)
        Check(found && type == CodeOf(pkgInfo) && creator == CodeOf(pkgInfo.substr(4)),
              "the PkgInfo's codes were not read");
    else if (found)
        Check(strings.count("CFBundlePackageType") == 1, "a package type without PkgInfo or description");

    auto const version = strings.find("CFBundleVersion");
    if (version != strings.end())
    {
        CFStringRef const text = CFStringCreateWithBytes(
            kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(version->second.data()),
            static_cast<CFIndex>(version->second.size()), kCFStringEncodingUTF8, false);
        if (text)
        {
            SInt32 const value = CFStringGetIntValue(text);
            if (version->second.find_first_not_of("0123456789") == std::string::npos &&
                !version->second.empty() && version->second.size() < 10)
                Check(value == std::stoi(version->second), "a plain decimal version read as another number");
            CFRelease(text);
        }
    }
    return 0;
}
