// This project's stand-in for the Foundation classes that the platform layer calls: the file manager,
// URLs and their resource values, bundles, classes by name and calls on the main thread, and the
// system's version. Its
// objects are CoreFoundation stand-in objects (NSString is CFString, NSData CFData and NSArray CFArray,
// as on the platform), and what a method hands out is autoreleased into the calling thread's innermost
// pool, as Foundation does: the caller keeps an NSAutoreleasePool open around its work.
//
// Everything works on the real Linux file system. What the platform keeps in Finder information and
// file flags is kept in extended attributes of the "user." namespace: the Finder information
// ("user.macos.finderinfo", 32 bytes laid out as the platform lays them out: type and creator codes,
// the Finder flags with the invisible bit and the label colour), the locked (user-immutable) flag
// ("user.macos.locked"), a custom icon ("user.macos.customicon") and a creation date that Linux cannot
// set ("user.macos.creationdate", "<seconds>.<nanoseconds>" since 1970, read before the birth time).
// Where the file system keeps no such attributes (symbolic links, some file systems) they read as
// absent and setting them does nothing. A locked item refuses to be changed, removed, moved or renamed,
// and so does a locked folder's list of entries, except to the superuser, who, as for permissions,
// passes.
//
// An alias is a symbolic link: its bookmark data is the path it records (the link text, made absolute
// against the link's folder), and a link whose target is gone still records it. Volumes are the mounted
// file systems of /proc/self/mountinfo and the folders of the volumes root (VolumesStandIn.h); "/" is the
// start-up volume, named as VolumesStandIn.h names it, every other volume after its mount point's leaf.
#pragma once

#include "CFArrayStandIn.h"
#include "CFBundleStandIn.h"
#include "CFDataStandIn.h"
#include "CFStringStandIn.h"
#include "ObjCRuntimeStandIn.h"

#include <map>
#include <string>
#include <vector>

typedef long NSInteger;
typedef unsigned long NSUInteger;
typedef double NSTimeInterval;

// One pool of a thread's stack of pools: drain releases what was autoreleased while it was the
// innermost, drains the pools opened inside it that are still open, and deletes it.
class NSAutoreleasePool
{
public:
    NSAutoreleasePool();
    NSAutoreleasePool(NSAutoreleasePool const&) = delete;
    NSAutoreleasePool& operator=(NSAutoreleasePool const&) = delete;

    void drain();

    // Pools are opened and drained around nearly every platform call, innermost first: a thread
    // keeps the room of a few of them instead of asking the heap each time.
    static void* operator new(std::size_t size);
    static void operator delete(void* pool);

private:
    ~NSAutoreleasePool() = default;
    friend CFTypeRef CFAutorelease(CFTypeRef);

    // Most pools hold a few objects: those are kept in the pool itself, the rest in fObjects.
    static constexpr std::size_t cFew = 16;
    NSAutoreleasePool* fOuter;
    CFTypeRef fFew[cFew];
    std::size_t fFewCount = 0;
    std::vector<CFTypeRef> fObjects;
};

// Hands the reference to the innermost pool of the calling thread; without a pool it is leaked, as
// on the platform.
CFTypeRef CFAutorelease(CFTypeRef object);

// --- values ---

class NSNumber : public CFStandInObject
{
public:
    // The two truth values are shared objects that are never destroyed.
    static NSNumber* numberWithBool(bool value);
    static bool IsSharedTruth(CFTypeRef object);
    static NSNumber* numberWithInt(int value);
    static NSNumber* numberWithUnsignedInt(unsigned int value);
    static NSNumber* numberWithLongLong(long long value);

    bool boolValue() const { return fValue != 0; }
    int intValue() const { return static_cast<int>(fValue); }
    short shortValue() const { return static_cast<short>(fValue); }
    unsigned int unsignedIntValue() const { return static_cast<unsigned int>(fValue); }
    long long longLongValue() const { return fValue; }

