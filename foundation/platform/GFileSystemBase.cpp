// The file-system facade: relative-path checks, the Try forms, the compound operations and the
// special-path registry over the platform implementation.
#include "GFileSystemBase.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "GDateTime.h"
#include "GDict.h"
#include "GFileSystemIterator.h"
#include "GFileSystemSupport.h"
#include "GPathName.h"
#include "GPathText.h"
#include "GSimpleException.h"
#include "PMacFileSystemImp.h"

namespace
{
constexpr int cFileNotFoundID = 40010;
constexpr int cDuplicateFileID = 40015;
constexpr int cNoUniqueNameID = 40063;
constexpr int cDestinationExistsID = 40065;
constexpr int cInvalidPathID = 40068;

constexpr int cAllKinds = -1;
constexpr int cAliases = 4;

// Runs f and answers what it answers; a GException answers false. Paths the file system cannot
// take (relative ones, ones with a zero character) never reach f.
template<class F>
bool TryTo(GPathName const& path, F f)
{
    if (!GFileSystemSupport::IsUsablePath(path))
        return false;
    try
    {
        return f();
    }
    catch (GException const&) // the Try forms answer every failure with false
    {
        return false;
    }
}

// The entries of a folder, hidden ones included, taken before anything in it changes.
GTable<GPathName> EntriesOf(GPathName const& folder)
{
    GTable<GPathName> entries;
    for (GFileSystemIterator it(folder, cAllKinds, 0); it != GFileSystemIterator::cEnd; ++it)
        entries.AddItem(*it);
    return entries;
}

GPathName Child(GPathName const& folder, GString const& name)
{
    GPathName child(folder);
    child.Append(name);
    return child;
}

// A copy of a folder into itself would copy its own copy again and again. Whether the destination
// lies in the source is asked of the folders that really hold it, as the volume tells items apart:
// a volume that ignores letter case takes "/d/a" for "/d/A", one that does not keeps them apart, and
// a link anywhere on the way leads where it leads.
template<class Imp>
void ThrowIfInside(GPathName const& destination, GPathName const& source)
{
    if (Imp::LiesWithin(destination, source))
        throw GSimpleException(cInvalidPathID);
}

// The special-path registry. Callers register from their start-up; the lock lets threads look up
// while another registers.
struct SpecialPaths
{
    std::mutex fMutex;
    GDict<int, GPathName> fPaths;
};

SpecialPaths& Registry()
{
    static SpecialPaths registry;
    return registry;
}

// The counters of the unique names, one per kind: seeded on first use, then advanced past every
// name handed out.
std::atomic<int> sFileIndex{-1};
std::atomic<int> sFolderIndex{-1};
} // namespace

template<class Imp>
void GFileSystemBase<Imp>::ThrowIfRelative(GPathName const& path)
{
    GFileSystemSupport::ThrowIfRelative(path);
}

// --- existence and identity ---

template<class Imp>
bool GFileSystemBase<Imp>::FolderExists(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::FolderExists(path);
}

template<class Imp>
bool GFileSystemBase<Imp>::FileExists(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::FileExists(path);
}

template<class Imp>
bool GFileSystemBase<Imp>::TryFolderExists(GPathName const& path)
{
    return TryTo(path, [&] { return Imp::FolderExists(path); });
}

template<class Imp>
bool GFileSystemBase<Imp>::TryFileExists(GPathName const& path)
{
    return TryTo(path, [&] { return Imp::FileExists(path); });
}

template<class Imp>
bool GFileSystemBase<Imp>::IsAlias(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::IsAlias(path);
}

template<class Imp>
bool GFileSystemBase<Imp>::AliasHasTarget(GPathName const& alias, GPathName& target)
{
    ThrowIfRelative(alias);
    return Imp::AliasHasTarget(alias, target);
}

template<class Imp>
bool GFileSystemBase<Imp>::GetAliasTarget(GPathName const& path, GPathName& target)
{
    ThrowIfRelative(path);
    return Imp::GetAliasTarget(path, target);
}

