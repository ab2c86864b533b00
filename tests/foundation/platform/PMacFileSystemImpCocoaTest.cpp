// The Foundation-based file services of the macOS layer on real files in fresh temporary folders: the
// codes and errors each operation answers with, aliases, dates across time zones, volumes, bundles,
// special folders and folder listings.
#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "GDateTime.h"
#include "GException.h"
#include "GPathName.h"
#include "OtherUser.h"
#include "PMacFileSystemImpCocoa.h"
#include "StringText.h"
#include "TempFolder.h"
#include "TimeZoneScope.h"
#include "macos/CFBundleStandIn.h"
#include "macos/FoundationStandIn.h"
#include "macos/VolumesStandIn.h"

namespace fs = std::filesystem;
using testsupport::RunsAsOtherUser;
using testsupport::TextOf;
using testsupport::Utf8Of;
using Cocoa = PMacFileSystemImpCocoa;

namespace
{
constexpr short cUserDomain = -32763;
constexpr short cLocalDomain = -32765;

constexpr unsigned int Code(char const (&code)[5])
{
    return static_cast<unsigned int>(code[0]) << 24 | static_cast<unsigned int>(code[1]) << 16 |
           static_cast<unsigned int>(code[2]) << 8 | static_cast<unsigned int>(code[3]);
}

GPathName PathOf(fs::path const& path)
{
    GPathName name;
    name.SetMachOPathString(TextOf(path.string()));
    return name;
}

std::string TextOfPath(GPathName const& path)
{
    return Utf8Of(path.GetNativePathString());
}

void WriteFile(fs::path const& path, std::string const& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(fs::path const& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The id of the GException the call throws; 0 when it throws none.
int ThrownID(std::function<void()> const& call)
{
    try
    {
        call();
    }
    catch (GException const& error)
    {
        return error.GetExceptionID();
    }
    return 0;
}

std::string ThrownText(std::function<void()> const& call)
{
    try
    {
        call();
    }
    catch (GException const& error)
    {
        return Utf8Of(error.GetDescription());
    }
    return std::string();
}

bool KeepsAttributes(fs::path const& folder)
{
    fs::path const probe = folder / ".attribute-probe";
    WriteFile(probe, "");
    bool const keeps = setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
    fs::remove(probe);
    return keeps;
}

std::time_t InstantOf(GDateTime const& date)
{
    std::tm fields = {};
    fields.tm_mday = date.GetDay();
    fields.tm_mon = date.GetMonth() - 1;
    fields.tm_year = date.GetYear() - 1900;
    fields.tm_hour = date.GetHour();
    fields.tm_min = date.GetMinute();
    fields.tm_sec = date.GetSecond();
    return timegm(&fields);
}

class CocoaFileServicesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (fs::path const& folder : {fFiles, fHome, fLocal, fTemporary, fVolumes})
            fs::create_directories(folder);
        FoundationStandInSetHomeDirectory(fHome.c_str());
        FoundationStandInSetLocalDomainRoot(fLocal.c_str());
        FoundationStandInSetTemporaryDirectory(fTemporary.c_str());
        VolumesStandInSetVolumesRoot(fVolumes.c_str());
    }
    void TearDown() override
    {
        FoundationStandInSetHomeDirectory(nullptr);
        FoundationStandInSetLocalDomainRoot(nullptr);
        FoundationStandInSetTemporaryDirectory(nullptr);
        FoundationStandInSetMountTable(nullptr);
        VolumesStandInSetVolumesRoot(nullptr);
    }

    void SkipWithoutAttributes()
    {
        if (!KeepsAttributes(fFiles))
            GTEST_SKIP() << "the temporary folder's file system keeps no user attributes";
    }

    testsupport::TempFolder fRoot{"sendrix-cocoa"};
    fs::path const fFiles = fRoot / "files";
    fs::path const fHome = fRoot / "home";
    fs::path const fLocal = fRoot / "local";
    fs::path const fTemporary = fRoot / "tmp";
    fs::path const fVolumes = fRoot / "Volumes";
};
} // namespace

// --- creating and removing ---

TEST_F(CocoaFileServicesTest, CreatingAnswersDuplicateNamesAndFailures)
{
    fs::path const file = fFiles / "new.txt";
    fs::path const folder = fFiles / "new folder";
    EXPECT_EQ(Cocoa::CreateFile(PathOf(file)), 0);
    EXPECT_TRUE(fs::is_regular_file(file));
    EXPECT_EQ(fs::file_size(file), 0u);
    EXPECT_EQ(Cocoa::CreateFile(PathOf(file)), -48);

    EXPECT_EQ(Cocoa::CreateFolder(PathOf(folder)), 0);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(Cocoa::CreateFolder(PathOf(folder)), -48);
    EXPECT_EQ(Cocoa::CreateFolder(PathOf(file)), -48);
    EXPECT_TRUE(fs::is_regular_file(file));

    // A broken link is something: nothing is made through it.
    fs::create_symlink(fFiles / "nowhere", fFiles / "broken");
    EXPECT_EQ(Cocoa::CreateFile(PathOf(fFiles / "broken")), -48);
    EXPECT_FALSE(fs::exists(fFiles / "nowhere"));

    EXPECT_EQ(Cocoa::CreateFile(PathOf(fFiles / "missing" / "a.txt")), -36);
    EXPECT_EQ(ThrownID([&] { Cocoa::CreateFolder(PathOf(fFiles / "missing" / "sub")); }), 40275);
    EXPECT_NE(ThrownText([&] { Cocoa::CreateFolder(PathOf(fFiles / "missing" / "sub")); }).find("doesn"),
              std::string::npos);
    EXPECT_EQ(Cocoa::CreateFile(GPathName()), -37);
    EXPECT_EQ(Cocoa::CreateFolder(GPathName()), -37);
}

TEST_F(CocoaFileServicesTest, RemovingChecksTheKindAskedFor)
{
    struct Case
    {
        char const* fName;
        Cocoa::DeleteItemType fType;
        short fCode;
    };
    Case const cases[] = {
        {"file", Cocoa::cDeleteFolder, -43},
        {"folder", Cocoa::cDeleteFile, -43},
        {"link to folder", Cocoa::cDeleteFolder, -43},
        {"missing", Cocoa::cDeleteAny, -43},
        {"file", Cocoa::cDeleteFile, 0},
        {"folder", Cocoa::cDeleteFolder, 0},
        {"broken link", Cocoa::cDeleteFile, 0},
        {"link to folder", Cocoa::cDeleteFile, 0},
        {"other folder", Cocoa::cDeleteAny, 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fName) + " as type " + std::to_string(c.fType));
        fs::remove_all(fFiles);
        fs::create_directories(fFiles / "folder" / "inner");
        WriteFile(fFiles / "folder" / "inner" / "deep.txt", "deep");
        fs::create_directories(fFiles / "other folder");
        WriteFile(fFiles / "file", "content");
        fs::create_directory_symlink(fFiles / "folder", fFiles / "link to folder");
        fs::create_symlink(fFiles / "gone", fFiles / "broken link");

        fs::path const item = fFiles / c.fName;
        bool const existed = fs::exists(fs::symlink_status(item));
        EXPECT_EQ(Cocoa::RemoveItem(PathOf(item), c.fType), c.fCode);
        EXPECT_EQ(fs::exists(fs::symlink_status(item)), existed && c.fCode != 0);
        // A link is removed as a link: what it points at stays.
        EXPECT_TRUE(c.fName == std::string("folder") || fs::exists(fFiles / "folder" / "inner" / "deep.txt"));
    }
}

