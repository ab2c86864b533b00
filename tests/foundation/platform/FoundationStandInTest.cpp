// The Foundation stand-in where it does more than the Cocoa file services show: Foundation's errors,
// what copies, replacements and the trash carry along, locks against other users, the mount table,
// the calendar, URL texts, bundle descriptions and the reader of their property lists.
#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

#include "OtherUser.h"
#include "TempFolder.h"
#include "TimeZoneScope.h"
#include "macos/CFBundleStandIn.h"
#include "macos/CFURLStandIn.h"
#include "macos/FoundationStandIn.h"
#include "macos/PropertyListStandIn.h"
#include "macos/VolumesStandIn.h"

namespace fs = std::filesystem;
using testsupport::RunsAsOtherUser;

namespace
{
void WriteFile(fs::path const& path, std::string const& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(fs::path const& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::string Text(CFStringRef string)
{
    return string ? CFStringStandInGetUTF8(string) : "(null)";
}

CFStringRef String(std::string const& text)
{
    return static_cast<CFStringRef>(
        CFAutorelease(CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8)));
}

NSURL* URLOf(fs::path const& path)
{
    return NSURL::fileURLWithPath(String(path.string()));
}

std::string Attribute(fs::path const& path, char const* name)
{
    char value[256];
    ssize_t const length = lgetxattr(path.c_str(), name, value, sizeof value);
    return length < 0 ? "(none)" : std::string(value, static_cast<std::size_t>(length));
}

bool KeepsAttributes(fs::path const& folder)
{
    fs::path const probe = folder / ".attribute-probe";
    WriteFile(probe, "");
    bool const keeps = setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
    fs::remove(probe);
    return keeps;
}

// Every test runs inside a pool of its own, as the platform's callers do.
class FoundationStandInTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fPool = new NSAutoreleasePool;
        fs::create_directories(fFiles);
        fs::create_directories(fHome);
        FoundationStandInSetHomeDirectory(fHome.c_str());
    }
    void TearDown() override
    {
        FoundationStandInSetHomeDirectory(nullptr);
        FoundationStandInSetMountTable(nullptr);
        VolumesStandInSetVolumesRoot(nullptr);
        fPool->drain();
    }

    NSFileManager* Manager() { return NSFileManager::defaultManager(); }

    NSAutoreleasePool* fPool = nullptr;
    testsupport::TempFolder fRoot{"sendrix-foundation"};
    fs::path const fFiles = fRoot / "files";
    fs::path const fHome = fRoot / "home";
};
} // namespace

TEST_F(FoundationStandInTest, FailuresAreFoundationsFileErrors)
{
    WriteFile(fFiles / "a.txt", "a");
    fs::create_directory(fFiles / "folder");
    struct Case
    {
        char const* fName;
        std::function<bool(NSError**)> fCall;
        NSInteger fCode;
        std::string fDescription;
    };
    std::string const missing = (fFiles / "missing.txt").string();
    Case const cases[] = {
        {"removing nothing", [&](NSError** e) { return Manager()->removeItemAtPath(String(missing), e); }, 4,
         "\xE2\x80\x9Cmissing.txt\xE2\x80\x9D couldn\xE2\x80\x99t be removed."},
        {"describing nothing",
         [&](NSError** e) { return Manager()->attributesOfItemAtPath(String(missing), e) != nullptr; }, 260,
         "The file \xE2\x80\x9Cmissing.txt\xE2\x80\x9D couldn\xE2\x80\x99t be opened because there is no "
         "such file."},
        {"making a folder twice",
         [&](NSError** e)
         { return Manager()->createDirectoryAtURL(URLOf(fFiles / "folder"), false, nullptr, e); },
         516,
         "The file \xE2\x80\x9C"
         "folder\xE2\x80\x9D couldn\xE2\x80\x99t be saved in the folder \xE2\x80\x9C"
         "files\xE2\x80\x9D because a file with the same name already exists."},
        {"copying onto an item",
         [&](NSError** e)
         { return Manager()->copyItemAtURL(URLOf(fFiles / "a.txt"), URLOf(fFiles / "folder"), e); },
         516,
         "\xE2\x80\x9C"
         "a.txt\xE2\x80\x9D couldn\xE2\x80\x99t be copied to \xE2\x80\x9C"
         "files\xE2\x80\x9D because an item with the same name already exists."},
        {"moving nothing",
         [&](NSError** e)
         { return Manager()->moveItemAtPath(String(missing), String(missing + ".moved"), e); },
         4, "The file \xE2\x80\x9Cmissing.txt\xE2\x80\x9D doesn\xE2\x80\x99t exist."},
        {"listing a file",
         [&](NSError** e)
         { return Manager()->contentsOfDirectoryAtURL(URLOf(fFiles / "a.txt"), nullptr, 0, e) != nullptr; },
         256,
         "The file \xE2\x80\x9C"
         "a.txt\xE2\x80\x9D couldn\xE2\x80\x99t be opened."},
        {"reading bookmark data of a plain file",
         [&](NSError** e)
         { return NSURL::bookmarkDataWithContentsOfURL(URLOf(fFiles / "a.txt"), e) != nullptr; },
         259,
         "The file \xE2\x80\x9C"
         "a.txt\xE2\x80\x9D couldn\xE2\x80\x99t be opened because it isn\xE2\x80\x99t in the "
         "correct format."},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        NSError* error = nullptr;
        EXPECT_FALSE(c.fCall(&error));
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(Text(error->domain()), "NSCocoaErrorDomain");
        EXPECT_EQ(error->code(), c.fCode);
        EXPECT_EQ(Text(error->localizedDescription()), c.fDescription);
        // A caller that does not ask for the error is told by the answer alone.
        EXPECT_FALSE(c.fCall(nullptr));
    }
    NSError* const bare = NSError::errorWithDomain(NSCocoaErrorDomain, 512, nullptr);
    EXPECT_EQ(Text(bare->localizedDescription()),
              "The operation couldn\xE2\x80\x99t be completed. (NSCocoaErrorDomain error 512.)");
}

