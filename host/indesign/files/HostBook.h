// A book of the host as its file holds it: its chapter documents in order.
#pragma once

#include <string>
#include <vector>

namespace indesignhost
{
struct HostBook
{
    // Absolute path of the book file.
    std::string path;
    // The book file's name without its extension.
    std::string name;
    // Absolute paths of the chapter documents, in book order; not read here, so that each chapter
    // can be opened, and fail to open, on its own.
    std::vector<std::string> chapters;
};

// Reads a book file; chapter paths are taken from the book's folder. Throws HostFileError naming
// the file and the field when the file is missing, unreadable, not JSON, or holds a field of the
// wrong type or value.
HostBook ReadBookFile(std::string const& path);
} // namespace indesignhost
