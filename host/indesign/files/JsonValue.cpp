// A strict JSON reader, recursive, with a nesting limit that keeps its stack small.
#include "JsonValue.h"

#include "TextSupport.h"

#include <charconv>
#include <cstdint>
#include <system_error>

namespace indesignhost
{
namespace
{
constexpr int cMaxDepth = 64;

struct Failure
{
    std::string what;
    int line;
};

class JsonReader
{
public:
    explicit JsonReader(std::string const& text) : fText(text)
    {
        // A byte order mark, as some editors write one.
        if (fText.compare(0, 3, "\xEF\xBB\xBF") == 0)
            fPos = 3;
    }

    JsonValue ReadDocument()
    {
        JsonValue value = ReadValue(0);
        SkipSpace();
        if (!AtEnd())
            Fail("nothing may follow the value");
        return value;
    }

private:
    [[noreturn]] void Fail(std::string const& what) const { throw Failure{what, fLine}; }

    bool AtEnd() const { return fPos >= fText.size(); }
    char Peek() const { return fText[fPos]; }

    void SkipSpace()
    {
        while (!AtEnd())
        {
            char const c = Peek();
            if (c == '\n')
                ++fLine;
            else if (c != ' ' && c != '\t' && c != '\r')
                return;
            ++fPos;
        }
    }

    void Expect(char const* word)
    {
        for (char const* c = word; *c; ++c, ++fPos)
            if (AtEnd() || Peek() != *c)
                Fail(std::string("\"") + word + "\" is misspelt");
    }

    JsonValue ReadValue(int depth)
    {
        if (depth > cMaxDepth)
            Fail("values are nested more than " + std::to_string(cMaxDepth) + " deep");
        SkipSpace();
        if (AtEnd())
            Fail("the text ends where a value should be");
        JsonValue value;
        switch (Peek())
        {
        case '{':
            ReadObject(value, depth);
            break;
        case '[':
            ReadArray(value, depth);
            break;
        case '"':
            value.kind = JsonValue::Kind::String;
            value.text = ReadString();
            break;
        case 't':
            Expect("true");
            value.kind = JsonValue::Kind::Boolean;
            value.boolean = true;
            break;
        case 'f':
            Expect("false");
            value.kind = JsonValue::Kind::Boolean;
            break;
        case 'n':
            Expect("null");
            break;
        default:
            ReadNumber(value);
            break;
        }
        return value;
    }

    void ReadObject(JsonValue& value, int depth)
    {
        value.kind = JsonValue::Kind::Object;
        ++fPos;
        SkipSpace();
        if (!AtEnd() && Peek() == '}')
        {
            ++fPos;
            return;
        }
        for (;;)
        {
            SkipSpace();
            if (AtEnd() || Peek() != '"')
                Fail("a key in quotes comes here");
            std::string key = ReadString();
            if (value.Find(key))
                Fail("the key \"" + key + "\" is given twice");
            SkipSpace();
            if (AtEnd() || Peek() != ':')
                Fail("a colon comes after the key \"" + key + "\"");
            ++fPos;
            value.keys.push_back(std::move(key));
            value.items.push_back(ReadValue(depth + 1));
            SkipSpace();
            if (AtEnd())
                Fail("the object is not closed with \"}\"");
            if (Peek() == '}')
            {
                ++fPos;
                return;
            }
            if (Peek() != ',')
                Fail("a comma or \"}\" comes after a value in an object");
            ++fPos;
        }
    }

    void ReadArray(JsonValue& value, int depth)
    {
        value.kind = JsonValue::Kind::Array;
        ++fPos;
        SkipSpace();
        if (!AtEnd() && Peek() == ']')
        {
            ++fPos;
            return;
        }
        for (;;)
        {
            value.items.push_back(ReadValue(depth + 1));
            SkipSpace();
            if (AtEnd())
                Fail("the array is not closed with \"]\"");
            if (Peek() == ']')
            {
                ++fPos;
                return;
            }
            if (Peek() != ',')
                Fail("a comma or \"]\" comes after a value in an array");
            ++fPos;
        }
    }