TEST_F(CocoaFileServicesTest, LockedItemsRefuseChangeToOtherUsersExceptUnlocking)
{
    SkipWithoutAttributes();
    fs::path const file = fFiles / "locked.txt";
    WriteFile(file, "keep");
    fs::create_directory(fFiles / "locked folder");
    Cocoa::SetAliasObjectLocked(PathOf(file), true);
    Cocoa::SetAliasObjectLocked(PathOf(fFiles / "locked folder"), true);
    ASSERT_TRUE(Cocoa::GetFileLockStatus(PathOf(file)));

    EXPECT_TRUE(RunsAsOtherUser(
        fRoot.Path(),
        [&]
        {
            GPathName const path = PathOf(file);
            bool const refused =
                Cocoa::RemoveItem(path, Cocoa::cDeleteFile) == -5000 && fs::exists(file) &&
                ThrownID([&] { Cocoa::SetHidden(path, true); }) == 40275 &&
                ThrownID([&] { Cocoa::SetAliasPermissions(path, 0600); }) == 40275 &&
                ThrownID([&] { Cocoa::RenameItem(path, PathOf(fFiles / "renamed.txt")); }) == 40275 &&
                Cocoa::MoveFileTo(path, PathOf(fFiles / "moved.txt")) == -122 &&
                Cocoa::CreateFile(PathOf(fFiles / "locked folder" / "new.txt")) == -36 &&
                ThrownID([&] { Cocoa::CreateFolder(PathOf(fFiles / "locked folder" / "sub")); }) == 40275;
            bool writable = true;
            Cocoa::GetAliasPermissions(path, true, nullptr, &writable, nullptr);
            Cocoa::SetAliasObjectLocked(path, false);
            Cocoa::SetHidden(path, true);
            return refused && !writable && !Cocoa::GetFileLockStatus(path) && Cocoa::IsHidden(path) &&
                   Cocoa::RemoveItem(path, Cocoa::cDeleteFile) == 0 && !fs::exists(file);
        }));
}

// --- copying, moving, replacing ---

TEST_F(CocoaFileServicesTest, CopiesCarryContentAttributesAndDatesButNoLock)
{
    SkipWithoutAttributes();
    fs::path const source = fFiles / "source.txt";
    fs::path const copy = fFiles / "copy.txt";
    WriteFile(source, "content");
    Cocoa::SetMacCreatorAndType(PathOf(source), Code("ttxt"), Code("TEXT"));
    Cocoa::SetFileSystemDateTime(Cocoa::cCreationDate, PathOf(source), GDateTime(3, 4, 2001, 5, 6, 7, true));
    Cocoa::SetFileSystemDateTime(Cocoa::cModificationDate, PathOf(source),
                                 GDateTime(8, 9, 2002, 10, 11, 12, true));
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    Cocoa::SetAliasObjectLocked(PathOf(source), true);

    Cocoa::CopyFileTo(PathOf(source), PathOf(copy));
    EXPECT_EQ(ReadFile(copy), "content");
    EXPECT_FALSE(Cocoa::GetFileLockStatus(PathOf(copy)));
    EXPECT_TRUE(Cocoa::GetFileLockStatus(PathOf(source)));
    unsigned int creator = 0, type = 0;
    Cocoa::GetMacCreatorAndType(PathOf(copy), creator, type);
    EXPECT_EQ(creator, Code("ttxt"));
    EXPECT_EQ(type, Code("TEXT"));
    EXPECT_EQ(Cocoa::GetAliasPermissions(PathOf(copy), false, nullptr, nullptr, nullptr), 0640);
    GDateTime created(true), modified(true);
    Cocoa::GetFileSystemDateTime(Cocoa::cCreationDate, PathOf(copy), created);
    Cocoa::GetFileSystemDateTime(Cocoa::cModificationDate, PathOf(copy), modified);
    EXPECT_TRUE(created == GDateTime(3, 4, 2001, 5, 6, 7, true));
    EXPECT_TRUE(modified == GDateTime(8, 9, 2002, 10, 11, 12, true));

    // An existing destination is Foundation's error, and stays as it was.
    WriteFile(fFiles / "taken.txt", "taken");
    EXPECT_NE(ThrownText([&] { Cocoa::CopyFileTo(PathOf(source), PathOf(fFiles / "taken.txt")); })
                  .find("already exists"),
              std::string::npos);
    EXPECT_EQ(ReadFile(fFiles / "taken.txt"), "taken");
    EXPECT_EQ(ThrownID([&] { Cocoa::CopyFileTo(PathOf(fFiles / "gone.txt"), PathOf(fFiles / "x.txt")); }),
              40275);
    EXPECT_EQ(ThrownID([&] { Cocoa::CopyFileTo(GPathName(), PathOf(fFiles / "x.txt")); }), 40004);
}

TEST_F(CocoaFileServicesTest, MovesAnswerMoveFailedWhereTheyCannotMove)
{
    WriteFile(fFiles / "a.txt", "a");
    WriteFile(fFiles / "b.txt", "b");
    fs::create_directory(fFiles / "target");

    EXPECT_EQ(Cocoa::MoveFileTo(PathOf(fFiles / "a.txt"), PathOf(fFiles / "b.txt")), -122);
    EXPECT_EQ(ReadFile(fFiles / "a.txt"), "a");
    EXPECT_EQ(ReadFile(fFiles / "b.txt"), "b");
    EXPECT_EQ(Cocoa::MoveFileTo(PathOf(fFiles / "gone.txt"), PathOf(fFiles / "c.txt")), -122);
    EXPECT_EQ(Cocoa::MoveFileTo(PathOf(fFiles / "a.txt"), PathOf(fFiles / "no folder" / "a.txt")), -122);
    EXPECT_EQ(Cocoa::MoveFileTo(PathOf(fFiles / "a.txt"), PathOf(fFiles / "target" / "a.txt")), 0);
    EXPECT_EQ(ReadFile(fFiles / "target" / "a.txt"), "a");
    EXPECT_FALSE(fs::exists(fFiles / "a.txt"));
    EXPECT_EQ(Cocoa::MoveFileTo(GPathName(), PathOf(fFiles / "c.txt")), -37);

    fs::create_directories(fFiles / "folder" / "inner");
    fs::create_directory(fFiles / "taken");
    EXPECT_FALSE(Cocoa::MoveFolderTo(PathOf(fFiles / "folder"), PathOf(fFiles / "taken")));
    EXPECT_TRUE(Cocoa::MoveFolderTo(PathOf(fFiles / "folder"), PathOf(fFiles / "target" / "folder")));
    EXPECT_TRUE(fs::is_directory(fFiles / "target" / "folder" / "inner"));

    Cocoa::RenameItem(PathOf(fFiles / "b.txt"), PathOf(fFiles / "renamed.txt"));
    EXPECT_EQ(ReadFile(fFiles / "renamed.txt"), "b");
    EXPECT_NE(ThrownText([&] { Cocoa::RenameItem(PathOf(fFiles / "b.txt"), PathOf(fFiles / "c.txt")); })
                  .find("doesn"),
              std::string::npos);
}