    bool IsEqualTo(CFStandInObject const& other) const override;

private:
    explicit NSNumber(long long value) : fValue(value) {}
    long long fValue;
};

class NSDate : public CFStandInObject
{
public:
    static NSDate* date();
    static NSDate* dateWithTimeIntervalSince1970(NSTimeInterval seconds);

    NSTimeInterval timeIntervalSince1970() const { return fSeconds; }

    bool IsEqualTo(CFStandInObject const& other) const override;

private:
    explicit NSDate(NSTimeInterval seconds) : fSeconds(seconds) {}
    NSTimeInterval fSeconds;
};

// Keys are strings, compared by their text; the values are retained.
class NSDictionary : public CFStandInObject
{
public:
    static NSDictionary* dictionaryWithObjects(CFTypeRef const* objects, CFStringRef const* keys,
                                               NSUInteger count);

    // Null when the key is not there.
    CFTypeRef objectForKey(CFStringRef key) const;
    NSUInteger count() const { return fValues.size(); }
    // The keys in the order of their UTF-8 text, autoreleased.
    CFArrayRef allKeys() const;

    ~NSDictionary() override;

protected:
    NSDictionary() = default;
    std::map<std::string, CFTypeRef> fValues;
};

class NSMutableDictionary : public NSDictionary
{
public:
    // An empty dictionary, autoreleased.
    static NSMutableDictionary* dictionary();

    // Retains the object; a null object or key changes nothing (the platform raises an exception).
    void setObject(CFTypeRef object, CFStringRef key);
    void removeObjectForKey(CFStringRef key);

private:
    NSMutableDictionary() = default;
};

extern CFStringRef const NSCocoaErrorDomain;
extern CFStringRef const NSPOSIXErrorDomain;
extern CFStringRef const NSLocalizedDescriptionKey;

// The codes of the Cocoa error domain that the file manager gives.
enum : NSInteger
{
    NSFileNoSuchFileError = 4,
    NSFileReadUnknownError = 256,
    NSFileReadNoPermissionError = 257,
    NSFileReadCorruptFileError = 259,
    NSFileReadNoSuchFileError = 260,
    NSFileWriteUnknownError = 512,
    NSFileWriteNoPermissionError = 513,
    NSFileWriteFileExistsError = 516,
    NSFileWriteOutOfSpaceError = 640,
    NSFileWriteVolumeReadOnlyError = 642
};

class NSError : public CFStandInObject
{
public:
    static NSError* errorWithDomain(CFStringRef domain, NSInteger code, NSDictionary* userInfo);

    CFStringRef domain() const { return fDomain; }
    NSInteger code() const { return fCode; }
    NSDictionary* userInfo() const { return fUserInfo; }
    // The text under NSLocalizedDescriptionKey, else a general one naming the domain and code.
    CFStringRef localizedDescription() const;

    ~NSError() override;

private:
    NSError() = default;
    CFStringRef fDomain = nullptr;
    NSInteger fCode = 0;
    NSDictionary* fUserInfo = nullptr;
};

// --- the calendar ---

// The stand-in knows two zones: UTC (named "UTC" or "GMT") and the system's current zone (the C
// library's, so that TZ chooses it).
class NSTimeZone : public CFStandInObject
{
public:
    // Null for any other name.
    static NSTimeZone* timeZoneWithName(CFStringRef name);
    static NSTimeZone* defaultTimeZone();
    static NSTimeZone* systemTimeZone() { return defaultTimeZone(); }

    bool IsUTC() const { return fUTC; }

private:
    explicit NSTimeZone(bool utc) : fUTC(utc) {}
    bool fUTC;
};

typedef NSUInteger NSCalendarUnit;
enum : NSCalendarUnit
{
    NSCalendarUnitYear = 1u << 2,
    NSCalendarUnitMonth = 1u << 3,
    NSCalendarUnitDay = 1u << 4,
    NSCalendarUnitHour = 1u << 5,
    NSCalendarUnitMinute = 1u << 6,
    NSCalendarUnitSecond = 1u << 7
};
constexpr NSInteger NSDateComponentUndefined = 0x7fffffffffffffffL;

