// Foundation's file manager, URL resource values, bundles and bookmark data behind the macOS file layer.
#include "PMacFileSystemImpCocoa.h"

#include "GCustomException.h"
#include "GDateTime.h"
#include "GPathName.h"
#include "GSimpleException.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "PMacAutoReleasePool.h"
#include "PMacCFRef.h"
#include "PSystem.h"
#include "macos/FoundationStandIn.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace
{
constexpr short cNoError = 0;
constexpr short cIOError = -36;
constexpr short cBadName = -37;
constexpr short cNotFound = -43;
constexpr short cDuplicateName = -48;
constexpr short cMoveFailed = -122;
constexpr short cAccessDenied = -5000;

constexpr int cBadPathID = 40004;
constexpr int cFoundationErrorID = 40275;
constexpr int cBadDomainID = 40276;
constexpr int cBadFolderTypeID = 40277;
constexpr int cMissingItemDateID = 40278;
constexpr int cMissingFolderID = 40281;
constexpr int cBundleNotFoundID = 40010;



// The type code the Finder gives a file that a copy is still writing into.
constexpr unsigned int cBusyFileType = PMacFileSystemImpCocoa::FourCharCode("brok");

// The replaced item's metadata (its extended attributes, the Finder information and the lock among
// them) carried over to the item that takes its place.
constexpr NSFileManagerItemReplacementOptions cReplaceKeepingMetadata = 0;
// Lists every mounted volume, hidden ones included.
constexpr NSVolumeEnumerationOptions cAllVolumes = 1;
constexpr NSCalendarUnit cDateUnits = NSCalendarUnitYear | NSCalendarUnitMonth | NSCalendarUnitDay |
                                      NSCalendarUnitHour | NSCalendarUnitMinute | NSCalendarUnitSecond;

template<typename Object>
Object* Autoreleased(Object const* object)
{
    return static_cast<Object*>(const_cast<void*>(CFAutorelease(object)));
}

[[noreturn]] void ThrowFoundationError(NSError* error)
{
    if (error)
        throw GCustomException(cFoundationErrorID,
                               PSystem::GetGStringFromCFStringRef(error->localizedDescription()));
    throw GCustomException(cFoundationErrorID);
}

CFStringRef StringOfUTF8(char const* text)
{
    return text ? Autoreleased(CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8))
                : nullptr;
}

std::string NativeUTF8Of(GPathName const& path)
{
    GBuffer const bytes = path.GetNativePathString().GetBuffer(GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()),
                       static_cast<std::size_t>(bytes.GetLength()));
}

// An absolute path in the one form Foundation gives it (no empty, "." or ".." steps, no trailing
// "/"), so that equal texts are equal paths and a text's folders are its leading texts.
bool IsPlainAbsolute(std::string const& text)
{
    char const* const begin = text.data();
    std::size_t const length = text.size();
    if (length == 0 || begin[0] != '/')
        return false;
    if (length == 1)
        return true;
    if (begin[length - 1] == '/' || std::memchr(begin, '\0', length))
        return false;
    char const* const end = begin + length;
    for (char const* slash = begin; slash < end;)
    {
        char const* next =
            static_cast<char const*>(std::memchr(slash + 1, '/', static_cast<std::size_t>(end - slash - 1)));
        if (!next)
            next = end;
        std::size_t const size = static_cast<std::size_t>(next - slash - 1);
        if (size == 0 || (size <= 2 && slash[1] == '.' && (size == 1 || slash[2] == '.')))
            return false;
        slash = next;
    }
    return true;
}

std::string FolderText(std::string const& text)
{
    std::size_t const slash = text.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : text.substr(0, slash);
}

// The URL objects of the operation open on this thread, by path. Changes are told apart by place only
// while no folder on any kept path is a link: then every path names an item of its own, and a change
// at one path can only touch that path, what lies below it and its folder. Otherwise, and for a
// change in place of a file (which another path may name as a hard link), everything is let go.
class URLShare
{
public:
    static constexpr int cQuestions = 4;

    struct Entry
    {
        NSURL* fURL = nullptr;
        // The answers callers kept, good while fAnswersSince is the count of changes.
        unsigned long fAnswersSince = 0;
        signed char fAnswers[cQuestions] = {-1, -1, -1, -1};
        // -1 not known yet, else whether no folder on the path is a link (plain), and whether the
        // item is a real folder on such a path itself.
        signed char fPlain = -1;
        signed char fRealFolder = -1;
    };

    // Past this many URLs the share starts afresh, which costs only reading again.
    static constexpr std::size_t cMaximumEntries = 4096;

    ~URLShare() { Clear(); }

    bool IsOpen() const { return fDepth > 0; }
    void Open() { ++fDepth; }
    void Close()
    {
        if (--fDepth != 0)
            return;
        Clear();
        fLastText = GString();
        fLastUTF8.clear();
    }

    // The answers kept for the path go; those of other paths stay.
    void ForgetAnswers(std::string const& text)
    {
        auto const found = fEntries.find(text);
        if (found != fEntries.end())
            std::fill(std::begin(found->second.fAnswers), std::end(found->second.fAnswers), -1);
    }

    // Answers kept for a path hold until the next change, whatever it changed.
    bool Recall(int question, GPathName const& path, bool& answer)
    {
        if (question < 0 || question >= cQuestions)
            return false;
        auto const found = fEntries.find(UTF8Of(path));
        if (found == fEntries.end() || found->second.fAnswersSince != fChanges ||
            found->second.fAnswers[question] < 0)
            return false;
        answer = found->second.fAnswers[question];
        return true;
    }

    void KeepAnswer(int question, GPathName const& path, bool answer)
    {
        if (question < 0 || question >= cQuestions)
            return;
        auto const found = fEntries.find(UTF8Of(path));
        if (found == fEntries.end())
            return;
        Entry& entry = found->second;
        if (entry.fAnswersSince != fChanges)
        {
            std::fill(std::begin(entry.fAnswers), std::end(entry.fAnswers), -1);
            entry.fAnswersSince = fChanges;
        }
        entry.fAnswers[question] = answer;
    }

    // An operation hands the same path to one service after another: its text is converted once.
    std::string const& UTF8Of(GPathName const& path)
    {
        GString const& text = path.GetCrossPlatformString();
        if (fLastText.IsEmpty() || text.GetEncoding().Get() != fLastText.GetEncoding().Get() ||
            !(text == fLastText))
        {
            fLastUTF8 = NativeUTF8Of(path);
            fLastText = text;
        }
        return fLastUTF8;
    }

    // Only texts in Foundation's form are kept, so a text found needs no look at its form.
    NSURL* Find(std::string const& text)
    {
        auto const found = fEntries.find(text);
        return found == fEntries.end() ? nullptr : found->second.fURL;
    }