template<class Imp>
bool GFileSystemBase<Imp>::IsHidden(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::IsHidden(path);
}

template<class Imp>
void GFileSystemBase<Imp>::SetHidden(GPathName const& path, bool hidden)
{
    ThrowIfRelative(path);
    Imp::SetHidden(path, hidden);
}

template<class Imp>
bool GFileSystemBase<Imp>::IsMacPackage(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::IsMacPackage(path);
}

template<class Imp>
bool GFileSystemBase<Imp>::IsMacFramework(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::IsMacFramework(path);
}

template<class Imp>
void GFileSystemBase<Imp>::FindMacPackageRoot(GPathName const& path, GPathName& root)
{
    ThrowIfRelative(path);
    Imp::FindMacPackageRoot(path, root);
}

template<class Imp>
void GFileSystemBase<Imp>::FindMacFrameworkRoot(GPathName const& path, GPathName& root)
{
    ThrowIfRelative(path);
    Imp::FindMacFrameworkRoot(path, root);
}

template<class Imp>
bool GFileSystemBase<Imp>::IsSameFileOrFolder(GPathName const& first, GPathName const& second, bool compareLinks)
{
    return Imp::IsSameFileOrFolder(first, second, compareLinks);
}

template<class Imp>
bool GFileSystemBase<Imp>::VolumeNameExists(GString const& name)
{
    return Imp::VolumeNameExists(name);
}

// --- creation ---

template<class Imp>
bool GFileSystemBase<Imp>::CreateFile(GPathName& path, GFileType const* type, bool replaceExtension)
{
    ThrowIfRelative(path);
    return Imp::CreateFile(path, type, replaceExtension);
}

template<class Imp>
bool GFileSystemBase<Imp>::CreateFile(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::CreateFile(path);
}

template<class Imp>
bool GFileSystemBase<Imp>::CreateFolder(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::CreateFolder(path);
}

template<class Imp>
GPathName GFileSystemBase<Imp>::CreateAlias(GPathName const& alias, GPathName const& target, GString const& name)
{
    ThrowIfRelative(alias);
    ThrowIfRelative(target);
    Imp::CreateAlias(alias, target, name);
    return alias;
}

template<class Imp>
void GFileSystemBase<Imp>::CreateUniqueFile(GPathName const& pattern, GPathName& path, GFileType const* type,
                                            bool replaceExtension)
{
    CreateUniqueObject(pattern, true, path, type, replaceExtension);
}

template<class Imp>
void GFileSystemBase<Imp>::CreateUniqueFolder(GPathName const& pattern, GPathName& path)
{
    CreateUniqueObject(pattern, false, path, nullptr, false);
}

template<class Imp>
void GFileSystemBase<Imp>::CreateUniqueObject(GPathName const& pattern, bool isFile, GPathName& path,
                                              GFileType const* type, bool replaceExtension)
{
    typename Imp::OperationScope const scope;
    ThrowIfRelative(pattern);
    GPathName const folder = pattern.GetBranch();
    if (!Imp::FolderExists(folder))
        Imp::CreateFolder(folder);

    GString leaf = pattern.GetLeaf();
    GPathText text(leaf);
    int position = -1;
    for (int i = 0; i + 1 < text.GetCount() && position < 0; ++i)
    {
        if (text[i] == '_' && text[i + 1] == 'X')
            position = i + 1;
    }
    if (position < 0)
        position = text.FindFirst('X', 0);
    if (position < 0)
    {
        position = isFile ? GPathText(pattern.GetLeafWithoutExtension()).GetCount() : text.GetCount();
        leaf = GPathText::Concat(text.GetSubstring(0, position), GString("XXXXX"), text.GetSubstring(position, -1));
        text = GPathText(leaf);
    }
    // Nine digits are the most that a 32-bit number space holds.
    int digits = 0;
    while (digits < 9 && position + digits < text.GetCount() && text[position + digits] == 'X')
        ++digits;
    int space = 1;
    for (int i = 0; i < digits; ++i)
        space *= 10;

    std::atomic<int>& counter = isFile ? sFileIndex : sFolderIndex;
    int start = counter.load();
    if (start == -1)
    {
        unsigned int seed = static_cast<unsigned int>(std::clock());
        start = rand_r(&seed) % space;
    }
    if (start >= space)
        start = 0;
    int number = start;
    bool created = false;
    for (int attempt = 0; attempt < space && !created; ++attempt)
    {
        char formatted[16];
        std::snprintf(formatted, sizeof formatted, "%0*d", digits, number);
        path = Child(folder, GPathText::Concat(text.GetSubstring(0, position), GString(formatted),
                                               text.GetSubstring(position + digits, -1)));
        try
        {
            created = isFile ? Imp::CreateFile(path, type, replaceExtension) : Imp::CreateFolder(path);
        }
        catch (GException const&) // a name that cannot be made is one more name taken
        {
            created = false;
        }
        number = number + 1 == space ? 0 : number + 1;
    }
    if (!created)
    {
        path.Clear();
        throw GSimpleException(cNoUniqueNameID);
    }
    counter.store(number);
}