TEST_F(FoundationStandInTest, APathWithAZeroCharacterNamesNoItem)
{
    // The system's calls end a path at its first zero byte: "victim", a zero and ".bak" must not be
    // taken for "victim".
    WriteFile(fFiles / "victim", "keep");
    std::string const text = (fFiles / "victim").string() + std::string("\0.bak", 5);
    CFStringRef const path = static_cast<CFStringRef>(CFAutorelease(
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(text.data()),
                                static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false)));
    ASSERT_EQ(CFStringGetLength(path), static_cast<CFIndex>(text.size()));
    EXPECT_EQ(NSURL::fileURLWithPath(path), nullptr);
    EXPECT_EQ(NSURL::fileURLWithPath(path, false), nullptr);
    EXPECT_EQ(NSURL::URLWithString(String("file://" + (fFiles / "victim").string() + "%00.bak")), nullptr);
    EXPECT_EQ(CFURLCreateWithFileSystemPath(kCFAllocatorDefault, path, kCFURLPOSIXPathStyle, false), nullptr);
    EXPECT_FALSE(Manager()->fileExistsAtPath(path));
    NSError* error = nullptr;
    EXPECT_FALSE(Manager()->removeItemAtPath(path, &error));
    EXPECT_NE(error, nullptr);
    EXPECT_FALSE(Manager()->createFileAtPath(path, nullptr, nullptr));
    EXPECT_FALSE(Manager()->moveItemAtPath(path, String((fFiles / "moved").string()), nullptr));
    EXPECT_EQ(ReadFile(fFiles / "victim"), "keep");
    EXPECT_FALSE(fs::exists(fFiles / "moved"));
}

TEST_F(FoundationStandInTest, CopiesCarryPermissionsAttributesDatesAndLinks)
{
    if (!KeepsAttributes(fFiles))
        GTEST_SKIP() << "the temporary folder's file system keeps no user attributes";
    fs::path const source = fFiles / "source";
    fs::create_directories(source / "inner");
    WriteFile(source / "inner" / "data.bin", std::string("\0\1\2 bytes", 9));
    ASSERT_EQ(setxattr((source / "inner" / "data.bin").c_str(), "user.macos.locked", "1", 1, 0), 0);
    fs::permissions(source / "inner" / "data.bin", fs::perms::owner_read | fs::perms::group_read);
    fs::create_symlink("inner/data.bin", source / "link");
    timespec const old[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (source / "inner" / "data.bin").c_str(), old, 0), 0);

    fs::path const copy = fFiles / "copy";
    ASSERT_TRUE(Manager()->copyItemAtURL(URLOf(source), URLOf(copy), nullptr));
    fs::path const data = copy / "inner" / "data.bin";
    EXPECT_EQ(ReadFile(data), std::string("\0\1\2 bytes", 9));
    EXPECT_EQ(fs::status(data).permissions(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(Attribute(data, "user.macos.locked"), "1");
    struct stat status;
    ASSERT_EQ(stat(data.c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, 1000000000);
    EXPECT_TRUE(fs::is_symlink(copy / "link"));
    EXPECT_EQ(fs::read_symlink(copy / "link"), "inner/data.bin");
}

TEST_F(FoundationStandInTest, AFailedCopyLeavesNothingBehind)
{
    fs::path const source = fFiles / "source";
    fs::create_directories(source);
    WriteFile(source / "a.txt", "a");
    ASSERT_EQ(mkfifo((source / "pipe").c_str(), 0600), 0);
    NSError* error = nullptr;
    EXPECT_FALSE(Manager()->copyItemAtURL(URLOf(source), URLOf(fFiles / "copy"), &error));
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code(), NSFileWriteUnknownError);
    EXPECT_FALSE(fs::exists(fFiles / "copy"));
}

TEST_F(FoundationStandInTest, TheTrashNumbersNamesThatAreTaken)
{
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i)
    {
        WriteFile(fFiles / "notes.txt", std::to_string(i));
        fs::create_directory(fFiles / "folder.d");
        NSURL* trashed = nullptr;
        ASSERT_TRUE(Manager()->trashItemAtURL(URLOf(fFiles / "notes.txt"), &trashed, nullptr));
        names.push_back(fs::path(trashed->fileSystemRepresentation()).filename().string());
        ASSERT_TRUE(Manager()->trashItemAtURL(URLOf(fFiles / "folder.d"), &trashed, nullptr));
        names.push_back(fs::path(trashed->fileSystemRepresentation()).filename().string());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"notes.txt", "folder.d", "notes 2.txt", "folder.d 2",
                                               "notes 3.txt", "folder.d 3"}));
    EXPECT_EQ(ReadFile(fHome / ".Trash" / "notes 3.txt"), "2");
    EXPECT_EQ(fs::status(fHome / ".Trash").permissions(), fs::perms::owner_all);
}

