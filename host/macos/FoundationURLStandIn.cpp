// The Foundation URL stand-in: file URLs, their resource values and aliases as bookmark data.
#include "FoundationStandIn.h"

#include "FoundationStandInSupport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace foundationstandin;

namespace
{
// Folders with these extensions are shown as one item.
char const* const cPackageExtensions[] = {"app", "bundle", "plugin",    "kext",     "pkg", "mpkg",
                                          "xpc", "appex",  "component", "prefpane", "rtfd"};

bool IsKey(CFStringRef key, CFStringRef name)
{
    return CFEqual(key, name);
}

// What a path may hold unencoded in a URL.
bool IsURLPathCharacter(unsigned char c)
{
    return std::isalnum(c) || std::strchr("-._~!$&'()*+,;=:@/", c);
}

std::string PercentEncoded(std::string const& path)
{
    static char const cHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : path)
    {
        if (c != 0 && IsURLPathCharacter(c))
        {
            encoded += static_cast<char>(c);
        }
        else
        {
            encoded += '%';
            encoded += cHex[c >> 4];
            encoded += cHex[c & 15];
        }
    }
    return encoded;
}

bool PercentDecoded(std::string const& text, std::string& decoded)
{
    decoded.clear();
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] != '%')
        {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
            return false;
        decoded += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
        i += 2;
    }
    return decoded.find('\0') == std::string::npos;
}

