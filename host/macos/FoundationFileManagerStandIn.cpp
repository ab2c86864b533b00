// The Foundation file-manager stand-in: items made, copied, moved, removed and described with POSIX
// calls on the real file system.
#include "FoundationStandIn.h"

#include "FoundationStandInSupport.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace foundationstandin;

namespace
{
constexpr std::size_t cCopyChunk = 1 << 20;
// How many numbered names the trash tries before it gives up.
constexpr int cMaximumTrashNames = 10000;

std::string PathOf(CFStringRef path)
{
    return path && CFStringGetLength(path) > 0 ? AbsolutePath(CFStringStandInGetUTF8(path)) : std::string();
}

bool IsFolder(std::string const& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

NSError* MissingFolder(std::string const& folder)
{
    return MakeError(NSFileNoSuchFileError,
                     "The folder \xE2\x80\x9C" + LeafOf(folder) + "\xE2\x80\x9D doesn\xE2\x80\x99t exist.");
}

// Renames without replacing what is at destination: 0 or the errno.
int RenameNoReplace(std::string const& source, std::string const& destination)
{
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: the check and the rename are two steps there.
    if (Exists(destination))
        return EEXIST;
    return rename(source.c_str(), destination.c_str()) == 0 ? 0 : errno;
}

// The folder's own entries "." and "..", which a listing passes over.
bool IsDotName(char const* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Copies until the end of from; a file whose size is known (size above 0) is copied up to that size
// without asking for more, as the size read with the item is the copy's.
int CopyContent(int from, int to, off_t size)
{
    bool plain = false;
    off_t done = 0;
    for (;;)
    {
        if (size > 0 && done >= size)
            return 0;
        ssize_t copied = 0;
        if (!plain)
        {
            copied = copy_file_range(from, nullptr, to, nullptr, cCopyChunk, 0);
            if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
            {
                plain = true;
                continue;
            }
        }
        else
        {
            std::vector<char> buffer(64 * 1024);
            copied = read(from, buffer.data(), buffer.size());
            for (ssize_t written = 0; copied > 0 && written < copied;)
            {
                ssize_t const step =
                    write(to, buffer.data() + written, static_cast<std::size_t>(copied - written));
                if (step < 0)
                {
                    if (errno == EINTR)
                        continue;
                    return errno;
                }
                written += step;
            }
        }
        if (copied == 0)
            return 0;
        if (copied < 0 && errno != EINTR)
            return errno;
        if (copied > 0)
            done += copied;
    }
}

bool IsSameItem(struct stat const& a, struct stat const& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Copies the file; made, when given, receives the status of the file it made at destination.
int CopyFile(std::string const& source, std::string const& destination, struct stat const& status,
             struct stat* made)
{
    int const from = open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (from < 0)
        return errno;
    int const to =
        open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (to < 0)
    {
        int const error = errno;
        close(from);
        return error;
    }
    if (made)
        fstat(to, made);
    int result = CopyContent(from, to, status.st_size);
    if (result == 0)
    {
        CopyAttributes(from, to);
        timespec const times[2] = {{0, UTIME_OMIT}, status.st_mtim};
        if (fchmod(to, status.st_mode & 07777) != 0 || futimens(to, times) != 0)
            result = errno;
    }
    close(from);
    if (close(to) != 0 && result == 0)
        result = errno;
    return result;
}

// Copies the item and all it holds; made, when given, receives the status of the item it made at
// destination (left as it was when it made none).
int CopyItem(std::string const& source, std::string const& destination, struct stat const& status,
             struct stat* made = nullptr)
{
    if (S_ISREG(status.st_mode))
        return CopyFile(source, destination, status, made);
    if (S_ISLNK(status.st_mode))
    {
        std::vector<char> text(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : PATH_MAX) + 1);
        ssize_t const length = readlink(source.c_str(), text.data(), text.size());
        if (length < 0)
            return errno;
        if (static_cast<std::size_t>(length) >= text.size())
            return ENAMETOOLONG;
        text[static_cast<std::size_t>(length)] = '\0';
        if (symlink(text.data(), destination.c_str()) != 0)
            return errno;
        if (made)
            lstat(destination.c_str(), made);
        timespec const times[2] = {{0, UTIME_OMIT}, status.st_mtim};
        utimensat(AT_FDCWD, destination.c_str(), times, AT_SYMLINK_NOFOLLOW);
        return 0;
    }
    if (!S_ISDIR(status.st_mode))
        return ENOTSUP;
    if (mkdir(destination.c_str(), S_IRWXU) != 0)
        return errno;
    if (made)
        lstat(destination.c_str(), made);
    DIR* const folder = opendir(source.c_str());
    if (!folder)
        return errno;
    int result = 0;
    errno = 0;
    while (dirent const* entry = readdir(folder))
    {
        if (IsDotName(entry->d_name))
            continue;
        std::string const from = source + "/" + entry->d_name;
        struct stat entryStatus;
        result = StatusOf(from, entryStatus)
                     ? CopyItem(from, destination + "/" + entry->d_name, entryStatus, nullptr)
                     : errno;
        if (result != 0)
            break;
        errno = 0;
    }
    if (result == 0 && errno != 0)
        result = errno;
    closedir(folder);
    if (result != 0)
        return result;
    // The folder's own attributes come last: a locked folder would refuse its entries.
    CopyAttributes(source, destination);
    timespec const times[2] = {{0, UTIME_OMIT}, status.st_mtim};
    if (chmod(destination.c_str(), status.st_mode & 07777) != 0 ||
        utimensat(AT_FDCWD, destination.c_str(), times, 0) != 0)
        return errno;
    return 0;
}

int RemoveEntryAt(int folder, char const* name, std::string const& path, bool checkLocks);

// Removes what the folder open at folder holds (path names it), by name relative to it: a link that
// another process puts in place of a folder of the tree meanwhile is removed as a link, and what it
// leads to stays, as the system's own removal does. 0 or the errno of the first failure.
int RemoveContentAt(int folder, std::string const& path, bool checkLocks)
{
    int const listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* const entries = listing < 0 ? nullptr : fdopendir(listing);
    if (!entries)
    {
        int const error = errno;
        if (listing >= 0)
            close(listing);
        return error;
    }
    std::vector<std::string> names;
    errno = 0;
    while (dirent const* entry = readdir(entries))
    {
        if (!IsDotName(entry->d_name))
            names.push_back(entry->d_name);
        errno = 0;
    }
    int const listed = errno;
    closedir(entries);
    if (listed != 0)
        return listed;
    for (std::string const& name : names)
    {
        if (int const result = RemoveEntryAt(folder, name.c_str(), path + "/" + name, checkLocks))
            return result;
    }
    return 0;
}

int RemoveEntryAt(int folder, char const* name, std::string const& path, bool checkLocks)
{
    struct stat status;
    if (fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : errno;
    if (checkLocks && IsLocked(path))
        return EPERM;
    if (!S_ISDIR(status.st_mode))
        return unlinkat(folder, name, 0) == 0 || errno == ENOENT ? 0 : errno;
    int const inner = openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (inner < 0)
        return errno;
    int const result = RemoveContentAt(inner, path, checkLocks);
    close(inner);
    if (result != 0)
        return result;
    return unlinkat(folder, name, AT_REMOVEDIR) == 0 || errno == ENOENT ? 0 : errno;
}

// Removes the item (whose status is given) and all it holds, links not followed; locked items (and
// locked folders' entries) are refused unless checkLocks is false. 0 or the errno of the first failure.
int RemoveTree(std::string const& path, struct stat const& status, bool checkLocks)
{
    if (checkLocks && IsLocked(path))
        return EPERM;
    if (!S_ISDIR(status.st_mode))
        return unlink(path.c_str()) == 0 ? 0 : errno;
    // The folder itself, not a link put in its place since its status was taken.
    int const folder = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0)
        return errno;
    struct stat opened;
    if (fstat(folder, &opened) != 0 || !IsSameItem(opened, status))
    {
        close(folder);
        return ENOTDIR;
    }
    int const result = RemoveContentAt(folder, path, checkLocks);
    close(folder);
    if (result != 0)
        return result;
    return rmdir(path.c_str()) == 0 ? 0 : errno;
}

// Copies the item to destination, which must be free. A copy that fails halfway leaves nothing
// behind: what it made goes, and only that. An item that another process put at destination, or
// that destination reaches through a folder on its way swapped for a link, stays.
int CopyItemWhole(std::string const& source, std::string const& destination, struct stat const& status)
{
    struct stat made {};
    int const result = CopyItem(source, destination, status, &made);
    struct stat now;
    if (result != 0 && made.st_ino != 0 && StatusOf(destination, now) && IsSameItem(now, made))
        RemoveTree(destination, now, false);
    return result;
}

int RemoveTree(std::string const& path, bool checkLocks)
{
    struct stat status;
    if (!StatusOf(path, status))
        return errno;
    return RemoveTree(path, status, checkLocks && !IsSuperUser());
}

int MakeFolders(std::string const& path, mode_t mode)
{
    if (IsFolder(path))
        return 0;
    if (path != "/")
    {
        if (int const result = MakeFolders(FolderOf(path), mode))
            return result;
    }
    if (ChangeRefused(FolderOf(path)))
        return EPERM;
    if (mkdir(path.c_str(), mode) == 0 || (errno == EEXIST && IsFolder(path)))
        return 0;
    return errno;
}

// A name in the folder that nothing has: the leaf, else "<name> <n><.extension>".
std::string FreeName(std::string const& folder, std::string const& leaf, bool isFolder, int number)
{
    if (number < 2)
        return folder + "/" + leaf;
    std::size_t const dot = isFolder ? std::string::npos : leaf.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return folder + "/" + leaf + " " + std::to_string(number);
    return folder + "/" + leaf.substr(0, dot) + " " + std::to_string(number) + leaf.substr(dot);
}

bool Move(std::string const& source, std::string const& destination, NSError** error)
{
    if (source.empty() || destination.empty())
        return Fail(error, MakeError(NSFileWriteUnknownError, "No path was given."));
    if (!Exists(source))
        return Fail(error, FileError(Operation::cMove, errno, source, destination));
    if (ChangeRefused(source) || ChangeRefused(FolderOf(source)) || ChangeRefused(FolderOf(destination)))
        return Fail(error, FileError(Operation::cMove, EPERM, source, destination));
    if (int const result = RenameNoReplace(source, destination))
    {
        if (result == ENOENT && !IsFolder(FolderOf(destination)))
            return Fail(error, MissingFolder(FolderOf(destination)));
        return Fail(error, FileError(Operation::cMove, result, source, destination));
    }
    return true;
}

CFArrayRef MakeArray(std::vector<CFTypeRef> const& values)
{
    return Autoreleased(CFArrayCreate(kCFAllocatorDefault, const_cast<void const**>(values.data()),
                                      static_cast<CFIndex>(values.size()), &kCFTypeArrayCallBacks));
}

NSNumber const* NumberFor(NSDictionary* attributes, CFStringRef key)
{
    return As<NSNumber>(attributes->objectForKey(key));
}
} // namespace

NSFileManager* NSFileManager::defaultManager()
{
    static NSFileManager manager;
    return &manager;
}

CFStringRef NSFileManager::currentDirectoryPath()
{
    std::vector<char> folder(1024);
    while (!getcwd(folder.data(), folder.size()))
    {
        if (errno != ERANGE)
            return nullptr;
        folder.resize(folder.size() * 2);
    }
    return MakeString(folder.data());
}

bool NSFileManager::fileExistsAtPath(CFStringRef path)
{
    std::string const file = PathOf(path);
    struct stat status;
    return !file.empty() && stat(file.c_str(), &status) == 0;
}

bool NSFileManager::fileExistsAtPath(CFStringRef path, bool* isDirectory)
{
    std::string const file = PathOf(path);
    struct stat status;
    if (file.empty() || stat(file.c_str(), &status) != 0)
        return false;
    if (isDirectory)
        *isDirectory = S_ISDIR(status.st_mode);
    return true;
}

bool NSFileManager::createFileAtPath(CFStringRef path, CFDataRef contents, NSDictionary* attributes)
{
    std::string const file = PathOf(path);
    if (file.empty() || file == "/" || ChangeRefused(FolderOf(file)) || ChangeRefused(file))
        return false;
    static std::atomic<unsigned> sCounter{0};
    std::string temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt)
    {
        temporary = FolderOf(file) + "/." + LeafOf(file) + "." + std::to_string(getpid()) + "." +
                    std::to_string(sCounter.fetch_add(1));
        descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST)
            return false;
    }
    if (descriptor < 0)
        return false;
    bool written = true;
    if (contents)
    {
        UInt8 const* bytes = CFDataGetBytePtr(contents);
        std::size_t left = static_cast<std::size_t>(CFDataGetLength(contents));
        while (written && left > 0)
        {
            ssize_t const step = write(descriptor, bytes, left);
            if (step < 0 && errno == EINTR)
                continue;
            written = step > 0;
            if (written)
            {
                bytes += step;
                left -= static_cast<std::size_t>(step);
            }
        }
    }
    written = close(descriptor) == 0 && written;
    if (!written || rename(temporary.c_str(), file.c_str()) != 0)
    {
        unlink(temporary.c_str());
        return false;
    }
    return !attributes || setAttributes(attributes, path, nullptr);
}

