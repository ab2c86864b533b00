// The part of the macOS file layer that works through Foundation: the file manager, URL resource
// values, bundles and bookmark data. Every operation keeps an autorelease pool of its own for its
// duration, hands paths to Foundation as their native UTF-8 text (a path that gives no text or URL
// throws GCustomException 40004, or answers -37 where the operation answers codes), and turns a
// Foundation error into GCustomException 40275 with the error's description.
//
// Codes are the classic file-error numbers: 0 success, -36 I/O error, -37 bad name, -43 not found,
// -48 already exists, -122 move failed, -5000 access denied.
#pragma once

#include "GBuffer.h"
#include "GPathName.h"
#include "GString.h"
#include "GTable.h"

class GDateTime;

class PMacFileSystemImpCocoa
{
public:
    PMacFileSystemImpCocoa() = delete;

    enum DateTimeType
    {
        cCreationDate = 0,
        cModificationDate = 1
    };
    enum DeleteItemType
    {
        // A regular file, an alias file or a symbolic link.
        cDeleteFile = 0,
        cDeleteFolder = 1,
        // Whatever is there.
        cDeleteAny = 2
    };

    // While one is open on a thread, the services hand out one URL object per path, so that what one
    // of them read of an item (its kind, its attributes, its volume) answers the next question about
    // it within the same operation, as the URL objects of one operation would on the platform. A
    // change made through the services, or told with ItemChanged, drops whatever it may have made
    // untrue. Only the outermost scope of a thread counts; it lets the URL objects go when it closes.
    class OperationScope
    {
    public:
        OperationScope();
        ~OperationScope();
        OperationScope(OperationScope const&) = delete;
        OperationScope& operator=(OperationScope const&) = delete;
    };
    // Tells the open scope that the item at path was changed by other means than these services:
    // made, removed or renamed, or (attributesOnly) changed in place.
    static void ItemChanged(GPathName const& path, bool attributesOnly);
    // Within an open scope, looks at the item at path as it is now, without following a link: when
    // it is no longer of the kind the scope knew (a folder has become a link, say), or is gone,
    // whatever the scope read of it and below it is dropped. The answers kept for the path go in any
    // case. A decision that removes or overwrites is taken after this, never on what was read before.
    static void LookAgain(GPathName const& path);
    // Within an open scope, the answer a caller kept for a question (a number of its own, 0 to 3) about the
    // path, as long as nothing has changed since through the services; false when there is none.
    static bool RecallAnswer(int question, GPathName const& path, bool& answer);
    static void KeepAnswer(int question, GPathName const& path, bool answer);

    // The Folder Manager's domains of special folders.
    static constexpr short cUserDomain = -32763;
    static constexpr short cLocalDomain = -32765;

    // A four-character code ("pref") as the number the platform keeps it in.
    static constexpr unsigned int FourCharCode(char const (&code)[5])
    {
        return static_cast<unsigned int>(static_cast<unsigned char>(code[0])) << 24 |
               static_cast<unsigned int>(static_cast<unsigned char>(code[1])) << 16 |
               static_cast<unsigned int>(static_cast<unsigned char>(code[2])) << 8 |
               static_cast<unsigned int>(static_cast<unsigned char>(code[3]));
    }

    // One entry of a folder listing.
    struct IteratorCacheItem
    {
        GPathName fPath;
        bool fIsFolder;
        bool fIsHidden;
        bool fIsAlias;
    };

    // --- copying, moving and removing ---
    // Replaces target by replacement in one step (UTF-8 paths), carrying target's metadata (its
    // extended attributes: Finder information, lock) over; true when the result stands at target.
    static bool ReplaceItem(char const* target, char const* replacement);
    // The copy is unlocked and gets the source's creation and modification dates.
    static void CopyFileTo(GPathName const& source, GPathName const& destination);
    // -122 when the move fails or leaves the source reachable or the destination unreachable.
    static short MoveFileTo(GPathName const& source, GPathName const& destination);
    static bool MoveFolderTo(GPathName const& source, GPathName const& destination);
    static void RenameItem(GPathName const& from, GPathName const& to);
    // trashed becomes the item's path in the trash.
    static void MoveObjectToTrash(GPathName const& path, GPathName& trashed);
    // -43 when the item is not there or not of the kind asked for; -5000 when the removal fails.
    static short RemoveItem(GPathName const& path, DeleteItemType type);
    // -48 when something is there already; -36 when the file cannot be made.
    static short CreateFile(GPathName const& path);
    // -48 when something is there already; the parent must exist.
    static short CreateFolder(GPathName const& path);

