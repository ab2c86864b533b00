// The property-list reader: the form is told from the first bytes; the XML and the old-style text
// forms are read by recursive descent over the few kinds of value a property list has, the binary
// form object by object from its offset table.
#include "PropertyListStandIn.h"

#include "StandInTextSupport.h"

#include <cstdint>
#include <vector>

namespace
{
constexpr int cMaximumDepth = 64;

using Malformed = StandInMalformedText;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameCharacter(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

struct Tag
{
    std::string fName;
    bool fClosing = false;
    bool fEmpty = false;
};

class Reader
{
public:
    explicit Reader(std::string const& text) : fText(text), fPosition(0) {}

    void ReadDocument(std::map<std::string, std::string>& strings)
    {
        if (fText.compare(0, 3, "\xEF\xBB\xBF") == 0)
            fPosition = 3;
        if (StartsWith("<?xml"))
            SkipProcessingInstruction();
        SkipMisc(true);
        Tag const root = ReadTag();
        if (root.fName != "plist" || root.fClosing)
            throw Malformed("the root element is not <plist>");
        if (root.fEmpty)
            throw Malformed("the property list is empty");
        SkipMiscInContent();
        Tag const value = ReadTag();
        if (value.fName != "dict" || value.fClosing)
            throw Malformed("the property list holds no dictionary");
        ReadDictionary(value, 1, &strings);
        SkipMiscInContent();
        ExpectClosing("plist");
        SkipMisc(false);
        if (fPosition != fText.size())
            throw Malformed("text after the root element");
    }

private:
    bool StartsWith(char const* prefix) const
    {
        return fText.compare(fPosition, std::char_traits<char>::length(prefix), prefix) == 0;
    }

    bool AtEnd() const { return fPosition >= fText.size(); }

    void SkipSpace()
    {
        while (!AtEnd() && IsSpace(fText[fPosition]))
            ++fPosition;
    }

    void SkipPast(char const* terminator, char const* what)
    {
        std::string::size_type const end = fText.find(terminator, fPosition);
        if (end == std::string::npos)
            throw Malformed(std::string("unterminated ") + what);
        fPosition = end + std::char_traits<char>::length(terminator);
    }

    void SkipProcessingInstruction() { SkipPast("?>", "processing instruction"); }

    void SkipComment()
    {
        fPosition += 4;
        std::string::size_type const end = fText.find("--", fPosition);
        if (end == std::string::npos)
            throw Malformed("unterminated comment");
        if (fText.compare(end, 3, "-->") != 0)
            throw Malformed("\"--\" inside a comment");
        fPosition = end + 3;
    }

    void SkipDocumentType()
    {
        std::string::size_type const end = fText.find('>', fPosition);
        if (end == std::string::npos)
            throw Malformed("unterminated document type");
        if (fText.find('[', fPosition) < end)
            throw Malformed("a document type with an internal subset");
        fPosition = end + 1;
    }

    // Space, comments and processing instructions outside the root element (and the document type
    // before it).
    void SkipMisc(bool beforeRoot)
    {
        for (;;)
        {
            SkipSpace();
            if (StartsWith("<!--"))
                SkipComment();
            else if (StartsWith("<?"))
                SkipProcessingInstruction();
            else if (beforeRoot && StartsWith("<!DOCTYPE"))
                SkipDocumentType();
            else
                return;
        }
    }

    // Space and comments between the elements of a container; any other text there is an error.
    void SkipMiscInContent()
    {
        for (;;)
        {
            SkipSpace();
            if (StartsWith("<!--"))
                SkipComment();
            else if (StartsWith("<?"))
                SkipProcessingInstruction();
            else if (!AtEnd() && fText[fPosition] != '<')
                throw Malformed("text where an element belongs");
            else
                return;
        }
    }

    std::string ReadName()
    {
        if (AtEnd() || !IsNameStart(fText[fPosition]))
            throw Malformed("a name was expected");
        std::string::size_type const start = fPosition;
        while (!AtEnd() && IsNameCharacter(fText[fPosition]))
            ++fPosition;
        return fText.substr(start, fPosition - start);
    }

    Tag ReadTag()
    {
        if (AtEnd() || fText[fPosition] != '<')
            throw Malformed("an element was expected");
        ++fPosition;
        Tag tag;
        if (!AtEnd() && fText[fPosition] == '/')
        {
            tag.fClosing = true;
            ++fPosition;
        }
        tag.fName = ReadName();
        for (;;)
        {
            bool const spaced = !AtEnd() && IsSpace(fText[fPosition]);
            SkipSpace();
            if (AtEnd())
                throw Malformed("unterminated tag <" + tag.fName + ">");
            char const c = fText[fPosition];
            if (c == '>')
            {
                ++fPosition;
                return tag;
            }
            if (c == '/' && !tag.fClosing)
            {
                ++fPosition;
                if (AtEnd() || fText[fPosition] != '>')
                    throw Malformed("\"/\" inside tag <" + tag.fName + ">");
                ++fPosition;
                tag.fEmpty = true;
                return tag;
            }
            if (tag.fClosing || !spaced)
                throw Malformed("unexpected character in tag <" + tag.fName + ">");
            SkipAttribute();
        }
    }

    void SkipAttribute()
    {
        ReadName();
        SkipSpace();
        if (AtEnd() || fText[fPosition] != '=')
            throw Malformed("an attribute without a value");
        ++fPosition;
        SkipSpace();
        if (AtEnd() || (fText[fPosition] != '"' && fText[fPosition] != '\''))
            throw Malformed("an attribute value without quotes");
        char const quote = fText[fPosition++];
        std::string::size_type const end = fText.find(quote, fPosition);
        if (end == std::string::npos || fText.find('<', fPosition) < end)
            throw Malformed("unterminated attribute value");
        fPosition = end + 1;
    }

    void ExpectClosing(std::string const& name)
    {
        Tag const tag = ReadTag();
        if (!tag.fClosing || tag.fName != name)
            throw Malformed("<" + name + "> is closed by <" + (tag.fClosing ? "/" : "") + tag.fName + ">");
    }

    std::uint32_t ReadCharacterReference(std::string const& reference)
    {
        bool const hex = reference.size() > 1 && reference[1] == 'x';
        std::string const digits = reference.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8)
            throw Malformed("bad character reference &" + reference + ";");
        std::uint32_t code = 0;
        for (char c : digits)
        {
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0)
                throw Malformed("bad character reference &" + reference + ";");
            code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        }
        if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            throw Malformed("bad character reference &" + reference + ";");
        return code;
    }