bool NSFileManager::createDirectoryAtURL(NSURL* url, bool createIntermediates, NSDictionary* attributes,
                                         NSError** error)
{
    if (!url || !url->isFileURL())
        return Fail(error, MakeError(NSFileWriteUnknownError, "The URL is no file URL."));
    std::string const folder = url->fPath;
    if (createIntermediates)
    {
        if (Exists(folder) && !IsFolder(folder))
            return Fail(error, FileError(Operation::cSave, EEXIST, folder));
        if (int const result = MakeFolders(folder, 0777))
            return Fail(error, FileError(Operation::cSave, result, folder));
    }
    else
    {
        if (ChangeRefused(FolderOf(folder)))
            return Fail(error, FileError(Operation::cSave, EPERM, folder));
        if (mkdir(folder.c_str(), 0777) != 0)
        {
            if (errno == ENOENT)
                return Fail(error, MissingFolder(FolderOf(folder)));
            return Fail(error, FileError(Operation::cSave, errno, folder));
        }
    }
    return !attributes || setAttributes(attributes, MakeString(folder), error);
}

bool NSFileManager::createDirectoryAtPath(CFStringRef path, bool createIntermediates,
                                          NSDictionary* attributes, NSError** error)
{
    NSURL* const url = path ? NSURL::fileURLWithPath(path, true) : nullptr;
    if (!url)
        return Fail(error, MakeError(NSFileWriteUnknownError, "The path is empty."));
    return createDirectoryAtURL(url, createIntermediates, attributes, error);
}

