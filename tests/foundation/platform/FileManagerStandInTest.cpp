// The stand-in for the platform's file references and volumes, on real folders: what the path layer
// relies on it for beyond the walks its own tests make.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/xattr.h>

#include "TempFolder.h"
#include "macos/FileManagerStandIn.h"
#include "macos/VolumesStandIn.h"

namespace fs = std::filesystem;

namespace
{
std::string NameOf(HFSUniStr255 const& name)
{
    std::string text;
    for (int i = 0; i < name.length; ++i)
        text += static_cast<char>(name.unicode[i]);
    return text;
}

FSRef RefOf(fs::path const& path)
{
    FSRef ref;
    EXPECT_EQ(FSPathMakeRef(reinterpret_cast<UInt8 const*>(path.c_str()), &ref, nullptr), noErr) << path;
    return ref;
}

class FileManagerStandInTest : public ::testing::Test
{
protected:
    void SetUp() override { VolumesStandInSetVolumesRoot(fVolumes.String().c_str()); }
    void TearDown() override { VolumesStandInSetVolumesRoot(nullptr); }

    testsupport::TempFolder fVolumes{"sendrix-volumes"};
    testsupport::TempFolder fFiles{"sendrix-files"};
};
} // namespace

TEST_F(FileManagerStandInTest, EnumeratesTheStartUpVolumeThenTheFoldersOfTheVolumesRoot)
{
    fs::create_directory(fVolumes / "Zeta");
    fs::create_directory(fVolumes / "A:B");
    std::ofstream(fVolumes / "file") << "not a volume";
    fs::create_directory_symlink("/", fVolumes / "Link");

    struct Expected
    {
        char const* fName;
        std::string fRoot;
    };
    Expected const expected[] = {
        {"Macintosh HD", "/"}, {"A/B", (fVolumes / "A:B").string()}, {"Zeta", (fVolumes / "Zeta").string()}};
    ItemCount index = 1;
    for (Expected const& volume : expected)
    {
        SCOPED_TRACE(volume.fName);
        HFSUniStr255 name;
        FSRef root;
        FSVolumeRefNum number = 0;
        ASSERT_EQ(
            FSGetVolumeInfo(kFSInvalidVolumeRefNum, index, &number, kFSVolInfoNone, nullptr, &name, &root),
            noErr);
        EXPECT_EQ(number, static_cast<FSVolumeRefNum>(index));
        EXPECT_EQ(NameOf(name), volume.fName);
        EXPECT_EQ(root.fPath, volume.fRoot);
        ++index;
    }
    EXPECT_EQ(
        FSGetVolumeInfo(kFSInvalidVolumeRefNum, index, nullptr, kFSVolInfoNone, nullptr, nullptr, nullptr),
        nsvErr);
    EXPECT_EQ(FSGetVolumeInfo(kFSInvalidVolumeRefNum, 0, nullptr, kFSVolInfoNone, nullptr, nullptr, nullptr),
              nsvErr);
}

TEST_F(FileManagerStandInTest, CatalogInformationEndsAtTheVolumeRoot)
{
    fs::create_directories(fVolumes / "Data" / "folder");
    FSRef const item = RefOf(fVolumes / "Data" / "folder");
    FSCatalogInfo info;
    HFSUniStr255 name;
    FSRef parent;
    ASSERT_EQ(FSGetCatalogInfo(&item, kFSCatInfoParentDirID | kFSCatInfoNodeID | kFSCatInfoNodeFlags, &info,
                               &name, nullptr, &parent),
              noErr);
    EXPECT_EQ(NameOf(name), "folder");
    EXPECT_EQ(info.parentDirID, fsRtDirID);
    EXPECT_NE(info.nodeID, fsRtParID);
    EXPECT_NE(info.nodeID, fsRtDirID);
    EXPECT_TRUE(info.nodeFlags & kFSNodeIsDirectoryMask);
    EXPECT_EQ(parent.fPath, (fVolumes / "Data").string());

    FSRef unchanged = parent;
    ASSERT_EQ(FSGetCatalogInfo(&parent, kFSCatInfoParentDirID, &info, &name, nullptr, &unchanged), noErr);
    EXPECT_EQ(info.parentDirID, fsRtParID);
    EXPECT_EQ(NameOf(name), "Data");
    EXPECT_EQ(unchanged.fPath, parent.fPath);
}

