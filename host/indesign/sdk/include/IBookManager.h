// IBookManager: the open books and which one is current; an interface of the session.
#pragma once

#include "IDFile.h"
#include "IPMUnknown.h"

class IBook;

class IBookManager : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 65537
    };

    virtual int32 GetBookCount() const = 0;
    // Books are held by the host; null when none.
    virtual IBook* GetNthBook(int32 index) const = 0;
    virtual IBook* GetCurrentBook() const = 0;
    // Null makes no book current.
    virtual void SetCurrentBook(IBook* book) = 0;
    virtual IBook* FindBook(IDFile const& file) const = 0;
};