// The caller copies where a rename cannot go; another file system is where it cannot.
TEST_F(CocoaFileServicesTest, MovingToAnotherFileSystemFailsSoThatTheCallerCopies)
{
    struct stat here, shared;
    if (stat("/dev/shm", &shared) != 0 || stat(fFiles.c_str(), &here) != 0 || here.st_dev == shared.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    std::string pattern = "/dev/shm/sendrix-move-XXXXXX";
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    fs::path const other = pattern;
    WriteFile(fFiles / "a.txt", "a");
    short const code = Cocoa::MoveFileTo(PathOf(fFiles / "a.txt"), PathOf(other / "a.txt"));
    bool const moved = fs::exists(other / "a.txt");
    fs::remove_all(other);
    EXPECT_EQ(code, -122);
    EXPECT_FALSE(moved);
    EXPECT_EQ(ReadFile(fFiles / "a.txt"), "a");
}

TEST_F(CocoaFileServicesTest, ReplacingPutsTheReplacementInTheItemsPlace)
{
    fs::path const item = fFiles / "prefs.txt";
    fs::path const replacement = fFiles / "prefs.new";
    WriteFile(item, "old");
    WriteFile(replacement, "new");
    fs::permissions(item, fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(replacement, fs::perms::owner_all | fs::perms::group_read);

    // Metadata of the item's own: an attribute of another program, the Finder information (the
    // hidden flag), the lock where this user may set and still replace a locked item.
    ASSERT_EQ(setxattr(item.c_str(), "user.sendrix-test.note", "kept", 4, 0), 0);
    Cocoa::SetHidden(PathOf(item), true);
    bool const lockable = geteuid() == 0;
    if (lockable)
        Cocoa::SetAliasObjectLocked(PathOf(item), true);

    EXPECT_TRUE(Cocoa::ReplaceItem(item.c_str(), replacement.c_str()));
    EXPECT_EQ(ReadFile(item), "new");
    EXPECT_FALSE(fs::exists(replacement));
    // The replacement takes over the item's metadata.
    EXPECT_EQ(fs::status(item).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    char note[16] = {};
    EXPECT_EQ(getxattr(item.c_str(), "user.sendrix-test.note", note, sizeof note), 4);
    EXPECT_STREQ(note, "kept");
    EXPECT_TRUE(Cocoa::IsHidden(PathOf(item)));
    if (lockable)
    {
        EXPECT_TRUE(Cocoa::GetFileLockStatus(PathOf(item)));
        Cocoa::SetAliasObjectLocked(PathOf(item), false);
    }

    // An item that is not there yet is simply taken.
    WriteFile(replacement, "first");
    EXPECT_TRUE(Cocoa::ReplaceItem((fFiles / "fresh.txt").c_str(), replacement.c_str()));
    EXPECT_EQ(ReadFile(fFiles / "fresh.txt"), "first");

    EXPECT_EQ(ThrownID([&] { Cocoa::ReplaceItem(item.c_str(), (fFiles / "gone").c_str()); }), 40275);
    EXPECT_EQ(ReadFile(item), "new");
    EXPECT_EQ(ThrownID([&] { Cocoa::ReplaceItem(nullptr, replacement.c_str()); }), 40004);
}

TEST_F(CocoaFileServicesTest, TrashedItemsGetAFreeNameInTheUsersTrash)
{
    WriteFile(fFiles / "draft.txt", "one");
    GPathName trashed;
    Cocoa::MoveObjectToTrash(PathOf(fFiles / "draft.txt"), trashed);
    EXPECT_EQ(TextOfPath(trashed), (fHome / ".Trash" / "draft.txt").string());
    EXPECT_EQ(ReadFile(fHome / ".Trash" / "draft.txt"), "one");
    EXPECT_FALSE(fs::exists(fFiles / "draft.txt"));

    WriteFile(fFiles / "draft.txt", "two");
    Cocoa::MoveObjectToTrash(PathOf(fFiles / "draft.txt"), trashed);
    EXPECT_EQ(TextOfPath(trashed), (fHome / ".Trash" / "draft 2.txt").string());
    EXPECT_EQ(ReadFile(fHome / ".Trash" / "draft 2.txt"), "two");
    EXPECT_EQ(ThrownID([&] { Cocoa::MoveObjectToTrash(PathOf(fFiles / "draft.txt"), trashed); }), 40275);
}

// --- attributes ---

TEST_F(CocoaFileServicesTest, FinderAttributesAreKeptAndReadBack)
{
    SkipWithoutAttributes();
    fs::path const file = fFiles / "file.txt";
    WriteFile(file, "x");
    GPathName const path = PathOf(file);
    unsigned int creator = 1, type = 1;
    Cocoa::GetMacCreatorAndType(path, creator, type);
    EXPECT_EQ(creator, 0u);
    EXPECT_EQ(type, 0u);
    Cocoa::SetMacCreatorAndType(path, Code("8BIM"), Code("brok"));
    Cocoa::GetMacCreatorAndType(path, creator, type);
    EXPECT_EQ(creator, Code("8BIM"));
    EXPECT_EQ(type, Code("brok"));
    EXPECT_TRUE(Cocoa::IsFileBusy(path));
    Cocoa::SetMacCreatorAndType(path, Code("8BIM"), Code("TEXT"));
    EXPECT_FALSE(Cocoa::IsFileBusy(path));

    EXPECT_FALSE(Cocoa::IsHidden(path));
    Cocoa::SetHidden(path, true);
    EXPECT_TRUE(Cocoa::IsHidden(path));
    Cocoa::SetHidden(path, false);
    EXPECT_FALSE(Cocoa::IsHidden(path));
    WriteFile(fFiles / ".profile", "");
    EXPECT_TRUE(Cocoa::IsHidden(PathOf(fFiles / ".profile")));

    EXPECT_FALSE(Cocoa::GetFileLockStatus(path));
    Cocoa::SetAliasObjectLocked(path, true);
    EXPECT_TRUE(Cocoa::GetFileLockStatus(path));
    Cocoa::SetAliasObjectLocked(path, false);
    EXPECT_FALSE(Cocoa::GetFileLockStatus(path));

    // A symbolic link keeps none of them: they read as absent and setting them changes nothing.
    fs::create_symlink(file, fFiles / "link");
    GPathName const link = PathOf(fFiles / "link");
    Cocoa::SetMacCreatorAndType(link, Code("ABCD"), Code("EFGH"));
    Cocoa::SetHidden(link, true);
    Cocoa::GetMacCreatorAndType(link, creator, type);
    EXPECT_EQ(creator, 0u);
    EXPECT_FALSE(Cocoa::IsHidden(link));
    EXPECT_FALSE(Cocoa::GetFileLockStatus(link));

    EXPECT_EQ(ThrownID([&] { Cocoa::GetMacCreatorAndType(PathOf(fFiles / "gone"), creator, type); }), 40275);
    EXPECT_EQ(ThrownID([&] { Cocoa::SetHidden(PathOf(fFiles / "gone"), true); }), 40275);
}

namespace
{
// The Finder label and custom icon of an item, as the platform's URLs give and take them.
NSURL* URLOfFile(fs::path const& path)
{
    return NSURL::fileURLWithPath(static_cast<CFStringRef>(
        CFAutorelease(CFStringCreateWithCString(nullptr, path.c_str(), kCFStringEncodingUTF8))));
}

void SetLabelAndIcon(fs::path const& path, int label, std::string const& icon)
{
    NSAutoreleasePool* const pool = new NSAutoreleasePool;
    NSURL* const url = URLOfFile(path);
    EXPECT_TRUE(url->setResourceValue(NSNumber::numberWithInt(label), NSURLLabelNumberKey, nullptr));
    CFDataRef const data = static_cast<CFDataRef>(CFAutorelease(CFDataCreate(
        nullptr, reinterpret_cast<UInt8 const*>(icon.data()), static_cast<CFIndex>(icon.size()))));
    EXPECT_TRUE(url->setResourceValue(data, NSURLCustomIconKey, nullptr));
    pool->drain();
}

std::string LabelAndIconOf(fs::path const& path)
{
    NSAutoreleasePool* const pool = new NSAutoreleasePool;
    NSURL* const url = URLOfFile(path);
    CFTypeRef label = nullptr;
    CFTypeRef icon = nullptr;
    std::string text = "?";
    if (url->getResourceValue(&label, NSURLLabelNumberKey, nullptr) &&
        url->getResourceValue(&icon, NSURLCustomIconKey, nullptr))
    {
        text = std::to_string(static_cast<NSNumber const*>(label)->intValue()) + " ";
        if (icon)
            text += std::string(reinterpret_cast<char const*>(CFDataGetBytePtr(static_cast<CFDataRef>(icon))),
                                static_cast<std::size_t>(CFDataGetLength(static_cast<CFDataRef>(icon))));
    }
    pool->drain();
    return text;
}
} // namespace

TEST_F(CocoaFileServicesTest, LabelAndCustomIconAreCopiedOnlyWhenTheSourceHasThem)
{
    SkipWithoutAttributes();
    fs::path const labelled = fFiles / "labelled";
    fs::path const plain = fFiles / "plain";
    fs::path const target = fFiles / "target";
    for (fs::path const& file : {labelled, plain, target})
        WriteFile(file, "");
    SetLabelAndIcon(labelled, 6, "icns");
    SetLabelAndIcon(target, 2, "");
    ASSERT_EQ(LabelAndIconOf(target), "2 ");

    Cocoa::CopyAttributes(PathOf(plain), PathOf(target));
    EXPECT_EQ(LabelAndIconOf(target), "2 ");
    Cocoa::CopyAttributes(PathOf(labelled), PathOf(target));
    EXPECT_EQ(LabelAndIconOf(target), "6 icns");
    EXPECT_EQ(LabelAndIconOf(labelled), "6 icns");
    EXPECT_EQ(ThrownID([&] { Cocoa::CopyAttributes(PathOf(labelled), PathOf(fFiles / "gone")); }), 40275);
}

TEST_F(CocoaFileServicesTest, OwnerGroupAndPermissionBits)
{
    fs::path const file = fFiles / "file";
    WriteFile(file, "");
    struct stat status;
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    int owner = -2, group = -2;
    Cocoa::GetOwnerAndGroup(PathOf(file), owner, group);
    EXPECT_EQ(owner, static_cast<int>(status.st_uid));
    EXPECT_EQ(group, static_cast<int>(status.st_gid));

    Cocoa::SetAliasPermissions(PathOf(file), 0751);
    EXPECT_EQ(Cocoa::GetAliasPermissions(PathOf(file), false, nullptr, nullptr, nullptr), 0751);
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0751u);

    if (geteuid() == 0)
    {
        Cocoa::SetOwnerAndGroup(PathOf(file), testsupport::cNobody, testsupport::cNobody);
        Cocoa::GetOwnerAndGroup(PathOf(file), owner, group);
        EXPECT_EQ(owner, static_cast<int>(testsupport::cNobody));
        EXPECT_EQ(group, static_cast<int>(testsupport::cNobody));
    }

    // The current user's own answers, for the flags asked for.
    Cocoa::SetAliasPermissions(PathOf(file), 0500);
    EXPECT_TRUE(RunsAsOtherUser(
        fRoot.Path(),
        [&]
        {
            bool readable = false, writable = true, executable = false;
            return Cocoa::GetAliasPermissions(PathOf(file), true, &readable, &writable, &executable) == -1 &&
                   readable && !writable && executable &&
                   Cocoa::GetAliasPermissions(PathOf(file), true, nullptr, nullptr, nullptr) == -1;
        }));
    EXPECT_EQ(ThrownID([&] { Cocoa::GetOwnerAndGroup(PathOf(fFiles / "gone"), owner, group); }), 40275);
    EXPECT_EQ(ThrownID([&] { Cocoa::SetAliasPermissions(PathOf(fFiles / "gone"), 0600); }), 40275);
}

TEST_F(CocoaFileServicesTest, ItemsAreIdenticalOnlyAsTheSameObjectAtTheSamePath)
{
    WriteFile(fFiles / "a", "a");
    WriteFile(fFiles / "b", "b");
    fs::create_hard_link(fFiles / "a", fFiles / "hard");
    EXPECT_TRUE(Cocoa::AreLinksIdentical(PathOf(fFiles / "a"), PathOf(fFiles / "a")));
    EXPECT_FALSE(Cocoa::AreLinksIdentical(PathOf(fFiles / "a"), PathOf(fFiles / "b")));
    EXPECT_FALSE(Cocoa::AreLinksIdentical(PathOf(fFiles / "a"), PathOf(fFiles / "hard")));
    EXPECT_FALSE(Cocoa::AreLinksIdentical(PathOf(fFiles / "gone"), PathOf(fFiles / "gone")));
}

TEST_F(CocoaFileServicesTest, PackagesAreFoldersThatShowAsOneItem)
{
    fs::create_directories(fFiles / "Viewer.app");
    fs::create_directories(fFiles / "Sendrix.InDesignPlugin" / "Contents");
    WriteFile(fFiles / "Sendrix.InDesignPlugin" / "Contents" / "Info.plist", "");
    fs::create_directories(fFiles / "plain");
    WriteFile(fFiles / "file.app", "");
    EXPECT_TRUE(Cocoa::IsMacPackage(PathOf(fFiles / "Viewer.app")));
    EXPECT_TRUE(Cocoa::IsMacPackage(PathOf(fFiles / "Sendrix.InDesignPlugin")));
    EXPECT_FALSE(Cocoa::IsMacPackage(PathOf(fFiles / "plain")));
    EXPECT_FALSE(Cocoa::IsMacPackage(PathOf(fFiles / "file.app")));
    EXPECT_EQ(ThrownID([&] { Cocoa::IsMacPackage(PathOf(fFiles / "gone")); }), 40275);
}

// --- dates ---

// Dates go to the file system and come back in UTC, whatever the system's zone: a date written reads
// back unchanged, and the file's time on disk is the instant the fields name in UTC.
TEST_F(CocoaFileServicesTest, DatesReadBackUnchangedInAnyTimeZone)
{
    SkipWithoutAttributes();
    struct Case
    {
        char const* fZone;
        GDateTime fDate;
    };
    Case const cases[] = {
        {"EST5EDT,M3.2.0,M11.1.0", GDateTime(15, 1, 2001, 23, 45, 12, true)},
        {"IST-5:30", GDateTime(29, 2, 2024, 0, 0, 1, true)},
        // Inside Central Europe's daylight-saving gap when read as local time.
        {"CET-1CEST,M3.5.0,M10.5.0/3", GDateTime(31, 3, 2024, 2, 30, 0, true)},
        // Both read 02:30 on Central Europe's clocks, the hour it turns back.
        {"CET-1CEST,M3.5.0,M10.5.0/3", GDateTime(27, 10, 2024, 0, 30, 0, true)},
        {"CET-1CEST,M3.5.0,M10.5.0/3", GDateTime(27, 10, 2024, 1, 30, 0, true)},
        {"NZST-12NZDT,M9.5.0,M4.1.0/3", GDateTime(1, 1, 1970, 0, 0, 0, true)},
    };
    fs::path const file = fFiles / "dated.txt";
    WriteFile(file, "");
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fZone);
        testsupport::TimeZoneScope const zone(c.fZone);
        for (Cocoa::DateTimeType type : {Cocoa::cCreationDate, Cocoa::cModificationDate})
        {
            Cocoa::SetFileSystemDateTime(type, PathOf(file), c.fDate);
            GDateTime read(true);
            Cocoa::GetFileSystemDateTime(type, PathOf(file), read);
            EXPECT_TRUE(read == c.fDate)
                << read.GetYear() << "-" << read.GetMonth() << "-" << read.GetDay() << " " << read.GetHour()
                << ":" << read.GetMinute() << ":" << read.GetSecond();
        }
        struct stat status;
        ASSERT_EQ(stat(file.c_str(), &status), 0);
        EXPECT_EQ(status.st_mtime, InstantOf(c.fDate));
    }
}