TEST_F(FileManagerStandInTest, LooksNamesUpWithoutFollowingTheLastOne)
{
    fs::create_directory(fFiles / "dir");
    std::ofstream(fFiles / "dir" / "a:b") << "x";
    fs::create_symlink(fFiles / "dir", fFiles / "link");
    FSRef const folder = RefOf(fFiles.Path());
    auto lookUp = [&](std::u16string const& name, FSRef& out)
    {
        return FSMakeFSRefUnicode(&folder, name.size(), reinterpret_cast<UniChar const*>(name.data()),
                                  kTextEncodingUnknown, &out);
    };
    FSRef found;
    ASSERT_EQ(lookUp(u"link", found), noErr);
    EXPECT_EQ(found.fPath, (fFiles / "link").string());
    ASSERT_EQ(lookUp(u"", found), noErr);
    EXPECT_EQ(found.fPath, fFiles.String());
    ASSERT_EQ(lookUp(u"..", found), noErr);
    EXPECT_EQ(found.fPath, fFiles.Path().parent_path().string());
    EXPECT_EQ(lookUp(u"missing", found), fnfErr);
    EXPECT_EQ(lookUp(u"a:b", found), bdNamErr);

    FSRef const dir = RefOf(fFiles / "dir");
    std::u16string const slashName = u"a/b";
    ASSERT_EQ(FSMakeFSRefUnicode(&dir, slashName.size(), reinterpret_cast<UniChar const*>(slashName.data()),
                                 kTextEncodingUnknown, &found),
              noErr);
    EXPECT_EQ(found.fPath, (fFiles / "dir" / "a:b").string());
    EXPECT_EQ(FSMakeFSRefUnicode(&found, slashName.size(), reinterpret_cast<UniChar const*>(slashName.data()),
                                 kTextEncodingUnknown, &found),
              dirNFErr);
}

TEST_F(FileManagerStandInTest, ResolvesAliasesOneStepOrToTheEndOfTheChain)
{
    fs::create_directory(fFiles / "target");
    fs::create_directory_symlink("target", fFiles / "first");
    fs::create_directory_symlink(fFiles / "first", fFiles / "second");
    std::ofstream(fFiles / "plain") << "x";

    FSRef ref{(fFiles / "second").string()};
    Boolean isFolder = false;
    Boolean wasAlias = false;
    ASSERT_EQ(FSResolveAliasFile(&ref, false, &isFolder, &wasAlias), noErr);
    EXPECT_EQ(ref.fPath, (fFiles / "first").string());
    EXPECT_TRUE(isFolder);
    EXPECT_TRUE(wasAlias);

    ref.fPath = (fFiles / "second").string();
    ASSERT_EQ(FSResolveAliasFile(&ref, true, &isFolder, &wasAlias), noErr);
    EXPECT_EQ(ref.fPath, (fFiles / "target").string());

    ref.fPath = (fFiles / "plain").string();
    ASSERT_EQ(FSResolveAliasFile(&ref, true, &isFolder, &wasAlias), noErr);
    EXPECT_EQ(ref.fPath, (fFiles / "plain").string());
    EXPECT_FALSE(isFolder);
    EXPECT_FALSE(wasAlias);

    fs::create_symlink(fFiles / "gone", fFiles / "broken");
    ref.fPath = (fFiles / "broken").string();
    EXPECT_EQ(FSResolveAliasFile(&ref, true, &isFolder, &wasAlias), fnfErr);
    EXPECT_EQ(ref.fPath, (fFiles / "broken").string());
}

