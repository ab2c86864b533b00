// IBookContent: the documents of a book, in book order, each by its number and its file.
#pragma once

#include "IDFile.h"
#include "IPMUnknown.h"

class IBookContent : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 65540
    };

    virtual int32 GetContentCount() const = 0;
    virtual UID GetNthContent(int32 index) const = 0;
    virtual IDFile GetNthContentFile(int32 index) const = 0;
};