    // The character data up to the closing tag of name, entities and character sections resolved.
    std::string ReadText(std::string const& name)
    {
        std::string text;
        for (;;)
        {
            if (AtEnd())
                throw Malformed("<" + name + "> is not closed");
            char const c = fText[fPosition];
            if (c == '<')
            {
                if (StartsWith("<![CDATA["))
                {
                    fPosition += 9;
                    std::string::size_type const end = fText.find("]]>", fPosition);
                    if (end == std::string::npos)
                        throw Malformed("unterminated character section");
                    text.append(fText, fPosition, end - fPosition);
                    fPosition = end + 3;
                    continue;
                }
                if (StartsWith("<!--"))
                {
                    SkipComment();
                    continue;
                }
                ExpectClosing(name);
                return text;
            }
            if (c == '&')
            {
                std::string::size_type const end = fText.find(';', fPosition);
                if (end == std::string::npos || end - fPosition > 12)
                    throw Malformed("an unterminated entity");
                std::string const reference = fText.substr(fPosition + 1, end - fPosition - 1);
                fPosition = end + 1;
                if (reference == "lt")
                    text += '<';
                else if (reference == "gt")
                    text += '>';
                else if (reference == "amp")
                    text += '&';
                else if (reference == "quot")
                    text += '"';
                else if (reference == "apos")
                    text += '\'';
                else if (!reference.empty() && reference[0] == '#')
                    StandInAppendUTF8(text, ReadCharacterReference(reference));
                else
                    throw Malformed("unknown entity &" + reference + ";");
                continue;
            }
            if (c == ']' && StartsWith("]]>"))
                throw Malformed("\"]]>\" in text");
            text += c;
            ++fPosition;
        }
    }

    // One value whose start tag was read. strings, when given, receives the string values of a
    // dictionary (only the top-level one gets it).
    void ReadValue(Tag const& tag, int depth)
    {
        if (tag.fClosing)
            throw Malformed("</" + tag.fName + "> where a value belongs");
        if (depth > cMaximumDepth)
            throw Malformed("values nested too deeply");
        std::string const& name = tag.fName;
        if (name == "true" || name == "false")
        {
            if (!tag.fEmpty)
                ExpectClosing(name);
            return;
        }
        if (name == "string" || name == "integer" || name == "real" || name == "date" || name == "data")
        {
            std::string const text = tag.fEmpty ? std::string() : ReadText(name);
            if (name == "integer" && !IsInteger(text))
                throw Malformed("<integer> holds \"" + text + "\"");
            return;
        }
        if (name == "dict")
        {
            ReadDictionary(tag, depth, nullptr);
            return;
        }
        if (name == "array")
        {
            if (tag.fEmpty)
                return;
            for (;;)
            {
                SkipMiscInContent();
                Tag const element = ReadTag();
                if (element.fClosing && element.fName == "array")
                    return;
                ReadValue(element, depth + 1);
            }
        }
        throw Malformed("unknown element <" + name + ">");
    }