// --- removal ---

template<class Imp>
bool GFileSystemBase<Imp>::RemoveFile(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::RemoveFile(path);
}

template<class Imp>
bool GFileSystemBase<Imp>::TryToRemoveFile(GPathName const& path)
{
    return TryTo(path, [&] { return Imp::RemoveFile(path), true; });
}

template<class Imp>
bool GFileSystemBase<Imp>::RemoveFolderOnly(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::RemoveFolderOnly(path);
}

template<class Imp>
bool GFileSystemBase<Imp>::RemoveFolder(GPathName const& folder, int kinds, int descend)
{
    typename Imp::OperationScope const scope;
    ThrowIfRelative(folder);
    // Another process may change what is at the path between the look and the removal: the
    // removal of a real folder tells, and the path is looked at again.
    for (int look = 0; look < 3; ++look)
    {
        Imp::LookAgain(folder);
        if (!Imp::FolderExists(folder))
            return false;
        bool const isAlias = Imp::IsAlias(folder);
        if (isAlias && !(descend & cAliases))
        {
            if (Imp::RemoveLink(folder))
                return true;
            continue;
        }
        if (!isAlias)
        {
            if (Imp::RemoveRealFolder(folder, kinds, descend))
                return true;
            continue;
        }
        // An alias that the masks ask to follow: its folder's content, then the alias and the
        // folder.
        if (!Imp::RemoveFolderContent(folder, kinds, descend))
            return true;
        GPathName target;
        Imp::GetAliasTarget(folder, target);
        Imp::RemoveFolderOnly(folder);
        Imp::RemoveFolderOnly(target);
        return true;
    }
    return true;
}

template<class Imp>
bool GFileSystemBase<Imp>::TryToRemoveFolder(GPathName const& folder, int kinds, int descend)
{
    return TryTo(folder, [&] { return RemoveFolder(folder, kinds, descend), true; });
}

template<class Imp>
bool GFileSystemBase<Imp>::RemoveFolderContent(GPathName const& folder, int kinds, int descend)
{
    ThrowIfRelative(folder);
    return RecursiveRemoveFolder(folder, kinds, descend);
}

template<class Imp>
bool GFileSystemBase<Imp>::TryToRemoveFolderContent(GPathName const& folder, int kinds, int descend)
{
    return TryTo(folder, [&] { return RecursiveRemoveFolder(folder, kinds, descend), true; });
}

template<class Imp>
bool GFileSystemBase<Imp>::RecursiveRemoveFolder(GPathName const& folder, int kinds, int descend)
{
    ThrowIfRelative(folder);
    return Imp::RemoveFolderContent(folder, kinds, descend);
}

template<class Imp>
void GFileSystemBase<Imp>::MoveFolderToTrash(GPathName const& path)
{
    ThrowIfRelative(path);
    Imp::MoveFolderToTrash(path);
}

template<class Imp>
bool GFileSystemBase<Imp>::TryMoveFileToTrash(GPathName const& path)
{
    return TryTo(path, [&] { return Imp::MoveFolderToTrash(path), true; });
}