    // plain: whether the caller knows the path's folders to be real folders (-1 when it does not).
    void Keep(std::string const& text, NSURL* url, int plain = -1)
    {
        if (fEntries.size() >= cMaximumEntries)
            Clear();
        Entry& entry = fEntries[text];
        CFRetain(url);
        if (entry.fURL)
            CFRelease(entry.fURL);
        entry = Entry();
        entry.fURL = url;
        if (text == "/")
            return;
        // Entries mostly come in listings, one folder after another.
        std::size_t const slash = text.rfind('/');
        if (fLastFolder.size() != std::max<std::size_t>(slash, 1) ||
            text.compare(0, fLastFolder.size(), fLastFolder) != 0)
        {
            fLastFolder = FolderText(text);
            fFoldersWithEntries.insert(fLastFolder);
        }
        // Known at once when its folder is known; else looked at again at the next change.
        if (plain == 1)
            entry.fPlain = 1;
        else if (!Plain(text))
        {
            entry.fPlain = -1;
            fUnchecked.push_back(text);
        }
    }

    // The folder is a real folder on a path without links: no alias lies on the way to it.
    bool IsPlainRealFolder(std::string const& text) { return RealFolder(text); }

    // Something was made, removed or renamed at text (names), or its item changed in place.
    void Changed(std::string const& text, bool names)
    {
        ++fChanges;
        if (fEntries.empty())
            return;
        auto const found = fEntries.find(text);
        bool const known = found != fEntries.end();
        if ((!known && !IsPlainAbsolute(text)) || !AllPlain() ||
            !(known && found->second.fPlain == 1 ? true : Plain(text)))
        {
            Clear();
            return;
        }
        if (!names)
        {
            // Another path of the same file (a hard link) would not see the change: only a folder's
            // change is kept to itself and what lies below it.
            if (!RealFolder(text))
            {
                Clear();
                return;
            }
            Drop(text, false);
            DropBelow(text);
            return;
        }
        DropBelow(text);
        if (known)
        {
            // DropBelow erased only what lies below, so the entry found is still where it was.
            found->second.fURL->removeAllCachedResourceValues();
            CFRelease(found->second.fURL);
            fEntries.erase(found);
        }
        if (text == "/")
            return;
        std::string const folder = FolderText(text);
        ForgetEntriesOf(folder);
        // A folder is a package by what its "Contents" folder holds.
        if (folder.size() > 9 && folder.compare(folder.size() - 9, 9, "/Contents") == 0)
            ForgetEntriesOf(FolderText(folder));
    }

    void Clear()
    {
        for (auto& entry : fEntries)
        {
            entry.second.fURL->removeAllCachedResourceValues();
            CFRelease(entry.second.fURL);
        }
        fEntries.clear();
        fUnchecked.clear();
        fFoldersWithEntries.clear();
        fLastFolder.clear();
        ++fChanges;
    }

private:
    // Forgets what the URL read; with entirely, the URL goes too. What the item is (a real folder
    // or not) stays known when the URL stays.
    void Drop(std::string const& text, bool entirely)
    {
        auto const found = fEntries.find(text);
        if (found == fEntries.end())
            return;
        found->second.fURL->removeAllCachedResourceValues();
        if (!entirely)
            return;
        CFRelease(found->second.fURL);
        fEntries.erase(found);
    }

    // A folder whose entries changed has a new modification date, and may have become a package;
    // nothing else of it changed.
    void ForgetEntriesOf(std::string const& text)
    {
        auto const found = fEntries.find(text);
        if (found == fEntries.end())
            return;
        found->second.fURL->removeCachedResourceValueForKey(NSURLContentModificationDateKey);
        found->second.fURL->removeCachedResourceValueForKey(NSURLIsPackageKey);
    }

    void DropBelow(std::string const& text)
    {
        if (!fFoldersWithEntries.count(text))
            return;
        std::string const prefix = text == "/" ? text : text + "/";
        for (auto it = fEntries.begin(); it != fEntries.end();)
        {
            if (it->first.size() > prefix.size() && it->first.compare(0, prefix.size(), prefix) == 0)
            {
                it->second.fURL->removeAllCachedResourceValues();
                CFRelease(it->second.fURL);
                it = fEntries.erase(it);
            }
            else
                ++it;
        }
    }

    bool AllPlain()
    {
        for (std::string const& text : fUnchecked)
        {
            if (fEntries.count(text) && !Plain(text))
                return false;
        }
        fUnchecked.clear();
        return true;
    }

    // No folder on the path is a link. A folder that is not there counts: nothing can appear there
    // but through a change at it or above it, which drops what lies below.
    bool Plain(std::string const& text)
    {
        if (text == "/")
            return true;
        auto const found = fEntries.find(text);
        if (found != fEntries.end() && found->second.fPlain >= 0)
            return found->second.fPlain;
        std::string const folder = FolderText(text);
        bool const plain = NoLink(folder) && Plain(folder);
        if (found != fEntries.end())
            found->second.fPlain = plain;
        return plain;
    }

    // A folder the share has no URL for is not known to be no link.
    bool NoLink(std::string const& text)
    {
        if (text == "/")
            return true;
        auto const found = fEntries.find(text);
        if (found == fEntries.end())
            return false;
        CFTypeRef value = nullptr;
        if (!found->second.fURL->getResourceValue(&value, NSURLIsSymbolicLinkKey, nullptr))
            return true;
        return value && !static_cast<NSNumber const*>(value)->boolValue();
    }

    // Asks the folder's URL when it is not known yet; a folder the share has no URL for is not
    // known to be one.
    bool RealFolder(std::string const& text)
    {
        if (text == "/")
            return true;
        auto const found = fEntries.find(text);
        if (found == fEntries.end())
            return false;
        Entry& entry = found->second;
        if (entry.fRealFolder < 0)
        {
            CFTypeRef value = nullptr;
            // A link is no directory here: the kind is the item's own.
            bool const folder = entry.fURL->getResourceValue(&value, NSURLIsDirectoryKey, nullptr) && value &&
                                static_cast<NSNumber const*>(value)->boolValue();
            entry.fRealFolder = folder && Plain(text);
        }
        return entry.fRealFolder;
    }

    int fDepth = 0;
    std::unordered_map<std::string, Entry> fEntries;
    // Paths kept since their folders were last found to be real folders.
    std::vector<std::string> fUnchecked;
    // Folders that have had entries kept below them: only their changes look for what lies below.
    std::unordered_set<std::string> fFoldersWithEntries;
    std::string fLastFolder;
    // Counts the changes, so that kept answers tell whether one came since.
    unsigned long fChanges = 1;
    GString fLastText;
    std::string fLastUTF8;
};

thread_local URLShare tShare;

// The native text of the path as UTF-8 (the portable text is the native one, as the path's own
// conversion says).
std::string NativeUTF8(GPathName const& path)
{
    return tShare.IsOpen() ? tShare.UTF8Of(path) : NativeUTF8Of(path);
}