TEST_F(CocoaFileServicesTest, DatesFollowAliasesAndNeedAnItem)
{
    fs::path const file = fFiles / "target.txt";
    WriteFile(file, "");
    fs::create_symlink(file, fFiles / "alias");
    Cocoa::SetFileSystemDateTime(Cocoa::cModificationDate, PathOf(fFiles / "alias"),
                                 GDateTime(2, 2, 2002, 2, 2, 2, true));
    struct stat status;
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, InstantOf(GDateTime(2, 2, 2002, 2, 2, 2, true)));

    // Without a creation date of its own the file's birth time is read.
    struct statx extended;
    ASSERT_EQ(statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME, &extended), 0);
    if (extended.stx_mask & STATX_BTIME)
    {
        GDateTime created(false);
        Cocoa::GetFileSystemDateTime(Cocoa::cCreationDate, PathOf(file), created);
        EXPECT_EQ(InstantOf(created), static_cast<std::time_t>(extended.stx_btime.tv_sec));
    }

    GDateTime date(false);
    fs::create_symlink(fFiles / "gone", fFiles / "broken");
    EXPECT_EQ(
        ThrownID([&] { Cocoa::GetFileSystemDateTime(Cocoa::cCreationDate, PathOf(fFiles / "gone"), date); }),
        40278);
    EXPECT_EQ(
        ThrownID(
            [&] { Cocoa::GetFileSystemDateTime(Cocoa::cModificationDate, PathOf(fFiles / "broken"), date); }),
        40278);
    EXPECT_EQ(
        ThrownID([&]
                 { Cocoa::SetFileSystemDateTime(Cocoa::cModificationDate, PathOf(fFiles / "gone"), date); }),
        40278);
}

