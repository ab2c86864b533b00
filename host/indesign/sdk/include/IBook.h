// IBook: an open book. Its content (the chapter documents) is a further interface of it.
#pragma once

#include "IDFile.h"
#include "IPMUnknown.h"
#include "PMString.h"

class IBook : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = kStandInIDBase + 10
    };

    virtual IDFile GetBookFileSpec() const = 0;
    // The book's name, its file's name with the extension.
    virtual void GetBookTitleName(PMString& name) const = 0;
    virtual bool16 IsModified() const = 0;
};