// --- moving, copying, renaming ---

template<class Imp>
void GFileSystemBase<Imp>::MoveFileTo(GPathName const& source, GPathName const& destFolder, GPathName& result,
                                      bool overwrite)
{
    ThrowIfRelative(source);
    ThrowIfRelative(destFolder);
    Imp::MoveFileTo(source, destFolder, result, overwrite);
}

template<class Imp>
void GFileSystemBase<Imp>::MoveFileTo(GPathName const& source, GPathName const& destFolder, bool overwrite)
{
    GPathName result;
    MoveFileTo(source, destFolder, result, overwrite);
}

template<class Imp>
void GFileSystemBase<Imp>::MoveFolderTo(GPathName const& source, GPathName const& destFolder, GPathName& result,
                                        bool overwrite)
{
    ThrowIfRelative(source);
    ThrowIfRelative(destFolder);
    Imp::MoveFolderTo(source, destFolder, result, overwrite);
}

template<class Imp>
void GFileSystemBase<Imp>::CopyFileTo(GPathName const& source, GPathName const& destFolder, GPathName& result,
                                      bool overwrite)
{
    ThrowIfRelative(source);
    ThrowIfRelative(destFolder);
    Imp::CopyFileTo(source, destFolder, result, overwrite);
}

template<class Imp>
void GFileSystemBase<Imp>::CopyAndRenameFile(GPathName const& source, GPathName const& destination, bool overwrite,
                                             bool followLinks)
{
    ThrowIfRelative(source);
    ThrowIfRelative(destination);
    Imp::CopyAndRenameFile(source, destination, overwrite, followLinks);
}

template<class Imp>
void GFileSystemBase<Imp>::CopyFolderTo(GPathName const& source, GPathName const& destParent, GPathName& result,
                                        bool overwrite)
{
    typename Imp::OperationScope const scope;
    ThrowIfRelative(source);
    ThrowIfRelative(destParent);
    result = Child(destParent, source.GetLeaf());
    ThrowIfInside<Imp>(result, source);
    if (!Imp::CreateFolder(result) && !overwrite)
        throw GSimpleException(cDestinationExistsID);
    Imp::CopyAttributes(source, result);
    GTable<GPathName> const entries = EntriesOf(source);
    for (int i = 0; i < entries.GetCount(); ++i)
    {
        GPathName copied;
        if (Imp::FileExists(entries[i]))
            Imp::CopyFileTo(entries[i], result, copied, overwrite);
        else
            CopyFolderTo(entries[i], result, copied, overwrite);
    }
    CopyDateTimeInfo(source, result);
    Imp::CopyPermissions(source, result);
    Imp::SetObjectLocked(result, Imp::GetObjectLocked(source) == 2);
}

template<class Imp>
void GFileSystemBase<Imp>::CopyFolderContentsTo(GPathName const& source, GPathName const& dest, bool overwrite)
{
    typename Imp::OperationScope const scope;
    ThrowIfRelative(source);
    ThrowIfRelative(dest);
    ThrowIfInside<Imp>(dest, source);
    GTable<GPathName> const entries = EntriesOf(source);
    for (int i = 0; i < entries.GetCount(); ++i)
    {
        GPathName const& entry = entries[i];
        if (Imp::FileExists(entry))
        {
            try
            {
                GPathName copied;
                Imp::CopyFileTo(entry, dest, copied, overwrite);
            }
            catch (GException const& exception) // a file already there is kept; the walk goes on
            {
                if (exception.GetExceptionID() != cDuplicateFileID)
                    throw;
            }
            continue;
        }
        GPathName const folder = Child(dest, entry.GetLeaf());
        Imp::CreateFolder(folder);
        Imp::CopyAttributes(entry, folder);
        CopyFolderContentsTo(entry, folder, overwrite);
    }
}

template<class Imp>
void GFileSystemBase<Imp>::RenameFile(GPathName& path, GString const& newName, GFileType const* type,
                                      bool replaceExtension)
{
    ThrowIfRelative(path);
    Imp::RenameFile(path, newName, type, replaceExtension);
}