// --- volumes ---

TEST_F(CocoaFileServicesTest, VolumesOfTheVolumesRootAreVolumesOfTheirOwn)
{
    fs::create_directories(fVolumes / "Data" / "folder");
    WriteFile(fVolumes / "Data" / "folder" / "a", "");
    WriteFile(fVolumes / "Data" / "b", "");
    WriteFile(fFiles / "c", "");
    EXPECT_TRUE(
        Cocoa::IsOnSameVolume(PathOf(fVolumes / "Data" / "folder" / "a"), PathOf(fVolumes / "Data" / "b")));
    EXPECT_FALSE(Cocoa::IsOnSameVolume(PathOf(fVolumes / "Data" / "b"), PathOf(fFiles / "c")));
    EXPECT_TRUE(Cocoa::IsOnSameVolume(PathOf(fFiles / "c"), PathOf(fFiles)));
    EXPECT_EQ(ThrownID([&] { Cocoa::IsOnSameVolume(PathOf(fFiles / "gone"), PathOf(fFiles)); }), 40275);

    EXPECT_TRUE(Cocoa::VolumeNameExists(GString("Data")));
    EXPECT_TRUE(Cocoa::VolumeNameExists(GString("Macintosh HD")));
    EXPECT_FALSE(Cocoa::VolumeNameExists(GString("data")));
    EXPECT_FALSE(Cocoa::VolumeNameExists(GString("No Such Volume")));
    EXPECT_TRUE(Cocoa::IsVolumeLocal(PathOf(fFiles / "c")));
}

TEST_F(CocoaFileServicesTest, NetworkAndReadOnlyVolumesComeFromTheMountTable)
{
    fs::path const share = fRoot / "share point";
    fs::create_directories(share);
    WriteFile(share / "doc", "");
    WriteFile(fFiles / "local", "");
    std::string escaped = share.string();
    for (std::string::size_type at = escaped.find(' '); at != std::string::npos; at = escaped.find(' ', at))
        escaped.replace(at, 1, "\\040");
    fs::path const table = fRoot / "mountinfo";
    std::ofstream(table) << "20 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                         << "21 20 0:90 / " << escaped
                         << " rw,relatime - cifs //server/my\\040share ro,vers=3.0\n"
                         << "22 20 0:91 / /proc rw - proc proc rw\n";
    FoundationStandInSetMountTable(table.c_str());

    EXPECT_FALSE(Cocoa::IsVolumeLocal(PathOf(share / "doc")));
    EXPECT_FALSE(Cocoa::IsVolumeInternal(PathOf(share / "doc")));
    EXPECT_FALSE(Cocoa::IsVolumeRemovable(PathOf(share / "doc")));
    EXPECT_TRUE(Cocoa::GetVolumeLockStatusByFilePath(PathOf(share / "doc")));
    EXPECT_EQ(Utf8Of(Cocoa::GetVolumeUrlForRemounting(PathOf(share / "doc"))), "smb://server/my%20share");
    EXPECT_TRUE(Cocoa::VolumeNameExists(GString("share point")));
    EXPECT_TRUE(Cocoa::VolumeNameExists(GString("proc")));

    EXPECT_TRUE(Cocoa::IsVolumeLocal(PathOf(fFiles / "local")));
    EXPECT_TRUE(Cocoa::IsVolumeInternal(PathOf(fFiles / "local")));
    EXPECT_FALSE(Cocoa::GetVolumeLockStatusByFilePath(PathOf(fFiles / "local")));
    EXPECT_TRUE(Cocoa::GetVolumeUrlForRemounting(PathOf(fFiles / "local")).IsEmpty());
    EXPECT_FALSE(Cocoa::IsOnSameVolume(PathOf(share / "doc"), PathOf(fFiles / "local")));

    GTable<GString> const urls = Cocoa::GetMountedVolumeUrls();
    ASSERT_EQ(urls.GetCount(), 1);
    EXPECT_EQ(Utf8Of(urls[0]), "smb://server/my%20share");
}

// --- bundles ---

namespace
{
void MakeBundle(fs::path const& folder, std::string const& entries)
{
    fs::create_directories(folder / "Contents" / "MacOS");
    fs::create_directories(folder / "Contents" / "Resources");
    WriteFile(folder / "Contents" / "Info.plist", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                                  "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                                  "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                                  "<plist version=\"1.0\">\n<dict>\n" +
                                                      entries + "</dict>\n</plist>\n");
}
} // namespace

TEST_F(CocoaFileServicesTest, ApplicationVersionsAreTheFirstTwoNumbersOfTheShortVersion)
{
    struct Case
    {
        char const* fName;
        std::string fEntries;
        bool fFound;
        int fMajor, fMinor;
    };
    Case const cases[] = {
        {"three parts", "<key>CFBundleShortVersionString</key><string>3.2.1</string>", true, 3, 2},
        {"one part", "<key>CFBundleShortVersionString</key><string>7</string>", true, 7, 0},
        {"letters after the numbers", "<key>CFBundleShortVersionString</key><string>10.15b2</string>", true,
         10, 15},
        {"no short version", "<key>CFBundleVersion</key><string>4.5</string>", false, 0, 0},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        fs::path const bundle = fFiles / (std::string(c.fName) + ".app");
        MakeBundle(bundle, c.fEntries);
        int major = -1, minor = -1;
        EXPECT_EQ(Cocoa::GetApplicationVersion(PathOf(bundle), major, minor), c.fFound);
        if (c.fFound)
        {
            EXPECT_EQ(major, c.fMajor);
            EXPECT_EQ(minor, c.fMinor);
        }
    }
    fs::path const malformed = fFiles / "malformed.app";
    MakeBundle(malformed, "<key>CFBundleShortVersionString</key><string>1.2</strin>");
    int major = -1, minor = -1;
    EXPECT_FALSE(Cocoa::GetApplicationVersion(PathOf(malformed), major, minor));
    EXPECT_FALSE(Cocoa::GetApplicationVersion(PathOf(fFiles / "missing.app"), major, minor));
}