// Made with new (and released with CFRelease), as alloc and init make it.
class NSDateComponents : public CFStandInObject
{
public:
    NSInteger year() const { return fYear; }
    NSInteger month() const { return fMonth; }
    NSInteger day() const { return fDay; }
    NSInteger hour() const { return fHour; }
    NSInteger minute() const { return fMinute; }
    NSInteger second() const { return fSecond; }
    void setYear(NSInteger value) { fYear = value; }
    void setMonth(NSInteger value) { fMonth = value; }
    void setDay(NSInteger value) { fDay = value; }
    void setHour(NSInteger value) { fHour = value; }
    void setMinute(NSInteger value) { fMinute = value; }
    void setSecond(NSInteger value) { fSecond = value; }

private:
    NSInteger fYear = NSDateComponentUndefined;
    NSInteger fMonth = NSDateComponentUndefined;
    NSInteger fDay = NSDateComponentUndefined;
    NSInteger fHour = NSDateComponentUndefined;
    NSInteger fMinute = NSDateComponentUndefined;
    NSInteger fSecond = NSDateComponentUndefined;
};

extern CFStringRef const NSCalendarIdentifierGregorian;

// The Gregorian calendar (proleptic, as the C library counts), in the default zone until told another.
class NSCalendar : public CFStandInObject
{
public:
    // Null for any calendar but the Gregorian one.
    static NSCalendar* calendarWithIdentifier(CFStringRef identifier);

    NSTimeZone* timeZone() const { return fZone; }
    void setTimeZone(NSTimeZone* zone);
    // The units asked for; the others stay undefined. Seconds are whole (rounded down).
    NSDateComponents* components(NSCalendarUnit units, NSDate* date) const;
    // Undefined components count as the first moment (year 1, January, day 1, 00:00:00); out-of-range
    // values carry over. Null when the date cannot be represented.
    NSDate* dateFromComponents(NSDateComponents* components) const;

    ~NSCalendar() override;

private:
    NSCalendar();
    NSTimeZone* fZone;
};

// --- URLs ---

extern CFStringRef const NSURLIsDirectoryKey;
extern CFStringRef const NSURLIsRegularFileKey;
extern CFStringRef const NSURLIsSymbolicLinkKey;
// Symbolic links are this stand-in's aliases.
extern CFStringRef const NSURLIsAliasFileKey;
// Settable; a name beginning with "." is hidden whatever the flag says.
extern CFStringRef const NSURLIsHiddenKey;
// Settable: the locked flag.
extern CFStringRef const NSURLIsUserImmutableKey;
// The calling process's access to the item (a locked item is not writable).
extern CFStringRef const NSURLIsReadableKey;
extern CFStringRef const NSURLIsWritableKey;
extern CFStringRef const NSURLIsExecutableKey;
// A folder with a package extension ("app", "bundle", "plugin" ...), the bundle bit of its Finder
// information, or a "Contents/Info.plist" file.
extern CFStringRef const NSURLIsPackageKey;
// Settable NSDate values.
extern CFStringRef const NSURLCreationDateKey;
extern CFStringRef const NSURLContentModificationDateKey;
// Settable: the Finder label 0 (none) to 7 as an NSNumber.
extern CFStringRef const NSURLLabelNumberKey;
// Settable: the label colour; this stand-in has no colour objects, so a colour is its label number as
// an NSNumber, and an item without a label has none (null).
extern CFStringRef const NSURLLabelColorKey;
// Settable: the icon's bytes as CFData; null without a custom icon.
extern CFStringRef const NSURLCustomIconKey;
// An opaque CFData that is equal (CFEqual) for two paths of one file-system object.
extern CFStringRef const NSURLFileResourceIdentifierKey;
// Of the volume that holds the item.
extern CFStringRef const NSURLVolumeIdentifierKey;
extern CFStringRef const NSURLVolumeNameKey;
extern CFStringRef const NSURLVolumeURLKey;
extern CFStringRef const NSURLVolumeIsLocalKey;
extern CFStringRef const NSURLVolumeIsInternalKey;
extern CFStringRef const NSURLVolumeIsRemovableKey;
extern CFStringRef const NSURLVolumeIsReadOnlyKey;
// A network volume's server URL ("smb://server/share", "nfs://server/path"); null for others.
extern CFStringRef const NSURLVolumeURLForRemountingKey;
// Of bookmark data: the path the bookmark records.
extern CFStringRef const NSURLPathKey;

