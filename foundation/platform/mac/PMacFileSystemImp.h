// The macOS implementation behind the file-system facade: the portable side of each operation
// (resolving aliases, deciding what exists, making missing parent folders, unlocking before a change
// and relocking after a failure, falling back from a move to a copy) over Foundation's file manager
// (PMacFileSystemImpCocoa) and POSIX calls. Classic file-error codes are mapped to the foundation's
// exceptions, and every operation keeps an error context naming its path or paths.
#pragma once

#include "GString.h"
#include "GTable.h"
#include "PMacFileSystemImpCocoa.h"

class GDateTime;
class GFileType;
class GPathName;

class PMacFileSystemImp
{
public:
    PMacFileSystemImp() = delete;

    // Whose permissions an operation means (bits): 7 is owner, group and others at once; the
    // current user is resolved against the object's owner and group.
    enum UserType
    {
        cOwner = 1,
        cGroup = 2,
        cOthers = 4,
        cCurrentUser = 8
    };

    // Held for the length of an operation made of several of the operations below: each item's
    // answers are read once for all of them (every operation here holds one of its own as well).
    using OperationScope = PMacFileSystemImpCocoa::OperationScope;
    // Forgets what the open operation has read of the item at path, so that the next questions
    // look at the item as it is now. Another process may have changed it since, put a link in
    // place of a folder say: a decision that removes or overwrites goes by the item as it is, never
    // by an answer from earlier in the operation.
    static void LookAgain(GPathName const& path);

    // 0 returns; a classic file-error code throws GSimpleException with the id that describes it
    // (40000 to 40064), any other code GException 2450.
    static void CheckForErrors(short code);

    // --- existence and identity ---
    // The path with every alias in it resolved: 0 when the result is there, -43 when only the path
    // itself is (a broken alias), -5000 when nothing is. Not checked here.
    static short ResolveAlias(GPathName const& path, GPathName& resolved, bool* wasAlias);
    static bool FolderExists(GPathName const& path);
    // A broken alias counts as a file.
    static bool FileExists(GPathName const& path);
    static bool IsAlias(GPathName const& path);
    static bool AliasHasTarget(GPathName const& alias, GPathName& target);
    // target gets the path with every alias resolved; whether an alias was met.
    static bool GetAliasTarget(GPathName const& path, GPathName& target);
    // A leaf beginning with "." is hidden whatever the flag says.
    static bool IsHidden(GPathName const& path);
    static void SetHidden(GPathName const& path, bool hidden);
    // With compareLinks the links themselves are compared; otherwise the objects they lead to
    // (device, inode, size and modification time).
    static bool IsSameFileOrFolder(GPathName const& first, GPathName const& second, bool compareLinks);
    // Whether the folder at destination, or the folder it would be made in, is source or lies
    // within it, however the path reaches it: the folders that hold it are found upwards from the
    // deepest one on the way that is there, and compared with source by device and inode.
    static bool LiesWithin(GPathName const& destination, GPathName const& source);
    static bool IsMacPackage(GPathName const& path);
    static bool IsMacFramework(GPathName const& path);
    // The nearest enclosing package or framework; none throws 40061 or 40062.
    static void FindMacPackageRoot(GPathName const& path, GPathName& root);
    static void FindMacFrameworkRoot(GPathName const& path, GPathName& root);

    // --- creation ---
    // Creates the file and any missing parent folders; true when this call created it.
    static bool CreateFile(GPathName const& path);
    // With a type and replaceExtension the extension becomes the type's first; with a type the Mac
    // creator and type codes are set afterwards, also on a file that was there.
    static bool CreateFile(GPathName& path, GFileType const* type, bool replaceExtension);
    static void SetExtensionFromType(GPathName& path, GFileType const* type);
    static void SetMacCreatorAndType(GPathName const& path, unsigned int creator, unsigned int type);
    // Creates the folder and any missing parents; true when this call created it (never for "/").
    static bool CreateFolder(GPathName const& path);
    // Whether the path's folder is there afterwards, made when missing.
    static bool CreateParentFolder(GPathName const& path);
    // An alias, or a symbolic link where no alias can be made.
    static void CreateAlias(GPathName const& alias, GPathName const& target, GString const& name);
    // A file at link throws 40015.
    static void CreateSymLink(GPathName const& link, GPathName const& target);