// The file URL of a native UTF-8 path; null when the text gives no string or no URL. Within an
// operation the same path gives the same URL object (plain: the caller knows the text to be in
// Foundation's form).
NSURL* URLOfText(std::string const& text, bool plain = false)
{
    // A zero byte ends a path for the system: the text would name another item.
    if (text.find('\0') != std::string::npos)
        return nullptr;
    if (tShare.IsOpen())
    {
        if (NSURL* const url = tShare.Find(text))
            return Autoreleased(static_cast<NSURL const*>(CFRetain(url)));
    }
    bool const shared = tShare.IsOpen() && (plain || IsPlainAbsolute(text));
    CFStringRef const string = Autoreleased(
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(text.data()),
                                static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false));
    NSURL* const url = string ? NSURL::fileURLWithPath(string) : nullptr;
    if (shared && url)
        tShare.Keep(text, url);
    return url;
}

// The path's file URL; null when its native text gives no string or no URL.
NSURL* TryURLOf(GPathName const& path)
{
    return URLOfText(NativeUTF8(path));
}

NSURL* URLOf(GPathName const& path)
{
    NSURL* const url = TryURLOf(path);
    if (!url)
        throw GCustomException(cBadPathID);
    return url;
}

NSURL* URLOfUTF8(char const* path)
{
    NSURL* const url = path ? URLOfText(path) : nullptr;
    if (!url)
        throw GCustomException(cBadPathID);
    return url;
}

// Tells the share of a change at the URL's item when its scope closes, and empties the URL's own
// cache, so that the caller's URL object reads the item afresh too.
class ChangeAt
{
public:
    ChangeAt(NSURL* url, bool names) : fURL(url), fNames(names) {}
    ~ChangeAt() { Now(); }
    ChangeAt(ChangeAt const&) = delete;
    ChangeAt& operator=(ChangeAt const&) = delete;

    // Before the scope closes, for a caller that looks at the item again.
    void Now()
    {
        if (!fURL)
            return;
        fURL->removeAllCachedResourceValues();
        if (tShare.IsOpen())
            tShare.Changed(fURL->fileSystemRepresentation(), fNames);
        fURL = nullptr;
    }

private:
    NSURL* fURL;
    bool fNames;
};

std::string UTF8Of(CFStringRef text)
{
    if (!text)
        return std::string();
    CFIndex const length = CFStringGetLength(text);
    CFIndex needed = 0;
    CFStringGetBytes(text, CFRangeMake(0, length), kCFStringEncodingUTF8, 0, false, nullptr, 0, &needed);
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    CFIndex used = 0;
    if (needed > 0)
        CFStringGetBytes(text, CFRangeMake(0, length), kCFStringEncodingUTF8, 0, false,
                         reinterpret_cast<UInt8*>(&bytes[0]), needed, &used);
    bytes.resize(static_cast<std::size_t>(used));
    return bytes;
}

void SetPath(GPathName& path, CFStringRef text)
{
    path.SetMachOPathString(PSystem::GetGStringFromCFStringRef(text));
}

// A listed entry's path; an entry whose name is no text throws 40004.
void SetPathOfEntry(GPathName& path, NSURL* entry)
{
    char const* const bytes = entry->fileSystemRepresentation();
    std::size_t const length = std::strlen(bytes);
    if (std::find_if(bytes, bytes + length, [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) !=
        bytes + length)
    {
        CFStringRef const text = entry->path();
        if (!text)
            throw GCustomException(cBadPathID);
        SetPath(path, text);
        return;
    }
    // ASCII reads as itself on every step from Foundation's string to the path's units: the units
    // are made at once.
    GBuffer units;
    units.SetLength(static_cast<int>(length) * 2);
    unsigned char* const out = units.GetWritePtr();
    for (std::size_t i = 0; i < length; ++i)
    {
        UniChar const unit = static_cast<unsigned char>(bytes[i]);
        std::memcpy(out + 2 * i, &unit, 2);
    }
    path.SetMachOPathString(GString(units, GUnicodeEncoding::GetInstance(), false));
}

// Lets every shared URL go when its scope closes, for changes whose places cannot be told.
class ForgetAllURLs
{
public:
    ForgetAllURLs() = default;
    ~ForgetAllURLs() { tShare.Clear(); }
    ForgetAllURLs(ForgetAllURLs const&) = delete;
    ForgetAllURLs& operator=(ForgetAllURLs const&) = delete;
};

// Something is there when a value of it can be read: asked through the resource values, the URL
// object's look at the item answers it.
bool IsReachable(NSURL* url)
{
    CFTypeRef value = nullptr;
    return url && url->getResourceValue(&value, NSURLIsAliasFileKey, nullptr);
}

// What the item is, itself (a link is a link): 0 nothing, 1 a link, 2 a folder, 3 anything else.
int KindOf(NSURL* url)
{
    CFTypeRef link = nullptr;
    if (!url->getResourceValue(&link, NSURLIsSymbolicLinkKey, nullptr))
        return 0;
    if (link && static_cast<NSNumber const*>(link)->boolValue())
        return 1;
    CFTypeRef folder = nullptr;
    if (!url->getResourceValue(&folder, NSURLIsDirectoryKey, nullptr))
        return 0;
    return folder && static_cast<NSNumber const*>(folder)->boolValue() ? 2 : 3;
}

CFTypeRef ResourceValue(NSURL* url, CFStringRef key)
{
    CFTypeRef value = nullptr;
    NSError* error = nullptr;
    if (!url->getResourceValue(&value, key, &error))
        ThrowFoundationError(error);
    return value;
}

template<typename Object>
Object const* As(CFTypeRef value)
{
    return value ? dynamic_cast<Object const*>(static_cast<CFStandInObject const*>(value)) : nullptr;
}

bool BoolValue(NSURL* url, CFStringRef key)
{
    NSNumber const* const number = As<NSNumber>(ResourceValue(url, key));
    return number && number->boolValue();
}

void SetResourceValue(NSURL* url, CFTypeRef value, CFStringRef key)
{
    NSError* error = nullptr;
    if (!url->setResourceValue(value, key, &error))
        ThrowFoundationError(error);
}

CFArrayRef KeyList(std::initializer_list<CFStringRef> keys)
{
    std::vector<void const*> values(keys.begin(), keys.end());
    return Autoreleased(CFArrayCreate(kCFAllocatorDefault, values.data(), static_cast<CFIndex>(values.size()),
                                      &kCFTypeArrayCallBacks));
}

NSDictionary* AttributesOf(NSURL* url)
{
    NSError* error = nullptr;
    NSDictionary* const attributes =
        NSFileManager::defaultManager()->attributesOfItemAtPath(url->path(), &error);
    if (!attributes)
        ThrowFoundationError(error);
    return attributes;
}

NSNumber const* NumberOf(NSDictionary* attributes, CFStringRef key)
{
    return As<NSNumber>(attributes->objectForKey(key));
}

void SetAttributes(NSURL* url, std::initializer_list<CFStringRef> keys,
                   std::initializer_list<CFTypeRef> values)
{
    std::vector<CFStringRef> const names(keys.begin(), keys.end());
    std::vector<CFTypeRef> const objects(values.begin(), values.end());
    NSDictionary* const attributes =
        NSDictionary::dictionaryWithObjects(objects.data(), names.data(), names.size());
    NSError* error = nullptr;
    if (!NSFileManager::defaultManager()->setAttributes(attributes, url->path(), &error))
        ThrowFoundationError(error);
}

CFStringRef DateKey(PMacFileSystemImpCocoa::DateTimeType type)
{
    return type == PMacFileSystemImpCocoa::cModificationDate ? NSURLContentModificationDateKey
                                                             : NSURLCreationDateKey;
}

// Dates are taken apart and put together in UTC, the zone GDateTime keeps its fields in, so that a
// date written reads back unchanged whatever the system's zone.
NSCalendar* UTCCalendar()
{
    NSCalendar* const calendar = NSCalendar::calendarWithIdentifier(NSCalendarIdentifierGregorian);
    NSTimeZone* const utc = NSTimeZone::timeZoneWithName(CFSTR("UTC"));
    if (!calendar || !utc)
        throw GCustomException(cFoundationErrorID);
    calendar->setTimeZone(utc);
    return calendar;
}

NSBundle* BundleWithIdentifier(GBuffer const& identifier)
{
    std::string const text(reinterpret_cast<char const*>(identifier.GetPtr()),
                           static_cast<std::size_t>(identifier.GetLength()));
    CFStringRef const name = text.empty() ? nullptr : StringOfUTF8(text.c_str());
    NSBundle* const bundle = name ? NSBundle::bundleWithIdentifier(name) : nullptr;
    if (!bundle)
        throw GSimpleException(cBundleNotFoundID);
    return bundle;
}

// The leading integer of a version part, as Foundation's intValue reads it (0 when there is none).
int IntValueOf(std::string const& part)
{
    long const value = std::strtol(part.c_str(), nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}
} // namespace

// --- sharing within one operation ---

PMacFileSystemImpCocoa::OperationScope::OperationScope()
{
    tShare.Open();
}

PMacFileSystemImpCocoa::OperationScope::~OperationScope()
{
    tShare.Close();
}

bool PMacFileSystemImpCocoa::RecallAnswer(int question, GPathName const& path, bool& answer)
{
    return tShare.IsOpen() && tShare.Recall(question, path, answer);
}

void PMacFileSystemImpCocoa::KeepAnswer(int question, GPathName const& path, bool answer)
{
    if (tShare.IsOpen())
        tShare.KeepAnswer(question, path, answer);
}

void PMacFileSystemImpCocoa::ItemChanged(GPathName const& path, bool attributesOnly)
{
    PMacAutoReleasePool pool;
    if (tShare.IsOpen())
        tShare.Changed(NativeUTF8(path), !attributesOnly);
}

void PMacFileSystemImpCocoa::LookAgain(GPathName const& path)
{
    PMacAutoReleasePool pool;
    if (!tShare.IsOpen())
        return;
    std::string const text = NativeUTF8(path);
    NSURL* const known = tShare.Find(text);
    // Not known: the next question looks at the item anyway.
    if (!known)
        return;
    tShare.ForgetAnswers(text);
    // A URL of its own, outside the share, looks at the item now.
    CFStringRef const string = Autoreleased(
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(text.data()),
                                static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false));
    NSURL* const now = string ? NSURL::fileURLWithPath(string) : nullptr;
    if (!now || KindOf(now) != KindOf(known))
        tShare.Changed(text, true);
    else
        // Of the same kind still, but what the URL read of it may be old all the same: the next
        // question about the item itself reads it afresh.
        known->removeAllCachedResourceValues();
}