TEST_F(CocoaFileServicesTest, BundlesAreFoundByPathAndByIdentifier)
{
    fs::path const bundle = fFiles / "Tool.plugin";
    MakeBundle(bundle, "<key>CFBundleIdentifier</key><string>com.example.sendrix.cocoa-tool</string>\n"
                       "<key>CFBundleExecutable</key><string>Tool</string>\n");
    WriteFile(bundle / "Contents" / "MacOS" / "Tool", "program");

    GPathName executable;
    Cocoa::FindRealExecutable(PathOf(bundle), executable);
    EXPECT_EQ(TextOfPath(executable), (bundle / "Contents" / "MacOS" / "Tool").string());
    // Where no bundle names a program, the path is its own executable.
    WriteFile(fFiles / "script", "");
    Cocoa::FindRealExecutable(PathOf(fFiles / "script"), executable);
    EXPECT_EQ(TextOfPath(executable), (fFiles / "script").string());
    Cocoa::FindRealExecutable(PathOf(fFiles), executable);
    EXPECT_EQ(TextOfPath(executable), fFiles.string());

    // The bundle was opened above, so it is found by its identifier now.
    GBuffer const identifier("com.example.sendrix.cocoa-tool");
    GPathName folder;
    EXPECT_TRUE(Cocoa::GetResourceFolder(identifier, folder));
    EXPECT_EQ(TextOfPath(folder), (bundle / "Contents" / "Resources").string());
    GPathName dll;
    Cocoa::GetDLLPath(identifier, dll);
    EXPECT_EQ(TextOfPath(dll), bundle.string());

    EXPECT_EQ(ThrownID([&] { Cocoa::GetResourceFolder(GBuffer("com.example.sendrix.none"), folder); }),
              40010);
    EXPECT_EQ(ThrownID([&] { Cocoa::GetDLLPath(GBuffer("com.example.sendrix.none"), dll); }), 40010);
}

TEST_F(CocoaFileServicesTest, TheMainBundleIsTheRunningProgramsFolder)
{
    fs::path const program = fs::read_symlink("/proc/self/exe");
    GPathName root, executable, resources;
    Cocoa::GetApplicationBundleRoot(root);
    Cocoa::GetApplicationMainExecutable(executable);
    EXPECT_EQ(TextOfPath(root), program.parent_path().string());
    EXPECT_EQ(TextOfPath(executable), program.string());
    // Not a package: the caller looks for "Resources" in it.
    EXPECT_FALSE(Cocoa::GetResourceFolder(GBuffer(), resources));
    EXPECT_EQ(TextOfPath(resources), program.parent_path().string());
}

// --- special folders ---

TEST_F(CocoaFileServicesTest, SpecialFoldersLieUnderTheirDomainsRoots)
{
    struct Case
    {
        short fDomain;
        char const* fType;
        fs::path fExpected;
        // The folder that asking with create makes; empty when nothing is made.
        fs::path fMade;
    };
    Case const cases[] = {
        {cUserDomain, "apps", fHome / "Applications", fHome / "Applications"},
        {cUserDomain, "asup", fHome / "Library" / "Application Support",
         fHome / "Library" / "Application Support"},
        {cUserDomain, "desk", fHome / "Desktop", fHome / "Desktop"},
        {cUserDomain, "docs", fHome / "Documents", fHome / "Documents"},
        {cUserDomain, "pref", fHome / "Library" / "Preferences", fHome / "Library"},
        {cUserDomain, "trsh", fHome / ".Trash", fHome / ".Trash"},
        {cUserDomain, "cusr", fHome, fs::path()},
        {cLocalDomain, "cusr", fHome, fs::path()},
        {cUserDomain, "temp", fTemporary, fs::path()},
        {cLocalDomain, "apps", fLocal / "Applications", fLocal / "Applications"},
        {cLocalDomain, "asup", fLocal / "Library" / "Application Support",
         fLocal / "Library" / "Application Support"},
        {cLocalDomain, "pref", fLocal / "Library" / "Preferences", fLocal / "Library"},
        {cLocalDomain, "macs", "/System", fs::path()},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fType) + (c.fDomain == cUserDomain ? " of the user" : " of the computer"));
        fs::remove_all(fHome);
        fs::remove_all(fLocal);
        fs::create_directories(fHome);
        fs::create_directories(fLocal);
        unsigned int const type =
            static_cast<unsigned int>(c.fType[0]) << 24 | static_cast<unsigned int>(c.fType[1]) << 16 |
            static_cast<unsigned int>(c.fType[2]) << 8 | static_cast<unsigned int>(c.fType[3]);
        GPathName folder;
        Cocoa::GetSpecialFolder(c.fDomain, type, folder, false);
        EXPECT_EQ(TextOfPath(folder), c.fExpected.string());
        if (!c.fMade.empty())
        {
            EXPECT_FALSE(fs::exists(c.fMade));
        }
        Cocoa::GetSpecialFolder(c.fDomain, type, folder, true);
        EXPECT_EQ(TextOfPath(folder), c.fExpected.string());
        if (!c.fMade.empty())
        {
            EXPECT_TRUE(fs::is_directory(c.fMade));
        }
        EXPECT_FALSE(fs::exists(fLocal / "Applications" / "Utilities"));
    }

    GPathName folder;
    EXPECT_EQ(ThrownID([&] { Cocoa::GetSpecialFolder(0, Code("pref"), folder, false); }), 40276);
    EXPECT_EQ(ThrownID([&] { Cocoa::GetSpecialFolder(-32764, Code("cusr"), folder, false); }), 40276);
    EXPECT_EQ(ThrownID([&] { Cocoa::GetSpecialFolder(cUserDomain, Code("xxxx"), folder, false); }), 40277);
    EXPECT_EQ(ThrownID([&] { Cocoa::GetSpecialFolder(cLocalDomain, Code("docs"), folder, false); }), 40275);
    EXPECT_EQ(ThrownID([&] { Cocoa::GetSpecialFolder(cLocalDomain, Code("trsh"), folder, true); }), 40275);
}

// --- aliases ---

namespace
{
class CocoaAliasTest : public CocoaFileServicesTest
{
protected:
    void SetUp() override
    {
        CocoaFileServicesTest::SetUp();
        fs::create_directories(fFiles / "real");
        WriteFile(fFiles / "real" / "inner.txt", "inner");
        WriteFile(fFiles / "plain.txt", "plain");
        fs::create_directory_symlink(fFiles / "real", fFiles / "link");
        fs::create_directory_symlink("real", fFiles / "relative");
        fs::create_directory_symlink(fFiles / "link", fFiles / "chain");
        fs::create_symlink(fFiles / "gone", fFiles / "broken");
        fs::create_symlink("gone too", fFiles / "broken relative");
    }
};
} // namespace

TEST_F(CocoaAliasTest, AliasesAreSymbolicLinks)
{
    EXPECT_TRUE(Cocoa::IsAlias(PathOf(fFiles / "link")));
    EXPECT_TRUE(Cocoa::IsAlias(PathOf(fFiles / "broken")));
    EXPECT_FALSE(Cocoa::IsAlias(PathOf(fFiles / "plain.txt")));
    EXPECT_FALSE(Cocoa::IsAlias(PathOf(fFiles / "real")));
    EXPECT_FALSE(Cocoa::IsAlias(PathOf(fFiles / "gone")));
    EXPECT_EQ(ThrownID([&] { Cocoa::IsAlias(GPathName()); }), 40004);
}