    // --- removal ---
    // True when a file was removed, false when nothing was there; a folder throws 40032. A locked
    // file is unlocked first and locked again when the removal fails.
    static bool RemoveFile(GPathName const& path);
    static bool RemoveFileNoCheckIfFile(GPathName const& path);
    // The folder with whatever it holds, or an alias to a folder as a link; a file throws 40044.
    static bool RemoveFolderOnly(GPathName const& path);
    // The compound removal's walk (kinds and descend select what goes), made by folder descriptors:
    // each folder of the tree is opened without following a link in its place, and its entries are
    // removed by name relative to it, so that a link another process puts in place of a folder
    // meanwhile goes as a link and what it leads to stays. Links are followed only where descend
    // asks for it. True when nothing selected was left. The folder itself is the one its path
    // names, links on the way included; one that cannot be opened holds nothing.
    static bool RemoveFolderContent(GPathName const& folder, int kinds, int descend);
    // The same on the real folder at path (not a link in its place), which then goes too when
    // nothing selected was left. False when no real folder is there (any more).
    static bool RemoveRealFolder(GPathName const& folder, int kinds, int descend);
    // Removes the alias or link at path as a link. False when a folder is there (any more), which
    // stays as it is.
    static bool RemoveLink(GPathName const& path);
    // unlink, through the trash when the name is too long; finalPath is where it was unlinked.
    static bool TryUnlinkFile(GPathName const& path, GPathName& finalPath);
    static void MoveFolderToTrash(GPathName const& path);
    static void MoveFileToTrash(GPathName const& path) { MoveFolderToTrash(path); }

    // --- moving, copying, renaming ---
    // Into destFolder (made when missing) under the file's own name; across volumes a copy and a
    // removal. A lock on the source moves along.
    static void MoveFileTo(GPathName const& source, GPathName const& destFolder, GPathName& result, bool overwrite);
    static void MoveFileTo(GPathName const& source, GPathName const& destFolder, bool overwrite);
    static void MoveFolderTo(GPathName const& source, GPathName const& destFolder, GPathName& result, bool overwrite);
    // Into destFolder under the file's own name; an existing copy is removed when overwrite, else 40015.
    static void CopyFileTo(GPathName const& source, GPathName const& destFolder, GPathName& result, bool overwrite,
                           bool resolveSource);
    static void CopyFileTo(GPathName const& source, GPathName const& destFolder, GPathName& result, bool overwrite);
    // To a full destination path; without followLinks a link is copied as a link.
    static void CopyAndRenameFile(GPathName const& source, GPathName const& destination, bool overwrite,
                                  bool followLinks);
    // The alias's target, a relative one taken from the alias's folder; the path itself without one.
    static void GetTarget(GPathName const& path, GPathName& target);
    // The text of a symbolic link; empty when it is none.
    static void GetSymLinkTarget(GPathName const& link, GPathName& target);
    // Within the folder; the caller's path becomes the new one.
    static void RenameFile(GPathName& path, GString const& newName, GFileType const* type, bool replaceExtension);
    static void RenameFolder(GPathName& path, GString const& newName);
    static bool ReplaceItem(GPathName const& item, GPathName const& replacement);

    // --- dates ---
    static void GetCreationDateTime(GPathName const& path, GDateTime& date);
    static void SetCreationDateTime(GPathName const& path, GDateTime const& date);
    static void GetModificationDateTime(GPathName const& path, GDateTime& date);
    static void SetModificationDateTime(GPathName const& path, GDateTime const& date);

