// The macOS implementation behind the file-system facade.
#include "PMacFileSystemImp.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "GExceptionLocation.h"
#include "GFileSystem.h"
#include "GFileSystemSupport.h"
#include "GFileType.h"
#include "GPathName.h"
#include "GSimpleException.h"
#include "GUTF8Encoding.h"
#include "PMacFileSystemImpCocoa.h"
#include "PSystem.h"
#include "PUNIXFileSystemImp.h"
#include "macos/SysctlStandIn.h"

bool PMacFileSystemImp::sCopyResourceForks = false;

namespace
{
typedef PMacFileSystemImpCocoa Cocoa;

constexpr short cUserDomain = Cocoa::cUserDomain;
constexpr short cLocalDomain = Cocoa::cLocalDomain;

constexpr short cNoSuchVolume = -35;
constexpr short cBadName = -37;
constexpr short cFileNotFound = -43;
constexpr short cDuplicateName = -48;
constexpr short cAccessDenied = -5000;

constexpr int cFileNotFoundID = 40010;
constexpr int cDuplicateFileID = 40015;
constexpr int cIsFolderID = 40032;
constexpr int cIsFileID = 40044;
constexpr int cNoVersionID = 40060;
constexpr int cNoPackageRootID = 40061;
constexpr int cNoFrameworkRootID = 40062;
constexpr int cMovingID = 40075;
constexpr int cCopyingID = 40076;
constexpr int cCopyingPermissionsID = 40077;
constexpr int cCreatingAliasID = 40078;
constexpr int cUnmappedErrorID = 2450;


// The questions whose answers an operation asks for more than once.
constexpr int cFileExistsQuestion = 0;
constexpr int cFolderExistsQuestion = 1;


struct ErrorMapping
{
    short fCode;
    int fID;
};

// The File Manager's codes in their order; the message ids follow them one by one.
constexpr ErrorMapping cErrorMappings[] = {
    {-33, 40000},   {-34, 40001},   {-35, 40002},   {-36, 40003},   {-37, 40004},   {-38, 40005},
    {-39, 40006},   {-40, 40007},   {-41, 40008},   {-42, 40009},   {-43, 40010},   {-44, 40011},
    {-45, 40012},   {-46, 40013},   {-47, 40014},   {-48, 40015},   {-49, 40016},   {-50, 40017},
    {-51, 40018},   {-53, 40019},   {-54, 40020},   {-56, 40021},   {-57, 40022},   {-59, 40023},
    {-61, 40024},   {-120, 40025},  {-122, 40026},  {-123, 40027},  {-127, 40028},  {-503, 40029},
    {-1300, 40030}, {-1301, 40031}, {-1302, 40032}, {-1303, 40033}, {-1304, 40034}, {-1306, 40035},
    {-1309, 40036}, {-1310, 40037}, {-1401, 40038}, {-1402, 40039}, {-1403, 40040}, {-1404, 40041},
    {-1405, 40042}, {-1406, 40043}, {-1407, 40044}, {-1409, 40045}, {-1410, 40046}, {-1411, 40047},
    {-1421, 40048}, {-1422, 40049}, {-1423, 40050}, {-1424, 40051}, {-5000, 40064},
};

// One operation on paths: the error context that names them, and one look at each item for all the
// questions the operation asks about it (PMacFileSystemImpCocoa::OperationScope).
class Operation
{
public:
    template<class... Names>
    explicit Operation(Names const&... names) : fLocation(names...)
    {
    }

private:
    PMacFileSystemImpCocoa::OperationScope fScope;
    GExceptionLocation fLocation;
};

GString UTF8Text(std::string const& bytes)
{
    return GString(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()),
                   GUTF8Encoding::GetInstance(), true);
}

// The path with its aliases resolved; a failure throws.
GPathName Resolved(GPathName const& path)
{
    GPathName resolved;
    PMacFileSystemImp::CheckForErrors(Cocoa::ResolveAlias(path, resolved, nullptr));
    return resolved;
}

// folder / name, name being one component.
GPathName Child(GPathName const& folder, GString const& name)
{
    GPathName child(folder);
    child.Append(name);
    return child;
}

struct stat StatOf(GPathName const& path)
{
    struct stat info;
    errno = 0;
    PUNIXFileSystemImp::CheckErrno(stat(GFileSystemSupport::NativeBytes(path).c_str(), &info) == 0);
    return info;
}

// The item a path names: "x/" names x, as its normalised form says.
GPathName Named(GPathName const& path)
{
    return path.HasLeaf() ? path : path.GetMachOBranch();
}