TEST_F(FoundationStandInTest, ReplacementsTakeTheOriginalsMetadataUnlessTold)
{
    if (!KeepsAttributes(fFiles))
        GTEST_SKIP() << "the temporary folder's file system keeps no user attributes";
    fs::path const item = fFiles / "item";
    auto prepare = [&]
    {
        WriteFile(item, "old");
        fs::permissions(item, fs::perms::owner_read | fs::perms::owner_write);
        setxattr(item.c_str(), "user.macos.customicon", "icon", 4, 0);
        WriteFile(fFiles / "new", "new");
        fs::permissions(fFiles / "new", fs::perms::owner_all | fs::perms::others_read);
    };
    prepare();
    NSURL* result = nullptr;
    ASSERT_TRUE(
        Manager()->replaceItemAtURL(URLOf(item), URLOf(fFiles / "new"), nullptr, 0, &result, nullptr));
    EXPECT_EQ(ReadFile(item), "new");
    EXPECT_EQ(fs::status(item).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Attribute(item, "user.macos.customicon"), "icon");
    EXPECT_EQ(Text(result->path()), item.string());

    fs::remove(item);
    prepare();
    ASSERT_TRUE(Manager()->replaceItemAtURL(URLOf(item), URLOf(fFiles / "new"), String("item.old"),
                                            NSFileManagerItemReplacementUsingNewMetadataOnly |
                                                NSFileManagerItemReplacementWithoutDeletingBackupItem,
                                            nullptr, nullptr));
    EXPECT_EQ(fs::status(item).permissions(), fs::perms::owner_all | fs::perms::others_read);
    EXPECT_EQ(Attribute(item, "user.macos.customicon"), "(none)");
    EXPECT_EQ(ReadFile(fFiles / "item.old"), "old");

    // A folder takes a folder's place whatever the old one held.
    fs::create_directories(fFiles / "old folder" / "inner");
    fs::create_directories(fFiles / "new folder");
    WriteFile(fFiles / "new folder" / "fresh", "");
    ASSERT_TRUE(Manager()->replaceItemAtURL(URLOf(fFiles / "old folder"), URLOf(fFiles / "new folder"),
                                            nullptr, NSFileManagerItemReplacementUsingNewMetadataOnly,
                                            nullptr, nullptr));
    EXPECT_TRUE(fs::exists(fFiles / "old folder" / "fresh"));
    EXPECT_FALSE(fs::exists(fFiles / "old folder" / "inner"));
    EXPECT_EQ(std::distance(fs::directory_iterator(fFiles), fs::directory_iterator()), 3);
}

TEST_F(FoundationStandInTest, LocksHoldAgainstOtherUsersAndTheSuperuserPasses)
{
    if (!KeepsAttributes(fFiles))
        GTEST_SKIP() << "the temporary folder's file system keeps no user attributes";
    fs::create_directory(fFiles / "locked folder");
    WriteFile(fFiles / "locked folder" / "inside.txt", "inside");
    WriteFile(fFiles / "file.txt", "file");
    for (fs::path const& item : {fFiles / "locked folder", fFiles / "file.txt"})
        ASSERT_TRUE(
            URLOf(item)->setResourceValue(NSNumber::numberWithBool(true), NSURLIsUserImmutableKey, nullptr));

    EXPECT_TRUE(RunsAsOtherUser(
        fRoot.Path(),
        [&]
        {
            NSAutoreleasePool* const pool = new NSAutoreleasePool;
            NSFileManager* const manager = NSFileManager::defaultManager();
            std::string const file = (fFiles / "file.txt").string();
            NSError* error = nullptr;
            bool const refused =
                !manager->removeItemAtPath(String((fFiles / "locked folder" / "inside.txt").string()),
                                           &error) &&
                error->code() == NSFileWriteNoPermissionError &&
                !manager->createFileAtPath(String((fFiles / "locked folder" / "new.txt").string()), nullptr,
                                           nullptr) &&
                !manager->moveItemAtPath(String(file), String(file + ".moved"), nullptr) &&
                !manager->setAttributes(NSDictionary::dictionaryWithObjects(
                                            std::vector<CFTypeRef>{NSNumber::numberWithInt(0600)}.data(),
                                            std::vector<CFStringRef>{NSFilePosixPermissions}.data(), 1),
                                        String(file), nullptr);
            // One call may unlock, change and lock again.
            std::vector<CFStringRef> const keys{NSFileImmutable, NSFilePosixPermissions};
            std::vector<CFTypeRef> const unlock{NSNumber::numberWithBool(false),
                                                NSNumber::numberWithInt(0600)};
            bool const changed = manager->setAttributes(
                NSDictionary::dictionaryWithObjects(unlock.data(), keys.data(), 2), String(file), nullptr);
            std::vector<CFTypeRef> const relock{NSNumber::numberWithBool(true),
                                                NSNumber::numberWithInt(0644)};
            bool const relocked = manager->setAttributes(
                NSDictionary::dictionaryWithObjects(relock.data(), keys.data(), 2), String(file), nullptr);
            struct stat status;
            bool const result = refused && changed && relocked && stat(file.c_str(), &status) == 0 &&
                                (status.st_mode & 07777) == 0644 &&
                                fs::exists(fFiles / "locked folder" / "inside.txt");
            pool->drain();
            return result;
        }));

    if (geteuid() != 0)
        return;
    EXPECT_TRUE(Manager()->removeItemAtPath(String((fFiles / "locked folder").string()), nullptr));
    EXPECT_FALSE(fs::exists(fFiles / "locked folder"));
}