typedef NSUInteger NSURLBookmarkCreationOptions;
typedef NSUInteger NSURLBookmarkResolutionOptions;
typedef NSUInteger NSURLBookmarkFileCreationOptions;
constexpr NSURLBookmarkCreationOptions NSURLBookmarkCreationSuitableForBookmarkFile = 1u << 10;
constexpr NSURLBookmarkResolutionOptions NSURLBookmarkResolutionWithoutUI = 1u << 8;

class NSURL : public CFStandInObject
{
public:
    // A file URL; a relative path is taken from the current folder. A folder's URL (the item is one,
    // or isDirectory says so) ends in "/"; without isDirectory the item is looked at only when the URL's
    // text or folder form is first asked for. Null for a null or empty path.
    static NSURL* fileURLWithPath(CFStringRef path);
    static NSURL* fileURLWithPath(CFStringRef path, bool isDirectory);
    // Any absolute URL ("scheme:..."); null for text without a scheme.
    static NSURL* URLWithString(CFStringRef text);

    // The alias's target (the end of a chain of them, with its canonical path); the URL itself for an
    // item that is no alias. Null, with the error, when the target or the item is gone.
    static NSURL* URLByResolvingAliasFileAtURL(NSURL* url, NSURLBookmarkResolutionOptions options,
                                               NSError** error);
    // The bookmark data of an alias file; an item that is no alias gives the error 259.
    static CFDataRef bookmarkDataWithContentsOfURL(NSURL* bookmarkFileURL, NSError** error);
    // NSURLPathKey (the one value bookmark data of this stand-in holds) when asked for.
    static NSDictionary* resourceValuesForKeysFromBookmarkData(CFArrayRef keys, CFDataRef bookmarkData);
    // Makes the alias file; the error 516 when something is there.
    static bool writeBookmarkData(CFDataRef bookmarkData, NSURL* bookmarkFileURL,
                                  NSURLBookmarkFileCreationOptions options, NSError** error);

    bool isFileURL() const { return fIsFile; }
    bool hasDirectoryPath() const;
    // Null for a URL that is no file URL or a path that is not UTF-8.
    CFStringRef path() const;
    CFStringRef lastPathComponent() const;
    // "file://" and the percent-encoded path for a file URL.
    CFStringRef absoluteString() const;
    // Lives as long as the URL; null for a URL that is no file URL.
    char const* fileSystemRepresentation() const;
    NSURL* URLByAppendingPathComponent(CFStringRef component) const;

    // The bookmark data of the item: the absolute path it records. The item must be reachable.
    CFDataRef bookmarkDataWithOptions(NSURLBookmarkCreationOptions options, CFArrayRef keys,
                                      NSURL* relativeTo, NSError** error) const;
    // Whether something is there (a symbolic link counts, whether or not its target is).
    bool checkResourceIsReachableAndReturnError(NSError** error) const;
    // Values that do not apply are null with the answer true; a missing item gives the error 260.
    // As on the platform, the URL object keeps what it read: a value asked again of the same object
    // is answered from that cache (several values come from one look at the item), until the value
    // is removed from the cache or a value is set through this object. A new URL object reads afresh.
    bool getResourceValue(CFTypeRef* value, CFStringRef key, NSError** error) const;
    // Keys that cannot be set are ignored, as on the platform. Empties the object's cache.
    bool setResourceValue(CFTypeRef value, CFStringRef key, NSError** error) const;
    void removeCachedResourceValueForKey(CFStringRef key) const;
    void removeAllCachedResourceValues() const;