    static bool IsInteger(std::string const& text)
    {
        std::string::size_type start = text.find_first_not_of(" \t\r\n");
        std::string::size_type const end = text.find_last_not_of(" \t\r\n");
        if (start == std::string::npos)
            return false;
        if (text[start] == '-' || text[start] == '+')
            ++start;
        if (start > end)
            return false;
        if (text.compare(start, 2, "0x") == 0)
            return start + 2 <= end &&
                   text.substr(start + 2, end - start - 1).find_first_not_of("0123456789abcdefABCDEF") ==
                       std::string::npos;
        return text.substr(start, end - start + 1).find_first_not_of("0123456789") == std::string::npos;
    }

    void ReadDictionary(Tag const& tag, int depth, std::map<std::string, std::string>* strings)
    {
        if (tag.fEmpty)
            return;
        for (;;)
        {
            SkipMiscInContent();
            Tag const key = ReadTag();
            if (key.fClosing && key.fName == "dict")
                return;
            if (key.fName != "key" || key.fClosing)
                throw Malformed("<" + key.fName + "> where a dictionary key belongs");
            std::string const keyText = key.fEmpty ? std::string() : ReadText("key");
            SkipMiscInContent();
            Tag const value = ReadTag();
            if (value.fClosing)
                throw Malformed("the key \"" + keyText + "\" has no value");
            if (strings && value.fName == "string")
            {
                (*strings)[keyText] = value.fEmpty ? std::string() : ReadText("string");
                continue;
            }
            ReadValue(value, depth + 1);
        }
    }

    std::string const& fText;
    std::string::size_type fPosition;
};
// The binary form: "bplist00", the objects, a table of their offsets and a trailer of 32 bytes
// (6 unused, the size of an offset, the size of an object reference, the number of objects, the
// top object, where the offset table starts; the numbers big-endian). Each object starts with a
// marker byte whose high half is its kind and whose low half its size (15: an integer object
// follows with the size).
class BinaryReader
{
public:
    explicit BinaryReader(std::string const& data) : fData(data) {}

    void Read(std::map<std::string, std::string>& strings)
    {
        if (fData.size() < 8 + 32)
            throw Malformed("a binary property list too short for its trailer");
        std::size_t const trailer = fData.size() - 32;
        fOffsetSize = static_cast<unsigned char>(fData[trailer + 6]);
        fReferenceSize = static_cast<unsigned char>(fData[trailer + 7]);
        std::uint64_t const count = Number(trailer + 8, 8);
        std::uint64_t const top = Number(trailer + 16, 8);
        std::uint64_t const table = Number(trailer + 24, 8);
        if (fOffsetSize < 1 || fOffsetSize > 8 || fReferenceSize < 1 || fReferenceSize > 8)
            throw Malformed("a binary property list with offsets or references of a bad size");
        if (count == 0 || top >= count || table < 8 || table > trailer ||
            count > (trailer - table) / fOffsetSize)
            throw Malformed("a binary property list whose offset table does not fit");
        fTable = static_cast<std::size_t>(table);
        fCount = static_cast<std::size_t>(count);
        fChecked.assign(fCount, false);
        fOpen.assign(fCount, false);

        std::size_t at = Start(static_cast<std::size_t>(top));
        unsigned const marker = Byte(at++);
        if (marker >> 4 != 0xD)
            throw Malformed("the property list holds no dictionary");
        std::size_t const entries = Size(marker, at);
        std::size_t const keys = References(at, entries * 2);
        fOpen[top] = true;
        for (std::size_t i = 0; i < entries; ++i)
        {
            std::size_t const key = Reference(keys + i * fReferenceSize);
            std::size_t const value = Reference(keys + (entries + i) * fReferenceSize);
            std::string keyText;
            if (!String(key, keyText))
                throw Malformed("a dictionary key that is not a string");
            std::string valueText;
            if (String(value, valueText))
                strings[keyText] = valueText;
            else
                Check(value, 2);
        }
    }

private:
    unsigned Byte(std::size_t at) const
    {
        if (at >= fTable)
            throw Malformed("an object runs into the offset table");
        return static_cast<unsigned char>(fData[at]);
    }