bool NSFileManager::copyItemAtURL(NSURL* source, NSURL* destination, NSError** error)
{
    if (!source || !destination || !source->isFileURL() || !destination->isFileURL())
        return Fail(error, MakeError(NSFileWriteUnknownError, "The URL is no file URL."));
    std::string const from = source->fPath;
    std::string const to = destination->fPath;
    struct stat status;
    if (!StatusOf(from, status))
        return Fail(error, FileError(Operation::cRead, errno, from));
    if (Exists(to))
        return Fail(error, FileError(Operation::cCopy, EEXIST, from, to));
    if (ChangeRefused(FolderOf(to)))
        return Fail(error, IsFolder(FolderOf(to)) ? FileError(Operation::cCopy, EPERM, from, to)
                                                  : MissingFolder(FolderOf(to)));
    if (int const result = CopyItemWhole(from, to, status))
    {
        // The destination's folder is looked for only when the copy could not be made: making the
        // copy finds out too.
        if ((result == ENOENT || result == ENOTDIR) && !IsFolder(FolderOf(to)))
            return Fail(error, MissingFolder(FolderOf(to)));
        return Fail(error, FileError(Operation::cCopy, result, from, to));
    }
    return true;
}

bool NSFileManager::moveItemAtPath(CFStringRef source, CFStringRef destination, NSError** error)
{
    return Move(PathOf(source), PathOf(destination), error);
}