bool IsFolder(std::string const& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool IsPackage(std::string const& path, mode_t type, FinderInfo const& info)
{
    if (!S_ISDIR(type))
        return false;
    std::string const leaf = LeafOf(path);
    std::size_t const dot = leaf.rfind('.');
    if (dot != std::string::npos && dot > 0)
    {
        std::string extension = leaf.substr(dot + 1);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        for (char const* known : cPackageExtensions)
        {
            if (extension == known)
                return true;
        }
    }
    if (info.Flags() & cFinderFlagHasBundle)
        return true;
    struct stat status;
    return stat((path + "/Contents/Info.plist").c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool Accessible(std::string const& path, int mode)
{
    return faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

CFDataRef MakeData(void const* bytes, std::size_t length)
{
    return Autoreleased(
        CFDataCreate(kCFAllocatorDefault, static_cast<UInt8 const*>(bytes), static_cast<CFIndex>(length)));
}

// The server a network volume was mounted from, as a URL text; empty for other volumes.
std::string RemountingText(Volume const& volume)
{
    std::string const& source = volume.fSource;
    if ((volume.fType == "cifs" || volume.fType == "smb3" || volume.fType == "smbfs") &&
        source.compare(0, 2, "//") == 0)
        return "smb:" + PercentEncoded(source);
    if (volume.fType == "nfs" || volume.fType == "nfs4")
    {
        std::size_t const colon = source.find(':');
        if (colon != std::string::npos && colon > 0)
            return "nfs://" + PercentEncoded(source.substr(0, colon)) +
                   PercentEncoded(source.substr(colon + 1));
    }
    if (source.find("://") != std::string::npos && !volume.fLocal)
        return source;
    return std::string();
}

NSNumber* Truth(bool value)
{
    return NSNumber::numberWithBool(value);
}

NSDate const* DateValue(CFTypeRef value)
{
    return As<NSDate>(value);
}

// The keys a URL answers, in the order of the slots of its cache.
enum class Key
{
    cIsDirectory,
    cIsRegularFile,
    cIsSymbolicLink,
    cIsAliasFile,
    cIsHidden,
    cIsUserImmutable,
    cIsReadable,
    cIsWritable,
    cIsExecutable,
    cIsPackage,
    cCreationDate,
    cContentModificationDate,
    cLabelNumber,
    cLabelColor,
    cCustomIcon,
    cFileResourceIdentifier,
    cVolumeIdentifier,
    cVolumeName,
    cVolumeURL,
    cVolumeIsLocal,
    cVolumeIsInternal,
    cVolumeIsRemovable,
    cVolumeIsReadOnly,
    cVolumeURLForRemounting,
    cOther
};
constexpr std::size_t cKeyCount = static_cast<std::size_t>(Key::cOther);

bool IsVolumeKey(Key key)
{
    return key >= Key::cVolumeIdentifier && key <= Key::cVolumeURLForRemounting;
}

// Callers pass the key constants, so the key is first looked for by identity, then by its text.
Key KeyOf(CFStringRef key)
{
    static CFStringRef const* const cKeys[cKeyCount] = {
        &NSURLIsDirectoryKey,      &NSURLIsRegularFileKey,
        &NSURLIsSymbolicLinkKey,   &NSURLIsAliasFileKey,
        &NSURLIsHiddenKey,         &NSURLIsUserImmutableKey,
        &NSURLIsReadableKey,       &NSURLIsWritableKey,
        &NSURLIsExecutableKey,     &NSURLIsPackageKey,
        &NSURLCreationDateKey,     &NSURLContentModificationDateKey,
        &NSURLLabelNumberKey,      &NSURLLabelColorKey,
        &NSURLCustomIconKey,       &NSURLFileResourceIdentifierKey,
        &NSURLVolumeIdentifierKey, &NSURLVolumeNameKey,
        &NSURLVolumeURLKey,        &NSURLVolumeIsLocalKey,
        &NSURLVolumeIsInternalKey, &NSURLVolumeIsRemovableKey,
        &NSURLVolumeIsReadOnlyKey, &NSURLVolumeURLForRemountingKey};
    for (std::size_t i = 0; i < cKeyCount; ++i)
    {
        if (key == *cKeys[i])
            return static_cast<Key>(i);
    }
    for (std::size_t i = 0; i < cKeyCount; ++i)
    {
        if (IsKey(key, *cKeys[i]))
            return static_cast<Key>(i);
    }
    return Key::cOther;
}

mode_t TypeOfListed(unsigned char kind)
{
    switch (kind)
    {
    case DT_REG:
        return S_IFREG;
    case DT_DIR:
        return S_IFDIR;
    case DT_LNK:
        return S_IFLNK;
    case DT_FIFO:
        return S_IFIFO;
    case DT_SOCK:
        return S_IFSOCK;
    case DT_CHR:
        return S_IFCHR;
    case DT_BLK:
        return S_IFBLK;
    default:
        return 0;
    }
}
} // namespace

// What a URL object has read of its item. The item is looked at once for its kind, status and dates
// (a listing may already have told the kind), once for the names of its attributes, once for its
// volume; each value made from them is kept in its slot until the cache is emptied.
struct NSURL::ResourceCache
{
    enum class Status
    {
        cUnknown,
        cKindOnly,
        cFull,
        cMissing
    };

    ~ResourceCache() { ForgetValues(); }

    void ForgetValues()
    {
        for (std::size_t i = 0; i < cKeyCount; ++i)
        {
            if (fValues[i])
                CFRelease(fValues[i]);
            fValues[i] = nullptr;
            fHasValue[i] = false;
        }
    }

    void ForgetItem()
    {
        fStatus = Status::cUnknown;
        fAttributesRead = false;
        fFinderInfoRead = false;
        fVolumeRead = false;
    }

    // Looks at the item unless what is known suffices: its kind, or its whole status. False (with
    // errno set) when nothing is there.
    bool Look(std::string const& path, bool whole)
    {
        if (fStatus == Status::cMissing)
        {
            errno = fError;
            return false;
        }
        if (fStatus == Status::cFull || (fStatus == Status::cKindOnly && !whole))
            return true;
        if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &fInfo) != 0)
        {
            fError = errno;
            fStatus = Status::cMissing;
            return false;
        }
        fType = fInfo.stx_mode & S_IFMT;
        fStatus = Status::cFull;
        return true;
    }

    unsigned Attributes(std::string const& path)
    {
        if (!fAttributesRead)
        {
            fAttributes = AttributesPresent(path);
            fAttributesRead = true;
        }
        return fAttributes;
    }

    FinderInfo const& Finder(std::string const& path)
    {
        if (!fFinderInfoRead)
        {
            fFinderInfo = (Attributes(path) & cHasFinderInfo) ? ReadFinderInfo(path) : FinderInfo();
            fFinderInfoRead = true;
        }
        return fFinderInfo;
    }

    // False when no volume holds the item.
    bool VolumeOfItem(std::string const& path, Volume const*& volume)
    {
        if (!fVolumeRead)
        {
            fHasVolume = VolumeOf(LocationOf(path), fVolume);
            fVolumeRead = true;
        }
        volume = &fVolume;
        return fHasVolume;
    }

    double ModificationDate() const
    {
        return static_cast<double>(fInfo.stx_mtime.tv_sec) + fInfo.stx_mtime.tv_nsec / 1e9;
    }

    double CreationDate(std::string const& path)
    {
        double seconds = 0;
        if ((Attributes(path) & cHasCreationDate) && StoredCreationDate(path, seconds))
            return seconds;
        if (fInfo.stx_mask & STATX_BTIME)
            return static_cast<double>(fInfo.stx_btime.tv_sec) + fInfo.stx_btime.tv_nsec / 1e9;
        return ModificationDate();
    }

    Status fStatus = Status::cUnknown;
    int fError = 0;
    mode_t fType = 0;
    struct statx fInfo;
    bool fAttributesRead = false;
    unsigned fAttributes = 0;
    bool fFinderInfoRead = false;
    FinderInfo fFinderInfo;
    bool fVolumeRead = false;
    bool fHasVolume = false;
    Volume fVolume;
    CFTypeRef fValues[cKeyCount] = {};
    bool fHasValue[cKeyCount] = {};
};

namespace
{
// The value of a volume key for the volume.
CFTypeRef VolumeValue(Volume const& volume, Key key)
{
    switch (key)
    {
    case Key::cVolumeIdentifier:
        return MakeData(volume.fMountPath.data(), volume.fMountPath.size());
    case Key::cVolumeName:
        return MakeString(volume.fName);
    case Key::cVolumeURL:
        return NSURL::fileURLWithPath(MakeString(volume.fMountPath), true);
    case Key::cVolumeIsLocal:
        return Truth(volume.fLocal);
    case Key::cVolumeIsInternal:
        return Truth(volume.fInternal);
    case Key::cVolumeIsRemovable:
        return Truth(volume.fRemovable);
    case Key::cVolumeIsReadOnly:
        return Truth(volume.fReadOnly);
    default:
    {
        std::string const text = RemountingText(volume);
        return text.empty() ? nullptr : NSURL::URLWithString(MakeString(text));
    }
    }
}

} // namespace

NSURL* NSURL::MakeFileURL(std::string const& path, bool isDirectory)
{
    NSURL* url = new NSURL;
    url->fIsFile = true;
    url->fIsDirectory = isDirectory;
    url->fPath = path;
    return Autoreleased(url);
}

NSURL* NSURL::MakeFileURL(std::string const& path)
{
    NSURL* const url = MakeFileURL(path, false);
    url->fDirectoryDecided = false;
    return url;
}

NSURL* NSURL::MakeListedFileURL(std::string const& path, unsigned char kind)
{
    mode_t type = TypeOfListed(kind);
    NSURL* const url = MakeFileURL(path, false);
    if (type == 0)
    {
        // The file system did not tell: the entry itself is looked at, as a listing must.
        struct stat status;
        if (!StatusOf(path, status))
            return url;
        type = status.st_mode & S_IFMT;
    }
    url->fIsDirectory = S_ISDIR(type);
    ResourceCache& cache = url->Cache();
    cache.fType = type;
    cache.fStatus = ResourceCache::Status::cKindOnly;
    return url;
}

NSURL::~NSURL()
{
    delete fCache;
}

NSURL::ResourceCache& NSURL::Cache() const
{
    if (!fCache)
        fCache = new ResourceCache;
    return *fCache;
}

void NSURL::DecideDirectory() const
{
    if (fDirectoryDecided)
        return;
    // A link's own kind does not say what it leads to; the folder form follows links.
    if (fCache &&
        (fCache->fStatus == ResourceCache::Status::cKindOnly ||
         fCache->fStatus == ResourceCache::Status::cFull) &&
        !S_ISLNK(fCache->fType))
        fIsDirectory = S_ISDIR(fCache->fType);
    else
        fIsDirectory = IsFolder(fPath);
    fDirectoryDecided = true;
}

bool NSURL::hasDirectoryPath() const
{
    DecideDirectory();
    return fIsDirectory;
}

NSURL* NSURL::fileURLWithPath(CFStringRef path)
{
    if (!path || CFStringGetLength(path) == 0)
        return nullptr;
    std::string const absolute = AbsolutePath(CFStringStandInGetUTF8(path));
    if (absolute.empty())
        return nullptr;
    return MakeFileURL(absolute);
}

NSURL* NSURL::fileURLWithPath(CFStringRef path, bool isDirectory)
{
    if (!path || CFStringGetLength(path) == 0)
        return nullptr;
    std::string const absolute = AbsolutePath(CFStringStandInGetUTF8(path));
    if (absolute.empty())
        return nullptr;
    return MakeFileURL(absolute, isDirectory);
}

NSURL* NSURL::URLWithString(CFStringRef text)
{
    if (!text)
        return nullptr;
    std::string const string = CFStringStandInGetUTF8(text);
    std::size_t const colon = string.find(':');
    if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(string[0])))
        return nullptr;
    for (std::size_t i = 1; i < colon; ++i)
    {
        unsigned char const c = static_cast<unsigned char>(string[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return nullptr;
    }
    if (string.find_first_of(" \t\r\n") != std::string::npos)
        return nullptr;
    std::string path;
    if (string.compare(0, 7, "file://") == 0)
    {
        std::size_t const slash = string.find('/', 7);
        if (slash == std::string::npos || !PercentDecoded(string.substr(slash), path))
            return nullptr;
        bool const isDirectory = path.size() > 1 && path.back() == '/';
        std::string const absolute = AbsolutePath(path);
        if (absolute.empty())
            return nullptr;
        return MakeFileURL(absolute, isDirectory || path == "/");
    }
    NSURL* url = new NSURL;
    url->fText = string;
    return Autoreleased(url);
}

CFStringRef NSURL::path() const
{
    return fIsFile ? MakeString(fPath) : nullptr;
}

CFStringRef NSURL::lastPathComponent() const
{
    return fIsFile ? MakeString(LeafOf(fPath)) : nullptr;
}

CFStringRef NSURL::absoluteString() const
{
    if (fIsFile && fText.empty())
    {
        DecideDirectory();
        fText = "file://" + PercentEncoded(fPath) + (fIsDirectory && fPath != "/" ? "/" : "");
    }
    return MakeString(fText);
}

char const* NSURL::fileSystemRepresentation() const
{
    return fIsFile ? fPath.c_str() : nullptr;
}

NSURL* NSURL::URLByAppendingPathComponent(CFStringRef component) const
{
    if (!fIsFile || !component)
        return nullptr;
    std::string const absolute = AbsolutePath(fPath + "/" + CFStringStandInGetUTF8(component));
    if (absolute.empty())
        return nullptr;
    return MakeFileURL(absolute);
}

bool NSURL::IsEqualTo(CFStandInObject const& other) const
{
    NSURL const* url = dynamic_cast<NSURL const*>(&other);
    if (!url)
        return false;
    if (fIsFile != url->fIsFile)
        return false;
    if (!fIsFile)
        return url->fText == fText;
    return url->fPath == fPath && url->hasDirectoryPath() == hasDirectoryPath();
}

bool NSURL::checkResourceIsReachableAndReturnError(NSError** error) const
{
    if (!fIsFile)
        return Fail(error, MakeError(NSFileReadUnknownError, "The URL is no file URL."));
    if (!Exists(fPath))
        return Fail(error, FileError(Operation::cRead, ENOENT, fPath));
    return true;
}

bool NSURL::getResourceValue(CFTypeRef* value, CFStringRef key, NSError** error) const
{
    if (!value || !key)
        return Fail(error, MakeError(NSFileReadUnknownError, "No value or key was given."));
    *value = nullptr;
    if (!fIsFile)
        return Fail(error, MakeError(NSFileReadUnknownError, "The URL is no file URL."));
    Key const which = KeyOf(key);
    ResourceCache& cache = Cache();
    std::size_t const slot = static_cast<std::size_t>(which);
    if (which != Key::cOther && cache.fHasValue[slot])
    {
        CFTypeRef const cached = cache.fValues[slot];
        *value = !cached || NSNumber::IsSharedTruth(cached) ? cached : CFAutorelease(CFRetain(cached));
        return true;
    }
    bool const whole = which == Key::cCreationDate || which == Key::cContentModificationDate ||
                       which == Key::cFileResourceIdentifier;
    if (!cache.Look(fPath, whole))
        return Fail(error, FileError(Operation::cRead, errno, fPath));

    mode_t const type = cache.fType;
    switch (which)
    {
    case Key::cIsDirectory:
        *value = Truth(S_ISDIR(type));
        break;
    case Key::cIsRegularFile:
        *value = Truth(S_ISREG(type));
        break;
    case Key::cIsSymbolicLink:
    case Key::cIsAliasFile:
        *value = Truth(S_ISLNK(type));
        break;
    case Key::cIsHidden:
        // A name that begins with "." is hidden whatever the Finder information says.
        *value = Truth(LeafOf(fPath)[0] == '.' || (cache.Finder(fPath).Flags() & cFinderFlagIsInvisible));
        break;
    case Key::cIsUserImmutable:
        *value = Truth(cache.Attributes(fPath) & cHasLock);
        break;
    case Key::cIsReadable:
        *value = Truth(Accessible(fPath, R_OK));
        break;
    case Key::cIsWritable:
        *value = Truth(Accessible(fPath, W_OK) && !(!IsSuperUser() && (cache.Attributes(fPath) & cHasLock)));
        break;
    case Key::cIsExecutable:
        *value = Truth(Accessible(fPath, X_OK));
        break;
    case Key::cIsPackage:
        *value = Truth(S_ISDIR(type) && IsPackage(fPath, type, cache.Finder(fPath)));
        break;
    case Key::cCreationDate:
        *value = NSDate::dateWithTimeIntervalSince1970(cache.CreationDate(fPath));
        break;
    case Key::cContentModificationDate:
        *value = NSDate::dateWithTimeIntervalSince1970(cache.ModificationDate());
        break;
    case Key::cLabelNumber:
    case Key::cLabelColor:
    {
        int const label = (cache.Finder(fPath).Flags() & cFinderFlagLabelMask) >> 1;
        *value = label == 0 && which == Key::cLabelColor ? nullptr : NSNumber::numberWithInt(label);
        break;
    }
    case Key::cCustomIcon:
    {
        std::string const icon =
            (cache.Attributes(fPath) & cHasCustomIcon) ? ReadCustomIcon(fPath) : std::string();
        *value = icon.empty() ? nullptr : MakeData(icon.data(), icon.size());
        break;
    }
    case Key::cFileResourceIdentifier:
    {
        std::uint64_t const identity[2] = {
            static_cast<std::uint64_t>(makedev(cache.fInfo.stx_dev_major, cache.fInfo.stx_dev_minor)),
            static_cast<std::uint64_t>(cache.fInfo.stx_ino)};
        *value = MakeData(identity, sizeof identity);
        break;
    }
    case Key::cOther:
        // Keys this stand-in does not know have no value.
        return true;
    default:
    {
        Volume const* volume = nullptr;
        if (IsVolumeKey(which) && cache.VolumeOfItem(fPath, volume))
            *value = VolumeValue(*volume, which);
        break;
    }
    }
    cache.fValues[slot] = *value ? CFRetain(*value) : nullptr;
    cache.fHasValue[slot] = true;
    return true;
}

void NSURL::removeCachedResourceValueForKey(CFStringRef key) const
{
    if (!fCache || !key)
        return;
    Key const which = KeyOf(key);
    if (which != Key::cOther)
    {
        std::size_t const slot = static_cast<std::size_t>(which);
        if (fCache->fValues[slot])
            CFRelease(fCache->fValues[slot]);
        fCache->fValues[slot] = nullptr;
        fCache->fHasValue[slot] = false;
    }
    // What the value was made of is read again when it is asked for; the other values stay as they
    // were read.
    fCache->ForgetItem();
}

void NSURL::removeAllCachedResourceValues() const
{
    if (!fCache)
        return;
    fCache->ForgetValues();
    fCache->ForgetItem();
}

bool NSURL::setResourceValue(CFTypeRef value, CFStringRef key, NSError** error) const
{
    if (!key)
        return Fail(error, MakeError(NSFileWriteUnknownError, "No key was given."));
    if (!fIsFile)
        return Fail(error, MakeError(NSFileWriteUnknownError, "The URL is no file URL."));
    // Whatever happens, what this object read may no longer hold.
    removeAllCachedResourceValues();

    Key const which = KeyOf(key);
    // The writes below fail on a missing item as the check would; the check is made where nothing
    // would be written, and before the value is found wrong, so that a missing item says so first.
    auto const missing = [this, error]()
    { return !Exists(fPath) && !Fail(error, FileError(Operation::cSave, ENOENT, fPath)); };
    NSNumber const* const number = As<NSNumber>(value);
    int result = 0;
    if (which == Key::cIsUserImmutable)
    {
        if (!number)
            return !missing() && Fail(error, FileError(Operation::cSave, EINVAL, fPath));
        // Unlocking is the one change a locked item takes.
        if (number->boolValue() && ChangeRefused(fPath))
            return !missing() && Fail(error, FileError(Operation::cSave, EPERM, fPath));
        result = SetLocked(fPath, number->boolValue());
        return result == 0 || Fail(error, FileError(Operation::cSave, result, fPath));
    }

    bool const settable = which == Key::cIsHidden || which == Key::cCreationDate ||
                          which == Key::cContentModificationDate || which == Key::cLabelNumber ||
                          which == Key::cLabelColor || which == Key::cCustomIcon;
    if (!settable)
        return !missing();
    if (ChangeRefused(fPath))
        return !missing() && Fail(error, FileError(Operation::cSave, EPERM, fPath));

    if (which == Key::cIsHidden || which == Key::cLabelNumber || which == Key::cLabelColor)
    {
        bool const isColor = which == Key::cLabelColor;
        if (!number && !(isColor && !value))
            return !missing() && Fail(error, FileError(Operation::cSave, EINVAL, fPath));
        FinderInfo info = ReadFinderInfo(fPath);
        if (which == Key::cIsHidden)
        {
            info.SetFlag(cFinderFlagIsInvisible, number->boolValue());
        }
        else
        {
            int const label = number ? number->intValue() : 0;
            if (label < 0 || label > 7)
                return !missing() && Fail(error, FileError(Operation::cSave, EINVAL, fPath));
            info.SetFlags(static_cast<std::uint16_t>((info.Flags() & ~cFinderFlagLabelMask) | (label << 1)));
        }
        result = WriteFinderInfo(fPath, info);
    }
    else if (which == Key::cCreationDate || which == Key::cContentModificationDate)
    {
        NSDate const* const date = DateValue(value);
        if (!date)
            return !missing() && Fail(error, FileError(Operation::cSave, EINVAL, fPath));
        result = which == Key::cCreationDate ? SetCreationDate(fPath, date->timeIntervalSince1970())
                                             : SetModificationDate(fPath, date->timeIntervalSince1970());
    }
    else
    {
        CFDataRef const icon = static_cast<CFDataRef>(value);
        if (value && !CFDataStandInIsData(value))
            return !missing() && Fail(error, FileError(Operation::cSave, EINVAL, fPath));
        result =
            WriteCustomIcon(fPath, icon ? std::string(reinterpret_cast<char const*>(CFDataGetBytePtr(icon)),
                                                      static_cast<std::size_t>(CFDataGetLength(icon)))
                                        : std::string());
    }
    return result == 0 || Fail(error, FileError(Operation::cSave, result, fPath));
}

NSURL* NSURL::URLByResolvingAliasFileAtURL(NSURL* url, NSURLBookmarkResolutionOptions, NSError** error)
{
    if (!url || !url->fIsFile)
    {
        Fail(error, MakeError(NSFileReadUnknownError, "The URL is no file URL."));
        return nullptr;
    }
    // What the URL object knows of its item is its view of it, as for its resource values.
    if (!url->Cache().Look(url->fPath, false))
    {
        Fail(error, FileError(Operation::cRead, errno, url->fPath));
        return nullptr;
    }
    if (!S_ISLNK(url->Cache().fType))
        return url;
    char* const real = realpath(url->fPath.c_str(), nullptr);
    if (!real)
    {
        Fail(error,
             MakeError(NSFileNoSuchFileError, "The alias \xE2\x80\x9C" + LeafOf(url->fPath) +
                                                  "\xE2\x80\x9D can\xE2\x80\x99t be opened because the "
                                                  "original item can\xE2\x80\x99t be found."));
        return nullptr;
    }
    std::string const target = real;
    std::free(real);
    return MakeFileURL(target);
}

CFDataRef NSURL::bookmarkDataWithContentsOfURL(NSURL* bookmarkFileURL, NSError** error)
{
    if (!bookmarkFileURL || !bookmarkFileURL->fIsFile)
    {
        Fail(error, MakeError(NSFileReadUnknownError, "The URL is no file URL."));
        return nullptr;
    }
    std::string const& path = bookmarkFileURL->fPath;
    struct stat status;
    if (!StatusOf(path, status))
    {
        Fail(error, FileError(Operation::cRead, errno, path));
        return nullptr;
    }
    if (!S_ISLNK(status.st_mode))
    {
        Fail(error,
             MakeError(NSFileReadCorruptFileError, "The file \xE2\x80\x9C" + LeafOf(path) +
                                                       "\xE2\x80\x9D couldn\xE2\x80\x99t be opened because "
                                                       "it isn\xE2\x80\x99t in the correct format."));
        return nullptr;
    }
    std::string text(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : PATH_MAX), '\0');
    for (;;)
    {
        ssize_t const length = readlink(path.c_str(), &text[0], text.size());
        if (length < 0)
        {
            Fail(error, FileError(Operation::cRead, errno, path));
            return nullptr;
        }
        if (static_cast<std::size_t>(length) < text.size())
        {
            text.resize(static_cast<std::size_t>(length));
            break;
        }
        text.resize(text.size() * 2);
    }
    std::string const recorded = AbsolutePath(text[0] == '/' ? text : FolderOf(path) + "/" + text);
    return MakeData(recorded.data(), recorded.size());
}

