// The walk behind the folder iterator: one folder's listing, taken once when its iteration begins,
// handed out entry by entry, depth first, with sub-iterators for the folders it enters and alias
// targets reported after their aliases.
#pragma once

#include <memory>

#include "GPathName.h"
#include "GTable.h"
#include "PMacFileSystemImpCocoa.h"

class PMacFileSystemIteratorImp
{
public:
    enum SearchState
    {
        cWalking = 0,
        cInSubIterator = 1,
        cAliasPending = 2,
        cEnded = 3
    };

    PMacFileSystemIteratorImp();
    virtual ~PMacFileSystemIteratorImp();
    PMacFileSystemIteratorImp(PMacFileSystemIteratorImp const&) = delete;
    PMacFileSystemIteratorImp& operator=(PMacFileSystemIteratorImp const&) = delete;

    // false when the folder does not exist (a relative one throws 40068) or cannot be listed.
    // kinds: what to report; descend: 2 enter sub-folders, 4 alias targets, 8 hidden ones too.
    bool BeginIterate(GPathName const& folder, int kinds, int descend);
    bool FillCache(GPathName const& folder);
    // The next reported entry; false at the end.
    bool GetNextFileOrFolder(GPathName& path);
    // Whether the entry is reported; arranges the descent into it.
    bool CheckObject(GPathName const& path, bool isFolder, bool isHidden, bool isAlias);
    void EndIterate() { fSearchState = cEnded; }
    int GetSearchState() const { return fSearchState; }

private:
    // The folders a walk has entered, shared by the iterators of one walk: an alias that leads back
    // to a folder on the way would otherwise be entered again and again.
    struct EnteredFolders;

    // Whether the folder was entered before in this walk; enters it when not.
    bool EnterOnce(GPathName const& folder);

    int fSearchState;
    int fKinds;
    int fDescend;
    GPathName fPendingAlias;
    bool fOwnsSubIterator;
    PMacFileSystemIteratorImp* fSubIterator;
    GTable<PMacFileSystemImpCocoa::IteratorCacheItem> fCache;
    int fNextIndex;
    std::shared_ptr<EnteredFolders> fEntered;
};
