// The ".strings" reader: the bytes become UTF-8 text, then one pass reads entry after entry.
#include "StringsFileStandIn.h"

#include "CFStringStandIn.h"
#include "StandInTextSupport.h"

#include <cstdint>

namespace
{
using Malformed = StandInMalformedText;

// The bytes as UTF-8 text, through the string stand-in's strict decoders.
std::string TextOf(std::string const& bytes)
{
    bool const utf16 = bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                             (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
    std::string::size_type const skip = !utf16 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (utf16 && bytes.size() % 2 != 0)
        throw Malformed("UTF-16 text of an odd number of bytes");
    CFStringRef const string =
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(bytes.data()) + skip,
                                static_cast<CFIndex>(bytes.size() - skip),
                                utf16 ? kCFStringEncodingUnicode : kCFStringEncodingUTF8, utf16);
    if (!string)
        throw Malformed("the text is not UTF-8");
    CFIndex const length = CFStringGetLength(string);
    CFIndex needed = 0;
    CFStringGetBytes(string, CFRangeMake(0, length), kCFStringEncodingUTF8, 0, false, nullptr, 0, &needed);
    std::string text(static_cast<std::size_t>(needed), '\0');
    CFIndex const converted = CFStringGetBytes(string, CFRangeMake(0, length), kCFStringEncodingUTF8, 0,
                                               false, reinterpret_cast<UInt8*>(&text[0]), needed, &needed);
    CFRelease(string);
    if (converted != length)
        throw Malformed("the text holds a lone surrogate");
    return text;
}

bool IsBare(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
}

class Reader
{
public:
    explicit Reader(std::string const& text) : fText(text) {}

    void Read(std::map<std::string, std::string>& strings)
    {
        for (SkipSpace(); fAt < fText.size(); SkipSpace())
        {
            std::string const key = ReadString();
            SkipSpace();
            std::string value = key;
            if (Next() == '=')
            {
                ++fAt;
                SkipSpace();
                value = ReadString();
                SkipSpace();
            }
            if (Next() != ';')
                throw Malformed("the entry \"" + key + "\" has no \";\"");
            ++fAt;
            strings[key] = value;
        }
    }

private:
    char Next() const { return fAt < fText.size() ? fText[fAt] : '\0'; }

    void SkipSpace() { fAt = StandInSkipSpaceAndComments(fText, fAt); }

    std::string ReadString()
    {
        if (Next() != '"')
        {
            std::string::size_type const start = fAt;
            while (fAt < fText.size() && IsBare(fText[fAt]))
                ++fAt;
            if (fAt == start)
                throw Malformed("a string was expected");
            return fText.substr(start, fAt - start);
        }
        ++fAt;
        std::string text;
        for (;;)
        {
            if (fAt >= fText.size())
                throw Malformed("unterminated string");
            char const c = fText[fAt++];
            if (c == '"')
                return text;
            if (c != '\\')
            {
                text += c;
                continue;
            }
            char const escape = Next();
            ++fAt;
            switch (escape)
            {
            case '"':
            case '\\':
            case '\'':
                text += escape;
                break;
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case 'r':
                text += '\r';
                break;
            case 'U':
            case 'u':
                StandInAppendUTF8(text, ReadUnicodeEscape());
                break;
            default:
                throw Malformed(std::string("unknown escape \\") + escape);
            }
        }
    }

    std::uint32_t ReadHexUnit()
    {
        if (fAt + 4 > fText.size())
            throw Malformed("a \\U escape without its four digits");
        std::uint32_t unit = 0;
        for (int i = 0; i < 4; ++i)
        {
            char const c = fText[fAt++];
            int const digit = StandInHexDigit(c);
            if (digit < 0)
                throw Malformed("a \\U escape without its four digits");
            unit = unit << 4 | static_cast<std::uint32_t>(digit);
        }
        return unit;
    }

    // The character of a \U escape just read past its letter, with the low half of a pair after it.
    std::uint32_t ReadUnicodeEscape()
    {
        std::uint32_t const unit = ReadHexUnit();
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            throw Malformed("a lone surrogate");
        if (unit < 0xD800 || unit > 0xDBFF)
            return unit;
        if (fText.compare(fAt, 2, "\\U") != 0 && fText.compare(fAt, 2, "\\u") != 0)
            throw Malformed("a lone surrogate");
        fAt += 2;
        std::uint32_t const low = ReadHexUnit();
        if (low < 0xDC00 || low > 0xDFFF)
            throw Malformed("a lone surrogate");
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }

    std::string const& fText;
    std::string::size_type fAt = 0;
};
} // namespace

bool StringsFileStandInRead(std::string const& bytes, std::map<std::string, std::string>& strings,
                            std::string* error)
{
    auto const reading = [&bytes](std::map<std::string, std::string>& read)
    {
        std::string const text = TextOf(bytes);
        Reader(text).Read(read);
    };
    return StandInReadStrings(reading, strings, error);
}