// --- copying, moving and removing ---

bool PMacFileSystemImpCocoa::ReplaceItem(char const* target, char const* replacement)
{
    PMacAutoReleasePool pool;
    NSURL* const targetURL = URLOfUTF8(target);
    NSURL* const replacementURL = URLOfUTF8(replacement);
    ChangeAt const targetChange(targetURL, true);
    ChangeAt const replacementChange(replacementURL, true);
    NSURL* resulting = nullptr;
    NSError* error = nullptr;
    if (!NSFileManager::defaultManager()->replaceItemAtURL(targetURL, replacementURL, nullptr,
                                                           cReplaceKeepingMetadata, &resulting, &error))
    {
        if (!error)
            return false;
        ThrowFoundationError(error);
    }
    // The paths are compared, not the URL texts: a folder that takes a missing file's place has a URL
    // ending in "/" where the target's had none.
    return resulting && UTF8Of(resulting->path()) == UTF8Of(targetURL->path());
}

void PMacFileSystemImpCocoa::CopyFileTo(GPathName const& source, GPathName const& destination)
{
    PMacAutoReleasePool pool;
    NSURL* const from = URLOf(source);
    NSURL* const to = URLOf(destination);
    // A new item with the values set here: the change is one of names.
    ChangeAt const change(to, true);
    NSError* error = nullptr;
    if (!NSFileManager::defaultManager()->copyItemAtURL(from, to, &error))
        ThrowFoundationError(error);
    // A fresh copy is locked only when the source is: then it is unlocked.
    if (BoolValue(from, NSURLIsUserImmutableKey))
        SetResourceValue(to, NSNumber::numberWithBool(false), NSURLIsUserImmutableKey);
    for (CFStringRef key : {NSURLCreationDateKey, NSURLContentModificationDateKey})
    {
        if (CFTypeRef const date = ResourceValue(from, key))
            SetResourceValue(to, date, key);
    }
}

short PMacFileSystemImpCocoa::MoveFileTo(GPathName const& source, GPathName const& destination)
{
    PMacAutoReleasePool pool;
    NSURL* const from = TryURLOf(source);
    NSURL* const to = TryURLOf(destination);
    if (!from || !to)
        return cBadName;
    ChangeAt fromChange(from, true);
    ChangeAt toChange(to, true);
    // A failed move is answered, not thrown: the caller copies instead.
    bool const moved = NSFileManager::defaultManager()->moveItemAtPath(from->path(), to->path(), nullptr);
    fromChange.Now();
    toChange.Now();
    if (!moved)
        return cMoveFailed;
    if (IsReachable(from) || !IsReachable(to))
        return cMoveFailed;
    return cNoError;
}

bool PMacFileSystemImpCocoa::MoveFolderTo(GPathName const& source, GPathName const& destination)
{
    PMacAutoReleasePool pool;
    NSURL* const from = URLOf(source);
    NSURL* const to = URLOf(destination);
    ChangeAt const fromChange(from, true);
    ChangeAt const toChange(to, true);
    // A failed move is answered, not thrown: the caller copies instead.
    return NSFileManager::defaultManager()->moveItemAtPath(from->path(), to->path(), nullptr);
}

void PMacFileSystemImpCocoa::RenameItem(GPathName const& from, GPathName const& to)
{
    PMacAutoReleasePool pool;
    NSURL* const fromURL = URLOf(from);
    NSURL* const toURL = URLOf(to);
    ChangeAt const fromChange(fromURL, true);
    ChangeAt const toChange(toURL, true);
    NSError* error = nullptr;
    if (!NSFileManager::defaultManager()->moveItemAtURL(fromURL, toURL, &error))
        ThrowFoundationError(error);
}