    bool IsEqualTo(CFStandInObject const& other) const override;

    ~NSURL() override;

private:
    NSURL() = default;
    friend class NSFileManager;
    struct ResourceCache;
    static NSURL* MakeFileURL(std::string const& path, bool isDirectory);
    // A file URL whose folder form is decided when it is first needed, so that making the URL does
    // not touch the disk.
    static NSURL* MakeFileURL(std::string const& path);
    // An entry of a folder listing, whose kind the listing told (a dirent type; DT_UNKNOWN for none).
    static NSURL* MakeListedFileURL(std::string const& path, unsigned char kind);
    void DecideDirectory() const;
    ResourceCache& Cache() const;

    bool fIsFile = false;
    mutable bool fDirectoryDecided = true;
    mutable bool fIsDirectory = false;
    // A file URL's POSIX path, without a trailing "/" except for the root.
    std::string fPath;
    mutable std::string fText;
    mutable ResourceCache* fCache = nullptr;
};

// --- the file manager ---

extern CFStringRef const NSFileType;
extern CFStringRef const NSFileTypeRegular;
extern CFStringRef const NSFileTypeDirectory;
extern CFStringRef const NSFileTypeSymbolicLink;
extern CFStringRef const NSFileTypeUnknown;
extern CFStringRef const NSFileSize;
extern CFStringRef const NSFileModificationDate;
extern CFStringRef const NSFileCreationDate;
extern CFStringRef const NSFilePosixPermissions;
extern CFStringRef const NSFileOwnerAccountID;
extern CFStringRef const NSFileGroupOwnerAccountID;
extern CFStringRef const NSFileHFSCreatorCode;
extern CFStringRef const NSFileHFSTypeCode;
extern CFStringRef const NSFileImmutable;
extern CFStringRef const NSFileSystemNumber;
extern CFStringRef const NSFileSystemFileNumber;

typedef NSUInteger NSSearchPathDirectory;
enum : NSSearchPathDirectory
{
    NSApplicationDirectory = 1,
    NSAdminApplicationDirectory = 4,
    NSLibraryDirectory = 5,
    NSDocumentDirectory = 9,
    NSDesktopDirectory = 12,
    NSApplicationSupportDirectory = 14,
    NSTrashDirectory = 102
};
typedef NSUInteger NSSearchPathDomainMask;
enum : NSSearchPathDomainMask
{
    NSUserDomainMask = 1,
    NSLocalDomainMask = 2
};

typedef NSUInteger NSFileManagerItemReplacementOptions;
// The replacement keeps its own permissions and extended attributes instead of taking the item's.
constexpr NSFileManagerItemReplacementOptions NSFileManagerItemReplacementUsingNewMetadataOnly = 1u << 0;
constexpr NSFileManagerItemReplacementOptions NSFileManagerItemReplacementWithoutDeletingBackupItem = 1u << 1;

typedef NSUInteger NSDirectoryEnumerationOptions;
constexpr NSDirectoryEnumerationOptions NSDirectoryEnumerationSkipsHiddenFiles = 1u << 2;

typedef NSUInteger NSVolumeEnumerationOptions;
// Hidden volumes are the system's own file systems (proc, sysfs, cgroups and the like).
constexpr NSVolumeEnumerationOptions NSVolumeEnumerationSkipHiddenVolumes = 1u << 1;

class NSFileManager
{
public:
    static NSFileManager* defaultManager();

    // The process's current folder as a POSIX path; null when the system cannot tell.
    CFStringRef currentDirectoryPath();