bool NSFileManager::moveItemAtURL(NSURL* source, NSURL* destination, NSError** error)
{
    if (!source || !destination || !source->isFileURL() || !destination->isFileURL())
        return Fail(error, MakeError(NSFileWriteUnknownError, "The URL is no file URL."));
    return Move(source->fPath, destination->fPath, error);
}

bool NSFileManager::removeItemAtPath(CFStringRef path, NSError** error)
{
    std::string const item = PathOf(path);
    if (item.empty())
        return Fail(error, MakeError(NSFileWriteUnknownError, "No path was given."));
    bool const checkLocks = !IsSuperUser();
    if (!checkLocks)
    {
        // With no locks to heed, a file goes in one step, which also tells whether anything is there.
        if (unlink(item.c_str()) == 0)
            return true;
        if (errno != EISDIR && errno != EPERM)
            return Fail(error, FileError(Operation::cRemove, errno, item));
    }
    struct stat status;
    if (!StatusOf(item, status))
        return Fail(error, FileError(Operation::cRemove, errno, item));
    if (checkLocks && IsLocked(FolderOf(item)))
        return Fail(error, FileError(Operation::cRemove, EPERM, item));
    if (int const result = RemoveTree(item, status, checkLocks))
        return Fail(error, FileError(Operation::cRemove, result, item));
    return true;
}