    // --- permissions, ownership, locks ---
    // Null flags are skipped. The Alias forms work on the path itself, the others on what its aliases
    // lead to.
    static void GetPermissions(GPathName const& path, int userType, bool* read, bool* write, bool* execute);
    static void SetPermissions(GPathName const& path, int userMask, bool read, bool write, bool execute);
    static void GetAliasPermissions(GPathName const& path, int userType, bool* read, bool* write, bool* execute);
    static void SetAliasPermissions(GPathName const& path, int userMask, bool read, bool write, bool execute);
    static void CopyPermissions(GPathName const& source, GPathName const& destination);
    static void CopyAliasPermissions(GPathName const& source, GPathName const& destination);
    static void GetOwnerAndGroup(GPathName const& path, int& owner, int& group);
    static void SetOwnerAndGroup(GPathName const& path, int owner, int group);
    static bool CheckIfOwner(GPathName const& path);
    static bool CheckAliasIfOwner(GPathName const& path);
    // 1 unlocked, 2 the object is locked, 4 its volume is locked.
    static int GetObjectLocked(GPathName const& path);
    static void SetObjectLocked(GPathName const& path, bool locked);
    static int GetAliasObjectLocked(GPathName const& path);
    static void SetAliasObjectLocked(GPathName const& path, bool locked);
    static bool IsWritable(GPathName const& path);
    static void SetWritable(GPathName const& path, bool writable);
    // The file or its volume is locked, or another process holds a lock on it.
    static bool FileInUse(GPathName const& path);
    // The file is still being written by a copy.
    static bool IsBeingCopied(GPathName const& path);
    static void CopyAttributes(GPathName const& source, GPathName const& destination);

    // --- file kinds ---
    // From the Mac creator and type codes, or else from the extension; never null.
    static GFileType const* GetFileTypePtr(GPathName const& path);
    static void SetFileType(GPathName& path, GFileType const& type, bool replaceExtension);
    // Most significant byte first.
    static void UInt32ToBytes(unsigned int value, unsigned char bytes[4]);

    // --- volumes ---
    // 1 local, 2 neither local nor internal, 5 internal and removable, 0 internal and fixed.
    static int GetVolumeType(GPathName const& path, bool resolveAlias);
    static bool IsOnSameVolume(GPathName const& first, GPathName const& second);
    static bool VolumeNameExists(GString const& name);
    static GString GetVolumeUrlForRemounting(GPathName const& path);
    static GTable<GString> GetMountedVolumeUrls();

    // --- the application and known folders ---
    static void GetExecutablePath(GPathName& path);
    static void GetApplicationPath(GPathName& path);
    // The code file that holds the foundation.
    static void GetDllPath(GPathName& path);
    static void GetResourceFolder(GPathName& folder);
    // None throws 40060.
    static void GetApplicationVersion(GPathName const& path, int& major, int& minor);
    static void FindRealExecutable(GPathName const& path, GPathName& executable);
    static void GetCurrentFolder(GPathName& folder);
    static void GetGlobalTempFolder(GPathName& folder);
    // "/tmp/ZolvaneDebug".
    static void GetDebugFolder(GPathName& folder);
    // A real folder (not a link to one) that the process's user owns and no one else may write
    // into, so that nobody else can put a file or a link there. False on any error.
    static bool IsPrivateFolder(GPathName const& folder);
    static void GetTrashFolder(GPathName& folder);
    static void GetUserHomeFolder(GPathName& folder);
    static void GetUserDocumentsFolder(GPathName& folder);
    static void GetDesktopFolder(GPathName& folder);
    static void GetUserPreferenceFolder(GPathName& folder);
    static void GetUserApplicationDataFolder(GPathName& folder);
    static void GetApplicationsFolder(GPathName& folder);
    static void GetGlobalPreferenceFolder(GPathName& folder);
    static void GetCommonAppDataFolder(GPathName& folder);
    static void GetSystemFolder(GPathName& folder);
    static void GetGlobalSystemFolder(GPathName& folder) { GetSystemFolder(folder); }
    static void GetLocalTempFolder(GPathName& folder);
    static void GetSpecialFolder(short domain, unsigned int folderType, GPathName& folder);

    static void SetCopyResourceForksEnabled(bool enabled) { sCopyResourceForks = enabled; }

private:
    static bool sCopyResourceForks;
};
