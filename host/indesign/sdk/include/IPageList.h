// IPageList: a document's pages, and the pages a range the user typed stands for.
#pragma once

#include "IPMUnknown.h"
#include "PMString.h"
#include "UIDList.h"

class IPageList : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 1324
    };

    virtual int32 GetPageCount() const = 0;
    virtual UID GetNthPageUID(int32 index) const = 0;
    // The pages of a range text such as "1-3, 5, 8-" by their labels, in document order, appended
    // to pages; kSuccess, or kFailure (pages unchanged) for text that reads as no range.
    virtual ErrorCode ParsePageRange(PMString const& range, UIDList& pages) const = 0;
};