bool NSFileManager::trashItemAtURL(NSURL* url, NSURL** resultingURL, NSError** error)
{
    if (!url || !url->isFileURL())
        return Fail(error, MakeError(NSFileWriteUnknownError, "The URL is no file URL."));
    std::string const item = url->fPath;
    std::string const trash = AbsolutePath(HomeDirectory() + "/.Trash");
    if (!Exists(item))
        return Fail(error, FileError(Operation::cMove, errno, item, trash + "/"));
    if (ChangeRefused(item) || ChangeRefused(FolderOf(item)))
        return Fail(error, FileError(Operation::cMove, EPERM, item, trash + "/"));
    if (int const result = MakeFolders(trash, S_IRWXU))
        return Fail(error, FileError(Operation::cSave, result, trash));
    bool const isFolder = IsFolder(item);
    for (int number = 1; number <= cMaximumTrashNames; ++number)
    {
        std::string const destination = FreeName(trash, LeafOf(item), isFolder, number);
        int result = RenameNoReplace(item, destination);
        if (result == EEXIST || result == ENOTEMPTY)
            continue;
        struct stat status;
        if (result == EXDEV && !Exists(destination))
        {
            // The trash is on another volume: the item is copied there and removed here.
            result = StatusOf(item, status) ? CopyItemWhole(item, destination, status) : errno;
            if (result == 0)
                result = RemoveTree(item, true);
        }
        if (result != 0)
            return Fail(error, FileError(Operation::cMove, result, item, trash + "/"));
        if (resultingURL)
            *resultingURL = NSURL::MakeFileURL(destination, isFolder);
        return true;
    }
    return Fail(error, FileError(Operation::cMove, EEXIST, item, trash + "/"));
}

