// Forward iteration over the entries of a folder, optionally descending into sub-folders and alias
// targets, depth first: a reported folder comes before its content, an alias before its target.
//
//     for (GFileSystemIterator it(folder, 1, 0); it != GFileSystemIterator::cEnd; ++it)
//         use(*it);
//
// Each folder's listing is taken when its iteration begins; later changes are not seen.
#pragma once

#include "GAutoPtr.h"
#include "GPathName.h"
#include "PMacFileSystemIteratorImp.h"

class GFileSystemIterator : public PMacFileSystemIteratorImp
{
public:
    // An ended iterator; every walk that has ended equals it.
    static GFileSystemIterator const cEnd;

    GFileSystemIterator() = default;
    // kinds: what to report (1 files, 2 folders, 4 aliases, 8 hidden ones too; -1 all); descend: what
    // to enter (2 sub-folders, 4 alias targets, 8 hidden ones too). A folder that does not exist or
    // cannot be listed gives an ended iterator; a relative one throws 40068.
    GFileSystemIterator(GPathName const& folder, int kinds, int descend);
    ~GFileSystemIterator() override;

    GFileSystemIterator& operator++();
    // The current entry; null once ended.
    GPathName const& operator*() const { return *fCurrent; }
    GPathName const* operator->() const { return fCurrent.Get(); }
    bool CurrentFileOrFolderIsValid() const { return fCurrent.Get() != nullptr; }

    friend bool operator==(GFileSystemIterator const& a, GFileSystemIterator const& b);
    friend bool operator!=(GFileSystemIterator const& a, GFileSystemIterator const& b) { return !(a == b); }

private:
    GAutoPtr<GPathName> fCurrent;
};
