// The macOS side of path names against real folders: volume lookups under a test volumes root, the
// colon and device-independent forms, and file references made by walking the file system.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "ErrorOf.h"
#include "GPathName.h"
#include "FileTree.h"
#include "StringText.h"
#include "TempFolder.h"
#include "macos/FileManagerStandIn.h"
#include "macos/VolumesStandIn.h"

namespace fs = std::filesystem;

namespace
{
using testsupport::TextOf;
using testsupport::Utf8Of;

using testsupport::PathOf;
using testsupport::PortableOf;

std::string PathOf(FSRef const& ref)
{
    GString path;
    EXPECT_EQ(PMacPathNameImpBase::MakeMachOPathFromFSRef(&ref, path), 0);
    return Utf8Of(path);
}

void Touch(fs::path const& file)
{
    std::ofstream(file) << "x";
}

struct TextCase
{
    char const* fIn;
    char const* fOut;
};

// The start-up volume is called "Boot"; the volumes root is a fresh folder holding the volume
// "TestVol", so that "/Volumes/<name>" paths name volumes that are not mounted.
class MacPathTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VolumesStandInSetStartupVolumeName("Boot");
        fs::create_directory(fVolumes / "TestVol");
        VolumesStandInSetVolumesRoot(fVolumes.String().c_str());
    }
    void TearDown() override
    {
        VolumesStandInSetStartupVolumeName(nullptr);
        VolumesStandInSetVolumesRoot(nullptr);
    }

    std::string TestVolume() const { return (fVolumes / "TestVol").string(); }

    testsupport::TempFolder fVolumes{"sendrix-volumes"};
    testsupport::TempFolder fFiles{"sendrix-files"};
};
} // namespace

TEST_F(MacPathTest, FindsTheMountPointLengthOfAPath)
{
    struct Case
    {
        char const* fPath;
        int fLength;
    };
    Case const cases[] = {
        {"", 0},
        {"a/b", 0},
        {"/", 1},
        {"/Users/me", 1},
        {"/Volumes/", 1},
        {"/Volumes/A", 10},
        {"/Volumes/Data/x", 13},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fPath);
        EXPECT_EQ(GPathName(c.fPath).GetCFMRootNameLength(), c.fLength);
    }
}

TEST_F(MacPathTest, NamesTheVolumeAPathLiesOn)
{
    EXPECT_EQ(Utf8Of(GPathName("/Users/x").GetVolumeName()), "Boot");
    EXPECT_EQ(Utf8Of(GPathName("/").GetVolumeName()), "Boot");
    EXPECT_EQ(Utf8Of(GPathName("/Volumes/Data/x").GetVolumeName()), "Data");
    EXPECT_EQ(Utf8Of(PathOf(TestVolume()).GetVolumeName()), "Boot");
    EXPECT_TRUE(GPathName("a/b").GetVolumeName().IsEmpty());
}

TEST_F(MacPathTest, LooksVolumesUpByName)
{
    EXPECT_EQ(Utf8Of(PMacPathNameImpBase::GetMachOVolumeName(GString("Boot"))), "/");
    EXPECT_EQ(Utf8Of(PMacPathNameImpBase::GetMachOVolumeName(GString("TestVol"))), TestVolume());
    // Not mounted: where it would be, a "/" of the name written ":".
    EXPECT_EQ(Utf8Of(PMacPathNameImpBase::GetMachOVolumeName(GString("Off/line"))), "/Volumes/Off:line");
    EXPECT_TRUE(PMacPathNameImpBase::GetMachOVolumeName(GString()).IsEmpty());

    FSRef root;
    EXPECT_EQ(PMacPathNameImpBase::GetVolumeRootFolderFSRef(GString("TestVol"), root), 0);
    EXPECT_EQ(PathOf(root), TestVolume());
    // Case counts, and the failing enumeration's status comes back.
    EXPECT_EQ(PMacPathNameImpBase::GetVolumeRootFolderFSRef(GString("testvol"), root), nsvErr);

    EXPECT_EQ(Utf8Of(PMacPathNameImpBase::GetCFMVolumeName(GString("/"))), "Boot");
    EXPECT_EQ(Utf8Of(PMacPathNameImpBase::GetCFMVolumeName(TextOf(TestVolume()))), "TestVol");
    EXPECT_EQ(Utf8Of(PMacPathNameImpBase::GetCFMVolumeName(GString("/Volumes/Gone:x"))), "Gone/x");
    EXPECT_TRUE(PMacPathNameImpBase::GetCFMVolumeName(GString()).IsEmpty());
}

