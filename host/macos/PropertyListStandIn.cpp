// The XML property-list reader: a recursive descent over the few element kinds a property list has.
#include "PropertyListStandIn.h"

#include "StandInTextSupport.h"

#include <cstdint>

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
} // namespace

bool PropertyListStandInReadStrings(std::string const& xml, std::map<std::string, std::string>& strings,
                                    std::string* error)
{
    return StandInReadStrings(
        [&xml](std::map<std::string, std::string>& read) { Reader(xml).ReadDocument(read); }, strings, error);
}