// Read-only items can still be locked, hidden and unlocked by their owner, as on the platform.
TEST_F(FoundationStandInTest, OwnersChangeTheFlagsOfTheirReadOnlyItems)
{
    if (!KeepsAttributes(fFiles))
        GTEST_SKIP() << "the temporary folder's file system keeps no user attributes";
    WriteFile(fFiles / "read only", "");
    fs::permissions(fFiles / "read only", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_TRUE(RunsAsOtherUser(
        fRoot.Path(),
        [&]
        {
            NSAutoreleasePool* const pool = new NSAutoreleasePool;
            NSURL* const url = URLOf(fFiles / "read only");
            CFTypeRef locked = nullptr;
            CFTypeRef hidden = nullptr;
            bool const changed =
                url->setResourceValue(NSNumber::numberWithBool(true), NSURLIsHiddenKey, nullptr) &&
                url->setResourceValue(NSNumber::numberWithBool(true), NSURLIsUserImmutableKey, nullptr) &&
                url->getResourceValue(&locked, NSURLIsUserImmutableKey, nullptr) &&
                static_cast<NSNumber const*>(locked)->boolValue() &&
                url->setResourceValue(NSNumber::numberWithBool(false), NSURLIsUserImmutableKey, nullptr) &&
                url->getResourceValue(&locked, NSURLIsUserImmutableKey, nullptr) &&
                !static_cast<NSNumber const*>(locked)->boolValue() &&
                url->getResourceValue(&hidden, NSURLIsHiddenKey, nullptr) &&
                static_cast<NSNumber const*>(hidden)->boolValue();
            pool->drain();
            return changed;
        }));
    EXPECT_EQ(fs::status(fFiles / "read only").permissions(), fs::perms::owner_read | fs::perms::group_read);
}

TEST_F(FoundationStandInTest, VolumesComeFromTheMountTableAndTheVolumesRoot)
{
    fs::path const volumes = fRoot / "Volumes";
    fs::create_directories(volumes / "Archive");
    fs::create_directories(fRoot / "mnt" / "usb stick");
    VolumesStandInSetVolumesRoot(volumes.c_str());
    fs::path const table = fRoot / "mountinfo";
    std::ofstream(table) << "20 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                         << "21 20 0:5 / /proc rw - proc proc rw\n"
                         << "22 20 0:40 / " << (fRoot / "mnt").string()
                         << "/usb\\040stick rw - vfat /dev/sdb1 rw\n"
                         << "23 20 0:41 / " << (fRoot / "mnt").string()
                         << "/usb\\040stick ro - vfat /dev/sdb1 ro\n"
                         << "not a mount line\n";
    FoundationStandInSetMountTable(table.c_str());

    auto names = [&](NSVolumeEnumerationOptions options)
    {
        std::vector<std::string> found;
        CFArrayRef const urls = Manager()->mountedVolumeURLsIncludingResourceValuesForKeys(nullptr, options);
        for (CFIndex i = 0; i < CFArrayGetCount(urls); ++i)
        {
            NSURL* const url = static_cast<NSURL*>(const_cast<void*>(CFArrayGetValueAtIndex(urls, i)));
            CFTypeRef name = nullptr;
            EXPECT_TRUE(url->getResourceValue(&name, NSURLVolumeNameKey, nullptr));
            found.push_back(Text(static_cast<CFStringRef>(name)) + " at " + url->fileSystemRepresentation());
        }
        return found;
    };
    std::string const stick = "usb stick at " + (fRoot / "mnt" / "usb stick").string();
    std::string const archive = "Archive at " + (volumes / "Archive").string();
    EXPECT_EQ(names(0), (std::vector<std::string>{"Macintosh HD at /", "proc at /proc", stick, archive}));
    EXPECT_EQ(names(NSVolumeEnumerationSkipHiddenVolumes),
              (std::vector<std::string>{"Macintosh HD at /", stick, archive}));

    // The later mount on a path is the one that counts.
    CFTypeRef readOnly = nullptr;
    ASSERT_TRUE(
        URLOf(fRoot / "mnt" / "usb stick")->getResourceValue(&readOnly, NSURLVolumeIsReadOnlyKey, nullptr));
    EXPECT_TRUE(static_cast<NSNumber const*>(readOnly)->boolValue());
    CFTypeRef volumeURL = nullptr;
    ASSERT_TRUE(URLOf(volumes / "Archive")->getResourceValue(&volumeURL, NSURLVolumeURLKey, nullptr));
    EXPECT_EQ(Text(static_cast<NSURL const*>(volumeURL)->absoluteString()),
              "file://" + (volumes / "Archive").string() + "/");
}

TEST_F(FoundationStandInTest, TheCalendarSplitsDatesInItsZone)
{
    testsupport::TimeZoneScope const zone("EST5EDT,M3.2.0,M11.1.0");
    NSCalendar* const calendar = NSCalendar::calendarWithIdentifier(NSCalendarIdentifierGregorian);
    ASSERT_NE(calendar, nullptr);
    NSCalendarUnit const units =
        NSCalendarUnitYear | NSCalendarUnitMonth | NSCalendarUnitDay | NSCalendarUnitHour;
    // 2024-07-01 02:00:00 UTC is 22:00 of the day before in New York.
    NSDate* const date = NSDate::dateWithTimeIntervalSince1970(1719799200.75);
    NSDateComponents* local = calendar->components(units, date);
    EXPECT_EQ(local->day(), 30);
    EXPECT_EQ(local->hour(), 22);
    EXPECT_EQ(local->minute(), NSDateComponentUndefined);

    calendar->setTimeZone(NSTimeZone::timeZoneWithName(CFSTR("UTC")));
    NSDateComponents* utc = calendar->components(units | NSCalendarUnitSecond, date);
    EXPECT_EQ(utc->month(), 7);
    EXPECT_EQ(utc->day(), 1);
    EXPECT_EQ(utc->hour(), 2);
    EXPECT_EQ(utc->second(), 0);

    NSDateComponents* const parts = new NSDateComponents;
    parts->setYear(2023);
    parts->setMonth(13);
    parts->setDay(1);
    NSDate* const carried = calendar->dateFromComponents(parts);
    CFRelease(parts);
    ASSERT_NE(carried, nullptr);
    EXPECT_EQ(carried->timeIntervalSince1970(), 1704067200.0);

    EXPECT_EQ(NSTimeZone::timeZoneWithName(CFSTR("Europe/Paris")), nullptr);
    EXPECT_EQ(NSCalendar::calendarWithIdentifier(CFSTR("hebrew")), nullptr);
}

TEST_F(FoundationStandInTest, FileURLsArePercentEncodedAndMarkFolders)
{
    fs::create_directory(fFiles / "a folder");
    NSURL* const folder = URLOf(fFiles / "a folder");
    EXPECT_EQ(Text(folder->absoluteString()), "file://" + fFiles.string() + "/a%20folder/");
    EXPECT_EQ(Text(folder->path()), (fFiles / "a folder").string());
    EXPECT_EQ(Text(NSURL::fileURLWithPath(String("/x/\xC3\xA9#1"), false)->absoluteString()),
              "file:///x/%C3%A9%231");
    EXPECT_EQ(Text(NSURL::fileURLWithPath(String("/"))->absoluteString()), "file:///");
    EXPECT_EQ(NSURL::fileURLWithPath(String("")), nullptr);

    NSURL* const parsed = NSURL::URLWithString(String("file:///x/%C3%A9%231"));
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(Text(parsed->path()), "/x/\xC3\xA9#1");
    NSURL* const share = NSURL::URLWithString(String("smb://server/share"));
    ASSERT_NE(share, nullptr);
    EXPECT_FALSE(share->isFileURL());
    EXPECT_EQ(share->path(), nullptr);
    EXPECT_EQ(NSURL::URLWithString(String("no scheme")), nullptr);
    EXPECT_EQ(NSURL::URLWithString(String("file:///bad%2")), nullptr);
}

TEST_F(FoundationStandInTest, AURLObjectKeepsTheValuesItReadUntilTheyAreRemoved)
{
    WriteFile(fFiles / "file", "");
    auto const setModified = [&](time_t seconds)
    {
        timespec const times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, (fFiles / "file").c_str(), times, 0), 0);
    };
    auto const modified = [](NSURL* url)
    {
        CFTypeRef value = nullptr;
        EXPECT_TRUE(url->getResourceValue(&value, NSURLContentModificationDateKey, nullptr));
        return value ? static_cast<NSDate const*>(value)->timeIntervalSince1970() : -1.0;
    };
    auto const isDirectory = [](NSURL* url)
    {
        CFTypeRef value = nullptr;
        return url->getResourceValue(&value, NSURLIsDirectoryKey, nullptr) &&
               static_cast<NSNumber const*>(value)->boolValue();
    };
    setModified(1000);
    NSURL* const url = URLOf(fFiles / "file");
    EXPECT_EQ(modified(url), 1000.0);
    EXPECT_FALSE(isDirectory(url));

    // Changed behind the object's back: the object answers what it read, a new object reads afresh.
    setModified(2000);
    fs::remove(fFiles / "file");
    fs::create_directory(fFiles / "file");
    EXPECT_EQ(modified(url), 1000.0);
    EXPECT_FALSE(isDirectory(url));
    EXPECT_TRUE(isDirectory(URLOf(fFiles / "file")));

    // A value removed from the cache is read again; the others stay as they were read.
    url->removeCachedResourceValueForKey(NSURLIsDirectoryKey);
    EXPECT_TRUE(isDirectory(url));
    EXPECT_EQ(modified(url), 1000.0);
    url->removeAllCachedResourceValues();
    EXPECT_NE(modified(url), 1000.0);

    // Setting a value through the object empties its cache.
    CFTypeRef hidden = nullptr;
    ASSERT_TRUE(url->getResourceValue(&hidden, NSURLIsHiddenKey, nullptr));
    EXPECT_FALSE(static_cast<NSNumber const*>(hidden)->boolValue());
    ASSERT_TRUE(url->setResourceValue(NSDate::dateWithTimeIntervalSince1970(3000),
                                      NSURLContentModificationDateKey, nullptr));
    EXPECT_EQ(modified(url), 3000.0);

    // Nothing there yet: the object says so until told to look again.
    NSURL* const later = URLOf(fFiles / "later");
    CFTypeRef value = nullptr;
    EXPECT_FALSE(later->getResourceValue(&value, NSURLIsDirectoryKey, nullptr));
    WriteFile(fFiles / "later", "");
    later->removeAllCachedResourceValues();
    EXPECT_TRUE(later->getResourceValue(&value, NSURLIsDirectoryKey, nullptr));
}

