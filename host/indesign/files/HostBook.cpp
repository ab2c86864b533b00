// Reading a book file.
#include "HostBook.h"

#include "HostJsonFile.h"

#include <algorithm>

namespace indesignhost
{
HostBook ReadBookFile(std::string const& path)
{
    HostJsonFile const file(path);
    JsonValue const& root = file.Root();
    file.RequireKnown(root, "", {"chapters"});
    if (!root.Find("chapters"))
        file.Fail("chapters", "is missing");
    JsonValue const& chapters = file.Array(root.Find("chapters"), "chapters");

    HostBook book;
    book.path = file.AbsolutePath();
    book.name = file.Stem();
    for (std::size_t i = 0; i < chapters.items.size(); ++i)
    {
        std::string const field = HostJsonFile::Item("chapters", i);
        std::string const chapter = file.FilePath(&chapters.items[i], field);
        if (std::find(book.chapters.begin(), book.chapters.end(), chapter) != book.chapters.end())
            file.Fail(field, chapter + " is already a chapter of the book");
        if (chapter == book.path)
            file.Fail(field, "names the book itself");
        book.chapters.push_back(chapter);
    }
    return book;
}
} // namespace indesignhost