    std::uint64_t Number(std::size_t at, std::size_t size) const
    {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value = value << 8 | static_cast<unsigned char>(fData[at + i]);
        return value;
    }

    // That the size bytes at at lie before the offset table; at past them.
    std::size_t Span(std::size_t at, std::size_t count, std::size_t unit) const
    {
        if (at > fTable || count > (fTable - at) / unit)
            throw Malformed("an object runs into the offset table");
        return at + count * unit;
    }

    std::size_t Start(std::size_t object) const
    {
        std::uint64_t const offset = Number(fTable + object * fOffsetSize, fOffsetSize);
        if (offset < 8 || offset >= fTable)
            throw Malformed("an object's offset lies outside the objects");
        return static_cast<std::size_t>(offset);
    }

    std::size_t Reference(std::size_t at) const
    {
        std::uint64_t const object = Number(at, fReferenceSize);
        if (object >= fCount)
            throw Malformed("a reference to an object that is not there");
        return static_cast<std::size_t>(object);
    }

    // The start of count references at at, all checked to lie before the offset table.
    std::size_t References(std::size_t at, std::size_t count) const
    {
        Span(at, count, fReferenceSize);
        return at;
    }

    // The size in the marker's low half, or the integer object after it; at moves past what was read.
    std::size_t Size(unsigned marker, std::size_t& at) const
    {
        if ((marker & 0xF) != 0xF)
            return marker & 0xF;
        unsigned const integer = Byte(at++);
        if (integer >> 4 != 0x1 || (integer & 0xF) > 3)
            throw Malformed("a size that is not an integer");
        std::size_t const bytes = std::size_t(1) << (integer & 0xF);
        Span(at, bytes, 1);
        std::uint64_t const size = Number(at, bytes);
        at += bytes;
        if (size > fData.size())
            throw Malformed("a size larger than the property list");
        return static_cast<std::size_t>(size);
    }

    // True, with its text, when the object is a string.
    bool String(std::size_t object, std::string& text) const
    {
        std::size_t at = Start(object);
        unsigned const marker = Byte(at++);
        unsigned const kind = marker >> 4;
        if (kind != 0x5 && kind != 0x6)
            return false;
        std::size_t const length = Size(marker, at);
        Span(at, length, kind == 0x5 ? 1 : 2);
        if (kind == 0x6)
        {
            text = StandInUTF8OfUTF16(fData.data() + at, length * 2, true);
            return true;
        }
        text.assign(fData, at, length);
        for (char const c : text)
        {
            if (static_cast<unsigned char>(c) >= 0x80)
                throw Malformed("an ASCII string with a byte beyond ASCII");
        }
        return true;
    }

    // The object is well-formed, and so is all it holds; each object is checked once, and one that
    // holds itself is refused.
    void Check(std::size_t object, int depth)
    {
        if (fChecked[object])
            return;
        if (fOpen[object])
            throw Malformed("an object holds itself");
        if (depth > cMaximumDepth)
            throw Malformed("values nested too deeply");
        fOpen[object] = true;
        std::size_t at = Start(object);
        unsigned const marker = Byte(at++);
        unsigned const low = marker & 0xF;
        std::string text;
        switch (marker >> 4)
        {
        case 0x0:
            // null, false, true, fill
            if (low != 0x0 && low != 0x8 && low != 0x9 && low != 0xF)
                throw Malformed("an unknown simple value");
            break;
        case 0x1:
            if (low > 4)
                throw Malformed("an integer of a bad size");
            Span(at, std::size_t(1) << low, 1);
            break;
        case 0x2:
            if (low != 2 && low != 3)
                throw Malformed("a real number of a bad size");
            Span(at, std::size_t(1) << low, 1);
            break;
        case 0x3:
            if (low != 3)
                throw Malformed("a date of a bad size");
            Span(at, 8, 1);
            break;
        case 0x4:
        {
            std::size_t const size = Size(marker, at);
            Span(at, size, 1);
            break;
        }
        case 0x5:
        case 0x6:
            String(object, text);
            break;
        case 0x8:
            Span(at, low + 1, 1);
            break;
        case 0xA:
        case 0xC:
        case 0xD:
        {
            std::size_t const count = Size(marker, at) * (marker >> 4 == 0xD ? 2 : 1);
            std::size_t const first = References(at, count);
            for (std::size_t i = 0; i < count; ++i)
                Check(Reference(first + i * fReferenceSize), depth + 1);
            break;
        }
        default:
            throw Malformed("an object of an unknown kind");
        }
        fOpen[object] = false;
        fChecked[object] = true;
    }

