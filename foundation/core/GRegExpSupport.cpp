// Regular expressions over buffers and strings: how they become the 8-bit text Boost.Regex sees.
#include "GRegExpSupport.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include <boost/regex.hpp>

#include "GBuffer.h"
#include "GSimpleException.h"
#include "GString.h"
#include "GTable.h"
#include "GUTF8Encoding.h"

namespace
{
constexpr int cInvalidParameterID = 40017;

// Runs one Boost operation, compiling included; what Boost throws on the user's pattern becomes
// the foundation's exception.
template<class Operation>
auto RunUserPattern(Operation operation) -> decltype(operation())
{
    try
    {
        return operation();
    }
    catch (std::runtime_error const&)
    {
        throw GSimpleException(cInvalidParameterID);
    }
}

using Regex = boost::basic_regex<char, boost::regex_traits<char, boost::cpp_regex_traits<char>>>;

// The bytes of a buffer up to its first zero byte.
struct Text
{
    explicit Text(GBuffer const& buffer)
        : fBegin(reinterpret_cast<char const*>(buffer.GetPtr())), fEnd(fBegin + std::strlen(fBegin))
    {
    }

    char const* fBegin;
    char const* fEnd;
};

Regex Compile(char const* begin, char const* end)
{
    return Regex(begin, end, boost::regex_constants::normal);
}

Regex Compile(char const* pattern)
{
    if (!pattern)
        pattern = "";
    return Compile(pattern, pattern + std::strlen(pattern));
}

Regex Compile(GBuffer const& pattern)
{
    Text const text(pattern);
    return Compile(text.fBegin, text.fEnd);
}

GBuffer Bytes(boost::cmatch::const_reference group)
{
    if (!group.matched)
        return GBuffer();
    return GBuffer(reinterpret_cast<unsigned char const*>(group.first), int(group.second - group.first));
}

void AddGroups(boost::cmatch const& match, GTable<GBuffer>& groups)
{
    for (std::size_t i = 0; i < match.size(); ++i)
        groups.AddItem(Bytes(match[i]));
}

void AddGroups(boost::cmatch const& match, GTable<GString>& groups)
{
    for (std::size_t i = 0; i < match.size(); ++i)
        groups.AddItem(GString(Bytes(match[i]), GUTF8Encoding::GetInstance(), true));
}

template<class Operation>
bool MatchString(GString const& text, char const* pattern, GTable<GString>& groups, Operation operation)
{
    // The text is read before the table is emptied, since it may be one of its strings.
    GBuffer const utf8 = text.GetBuffer(GUTF8Encoding::GetInstance());
    groups.Resize(0);
    Regex const regex = Compile(pattern);
    char const* begin = reinterpret_cast<char const*>(utf8.GetPtr());
    boost::cmatch match;
    if (!operation(begin, begin + utf8.GetLength(), match, regex))
        return false;
    AddGroups(match, groups);
    return true;
}
} // namespace

bool GRegExpSupport::Match(GBuffer const& text, GBuffer const& pattern)
{
    return RunUserPattern(
        [&]
        {
            Regex const regex = Compile(pattern);
            Text const subject(text);
            return boost::regex_match(subject.fBegin, subject.fEnd, regex);
        });
}

bool GRegExpSupport::Search(GBuffer const& text, GBuffer const& pattern)
{
    return RunUserPattern(
        [&]
        {
            Regex const regex = Compile(pattern);
            Text const subject(text);
            return boost::regex_search(subject.fBegin, subject.fEnd, regex);
        });
}

GBuffer GRegExpSupport::Replace(GBuffer const& text, GBuffer const& pattern, GBuffer const& format)
{
    std::string const result = RunUserPattern(
        [&]
        {
            Regex const regex = Compile(pattern);
            Text const subject(text);
            Text const replacement(format);
            std::string replaced;
            boost::regex_replace(std::back_inserter(replaced), subject.fBegin, subject.fEnd, regex,
                                 std::string(replacement.fBegin, replacement.fEnd),
                                 boost::regex_constants::match_not_null);
            return replaced;
        });
    return GBuffer(reinterpret_cast<unsigned char const*>(result.data()), int(result.size()));
}

bool GRegExpSupport::Match(GString const& text, char const* pattern, GTable<GString>& groups)
{
    return RunUserPattern(
        [&]
        {
            return MatchString(
                text, pattern, groups,
                [](char const* begin, char const* end, boost::cmatch& match, Regex const& regex)
                { return boost::regex_match(begin, end, match, regex); });
        });
}

bool GRegExpSupport::Search(GString const& text, char const* pattern, GTable<GString>& groups)
{
    return RunUserPattern(
        [&]
        {
            return MatchString(
                text, pattern, groups,
                [](char const* begin, char const* end, boost::cmatch& match, Regex const& regex)
                { return boost::regex_search(begin, end, match, regex); });
        });
}

bool GRegExpSupport::Search(GBuffer const& text, char const* pattern, GTable<GBuffer>& groups)
{
    // A copy, since the text may be one of the table's buffers.
    GBuffer const subject(text);
    groups.Resize(0);
    return RunUserPattern(
        [&]
        {
            Regex const regex = Compile(pattern);
            char const* begin = reinterpret_cast<char const*>(subject.GetPtr());
            boost::cmatch match;
            if (!boost::regex_search(begin, begin + subject.GetLength(), match, regex))
                return false;
            AddGroups(match, groups);
            return true;
        });
}

bool GRegExpSupport::IsValidRegExp(GBuffer const& pattern)
{
    try
    {
        char const* begin = reinterpret_cast<char const*>(pattern.GetPtr());
        Compile(begin, begin + pattern.GetLength());
    }
    catch (std::runtime_error const&)
    {
        // regex_error, or a limit Boost met while compiling: either way no usable pattern.
        return false;
    }
    return true;
}
