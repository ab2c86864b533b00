// The Foundation URL stand-in: file URLs, their resource values and aliases as bookmark data.
#include "FoundationStandIn.h"

#include "FoundationStandInSupport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

bool IsPackage(std::string const& path, struct stat const& status)
{
    if (!S_ISDIR(status.st_mode))
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
    if (ReadFinderInfo(path).Flags() & cFinderFlagHasBundle)
        return true;
    struct stat info;
    return stat((path + "/Contents/Info.plist").c_str(), &info) == 0 && S_ISREG(info.st_mode);
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

// The value of a volume key for the item's volume; false when the key is no volume key.
bool VolumeValue(std::string const& path, CFStringRef key, CFTypeRef& value)
{
    bool const isVolumeKey = IsKey(key, NSURLVolumeIdentifierKey) || IsKey(key, NSURLVolumeNameKey) ||
                             IsKey(key, NSURLVolumeURLKey) || IsKey(key, NSURLVolumeIsLocalKey) ||
                             IsKey(key, NSURLVolumeIsInternalKey) || IsKey(key, NSURLVolumeIsRemovableKey) ||
                             IsKey(key, NSURLVolumeIsReadOnlyKey) ||
                             IsKey(key, NSURLVolumeURLForRemountingKey);
    if (!isVolumeKey)
        return false;
    Volume volume;
    if (!VolumeOf(LocationOf(path), volume))
        return true;
    if (IsKey(key, NSURLVolumeIdentifierKey))
        value = MakeData(volume.fMountPath.data(), volume.fMountPath.size());
    else if (IsKey(key, NSURLVolumeNameKey))
        value = MakeString(volume.fName);
    else if (IsKey(key, NSURLVolumeURLKey))
        value = NSURL::fileURLWithPath(MakeString(volume.fMountPath), true);
    else if (IsKey(key, NSURLVolumeIsLocalKey))
        value = Truth(volume.fLocal);
    else if (IsKey(key, NSURLVolumeIsInternalKey))
        value = Truth(volume.fInternal);
    else if (IsKey(key, NSURLVolumeIsRemovableKey))
        value = Truth(volume.fRemovable);
    else if (IsKey(key, NSURLVolumeIsReadOnlyKey))
        value = Truth(volume.fReadOnly);
    else
    {
        std::string const text = RemountingText(volume);
        value = text.empty() ? nullptr : NSURL::URLWithString(MakeString(text));
    }
    return true;
}

NSDate const* DateValue(CFTypeRef value)
{
    return As<NSDate>(value);
}
} // namespace

NSURL* NSURL::MakeFileURL(std::string const& path, bool isDirectory)
{
    NSURL* url = new NSURL;
    url->fIsFile = true;
    url->fIsDirectory = isDirectory;
    url->fPath = path;
    url->fText = "file://" + PercentEncoded(path) + (isDirectory && path != "/" ? "/" : "");
    return Autoreleased(url);
}

NSURL* NSURL::fileURLWithPath(CFStringRef path)
{
    if (!path || CFStringGetLength(path) == 0)
        return nullptr;
    std::string const absolute = AbsolutePath(CFStringStandInGetUTF8(path));
    if (absolute.empty())
        return nullptr;
    return MakeFileURL(absolute, IsFolder(absolute));
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
        return MakeFileURL(AbsolutePath(path), isDirectory || path == "/");
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
    std::string const path = AbsolutePath(fPath + "/" + CFStringStandInGetUTF8(component));
    return MakeFileURL(path, IsFolder(path));
}