TEST_F(FoundationStandInTest, AURLTakesItsFolderFormWhenItIsFirstAskedFor)
{
    NSURL* const url = URLOf(fFiles / "made later");
    fs::create_directory(fFiles / "made later");
    EXPECT_TRUE(url->hasDirectoryPath());
    EXPECT_EQ(Text(url->absoluteString()), "file://" + fFiles.string() + "/made%20later/");

    // Listed entries take theirs from the listing: a link to a folder is no folder.
    fs::create_directory_symlink(fFiles / "made later", fFiles / "link");
    CFArrayRef const entries = Manager()->contentsOfDirectoryAtURL(URLOf(fFiles), nullptr, 0, nullptr);
    ASSERT_NE(entries, nullptr);
    std::map<std::string, bool> folders;
    for (CFIndex i = 0; i < CFArrayGetCount(entries); ++i)
    {
        NSURL const* const entry = static_cast<NSURL const*>(CFArrayGetValueAtIndex(entries, i));
        folders[Text(entry->lastPathComponent())] = entry->hasDirectoryPath();
    }
    EXPECT_EQ(folders, (std::map<std::string, bool>{{"link", false}, {"made later", true}}));
}

TEST_F(FoundationStandInTest, CreationDatesLinuxCannotSetAreKeptBesideTheItem)
{
    if (!KeepsAttributes(fFiles))
        GTEST_SKIP() << "the temporary folder's file system keeps no user attributes";
    WriteFile(fFiles / "file", "");
    NSURL* const url = URLOf(fFiles / "file");
    ASSERT_TRUE(url->setResourceValue(NSDate::dateWithTimeIntervalSince1970(946684800.5),
                                      NSURLCreationDateKey, nullptr));
    EXPECT_EQ(Attribute(fFiles / "file", "user.macos.creationdate"), "946684800.500000000");
    CFTypeRef created = nullptr;
    ASSERT_TRUE(url->getResourceValue(&created, NSURLCreationDateKey, nullptr));
    EXPECT_EQ(static_cast<NSDate const*>(created)->timeIntervalSince1970(), 946684800.5);

    // A link keeps no attributes: its creation date stays what the file system says, and nothing fails.
    fs::create_symlink("file", fFiles / "link");
    NSURL* const link = URLOf(fFiles / "link");
    EXPECT_TRUE(
        link->setResourceValue(NSDate::dateWithTimeIntervalSince1970(0), NSURLCreationDateKey, nullptr));
    ASSERT_TRUE(link->getResourceValue(&created, NSURLCreationDateKey, nullptr));
    EXPECT_GT(static_cast<NSDate const*>(created)->timeIntervalSince1970(), 946684800.5);
}