NSDictionary* NSURL::resourceValuesForKeysFromBookmarkData(CFArrayRef keys, CFDataRef bookmarkData)
{
    if (!keys || !bookmarkData)
        return nullptr;
    std::vector<CFTypeRef> values;
    std::vector<CFStringRef> names;
    for (CFIndex i = 0; i < CFArrayGetCount(keys); ++i)
    {
        CFStringRef const key = static_cast<CFStringRef>(CFArrayGetValueAtIndex(keys, i));
        if (!IsKey(key, NSURLPathKey))
            continue;
        std::string const path(reinterpret_cast<char const*>(CFDataGetBytePtr(bookmarkData)),
                               static_cast<std::size_t>(CFDataGetLength(bookmarkData)));
        if (CFStringRef const text = MakeString(path))
        {
            values.push_back(text);
            names.push_back(NSURLPathKey);
        }
    }
    return NSDictionary::dictionaryWithObjects(values.data(), names.data(), values.size());
}

bool NSURL::writeBookmarkData(CFDataRef bookmarkData, NSURL* bookmarkFileURL,
                              NSURLBookmarkFileCreationOptions, NSError** error)
{
    if (!bookmarkFileURL || !bookmarkFileURL->fIsFile || !bookmarkData || CFDataGetLength(bookmarkData) == 0)
        return Fail(error, MakeError(NSFileWriteUnknownError, "No bookmark data or file URL was given."));
    std::string const& path = bookmarkFileURL->fPath;
    if (ChangeRefused(FolderOf(path)))
        return Fail(error, FileError(Operation::cSave, EPERM, path));
    std::string const target(reinterpret_cast<char const*>(CFDataGetBytePtr(bookmarkData)),
                             static_cast<std::size_t>(CFDataGetLength(bookmarkData)));
    if (target.find('\0') != std::string::npos)
        return Fail(error, MakeError(NSFileWriteUnknownError, "The bookmark data is not a path."));
    if (symlink(target.c_str(), path.c_str()) != 0)
        return Fail(error, FileError(Operation::cSave, errno, path));
    return true;
}

CFDataRef NSURL::bookmarkDataWithOptions(NSURLBookmarkCreationOptions, CFArrayRef, NSURL*,
                                         NSError** error) const
{
    if (!fIsFile)
    {
        Fail(error, MakeError(NSFileReadUnknownError, "The URL is no file URL."));
        return nullptr;
    }
    if (!Exists(fPath))
    {
        Fail(error, FileError(Operation::cRead, ENOENT, fPath));
        return nullptr;
    }
    return MakeData(fPath.data(), fPath.size());
}
