// A value of a job-options file: the subset of PostScript's dictionary syntax those files are
// written in (truth values, numbers, names, strings, arrays and dictionaries), as a tree.
#pragma once

#include <string>
#include <vector>

namespace indesignhost
{
struct JobOptionsValue
{
    enum class Kind
    {
        Boolean,
        Number,
        Name,
        String,
        Array,
        Dictionary
    };

    Kind kind = Kind::Boolean;
    bool boolean = false;
    double number = 0;
    // A number's token as written, a name without its slash, a string's bytes.
    std::string text;
    // An array's items; a dictionary's values, each beside its key in keys (in file order, a
    // repeated key kept: the last one counts).
    std::vector<JobOptionsValue> items;
    std::vector<std::string> keys;
    // The line the value starts on, from 1.
    int line = 0;

    // The value in the file syntax, one line; reading it gives a value of the same text.
    std::string Text() const;
    // The last value of the key in a dictionary, or null.
    JobOptionsValue const* Find(std::string const& key) const;
    // "a number", "a name", ... for messages.
    char const* KindName() const;
};

// The dictionary a job-options file holds: "<< /Key value ... >>" with "%" comments, and nothing
// else around it. Throws JobOptionsError naming the path and the line on a syntax error.
JobOptionsValue ParseJobOptionsText(std::string const& text, std::string const& path);

// A string's bytes in the file syntax, with its parentheses.
std::string JobOptionsStringText(std::string const& bytes);
} // namespace indesignhost
