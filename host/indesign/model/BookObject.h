// An open book: its file read at open (IBook) and its chapters numbered by the host
// (IBookContent). The chapters' documents are not read until something opens them.
#pragma once

#include <string>
#include <vector>

#include "FileObject.h"
#include "HostBook.h"
#include "IBook.h"
#include "IBookContent.h"
#include "UIDList.h"

namespace indesignhost
{
class BookObject : public FileObject<HostBook>
{
public:
    // Reads the file; throws HostFileError when it is not a book.
    BookObject(Host& host, std::string const& path);

    IBook* GetBook() { return &fBook; }
    UID ChapterUID(int index) const { return fChapterUIDs.at(static_cast<std::size_t>(index)); }
    // The chapter's index, or -1 when it is no chapter of this book.
    int ChapterIndex(UID chapter) const;

    // The chapters selected in the book's panel, in book order.
    UIDList const& Selection() const { return fSelection; }
    void SetSelection(std::vector<int> const& chapters);

private:
    class Book : public Facet<IBook>
    {
    public:
        explicit Book(BookObject& object) : Facet<IBook>(object), fOwner(object) {}
        IDFile GetBookFileSpec() const override;
        void GetBookTitleName(PMString& name) const override;
        bool16 IsModified() const override;

    private:
        BookObject& fOwner;
    };

    class Chapters : public Facet<IBookContent>
    {
    public:
        explicit Chapters(BookObject& object) : Facet<IBookContent>(object), fOwner(object) {}
        int32 GetContentCount() const override;
        UID GetNthContent(int32 index) const override;
        IDFile GetNthContentFile(int32 index) const override;

    private:
        BookObject& fOwner;
    };

    std::vector<UID> fChapterUIDs;
    UIDList fSelection;
    Book fBook{*this};
    Chapters fBookContent{*this};
};
} // namespace indesignhost