bool NSFileManager::replaceItemAtURL(NSURL* original, NSURL* replacement, CFStringRef backupItemName,
                                     NSFileManagerItemReplacementOptions options, NSURL** resultingURL,
                                     NSError** error)
{
    if (!original || !replacement || !original->isFileURL() || !replacement->isFileURL())
        return Fail(error, MakeError(NSFileWriteUnknownError, "The URL is no file URL."));
    std::string const item = original->fPath;
    std::string const with = replacement->fPath;
    struct stat replacementStatus;
    if (!StatusOf(with, replacementStatus))
        return Fail(error, FileError(Operation::cRead, errno, with));
    if (ChangeRefused(FolderOf(item)) || ChangeRefused(FolderOf(with)) || ChangeRefused(with))
        return Fail(error, FileError(Operation::cSave, EPERM, item));
    struct stat status;
    bool const exists = StatusOf(item, status);
    if (exists && ChangeRefused(item))
        return Fail(error, FileError(Operation::cSave, EPERM, item));

    if (exists && !(options & NSFileManagerItemReplacementUsingNewMetadataOnly))
    {
        CopyAttributes(item, with);
        if (!S_ISLNK(status.st_mode) && !S_ISLNK(replacementStatus.st_mode))
            chmod(with.c_str(), status.st_mode & 07777);
    }
    std::string backup;
    if (exists && backupItemName && CFStringGetLength(backupItemName) > 0)
        backup = FolderOf(item) + "/" + LeafOf(CFStringStandInGetUTF8(backupItemName));
    else if (exists && S_ISDIR(status.st_mode))
        // A folder cannot be renamed over another that holds something: the old one steps aside first.
        backup = FolderOf(item) + "/." + LeafOf(item) + ".replaced." + std::to_string(getpid());

    if (backup.empty())
    {
        if (rename(with.c_str(), item.c_str()) != 0)
            return Fail(error, FileError(Operation::cSave, errno, item));
    }
    else
    {
        if (Exists(backup))
            RemoveTree(backup, false);
        if (rename(item.c_str(), backup.c_str()) != 0)
            return Fail(error, FileError(Operation::cSave, errno, item));
        if (rename(with.c_str(), item.c_str()) != 0)
        {
            int const failure = errno;
            rename(backup.c_str(), item.c_str());
            return Fail(error, FileError(Operation::cSave, failure, item));
        }
        bool const keep = backupItemName && (options & NSFileManagerItemReplacementWithoutDeletingBackupItem);
        if (!keep)
            RemoveTree(backup, false);
    }
    if (resultingURL)
        *resultingURL = NSURL::MakeFileURL(item, IsFolder(item));
    return true;
}