TEST_F(CocoaAliasTest, ResolvingTakesEveryAliasOnTheWay)
{
    struct Case
    {
        fs::path fPath;
        short fCode;
        fs::path fResolved;
        bool fWasAlias;
    };
    Case const cases[] = {
        {fFiles / "plain.txt", 0, fFiles / "plain.txt", false},
        {fFiles / "link", 0, fFiles / "real", true},
        {fFiles / "link" / "inner.txt", 0, fFiles / "real" / "inner.txt", true},
        {fFiles / "relative" / "inner.txt", 0, fFiles / "real" / "inner.txt", true},
        {fFiles / "chain" / "inner.txt", 0, fFiles / "real" / "inner.txt", true},
        {fFiles / "link" / "missing.txt", -5000, fFiles / "real" / "missing.txt", true},
        {fFiles / "missing" / "x", -5000, fFiles / "missing" / "x", false},
        {fFiles / "broken", -43, fs::path(), true},
        {fFiles / "broken" / "x", -43, fs::path(), true},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fPath.string());
        GPathName path;
        path.SetMachOPathString(TextOf(c.fPath.string()));
        GPathName resolved = PathOf("/previous");
        bool wasAlias = !c.fWasAlias;
        EXPECT_EQ(Cocoa::ResolveAlias(path, resolved, &wasAlias), c.fCode);
        EXPECT_EQ(TextOfPath(resolved), c.fResolved.lexically_normal().string());
        EXPECT_EQ(wasAlias, c.fWasAlias);
        GPathName target;
        EXPECT_EQ(Cocoa::GetAliasTarget(path, target), c.fCode);
        EXPECT_EQ(TextOfPath(target), TextOfPath(resolved));
    }
    GPathName resolved;
    EXPECT_EQ(Cocoa::ResolveAlias(GPathName(), resolved, nullptr), -37);
}