TEST_F(MacPathTest, WritesTheColonForm)
{
    TextCase const cases[] = {
        {"/Users/x", "Boot:Users:x"},
        {"/", "Boot:"},
        {"/Volumes/Data", "Data:"},
        {"/Volumes/Data/x", "Data:x"},
        {"a/b", ":a:b"},
        {"..", "::"},
        {"../a", "::a"},
        {"../..", ":::"},
        {"a", "a"},
        {"/x/a:b", "Boot:x:a/b"},
        {"", ""},
    };
    for (TextCase const& c : cases)
    {
        SCOPED_TRACE(c.fIn);
        EXPECT_EQ(Utf8Of(GPathName(c.fIn).GetCFMPathString()), c.fOut);
    }
}

TEST_F(MacPathTest, ReadsTheColonForm)
{
    TextCase const cases[] = {
        {"::a", "../a"},
        {":::", "../.."},
        {"Data:x", "/Volumes/Data/x"},
        {"Boot:Users", "/Users"},
        {"Boot:", "/"},
        {":a:b", "a/b"},
        {"a", "a"},
        {"Boot:x:a/b", "/x/a:b"},
        {"Data:", "/Volumes/Data"},
        {"", ""},
    };
    for (TextCase const& c : cases)
    {
        SCOPED_TRACE(c.fIn);
        GPathName path;
        path.SetCFMPathString(GString(c.fIn));
        EXPECT_EQ(PortableOf(path), c.fOut);
    }
    GPathName mounted;
    mounted.SetCFMPathString(GString("TestVol:x:y"));
    EXPECT_EQ(PortableOf(mounted), TestVolume() + "/x/y");
}

TEST_F(MacPathTest, ColonFormsRoundTrip)
{
    for (char const* text : {"/Volumes/Data/x", "/Users/me/a:b", "a/b", "../a", "/"})
    {
        SCOPED_TRACE(text);
        GPathName path;
        path.SetCFMPathString(GPathName(text).GetCFMPathString());
        EXPECT_EQ(PortableOf(path), text);
    }
}

TEST_F(MacPathTest, WritesAndReadsTheDeviceIndependentForm)
{
    TextCase const toDI[] = {
        {"", "./"},
        {"..", "../"},
        {"a/b", "a/b"},
        {"/Volumes/Data/x", "/Data/x"},
        {"/Users/x", "/Boot/Users/x"},
        {"/", "/Boot/"},
        {"/a:b", "/Boot/a\\/b"},
        // A volume named "a/b" is mounted as "a:b"; its slash is escaped like any other.
        {"/Volumes/a:b/x", "/a\\/b/x"},
    };
    for (TextCase const& c : toDI)
    {
        SCOPED_TRACE(c.fIn);
        EXPECT_EQ(Utf8Of(GPathName(c.fIn).GetDIPathString()), c.fOut);
    }
    TextCase const fromDI[] = {
        {"/Boot/Users/x", "/Users/x"},
        {"/Data/a", "/Volumes/Data/a"},
        {"/Data/a\\/b", "/Volumes/Data/a:b"},
        {"/a\\/b/x", "/Volumes/a:b/x"},
        {"a/b", "a/b"},
        {"/Boot", "/"},
        {"", ""},
    };
    for (TextCase const& c : fromDI)
    {
        SCOPED_TRACE(c.fIn);
        GPathName path;
        path.SetDIPathString(GString(c.fIn));
        EXPECT_EQ(PortableOf(path), c.fOut);
    }
    GPathName mounted;
    mounted.SetDIPathString(GString("/TestVol/f"));
    EXPECT_EQ(PortableOf(mounted), TestVolume() + "/f");
}

TEST_F(MacPathTest, MakesFileReferencesByWalkingTheFolders)
{
    fs::create_directories(fFiles / "a" / "b");
    Touch(fFiles / "a" / "b" / "f.txt");
    FSRef ref;
    ASSERT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(TextOf((fFiles / "a/b/f.txt").string()), ref), 0);
    EXPECT_EQ(PathOf(ref), (fFiles / "a/b/f.txt").string());
    EXPECT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(TextOf((fFiles / "a/missing").string()), ref),
              fnfErr);

    ASSERT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(GString("/"), ref), 0);
    EXPECT_EQ(PathOf(ref), "/");

    testsupport::CurrentFolderScope inside(fFiles / "a");
    ASSERT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(GString("b/f.txt"), ref), 0);
    EXPECT_EQ(PathOf(ref), (fFiles / "a/b/f.txt").string());
    ASSERT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(GString(), ref), 0);
    EXPECT_EQ(PathOf(ref), (fFiles / "a").string());
}

