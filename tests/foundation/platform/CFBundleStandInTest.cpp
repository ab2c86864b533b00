// The CoreFoundation bundle stand-in as the Installer pane reads bundles: every folder of a folder
// as a bundle, the package type from PkgInfo or the description, and descriptions that do not read.
#include "macos/CFBundleStandIn.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace
{
CFURLRef URLOf(fs::path const& path)
{
    std::string const text = path.string();
    return CFURLCreateFromFileSystemRepresentation(kCFAllocatorDefault,
                                                   reinterpret_cast<UInt8 const*>(text.data()),
                                                   static_cast<CFIndex>(text.size()), true);
}

std::string PathOf(CFBundleRef bundle)
{
    CFURLRef const url = CFBundleCopyBundleURL(bundle);
    UInt8 path[4096] = {};
    CFURLGetFileSystemRepresentation(url, true, path, sizeof path);
    CFRelease(url);
    return reinterpret_cast<char const*>(path);
}

void Describe(fs::path const& folder, std::string const& entries)
{
    fs::create_directories(folder / "Contents");
    std::ofstream(folder / "Contents/Info.plist") << "<plist><dict>" << entries << "</dict></plist>";
}

class CFBundleStandInTest : public ::testing::Test
{
protected:
    testsupport::TempFolder fTemp{"sendrix-bundles"};
};

TEST_F(CFBundleStandInTest, MakesABundleOfEveryFolderInNameOrder)
{
    Describe(fTemp / "B.app", "<key>CFBundleIdentifier</key><string>com.example.b</string>");
    fs::create_directory(fTemp / "A plain folder");
    Describe(fTemp / "C.bundle", "");
    std::ofstream(fTemp / "0 file.app") << "not a folder";
    struct Case
    {
        CFStringRef fType;
        std::vector<std::string> fNames;
    };
    Case const cases[] = {{nullptr, {"A plain folder", "B.app", "C.bundle"}},
                          {CFSTR("app"), {"B.app"}},
                          {CFSTR("bundle"), {"C.bundle"}}};
    CFURLRef const url = URLOf(fTemp.Path());
    for (Case const& test : cases)
    {
        CFArrayRef const bundles = CFBundleCreateBundlesFromDirectory(kCFAllocatorDefault, url, test.fType);
        ASSERT_NE(bundles, nullptr);
        std::vector<std::string> names;
        for (CFIndex i = 0; i < CFArrayGetCount(bundles); ++i)
            names.push_back(fs::path(PathOf(static_cast<CFBundleRef>(
                                         const_cast<void*>(CFArrayGetValueAtIndex(bundles, i)))))
                                .filename()
                                .string());
        EXPECT_EQ(names, test.fNames);
        if (!test.fType)
        {
            CFBundleRef const described =
                static_cast<CFBundleRef>(const_cast<void*>(CFArrayGetValueAtIndex(bundles, 1)));
            EXPECT_EQ(CFStringStandInGetUTF8(CFBundleGetIdentifier(described)), "com.example.b");
            EXPECT_EQ(CFBundleGetIdentifier(
                          static_cast<CFBundleRef>(const_cast<void*>(CFArrayGetValueAtIndex(bundles, 0)))),
                      nullptr);
        }
        CFRelease(bundles);
    }
    CFRelease(url);
    CFURLRef const missing = URLOf(fTemp / "missing");
    EXPECT_EQ(CFBundleCreateBundlesFromDirectory(kCFAllocatorDefault, missing, nullptr), nullptr);
    CFRelease(missing);
}

TEST_F(CFBundleStandInTest, LookingBundlesUpAgainKeepsNoMoreThanOneForEachFolder)
{
    Describe(fTemp / "Found.app", "<key>CFBundleIdentifier</key><string>com.example.made.found</string>");
    Describe(fTemp / "Other.app", "<key>CFBundleIdentifier</key><string>com.example.made.other</string>");
    fs::create_directory(fTemp / "Plain");
    CFURLRef const folder = URLOf(fTemp.Path());
    CFURLRef const found = URLOf(fTemp / "Found.app");
    // Looked up again and again, as a search and a folder scan do.
    auto lookUp = [&]
    {
        CFArrayRef const bundles = CFBundleCreateBundlesFromDirectory(kCFAllocatorDefault, folder, nullptr);
        ASSERT_NE(bundles, nullptr);
        CFRelease(bundles);
        CFBundleRef const bundle = CFBundleCreate(kCFAllocatorDefault, found);
        ASSERT_NE(bundle, nullptr);
        CFRelease(bundle);
    };
    unsigned long const before = CFBundleStandInLiveBundles();
    lookUp();
    unsigned long const kept = CFBundleStandInLiveBundles();
    // At most the two with an identifier, to be found by it.
    EXPECT_LE(kept, before + 2);
    for (int i = 0; i < 500; ++i)
        lookUp();
    EXPECT_EQ(CFBundleStandInLiveBundles(), kept);

    // The latest made for a folder is found by its identifier, also once its maker released it; the
    // one it replaced goes with its last owner.
    CFBundleRef const first = CFBundleCreate(kCFAllocatorDefault, found);
    CFBundleRef const second = CFBundleCreate(kCFAllocatorDefault, found);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.made.found")), second);
    CFRelease(second);
    EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.made.found")), second);
    EXPECT_NE(CFBundleGetBundleWithIdentifier(CFSTR("com.example.made.other")), nullptr);
    EXPECT_EQ(CFBundleStandInLiveBundles(), kept + 1);
    CFRelease(first);
    EXPECT_EQ(CFBundleStandInLiveBundles(), kept);
    CFRelease(found);
    CFRelease(folder);
}

TEST_F(CFBundleStandInTest, TellsThePackageTypeFromPkgInfoElseTheDescription)
{
    struct Case
    {
        char const* fName;
        char const* fPkgInfo;
        std::string fEntries;
        bool fFound;
        UInt32 fType;
        UInt32 fCreator;
    };
    Case const cases[] = {
        {"pkginfo", "APPLInDn", "<key>CFBundlePackageType</key><string>BNDL</string>", true, 0x4150504C,
         0x496E446E},
        {"long", "APPLInDn and more", "", true, 0x4150504C, 0x496E446E},
        {"short", "APPL", "<key>CFBundlePackageType</key><string>BNDL</string>", true, 0x424E444C,
         0x3F3F3F3F},
        {"described", nullptr,
         "<key>CFBundlePackageType</key><string>APPL</string><key>CFBundleSignature</"
         "key><string>\xC3\xA9t\xC3\xA9!</string>",
         true, 0x4150504C, 0x8E748E21},
        {"odd type", nullptr, "<key>CFBundlePackageType</key><string>APPLICATION</string>", true, 0x3F3F3F3F,
         0x3F3F3F3F},
        {"nothing", nullptr, "", false, 0x3F3F3F3F, 0x3F3F3F3F},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.fName);
        fs::path const folder = fTemp / test.fName;
        Describe(folder, test.fEntries);
        if (test.fPkgInfo)
            std::ofstream(folder / "Contents/PkgInfo") << test.fPkgInfo;
        CFURLRef const url = URLOf(folder);
        UInt32 type = 0;
        UInt32 creator = 0;
        testing::internal::CaptureStderr();
        EXPECT_EQ(CFBundleGetPackageInfoInDirectory(url, &type, &creator) != 0, test.fFound);
        std::string const log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(type, test.fType);
        EXPECT_EQ(creator, test.fCreator);
        EXPECT_EQ(log.find("PkgInfo skipped: shorter than 8 bytes") != std::string::npos,
                  std::string(test.fName) == "short");
        CFRelease(url);
    }
}

