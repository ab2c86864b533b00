// The job-options syntax: a recursive reader with the line of every value, and the writer of values
// in that syntax.
#include "JobOptionsValue.h"

#include "JobOptionsError.h"

#include <charconv>
#include <cstdio>
#include <system_error>

namespace indesignhost
{
namespace
{
// Deeper nesting is no job-options file; the limit keeps the reader's stack small.
constexpr int cMaxDepth = 64;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\0';
}

bool IsDelimiter(char c)
{
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' ||
           c == '/' || c == '%';
}

bool IsRegular(char c)
{
    return !IsSpace(c) && !IsDelimiter(c);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// [+-] (digits [. digits] | . digits) [(e|E) [+-] digits]
bool IsNumberToken(std::string const& word)
{
    std::size_t i = 0;
    std::size_t const n = word.size();
    if (i < n && (word[i] == '+' || word[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < n && IsDigit(word[i]))
        ++i, ++digits;
    if (i < n && word[i] == '.')
    {
        ++i;
        while (i < n && IsDigit(word[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < n && (word[i] == 'e' || word[i] == 'E'))
    {
        ++i;
        if (i < n && (word[i] == '+' || word[i] == '-'))
            ++i;
        std::size_t exponentDigits = 0;
        while (i < n && IsDigit(word[i]))
            ++i, ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    return i == n;
}

// A word from the file as a message shows it: printable, and short.
std::string Shown(std::string const& word)
{
    std::string shown;
    for (unsigned char c : word.substr(0, 40))
    {
        if (c >= 0x20 && c < 0x7F)
            shown += static_cast<char>(c);
        else
        {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            shown += escape;
        }
    }
    return word.size() > 40 ? shown + "..." : shown;
}

class Parser
{
public:
    Parser(std::string const& text, std::string const& path) : fText(text), fPath(path) {}

    JobOptionsValue ParseFile()
    {
        SkipSpace();
        if (AtEnd())
            Fail("the file holds no dictionary: it starts with \"<<\"");
        if (!StartsWith("<<"))
            Fail("the file starts with a dictionary \"<<\", not with \"" + Shown(fText.substr(fPos, 8)) +
                 "\"");
        JobOptionsValue value = ParseValue(0);
        SkipSpace();
        if (!AtEnd())
            Fail("nothing may follow the dictionary's closing \">>\"");
        return value;
    }

private:
    [[noreturn]] void Fail(std::string const& detail) const { throw JobOptionsError(fPath, fLine, detail); }

    bool AtEnd() const { return fPos >= fText.size(); }
    char Peek() const { return fText[fPos]; }
    bool StartsWith(char const* what) const
    {
        return fText.compare(fPos, std::char_traits<char>::length(what), what) == 0;
    }

    // Moves past one character, counting LF, CR LF and a lone CR as one line end each.
    void Advance()
    {
        char const c = fText[fPos++];
        if (c == '\n' || (c == '\r' && (AtEnd() || Peek() != '\n')))
            ++fLine;
    }

    void SkipSpace()
    {
        while (!AtEnd())
        {
            if (IsSpace(Peek()))
                Advance();
            else if (Peek() == '%')
            {
                while (!AtEnd() && Peek() != '\n' && Peek() != '\r')
                    ++fPos;
            }
            else
                break;
        }
    }

    std::string Word()
    {
        std::size_t const start = fPos;
        while (!AtEnd() && IsRegular(Peek()))
            ++fPos;
        return fText.substr(start, fPos - start);
    }

    JobOptionsValue ParseValue(int depth)
    {
        if (depth > cMaxDepth)
            Fail("values are nested more than " + std::to_string(cMaxDepth) + " deep");
        SkipSpace();
        if (AtEnd())
            Fail("the file ends where a value should be");
        JobOptionsValue value;
        value.line = fLine;
        char const c = Peek();
        if (StartsWith("<<"))
            ParseDictionary(value, depth);
        else if (c == '<')
            Fail("hexadecimal strings \"<...>\" are not read; write the string in parentheses");
        else if (c == '[')
            ParseArray(value, depth);
        else if (c == '(')
            ParseString(value);
        else if (c == '/')
        {
            ++fPos;
            value.kind = JobOptionsValue::Kind::Name;
            value.text = Word();
            if (value.text.empty())
                Fail("a name has at least one character after its \"/\"");
        }
        else if (c == '{' || c == '}')
            Fail("procedures \"{...}\" are not read");
        else if (!IsRegular(c))
            Fail(std::string("\"") + c + "\" stands where a value should be");
        else
            ParseWord(value);
        return value;
    }

    void ParseWord(JobOptionsValue& value)
    {
        std::string const word = Word();
        if (word == "true" || word == "false")
        {
            value.kind = JobOptionsValue::Kind::Boolean;
            value.boolean = word == "true";
            return;
        }
        if (!IsNumberToken(word))
            Fail("\"" + Shown(word) + "\" is neither a number nor true or false");
        value.kind = JobOptionsValue::Kind::Number;
        value.text = word;
        char const* first = word.data() + (word[0] == '+' ? 1 : 0);
        char const* const last = word.data() + word.size();
        auto const result = std::from_chars(first, last, value.number);
        if (result.ec == std::errc::result_out_of_range)
            Fail("the number " + Shown(word) + " is out of range");
        if (result.ec != std::errc() || result.ptr != last)
            Fail("\"" + Shown(word) + "\" is not a number");
    }

    void ParseString(JobOptionsValue& value)
    {
        value.kind = JobOptionsValue::Kind::String;
        int const start = fLine;
        ++fPos;
        int open = 1;
        for (;;)
        {
            if (AtEnd())
                throw JobOptionsError(fPath, start, "the string that starts here is not closed with \")\"");
            char const c = Peek();
            if (c == '\\')
            {
                ++fPos;
                if (AtEnd())
                    continue;
                ReadEscape(value.text);
                continue;
            }
            if (c == '(')
                ++open;
            else if (c == ')' && --open == 0)
            {
                ++fPos;
                return;
            }
            value.text += c;
            Advance();
        }
    }

    // After a backslash: \n \r \t \b \f \\ \( \), up to three octal digits, a line end that joins
    // two lines; before any other character the backslash is dropped.
    void ReadEscape(std::string& out)
    {
        char const c = Peek();
        switch (c)
        {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case '\r':
        case '\n':
            Advance();
            if (c == '\r' && !AtEnd() && Peek() == '\n')
                Advance();
            return;
        default:
            if (c >= '0' && c <= '7')
            {
                int code = 0;
                for (int digits = 0; digits < 3 && !AtEnd() && Peek() >= '0' && Peek() <= '7'; ++digits)
                    code = code * 8 + (fText[fPos++] - '0');
                out += static_cast<char>(code & 0xFF);
                return;
            }
            out += c;
            break;
        }
        Advance();
    }

    void ParseArray(JobOptionsValue& value, int depth)
    {
        value.kind = JobOptionsValue::Kind::Array;
        int const start = fLine;
        ++fPos;
        for (;;)
        {
            SkipSpace();
            if (AtEnd())
                throw JobOptionsError(fPath, start, "the array that starts here is not closed with \"]\"");
            if (Peek() == ']')
            {
                ++fPos;
                return;
            }
            value.items.push_back(ParseValue(depth + 1));
        }
    }

    void ParseDictionary(JobOptionsValue& value, int depth)
    {
        value.kind = JobOptionsValue::Kind::Dictionary;
        int const start = fLine;
        fPos += 2;
        for (;;)
        {
            SkipSpace();
            if (AtEnd())
                throw JobOptionsError(fPath, start,
                                      "the dictionary that starts here is not closed with \">>\"");
            if (StartsWith(">>"))
            {
                fPos += 2;
                return;
            }
            if (Peek() != '/')
                Fail("a key (a name such as /Key) or the dictionary's end \">>\" comes here");
            JobOptionsValue const key = ParseValue(depth + 1);
            SkipSpace();
            if (AtEnd() || StartsWith(">>"))
                Fail("the key /" + Shown(key.text) + " has no value");
            value.keys.push_back(key.text);
            value.items.push_back(ParseValue(depth + 1));
        }
    }

    std::string const& fText;
    std::string const& fPath;
    std::size_t fPos = 0;
    int fLine = 1;
};
} // namespace

JobOptionsValue ParseJobOptionsText(std::string const& text, std::string const& path)
{
    return Parser(text, path).ParseFile();
}

std::string JobOptionsStringText(std::string const& bytes)
{
    std::string text = "(";
    for (unsigned char c : bytes)
    {
        if (c == '(' || c == ')' || c == '\\')
        {
            text += '\\';
            text += static_cast<char>(c);
        }
        else if (c < 0x20 || c == 0x7F)
        {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%03o", c);
            text += escape;
        }
        else
            text += static_cast<char>(c);
    }
    return text + ")";
}

std::string JobOptionsValue::Text() const
{
    switch (kind)
    {
    case Kind::Boolean:
        return boolean ? "true" : "false";
    case Kind::Number:
        return text;
    case Kind::Name:
        return "/" + text;
    case Kind::String:
        return JobOptionsStringText(text);
    case Kind::Array:
    {
        std::string out = "[";
        for (std::size_t i = 0; i < items.size(); ++i)
            out += (i ? " " : "") + items[i].Text();
        return out + "]";
    }
    case Kind::Dictionary:
    {
        std::string out = "<<";
        for (std::size_t i = 0; i < items.size(); ++i)
            out += " /" + keys[i] + " " + items[i].Text();
        return out + " >>";
    }
    }
    return std::string();
}

JobOptionsValue const* JobOptionsValue::Find(std::string const& key) const
{
    for (std::size_t i = keys.size(); i-- > 0;)
        if (keys[i] == key)
            return &items[i];
    return nullptr;
}

char const* JobOptionsValue::KindName() const
{
    switch (kind)
    {
    case Kind::Boolean:
        return "a truth value";
    case Kind::Number:
        return "a number";
    case Kind::Name:
        return "a name";
    case Kind::String:
        return "a string";
    case Kind::Array:
        return "an array";
    case Kind::Dictionary:
        return "a dictionary";
    }
    return "a value";
}
} // namespace indesignhost