TEST_F(MacPathTest, FollowsAliasesOnTheWayButNotAtTheEnd)
{
    fs::create_directories(fFiles / "target");
    Touch(fFiles / "target" / "f.txt");
    fs::create_directory_symlink(fFiles / "target", fFiles / "alias");
    fs::create_directory_symlink("target", fFiles / "relative");
    FSRef ref;
    ASSERT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(TextOf((fFiles / "alias/f.txt").string()), ref), 0);
    EXPECT_EQ(PathOf(ref), (fFiles / "target/f.txt").string());
    ASSERT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(TextOf((fFiles / "relative/f.txt").string()), ref),
              0);
    EXPECT_EQ(PathOf(ref), (fFiles / "target/f.txt").string());
    ASSERT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(TextOf((fFiles / "alias").string()), ref), 0);
    EXPECT_EQ(PathOf(ref), (fFiles / "alias").string());

    fs::create_symlink(fFiles / "nowhere", fFiles / "broken");
    EXPECT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(TextOf((fFiles / "broken/x").string()), ref),
              fnfErr);
}

TEST_F(MacPathTest, NamesOnDiskHoldColonsWhereColonFormsHoldSlashes)
{
    Touch(fs::path(TestVolume()) / "a:b");
    FSRef ref;
    ASSERT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(TextOf(TestVolume() + "/a:b"), ref), 0);
    GString colon;
    ASSERT_EQ(PMacPathNameImpBase::MakeCFMPathFromFSRef(ref, colon), 0);
    EXPECT_EQ(Utf8Of(colon), "TestVol:a/b");

    ASSERT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(TextOf(fFiles.String()), ref), 0);
    ASSERT_EQ(PMacPathNameImpBase::MakeCFMPathFromFSRef(ref, colon), 0);
    std::string expected = "Boot" + fFiles.String();
    std::replace(expected.begin(), expected.end(), '/', ':');
    EXPECT_EQ(Utf8Of(colon), expected);
}

TEST_F(MacPathTest, KeepsAReferenceUntilThePathChanges)
{
    Touch(fFiles / "f");
    GPathName path = PathOf((fFiles / "f").string());
    FSRef const* ref = path.GetFSRef();
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(PathOf(*ref), (fFiles / "f").string());

    // A copy makes its own; the original may go first.
    auto copy = std::make_unique<GPathName>(path);
    path = GPathName("/");
    EXPECT_EQ(PathOf(*copy->GetFSRef()), (fFiles / "f").string());
    copy.reset();

    short status = 0;
    GPathName missing = PathOf((fFiles / "missing").string());
    EXPECT_EQ(missing.TryGetFSRef(status), nullptr);
    EXPECT_EQ(status, fnfErr);
    EXPECT_EQ(testsupport::ErrorOf([&] { missing.GetFSRef(); }), 40010);

    FSRef made;
    EXPECT_EQ(GPathName("/").MakeFSRef(made), 0);
    EXPECT_EQ(PathOf(made), "/");
}

TEST_F(MacPathTest, TakesItsTextFromAReference)
{
    Touch(fFiles / "f");
    FSRef ref;
    ASSERT_EQ(PMacPathNameImpBase::MakeFSRefFromMachOPath(TextOf((fFiles / "f").string()), ref), 0);
    GPathName path("/elsewhere");
    path.SetFSRef(ref, false);
    EXPECT_EQ(PortableOf(path), (fFiles / "f").string());

    GPathName other("/elsewhere");
    EXPECT_EQ(other.MakePathFromFSRef(&ref), 0);
    EXPECT_EQ(PortableOf(other), (fFiles / "f").string());
    EXPECT_EQ(other.MakePathFromFSRef(nullptr), fnfErr);
    EXPECT_TRUE(other.IsEmpty());
}

TEST_F(MacPathTest, FindsACurrentFolderLongerThanAnyFixedBuffer)
{
    fs::path deep = fFiles.Path();
    for (int level = 0; level < 12; ++level)
        deep /= std::string(200, static_cast<char>('a' + level));
    fs::create_directories(deep);
    ASSERT_GT(deep.string().size(), 2048u);
    testsupport::CurrentFolderScope inside(deep);
    FSRef ref;
    ASSERT_EQ(PMacPathNameImpBase::GetCurrentFolderReference(ref), 0);
    EXPECT_EQ(PathOf(ref), deep.string());
}
