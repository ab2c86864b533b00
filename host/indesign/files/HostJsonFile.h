// A JSON file of the host (a document or a book) read whole, with typed access to its fields that
// throws HostFileError naming the file and the field at fault.
#pragma once

#include "JsonValue.h"

#include <initializer_list>
#include <string>

namespace indesignhost
{
class HostJsonFile
{
public:
    // Reads and parses the file; its top level must be an object.
    explicit HostJsonFile(std::string const& path);

    // The path as given, for messages.
    std::string const& Path() const { return fPath; }
    // The file's name without its folder and extension.
    std::string Stem() const;
    std::string const& AbsolutePath() const { return fAbsolutePath; }
    JsonValue const& Root() const { return fRoot; }

    [[noreturn]] void Fail(std::string const& field, std::string const& detail) const;

    // Fails on a member of the object that is not among the known ones.
    void RequireKnown(JsonValue const& object, std::string const& where,
                      std::initializer_list<char const*> known) const;
    // Each check takes the value as Find gives it: null when it is missing.
    JsonValue const& Object(JsonValue const* value, std::string const& field) const;
    JsonValue const& Array(JsonValue const* value, std::string const& field) const;
    // A text without NUL characters (they would cut it short wherever it goes on).
    std::string Text(JsonValue const* value, std::string const& field) const;
    std::string NonEmptyText(JsonValue const* value, std::string const& field) const;
    // A finite number in [low, high], or in (low, high] when low is excluded.
    double Number(JsonValue const* value, std::string const& field, double low, bool lowIncluded,
                  double high) const;
    // A whole number in [0, count).
    int Index(JsonValue const* value, std::string const& field, int count) const;
    // A path from the file, made absolute against the file's folder.
    std::string FilePath(JsonValue const* value, std::string const& field) const;

    static std::string Member(std::string const& where, char const* name);
    static std::string Item(std::string const& where, std::size_t index);

private:
    std::string fPath;
    std::string fAbsolutePath;
    JsonValue fRoot;
};
} // namespace indesignhost
