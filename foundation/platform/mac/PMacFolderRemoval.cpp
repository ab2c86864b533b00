// The removal of folder trees by folder descriptors. Each folder is opened once, without following a
// link in its place, and its entries are looked at and removed by name relative to it: another
// process that puts a link to somewhere else in place of a folder of the tree meanwhile finds the
// link removed as a link, or the walk going on in the folder that was there, never the files the
// link leads to.
#include "PMacFileSystemImp.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "GExceptionLocation.h"
#include "GFileSystemSupport.h"
#include "GPathName.h"
#include "GSimpleException.h"
#include "GUTF8Encoding.h"
#include "PMacFileSystemImpCocoa.h"

namespace
{
typedef PMacFileSystemImpCocoa Cocoa;

constexpr int cFiles = 1;
constexpr int cFolders = 2;
constexpr int cAliases = 4;
constexpr int cHidden = 8;

constexpr int cAccessDeniedID = 40064;

// How often an entry that changes between the look at it and the step taken on it is looked at
// again before it is left as it is.
constexpr int cLooks = 3;

GPathName Child(GPathName const& folder, char const* name)
{
    GPathName child(folder);
    child.Append(GString(reinterpret_cast<unsigned char const*>(name), static_cast<int>(std::strlen(name)),
                         GUTF8Encoding::GetInstance(), true));
    return child;
}

[[noreturn]] void Fail(GPathName const& path)
{
    GExceptionLocation const location(path);
    throw GSimpleException(cAccessDeniedID);
}

class Descriptor
{
public:
    explicit Descriptor(int descriptor) : fDescriptor(descriptor) {}
    ~Descriptor()
    {
        if (fDescriptor >= 0)
            close(fDescriptor);
    }
    Descriptor(Descriptor const&) = delete;
    Descriptor& operator=(Descriptor const&) = delete;
    int Get() const { return fDescriptor; }

private:
    int fDescriptor;
};

// What the operation has read below a folder goes once the walk is over, however it ended.
class ChangedBelow
{
public:
    explicit ChangedBelow(GPathName const& folder) : fFolder(folder) {}
    ~ChangedBelow() { Cocoa::ItemChanged(fFolder, false); }
    ChangedBelow(ChangedBelow const&) = delete;
    ChangedBelow& operator=(ChangedBelow const&) = delete;

private:
    GPathName const& fFolder;
};

bool IsSameItem(struct stat const& a, struct stat const& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The names in the folder open at folder, taken before anything in it changes. The listing reads
// through a description of its own, so that the folder can be listed again.
std::vector<std::string> NamesIn(int folder, GPathName const& path)
{
    int const listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* const entries = listing < 0 ? nullptr : fdopendir(listing);
    if (!entries)
    {
        if (listing >= 0)
            close(listing);
        Fail(path);
    }
    std::vector<std::string> names;
    errno = 0;
    while (dirent const* entry = readdir(entries))
    {
        char const* const name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))))
            names.emplace_back(name);
        errno = 0;
    }
    int const error = errno;
    closedir(entries);
    if (error != 0)
        Fail(path);
    return names;
}

// What became of an entry that was to go.
enum Outcome
{
    cGone,
    cLeft,
    // Another kind of item took its place: it is looked at again.
    cChanged
};

// The masks of the compound removal at work on one tree.
class Walk
{
public:
    Walk(int kinds, int descend) : fKinds(kinds), fDescend(descend) {}

    // Removes what the masks select in the folder open at folder; true when nothing selected was
    // left.
    bool Content(int folder, GPathName const& path)
    {
        bool nothingLeft = true;
        for (std::string const& name : NamesIn(folder, path))
        {
            if (!Entry(folder, path, name.c_str()))
                nothingLeft = false;
        }
        return nothingLeft;
    }