    void ReadNumber(JsonValue& value)
    {
        std::size_t const start = fPos;
        auto const digits = [&]
        {
            std::size_t const first = fPos;
            while (!AtEnd() && Peek() >= '0' && Peek() <= '9')
                ++fPos;
            return fPos - first;
        };
        if (!AtEnd() && Peek() == '-')
            ++fPos;
        if (!AtEnd() && Peek() == '0')
            ++fPos;
        else if (digits() == 0)
            Fail("a value comes here (an object, array, string, number, true, false or null)");
        if (!AtEnd() && Peek() == '.')
        {
            ++fPos;
            if (digits() == 0)
                Fail("a number's point is followed by digits");
        }
        if (!AtEnd() && (Peek() == 'e' || Peek() == 'E'))
        {
            ++fPos;
            if (!AtEnd() && (Peek() == '+' || Peek() == '-'))
                ++fPos;
            if (digits() == 0)
                Fail("a number's exponent has digits");
        }
        value.kind = JsonValue::Kind::Number;
        auto const result = std::from_chars(fText.data() + start, fText.data() + fPos, value.number);
        if (result.ec != std::errc() || result.ptr != fText.data() + fPos)
            Fail("the number " + fText.substr(start, fPos - start) + " is out of range");
    }

    unsigned ReadHex4()
    {
        unsigned code = 0;
        for (int i = 0; i < 4; ++i, ++fPos)
        {
            if (AtEnd())
                Fail("a \\u escape has four hexadecimal digits");
            char const c = Peek();
            unsigned const digit = c >= '0' && c <= '9'   ? unsigned(c - '0')
                                   : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                                   : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10)
                                                          : 16u;
            if (digit == 16)
                Fail("a \\u escape has four hexadecimal digits");
            code = code * 16 + digit;
        }
        return code;
    }

    static void AppendUtf8(std::string& out, std::uint32_t code)
    {
        if (code < 0x80)
            out += static_cast<char>(code);
        else if (code < 0x800)
        {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        else if (code < 0x10000)
        {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    void ReadEscape(std::string& out)
    {
        if (AtEnd())
            Fail("the string is not closed with a quote");
        char const c = Peek();
        ++fPos;
        switch (c)
        {
        case '"':
        case '\\':
        case '/':
            out += c;
            return;
        case 'b':
            out += '\b';
            return;
        case 'f':
            out += '\f';
            return;
        case 'n':
            out += '\n';
            return;
        case 'r':
            out += '\r';
            return;
        case 't':
            out += '\t';
            return;
        case 'u':
            break;
        default:
            Fail(std::string("\\") + c + " is no escape of JSON");
        }
        std::uint32_t code = ReadHex4();
        if (code >= 0xDC00 && code <= 0xDFFF)
            Fail("a \\u escape of a low surrogate without its high one");
        if (code >= 0xD800 && code <= 0xDBFF)
        {
            if (fText.compare(fPos, 2, "\\u") != 0)
                Fail("a \\u escape of a high surrogate without its low one");
            fPos += 2;
            std::uint32_t const low = ReadHex4();
            if (low < 0xDC00 || low > 0xDFFF)
                Fail("a \\u escape of a high surrogate without its low one");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, code);
    }

    void ReadUtf8(std::string& out)
    {
        std::size_t const length = Utf8SequenceLength(fText, fPos);
        if (length == 0)
            Fail("a string holds bytes that are not UTF-8");
        out.append(fText, fPos, length);
        fPos += length;
    }

    std::string ReadString()
    {
        ++fPos;
        std::string out;
        for (;;)
        {
            if (AtEnd())
                Fail("the string is not closed with a quote");
            char const c = Peek();
            if (c == '"')
            {
                ++fPos;
                return out;
            }
            if (c == '\\')
            {
                ++fPos;
                ReadEscape(out);
            }
            else if (static_cast<unsigned char>(c) < 0x20)
                Fail("a string holds a control character; write it as an escape");
            else if (static_cast<unsigned char>(c) < 0x80)
            {
                out += c;
                ++fPos;
            }
            else
                ReadUtf8(out);
        }
    }

    std::string const& fText;
    std::size_t fPos = 0;
    int fLine = 1;
};
} // namespace

JsonValue const* JsonValue::Find(std::string const& key) const
{
    if (kind != Kind::Object)
        return nullptr;
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key)
            return &items[i];
    return nullptr;
}

bool ParseJson(std::string const& text, JsonValue& value, std::string& error, int& line)
{
    try
    {
        value = JsonReader(text).ReadDocument();
        return true;
    }
    catch (Failure const& failure)
    {
        error = failure.what;
        line = failure.line;
        return false;
    }
}
} // namespace indesignhost