    std::string const& fData;
    std::size_t fOffsetSize = 0;
    std::size_t fReferenceSize = 0;
    std::size_t fTable = 0;
    std::size_t fCount = 0;
    std::vector<bool> fChecked;
    std::vector<bool> fOpen;
};

// The old-style text form: dictionaries "{ key = value; }", arrays "( a, b )", data "<0fbd 77>" and
// strings, quoted with '"' or "'" (the escapes \a \b \f \n \r \t \v, \ and up to three octal
// digits, \U and up to four hexadecimal digits; any other character stands for itself) or, of letters,
// digits and "_$/:.-", bare; comments are C's and C++'s. A text of entries without the braces is a
// dictionary too, as strings files are, where an entry "key;" stands for itself.
class OldStyleReader
{
public:
    explicit OldStyleReader(std::string const& text) : fText(text) {}

    void Read(std::map<std::string, std::string>& strings)
    {
        SkipSpace();
        if (Next() == '{')
        {
            ++fAt;
            ReadDictionary(&strings, 1, true);
            SkipSpace();
            if (fAt != fText.size())
                throw Malformed("text after the property list");
            return;
        }
        if (Next() == '(' || Next() == '<')
            throw Malformed("the property list holds no dictionary");
        ReadDictionary(&strings, 1, false);
    }

private:
    char Next() const { return fAt < fText.size() ? fText[fAt] : '\0'; }
    bool AtEnd() const { return fAt >= fText.size(); }

    static bool IsBare(char c)
    {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '$' || c == '/' || c == ':' || c == '.' || c == '-';
    }

    void SkipSpace() { fAt = StandInSkipSpaceAndComments(fText, fAt); }

    // The entries up to the closing brace (braced) or the end of the text; string values go to
    // strings when it is given.
    void ReadDictionary(std::map<std::string, std::string>* strings, int depth, bool braced)
    {
        for (;;)
        {
            SkipSpace();
            if (braced && Next() == '}')
            {
                ++fAt;
                return;
            }
            if (AtEnd())
            {
                if (braced)
                    throw Malformed("unterminated dictionary");
                return;
            }
            std::string const key = ReadString();
            SkipSpace();
            std::string value = key;
            bool isString = true;
            if (!braced && Next() == ';')
                ;
            else if (Next() != '=')
                throw Malformed("the key \"" + key + "\" has no \"=\"");
            else
            {
                ++fAt;
                SkipSpace();
                isString = ReadValue(depth + 1, value);
                SkipSpace();
            }
            if (Next() != ';')
                throw Malformed("the entry \"" + key + "\" has no \";\"");
            ++fAt;
            if (strings && isString)
                (*strings)[key] = value;
        }
    }

    // True, with its text, for a string; other values are checked and passed over.
    bool ReadValue(int depth, std::string& text)
    {
        if (depth > cMaximumDepth)
            throw Malformed("values nested too deeply");
        char const c = Next();
        if (c == '{')
        {
            ++fAt;
            ReadDictionary(nullptr, depth, true);
            return false;
        }
        if (c == '(')
        {
            ++fAt;
            for (;;)
            {
                SkipSpace();
                if (Next() == ')')
                    break;
                std::string element;
                ReadValue(depth + 1, element);
                SkipSpace();
                if (Next() == ',')
                    ++fAt;
                else if (Next() != ')')
                    throw Malformed("an array element without \",\" or \")\"");
            }
            ++fAt;
            return false;
        }
        if (c == '<')
        {
            ++fAt;
            int digits = 0;
            for (;; ++fAt)
            {
                SkipSpace();
                if (AtEnd())
                    throw Malformed("unterminated data");
                if (fText[fAt] == '>')
                    break;
                if (StandInHexDigit(fText[fAt]) < 0)
                    throw Malformed("data that is not hexadecimal");
                ++digits;
            }
            ++fAt;
            if (digits % 2 != 0)
                throw Malformed("data of an odd number of digits");
            return false;
        }
        text = ReadString();
        return true;
    }

