// Reading the host's JSON files, and the checks every field goes through.
#include "HostJsonFile.h"

#include "FileBytes.h"
#include "HostFileError.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace indesignhost
{
namespace
{
namespace fs = std::filesystem;

std::string KindOf(JsonValue const* value)
{
    if (!value)
        return "missing";
    switch (value->kind)
    {
    case JsonValue::Kind::Null:
        return "null";
    case JsonValue::Kind::Boolean:
        return "a truth value";
    case JsonValue::Kind::Number:
        return "a number";
    case JsonValue::Kind::String:
        return "a text";
    case JsonValue::Kind::Array:
        return "an array";
    case JsonValue::Kind::Object:
        return "an object";
    }
    return "a value";
}

std::string NumberText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}
} // namespace

HostJsonFile::HostJsonFile(std::string const& path) : fPath(path)
{
    std::string bytes;
    std::string reason;
    if (!TryReadFileBytes(path, bytes, reason))
        throw HostFileError(path, reason);
    int line = 0;
    if (!ParseJson(bytes, fRoot, reason, line))
        throw HostFileError(path, "not JSON: " + reason + " at line " + std::to_string(line));
    if (fRoot.kind != JsonValue::Kind::Object)
        throw HostFileError(path, "the file holds no JSON object at its top level");
    std::error_code failure;
    fs::path const absolute = fs::absolute(fs::path(path), failure);
    if (failure)
        throw HostFileError(path, "its folder cannot be told (" + failure.message() + ")");
    fAbsolutePath = absolute.lexically_normal().string();
}

std::string HostJsonFile::Stem() const
{
    return fs::path(fPath).stem().string();
}

void HostJsonFile::Fail(std::string const& field, std::string const& detail) const
{
    throw HostFileError(fPath, field + ": " + detail);
}

void HostJsonFile::RequireKnown(JsonValue const& object, std::string const& where,
                                std::initializer_list<char const*> known) const
{
    for (std::string const& key : object.keys)
        if (std::none_of(known.begin(), known.end(), [&](char const* name) { return key == name; }))
            Fail(where.empty() ? key : where + "." + key, "is not a field of this file");
}

JsonValue const& HostJsonFile::Object(JsonValue const* value, std::string const& field) const
{
    if (!value || value->kind != JsonValue::Kind::Object)
        Fail(field, "must be an object, not " + KindOf(value));
    return *value;
}

JsonValue const& HostJsonFile::Array(JsonValue const* value, std::string const& field) const
{
    if (!value || value->kind != JsonValue::Kind::Array)
        Fail(field, "must be an array, not " + KindOf(value));
    return *value;
}

std::string HostJsonFile::Text(JsonValue const* value, std::string const& field) const
{
    if (!value || value->kind != JsonValue::Kind::String)
        Fail(field, "must be a text, not " + KindOf(value));
    if (value->text.find('\0') != std::string::npos)
        Fail(field, "must not hold a NUL character");
    return value->text;
}

std::string HostJsonFile::NonEmptyText(JsonValue const* value, std::string const& field) const
{
    std::string text = Text(value, field);
    if (text.empty())
        Fail(field, "must not be empty");
    return text;
}

double HostJsonFile::Number(JsonValue const* value, std::string const& field, double low, bool lowIncluded,
                            double high) const
{
    if (!value || value->kind != JsonValue::Kind::Number)
        Fail(field, "must be a number, not " + KindOf(value));
    double const number = value->number;
    bool const aboveLow = lowIncluded ? number >= low : number > low;
    if (!std::isfinite(number) || !aboveLow || number > high)
        Fail(field, "must be " + std::string(lowIncluded ? "at least " : "above ") + NumberText(low) +
                        " and at most " + NumberText(high) + ", not " + NumberText(number));
    return number;
}

int HostJsonFile::Index(JsonValue const* value, std::string const& field, int count) const
{
    if (!value || value->kind != JsonValue::Kind::Number)
        Fail(field, "must be a page index, not " + KindOf(value));
    double const number = value->number;
    if (!(number >= 0 && number < count) || std::floor(number) != number)
        Fail(field,
             NumberText(number) + " is not the index of a page (0 to " + std::to_string(count - 1) + ")");
    return static_cast<int>(number);
}

std::string HostJsonFile::FilePath(JsonValue const* value, std::string const& field) const
{
    fs::path const path(NonEmptyText(value, field));
    fs::path const folder = fs::path(fAbsolutePath).parent_path();
    return (path.is_absolute() ? path : folder / path).lexically_normal().string();
}

std::string HostJsonFile::Member(std::string const& where, char const* name)
{
    return where.empty() ? std::string(name) : where + "." + name;
}

std::string HostJsonFile::Item(std::string const& where, std::size_t index)
{
    return where + "[" + std::to_string(index) + "]";
}
} // namespace indesignhost