NSDictionary* NSFileManager::attributesOfItemAtPath(CFStringRef path, NSError** error)
{
    std::string const item = PathOf(path);
    struct stat status;
    if (item.empty() || !StatusOf(item, status))
    {
        Fail(error, FileError(Operation::cRead, item.empty() ? ENOENT : errno, item));
        return nullptr;
    }
    unsigned const present = AttributesPresent(item);
    FinderInfo const info = (present & cHasFinderInfo) ? ReadFinderInfo(item) : FinderInfo();
    CFStringRef const type = S_ISREG(status.st_mode)   ? NSFileTypeRegular
                             : S_ISDIR(status.st_mode) ? NSFileTypeDirectory
                             : S_ISLNK(status.st_mode) ? NSFileTypeSymbolicLink
                                                       : NSFileTypeUnknown;
    CFStringRef const keys[] = {NSFileType,
                                NSFileSize,
                                NSFileModificationDate,
                                NSFileCreationDate,
                                NSFilePosixPermissions,
                                NSFileOwnerAccountID,
                                NSFileGroupOwnerAccountID,
                                NSFileHFSCreatorCode,
                                NSFileHFSTypeCode,
                                NSFileImmutable,
                                NSFileSystemNumber,
                                NSFileSystemFileNumber};
    CFTypeRef const values[] = {
        type,
        NSNumber::numberWithLongLong(status.st_size),
        NSDate::dateWithTimeIntervalSince1970(ModificationDateOf(status)),
        NSDate::dateWithTimeIntervalSince1970(CreationDateOf(item, status, present & cHasCreationDate)),
        NSNumber::numberWithInt(static_cast<int>(status.st_mode & 07777)),
        NSNumber::numberWithUnsignedInt(status.st_uid),
        NSNumber::numberWithUnsignedInt(status.st_gid),
        NSNumber::numberWithUnsignedInt(info.Creator()),
        NSNumber::numberWithUnsignedInt(info.Type()),
        NSNumber::numberWithBool(present & cHasLock),
        NSNumber::numberWithLongLong(static_cast<long long>(status.st_dev)),
        NSNumber::numberWithLongLong(static_cast<long long>(status.st_ino))};
    return NSDictionary::dictionaryWithObjects(values, keys, sizeof keys / sizeof keys[0]);
}

bool NSFileManager::setAttributes(NSDictionary* attributes, CFStringRef path, NSError** error)
{
    std::string const item = PathOf(path);
    struct stat status;
    if (item.empty() || !StatusOf(item, status))
        return Fail(error, FileError(Operation::cSave, ENOENT, item));
    if (!attributes)
        return true;
    NSNumber const* const locked = NumberFor(attributes, NSFileImmutable);
    if (locked && !locked->boolValue())
    {
        if (int const result = SetLocked(item, false))
            return Fail(error, FileError(Operation::cSave, result, item));
    }

    NSNumber const* const permissions = NumberFor(attributes, NSFilePosixPermissions);
    NSNumber const* const owner = NumberFor(attributes, NSFileOwnerAccountID);
    NSNumber const* const group = NumberFor(attributes, NSFileGroupOwnerAccountID);
    NSDate const* const modified = As<NSDate>(attributes->objectForKey(NSFileModificationDate));
    NSDate const* const created = As<NSDate>(attributes->objectForKey(NSFileCreationDate));
    NSNumber const* const creator = NumberFor(attributes, NSFileHFSCreatorCode);
    NSNumber const* const type = NumberFor(attributes, NSFileHFSTypeCode);
    bool const changes = permissions || owner || group || modified || created || creator || type;
    if (changes && ChangeRefused(item))
        return Fail(error, FileError(Operation::cSave, EPERM, item));

    int result = 0;
    // Linux keeps no permissions of a symbolic link's own.
    if (permissions && !S_ISLNK(status.st_mode) &&
        chmod(item.c_str(), static_cast<mode_t>(permissions->longLongValue() & 07777)) != 0)
        result = errno;
    if (result == 0 && (owner || group) &&
        fchownat(AT_FDCWD, item.c_str(),
                 owner ? static_cast<uid_t>(owner->longLongValue()) : static_cast<uid_t>(-1),
                 group ? static_cast<gid_t>(group->longLongValue()) : static_cast<gid_t>(-1),
                 AT_SYMLINK_NOFOLLOW) != 0)
        result = errno;
    if (result == 0 && modified)
        result = SetModificationDate(item, modified->timeIntervalSince1970());
    if (result == 0 && created)
        result = SetCreationDate(item, created->timeIntervalSince1970());
    if (result == 0 && (creator || type))
    {
        FinderInfo info = ReadFinderInfo(item);
        if (creator)
            info.SetCreator(creator->unsignedIntValue());
        if (type)
            info.SetType(type->unsignedIntValue());
        result = WriteFinderInfo(item, info);
    }
    if (result == 0 && locked && locked->boolValue())
        result = SetLocked(item, true);
    return result == 0 || Fail(error, FileError(Operation::cSave, result, item));
}

