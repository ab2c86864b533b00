// A value of the host's JSON files (documents and books), as a tree, with the reader of JSON text.
// The reader keeps to RFC 8259 and refuses what would make a document ambiguous: a key given twice
// in one object, a string that is not UTF-8 or holds an unpaired surrogate escape.
#pragma once

#include <string>
#include <vector>

namespace indesignhost
{
struct JsonValue
{
    enum class Kind
    {
        Null,
        Boolean,
        Number,
        String,
        Array,
        Object
    };

    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    // A string's UTF-8 bytes.
    std::string text;
    // An array's items; an object's values, each beside its key in keys, in file order.
    std::vector<JsonValue> items;
    std::vector<std::string> keys;

    // The object's value of the key, or null.
    JsonValue const* Find(std::string const& key) const;
};

// Reads JSON text: a single value with only whitespace around it. False with what is wrong and the
// line (from 1) where it was found.
bool ParseJson(std::string const& text, JsonValue& value, std::string& error, int& line);
} // namespace indesignhost
