// Regular expressions over the framework's buffers and strings, matched by Boost.Regex with its
// Perl-like default syntax, case-sensitive. Every call compiles its pattern afresh and keeps no state.
#pragma once

class GBuffer;
class GString;
template<class T>
class GTable;

class GRegExpSupport
{
public:
    GRegExpSupport() = delete;

    // Patterns are the user's, so every function that runs one turns Boost's failures into the
    // foundation's exception: a pattern that does not compile (boost::regex_error) and one that
    // exceeds Boost's complexity or memory limits on the text (Boost 1.74 throws a plain
    // std::runtime_error for those, not regex_error) throw GSimpleException 40017 ("Invalid value
    // passed a parameter"). IsValidRegExp alone answers false instead.

    // Text and pattern are the buffers' bytes up to their first zero byte.
    // Whether the whole text matches.
    static bool Match(GBuffer const& text, GBuffer const& pattern);
    // Whether the pattern matches anywhere in the text.
    static bool Search(GBuffer const& text, GBuffer const& pattern);
    // The text with every non-empty match replaced by the format (Perl-like: $&, $1, ...).
    static GBuffer Replace(GBuffer const& text, GBuffer const& pattern, GBuffer const& format);

    // The forms with groups empty the table first; on a match they append the whole match and then
    // every capture group in order, a group that took no part as an empty entry. A null pattern is
    // the empty one.
    // Strings are matched as their UTF-8 bytes, so "." takes one byte of a multi-byte character;
    // the groups come back from UTF-8.
    static bool Match(GString const& text, char const* pattern, GTable<GString>& groups);
    static bool Search(GString const& text, char const* pattern, GTable<GString>& groups);
    // The whole buffer, zero bytes included.
    static bool Search(GBuffer const& text, char const* pattern, GTable<GBuffer>& groups);

    // Whether the whole buffer compiles as a pattern.
    static bool IsValidRegExp(GBuffer const& pattern);
};