TEST_F(FileManagerStandInTest, FinderInformationReadsAndWritesInTheMachinesOrderAndKeepsTheRest)
{
    fs::path const file = fFiles / "file.txt";
    fs::path const folder = fFiles / "folder";
    std::ofstream(file) << "x";
    fs::create_directory(folder);
    for (fs::path const& path : {file, folder})
    {
        SCOPED_TRACE(path.string());
        // The item keeps the 32 bytes big-endian: type and creator (or a folder's bounds), the flags at 8.
        unsigned char stored[32];
        for (int i = 0; i < 32; ++i)
            stored[i] = static_cast<unsigned char>(i + 1);
        ASSERT_EQ(setxattr(path.c_str(), "user.macos.finderinfo", stored, sizeof stored, 0), 0);
        FSRef const ref = RefOf(path);
        FSCatalogInfo info{};
        ASSERT_EQ(FSGetCatalogInfo(&ref, kFSCatInfoFinderInfo, &info, nullptr, nullptr, nullptr), noErr);
        FileInfo fileInfo;
        std::memcpy(&fileInfo, info.finderInfo, sizeof fileInfo);
        EXPECT_EQ(fileInfo.finderFlags, 0x090A);
        EXPECT_EQ(fileInfo.reservedField, 0x0F10);
        if (path == file)
            EXPECT_EQ(fileInfo.fileType, 0x01020304u);
        else
        {
            FolderInfo folderInfo;
            std::memcpy(&folderInfo, info.finderInfo, sizeof folderInfo);
            EXPECT_EQ(folderInfo.windowBounds.top, 0x0102);
            EXPECT_EQ(folderInfo.windowBounds.right, 0x0708);
        }

        fileInfo.finderFlags = static_cast<UInt16>(fileInfo.finderFlags | kIsInvisible);
        std::memcpy(info.finderInfo, &fileInfo, sizeof fileInfo);
        ASSERT_EQ(FSSetCatalogInfo(&ref, kFSCatInfoFinderInfo, &info), noErr);
        unsigned char written[32] = {};
        ASSERT_EQ(getxattr(path.c_str(), "user.macos.finderinfo", written, sizeof written), 32);
        stored[8] = 0x49;
        EXPECT_EQ(std::memcmp(written, stored, sizeof stored), 0);
    }

    // A missing item has no catalog information; nothing is set without the Finder information's bit.
    FSRef missing;
    missing.fPath = (fFiles / "missing").string();
    FSCatalogInfo info{};
    EXPECT_EQ(FSGetCatalogInfo(&missing, kFSCatInfoFinderInfo, &info, nullptr, nullptr, nullptr), fnfErr);
    EXPECT_EQ(FSSetCatalogInfo(&missing, kFSCatInfoFinderInfo, &info), fnfErr);
    fs::path const plain = fFiles / "plain";
    fs::create_directory(plain);
    FSRef const ref = RefOf(plain);
    std::memset(info.finderInfo, 0xFF, sizeof info.finderInfo);
    EXPECT_EQ(FSSetCatalogInfo(&ref, kFSCatInfoNone, &info), noErr);
    EXPECT_LT(getxattr(plain.c_str(), "user.macos.finderinfo", nullptr, 0), 0);
}

TEST_F(FileManagerStandInTest, URLsGiveTheReferenceOfWhatTheyName)
{
    fs::create_directory(fFiles / "real");
    fs::create_directory_symlink(fFiles / "real", fFiles / "link");
    for (char const* name : {"real", "link"})
    {
        std::string const path = (fFiles / name).string();
        CFURLRef const url = CFURLCreateFromFileSystemRepresentation(
            kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(path.data()),
            static_cast<CFIndex>(path.size()), true);
        FSRef ref;
        EXPECT_TRUE(CFURLGetFSRef(url, &ref)) << name;
        EXPECT_EQ(ref.fPath, (fFiles / "real").string());
        CFRelease(url);
    }
    std::string const missing = (fFiles / "missing").string();
    CFURLRef const url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(missing.data()),
        static_cast<CFIndex>(missing.size()), true);
    FSRef ref;
    EXPECT_FALSE(CFURLGetFSRef(url, &ref));
    CFRelease(url);
}
