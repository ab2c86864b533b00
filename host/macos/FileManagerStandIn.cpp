// The File Manager stand-in: references as canonical POSIX paths over stat, lstat and readlink.
#include "FileManagerStandIn.h"

#include "FoundationStandInSupport.h"
#include "VolumesStandIn.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unicode/ustring.h>
#include <unistd.h>

namespace
{
OSErr ErrorOf(int error)
{
    switch (error)
    {
    case ENOENT:
    case ELOOP:
        return fnfErr;
    case ENOTDIR:
        return dirNFErr;
    case ENAMETOOLONG:
        return bdNamErr;
    case EACCES:
    case EPERM:
        return afpAccessDenied;
    default:
        return ioErr;
    }
}

std::string Branch(std::string const& path)
{
    std::string::size_type const slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string Leaf(std::string const& path)
{
    return path.substr(path.rfind('/') + 1);
}

std::string Join(std::string const& folder, std::string const& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// The path with every symbolic link in it followed; empty with errno set when there is none.
std::string RealPath(std::string const& path)
{
    char* const real = realpath(path.c_str(), nullptr);
    if (!real)
        return std::string();
    std::string result = real;
    std::free(real);
    return result;
}

bool ToUTF8(UniChar const* units, UniCharCount count, std::string& out)
{
    if (count > static_cast<UniCharCount>(INT32_MAX / 3))
        return false;
    out.resize(count * 3 + 1);
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &length, reinterpret_cast<UChar const*>(units),
                static_cast<int32_t>(count), &status);
    if (U_FAILURE(status))
        return false;
    out.resize(static_cast<std::size_t>(length));
    return true;
}

// Names the system cannot read as UTF-8 get U+FFFD where they do not; false for one of more than 255
// units, which no volume holds.
bool ToHFSName(std::string const& utf8, HFSUniStr255& out)
{
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.unicode), 255, &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return false;
    out.length = static_cast<UInt16>(length);
    return true;
}

// A volume's root folder has the id fsRtDirID; other ids come from the inode and never collide
// with the two reserved ones.
UInt32 NodeIDOf(std::string const& path, struct stat const& info)
{
    if (VolumesStandInIsMountPath(path))
        return fsRtDirID;
    UInt32 const id = static_cast<UInt32>(info.st_ino);
    return id <= fsRtDirID ? id | 0x80000000u : id;
}
// Between the item's big-endian bytes and the fields in the machine's order: the same swap both ways.
// A file starts with two 32-bit codes, a folder with four 16-bit bounds; the rest is 16-bit.
void SwapFinderInfo(UInt8* bytes, bool isFolder)
{
    auto swap = [bytes](int at, int size)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i)
            value = value << 8 | bytes[at + i];
        if (size == 4)
            std::memcpy(bytes + at, &value, 4);
        else
        {
            std::uint16_t const field = static_cast<std::uint16_t>(value);
            std::memcpy(bytes + at, &field, 2);
        }
    };
    if (isFolder)
    {
        for (int at = 0; at < 8; at += 2)
            swap(at, 2);
    }
    else
    {
        swap(0, 4);
        swap(4, 4);
    }
    for (int at = 8; at < 16; at += 2)
        swap(at, 2);
}
} // namespace

OSErr FSPathMakeRef(UInt8 const* path, FSRef* ref, Boolean* isDirectory)
{
    if (!path || !ref || !*path)
        return paramErr;
    std::string const real = RealPath(reinterpret_cast<char const*>(path));
    if (real.empty())
        return ErrorOf(errno);
    struct stat info;
    if (stat(real.c_str(), &info) != 0)
        return ErrorOf(errno);
    ref->fPath = real;
    if (isDirectory)
        *isDirectory = S_ISDIR(info.st_mode);
    return noErr;
}

OSErr FSMakeFSRefUnicode(FSRef const* parentRef, UniCharCount nameLength, UniChar const* name, TextEncoding,
                         FSRef* newRef)
{
    if (!parentRef || !newRef || (nameLength > 0 && !name))
        return paramErr;
    std::string hfsName;
    if (!ToUTF8(name, nameLength, hfsName) || hfsName.find('\0') != std::string::npos ||
        hfsName.find(':') != std::string::npos)
        return bdNamErr;
    struct stat info;
    if (stat(parentRef->fPath.c_str(), &info) != 0)
        return ErrorOf(errno);
    if (!S_ISDIR(info.st_mode))
        return dirNFErr;
    // The parent is canonical, so the two special names are plain steps on its path.
    std::string path;
    if (hfsName.empty() || hfsName == ".")
        path = parentRef->fPath;
    else if (hfsName == "..")
        path = Branch(parentRef->fPath);
    else
        path = Join(parentRef->fPath, VolumesStandInOtherStyleName(hfsName));
    if (lstat(path.c_str(), &info) != 0)
        return ErrorOf(errno);
    newRef->fPath = path;
    return noErr;
}