bool NSURL::IsEqualTo(CFStandInObject const& other) const
{
    NSURL const* url = dynamic_cast<NSURL const*>(&other);
    return url && url->fText == fText;
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
    struct stat status;
    if (!StatusOf(fPath, status))
        return Fail(error, FileError(Operation::cRead, errno, fPath));

    if (IsKey(key, NSURLIsDirectoryKey))
        *value = Truth(S_ISDIR(status.st_mode));
    else if (IsKey(key, NSURLIsRegularFileKey))
        *value = Truth(S_ISREG(status.st_mode));
    else if (IsKey(key, NSURLIsSymbolicLinkKey) || IsKey(key, NSURLIsAliasFileKey))
        *value = Truth(S_ISLNK(status.st_mode));
    else if (IsKey(key, NSURLIsHiddenKey))
        *value = Truth((ReadFinderInfo(fPath).Flags() & cFinderFlagIsInvisible) || LeafOf(fPath)[0] == '.');
    else if (IsKey(key, NSURLIsUserImmutableKey))
        *value = Truth(IsLocked(fPath));
    else if (IsKey(key, NSURLIsReadableKey))
        *value = Truth(Accessible(fPath, R_OK));
    else if (IsKey(key, NSURLIsWritableKey))
        *value = Truth(Accessible(fPath, W_OK) && !ChangeRefused(fPath));
    else if (IsKey(key, NSURLIsExecutableKey))
        *value = Truth(Accessible(fPath, X_OK));
    else if (IsKey(key, NSURLIsPackageKey))
        *value = Truth(IsPackage(fPath, status));
    else if (IsKey(key, NSURLCreationDateKey))
        *value = NSDate::dateWithTimeIntervalSince1970(CreationDateOf(fPath, status));
    else if (IsKey(key, NSURLContentModificationDateKey))
        *value = NSDate::dateWithTimeIntervalSince1970(ModificationDateOf(status));
    else if (IsKey(key, NSURLLabelNumberKey) || IsKey(key, NSURLLabelColorKey))
    {
        int const label = (ReadFinderInfo(fPath).Flags() & cFinderFlagLabelMask) >> 1;
        *value = label == 0 && IsKey(key, NSURLLabelColorKey) ? nullptr : NSNumber::numberWithInt(label);
    }
    else if (IsKey(key, NSURLCustomIconKey))
    {
        std::string const icon = ReadCustomIcon(fPath);
        *value = icon.empty() ? nullptr : MakeData(icon.data(), icon.size());
    }
    else if (IsKey(key, NSURLFileResourceIdentifierKey))
    {
        std::uint64_t const identity[2] = {static_cast<std::uint64_t>(status.st_dev),
                                           static_cast<std::uint64_t>(status.st_ino)};
        *value = MakeData(identity, sizeof identity);
    }
    else
    {
        VolumeValue(fPath, key, *value);
    }
    return true;
}

bool NSURL::setResourceValue(CFTypeRef value, CFStringRef key, NSError** error) const
{
    if (!key)
        return Fail(error, MakeError(NSFileWriteUnknownError, "No key was given."));
    if (!fIsFile)
        return Fail(error, MakeError(NSFileWriteUnknownError, "The URL is no file URL."));
    if (!Exists(fPath))
        return Fail(error, FileError(Operation::cSave, ENOENT, fPath));

    NSNumber const* const number = As<NSNumber>(value);
    int result = 0;
    if (IsKey(key, NSURLIsUserImmutableKey))
    {
        if (!number)
            return Fail(error, FileError(Operation::cSave, EINVAL, fPath));
        // Unlocking is the one change a locked item takes.
        if (number->boolValue() && ChangeRefused(fPath))
            return Fail(error, FileError(Operation::cSave, EPERM, fPath));
        result = SetLocked(fPath, number->boolValue());
        return result == 0 || Fail(error, FileError(Operation::cSave, result, fPath));
    }

    bool const settable = IsKey(key, NSURLIsHiddenKey) || IsKey(key, NSURLCreationDateKey) ||
                          IsKey(key, NSURLContentModificationDateKey) || IsKey(key, NSURLLabelNumberKey) ||
                          IsKey(key, NSURLLabelColorKey) || IsKey(key, NSURLCustomIconKey);
    if (!settable)
        return true;
    if (ChangeRefused(fPath))
        return Fail(error, FileError(Operation::cSave, EPERM, fPath));

    if (IsKey(key, NSURLIsHiddenKey) || IsKey(key, NSURLLabelNumberKey) || IsKey(key, NSURLLabelColorKey))
    {
        bool const isColor = IsKey(key, NSURLLabelColorKey);
        if (!number && !(isColor && !value))
            return Fail(error, FileError(Operation::cSave, EINVAL, fPath));
        FinderInfo info = ReadFinderInfo(fPath);
        if (IsKey(key, NSURLIsHiddenKey))
        {
            info.SetFlag(cFinderFlagIsInvisible, number->boolValue());
        }
        else
        {
            int const label = number ? number->intValue() : 0;
            if (label < 0 || label > 7)
                return Fail(error, FileError(Operation::cSave, EINVAL, fPath));
            info.SetFlags(static_cast<std::uint16_t>((info.Flags() & ~cFinderFlagLabelMask) | (label << 1)));
        }
        result = WriteFinderInfo(fPath, info);
    }
    else if (IsKey(key, NSURLCreationDateKey) || IsKey(key, NSURLContentModificationDateKey))
    {
        NSDate const* const date = DateValue(value);
        if (!date)
            return Fail(error, FileError(Operation::cSave, EINVAL, fPath));
        result = IsKey(key, NSURLCreationDateKey) ? SetCreationDate(fPath, date->timeIntervalSince1970())
                                                  : SetModificationDate(fPath, date->timeIntervalSince1970());
    }
    else
    {
        CFDataRef const icon = static_cast<CFDataRef>(value);
        if (value && !CFDataStandInIsData(value))
            return Fail(error, FileError(Operation::cSave, EINVAL, fPath));
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
    struct stat status;
    if (!StatusOf(url->fPath, status))
    {
        Fail(error, FileError(Operation::cRead, errno, url->fPath));
        return nullptr;
    }
    if (!S_ISLNK(status.st_mode))
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
    return MakeFileURL(target, IsFolder(target));
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