TEST_F(CFBundleStandInTest, PassesOverDescriptionsThatDoNotReadWithALogLine)
{
    struct Case
    {
        char const* fName;
        std::string fText;
        char const* fWhy;
    };
    Case const cases[] = {
        {"empty", "", "empty"},
        {"huge", "<plist><dict>" + std::string((1 << 20) + 1, ' ') + "</dict></plist>", "larger than 1 MiB"},
        {"damaged", "<plist><dict><key>CFBundleIdentifier</key><string>x", "<string> is not closed"},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.fName);
        fs::path const folder = fTemp / test.fName;
        fs::create_directories(folder / "Contents");
        std::ofstream(folder / "Contents/Info.plist", std::ios::binary) << test.fText;
        CFURLRef const url = URLOf(folder);
        testing::internal::CaptureStderr();
        CFBundleRef const bundle = CFBundleCreate(kCFAllocatorDefault, url);
        std::string const log = testing::internal::GetCapturedStderr();
        ASSERT_NE(bundle, nullptr);
        EXPECT_EQ(CFBundleGetIdentifier(bundle), nullptr);
        EXPECT_EQ(CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleVersionKey), nullptr);
        EXPECT_EQ(log,
                  "CFBundle: " + (folder / "Contents/Info.plist").string() + " skipped: " + test.fWhy + "\n");
        CFRelease(bundle);
        CFRelease(url);
    }
}
} // namespace
