// Volumes, the colon and device-independent forms, and file references of macOS paths.
#include "PMacPathNameImpBase.h"

#include <cerrno>
#include <unistd.h>
#include <vector>

#include "GPathText.h"
#include "GSimpleException.h"
#include "GStringSupport.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "MPFuncWrapper.h"
#include "PMacCFRef.h"
#include "PMacFileSystemImp.h"
#include "PUNIXFileSystemImp.h"
#include "SafeMPRemoteCall.h"
#include "macos/FileManagerStandIn.h"

namespace
{
constexpr unsigned short cSlash = '/';
constexpr unsigned short cColon = ':';
constexpr short cFileNotFound = -43;
constexpr int cInvalidFSRefID = 40038;
char const cVolumesFolder[] = "/Volumes/";
constexpr int cVolumesFolderLength = sizeof cVolumesFolder - 1;

GString UTF8Text(char const* bytes, int length)
{
    return GString(reinterpret_cast<unsigned char const*>(bytes), length, GUTF8Encoding::GetInstance(), true);
}

// How many leading characters of a portable path name its volume's mount point: 0 for a relative
// path, the length of "/Volumes/<name>" for a path on another volume, else 1 ("/").
int GetVolumePathLength(GPathText const& path)
{
    if (path.GetCount() == 0 || path[0] != cSlash)
        return 0;
    if (path.GetCount() <= cVolumesFolderLength || !path.StartsWith(cVolumesFolder))
        return 1;
    int const end = path.FindFirst(cSlash, cVolumesFolderLength);
    return end < 0 ? path.GetCount() : end;
}

// The name as GString text from the platform's name record.
GString NameText(HFSUniStr255 const& name)
{
    return GString(reinterpret_cast<unsigned char const*>(name.unicode), 2 * name.length,
                   GUnicodeEncoding::GetInstance(), false);
}
} // namespace

PMacPathNameImpBase& PMacPathNameImpBase::operator=(PMacPathNameImpBase const&)
{
    RemoveFSRef();
    return *this;
}

PMacPathNameImpBase::~PMacPathNameImpBase()
{
    if (fOwned)
        delete fRef;
}

// --- volumes ---

GString PMacPathNameImpBase::GetMachOVolumeName(GString const& volumeName)
{
    if (volumeName.IsEmpty())
        return GString();
    FSRef root;
    if (GetVolumeRootFolderFSRef(volumeName, root) != 0)
        return GPathText::Concat(GString(cVolumesFolder), GPathText(volumeName).GetReplaced("/", ":"));
    GString mountPath;
    if (MakeMachOPathFromFSRef(&root, mountPath) != 0)
        throw GSimpleException(cInvalidFSRefID);
    return mountPath;
}

GString PMacPathNameImpBase::GetCFMVolumeName(GString const& mountPath)
{
    if (mountPath.IsEmpty())
        return GString();
    FSRef ref;
    if (MakeFSRefFromMachOPath(mountPath, ref) != 0)
    {
        GPathText const path(mountPath);
        return GPathText(path.GetSubstring(path.FindLast(cSlash) + 1, -1)).GetReplaced(":", "/");
    }
    GString colonPath;
    if (MakeCFMPathFromFSRef(ref, colonPath) != 0)
        throw GSimpleException(cInvalidFSRefID);
    GPathText const path(colonPath);
    return path.GetSubstring(path.FindLast(cColon) + 1, -1);
}

short PMacPathNameImpBase::GetVolumeRootFolderFSRef(GString const& volumeName, FSRef& root)
{
    GPathText const wanted(volumeName);
    for (ItemCount index = 1;; ++index)
    {
        HFSUniStr255 name;
        FSRef volumeRoot;
        OSErr const status = FSGetVolumeInfo(kFSInvalidVolumeRefNum, index, nullptr, kFSVolInfoNone, nullptr,
                                             &name, &volumeRoot);
        if (status != noErr)
            return status;
        bool equal = name.length == wanted.GetCount();
        for (int i = 0; equal && i < name.length; ++i)
            equal = name.unicode[i] == wanted[i];
        if (equal)
        {
            root = volumeRoot;
            return noErr;
        }
    }
}

short PMacPathNameImpBase::GetCurrentFolderReference(FSRef& ref)
{
    // Grown until the path fits: folders nest deeper than any fixed buffer.
    std::vector<char> folder(1024);
    while (!getcwd(folder.data(), folder.size()))
    {
        if (errno != ERANGE)
        {
            PUNIXFileSystemImp::CheckErrno(false);
            return cFileNotFound;
        }
        folder.resize(folder.size() * 2);
    }
    std::string const path(folder.data());
    return MakeFSRefFromMachOPath(UTF8Text(path.data(), static_cast<int>(path.size())), ref);
}