template<class Imp>
void GFileSystemBase<Imp>::RenameFolder(GPathName& path, GString const& newName)
{
    ThrowIfRelative(path);
    Imp::RenameFolder(path, newName);
}

template<class Imp>
bool GFileSystemBase<Imp>::ReplaceItem(GPathName const& item, GPathName const& replacement)
{
    ThrowIfRelative(item);
    ThrowIfRelative(replacement);
    return Imp::ReplaceItem(item, replacement);
}

// --- dates, permissions, ownership, locks ---

template<class Imp>
void GFileSystemBase<Imp>::GetCreationDateTime(GPathName const& path, GDateTime& date)
{
    ThrowIfRelative(path);
    Imp::GetCreationDateTime(path, date);
}

template<class Imp>
void GFileSystemBase<Imp>::SetCreationDateTime(GPathName const& path, GDateTime const& date)
{
    ThrowIfRelative(path);
    Imp::SetCreationDateTime(path, date);
}

template<class Imp>
void GFileSystemBase<Imp>::GetModificationDateTime(GPathName const& path, GDateTime& date)
{
    ThrowIfRelative(path);
    Imp::GetModificationDateTime(path, date);
}

template<class Imp>
void GFileSystemBase<Imp>::SetModificationDateTime(GPathName const& path, GDateTime const& date)
{
    ThrowIfRelative(path);
    Imp::SetModificationDateTime(path, date);
}

template<class Imp>
void GFileSystemBase<Imp>::CopyDateTimeInfo(GPathName const& source, GPathName const& destination)
{
    typename Imp::OperationScope const scope;
    ThrowIfRelative(source);
    ThrowIfRelative(destination);
    GDateTime date(false);
    Imp::GetCreationDateTime(source, date);
    Imp::SetCreationDateTime(destination, date);
    Imp::GetModificationDateTime(source, date);
    Imp::SetModificationDateTime(destination, date);
}

namespace
{
// Applies copy(entry, counterpart) to every entry of source below its counterpart in dest, a folder
// after its content.
template<class Imp, class Copy>
void CopyRecursive(GPathName const& source, GPathName const& dest, Copy copy)
{
    GTable<GPathName> const entries = EntriesOf(source);
    for (int i = 0; i < entries.GetCount(); ++i)
    {
        GPathName const counterpart = Child(dest, entries[i].GetLeaf());
        if (Imp::FolderExists(entries[i]))
            CopyRecursive<Imp>(entries[i], counterpart, copy);
        copy(entries[i], counterpart);
    }
}
} // namespace

template<class Imp>
void GFileSystemBase<Imp>::CopyDateTimeInfoRecursive(GPathName const& sourceFolder, GPathName const& destFolder)
{
    typename Imp::OperationScope const scope;
    ThrowIfRelative(sourceFolder);
    ThrowIfRelative(destFolder);
    CopyRecursive<Imp>(sourceFolder, destFolder,
                       [](GPathName const& from, GPathName const& to) { CopyDateTimeInfo(from, to); });
}

template<class Imp>
bool GFileSystemBase<Imp>::IsWritable(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::IsWritable(path);
}

template<class Imp>
void GFileSystemBase<Imp>::SetWritable(GPathName const& path, bool writable)
{
    ThrowIfRelative(path);
    Imp::SetWritable(path, writable);
}

template<class Imp>
void GFileSystemBase<Imp>::GetPermissions(GPathName const& path, int userType, bool* read, bool* write,
                                          bool* execute)
{
    ThrowIfRelative(path);
    Imp::GetPermissions(path, userType, read, write, execute);
}

template<class Imp>
void GFileSystemBase<Imp>::SetPermissions(GPathName const& path, int userMask, bool read, bool write, bool execute)
{
    ThrowIfRelative(path);
    Imp::SetPermissions(path, userMask, read, write, execute);
}