void PMacFileSystemImpCocoa::MoveObjectToTrash(GPathName const& path, GPathName& trashed)
{
    PMacAutoReleasePool pool;
    NSURL* const url = URLOf(path);
    // The trash itself may have been made on the way.
    ForgetAllURLs const forget;
    NSURL* resulting = nullptr;
    NSError* error = nullptr;
    if (!NSFileManager::defaultManager()->trashItemAtURL(url, &resulting, &error))
        ThrowFoundationError(error);
    if (resulting)
        SetPath(trashed, resulting->path());
    else
        trashed.Clear();
}

short PMacFileSystemImpCocoa::RemoveItem(GPathName const& path, DeleteItemType type)
{
    PMacAutoReleasePool pool;
    NSURL* const url = TryURLOf(path);
    if (!url)
        return cBadName;
    if (!IsReachable(url))
        return cNotFound;
    if (type == cDeleteFolder && !BoolValue(url, NSURLIsDirectoryKey))
        return cNotFound;
    if (type == cDeleteFile && !BoolValue(url, NSURLIsRegularFileKey) &&
        !BoolValue(url, NSURLIsAliasFileKey) && !BoolValue(url, NSURLIsSymbolicLinkKey))
        return cNotFound;
    ChangeAt const change(url, true);
    if (!NSFileManager::defaultManager()->removeItemAtPath(url->path(), nullptr))
        return cAccessDenied;
    return cNoError;
}

short PMacFileSystemImpCocoa::CreateFile(GPathName const& path)
{
    PMacAutoReleasePool pool;
    NSURL* const url = TryURLOf(path);
    if (!url)
        return cBadName;
    if (IsReachable(url))
        return cDuplicateName;
    ChangeAt const change(url, true);
    if (!NSFileManager::defaultManager()->createFileAtPath(url->path(), nullptr, nullptr))
        return cIOError;
    return cNoError;
}

short PMacFileSystemImpCocoa::CreateFolder(GPathName const& path)
{
    PMacAutoReleasePool pool;
    NSURL* const url = TryURLOf(path);
    if (!url)
        return cBadName;
    ChangeAt const change(url, true);
    NSError* error = nullptr;
    if (!NSFileManager::defaultManager()->createDirectoryAtURL(url, false, nullptr, &error))
    {
        if (error && error->code() == NSFileWriteFileExistsError)
            return cDuplicateName;
        ThrowFoundationError(error);
    }
    return cNoError;
}

// --- queries and attributes ---

bool PMacFileSystemImpCocoa::FolderExists(GPathName const& path)
{
    PMacAutoReleasePool pool;
    NSURL* const url = URLOf(path);
    // Whether something is there, links followed. What is no link answers that from the look at it
    // already taken: nothing there, or the item itself.
    CFTypeRef isLink = nullptr;
    bool const there = url->getResourceValue(&isLink, NSURLIsSymbolicLinkKey, nullptr);
    bool const followed = there && isLink && static_cast<NSNumber const*>(isLink)->boolValue();
    if (!there || (followed && !NSFileManager::defaultManager()->fileExistsAtPath(url->path())))
        throw GSimpleException(cMissingFolderID);
    return BoolValue(url, NSURLIsDirectoryKey);
}

short PMacFileSystemImpCocoa::IsFolder(GPathName const& path, bool* isFolder)
{
    PMacAutoReleasePool pool;
    NSURL* const url = TryURLOf(path);
    if (!url)
        return cBadName;
    if (!IsReachable(url))
        return cNotFound;
    bool const answer = BoolValue(url, NSURLIsDirectoryKey);
    if (isFolder)
        *isFolder = answer;
    return cNoError;
}

void PMacFileSystemImpCocoa::GetCurrentFolder(GPathName& folder)
{
    PMacAutoReleasePool pool;
    SetPath(folder, NSFileManager::defaultManager()->currentDirectoryPath());
}

void PMacFileSystemImpCocoa::GetMacCreatorAndType(GPathName const& path, unsigned int& creator,
                                                  unsigned int& type)
{
    PMacAutoReleasePool pool;
    NSDictionary* const attributes = AttributesOf(URLOf(path));
    NSNumber const* const creatorCode = NumberOf(attributes, NSFileHFSCreatorCode);
    NSNumber const* const typeCode = NumberOf(attributes, NSFileHFSTypeCode);
    creator = creatorCode ? creatorCode->unsignedIntValue() : 0;
    type = typeCode ? typeCode->unsignedIntValue() : 0;
}

void PMacFileSystemImpCocoa::SetMacCreatorAndType(GPathName const& path, unsigned int creator,
                                                  unsigned int type)
{
    PMacAutoReleasePool pool;
    NSURL* const url = URLOf(path);
    ChangeAt const change(url, false);
    SetAttributes(url, {NSFileHFSCreatorCode, NSFileHFSTypeCode},
                  {NSNumber::numberWithUnsignedInt(creator), NSNumber::numberWithUnsignedInt(type)});
}

bool PMacFileSystemImpCocoa::IsFileBusy(GPathName const& path)
{
    unsigned int creator = 0;
    unsigned int type = 0;
    GetMacCreatorAndType(path, creator, type);
    return type == cBusyFileType;
}

bool PMacFileSystemImpCocoa::IsHidden(GPathName const& path)
{
    PMacAutoReleasePool pool;
    return BoolValue(URLOf(path), NSURLIsHiddenKey);
}

void PMacFileSystemImpCocoa::SetHidden(GPathName const& path, bool hidden)
{
    PMacAutoReleasePool pool;
    NSURL* const url = URLOf(path);
    ChangeAt const change(url, false);
    SetResourceValue(url, NSNumber::numberWithBool(hidden), NSURLIsHiddenKey);
}

bool PMacFileSystemImpCocoa::GetFileLockStatus(GPathName const& path)
{
    PMacAutoReleasePool pool;
    return BoolValue(URLOf(path), NSURLIsUserImmutableKey);
}

void PMacFileSystemImpCocoa::SetAliasObjectLocked(GPathName const& path, bool locked)
{
    PMacAutoReleasePool pool;
    NSURL* const url = URLOf(path);
    ChangeAt const change(url, false);
    SetResourceValue(url, NSNumber::numberWithBool(locked), NSURLIsUserImmutableKey);
}

void PMacFileSystemImpCocoa::GetOwnerAndGroup(GPathName const& path, int& owner, int& group)
{
    PMacAutoReleasePool pool;
    NSDictionary* const attributes = AttributesOf(URLOf(path));
    NSNumber const* const ownerID = NumberOf(attributes, NSFileOwnerAccountID);
    NSNumber const* const groupID = NumberOf(attributes, NSFileGroupOwnerAccountID);
    owner = ownerID ? ownerID->intValue() : -1;
    group = groupID ? groupID->intValue() : -1;
}

void PMacFileSystemImpCocoa::SetOwnerAndGroup(GPathName const& path, int owner, int group)
{
    PMacAutoReleasePool pool;
    NSURL* const url = URLOf(path);
    ChangeAt const change(url, false);
    SetAttributes(url, {NSFileOwnerAccountID, NSFileGroupOwnerAccountID},
                  {NSNumber::numberWithInt(owner), NSNumber::numberWithInt(group)});
}

