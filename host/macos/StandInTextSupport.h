// What the readers of bundles' text files (property lists, strings files) share: their failure,
// reported as a reason rather than thrown, UTF-8 written from code points and read from UTF-16.
#pragma once

#include <cstddef>
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

// The UTF-16 code units of the bytes (big- or little-endian) as UTF-8; a pair of surrogates is one
// character. Throws StandInMalformedText for an odd number of bytes or a lone surrogate.
inline std::string StandInUTF8OfUTF16(char const* bytes, std::size_t size, bool bigEndian)
{
    if (size % 2 != 0)
        throw StandInMalformedText("UTF-16 text of an odd number of bytes");
    auto const unitAt = [bytes, bigEndian](std::size_t at)
    {
        std::uint32_t const first = static_cast<unsigned char>(bytes[at]);
        std::uint32_t const second = static_cast<unsigned char>(bytes[at + 1]);
        return bigEndian ? first << 8 | second : second << 8 | first;
    };
    std::string text;
    text.reserve(size / 2);
    for (std::size_t at = 0; at < size; at += 2)
    {
        std::uint32_t code = unitAt(at);
        if (code >= 0xDC00 && code <= 0xDFFF)
            throw StandInMalformedText("the text holds a lone surrogate");
        if (code >= 0xD800 && code <= 0xDBFF)
        {
            std::uint32_t const low = at + 2 < size ? unitAt(at + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF)
                throw StandInMalformedText("the text holds a lone surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            at += 2;
        }
        StandInAppendUTF8(text, code);
    }
    return text;
}

// The value of a hexadecimal digit, or -1 for another character.
inline int StandInHexDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The place of the first character at or after at that is neither white space nor in a C or C++
// comment, as the text forms of property lists and strings files have them. Throws
// StandInMalformedText for an unterminated comment.
inline std::string::size_type StandInSkipSpaceAndComments(std::string const& text, std::string::size_type at)
{
    while (at < text.size())
    {
        char const c = text[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v')
            ++at;
        else if (text.compare(at, 2, "//") == 0)
        {
            std::string::size_type const end = text.find_first_of("\r\n", at);
            at = end == std::string::npos ? text.size() : end + 1;
        }
        else if (text.compare(at, 2, "/*") == 0)
        {
            std::string::size_type const end = text.find("*/", at + 2);
            if (end == std::string::npos)
                throw StandInMalformedText("unterminated comment");
            at = end + 2;
        }
        else
            break;
    }
    return at;
}