// Whether two paths name one item, each taken as it is (a link is the link, not what it leads to):
// a link to a file is another item than the file, which an overwrite may replace.
bool IsSameItem(GPathName const& first, GPathName const& second)
{
    struct stat a;
    struct stat b;
    return lstat(GFileSystemSupport::NativeBytes(first).c_str(), &a) == 0 && lstat(GFileSystemSupport::NativeBytes(second).c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether a folder is there; a folder that cannot even be tested counts as missing, and making it
// tells what is wrong.
bool IsFolderThere(GPathName const& path)
{
    try
    {
        return PMacFileSystemImp::FolderExists(path);
    }
    catch (GException const&) // made like a missing one
    {
        return false;
    }
}

bool IsLockedByFlag(GPathName const& path)
{
    return Cocoa::GetFileLockStatus(path);
}

// The removal of a file, link or folder that the caller has found there: a locked object is unlocked
// for it and locked again when it fails.
void RemoveUnlocked(GPathName const& path, Cocoa::DeleteItemType type)
{
    bool const locked = IsLockedByFlag(path);
    if (locked)
        Cocoa::SetAliasObjectLocked(path, false);
    short code = Cocoa::RemoveItem(path, type);
    if (code == cFileNotFound)
        code = 0;
    if (code != 0 && locked)
        Cocoa::SetAliasObjectLocked(path, true);
    PMacFileSystemImp::CheckForErrors(code);
}

// Permission bits of the classes in userMask (owner, group, others) set to read/write/execute.
int MergedMode(int mode, int userMask, bool read, bool write, bool execute)
{
    int const bits = (read ? 4 : 0) | (write ? 2 : 0) | (execute ? 1 : 0);
    int mask = 0;
    int value = 0;
    if (userMask & PMacFileSystemImp::cOwner)
    {
        mask |= 0700;
        value |= bits << 6;
    }
    if (userMask & PMacFileSystemImp::cGroup)
    {
        mask |= 0070;
        value |= bits << 3;
    }
    if (userMask & PMacFileSystemImp::cOthers)
    {
        mask |= 0007;
        value |= bits;
    }
    return (mode & ~mask) | (value & mask);
}

template<class IsRoot>
void FindRoot(GPathName const& path, GPathName& root, IsRoot isRoot, int notFoundID)
{
    Cocoa::OperationScope const scope;
    root = path;
    for (;;)
    {
        if (root.GetLeaf().IsEmpty())
            break;
        GPathName const branch = root.GetBranch();
        // A volume's own folder is never a package.
        if (branch.GetCrossPlatformString() == GString("/Volumes"))
            break;
        if (isRoot(root))
            return;
        root = branch;
    }
    throw GSimpleException(notFoundID);
}

void DoNothingForDladdr()
{
}
} // namespace

void PMacFileSystemImp::CheckForErrors(short code)
{
    if (code == 0)
        return;
    for (ErrorMapping const& mapping : cErrorMappings)
    {
        if (mapping.fCode == code)
            throw GSimpleException(mapping.fID);
    }
    throw GException(cUnmappedErrorID);
}

void PMacFileSystemImp::LookAgain(GPathName const& path)
{
    Cocoa::LookAgain(path);
}

// --- existence and identity ---

short PMacFileSystemImp::ResolveAlias(GPathName const& path, GPathName& resolved, bool* wasAlias)
{
    Operation const operation(path);
    return Cocoa::ResolveAlias(path, resolved, wasAlias);
}

bool PMacFileSystemImp::FolderExists(GPathName const& path)
{
    Operation const operation(path);
    // Asked again within one operation, with nothing changed since: answered as before.
    bool answer = false;
    if (Cocoa::RecallAnswer(cFolderExistsQuestion, path, answer))
        return answer;
    GPathName resolved;
    short const code = Cocoa::ResolveAlias(path, resolved, nullptr);
    if (code == cAccessDenied || code == cFileNotFound || code == cNoSuchVolume)
        answer = false;
    else
    {
        CheckForErrors(code);
        answer = Cocoa::FolderExists(resolved);
    }
    Cocoa::KeepAnswer(cFolderExistsQuestion, path, answer);
    return answer;
}

bool PMacFileSystemImp::FileExists(GPathName const& path)
{
    Operation const operation(path);
    bool answer = false;
    if (Cocoa::RecallAnswer(cFileExistsQuestion, path, answer))
        return answer;
    GPathName resolved;
    short const code = Cocoa::ResolveAlias(path, resolved, nullptr);
    if (code == cAccessDenied)
        answer = false;
    // A broken alias is a file.
    else if (code == cFileNotFound)
        answer = true;
    else
    {
        bool isFolder = true;
        Cocoa::IsFolder(resolved, &isFolder);
        answer = !isFolder;
    }
    Cocoa::KeepAnswer(cFileExistsQuestion, path, answer);
    return answer;
}

bool PMacFileSystemImp::IsAlias(GPathName const& path)
{
    Operation const operation(path);
    return Cocoa::IsAlias(path);
}

bool PMacFileSystemImp::AliasHasTarget(GPathName const& alias, GPathName& target)
{
    Operation const operation(alias);
    bool wasAlias = false;
    short const code = Cocoa::ResolveAlias(alias, target, &wasAlias);
    if (code == cFileNotFound)
        return false;
    CheckForErrors(code);
    return wasAlias;
}

bool PMacFileSystemImp::GetAliasTarget(GPathName const& path, GPathName& target)
{
    Operation const operation(path);
    bool wasAlias = false;
    CheckForErrors(Cocoa::ResolveAlias(path, target, &wasAlias));
    return wasAlias;
}

bool PMacFileSystemImp::IsHidden(GPathName const& path)
{
    Operation const operation(path);
    GString const leaf = path.GetLeaf();
    if (!leaf.IsEmpty() && leaf.GetSubstring(0, 1) == GString("."))
        return true;
    return Cocoa::IsHidden(path);
}

void PMacFileSystemImp::SetHidden(GPathName const& path, bool hidden)
{
    Operation const operation(path);
    Cocoa::SetHidden(path, hidden);
}

bool PMacFileSystemImp::IsSameFileOrFolder(GPathName const& first, GPathName const& second, bool compareLinks)
{
    if (compareLinks)
        return Cocoa::AreLinksIdentical(first, second);
    struct stat a;
    struct stat b;
    if (stat(GFileSystemSupport::NativeBytes(first).c_str(), &a) != 0 || stat(GFileSystemSupport::NativeBytes(second).c_str(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && a.st_mtime == b.st_mtime;
}

bool PMacFileSystemImp::LiesWithin(GPathName const& destination, GPathName const& source)
{
    struct stat sourceInfo;
    // Without a source there is nothing to copy into itself; the copy tells what is wrong.
    if (stat(GFileSystemSupport::NativeBytes(source).c_str(), &sourceInfo) != 0)
        return false;
#ifdef O_PATH
    int const flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
    int const flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
    GPathName place = Named(destination);
    int folder = open(GFileSystemSupport::NativeBytes(place).c_str(), flags);
    while (folder < 0)
    {
        // Anything else in the way (a file, a folder that cannot be searched) keeps the copy from
        // making anything there.
        if (errno != ENOENT || !place.HasLeaf())
            return false;
        place = place.GetMachOBranch();
        folder = open(GFileSystemSupport::NativeBytes(place).c_str(), flags);
    }
    bool within = false;
    for (;;)
    {
        struct stat info;
        if (fstat(folder, &info) != 0)
            break;
        if (info.st_dev == sourceInfo.st_dev && info.st_ino == sourceInfo.st_ino)
        {
            within = true;
            break;
        }
        int const parent = openat(folder, "..", flags);
        struct stat parentInfo;
        if (parent < 0 || fstat(parent, &parentInfo) != 0 ||
            (parentInfo.st_dev == info.st_dev && parentInfo.st_ino == info.st_ino))
        {
            // The root, which is its own parent.
            if (parent >= 0)
                close(parent);
            break;
        }
        close(folder);
        folder = parent;
    }
    close(folder);
    return within;
}

bool PMacFileSystemImp::IsMacPackage(GPathName const& path)
{
    Operation const operation(path);
    GPathName const resolved = Resolved(path);
    bool isFolder = false;
    if (Cocoa::IsFolder(resolved, &isFolder) != 0 || !isFolder)
        return false;
    GString const extension = resolved.GetExtension();
    for (char const* packageExtension : {"app", "bundle", "pkg", "mpkg"})
    {
        if (extension == GString(packageExtension))
            return true;
    }
    if (Cocoa::IsMacPackage(resolved))
        return true;
    return FileExists(Child(Child(resolved, GString("Contents")), GString("PkgInfo")));
}

bool PMacFileSystemImp::IsMacFramework(GPathName const& path)
{
    Operation const operation(path);
    GPathName const resolved = Resolved(path);
    bool isFolder = false;
    return Cocoa::IsFolder(resolved, &isFolder) == 0 && isFolder && resolved.GetExtension() == GString("framework");
}

void PMacFileSystemImp::FindMacPackageRoot(GPathName const& path, GPathName& root)
{
    FindRoot(path, root, [](GPathName const& candidate) { return IsMacPackage(candidate); }, cNoPackageRootID);
}

void PMacFileSystemImp::FindMacFrameworkRoot(GPathName const& path, GPathName& root)
{
    FindRoot(path, root, [](GPathName const& candidate) { return IsMacFramework(candidate); }, cNoFrameworkRootID);
}

// --- creation ---

bool PMacFileSystemImp::CreateFile(GPathName const& path)
{
    Operation const operation(path);
    GPathName const file = Named(path);
    GPathName parent = file.GetMachOBranch();
    if (IsFolderThere(parent))
        parent = Resolved(parent);
    else
        CreateFolder(parent);
    short code = Cocoa::CreateFile(Child(parent, file.GetLeaf()));
    bool const created = code == 0;
    if (code == cDuplicateName && FileExists(file))
        code = 0;
    CheckForErrors(code);
    if (created)
        SetPermissions(file, cOwner | cGroup | cOthers, true, true, false);
    return created;
}

bool PMacFileSystemImp::CreateFile(GPathName& path, GFileType const* type, bool replaceExtension)
{
    Cocoa::OperationScope const scope;
    if (type && replaceExtension)
        SetExtensionFromType(path, type);
    bool const created = CreateFile(path);
    if (type)
        SetMacCreatorAndType(path, type->GetMacCreator(), type->GetMacType());
    return created;
}

void PMacFileSystemImp::SetExtensionFromType(GPathName& path, GFileType const* type)
{
    if (type)
        path.ReplaceExtension(type->GetExtension());
}

void PMacFileSystemImp::SetMacCreatorAndType(GPathName const& path, unsigned int creator, unsigned int type)
{
    Operation const operation(path);
    Cocoa::SetMacCreatorAndType(path, creator, type);
}

bool PMacFileSystemImp::CreateFolder(GPathName const& path)
{
    Operation const operation(path);
    GPathName const folder = Named(path);
    if (!folder.HasLeaf())
    {
        // The root, which is always there; or no path at all.
        if (folder.GetCrossPlatformString() == GString("/"))
            return false;
        CheckForErrors(cBadName);
    }
    // The folders to make, the deepest first, up to the first one that is there. Each step takes
    // the leaf off, so the walk ends; the chain is made from the top down without recursion.
    GTable<GPathName> chain;
    chain.AddItem(folder);
    GPathName parent = folder.GetMachOBranch();
    while (parent.HasLeaf() && !IsFolderThere(parent))
    {
        chain.AddItem(parent);
        parent = parent.GetMachOBranch();
    }
    parent = Resolved(parent);
    bool created = false;
    for (int i = chain.GetCount() - 1; i >= 0; --i)
    {
        GPathName const made = Child(parent, chain[i].GetLeaf());
        short code = Cocoa::CreateFolder(made);
        created = code == 0;
        if (code == cDuplicateName && FolderExists(chain[i]))
            code = 0;
        CheckForErrors(code);
        if (created)
            SetPermissions(made, cOwner | cGroup | cOthers, true, true, true);
        parent = made;
    }
    return created;
}

bool PMacFileSystemImp::CreateParentFolder(GPathName const& path)
{
    Cocoa::OperationScope const scope;
    GPathName const branch = path.GetMachOBranch();
    try
    {
        if (FolderExists(branch))
            return true;
    }
    catch (GException const&) // a branch that cannot be tested is made like a missing one
    {
    }
    return CreateFolder(branch);
}

void PMacFileSystemImp::CreateAlias(GPathName const& alias, GPathName const& target, GString const& name)
{
    Operation const operation(cCreatingAliasID, alias, target);
    short const code = Cocoa::CreateAlias(alias, target, name);
    if (code == cFileNotFound)
        CreateSymLink(alias, target);
    else
        CheckForErrors(code);
}

void PMacFileSystemImp::CreateSymLink(GPathName const& link, GPathName const& target)
{
    Operation const operation(cCreatingAliasID, link, target);
    if (FileExists(link))
        throw GSimpleException(cDuplicateFileID);
    errno = 0;
    bool const made = symlink(GFileSystemSupport::NativeBytes(target).c_str(), GFileSystemSupport::NativeBytes(link).c_str()) == 0;
    Cocoa::ItemChanged(link, false);
    PUNIXFileSystemImp::CheckErrno(made);
}

// --- removal ---

bool PMacFileSystemImp::RemoveFile(GPathName const& path)
{
    Operation const operation(path);
    LookAgain(path);
    if (FileExists(path))
        return RemoveFileNoCheckIfFile(path);
    if (FolderExists(path))
        throw GSimpleException(cIsFolderID);
    return false;
}

bool PMacFileSystemImp::RemoveFileNoCheckIfFile(GPathName const& path)
{
    Operation const operation(path);
    RemoveUnlocked(path, Cocoa::cDeleteAny);
    return true;
}

bool PMacFileSystemImp::RemoveFolderOnly(GPathName const& path)
{
    Operation const operation(path);
    LookAgain(path);
    if (FolderExists(path))
    {
        // Only "already gone" counts as done: a refused removal leaves the folder there.
        RemoveUnlocked(path, IsAlias(path) ? Cocoa::cDeleteAny : Cocoa::cDeleteFolder);
        return true;
    }
    if (FileExists(path))
        throw GSimpleException(cIsFileID);
    return false;
}

bool PMacFileSystemImp::TryUnlinkFile(GPathName const& path, GPathName& finalPath)
{
    try
    {
        finalPath = path;
        if (unlink(GFileSystemSupport::NativeBytes(path).c_str()) == 0)
        {
            Cocoa::ItemChanged(path, false);
            return true;
        }
        if (errno != ENAMETOOLONG)
            return false;
        Cocoa::MoveObjectToTrash(path, finalPath);
        bool const unlinked = unlink(GFileSystemSupport::NativeBytes(finalPath).c_str()) == 0;
        Cocoa::ItemChanged(finalPath, false);
        return unlinked;
    }
    catch (GException const&) // the Try form answers false for any failure of the trash move
    {
        return false;
    }
}

void PMacFileSystemImp::MoveFolderToTrash(GPathName const& path)
{
    Operation const operation(path);
    GPathName trashed;
    Cocoa::MoveObjectToTrash(path, trashed);
}

// --- moving, copying, renaming ---

namespace
{
// Where a moved or copied object lands in destFolder: destFolder (resolved when it is an alias) /
// the source's leaf.
GPathName LandingPlace(GPathName const& source, GPathName const& destFolder)
{
    GPathName const folder = PMacFileSystemImp::IsAlias(destFolder) ? Resolved(destFolder) : destFolder;
    return Child(folder, source.GetLeaf());
}

// Clears the way at result for a move or a copy: what is there goes when overwrite, else 40015 (a
// copy clears only a file). An object that is the source itself is never removed: moving onto it
// with overwrite leaves everything as it is (true), copying onto it is refused.
bool ClearLandingPlace(GPathName const& source, GPathName const& result, bool overwrite, bool isCopy)
{
    PMacFileSystemImp::LookAgain(result);
    bool const folderThere = !isCopy && PMacFileSystemImp::FolderExists(result);
    if (!folderThere && !PMacFileSystemImp::FileExists(result))
        return false;
    bool const same = IsSameItem(source, result);
    if (!overwrite || (same && isCopy))
    {
        Operation const operation(result);
        throw GSimpleException(cDuplicateFileID);
    }
    if (same)
        return true;
    if (folderThere)
        GFileSystem::RemoveFolder(result, -1, 10);
    else
        PMacFileSystemImp::RemoveFile(result);
    return false;
}

template<class Move, class Fallback>
void MoveObject(GPathName const& source, GPathName const& destFolder, GPathName& result, bool overwrite,
                bool isFolder, Move move, Fallback fallback)
{
    Cocoa::OperationScope const scope;
    {
        Operation const operation(source);
        if (isFolder ? PMacFileSystemImp::FileExists(source) : PMacFileSystemImp::FolderExists(source))
            throw GSimpleException(cFileNotFoundID);
    }
    GPathName destination;
    if (PMacFileSystemImp::FolderExists(destFolder))
    {
        destination = PMacFileSystemImp::IsAlias(destFolder) ? Resolved(destFolder) : destFolder;
        result = Child(destination, source.GetLeaf());
        if (ClearLandingPlace(source, result, overwrite, false))
            return;
    }
    else
    {
        PMacFileSystemImp::CreateFolder(destFolder);
        destination = destFolder;
        result = Child(destination, source.GetLeaf());
    }
    Operation const operation(cMovingID, source, result);
    bool const locked = IsLockedByFlag(source);
    if (locked)
        Cocoa::SetAliasObjectLocked(source, false);
    if (!move(source, result))
    {
        try
        {
            fallback(source, destination, result);
        }
        catch (GException const&) // the source gets its lock back; the error goes on
        {
            if (locked)
                Cocoa::SetAliasObjectLocked(source, true);
            throw;
        }
    }
    if (locked)
        Cocoa::SetAliasObjectLocked(result, true);
}
} // namespace

void PMacFileSystemImp::MoveFileTo(GPathName const& source, GPathName const& destFolder, GPathName& result,
                                   bool overwrite)
{
    MoveObject(
        source, destFolder, result, overwrite, false,
        [](GPathName const& from, GPathName const& to) { return Cocoa::MoveFileTo(from, to) == 0; },
        [overwrite](GPathName const& from, GPathName const& folder, GPathName& landed)
        {
            CopyFileTo(from, folder, landed, overwrite, false);
            RemoveFile(from);
        });
}

void PMacFileSystemImp::MoveFileTo(GPathName const& source, GPathName const& destFolder, bool overwrite)
{
    GPathName result;
    MoveFileTo(source, destFolder, result, overwrite);
}

void PMacFileSystemImp::MoveFolderTo(GPathName const& source, GPathName const& destFolder, GPathName& result,
                                     bool overwrite)
{
    MoveObject(
        source, destFolder, result, overwrite, true,
        [](GPathName const& from, GPathName const& to) { return Cocoa::MoveFolderTo(from, to); },
        [](GPathName const& from, GPathName const& folder, GPathName& landed)
        {
            // The landing place was cleared before the move was tried: whatever is there now,
            // another process put there, a link to somewhere else say. The copy never writes into
            // it or clears it.
            GFileSystem::CopyFolderTo(from, folder, landed, false);
            GFileSystem::RemoveFolder(from, -1, 10);
        });
}

void PMacFileSystemImp::CopyFileTo(GPathName const& source, GPathName const& destFolder, GPathName& result,
                                   bool overwrite, bool resolveSource)
{
    Cocoa::OperationScope const scope;
    GPathName const from = resolveSource ? Resolved(source) : source;
    result = LandingPlace(source, destFolder);
    Operation const operation(cCopyingID, from, result);
    ClearLandingPlace(from, result, overwrite, true);
    CreateParentFolder(result);
    Cocoa::CopyFileTo(from, result);
}

void PMacFileSystemImp::CopyFileTo(GPathName const& source, GPathName const& destFolder, GPathName& result,
                                   bool overwrite)
{
    CopyFileTo(source, destFolder, result, overwrite, true);
}

void PMacFileSystemImp::CopyAndRenameFile(GPathName const& source, GPathName const& destination, bool overwrite,
                                          bool followLinks)
{
    GPathName target = destination;
    Operation const operation(cCopyingID, source, target);
    if (followLinks && FileExists(target))
        GetTarget(destination, target);
    GPathName from = source;
    GPathName linkText;
    if (followLinks)
        GetTarget(source, from);
    else if (IsAlias(source))
        GetSymLinkTarget(source, linkText);
    if (FileExists(target))
    {
        if (IsSameItem(from, target) || !overwrite)
            throw GSimpleException(cDuplicateFileID);
        RemoveFile(target);
    }
    if (!linkText.IsEmpty())
    {
        CreateSymLink(target, linkText);
        return;
    }
    CreateParentFolder(target);
    Cocoa::CopyFileTo(from, target);
    SetWritable(target, true);
}

void PMacFileSystemImp::GetTarget(GPathName const& path, GPathName& target)
{
    Operation const operation(path);
    GPathName found;
    short const code = Cocoa::GetTarget(path, found);
    struct stat info;
    if (code == cFileNotFound && lstat(GFileSystemSupport::NativeBytes(path).c_str(), &info) == 0 && S_ISLNK(info.st_mode))
        GetSymLinkTarget(path, found);
    if (found.IsEmpty())
        target = path;
    else if (found.IsRelative())
        target = path.GetBranch() / found;
    else
        target = found;
}

void PMacFileSystemImp::GetSymLinkTarget(GPathName const& link, GPathName& target)
{
    std::string const path = GFileSystemSupport::NativeBytes(link);
    std::vector<char> text(512);
    for (;;)
    {
        ssize_t const length = readlink(path.c_str(), text.data(), text.size());
        if (length < 0)
        {
            target.Clear();
            return;
        }
        if (static_cast<std::size_t>(length) < text.size())
        {
            target.SetNativePathString(UTF8Text(std::string(text.data(), static_cast<std::size_t>(length))));
            return;
        }
        // The text may have been cut: ask again with room to spare.
        text.resize(text.size() * 2);
    }
}

void PMacFileSystemImp::RenameFile(GPathName& path, GString const& newName, GFileType const* type,
                                   bool replaceExtension)
{
    GPathName target = Child(path.GetBranch(), newName);
    if (type && replaceExtension)
        target.ReplaceExtension(type->GetExtension());
    Operation const operation(cMovingID, path, target);
    if (!FileExists(path))
        throw GSimpleException(cFileNotFoundID);
    Cocoa::RenameItem(path, target);
    path = target;
    if (type)
        SetMacCreatorAndType(path, type->GetMacCreator(), type->GetMacType());
}

void PMacFileSystemImp::RenameFolder(GPathName& path, GString const& newName)
{
    GPathName const target = Child(path.GetBranch(), newName);
    Operation const operation(cMovingID, path, target);
    if (!FolderExists(path))
        throw GSimpleException(cFileNotFoundID);
    Cocoa::RenameItem(path, target);
    path = target;
}

bool PMacFileSystemImp::ReplaceItem(GPathName const& item, GPathName const& replacement)
{
    Operation const operation(cMovingID, replacement, item);
    return Cocoa::ReplaceItem(GFileSystemSupport::NativeBytes(item).c_str(), GFileSystemSupport::NativeBytes(replacement).c_str());
}

// --- dates ---

void PMacFileSystemImp::GetCreationDateTime(GPathName const& path, GDateTime& date)
{
    Operation const operation(path);
    Cocoa::GetFileSystemDateTime(Cocoa::cCreationDate, path, date);
}

void PMacFileSystemImp::SetCreationDateTime(GPathName const& path, GDateTime const& date)
{
    Operation const operation(path);
    Cocoa::SetFileSystemDateTime(Cocoa::cCreationDate, path, date);
}

void PMacFileSystemImp::GetModificationDateTime(GPathName const& path, GDateTime& date)
{
    Operation const operation(path);
    Cocoa::GetFileSystemDateTime(Cocoa::cModificationDate, path, date);
}

void PMacFileSystemImp::SetModificationDateTime(GPathName const& path, GDateTime const& date)
{
    Operation const operation(path);
    Cocoa::SetFileSystemDateTime(Cocoa::cModificationDate, path, date);
}

// --- permissions, ownership, locks ---

void PMacFileSystemImp::GetPermissions(GPathName const& path, int userType, bool* read, bool* write, bool* execute)
{
    Operation const operation(path);
    GetAliasPermissions(Resolved(path), userType, read, write, execute);
}

void PMacFileSystemImp::SetPermissions(GPathName const& path, int userMask, bool read, bool write, bool execute)
{
    Operation const operation(path);
    SetAliasPermissions(Resolved(path), userMask, read, write, execute);
}

void PMacFileSystemImp::GetAliasPermissions(GPathName const& path, int userType, bool* read, bool* write,
                                            bool* execute)
{
    Operation const operation(path);
    if (userType == cCurrentUser)
    {
        Cocoa::GetAliasPermissions(path, true, read, write, execute);
        return;
    }
    int const mode = Cocoa::GetAliasPermissions(path, false, nullptr, nullptr, nullptr);
    int const shift = (userType & cOwner) ? 6 : (userType & cGroup) ? 3 : 0;
    if (read)
        *read = (mode >> shift) & 4;
    if (write)
        *write = (mode >> shift) & 2;
    if (execute)
        *execute = (mode >> shift) & 1;
}

void PMacFileSystemImp::SetAliasPermissions(GPathName const& path, int userMask, bool read, bool write,
                                            bool execute)
{
    Operation const operation(path);
    if (userMask & cCurrentUser)
        userMask = PUNIXFileSystemImp::GetCurrentUserEffectiveType(userMask, StatOf(path));
    int const mode = Cocoa::GetAliasPermissions(path, false, nullptr, nullptr, nullptr);
    Cocoa::SetAliasPermissions(path, static_cast<short>(MergedMode(mode, userMask, read, write, execute)));
}

void PMacFileSystemImp::CopyPermissions(GPathName const& source, GPathName const& destination)
{
    Operation const operation(cCopyingPermissionsID, source, destination);
    GPathName const from = Resolved(source);
    GPathName const to = Resolved(destination);
    Cocoa::SetAliasPermissions(to, Cocoa::GetAliasPermissions(from, false, nullptr, nullptr, nullptr));
}

void PMacFileSystemImp::CopyAliasPermissions(GPathName const& source, GPathName const& destination)
{
    Operation const operation(cCopyingPermissionsID, source, destination);
    Cocoa::SetAliasPermissions(destination, Cocoa::GetAliasPermissions(source, false, nullptr, nullptr, nullptr));
}

void PMacFileSystemImp::GetOwnerAndGroup(GPathName const& path, int& owner, int& group)
{
    Operation const operation(path);
    Cocoa::GetOwnerAndGroup(Resolved(path), owner, group);
}

void PMacFileSystemImp::SetOwnerAndGroup(GPathName const& path, int owner, int group)
{
    Operation const operation(path);
    Cocoa::SetOwnerAndGroup(Resolved(path), owner, group);
}

bool PMacFileSystemImp::CheckIfOwner(GPathName const& path)
{
    Operation const operation(path);
    return CheckAliasIfOwner(Resolved(path));
}

bool PMacFileSystemImp::CheckAliasIfOwner(GPathName const& path)
{
    Operation const operation(path);
    return PUNIXFileSystemImp::GetCurrentUserEffectiveType(cCurrentUser, StatOf(path)) & cOwner;
}

int PMacFileSystemImp::GetObjectLocked(GPathName const& path)
{
    Operation const operation(path);
    return GetAliasObjectLocked(Resolved(path));
}

void PMacFileSystemImp::SetObjectLocked(GPathName const& path, bool locked)
{
    Operation const operation(path);
    Cocoa::SetAliasObjectLocked(Resolved(path), locked);
}

int PMacFileSystemImp::GetAliasObjectLocked(GPathName const& path)
{
    Operation const operation(path);
    if (Cocoa::GetFileLockStatus(path))
        return 2;
    return Cocoa::GetVolumeLockStatusByFilePath(path) ? 4 : 1;
}

void PMacFileSystemImp::SetAliasObjectLocked(GPathName const& path, bool locked)
{
    Operation const operation(path);
    Cocoa::SetAliasObjectLocked(path, locked);
}

bool PMacFileSystemImp::IsWritable(GPathName const& path)
{
    Cocoa::OperationScope const scope;
    if (GetObjectLocked(path) == 2)
        return false;
    bool write = false;
    GetPermissions(path, cCurrentUser, nullptr, &write, nullptr);
    return write;
}

void PMacFileSystemImp::SetWritable(GPathName const& path, bool writable)
{
    Operation const operation(path);
    bool read = false;
    bool write = false;
    bool execute = false;
    if (writable)
    {
        if (GetObjectLocked(path) == 2)
            SetObjectLocked(path, false);
        GetPermissions(path, cCurrentUser, nullptr, &write, nullptr);
        if (!write)
        {
            GetPermissions(path, cOwner, &read, nullptr, &execute);
            SetPermissions(path, cOwner, read, true, execute);
        }
        return;
    }
    GetPermissions(path, cCurrentUser, &read, &write, &execute);
    if (write)
    {
        SetObjectLocked(path, false);
        SetPermissions(path, cCurrentUser, read, false, execute);
    }
    if (GetObjectLocked(path) != 2)
        SetObjectLocked(path, true);
}

bool PMacFileSystemImp::FileInUse(GPathName const& path)
{
    Operation const operation(path);
    if (GetObjectLocked(path) != 1)
        return true;
    return PUNIXFileSystemImp::FileInUse(path);
}

bool PMacFileSystemImp::IsBeingCopied(GPathName const& path)
{
    Operation const operation(path);
    if (GetFileTypePtr(path)->GetType() == GBuffer("brok"))
        return true;
    unsigned int creator = 0;
    unsigned int type = 0;
    Cocoa::GetMacCreatorAndType(path, creator, type);
    // "bzy" and one more byte from 0x20 to 0x3F: a copy in progress.
    if (type >= 0x627A7920 && type <= 0x627A793F)
        return true;
    return Cocoa::IsFileBusy(path);
}

void PMacFileSystemImp::CopyAttributes(GPathName const& source, GPathName const& destination)
{
    Operation const operation(cCopyingID, source, destination);
    Cocoa::CopyAttributes(source, destination);
}

// --- file kinds ---

GFileType const* PMacFileSystemImp::GetFileTypePtr(GPathName const& path)
{
    Operation const operation(path);
    GString const extension = path.GetExtension();
    if (FileExists(path) || FolderExists(path))
    {
        unsigned int creator = 0;
        unsigned int type = 0;
        Cocoa::GetMacCreatorAndType(Resolved(path), creator, type);
        // Text files of the print manager carry no kind of their own.
        if ((creator || type) && !(creator == Cocoa::FourCharCode("LMAN") && type == Cocoa::FourCharCode("TEXT")))
            return GFileType::GetFromCreatorAndType(creator, type, extension);
    }
    return GFileType::GetFromExtension(extension);
}

void PMacFileSystemImp::SetFileType(GPathName& path, GFileType const& type, bool replaceExtension)
{
    Operation const operation(path);
    if (IsAlias(path))
        path = Resolved(path);
    if (replaceExtension && path.GetExtension() != type.GetExtension())
    {
        GPathName renamed(path);
        renamed.ReplaceExtension(type.GetExtension());
        RenameFile(path, renamed.GetLeaf(), &type, false);
        return;
    }
    if (!FileExists(path))
        throw GSimpleException(cIsFolderID);
    SetMacCreatorAndType(path, type.GetMacCreator(), type.GetMacType());
}

void PMacFileSystemImp::UInt32ToBytes(unsigned int value, unsigned char bytes[4])
{
    bytes[0] = static_cast<unsigned char>(value >> 24);
    bytes[1] = static_cast<unsigned char>(value >> 16);
    bytes[2] = static_cast<unsigned char>(value >> 8);
    bytes[3] = static_cast<unsigned char>(value);
}

// --- volumes ---

int PMacFileSystemImp::GetVolumeType(GPathName const& path, bool resolveAlias)
{
    Operation const operation(path);
    GPathName const item = resolveAlias ? Resolved(path) : path;
    if (Cocoa::IsVolumeLocal(item))
        return 1;
    if (!Cocoa::IsVolumeInternal(item))
        return 2;
    return Cocoa::IsVolumeRemovable(item) ? 5 : 0;
}

bool PMacFileSystemImp::IsOnSameVolume(GPathName const& first, GPathName const& second)
{
    Operation const operation(first);
    return Cocoa::IsOnSameVolume(Resolved(first), Resolved(second));
}

bool PMacFileSystemImp::VolumeNameExists(GString const& name)
{
    return Cocoa::VolumeNameExists(name);
}

GString PMacFileSystemImp::GetVolumeUrlForRemounting(GPathName const& path)
{
    Operation const operation(path);
    return Cocoa::GetVolumeUrlForRemounting(path);
}

GTable<GString> PMacFileSystemImp::GetMountedVolumeUrls()
{
    return Cocoa::GetMountedVolumeUrls();
}

// --- the application and known folders ---

void PMacFileSystemImp::GetExecutablePath(GPathName& path)
{
    int argumentSpaceQuery[] = {CTL_KERN, KERN_ARGMAX};
    int argumentSpace = 0;
    std::size_t size = sizeof argumentSpace;
    if (sysctl(argumentSpaceQuery, 2, &argumentSpace, &size, nullptr, 0) != 0 || argumentSpace <= 0)
        return;
    std::vector<char> arguments(static_cast<std::size_t>(argumentSpace));
    int argumentsQuery[] = {CTL_KERN, KERN_PROCARGS2, static_cast<int>(getpid())};
    size = arguments.size();
    if (sysctl(argumentsQuery, 3, arguments.data(), &size, nullptr, 0) != 0 || size <= sizeof(std::int32_t))
        return;
    // The argument count comes first, then the path the executable was started by.
    char const* start = arguments.data() + sizeof(std::int32_t);
    std::size_t const length = strnlen(start, size - sizeof(std::int32_t));
    path.SetCrossPlatformString(UTF8Text(std::string(start, length)));
}

void PMacFileSystemImp::GetApplicationPath(GPathName& path)
{
    GPathName root;
    Cocoa::GetApplicationBundleRoot(root);
    if (IsMacPackage(root))
        path = root;
    else
        Cocoa::GetApplicationMainExecutable(path);
}

void PMacFileSystemImp::GetDllPath(GPathName& path)
{
    GBuffer identifier;
    PSystem::GetASCIIBundleIdentifier(identifier);
    if (!identifier.IsEmpty())
    {
        Cocoa::GetDLLPath(identifier, path);
        return;
    }
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&DoNothingForDladdr), &info) != 0 && info.dli_fname && *info.dli_fname)
    {
        path.SetNativePathString(UTF8Text(std::string(info.dli_fname)));
        return;
    }
    GetApplicationPath(path);
}

void PMacFileSystemImp::GetResourceFolder(GPathName& folder)
{
    GBuffer identifier;
    PSystem::GetASCIIBundleIdentifier(identifier);
    if (!Cocoa::GetResourceFolder(identifier, folder))
        folder.Append(GString("Resources"));
}

void PMacFileSystemImp::GetApplicationVersion(GPathName const& path, int& major, int& minor)
{
    Operation const operation(path);
    if (!Cocoa::GetApplicationVersion(Resolved(path), major, minor))
        throw GSimpleException(cNoVersionID);
}

void PMacFileSystemImp::FindRealExecutable(GPathName const& path, GPathName& executable)
{
    Operation const operation(path);
    Cocoa::FindRealExecutable(path, executable);
}

void PMacFileSystemImp::GetCurrentFolder(GPathName& folder)
{
    Cocoa::GetCurrentFolder(folder);
}

void PMacFileSystemImp::GetGlobalTempFolder(GPathName& folder)
{
    folder = GPathName("/tmp");
}

void PMacFileSystemImp::GetDebugFolder(GPathName& folder)
{
    GetGlobalTempFolder(folder);
    if (FileExists(folder))
        folder.ReplaceLeaf(GString("ZolvaneDebug"));
    else
        folder.Append(GString("ZolvaneDebug"));
}

bool PMacFileSystemImp::IsPrivateFolder(GPathName const& folder)
{
    struct stat info;
    if (!GFileSystemSupport::IsUsablePath(folder) || lstat(GFileSystemSupport::NativeBytes(folder).c_str(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

void PMacFileSystemImp::GetTrashFolder(GPathName& folder)
{
    GetSpecialFolder(cUserDomain, Cocoa::FourCharCode("trsh"), folder);
}

void PMacFileSystemImp::GetUserHomeFolder(GPathName& folder)
{
    GetSpecialFolder(cUserDomain, Cocoa::FourCharCode("cusr"), folder);
}

void PMacFileSystemImp::GetUserDocumentsFolder(GPathName& folder)
{
    GetSpecialFolder(cUserDomain, Cocoa::FourCharCode("docs"), folder);
}

void PMacFileSystemImp::GetDesktopFolder(GPathName& folder)
{
    GetSpecialFolder(cUserDomain, Cocoa::FourCharCode("desk"), folder);
}

void PMacFileSystemImp::GetUserPreferenceFolder(GPathName& folder)
{
    GetSpecialFolder(cUserDomain, Cocoa::FourCharCode("pref"), folder);
}

void PMacFileSystemImp::GetUserApplicationDataFolder(GPathName& folder)
{
    GetSpecialFolder(cUserDomain, Cocoa::FourCharCode("asup"), folder);
}

void PMacFileSystemImp::GetApplicationsFolder(GPathName& folder)
{
    GetSpecialFolder(cLocalDomain, Cocoa::FourCharCode("apps"), folder);
}

void PMacFileSystemImp::GetGlobalPreferenceFolder(GPathName& folder)
{
    GetSpecialFolder(cLocalDomain, Cocoa::FourCharCode("pref"), folder);
}

void PMacFileSystemImp::GetCommonAppDataFolder(GPathName& folder)
{
    GetSpecialFolder(cLocalDomain, Cocoa::FourCharCode("asup"), folder);
}

void PMacFileSystemImp::GetSystemFolder(GPathName& folder)
{
    GetSpecialFolder(cLocalDomain, Cocoa::FourCharCode("macs"), folder);
}

void PMacFileSystemImp::GetLocalTempFolder(GPathName& folder)
{
    GetSpecialFolder(cLocalDomain, Cocoa::FourCharCode("temp"), folder);
}

void PMacFileSystemImp::GetSpecialFolder(short domain, unsigned int folderType, GPathName& folder)
{
    Cocoa::GetSpecialFolder(domain, folderType, folder, true);
}