short PMacFileSystemImpCocoa::GetAliasPermissions(GPathName const& path, bool forCurrentUser, bool* readable,
                                                  bool* writable, bool* executable)
{
    PMacAutoReleasePool pool;
    NSURL* const url = URLOf(path);
    if (!forCurrentUser)
    {
        NSNumber const* const permissions = NumberOf(AttributesOf(url), NSFilePosixPermissions);
        return permissions ? permissions->shortValue() : 0;
    }
    if (readable)
        *readable = BoolValue(url, NSURLIsReadableKey);
    if (writable)
        *writable = BoolValue(url, NSURLIsWritableKey);
    if (executable)
        *executable = BoolValue(url, NSURLIsExecutableKey);
    return -1;
}

void PMacFileSystemImpCocoa::SetAliasPermissions(GPathName const& path, short permissions)
{
    PMacAutoReleasePool pool;
    NSURL* const url = URLOf(path);
    ChangeAt const change(url, false);
    SetAttributes(url, {NSFilePosixPermissions}, {NSNumber::numberWithInt(permissions & 07777)});
}

void PMacFileSystemImpCocoa::CopyAttributes(GPathName const& source, GPathName const& destination)
{
    PMacAutoReleasePool pool;
    NSURL* const from = URLOf(source);
    NSURL* const to = URLOf(destination);
    ChangeAt const change(to, false);
    for (CFStringRef key : {NSURLLabelColorKey, NSURLCustomIconKey})
    {
        if (CFTypeRef const value = ResourceValue(from, key))
            SetResourceValue(to, value, key);
    }
}

bool PMacFileSystemImpCocoa::AreLinksIdentical(GPathName const& first, GPathName const& second)
{
    PMacAutoReleasePool pool;
    NSURL* const firstURL = URLOf(first);
    NSURL* const secondURL = URLOf(second);
    // Nothing there is identical to nothing.
    if (!IsReachable(firstURL) || !IsReachable(secondURL))
        return false;
    CFTypeRef const firstID = ResourceValue(firstURL, NSURLFileResourceIdentifierKey);
    CFTypeRef const secondID = ResourceValue(secondURL, NSURLFileResourceIdentifierKey);
    return firstID && secondID && CFEqual(firstID, secondID) &&
           CFEqual(firstURL->absoluteString(), secondURL->absoluteString());
}

bool PMacFileSystemImpCocoa::IsMacPackage(GPathName const& path)
{
    PMacAutoReleasePool pool;
    return BoolValue(URLOf(path), NSURLIsPackageKey);
}

void PMacFileSystemImpCocoa::GetFileSystemDateTime(DateTimeType type, GPathName const& path, GDateTime& date)
{
    PMacAutoReleasePool pool;
    GPathName resolved;
    ResolveAlias(path, resolved, nullptr);
    NSURL* const url = resolved.IsEmpty() ? nullptr : TryURLOf(resolved);
    if (!IsReachable(url))
        throw GSimpleException(cMissingItemDateID);
    NSDate* const value = const_cast<NSDate*>(As<NSDate>(ResourceValue(url, DateKey(type))));
    if (!value)
        throw GSimpleException(cMissingItemDateID);
    NSDateComponents* const parts = UTCCalendar()->components(cDateUnits, value);
    date = GDateTime(static_cast<int>(parts->day()), static_cast<int>(parts->month()),
                     static_cast<int>(parts->year()), static_cast<int>(parts->hour()),
                     static_cast<int>(parts->minute()), static_cast<int>(parts->second()), true);
}

void PMacFileSystemImpCocoa::SetFileSystemDateTime(DateTimeType type, GPathName const& path,
                                                   GDateTime const& date)
{
    PMacAutoReleasePool pool;
    GPathName resolved;
    ResolveAlias(path, resolved, nullptr);
    NSURL* const url = resolved.IsEmpty() ? nullptr : TryURLOf(resolved);
    if (!IsReachable(url))
        throw GSimpleException(cMissingItemDateID);
    PMacCFRef<NSDateComponents*> const parts(new NSDateComponents);
    parts.Get()->setYear(date.GetYear());
    parts.Get()->setMonth(date.GetMonth());
    parts.Get()->setDay(date.GetDay());
    parts.Get()->setHour(date.GetHour());
    parts.Get()->setMinute(date.GetMinute());
    parts.Get()->setSecond(date.GetSecond());
    NSDate* const value = UTCCalendar()->dateFromComponents(parts.Get());
    if (!value)
        throw GCustomException(cFoundationErrorID);
    ChangeAt const change(url, false);
    SetResourceValue(url, value, DateKey(type));
}

// --- volumes ---

bool PMacFileSystemImpCocoa::IsOnSameVolume(GPathName const& first, GPathName const& second)
{
    PMacAutoReleasePool pool;
    CFTypeRef const firstVolume = ResourceValue(URLOf(first), NSURLVolumeIdentifierKey);
    CFTypeRef const secondVolume = ResourceValue(URLOf(second), NSURLVolumeIdentifierKey);
    return firstVolume && secondVolume && CFEqual(firstVolume, secondVolume);
}

bool PMacFileSystemImpCocoa::IsVolumeLocal(GPathName const& path)
{
    PMacAutoReleasePool pool;
    return BoolValue(URLOf(path), NSURLVolumeIsLocalKey);
}

bool PMacFileSystemImpCocoa::IsVolumeInternal(GPathName const& path)
{
    PMacAutoReleasePool pool;
    return BoolValue(URLOf(path), NSURLVolumeIsInternalKey);
}

bool PMacFileSystemImpCocoa::IsVolumeRemovable(GPathName const& path)
{
    PMacAutoReleasePool pool;
    return BoolValue(URLOf(path), NSURLVolumeIsRemovableKey);
}

bool PMacFileSystemImpCocoa::VolumeNameExists(GString const& name)
{
    PMacAutoReleasePool pool;
    CFArrayRef const volumes =
        NSFileManager::defaultManager()->mountedVolumeURLsIncludingResourceValuesForKeys(
            KeyList({NSURLVolumeNameKey}), cAllVolumes);
    if (!volumes)
        return false;
    for (CFIndex i = 0; i < CFArrayGetCount(volumes); ++i)
    {
        NSURL* const volume = static_cast<NSURL*>(const_cast<void*>(CFArrayGetValueAtIndex(volumes, i)));
        CFTypeRef volumeName = nullptr;
        // A volume unmounted since the listing has no name any more and is passed over.
        if (volume->getResourceValue(&volumeName, NSURLVolumeNameKey, nullptr) && volumeName &&
            PSystem::GetGStringFromCFStringRef(static_cast<CFStringRef>(volumeName)) == name)
            return true;
    }
    return false;
}

bool PMacFileSystemImpCocoa::GetVolumeLockStatusByFilePath(GPathName const& path)
{
    PMacAutoReleasePool pool;
    // The item's own volume answers; matching it against the list of mounted volumes by name could
    // pick another volume of the same name.
    return BoolValue(URLOf(path), NSURLVolumeIsReadOnlyKey);
}

