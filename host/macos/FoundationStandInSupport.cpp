// The Foundation stand-in's shared helpers: paths, extended attributes, dates, errors, volumes and roots.
#include "FoundationStandInSupport.h"

#include "VolumesStandIn.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <pthread.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace foundationstandin
{
namespace
{
char const cFinderInfoAttribute[] = "user.macos.finderinfo";
char const cLockedAttribute[] = "user.macos.locked";
char const cCustomIconAttribute[] = "user.macos.customicon";
char const cCreationDateAttribute[] = "user.macos.creationdate";
char const cUserNamespace[] = "user.";

char const cOpenQuote[] = "\xE2\x80\x9C";
char const cCloseQuote[] = "\xE2\x80\x9D";
char const cApostrophe[] = "\xE2\x80\x99";

char const cDefaultMountTable[] = "/proc/self/mountinfo";

// File systems of the system's own that are no volumes a user sees.
char const* const cHiddenFileSystems[] = {
    "proc",    "sysfs",       "cgroup",   "cgroup2",    "devpts",   "mqueue",   "debugfs",
    "tracefs", "securityfs",  "pstore",   "bpf",        "configfs", "fusectl",  "hugetlbfs",
    "autofs",  "binfmt_misc", "devtmpfs", "rpc_pipefs", "nsfs",     "efivarfs", "selinuxfs"};
char const* const cNetworkFileSystems[] = {
    "nfs",       "nfs4",       "cifs",           "smb3",  "smbfs",       "ncpfs", "afs",       "ceph",
    "glusterfs", "fuse.sshfs", "fuse.glusterfs", "davfs", "fuse.davfs2", "afpfs", "fuse.afpfs"};

std::mutex sRootsMutex;
std::string sHomeDirectory;
std::string sLocalDomainRoot;
std::string sTemporaryDirectory;
std::string sMountTable;

template<std::size_t N>
bool IsOneOf(std::string const& name, char const* const (&names)[N])
{
    for (char const* candidate : names)
    {
        if (name == candidate)
            return true;
    }
    return false;
}

std::string Quoted(std::string const& name)
{
    return cOpenQuote + name + cCloseQuote;
}

// The attribute's bytes; false when the item has none or cannot keep any.
bool ReadAttribute(std::string const& path, char const* name, std::string& value)
{
    for (;;)
    {
        ssize_t const size = lgetxattr(path.c_str(), name, nullptr, 0);
        if (size < 0)
            return false;
        value.assign(static_cast<std::size_t>(size), '\0');
        ssize_t const read = lgetxattr(path.c_str(), name, size > 0 ? &value[0] : nullptr, value.size());
        if (read >= 0)
        {
            value.resize(static_cast<std::size_t>(read));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
}

// Only plain files and folders keep attributes of the user namespace on Linux.
bool CanKeepAttributes(std::string const& path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0 && (S_ISREG(status.st_mode) || S_ISDIR(status.st_mode));
}

// Runs change on the item's attributes. Linux asks for write permission where the platform lets the
// owner change the Finder information and flags of a read-only item, so the owner gets it for the
// moment of the change. An item that cannot keep attributes takes nothing and reports no error; that
// is found out only when the change fails, since it mostly does not. 0 or the errno.
template<class Change>
int ChangeAttributes(std::string const& path, Change change)
{
    if (change() == 0)
        return 0;
    int error = errno;
    struct stat status;
    if (lstat(path.c_str(), &status) != 0)
        return ENOENT;
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))
        return 0;
    if (error == EACCES && status.st_uid == geteuid() && !(status.st_mode & S_IWUSR) &&
        chmod(path.c_str(), (status.st_mode & 07777) | S_IWUSR) == 0)
    {
        error = change() == 0 ? 0 : errno;
        chmod(path.c_str(), status.st_mode & 07777);
    }
    return error;
}

int WriteAttribute(std::string const& path, char const* name, std::string const& value)
{
    int const result =
        ChangeAttributes(path, [&] { return lsetxattr(path.c_str(), name, value.data(), value.size(), 0); });
    return result == ENOTSUP ? 0 : result;
}

int RemoveAttribute(std::string const& path, char const* name)
{
    int const result = ChangeAttributes(path, [&] { return lremovexattr(path.c_str(), name); });
    return result == ENODATA || result == ENOTSUP ? 0 : result;
}

std::vector<std::string> UserAttributeNames(std::string const& list)
{
    std::vector<std::string> names;
    for (std::size_t start = 0; start < list.size();)
    {
        std::size_t const end = list.find('\0', start);
        std::string const name =
            list.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (name.compare(0, sizeof cUserNamespace - 1, cUserNamespace) == 0)
            names.push_back(name);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return names;
}

std::string SecondsText(double seconds)
{
    double const whole = std::floor(seconds);
    long long const nanoseconds = std::llround((seconds - whole) * 1e9);
    char text[64];
    std::snprintf(text, sizeof text, "%lld.%09lld", static_cast<long long>(whole) + nanoseconds / 1000000000,
                  nanoseconds % 1000000000);
    return text;
}

bool ReadSecondsText(std::string const& text, double& seconds)
{
    long long whole = 0;
    long long nanoseconds = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%lld.%9lld%n", &whole, &nanoseconds, &consumed) != 2 ||
        static_cast<std::size_t>(consumed) != text.size() || nanoseconds < 0)
        return false;
    seconds = static_cast<double>(whole) + static_cast<double>(nanoseconds) / 1e9;
    return true;
}

timespec TimeOf(double seconds)
{
    double const whole = std::floor(seconds);
    timespec time;
    time.tv_sec = static_cast<time_t>(whole);
    time.tv_nsec = static_cast<long>(std::llround((seconds - whole) * 1e9));
    if (time.tv_nsec >= 1000000000)
    {
        ++time.tv_sec;
        time.tv_nsec -= 1000000000;
    }
    return time;
}

bool IsOctal(char c)
{
    return c >= '0' && c <= '7';
}

// Mount tables write space, tab, newline and backslash as octal escapes.
std::string Unescaped(std::string const& text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\\' && i + 3 < text.size() && IsOctal(text[i + 1]) && IsOctal(text[i + 2]) &&
            IsOctal(text[i + 3]))
        {
            plain += static_cast<char>(std::strtol(text.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        }
        else
        {
            plain += text[i];
        }
    }
    return plain;
}

std::vector<std::string> Fields(std::string const& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start < line.size())
    {
        std::size_t const end = line.find(' ', start);
        if (end != start)
            fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return fields;
}

bool HasOption(std::string const& options, char const* option)
{
    std::size_t start = 0;
    for (;;)
    {
        std::size_t const end = options.find(',', start);
        if (options.compare(start, end == std::string::npos ? std::string::npos : end - start, option) == 0)
            return true;
        if (end == std::string::npos)
            return false;
        start = end + 1;
    }
}

std::string ReadFirstLine(std::string const& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// A block device that the system marks removable, or one on USB.
bool IsRemovableDevice(std::string const& device)
{
    std::string const node = "/sys/dev/block/" + device;
    char* const real = realpath(node.c_str(), nullptr);
    if (!real)
        return false;
    std::string const path = real;
    std::free(real);
    if (path.find("/usb") != std::string::npos)
        return true;
    // A partition's own folder has no "removable"; its disk's has.
    return ReadFirstLine(path + "/removable") == "1" || ReadFirstLine(path + "/../removable") == "1";
}

Volume VolumeFromLine(std::string const& line, bool& valid)
{
    Volume volume;
    valid = false;
    std::vector<std::string> const fields = Fields(line);
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    if (fields.size() < 6 || separator + 2 >= fields.size())
        return volume;
    volume.fMountPath = Unescaped(fields[4]);
    if (volume.fMountPath.empty() || volume.fMountPath[0] != '/')
        return volume;
    volume.fType = fields[separator + 1];
    volume.fSource = Unescaped(fields[separator + 2]);
    std::string const superOptions = separator + 3 < fields.size() ? fields[separator + 3] : std::string();
    volume.fHidden = IsOneOf(volume.fType, cHiddenFileSystems);
    volume.fLocal = !IsOneOf(volume.fType, cNetworkFileSystems);
    volume.fRemovable = volume.fLocal && fields[2].compare(0, 2, "0:") != 0 && IsRemovableDevice(fields[2]);
    volume.fInternal = volume.fLocal && !volume.fRemovable;
    volume.fReadOnly = HasOption(fields[5], "ro") || HasOption(superOptions, "ro");
    struct statvfs system;
    if (statvfs(volume.fMountPath.c_str(), &system) == 0 && (system.f_flag & ST_RDONLY))
        volume.fReadOnly = true;
    valid = true;
    return volume;
}

bool Holds(std::string const& mountPath, std::string const& location)
{
    if (mountPath == "/")
        return !location.empty() && location[0] == '/';
    return location.compare(0, mountPath.size(), mountPath) == 0 &&
           (location.size() == mountPath.size() || location[mountPath.size()] == '/');
}

// The mounted file systems of the table, a later mount on a path in place of the earlier one.
std::vector<Volume> TableVolumes()
{
    std::string table;
    {
        std::lock_guard<std::mutex> lock(sRootsMutex);
        table = sMountTable.empty() ? cDefaultMountTable : sMountTable;
    }
    std::vector<Volume> volumes;
    std::ifstream file(table);
    std::string line;
    while (std::getline(file, line))
    {
        bool valid = false;
        Volume const volume = VolumeFromLine(line, valid);
        if (!valid)
            continue;
        bool replaced = false;
        for (Volume& known : volumes)
        {
            if (known.fMountPath == volume.fMountPath)
            {
                known = volume;
                replaced = true;
            }
        }
        if (!replaced)
            volumes.push_back(volume);
    }
    return volumes;
}

bool LongestHolder(std::vector<Volume> const& volumes, std::string const& location, Volume& holder)
{
    std::size_t best = 0;
    bool found = false;
    for (Volume const& volume : volumes)
    {
        if (Holds(volume.fMountPath, location) && (!found || volume.fMountPath.size() > best))
        {
            holder = volume;
            best = volume.fMountPath.size();
            found = true;
        }
    }
    return found;
}
} // namespace

CFStringRef MakeString(std::string const& text)
{
    return Autoreleased(
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(text.data()),
                                static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false));
}

namespace
{
// Absolute, without empty or "." steps and without a trailing "/": the form AbsolutePath gives.
bool IsAbsoluteForm(std::string const& path)
{
    char const* const begin = path.data();
    std::size_t const length = path.size();
    if (length == 0 || begin[0] != '/')
        return false;
    if (length == 1)
        return true;
    if (begin[length - 1] == '/')
        return false;
    char const* const end = begin + length;
    for (char const* slash = begin; slash < end;)
    {
        char const* next =
            static_cast<char const*>(std::memchr(slash + 1, '/', static_cast<std::size_t>(end - slash - 1)));
        if (!next)
            next = end;
        std::size_t const size = static_cast<std::size_t>(next - slash - 1);
        if (size == 0 || (size == 1 && slash[1] == '.'))
            return false;
        slash = next;
    }
    return true;
}
} // namespace

std::string AbsolutePath(std::string const& path)
{
    if (path.find('\0') != std::string::npos)
        return std::string();
    if (IsAbsoluteForm(path))
        return path;
    std::string full = path;
    if (full.empty() || full[0] != '/')
    {
        std::vector<char> folder(1024);
        while (!getcwd(folder.data(), folder.size()))
        {
            if (errno != ERANGE)
                return std::string();
            folder.resize(folder.size() * 2);
        }
        full = std::string(folder.data()) + "/" + full;
    }
    std::string normal;
    normal.reserve(full.size());
    std::size_t start = 0;
    while (start <= full.size())
    {
        std::size_t end = full.find('/', start);
        if (end == std::string::npos)
            end = full.size();
        std::size_t const length = end - start;
        if (length != 0 && !(length == 1 && full[start] == '.'))
        {
            normal += '/';
            normal.append(full, start, length);
        }
        start = end + 1;
    }
    return normal.empty() ? "/" : normal;
}

std::string LeafOf(std::string const& path)
{
    std::size_t const slash = path.rfind('/');
    if (slash == std::string::npos)
        return path;
    return path.size() == 1 ? path : path.substr(slash + 1);
}

std::string FolderOf(std::string const& path)
{
    std::size_t const slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string LocationOf(std::string const& path)
{
    if (path == "/")
        return path;
    std::string folder = FolderOf(path);
    if (char* const real = realpath(folder.c_str(), nullptr))
    {
        folder = real;
        std::free(real);
    }
    return (folder == "/" ? "" : folder) + "/" + LeafOf(path);
}

bool StatusOf(std::string const& path, struct stat& status)
{
    return lstat(path.c_str(), &status) == 0;
}

bool Exists(std::string const& path)
{
    struct stat status;
    return StatusOf(path, status);
}

// Nearly every change asks whether the process is the superuser, and asking the system costs as
// much as looking at a file. The answer is kept: only the process itself can change its user, which
// this system does in a child right after it forks, where the kept answer is dropped.
namespace
{
std::atomic<int> sSuperUser{-1};

void ForgetUserInChild()
{
    sSuperUser.store(-1, std::memory_order_relaxed);
}
} // namespace

bool IsSuperUser()
{
    int known = sSuperUser.load(std::memory_order_relaxed);
    if (known < 0)
    {
        static int const sRegistered = pthread_atfork(nullptr, nullptr, &ForgetUserInChild);
        (void)sRegistered;
        known = geteuid() == 0 ? 1 : 0;
        sSuperUser.store(known, std::memory_order_relaxed);
    }
    return known == 1;
}

FinderInfo ReadFinderInfo(std::string const& path)
{
    FinderInfo info;
    std::string bytes;
    if (ReadAttribute(path, cFinderInfoAttribute, bytes) && bytes.size() == sizeof info.fBytes)
        std::memcpy(info.fBytes, bytes.data(), sizeof info.fBytes);
    return info;
}

unsigned AttributesPresent(std::string const& path)
{
    char names[1024];
    std::string longer;
    char const* list = names;
    ssize_t size = llistxattr(path.c_str(), names, sizeof names);
    while (size < 0 && errno == ERANGE)
    {
        size = llistxattr(path.c_str(), nullptr, 0);
        if (size < 0)
            break;
        longer.assign(static_cast<std::size_t>(size) + 1, '\0');
        size = llistxattr(path.c_str(), &longer[0], longer.size());
        list = longer.data();
    }
    unsigned present = 0;
    for (ssize_t at = 0; at < size;)
    {
        char const* const name = list + at;
        std::size_t const length = strnlen(name, static_cast<std::size_t>(size - at));
        if (std::strcmp(name, cFinderInfoAttribute) == 0)
            present |= cHasFinderInfo;
        else if (std::strcmp(name, cLockedAttribute) == 0)
            present |= cHasLock;
        else if (std::strcmp(name, cCustomIconAttribute) == 0)
            present |= cHasCustomIcon;
        else if (std::strcmp(name, cCreationDateAttribute) == 0)
            present |= cHasCreationDate;
        at += static_cast<ssize_t>(length) + 1;
    }
    return present;
}

bool StoredCreationDate(std::string const& path, double& seconds)
{
    std::string text;
    return ReadAttribute(path, cCreationDateAttribute, text) && ReadSecondsText(text, seconds);
}

int WriteFinderInfo(std::string const& path, FinderInfo const& info)
{
    static FinderInfo const sEmpty;
    if (std::memcmp(info.fBytes, sEmpty.fBytes, sizeof info.fBytes) == 0)
        return RemoveAttribute(path, cFinderInfoAttribute);
    return WriteAttribute(path, cFinderInfoAttribute,
                          std::string(reinterpret_cast<char const*>(info.fBytes), sizeof info.fBytes));
}

bool IsLocked(std::string const& path)
{
    std::string value;
    return ReadAttribute(path, cLockedAttribute, value);
}

int SetLocked(std::string const& path, bool locked)
{
    return locked ? WriteAttribute(path, cLockedAttribute, "1") : RemoveAttribute(path, cLockedAttribute);
}

std::string ReadCustomIcon(std::string const& path)
{
    std::string icon;
    ReadAttribute(path, cCustomIconAttribute, icon);
    return icon;
}

int WriteCustomIcon(std::string const& path, std::string const& icon)
{
    int const result = icon.empty() ? RemoveAttribute(path, cCustomIconAttribute)
                                    : WriteAttribute(path, cCustomIconAttribute, icon);
    if (result != 0)
        return result;
    FinderInfo info = ReadFinderInfo(path);
    info.SetFlag(cFinderFlagHasCustomIcon, !icon.empty());
    return WriteFinderInfo(path, info);
}

bool ChangeRefused(std::string const& path)
{
    return !IsSuperUser() && IsLocked(path);
}

void CopyAttributes(int source, int destination)
{
    ssize_t const size = flistxattr(source, nullptr, 0);
    if (size <= 0)
        return;
    std::string list(static_cast<std::size_t>(size), '\0');
    ssize_t const listed = flistxattr(source, &list[0], list.size());
    if (listed <= 0)
        return;
    list.resize(static_cast<std::size_t>(listed));
    for (std::string const& name : UserAttributeNames(list))
    {
        ssize_t const length = fgetxattr(source, name.c_str(), nullptr, 0);
        if (length < 0)
            continue;
        std::string value(static_cast<std::size_t>(length), '\0');
        ssize_t const read = fgetxattr(source, name.c_str(), length > 0 ? &value[0] : nullptr, value.size());
        if (read < 0)
            continue;
        value.resize(static_cast<std::size_t>(read));
        // A file system that keeps none loses them, as a copy onto such a volume does.
        fsetxattr(destination, name.c_str(), value.data(), value.size(), 0);
    }
}

void CopyAttributes(std::string const& source, std::string const& destination)
{
    if (!CanKeepAttributes(source) || !CanKeepAttributes(destination))
        return;
    int const from = open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (from < 0)
        return;
    int const to = open(destination.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (to >= 0)
    {
        CopyAttributes(from, to);
        close(to);
    }
    close(from);
}

double CreationDateOf(std::string const& path, struct stat const& status, bool stored)
{
    double seconds = 0;
    if (stored && StoredCreationDate(path, seconds))
        return seconds;
    struct statx extended;
    if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &extended) == 0 &&
        (extended.stx_mask & STATX_BTIME))
        return static_cast<double>(extended.stx_btime.tv_sec) + extended.stx_btime.tv_nsec / 1e9;
    return ModificationDateOf(status);
}

double ModificationDateOf(struct stat const& status)
{
    return static_cast<double>(status.st_mtim.tv_sec) + status.st_mtim.tv_nsec / 1e9;
}

int SetCreationDate(std::string const& path, double seconds)
{
    return WriteAttribute(path, cCreationDateAttribute, SecondsText(seconds));
}

int SetModificationDate(std::string const& path, double seconds)
{
    timespec const times[2] = {{0, UTIME_OMIT}, TimeOf(seconds)};
    return utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

NSError* MakeError(NSInteger code, std::string const& description)
{
    CFStringRef const text = MakeString(description);
    CFStringRef const key = NSLocalizedDescriptionKey;
    CFTypeRef const value = text;
    NSDictionary* const info = text ? NSDictionary::dictionaryWithObjects(&value, &key, 1) : nullptr;
    return NSError::errorWithDomain(NSCocoaErrorDomain, code, info);
}

NSError* FileError(Operation operation, int error, std::string const& path, std::string const& destination)
{
    std::string const name = Quoted(LeafOf(path));
    std::string const target = Quoted(LeafOf(FolderOf(destination.empty() ? path : destination)));
    std::string const cannot = std::string(" couldn") + cApostrophe + "t ";
    std::string const noPermission = std::string(" because you don") + cApostrophe + "t have permission to ";
    switch (error)
    {
    case ENOENT:
    case ENOTDIR:
        if (operation == Operation::cRead)
            return MakeError(NSFileReadNoSuchFileError,
                             "The file " + name + cannot + "be opened because there is no such file.");
        if (operation == Operation::cRemove)
            return MakeError(NSFileNoSuchFileError, name + cannot + "be removed.");
        return MakeError(NSFileNoSuchFileError, "The file " + name + " doesn" + cApostrophe + "t exist.");
    case EEXIST:
    case ENOTEMPTY:
        if (operation == Operation::cCopy || operation == Operation::cMove)
            return MakeError(NSFileWriteFileExistsError,
                             name + cannot +
                                 (operation == Operation::cCopy ? "be copied to " : "be moved to ") + target +
                                 " because an item with the same name already exists.");
        return MakeError(NSFileWriteFileExistsError,
                         "The file " + name + cannot + "be saved in the folder " + target +
                             " because a file with the same name already exists.");
    case EACCES:
    case EPERM:
        switch (operation)
        {
        case Operation::cRead:
            return MakeError(NSFileReadNoPermissionError,
                             "The file " + name + cannot + "be opened" + noPermission + "view it.");
        case Operation::cRemove:
            return MakeError(NSFileWriteNoPermissionError,
                             name + cannot + "be removed" + noPermission + "access it.");
        case Operation::cMove:
            return MakeError(NSFileWriteNoPermissionError,
                             name + cannot + "be moved" + noPermission + "access " + target + ".");
        case Operation::cCopy:
            return MakeError(NSFileWriteNoPermissionError,
                             name + cannot + "be copied" + noPermission + "access " + target + ".");
        case Operation::cSave:
            break;
        }
        return MakeError(NSFileWriteNoPermissionError, std::string("You don") + cApostrophe +
                                                           "t have permission to save the file " + name +
                                                           " in the folder " + target + ".");
    case EROFS:
        if (operation != Operation::cRead)
            return MakeError(NSFileWriteVolumeReadOnlyError,
                             "The file " + name + cannot + "be saved because the volume is read only.");
        break;
    case ENOSPC:
    case EDQUOT:
        return MakeError(NSFileWriteOutOfSpaceError, "The file " + name + cannot +
                                                         "be saved because there isn" + cApostrophe +
                                                         "t enough space.");
    default:
        break;
    }
    switch (operation)
    {
    case Operation::cRead:
        return MakeError(NSFileReadUnknownError, "The file " + name + cannot + "be opened.");
    case Operation::cRemove:
        return MakeError(NSFileWriteUnknownError, name + cannot + "be removed.");
    case Operation::cMove:
        return MakeError(NSFileWriteUnknownError, name + cannot + "be moved to " + target + ".");
    case Operation::cCopy:
        return MakeError(NSFileWriteUnknownError, name + cannot + "be copied to " + target + ".");
    case Operation::cSave:
        break;
    }
    return MakeError(NSFileWriteUnknownError,
                     "The file " + name + cannot + "be saved in the folder " + target + ".");
}

bool Fail(NSError** out, NSError* error)
{
    if (out)
        *out = error;
    return false;
}

std::vector<Volume> MountedVolumes()
{
    std::vector<Volume> const table = TableVolumes();
    std::vector<Volume> volumes;
    Volume startup;
    startup.fMountPath = "/";
    for (Volume const& volume : table)
    {
        if (volume.fMountPath == "/")
            startup = volume;
    }
    startup.fName = VolumesStandInStartupVolumeName();
    startup.fHidden = false;
    volumes.push_back(startup);
    for (Volume volume : table)
    {
        if (volume.fMountPath == "/")
            continue;
        volume.fName = LeafOf(volume.fMountPath);
        volumes.push_back(volume);
    }
    // The folders of the volumes root are volumes of their own, on whatever holds them.
    for (VolumeStandInEntry const& entry : VolumesStandInList())
    {
        bool known = false;
        for (Volume const& volume : volumes)
            known = known || volume.fMountPath == entry.fMountPath;
        if (known)
            continue;
        Volume volume;
        if (!LongestHolder(table, entry.fMountPath, volume))
            volume = startup;
        volume.fMountPath = entry.fMountPath;
        volume.fName = entry.fName;
        volume.fHidden = false;
        volumes.push_back(volume);
    }
    return volumes;
}

bool VolumeOf(std::string const& location, Volume& volume)
{
    return LongestHolder(MountedVolumes(), location, volume);
}

std::string HomeDirectory()
{
    {
        std::lock_guard<std::mutex> lock(sRootsMutex);
        if (!sHomeDirectory.empty())
            return sHomeDirectory;
    }
    if (char const* const home = std::getenv("HOME"))
    {
        if (*home)
            return AbsolutePath(home);
    }
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        *found->pw_dir)
        return AbsolutePath(found->pw_dir);
    return "/";
}

std::string LocalDomainRoot()
{
    std::lock_guard<std::mutex> lock(sRootsMutex);
    return sLocalDomainRoot.empty() ? "/" : sLocalDomainRoot;
}

std::string TemporaryDirectory()
{
    std::lock_guard<std::mutex> lock(sRootsMutex);
    return sTemporaryDirectory.empty() ? "/tmp/" : sTemporaryDirectory;
}
} // namespace foundationstandin

void FoundationStandInSetHomeDirectory(char const* path)
{
    std::string const home = path ? foundationstandin::AbsolutePath(path) : std::string();
    std::lock_guard<std::mutex> lock(foundationstandin::sRootsMutex);
    foundationstandin::sHomeDirectory = home;
}

void FoundationStandInSetLocalDomainRoot(char const* path)
{
    std::string const root = path ? foundationstandin::AbsolutePath(path) : std::string();
    std::lock_guard<std::mutex> lock(foundationstandin::sRootsMutex);
    foundationstandin::sLocalDomainRoot = root;
}

void FoundationStandInSetTemporaryDirectory(char const* path)
{
    std::string folder = path ? foundationstandin::AbsolutePath(path) : std::string();
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    std::lock_guard<std::mutex> lock(foundationstandin::sRootsMutex);
    foundationstandin::sTemporaryDirectory = folder;
}

void FoundationStandInSetMountTable(char const* path)
{
    std::lock_guard<std::mutex> lock(foundationstandin::sRootsMutex);
    foundationstandin::sMountTable = path ? path : "";
}