template<class Imp>
void GFileSystemBase<Imp>::GetAliasPermissions(GPathName const& path, int userType, bool* read, bool* write,
                                               bool* execute)
{
    ThrowIfRelative(path);
    Imp::GetAliasPermissions(path, userType, read, write, execute);
}

template<class Imp>
void GFileSystemBase<Imp>::SetAliasPermissions(GPathName const& path, int userMask, bool read, bool write,
                                               bool execute)
{
    ThrowIfRelative(path);
    Imp::SetAliasPermissions(path, userMask, read, write, execute);
}

template<class Imp>
void GFileSystemBase<Imp>::CopyPermissions(GPathName const& source, GPathName const& destination)
{
    ThrowIfRelative(source);
    ThrowIfRelative(destination);
    Imp::CopyPermissions(source, destination);
}

template<class Imp>
void GFileSystemBase<Imp>::CopyAliasPermissions(GPathName const& source, GPathName const& destination)
{
    ThrowIfRelative(source);
    ThrowIfRelative(destination);
    Imp::CopyAliasPermissions(source, destination);
}

template<class Imp>
void GFileSystemBase<Imp>::CopyPermissionsRecursive(GPathName const& sourceFolder, GPathName const& destFolder)
{
    typename Imp::OperationScope const scope;
    ThrowIfRelative(sourceFolder);
    ThrowIfRelative(destFolder);
    CopyRecursive<Imp>(sourceFolder, destFolder,
                       [](GPathName const& from, GPathName const& to) { Imp::CopyPermissions(from, to); });
}

template<class Imp>
void GFileSystemBase<Imp>::GetOwnerAndGroup(GPathName const& path, int& owner, int& group)
{
    ThrowIfRelative(path);
    Imp::GetOwnerAndGroup(path, owner, group);
}

template<class Imp>
void GFileSystemBase<Imp>::SetOwnerAndGroup(GPathName const& path, int owner, int group)
{
    ThrowIfRelative(path);
    Imp::SetOwnerAndGroup(path, owner, group);
}

template<class Imp>
bool GFileSystemBase<Imp>::CheckIfOwner(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::CheckIfOwner(path);
}

template<class Imp>
bool GFileSystemBase<Imp>::CheckAliasIfOwner(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::CheckAliasIfOwner(path);
}

template<class Imp>
int GFileSystemBase<Imp>::GetObjectLocked(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::GetObjectLocked(path);
}

template<class Imp>
void GFileSystemBase<Imp>::SetObjectLocked(GPathName const& path, bool locked)
{
    ThrowIfRelative(path);
    Imp::SetObjectLocked(path, locked);
}

template<class Imp>
int GFileSystemBase<Imp>::GetAliasObjectLocked(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::GetAliasObjectLocked(path);
}

template<class Imp>
void GFileSystemBase<Imp>::SetAliasObjectLocked(GPathName const& path, bool locked)
{
    ThrowIfRelative(path);
    Imp::SetAliasObjectLocked(path, locked);
}

template<class Imp>
bool GFileSystemBase<Imp>::FileInUse(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::FileInUse(path);
}

template<class Imp>
bool GFileSystemBase<Imp>::IsBeingCopied(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::IsBeingCopied(path);
}

// --- file kinds, volumes, the application ---

template<class Imp>
GFileType const* GFileSystemBase<Imp>::GetFileTypePtr(GPathName const& path)
{
    ThrowIfRelative(path);
    return Imp::GetFileTypePtr(path);
}

template<class Imp>
void GFileSystemBase<Imp>::SetFileType(GPathName& path, GFileType const& type, bool replaceExtension)
{
    ThrowIfRelative(path);
    Imp::SetFileType(path, type, replaceExtension);
}

template<class Imp>
int GFileSystemBase<Imp>::GetVolumeType(GPathName const& path, bool resolveAlias)
{
    ThrowIfRelative(path);
    return Imp::GetVolumeType(path, resolveAlias);
}

template<class Imp>
bool GFileSystemBase<Imp>::IsOnSameVolume(GPathName const& first, GPathName const& second)
{
    ThrowIfRelative(first);
    ThrowIfRelative(second);
    return Imp::IsOnSameVolume(first, second);
}