CFArrayRef NSFileManager::contentsOfDirectoryAtURL(NSURL* url, CFArrayRef,
                                                   NSDirectoryEnumerationOptions options, NSError** error)
{
    if (!url || !url->isFileURL())
    {
        Fail(error, MakeError(NSFileReadUnknownError, "The URL is no file URL."));
        return nullptr;
    }
    std::string const path = url->fPath;
    DIR* const folder = opendir(path.c_str());
    if (!folder)
    {
        // A file is no folder to list; Foundation says it cannot be opened.
        Fail(error, FileError(Operation::cRead, errno == ENOTDIR ? EINVAL : errno, path));
        return nullptr;
    }
    std::vector<CFTypeRef> entries;
    std::string const prefix = path == "/" ? std::string() : path;
    errno = 0;
    while (dirent const* entry = readdir(folder))
    {
        if (IsDotName(entry->d_name))
            continue;
        std::string const item = prefix + "/" + entry->d_name;
        if ((options & NSDirectoryEnumerationSkipsHiddenFiles) &&
            (entry->d_name[0] == '.' || (ReadFinderInfo(item).Flags() & cFinderFlagIsInvisible)))
            continue;
        // The entry's kind comes with the listing, as the platform prefetches the values asked for.
        entries.push_back(NSURL::MakeListedFileURL(item, entry->d_type));
        errno = 0;
    }
    int const listed = errno;
    closedir(folder);
    if (listed != 0)
    {
        Fail(error, FileError(Operation::cRead, listed, path));
        return nullptr;
    }
    return MakeArray(entries);
}

CFArrayRef NSFileManager::mountedVolumeURLsIncludingResourceValuesForKeys(CFArrayRef,
                                                                          NSVolumeEnumerationOptions options)
{
    std::vector<CFTypeRef> urls;
    for (Volume const& volume : MountedVolumes())
    {
        if (volume.fHidden && (options & NSVolumeEnumerationSkipHiddenVolumes))
            continue;
        urls.push_back(NSURL::MakeFileURL(volume.fMountPath, true));
    }
    return MakeArray(urls);
}

NSURL* NSFileManager::URLForDirectory(NSSearchPathDirectory directory, NSSearchPathDomainMask domain, NSURL*,
                                      bool create, NSError** error)
{
    bool const user = domain == NSUserDomainMask;
    if (!user && domain != NSLocalDomainMask)
    {
        Fail(error, MakeError(NSFileReadUnknownError, "The domain holds no such folder."));
        return nullptr;
    }
    std::string const root = user ? HomeDirectory() : LocalDomainRoot();
    std::string relative;
    switch (directory)
    {
    case NSApplicationDirectory:
        relative = "Applications";
        break;
    case NSAdminApplicationDirectory:
        relative = "Applications/Utilities";
        break;
    case NSLibraryDirectory:
        relative = "Library";
        break;
    case NSApplicationSupportDirectory:
        relative = "Library/Application Support";
        break;
    case NSDocumentDirectory:
        relative = user ? "Documents" : "";
        break;
    case NSDesktopDirectory:
        relative = user ? "Desktop" : "";
        break;
    case NSTrashDirectory:
        relative = user ? ".Trash" : "";
        break;
    default:
        break;
    }
    if (relative.empty())
    {
        Fail(error, MakeError(NSFileNoSuchFileError, "The domain holds no such folder."));
        return nullptr;
    }
    std::string const folder = AbsolutePath(root + "/" + relative);
    if (create)
    {
        if (int const result = MakeFolders(folder, directory == NSTrashDirectory ? S_IRWXU : 0755))
        {
            Fail(error, FileError(Operation::cSave, result, folder));
            return nullptr;
        }
    }
    return NSURL::MakeFileURL(folder, true);
}