GString PMacPathNameImpBase::GetVolumeName() const
{
    GPathText const path(GetPortablePath());
    int const length = GetVolumePathLength(path);
    return length == 0 ? GString() : GetCFMVolumeName(path.GetSubstring(0, length));
}

int PMacPathNameImpBase::GetCFMRootNameLength() const
{
    return GetVolumePathLength(GPathText(GetPortablePath()));
}

bool PMacPathNameImpBase::Equals(PMacPathNameImpBase const& other) const
{
    return GStringSupport::IsEqualIgnoreCase(GetPortablePath(), other.GetPortablePath());
}

// --- text forms ---

void PMacPathNameImpBase::ConvertPortableToDISpec(GString const& portable, GString& out)
{
    GPathText const path(portable);
    if (path.GetCount() == 0)
    {
        out = GString("./");
        return;
    }
    if (path.GetCount() == 2 && path.StartsWith(".."))
    {
        out = GString("../");
        return;
    }
    GString result;
    if (path[0] != cSlash)
        result = path.GetSubstring(0, -1);
    else
    {
        GTable<GString> components;
        path.Split(cSlash, components);
        int const mountLength = GetVolumePathLength(path);
        GString mountPoint("/");
        if (mountLength >= 2)
        {
            mountPoint = path.GetSubstring(0, mountLength);
            components.RemoveItemAt(2);
            components.RemoveItemAt(1);
        }
        // The first component is empty, so the joined rest begins with "/". A "/" in the volume's
        // name (mounted as ":") is written as ":" too, so that it is escaped below with the others;
        // unescaped it would end the name.
        result =
            GPathText::Concat(GString("/"), GPathText(GetCFMVolumeName(mountPoint)).GetReplaced("/", ":"),
                              GPathText::Join(components, cSlash));
    }
    out = GPathText(result).GetReplaced(":", "\\/");
}

void PMacPathNameImpBase::ConvertDISpecToPortable(GString const& di, GString& out)
{
    GPathText const path(GPathText(di).GetReplaced("\\/", ":"));
    if (path.GetCount() == 0 || path[0] != cSlash)
    {
        out = path.GetSubstring(0, -1);
        return;
    }
    int const end = path.FindFirst(cSlash, 1);
    // An escaped slash in the volume's name is part of the name, which the volume lookup takes as
    // the volume calls itself.
    GString const volumeName = GPathText(path.GetSubstring(1, end < 0 ? -1 : end - 1)).GetReplaced(":", "/");
    GString const mountPath = GetMachOVolumeName(volumeName);
    GString const rest =
        end < 0 ? GString() : path.GetSubstring(GPathText(mountPath).EndsWith(cSlash) ? end + 1 : end, -1);
    out = GPathText::Concat(mountPath, rest);
}

void PMacPathNameImpBase::ConvertPortableToUNCSpec(GString const& portable, GString& out)
{
    out = portable;
}

// --- file references ---

short PMacPathNameImpBase::MakeFSRefFromMachOPath(GString const& path, FSRef& out)
{
    if (path.IsEmpty())
        return GetCurrentFolderReference(out);
    GPathText const text(path);
    GTable<GString> components;
    text.Split(cSlash, components);
    FSRef start;
    if (components.GetCount() < 2 || text[0] != cSlash)
    {
        short const status = GetCurrentFolderReference(start);
        if (status != noErr)
            return status;
    }
    else
    {
        int const mountLength = GetVolumePathLength(text);
        if (mountLength >= 2)
        {
            components.RemoveItemAt(2);
            components.RemoveItemAt(1);
        }
        components.RemoveItemAt(0);
        GBuffer const mountPoint = text.GetSubstring(0, mountLength).GetBuffer(GUTF8Encoding::GetInstance());
        OSErr const status = FSPathMakeRef(mountPoint.GetPtr(), &start, nullptr);
        if (status != noErr)
            return status;
    }
    return BuildFSRefFromVolumeFSRef(start, components, out);
}

