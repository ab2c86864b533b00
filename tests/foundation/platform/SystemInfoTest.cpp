// System information: the processor and memory report with its rounding, failed queries, the system
// version, files in folders and bundle versions.
#include <gtest/gtest.h>

#include "ErrorOf.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <sys/utsname.h>

#include "PMacXSystemInfo.h"
#include "PMacXSystemInfoCocoa.h"
#include "StringText.h"
#include "TempFolder.h"
#include "macos/FoundationStandIn.h"
#include "macos/SysctlStandIn.h"

namespace fs = std::filesystem;

namespace
{
using testsupport::TextOf;
using testsupport::Utf8Of;

void GiveText(char const* name, std::string const& value)
{
    SysctlStandInSetValue(name, value.c_str(), value.size() + 1);
}

template<typename Number>
void GiveNumber(char const* name, Number value)
{
    SysctlStandInSetValue(name, &value, sizeof value);
}

class SystemInfoTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        SysctlStandInUseSystemValues();
        NSProcessInfoStandInSetOperatingSystemVersion(nullptr);
        NSProcessInfoStandInSetAbsent(false);
    }

    std::string ProcessorReport()
    {
        GString report = TextOf("before\n");
        fInfo.AddProcessorInfo(report);
        return Utf8Of(report);
    }

    PMacXSystemInfo fInfo;
};

void WriteInfoPlist(fs::path const& bundle, std::string const& entries)
{
    fs::create_directories(bundle / "Contents");
    std::ofstream(bundle / "Contents" / "Info.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        << "<plist version=\"1.0\">\n<dict>\n"
        << entries << "</dict>\n</plist>\n";
}
} // namespace

TEST_F(SystemInfoTest, WritesTheProcessorReportLineByLine)
{
    GiveText("kern.version", "Darwin Kernel Version 19.6.0: Mon Aug 31 22:12:52 PDT 2020");
    GiveNumber<std::int32_t>("hw.physicalcpu", 4);
    GiveNumber<std::int32_t>("hw.logicalcpu", 8);
    GiveText("machdep.cpu.brand_string", "Intel(R) Core(TM) i7-8559U CPU @ 2.70GHz");
    GiveNumber<std::int64_t>("hw.memsize", 17179869184);
    EXPECT_EQ(ProcessorReport(),
              "before\n"
              "Mach kernel version: \tDarwin Kernel Version 19.6.0: Mon Aug 31 22:12:52 PDT 2020\n"
              "Processors physically available: \t4\n"
              "Processors logically available: \t8\n"
              "Processor type: \tIntel(R) Core(TM) i7-8559U CPU @ 2.70GHz\n"
              "Memory available: \t16384 MB\n"
              "\n");
}

TEST_F(SystemInfoTest, ReportRoundsMemoryUpWhileTheMemoryInfoRoundsDown)
{
    struct Case
    {
        std::int64_t fBytes;
        char const* fReported;
        std::int32_t fMemoryInfo;
    };
    Case const cases[] = {
        {17179869184, "16384 MB", 16384},
        {17179869185, "16385 MB", 16384},
        {17179869183, "16384 MB", 16383},
        {1048575, "1 MB", 0},
        {0, "0 MB", 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fBytes);
        GiveNumber("hw.memsize", c.fBytes);
        EXPECT_NE(ProcessorReport().find(std::string("Memory available: \t") + c.fReported + "\n"),
                  std::string::npos);
        GSystemInfo::MemoryInfo info{77, -1};
        fInfo.GetMemoryInfo(info);
        EXPECT_EQ(info.fMemoryLoad, 77);
        EXPECT_EQ(info.fPhysicalMB, c.fMemoryInfo);
    }
}

TEST_F(SystemInfoTest, FailedQueriesReportEmptyTextsAndZeros)
{
    for (char const* name :
         {"kern.version", "hw.physicalcpu", "hw.logicalcpu", "machdep.cpu.brand_string", "hw.memsize"})
        SysctlStandInSetUnknown(name);
    EXPECT_EQ(ProcessorReport(), "before\n"
                                 "Mach kernel version: \t\n"
                                 "Processors physically available: \t0\n"
                                 "Processors logically available: \t0\n"
                                 "Processor type: \t\n"
                                 "Memory available: \t0 MB\n"
                                 "\n");
    GSystemInfo::MemoryInfo info{1, 2};
    fInfo.GetMemoryInfo(info);
    EXPECT_EQ(info.fPhysicalMB, 0);
    EXPECT_EQ(fInfo.GetNumberOfProcessors(), 0);
}

TEST_F(SystemInfoTest, TextValuesEndAtTheirFirstZeroByteAndMustFitTheirBuffer)
{
    std::string const cut("Apple M1\0 trailing", 18);
    SysctlStandInSetValue("machdep.cpu.brand_string", cut.data(), cut.size() + 1);
    // 256 bytes with the terminator fit; 257 do not and give nothing.
    GiveText("kern.version", std::string(255, 'v'));
    std::string report = ProcessorReport();
    EXPECT_NE(report.find("Processor type: \tApple M1\n"), std::string::npos);
    EXPECT_NE(report.find("Mach kernel version: \t" + std::string(255, 'v') + "\n"), std::string::npos);
    GiveText("kern.version", std::string(256, 'v'));
    report = ProcessorReport();
    EXPECT_NE(report.find("Mach kernel version: \t\n"), std::string::npos);
}