GString PMacFileSystemImpCocoa::GetVolumeUrlForRemounting(GPathName const& path)
{
    PMacAutoReleasePool pool;
    NSURL const* const remounting = As<NSURL>(ResourceValue(URLOf(path), NSURLVolumeURLForRemountingKey));
    return remounting ? PSystem::GetGStringFromCFStringRef(remounting->absoluteString()) : GString();
}

GTable<GString> PMacFileSystemImpCocoa::GetMountedVolumeUrls()
{
    PMacAutoReleasePool pool;
    GTable<GString> urls;
    CFArrayRef const volumes =
        NSFileManager::defaultManager()->mountedVolumeURLsIncludingResourceValuesForKeys(
            KeyList({NSURLVolumeURLForRemountingKey}), cAllVolumes);
    if (!volumes)
        return urls;
    for (CFIndex i = 0; i < CFArrayGetCount(volumes); ++i)
    {
        NSURL* const volume = static_cast<NSURL*>(const_cast<void*>(CFArrayGetValueAtIndex(volumes, i)));
        CFTypeRef value = nullptr;
        // A volume unmounted since the listing is passed over.
        if (!volume->getResourceValue(&value, NSURLVolumeURLForRemountingKey, nullptr))
            continue;
        if (NSURL const* const remounting = As<NSURL>(value))
            urls.AddItem(PSystem::GetGStringFromCFStringRef(remounting->absoluteString()));
    }
    return urls;
}

// --- bundles ---

bool PMacFileSystemImpCocoa::GetApplicationVersion(GPathName const& path, int& major, int& minor)
{
    PMacAutoReleasePool pool;
    NSBundle* const bundle = NSBundle::bundleWithPath(URLOf(path)->path());
    if (!bundle)
        return false;
    CFStringRef const version =
        static_cast<CFStringRef>(bundle->objectForInfoDictionaryKey(CFSTR("CFBundleShortVersionString")));
    if (!version)
        return false;
    std::string const text = UTF8Of(version);
    std::string::size_type const dot = text.find('.');
    major = IntValueOf(text.substr(0, dot));
    // A version of one number is that number's version 0.
    minor =
        dot == std::string::npos ? 0 : IntValueOf(text.substr(dot + 1, text.find('.', dot + 1) - dot - 1));
    return true;
}

bool PMacFileSystemImpCocoa::GetResourceFolder(GBuffer const& identifier, GPathName& folder)
{
    PMacAutoReleasePool pool;
    NSBundle* const bundle = identifier.IsEmpty() ? NSBundle::mainBundle() : BundleWithIdentifier(identifier);
    if (CFStringRef const resources = bundle->resourcePath())
        SetPath(folder, resources);
    else
        folder.Clear();
    NSURL* const url = bundle->bundleURL();
    return url && BoolValue(url, NSURLIsPackageKey);
}

void PMacFileSystemImpCocoa::FindRealExecutable(GPathName const& path, GPathName& executable)
{
    PMacAutoReleasePool pool;
    NSBundle* const bundle = NSBundle::bundleWithPath(URLOf(path)->path());
    CFStringRef const program = bundle ? bundle->executablePath() : nullptr;
    if (program)
        SetPath(executable, program);
    else
        executable = path;
}

void PMacFileSystemImpCocoa::GetApplicationBundleRoot(GPathName& root)
{
    PMacAutoReleasePool pool;
    if (CFStringRef const path = NSBundle::mainBundle()->bundlePath())
        SetPath(root, path);
    else
        root.Clear();
}

void PMacFileSystemImpCocoa::GetApplicationMainExecutable(GPathName& executable)
{
    PMacAutoReleasePool pool;
    if (CFStringRef const path = NSBundle::mainBundle()->executablePath())
        SetPath(executable, path);
    else
        executable.Clear();
}

void PMacFileSystemImpCocoa::GetDLLPath(GBuffer const& identifier, GPathName& path)
{
    PMacAutoReleasePool pool;
    if (CFStringRef const bundlePath = BundleWithIdentifier(identifier)->bundlePath())
        SetPath(path, bundlePath);
    else
        path.Clear();
}

// --- special folders and aliases ---

void PMacFileSystemImpCocoa::GetSpecialFolder(short domain, unsigned int folderType, GPathName& result,
                                              bool create)
{
    PMacAutoReleasePool pool;
    NSSearchPathDomainMask mask = NSUserDomainMask;
    if (domain == cUserDomain)
        mask = NSUserDomainMask;
    else if (domain == cLocalDomain)
        mask = NSLocalDomainMask;
    else
        throw GSimpleException(cBadDomainID);

    NSSearchPathDirectory directory = NSApplicationDirectory;
    char const* appended = nullptr;
    switch (folderType)
    {
    case FourCharCode("apps"):
        directory = NSApplicationDirectory;
        break;
    case FourCharCode("asup"):
        directory = NSApplicationSupportDirectory;
        break;
    case FourCharCode("desk"):
        directory = NSDesktopDirectory;
        break;
    case FourCharCode("docs"):
        directory = NSDocumentDirectory;
        break;
    case FourCharCode("pref"):
        directory = NSLibraryDirectory;
        appended = "/Preferences/";
        break;
    case FourCharCode("trsh"):
        directory = NSTrashDirectory;
        break;
    case FourCharCode("macs"):
    {
        // The system folder is a fixed path. The request only checks the domain: it makes nothing,
        // so that asking for the system folder leaves no folders behind.
        NSError* error = nullptr;
        if (!NSFileManager::defaultManager()->URLForDirectory(NSAdminApplicationDirectory, mask, nullptr,
                                                              false, &error))
            ThrowFoundationError(error);
        result.SetMachOPathString(GString("/System/"));
        return;
    }
    case FourCharCode("cusr"):
        SetPath(result, NSHomeDirectory());
        return;
    case FourCharCode("temp"):
        SetPath(result, NSTemporaryDirectory());
        return;
    default:
        throw GSimpleException(cBadFolderTypeID);
    }
    // Folders may be made on the way to the one asked for.
    ForgetAllURLs const forget;
    NSError* error = nullptr;
    NSURL* const url =
        NSFileManager::defaultManager()->URLForDirectory(directory, mask, nullptr, create, &error);
    if (!url)
        ThrowFoundationError(error);
    GString path = PSystem::GetGStringFromCFStringRef(url->path());
    if (appended)
        path += GString(appended);
    result.SetMachOPathString(path);
}

bool PMacFileSystemImpCocoa::IsAlias(GPathName const& path)
{
    PMacAutoReleasePool pool;
    NSURL* const url = URLOf(path);
    CFTypeRef value = nullptr;
    NSError* error = nullptr;
    if (!url->getResourceValue(&value, NSURLIsAliasFileKey, &error))
    {
        if (error && error->code() == NSFileReadNoSuchFileError)
            return false;
        ThrowFoundationError(error);
    }
    NSNumber const* const number = As<NSNumber>(value);
    return number && number->boolValue();
}

