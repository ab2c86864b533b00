// The one door through which the system touches files and folders: static operations carried out by
// the platform implementation Imp. The facade adds three things of its own: every operation that takes
// a path refuses a relative one (GSimpleException 40068); each fallible query has a Try twin that
// answers false instead of throwing; and the compound operations (unique names, selective removal of
// trees, deep copies, dates and permissions of whole trees) are built here on the platform's
// primitives and the folder iterator. It also keeps the special-path registry, through which
// preference, string, trace and output folders are found by id.
//
// Object-kind masks (kinds, descend): 1 files, 2 folders, 4 aliases and symbolic links, 8 hidden
// objects included; -1 is everything.
#pragma once

#include "GString.h"
#include "GTable.h"

class GDateTime;
class GFileType;
class GPathName;

template<class Imp>
class GFileSystemBase
{
public:
    GFileSystemBase() = delete;

    static void ThrowIfRelative(GPathName const& path);

    // --- existence and identity ---
    static bool FolderExists(GPathName const& path);
    // A broken alias counts as a file.
    static bool FileExists(GPathName const& path);
    static bool TryFolderExists(GPathName const& path);
    static bool TryFileExists(GPathName const& path);
    static bool IsAlias(GPathName const& path);
    // Whether the path is an alias whose target exists; target gets the resolved path.
    static bool AliasHasTarget(GPathName const& alias, GPathName& target);
    // target gets the path with every alias in it resolved; whether an alias was met.
    static bool GetAliasTarget(GPathName const& path, GPathName& target);
    static bool IsHidden(GPathName const& path);
    static void SetHidden(GPathName const& path, bool hidden);
    static bool IsMacPackage(GPathName const& path);
    static bool IsMacFramework(GPathName const& path);
    static void FindMacPackageRoot(GPathName const& path, GPathName& root);
    static void FindMacFrameworkRoot(GPathName const& path, GPathName& root);
    // No relative-path check: the same file-system object.
    static bool IsSameFileOrFolder(GPathName const& first, GPathName const& second, bool compareLinks);
    static bool VolumeNameExists(GString const& name);

    // --- creation ---
    // Creates the file and any missing parent folders; true when created, false when a file was
    // there. With a type and replaceExtension the caller's path first gets the type's extension.
    static bool CreateFile(GPathName& path, GFileType const* type, bool replaceExtension);
    static bool CreateFile(GPathName const& path);
    // True when created, false when it was there (and for "/").
    static bool CreateFolder(GPathName const& path);
    static GPathName CreateAlias(GPathName const& alias, GPathName const& target, GString const& name);
    // A new file or folder whose leaf is the pattern's with a number in place of its run of "X"
    // (five are added to a leaf without one); 40063 when every number is taken.
    static void CreateUniqueFile(GPathName const& pattern, GPathName& path, GFileType const* type,
                                 bool replaceExtension);
    static void CreateUniqueFolder(GPathName const& pattern, GPathName& path);
    static void CreateUniqueObject(GPathName const& pattern, bool isFile, GPathName& path, GFileType const* type,
                                   bool replaceExtension);

    // --- removal ---
    // True when removed, false when nothing was there; a folder throws 40032.
    static bool RemoveFile(GPathName const& path);
    static bool TryToRemoveFile(GPathName const& path);
    // The folder in one step, whatever it holds; an alias to a folder as a link; a file throws 40044.
    static bool RemoveFolderOnly(GPathName const& path);
    // The selected content, then the folder unless something selected was kept; false when the path
    // is no folder.
    static bool RemoveFolder(GPathName const& folder, int kinds, int descend);
    static bool TryToRemoveFolder(GPathName const& folder, int kinds, int descend);
    // The selected content alone; true when nothing selected was left.
    static bool RemoveFolderContent(GPathName const& folder, int kinds, int descend);
    static bool TryToRemoveFolderContent(GPathName const& folder, int kinds, int descend);
    static bool RecursiveRemoveFolder(GPathName const& folder, int kinds, int descend);
    static void MoveFolderToTrash(GPathName const& path);
    static void MoveFileToTrash(GPathName const& path) { MoveFolderToTrash(path); }
    static bool TryMoveFileToTrash(GPathName const& path);

    // --- moving, copying, renaming ---
    static void MoveFileTo(GPathName const& source, GPathName const& destFolder, GPathName& result, bool overwrite);
    static void MoveFileTo(GPathName const& source, GPathName const& destFolder, bool overwrite);
    static void MoveFolderTo(GPathName const& source, GPathName const& destFolder, GPathName& result, bool overwrite);
    static void CopyFileTo(GPathName const& source, GPathName const& destFolder, GPathName& result, bool overwrite);
    static void CopyAndRenameFile(GPathName const& source, GPathName const& destination, bool overwrite,
                                  bool followLinks);
    // A deep copy of source into destParent; an existing copy without overwrite throws 40065, and a
    // destination inside the source is refused with 40068.
    static void CopyFolderTo(GPathName const& source, GPathName const& destParent, GPathName& result,
                             bool overwrite);
    // A deep copy of source's content into the existing dest; files already there are kept unless
    // overwrite.
    static void CopyFolderContentsTo(GPathName const& source, GPathName const& dest, bool overwrite);
    static void RenameFile(GPathName& path, GString const& newName, GFileType const* type, bool replaceExtension);
    static void RenameFolder(GPathName& path, GString const& newName);
    // Puts replacement in item's place in one step; the new item keeps the old one's metadata.
    static bool ReplaceItem(GPathName const& item, GPathName const& replacement);