OSErr FSGetCatalogInfo(FSRef const* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, void*, FSRef* parentRef)
{
    if (!ref || ref->fPath.empty())
        return paramErr;
    struct stat info;
    if (lstat(ref->fPath.c_str(), &info) != 0)
        return ErrorOf(errno);
    bool const isVolumeRoot = VolumesStandInIsMountPath(ref->fPath);
    std::string const parent = Branch(ref->fPath);
    if (catalogInfo)
    {
        if (whichInfo & kFSCatInfoNodeFlags)
            catalogInfo->nodeFlags = S_ISDIR(info.st_mode) ? kFSNodeIsDirectoryMask : 0;
        if (whichInfo & kFSCatInfoNodeID)
            catalogInfo->nodeID = NodeIDOf(ref->fPath, info);
        if (whichInfo & kFSCatInfoParentDirID)
        {
            struct stat parentInfo;
            if (isVolumeRoot)
                catalogInfo->parentDirID = fsRtParID;
            else if (lstat(parent.c_str(), &parentInfo) == 0)
                catalogInfo->parentDirID = NodeIDOf(parent, parentInfo);
            else
                return ErrorOf(errno);
        }
    }
    if (catalogInfo && (whichInfo & kFSCatInfoFinderInfo))
    {
        foundationstandin::FinderInfo const stored = foundationstandin::ReadFinderInfo(ref->fPath);
        std::memcpy(catalogInfo->finderInfo, stored.fBytes, sizeof catalogInfo->finderInfo);
        SwapFinderInfo(catalogInfo->finderInfo, S_ISDIR(info.st_mode));
    }
    if (outName)
    {
        std::string name;
        if (isVolumeRoot)
        {
            for (VolumeStandInEntry const& volume : VolumesStandInList())
            {
                if (volume.fMountPath == ref->fPath)
                    name = volume.fName;
            }
        }
        else
            name = VolumesStandInOtherStyleName(Leaf(ref->fPath));
        if (!ToHFSName(name, *outName))
            return bdNamErr;
    }
    if (parentRef && !isVolumeRoot)
        parentRef->fPath = parent;
    return noErr;
}

OSErr FSGetVolumeInfo(FSVolumeRefNum volume, ItemCount volumeIndex, FSVolumeRefNum* actualVolume,
                      FSVolumeInfoBitmap, FSVolumeInfo*, HFSUniStr255* volumeName, FSRef* rootDirectory)
{
    std::vector<VolumeStandInEntry> const volumes = VolumesStandInList();
    ItemCount const index = volume == kFSInvalidVolumeRefNum ? volumeIndex : static_cast<ItemCount>(volume);
    if (index < 1 || index > volumes.size() || index > static_cast<ItemCount>(INT16_MAX))
        return nsvErr;
    VolumeStandInEntry const& entry = volumes[index - 1];
    if (volumeName && !ToHFSName(entry.fName, *volumeName))
        return bdNamErr;
    if (actualVolume)
        *actualVolume = static_cast<FSVolumeRefNum>(index);
    if (rootDirectory)
        rootDirectory->fPath = entry.fMountPath;
    return noErr;
}

OSErr FSResolveAliasFile(FSRef* theRef, Boolean resolveAliasChains, Boolean* targetIsFolder,
                         Boolean* wasAliased)
{
    if (!theRef || theRef->fPath.empty())
        return paramErr;
    struct stat info;
    if (lstat(theRef->fPath.c_str(), &info) != 0)
        return ErrorOf(errno);
    std::string target = theRef->fPath;
    bool const isLink = S_ISLNK(info.st_mode);
    if (isLink && resolveAliasChains)
    {
        target = RealPath(theRef->fPath);
        if (target.empty())
            return fnfErr;
    }
    else if (isLink)
    {
        std::string text(PATH_MAX, '\0');
        ssize_t const length = readlink(theRef->fPath.c_str(), text.data(), text.size());
        if (length < 0)
            return ErrorOf(errno);
        text.resize(static_cast<std::size_t>(length));
        std::string const joined = text[0] == '/' ? text : Join(Branch(theRef->fPath), text);
        std::string const leaf = Leaf(joined);
        std::string const folder = RealPath(Branch(joined));
        if (folder.empty())
            return fnfErr;
        target = leaf == "." || leaf == ".." || leaf.empty() ? RealPath(joined) : Join(folder, leaf);
        if (target.empty() || lstat(target.c_str(), &info) != 0)
            return fnfErr;
    }
    if (stat(target.c_str(), &info) != 0)
        return fnfErr;
    theRef->fPath = target;
    if (targetIsFolder)
        *targetIsFolder = S_ISDIR(info.st_mode);
    if (wasAliased)
        *wasAliased = isLink;
    return noErr;
}

OSErr FSSetCatalogInfo(FSRef const* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo const* catalogInfo)
{
    if (!ref || ref->fPath.empty() || !catalogInfo)
        return paramErr;
    struct stat info;
    if (lstat(ref->fPath.c_str(), &info) != 0)
        return ErrorOf(errno);
    if (!(whichInfo & kFSCatInfoFinderInfo))
        return noErr;
    foundationstandin::FinderInfo stored = foundationstandin::ReadFinderInfo(ref->fPath);
    UInt8 bytes[16];
    std::memcpy(bytes, catalogInfo->finderInfo, sizeof bytes);
    SwapFinderInfo(bytes, S_ISDIR(info.st_mode));
    std::memcpy(stored.fBytes, bytes, sizeof bytes);
    int const error = foundationstandin::WriteFinderInfo(ref->fPath, stored);
    return error == 0 ? noErr : error == EPERM || error == EACCES ? afpAccessDenied : ioErr;
}

Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef)
{
    UInt8 path[4096];
    if (!url || !fsRef || !CFURLGetFileSystemRepresentation(url, true, path, sizeof path))
        return false;
    return FSPathMakeRef(path, fsRef, nullptr) == noErr;
}
