// IBookUtils: the book panel: the book it shows, the documents selected in it, and saving a book.
#pragma once

#include "IPMUnknown.h"
#include "UIDList.h"

class IBook;

class IBookUtils : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 65561
    };

    // The book of the panel the object belongs to, or of the active book panel when the object is
    // null; null when there is none.
    virtual IBook* GetPanelBook(IPMUnknown const* object) const = 0;
    // The book's documents selected in its panel, in book order; none when nothing is selected.
    virtual void GetSelectedDocuments(IBook const* book, UIDList& documents) const = 0;
    virtual ErrorCode SaveBook(IBook* book) = 0;
};