    // --- dates, permissions, ownership, locks ---
    static void GetCreationDateTime(GPathName const& path, GDateTime& date);
    static void SetCreationDateTime(GPathName const& path, GDateTime const& date);
    static void GetModificationDateTime(GPathName const& path, GDateTime& date);
    static void SetModificationDateTime(GPathName const& path, GDateTime const& date);
    static void CopyDateTimeInfo(GPathName const& source, GPathName const& destination);
    static void CopyDateTimeInfoRecursive(GPathName const& sourceFolder, GPathName const& destFolder);
    static bool IsWritable(GPathName const& path);
    static void SetWritable(GPathName const& path, bool writable);
    static void GetPermissions(GPathName const& path, int userType, bool* read, bool* write, bool* execute);
    static void SetPermissions(GPathName const& path, int userMask, bool read, bool write, bool execute);
    static void GetAliasPermissions(GPathName const& path, int userType, bool* read, bool* write, bool* execute);
    static void SetAliasPermissions(GPathName const& path, int userMask, bool read, bool write, bool execute);
    static void CopyPermissions(GPathName const& source, GPathName const& destination);
    static void CopyAliasPermissions(GPathName const& source, GPathName const& destination);
    static void CopyPermissionsRecursive(GPathName const& sourceFolder, GPathName const& destFolder);
    static void GetOwnerAndGroup(GPathName const& path, int& owner, int& group);
    static void SetOwnerAndGroup(GPathName const& path, int owner, int group);
    static bool CheckIfOwner(GPathName const& path);
    static bool CheckAliasIfOwner(GPathName const& path);
    // 1 unlocked, 2 the object is locked, 4 its volume is locked.
    static int GetObjectLocked(GPathName const& path);
    static void SetObjectLocked(GPathName const& path, bool locked);
    static int GetAliasObjectLocked(GPathName const& path);
    static void SetAliasObjectLocked(GPathName const& path, bool locked);
    static bool FileInUse(GPathName const& path);
    static bool IsBeingCopied(GPathName const& path);

    // --- file kinds, volumes, the application and known folders ---
    // Never null: an unknown extension gets a kind of its own.
    static GFileType const* GetFileTypePtr(GPathName const& path);
    static void SetFileType(GPathName& path, GFileType const& type, bool replaceExtension);
    // 1 local, 2 neither local nor internal, 5 internal and removable, 0 internal and fixed.
    static int GetVolumeType(GPathName const& path, bool resolveAlias);
    static bool IsOnSameVolume(GPathName const& first, GPathName const& second);
    static void GetApplicationPath(GPathName& path);
    static void GetDllPath(GPathName& path);
    static void GetApplicationVersion(GPathName const& path, int& major, int& minor);
    static void FindRealExecutable(GPathName const& path, GPathName& executable);
    // The folder registered under cDebugFolderID, by default "/tmp/ZolvaneDebug".
    static void GetDebugFolder(GPathName& folder);
    static bool IsPrivateFolder(GPathName const& folder) { return Imp::IsPrivateFolder(folder); }
    static void GetCurrentFolder(GPathName& folder) { Imp::GetCurrentFolder(folder); }
    static void GetResourceFolder(GPathName& folder) { Imp::GetResourceFolder(folder); }
    static void GetGlobalTempFolder(GPathName& folder) { Imp::GetGlobalTempFolder(folder); }
    static void GetTrashFolder(GPathName& folder) { Imp::GetTrashFolder(folder); }
    static void GetUserHomeFolder(GPathName& folder) { Imp::GetUserHomeFolder(folder); }
    static void GetUserDocumentsFolder(GPathName& folder) { Imp::GetUserDocumentsFolder(folder); }
    static void GetApplicationsFolder(GPathName& folder) { Imp::GetApplicationsFolder(folder); }
    static void GetDesktopFolder(GPathName& folder) { Imp::GetDesktopFolder(folder); }
    static void GetCommonAppDataFolder(GPathName& folder) { Imp::GetCommonAppDataFolder(folder); }
    static void GetGlobalSystemFolder(GPathName& folder) { Imp::GetGlobalSystemFolder(folder); }
    static void GetSystemFolder(GPathName& folder) { Imp::GetSystemFolder(folder); }
    static void GetGlobalPreferenceFolder(GPathName& folder) { Imp::GetGlobalPreferenceFolder(folder); }
    static void GetUserPreferenceFolder(GPathName& folder) { Imp::GetUserPreferenceFolder(folder); }
    static void GetUserApplicationDataFolder(GPathName& folder) { Imp::GetUserApplicationDataFolder(folder); }

    // --- special paths ---
    // The id under which the debug folder (trace settings and logs) is registered.
    static constexpr int cDebugFolderID = -9;
    // Stores a copy under the id, replacing what was there; no checks.
    static void AddSpecialPath(int id, GPathName const& path);
    // The stored path; on a miss the id's default is stored first. An id without a default is the
    // empty path.
    static GPathName GetSpecialPath(int id);
    static void SetSpecialPathToDefault(int id);
    static void RemoveSpecialPath(int id);
    static void RemoveAllSpecialPaths();
};