template<class Imp>
void GFileSystemBase<Imp>::GetApplicationPath(GPathName& path)
{
    Imp::GetApplicationPath(path);
}

template<class Imp>
void GFileSystemBase<Imp>::GetDllPath(GPathName& path)
{
    Imp::GetDllPath(path);
}

template<class Imp>
void GFileSystemBase<Imp>::GetApplicationVersion(GPathName const& path, int& major, int& minor)
{
    ThrowIfRelative(path);
    Imp::GetApplicationVersion(path, major, minor);
}

template<class Imp>
void GFileSystemBase<Imp>::FindRealExecutable(GPathName const& path, GPathName& executable)
{
    ThrowIfRelative(path);
    Imp::FindRealExecutable(path, executable);
}

// --- special paths ---

template<class Imp>
void GFileSystemBase<Imp>::AddSpecialPath(int id, GPathName const& path)
{
    SpecialPaths& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.fMutex);
    registry.fPaths.Put(id, path);
}

template<class Imp>
GPathName GFileSystemBase<Imp>::GetSpecialPath(int id)
{
    SpecialPaths& registry = Registry();
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        {
            std::lock_guard<std::mutex> lock(registry.fMutex);
            if (GPathName const* path = registry.fPaths.Find(id))
                return *path;
        }
        if (attempt == 0)
            SetSpecialPathToDefault(id);
    }
    throw GSimpleException(cFileNotFoundID);
}

template<class Imp>
void GFileSystemBase<Imp>::GetDebugFolder(GPathName& folder)
{
    folder = GetSpecialPath(cDebugFolderID);
}

template<class Imp>
void GFileSystemBase<Imp>::SetSpecialPathToDefault(int id)
{
    GPathName path;
    switch (id)
    {
    case -1:
        Imp::GetGlobalSystemFolder(path);
        break;
    case -2:
        Imp::GetGlobalTempFolder(path);
        break;
    case -3:
        Imp::GetGlobalPreferenceFolder(path);
        break;
    case -4:
        Imp::GetUserPreferenceFolder(path);
        break;
    case -5:
        Imp::GetApplicationPath(path);
        break;
    case -6:
        Imp::GetDllPath(path);
        break;
    case -7:
        Imp::GetSystemFolder(path);
        break;
    case -8:
        Imp::GetUserApplicationDataFolder(path);
        break;
    case 7:
        path = GetSpecialPath(11) / GPathName("CMap");
        break;
    case cDebugFolderID:
        Imp::GetDebugFolder(path);
        break;
    case 11:
        Imp::GetResourceFolder(path);
        break;
    case 21:
        path = GetSpecialPath(11) / GPathName("FontMetrics");
        break;
    case 22:
        path = GetSpecialPath(11) / GPathName("Lng");
        break;
    case 23:
        path = GetSpecialPath(11) / GPathName("ICC");
        break;
    case 33:
        Imp::GetGlobalPreferenceFolder(path);
        path /= GPathName("Zolvane Prefs Folder");
        break;
    case 35:
        Imp::GetUserPreferenceFolder(path);
        path /= GPathName("Zolvane Prefs Folder");
        break;
    case 52:
        path = GetSpecialPath(11) / GPathName("xml");
        break;
    case 53:
        path = GetSpecialPath(-8) / GPathName("Zolvane");
        break;
    case 54:
        path = GetSpecialPath(11) / GPathName("Artwork");
        break;
    default:
        // No default: the id stands for the empty path until someone registers one.
        break;
    }
    AddSpecialPath(id, path);
}

template<class Imp>
void GFileSystemBase<Imp>::RemoveSpecialPath(int id)
{
    SpecialPaths& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.fMutex);
    registry.fPaths.Remove(id);
}

template<class Imp>
void GFileSystemBase<Imp>::RemoveAllSpecialPaths()
{
    SpecialPaths& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.fMutex);
    registry.fPaths.RemoveAll();
}

template class GFileSystemBase<PMacFileSystemImp>;