    // Symbolic links followed: false for a link whose target is gone.
    bool fileExistsAtPath(CFStringRef path);
    bool fileExistsAtPath(CFStringRef path, bool* isDirectory);

    // Writes the contents (none: an empty file) into a new file that takes the name's place in one
    // step; false when it cannot.
    bool createFileAtPath(CFStringRef path, CFDataRef contents, NSDictionary* attributes);
    bool createDirectoryAtURL(NSURL* url, bool createIntermediates, NSDictionary* attributes,
                              NSError** error);
    bool createDirectoryAtPath(CFStringRef path, bool createIntermediates, NSDictionary* attributes,
                               NSError** error);
    // Files with their content, permissions, extended attributes and modification date; folders with
    // all they hold; symbolic links as links. Nothing is left behind when a copy fails.
    bool copyItemAtURL(NSURL* source, NSURL* destination, NSError** error);
    // A rename: an item at the destination makes it fail (516), and so does a destination on another
    // file system (512), where the platform's callers copy instead.
    bool moveItemAtPath(CFStringRef source, CFStringRef destination, NSError** error);
    bool moveItemAtURL(NSURL* source, NSURL* destination, NSError** error);
    // Removes the item, a folder with everything in it; symbolic links are removed, not followed.
    bool removeItemAtPath(CFStringRef path, NSError** error);
    // Moves the item into the user's trash under a name that is free there ("name 2.txt").
    bool trashItemAtURL(NSURL* url, NSURL** resultingURL, NSError** error);
    // The replacement takes the original's name in one rename; without
    // NSFileManagerItemReplacementUsingNewMetadataOnly it first takes the original's permissions and
    // extended attributes. A backup name keeps the original under that name beside it (removed
    // afterwards unless NSFileManagerItemReplacementWithoutDeletingBackupItem). An original that is
    // not there is simply taken by the replacement.
    bool replaceItemAtURL(NSURL* original, NSURL* replacement, CFStringRef backupItemName,
                          NSFileManagerItemReplacementOptions options, NSURL** resultingURL, NSError** error);

    // Of the item itself (a symbolic link is not followed).
    NSDictionary* attributesOfItemAtPath(CFStringRef path, NSError** error);
    // Knows permissions, owner and group, dates, creator and type codes and NSFileImmutable; other keys
    // are ignored. Unlocking comes first and locking last, so one call may unlock, change and lock.
    bool setAttributes(NSDictionary* attributes, CFStringRef path, NSError** error);

    // The folder's entries in the order the system lists them.
    CFArrayRef contentsOfDirectoryAtURL(NSURL* url, CFArrayRef keys, NSDirectoryEnumerationOptions options,
                                        NSError** error);
    // The start-up volume first, then the mounted file systems, then the folders of the volumes root.
    CFArrayRef mountedVolumeURLsIncludingResourceValuesForKeys(CFArrayRef keys,
                                                               NSVolumeEnumerationOptions options);

    // The folder in the domain: the user's under the home folder ("<home>/Library", "<home>/.Trash"
    // ...), the local ones under the local root ("/Library", "/Applications"). With create it is made,
    // with the folders above it. The error 4 for a folder the domain does not have.
    NSURL* URLForDirectory(NSSearchPathDirectory directory, NSSearchPathDomainMask domain,
                           NSURL* appropriateForURL, bool create, NSError** error);

private:
    NSFileManager() = default;
};

// The home folder: $HOME, else the password database's for the effective user.
CFStringRef NSHomeDirectory();
// "/tmp/": ends with "/".
CFStringRef NSTemporaryDirectory();

// --- bundles ---

class NSBundle : public CFStandInObject
{
public:
    // The bundle of the running program: the bundle folder when the program is "<bundle>/Contents/MacOS/
    // <name>", else the program's folder. Not autoreleased: it lives as long as the process.
    static NSBundle* mainBundle();
    // Null when the folder does not exist.
    static NSBundle* bundleWithPath(CFStringRef path);
    static NSBundle* bundleWithURL(NSURL* url);
    // A bundle that has been opened or registered under the identifier; null for none.
    static NSBundle* bundleWithIdentifier(CFStringRef identifier);