namespace
{
std::string const cPlistHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                               "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n";
} // namespace

TEST(PropertyListStandInTest, ReadsTheStringsOfTheTopDictionary)
{
    std::string const text =
        cPlistHead + "<plist version=\"1.0\">\n<!-- a bundle -->\n<dict>\n"
                     "  <key>CFBundleIdentifier</key>\n  <string>com.example.a&amp;b</string>\n"
                     "  <key>CFBundleName</key><string>Caf&#xE9; &#8220;Zolvane&#8221; &lt;x&gt;</string>\n"
                     "  <key>Empty</key><string/>\n"
                     "  <key>Raw</key><string><![CDATA[<not markup> & more]]></string>\n"
                     "  <key>LSRequiresCarbon</key><true/>\n"
                     "  <key>Count</key><integer>-42</integer>\n"
                     "  <key>Nested</key><dict><key>CFBundleName</key><string>inner</string></dict>\n"
                     "  <key>List</key><array><string>a</string><array/><dict/><real>1.5</real></array>\n"
                     "</dict>\n</plist>\n";
    std::map<std::string, std::string> strings;
    std::string error;
    ASSERT_TRUE(PropertyListStandInReadStrings(text, strings, &error)) << error;
    EXPECT_EQ(strings, (std::map<std::string, std::string>{
                           {"CFBundleIdentifier", "com.example.a&b"},
                           {"CFBundleName", "Caf\xC3\xA9 \xE2\x80\x9CZolvane\xE2\x80\x9D <x>"},
                           {"Empty", ""},
                           {"Raw", "<not markup> & more"}}));
    ASSERT_TRUE(PropertyListStandInReadStrings("\xEF\xBB\xBF<plist><dict/></plist>", strings, &error))
        << error;
    EXPECT_TRUE(strings.empty());
}