    std::string ReadString()
    {
        char const quote = Next();
        if (quote != '"' && quote != '\'')
        {
            std::string::size_type const start = fAt;
            while (!AtEnd() && IsBare(fText[fAt]))
                ++fAt;
            if (fAt == start)
                throw Malformed(AtEnd() ? std::string("a string was expected")
                                        : "unexpected character '" + std::string(1, fText[fAt]) + "'");
            return fText.substr(start, fAt - start);
        }
        ++fAt;
        std::string text;
        for (;;)
        {
            if (AtEnd())
                throw Malformed("unterminated string");
            char const c = fText[fAt++];
            if (c == quote)
                return text;
            if (c != '\\')
                text += c;
            else
                ReadEscape(text);
        }
    }

    void ReadEscape(std::string& text)
    {
        if (AtEnd())
            throw Malformed("unterminated string");
        char const c = fText[fAt++];
        switch (c)
        {
        case 'a': text += '\a'; return;
        case 'b': text += '\b'; return;
        case 'f': text += '\f'; return;
        case 'n': text += '\n'; return;
        case 'r': text += '\r'; return;
        case 't': text += '\t'; return;
        case 'v': text += '\v'; return;
        case 'U':
            StandInAppendUTF8(text, ReadUnicodeEscape());
            return;
        default:
            break;
        }
        if (c >= '0' && c <= '7')
        {
            std::uint32_t code = static_cast<std::uint32_t>(c - '0');
            for (int i = 0; i < 2 && Next() >= '0' && Next() <= '7'; ++i)
                code = code * 8 + static_cast<std::uint32_t>(fText[fAt++] - '0');
            // Beyond ASCII the code is a character of the NeXTSTEP encoding, which is not read here.
            if (code == 0 || code >= 0x80)
                throw Malformed("an octal escape that is not an ASCII character");
            text += static_cast<char>(code);
            return;
        }
        text += c;
    }

    std::uint32_t ReadHexUnit()
    {
        std::uint32_t unit = 0;
        int digits = 0;
        for (; digits < 4 && StandInHexDigit(Next()) >= 0; ++digits)
            unit = unit << 4 | static_cast<std::uint32_t>(StandInHexDigit(fText[fAt++]));
        if (digits == 0)
            throw Malformed("a \\U escape without its digits");
        return unit;
    }

    // The character of a \U escape just read past its letter, with the low half of a pair after it.
    std::uint32_t ReadUnicodeEscape()
    {
        std::uint32_t const unit = ReadHexUnit();
        if (unit == 0 || (unit >= 0xDC00 && unit <= 0xDFFF))
            throw Malformed("a \\U escape that is no character");
        if (unit < 0xD800 || unit > 0xDBFF)
            return unit;
        if (fText.compare(fAt, 2, "\\U") != 0)
            throw Malformed("a \\U escape that is no character");
        fAt += 2;
        std::uint32_t const low = ReadHexUnit();
        if (low < 0xDC00 || low > 0xDFFF)
            throw Malformed("a \\U escape that is no character");
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }

    std::string const& fText;
    std::string::size_type fAt = 0;
};

void ReadAnyForm(std::string const& bytes, std::map<std::string, std::string>& strings)
{
    if (bytes.compare(0, 8, "bplist00") == 0)
    {
        BinaryReader(bytes).Read(strings);
        return;
    }
    if (bytes.compare(0, 6, "bplist") == 0)
        throw Malformed("a binary property list of another version than 00");
    bool const bigEndian = bytes.compare(0, 2, "\xFE\xFF") == 0;
    bool const littleEndian = bytes.compare(0, 2, "\xFF\xFE") == 0;
    std::string const decoded =
        bigEndian || littleEndian ? StandInUTF8OfUTF16(bytes.data() + 2, bytes.size() - 2, bigEndian) : std::string();
    std::string const& text = bigEndian || littleEndian ? decoded : bytes;
    std::string::size_type first = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    first = text.find_first_not_of(" \t\r\n", first);
    if (first != std::string::npos && text[first] == '<')
        Reader(text).ReadDocument(strings);
    else if (first != std::string::npos)
        OldStyleReader(text.substr(text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0)).Read(strings);
    else
        throw Malformed("the property list is empty");
}
} // namespace

bool PropertyListStandInReadStrings(std::string const& bytes, std::map<std::string, std::string>& strings,
                                    std::string* error)
{
    return StandInReadStrings([&bytes](std::map<std::string, std::string>& read) { ReadAnyForm(bytes, read); },
                              strings, error);
}