short PMacFileSystemImpCocoa::ResolveAlias(GPathName const& path, GPathName& resolved, bool* wasAlias)
{
    PMacAutoReleasePool pool;
    std::string const native = NativeUTF8(path);
    NSURL* const url = URLOfText(native);
    if (!url)
        return cBadName;
    std::string const given = url->fileSystemRepresentation();
    std::string current;
    current.reserve(given.size());
    bool metAlias = false;
    bool broken = false;
    std::string::size_type start = 1;
    // Folders this operation found to be real folders, with no link on the way, are no aliases: the
    // walk takes up after them.
    if (tShare.IsOpen() && (tShare.Find(given) || IsPlainAbsolute(given)))
    {
        std::string::size_type const slash = given.rfind('/');
        if (slash > 0 && tShare.IsPlainRealFolder(given.substr(0, slash)))
        {
            current.assign(given, 0, slash);
            start = slash + 1;
        }
    }
    while (start <= given.size() && !broken)
    {
        std::string::size_type end = given.find('/', start);
        if (end == std::string::npos)
            end = given.size();
        std::string::size_type const length = end - start;
        std::string::size_type const from = start;
        start = end + 1;
        if (length == 0 || given.compare(from, length, ".") == 0)
            continue;
        if (given.compare(from, length, "..") == 0)
        {
            // Whatever came before is free of aliases by now, so its parent is its text's parent.
            std::string::size_type const slash = current.rfind('/');
            current.resize(slash == std::string::npos ? 0 : slash);
            continue;
        }
        current += '/';
        current.append(given, from, length);
        NSURL* const step = URLOfText(current, true);
        if (!step)
            return cBadName;
        CFTypeRef isAlias = nullptr;
        NSNumber const* number = nullptr;
        // An item that is not there is no alias; the walk goes on so that the answer says what is missing.
        if (!step->getResourceValue(&isAlias, NSURLIsAliasFileKey, nullptr) ||
            !(number = As<NSNumber>(isAlias)) || !number->boolValue())
            continue;
        metAlias = true;
        NSURL* const target =
            NSURL::URLByResolvingAliasFileAtURL(step, NSURLBookmarkResolutionWithoutUI, nullptr);
        if (!target)
        {
            broken = true;
            break;
        }
        current = target->fileSystemRepresentation();
        if (current == "/")
            current.clear();
    }
    if (wasAlias)
        *wasAlias = metAlias;
    if (broken)
    {
        resolved.Clear();
        return cNotFound;
    }
    if (current.empty())
        current = "/";
    NSURL* const result = URLOfText(current, true);
    if (!result)
        return cBadName;
    // Without an alias on the way the path was already in Foundation's form: it is its own result.
    if (!metAlias && current == native)
        resolved = path;
    else
        SetPath(resolved, result->path());
    if (IsReachable(result))
        return cNoError;
    return IsReachable(url) ? cNotFound : cAccessDenied;
}

short PMacFileSystemImpCocoa::GetAliasTarget(GPathName const& path, GPathName& target)
{
    return ResolveAlias(path, target, nullptr);
}

short PMacFileSystemImpCocoa::GetTarget(GPathName const& path, GPathName& target)
{
    PMacAutoReleasePool pool;
    NSURL* const url = TryURLOf(path);
    if (!url)
        return cBadName;
    if (!IsReachable(url))
        return cAccessDenied;
    target.Clear();
    NSURL* const resolved =
        NSURL::URLByResolvingAliasFileAtURL(url, NSURLBookmarkResolutionWithoutUI, nullptr);
    if (IsReachable(resolved))
    {
        SetPath(target, resolved->path());
        return cNoError;
    }
    if (CFDataRef const bookmark = NSURL::bookmarkDataWithContentsOfURL(url, nullptr))
    {
        NSDictionary* const values =
            NSURL::resourceValuesForKeysFromBookmarkData(KeyList({NSURLPathKey}), bookmark);
        if (CFTypeRef const recorded = values ? values->objectForKey(NSURLPathKey) : nullptr)
            SetPath(target, static_cast<CFStringRef>(recorded));
    }
    return cNotFound;
}

short PMacFileSystemImpCocoa::CreateAlias(GPathName const& aliasPath, GPathName const& targetPath,
                                          GString const&)
{
    PMacAutoReleasePool pool;
    NSURL* const aliasURL = TryURLOf(aliasPath);
    NSURL* const targetURL = TryURLOf(targetPath);
    if (!aliasURL || !targetURL)
        return cBadName;
    if (IsReachable(aliasURL))
        return cDuplicateName;
    if (!IsReachable(targetURL))
        return cNotFound;
    ChangeAt const change(aliasURL, true);
    NSError* error = nullptr;
    CFDataRef const bookmark = targetURL->bookmarkDataWithOptions(
        NSURLBookmarkCreationSuitableForBookmarkFile, nullptr, nullptr, &error);
    if (!bookmark)
        ThrowFoundationError(error);
    if (!NSURL::writeBookmarkData(bookmark, aliasURL, NSURLBookmarkCreationSuitableForBookmarkFile, &error))
        ThrowFoundationError(error);
    return cNoError;
}

// --- listing ---

bool PMacFileSystemImpCocoa::FillCache(GTable<IteratorCacheItem>& cache, GPathName const& folder)
{
    PMacAutoReleasePool pool;
    NSURL* const url = URLOf(folder);
    CFArrayRef const entries = NSFileManager::defaultManager()->contentsOfDirectoryAtURL(
        url, KeyList({NSURLIsHiddenKey, NSURLIsAliasFileKey, NSURLIsDirectoryKey}), 0, nullptr);
    if (!entries)
        return false;
    // Filled aside, so that a failing entry leaves the caller's listing as it was.
    GTable<IteratorCacheItem> listing;
    listing.ExpandTo(static_cast<int>(CFArrayGetCount(entries)));
    // The operation's questions about the entries go to the URL objects of the listing, unless it
    // asked about an entry before. An entry's path is the folder's and its name.
    bool const share = tShare.IsOpen() && IsPlainAbsolute(url->fileSystemRepresentation());
    int const plain = share && tShare.IsPlainRealFolder(url->fileSystemRepresentation()) ? 1 : -1;
    for (CFIndex i = 0; i < CFArrayGetCount(entries); ++i)
    {
        NSURL* entry = static_cast<NSURL*>(const_cast<void*>(CFArrayGetValueAtIndex(entries, i)));
        if (share)
        {
            std::string const text = entry->fileSystemRepresentation();
            if (NSURL* const known = tShare.Find(text))
                entry = known;
            else
                tShare.Keep(text, entry, plain);
        }
        IteratorCacheItem item;
        SetPathOfEntry(item.fPath, entry);
        item.fIsFolder = BoolValue(entry, NSURLIsDirectoryKey);
        item.fIsHidden = BoolValue(entry, NSURLIsHiddenKey) ||
                         std::strrchr(entry->fileSystemRepresentation(), '/')[1] == '.';
        item.fIsAlias = BoolValue(entry, NSURLIsAliasFileKey);
        listing.AddItem(item);
    }
    cache = listing;
    return true;
}