TEST_F(CocoaAliasTest, TargetsOfBrokenAliasesAreTheirRecordedPaths)
{
    struct Case
    {
        char const* fName;
        short fCode;
        fs::path fTarget;
    };
    Case const cases[] = {
        {"link", 0, fFiles / "real"},
        {"chain", 0, fFiles / "real"},
        {"plain.txt", 0, fFiles / "plain.txt"},
        {"broken", -43, fFiles / "gone"},
        {"broken relative", -43, fFiles / "gone too"},
        {"missing", -5000, fFiles / "previous"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GPathName target = PathOf(fFiles / "previous");
        EXPECT_EQ(Cocoa::GetTarget(PathOf(fFiles / c.fName), target), c.fCode);
        EXPECT_EQ(TextOfPath(target), c.fTarget.string());
    }
}

TEST_F(CocoaAliasTest, MakingAnAliasNeedsAFreeNameAndATarget)
{
    EXPECT_EQ(Cocoa::CreateAlias(PathOf(fFiles / "new alias"), PathOf(fFiles / "real"), GString("ignored")),
              0);
    EXPECT_TRUE(Cocoa::IsAlias(PathOf(fFiles / "new alias")));
    GPathName resolved;
    EXPECT_EQ(Cocoa::ResolveAlias(PathOf(fFiles / "new alias" / "inner.txt"), resolved, nullptr), 0);
    EXPECT_EQ(TextOfPath(resolved), (fFiles / "real" / "inner.txt").string());

    EXPECT_EQ(Cocoa::CreateAlias(PathOf(fFiles / "plain.txt"), PathOf(fFiles / "real"), GString()), -48);
    EXPECT_EQ(ReadFile(fFiles / "plain.txt"), "plain");
    EXPECT_EQ(Cocoa::CreateAlias(PathOf(fFiles / "broken"), PathOf(fFiles / "real"), GString()), -48);
    EXPECT_EQ(Cocoa::CreateAlias(PathOf(fFiles / "other alias"), PathOf(fFiles / "gone"), GString()), -43);
    EXPECT_FALSE(fs::exists(fs::symlink_status(fFiles / "other alias")));
    EXPECT_EQ(Cocoa::CreateAlias(GPathName(), PathOf(fFiles / "real"), GString()), -37);
}

// --- listing and folders ---

TEST_F(CocoaFileServicesTest, ListingsTellFoldersHiddenEntriesAndAliases)
{
    SkipWithoutAttributes();
    WriteFile(fFiles / ".hidden", "");
    WriteFile(fFiles / "visible.txt", "");
    WriteFile(fFiles / "flagged.txt", "");
    Cocoa::SetHidden(PathOf(fFiles / "flagged.txt"), true);
    fs::create_directory(fFiles / "sub");
    fs::create_directory_symlink(fFiles / "sub", fFiles / "alias");

    struct Flags
    {
        bool fFolder, fHidden, fAlias;
    };
    std::map<std::string, Flags> const expected = {{".hidden", {false, true, false}},
                                                   {"visible.txt", {false, false, false}},
                                                   {"flagged.txt", {false, true, false}},
                                                   {"sub", {true, false, false}},
                                                   {"alias", {false, false, true}}};
    GTable<Cocoa::IteratorCacheItem> cache;
    ASSERT_TRUE(Cocoa::FillCache(cache, PathOf(fFiles)));
    ASSERT_EQ(cache.GetCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < cache.GetCount(); ++i)
    {
        fs::path const path = TextOfPath(cache[i].fPath);
        SCOPED_TRACE(path.string());
        EXPECT_EQ(path.parent_path(), fFiles);
        auto const found = expected.find(path.filename().string());
        ASSERT_NE(found, expected.end());
        EXPECT_EQ(cache[i].fIsFolder, found->second.fFolder);
        EXPECT_EQ(cache[i].fIsHidden, found->second.fHidden);
        EXPECT_EQ(cache[i].fIsAlias, found->second.fAlias);
    }

    // A folder that cannot be listed leaves the listing as it was.
    EXPECT_FALSE(Cocoa::FillCache(cache, PathOf(fFiles / "gone")));
    EXPECT_FALSE(Cocoa::FillCache(cache, PathOf(fFiles / "visible.txt")));
    EXPECT_EQ(cache.GetCount(), static_cast<int>(expected.size()));
    ASSERT_TRUE(Cocoa::FillCache(cache, PathOf(fFiles / "sub")));
    EXPECT_EQ(cache.GetCount(), 0);
    EXPECT_EQ(ThrownID([&] { Cocoa::FillCache(cache, GPathName()); }), 40004);
}

TEST_F(CocoaFileServicesTest, FolderTestsTellMissingItemsApart)
{
    WriteFile(fFiles / "file", "");
    fs::create_symlink(fFiles / "gone", fFiles / "broken");
    EXPECT_TRUE(Cocoa::FolderExists(PathOf(fFiles)));
    EXPECT_FALSE(Cocoa::FolderExists(PathOf(fFiles / "file")));
    EXPECT_EQ(ThrownID([&] { Cocoa::FolderExists(PathOf(fFiles / "gone")); }), 40281);
    EXPECT_EQ(ThrownID([&] { Cocoa::FolderExists(PathOf(fFiles / "broken")); }), 40281);

    bool isFolder = false;
    EXPECT_EQ(Cocoa::IsFolder(PathOf(fFiles), &isFolder), 0);
    EXPECT_TRUE(isFolder);
    EXPECT_EQ(Cocoa::IsFolder(PathOf(fFiles / "file"), &isFolder), 0);
    EXPECT_FALSE(isFolder);
    isFolder = true;
    EXPECT_EQ(Cocoa::IsFolder(PathOf(fFiles / "gone"), &isFolder), -43);
    EXPECT_TRUE(isFolder);
    EXPECT_EQ(Cocoa::IsFolder(PathOf(fFiles / "file"), nullptr), 0);
    EXPECT_EQ(Cocoa::IsFolder(GPathName(), &isFolder), -37);

    testsupport::CurrentFolderScope const current(fFiles);
    GPathName folder;
    Cocoa::GetCurrentFolder(folder);
    EXPECT_EQ(TextOfPath(folder), fFiles.string());
}

// --- one operation's shared answers ---

namespace
{
// What the services answer about a path, as text: asked inside an operation, it must be what a
// thread with no operation open answers.
std::string Answers(GPathName const& path)
{
    std::string text;
    bool isFolder = false;
    short const folderCode = Cocoa::IsFolder(path, &isFolder);
    text += "folder " + std::to_string(folderCode) + (isFolder ? "+" : "-");
    int const folderID = ThrownID([&] { isFolder = Cocoa::FolderExists(path); });
    text += " exists " + (folderID ? std::to_string(folderID) : std::string(isFolder ? "+" : "-"));
    bool flag = false;
    int id = ThrownID([&] { flag = Cocoa::IsHidden(path); });
    text += " hidden " + (id ? std::to_string(id) : std::string(flag ? "+" : "-"));
    id = ThrownID([&] { flag = Cocoa::GetFileLockStatus(path); });
    text += " locked " + (id ? std::to_string(id) : std::string(flag ? "+" : "-"));
    id = ThrownID([&] { flag = Cocoa::IsAlias(path); });
    text += " alias " + (id ? std::to_string(id) : std::string(flag ? "+" : "-"));
    id = ThrownID([&] { flag = Cocoa::IsMacPackage(path); });
    text += " package " + (id ? std::to_string(id) : std::string(flag ? "+" : "-"));
    GPathName resolved;
    bool wasAlias = false;
    short const code = Cocoa::ResolveAlias(path, resolved, &wasAlias);
    text += " resolved " + std::to_string(code) + " " + TextOfPath(resolved) + (wasAlias ? "+" : "-");
    GTable<Cocoa::IteratorCacheItem> cache;
    if (Cocoa::FillCache(cache, path))
    {
        std::map<std::string, std::string> entries;
        for (int i = 0; i < cache.GetCount(); ++i)
            entries[TextOfPath(cache[i].fPath)] = std::string(cache[i].fIsFolder ? "d" : "") +
                                                  (cache[i].fIsHidden ? "h" : "") +
                                                  (cache[i].fIsAlias ? "a" : "");
        text += " lists";
        for (auto const& entry : entries)
            text += " " + entry.first + ":" + entry.second;
    }
    return text;
}

std::string FreshAnswers(GPathName const& path)
{
    std::string text;
    std::thread([&] { text = Answers(path); }).join();
    return text;
}
} // namespace

TEST_F(CocoaFileServicesTest, AnOperationsSharedAnswersFollowItsOwnChanges)
{
    SkipWithoutAttributes();
    fs::create_directories(fFiles / "a" / "x");
    fs::create_directory(fFiles / "b");
    WriteFile(fFiles / "a" / "y", "y");
    fs::create_directory_symlink(fFiles / "a", fFiles / "link");
    ASSERT_EQ(link((fFiles / "a" / "y").c_str(), (fFiles / "hard").c_str()), 0);
    // The paths asked about; those through the link come last, and are asked about only in the end
    // (a path through a link may name what another path names).
    std::vector<fs::path> const places = {fFiles / "a",
                                          fFiles / "b",
                                          fFiles / "a" / "x",
                                          fFiles / "a" / "y",
                                          fFiles / "a" / "x" / "z",
                                          fFiles / "b" / "y",
                                          fFiles / "hard",
                                          fFiles / "c",
                                          fFiles / "c" / "y",
                                          fFiles / "b" / "Contents",
                                          fFiles / "b" / "Contents" / "Info.plist",
                                          fFiles / "link",
                                          fFiles / "link" / "y",
                                          fFiles / "link" / "x" / "z"};
    std::size_t const plainPlaces = places.size() - 3;
    std::size_t asked = plainPlaces;
    auto const at = [&](unsigned index) { return PathOf(places[index % asked]); };
    auto const askAll = [&](std::string const& step)
    {
        for (std::size_t i = 0; i < asked; ++i)
        {
            SCOPED_TRACE(step + ", asked of " + places[i].string());
            std::string const shared = Answers(PathOf(places[i]));
            ASSERT_EQ(shared, FreshAnswers(PathOf(places[i])));
        }
    };

    struct Step
    {
        char const* fLabel;
        std::function<void()> fChange;
    };
    // What one path changes, the others that name the same item or rest on it see.
    Step const steps[] = {
        {"hiding a file with two names", [&] { Cocoa::SetHidden(at(3), true); }},
        {"locking it by its other name", [&] { Cocoa::SetAliasObjectLocked(at(6), true); }},
        {"making a package's contents", [&] { Cocoa::CreateFolder(at(9)); }},
        {"making a package's description", [&] { Cocoa::CreateFile(at(10)); }},
        {"removing the description", [&] { Cocoa::RemoveItem(at(10), Cocoa::cDeleteAny); }},
        {"moving a file into another folder", [&] { EXPECT_EQ(Cocoa::MoveFileTo(at(6), at(5)), 0); }},
        {"renaming a folder with entries", [&] { Cocoa::RenameItem(at(0), at(7)); }},
        {"making a file behind the services' back",
         [&]
         {
             WriteFile(places[0], "");
             Cocoa::ItemChanged(at(0), false);
         }},
        {"removing a folder with entries", [&] { Cocoa::RemoveItem(at(7), Cocoa::cDeleteAny); }},
        {"making it again", [&] { Cocoa::CreateFolder(at(7)); }},
    };
    // Changes of every kind, in an order no one chose.
    std::vector<std::function<void(unsigned, unsigned)>> const changes = {
        [&](unsigned p, unsigned) { Cocoa::CreateFile(at(p)); },
        [&](unsigned p, unsigned) { Cocoa::CreateFolder(at(p)); },
        [&](unsigned p, unsigned) { Cocoa::RemoveItem(at(p), Cocoa::cDeleteAny); },
        [&](unsigned p, unsigned q) { Cocoa::RenameItem(at(p), at(q)); },
        [&](unsigned p, unsigned q) { Cocoa::MoveFileTo(at(p), at(q)); },
        [&](unsigned p, unsigned q) { Cocoa::CopyFileTo(at(p), at(q)); },
        [&](unsigned p, unsigned q) { Cocoa::SetHidden(at(p), q % 2); },
        [&](unsigned p, unsigned q) { Cocoa::SetAliasObjectLocked(at(p), q % 2); },
    };
    unsigned seed = 20240611;
    auto const next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    auto const walk = [&]
    {
        for (int step = 0; step < 30 && !HasFatalFailure(); ++step)
        {
            unsigned const kind = next() % changes.size();
            unsigned const p = next();
            unsigned const q = next();
            // Changes that fail (nothing there, something in the way) are changes too.
            ThrownID([&] { changes[kind](p, q); });
            askAll("change " + std::to_string(kind) + " at " + places[p % asked].string());
        }
    };

    Cocoa::OperationScope const operation;
    askAll("before any change");
    for (Step const& step : steps)
    {
        if (HasFatalFailure())
            return;
        step.fChange();
        askAll(step.fLabel);
    }
    walk();

    asked = places.size();
    fs::remove_all(fFiles / "a");
    fs::create_directories(fFiles / "a" / "x");
    Cocoa::ItemChanged(PathOf(fFiles / "a"), false);
    askAll("paths through the link asked about");
    Step const linkSteps[] = {
        {"removing what the link leads to", [&] { Cocoa::RemoveItem(at(2), Cocoa::cDeleteAny); }},
        {"making it through the link", [&] { Cocoa::CreateFolder(PathOf(fFiles / "link" / "x")); }},
        {"making inside it by its own path", [&] { Cocoa::CreateFolder(at(4)); }},
        {"making a file through the link", [&] { Cocoa::CreateFile(at(12)); }},
        {"hiding it by its own path", [&] { Cocoa::SetHidden(at(3), true); }},
    };
    for (Step const& step : linkSteps)
    {
        if (HasFatalFailure())
            return;
        step.fChange();
        askAll(step.fLabel);
    }
    walk();
}