TEST_F(SystemInfoTest, ReportsThisMachine)
{
    std::string const report = ProcessorReport();
    std::smatch match;
    ASSERT_TRUE(
        std::regex_search(report, match, std::regex("Processors physically available: \t([0-9]+)\n")));
    int const physical = std::stoi(match[1]);
    EXPECT_GT(physical, 0);
    EXPECT_EQ(fInfo.GetNumberOfProcessors(), physical);
    ASSERT_TRUE(std::regex_search(report, match, std::regex("Processors logically available: \t([0-9]+)\n")));
    EXPECT_GE(std::stoi(match[1]), physical);
    ASSERT_TRUE(std::regex_search(report, match, std::regex("Memory available: \t([0-9]+) MB\n")));
    GSystemInfo::MemoryInfo info{0, 0};
    fInfo.GetMemoryInfo(info);
    EXPECT_GT(info.fPhysicalMB, 0);
    // Rounded up in the report, down in the memory information.
    int const reported = std::stoi(match[1]);
    EXPECT_TRUE(reported == info.fPhysicalMB || reported == info.fPhysicalMB + 1);
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    EXPECT_NE(report.find(std::string("Mach kernel version: \t") + names.sysname), std::string::npos);
}

TEST_F(SystemInfoTest, MemoryLinesArePartOfTheProcessorReport)
{
    GString report = TextOf("x");
    fInfo.AddMemoryInfo(report);
    EXPECT_EQ(Utf8Of(report), "x");
}

TEST_F(SystemInfoTest, NamesTheSystemVersion)
{
    NSOperatingSystemVersion const catalina{10, 15, 7};
    NSProcessInfoStandInSetOperatingSystemVersion(&catalina);
    GString report;
    fInfo.AddOSVersionInfo(report);
    EXPECT_EQ(Utf8Of(report), "SystemVersion: \t10.15.7\n");

    NSProcessInfoStandInSetAbsent(true);
    EXPECT_EQ(Utf8Of(PMacXSystemInfoCocoa::GetOSVersionString()), "0.0.0");

    NSProcessInfoStandInSetAbsent(false);
    NSProcessInfoStandInSetOperatingSystemVersion(nullptr);
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    std::string const version = Utf8Of(PMacXSystemInfoCocoa::GetOSVersionString());
    EXPECT_TRUE(std::regex_match(version, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+"))) << version;
    // The running kernel's release ("6.1.0-18-amd64") begins with it.
    EXPECT_EQ(std::string(names.release).rfind(version, 0), 0u) << names.release << " / " << version;
}

TEST_F(SystemInfoTest, FindsAFileInAFolder)
{
    testsupport::TempFolder folder;
    std::ofstream(folder / "libthing.dylib") << "x";
    fs::create_directory(folder / "Folder.framework");
    GPathName const base(TextOf(folder.String()));
    EXPECT_EQ(Utf8Of(fInfo.FindDLL(base, TextOf("libthing.dylib")).GetNativePathString()),
              (folder / "libthing.dylib").string());
    EXPECT_TRUE(fInfo.FindDLL(base, TextOf("missing.dylib")).IsEmpty());
    EXPECT_TRUE(fInfo.FindDLL(base, TextOf("Folder.framework")).IsEmpty());
    EXPECT_EQ(testsupport::ErrorOf([&] { fInfo.FindDLL(GPathName(TextOf("relative")), TextOf("libthing.dylib")); }),
              40068);
}

TEST_F(SystemInfoTest, ReadsABundlesShortVersion)
{
    testsupport::TempFolder folder;
    WriteInfoPlist(folder / "Good.bundle",
                   "<key>CFBundleIdentifier</key>\n<string>com.example.good</string>\n"
                   "<key>CFBundleShortVersionString</key>\n<string>2.5.1 &amp; more</string>\n");
    WriteInfoPlist(folder / "NoVersion.bundle",
                   "<key>CFBundleIdentifier</key>\n<string>com.example.none</string>\n");
    WriteInfoPlist(folder / "NotAString.bundle",
                   "<key>CFBundleShortVersionString</key>\n<integer>3</integer>\n");
    fs::create_directories(folder / "Broken.bundle" / "Contents");
    std::ofstream(folder / "Broken.bundle" / "Contents" / "Info.plist") << "<plist><dict><key>CFBundle";
    fs::create_directory(folder / "Empty.bundle");
    struct Case
    {
        char const* fBundle;
        char const* fVersion;
    };
    Case const cases[] = {
        {"Good.bundle", "2.5.1 & more"}, {"NoVersion.bundle", ""}, {"NotAString.bundle", ""},
        {"Broken.bundle", ""},           {"Empty.bundle", ""},     {"Missing.bundle", ""},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fBundle);
        GPathName const path(TextOf((folder / c.fBundle).string()));
        EXPECT_EQ(Utf8Of(fInfo.GetDLLVersion(path)), c.fVersion);
    }
}
