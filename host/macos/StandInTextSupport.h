// What the readers of bundles' text files (property lists, strings files) share: their failure,
// reported as a reason rather than thrown, and UTF-8 written from code points.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

// Thrown inside a reader for text it refuses; the reader's caller gets the message as the reason.
struct StandInMalformedText : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// The strings the reader reads, or false with the reason in error (when given) and strings untouched
// when it refuses the text.
template<class Reading>
bool StandInReadStrings(Reading reading, std::map<std::string, std::string>& strings, std::string* error)
{
    std::map<std::string, std::string> read;
    try
    {
        reading(read);
    }
    catch (StandInMalformedText const& malformed)
    {
        if (error)
            *error = malformed.what();
        return false;
    }
    strings.swap(read);
    return true;
}

// The code point, a scalar value, appended as UTF-8.
inline void StandInAppendUTF8(std::string& text, std::uint32_t code)
{
    if (code < 0x80)
        text += static_cast<char>(code);
    else if (code < 0x800)
    {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
    else
    {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}
