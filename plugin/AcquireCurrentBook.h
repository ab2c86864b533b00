// AcquireCurrentBook: for one scope, the book the book panel shows is the book manager's current
// book, with the documents selected in the panel; the book that was current before is current
// again when the scope ends.
#pragma once

#include "GAutoPtr.h"
#include "UIDList.h"

class IBook;
class IBookManager;
class IPMUnknown;

class AcquireCurrentBook
{
public:
    // The panel of the object, or the active book panel when it is null.
    explicit AcquireCurrentBook(IPMUnknown const* object);
    ~AcquireCurrentBook();
    AcquireCurrentBook(AcquireCurrentBook const&) = delete;
    AcquireCurrentBook& operator=(AcquireCurrentBook const&) = delete;

    // Null when no book panel shows a book.
    IBook* GetBook() const { return fBook; }
    UIDList const& GetSelectedDocuments() const { return *fSelected; }
    int GetSelectedCount() const { return fSelectedCount; }
    int GetDocumentCount() const { return fDocumentCount; }

private:
    GAutoPtr<UIDList> fSelected;
    int fSelectedCount;
    int fDocumentCount;
    IBook* fBook;
    IBook* fPrevious;
    IBookManager* fManager;
};