    CFStringRef bundlePath() const;
    NSURL* bundleURL() const;
    // Null when the bundle has none.
    CFStringRef bundleIdentifier() const;
    CFStringRef executablePath() const;
    CFStringRef resourcePath() const;
    // A string value of the bundle's Info.plist; null for none.
    CFTypeRef objectForInfoDictionaryKey(CFStringRef key) const;
    // The text of the key in the table ("Localizable" for null) of the bundle's best localisation: the
    // first of the user's "AppleLanguages" (CFPreferencesStandIn.h), each also without its region, then
    // the bundle's "CFBundleDevelopmentRegion", "en", "English" and "Base", whose "<name>.lproj" folder in
    // the resources has "<table>.strings" (StringsFileStandIn.h; a file that does not read, or is larger
    // than 16 MiB, is passed over with a line on standard error). A key that the table lacks gives value,
    // or the key itself when value is null or empty; a null key gives value or the empty string.
    // Autoreleased.
    CFStringRef localizedStringForKey(CFStringRef key, CFStringRef value, CFStringRef tableName) const;

    // Not a platform call: what bundleForClass: answers for a class whose code is at address, the
    // bundle of the program or loaded module that holds it ("<bundle>/Contents/MacOS/<name>" gives
    // <bundle>, else the module's folder); null when no module holds the address.
    static NSBundle* bundleContainingAddress(void const* address);

    ~NSBundle() override;

private:
    explicit NSBundle(CFBundleRef bundle) : fBundle(bundle) {}
    // Holds one reference of the bundle.
    CFBundleRef fBundle;
};

// --- the log ---

// One line on standard error: the date and time, the process's name and id, then the text made from
// the format as CFStringCreateWithFormat makes it (CFStringStandIn.h).
void NSLog(CFStringRef format, ...);

// --- classes by name, calls on the main thread, the system ---

// A registered class of the object runtime; null for none (or a null name).
Class NSClassFromString(CFStringRef name);

// [object performSelectorOnMainThread:selector withObject:argument waitUntilDone:wait]. From another
// thread the call is queued for the main thread's run loop (CFRunLoopStandIn.h), which performs it
// when it is next served in a common mode; with wait the caller blocks until then. On the main thread
// with wait it is performed at once. The object and the argument are retained while queued.
void NSObjectPerformSelectorOnMainThread(id object, SEL selector, id argument, BOOL waitUntilDone);

struct NSOperatingSystemVersion
{
    long majorVersion;
    long minorVersion;
    long patchVersion;
};

// The system's version: the leading numbers of the running kernel's release ("6.1.0-18-amd64" gives
// 6.1.0) unless a test gives another.
class NSProcessInfo
{
public:
    static NSProcessInfo* processInfo();
    NSOperatingSystemVersion operatingSystemVersion() const;

private:
    NSProcessInfo() = default;
};
// Not platform calls: a version of the test's choosing (null gives the system's again), and a
// process without a process-information object (processInfo answers null).
void NSProcessInfoStandInSetOperatingSystemVersion(NSOperatingSystemVersion const* version);
void NSProcessInfoStandInSetAbsent(bool absent);

// Not platform calls: where the special folders are, for tests. Null gives the defaults again: the
// home folder of NSHomeDirectory, the local root "/" (so "/Library" and "/Applications"), the temporary
// folder "/tmp/". The temporary folder keeps a trailing "/".
void FoundationStandInSetHomeDirectory(char const* path);
void FoundationStandInSetLocalDomainRoot(char const* path);
void FoundationStandInSetTemporaryDirectory(char const* path);
// Not a platform call: the mount table read instead of /proc/self/mountinfo (same format); null gives
// the process's own again.
void FoundationStandInSetMountTable(char const* path);