    // The real folder open at folder, whose content was all removed, goes too; what another process
    // put into it meanwhile goes with it. Its place is parent and name, the folder's path is path.
    // False when it was left: something selected to stay came in, or another item took its place.
    bool RemoveEmptied(int parent, char const* name, int folder, GPathName const& path)
    {
        for (int look = 0; look < cLooks; ++look)
        {
            Outcome const outcome = Remove(parent, name, true, path);
            if (outcome != cLeft)
                return outcome == cGone;
            struct stat now;
            struct stat opened;
            if (fstatat(parent, name, &now, AT_SYMLINK_NOFOLLOW) != 0 || fstat(folder, &opened) != 0 ||
                !IsSameItem(now, opened) || !Content(folder, path))
                return false;
        }
        return false;
    }

private:
    // Removes the entry name of the folder open at folder when the masks select it; true when it
    // is gone.
    bool Entry(int folder, GPathName const& folderPath, char const* name)
    {
        bool const dotted = name[0] == '.';
        GPathName path;
        auto const pathOf = [&]() -> GPathName const&
        {
            if (path.IsEmpty())
                path = Child(folderPath, name);
            return path;
        };
        for (int look = 0; look < cLooks; ++look)
        {
            struct stat info;
            if (fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            {
                if (errno == ENOENT)
                    return true;
                Fail(pathOf());
            }
            Outcome outcome = cLeft;
            if (S_ISDIR(info.st_mode))
                outcome = RealFolder(folder, name, pathOf, dotted);
            else
                outcome = NoFolder(folder, name, info, pathOf, dotted);
            if (outcome != cChanged)
                return outcome == cGone;
        }
        // Another item at every look: left as it is.
        return false;
    }

    // A link, a file, or anything else that is no folder, at name in folder.
    template<class PathOf>
    Outcome NoFolder(int folder, char const* name, struct stat const& info, PathOf const& pathOf, bool dotted)
    {
        bool const dsStore = std::strcmp(name, ".DS_Store") == 0;
        // Whether a file is an alias is asked only where the answer decides something.
        bool const kindsDiffer = ((fKinds & cFiles) != 0) != ((fKinds & cAliases) != 0);
        bool const isAlias = S_ISLNK(info.st_mode) ||
                             (S_ISREG(info.st_mode) && (kindsDiffer || (fDescend & cAliases) || dsStore) &&
                              Cocoa::IsAlias(pathOf()));
        if (isAlias && ((fDescend & cAliases) || dsStore))
        {
            PMacFileSystemImp::LookAgain(pathOf());
            if (PMacFileSystemImp::FolderExists(pathOf()))
                return AliasToFolder(folder, name, pathOf(), dotted);
        }
        bool const hidden = !(fKinds & cHidden) && (dotted || Cocoa::IsHidden(pathOf()));
        int const kind = isAlias ? cAliases : cFiles;
        if (((fKinds & kind) && !hidden) || dsStore)
            return Remove(folder, name, false, pathOf);
        return cLeft;
    }

    // A real folder at name in folder.
    template<class PathOf>
    Outcome RealFolder(int folder, char const* name, PathOf const& pathOf, bool dotted)
    {
        bool const hidden =
            dotted || ((!(fKinds & cHidden) || !(fDescend & cHidden)) && Cocoa::IsHidden(pathOf()));
        bool const protectedFolder = hidden && !(fKinds & cHidden);
        if (!(fDescend & cFolders))
        {
            // Not entered: it goes only when it is empty.
            if (!(fKinds & cFolders) || protectedFolder)
                return cLeft;
            return Remove(folder, name, true, pathOf);
        }
        if (hidden && !(fDescend & cHidden))
            return cLeft;
        Descriptor const inner(openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (inner.Get() < 0)
        {
            if (errno == ENOENT)
                return cGone;
            if (errno == ELOOP || errno == ENOTDIR)
                return cChanged;
            Fail(pathOf());
        }
        if (!Content(inner.Get(), pathOf()) || protectedFolder || !(fKinds & cFolders))
            return cLeft;
        return RemoveEmptied(folder, name, inner.Get(), pathOf()) ? cGone : cLeft;
    }

    // An alias or link at name in folder that leads to a folder. Entered only when the masks ask
    // for it, and then the folder it leads to goes too.
    Outcome AliasToFolder(int folder, char const* name, GPathName const& path, bool dotted)
    {
        bool const hidden = dotted || Cocoa::IsHidden(path);
        bool const protectedFolder = hidden && !(fKinds & cHidden);
        if (fDescend & cAliases)
        {
            if (hidden && !(fDescend & cHidden))
                return cLeft;
            GPathName target;
            PMacFileSystemImp::GetAliasTarget(path, target);
            bool nothingLeft = true;
            {
                Descriptor const inner(open(GFileSystemSupport::NativeBytes(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
                if (inner.Get() >= 0)
                {
                    ChangedBelow const changed(target);
                    nothingLeft = Content(inner.Get(), target);
                }
            }
            if (!nothingLeft || protectedFolder || !(fKinds & cAliases))
                return cLeft;
            Outcome const outcome = Remove(folder, name, false, path);
            PMacFileSystemImp::RemoveFolderOnly(target);
            return outcome;
        }
        if (!(fKinds & cAliases) || protectedFolder)
            return cLeft;
        return Remove(folder, name, false, path);
    }

public:
    // Removes name in folder. A locked item is unlocked for it and locked again when it still
    // fails; any other failure throws.
    template<class PathOf>
    static Outcome Remove(int folder, char const* name, bool isFolder, PathOf const& pathOf)
    {
        int const flags = isFolder ? AT_REMOVEDIR : 0;
        if (unlinkat(folder, name, flags) == 0 || errno == ENOENT)
            return cGone;
        if (isFolder && (errno == ENOTEMPTY || errno == EEXIST))
            return cLeft;
        int const error = errno;
        // Another kind of item than the one looked at took the name meanwhile.
        struct stat now;
        if (error == ENOTDIR || error == EISDIR ||
            (fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(now.st_mode) != isFolder))
            return cChanged;
        if ((error == EPERM || error == EACCES) && Cocoa::GetFileLockStatus(pathOf()))
        {
            Cocoa::SetAliasObjectLocked(pathOf(), false);
            if (unlinkat(folder, name, flags) == 0 || errno == ENOENT)
                return cGone;
            Cocoa::SetAliasObjectLocked(pathOf(), true);
        }
        Fail(pathOf());
    }
    static Outcome Remove(int folder, char const* name, bool isFolder, GPathName const& path)
    {
        return Remove(folder, name, isFolder, [&]() -> GPathName const& { return path; });
    }

private:
    int const fKinds;
    int const fDescend;
};
} // namespace

bool PMacFileSystemImp::RemoveFolderContent(GPathName const& folder, int kinds, int descend)
{
    Cocoa::OperationScope const scope;
    // The folder is the one the caller names, links on its way included.
    Descriptor const opened(open(GFileSystemSupport::NativeBytes(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // A folder that cannot be opened lists nothing.
    if (opened.Get() < 0)
        return true;
    ChangedBelow const changed(folder);
    return Walk(kinds, descend).Content(opened.Get(), folder);
}

bool PMacFileSystemImp::RemoveRealFolder(GPathName const& folder, int kinds, int descend)
{
    Cocoa::OperationScope const scope;
    GPathName const named = folder.HasLeaf() ? folder : folder.GetMachOBranch();
    std::string const native = GFileSystemSupport::NativeBytes(named);
    // The folder itself only, not a link put in its place.
    Descriptor const opened(open(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (opened.Get() < 0)
    {
        if (errno == ENOENT || errno == ELOOP || errno == ENOTDIR)
            return false;
        Fail(folder);
    }
    ChangedBelow const changed(named);
    Walk walk(kinds, descend);
    if (walk.Content(opened.Get(), named) && named.HasLeaf())
        walk.RemoveEmptied(AT_FDCWD, native.c_str(), opened.Get(), named);
    return true;
}

bool PMacFileSystemImp::RemoveLink(GPathName const& path)
{
    Cocoa::OperationScope const scope;
    GPathName const named = path.HasLeaf() ? path : path.GetMachOBranch();
    std::string const native = GFileSystemSupport::NativeBytes(named);
    ChangedBelow const changed(named);
    // Never a folder: one that took the link's place meanwhile makes the unlink fail.
    Outcome const outcome =
        Walk::Remove(AT_FDCWD, native.c_str(), false, [&]() -> GPathName const& { return named; });
    return outcome == cGone;
}
