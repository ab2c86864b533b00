// The depth-first walk behind the folder iterator.
#include "PMacFileSystemIteratorImp.h"

#include <set>
#include <sys/stat.h>
#include <utility>

#include "GFileSystem.h"
#include "GUTF8Encoding.h"

namespace
{
constexpr int cFiles = 1;
constexpr int cFolders = 2;
constexpr int cAliases = 4;
constexpr int cHidden = 8;
} // namespace

struct PMacFileSystemIteratorImp::EnteredFolders
{
    std::set<std::pair<dev_t, ino_t>> fFolders;
};

PMacFileSystemIteratorImp::PMacFileSystemIteratorImp()
    : fSearchState(cEnded), fKinds(0), fDescend(0), fOwnsSubIterator(false), fSubIterator(nullptr), fNextIndex(0)
{
}

PMacFileSystemIteratorImp::~PMacFileSystemIteratorImp()
{
    if (fOwnsSubIterator)
        delete fSubIterator;
}

bool PMacFileSystemIteratorImp::BeginIterate(GPathName const& folder, int kinds, int descend)
{
    PMacFileSystemImpCocoa::OperationScope const scope;
    if (!GFileSystem::FolderExists(folder))
        return false;
    GPathName resolved;
    GFileSystem::GetAliasTarget(folder, resolved);
    if (!fEntered)
    {
        fEntered = std::make_shared<EnteredFolders>();
        EnterOnce(resolved);
    }
    bool const filled = FillCache(resolved);
    if (filled)
    {
        fKinds = kinds;
        fDescend = descend;
        fNextIndex = 0;
        fSearchState = cWalking;
    }
    else
        fSearchState = cEnded;
    return filled;
}

bool PMacFileSystemIteratorImp::FillCache(GPathName const& folder)
{
    if (!PMacFileSystemImpCocoa::FillCache(fCache, folder))
        return false;
    fNextIndex = 0;
    return true;
}

bool PMacFileSystemIteratorImp::EnterOnce(GPathName const& folder)
{
    GBuffer const native = folder.GetNativePathString().GetBuffer(GUTF8Encoding::GetInstance());
    struct stat info;
    if (stat(reinterpret_cast<char const*>(native.GetPtr()), &info) != 0)
        return true;
    return fEntered->fFolders.insert({info.st_dev, info.st_ino}).second;
}

bool PMacFileSystemIteratorImp::CheckObject(GPathName const& path, bool isFolder, bool isHidden, bool isAlias)
{
    bool const shown = !isHidden || (fKinds & cHidden);
    bool const enterable = !isHidden || (fDescend & cHidden);
    if (isFolder)
    {
        fSearchState = cWalking;
        if ((fDescend & cFolders) && enterable && EnterOnce(path))
        {
            PMacFileSystemIteratorImp* sub = new PMacFileSystemIteratorImp;
            sub->fEntered = fEntered;
            if (fOwnsSubIterator)
                delete fSubIterator;
            fSubIterator = sub;
            fOwnsSubIterator = true;
            fSubIterator->BeginIterate(path, fKinds, fDescend);
            fSearchState = cInSubIterator;
        }
        return (fKinds & cFolders) && shown;
    }
    if (isAlias)
    {
        fSearchState = cWalking;
        if ((fDescend & cAliases) && enterable)
        {
            fPendingAlias = path;
            fSearchState = cAliasPending;
        }
        return (fKinds & cAliases) && shown;
    }
    fSearchState = cWalking;
    return (fKinds & cFiles) && shown;
}

bool PMacFileSystemIteratorImp::GetNextFileOrFolder(GPathName& path)
{
    for (;;)
    {
        switch (fSearchState)
        {
        case cEnded:
            return false;
        case cAliasPending:
        {
            PMacFileSystemImpCocoa::OperationScope const scope;
            GFileSystem::GetAliasTarget(fPendingAlias, path);
            if (CheckObject(path, GFileSystem::FolderExists(path), GFileSystem::IsHidden(path), false))
                return true;
            break;
        }
        case cInSubIterator:
            if (fSubIterator->GetNextFileOrFolder(path))
                return true;
            path.Clear();
            fSubIterator->EndIterate();
            if (fOwnsSubIterator)
                delete fSubIterator;
            fSubIterator = nullptr;
            fOwnsSubIterator = false;
            fSearchState = cWalking;
            break;
        default:
            if (fNextIndex >= fCache.GetCount())
            {
                fSearchState = cEnded;
                path.Clear();
                return false;
            }
            {
                PMacFileSystemImpCocoa::IteratorCacheItem const& item = fCache[fNextIndex++];
                path = item.fPath;
                if (CheckObject(path, item.fIsFolder, item.fIsHidden, item.fIsAlias))
                    return true;
            }
            break;
        }
    }
}