short PMacPathNameImpBase::MakeMachOPathFromFSRef(FSRef const* ref, GString& out)
{
    out.Clear();
    if (!ref)
        return cFileNotFound;
    PMacCFRef<CFURLRef> const url(CFURLCreateFromFSRef(kCFAllocatorDefault, ref));
    if (!url)
        return cFileNotFound;
    PMacCFRef<CFStringRef> const path(CFURLCopyFileSystemPath(url.Get(), kCFURLPOSIXPathStyle));
    if (!path)
        return cFileNotFound;
    // Each UTF-16 unit takes at most 6 bytes of UTF-8 in the platform's reckoning.
    std::vector<char> bytes(static_cast<std::size_t>(CFStringGetLength(path.Get())) * 6 + 1);
    if (!CFStringGetCString(path.Get(), bytes.data(), static_cast<CFIndex>(bytes.size()),
                            kCFStringEncodingUTF8))
        return cFileNotFound;
    std::string const text(bytes.data());
    out = GPathText(UTF8Text(text.data(), static_cast<int>(text.size()))).GetSubstring(0, -1);
    return noErr;
}

short PMacPathNameImpBase::MakeCFMPathFromFSRef(FSRef const& ref, GString& out)
{
    out.Clear();
    GTable<GString> names;
    FSRef item = ref;
    for (;;)
    {
        FSCatalogInfo info;
        HFSUniStr255 name;
        FSRef parent;
        OSErr const status = FSGetCatalogInfo(&item, kFSCatInfoParentDirID, &info, &name, nullptr, &parent);
        if (status != noErr)
            return status;
        names.InsertItemAt(0, NameText(name));
        if (info.parentDirID == fsRtParID)
            break;
        item = parent;
    }
    out = GPathText::Join(names, cColon);
    return noErr;
}

short PMacPathNameImpBase::BuildFSRefFromVolumeFSRef(FSRef const& start, GTable<GString> const& components,
                                                     FSRef& out)
{
    FSRef current = start;
    for (int i = 0; i < components.GetCount(); ++i)
    {
        // The file system stores a ":" of the name as "/".
        GBuffer const name =
            GPathText(components[i]).GetReplaced(":", "/").GetBuffer(GUnicodeEncoding::GetInstance());
        // Aliases resolve on the main thread only.
        Boolean isFolder = false;
        Boolean wasAlias = false;
        MPFunc4Wrapper<short, FSRef*, unsigned char, unsigned char*, unsigned char*> resolve{
            0, &FSResolveAliasFile, &current, true, &isFolder, &wasAlias};
        SafeMPRemoteCall(&decltype(resolve)::MPCallWrapper, &resolve);
        if (resolve.fResult != noErr)
            return resolve.fResult;
        FSRef next;
        OSErr const status =
            FSMakeFSRefUnicode(&current, static_cast<UniCharCount>(name.GetLength() / 2),
                               reinterpret_cast<UniChar const*>(name.GetPtr()), kTextEncodingUnknown, &next);
        if (status != noErr)
            return status;
        current = next;
    }
    out = current;
    return noErr;
}

FSRef const* PMacPathNameImpBase::GetFSRef() const
{
    short status = 0;
    FSRef const* ref = TryGetFSRef(status);
    if (!ref)
        PMacFileSystemImp::CheckForErrors(status);
    return ref;
}

FSRef const* PMacPathNameImpBase::TryGetFSRef(short& status) const
{
    if (fCacheLevel > 0 && fRef)
    {
        status = noErr;
        return fRef;
    }
    if (fCacheLevel <= 0)
        RemoveFSRef();
    if (!fRef)
    {
        fRef = new FSRef;
        fOwned = true;
    }
    status = MakeFSRefFromMachOPath(GetPortablePath(), *fRef);
    if (status != noErr)
    {
        RemoveFSRef();
        return nullptr;
    }
    return fRef;
}

short PMacPathNameImpBase::MakeFSRef(FSRef& out) const
{
    return MakeFSRefFromMachOPath(GetPortablePath(), out);
}

void PMacPathNameImpBase::SetFSRef(FSRef const& ref, bool updatePath) const
{
    if (fCacheLevel <= 0 || updatePath)
    {
        GString path;
        MakeMachOPathFromFSRef(&ref, path);
        SetPortablePath(path);
    }
    if (fCacheLevel <= 0)
        return;
    if (!fRef)
    {
        fRef = new FSRef;
        fOwned = true;
    }
    *fRef = ref;
}

short PMacPathNameImpBase::MakePathFromFSRef(FSRef const* ref) const
{
    GString path;
    short const status = MakeMachOPathFromFSRef(ref, path);
    SetPortablePath(path);
    return status;
}

void PMacPathNameImpBase::RemoveFSRef() const
{
    if (fOwned)
        delete fRef;
    fRef = nullptr;
    fOwned = true;
}