    // --- queries and attributes ---
    // Throws 40281 when nothing is there.
    static bool FolderExists(GPathName const& path);
    // -43 when nothing is reachable there (isFolder untouched).
    static short IsFolder(GPathName const& path, bool* isFolder);
    static void GetCurrentFolder(GPathName& folder);
    static void GetMacCreatorAndType(GPathName const& path, unsigned int& creator, unsigned int& type);
    static void SetMacCreatorAndType(GPathName const& path, unsigned int creator, unsigned int type);
    // The file's type code says that a copy is still being written into it.
    static bool IsFileBusy(GPathName const& path);
    static bool IsHidden(GPathName const& path);
    static void SetHidden(GPathName const& path, bool hidden);
    // The locked (user-immutable) flag of the item itself.
    static bool GetFileLockStatus(GPathName const& path);
    static void SetAliasObjectLocked(GPathName const& path, bool locked);
    static void GetOwnerAndGroup(GPathName const& path, int& owner, int& group);
    static void SetOwnerAndGroup(GPathName const& path, int owner, int group);
    // Without forCurrentUser the item's permission bits; with it, the current user's three access
    // answers in the flags given, and -1.
    static short GetAliasPermissions(GPathName const& path, bool forCurrentUser, bool* readable, bool* writable,
                                     bool* executable);
    static void SetAliasPermissions(GPathName const& path, short permissions);
    // The label colour and the custom icon, each when the source has one.
    static void CopyAttributes(GPathName const& source, GPathName const& destination);
    static bool AreLinksIdentical(GPathName const& first, GPathName const& second);
    static bool IsMacPackage(GPathName const& path);
    static void GetFileSystemDateTime(DateTimeType type, GPathName const& path, GDateTime& date);
    static void SetFileSystemDateTime(DateTimeType type, GPathName const& path, GDateTime const& date);

    // --- volumes ---
    static bool IsOnSameVolume(GPathName const& first, GPathName const& second);
    static bool IsVolumeLocal(GPathName const& path);
    static bool IsVolumeInternal(GPathName const& path);
    static bool IsVolumeRemovable(GPathName const& path);
    static bool VolumeNameExists(GString const& name);
    // Whether the volume that holds the item is read-only.
    static bool GetVolumeLockStatusByFilePath(GPathName const& path);
    static GString GetVolumeUrlForRemounting(GPathName const& path);
    static GTable<GString> GetMountedVolumeUrls();

    // --- bundles ---
    // The first two numbers of the bundle's short version; false when there is no bundle there.
    static bool GetApplicationVersion(GPathName const& path, int& major, int& minor);
    // The resource folder of the bundle with that identifier (the main bundle when empty); whether
    // the bundle is a package.
    static bool GetResourceFolder(GBuffer const& identifier, GPathName& folder);
    // The executable of the bundle at path; path itself when there is no bundle.
    static void FindRealExecutable(GPathName const& path, GPathName& executable);
    static void GetApplicationBundleRoot(GPathName& root);
    static void GetApplicationMainExecutable(GPathName& executable);
    static void GetDLLPath(GBuffer const& identifier, GPathName& path);

    // --- special folders and aliases ---
    // domain: user (-32763) or local (-32765), else 40276; folderType: a four-character code, an
    // unknown one throws 40277.
    static void GetSpecialFolder(short domain, unsigned int folderType, GPathName& result, bool create);
    static bool IsAlias(GPathName const& path);
    // Every alias met in the path's components resolved: 0 when the result is reachable, -43 when only
    // the path itself is, -5000 when neither is, -37 when the path gives no URL.
    static short ResolveAlias(GPathName const& path, GPathName& resolved, bool* wasAlias);
    static short GetAliasTarget(GPathName const& path, GPathName& target);
    // The alias's target; -43 with the target it records when that is not reachable.
    static short GetTarget(GPathName const& path, GPathName& target);
    // -48 when something is at aliasPath, -43 when the target is not reachable.
    static short CreateAlias(GPathName const& aliasPath, GPathName const& targetPath, GString const& name);

    // --- listing ---
    // The folder's entries, hidden ones included, in the order the system lists them; false (cache
    // untouched) when the folder cannot be listed.
    static bool FillCache(GTable<IteratorCacheItem>& cache, GPathName const& folder);
};