TEST(PropertyListStandInTest, RefusesTextThatIsNoWellFormedPropertyList)
{
    std::string deep = "<plist><dict><key>k</key>";
    for (int i = 0; i < 100; ++i)
        deep += "<array>";
    for (int i = 0; i < 100; ++i)
        deep += "</array>";
    deep += "</dict></plist>";
    struct Case
    {
        char const* fName;
        std::string fText;
    };
    Case const cases[] = {
        {"empty", ""},
        {"neither XML nor old-style text", "CFBundleIdentifier = com.example"},
        {"unclosed string", "<plist><dict><key>a</key><string>b</dict></plist>"},
        {"closed by another tag", "<plist><dict><key>a</key><string>b</key></dict></plist>"},
        {"key without a value", "<plist><dict><key>a</key></dict></plist>"},
        {"value without a key", "<plist><dict><string>b</string></dict></plist>"},
        {"text between entries", "<plist><dict>stray<key>a</key><string>b</string></dict></plist>"},
        {"unknown entity", "<plist><dict><key>a</key><string>&nbsp;</string></dict></plist>"},
        {"bare ampersand", "<plist><dict><key>a</key><string>a & b</string></dict></plist>"},
        {"character zero", "<plist><dict><key>a</key><string>&#0;</string></dict></plist>"},
        {"surrogate reference", "<plist><dict><key>a</key><string>&#xD800;</string></dict></plist>"},
        {"internal subset", "<!DOCTYPE plist [<!ENTITY x \"y\">]><plist><dict/></plist>"},
        {"unknown element", "<plist><dict><key>a</key><blob>b</blob></dict></plist>"},
        {"two roots", "<plist><dict/></plist><plist><dict/></plist>"},
        {"no dictionary", "<plist><array/></plist>"},
        {"other root", "<dict><key>a</key><string>b</string></dict>"},
        {"unquoted attribute", "<plist version=1.0><dict/></plist>"},
        {"double dash in a comment", "<plist><!-- a -- b --><dict/></plist>"},
        {"letters in an integer", "<plist><dict><key>a</key><integer>12ab</integer></dict></plist>"},
        {"cut off", "<plist><dict><key>a</key><string>b</string>"},
        {"nested too deeply", deep},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        std::map<std::string, std::string> strings{{"kept", "as it was"}};
        std::string error;
        EXPECT_FALSE(PropertyListStandInReadStrings(c.fText, strings, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(strings.size(), 1u);
    }
}

namespace
{
// A dictionary as the platform's binary writer lays it out: three strings (one beyond ASCII, written
// as UTF-16), an integer, a truth value, an array holding a string, an empty array, an empty
// dictionary and a real number, a nested dictionary, data and a date.
std::string const cBinaryPlist(
    "\x62\x70\x6C\x69\x73\x74\x30\x30\xD9\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F"
    "\x10\x15\x17\x54\x42\x6C\x6F\x62\x5F\x10\x12\x43\x46\x42\x75\x6E\x64\x6C\x65\x49\x64\x65\x6E\x74"
    "\x69\x66\x69\x65\x72\x5C\x43\x46\x42\x75\x6E\x64\x6C\x65\x4E\x61\x6D\x65\x5F\x10\x0F\x43\x46\x42"
    "\x75\x6E\x64\x6C\x65\x56\x65\x72\x73\x69\x6F\x6E\x55\x43\x6F\x75\x6E\x74\x54\x46\x6C\x61\x67\x54"
    "\x4C\x69\x73\x74\x56\x4E\x65\x73\x74\x65\x64\x54\x57\x68\x65\x6E\x42\x00\x01\x5F\x10\x12\x63\x6F"
    "\x6D\x2E\x65\x78\x61\x6D\x70\x6C\x65\x2E\x72\x65\x61\x64\x65\x72\x6E\x00\x43\x00\x61\x00\x66\x00"
    "\xE9\x00\x20\x20\x1C\x00\x5A\x00\x6F\x00\x6C\x00\x76\x00\x61\x00\x6E\x00\x65\x20\x1D\x55\x32\x30"
    "\x35\x30\x30\x13\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xD6\x09\xA4\x11\x12\x13\x14\x51\x61\xA0\xD0\x23\x3F"
    "\xF8\x00\x00\x00\x00\x00\x00\xD1\x03\x16\x55\x69\x6E\x6E\x65\x72\x33\x41\xC6\x93\x1C\xD2\x80\x00"
    "\x00\x08\x1B\x20\x35\x42\x54\x5A\x5F\x64\x6B\x70\x73\x88\xA5\xAB\xB4\xB5\xBA\xBC\xBD\xBE\xC7\xCA"
    "\xD0\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x18\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\xD9",
    273);

// The UTF-8 text as UTF-16 with its byte-order mark.
std::string UTF16Of(std::string const& text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    auto const append = [&bytes, bigEndian](std::uint32_t unit)
    {
        char const high = static_cast<char>(unit >> 8);
        char const low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    };
    for (std::size_t at = 0; at < text.size();)
    {
        unsigned char const lead = static_cast<unsigned char>(text[at]);
        int const length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int i = 1; i < length; ++i)
            code = code << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
        at += length;
        if (code >= 0x10000)
        {
            append(0xD800 + ((code - 0x10000) >> 10));
            append(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
        else
            append(code);
    }
    return bytes;
}

// The binary list with the byte at the position (counted from the start, or from the end when
// negative) replaced.
std::string BinaryWith(long position, char byte)
{
    std::string bytes = cBinaryPlist;
    bytes[static_cast<std::size_t>(position < 0 ? static_cast<long>(bytes.size()) + position : position)] = byte;
    return bytes;
}
} // namespace

TEST(PropertyListStandInTest, ReadsEveryFormThePlatformReads)
{
    std::string const xml =
        cPlistHead + "<plist version=\"1.0\">\n<dict>\n"
                     "  <key>CFBundleIdentifier</key><string>com.example.reader</string>\n"
                     "  <key>CFBundleName</key><string>Caf\xC3\xA9 \xE2\x80\x9CZolvane\xE2\x80\x9D</string>\n"
                     "  <key>CFBundleVersion</key><string>20500</string>\n"
                     "  <key>Count</key><integer>-42</integer>\n"
                     "  <key>List</key><array><string>a</string><array/><dict/><real>1.5</real></array>\n"
                     "</dict>\n</plist>\n";
    std::string const entries = "  CFBundleIdentifier = com.example.reader;\n"
                                "  CFBundleName = \"Caf\\U00e9 \\U201cZolvane\\U201D\"; // quoted, escaped\n"
                                "  'CFBundleVersion' = 20500;\n"
                                "  /* not strings: */ List = (a, (), {}, \"1.5\",);\n"
                                "  Nested = { CFBundleName = inner; };\n"
                                "  Blob = <0001 fffe>;\n";
    std::string const oldStyle = "// a bundle\n{\n" + entries + "}\n";
    std::string const rawName = "  CFBundleName = \"Caf\xC3\xA9 \xE2\x80\x9CZolvane\xE2\x80\x9D\";\n";
    struct Case
    {
        char const* fForm;
        std::string fBytes;
    };
    Case const cases[] = {
        {"XML", xml},
        {"XML in UTF-8 with its byte-order mark", "\xEF\xBB\xBF" + xml},
        {"XML in UTF-16 little-endian", UTF16Of(xml, false)},
        {"XML in UTF-16 big-endian", UTF16Of(xml, true)},
        {"binary", cBinaryPlist},
        {"old-style text", oldStyle},
        {"old-style text in UTF-16", UTF16Of(oldStyle, false)},
        {"old-style text of the bare entries", entries},
        {"old-style text with characters beyond ASCII as they are",
         "{CFBundleIdentifier=com.example.reader;" + rawName + "CFBundleVersion=\"20500\";}"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fForm);
        std::map<std::string, std::string> strings;
        std::string error;
        EXPECT_TRUE(PropertyListStandInReadStrings(c.fBytes, strings, &error)) << error;
        EXPECT_EQ(strings, (std::map<std::string, std::string>{
                               {"CFBundleIdentifier", "com.example.reader"},
                               {"CFBundleName", "Caf\xC3\xA9 \xE2\x80\x9CZolvane\xE2\x80\x9D"},
                               {"CFBundleVersion", "20500"}}));
    }
    // An old-style entry of strings files stands for itself, and escapes stand for their characters.
    std::map<std::string, std::string> strings;
    std::string error;
    ASSERT_TRUE(PropertyListStandInReadStrings("Alone; \"a\" = \"\\t\\\"\\101\\q\\n\";", strings, &error)) << error;
    EXPECT_EQ(strings, (std::map<std::string, std::string>{{"Alone", "Alone"}, {"a", "\t\"Aq\n"}}));
}

TEST(PropertyListStandInTest, RefusesBinaryAndTextFormsThatDoNotRead)
{
    std::string const listIsItsOwnElement = [] {
        std::string bytes = cBinaryPlist;
        // The array's first element becomes the array itself.
        bytes[bytes.find("\xA4\x11") + 1] = '\x10';
        return bytes;
    }();
    struct Case
    {
        char const* fName;
        std::string fBytes;
    };
    Case const cases[] = {
        {"binary cut short", cBinaryPlist.substr(0, 200)},
        {"binary of another version", "bplist01" + cBinaryPlist.substr(8)},
        {"binary offset outside the objects", BinaryWith(0xD9 + 1, '\xFF')},
        {"binary reference to no object", BinaryWith(9, '\x40')},
        {"binary key that is no string", BinaryWith(9, '\x0A')},
        {"binary object of an unknown kind", BinaryWith(static_cast<long>(cBinaryPlist.find("\x33\x41\xC6")), '\x73')},
        {"binary array holding itself", listIsItsOwnElement},
        {"binary top object past the objects", BinaryWith(-9, '\x30')},
        {"binary offsets of no size", BinaryWith(-26, '\x00')},
        {"binary without a dictionary", BinaryWith(8, '\xA0')},
        {"UTF-16 of an odd number of bytes", UTF16Of("{a=b;}", false) + "x"},
        {"UTF-16 with a lone surrogate", std::string("\xFF\xFE{\0a\0=\0\x00\xD8;\0}\0", 14)},
        {"old-style dictionary not closed", "{ a = b;"},
        {"old-style entry without its semicolon", "{ a = b }"},
        {"old-style key without its value", "{ a; }"},
        {"old-style string not closed", "{ a = \"b; }"},
        {"old-style octal escape beyond ASCII", "{ a = \"\\351\"; }"},
        {"old-style lone surrogate", "{ a = \"\\UD800\"; }"},
        {"old-style data of odd digits", "{ a = <abc>; }"},
        {"old-style data that is not hexadecimal", "{ a = <xy>; }"},
        {"old-style array without its commas", "{ a = (b c); }"},
        {"old-style array at the top", "(a, b)"},
        {"old-style text after the dictionary", "{ a = b; } c"},
        {"old-style comment not closed", "{ a = b; /* }"},
        {"only space", " \n"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        std::map<std::string, std::string> strings{{"kept", "as it was"}};
        std::string error;
        EXPECT_FALSE(PropertyListStandInReadStrings(c.fBytes, strings, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(strings.size(), 1u);
    }
}

TEST_F(FoundationStandInTest, BundlesReadTheirDescription)
{
    fs::path const bundle = fFiles / "Reader.bundle";
    fs::create_directories(bundle / "Contents" / "MacOS");
    WriteFile(bundle / "Contents" / "MacOS" / "Reader", "");
    WriteFile(fFiles / "Outside", "");
    auto describe = [&](std::string const& executable)
    {
        WriteFile(bundle / "Contents" / "Info.plist",
                  cPlistHead +
                      "<plist><dict><key>CFBundleIdentifier</key><string>com.example.sendrix.reader</string>"
                      "<key>CFBundleExecutable</key><string>" +
                      executable + "</string></dict></plist>");
    };
    describe("Reader");
    NSBundle* const opened = NSBundle::bundleWithPath(String(bundle.string()));
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(Text(opened->bundleIdentifier()), "com.example.sendrix.reader");
    EXPECT_EQ(Text(opened->executablePath()), (bundle / "Contents" / "MacOS" / "Reader").string());
    EXPECT_EQ(Text(opened->resourcePath()), (bundle / "Contents" / "Resources").string());
    EXPECT_EQ(Text(static_cast<CFStringRef>(opened->objectForInfoDictionaryKey(CFSTR("CFBundleExecutable")))),
              "Reader");
    NSBundle* const found = NSBundle::bundleWithIdentifier(CFSTR("com.example.sendrix.reader"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(Text(found->bundlePath()), bundle.string());

    // The program is a name in the bundle's program folder, nothing outside it.
    describe("../../../Outside");
    EXPECT_EQ(NSBundle::bundleWithPath(String(bundle.string()))->executablePath(), nullptr);

    // A folder without a description is a bundle of its own resources; one that is missing is none.
    fs::create_directory(fFiles / "plain");
    NSBundle* const plain = NSBundle::bundleWithPath(String((fFiles / "plain").string()));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->bundleIdentifier(), nullptr);
    EXPECT_EQ(Text(plain->resourcePath()), (fFiles / "plain").string());
    EXPECT_EQ(NSBundle::bundleWithPath(String((fFiles / "missing").string())), nullptr);
    EXPECT_EQ(NSBundle::bundleWithIdentifier(CFSTR("com.example.sendrix.unknown")), nullptr);
}
